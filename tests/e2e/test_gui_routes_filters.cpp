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
constexpr int STEP_WAIT_MS = 10000;  // a window to show, a router to answer
constexpr int SCAN_END_MS = 10000;   // the scan's end marker comes on its fourth tick
constexpr int CLEAR_KEYS = 60;       // BackSpaces that empty any field of the edit dialogs
constexpr int CLEAR_PATH_KEYS = 200; // ... and the file dialog's selection
constexpr int POLL_MS = 50;          // how often a file is read again

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
        if (access(GUI_PROGRAM, X_OK) != 0)
            GTEST_SKIP() << GUI_PROGRAM << " is not built";
        // An X server of this test's own: no other test's windows stand
        // where this one clicks.
        server_ = std::make_unique<XvfbServer>();
        if (!server_->ok())
            GTEST_SKIP() << "no X server for the test: " << server_->error();
        x_ = std::make_unique<XSession>(server_->display());
        ASSERT_TRUE(x_->ok());
    }

    void TearDown() override
    {
        // What the screen showed when a step failed.
        if (HasFailure() && x_ && x_->ok())
            x_->screenshot(std::string(ARTIFACTS) + "/GuiRoutesFiltersSlowTest-at-failure.png");
        if (program_ > 0)
            net_.stop(program_);
        x_.reset();
        server_.reset();
    }

    // The shown window titled exactly `title`; an empty one (id 0) when
    // none shows.
    XWindowInfo window(const std::string& title)
    {
        XWindowInfo w;
        x_->wait_window(title, &w, STEP_WAIT_MS);
        return w;
    }

    // Pointer actions at screen positions.
    void click(int x, int y, int count = 1) { x_->click(x, y, count); }
    void click_in(const XWindowInfo& w, int x, int y) { x_->click(w.x + x, w.y + y); }
    // An option menu: press on it, release on the choice below.
    void choose(int x, int y, int choice_y)
    {
        EXPECT_TRUE(x_->choose(x, y, x, choice_y)) << "no menu at " << x << "," << y;
    }
    // Replaces the text of the field at x, y.
    void field(int x, int y, const std::string& text, int clear_keys = CLEAR_KEYS)
    {
        click(x, y);
        x_->key("End");
        x_->key_repeat("BackSpace", clear_keys);
        x_->type(text);
    }

    // "Line Targets" of the main window, pressed until the table dialog
    // shows (the button takes input once the tables are read).
    bool open_line_targets()
    {
        return x_->click_until(428, 217, "Target Configuration", nullptr, STEP_WAIT_MS);
    }

    // File menu of the line-target table, then, once it is down, its "Load"
    // (0) or "Save" (1).
    void file_menu(int entry)
    {
        ASSERT_TRUE(x_->click_opening(33, 50)) << "the File menu did not open";
        click(34, entry == 0 ? 73 : 95);
    }

    TestNetwork net_{1};
    std::unique_ptr<XvfbServer> server_;
    std::unique_ptr<XSession> x_;
    pid_t program_ = -1;
};

TEST_F(GuiRoutesFiltersSlowTest, EditSaveLoadAndWriteRoutesAndFilters)
{
    TEST_NETWORK_REQUIRE(net_);

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
    o.env = {"DISPLAY=" + server_->display(), "QORVEL_PATH=" + data.path()};
    o.cwd = data.path();
    program_ = net_.spawn(net_.workstation(), {GUI_PROGRAM}, o);
    ASSERT_GT(program_, 0) << net_.error();
    ASSERT_NE(window("quarnVANTERO").id, 0u) << "the main window did not show";
    ASSERT_TRUE(x_->wait_window("Please Wait", nullptr, STEP_WAIT_MS)) << "the scan is announced";
    ASSERT_TRUE(x_->wait_gone("Please Wait", SCAN_END_MS)) << "the start-up scan did not end";

    // A double click on the router's line registers it.
    click(150, 153, 2);
    ASSERT_TRUE(peer.wait_event("r1", "open accepted", STEP_WAIT_MS)) << peer.log_text();
    ASSERT_TRUE(open_line_targets());

    // Routes: a new one in front of both, then the last one deleted.
    click(69, 401);  // "Routing Table"
    ASSERT_TRUE(x_->wait_count("Routing Table", 1));
    click(174, 391);  // "Add"
    ASSERT_TRUE(x_->wait_count("Routing Table", 2)) << "no route edit dialog";
    field(865, 190, "10.9.0.0");    // compare value
    field(865, 232, "10.1.0.9");    // gateway
    field(770, 274, "1");           // position
    click(622, 325);                // "OK"
    ASSERT_TRUE(x_->wait_count("Routing Table", 1)) << "the route was refused";
    click(150, 198);                // line 3
    click(449, 391);                // "Delete"
    click(110, 455);                // "Close"
    ASSERT_TRUE(x_->wait_gone("Routing Table"));

    // Filters: ftp to 10.5.5.5 rejected, in front; all remaining rejected.
    click(69, 370);  // "Filter Table"
    ASSERT_TRUE(x_->wait_count("Filter Table", 1));
    click(174, 391);                        // "Add"
    ASSERT_TRUE(x_->wait_count("Filter Table", 2)) << "no filter edit dialog";
    field(865, 264, "255.255.255.255");     // receiving mask
    field(865, 296, "10.5.5.5");            // receiving compare value
    field(795, 348, "ftp");                 // service
    choose(773, 401, 423);                  // action: reject
    field(770, 461, "1");                   // position
    click(622, 515);                        // "OK"
    ASSERT_TRUE(x_->wait_count("Filter Table", 1)) << "the rule was refused";
    choose(143, 345, 367);                  // "All Remaining": reject
    click(110, 455);                        // "Close"
    ASSERT_TRUE(x_->wait_gone("Filter Table"));

    // Saved under the router's name, which the dialog proposes.
    file_menu(1);
    const XWindowInfo save = window("Save");
    ASSERT_NE(save.id, 0u) << "no file dialog titled Save";
    click_in(save, 45, 355);  // its "OK"
    ASSERT_TRUE(x_->wait_gone("Save"));
    // The dialog goes before the file is written: the file is whole once
    // its last section has begun.
    const std::string saved = data.file("10.77.0.2.cfg");
    std::string text;
    for (int waited = 0; waited < STEP_WAIT_MS && text.find("Filter_Data:") == std::string::npos;
         waited += POLL_MS) {
        std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
        text = read_text(saved);
    }
    EXPECT_NE(text.find("10.9.0.0"), std::string::npos) << text;
    EXPECT_EQ(text.find("10.3.0.0"), std::string::npos) << text;

    // Cancel brings back what the router holds; Load brings the file back.
    click(408, 455);
    ASSERT_TRUE(x_->wait_gone("Target Configuration"));
    ASSERT_TRUE(open_line_targets());
    file_menu(0);
    const XWindowInfo load = window("Load");
    ASSERT_NE(load.id, 0u) << "no file dialog titled Load";
    field(load.x + 200, load.y + 296, saved, CLEAR_PATH_KEYS);  // the selection field
    click_in(load, 45, 355);  // its "OK"
    ASSERT_TRUE(x_->wait_gone("Load"));

    // OK writes the tables; the dialog goes when the router has them.
    click(110, 455);
    ASSERT_TRUE(x_->wait_gone("Target Configuration", STEP_WAIT_MS)) << peer.log_text();
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
