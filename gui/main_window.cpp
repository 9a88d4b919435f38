#include "main_window.h"

#include <Xm/CascadeB.h>
#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/List.h>
#include <Xm/PushB.h>
#include <Xm/RowColumn.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "dialog_entry_points.h"
#include "display_services.h"
#include "display_texts.h"
#include "globals.h"
#include "record_defaults.h"
#include "request_gate.h"
#include "highstate.h"
#include "line_monitor.h"
#include "list.h"
#include "message_tables.h"
#include "myutil.h"
#include "router_list.h"
#include "router_overview.h"
#include "toolkit.h"
#include "widget_table.h"

// Labels, mnemonics and fonts of the main window, in the order of its
// widgets. The head line's title is one of the application-wide lines.
extern const char* const MainFormResources[] = {
    "XmQORVEL*MainMenuBar.File.labelString: File",
    "XmQORVEL*MainMenuBar.File.mnemonic: F",
    "XmQORVEL*FileMenu.Exit.labelString: Quit",
    "XmQORVEL*FileMenu.Exit.mnemonic: Q",
    "XmQORVEL*MainMenuBar.Help.labelString: Help",
    "XmQORVEL*MainMenuBar.Help.mnemonic: H",
    "XmQORVEL*HelpMenu.HelpHelp.labelString: Help",
    "XmQORVEL*HelpMenu.HelpHelp.mnemonic: H",
    "XmQORVEL*MainForm.MainLabel.labelString: Router Selection",
    "XmQORVEL*MainForm.MainLabel.fontList: -adobe-helvetica-bold-r-*--14-*-*-*-*-*-*-1",
    "XmQORVEL*MainForm.ConfigLabel.labelString: Configuration",
    "XmQORVEL*MainForm.ConfigLabel.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*MainForm.ConfigureRouter.labelString: Router",
    "XmQORVEL*MainForm.ConfigureLines.labelString: Line Targets",
    "XmQORVEL*MainForm.LineMonitorLabel.labelString: Line Monitor",
    "XmQORVEL*MainForm.LineMonitorLabel.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*MainForm.LineMonitor.labelString: Connections",
    "XmQORVEL*MainForm.AccountingLabel.labelString: Information",
    "XmQORVEL*MainForm.AccountingLabel.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*MainForm.Accounting.labelString: Accounting",
    "XmQORVEL*MainForm*SelectionList.background: cornsilk",
    "XmQORVEL*MainForm*SelectionList.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    "XmQORVEL*MainForm.Open.labelString: Register",
    "XmQORVEL*MainForm.Close.labelString: Deregister",
    "XmQORVEL*MainForm.Overview.labelString: Router Overview",
    nullptr,
};

namespace {

constexpr int BUTTON_WIDTH = 130;  // the column of buttons at the right
constexpr int BUTTON_LABEL_WIDTH = 134;
constexpr int BOTTOM_BUTTON_WIDTH = 100;
constexpr int OVERVIEW_WIDTH = 120;
constexpr int LIST_VISIBLE_LINES = 10;

Widget push_button(Widget parent, const char* name, MainAction a, ArgList args, Cardinal n)
{
    Widget button = XmCreatePushButton(parent, const_cast<char*>(name), args, n);
    XtAddCallback(button, XmNactivateCallback, MainCB, action_data(a));
    XtManageChild(button);
    return button;
}

// A column label or button at the right edge, under `above`.
void right_column(Arg* args, Cardinal* n, Widget above, int offset, int width)
{
    XtSetArg(args[*n], XmNrightAttachment, XmATTACH_FORM);
    ++*n;
    XtSetArg(args[*n], XmNrightOffset, 10);
    ++*n;
    XtSetArg(args[*n], XmNtopAttachment, XmATTACH_WIDGET);
    ++*n;
    XtSetArg(args[*n], XmNtopWidget, above);
    ++*n;
    XtSetArg(args[*n], XmNtopOffset, offset);
    ++*n;
    XtSetArg(args[*n], XmNwidth, width);
    ++*n;
}

Widget column_label(Widget form, const char* name, Widget above, int offset)
{
    Arg args[8];
    Cardinal n = 0;
    right_column(args, &n, above, offset, BUTTON_LABEL_WIDTH);
    XtSetArg(args[n], XmNalignment, XmALIGNMENT_BEGINNING);
    ++n;
    Widget label = XmCreateLabel(form, const_cast<char*>(name), args, n);
    XtManageChild(label);
    return label;
}

Widget column_button(Widget form, const char* name, Widget above, MainAction a)
{
    Arg args[8];
    Cardinal n = 0;
    right_column(args, &n, above, 0, BUTTON_WIDTH);
    XtSetArg(args[n], XmNsensitive, False);
    ++n;
    return push_button(form, name, a, args, n);
}

Widget left_label(Widget form, const char* name, Widget above)
{
    Arg args[8];
    Cardinal n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_POSITION);
    ++n;
    XtSetArg(args[n], XmNleftPosition, 2);
    ++n;
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNtopWidget, above);
    ++n;
    XtSetArg(args[n], XmNtopOffset, 10);
    ++n;
    XtSetArg(args[n], XmNalignment, XmALIGNMENT_BEGINNING);
    ++n;
    Widget label = XmCreateLabel(form, const_cast<char*>(name), args, n);
    XtManageChild(label);
    return label;
}

// The RouterEntry behind a 1-based line of the router list.
RouterEntry* router_at(int position)
{
    if (main_router_list == nullptr || position < 1 || position > main_router_list->count)
        return nullptr;
    ListNode* node = main_router_list->ops->list_get_at(main_router_list, position);
    return node != nullptr ? static_cast<RouterEntry*>(node->element) : nullptr;
}

// A line in parentheses: another station holds the router. It can be
// neither selected nor registered; the previous selection comes back.
void refuse_held_router(int position)
{
    Widget list = XmVANTEROWidgets->SelectionList;
    XBell(XtDisplay(list), 0);
    XmListDeselectAllItems(list);
    if (helpfunc_selected_box.sel_pos != -1)
        XmListSelectPos(list, helpfunc_selected_box.sel_pos, False);
    RouterEntry* entry = router_at(position);
    std::string text =
        message_format(MSG_ONLY_HOLDER_CAN_CONFIGURE, entry != nullptr ? entry->holder : "",
                       entry != nullptr ? entry->name : "");
    helpfunc_error_popup(text.c_str(), 0, ERROR_KIND_ERROR);
}

// Takes the line of a list callback as the selected router: name, hardware
// address, its position and the held flag of its entry as the exclusive
// flag; false, with nothing taken, for a line in parentheses.
bool take_line(XmListCallbackStruct* cbs)
{
    std::string item = helpfunc_xmstring_text(cbs->item);
    RouterEntry* entry = router_at(cbs->item_position);
    return router_session_select(item.c_str(), cbs->item_position,
                                 entry != nullptr && entry->held != 0);
}

void register_router(uint32_t address)
{
    WidgetTable* t = XmVANTEROWidgets;
    router_session_start_registration();
    if (address == 0) {
        // No address to open: the router can only be given its settings and
        // firmware, or let go.
        helpfunc_main_state(MainState::UNCONFIGURED_ROUTER);
        return;
    }
    router_session_begin_action();
    XtSetSensitive(t->SelectionList, False);
    XtSetSensitive(t->Open, False);
    helpfunc_set_cursor(1);
    if (highstate_open_router(cbfunc_open, address) == 0) {
        // The back end did not start the open (busy with a state query, or
        // the address is the broadcast address): no answer will come, so
        // the main window must not wait for one.
        router_session_end_action();
        helpfunc_set_cursor(0);
        XtSetSensitive(t->SelectionList, True);
        XtSetSensitive(t->Open, True);
    }
}

void select_line(XmListCallbackStruct* cbs)
{
    WidgetTable* t = XmVANTEROWidgets;
    int* positions = nullptr;
    int count = 0;
    if (!XmListGetSelectedPos(t->SelectionList, &positions, &count))
        count = 0;
    if (positions != nullptr)
        XtFree(reinterpret_cast<char*>(positions));
    if (count == 0) {
        XtSetSensitive(t->Open, False);
        return;
    }
    if (!take_line(cbs)) {
        refuse_held_router(cbs->item_position);
        return;
    }
    XtSetSensitive(t->Open, True);
}

// A double click, or Return on the list: Return comes without a selection
// before it, so the line and its position are taken from this call.
void double_click(XmListCallbackStruct* cbs)
{
    if (!take_line(cbs)) {
        refuse_held_router(cbs->item_position);
        return;
    }
    XmListSelectPos(XmVANTEROWidgets->SelectionList, cbs->item_position, False);
    register_router(myutil_get_host_addr(helpfunc_selected_box.name));
}

void deregister()
{
    WidgetTable* t = XmVANTEROWidgets;
    XmListDeselectAllItems(t->SelectionList);
    helpfunc_main_state(MainState::IDLE);
    router_session_forget_router();
    highstate_close_router();
    main_forget_tables();
    helpfunc_popdown(Dialog::Error2Dialog);
    XmProcessTraversal(t->Overview, XmTRAVERSE_CURRENT);
}

void router_settings()
{
    helpfunc_create_layout(Dialog::RConfigDialog);
    helpfunc_create_layout(Dialog::SetPWDialog);
    helpfunc_set_setpw_data(&helpfunc_selected_box.cfg);
    if (myutil_get_host_addr(helpfunc_selected_box.name) == 0)
        router_session_use_defaults();
    helpfunc_set_rconfig_data(&helpfunc_selected_box.cfg);
    helpfunc_popup(Dialog::RConfigDialog);
}

void accounting()
{
    router_session_begin_action();
    request_gate_run([] {
        int lines = main_line_list != nullptr ? main_line_list->count : 0;
        if (lines > ACCOUNTING_NOTICE_LINES)
            helpfunc_scan_popup(message_text(MSG_GETTING_DATA), 0, 1);
        highstate_get_accounting(cbfunc_accounting, main_line_list);
    });
}

void overview()
{
    router_overview_start();
}

}  // namespace

Widget FileMenuLayout(Widget cascade)
{
    Arg args[1];
    XtSetArg(args[0], XmNshadowThickness, 1);
    Widget menu = CreatePulldownMenu(cascade, "FileMenu", args, 1);
    push_button(menu, "Exit", MAIN_ACTION_QUIT, nullptr, 0);
    return menu;
}

Widget MainMenuBarLayout(Widget form)
{
    Arg args[4];
    Cardinal n = 0;
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNrightAttachment, XmATTACH_FORM);
    ++n;
    Widget bar = XmCreateMenuBar(form, const_cast<char*>("MainMenuBar"), args, n);

    Widget file = XmCreateCascadeButton(bar, const_cast<char*>("File"), nullptr, 0);
    FileMenuLayout(file);
    XtManageChild(file);

    Widget help = XmCreateCascadeButton(bar, const_cast<char*>("Help"), nullptr, 0);
    Widget help_menu = CreatePulldownMenu(help, "HelpMenu", nullptr, 0);
    push_button(help_menu, "HelpHelp", MAIN_ACTION_HELP, nullptr, 0);
    XtManageChild(help);
    XtVaSetValues(bar, XmNmenuHelpWidget, help, nullptr);

    XtManageChild(bar);
    return bar;
}

Widget MainFormLayout(Widget shell, WidgetTable* table)
{
    Arg args[12];
    Cardinal n = 0;
    XtSetArg(args[n], XmNwidth, 500);
    ++n;
    XtSetArg(args[n], XmNheight, 450);
    ++n;
    XtSetArg(args[n], XmNmarginWidth, 0);
    ++n;
    XtSetArg(args[n], XmNmarginHeight, 0);
    ++n;
    XtSetArg(args[n], XmNresizePolicy, XmRESIZE_NONE);
    ++n;
    XtSetArg(args[n], XmNshadowThickness, 1);
    ++n;
    Widget form = XmCreateForm(shell, const_cast<char*>("MainForm"), args, n);

    Widget bar = MainMenuBarLayout(form);
    Widget head = left_label(form, "HeadLine", bar);
    Widget main_label = left_label(form, "MainLabel", head);

    Widget config_label = column_label(form, "ConfigLabel", main_label, 10);
    table->ConfigureRouter =
        column_button(form, "ConfigureRouter", config_label, MAIN_ACTION_ROUTER);
    table->ConfigureLines =
        column_button(form, "ConfigureLines", table->ConfigureRouter, MAIN_ACTION_LINES);
    Widget linemon_label = column_label(form, "LineMonitorLabel", table->ConfigureLines, 5);
    table->LineMonitor = column_button(form, "LineMonitor", linemon_label, MAIN_ACTION_LINEMON);
    Widget accounting_label = column_label(form, "AccountingLabel", table->LineMonitor, 5);
    table->Accounting = column_button(form, "Accounting", accounting_label, MAIN_ACTION_ACCOUNTING);

    n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNleftOffset, 5);
    ++n;
    XtSetArg(args[n], XmNbottomAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNbottomOffset, 20);
    ++n;
    XtSetArg(args[n], XmNwidth, BOTTOM_BUTTON_WIDTH);
    ++n;
    XtSetArg(args[n], XmNdefaultButtonShadowThickness, 2);
    ++n;
    XtSetArg(args[n], XmNsensitive, False);
    ++n;
    table->Open = push_button(form, "Open", MAIN_ACTION_REGISTER, args, n);

    n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNleftWidget, table->Open);
    ++n;
    XtSetArg(args[n], XmNleftOffset, 1);
    ++n;
    XtSetArg(args[n], XmNbottomAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNbottomOffset, 20);
    ++n;
    XtSetArg(args[n], XmNwidth, BOTTOM_BUTTON_WIDTH);
    ++n;
    XtSetArg(args[n], XmNdefaultButtonShadowThickness, 2);
    ++n;
    XtSetArg(args[n], XmNsensitive, False);
    ++n;
    table->Close = push_button(form, "Close", MAIN_ACTION_DEREGISTER, args, n);

    n = 0;
    XtSetArg(args[n], XmNlabelType, XmPIXMAP);
    ++n;
    XtSetArg(args[n], XmNrightAttachment, XmATTACH_POSITION);
    ++n;
    XtSetArg(args[n], XmNrightPosition, 98);
    ++n;
    XtSetArg(args[n], XmNbottomAttachment, XmATTACH_POSITION);
    ++n;
    XtSetArg(args[n], XmNbottomPosition, 98);
    ++n;
    XtSetArg(args[n], XmNmarginWidth, 0);
    ++n;
    XtSetArg(args[n], XmNmarginHeight, 0);
    ++n;
    XtSetArg(args[n], XmNshadowThickness, 0);
    ++n;
    XtSetArg(args[n], XmNhighlightThickness, 0);
    ++n;
    XtSetArg(args[n], XmNmultiClick, XmMULTICLICK_DISCARD);
    ++n;
    Widget logo = XmCreatePushButton(form, const_cast<char*>("IconButton"), args, n);
    XtVaSetValues(logo, XmNlabelPixmap, BitmapFileToPixmap(logo, "quarn"), nullptr);
    XtAddCallback(logo, XmNactivateCallback, AboutCB, nullptr);
    XtManageChild(logo);

    n = 0;
    XtSetArg(args[n], XmNrightAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNrightWidget, logo);
    ++n;
    XtSetArg(args[n], XmNrightOffset, 6);
    ++n;
    XtSetArg(args[n], XmNbottomAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNbottomOffset, 20);
    ++n;
    XtSetArg(args[n], XmNwidth, OVERVIEW_WIDTH);
    ++n;
    XtSetArg(args[n], XmNshowAsDefault, 1);
    ++n;
    XtSetArg(args[n], XmNdefaultButtonShadowThickness, 2);
    ++n;
    XtSetArg(args[n], XmNsensitive, False);
    ++n;
    table->Overview = push_button(form, "Overview", MAIN_ACTION_OVERVIEW, args, n);
    XtVaSetValues(form, XmNdefaultButton, table->Overview, nullptr);

    n = 0;
    XtSetArg(args[n], XmNselectionPolicy, XmSINGLE_SELECT);
    ++n;
    XtSetArg(args[n], XmNscrollBarDisplayPolicy, XmSTATIC);
    ++n;
    XtSetArg(args[n], XmNvisibleItemCount, LIST_VISIBLE_LINES);
    ++n;
    table->SelectionList = XmCreateScrolledList(form, const_cast<char*>("SelectionList"), args, n);
    XtVaSetValues(XtParent(table->SelectionList), XmNleftAttachment, XmATTACH_FORM, XmNleftOffset,
                  10, XmNrightAttachment, XmATTACH_WIDGET, XmNrightWidget, table->ConfigureLines,
                  XmNrightOffset, 5, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, main_label,
                  XmNtopOffset, 10, XmNbottomAttachment, XmATTACH_WIDGET, XmNbottomWidget,
                  table->Open, XmNbottomOffset, 20, nullptr);
    XtAddCallback(table->SelectionList, XmNsingleSelectionCallback, MainCB,
                  action_data(MAIN_ACTION_SELECT));
    XtAddCallback(table->SelectionList, XmNdefaultActionCallback, MainCB,
                  action_data(MAIN_ACTION_DOUBLE_CLICK));
    XtManageChild(table->SelectionList);

    XtManageChild(form);
    return form;
}

void MainCB(Widget, XtPointer client, XtPointer call)
{
    int code = action_code(client);
    if (code < 0 || code > MAIN_ACTION_SELECT)
        return;
    // One operation at a time: while the program waits for the router only
    // Quit is taken.
    if (action_running && code != MAIN_ACTION_QUIT)
        return;
    auto* cbs = static_cast<XmListCallbackStruct*>(call);
    switch (code) {
    case MAIN_ACTION_QUIT:
        highstate_close_router();
        std::exit(0);
    case MAIN_ACTION_HELP:
        helpfunc_popup_help(Dialog::MainWindow);
        break;
    case MAIN_ACTION_ROUTER:
        router_settings();
        break;
    case MAIN_ACTION_LINES:
        helpfunc_popup(Dialog::ConfigDialog);
        break;
    case MAIN_ACTION_LINEMON:
        helpfunc_popup(Dialog::LineMonDialog);
        linemon_start();
        break;
    case MAIN_ACTION_ACCOUNTING:
        accounting();
        break;
    case MAIN_ACTION_OVERVIEW:
        overview();
        break;
    case MAIN_ACTION_REGISTER:
        register_router(myutil_get_host_addr(helpfunc_selected_box.name));
        break;
    case MAIN_ACTION_DOUBLE_CLICK:
        if (cbs != nullptr)
            double_click(cbs);
        break;
    case MAIN_ACTION_DEREGISTER:
        deregister();
        break;
    case MAIN_ACTION_SELECT:
        if (cbs != nullptr)
            select_line(cbs);
        break;
    }
}

void AboutCB(Widget, XtPointer, XtPointer)
{
    helpfunc_popup(Dialog::AboutDialog);
}

void cbfunc_net_scan(ScanAnswer* answer)
{
    Widget list = XmVANTEROWidgets->SelectionList;
    XmStringTable items = nullptr;
    int count = 0;
    XtVaGetValues(list, XmNitems, &items, XmNitemCount, &count, nullptr);
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back(helpfunc_xmstring_text(items[i]));

    std::string line;
    RouterEntry entry{};
    switch (router_list_merge(*answer, myutil_get_my_ip(), lines, &line, &entry)) {
    case ScanMerge::END:
        helpfunc_set_cursor(0);
        helpfunc_popdown(Dialog::ScanDialog);
        return;
    case ScanMerge::IGNORE:
        return;
    case ScanMerge::APPEND:
        break;
    }
    CompoundString item(line.c_str());
    XmListAddItemUnselected(list, item, 0);
    auto* record = static_cast<RouterEntry*>(myutil_malloc(sizeof(RouterEntry)));
    *record = entry;
    if (main_router_list != nullptr)
        main_router_list->ops->list_append(main_router_list, record);
    else
        std::free(record);
}
