// The line-target table dialog "ConfigDialog": the list and its buttons,
// Delete, Cancel back to the router's copies, the two ends of the table
// transfer, and (against router-peer) writing the tables as the difference
// to what the router holds.
#include "line_target_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "config_file.h"
#include "host.h"
#include "message_tables.h"

namespace {

std::string file_text(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool file_exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

class LineTargetDialogTest : public LineTargetTest {
protected:
    // Hosts 10.<n>.<n>.<n>, telephone numbers <n><n><n>.
    static void lines(int count, int routes = 0)
    {
        std::vector<LineTarget> v;
        for (int n = 1; n <= count; ++n) {
            const std::string d = std::to_string(n);
            v.push_back(line(("10." + d + "." + d + "." + d).c_str(), (d + d + d).c_str()));
        }
        load_tables(v, routes);
    }

    static bool main_buttons(int router, int lines_button, int linemon, int accounting, int close)
    {
        const WidgetTable* w = t();
        return XtIsSensitive(w->ConfigureRouter) == (router != 0) &&
               XtIsSensitive(w->ConfigureLines) == (lines_button != 0) &&
               XtIsSensitive(w->LineMonitor) == (linemon != 0) &&
               XtIsSensitive(w->Accounting) == (accounting != 0) &&
               XtIsSensitive(w->Close) == (close != 0) && !XtIsSensitive(w->Open) &&
               !XtIsSensitive(w->Overview);
    }
};

TEST_F(LineTargetDialogTest, PopupListsEveryLineTargetWithTheRouterAndNothingSelected)
{
    lines(6);
    LineTarget seventh = line("host1234", "0301234");
    main_line_list->ops->list_append(main_line_list, main_line_list->copy(&seventh));
    helpfunc_popup(Dialog::ConfigDialog);
    pump();

    EXPECT_EQ(title("*ConfigDialog"), "Target Configuration");
    EXPECT_EQ(text_of(t()->ConfigIDText), "10.77.0.2");
    const std::vector<std::string> items = list_items(t()->LineList);
    ASSERT_EQ(items.size(), 7u);
    EXPECT_EQ(items[0], "  1.       10.1.1.1         111                 ");
    EXPECT_EQ(items[6], "  7.       host1234         0301234             ");
    EXPECT_EQ(items[6].size(), 48u);
    EXPECT_TRUE(selected_positions(t()->LineList).empty());
    EXPECT_FALSE(is_sensitive("*OpenLine"));
    EXPECT_FALSE(is_sensitive("*DeleteLine"));
    EXPECT_TRUE(is_sensitive("*AddLine"));

    const struct {
        const char* widget;
        const char* text;
    } labels[] = {
        {"*ConfigDialog.ConfigHeader", "Line Targets"},
        {"*ConfigDialog.ConfigIDLabel", "Router:"},
        {"*ConfigDialog.ConfigOk", "OK"},
        {"*ConfigDialog.ConfigClose", "Cancel"},
        {"*LineForm.DefineRouteTable", "Routing Table"},
        {"*LineForm.DefineFilterTable", "Filter Table"},
        {"*LineForm.TableLabel", "Table Definitions"},
        {"*LineForm.OpenLine", "Open"},
        {"*LineForm.AddLine", "Add"},
        {"*LineForm.DeleteLine", "Delete"},
        {"*ConfigMenuBar.ConfigFileCascade", "File"},
        {"*ConfigFileMenu.ConfigLoad", "Load"},
        {"*ConfigFileMenu.ConfigSave", "Save"},
        {"*ConfigHelpMenu.ConfigHelpHelp", "Help"},
    };
    for (const auto& l : labels)
        EXPECT_EQ(label(l.widget), l.text) << l.widget;
    int x = 0, y = 0;
    shell_position(t()->ConfigDialog, &x, &y);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 35);
}

TEST_F(LineTargetDialogTest, AddFollowsTheTableLimitAndThePermanentConnection)
{
    const struct {
        int lines;
        int line_type;
        bool add;
    } cases[] = {
        {29, 0, true}, {30, 0, false}, {0, 1, true}, {1, 1, false}, {1, 3, false}, {0, 2, true},
    };
    for (const auto& c : cases) {
        lines(c.lines);
        test_selected_box().cfg.line_type = static_cast<uint8_t>(c.line_type);
        helpfunc_popup(Dialog::ConfigDialog);
        EXPECT_EQ(is_sensitive("*AddLine"), c.add)
            << c.lines << " line targets, type " << c.line_type;
        // A press that comes anyway adds nothing beyond the limit.
        config_cb(CONFIG_ADD);
        EXPECT_EQ(is_managed("*Config2Dialog"), c.add);
        helpfunc_popdown(Dialog::Config2Dialog);
    }
}

TEST_F(LineTargetDialogTest, OpenAndDeleteWaitForASelectionOnEveryPopup)
{
    lines(3);
    helpfunc_popup(Dialog::ConfigDialog);

    // Nothing selected: both do nothing, even when called.
    config_cb(CONFIG_OPEN);
    EXPECT_FALSE(is_managed("*Config2Dialog"));
    config_cb(CONFIG_DELETE);
    EXPECT_EQ(main_line_list->count, 3);

    click(2);
    EXPECT_TRUE(is_sensitive("*OpenLine"));
    EXPECT_TRUE(is_sensitive("*DeleteLine"));
    XmListDeselectPos(t()->LineList, 2);
    config_cb(CONFIG_SELECT);
    EXPECT_FALSE(is_sensitive("*OpenLine"));
    EXPECT_FALSE(is_sensitive("*DeleteLine"));

    click(3);
    helpfunc_popup(Dialog::ConfigDialog);  // as the editor's OK or a Delete pops it up again
    EXPECT_TRUE(selected_positions(t()->LineList).empty());
    EXPECT_FALSE(is_sensitive("*OpenLine"));
    EXPECT_FALSE(is_sensitive("*DeleteLine"));
}

TEST_F(LineTargetDialogTest, DoubleClickAsTheFirstUseBuildsTheEditorAndFillsIt)
{
    lines(3);
    helpfunc_popup(Dialog::ConfigDialog);
    ASSERT_EQ(t()->Config2Dialog, nullptr);
    double_click(2);
    ASSERT_NE(t()->Config2Dialog, nullptr);
    EXPECT_TRUE(is_managed("*Config2Dialog"));
    EXPECT_EQ(text_of(t()->Config2Name), "10.2.2.2");
    EXPECT_EQ(text_of(t()->Config2Telefon), "222");
    EXPECT_EQ(selected_elem, main_line_list->ops->list_get_at(main_line_list, 2));
    EXPECT_EQ(selected_positions(t()->LineList), std::vector<int>{2});
    EXPECT_FALSE(XtIsManaged(t()->CreateRoute));

    // "Add" afterwards shows the toggle again and edits no node.
    config2_cb(CONFIG2_CANCEL);
    config_cb(CONFIG_ADD);
    EXPECT_EQ(selected_elem, nullptr);
    EXPECT_TRUE(XtIsManaged(t()->CreateRoute));
}

TEST_F(LineTargetDialogTest, DeleteRemovesTheSelectedLineTargetOnly)
{
    lines(3);
    helpfunc_popup(Dialog::ConfigDialog);
    click(2);
    config_cb(CONFIG_DELETE);
    EXPECT_EQ(hosts(main_line_list), (std::vector<std::string>{"10.1.1.1", "10.3.3.3"}));
    EXPECT_EQ(hosts(main_line_list_copy).size(), 3u) << "the router's copy waits for OK";
    const std::vector<std::string> items = list_items(t()->LineList);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1].substr(0, 19), "  2.       10.3.3.3");
    EXPECT_FALSE(is_sensitive("*OpenLine"));
    EXPECT_FALSE(is_sensitive("*DeleteLine"));
    EXPECT_TRUE(is_managed("*ConfigDialog"));
}

TEST_F(LineTargetDialogTest, CancelRestoresEveryTableFromTheRouterCopiesDeeply)
{
    lines(3, 2);
    helpfunc_popup(Dialog::ConfigDialog);
    myutil_copy_text(line_at(1)->phone, "999");
    click(3);
    config_cb(CONFIG_DELETE);
    RouteEntry extra = route("10.8.8.8");
    main_route_list->ops->list_append(main_route_list, main_route_list->copy(&extra));
    main_filter_list->ops->list_remove_at(main_filter_list, 1);

    config_cb(CONFIG_CANCEL);
    EXPECT_FALSE(is_managed("*ConfigDialog"));
    EXPECT_EQ(hosts(main_line_list), hosts(main_line_list_copy));
    EXPECT_EQ(hosts(main_line_list).size(), 3u);
    EXPECT_STREQ(line_at(1)->phone, "111");
    EXPECT_EQ(route_matches(main_route_list), route_matches(main_route_list_copy));
    EXPECT_EQ(main_filter_list->count, main_filter_list_copy->count);
    // The edited tables are copies of their own, not the router's.
    EXPECT_NE(main_line_list, main_line_list_copy);
    EXPECT_NE(main_line_list->head->element, main_line_list_copy->head->element);
    myutil_copy_text(line_at(2)->phone, "555");
    EXPECT_STREQ(static_cast<LineTarget*>(main_line_list_copy->head->next->element)->phone, "222");
    EXPECT_EQ(selected_elem, nullptr);
    EXPECT_FALSE(is_sensitive("*OpenLine"));
}

TEST_F(LineTargetDialogTest, WhileTheTablesAreWrittenEveryActionIsIgnored)
{
    lines(3);
    helpfunc_popup(Dialog::ConfigDialog);
    click(1);
    router_session_begin_action();
    for (int a : {int{CONFIG_OPEN}, int{CONFIG_ADD}, int{CONFIG_DELETE}, int{CONFIG_CANCEL},
                  int{CONFIG_OK}, 12})
        config_cb(a);
    EXPECT_EQ(main_line_list->count, 3);
    EXPECT_TRUE(is_managed("*ConfigDialog"));
    EXPECT_FALSE(is_managed("*Config2Dialog"));
    router_session_end_action();
}

TEST_F(LineTargetDialogTest, OkAndCancelAfterTheTablesWereDroppedDoNothing)
{
    lines(2);
    helpfunc_popup(Dialog::ConfigDialog);
    main_forget_tables();
    config_cb(CONFIG_OK);
    EXPECT_EQ(action_running, 0);
    EXPECT_FALSE(is_managed("*ScanDialog"));
    config_cb(CONFIG_CANCEL);
    EXPECT_EQ(main_line_list, nullptr);
    EXPECT_EQ(main_route_list, nullptr);
    EXPECT_FALSE(is_managed("*ConfigDialog"));
}

TEST_F(LineTargetDialogTest, TablesReadAtRegistrationBecomeTheProgramsWithTheirCopies)
{
    const struct {
        int lines;
        bool with_lines;  // "Connections" and "Accounting" too
    } cases[] = {{2, true}, {0, false}};
    for (const auto& c : cases) {
        lines(c.lines, 1);
        ListObject* read_lines = main_line_list->ops->list_copy(main_line_list);
        ListObject* read_routes = main_route_list->ops->list_copy(main_route_list);
        ListObject* read_filters = main_filter_list->ops->list_copy(main_filter_list);
        main_forget_tables();
        router_session_begin_action();
        cbfunc_get_config(read_lines, read_routes, read_filters);
        EXPECT_EQ(main_line_list, read_lines);
        EXPECT_EQ(main_route_list, read_routes);
        EXPECT_EQ(main_filter_list, read_filters);
        ASSERT_NE(main_line_list_copy, nullptr);
        EXPECT_NE(main_line_list_copy, main_line_list);
        EXPECT_EQ(hosts(main_line_list_copy), hosts(main_line_list));
        EXPECT_EQ(route_matches(main_route_list_copy), route_matches(main_route_list));
        EXPECT_EQ(main_filter_list_copy->count, 1);
        EXPECT_TRUE(main_buttons(1, 1, c.with_lines, c.with_lines, 1)) << c.lines;
        EXPECT_FALSE(is_sensitive("*MainForm*SelectionList"));
        EXPECT_EQ(action_running, 0);
        EXPECT_FALSE(is_managed("*Error2Dialog"));
    }
}

TEST_F(LineTargetDialogTest, UnknownLayer2ParametersAreWrittenOutAndTheNoticeSaysWhere)
{
    EmergencyFileLock lock;
    const std::string add_file = gui_data_dir() + "/qorvel.add";
    auto unknown = [](uint32_t code) {
        LineTarget l = line("10.4.4.4", "444");
        l.proto2 = nullptr;
        l.proto2_code = code;
        l.proto2_params = {999, 3, 1, 8, 2};
        return l;
    };
    struct Case {
        const char* name;
        uint32_t code;
        const char* data_dir;  // null: the test's own
        const char* notice;
    };
    const Case cases[] = {
        {"definitions written", 1, nullptr,
         "The Router Contains Unknown Protocols. The\nDefinitions Of These Protocols Are Saved "
         "In\nqorvel.add\nAll Connections With Known Protocols Are Saved In\n/tmp/save.cfg"},
        {"qorvel.add cannot be written", 1, "/nonexistent/qorvel-data",
         "The Router Contains Unknown Protocols. The\nDefinitions Of These Protocols Could Not "
         "Be Saved In\nqorvel.add\nAll Connections With Known Protocols Are Saved In\n/tmp/save.cfg"},
        {"no definition can be made", 255, nullptr,
         "The Router Contains Unknown Protocols.\nNo Definitions Can Be Made For These "
         "Protocols\nAll Connections With Known Protocols Are Saved In\n/tmp/save.cfg"},
    };
    const std::string own_dir = gui_data_dir();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(add_file.c_str());
        std::remove(CFG_EMERGENCY_PATH);
        setenv("QORVEL_PATH", c.data_dir != nullptr ? c.data_dir : own_dir.c_str(), 1);
        load_tables({line("10.1.1.1", "111"), unknown(c.code)});
        ListObject* read = main_line_list->ops->list_copy(main_line_list);
        ListObject* routes = main_route_list->ops->list_copy(main_route_list);
        ListObject* filters = main_filter_list->ops->list_copy(main_filter_list);
        main_forget_tables();
        router_session_begin_action();
        cbfunc_get_config(read, routes, filters);
        setenv("QORVEL_PATH", own_dir.c_str(), 1);

        EXPECT_TRUE(is_managed("*Error2Dialog"));
        EXPECT_EQ(label("*Error2Dialog.Error2DialogMessage"), c.notice);
        EXPECT_TRUE(main_buttons(1, 0, 0, 0, 1));
        EXPECT_EQ(action_running, 0);
        EXPECT_TRUE(file_exists(CFG_EMERGENCY_PATH));
        EXPECT_NE(file_text(CFG_EMERGENCY_PATH).find("10.1.1.1"), std::string::npos);
        if (c.code == 1 && c.data_dir == nullptr) {
            EXPECT_NE(file_text(add_file).find(
                          "2:x75_1 base=x75 blocksize=999 addr_a=3 addr_b=1 modulo=8 windowsize=2"),
                      std::string::npos);
        } else {
            EXPECT_FALSE(file_exists(add_file));
        }
        XtCallCallbacks(find("*Error2Dialog.Error2DialogOk"), XmNactivateCallback, nullptr);
        EXPECT_FALSE(is_managed("*Error2Dialog"));
    }
    std::remove(add_file.c_str());
    std::remove(CFG_EMERGENCY_PATH);
}

TEST_F(LineTargetDialogTest, WrittenTablesBecomeTheCopiesAndTheButtonsFollowTheLineTargets)
{
    struct Case {
        const char* name;
        int held;    // line targets the router held
        int edited;  // line targets written
        int count;   // entries sent
        bool with_lines;
        bool message;
    } const cases[] = {
        {"first line target", 0, 1, 1, true, true},
        {"last line target deleted", 1, 0, 1, false, true},
        {"nothing differed", 2, 2, 0, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        lines(c.held);
        helpfunc_main_state(c.held > 0 ? MainState::REGISTERED_LINES
                                       : MainState::REGISTERED_NO_LINES);
        lines(c.edited);
        main_line_list_copy->ops->list_destroy(main_line_list_copy);
        main_line_list_copy = listhelp_new_line_list();
        for (int n = 1; n <= c.held; ++n) {
            LineTarget l = line("10.7.7.7", "777");
            main_line_list_copy->ops->list_append(main_line_list_copy,
                                                  main_line_list_copy->copy(&l));
        }
        helpfunc_popup(Dialog::ConfigDialog);
        router_session_begin_action();
        cbfunc_put_config(c.count);

        EXPECT_EQ(action_running, 0);
        EXPECT_FALSE(is_managed("*ConfigDialog"));
        EXPECT_NE(main_line_list_copy, main_line_list);
        EXPECT_EQ(hosts(main_line_list_copy), hosts(main_line_list));
        EXPECT_TRUE(main_buttons(1, 1, c.with_lines, c.with_lines, 1));
        EXPECT_EQ(is_managed("*ErrorDialog"), c.message);
        if (c.message) {
            EXPECT_EQ(error_text(),
                      "Configuration was saved!\nTo Activate Changes Please Deregister");
            pump();
            EXPECT_EQ(title("*ErrorDialog"), "Message");
            int x = 0, y = 0;
            shell_position(t()->ErrorDialog, &x, &y);
            EXPECT_EQ(x, POSITION_LEFT_X);
        }
        helpfunc_popdown(Dialog::ErrorDialog);
    }
}

// ------------------------------------------------ with the back end ---

class LineTargetRouterTest : public LineTargetDialogTest {
protected:
    // A router with three line targets, two routes and one filter rule
    // besides the default rule.
    static SimRouter router()
    {
        SimRouter r = sim_router("r1", "10.77.0.2", "00:a0:f9:00:00:01");
        for (int i = 0; i < 3; ++i) {
            std::string n = std::to_string(i + 1);
            SimLine l = sim_line(i, "10." + n + "." + n + "." + n, n + n + n);
            l.l2 = 1;
            l.blocksize = file_x75_2.blocksize;
            l.addr_a = file_x75_2.addr_a;
            l.addr_b = file_x75_2.addr_b;
            l.modulo = file_x75_2.modulo;
            l.window = file_x75_2.windowsize;
            l.l3 = 4;
            l.timeout = 20;
            r.lines.push_back(l);
        }
        r.routes.push_back(sim_route(0, "255.255.255.0", "10.20.0.0", "10.1.1.1"));
        r.routes.push_back(sim_route(1, "255.255.255.0", "10.21.0.0", "10.2.2.2"));
        r.filters.push_back(
            sim_filter(0, "255.255.255.255", "10.1.1.1", "0.0.0.0", "0.0.0.0", 6, 1, 23));
        r.filters.push_back(sim_filter(1, "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 0, 1, 0));
        return r;
    }

    PeerProcess* registered(const SimRouter& r)
    {
        if (!start_back_end())
            return nullptr;
        PeerProcess* peer = start_peer(1, {r});
        if (peer == nullptr)
            return nullptr;
        register_router();
        if (!pump_until(registration_over, GUI_SCAN_WAIT_MS) || main_line_list == nullptr) {
            ADD_FAILURE() << "registration did not end with tables\n" << peer->log_text();
            return nullptr;
        }
        return peer;
    }

    static std::vector<PeerLogLine> puts(PeerProcess* peer)
    {
        return peer->datagrams(PeerLogLine::RX, 0x1017);
    }

    // The router's tables once `done` holds for them: the peer writes its
    // state file after the datagram it answered, which may come a little
    // after its answer.
    static SimRouter router_when(PeerProcess* peer,
                                 const std::function<bool(const SimRouter&)>& done)
    {
        SimRouter now;
        pump_until([&] { return peer->router("r1", &now) && done(now); });
        return now;
    }

    void write_and_wait()
    {
        config_cb(CONFIG_OK);
        ASSERT_TRUE(pump_until(registration_over, GUI_SCAN_WAIT_MS));
    }
};

TEST_F(LineTargetRouterTest, AddEditAndDeleteThenOkWritesExactlyTheDifference)
{
    PeerProcess* peer = registered(router());
    ASSERT_NE(peer, nullptr);
    EXPECT_EQ(hosts(main_line_list),
              (std::vector<std::string>{"10.1.1.1", "10.2.2.2", "10.3.3.3"}));
    MainCB(t()->ConfigureLines, action_data(MAIN_ACTION_LINES), nullptr);
    ASSERT_TRUE(is_managed("*ConfigDialog"));

    // Add with "Create Default Route".
    config_cb(CONFIG_ADD);
    XmToggleButtonSetState(t()->CreateRoute, True, False);
    type(t()->Config2Name, "10.6.6.6");
    type(t()->Config2Telefon, "0306");
    config2_cb(CONFIG2_OK);
    // Edit the second, delete the first.
    double_click(2);
    type(t()->Config2Telefon, "2222");
    config2_cb(CONFIG2_OK);
    click(1);
    config_cb(CONFIG_DELETE);
    write_and_wait();

    EXPECT_FALSE(is_managed("*ConfigDialog"));
    EXPECT_EQ(error_text(), "Configuration was saved!\nTo Activate Changes Please Deregister");
    SimRouter now = router_when(peer, [](const SimRouter& r) { return r.routes.size() == 3; });
    std::vector<std::string> router_lines;
    for (const SimLine& l : now.lines)
        router_lines.push_back(l.host + " " + l.phone);
    EXPECT_EQ(router_lines,
              (std::vector<std::string>{"10.2.2.2 2222", "10.3.3.3 333", "10.6.6.6 0306"}));
    ASSERT_EQ(now.routes.size(), 3u);
    EXPECT_EQ(now.routes[0].match, "10.6.6.6") << "the host route comes first";
    EXPECT_EQ(now.routes[0].mask, "255.255.255.255");
    EXPECT_EQ(now.routes[1].match, "10.20.0.0");
    EXPECT_EQ(now.filters.size(), 2u);
    // What the router holds is the new copy.
    EXPECT_EQ(hosts(main_line_list_copy),
              (std::vector<std::string>{"10.2.2.2", "10.3.3.3", "10.6.6.6"}));
    EXPECT_EQ(route_matches(main_route_list_copy).front(), "10.6.6.6");
}

TEST_F(LineTargetRouterTest, OkWithoutAChangeSendsNothingAndSaysNothing)
{
    PeerProcess* peer = registered(router());
    ASSERT_NE(peer, nullptr);
    helpfunc_popup(Dialog::ConfigDialog);
    config_cb(CONFIG_OK);
    // Nothing differs: the write ends before OK returns.
    EXPECT_EQ(action_running, 0);
    EXPECT_FALSE(is_managed("*ConfigDialog"));
    EXPECT_FALSE(is_managed("*ErrorDialog"));
    pump();
    EXPECT_TRUE(puts(peer).empty());
}

TEST_F(LineTargetRouterTest, CancelAfterEditsLeavesTheRouterAsItWas)
{
    PeerProcess* peer = registered(router());
    ASSERT_NE(peer, nullptr);
    helpfunc_popup(Dialog::ConfigDialog);
    click(1);
    config_cb(CONFIG_DELETE);
    main_route_list->ops->list_remove_at(main_route_list, 1);
    config_cb(CONFIG_CANCEL);
    helpfunc_popup(Dialog::ConfigDialog);
    config_cb(CONFIG_OK);
    EXPECT_EQ(action_running, 0);
    pump();
    EXPECT_TRUE(puts(peer).empty());
    EXPECT_EQ(hosts(main_line_list).size(), 3u);
    EXPECT_EQ(main_route_list->count, 2);
}

TEST_F(LineTargetRouterTest, MoreThanThirtyEntriesToWriteShowTheBusyNotice)
{
    PeerProcess* peer = registered(router());
    ASSERT_NE(peer, nullptr);
    for (int extra : {30, 31}) {
        SCOPED_TRACE(extra);
        for (int n = 0; n < extra; ++n) {
            const std::string match =
                "10.30." + std::to_string(extra) + "." + std::to_string(n + 1);
            RouteEntry r = route(match.c_str());
            main_route_list->ops->list_append(main_route_list, main_route_list->copy(&r));
        }
        helpfunc_popup(Dialog::ConfigDialog);
        config_cb(CONFIG_OK);
        EXPECT_EQ(is_managed("*ScanDialog"), extra > 30);
        if (extra > 30) {
            EXPECT_EQ(label("*ScanDialog.ScanDialogMessage"), "Putting Data To The Router");
        }
        ASSERT_TRUE(pump_until(registration_over, 3 * GUI_SCAN_WAIT_MS));
        EXPECT_FALSE(is_managed("*ScanDialog"));
        helpfunc_popdown(Dialog::ErrorDialog);
        // Back to the router's two routes for the next round.
        while (main_route_list->count > 2)
            main_route_list->ops->list_remove_at(main_route_list, main_route_list->count);
        helpfunc_popup(Dialog::ConfigDialog);
        config_cb(CONFIG_OK);
        ASSERT_TRUE(pump_until(registration_over, 3 * GUI_SCAN_WAIT_MS));
        helpfunc_popdown(Dialog::ErrorDialog);
    }
    // Counted by number: a repeat the transport sent before the
    // acknowledgement came back is the same request.
    std::set<int> puts_sent;
    for (const PeerLogLine& l : peer->datagrams(PeerLogLine::RX, 0x1017))
        puts_sent.insert(l.seq);
    EXPECT_EQ(puts_sent.size(), 4u * 30 + 2);
    SimRouter now = router_when(peer, [](const SimRouter& r) { return r.routes.size() == 2; });
    EXPECT_EQ(now.routes.size(), 2u);
}

TEST_F(LineTargetRouterTest, TableFullOnAPutAsksForTheDownloadWithTheTablesKept)
{
    SimRouter r = router();
    r.knobs = {"status put 11"};
    PeerProcess* peer = registered(r);
    ASSERT_NE(peer, nullptr);
    helpfunc_popup(Dialog::ConfigDialog);
    click(1);
    config_cb(CONFIG_DELETE);
    write_and_wait();

    EXPECT_TRUE(is_managed("*QuestionDialog"));
    EXPECT_FALSE(is_managed("*ConfigDialog"));
    ASSERT_NE(main_line_list, nullptr);
    EXPECT_EQ(hosts(main_line_list), (std::vector<std::string>{"10.2.2.2", "10.3.3.3"}));
    EXPECT_EQ(hosts(main_line_list_copy).size(), 3u);
    EXPECT_STREQ(helpfunc_selected_box.name, "10.77.0.2");
}

// The router takes the first puts of a write and refuses its delete: it is
// left with part of the new table, and the message says so and where the
// tables as edited are.
TEST_F(LineTargetRouterTest, WriteThatFailsPartWaySaysSoAndSavesTheEditedTables)
{
    EmergencyFileLock lock;
    std::remove(CFG_EMERGENCY_PATH);
    SimRouter r = router();
    r.knobs = {"status delete 10"};
    PeerProcess* peer = registered(r);
    ASSERT_NE(peer, nullptr);
    helpfunc_popup(Dialog::ConfigDialog);
    click(1);
    config_cb(CONFIG_DELETE);
    write_and_wait();

    EXPECT_EQ(error_text(),
              "Protocol Violation - Connection Closed\n"
              "The Router's Tables May Be Partly Written\n"
              "Configuration Saved To /tmp/save.cfg");
    EXPECT_EQ(main_line_list, nullptr);
    SimRouter now = router_when(peer, [](const SimRouter& s) {
        return !s.lines.empty() && s.lines[0].host == "10.2.2.2" && s.lines[1].host == "10.3.3.3";
    });
    ASSERT_EQ(now.lines.size(), 3u) << "the last entry was not deleted";
    EXPECT_EQ(now.lines[2].host, "10.3.3.3");

    ListObject* lines = listhelp_new_line_list();
    ListObject* routes = listhelp_new_route_list();
    ListObject* filters = listhelp_new_filter_list();
    int line = 0;
    int column = 0;
    ASSERT_EQ(file_load_config(CFG_EMERGENCY_PATH, &lines, &routes, &filters, &line, &column, 0),
              CFG_OK);
    EXPECT_EQ(hosts(lines), (std::vector<std::string>{"10.2.2.2", "10.3.3.3"}));
    EXPECT_EQ(routes->count, 2);
    for (ListObject* l : {lines, routes, filters})
        l->ops->list_destroy(l);

    // The next failure is no longer one of that write.
    register_router();
    ASSERT_TRUE(pump_until(registration_over, GUI_SCAN_WAIT_MS));
    ASSERT_NE(main_line_list, nullptr);
    main_error(STATUS_PROTOCOL_VIOLATION);
    EXPECT_EQ(error_text(),
              "Protocol Violation - Connection Closed\nConfiguration Saved To /tmp/save.cfg");
    std::remove(CFG_EMERGENCY_PATH);
}

TEST_F(LineTargetRouterTest, UnknownLayer2ParametersFromTheRouterWriteTheirDefinition)
{
    EmergencyFileLock lock;
    const std::string add_file = gui_data_dir() + "/qorvel.add";
    std::remove(add_file.c_str());
    std::remove(CFG_EMERGENCY_PATH);
    SimRouter r = router();
    r.lines[2].blocksize = 999;
    PeerProcess* peer = registered(r);
    ASSERT_NE(peer, nullptr);

    EXPECT_TRUE(is_managed("*Error2Dialog"));
    EXPECT_TRUE(main_buttons(1, 0, 0, 0, 1));
    EXPECT_NE(file_text(add_file).find("2:x75_1 base=x75 blocksize=999"), std::string::npos)
        << file_text(add_file);
    EXPECT_NE(file_text(CFG_EMERGENCY_PATH).find("10.1.1.1"), std::string::npos);
    std::remove(add_file.c_str());
    std::remove(CFG_EMERGENCY_PATH);
}

}  // namespace
