// The accounting window "AccountingDialog": for every line target of the
// registered router the calls, packets and bytes in both directions and the
// charge units the router has counted. The main window's "Accounting"
// reads them (highstate_get_accounting); the window's "Read And Reset"
// reads them and has the router set them to zero; its File menu saves the
// text shown through the file dialog. cbfunc_accounting
// (dialog_entry_points.h) is the end of every reading.
#pragma once

#include <X11/Intrinsic.h>

enum AccountingAction : int {
    ACCOUNTING_ACTION_SAVE = 0,   // File menu "Save" ("AcountingSave")
    ACCOUNTING_ACTION_HELP = 1,   // Help menu "Help"
    ACCOUNTING_ACTION_RESET = 2,  // "Read And Reset"
    ACCOUNTING_ACTION_CLOSE = 3,  // "Close"
};

// The menu entries' and buttons' callback; every action is ignored while
// the busy flag is set (a reading runs).
void AccountingCB(Widget widget, XtPointer client, XtPointer call);
