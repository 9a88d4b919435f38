// The real `qorvel` on an X server of its own, driven by synthetic input
// (xdotool), against the simulated router: a user registers the router,
// changes its telephone number and its password in the router settings,
// then downloads the other firmware version picked in the firmware
// selection.
//
// Widgets are found by where their windows lie in their dialog, which the
// dialogs' layout fixes: the main window's list at the left and its column
// of buttons at the right, the router settings dialog's three editable text
// fields right of their labels, its firmware and password buttons 210
// pixels from the left, its button row at the bottom.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "firmware_fixture.h"
#include "peer_process.h"
#include "temp_dir.h"
#include "test_network.h"

namespace {

constexpr const char* GUI_PROGRAM = QORVEL_BUILD_DIR "/gui/qorvel";
constexpr int STEP_MS = 10000;      // one step of the user, answered by the router
constexpr int DOWNLOAD_MS = 40000;  // reset, whole image, restart

struct XWindow {
    unsigned long id = 0;
    int width = 0, height = 0;
    int x = 0, y = 0;  // on the screen
};

int64_t now_ms()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

class GuiProgramE2E : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (program_ > 0)
            net_->stop(program_);
        peer_.reset();
        if (xvfb_ > 0)
            net_->stop(xvfb_);
    }

    // An X server of this test's own: the names of the program's windows
    // are then its alone.
    bool start_display()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        SpawnOptions options;
        options.in_child = [fds] { dup2(fds[1], 3); };
        xvfb_ = net_->spawn("", {"Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24",
                                 "-nolisten", "tcp"},
                            options);
        close(fds[1]);
        std::string number;
        char c = 0;
        while (read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        display_ = ":" + number;
        return xvfb_ > 0 && !number.empty();
    }

    std::string run(const std::string& command)
    {
        std::string full = "DISPLAY=" + display_ + " " + command + " 2>/dev/null";
        std::string out;
        if (FILE* p = popen(full.c_str(), "r")) {
            char buf[4096];
            size_t n;
            while ((n = fread(buf, 1, sizeof buf, p)) > 0)
                out.append(buf, n);
            pclose(p);
        }
        return out;
    }

    // The top-level window titled exactly `title`, waiting for it.
    unsigned long window(const std::string& title, int timeout_ms = STEP_MS)
    {
        int64_t deadline = now_ms() + timeout_ms;
        do {
            // The shell's window holds the dialog; a name may also sit on an
            // empty window of the toolkit's.
            std::string out = run("xdotool search --onlyvisible --name '^" + title + "$'");
            unsigned long best = 0;
            size_t most = 0;
            const char* p = out.c_str();
            char* end = nullptr;
            for (unsigned long id = std::strtoul(p, &end, 10); end != p;
                 p = end, id = std::strtoul(p, &end, 10)) {
                size_t n = tree(id).size();
                if (n > most) {
                    most = n;
                    best = id;
                }
            }
            if (best != 0)
                return best;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        } while (now_ms() < deadline);
        return 0;
    }

    bool gone(const std::string& title, int timeout_ms = STEP_MS)
    {
        int64_t deadline = now_ms() + timeout_ms;
        do {
            if (run("xdotool search --onlyvisible --name '^" + title + "$'").empty())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        } while (now_ms() < deadline);
        return false;
    }

    // Every window below `top`, with its size and place on the screen.
    std::vector<XWindow> tree(unsigned long top)
    {
        std::string out = run("xwininfo -tree -id " + std::to_string(top));
        // Lines such as "0x20016c (has no name): ()  270x33+210+10  +735+100":
        // the size and place in the parent, then the place on the screen.
        std::vector<XWindow> windows;
        std::istringstream lines(out);
        std::string line;
        while (std::getline(lines, line)) {
            size_t id_at = line.find("0x");
            size_t screen_at = line.rfind("  +");
            if (id_at == std::string::npos || screen_at == std::string::npos || screen_at < id_at)
                continue;
            size_t size_at = line.rfind(' ', screen_at - 1);
            XWindow w;
            int rx = 0, ry = 0;
            if (std::sscanf(line.c_str() + size_at, " %dx%d%d%d", &w.width, &w.height, &rx,
                            &ry) != 4 ||
                std::sscanf(line.c_str() + screen_at, " +%d+%d", &w.x, &w.y) != 2)
                continue;
            w.id = std::strtoul(line.c_str() + id_at, nullptr, 16);
            windows.push_back(w);
        }
        return windows;
    }

    // The windows below `top` that `pick` takes (given the window and the
    // top window's own place), top to bottom, then left to right.
    template <typename Pick>
    std::vector<XWindow> windows(unsigned long top, Pick pick)
    {
        std::vector<XWindow> all = tree(top);
        std::vector<XWindow> found;
        if (all.empty())
            return found;
        const XWindow origin = all.front();
        for (size_t i = 1; i < all.size(); ++i) {
            XWindow w = all[i];
            w.x -= origin.x;
            w.y -= origin.y;
            if (pick(w, origin)) {
                w.x += origin.x;
                w.y += origin.y;
                found.push_back(w);
            }
        }
        std::sort(found.begin(), found.end(), [](const XWindow& a, const XWindow& b) {
            return a.y != b.y ? a.y < b.y : a.x < b.x;
        });
        return found;
    }

    void click(const XWindow& w, int clicks = 1)
    {
        run("xdotool mousemove " + std::to_string(w.x + w.width / 2) + " " +
            std::to_string(w.y + w.height / 2) + " click --repeat " + std::to_string(clicks) +
            " --delay 80 1");
    }

    void keys(const std::string& names) { run("xdotool key --delay 30 " + names); }
    void type(const std::string& text) { run("xdotool type --delay 30 '" + text + "'"); }

    bool event_seen(const std::string& text, int timeout_ms = STEP_MS)
    {
        return peer_->wait_event("r1", text, timeout_ms);
    }

    std::unique_ptr<TestNetwork> net_;
    std::unique_ptr<PeerProcess> peer_;
    pid_t xvfb_ = -1;
    pid_t program_ = -1;
    std::string display_;
};

TEST_F(GuiProgramE2E, UserChangesPhoneAndPasswordThenDownloadsOtherFirmware)
{
    for (const char* tool : {"/usr/bin/Xvfb", "/usr/bin/xdotool", "/usr/bin/xwininfo"})
        if (access(tool, X_OK) != 0)
            GTEST_SKIP() << tool << " is needed";
    net_ = std::make_unique<TestNetwork>(1);
    TEST_NETWORK_REQUIRE(*net_);
    ASSERT_TRUE(start_display()) << "Xvfb did not start";

    TempDir data("qorvel-gui-e2e", TempDir::PLAIN);
    data.write("qorvel.def",
               "qorvel_hostname 10.77.0.1\n"
               "qorvel_netmask 255.255.255.0\n"
               "qorvel_name_resolving off\n");
    ASSERT_FALSE(firmware_fixture_write(data.path(), 1, "2.10").empty());
    ASSERT_FALSE(firmware_fixture_write(data.path(), 1, "1.50").empty());

    SimRouter r = sim_router("r1", "10.77.0.2", "00:a0:f9:00:00:01");
    r.phone = "0301234";
    r.firmware = "2.10";
    SimLine line = sim_line(0, "10.1.1.1", "555");
    line.l2 = 2;
    line.blocksize = 1500;
    line.l3 = 4;
    line.byte = 8;
    line.timeout = 20;
    r.lines.push_back(line);
    peer_ = std::make_unique<PeerProcess>(*net_, net_->router(1), std::vector<SimRouter>{r});
    ASSERT_TRUE(peer_->start()) << peer_->error();

    SpawnOptions options;
    options.env = {"DISPLAY=" + display_, "QORVEL_PATH=" + data.path()};
    options.cwd = data.path();
    program_ = net_->spawn(net_->workstation(), {GUI_PROGRAM}, options);
    ASSERT_GT(program_, 0);

    // The scan has filled the list once the busy notice has gone.
    unsigned long main_window = window("quarnVANTERO");
    ASSERT_NE(main_window, 0u) << "the main window did not show";
    window("Please Wait", 3000);
    ASSERT_TRUE(gone("Please Wait")) << "the scan did not end";

    // A double click on the router's line registers it.
    std::vector<XWindow> list = windows(main_window, [](const XWindow& w, const XWindow&) {
        return w.height > 200 && w.width > 250 && w.width < 400;
    });
    ASSERT_FALSE(list.empty());
    run("xdotool mousemove " + std::to_string(list.front().x + 40) + " " +
        std::to_string(list.front().y + 10) + " click --repeat 2 --delay 80 1");
    ASSERT_TRUE(event_seen("open accepted")) << "registration";
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // the tables are read

    auto column_pick = [](const XWindow& w, const XWindow& top) {
        return w.x > top.width / 2 && w.height > 30 && w.width > 120 && w.width < 160 &&
               w.y < top.height - 100;
    };
    std::vector<XWindow> column = windows(main_window, column_pick);
    ASSERT_GE(column.size(), 1u);
    click(column[0]);  // "Router"
    unsigned long settings = window("Router Configuration");
    ASSERT_NE(settings, 0u) << "the router settings dialog did not show";

    auto field_pick = [](const XWindow& w, const XWindow&) {
        return w.x > 200 && w.width >= 200 && w.height < 50;
    };
    auto row_pick = [](const XWindow& w, const XWindow& top) {
        return w.y > top.height - 70 && w.width > 80 && w.width < 130;
    };
    std::vector<XWindow> fields = windows(settings, field_pick);
    std::vector<XWindow> row = windows(settings, row_pick);
    ASSERT_EQ(fields.size(), 3u) << run("xwininfo -tree -id " + std::to_string(settings));
    ASSERT_EQ(row.size(), 3u) << run("xwininfo -tree -id " + std::to_string(settings));
    click(fields[2]);  // "RPhoneText"
    keys("End BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace");
    type("0309999");

    // A new password, typed twice.
    auto change_buttons = [](const XWindow& w, const XWindow&) {
        return w.x >= 200 && w.x <= 215 && w.width >= 135 && w.width < 160;
    };
    std::vector<XWindow> buttons = windows(settings, change_buttons);
    ASSERT_EQ(buttons.size(), 2u) << run("xwininfo -tree -id " + std::to_string(settings));
    click(buttons[1]);  // "Change Password"
    unsigned long password = window("Set Router Password");
    ASSERT_NE(password, 0u) << "the password dialog did not show";
    std::vector<XWindow> change = windows(password, [](const XWindow& w, const XWindow&) {
        return w.x < 50 && w.y < 120 && w.height > 20 && w.width > 60;
    });
    ASSERT_FALSE(change.empty()) << run("xwininfo -tree -id " + std::to_string(password));
    click(change.back());  // "Change Password" (below the header labels)
    for (int entry = 0; entry < 2; ++entry) {
        unsigned long prompt = window("Enter Password");
        ASSERT_NE(prompt, 0u) << "entry " << entry;
        std::vector<XWindow> field = windows(prompt, [](const XWindow& w, const XWindow&) {
            return w.x >= 25 && w.x <= 35 && w.height < 50;
        });
        ASSERT_EQ(field.size(), 1u) << run("xwininfo -tree -id " + std::to_string(prompt));
        click(field[0]);
        type("neu");
        keys("Return");
        if (entry == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    ASSERT_TRUE(gone("Enter Password"));
    std::vector<XWindow> setpw_row = windows(password, [](const XWindow& w, const XWindow& top) {
        return w.y > top.height - 60 && w.width > 60 && w.width < 130;
    });
    ASSERT_EQ(setpw_row.size(), 3u) << run("xwininfo -tree -id " + std::to_string(password));
    click(setpw_row[0]);  // "Ok"
    ASSERT_TRUE(gone("Set Router Password"));

    click(row[0]);  // OK: the password first, then the settings
    ASSERT_TRUE(event_seen("password changed to neu")) << "the password was not sent";
    ASSERT_TRUE(event_seen("router data address=10.77.0.2")) << "the settings were not sent";
    unsigned long warning = window("Warning");
    ASSERT_NE(warning, 0u) << "no reboot warning";
    std::vector<XWindow> ok = windows(warning, [](const XWindow& w, const XWindow& top) {
        return w.y > top.height - 60 && w.width < 120;
    });
    ASSERT_EQ(ok.size(), 1u);
    click(ok[0]);
    ASSERT_TRUE(gone("Warning"));
    ASSERT_TRUE(gone("Router Configuration"));

    // The firmware: "Change Firmware", a double click on the first version
    // (1.50), OK.
    click(column[0]);
    settings = window("Router Configuration");
    ASSERT_NE(settings, 0u);
    buttons = windows(settings, change_buttons);
    ASSERT_EQ(buttons.size(), 2u);
    click(buttons[0]);
    unsigned long firmware = window("Select Firmware");
    ASSERT_NE(firmware, 0u) << "the firmware selection did not show";
    std::vector<XWindow> versions = windows(firmware, [](const XWindow& w, const XWindow&) {
        return w.height > 100 && w.width > 200;
    });
    ASSERT_FALSE(versions.empty());
    run("xdotool mousemove " + std::to_string(versions.front().x + 30) + " " +
        std::to_string(versions.front().y + 10) + " click --repeat 2 --delay 80 1");
    ASSERT_TRUE(gone("Select Firmware"));
    row = windows(settings, row_pick);
    ASSERT_EQ(row.size(), 3u);
    click(row[0]);  // OK: the download
    ASSERT_TRUE(event_seen("reset")) << "a router with tables is reset first";
    ASSERT_TRUE(event_seen("restarted address=10.77.0.2", DOWNLOAD_MS));
    ASSERT_TRUE(gone("Router Configuration", STEP_MS)) << "the dialog stays after the download";

    peer_->stop();
    SimRouter now;
    ASSERT_TRUE(peer_->router("r1", &now)) << peer_->error();
    EXPECT_EQ(now.phone, "0309999");
    EXPECT_EQ(now.password, "neu") << "the image carries the password the router took";
    EXPECT_EQ(now.firmware, "1.50");
    EXPECT_EQ(now.lines.size(), 1u) << "the tables went with the image";
}

}  // namespace
