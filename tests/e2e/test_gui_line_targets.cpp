// The unmodified graphical program against the simulated router, driven
// through the X server as a user would: on an X server of the test's own,
// register a router that asks for a password, add a line target with
// "Create Default Route" and write the tables back. Slow: it waits for the
// start-up scan and for every step on the screen.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "gui_program.h"

namespace {

constexpr int GET_ENTRY_CODE = 0x1011;

// Where things stand in their windows (window coordinates), as the fallback
// resources lay them out.
constexpr int ROUTER_LINE_Y = 117;   // the first line of the router list
constexpr int LINE_TARGETS_X = 418;  // the main window's "Line Targets"
constexpr int LINE_TARGETS_Y = 181;
constexpr int ADD_X = 249;  // the table dialog's "Add"
constexpr int ADD_Y = 292;
constexpr int TABLE_OK_X = 101;  // the table dialog's "OK"
constexpr int TABLE_OK_Y = 421;
constexpr int HOST_X = 304;  // the editor's host field
constexpr int HOST_Y = 104;
constexpr int PHONE_X = 304;  // ... its telephone number
constexpr int PHONE_Y = 140;
constexpr int EDITOR_OK_X = 89;  // ... its "OK"
constexpr int EDITOR_OK_Y = 573;

int64_t now_ms()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void sleep_ms(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

class GuiProgramSlowTest : public GuiProgramTest {
protected:
    // Waits until the router has received `count` requests with `code`; a
    // repeat the transport sent before the acknowledgement came back is the
    // same request.
    static bool received(PeerProcess& peer, int code, size_t count)
    {
        const int64_t deadline = now_ms() + GUI_STEP_MS;
        while (peer.requests(PeerLogLine::RX, code).size() < count) {
            if (now_ms() >= deadline)
                return false;
            sleep_ms(50);
        }
        return true;
    }

    // The window titled `title` once it is shown; fails the test when none comes.
    XWindowInfo window(const std::string& title)
    {
        XWindowInfo w;
        EXPECT_TRUE(x().wait_window(title, &w, GUI_STEP_MS)) << "no window titled " << title;
        return w;
    }

    // A click at dx, dy of the window's own coordinates.
    void click(const XWindowInfo& w, int dx, int dy, int count = 1)
    {
        x().click(w.x + dx, w.y + dy, count);
    }
};

TEST_F(GuiProgramSlowTest, RegisterWithPasswordAddALineTargetWithItsRouteAndWriteBack)
{
    TEST_NETWORK_REQUIRE(net());

    SimRouter r = sim_router("r1", test_net_dotted(net().router_ip(1)), "00:a0:f9:00:00:01");
    r.password = "geheim";
    r.lines.push_back(gui_x75_line(0, "10.1.1.1", "111"));
    r.lines.push_back(gui_x75_line(1, "10.2.2.2", "222"));
    r.routes.push_back(sim_route(0, "255.255.255.0", "10.20.0.0", "10.1.1.1"));
    PeerProcess* started = start_peer(1, {r});
    ASSERT_NE(started, nullptr);
    PeerProcess& peer = *started;

    start_program();
    XWindowInfo main;
    ASSERT_TRUE(x().wait_window(GUI_MAIN_TITLE, &main, GUI_STEP_MS))
        << "the main window did not show";
    // A registration must not start before the scan has ended.
    ASSERT_TRUE(wait_scan_end()) << "the scan did not end";

    // A double click on the router's line registers it.
    click(main, 100, ROUTER_LINE_Y, 2);
    XWindowInfo prompt;
    ASSERT_TRUE(x().wait_window("Password", &prompt, GUI_STEP_MS)) << peer.log_text();
    // No window manager: the keyboard goes where the pointer is.
    x().move(prompt.x + 100, prompt.y + 50);
    x().type("geheim");
    x().key("Return");
    ASSERT_TRUE(peer.wait_event("r1", "open accepted", GUI_STEP_MS)) << peer.log_text();
    // Two line targets and a route are read, one request each.
    ASSERT_TRUE(received(peer, GET_ENTRY_CODE, 3)) << peer.log_text();
    ASSERT_TRUE(x().wait_gone("Please Wait", GUI_STEP_MS));

    // "Line Targets" takes input once the tables are read.
    XWindowInfo table;
    ASSERT_TRUE(x().click_until(main.x + LINE_TARGETS_X, main.y + LINE_TARGETS_Y,
                                "Target Configuration", &table, GUI_STEP_MS))
        << "the line-target table did not show";
    click(table, ADD_X, ADD_Y);
    const XWindowInfo editor = window("Basic Configuration");
    ASSERT_NE(editor.id, 0u);
    click(editor, HOST_X, HOST_Y);
    x().type("10.6.6.6");
    click(editor, PHONE_X, PHONE_Y);
    x().type("0306");
    click(editor, EDITOR_OK_X, EDITOR_OK_Y);
    ASSERT_TRUE(x().wait_gone("Basic Configuration", GUI_STEP_MS));
    click(table, TABLE_OK_X, TABLE_OK_Y);
    EXPECT_TRUE(x().wait_window("Message", nullptr, GUI_STEP_MS)) << "the write is confirmed";

    // The router holds the new line target and, first of its routes, the
    // host route for it.
    SimRouter now;
    const int64_t deadline = now_ms() + GUI_STEP_MS;
    while (now_ms() < deadline &&
           !(peer.router("r1", &now) && now.lines.size() == 3 && now.routes.size() == 2))
        sleep_ms(100);
    ASSERT_EQ(now.lines.size(), 3u) << peer.log_text();
    EXPECT_EQ(now.lines[0].host, "10.1.1.1");
    EXPECT_EQ(now.lines[1].host, "10.2.2.2");
    EXPECT_EQ(now.lines[2].host, "10.6.6.6");
    EXPECT_EQ(now.lines[2].phone, "0306");
    EXPECT_EQ(now.lines[2].l2, 1);
    EXPECT_EQ(now.lines[2].l3, 4);
    ASSERT_EQ(now.routes.size(), 2u);
    EXPECT_EQ(now.routes[0].mask, "255.255.255.255");
    EXPECT_EQ(now.routes[0].match, "10.6.6.6");
    EXPECT_EQ(now.routes[1].match, "10.20.0.0");
}

}  // namespace
