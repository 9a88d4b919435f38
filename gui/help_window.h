// The help window "HelpDialog": the section of the help file that belongs
// to the dialog help was asked from, under a header that says how this
// program is configured. It takes input beside the modal dialogs, follows
// the user from dialog to dialog while it is open (the display services
// call helpfunc_popup_help, dialog_entry_points.h) and is destroyed when it
// is closed, to be built anew at the next request.
#pragma once

#include <X11/Intrinsic.h>

enum HelpAction : int {
    HELP_ACTION_CLOSE = 0,  // "HelpClose"
};

// "HelpClose": pops the window down, which destroys it.
void HelpCB(Widget widget, XtPointer client, XtPointer call);
