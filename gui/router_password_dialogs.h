// The router password dialog ("SetPWDialog") and its two entry prompts
// ("InputPWDialog", "RepeatPWDialog"), opened from the router settings
// dialog, which reads their proposal on its OK.
#pragma once

#include <X11/Intrinsic.h>

// Action codes of SetPWCB.
enum SetPWAction : int {
    SETPW_ACTION_OK = 0,      // "SetPWOk"
    SETPW_ACTION_HELP = 1,    // "SetPWHelp"
    SETPW_ACTION_CANCEL = 2,  // "SetPWClose"
    SETPW_ACTION_CHANGE = 3,  // "SetPWChange"
    SETPW_ACTION_DELETE = 4,  // "SetPWDelete"
};

// Reasons of RepeatCB, the callback of both entry fields.
enum RepeatReason : int {
    REPEAT_REASON_ENTER = 0,    // activate
    REPEAT_REASON_CHANGED = 1,  // value changed
    REPEAT_REASON_VERIFY = 2,   // modify verify
};

void SetPWCB(Widget widget, XtPointer client, XtPointer call);
void RepeatCB(Widget widget, XtPointer client, XtPointer call);

// The proposal the settings dialog reads on OK.
const char* setpw_proposed_password();
bool setpw_proposed_exclusive();
