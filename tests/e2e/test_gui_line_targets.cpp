// The unmodified graphical program against the simulated router, driven
// through the X server as a user would: on an X server of the test's own,
// register a router that asks for a password, add a line target with
// "Create Default Route" and write the tables back. Slow: it waits for the
// start-up scan and for every step on the screen.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "peer_process.h"
#include "temp_dir.h"
#include "test_network.h"

namespace {

constexpr const char* GUI_PROGRAM = QORVEL_BUILD_DIR "/gui/qorvel";
constexpr int STEP_WAIT_MS = 10000;      // a window to show, a router to answer
constexpr int SCAN_END_MS = 2000;        // the end of the scan after its third request
constexpr int SETTLE_MS = 500;           // the last answer on its way to the program
constexpr int SCAN_REQUEST_CODE = 0xF031;
constexpr int GET_ENTRY_CODE = 0x1011;
constexpr int XVFB_START_MS = 10000;

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
        if (access("/usr/bin/Xvfb", X_OK) != 0 || access("/usr/bin/xdotool", X_OK) != 0)
            GTEST_SKIP() << "Xvfb and xdotool are needed";
        if (access(GUI_PROGRAM, X_OK) != 0)
            GTEST_SKIP() << GUI_PROGRAM << " is not built";
    }

    void TearDown() override
    {
        if (program_ > 0)
            net_.stop(program_);
        if (xvfb_ > 0)
            net_.stop(xvfb_);
    }

    // An X server of this test's own, so that no other test's windows stand
    // where this one clicks.
    bool start_x()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        SpawnOptions o;
        const int write_end = fds[1];
        o.in_child = [write_end] {
            dup2(write_end, 3);
        };
        xvfb_ = net_.spawn("", {"Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24",
                                "-nolisten", "tcp"},
                           o);
        close(fds[1]);
        std::string number;
        const int64_t deadline = now_ms() + XVFB_START_MS;
        fcntl(fds[0], F_SETFL, O_NONBLOCK);
        while (now_ms() < deadline && number.find('\n') == std::string::npos) {
            char c[16];
            ssize_t n = read(fds[0], c, sizeof c);
            if (n > 0)
                number.append(c, static_cast<size_t>(n));
            else if (n == 0)
                break;
            else
                sleep_ms(20);
        }
        close(fds[0]);
        if (xvfb_ < 0 || number.empty())
            return false;
        display_ = ":" + number.substr(0, number.find('\n'));
        return true;
    }

    // xdotool on the test's X server; its output.
    std::string xdo(const std::vector<std::string>& args, int timeout_ms = STEP_WAIT_MS)
    {
        std::vector<std::string> argv = {"env", "DISPLAY=" + display_, "xdotool"};
        argv.insert(argv.end(), args.begin(), args.end());
        std::string out;
        net_.run("", argv, &out, timeout_ms);
        return out;
    }

    // The window whose title is `title`, once it is shown; 0 when none comes.
    unsigned long window(const std::string& title)
    {
        const int64_t deadline = now_ms() + STEP_WAIT_MS;
        while (now_ms() < deadline) {
            std::istringstream ids(xdo({"search", "--onlyvisible", "--name", "^" + title + "$"}, 2000));
            unsigned long id = 0;
            if (ids >> id)
                return id;
            sleep_ms(100);
        }
        return 0;
    }

    bool gone(unsigned long id)
    {
        const int64_t deadline = now_ms() + STEP_WAIT_MS;
        while (now_ms() < deadline) {
            if (xdo({"search", "--onlyvisible", "--name", "."}, 2000).find(std::to_string(id)) ==
                std::string::npos)
                return true;
            sleep_ms(100);
        }
        return false;
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

    // A click at x, y of the window's own coordinates.
    void click(unsigned long id, int x, int y)
    {
        xdo({"mousemove", "--window", std::to_string(id), std::to_string(x), std::to_string(y)});
        sleep_ms(100);
        xdo({"click", "1"});
        sleep_ms(200);
    }

    void double_click(unsigned long id, int x, int y)
    {
        xdo({"mousemove", "--window", std::to_string(id), std::to_string(x), std::to_string(y)});
        sleep_ms(100);
        xdo({"click", "--repeat", "2", "--delay", "80", "1"});
        sleep_ms(200);
    }

    void type(const std::string& text)
    {
        xdo({"type", "--delay", "30", text});
        sleep_ms(100);
    }

    void key(const std::string& name)
    {
        xdo({"key", name});
        sleep_ms(200);
    }

    TestNetwork net_{1};
    pid_t xvfb_ = -1;
    pid_t program_ = -1;
    std::string display_;
};

TEST_F(GuiProgramSlowTest, RegisterWithPasswordAddALineTargetWithItsRouteAndWriteBack)
{
    TEST_NETWORK_REQUIRE(net_);
    ASSERT_TRUE(start_x()) << "Xvfb did not start";

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
    o.env = {"DISPLAY=" + display_, "QORVEL_PATH=" + data.path()};
    o.cwd = data.path();
    program_ = net_.spawn(net_.workstation(), {GUI_PROGRAM}, o);
    ASSERT_GT(program_, 0) << net_.error();

    const unsigned long main = window("quarnVANTERO");
    ASSERT_NE(main, 0u) << "the main window did not show";
    // The scan asks three times and ends a tick after the third request;
    // a registration must not start before.
    ASSERT_TRUE(received(peer, SCAN_REQUEST_CODE, 3)) << peer.log_text();
    sleep_ms(SCAN_END_MS);

    // A double click on the router's line registers it.
    double_click(main, 100, ROUTER_LINE_Y);
    const unsigned long prompt = window("Password");
    ASSERT_NE(prompt, 0u) << peer.log_text();
    xdo({"mousemove", "--window", std::to_string(prompt), "100", "50"});
    type("geheim");
    key("Return");
    ASSERT_TRUE(peer.wait_event("r1", "open accepted", STEP_WAIT_MS)) << peer.log_text();
    // Two line targets and a route are read, one request each.
    ASSERT_TRUE(received(peer, GET_ENTRY_CODE, 3)) << peer.log_text();
    sleep_ms(SETTLE_MS);

    click(main, LINE_TARGETS_X, LINE_TARGETS_Y);
    const unsigned long table = window("Target Configuration");
    ASSERT_NE(table, 0u);
    click(table, ADD_X, ADD_Y);
    const unsigned long editor = window("Basic Configuration");
    ASSERT_NE(editor, 0u);
    click(editor, HOST_X, HOST_Y);
    type("10.6.6.6");
    click(editor, PHONE_X, PHONE_Y);
    type("0306");
    click(editor, EDITOR_OK_X, EDITOR_OK_Y);
    ASSERT_TRUE(gone(editor));
    click(table, TABLE_OK_X, TABLE_OK_Y);
    EXPECT_NE(window("Message"), 0u) << "the write is confirmed";

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
