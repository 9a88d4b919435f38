// The session with the selected router: what each of its changes keeps and
// what it drops. A password belongs to the router it was typed for, and a
// line the program refuses leaves the selection as it was.
#include "router_session.h"

#include <gtest/gtest.h>

#include <cstring>

#include "myutil.h"
#include "record_defaults.h"

namespace {

constexpr const char* LINE_GW1 = " 00-a0-f9-00-00-01      10.77.0.2 ";
constexpr const char* LINE_GW2 = " 00-a0-f9-00-00-02      10.77.0.3 ";
constexpr const char* LINE_HELD = "(00-a0-f9-00-00-03      10.77.0.4)";

OpenReply accepted_reply()
{
    OpenReply reply;
    std::memset(&reply, 0, sizeof reply);
    reply.kind = OPEN_ACCEPTED;
    reply.n_lines = 3;
    reply.n_routes = 2;
    reply.n_filters = 1;
    myutil_copy_text(reply.text, "255.255.255.0");
    myutil_copy_text(reply.phone, "0301234");
    reply.isdn_mode = 1;
    myutil_copy_text(reply.firmware, "2.10");
    return reply;
}

// gw1 selected, registered with a typed password and the exclusive flag.
void register_gw1()
{
    router_session_reset_startup();
    ASSERT_TRUE(router_session_select(LINE_GW1, 1, false));
    router_session_start_registration();
    router_session_set_password("pw1");
    router_session_registered(accepted_reply());
    router_session_take_password("pw1", 1);
}

bool no_password_left()
{
    static const char zero[sizeof helpfunc_selected_box.cfg.password] = {};
    return std::memcmp(helpfunc_selected_box.cfg.password, zero, sizeof zero) == 0;
}

TEST(RouterSessionTest, RegistrationKeepsTheTypedPasswordAndTakesTheReply)
{
    register_gw1();
    const SelectedRouter& s = helpfunc_selected_box;
    EXPECT_STREQ(s.name, "10.77.0.2");
    EXPECT_STREQ(s.hw_text, "00-a0-f9-00-00-01");
    EXPECT_EQ(s.sel_pos, 1);
    EXPECT_EQ(s.n_lines, 3);
    EXPECT_EQ(s.n_routes, 2);
    EXPECT_EQ(s.n_filters, 1);
    EXPECT_STREQ(s.cfg.phone, "0301234");
    EXPECT_STREQ(s.cfg.password, "pw1") << "the router took the password typed for it";

    RouterSettings accepted = s.cfg;
    myutil_copy_text(accepted.name, "gw-neu");
    myutil_copy_text(accepted.password, "other");
    accepted.exclusive = 0;
    accepted.line_type = 2;
    router_session_take_settings(accepted);
    EXPECT_STREQ(s.cfg.name, "gw-neu");
    EXPECT_EQ(s.cfg.line_type, 2);
    EXPECT_STREQ(s.cfg.password, "pw1") << "a settings change leaves the password alone";
    EXPECT_EQ(s.cfg.exclusive, 1) << "and the exclusive flag";
}

TEST(RouterSessionTest, EveryOtherRouterOrNewVisitStartsWithoutPassword)
{
    const struct {
        const char* what;
        void (*change)();
        const char* name_after;
        int position_after;
    } cases[] = {
        {"another line selected", [] { router_session_select(LINE_GW2, 2, false); }, "10.77.0.3",
         2},
        {"the same line selected again", [] { router_session_select(LINE_GW1, 1, true); },
         "10.77.0.2", 1},
        {"a registration begins", [] { router_session_start_registration(); }, "10.77.0.2", 1},
        {"the prompt's password dropped", [] { router_session_set_password(nullptr); }, "10.77.0.2",
         1},
        {"the router forgotten", [] { router_session_forget_router(); }, "", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        register_gw1();
        c.change();
        EXPECT_TRUE(no_password_left());
        EXPECT_STREQ(helpfunc_selected_box.name, c.name_after);
        EXPECT_EQ(helpfunc_selected_box.sel_pos, c.position_after);
    }
}

TEST(RouterSessionTest, HeldLineLeavesTheSelectionAsItWas)
{
    register_gw1();
    const SelectedRouter before = helpfunc_selected_box;
    EXPECT_FALSE(router_session_select(LINE_HELD, 3, true));
    EXPECT_EQ(std::memcmp(&before, &helpfunc_selected_box, sizeof before), 0)
        << "the refused line leaves name, address, position and password of the selected router";
}

TEST(RouterSessionTest, ForgettingLeavesNoSettingsAndStartUpTheDefaults)
{
    register_gw1();
    router_session_forget_router();
    RouterSettings zero;
    std::memset(&zero, 0, sizeof zero);
    EXPECT_EQ(std::memcmp(&helpfunc_selected_box.cfg, &zero, sizeof zero), 0);
    EXPECT_STREQ(helpfunc_selected_box.hw_text, "");

    myutil_copy_text(router_defaults.phone, "0309999");
    router_session_reset_startup();
    EXPECT_STREQ(helpfunc_selected_box.cfg.phone, "0309999");
    router_session_forget_router();
    router_session_use_defaults();
    EXPECT_STREQ(helpfunc_selected_box.cfg.phone, "0309999");
    EXPECT_EQ(helpfunc_selected_box.sel_pos, -1) << "the defaults are settings, not a selection";
}

TEST(RouterSessionTest, BusyFlagFollowsBeginAndEnd)
{
    EXPECT_EQ(action_running, 0);
    router_session_begin_action();
    EXPECT_EQ(action_running, 1);
    router_session_begin_action();
    router_session_end_action();
    EXPECT_EQ(action_running, 0) << "one end ends the action, however often it was begun";
}

}  // namespace
