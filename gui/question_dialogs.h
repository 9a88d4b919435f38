// The two confirmations of the router settings: "QuestionDialog" (the
// router could not take the new configuration: download it with the
// firmware instead?) and "Question2Dialog" (an address outside the local
// network). They stand above the settings dialog: their answers call it
// (router_settings_dialog.h), it only opens them by name.
#pragma once

#include <X11/Intrinsic.h>

// Action codes of QuestionCB.
enum QuestionAction : int {
    QUESTION_ACTION_DOWNLOAD_YES = 0,  // "QuestionDialogYes"
    QUESTION_ACTION_DOWNLOAD_NO = 1,   // "QuestionDialogNo"
    QUESTION_ACTION_SUBNET_YES = 2,    // "Question2DialogYes"
    QUESTION_ACTION_SUBNET_NO = 3,     // "Question2DialogNo"
};

void QuestionCB(Widget widget, XtPointer client, XtPointer call);
