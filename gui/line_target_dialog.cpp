#include "line_target_dialog.h"

#include <Xm/CascadeB.h>
#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/List.h>
#include <Xm/PushB.h>
#include <Xm/RowColumn.h>
#include <Xm/ScrolledW.h>
#include <Xm/Separator.h>
#include <Xm/TextF.h>

#include <cstdint>
#include <string>
#include <vector>

#include "config_file.h"
#include "dialog_builders.h"
#include "dialog_entry_points.h"
#include "dialog_registry.h"
#include "display_services.h"
#include "display_texts.h"
#include "file_messages.h"
#include "globals.h"
#include "highstate.h"
#include "line_target_editor.h"
#include "line_target_fields.h"
#include "list.h"
#include "list_lines.h"
#include "main_window_states.h"
#include "message_tables.h"
#include "protocols.h"
#include "record_defaults.h"
#include "request_gate.h"
#include "table_sync.h"
#include "table_write_mark.h"
#include "toolkit.h"
#include "unknown_protocols_notice.h"
#include "widget_table.h"

// Title, menus, labels, buttons and the list, in the order of the widgets.
// The head line's title is one of the application-wide lines.
extern const char* const ConfigDialogResources[] = {
    "XmQORVEL*ConfigDialog.dialogTitle: Target Configuration",
    "XmQORVEL*ConfigDialog*ConfigFileCascade.labelString: File",
    "XmQORVEL*ConfigDialog*ConfigFileCascade.mnemonic: F",
    "XmQORVEL*ConfigFileMenu.ConfigLoad.labelString: Load",
    "XmQORVEL*ConfigFileMenu.ConfigLoad.mnemonic: L",
    "XmQORVEL*ConfigFileMenu.ConfigSave.labelString: Save",
    "XmQORVEL*ConfigFileMenu.ConfigSave.mnemonic: S",
    "XmQORVEL*ConfigDialog*ConfigHelpCascade.labelString: Help",
    "XmQORVEL*ConfigDialog*ConfigHelpCascade.mnemonic: H",
    "XmQORVEL*ConfigHelpMenu.ConfigHelpHelp.labelString: Help",
    "XmQORVEL*ConfigHelpMenu.ConfigHelpHelp.mnemonic: H",
    "XmQORVEL*ConfigDialog.ConfigHeader.labelString: Line Targets",
    "XmQORVEL*ConfigDialog.ConfigHeader.fontList: -adobe-helvetica-bold-r-*--14-*-*-*-*-*-*-1",
    "XmQORVEL*ConfigDialog.ConfigIDLabel.labelString: Router:",
    "XmQORVEL*ConfigDialog.ConfigIDLabel.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*ConfigDialog.ConfigOk.labelString: OK",
    "XmQORVEL*ConfigDialog.ConfigClose.labelString: Cancel",
    "XmQORVEL*ConfigDialog*DefineRouteTable.labelString: Routing Table",
    "XmQORVEL*ConfigDialog*DefineFilterTable.labelString: Filter Table",
    "XmQORVEL*ConfigDialog*TableLabel.labelString: Table Definitions",
    "XmQORVEL*ConfigDialog*TableLabel.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*ConfigDialog*OpenLine.labelString: Open",
    "XmQORVEL*ConfigDialog*AddLine.labelString: Add",
    "XmQORVEL*ConfigDialog*DeleteLine.labelString: Delete",
    "XmQORVEL*ConfigDialog*LineList.background: cornsilk",
    "XmQORVEL*ConfigDialog*LineList.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    nullptr,
};

namespace {

constexpr int OK_CANCEL_WIDTH = 90;
constexpr int TABLE_BUTTON_WIDTH = 100;
constexpr int ID_LABEL_WIDTH = 70;
constexpr int LIST_VISIBLE_LINES = 10;

Widget push_button(Widget parent, const char* name, ConfigAction a, ArgList args, Cardinal n)
{
    Widget button = XmCreatePushButton(parent, const_cast<char*>(name), args, n);
    XtAddCallback(button, XmNactivateCallback, ConfigCB, action_data(a));
    XtManageChild(button);
    return button;
}

Widget menu_bar(Widget form)
{
    Widget bar = XtVaCreateWidget("ConfigMenuBar", xmRowColumnWidgetClass, form, XmNrowColumnType,
                                  XmMENU_BAR, XmNleftAttachment, XmATTACH_FORM, XmNrightAttachment,
                                  XmATTACH_FORM, XmNtopAttachment, XmATTACH_FORM, nullptr);

    Widget file = XmCreateCascadeButton(bar, const_cast<char*>("ConfigFileCascade"), nullptr, 0);
    Arg shadow;
    XtSetArg(shadow, XmNshadowThickness, 1);
    Widget file_menu = CreatePulldownMenu(file, "ConfigFileMenu", &shadow, 1);
    push_button(file_menu, "ConfigLoad", CONFIG_LOAD, nullptr, 0);
    push_button(file_menu, "ConfigSave", CONFIG_SAVE, nullptr, 0);
    XtManageChild(file);

    Widget help = XmCreateCascadeButton(bar, const_cast<char*>("ConfigHelpCascade"), nullptr, 0);
    Widget help_menu = CreatePulldownMenu(help, "ConfigHelpMenu", &shadow, 1);
    push_button(help_menu, "ConfigHelpHelp", CONFIG_HELP, nullptr, 0);
    XtManageChild(help);
    XtVaSetValues(bar, XmNmenuHelpWidget, help, nullptr);

    XtManageChild(bar);
    return bar;
}

// The list, its buttons and the table buttons, bottom up. The spacings are
// those that leave room for the list's ten lines in the dialog's height.
void line_form_children(Widget line_form, WidgetTable* table)
{
    Widget separator = XtVaCreateManagedWidget(
        "BottomSeparator", xmSeparatorWidgetClass, line_form, XmNleftAttachment, XmATTACH_FORM,
        XmNrightAttachment, XmATTACH_FORM, XmNbottomAttachment, XmATTACH_FORM, nullptr);

    Arg args[10];
    Cardinal n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNbottomAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNbottomWidget, separator);
    ++n;
    XtSetArg(args[n], XmNbottomOffset, 5);
    ++n;
    XtSetArg(args[n], XmNwidth, TABLE_BUTTON_WIDTH);
    ++n;
    table->DefineRouteTable = push_button(line_form, "DefineRouteTable", CONFIG_ROUTES, args, n);

    n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNbottomAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNbottomWidget, table->DefineRouteTable);
    ++n;
    XtSetArg(args[n], XmNbottomOffset, 5);
    ++n;
    XtSetArg(args[n], XmNwidth, TABLE_BUTTON_WIDTH);
    ++n;
    table->DefineFilterTable = push_button(line_form, "DefineFilterTable", CONFIG_FILTERS, args, n);

    Widget table_label = XtVaCreateManagedWidget(
        "TableLabel", xmLabelWidgetClass, line_form, XmNalignment, XmALIGNMENT_BEGINNING,
        XmNleftAttachment, XmATTACH_FORM, XmNbottomAttachment, XmATTACH_WIDGET, XmNbottomWidget,
        table->DefineFilterTable, XmNbottomOffset, 3, nullptr);

    n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNbottomAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNbottomWidget, table_label);
    ++n;
    XtSetArg(args[n], XmNbottomOffset, 6);
    ++n;
    XtSetArg(args[n], XmNwidth, TABLE_BUTTON_WIDTH);
    ++n;
    XtSetArg(args[n], XmNsensitive, False);
    ++n;
    table->OpenLine = push_button(line_form, "OpenLine", CONFIG_OPEN, args, n);

    n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_POSITION);
    ++n;
    XtSetArg(args[n], XmNleftPosition, 50);
    ++n;
    XtSetArg(args[n], XmNleftOffset, -TABLE_BUTTON_WIDTH / 2);
    ++n;
    XtSetArg(args[n], XmNbottomAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNbottomWidget, table_label);
    ++n;
    XtSetArg(args[n], XmNbottomOffset, 6);
    ++n;
    XtSetArg(args[n], XmNwidth, TABLE_BUTTON_WIDTH);
    ++n;
    table->AddLine = push_button(line_form, "AddLine", CONFIG_ADD, args, n);

    n = 0;
    XtSetArg(args[n], XmNrightAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNbottomAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNbottomWidget, table_label);
    ++n;
    XtSetArg(args[n], XmNbottomOffset, 6);
    ++n;
    XtSetArg(args[n], XmNwidth, TABLE_BUTTON_WIDTH);
    ++n;
    XtSetArg(args[n], XmNsensitive, False);
    ++n;
    table->DeleteLine = push_button(line_form, "DeleteLine", CONFIG_DELETE, args, n);

    n = 0;
    XtSetArg(args[n], XmNselectionPolicy, XmSINGLE_SELECT);
    ++n;
    XtSetArg(args[n], XmNscrollBarDisplayPolicy, XmSTATIC);
    ++n;
    XtSetArg(args[n], XmNvisibleItemCount, LIST_VISIBLE_LINES);
    ++n;
    Widget list = XmCreateScrolledList(line_form, const_cast<char*>("LineList"), args, n);
    // Hung from the top only: the list keeps the height of its ten lines.
    XtVaSetValues(XtParent(list), XmNleftAttachment, XmATTACH_FORM, XmNrightAttachment,
                  XmATTACH_FORM, XmNtopAttachment, XmATTACH_FORM, nullptr);
    XtAddCallback(list, XmNdefaultActionCallback, ConfigCB, action_data(CONFIG_DOUBLE_CLICK));
    XtAddCallback(list, XmNsingleSelectionCallback, ConfigCB, action_data(CONFIG_SELECT));
    XtManageChild(list);
    table->LineList = list;
}

int count_of(const ListObject* list)
{
    return list != nullptr ? list->count : 0;
}

void line_buttons(bool sensitive)
{
    XtSetSensitive(XmVANTEROWidgets->OpenLine, sensitive ? True : False);
    XtSetSensitive(XmVANTEROWidgets->DeleteLine, sensitive ? True : False);
}

void apply_buttons(TablesButtons buttons)
{
    switch (buttons) {
    case TablesButtons::Unchanged:
        break;
    case TablesButtons::WithLineTargets:
        helpfunc_main_state(MainState::REGISTERED_LINES);
        break;
    case TablesButtons::NoLineTargets:
        helpfunc_main_state(MainState::REGISTERED_NO_LINES);
        break;
    case TablesButtons::UnknownProtocols:
        helpfunc_main_state(MainState::REGISTERED_UNKNOWN);
        break;
    }
}

void replace_by_copy(ListObject** edited, ListObject* copy)
{
    if (copy == nullptr)
        return;
    if (*edited != nullptr)
        (*edited)->ops->list_destroy(*edited);
    *edited = copy->ops->list_copy(copy);
}

// Opens the editor on the line target at a 1-based position of the list.
void edit_line(int position)
{
    if (main_line_list == nullptr || position < 1 || position > main_line_list->count)
        return;
    ListNode* node = main_line_list->ops->list_get_at(main_line_list, position);
    if (node == nullptr || node->element == nullptr)
        return;
    // The editor is built before it is filled: the first use may well be a
    // double click.
    helpfunc_create_layout(Dialog::Config2Dialog);
    selected_elem = node;
    XmListSelectPos(XmVANTEROWidgets->LineList, position, False);
    line_buttons(true);
    helpfunc_set_config2_data(static_cast<const LineTarget*>(node->element));
    XtUnmanageChild(XmVANTEROWidgets->CreateRoute);
    helpfunc_popup(Dialog::Config2Dialog);
}

void add_line()
{
    if (main_line_list == nullptr ||
        !line_target_can_add(main_line_list->count, helpfunc_selected_box.cfg.line_type))
        return;
    selected_elem = nullptr;
    helpfunc_create_layout(Dialog::Config2Dialog);
    helpfunc_set_config2_data(&line_defaults);
    XtManageChild(XmVANTEROWidgets->CreateRoute);
    helpfunc_popup(Dialog::Config2Dialog);
}

void delete_line()
{
    const int position = helpfunc_first_selected(XmVANTEROWidgets->LineList);
    if (main_line_list == nullptr || position < 1)
        return;
    selected_elem = nullptr;
    main_line_list->ops->list_remove_at(main_line_list, position);
    line_buttons(false);
    helpfunc_popup(Dialog::ConfigDialog);
}

void write_tables()
{
    // After a failure the tables are gone; there is nothing left to write.
    if (main_line_list == nullptr || main_line_list_copy == nullptr)
        return;
    if (tables_write_shows_notice(main_line_list, main_line_list_copy, main_route_list,
                                  main_route_list_copy, main_filter_list, main_filter_list_copy))
        helpfunc_scan_popup(message_text(MSG_PUTTING_DATA), 0, 1);
    router_session_begin_action();
    request_gate_run([] {
        helpfunc_set_cursor(1);
        table_write_started();
        interface_save_config(main_line_list, main_line_list_copy, main_route_list,
                              main_route_list_copy, main_filter_list, main_filter_list_copy,
                              cbfunc_put_config);
    });
}

void cancel_edits()
{
    selected_elem = nullptr;
    replace_by_copy(&main_line_list, main_line_list_copy);
    replace_by_copy(&main_route_list, main_route_list_copy);
    replace_by_copy(&main_filter_list, main_filter_list_copy);
    helpfunc_popdown(Dialog::ConfigDialog);
    XmListDeselectAllItems(XmVANTEROWidgets->LineList);
    line_buttons(false);
}

// The resource text of the unknown-protocols notice, taken before the
// program first changes it, so that a translated text comes back whenever
// it tells the truth.
std::string& notice_resource_text()
{
    static std::string text;
    return text;
}

void show_unknown_protocols(UnknownDefinitions definitions, bool saved, const char* add_name,
                            const char* save_name)
{
    helpfunc_create_layout(Dialog::Error2Dialog);
    Widget message = XmVANTEROWidgets->Error2DialogMessage;
    if (message != nullptr) {
        static bool taken = false;
        if (!taken) {
            notice_resource_text() = helpfunc_label_text(message);
            taken = true;
        }
        const std::string text =
            unknown_notice_is_standard(definitions, saved, add_name, save_name)
                ? notice_resource_text()
                : unknown_protocols_notice(definitions, saved, add_name, save_name);
        helpfunc_set_label(message, text.c_str());
    }
    helpfunc_popup(Dialog::Error2Dialog);
}

}  // namespace

Widget ConfigDialogLayout(Widget parent, WidgetTable* table)
{
    Widget form = helpfunc_create_form_dialog(parent, Dialog::ConfigDialog);

    Widget bar = menu_bar(form);
    Widget head = XtVaCreateManagedWidget(
        "HeadLine", xmLabelWidgetClass, form, XmNalignment, XmALIGNMENT_BEGINNING,
        XmNleftAttachment, XmATTACH_POSITION, XmNleftPosition, 2, XmNtopAttachment, XmATTACH_WIDGET,
        XmNtopWidget, bar, XmNtopOffset, 10, nullptr);
    Widget header = XtVaCreateManagedWidget(
        "ConfigHeader", xmLabelWidgetClass, form, XmNalignment, XmALIGNMENT_BEGINNING,
        XmNleftAttachment, XmATTACH_POSITION, XmNleftPosition, 2, XmNtopAttachment, XmATTACH_WIDGET,
        XmNtopWidget, head, XmNtopOffset, 10, nullptr);
    Widget id_label = XtVaCreateManagedWidget(
        "ConfigIDLabel", xmLabelWidgetClass, form, XmNalignment, XmALIGNMENT_BEGINNING, XmNwidth,
        ID_LABEL_WIDTH, XmNrecomputeSize, False, XmNleftAttachment, XmATTACH_WIDGET, XmNleftWidget,
        header, XmNleftOffset, 20, XmNtopAttachment, XmATTACH_OPPOSITE_WIDGET, XmNtopWidget, header,
        nullptr);
    table->ConfigIDText = XtVaCreateManagedWidget(
        "ConfigIDText", xmTextFieldWidgetClass, form, XmNeditable, False, XmNcursorPositionVisible,
        False, XmNshadowThickness, 0, XmNhighlightThickness, 0, XmNtraversalOn, False,
        XmNleftAttachment, XmATTACH_WIDGET, XmNleftWidget, id_label, XmNrightAttachment,
        XmATTACH_FORM, XmNrightOffset, 10, XmNtopAttachment, XmATTACH_OPPOSITE_WIDGET, XmNtopWidget,
        header, XmNtopOffset, -5, nullptr);

    Arg args[8];
    Cardinal n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_POSITION);
    ++n;
    XtSetArg(args[n], XmNleftPosition, 10);
    ++n;
    XtSetArg(args[n], XmNbottomAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNbottomOffset, 10);
    ++n;
    XtSetArg(args[n], XmNwidth, OK_CANCEL_WIDTH);
    ++n;
    XtSetArg(args[n], XmNshowAsDefault, 1);
    ++n;
    table->ConfigOk = push_button(form, "ConfigOk", CONFIG_OK, args, n);

    n = 0;
    XtSetArg(args[n], XmNrightAttachment, XmATTACH_POSITION);
    ++n;
    XtSetArg(args[n], XmNrightPosition, 90);
    ++n;
    XtSetArg(args[n], XmNbottomAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNbottomOffset, 10);
    ++n;
    XtSetArg(args[n], XmNwidth, OK_CANCEL_WIDTH);
    ++n;
    table->ConfigClose = push_button(form, "ConfigClose", CONFIG_CANCEL, args, n);
    XtVaSetValues(form, XmNdefaultButton, table->ConfigOk, XmNcancelButton, table->ConfigClose,
                  nullptr);

    Widget line_form = XtVaCreateWidget(
        "LineForm", xmFormWidgetClass, form, XmNresizePolicy, XmRESIZE_NONE, XmNleftAttachment,
        XmATTACH_FORM, XmNleftOffset, 10, XmNrightAttachment, XmATTACH_FORM, XmNrightOffset, 10,
        XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, header, XmNtopOffset, 10,
        XmNbottomAttachment, XmATTACH_WIDGET, XmNbottomWidget, table->ConfigOk, XmNbottomOffset, 6,
        nullptr);
    line_form_children(line_form, table);
    XtManageChild(line_form);

    helpfunc_list_colours(form, table->LineList);
    for (Widget w :
         {table->LineList, table->OpenLine, table->AddLine, table->DeleteLine,
          table->DefineFilterTable, table->DefineRouteTable, table->ConfigClose, table->ConfigOk})
        XmAddTabGroup(w);

    table->ConfigDialog = form;
    return form;
}

void ConfigDialogSetData()
{
    WidgetTable* t = XmVANTEROWidgets;
    helpfunc_fill_line_list(t->LineList);
    const bool can_add =
        line_target_can_add(count_of(main_line_list), helpfunc_selected_box.cfg.line_type);
    XtSetSensitive(t->AddLine, can_add ? True : False);
    // The list comes back without a selection, so there is nothing to open
    // or delete until the user picks a line.
    line_buttons(false);
}

void helpfunc_fill_line_list(Widget list)
{
    if (list == nullptr)
        return;
    XmListDeleteAllItems(list);
    for (const std::string& line : line_target_list_lines(main_line_list)) {
        CompoundString item(line.c_str());
        XmListAddItemUnselected(list, item, 0);
    }
    XmListDeselectAllItems(list);
}

void ConfigCB(Widget, XtPointer client, XtPointer call)
{
    const int code = action_code(client);
    // While the tables are being written every action waits for the end.
    if (action_running || code < CONFIG_LOAD || code > CONFIG_SELECT)
        return;
    WidgetTable* t = XmVANTEROWidgets;
    auto* cbs = static_cast<XmListCallbackStruct*>(call);
    switch (code) {
    case CONFIG_LOAD:
        helpfunc_popup_file_dialog(FILE_LOAD_CONFIG);
        break;
    case CONFIG_SAVE:
        helpfunc_popup_file_dialog(FILE_SAVE_CONFIG);
        break;
    case CONFIG_HELP:
        helpfunc_popup_help(Dialog::ConfigDialog);
        break;
    case CONFIG_OPEN:
        edit_line(helpfunc_first_selected(t->LineList));
        break;
    case CONFIG_DOUBLE_CLICK:
        if (cbs != nullptr)
            edit_line(cbs->item_position);
        break;
    case CONFIG_ADD:
        add_line();
        break;
    case CONFIG_DELETE:
        delete_line();
        break;
    case CONFIG_FILTERS:
        helpfunc_popup(Dialog::FilterDialog);
        break;
    case CONFIG_ROUTES:
        helpfunc_popup(Dialog::RouteDialog);
        break;
    case CONFIG_OK:
        write_tables();
        break;
    case CONFIG_CANCEL:
        cancel_edits();
        break;
    case CONFIG_SELECT:
        line_buttons(helpfunc_first_selected(t->LineList) > 0);
        break;
    }
}

void cbfunc_get_config(ListObject* lines, ListObject* routes, ListObject* filters)
{
    // A registration hands over the only tables there are.
    main_forget_tables();
    table_write_done();
    main_line_list = lines;
    main_line_list_copy = lines != nullptr ? lines->ops->list_copy(lines) : nullptr;
    main_route_list = routes;
    main_route_list_copy = routes != nullptr ? routes->ops->list_copy(routes) : nullptr;
    main_filter_list = filters;
    main_filter_list_copy = filters != nullptr ? filters->ops->list_copy(filters) : nullptr;

    helpfunc_set_cursor(0);
    helpfunc_popdown(Dialog::ScanDialog);

    int unknown = 0;
    SavedName added;
    const bool add_ok = file_write_protocols(main_line_list, &unknown, &added) != 0;
    if (unknown) {
        apply_buttons(TablesButtons::UnknownProtocols);
        SavedName saved;
        const bool copied = file_save_emergency(main_line_list, main_route_list, main_filter_list,
                                                &helpfunc_selected_box.cfg, &saved) != 0;
        show_unknown_protocols(unknown_definitions_outcome(main_line_list, add_ok), copied,
                               file_add_shown_name(added),
                               copied ? saved.path : CFG_EMERGENCY_PATH);
    } else {
        apply_buttons(tables_buttons_after_read(count_of(main_line_list), false));
        XmProcessTraversal(XmVANTEROWidgets->ConfigureRouter, XmTRAVERSE_CURRENT);
    }
    router_session_end_action();
}

void cbfunc_put_config(int count)
{
    const int new_lines = count_of(main_line_list);
    const int old_lines = count_of(main_line_list_copy);
    table_write_done();

    // What was written is now what the router holds.
    if (main_line_list != nullptr) {
        replace_by_copy(&main_line_list_copy, main_line_list);
        if (main_route_list != nullptr)
            replace_by_copy(&main_route_list_copy, main_route_list);
        if (main_filter_list != nullptr)
            replace_by_copy(&main_filter_list_copy, main_filter_list);
    }

    WidgetTable* t = XmVANTEROWidgets;
    helpfunc_set_cursor(0);
    helpfunc_popdown(Dialog::ScanDialog);
    helpfunc_popdown(Dialog::ConfigDialog);
    if (t->LineList != nullptr) {
        XmListDeselectAllItems(t->LineList);
        line_buttons(false);
    }
    apply_buttons(tables_buttons_after_write(old_lines, new_lines));
    if (tables_write_shows_saved_message(count))
        helpfunc_error_popup(message_text(MSG_SAVED_DEREGISTER_TO_ACTIVATE), 0, ERROR_KIND_MESSAGE);
    helpfunc_set_cursor(0);
    router_session_end_action();
}
