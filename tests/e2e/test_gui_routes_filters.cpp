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

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "gui_program.h"

namespace {

constexpr int CLEAR_KEYS = 60;        // BackSpaces that empty any field of the edit dialogs
constexpr int CLEAR_PATH_KEYS = 200;  // ... and the file dialog's selection
constexpr int POLL_MS = 50;           // how often a file is read again

std::string read_text(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class GuiRoutesFiltersSlowTest : public GuiProgramTest {
protected:
    // The shown window titled exactly `title`; an empty one (id 0) when
    // none shows.
    XWindowInfo window(const std::string& title)
    {
        XWindowInfo w;
        x().wait_window(title, &w, GUI_STEP_MS);
        return w;
    }

    // Pointer actions at screen positions.
    void click(int at_x, int at_y, int count = 1) { x().click(at_x, at_y, count); }
    void click_in(const XWindowInfo& w, int dx, int dy) { x().click(w.x + dx, w.y + dy); }
    // An option menu: press on it, release on the choice below.
    void choose(int at_x, int at_y, int choice_y)
    {
        EXPECT_TRUE(x().choose(at_x, at_y, at_x, choice_y)) << "no menu at " << at_x << "," << at_y;
    }
    // Replaces the text of the field at at_x, at_y.
    void field(int at_x, int at_y, const std::string& text, int clear_keys = CLEAR_KEYS)
    {
        click(at_x, at_y);
        x().key("End");
        x().key_repeat("BackSpace", clear_keys);
        x().type(text);
    }

    // "Line Targets" of the main window, pressed until the table dialog
    // shows (the button takes input once the tables are read).
    bool open_line_targets()
    {
        return x().click_until(428, 217, "Target Configuration", nullptr, GUI_STEP_MS);
    }

    // File menu of the line-target table, then, once it is down, its "Load"
    // (0) or "Save" (1).
    void file_menu(int entry)
    {
        ASSERT_TRUE(x().click_opening(33, 50)) << "the File menu did not open";
        click(34, entry == 0 ? 73 : 95);
    }
};

TEST_F(GuiRoutesFiltersSlowTest, EditSaveLoadAndWriteRoutesAndFilters)
{
    TEST_NETWORK_REQUIRE(net());

    SimRouter r = sim_router("r1", test_net_dotted(net().router_ip(1)), "00:a0:f9:00:00:01");
    r.routes = {sim_route(0, "255.255.255.0", "10.2.0.0", "10.1.0.1"),
                sim_route(1, "255.255.255.0", "10.3.0.0", "10.1.0.1")};
    r.filters = {sim_filter(0, "255.255.0.0", "10.1.0.0", "0.0.0.0", "0.0.0.0", 0, 1, 0),
                 sim_filter(1, "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 0, 1, 0)};
    PeerProcess* started = start_peer(1, {r});
    ASSERT_NE(started, nullptr);
    PeerProcess& peer = *started;

    start_program();
    ASSERT_NE(window(GUI_MAIN_TITLE).id, 0u) << "the main window did not show";
    ASSERT_TRUE(wait_scan_end()) << "the start-up scan did not end";

    // A double click on the router's line registers it.
    click(150, 153, 2);
    ASSERT_TRUE(peer.wait_event("r1", "open accepted", GUI_STEP_MS)) << peer.log_text();
    ASSERT_TRUE(open_line_targets());

    // Routes: a new one in front of both, then the last one deleted.
    click(69, 411);  // "Routing Table"
    ASSERT_TRUE(x().wait_count("Routing Table", 1));
    click(174, 391);  // "Add"
    ASSERT_TRUE(x().wait_count("Routing Table", 2)) << "no route edit dialog";
    field(865, 190, "10.9.0.0");  // compare value
    field(865, 232, "10.1.0.9");  // gateway
    field(770, 274, "1");         // position
    click(622, 325);              // "OK"
    ASSERT_TRUE(x().wait_count("Routing Table", 1)) << "the route was refused";
    click(150, 198);  // line 3
    click(449, 391);  // "Delete"
    click(110, 455);  // "Close"
    ASSERT_TRUE(x().wait_gone("Routing Table"));

    // Filters: ftp to 10.5.5.5 rejected, in front; all remaining rejected.
    click(69, 380);  // "Filter Table"
    ASSERT_TRUE(x().wait_count("Filter Table", 1));
    click(174, 391);  // "Add"
    ASSERT_TRUE(x().wait_count("Filter Table", 2)) << "no filter edit dialog";
    field(865, 264, "255.255.255.255");  // receiving mask
    field(865, 296, "10.5.5.5");         // receiving compare value
    field(795, 348, "ftp");              // service
    choose(773, 401, 423);               // action: reject
    field(770, 461, "1");                // position
    click(622, 515);                     // "OK"
    ASSERT_TRUE(x().wait_count("Filter Table", 1)) << "the rule was refused";
    choose(143, 345, 367);  // "All Remaining": reject
    click(110, 455);        // "Close"
    ASSERT_TRUE(x().wait_gone("Filter Table"));

    // Saved under the router's name, which the dialog proposes.
    file_menu(1);
    const XWindowInfo save = window("Save");
    ASSERT_NE(save.id, 0u) << "no file dialog titled Save";
    click_in(save, 45, 355);  // its "OK"
    ASSERT_TRUE(x().wait_gone("Save"));
    // The dialog goes before the file is written: the file is whole once
    // its last section has begun.
    const std::string saved = data().file("10.77.0.2.cfg");
    std::string text;
    for (int waited = 0; waited < GUI_STEP_MS && text.find("Filter_Data:") == std::string::npos;
         waited += POLL_MS) {
        std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
        text = read_text(saved);
    }
    EXPECT_NE(text.find("10.9.0.0"), std::string::npos) << text;
    EXPECT_EQ(text.find("10.3.0.0"), std::string::npos) << text;

    // Cancel brings back what the router holds; Load brings the file back.
    click(408, 455);
    ASSERT_TRUE(x().wait_gone("Target Configuration"));
    ASSERT_TRUE(open_line_targets());
    file_menu(0);
    const XWindowInfo load = window("Load");
    ASSERT_NE(load.id, 0u) << "no file dialog titled Load";
    field(load.x + 200, load.y + 296, saved, CLEAR_PATH_KEYS);  // the selection field
    click_in(load, 45, 355);                                    // its "OK"
    ASSERT_TRUE(x().wait_gone("Load"));

    // OK writes the tables; the dialog goes when the router has them.
    click(110, 455);
    ASSERT_TRUE(x().wait_gone("Target Configuration", GUI_STEP_MS)) << peer.log_text();
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
