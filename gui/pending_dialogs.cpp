// Stand-ins for the dialogs that are not built yet: each is an empty form
// dialog of the right name, size and modality, with its title, so that the
// main window and the display services work with every dialog from the
// start. A dialog's own file replaces its builder, its fill step, its
// resource lines and the entry points listed under it here, and those
// lines are deleted from this file; nothing else changes.
#include "dialog_builders.h"
#include "dialog_entry_points.h"
#include "dialog_registry.h"
#include "display_services.h"
#include "globals.h"
#include "widget_table.h"

namespace {

Widget empty_dialog(Widget parent, Dialog dialog)
{
    return helpfunc_create_form_dialog(parent, dialog);
}

}  // namespace

// --------------------------------------------------- accounting window ---
Widget AccountingDialogLayout(Widget parent, WidgetTable*) { return empty_dialog(parent, Dialog::AccountingDialog); }
extern const char* const AccountingDialogResources[] = {"XmQORVEL*AccountingDialog.dialogTitle: Accounting", nullptr};

void cbfunc_accounting(ListObject*)
{
    // Until the accounting window is built, the end of the read only ends
    // the wait.
    helpfunc_popdown(Dialog::ScanDialog);
    helpfunc_set_cursor(0);
    action_running = 0;
}

// ---------------------------------------------------- router overview ---
Widget RouterDialogLayout(Widget parent, WidgetTable*) { return empty_dialog(parent, Dialog::RouterDialog); }
extern const char* const RouterDialogResources[] = {"XmQORVEL*RouterDialog.dialogTitle: Router Status", nullptr};

void cbfunc_router_state(RouterState* state)
{
    // Until the overview is built, the end marker only ends the wait.
    if (state->status == 0)
        return;
    helpfunc_popdown(Dialog::ScanDialog);
    helpfunc_set_cursor(0);
}

// ------------------------------------------ line monitor and set-up ---
Widget LineMonDialogLayout(Widget parent, WidgetTable*) { return empty_dialog(parent, Dialog::LineMonDialog); }
void LineMonDialogSetData() {}
extern const char* const LineMonDialogResources[] = {"XmQORVEL*LineMonDialog.dialogTitle: Line Monitor", nullptr};
Widget LineMon2DialogLayout(Widget parent, WidgetTable*) { return empty_dialog(parent, Dialog::LineMon2Dialog); }
void LineMon2DialogSetData() {}
extern const char* const LineMon2DialogResources[] = {"XmQORVEL*LineMon2Dialog.dialogTitle: Setup Connection", nullptr};

void cbfunc_linemonitor(LineMonitorData*) {}

// -------------------------------------------------------- help window ---
Widget HelpDialogLayout(Widget parent, WidgetTable*) { return empty_dialog(parent, Dialog::HelpDialog); }
extern const char* const HelpDialogResources[] = {"XmQORVEL*HelpDialog.dialogTitle: Help", nullptr};

int helpfunc_help_shown = 0;

void helpfunc_popup_help(Dialog) {}
