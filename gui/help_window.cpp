#include "help_window.h"

#include <Xm/Xm.h>

#include <cstdint>
#include <string>

#include "dialog_builders.h"
#include "dialog_entry_points.h"
#include "dialog_registry.h"
#include "display_services.h"
#include "globals.h"
#include "help_file.h"
#include "report_text.h"
#include "toolkit.h"
#include "widget_table.h"

extern const char* const HelpDialogResources[] = {
    "XmQORVEL*HelpDialog.dialogTitle: Help",
    "XmQORVEL*HelpDialog.HelpHeader.labelString: Help",
    "XmQORVEL*HelpDialog.HelpHeader.fontList: -adobe-helvetica-bold-r-*--14-*-*-*-*-*-*-1",
    "XmQORVEL*HelpDialog.HelpClose.labelString: Close",
    "XmQORVEL*HelpDialog*HelpText.background: gray90",
    "XmQORVEL*HelpDialog*HelpText.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    nullptr,
};

Widget HelpDialogLayout(Widget parent, WidgetTable* table)
{
    Widget form = helpfunc_create_form_dialog(parent, Dialog::HelpDialog);
    table->HelpText = report_window_children(
        form, {"HelpHeader", "HelpClose", "HelpText", HelpCB, HELP_ACTION_CLOSE},
        &table->HelpClose);
    table->HelpDialog = form;
    return form;
}

void HelpCB(Widget, XtPointer client, XtPointer)
{
    if (action_code(client) == HELP_ACTION_CLOSE)
        helpfunc_popdown(Dialog::HelpDialog);
}

void helpfunc_popup_help(Dialog dialog)
{
    if (XmVANTEROWidgets == nullptr)
        return;
    if (!helpfunc_helptext_loaded()) {
        helpfunc_set_cursor(1);
        helpfunc_read_helpfile();
        helpfunc_set_cursor(0);
    }
    helpfunc_create_layout(Dialog::HelpDialog);
    Widget form = XmVANTEROWidgets->HelpDialog;
    if (form == nullptr)
        return;

    // A dialog without a section of its own leaves the text as it is.
    int section = help_section_of_dialog(dialog_name(dialog));
    if (section != HELP_NONE)
        report_text_set(XmVANTEROWidgets->HelpText, help_window_text(section));

    if (!helpfunc_help_shown) {
        helpfunc_help_shown = 1;
        XtManageChild(form);
    }
    // A modal dialog in front takes every input of the program; the grab
    // lets the help window take input beside it.
    if (dialog != Dialog::MainWindow)
        XtAddGrab(XtParent(form), False, False);
}
