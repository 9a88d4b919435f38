#include "filter_dialogs.h"

#include <Xm/Label.h>
#include <Xm/List.h>
#include <Xm/PushB.h>
#include <Xm/RowColumn.h>
#include <Xm/Xm.h>

#include <cstdint>

#include "dialog_builders.h"
#include "dialog_entry_points.h"
#include "display_services.h"
#include "filter_fields.h"
#include "globals.h"
#include "list.h"
#include "list_lines.h"
#include "record_defaults.h"
#include "table_list_dialog.h"
#include "toolkit.h"
#include "widget_table.h"

// Labels, fonts and colours of the two dialogs, in the order of their
// widgets.
extern const char* const FilterDialogResources[] = {
    "XmQORVEL*FilterDialog.dialogTitle: Filter Table",
    "XmQORVEL*FilterDialog.FilterHeader.labelString: Filter Table",
    "XmQORVEL*FilterDialog.FilterHeader.fontList: -adobe-helvetica-bold-r-*--14-*-*-*-*-*-*-1",
    "XmQORVEL*FilterDialog.FilterIDLabel.labelString: Router:",
    "XmQORVEL*FilterDialog.FilterIDLabel.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*FilterDialog.FilterClose.labelString: Close",
    "XmQORVEL*FilterDialog.FilterHelp.labelString: Help",
    "XmQORVEL*FilterDialog*OpenFilter.labelString: Open",
    "XmQORVEL*FilterDialog*AddFilter.labelString: Add",
    "XmQORVEL*FilterDialog*DeleteFilter.labelString: Delete",
    "XmQORVEL*FilterDialog*FilterOption.labelString: All Remaining",
    "XmQORVEL*FilterDialog*FilterAllow.labelString: accept",
    "XmQORVEL*FilterDialog*FilterProhibit.labelString: reject",
    "XmQORVEL*FilterDialog*FilterListLabel.labelString: Position   Sending Host         Receiving Host       Service           Action",
    "XmQORVEL*FilterDialog*FilterList.background: cornsilk",
    "XmQORVEL*FilterDialog*FilterList.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    nullptr,
};

extern const char* const Filter2DialogResources[] = {
    "XmQORVEL*Filter2Dialog.dialogTitle: Filter Table",
    "XmQORVEL*Filter2Dialog.Filter2Header.labelString: Edit Filter Information",
    "XmQORVEL*Filter2Dialog.Filter2Header.fontList: -adobe-helvetica-bold-r-*--14-*-*-*-*-*-*-1",
    "XmQORVEL*Filter2Dialog.Filter2IDLabel.labelString: Router:",
    "XmQORVEL*Filter2Dialog.Filter2IDLabel.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*Filter2Dialog.Filter2Ok.labelString: OK",
    "XmQORVEL*Filter2Dialog.Filter2Close.labelString: Cancel",
    "XmQORVEL*Filter2Dialog.Filter2Help.labelString: Help",
    "XmQORVEL*Filter2Dialog*Filter2SLabel.labelString: Sending Host",
    "XmQORVEL*Filter2Dialog*Filter2SLabel.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*Filter2Dialog*Filter2SMaskLabel.labelString: Mask",
    "XmQORVEL*Filter2Dialog*Filter2SMaskText.background: mistyrose3",
    "XmQORVEL*Filter2Dialog*Filter2SCompLabel.labelString: Compare Value",
    "XmQORVEL*Filter2Dialog*Filter2SCompText.background: mistyrose3",
    "XmQORVEL*Filter2Dialog*Filter2RLabel.labelString: Receiving Host",
    "XmQORVEL*Filter2Dialog*Filter2RLabel.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*Filter2Dialog*Filter2RMaskLabel.labelString: Mask",
    "XmQORVEL*Filter2Dialog*Filter2RMaskText.background: mistyrose3",
    "XmQORVEL*Filter2Dialog*Filter2RCompLabel.labelString: Compare Value",
    "XmQORVEL*Filter2Dialog*Filter2RCompText.background: mistyrose3",
    "XmQORVEL*Filter2Dialog*Filter2PortLabel.labelString: Service",
    "XmQORVEL*Filter2Dialog*Filter2PortText.background: mistyrose3",
    "XmQORVEL*Filter2Dialog*Filter2Aktion.labelString: Action",
    "XmQORVEL*Filter2Dialog*A_ACCEPT.labelString: accept",
    "XmQORVEL*Filter2Dialog*A_REJECT.labelString: reject",
    "XmQORVEL*Filter2Dialog*Filter2PosLabel.labelString: Table Position",
    "XmQORVEL*Filter2Dialog*Filter2PosText.background: mistyrose3",
    nullptr,
};

namespace {

constexpr int ADDRESS_FIELD_LENGTH = HOST_LEN;  // characters an address field takes
constexpr int ACTION_MENU_SPACING = 159;        // puts the action's button under the fields

void show_rule(const void* rule, int position)
{
    helpfunc_set_filter2_data(*static_cast<const FilterEntry*>(rule), position);
}

const TableListDialog FILTERS = {
    Dialog::FilterDialog,
    Dialog::Filter2Dialog,
    &WidgetTable::FilterList,
    &WidgetTable::OpenFilter,
    &WidgetTable::DeleteFilter,
    &WidgetTable::AddFilter,
    &main_filter_list,
    filter_listed_count,
    filter_can_add,
    filter_list_lines,
    show_rule,
};

Widget menu_button(Widget menu, const char* name)
{
    return XtVaCreateManagedWidget(name, xmPushButtonWidgetClass, menu, XmNmarginWidth, 4, nullptr);
}

// "All Remaining": the default rule's action, between the list and "Open".
Widget default_rule_menu(Widget inner, Widget open, XtCallbackProc callback, WidgetTable* table)
{
    Arg args[6];
    Cardinal n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNbottomAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNbottomWidget, open);
    ++n;
    XtSetArg(args[n], XmNbottomOffset, 15);
    ++n;
    XtSetArg(args[n], XmNmarginWidth, 0);
    ++n;
    Widget option = CreateOptionMenu(inner, "FilterOption", args, n);
    Widget menu = CreatePulldownMenu(option, "FilterOptionMenu", nullptr, 0);
    table->FilterAllow = menu_button(menu, "FilterAllow");
    XtAddCallback(table->FilterAllow, XmNactivateCallback, callback,
                  action_data(FILTER_DEFAULT_ACCEPT));
    table->FilterProhibit = menu_button(menu, "FilterProhibit");
    XtAddCallback(table->FilterProhibit, XmNactivateCallback, callback,
                  action_data(FILTER_DEFAULT_REJECT));
    XtManageChild(option);
    table->FilterOption = option;
    return option;
}

Widget group_label(Widget inner, const char* name, Widget above, int offset)
{
    return XtVaCreateManagedWidget(
        name, xmLabelWidgetClass, inner, XmNleftAttachment, XmATTACH_FORM, XmNtopAttachment,
        above != nullptr ? XmATTACH_WIDGET : XmATTACH_FORM, XmNtopWidget, above, XmNtopOffset,
        offset, XmNalignment, XmALIGNMENT_BEGINNING, nullptr);
}

Widget focus_field(FilterField field)
{
    WidgetTable* t = XmVANTEROWidgets;
    switch (field) {
    case FilterField::SendMask:
        return t->Filter2SMaskText;
    case FilterField::SendMatch:
        return t->Filter2SCompText;
    case FilterField::ReceiveMask:
        return t->Filter2RMaskText;
    case FilterField::ReceiveMatch:
        return t->Filter2RCompText;
    case FilterField::Service:
        return t->Filter2PortText;
    case FilterField::Position:
        return t->Filter2PosText;
    default:
        break;
    }
    return nullptr;
}

// "All Remaining" shows the action of the table's last rule.
void show_default_rule()
{
    WidgetTable* t = XmVANTEROWidgets;
    const int action = filter_default_action(main_filter_list);
    if (t->FilterOption != nullptr && action >= 0)
        XtVaSetValues(t->FilterOption, XmNmenuHistory,
                      action != 0 ? t->FilterAllow : t->FilterProhibit, nullptr);
}

void store_rule()
{
    const int edit = table_list_edit_position(FILTERS);
    if (edit < 0) {
        // The filter table is gone (a failure of the router dropped the
        // tables): there is nothing left to store into.
        helpfunc_popdown(Dialog::Filter2Dialog);
        return;
    }
    FilterEntry rule;
    const int fault = helpfunc_check_filter2_data(helpfunc_get_filter2_data(), edit == 0, &rule);
    if (fault != 0) {
        // The check has moved the focus to the faulty field; the dialog
        // stays up with what was typed.
        helpfunc_input_error(Dialog::Filter2Dialog, fault);
        return;
    }
    table_list_stored(FILTERS, filter_store(main_filter_list, edit, rule));
}

}  // namespace

Widget FilterDialogLayout(Widget parent, WidgetTable* table)
{
    const TableLayoutNames names = {"FilterHeader",    "FilterIDLabel", "FilterIDText",
                                    "FilterClose",     "FilterHelp",    "FilterForm",
                                    "OpenFilter",      "AddFilter",     "DeleteFilter",
                                    "FilterListLabel", "FilterList"};
    const TableLayoutCodes codes = {FILTER_OPEN,   FILTER_DOUBLE_CLICK, FILTER_ADD,  FILTER_DELETE,
                                    FILTER_SELECT, FILTER_HELP,         FILTER_CLOSE};
    TableLayout l = table_list_layout(parent, Dialog::FilterDialog, names, codes, FilterCB,
                                      default_rule_menu, table);
    // The Close button is also what Escape presses.
    XtVaSetValues(l.form, XmNcancelButton, l.close, nullptr);
    table->FilterIDText = l.id_text;
    table->FilterHelp = l.help;
    table->FilterClose = l.close;
    table->OpenFilter = l.open;
    table->DeleteFilter = l.remove;
    table->AddFilter = l.add;
    table->FilterList = l.list;
    table->FilterDialog = l.form;
    return l.form;
}

Widget Filter2DialogLayout(Widget parent, WidgetTable* table)
{
    const EditLayoutNames names = {"Filter2Header", "Filter2IDLabel", "Filter2IDText", "Filter2Ok",
                                   "Filter2Close",  "Filter2Help",    "Filter2Form"};
    EditLayout l = edit_dialog_layout(parent, Dialog::Filter2Dialog, names, Filter2CB);
    Widget sending = group_label(l.inner, "Filter2SLabel", nullptr, 10);
    EditRow send_mask = edit_dialog_row(l.inner, "Filter2SMaskLabel", "Filter2SMaskText", sending,
                                        0, 10, ADDRESS_FIELD_LENGTH);
    EditRow send_match = edit_dialog_row(l.inner, "Filter2SCompLabel", "Filter2SCompText",
                                         send_mask.label, 0, 10, ADDRESS_FIELD_LENGTH);
    Widget receiving = group_label(l.inner, "Filter2RLabel", send_match.label, 5);
    EditRow receive_mask = edit_dialog_row(l.inner, "Filter2RMaskLabel", "Filter2RMaskText",
                                           receiving, 0, 10, ADDRESS_FIELD_LENGTH);
    EditRow receive_match = edit_dialog_row(l.inner, "Filter2RCompLabel", "Filter2RCompText",
                                            receive_mask.label, 0, 10, ADDRESS_FIELD_LENGTH);
    EditRow service = edit_dialog_row(l.inner, "Filter2PortLabel", "Filter2PortText",
                                      receive_match.label, 20, 150, 0);

    Arg args[8];
    Cardinal n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNtopWidget, service.label);
    ++n;
    XtSetArg(args[n], XmNtopOffset, 20);
    ++n;
    XtSetArg(args[n], XmNspacing, ACTION_MENU_SPACING);
    ++n;
    XtSetArg(args[n], XmNmarginWidth, 0);
    ++n;
    Widget action = CreateOptionMenu(l.inner, "Filter2Aktion", args, n);
    Widget menu = CreatePulldownMenu(action, "Filter2AktionMenu", nullptr, 0);
    table->A_ACCEPT = menu_button(menu, "A_ACCEPT");
    table->A_REJECT = menu_button(menu, "A_REJECT");
    XtManageChild(action);

    EditRow position =
        edit_dialog_row(l.inner, "Filter2PosLabel", "Filter2PosText", action, 25, 200, 0);
    table_tab_groups({send_mask.field, send_match.field, receive_mask.field, receive_match.field,
                      service.field, action, position.field, l.ok, l.cancel, l.help});

    table->Filter2IDText = l.id_text;
    table->Filter2Ok = l.ok;
    table->Filter2Help = l.help;
    table->Filter2Close = l.cancel;
    table->Filter2SMaskText = send_mask.field;
    table->Filter2SCompText = send_match.field;
    table->Filter2RMaskText = receive_mask.field;
    table->Filter2RCompText = receive_match.field;
    table->Filter2PortText = service.field;
    table->Filter2Aktion = action;
    table->Filter2PosText = position.field;
    table->Filter2Dialog = l.form;
    return l.form;
}

void FilterDialogSetData()
{
    table_list_fill(FILTERS);
    show_default_rule();
}

void helpfunc_fill_filter_list(Widget list)
{
    table_list_set_lines(list, main_filter_list != nullptr ? filter_list_lines(main_filter_list)
                                                           : std::vector<std::string>());
    show_default_rule();
}

void helpfunc_set_filter2_data(const FilterEntry& rule, int position)
{
    WidgetTable* t = XmVANTEROWidgets;
    const FilterView view = filter_view(rule, position);
    helpfunc_set_field(t->Filter2SMaskText, view.send_mask.c_str());
    helpfunc_set_field(t->Filter2SCompText, view.send_match.c_str());
    helpfunc_set_field(t->Filter2RMaskText, view.receive_mask.c_str());
    helpfunc_set_field(t->Filter2RCompText, view.receive_match.c_str());
    helpfunc_set_field(t->Filter2PortText, view.service.c_str());
    XtVaSetValues(t->Filter2Aktion, XmNmenuHistory, view.accept ? t->A_ACCEPT : t->A_REJECT,
                  nullptr);
    helpfunc_set_field(t->Filter2PosText, view.position.c_str());
}

Filter2Texts helpfunc_get_filter2_data()
{
    WidgetTable* t = XmVANTEROWidgets;
    Widget chosen = nullptr;
    XtVaGetValues(t->Filter2Aktion, XmNmenuHistory, &chosen, nullptr);
    Filter2Texts texts;
    texts.send_mask = table_field_text(t->Filter2SMaskText);
    texts.send_match = table_field_text(t->Filter2SCompText);
    texts.receive_mask = table_field_text(t->Filter2RMaskText);
    texts.receive_match = table_field_text(t->Filter2RCompText);
    texts.service = table_field_text(t->Filter2PortText);
    texts.position = table_field_text(t->Filter2PosText);
    texts.accept = chosen == t->A_ACCEPT;
    return texts;
}

int helpfunc_check_filter2_data(const Filter2Texts& texts, bool adding, FilterEntry* rule)
{
    const int count = main_filter_list != nullptr ? main_filter_list->count : 0;
    const FilterFields fields = {texts.send_mask.c_str(),    texts.send_match.c_str(),
                                 texts.receive_mask.c_str(), texts.receive_match.c_str(),
                                 texts.service.c_str(),      texts.accept,
                                 texts.position.c_str()};
    const FilterCheck check = filter_from_fields(fields, count, adding, rule);
    if (check.code != FILTER_OK) {
        if (Widget field = focus_field(check.focus))
            XmProcessTraversal(field, XmTRAVERSE_CURRENT);
    }
    return check.code;
}

void FilterCB(Widget, XtPointer client, XtPointer call)
{
    const int action = action_code(client);
    switch (action) {
    case FILTER_OPEN:
        table_list_open(FILTERS, table_list_selected(FILTERS));
        break;
    case FILTER_DOUBLE_CLICK:
        if (call != nullptr)
            table_list_open(FILTERS, static_cast<XmListCallbackStruct*>(call)->item_position);
        break;
    case FILTER_ADD:
        table_list_add(FILTERS, &filter_defaults);
        break;
    case FILTER_DELETE:
        table_list_delete(FILTERS);
        break;
    case FILTER_SELECT:
        table_list_selection(FILTERS);
        break;
    case FILTER_HELP:
        helpfunc_popup_help(Dialog::FilterDialog);
        break;
    case FILTER_DEFAULT_ACCEPT:
        filter_set_default_action(main_filter_list, 1);
        break;
    case FILTER_DEFAULT_REJECT:
        filter_set_default_action(main_filter_list, 0);
        break;
    case FILTER_CLOSE:
        table_list_close(FILTERS);
        break;
    default:
        break;
    }
}

void Filter2CB(Widget, XtPointer client, XtPointer)
{
    switch (action_code(client)) {
    case EDIT_OK:
        store_rule();
        break;
    case EDIT_HELP:
        helpfunc_popup_help(Dialog::Filter2Dialog);
        break;
    case EDIT_CANCEL:
        helpfunc_popdown(Dialog::Filter2Dialog);
        break;
    default:
        break;
    }
}
