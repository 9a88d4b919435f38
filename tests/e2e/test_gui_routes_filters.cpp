// The unmodified graphical program against the simulated router, driven
// through an X server of the test's own as a user would: register a router,
// add and delete routes, add a filter rule and reject all remaining
// traffic, save the tables to a file, throw the edits away, load the file
// back and write the tables: the router must hold exactly what was edited.
// Slow: it waits for the start-up scan and for every window on the screen.
//
// There is no window manager, so the dialogs stand where their resources
// place them (the route, filter and line-target tables at 10,35, the edit
// dialogs at 525,35) and the clicks below are screen positions inside them;
// the file dialog is centred and found by its title.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "peer_process.h"
#include "temp_dir.h"
#include "test_network.h"

namespace {

constexpr const char* GUI_PROGRAM = QORVEL_BUILD_DIR "/gui/qorvel";
constexpr int STEP_WAIT_MS = 10000;  // a window to show, a router to answer
constexpr int XVFB_START_MS = 10000;
constexpr int CLEAR_KEYS = 60;       // BackSpaces that empty any field of the edit dialogs

int64_t now_ms()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void sleep_ms(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string read_text(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class GuiRoutesFiltersSlowTest : public ::testing::Test {
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
        // What the screen showed when a step failed.
        if (HasFailure() && !display_.empty())
            screenshot("qorvel-routes-filters-failure");
        if (program_ > 0)
            net_.stop(program_);
        if (xvfb_ > 0)
            net_.stop(xvfb_);
    }

    // An X server of this test's own: no other test's windows stand where
    // this one clicks.
    bool start_x()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        SpawnOptions o;
        const int write_end = fds[1];
        o.in_child = [write_end] { dup2(write_end, 3); };
        xvfb_ = net_.spawn("", {"Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24",
                                "-nolisten", "tcp"},
                           o);
        close(fds[1]);
        fcntl(fds[0], F_SETFL, O_NONBLOCK);
        std::string number;
        const int64_t deadline = now_ms() + XVFB_START_MS;
        while (now_ms() < deadline && number.find('\n') == std::string::npos) {
            char c[16];
            const ssize_t n = read(fds[0], c, sizeof c);
            if (n > 0)
                number.append(c, static_cast<size_t>(n));
            else if (n == 0)
                break;
            else
                sleep_ms(20);
        }
        close(fds[0]);
        if (xvfb_ < 0 || number.find('\n') == std::string::npos)
            return false;
        display_ = ":" + number.substr(0, number.find('\n'));
        return true;
    }

    std::string xdo(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv = {"env", "DISPLAY=" + display_, "xdotool"};
        argv.insert(argv.end(), args.begin(), args.end());
        std::string out;
        net_.run("", argv, &out, STEP_WAIT_MS);
        return out;
    }

    // The first shown window titled exactly `title`, 0 when none shows.
    unsigned long window(const std::string& title, int timeout_ms = STEP_WAIT_MS)
    {
        const int64_t deadline = now_ms() + timeout_ms;
        do {
            std::istringstream ids(xdo({"search", "--onlyvisible", "--name", "^" + title + "$"}));
            unsigned long id = 0;
            if (ids >> id)
                return id;
            sleep_ms(100);
        } while (now_ms() < deadline);
        return 0;
    }

    // Waits until exactly `count` shown windows carry `title` (a table
    // dialog and its edit dialog share theirs).
    bool shown(const std::string& title, size_t count)
    {
        const int64_t deadline = now_ms() + STEP_WAIT_MS;
        do {
            std::istringstream ids(xdo({"search", "--onlyvisible", "--name", "^" + title + "$"}));
            size_t n = 0;
            for (unsigned long id = 0; ids >> id;)
                ++n;
            if (n == count)
                return true;
            sleep_ms(100);
        } while (now_ms() < deadline);
        return false;
    }

    bool gone(const std::string& title)
    {
        const int64_t deadline = now_ms() + STEP_WAIT_MS;
        do {
            if (xdo({"search", "--onlyvisible", "--name", "^" + title + "$"}).empty())
                return true;
            sleep_ms(100);
        } while (now_ms() < deadline);
        return false;
    }

    // Pointer actions at screen positions.
    void click(int x, int y, int count = 1)
    {
        xdo({"mousemove", std::to_string(x), std::to_string(y)});
        xdo({"click", "--repeat", std::to_string(count), "--delay", "80", "1"});
        sleep_ms(300);
    }
    void click_in(unsigned long id, int x, int y)
    {
        xdo({"mousemove", "--window", std::to_string(id), std::to_string(x), std::to_string(y)});
        xdo({"click", "1"});
        sleep_ms(300);
    }
    // An option menu: press on it, release on the choice below.
    void choose(int x, int y, int choice_y)
    {
        xdo({"mousemove", std::to_string(x), std::to_string(y)});
        xdo({"mousedown", "1"});
        sleep_ms(300);
        xdo({"mousemove", std::to_string(x), std::to_string(choice_y)});
        xdo({"mouseup", "1"});
        sleep_ms(300);
    }
    // Replaces the text of the field at x, y.
    void field(int x, int y, const std::string& text)
    {
        click(x, y);
        xdo({"key", "End"});
        xdo({"key", "--repeat", std::to_string(CLEAR_KEYS), "--delay", "5", "BackSpace"});
        xdo({"type", "--delay", "20", text});
        sleep_ms(100);
    }

    // The whole screen as /tmp/<name>.png.
    void screenshot(const std::string& name)
    {
        std::string out;
        net_.run("", {"sh", "-c", "xwd -root -silent -display " + display_ +
                                      " | convert xwd:- png:/tmp/" + name + ".png"},
                 &out, STEP_WAIT_MS);
    }

    // "Line Targets" of the main window, pressed until the table dialog
    // shows (the button takes input once the tables are read).
    bool open_line_targets()
    {
        const int64_t deadline = now_ms() + STEP_WAIT_MS;
        do {
            click(428, 217);
            if (window("Target Configuration", 1000) != 0)
                return true;
        } while (now_ms() < deadline);
        return false;
    }

    // File menu of the line-target table, then its "Load" (0) or "Save" (1).
    void file_menu(int entry)
    {
        click(33, 50);
        click(34, entry == 0 ? 73 : 95);
    }

    TestNetwork net_{1};
    pid_t xvfb_ = -1;
    pid_t program_ = -1;
    std::string display_;
};

TEST_F(GuiRoutesFiltersSlowTest, EditSaveLoadAndWriteRoutesAndFilters)
{
    TEST_NETWORK_REQUIRE(net_);
    ASSERT_TRUE(start_x()) << "Xvfb did not start";

    SimRouter r = sim_router("r1", test_net_dotted(net_.router_ip(1)), "00:a0:f9:00:00:01");
    r.routes = {sim_route(0, "255.255.255.0", "10.2.0.0", "10.1.0.1"),
                sim_route(1, "255.255.255.0", "10.3.0.0", "10.1.0.1")};
    r.filters = {sim_filter(0, "255.255.0.0", "10.1.0.0", "0.0.0.0", "0.0.0.0", 0, 1, 0),
                 sim_filter(1, "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 0, 1, 0)};
    PeerProcess peer(net_, net_.router(1), {r});
    ASSERT_TRUE(peer.start()) << peer.error();

    TempDir data("qorvel-gui-tables", TempDir::DATA_DIR);
    data.write("qorvel.def",
               "qorvel_hostname 10.77.0.1\n"
               "qorvel_netmask 255.255.255.0\n"
               "qorvel_name_resolving off\n");
    SpawnOptions o;
    o.env = {"DISPLAY=" + display_, "QORVEL_PATH=" + data.path()};
    o.cwd = data.path();
    program_ = net_.spawn(net_.workstation(), {GUI_PROGRAM}, o);
    ASSERT_GT(program_, 0) << net_.error();
    ASSERT_NE(window("quarnVANTERO"), 0u) << "the main window did not show";
    ASSERT_TRUE(gone("Please Wait")) << "the start-up scan did not end";

    // A double click on the router's line registers it.
    click(150, 153, 2);
    ASSERT_TRUE(peer.wait_event("r1", "open accepted", STEP_WAIT_MS)) << peer.log_text();
    ASSERT_TRUE(open_line_targets());

    // Routes: a new one in front of both, then the last one deleted.
    click(69, 401);  // "Routing Table"
    ASSERT_TRUE(shown("Routing Table", 1));
    click(174, 391);  // "Add"
    ASSERT_TRUE(shown("Routing Table", 2)) << "no route edit dialog";
    field(865, 190, "10.9.0.0");    // compare value
    field(865, 232, "10.1.0.9");    // gateway
    field(770, 274, "1");           // position
    click(622, 325);                // "OK"
    ASSERT_TRUE(shown("Routing Table", 1)) << "the route was refused";
    click(150, 198);                // line 3
    click(449, 391);                // "Delete"
    click(110, 455);                // "Close"
    ASSERT_TRUE(gone("Routing Table"));

    // Filters: ftp to 10.5.5.5 rejected, in front; all remaining rejected.
    click(69, 370);  // "Filter Table"
    ASSERT_TRUE(shown("Filter Table", 1));
    click(174, 391);                        // "Add"
    ASSERT_TRUE(shown("Filter Table", 2)) << "no filter edit dialog";
    field(865, 264, "255.255.255.255");     // receiving mask
    field(865, 296, "10.5.5.5");            // receiving compare value
    field(795, 348, "ftp");                 // service
    choose(773, 401, 423);                  // action: reject
    field(770, 461, "1");                   // position
    click(622, 515);                        // "OK"
    ASSERT_TRUE(shown("Filter Table", 1)) << "the rule was refused";
    choose(143, 345, 367);                  // "All Remaining": reject
    click(110, 455);                        // "Close"
    ASSERT_TRUE(gone("Filter Table"));

    // Saved under the router's name, which the dialog proposes.
    file_menu(1);
    const unsigned long save = window("Save");
    ASSERT_NE(save, 0u) << "no file dialog titled Save";
    click_in(save, 45, 355);  // its "OK"
    ASSERT_TRUE(gone("Save"));
    const std::string saved = data.file("10.77.0.2.cfg");
    const std::string text = read_text(saved);
    EXPECT_NE(text.find("10.9.0.0"), std::string::npos) << text;
    EXPECT_EQ(text.find("10.3.0.0"), std::string::npos) << text;

    // Cancel brings back what the router holds; Load brings the file back.
    click(408, 455);
    ASSERT_TRUE(gone("Target Configuration"));
    ASSERT_TRUE(open_line_targets());
    file_menu(0);
    const unsigned long load = window("Load");
    ASSERT_NE(load, 0u) << "no file dialog titled Load";
    xdo({"mousemove", "--window", std::to_string(load), "200", "296"});  // the selection field
    xdo({"click", "1"});
    xdo({"key", "End"});
    xdo({"key", "--repeat", "200", "--delay", "2", "BackSpace"});
    xdo({"type", "--delay", "10", saved});
    click_in(load, 45, 355);  // its "OK"
    ASSERT_TRUE(gone("Load"));

    // OK writes the tables; the dialog goes when the router has them.
    click(110, 455);
    ASSERT_TRUE(gone("Target Configuration")) << peer.log_text();
    ASSERT_EQ(peer.stop(), 0);
    SimRouter now;
    ASSERT_TRUE(peer.router("r1", &now)) << peer.error();

    ASSERT_EQ(now.routes.size(), 2u);
    for (const SimRoute& route : now.routes) {
        SCOPED_TRACE("route " + std::to_string(route.index));
        const SimRoute want = route.index == 0
                                  ? sim_route(0, "255.255.255.0", "10.9.0.0", "10.1.0.9")
                                  : sim_route(1, "255.255.255.0", "10.2.0.0", "10.1.0.1");
        EXPECT_EQ(route.mask, want.mask);
        EXPECT_EQ(route.match, want.match);
        EXPECT_EQ(route.gateway, want.gateway);
    }
    const std::vector<SimFilter> rules = {
        sim_filter(0, "0.0.0.0", "0.0.0.0", "255.255.255.255", "10.5.5.5", 6, 0, 21),
        sim_filter(1, "255.255.0.0", "10.1.0.0", "0.0.0.0", "0.0.0.0", 0, 1, 0),
        sim_filter(2, "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 0, 0, 0),
    };
    ASSERT_EQ(now.filters.size(), rules.size());
    for (const SimFilter& rule : now.filters) {
        SCOPED_TRACE("filter " + std::to_string(rule.index));
        ASSERT_LT(static_cast<size_t>(rule.index), rules.size());
        const SimFilter& want = rules[static_cast<size_t>(rule.index)];
        EXPECT_EQ(rule.send_mask, want.send_mask);
        EXPECT_EQ(rule.send_match, want.send_match);
        EXPECT_EQ(rule.receive_mask, want.receive_mask);
        EXPECT_EQ(rule.receive_match, want.receive_match);
        EXPECT_EQ(rule.protocol, want.protocol);
        EXPECT_EQ(rule.port, want.port);
        EXPECT_EQ(rule.action, want.action);
    }
}

}  // namespace
