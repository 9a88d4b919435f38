// Registration against router-peer: with and without a password, the hidden
// entry that keeps exactly what was typed, the refusals with their
// messages, and the busy notice of a long table read.
#include "line_target_fixture.h"

#include "password_buffer.h"
#include "registration.h"
#include "router_registration.h"
#include "router_password_dialogs.h"
#include "router_settings_dialog.h"

namespace {

class RouterRegistrationTest : public LineTargetTest {
protected:
    // An x75/null line target with the built-in x75 parameters.
    static SimLine known_line(int index, const std::string& host, const std::string& phone)
    {
        SimLine l = sim_line(index, host, phone);
        l.l2 = 1;
        l.blocksize = file_x75_2.blocksize;
        l.addr_a = file_x75_2.addr_a;
        l.addr_b = file_x75_2.addr_b;
        l.modulo = file_x75_2.modulo;
        l.window = file_x75_2.windowsize;
        l.l3 = 4;
        l.timeout = 20;
        return l;
    }

    static SimRouter router()
    {
        SimRouter r = sim_router("r1", "10.77.0.2", "00:a0:f9:00:00:01");
        r.netmask = "255.255.0.0";
        r.phone = "0301234";
        r.isdn = 1;
        r.permanent = 0;
        r.firmware = "2.10";
        for (int i = 0; i < 2; ++i) {
            std::string n = std::to_string(i + 1);
            r.lines.push_back(known_line(i, "10." + n + "." + n + "." + n, n + n + n));
        }
        r.routes.push_back(sim_route(0, "255.255.255.0", "10.20.0.0", "10.1.1.1"));
        return r;
    }

    static PasswordPrompt* prompt() { return registration_prompt(); }

    // Typing as the text field reports it: the toolkit replaces the
    // characters from `start` to `end` and calls modify-verify first.
    static void edit(long start, long end, const char* text)
    {
        XmTextFieldReplace(t()->PWText, start, end, const_cast<char*>(text));
    }

    static void enter()
    {
        XmAnyCallbackStruct cbs{};
        cbs.reason = XmCR_ACTIVATE;
        XtCallCallbacks(t()->PWText, XmNactivateCallback, &cbs);
    }

    bool prompt_up()
    {
        return pump_until([] { return is_managed("*PWDialog"); });
    }
};

TEST_F(RouterRegistrationTest, WithoutPasswordTheTablesAreReadAndTheSettingsKept)
{
    ASSERT_TRUE(start_back_end());
    ASSERT_NE(start_peer(1, {router()}), nullptr);
    register_router();
    EXPECT_EQ(action_running, 1);
    ASSERT_TRUE(pump_until(registration_over, GUI_SCAN_WAIT_MS));

    EXPECT_FALSE(is_managed("*PWDialog"));
    EXPECT_FALSE(is_managed("*ErrorDialog"));
    EXPECT_EQ(hosts(main_line_list), (std::vector<std::string>{"10.1.1.1", "10.2.2.2"}));
    EXPECT_EQ(hosts(main_line_list_copy), hosts(main_line_list));
    EXPECT_EQ(route_matches(main_route_list), std::vector<std::string>{"10.20.0.0"});
    ASSERT_NE(main_filter_list, nullptr);
    EXPECT_EQ(main_filter_list->count, 1) << "the default rule closes the table";
    const SelectedRouter& s = test_selected_box();
    EXPECT_EQ(s.n_lines, 2);
    EXPECT_EQ(s.n_routes, 1);
    EXPECT_STREQ(s.cfg.name, "10.77.0.2");
    EXPECT_STREQ(s.cfg.netmask, "255.255.0.0");
    EXPECT_STREQ(s.cfg.phone, "0301234");
    EXPECT_STREQ(s.cfg.firmware, "2.10");
    EXPECT_EQ(s.cfg.isdn_mode, 1);
    EXPECT_EQ(s.cfg.line_type, 0);
    EXPECT_STREQ(s.cfg.password, "");
    for (const char* b : {"*MainForm.ConfigureRouter", "*MainForm.ConfigureLines",
                          "*MainForm.LineMonitor", "*MainForm.Accounting", "*MainForm.Close"})
        EXPECT_TRUE(is_sensitive(b)) << b;
    EXPECT_FALSE(is_sensitive("*MainForm.Open"));
    EXPECT_FALSE(is_sensitive("*MainForm.Overview"));
}

TEST_F(RouterRegistrationTest, TheRouterGetsExactlyWhatWasTypedWhereverItWasEdited)
{
    ASSERT_TRUE(start_back_end());
    SimRouter r = router();
    r.password = "geheim";
    PeerProcess* peer = start_peer(1, {r});
    ASSERT_NE(peer, nullptr);
    register_router();
    ASSERT_TRUE(prompt_up()) << peer->log_text();
    EXPECT_EQ(title("*PWDialog"), "Password");
    EXPECT_EQ(text_of(t()->PWText), "");

    // Ten characters fill the entry; an eleventh is not taken.
    edit(0, 0, "0123456789");
    edit(10, 10, "A");
    EXPECT_STREQ(prompt()->typed, "0123456789");
    EXPECT_EQ(text_of(t()->PWText), "XXXXXXXXXX");
    // A selection replaced by a paste, a character deleted in the middle.
    edit(0, 10, "gexheim");
    EXPECT_STREQ(prompt()->typed, "gexheim");
    edit(2, 3, "");
    EXPECT_STREQ(prompt()->typed, "geheim");
    EXPECT_EQ(text_of(t()->PWText), "XXXXXX");

    enter();
    EXPECT_FALSE(is_managed("*PWDialog"));
    enter();  // a second Enter already on its way sends nothing more
    ASSERT_TRUE(pump_until(registration_over, GUI_SCAN_WAIT_MS));
    EXPECT_FALSE(is_managed("*ErrorDialog")) << error_text();
    EXPECT_STREQ(helpfunc_selected_box.cfg.password, "geheim");
    EXPECT_EQ(hosts(main_line_list).size(), 2u);
    EXPECT_TRUE(peer->wait_event("r1", "open accepted")) << peer->log_text();
}

TEST_F(RouterRegistrationTest, RefusalsShowTheirReasonAndLeaveNothingRegistered)
{
    ASSERT_TRUE(start_back_end());
    struct Case {
        const char* name;
        const char* password;  // the router's
        const char* typed;     // at the prompt, when it asks
        const char* holder;
        const char* exclusive;
        const char* knob;
        const char* message;
    };
    const Case cases[] = {
        {"wrong password", "geheim", "falsch", "0.0.0.0", "0.0.0.0", nullptr,
         "Wrong Password - Cannot Register"},
        {"held by another station", "", nullptr, "10.77.0.9", "0.0.0.0", nullptr,
         "Router Is Already Connected\nTo 10.77.0.9"},
        {"password not given in time", "geheim", nullptr, "0.0.0.0", "0.0.0.0",
         "password-timeout 300", "Timeout During Password Input"},
        {"only another station may configure it", "", nullptr, "0.0.0.0", "10.77.0.9", nullptr,
         "Get CloseReply - Cannot Register"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        peers_.clear();
        SimRouter r = router();
        r.password = c.password;
        r.holder = c.holder;
        r.exclusive = c.exclusive;
        if (c.knob != nullptr)
            r.knobs.push_back(c.knob);
        PeerProcess* peer = start_peer(1, {r});
        ASSERT_NE(peer, nullptr);
        myutil_copy_text(test_selected_box().cfg.password, "old");
        register_router();
        if (*c.password != '\0') {
            ASSERT_TRUE(prompt_up()) << peer->log_text();
            if (c.typed != nullptr) {
                edit(0, 0, c.typed);
                enter();
            }
        }
        ASSERT_TRUE(pump_until(registration_over, GUI_SCAN_WAIT_MS)) << peer->log_text();
        pump();
        EXPECT_FALSE(is_managed("*PWDialog"));
        EXPECT_TRUE(is_managed("*ErrorDialog"));
        EXPECT_EQ(error_text(), c.message);
        EXPECT_EQ(title("*ErrorDialog"), "Error");
        int x = 0, y = 0;
        shell_position(t()->ErrorDialog, &x, &y);
        EXPECT_EQ(x, POSITION_LEFT_X);
        EXPECT_EQ(main_line_list, nullptr);
        EXPECT_STREQ(helpfunc_selected_box.cfg.password, "");
        EXPECT_STREQ(helpfunc_selected_box.name, "10.77.0.2") << "the selection is kept";
        EXPECT_TRUE(is_sensitive("*MainForm*SelectionList"));
        EXPECT_TRUE(selected_positions(t()->SelectionList).empty());
        EXPECT_FALSE(is_sensitive("*MainForm.Open"));
        EXPECT_TRUE(is_sensitive("*MainForm.Overview"));
        EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
        helpfunc_popdown(Dialog::ErrorDialog);
    }
}

// A password typed for one router is never taken for the next: here the
// registration of the first fails after its password, while its tables are
// read, and the second router asks for none.
TEST_F(RouterRegistrationTest, APasswordBelongsToTheRouterItWasTypedFor)
{
    ASSERT_TRUE(start_back_end());
    SimRouter a = router();
    a.password = "pw1";
    // A numbered message before the acknowledgement of the first table
    // request ends the read.
    a.knobs.push_back("own GET_ENTRY_REQUEST LINEMON_DATA");
    SimRouter b = router();
    b.name = "r2";
    b.address = "10.77.0.3";
    b.hw = "00:a0:f9:00:00:02";
    PeerProcess* peer_a = start_peer(1, {a});
    ASSERT_NE(peer_a, nullptr);
    ASSERT_NE(start_peer(2, {b}), nullptr);

    register_router("10.77.0.2");
    ASSERT_TRUE(prompt_up()) << peer_a->log_text();
    edit(0, 0, "pw1");
    enter();
    ASSERT_TRUE(pump_until(registration_over, GUI_SCAN_WAIT_MS)) << peer_a->log_text();
    pump();
    ASSERT_TRUE(is_managed("*ErrorDialog"));
    EXPECT_EQ(error_text(), "Protocol Violation - Connection Closed");
    EXPECT_EQ(main_line_list, nullptr);
    helpfunc_popdown(Dialog::ErrorDialog);

    register_router("10.77.0.3");
    ASSERT_TRUE(pump_until(registration_over, GUI_SCAN_WAIT_MS));
    EXPECT_FALSE(is_managed("*PWDialog"));
    EXPECT_FALSE(is_managed("*ErrorDialog")) << error_text();
    ASSERT_NE(main_line_list, nullptr) << "the second router is registered";
    EXPECT_STREQ(helpfunc_selected_box.cfg.password, "");

    // Its settings show no password to delete.
    MainCB(nullptr, action_data(MAIN_ACTION_ROUTER), nullptr);
    ASSERT_TRUE(pump_until([] { return is_managed("*RConfigDialog"); }));
    RConfigCB(nullptr, action_data(RCONFIG_ACTION_PASSWORD), nullptr);
    ASSERT_TRUE(pump_until([] { return is_managed("*SetPWDialog"); }));
    EXPECT_STREQ(setpw_proposed_password(), "");
    EXPECT_FALSE(XtIsSensitive(t()->SetPWDelete));
    SetPWCB(nullptr, action_data(SETPW_ACTION_CANCEL), nullptr);
    RConfigCB(nullptr, action_data(RCONFIG_ACTION_CANCEL), nullptr);
}

// The back end gives an open up without calling the open's callback when
// the router being opened sends a faulty message (or no reply in time): it
// reports the failure instead, and the main window must not stay busy
// waiting for an answer that will not come.
TEST_F(RouterRegistrationTest, AnOpenGivenUpLeavesTheMainWindowUsable)
{
    ASSERT_TRUE(start_back_end());
    for (const char* password : {"", "geheim"}) {
        SCOPED_TRACE(*password != '\0' ? "after the password" : "without a password");
        peers_.clear();
        SimRouter faulty = router();
        faulty.password = password;
        // Before its acknowledgement, a message that no open awaits.
        faulty.knobs.push_back(*password != '\0' ? "own PASSWORD_REPLY SCAN_REPLY"
                                                 : "own OPEN_REQUEST SCAN_REPLY");
        SimRouter sound = router();
        sound.name = "r2";
        sound.address = "10.77.0.20";
        sound.hw = "00:a0:f9:00:00:02";
        PeerProcess* peer = start_peer(1, {faulty, sound});
        ASSERT_NE(peer, nullptr);
        register_router();
        if (*password != '\0') {
            ASSERT_TRUE(prompt_up()) << peer->log_text();
            edit(0, 0, password);
            enter();
        }
        ASSERT_TRUE(pump_until(registration_over, GUI_SCAN_WAIT_MS)) << peer->log_text();
        EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
        ASSERT_TRUE(is_managed("*ErrorDialog"));
        EXPECT_EQ(error_text(), "Protocol Violation - Connection Closed");
        EXPECT_FALSE(is_managed("*PWDialog"));
        EXPECT_FALSE(is_managed("*ScanDialog"));
        EXPECT_EQ(main_line_list, nullptr);
        EXPECT_TRUE(is_sensitive("*MainForm*SelectionList"));
        EXPECT_TRUE(is_sensitive("*MainForm.Overview"));
        helpfunc_popdown(Dialog::ErrorDialog);

        // The next registration runs.
        register_router("10.77.0.20");
        EXPECT_EQ(action_running, 1);
        ASSERT_TRUE(pump_until(registration_over, GUI_SCAN_WAIT_MS)) << peer->log_text();
        EXPECT_FALSE(is_managed("*ErrorDialog")) << error_text();
        ASSERT_NE(main_line_list, nullptr);
        EXPECT_EQ(main_line_list->count, 2);
        EXPECT_TRUE(peer->wait_event("r2", "open accepted"));
        highstate_close_router();
        main_forget_tables();
        pump_until([] { return highstate_get_state() == HIGHSTATE_IDLE; });
    }
}

TEST_F(RouterRegistrationTest, FullTablesAreReadWhole)
{
    ASSERT_TRUE(start_back_end());
    SimRouter r = router();
    r.lines.clear();
    for (int i = 0; i < MAX_LINE_TARGETS; ++i)
        r.lines.push_back(
            known_line(i, "10.3.0." + std::to_string(i + 1), std::to_string(1000 + i)));
    r.routes.clear();
    for (int i = 0; i < MAX_ROUTES; ++i)
        r.routes.push_back(
            sim_route(i, "255.255.255.255", "10.4.0." + std::to_string(i + 1), "10.1.1.1"));
    for (int i = 0; i < MAX_FILTERS - 1; ++i)
        r.filters.push_back(sim_filter(i, "255.255.255.255", "10.5.0." + std::to_string(i + 1),
                                       "0.0.0.0", "0.0.0.0", 6, i % 2, 23));
    r.filters.push_back(
        sim_filter(MAX_FILTERS - 1, "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 0, 0, 0));
    ASSERT_NE(start_peer(1, {r}), nullptr);
    register_router();
    ASSERT_TRUE(pump_until(registration_over, 3 * GUI_SCAN_WAIT_MS));

    ASSERT_NE(main_line_list, nullptr);
    EXPECT_EQ(main_line_list->count, MAX_LINE_TARGETS);
    EXPECT_EQ(main_route_list->count, MAX_ROUTES);
    EXPECT_EQ(main_filter_list->count, MAX_FILTERS) << "the router's own default rule closes it";
    EXPECT_EQ(hosts(main_line_list).back(), "10.3.0.30");
    EXPECT_EQ(route_matches(main_route_list).back(), "10.4.0.64");
    EXPECT_EQ(main_line_list_copy->count, MAX_LINE_TARGETS);
    EXPECT_EQ(main_route_list_copy->count, MAX_ROUTES);
    EXPECT_EQ(main_filter_list_copy->count, MAX_FILTERS);
    helpfunc_popup(Dialog::ConfigDialog);
    EXPECT_EQ(list_items(t()->LineList).size(), static_cast<size_t>(MAX_LINE_TARGETS));
    EXPECT_FALSE(is_sensitive("*AddLine"));
}

TEST_F(RouterRegistrationTest, MoreThanThirtyEntriesToReadShowTheBusyNotice)
{
    ASSERT_TRUE(start_back_end());
    for (int routes : {14, 15}) {
        SCOPED_TRACE(routes);
        peers_.clear();
        main_forget_tables();
        SimRouter r = router();
        for (int i = 2; i < 10; ++i)
            r.lines.push_back(known_line(i, "10.3.0." + std::to_string(i), "1"));
        r.routes.clear();
        for (int i = 0; i < routes; ++i)
            r.routes.push_back(
                sim_route(i, "255.255.255.255", "10.4.0." + std::to_string(i + 1), "10.1.1.1"));
        for (int i = 0; i < 6; ++i)
            r.filters.push_back(sim_filter(i, "255.255.255.255", "10.5.0." + std::to_string(i + 1),
                                           "0.0.0.0", "0.0.0.0", 6, 1, 23));
        r.knobs.push_back("delay 5");
        ASSERT_NE(start_peer(1, {r}), nullptr);
        bool notice = false;
        register_router();
        ASSERT_TRUE(pump_until(
            [&] {
                if (is_managed("*ScanDialog")) {
                    notice = true;
                    EXPECT_EQ(label("*ScanDialog.ScanDialogMessage"),
                              "Getting Data From The Router");
                }
                return registration_over();
            },
            3 * GUI_SCAN_WAIT_MS));
        EXPECT_EQ(notice, 10 + routes + 6 > 30);
        EXPECT_FALSE(is_managed("*ScanDialog"));
        ASSERT_NE(main_route_list, nullptr);
        EXPECT_EQ(main_route_list->count, routes);
        highstate_close_router();
        pump_until([] { return highstate_get_state() == HIGHSTATE_IDLE; });
    }
}

}  // namespace
