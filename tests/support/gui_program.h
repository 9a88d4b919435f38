// What the end-to-end tests of the graphical program share: the unmodified
// `qorvel` started in the workstation of a test network, on an X server of
// the test's own that the test drives through XTest (x_display.h), with a
// data directory whose "qorvel.def" gives the workstation 10.77.0.1/24 and
// no name resolving; a screenshot under the build directory when a step
// failed.
//
//     class MyTest : public GuiProgramTest {};
//     TEST_F(MyTest, Something) {
//         TEST_NETWORK_REQUIRE(net());
//         PeerProcess* peer = start_peer(1, {sim_router("r1", "10.77.0.2", ...)});
//         start_program();
//         XWindowInfo main;
//         ASSERT_TRUE(x().wait_window(GUI_MAIN_TITLE, &main));
//         ASSERT_TRUE(wait_scan_end());
//         x().click(main.x + 60, main.y + 119, 2);
//     }
#pragma once

#include <gtest/gtest.h>

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "peer_process.h"
#include "temp_dir.h"
#include "test_network.h"
#include "x_display.h"

constexpr const char* GUI_PROGRAM = QORVEL_BUILD_DIR "/gui/qorvel";
constexpr const char* GUI_ARTIFACTS = QORVEL_BUILD_DIR "/test-artifacts";
constexpr const char* GUI_MAIN_TITLE = "quarnVANTERO";
constexpr const char* GUI_NOTICE_TITLE = "Please Wait";  // the busy notice
constexpr int GUI_STEP_MS = 10000;                       // a window to show, a router to answer
constexpr int GUI_SCAN_END_MS = 10000;  // the scan's end marker comes on its fourth tick
constexpr int GUI_EXIT_MS = 10000;      // a sanitizer build exits slowly

class GuiProgramTest : public ::testing::Test {
protected:
    // Skips the test when the program is not built or no X server starts.
    void SetUp() override;
    // A screenshot when the test failed; then the program, the simulated
    // routers and the X server are stopped.
    void TearDown() override;

    // The test network (two router namespaces), made on first use.
    TestNetwork& net();
    XSession& x() { return *x_; }
    const std::string& display() const { return server_->display(); }
    TempDir& data() { return data_; }

    // router-peer serving `routers` in router namespace `ns` (1 or 2); null
    // (with the failure added) when it does not start.
    PeerProcess* start_peer(int ns, const std::vector<SimRouter>& routers);

    // The program in the workstation namespace on this test's display, with
    // the data directory as QORVEL_PATH and working directory, its standard
    // error into the data directory's "stderr".
    void start_program(const std::vector<std::string>& args = {});
    // Waits for the program to end; its exit status, -1 when it runs on.
    int wait_exit(int timeout_ms = GUI_EXIT_MS);
    std::string standard_error() const;

    // The busy notice of the start-up scan shows and goes again: the router
    // list is complete.
    bool wait_scan_end();

    // The whole screen as "<suite>.<test>-<what>.png" under the build
    // directory's test artifacts.
    bool shot(const std::string& what);

    pid_t program_ = -1;

private:
    TempDir data_{"qorvel-gui-e2e"};
    std::unique_ptr<XvfbServer> server_;
    std::unique_ptr<XSession> x_;
    std::unique_ptr<TestNetwork> net_;
    std::vector<std::unique_ptr<PeerProcess>> peers_;
};

// A line target whose layer-2 and layer-3 parameters are the built-in x75
// and null definitions, so that the program can edit the tables it reads.
SimLine gui_x75_line(int index, const std::string& host, const std::string& phone);
