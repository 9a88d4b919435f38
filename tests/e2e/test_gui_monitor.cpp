// The unmodified graphical program against the simulated router, through the
// X server as a user works it: the router overview, the accounting window
// with "Read And Reset", and the line monitor with a hang-up, a connection
// dialled by hand and Close. What counts is what the router received and
// the windows on the screen; a screenshot of each window is kept under the
// build directory. Slow: it waits for the start-up scan and every step.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "gui_program.h"

namespace {

constexpr int STEP_MS = 8000;   // a window to show, a router to answer
constexpr int SETTLE_MS = 600;  // the last answer and a report on their way
constexpr int STATE_QUERY = 0xF032;
constexpr int GET_ENTRY_REQUEST = 0x1011;
constexpr int GET_ACCOUNTING_REQUEST = 0x1012;
constexpr int LINEMON_STOP_REQUEST = 0x1016;
constexpr int LATE_ACK_MS = 14000;  // a request sent again on the fourth tick, then answered

// The main window at +10+35 as the fallback resources lay it out (screen
// coordinates).
constexpr int LIST_X = 60, LIST_FIRST_LINE_Y = 154;
constexpr int REGISTER_X = 73, REGISTER_Y = 444;
constexpr int OVERVIEW_X = 320, OVERVIEW_Y = 444;
constexpr int CONNECTIONS_X = 428, CONNECTIONS_Y = 277;
constexpr int ACCOUNTING_X = 428, ACCOUNTING_Y = 337;

// Inside the dialogs (window coordinates).
constexpr int BUTTON_FROM_BOTTOM = 22;       // the middle of a bottom row button
constexpr int CLOSE_FROM_RIGHT = 70;         // "Close" 120 wide, 10 from the right
constexpr int RESET_X = 95;                  // "Read And Reset" 170 wide, 10 from the left
constexpr int DISCONNECT_1_FROM_RIGHT = 60;  // channel 1's "Disconnect"
constexpr int DISCONNECT_1_Y = 137;
constexpr int SETUP_LINE_X = 60;  // the set-up list's first line
constexpr int SETUP_FIRST_LINE_Y = 85;
constexpr int LIST_LINE_HEIGHT = 16;

void sleep_ms(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

class GuiMonitorSlowE2E : public GuiProgramTest {
protected:
    // Clicks the point (dx, dy) of a window, from its top left corner.
    void click_in(const XWindowInfo& w, int dx, int dy, int count = 1)
    {
        x().click(w.x + dx, w.y + dy, count);
    }

    void click_bottom(const XWindowInfo& w, int dx)
    {
        click_in(w, dx, w.height - BUTTON_FROM_BOTTOM);
    }

    bool event(const std::string& text) { return peer_->wait_event("r2", text, STEP_MS); }

    // The accounting requests the router received: mode and position of each.
    // A repeat the transport sent before the acknowledgement came back
    // carries the same number: it is the same request.
    std::vector<std::pair<int, int>> accounting_requests()
    {
        std::vector<std::pair<int, int>> out;
        for (const PeerLogLine& l : peer_->requests(PeerLogLine::RX, GET_ACCOUNTING_REQUEST))
            if (l.data.size() >= 3)
                out.push_back({l.data[0], l.data[1] << 8 | l.data[2]});
        return out;
    }

    bool wait_requests(size_t count)
    {
        for (int waited = 0; waited < STEP_MS; waited += 50) {
            if (accounting_requests().size() >= count)
                return true;
            sleep_ms(50);
        }
        return false;
    }

    PeerProcess* peer_ = nullptr;
};

TEST_F(GuiMonitorSlowE2E, OverviewAccountingAndConnectionsByHand)
{
    TEST_NETWORK_REQUIRE(net());
    SimRouter r = sim_router("r2", "10.77.0.2", "00:a0:f9:00:00:02");
    r.firmware = "1.4";
    r.channel[0].state = 3;
    r.channel[0].peer = "10.1.1.1";
    r.channel[0].phone = "111";
    SimLine first = gui_x75_line(0, "10.1.1.1", "111");
    first.counters[4] = 3000000000u;  // packets in, above 2^31
    r.lines = {first, gui_x75_line(1, "10.1.1.2", "222")};
    r.knobs = {"linemon-interval 200"};
    peer_ = start_peer(1, {r});
    ASSERT_NE(peer_, nullptr);

    start_program();
    XWindowInfo main;
    ASSERT_TRUE(x().wait_window(GUI_MAIN_TITLE, &main, STEP_MS));
    // The busy notice shows before it goes: only then has the scan ended.
    ASSERT_TRUE(wait_scan_end()) << "the scan ends";

    // The overview: the router's firmware and channels.
    x().click(OVERVIEW_X, OVERVIEW_Y);
    XWindowInfo overview;
    ASSERT_TRUE(x().wait_window("Router Status", &overview, STEP_MS));
    EXPECT_EQ(overview.x, 525);
    EXPECT_GE(peer_->datagrams(PeerLogLine::RX, STATE_QUERY).size(), 1u);
    EXPECT_TRUE(shot("overview"));
    click_bottom(overview, overview.width - CLOSE_FROM_RIGHT);
    ASSERT_TRUE(x().wait_gone("Router Status", STEP_MS));

    // Registration: the router's tables are read.
    x().click(LIST_X, LIST_FIRST_LINE_Y);
    x().click(REGISTER_X, REGISTER_Y);
    ASSERT_TRUE(event("open accepted station=10.77.0.1"));
    for (int waited = 0; peer_->requests(PeerLogLine::RX, GET_ENTRY_REQUEST).size() < 2;
         waited += 50) {
        ASSERT_LT(waited, STEP_MS) << "the line targets are read";
        sleep_ms(50);
    }

    // Accounting (it takes input once the tables are read), then "Read And
    // Reset": each line target is read plainly, then read and reset (mode
    // 0xFF), so that counters a router reset twice are told apart.
    XWindowInfo accounting;
    ASSERT_TRUE(x().click_until(ACCOUNTING_X, ACCOUNTING_Y, "Accounting", &accounting, STEP_MS));
    EXPECT_TRUE(shot("accounting"));
    click_bottom(accounting, RESET_X);
    ASSERT_TRUE(wait_requests(6));
    std::vector<std::pair<int, int>> expected = {{0x00, 0}, {0x00, 1}, {0x00, 0},
                                                 {0xFF, 0}, {0x00, 1}, {0xFF, 1}};
    EXPECT_EQ(accounting_requests(), expected);
    // Close is taken once the reading is over.
    ASSERT_TRUE(x().click_until_gone(accounting.x + accounting.width - CLOSE_FROM_RIGHT,
                                     accounting.y + accounting.height - BUTTON_FROM_BOTTOM,
                                     "Accounting", STEP_MS));

    // The line monitor: hang up channel 1, dial the second line target by
    // a double click, close.
    x().click(CONNECTIONS_X, CONNECTIONS_Y);
    XWindowInfo monitor;
    ASSERT_TRUE(x().wait_window("Line Monitor", &monitor, STEP_MS));
    ASSERT_TRUE(event("line monitor started"));
    sleep_ms(SETTLE_MS);  // the first report makes "Disconnect" sensitive
    EXPECT_TRUE(shot("line-monitor"));
    click_in(monitor, monitor.width - DISCONNECT_1_FROM_RIGHT, DISCONNECT_1_Y);
    ASSERT_TRUE(event("hangup channel=0"));
    sleep_ms(SETTLE_MS);
    click_bottom(monitor, monitor.width / 5);  // "Connect"
    XWindowInfo setup;
    ASSERT_TRUE(x().wait_window("Setup Connection", &setup, STEP_MS));
    click_in(setup, SETUP_LINE_X, SETUP_FIRST_LINE_Y + LIST_LINE_HEIGHT, 2);
    ASSERT_TRUE(event("dial position=1 channel=0")) << "the second line is position 1";
    ASSERT_TRUE(x().wait_gone("Setup Connection", STEP_MS));
    sleep_ms(SETTLE_MS);
    EXPECT_TRUE(shot("dialled"));
    click_bottom(monitor, monitor.width / 2);  // "Close"
    ASSERT_TRUE(event("line monitor stopped"));
    ASSERT_TRUE(x().wait_gone("Line Monitor", STEP_MS));

    // The window manager's close quits again once the dialogs are down.
    ASSERT_TRUE(x().close_window(main.id));
    EXPECT_EQ(wait_exit(), 0);
    EXPECT_TRUE(event("closed station=10.77.0.1"));
}

// A router slow to acknowledge the line monitor's stop: its first
// acknowledgement is lost, so the stop goes again on the fourth tick.
// Accounting pressed right after Close waits for that acknowledgement
// instead of ending the registration.
TEST_F(GuiMonitorSlowE2E, AccountingRightAfterCloseOfTheMonitorWaitsForTheStopsAcknowledgement)
{
    TEST_NETWORK_REQUIRE(net());
    SimRouter r = sim_router("r2", "10.77.0.2", "00:a0:f9:00:00:02");
    r.lines = {gui_x75_line(0, "10.1.1.1", "111"), gui_x75_line(1, "10.1.1.2", "222")};
    r.knobs = {"linemon-interval 200", "lose-acks 1 LINEMON_STOP_REQUEST"};
    peer_ = start_peer(1, {r});
    ASSERT_NE(peer_, nullptr);

    start_program();
    XWindowInfo main;
    ASSERT_TRUE(x().wait_window(GUI_MAIN_TITLE, &main, STEP_MS));
    ASSERT_TRUE(wait_scan_end()) << "the scan ends";
    x().click(LIST_X, LIST_FIRST_LINE_Y);
    x().click(REGISTER_X, REGISTER_Y);
    ASSERT_TRUE(event("open accepted station=10.77.0.1"));
    XWindowInfo monitor;
    ASSERT_TRUE(x().click_until(CONNECTIONS_X, CONNECTIONS_Y, "Line Monitor", &monitor, STEP_MS))
        << "the line monitor takes input once the tables are read";
    ASSERT_TRUE(event("line monitor started"));
    sleep_ms(SETTLE_MS);  // the start is acknowledged

    click_bottom(monitor, monitor.width / 2);  // "Close"
    x().click(ACCOUNTING_X, ACCOUNTING_Y);     // at once
    ASSERT_TRUE(x().wait_gone("Line Monitor", STEP_MS));
    XWindowInfo accounting;
    ASSERT_TRUE(x().wait_window("Accounting", &accounting, LATE_ACK_MS))
        << "the counters show once the stop is acknowledged";
    EXPECT_FALSE(x().wait_window("Error", nullptr, 0)) << "no failure";
    // Its first acknowledgement was lost: the stop went again (a loaded
    // machine may repeat it once more before the acknowledgement comes).
    EXPECT_GE(peer_->datagrams(PeerLogLine::RX, LINEMON_STOP_REQUEST).size(), 2u)
        << "the stop went again and was acknowledged";
    EXPECT_EQ(peer_->requests(PeerLogLine::RX, LINEMON_STOP_REQUEST).size(), 1u) << "one stop";
    std::vector<std::pair<int, int>> expected = {{0x00, 0}, {0x00, 1}};
    EXPECT_EQ(accounting_requests(), expected);
    EXPECT_TRUE(shot("accounting-after-late-ack"));

    // Still registered: "Read And Reset" is answered.
    click_bottom(accounting, RESET_X);
    ASSERT_TRUE(wait_requests(4)) << "the router stays registered";
    EXPECT_FALSE(peer_->wait_event("r2", "closed station=10.77.0.1", 0));
}

}  // namespace
