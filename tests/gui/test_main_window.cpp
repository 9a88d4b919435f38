// The main window: the router list, selection, registration, deregistration
// and the busy guard.
#include <gtest/gtest.h>

#include <Xm/List.h>

#include <cstring>
#include <string>

#include "dialog_entry_points.h"
#include "display_services.h"
#include "globals.h"
#include "gui_fixture.h"
#include "list.h"
#include "main_window.h"
#include "myutil.h"
#include "record_defaults.h"
#include "records.h"
#include "router_entry.h"
#include "toolkit.h"
#include "widget_table.h"

namespace {

constexpr uint32_t OWN = 0x0A4D0001;  // 10.77.0.1, from the test's qorvel.def

class MainWindowTest : public GuiTest {
protected:
    Widget list() { return XmVANTEROWidgets->SelectionList; }

    // One scan answer as the back end hands it over.
    static void answer(uint32_t router, uint32_t holder, uint8_t last)
    {
        ScanAnswer a{};
        a.router_ip = router;
        a.holder_ip = holder;
        const uint8_t hw[6] = {0x00, 0xa0, 0xf9, 0x00, 0x00, last};
        std::memcpy(a.hw, hw, 6);
        cbfunc_net_scan(&a);
    }

    // Lines: 1 free 10.77.0.2, 2 held here 10.77.0.5, 3 held by 10.77.0.9
    // 10.77.0.3, 4 without configuration.
    void four_routers()
    {
        answer(0x0A4D0002, 0, 1);
        answer(0x0A4D0005, OWN, 5);
        answer(0x0A4D0003, 0x0A4D0009, 3);
        answer(0, 0, 4);
        ASSERT_EQ(list_items(list()).size(), 4u);
    }

    // The list's callback for line `position` as Motif calls it.
    static XmListCallbackStruct call_data(Widget list, int position, XmString* item)
    {
        XmStringTable items = nullptr;
        XtVaGetValues(list, XmNitems, &items, nullptr);
        *item = XmStringCopy(items[position - 1]);
        XmListCallbackStruct cbs{};
        cbs.reason = XmCR_DEFAULT_ACTION;
        cbs.item = *item;
        cbs.item_position = position;
        return cbs;
    }

    // A click on a line: Motif selects it and calls the selection callback.
    void click(int position) { XmListSelectPos(list(), position, True); }
};

TEST_F(MainWindowTest, ScanAnswersFillTheListOnceEach)
{
    answer(0x0A4D0002, 0, 1);
    answer(0x0A4D0002, 0, 1);
    answer(0x0A4D0002, 0, 1);
    answer(0x0A4D0002, 0x0A4D0009, 1);  // the same router, now held: a line of its own
    std::vector<std::string> expected = {" 00-a0-f9-00-00-01      10.77.0.2 ",
                                         "(00-a0-f9-00-00-01      10.77.0.2)"};
    EXPECT_EQ(list_items(list()), expected);
    EXPECT_EQ(main_router_list->count, 2);
}

TEST_F(MainWindowTest, SelectionTakesNameHardwareAddressPositionAndHeldFlag)
{
    four_routers();
    const struct {
        int position;
        const char* name;
        const char* hw;
        int exclusive;
    } cases[] = {
        {1, "10.77.0.2", "00-a0-f9-00-00-01", 0},
        {2, "10.77.0.5", "00-a0-f9-00-00-05", 1},  // held by this station
        {4, "---------", "00-a0-f9-00-00-04", 0},
    };
    for (const auto& c : cases) {
        click(c.position);
        EXPECT_STREQ(helpfunc_selected_box.name, c.name);
        EXPECT_STREQ(helpfunc_selected_box.hw_text, c.hw);
        const uint8_t hw[6] = {0x00, 0xa0, 0xf9, 0x00, 0x00, static_cast<uint8_t>(c.hw[16] - '0')};
        EXPECT_EQ(std::memcmp(helpfunc_selected_box.hw, hw, 6), 0) << c.name;
        EXPECT_EQ(helpfunc_selected_box.sel_pos, c.position);
        EXPECT_EQ(helpfunc_selected_box.cfg.exclusive, c.exclusive) << c.name;
        EXPECT_TRUE(is_sensitive("*MainForm.Open")) << c.name;
    }
}

TEST_F(MainWindowTest, HeldRouterIsRefusedAndThePreviousSelectionComesBack)
{
    four_routers();
    click(1);
    click(3);
    EXPECT_EQ(selected_positions(list()), std::vector<int>{1});
    EXPECT_STREQ(helpfunc_selected_box.name, "10.77.0.2");
    EXPECT_EQ(helpfunc_selected_box.sel_pos, 1);
    ASSERT_TRUE(is_managed("*ErrorDialog"));
    EXPECT_EQ(label("*ErrorDialog.ErrorDialogMessage"), "Only 10.77.0.9 Can\nConfigure 10.77.0.3");
    EXPECT_EQ(title("*ErrorDialog"), "Error");

    // A double click on it is refused the same way, and nothing is opened.
    helpfunc_popdown(Dialog::ErrorDialog);
    XmString item = nullptr;
    XmListCallbackStruct cbs = call_data(list(), 3, &item);
    MainCB(list(), action_data(MAIN_ACTION_DOUBLE_CLICK), &cbs);
    XmStringFree(item);
    EXPECT_TRUE(is_managed("*ErrorDialog"));
    EXPECT_EQ(action_running, 0);
    EXPECT_EQ(selected_positions(list()), std::vector<int>{1});
}

TEST_F(MainWindowTest, DeselectingTheLineMakesRegisterInsensitive)
{
    four_routers();
    click(1);
    ASSERT_TRUE(is_sensitive("*MainForm.Open"));
    // A click on the selected line deselects it before the callback.
    XmListDeselectAllItems(list());
    XmString item = nullptr;
    XmListCallbackStruct cbs = call_data(list(), 1, &item);
    cbs.reason = XmCR_SINGLE_SELECT;
    MainCB(list(), action_data(MAIN_ACTION_SELECT), &cbs);
    XmStringFree(item);
    EXPECT_FALSE(is_sensitive("*MainForm.Open"));
}

TEST_F(MainWindowTest, RegisteringARouterWithoutAddressOffersOnlyItsSettings)
{
    four_routers();
    click(4);
    MainCB(XmVANTEROWidgets->Open, action_data(MAIN_ACTION_REGISTER), nullptr);
    const struct {
        const char* button;
        bool sensitive;
    } expected[] = {
        {"*MainForm.Open", false},           {"*MainForm.ConfigureRouter", true},
        {"*MainForm.ConfigureLines", false}, {"*MainForm.LineMonitor", false},
        {"*MainForm.Accounting", false},     {"*MainForm.Overview", false},
        {"*MainForm.Close", true},
    };
    for (const auto& e : expected)
        EXPECT_EQ(is_sensitive(e.button), e.sensitive) << e.button;
    EXPECT_FALSE(is_sensitive("*MainForm*SelectionList"));
    EXPECT_EQ(action_running, 0) << "nothing was sent, nothing is awaited";

    // Its settings start from the defaults, since the name has no address.
    test_selected_box().cfg.isdn_mode = 77;
    MainCB(XmVANTEROWidgets->ConfigureRouter, action_data(MAIN_ACTION_ROUTER), nullptr);
    EXPECT_EQ(helpfunc_selected_box.cfg.isdn_mode, router_defaults.isdn_mode);
    EXPECT_TRUE(is_managed("*RConfigDialog"));
    EXPECT_NE(XmVANTEROWidgets->SetPWDialog, nullptr) << "built ahead for the settings";
}

TEST_F(MainWindowTest, WhileBusyOnlyQuitIsTaken)
{
    four_routers();
    click(1);
    router_session_begin_action();
    for (MainAction a : {MAIN_ACTION_HELP, MAIN_ACTION_ROUTER, MAIN_ACTION_LINES,
                         MAIN_ACTION_LINEMON, MAIN_ACTION_ACCOUNTING, MAIN_ACTION_OVERVIEW,
                         MAIN_ACTION_REGISTER, MAIN_ACTION_DEREGISTER})
        MainCB(XmVANTEROWidgets->Overview, action_data(a), nullptr);
    EXPECT_FALSE(is_managed("*ConfigDialog"));
    EXPECT_FALSE(is_managed("*RConfigDialog"));
    EXPECT_FALSE(is_managed("*ScanDialog"));
    EXPECT_STREQ(helpfunc_selected_box.name, "10.77.0.2") << "no deregistration";
    EXPECT_EQ(action_running, 1);
    // Codes outside the table are ignored too.
    MainCB(XmVANTEROWidgets->Overview, action_data(static_cast<MainAction>(11)), nullptr);

    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(MainCB(XmVANTEROWidgets->Overview, action_data(MAIN_ACTION_QUIT), nullptr),
                ::testing::ExitedWithCode(0), "");
}

TEST_F(MainWindowTest, DeregistrationForgetsTablesAndRouter)
{
    four_routers();
    click(2);
    main_line_list = listhelp_new_line_list();
    main_line_list_copy = listhelp_new_line_list();
    main_route_list = listhelp_new_route_list();
    main_route_list_copy = listhelp_new_route_list();
    main_filter_list = listhelp_new_filter_list();
    main_filter_list_copy = listhelp_new_filter_list();
    auto* target = static_cast<LineTarget*>(myutil_malloc(sizeof(LineTarget)));
    *target = line_defaults;
    main_line_list->ops->list_append(main_line_list, target);
    selected_elem = main_line_list->head;
    helpfunc_main_state(MainState::REGISTERED_LINES);
    helpfunc_popup(Dialog::Error2Dialog);

    MainCB(XmVANTEROWidgets->Close, action_data(MAIN_ACTION_DEREGISTER), nullptr);

    EXPECT_EQ(main_line_list, nullptr);
    EXPECT_EQ(main_line_list_copy, nullptr);
    EXPECT_EQ(main_route_list, nullptr);
    EXPECT_EQ(main_filter_list_copy, nullptr);
    EXPECT_EQ(selected_elem, nullptr);
    EXPECT_STREQ(helpfunc_selected_box.name, "");
    EXPECT_STREQ(helpfunc_selected_box.hw_text, "");
    EXPECT_EQ(helpfunc_selected_box.sel_pos, -1);
    RouterSettings zero{};
    EXPECT_EQ(std::memcmp(&helpfunc_selected_box.cfg, &zero, sizeof zero), 0);
    EXPECT_TRUE(selected_positions(list()).empty());
    EXPECT_FALSE(is_managed("*Error2Dialog"));
    EXPECT_TRUE(is_sensitive("*MainForm*SelectionList"));
    EXPECT_TRUE(is_sensitive("*MainForm.Overview"));
    for (const char* b : {"*MainForm.Open", "*MainForm.ConfigureRouter", "*MainForm.ConfigureLines",
                          "*MainForm.LineMonitor", "*MainForm.Accounting", "*MainForm.Close"})
        EXPECT_FALSE(is_sensitive(b)) << b;
}

TEST_F(MainWindowTest, LogoOpensTheAboutBoxWhichClosesItself)
{
    AboutCB(nullptr, nullptr, nullptr);
    ASSERT_TRUE(is_managed("*AboutDialog"));
    EXPECT_EQ(label("*AboutDialog.AboutVersion"), "Version: 1.4.1");
    XtCallCallbacks(find("*AboutDialog.AboutOk"), XmNactivateCallback, nullptr);
    EXPECT_FALSE(is_managed("*AboutDialog"));
}

// ------------------------------------------------ with the back end ---

class MainWindowRouterTest : public MainWindowTest {};

TEST_F(MainWindowRouterTest, ReturnOnALineRegistersThatLineWithoutASelectionBefore)
{
    ASSERT_TRUE(start_back_end());
    SimRouter r1 = sim_router("r1", "10.77.0.2", "00:a0:f9:00:00:01");
    PeerProcess* peer = start_peer(1, {r1});
    ASSERT_NE(peer, nullptr);
    four_routers();
    ASSERT_TRUE(selected_positions(list()).empty());

    // Return on the list calls the default action alone.
    XmString item = nullptr;
    XmListCallbackStruct cbs = call_data(list(), 1, &item);
    MainCB(list(), action_data(MAIN_ACTION_DOUBLE_CLICK), &cbs);
    XmStringFree(item);

    EXPECT_EQ(helpfunc_selected_box.sel_pos, 1);
    EXPECT_STREQ(helpfunc_selected_box.name, "10.77.0.2");
    EXPECT_EQ(selected_positions(list()), std::vector<int>{1});
    EXPECT_EQ(action_running, 1);
    EXPECT_FALSE(is_sensitive("*MainForm*SelectionList"));
    EXPECT_FALSE(is_sensitive("*MainForm.Open"));
    auto opened = [&] {
        for (const std::string& e : peer->events("r1"))
            if (e.find("open accepted station=10.77.0.1") != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(pump_until(opened)) << peer->log_text();
}

TEST_F(MainWindowRouterTest, AnOpenThatDoesNotStartLeavesTheWindowUsable)
{
    ASSERT_TRUE(start_back_end());
    answer(0x0A4D00FF, 0, 9);  // a router answering as the broadcast address
    click(1);
    MainCB(XmVANTEROWidgets->Open, action_data(MAIN_ACTION_REGISTER), nullptr);
    EXPECT_EQ(action_running, 0);
    EXPECT_TRUE(is_sensitive("*MainForm*SelectionList"));
    EXPECT_TRUE(is_sensitive("*MainForm.Open"));
    EXPECT_TRUE(is_sensitive("*MainForm.Overview"));
    MainCB(XmVANTEROWidgets->Overview, action_data(MAIN_ACTION_DEREGISTER), nullptr);
    EXPECT_STREQ(helpfunc_selected_box.name, "") << "the window still takes actions";
}

TEST_F(MainWindowRouterTest, OverviewShowsTheNoticeAndForgetsEveryState)
{
    ASSERT_TRUE(start_back_end());
    four_routers();
    auto* first = static_cast<RouterEntry*>(main_router_list->head->element);
    first->have_state = 1;
    first->ch1_state = 3;
    myutil_copy_text(first->ch1_peer, "10.1.1.1");

    MainCB(XmVANTEROWidgets->Overview, action_data(MAIN_ACTION_OVERVIEW), nullptr);
    EXPECT_TRUE(is_managed("*ScanDialog"));
    EXPECT_EQ(label("*ScanDialog.ScanDialogMessage"), "Scanning Network - Please Wait");
    EXPECT_EQ(first->have_state, 0u);
    EXPECT_EQ(first->ch1_state, 0);
    EXPECT_STREQ(first->ch1_peer, "");
    EXPECT_TRUE(pump_until([&] { return !is_managed("*ScanDialog"); }, GUI_SCAN_WAIT_MS))
        << "the query's end marker ends the notice";
}

}  // namespace
