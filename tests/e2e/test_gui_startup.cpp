// The unmodified graphical program from outside, on an X server of each
// test's own: the start-up scan and its list, the keyboard and the mouse on
// the list, Quit from the File menu and the window manager's close, and the
// start-ups that end without a back end (a faulty "qorvel.pro", the port
// taken), in English and, through the resources, in German. What counts is
// what the router received, the exit status, standard error and the windows
// on the screen; a screenshot of each is kept under the build directory.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "gui_program.h"

namespace {

constexpr int STEP_MS = 8000;   // a window to show, a router to answer
constexpr int QUIET_MS = 1500;  // long enough for what must not come
constexpr int SCAN_REQUEST = 0xF031;
constexpr int OPEN_REQUEST = 0x1001;
constexpr int CLOSE_REQUEST = 0x1003;

// Where things stand on the screen as the fallback resources lay the main
// window out at +10+35.
constexpr int LIST_X = 60;  // inside the router list
constexpr int LIST_FIRST_LINE_Y = 154;
constexpr int LIST_LINE_HEIGHT = 16;
constexpr int REGISTER_X = 73, REGISTER_Y = 444;
constexpr int DEREGISTER_X = 190, DEREGISTER_Y = 444;
constexpr int FILE_MENU_X = 33, FILE_MENU_Y = 51;
constexpr int OK_FROM_BOTTOM = 28;  // the error box's OK above its bottom edge

void sleep_ms(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

class GuiStartupE2E : public GuiProgramTest {
protected:
    // Waits until a router has an event containing `text`.
    static bool event(PeerProcess& peer, const std::string& router, const std::string& text,
                      int timeout_ms = STEP_MS)
    {
        return peer.wait_event(router, text, timeout_ms);
    }

    static size_t received(PeerProcess& peer, int code)
    {
        return peer.datagrams(PeerLogLine::RX, code).size();
    }

    // A socket on the routers' port in the workstation, as another program
    // would hold it.
    int take_port()
    {
        auto inside = net().enter(net().workstation());
        int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(1532);
        if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ADD_FAILURE() << "cannot take the port";
            return -1;
        }
        return fd;
    }

    // The program without a back end: the error box over the main window,
    // no scan; the window manager's close ends it with status 0.
    void expect_without_back_end(PeerProcess* peer, const char* error_title)
    {
        XWindowInfo main, box;
        ASSERT_TRUE(x().wait_window(GUI_MAIN_TITLE, &main, STEP_MS));
        ASSERT_TRUE(x().wait_window(error_title, &box, STEP_MS)) << "the error box";
        EXPECT_EQ(box.x, 100);
        EXPECT_EQ(box.y, 205);
        EXPECT_TRUE(x().wait_gone(GUI_NOTICE_TITLE, 0)) << "no scan is announced";
        EXPECT_TRUE(shot("message"));
        // The window manager's close reaches the program although the
        // message is up: a message does not hold the close.
        ASSERT_TRUE(x().close_window(main.id));
        EXPECT_EQ(wait_exit(), 0);
        EXPECT_EQ(standard_error(), "");
        if (peer != nullptr) {
            EXPECT_EQ(received(*peer, SCAN_REQUEST), 0u) << "no scan without a back end";
        }
    }
};

class GuiStartupSlowE2E : public GuiStartupE2E {};

TEST_F(GuiStartupE2E, FaultyProtocolFileShowsTheMessageAndStartsNoScan)
{
    TEST_NETWORK_REQUIRE(net());
    PeerProcess* peer = start_peer(1, {sim_router("r1", "10.77.0.2", "00:a0:f9:00:00:01")});
    ASSERT_NE(peer, nullptr);
    data().write("qorvel.pro", "# 1\n# 2\n# 3\n# 4\n# 5\n# 6\n2:abc      base=x25\n");
    start_program();
    expect_without_back_end(peer, "Error");
}

TEST_F(GuiStartupE2E, PortTakenShowsTheMessageAndStartsNoScan)
{
    TEST_NETWORK_REQUIRE(net());
    PeerProcess* peer = start_peer(1, {sim_router("r1", "10.77.0.2", "00:a0:f9:00:00:01")});
    ASSERT_NE(peer, nullptr);
    int fd = take_port();
    ASSERT_GE(fd, 0);
    start_program();
    expect_without_back_end(peer, "Error");
    close(fd);
}

TEST_F(GuiStartupE2E, RegisterLabelledAnmeldenThroughTheResourcesGivesGermanMessages)
{
    TEST_NETWORK_REQUIRE(net());
    int fd = take_port();
    ASSERT_GE(fd, 0);
    // A command-line resource loses against a fallback line that starts with
    // the class name unless it names the class too.
    start_program({"-xrm", "XmQORVEL*MainForm.Open.labelString: Anmelden"});
    expect_without_back_end(nullptr, "Fehler");
    close(fd);
}

TEST_F(GuiStartupE2E, WindowManagerCloseDuringTheScanQuits)
{
    TEST_NETWORK_REQUIRE(net());
    PeerProcess* peer = start_peer(1, {sim_router("r1", "10.77.0.2", "00:a0:f9:00:00:01")});
    ASSERT_NE(peer, nullptr);
    start_program();
    XWindowInfo main;
    ASSERT_TRUE(x().wait_window(GUI_MAIN_TITLE, &main, STEP_MS));
    ASSERT_TRUE(x().wait_window(GUI_NOTICE_TITLE, nullptr, STEP_MS));
    ASSERT_TRUE(x().close_window(main.id));
    EXPECT_EQ(wait_exit(), 0);
    EXPECT_EQ(standard_error(), "");
    EXPECT_EQ(received(*peer, CLOSE_REQUEST), 0u) << "no router was registered";
}

TEST_F(GuiStartupSlowE2E, ScanListsTheRoutersAndTheListTakesMouseAndKeyboard)
{
    TEST_NETWORK_REQUIRE(net());
    // The answers come in this order: r1, then the held r2, then the
    // unconfigured r3. One simulated router process answers for all three,
    // so that its own timers keep that order however late each process
    // runs.
    SimRouter r1 = sim_router("r1", "10.77.0.2", "00:a0:f9:00:00:01");
    SimRouter r2 = sim_router("r2", "10.77.0.20", "00:a0:f9:00:00:02");
    r2.holder = "10.77.0.9";
    r2.knobs = {"delay 300"};
    SimRouter r3 = sim_router("r3", "10.77.0.21", "00:a0:f9:00:00:03");
    r3.configured = false;
    r3.knobs = {"delay 600"};
    PeerProcess* peer = start_peer(1, {r1, r2, r3});
    ASSERT_NE(peer, nullptr);
    // The open requests each router received.
    auto opens_to = [peer](const char* address) {
        size_t n = 0;
        for (const PeerLogLine& l : peer->datagrams(PeerLogLine::RX, OPEN_REQUEST))
            n += l.to == address ? 1 : 0;
        return n;
    };

    start_program();
    XWindowInfo main;
    ASSERT_TRUE(x().wait_window(GUI_MAIN_TITLE, &main, STEP_MS));
    ASSERT_EQ(main.x, 10);
    ASSERT_EQ(main.y, 35);
    ASSERT_TRUE(x().wait_window(GUI_NOTICE_TITLE, nullptr, STEP_MS)) << "the scan is announced";
    ASSERT_TRUE(x().wait_gone(GUI_NOTICE_TITLE, GUI_SCAN_END_MS)) << "the scan ends";
    EXPECT_GE(received(*peer, SCAN_REQUEST), 1u);
    EXPECT_TRUE(shot("routers"));
    auto line_y = [](int line) { return LIST_FIRST_LINE_Y + (line - 1) * LIST_LINE_HEIGHT; };

    // The held router's line is refused with a message.
    x().click(LIST_X, line_y(2));
    XWindowInfo box;
    ASSERT_TRUE(x().wait_window("Error", &box, STEP_MS)) << "the held router is refused";
    EXPECT_EQ(box.x, 100);
    EXPECT_TRUE(shot("held"));
    x().click(box.x + box.width / 2, box.y + box.height - OK_FROM_BOTTOM);
    ASSERT_TRUE(x().wait_gone("Error", STEP_MS)) << "OK of the error box";

    // The router without configuration: Register sends nothing.
    x().click(LIST_X, line_y(3));
    x().click(REGISTER_X, REGISTER_Y);
    sleep_ms(QUIET_MS);
    EXPECT_EQ(received(*peer, OPEN_REQUEST), 0u) << "nothing opened without an address";
    x().click(DEREGISTER_X, DEREGISTER_Y);

    // Return on the list, with the first line under the keyboard's cursor:
    // the router of that line is registered.
    x().click(LIST_X, line_y(1));
    x().key("Return");
    ASSERT_TRUE(event(*peer, "r1", "open accepted station=10.77.0.1"));
    EXPECT_EQ(opens_to("10.77.0.20") + opens_to("10.77.0.21"), 0u);
    EXPECT_TRUE(shot("registered"));

    // Quit from the File menu closes the registration and ends the program;
    // its mnemonic is typed once the menu is down.
    ASSERT_TRUE(x().click_opening(FILE_MENU_X, FILE_MENU_Y)) << "the File menu did not open";
    x().key("q");
    EXPECT_EQ(wait_exit(), 0);
    EXPECT_TRUE(event(*peer, "r1", "closed station=10.77.0.1"));
    EXPECT_EQ(standard_error(), "");
}

}  // namespace
