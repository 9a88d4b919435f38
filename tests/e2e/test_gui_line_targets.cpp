// The unmodified graphical program against the simulated router, driven
// through the X server as a user would: on an X server of the test's own,
// register a router that asks for a password, add a line target with
// "Create Default Route" and write the tables back. Slow: it waits for the
// start-up scan and for every step on the screen.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "peer_process.h"
#include "temp_dir.h"
#include "test_network.h"
#include "x_display.h"

namespace {

constexpr const char* GUI_PROGRAM = QORVEL_BUILD_DIR "/gui/qorvel";
constexpr const char* ARTIFACTS = QORVEL_BUILD_DIR "/test-artifacts";
constexpr int STEP_WAIT_MS = 10000;      // a window to show, a router to answer
constexpr int SCAN_END_MS = 10000;       // the scan's end marker comes on its fourth tick
constexpr int GET_ENTRY_CODE = 0x1011;

// Where things stand in their windows (window coordinates), as the fallback
// resources lay them out.
constexpr int ROUTER_LINE_Y = 117;       // the first line of the router list
constexpr int LINE_TARGETS_X = 418;      // the main window's "Line Targets"
constexpr int LINE_TARGETS_Y = 181;
constexpr int ADD_X = 249;               // the table dialog's "Add"
constexpr int ADD_Y = 271;
constexpr int TABLE_OK_X = 101;          // the table dialog's "OK"
constexpr int TABLE_OK_Y = 421;
constexpr int HOST_X = 304;              // the editor's host field
constexpr int HOST_Y = 104;
constexpr int PHONE_X = 304;             // ... its telephone number
constexpr int PHONE_Y = 140;
constexpr int EDITOR_OK_X = 89;          // ... its "OK"
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

// A line target with the built-in x75 and null definitions.
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

class GuiProgramSlowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (access(GUI_PROGRAM, X_OK) != 0)
            GTEST_SKIP() << GUI_PROGRAM << " is not built";
        // An X server of this test's own, so that no other test's windows
        // stand where this one clicks.
        server_ = std::make_unique<XvfbServer>();
        if (!server_->ok())
            GTEST_SKIP() << "no X server for the test: " << server_->error();
        x_ = std::make_unique<XSession>(server_->display());
        ASSERT_TRUE(x_->ok());
    }

    void TearDown() override
    {
        if (HasFailure() && x_ && x_->ok())
            x_->screenshot(std::string(ARTIFACTS) + "/GuiProgramSlowTest-at-failure.png");
        if (program_ > 0)
            net_.stop(program_);
        x_.reset();
        server_.reset();
    }

    // Waits until the router has received `count` datagrams with `code`.
    static bool received(PeerProcess& peer, int code, size_t count)
    {
        const int64_t deadline = now_ms() + STEP_WAIT_MS;
        while (peer.datagrams(PeerLogLine::RX, code).size() < count) {
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
        EXPECT_TRUE(x_->wait_window(title, &w, STEP_WAIT_MS)) << "no window titled " << title;
        return w;
    }

    // A click at x, y of the window's own coordinates.
    void click(const XWindowInfo& w, int x, int y, int count = 1)
    {
        x_->click(w.x + x, w.y + y, count);
    }

    TestNetwork net_{1};
    std::unique_ptr<XvfbServer> server_;
    std::unique_ptr<XSession> x_;
    pid_t program_ = -1;
};

TEST_F(GuiProgramSlowTest, RegisterWithPasswordAddALineTargetWithItsRouteAndWriteBack)
{
    TEST_NETWORK_REQUIRE(net_);

    SimRouter r = sim_router("r1", test_net_dotted(net_.router_ip(1)), "00:a0:f9:00:00:01");
    r.password = "geheim";
    r.lines.push_back(x75_line(0, "10.1.1.1", "111"));
    r.lines.push_back(x75_line(1, "10.2.2.2", "222"));
    r.routes.push_back(sim_route(0, "255.255.255.0", "10.20.0.0", "10.1.1.1"));
    PeerProcess peer(net_, net_.router(1), {r});
    ASSERT_TRUE(peer.start()) << peer.error();

    TempDir data("qorvel-gui-e2e", TempDir::DATA_DIR);
    data.write("qorvel.def",
               "qorvel_hostname 10.77.0.1\n"
               "qorvel_netmask 255.255.255.0\n"
               "qorvel_name_resolving off\n");
    SpawnOptions o;
    o.env = {"DISPLAY=" + server_->display(), "QORVEL_PATH=" + data.path()};
    o.cwd = data.path();
    program_ = net_.spawn(net_.workstation(), {GUI_PROGRAM}, o);
    ASSERT_GT(program_, 0) << net_.error();

    XWindowInfo main;
    ASSERT_TRUE(x_->wait_window("quarnVANTERO", &main, STEP_WAIT_MS)) << "the main window did not show";
    // A registration must not start before the scan has ended.
    ASSERT_TRUE(x_->wait_window("Please Wait", nullptr, STEP_WAIT_MS)) << "the scan is announced";
    ASSERT_TRUE(x_->wait_gone("Please Wait", SCAN_END_MS)) << "the scan ends";

    // A double click on the router's line registers it.
    click(main, 100, ROUTER_LINE_Y, 2);
    XWindowInfo prompt;
    ASSERT_TRUE(x_->wait_window("Password", &prompt, STEP_WAIT_MS)) << peer.log_text();
    // No window manager: the keyboard goes where the pointer is.
    x_->move(prompt.x + 100, prompt.y + 50);
    x_->type("geheim");
    x_->key("Return");
    ASSERT_TRUE(peer.wait_event("r1", "open accepted", STEP_WAIT_MS)) << peer.log_text();
    // Two line targets and a route are read, one request each.
    ASSERT_TRUE(received(peer, GET_ENTRY_CODE, 3)) << peer.log_text();
    ASSERT_TRUE(x_->wait_gone("Please Wait", STEP_WAIT_MS));

    // "Line Targets" takes input once the tables are read.
    XWindowInfo table;
    ASSERT_TRUE(x_->click_until(main.x + LINE_TARGETS_X, main.y + LINE_TARGETS_Y,
                                "Target Configuration", &table, STEP_WAIT_MS))
        << "the line-target table did not show";
    click(table, ADD_X, ADD_Y);
    const XWindowInfo editor = window("Basic Configuration");
    ASSERT_NE(editor.id, 0u);
    click(editor, HOST_X, HOST_Y);
    x_->type("10.6.6.6");
    click(editor, PHONE_X, PHONE_Y);
    x_->type("0306");
    click(editor, EDITOR_OK_X, EDITOR_OK_Y);
    ASSERT_TRUE(x_->wait_gone("Basic Configuration", STEP_WAIT_MS));
    click(table, TABLE_OK_X, TABLE_OK_Y);
    EXPECT_TRUE(x_->wait_window("Message", nullptr, STEP_WAIT_MS)) << "the write is confirmed";

    // The router holds the new line target and, first of its routes, the
    // host route for it.
    SimRouter now;
    const int64_t deadline = now_ms() + STEP_WAIT_MS;
    while (now_ms() < deadline && !(peer.router("r1", &now) && now.lines.size() == 3 && now.routes.size() == 2))
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
