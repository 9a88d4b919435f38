#include "accounting_window.h"

#include <Xm/CascadeB.h>
#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/PushB.h>
#include <Xm/RowColumn.h>
#include <Xm/TextF.h>

#include <cstdint>
#include <string>

#include "accounting_text.h"
#include "dialog_builders.h"
#include "dialog_entry_points.h"
#include "dialog_registry.h"
#include "display_services.h"
#include "file_messages.h"
#include "globals.h"
#include "request_gate.h"
#include "highstate.h"
#include "list.h"
#include "message_tables.h"
#include "report_text.h"
#include "toolkit.h"
#include "widget_table.h"

extern const char* const AccountingDialogResources[] = {
    "XmQORVEL*AccountingDialog.dialogTitle: Accounting",
    "XmQORVEL*AccountingMenuBar.AccountingFileCascade.labelString: File",
    "XmQORVEL*AccountingMenuBar.AccountingFileCascade.mnemonic: F",
    "XmQORVEL*AccountingFileMenu.AcountingSave.labelString: Save",
    "XmQORVEL*AccountingFileMenu.AcountingSave.mnemonic: S",
    "XmQORVEL*AccountingMenuBar.AccountingHelpCascade.labelString: Help",
    "XmQORVEL*AccountingMenuBar.AccountingHelpCascade.mnemonic: H",
    "XmQORVEL*AccountingHelpMenu.AccountingHelpHelp.labelString: Help",
    "XmQORVEL*AccountingHelpMenu.AccountingHelpHelp.mnemonic: H",
    "XmQORVEL*AccountingDialog.AccountingHeader.labelString: Accounting Data",
    "XmQORVEL*AccountingDialog.AccountingHeader.fontList: -adobe-helvetica-bold-r-*--14-*-*-*-*-*-*-1",
    "XmQORVEL*AccountingDialog.AccountingIDLabel.labelString: Router:",
    "XmQORVEL*AccountingDialog.AccountingIDLabel.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*AccountingDialog*AccountingText.background: gray90",
    "XmQORVEL*AccountingDialog*AccountingText.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    "XmQORVEL*AccountingDialog.AccountingReset.labelString: Read And Reset",
    "XmQORVEL*AccountingDialog.AccountingClose.labelString: Close",
    nullptr,
};

namespace {

constexpr int ID_LABEL_WIDTH = 70;
constexpr int RESET_WIDTH = 170;
constexpr int CLOSE_WIDTH = 120;

// The counters of a line target that a reading has not reached yet: the
// router never reports every counter at its maximum at once.
constexpr uint32_t NOT_READ = 0xFFFFFFFFu;

// The read-and-reset running now. It walks a copy of the line targets, so
// that when it fails (and the failure handling forgets the tables) the
// counters already read, which the router has already set to zero, are
// still at hand.
struct ResetReading {
    ListObject* lines = nullptr;  // the copy the back end fills; null: none runs
    std::string router;           // the registered router's name when it began
};
ResetReading reset_reading;

// The router name of the counters shown after a failed read-and-reset (the
// failure handling forgets the selected router).
std::string failed_router;

Widget menu_entry(Widget menu, const char* name, AccountingAction a)
{
    Widget entry = XmCreatePushButton(menu, const_cast<char*>(name), nullptr, 0);
    XtAddCallback(entry, XmNactivateCallback, AccountingCB, action_data(a));
    XtManageChild(entry);
    return entry;
}

Widget menu_bar(Widget form)
{
    Widget bar = XmCreateMenuBar(form, const_cast<char*>("AccountingMenuBar"), nullptr, 0);
    XtVaSetValues(bar, XmNtopAttachment, XmATTACH_FORM, XmNleftAttachment, XmATTACH_FORM,
                  XmNrightAttachment, XmATTACH_FORM, nullptr);

    Widget file =
        XmCreateCascadeButton(bar, const_cast<char*>("AccountingFileCascade"), nullptr, 0);
    Arg args[1];
    XtSetArg(args[0], XmNshadowThickness, 1);
    Widget file_menu = CreatePulldownMenu(file, "AccountingFileMenu", args, 1);
    menu_entry(file_menu, "AcountingSave", ACCOUNTING_ACTION_SAVE);
    XtManageChild(file);

    Widget help =
        XmCreateCascadeButton(bar, const_cast<char*>("AccountingHelpCascade"), nullptr, 0);
    Widget help_menu = CreatePulldownMenu(help, "AccountingHelpMenu", nullptr, 0);
    menu_entry(help_menu, "AccountingHelpHelp", ACCOUNTING_ACTION_HELP);
    XtManageChild(help);
    XtVaSetValues(bar, XmNmenuHelpWidget, help, nullptr);

    XtManageChild(bar);
    return bar;
}

// The copy a read-and-reset walks: the line targets with every counter
// marked as not read.
ListObject* reading_copy(ListObject* lines)
{
    ListObject* copy = lines->ops->list_copy(lines);
    if (copy == nullptr)
        return nullptr;
    for (ListNode* node = copy->head; node != nullptr; node = node->next) {
        if (node->element == nullptr)
            continue;
        AccountingCounters& c = static_cast<LineTarget*>(node->element)->counters;
        c.charge = c.calls_out = c.calls_in = c.packets_out = c.packets_in = c.bytes_out =
            c.bytes_in = NOT_READ;
    }
    return copy;
}

bool was_read(const LineTarget& line)
{
    const AccountingCounters& c = line.counters;
    return !(c.charge == NOT_READ && c.calls_out == NOT_READ && c.calls_in == NOT_READ &&
             c.packets_out == NOT_READ && c.packets_in == NOT_READ && c.bytes_out == NOT_READ &&
             c.bytes_in == NOT_READ);
}

// The texts of the line targets a failed reading got through (the walk goes
// in list order, so they are the first ones); "" when it got none.
std::string text_of_lines_read(const ListObject* lines)
{
    std::string text;
    for (const ListNode* node = lines->head; node != nullptr; node = node->next) {
        const auto* line = static_cast<const LineTarget*>(node->element);
        if (line == nullptr || !was_read(*line))
            break;
        text += accounting_entry_text(*line);
    }
    return text;
}

// A finished read-and-reset: its counters go into the edited line targets
// (the copy was made from them, so both are in the same order).
void take_counters(ListObject* from)
{
    if (main_line_list == nullptr)
        return;
    ListNode* to = main_line_list->head;
    for (ListNode* node = from->head; node != nullptr && to != nullptr;
         node = node->next, to = to->next)
        if (node->element != nullptr && to->element != nullptr)
            static_cast<LineTarget*>(to->element)->counters =
                static_cast<LineTarget*>(node->element)->counters;
}

// Read And Reset and Save work on the registered router's line targets.
void set_reading_actions(bool sensitive)
{
    WidgetTable* t = XmVANTEROWidgets;
    XtSetSensitive(t->AccountingReset, sensitive ? True : False);
    if (Widget save = XtNameToWidget(t->AccountingDialog, "*AcountingSave"))
        XtSetSensitive(save, sensitive ? True : False);
}

void show_failed_reading(XtPointer, XtIntervalId*)
{
    helpfunc_popup(Dialog::AccountingDialog);
    helpfunc_set_field(XmVANTEROWidgets->AccountingIDText, failed_router.c_str());
    // No router is registered any more: nothing to read. The counters stay
    // on the screen until the window is closed, and Save keeps them: the
    // router has already set them to zero.
    set_reading_actions(false);
    if (Widget save = XtNameToWidget(XmVANTEROWidgets->AccountingDialog, "*AcountingSave"))
        XtSetSensitive(save, True);
}

// The window closes while a read-and-reset runs only through the failure
// handling. The counters read so far are zero in the router by now and
// would be lost with the tables: they are shown again, once the failure
// handling has finished, beside its message.
void window_closed(Widget, XtPointer, XtPointer)
{
    if (reset_reading.lines == nullptr)
        return;
    std::string text = text_of_lines_read(reset_reading.lines);
    failed_router = reset_reading.router;
    list_dispose(&reset_reading.lines);
    reset_reading.router.clear();
    if (text.empty())
        return;  // nothing was reset; the text shown before stays
    report_text_set(XmVANTEROWidgets->AccountingText, text);
    XtAppAddTimeOut(app_context, 0, show_failed_reading, nullptr);
}

void read_and_reset_now()
{
    if (accounting_needs_busy_notice(main_line_list))
        helpfunc_scan_popup(message_text(MSG_GETTING_DATA), 1, 1);
    ListObject* lines = main_line_list;
    if (lines != nullptr && lines->head != nullptr) {
        list_dispose(&reset_reading.lines);
        reset_reading.lines = reading_copy(lines);
        reset_reading.router = helpfunc_selected_box.name;
        if (reset_reading.lines != nullptr)
            lines = reset_reading.lines;
    }
    highstate_get_acc_reset(cbfunc_accounting, lines);
}

void read_and_reset()
{
    router_session_begin_action();
    request_gate_run(read_and_reset_now);
}

}  // namespace

Widget AccountingDialogLayout(Widget parent, WidgetTable* table)
{
    Widget form = helpfunc_create_form_dialog(parent, Dialog::AccountingDialog);

    Widget bar = menu_bar(form);
    Widget head = XtVaCreateManagedWidget(
        "HeadLine", xmLabelWidgetClass, form, XmNleftAttachment, XmATTACH_POSITION, XmNleftPosition,
        2, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, bar, XmNtopOffset, 10, nullptr);
    Widget header =
        XtVaCreateManagedWidget("AccountingHeader", xmLabelWidgetClass, form, XmNleftAttachment,
                                XmATTACH_FORM, XmNleftOffset, 10, XmNtopAttachment, XmATTACH_WIDGET,
                                XmNtopWidget, head, XmNtopOffset, 10, nullptr);

    // The label spans the height of the field beside it, so that the text
    // below keeps its distance from both.
    table->AccountingIDText = XtVaCreateManagedWidget(
        "AccountingIDText", xmTextFieldWidgetClass, form, XmNtopAttachment, XmATTACH_WIDGET,
        XmNtopWidget, header, XmNtopOffset, 8, XmNleftAttachment, XmATTACH_FORM, XmNleftOffset,
        10 + ID_LABEL_WIDTH, XmNrightAttachment, XmATTACH_FORM, XmNrightOffset, 10, XmNeditable,
        False, XmNcursorPositionVisible, False, XmNhighlightThickness, 0, XmNshadowThickness, 0,
        nullptr);
    Widget id_label = XtVaCreateManagedWidget(
        "AccountingIDLabel", xmLabelWidgetClass, form, XmNleftAttachment, XmATTACH_FORM,
        XmNleftOffset, 10, XmNwidth, ID_LABEL_WIDTH, XmNalignment, XmALIGNMENT_BEGINNING,
        XmNtopAttachment, XmATTACH_OPPOSITE_WIDGET, XmNtopWidget, table->AccountingIDText,
        XmNbottomAttachment, XmATTACH_OPPOSITE_WIDGET, XmNbottomWidget, table->AccountingIDText,
        XmNrecomputeSize, False, nullptr);

    table->AccountingReset =
        XtVaCreateManagedWidget("AccountingReset", xmPushButtonWidgetClass, form, XmNleftAttachment,
                                XmATTACH_FORM, XmNleftOffset, 10, XmNbottomAttachment,
                                XmATTACH_FORM, XmNbottomOffset, 10, XmNwidth, RESET_WIDTH, nullptr);
    XtAddCallback(table->AccountingReset, XmNactivateCallback, AccountingCB,
                  action_data(ACCOUNTING_ACTION_RESET));
    table->AccountingClose = XtVaCreateManagedWidget(
        "AccountingClose", xmPushButtonWidgetClass, form, XmNrightAttachment, XmATTACH_FORM,
        XmNrightOffset, 10, XmNbottomAttachment, XmATTACH_FORM, XmNbottomOffset, 10, XmNwidth,
        CLOSE_WIDTH, XmNshowAsDefault, 1, nullptr);
    XtAddCallback(table->AccountingClose, XmNactivateCallback, AccountingCB,
                  action_data(ACCOUNTING_ACTION_CLOSE));
    XtVaSetValues(form, XmNdefaultButton, table->AccountingClose, nullptr);

    table->AccountingText =
        report_text_create(form, "AccountingText", id_label, table->AccountingClose);
    XtAddCallback(form, XmNunmapCallback, window_closed, nullptr);

    report_text_colours(form, table->AccountingText);
    XmAddTabGroup(table->AccountingText);
    XmAddTabGroup(table->AccountingReset);
    XmAddTabGroup(table->AccountingClose);
    table->AccountingDialog = form;
    return form;
}

void AccountingCB(Widget, XtPointer client, XtPointer)
{
    // While a reading runs the window waits for it like the main window.
    if (action_running)
        return;
    switch (action_code(client)) {
    case ACCOUNTING_ACTION_SAVE:
        helpfunc_popup_file_dialog(FILE_SAVE_ACCOUNTING);
        break;
    case ACCOUNTING_ACTION_HELP:
        helpfunc_popup_help(Dialog::AccountingDialog);
        break;
    case ACCOUNTING_ACTION_RESET:
        read_and_reset();
        break;
    case ACCOUNTING_ACTION_CLOSE:
        helpfunc_popdown(Dialog::AccountingDialog);
        break;
    default:
        break;
    }
}

void cbfunc_accounting(ListObject* lines)
{
    helpfunc_create_layout(Dialog::AccountingDialog);
    if (lines != nullptr && lines == reset_reading.lines) {
        take_counters(lines);
        list_dispose(&reset_reading.lines);
        reset_reading.router.clear();
        lines = main_line_list;
    }
    // Otherwise the list handed back is main_line_list itself, now with its
    // counters: the main window's reading walks it directly.
    WidgetTable* t = XmVANTEROWidgets;
    // After a read and reset, counters the router may have reset twice are
    // said to be doubtful instead of shown (a plain read marks none).
    report_text_set(t->AccountingText, accounting_text(lines, highstate_counters_doubtful));
    helpfunc_popdown(Dialog::ScanDialog);
    helpfunc_popup(Dialog::AccountingDialog);
    set_reading_actions(main_line_list != nullptr);
    router_session_end_action();
}
