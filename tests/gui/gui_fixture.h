// In-process tests of the graphical program: its modules linked into the
// test, the toolkit started once per process as main() starts it (fallback
// resources, main window, language), widgets found by name from the
// top-level shell, callbacks invoked with their call data and the event
// loop pumped until a condition holds or a bounded deadline passes.
//
//     class MyTest : public GuiTest {};
//     TEST_F(MyTest, Something) {
//         helpfunc_popup(Dialog::ConfigDialog);
//         ASSERT_TRUE(pump_until([] { return is_mapped("*ConfigDialog"); }));
//     }
//
// Tests that need the back end call start_back_end(), which starts it once
// per process inside the workstation of a private network of namespaces
// (the simulated routers run in its router namespaces, start_peer()).
// Without a display (DISPLAY unset) every test skips with a message.
#pragma once

#include <gtest/gtest.h>

#include <X11/Intrinsic.h>
#include <Xm/Xm.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "peer_process.h"
#include "router_session.h"
#include "test_network.h"

constexpr int GUI_WAIT_MS = 5000;       // a step that needs no time-out of the router protocol
constexpr int GUI_SCAN_WAIT_MS = 8000;  // the scan's end marker comes on its fourth tick

// The process-wide data directory (QORVEL_PATH): "qorvel.def" gives the
// workstation's address 10.77.0.1/24 and no name resolving.
const std::string& gui_data_dir();

// Process-wide network: 2 router namespaces; null when it cannot be built.
TestNetwork* gui_network();

// The selected router as a test sets it up. The program changes it only
// through router_session.h; a test puts it straight into the state it needs.
inline SelectedRouter& test_selected_box()
{
    return const_cast<SelectedRouter&>(helpfunc_selected_box);
}

class GuiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The back end on its socket in the workstation namespace, started once
    // per process; false (with the reason added) when it cannot start.
    bool start_back_end();
    static bool back_end_started();
    // True when no other test ran before this one in this process (ctest
    // runs each test alone): the dialogs are all unbuilt.
    static bool first_test_of_process();

    // router-peer serving `routers` in router namespace `ns` (1 or 2).
    PeerProcess* start_peer(int ns, const std::vector<SimRouter>& routers);

    // Processes what is there, without waiting.
    static void pump();
    // Processes events until `done` holds or `timeout_ms` passes.
    static bool pump_until(const std::function<bool()>& done, int timeout_ms = GUI_WAIT_MS);

    // Widgets by name path from the top-level shell ("*ErrorDialog").
    static Widget find(const char* path);
    static bool is_managed(const char* path);
    static bool is_sensitive(const char* path);
    static std::string label(const char* path);
    // The text of a text field or text widget.
    static std::string text_of(Widget field);
    // A dialog's title as the window manager reads it ("" path: the main window).
    static std::string title(const char* dialog_path);
    static std::vector<std::string> list_items(Widget list);
    static std::vector<int> selected_positions(Widget list);
    // Where a dialog's shell stands on the screen (its border's outer edge).
    static void shell_position(Widget form, int* x, int* y);
    // X protocol errors seen since the test began.
    static int x_errors();

    std::vector<std::unique_ptr<PeerProcess>> peers_;
};

#define GUI_REQUIRE_DISPLAY() \
    do { \
        if (getenv("DISPLAY") == nullptr || *getenv("DISPLAY") == '\0') \
            GTEST_SKIP() << "DISPLAY is not set: the graphical tests need an X server " \
                            "(tools/test-all starts Xvfb)"; \
    } while (0)

// Taken by every test that writes "/tmp/save.cfg": removes the earlier
// copies kept beside it ("/tmp/save.cfg.N") that the test made. The test
// process has a /tmp of its own, so no other test meets it there and the
// machine's copy is never touched.
class EmergencyFileLock {
public:
    EmergencyFileLock();
    ~EmergencyFileLock();
    EmergencyFileLock(const EmergencyFileLock&) = delete;
    EmergencyFileLock& operator=(const EmergencyFileLock&) = delete;
    // The numbered copies that were there when the lock was taken.
    const std::set<std::string>& kept_before() const { return kept_before_; }

private:
    std::set<std::string> kept_before_;
};
