// The route table dialog and the route edit dialog: the list and its
// buttons, Open, Add and Delete, OK with its refusals (message, focus) and
// the move of an edited route, Cancel, Close, and OK after the tables were
// dropped.
#include <gtest/gtest.h>

#include <Xm/List.h>
#include <Xm/TextF.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "dialog_names.h"
#include "display_services.h"
#include "globals.h"
#include "gui_fixture.h"
#include "list.h"
#include "list_lines.h"
#include "myutil.h"
#include "records.h"
#include "route_dialogs.h"
#include "route_fields.h"
#include "table_list_dialog.h"
#include "toolkit.h"
#include "widget_table.h"

namespace {

class RouteDialogTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        if (IsSkipped())
            return;
        myutil_copy_text(test_selected_box().name, "gw1");
    }

    // main_route_list with `count` routes whose gateways name them:
    // 10.0.0.<n> for route n, each a host route to itself.
    static void routes(int count)
    {
        main_forget_tables();
        main_route_list = listhelp_new_route_list();
        for (int n = 1; n <= count; ++n) {
            RouteEntry r = {};
            char address[HOST_LEN + 1];
            std::snprintf(address, sizeof address, "10.0.0.%d", n);
            myutil_copy_text(r.mask, "255.255.255.255");
            myutil_copy_text(r.match, address);
            myutil_copy_text(r.gateway, address);
            main_route_list->ops->list_append(main_route_list, main_route_list->copy(&r));
        }
        main_route_list_copy = main_route_list->ops->list_copy(main_route_list);
    }

    // The gateways of the edited table, in list order.
    static std::vector<std::string> gateways()
    {
        std::vector<std::string> result;
        for (ListNode* n = main_route_list->head; n != nullptr; n = n->next)
            result.push_back(static_cast<RouteEntry*>(n->element)->gateway);
        return result;
    }

    static WidgetTable* t() { return XmVANTEROWidgets; }
    static void route_cb(int action, XtPointer call = nullptr)
    {
        RouteCB(t()->RouteList, action_data(action), call);
    }
    static void route2_cb(int action) { Route2CB(t()->Route2Ok, action_data(action), nullptr); }

    // A click on a line: Motif selects it and calls the selection callback.
    static void click(int position) { XmListSelectPos(t()->RouteList, position, True); }

    static void type(Widget field, const char* value)
    {
        XmTextFieldSetString(field, const_cast<char*>(value));
    }

    static void fill(const char* mask, const char* match, const char* gateway, const char* position)
    {
        type(t()->Route2MaskText, mask);
        type(t()->Route2CompText, match);
        type(t()->Route2GateText, gateway);
        type(t()->Route2PosText, position);
    }

    static std::string error_text() { return label("*ErrorDialog.ErrorDialogMessage"); }
};

TEST_F(RouteDialogTest, PopupListsEveryRouteWithTheRouterAndNothingSelected)
{
    routes(3);
    RouteEntry* first = static_cast<RouteEntry*>(main_route_list->head->element);
    myutil_copy_text(first->match, "193.1.2.3");
    myutil_copy_text(first->gateway, "193.1.2.3");
    helpfunc_popup(Dialog::RouteDialog);

    ASSERT_TRUE(is_managed("*RouteDialog"));
    const std::vector<std::string> lines = list_items(t()->RouteList);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "  1.     255.255.255.255   193.1.2.3         193.1.2.3               ");
    EXPECT_EQ(lines[2],
              route_list_line(3, *static_cast<RouteEntry*>(main_route_list->tail->element)));
    EXPECT_TRUE(selected_positions(t()->RouteList).empty());
    EXPECT_EQ(text_of(t()->RouteIDText), "gw1");
    EXPECT_FALSE(is_sensitive("*RouteDialog*OpenRoute"));
    EXPECT_FALSE(is_sensitive("*RouteDialog*DeleteRoute"));
    EXPECT_TRUE(is_sensitive("*RouteDialog*AddRoute"));
    EXPECT_EQ(title("*RouteDialog"), "Routing Table");
    EXPECT_EQ(label("*RouteDialog*RouteListLabel"),
              "Position     Mask                        Compare Value         Gateway");
}

TEST_F(RouteDialogTest, AddFollowsTheTableLimit)
{
    routes(MAX_ROUTES);
    helpfunc_popup(Dialog::RouteDialog);
    EXPECT_FALSE(is_sensitive("*RouteDialog*AddRoute"));

    click(64);
    EXPECT_TRUE(is_sensitive("*RouteDialog*DeleteRoute"));
    route_cb(ROUTE_DELETE);
    EXPECT_EQ(main_route_list->count, MAX_ROUTES - 1);
    EXPECT_TRUE(is_sensitive("*RouteDialog*AddRoute"));
    EXPECT_FALSE(is_sensitive("*RouteDialog*DeleteRoute"));
    EXPECT_FALSE(is_sensitive("*RouteDialog*OpenRoute"));

    route_cb(ROUTE_ADD);
    fill("255.255.255.0", "10.9.9.0", "10.1.1.1", "64");
    route2_cb(EDIT_OK);
    EXPECT_EQ(main_route_list->count, MAX_ROUTES);
    EXPECT_FALSE(is_sensitive("*RouteDialog*AddRoute"));
}

TEST_F(RouteDialogTest, SelectionSwitchesOpenAndDelete)
{
    routes(2);
    helpfunc_popup(Dialog::RouteDialog);
    click(2);
    EXPECT_TRUE(is_sensitive("*RouteDialog*OpenRoute"));
    EXPECT_TRUE(is_sensitive("*RouteDialog*DeleteRoute"));
    XmListDeselectAllItems(t()->RouteList);
    route_cb(ROUTE_SELECT);
    EXPECT_FALSE(is_sensitive("*RouteDialog*OpenRoute"));
    EXPECT_FALSE(is_sensitive("*RouteDialog*DeleteRoute"));
    // Open and Delete without a selection do nothing.
    route_cb(ROUTE_OPEN);
    route_cb(ROUTE_DELETE);
    EXPECT_FALSE(is_managed("*Route2Dialog"));
    EXPECT_EQ(main_route_list->count, 2);
}

TEST_F(RouteDialogTest, OpenShowsTheRouteAtItsPosition)
{
    routes(3);
    helpfunc_popup(Dialog::RouteDialog);
    click(2);
    route_cb(ROUTE_OPEN);
    ASSERT_TRUE(is_managed("*Route2Dialog"));
    EXPECT_EQ(text_of(t()->Route2MaskText), "255.255.255.255");
    EXPECT_EQ(text_of(t()->Route2CompText), "10.0.0.2");
    EXPECT_EQ(text_of(t()->Route2GateText), "10.0.0.2");
    EXPECT_EQ(text_of(t()->Route2PosText), "2");
    EXPECT_EQ(text_of(t()->Route2IDText), "gw1");
    EXPECT_EQ(selected_elem, main_route_list->ops->list_get_at(main_route_list, 2));
    EXPECT_EQ(title("*Route2Dialog"), "Routing Table");
    EXPECT_EQ(label("*Route2Dialog.Route2Header"), "Edit Route Information");
}

TEST_F(RouteDialogTest, DoubleClickOpensTheLineClickedAndSelectsIt)
{
    routes(3);
    helpfunc_popup(Dialog::RouteDialog);
    // Return on a line calls the default action alone, without a selection.
    XmListCallbackStruct cbs = {};
    cbs.reason = XmCR_DEFAULT_ACTION;
    cbs.item_position = 3;
    route_cb(ROUTE_DOUBLE_CLICK, &cbs);
    ASSERT_TRUE(is_managed("*Route2Dialog"));
    EXPECT_EQ(text_of(t()->Route2GateText), "10.0.0.3");
    EXPECT_EQ(text_of(t()->Route2PosText), "3");
    EXPECT_EQ(selected_positions(t()->RouteList), std::vector<int>{3});
}

TEST_F(RouteDialogTest, EditedRouteMovesToThePositionEntered)
{
    routes(5);
    helpfunc_popup(Dialog::RouteDialog);
    click(2);
    route_cb(ROUTE_OPEN);
    type(t()->Route2PosText, "5");
    route2_cb(EDIT_OK);

    EXPECT_EQ(gateways(), (std::vector<std::string>{"10.0.0.1", "10.0.0.3", "10.0.0.4", "10.0.0.5",
                                                    "10.0.0.2"}));
    EXPECT_FALSE(is_managed("*Route2Dialog"));
    EXPECT_TRUE(is_managed("*RouteDialog"));
    EXPECT_EQ(list_items(t()->RouteList)[4],
              route_list_line(5, *static_cast<RouteEntry*>(main_route_list->tail->element)));
    EXPECT_EQ(selected_positions(t()->RouteList), std::vector<int>{5});
    EXPECT_TRUE(is_sensitive("*RouteDialog*OpenRoute"));
    EXPECT_TRUE(is_sensitive("*RouteDialog*DeleteRoute"));
}

TEST_F(RouteDialogTest, EditInPlaceTrimsTheAddresses)
{
    routes(2);
    helpfunc_popup(Dialog::RouteDialog);
    click(1);
    route_cb(ROUTE_OPEN);
    fill("255.255.255.0", " 10.1.2.0\t", "\t10.1.1.1 ", "1");
    route2_cb(EDIT_OK);
    const auto* r = static_cast<RouteEntry*>(main_route_list->head->element);
    EXPECT_STREQ(r->mask, "255.255.255.0");
    EXPECT_STREQ(r->match, "10.1.2.0");
    EXPECT_STREQ(r->gateway, "10.1.1.1");
    EXPECT_EQ(main_route_list->count, 2);
    EXPECT_EQ(selected_positions(t()->RouteList), std::vector<int>{1});
}

// Each refusal: the message in the error box (at the right), the field that
// takes the focus, the table and the edit dialog as they were.
TEST_F(RouteDialogTest, RefusalsShowTheirMessageAndFocusTheirField)
{
    struct Case {
        const char* name;
        bool adding;
        const char* mask;
        const char* match;
        const char* gateway;
        const char* position;
        const char* message;
        Widget WidgetTable::*focus;
    };
    const Case cases[] = {
        {"bad mask", false, "255.255.256.0", "10.1.2.0", "10.1.1.1", "1", "Mask Not Correct",
         &WidgetTable::Route2MaskText},
        {"bad compare value", false, "255.255.255.0", "10.1.2.", "10.1.1.1", "1",
         "Match Not Correct", &WidgetTable::Route2CompText},
        {"compare value outside the mask", false, "255.255.255.0", "10.1.2.3", "10.1.1.1", "1",
         "Wrong Match And Netmask Combination", &WidgetTable::Route2MaskText},
        {"bad gateway", false, "255.255.255.0", "10.1.2.0", "gw", "1", "Gateway Not Correct",
         &WidgetTable::Route2GateText},
        {"edit past the end", false, "0.0.0.0", "0.0.0.0", "0.0.0.0", "6", "Position Not Correct",
         &WidgetTable::Route2PosText},
        {"add past the end", true, "0.0.0.0", "0.0.0.0", "0.0.0.0", "7", "Position Not Correct",
         &WidgetTable::Route2PosText},
        {"position with a blank", false, "0.0.0.0", "0.0.0.0", "0.0.0.0", "3 ",
         "Position Not Correct", &WidgetTable::Route2PosText},
        {"position -1", true, "0.0.0.0", "0.0.0.0", "0.0.0.0", "-1", "Position Not Correct",
         &WidgetTable::Route2PosText},
        {"position beyond 32 bits", true, "0.0.0.0", "0.0.0.0", "0.0.0.0", "4294967297",
         "Position Not Correct", &WidgetTable::Route2PosText},
    };
    routes(5);
    helpfunc_popup(Dialog::RouteDialog);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.adding) {
            route_cb(ROUTE_ADD);
        } else {
            click(2);
            route_cb(ROUTE_OPEN);
        }
        fill(c.mask, c.match, c.gateway, c.position);
        route2_cb(EDIT_OK);
        EXPECT_TRUE(is_managed("*ErrorDialog"));
        EXPECT_EQ(error_text(), c.message);
        int x = 0, y = 0;
        pump();
        shell_position(t()->ErrorDialog, &x, &y);
        EXPECT_EQ(x, POSITION_RIGHT_X);
        EXPECT_EQ(XmGetFocusWidget(t()->Route2Dialog), t()->*c.focus);
        EXPECT_TRUE(is_managed("*Route2Dialog"));
        EXPECT_EQ(gateways(), (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.3",
                                                        "10.0.0.4", "10.0.0.5"}));
        helpfunc_popdown(Dialog::ErrorDialog);
        route2_cb(EDIT_CANCEL);
    }
}

TEST_F(RouteDialogTest, PositionFormsOfTheSystemNotation)
{
    struct Case {
        const char* position;
        int where;  // 1-based place the new route takes
    };
    for (const Case& c : {Case{"0x3", 3}, Case{"010", 8}, Case{" 2", 2}}) {
        SCOPED_TRACE(c.position);
        routes(7);
        helpfunc_popup(Dialog::RouteDialog);
        route_cb(ROUTE_ADD);
        fill("255.255.255.0", "10.9.9.0", "10.9.9.1", c.position);
        route2_cb(EDIT_OK);
        ASSERT_EQ(main_route_list->count, 8) << error_text();
        EXPECT_EQ(gateways()[c.where - 1], "10.9.9.1");
        EXPECT_EQ(selected_positions(t()->RouteList), std::vector<int>{c.where});
    }
}

TEST_F(RouteDialogTest, AddToAnEmptyTableOffersPositionOneOnly)
{
    routes(0);
    helpfunc_popup(Dialog::RouteDialog);
    EXPECT_TRUE(list_items(t()->RouteList).empty());
    route_cb(ROUTE_ADD);
    ASSERT_TRUE(is_managed("*Route2Dialog"));
    EXPECT_EQ(selected_elem, nullptr);
    EXPECT_EQ(text_of(t()->Route2MaskText), "255.255.255.0");
    EXPECT_EQ(text_of(t()->Route2CompText), "");
    EXPECT_EQ(text_of(t()->Route2GateText), "");
    EXPECT_EQ(text_of(t()->Route2PosText), "1");

    // A default route: every address "0.0.0.0".
    fill("0.0.0.0", "0.0.0.0", "0.0.0.0", "2");
    route2_cb(EDIT_OK);
    EXPECT_EQ(error_text(), "Position Not Correct");
    helpfunc_popdown(Dialog::ErrorDialog);
    type(t()->Route2PosText, "1");
    route2_cb(EDIT_OK);
    ASSERT_EQ(main_route_list->count, 1);
    EXPECT_EQ(gateways(), std::vector<std::string>{"0.0.0.0"});
    EXPECT_FALSE(is_managed("*Route2Dialog"));
}

TEST_F(RouteDialogTest, CancelKeepsTableAndSelection)
{
    routes(3);
    helpfunc_popup(Dialog::RouteDialog);
    click(2);
    route_cb(ROUTE_OPEN);
    fill("255.0.0.0", "10.0.0.0", "10.1.1.1", "1");
    route2_cb(EDIT_CANCEL);
    EXPECT_FALSE(is_managed("*Route2Dialog"));
    EXPECT_EQ(gateways(), (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.3"}));
    EXPECT_EQ(selected_positions(t()->RouteList), std::vector<int>{2});
}

TEST_F(RouteDialogTest, CloseDeselectsAndSwitchesOpenAndDeleteOff)
{
    routes(3);
    helpfunc_popup(Dialog::RouteDialog);
    click(1);
    route_cb(ROUTE_CLOSE);
    EXPECT_FALSE(is_managed("*RouteDialog"));
    EXPECT_TRUE(selected_positions(t()->RouteList).empty());
    EXPECT_FALSE(is_sensitive("*RouteDialog*OpenRoute"));
    EXPECT_FALSE(is_sensitive("*RouteDialog*DeleteRoute"));
    route_cb(7);  // no such action
    EXPECT_FALSE(is_managed("*RouteDialog"));
}

// A failure of the router drops the tables while the edit dialog is up: its
// OK must neither touch the freed table nor store anywhere.
TEST_F(RouteDialogTest, OkAfterTheTablesWereDroppedStoresNothing)
{
    routes(3);
    helpfunc_popup(Dialog::RouteDialog);
    click(2);
    route_cb(ROUTE_OPEN);
    fill("255.255.255.0", "10.1.2.0", "10.1.1.1", "1");
    main_forget_tables();
    route2_cb(EDIT_OK);
    EXPECT_EQ(main_route_list, nullptr);
    EXPECT_FALSE(is_managed("*Route2Dialog"));
    EXPECT_FALSE(is_managed("*ErrorDialog"));

    // Also for an entry opened in a table that was replaced meanwhile.
    routes(3);
    helpfunc_popup(Dialog::RouteDialog);
    click(2);
    route_cb(ROUTE_OPEN);
    ListObject* old = main_route_list;
    main_route_list = old->ops->list_copy(old);
    old->ops->list_destroy(old);
    route2_cb(EDIT_OK);
    EXPECT_EQ(gateways(), (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.3"}));
    EXPECT_FALSE(is_managed("*Route2Dialog"));
}

}  // namespace
