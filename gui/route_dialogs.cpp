#include "route_dialogs.h"

#include <Xm/List.h>
#include <Xm/Xm.h>

#include <cstdint>

#include "dialog_builders.h"
#include "dialog_entry_points.h"
#include "display_services.h"
#include "globals.h"
#include "list.h"
#include "list_lines.h"
#include "record_defaults.h"
#include "route_fields.h"
#include "table_list_dialog.h"
#include "toolkit.h"
#include "widget_table.h"

// Labels, fonts and colours of the two dialogs, in the order of their
// widgets.
extern const char* const RouteDialogResources[] = {
    "XmQORVEL*RouteDialog.dialogTitle: Routing Table",
    "XmQORVEL*RouteDialog.RouteHeader.labelString: Routing Table",
    "XmQORVEL*RouteDialog.RouteHeader.fontList: -adobe-helvetica-bold-r-*--14-*-*-*-*-*-*-1",
    "XmQORVEL*RouteDialog.RouteIDLabel.labelString: Router:",
    "XmQORVEL*RouteDialog.RouteIDLabel.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*RouteDialog.RouteClose.labelString: Close",
    "XmQORVEL*RouteDialog.RouteHelp.labelString: Help",
    "XmQORVEL*RouteDialog*OpenRoute.labelString: Open",
    "XmQORVEL*RouteDialog*AddRoute.labelString: Add",
    "XmQORVEL*RouteDialog*DeleteRoute.labelString: Delete",
    "XmQORVEL*RouteDialog*RouteListLabel.labelString: Position     Mask                        Compare Value         Gateway",
    "XmQORVEL*RouteDialog*RouteList.background: cornsilk",
    "XmQORVEL*RouteDialog*RouteList.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    nullptr,
};

extern const char* const Route2DialogResources[] = {
    "XmQORVEL*Route2Dialog.dialogTitle: Routing Table",
    "XmQORVEL*Route2Dialog.Route2Header.labelString: Edit Route Information",
    "XmQORVEL*Route2Dialog.Route2Header.fontList: -adobe-helvetica-bold-r-*--14-*-*-*-*-*-*-1",
    "XmQORVEL*Route2Dialog.Route2IDLabel.labelString: Router:",
    "XmQORVEL*Route2Dialog.Route2IDLabel.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*Route2Dialog.Route2Ok.labelString: OK",
    "XmQORVEL*Route2Dialog.Route2Close.labelString: Cancel",
    "XmQORVEL*Route2Dialog.Route2Help.labelString: Help",
    "XmQORVEL*Route2Dialog*Route2MaskLabel.labelString: Mask",
    "XmQORVEL*Route2Dialog*Route2MaskText.background: mistyrose3",
    "XmQORVEL*Route2Dialog*Route2CompLabel.labelString: Compare Value",
    "XmQORVEL*Route2Dialog*Route2CompText.background: mistyrose3",
    "XmQORVEL*Route2Dialog*Route2GateLabel.labelString: Gateway",
    "XmQORVEL*Route2Dialog*Route2GateText.background: mistyrose3",
    "XmQORVEL*Route2Dialog*Route2PosLabel.labelString: Table Position",
    "XmQORVEL*Route2Dialog*Route2PosText.background: mistyrose3",
    nullptr,
};

namespace {

constexpr int ADDRESS_FIELD_LENGTH = HOST_LEN;  // characters an address field takes

int routes_listed(const ListObject* routes)
{
    return routes->count;  // every route can be opened, moved and deleted
}

void show_route(const void* route, int position)
{
    helpfunc_set_route2_data(*static_cast<const RouteEntry*>(route), position);
}

const TableListDialog ROUTES = {
    Dialog::RouteDialog,
    Dialog::Route2Dialog,
    &WidgetTable::RouteList,
    &WidgetTable::OpenRoute,
    &WidgetTable::DeleteRoute,
    &WidgetTable::AddRoute,
    &main_route_list,
    routes_listed,
    route_can_add,
    route_list_lines,
    show_route,
};

Widget focus_field(RouteField field)
{
    WidgetTable* t = XmVANTEROWidgets;
    switch (field) {
    case RouteField::Mask:
        return t->Route2MaskText;
    case RouteField::Match:
        return t->Route2CompText;
    case RouteField::Gateway:
        return t->Route2GateText;
    case RouteField::Position:
        return t->Route2PosText;
    default:
        break;
    }
    return nullptr;
}

void store_route()
{
    const int edit = table_list_edit_position(ROUTES);
    if (edit < 0) {
        // The route table is gone (a failure of the router dropped the
        // tables): there is nothing left to store into.
        helpfunc_popdown(Dialog::Route2Dialog);
        return;
    }
    RouteEntry route;
    const int fault = helpfunc_check_route2_data(helpfunc_get_route2_data(), edit == 0, &route);
    if (fault != 0) {
        // The check has moved the focus to the faulty field; the dialog
        // stays up with what was typed.
        helpfunc_input_error(Dialog::Route2Dialog, fault);
        return;
    }
    table_list_stored(ROUTES, route_store(main_route_list, edit, route));
}

}  // namespace

Widget RouteDialogLayout(Widget parent, WidgetTable* table)
{
    const TableLayoutNames names = {"RouteHeader", "RouteIDLabel",   "RouteIDText", "RouteClose",
                                    "RouteHelp",   "RouteForm",      "OpenRoute",   "AddRoute",
                                    "DeleteRoute", "RouteListLabel", "RouteList"};
    const TableLayoutCodes codes = {ROUTE_OPEN,   ROUTE_DOUBLE_CLICK, ROUTE_ADD,  ROUTE_DELETE,
                                    ROUTE_SELECT, ROUTE_HELP,         ROUTE_CLOSE};
    TableLayout l =
        table_list_layout(parent, Dialog::RouteDialog, names, codes, RouteCB, nullptr, table);
    table->RouteIDText = l.id_text;
    table->RouteHelp = l.help;
    table->RouteClose = l.close;
    table->OpenRoute = l.open;
    table->DeleteRoute = l.remove;
    table->AddRoute = l.add;
    table->RouteList = l.list;
    table->RouteDialog = l.form;
    return l.form;
}

Widget Route2DialogLayout(Widget parent, WidgetTable* table)
{
    const EditLayoutNames names = {"Route2Header", "Route2IDLabel", "Route2IDText", "Route2Ok",
                                   "Route2Close",  "Route2Help",    "Route2Form"};
    EditLayout l = edit_dialog_layout(parent, Dialog::Route2Dialog, names, Route2CB);
    EditRow mask = edit_dialog_row(l.inner, "Route2MaskLabel", "Route2MaskText", nullptr, 10, 10,
                                   ADDRESS_FIELD_LENGTH);
    EditRow match = edit_dialog_row(l.inner, "Route2CompLabel", "Route2CompText", mask.label, 0, 10,
                                    ADDRESS_FIELD_LENGTH);
    EditRow gateway = edit_dialog_row(l.inner, "Route2GateLabel", "Route2GateText", match.label, 10,
                                      10, ADDRESS_FIELD_LENGTH);
    EditRow position =
        edit_dialog_row(l.inner, "Route2PosLabel", "Route2PosText", gateway.label, 10, 200, 0);
    table_tab_groups(
        {mask.field, match.field, gateway.field, position.field, l.ok, l.cancel, l.help});

    table->Route2IDText = l.id_text;
    table->Route2Ok = l.ok;
    table->Route2Help = l.help;
    table->Route2Close = l.cancel;
    table->Route2MaskText = mask.field;
    table->Route2CompText = match.field;
    table->Route2GateText = gateway.field;
    table->Route2PosText = position.field;
    table->Route2Dialog = l.form;
    return l.form;
}

void RouteDialogSetData()
{
    table_list_fill(ROUTES);
}

void helpfunc_fill_route_list(Widget list)
{
    table_list_set_lines(list, main_route_list != nullptr ? route_list_lines(main_route_list)
                                                          : std::vector<std::string>());
}

void helpfunc_set_route2_data(const RouteEntry& route, int position)
{
    WidgetTable* t = XmVANTEROWidgets;
    const RouteView view = route_view(route, position);
    helpfunc_set_field(t->Route2MaskText, view.mask.c_str());
    helpfunc_set_field(t->Route2CompText, view.match.c_str());
    helpfunc_set_field(t->Route2GateText, view.gateway.c_str());
    helpfunc_set_field(t->Route2PosText, view.position.c_str());
}

Route2Texts helpfunc_get_route2_data()
{
    WidgetTable* t = XmVANTEROWidgets;
    return {table_field_text(t->Route2MaskText), table_field_text(t->Route2CompText),
            table_field_text(t->Route2GateText), table_field_text(t->Route2PosText)};
}

int helpfunc_check_route2_data(const Route2Texts& texts, bool adding, RouteEntry* route)
{
    const int count = main_route_list != nullptr ? main_route_list->count : 0;
    const RouteFields fields = {texts.mask.c_str(), texts.match.c_str(), texts.gateway.c_str(),
                                texts.position.c_str()};
    const RouteCheck check = route_from_fields(fields, count, adding, route);
    if (check.code != ROUTE_OK) {
        if (Widget field = focus_field(check.focus))
            XmProcessTraversal(field, XmTRAVERSE_CURRENT);
    }
    return check.code;
}

void RouteCB(Widget, XtPointer client, XtPointer call)
{
    const int action = action_code(client);
    switch (action) {
    case ROUTE_OPEN:
        table_list_open(ROUTES, table_list_selected(ROUTES));
        break;
    case ROUTE_DOUBLE_CLICK:
        if (call != nullptr)
            table_list_open(ROUTES, static_cast<XmListCallbackStruct*>(call)->item_position);
        break;
    case ROUTE_ADD:
        table_list_add(ROUTES, &route_defaults);
        break;
    case ROUTE_DELETE:
        table_list_delete(ROUTES);
        break;
    case ROUTE_SELECT:
        table_list_selection(ROUTES);
        break;
    case ROUTE_HELP:
        helpfunc_popup_help(Dialog::RouteDialog);
        break;
    case ROUTE_CLOSE:
        table_list_close(ROUTES);
        break;
    default:
        break;
    }
}

void Route2CB(Widget, XtPointer client, XtPointer)
{
    switch (action_code(client)) {
    case EDIT_OK:
        store_route();
        break;
    case EDIT_HELP:
        helpfunc_popup_help(Dialog::Route2Dialog);
        break;
    case EDIT_CANCEL:
        helpfunc_popdown(Dialog::Route2Dialog);
        break;
    default:
        break;
    }
}
