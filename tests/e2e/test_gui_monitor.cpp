// The unmodified graphical program against the simulated router, through the
// X server as a user works it: the router overview, the accounting window
// with "Read And Reset", and the line monitor with a hang-up, a connection
// dialled by hand and Close. What counts is what the router received and
// the windows on the screen; a screenshot of each window is kept under the
// build directory. Slow: it waits for the start-up scan and every step.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "peer_process.h"
#include "temp_dir.h"
#include "test_network.h"
#include "x_display.h"

namespace {

constexpr const char* GUI_PROGRAM = QORVEL_BUILD_DIR "/gui/qorvel";
constexpr const char* ARTIFACTS = QORVEL_BUILD_DIR "/test-artifacts";
constexpr int STEP_MS = 8000;       // a window to show, a router to answer
constexpr int SCAN_END_MS = 10000;  // the scan's end marker comes on its fourth tick
constexpr int EXIT_MS = 10000;      // a sanitizer build exits slowly
constexpr int SETTLE_MS = 600;      // the last answer and a report on their way
constexpr int STATE_QUERY = 0xF032;
constexpr int GET_ENTRY_REQUEST = 0x1011;
constexpr int GET_ACCOUNTING_REQUEST = 0x1012;

constexpr const char* MAIN_TITLE = "quarnVANTERO";
constexpr const char* NOTICE_TITLE = "Please Wait";

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
constexpr int SETUP_LINE_X = 60;             // the set-up list's first line
constexpr int SETUP_FIRST_LINE_Y = 85;
constexpr int LIST_LINE_HEIGHT = 16;

void sleep_ms(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// A line target with the built-in x75 and null definitions, so that the
// tables read are the program's to use.
SimLine x75_line(int index, const std::string& host, const std::string& phone)
{
    SimLine l = sim_line(index, host, phone);
    l.l2 = 1;
    l.blocksize = 1500;
    l.addr_a = 3;
    l.addr_b = 1;
    l.modulo = 8;
    l.window = 7;
    l.l3 = 4;
    l.byte = 8;
    l.timeout = 20;
    return l;
}

class GuiMonitorSlowE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (access(GUI_PROGRAM, X_OK) != 0)
            GTEST_SKIP() << GUI_PROGRAM << " is not built";
        server_ = std::make_unique<XvfbServer>();
        if (!server_->ok())
            GTEST_SKIP() << "no X server for the test: " << server_->error();
        x_ = std::make_unique<XSession>(server_->display());
        ASSERT_TRUE(x_->ok());
        data_.write("qorvel.def",
                    "qorvel_hostname 10.77.0.1\n"
                    "qorvel_netmask 255.255.255.0\n"
                    "qorvel_name_resolving off\n");
    }

    void TearDown() override
    {
        if (HasFailure() && x_ && x_->ok())
            shot("at-failure");
        if (program_ > 0)
            net_->stop(program_);
        peer_.reset();
        x_.reset();
        server_.reset();
    }

    void shot(const std::string& what)
    {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        x_->screenshot(std::string(ARTIFACTS) + "/" + test->test_suite_name() + "." + test->name() +
                       "-" + what + ".png");
    }

    // Clicks the point (dx, dy) of a window, from its top left corner.
    void click_in(const XWindowInfo& w, int dx, int dy, int count = 1)
    {
        x_->click(w.x + dx, w.y + dy, count);
    }

    void click_bottom(const XWindowInfo& w, int dx) { click_in(w, dx, w.height - BUTTON_FROM_BOTTOM); }

    bool event(const std::string& text) { return peer_->wait_event("r2", text, STEP_MS); }

    // The accounting requests the router received: mode and position of each.
    std::vector<std::pair<int, int>> accounting_requests()
    {
        std::vector<std::pair<int, int>> out;
        for (const PeerLogLine& l : peer_->datagrams(PeerLogLine::RX, GET_ACCOUNTING_REQUEST))
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

    TempDir data_{"qorvel-gui-monitor"};
    std::unique_ptr<XvfbServer> server_;
    std::unique_ptr<XSession> x_;
    std::unique_ptr<TestNetwork> net_;
    std::unique_ptr<PeerProcess> peer_;
    pid_t program_ = -1;
};

TEST_F(GuiMonitorSlowE2E, OverviewAccountingAndConnectionsByHand)
{
    net_ = std::make_unique<TestNetwork>(1);
    TEST_NETWORK_REQUIRE(*net_);
    SimRouter r = sim_router("r2", "10.77.0.2", "00:a0:f9:00:00:02");
    r.firmware = "1.4";
    r.channel[0].state = 3;
    r.channel[0].peer = "10.1.1.1";
    r.channel[0].phone = "111";
    SimLine first = x75_line(0, "10.1.1.1", "111");
    first.counters[4] = 3000000000u;  // packets in, above 2^31
    r.lines = {first, x75_line(1, "10.1.1.2", "222")};
    r.knobs = {"linemon-interval 200"};
    peer_ = std::make_unique<PeerProcess>(*net_, net_->router(1), std::vector<SimRouter>{r});
    ASSERT_TRUE(peer_->start()) << peer_->error();

    SpawnOptions options;
    options.env = {"DISPLAY=" + server_->display(), "QORVEL_PATH=" + data_.path()};
    options.cwd = data_.path();
    program_ = net_->spawn(net_->workstation(), {GUI_PROGRAM}, options);
    ASSERT_GT(program_, 0) << net_->error();
    XWindowInfo main;
    ASSERT_TRUE(x_->wait_window(MAIN_TITLE, &main, STEP_MS));
    ASSERT_TRUE(x_->wait_gone(NOTICE_TITLE, SCAN_END_MS)) << "the scan ends";

    // The overview: the router's firmware and channels.
    x_->click(OVERVIEW_X, OVERVIEW_Y);
    XWindowInfo overview;
    ASSERT_TRUE(x_->wait_window("Router Status", &overview, STEP_MS));
    EXPECT_EQ(overview.x, 525);
    EXPECT_GE(peer_->datagrams(PeerLogLine::RX, STATE_QUERY).size(), 1u);
    shot("overview");
    click_bottom(overview, overview.width - CLOSE_FROM_RIGHT);
    ASSERT_TRUE(x_->wait_gone("Router Status", STEP_MS));

    // Registration: the router's tables are read.
    x_->click(LIST_X, LIST_FIRST_LINE_Y);
    x_->click(REGISTER_X, REGISTER_Y);
    ASSERT_TRUE(event("open accepted station=10.77.0.1"));
    for (int waited = 0; peer_->datagrams(PeerLogLine::RX, GET_ENTRY_REQUEST).size() < 2; waited += 50) {
        ASSERT_LT(waited, STEP_MS) << "the line targets are read";
        sleep_ms(50);
    }

    // Accounting (it takes input once the tables are read), then "Read And
    // Reset": mode 0xFF for both line targets.
    XWindowInfo accounting;
    ASSERT_TRUE(x_->click_until(ACCOUNTING_X, ACCOUNTING_Y, "Accounting", &accounting, STEP_MS));
    shot("accounting");
    click_bottom(accounting, RESET_X);
    ASSERT_TRUE(wait_requests(4));
    std::vector<std::pair<int, int>> expected = {{0x00, 0}, {0x00, 1}, {0xFF, 0}, {0xFF, 1}};
    EXPECT_EQ(accounting_requests(), expected);
    // Close is taken once the reading is over.
    ASSERT_TRUE(x_->click_until_gone(accounting.x + accounting.width - CLOSE_FROM_RIGHT,
                                     accounting.y + accounting.height - BUTTON_FROM_BOTTOM,
                                     "Accounting", STEP_MS));

    // The line monitor: hang up channel 1, dial the second line target by
    // a double click, close.
    x_->click(CONNECTIONS_X, CONNECTIONS_Y);
    XWindowInfo monitor;
    ASSERT_TRUE(x_->wait_window("Line Monitor", &monitor, STEP_MS));
    ASSERT_TRUE(event("line monitor started"));
    sleep_ms(SETTLE_MS);  // the first report makes "Disconnect" sensitive
    shot("line-monitor");
    click_in(monitor, monitor.width - DISCONNECT_1_FROM_RIGHT, DISCONNECT_1_Y);
    ASSERT_TRUE(event("hangup channel=0"));
    sleep_ms(SETTLE_MS);
    click_bottom(monitor, monitor.width / 5);  // "Connect"
    XWindowInfo setup;
    ASSERT_TRUE(x_->wait_window("Setup Connection", &setup, STEP_MS));
    click_in(setup, SETUP_LINE_X, SETUP_FIRST_LINE_Y + LIST_LINE_HEIGHT, 2);
    ASSERT_TRUE(event("dial position=1 channel=0")) << "the second line is position 1";
    ASSERT_TRUE(x_->wait_gone("Setup Connection", STEP_MS));
    sleep_ms(SETTLE_MS);
    shot("dialled");
    click_bottom(monitor, monitor.width / 2);  // "Close"
    ASSERT_TRUE(event("line monitor stopped"));
    ASSERT_TRUE(x_->wait_gone("Line Monitor", STEP_MS));

    // The window manager's close quits again once the dialogs are down.
    ASSERT_TRUE(x_->close_window(main.id));
    EXPECT_EQ(net_->wait(program_, EXIT_MS), 0);
    program_ = -1;
    EXPECT_TRUE(event("closed station=10.77.0.1"));
}

}  // namespace
