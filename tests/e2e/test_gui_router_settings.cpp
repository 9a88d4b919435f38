// The real `qorvel` on an X server of its own, driven by synthetic input
// (XTest), against the simulated router: a user registers the router,
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

#include <algorithm>
#include <string>
#include <vector>

#include "firmware_fixture.h"
#include "gui_program.h"

namespace {

constexpr int STEP_MS = GUI_STEP_MS;  // one step of the user, answered by the router
constexpr int DOWNLOAD_MS = 40000;    // reset, whole image, restart

class GuiProgramE2E : public GuiProgramTest {
protected:
    // The top-level window titled exactly `title`, waiting for it; id 0
    // when none shows.
    XWindowInfo window(const std::string& title, int timeout_ms = STEP_MS)
    {
        XWindowInfo w;
        x().wait_window(title, &w, timeout_ms);
        return w;
    }

    bool gone(const std::string& title, int timeout_ms = STEP_MS)
    {
        return x().wait_gone(title, timeout_ms);
    }

    // The windows inside `top` that `pick` takes (given the window, placed
    // in `top`, and `top` itself), top to bottom, then left to right; their
    // places stay on the screen. The form that fills a dialog is none of
    // them.
    template <typename Pick>
    std::vector<XWindowInfo> windows(const XWindowInfo& top, Pick pick)
    {
        std::vector<XWindowInfo> found;
        for (XWindowInfo w : x().subwindows(top.id)) {
            w.x -= top.x;
            w.y -= top.y;
            const bool fills = w.x == 0 && w.y == 0 && w.width == top.width && w.height == top.height;
            if (!fills && pick(w, top)) {
                w.x += top.x;
                w.y += top.y;
                found.push_back(w);
            }
        }
        std::sort(found.begin(), found.end(), [](const XWindowInfo& a, const XWindowInfo& b) {
            return a.y != b.y ? a.y < b.y : a.x < b.x;
        });
        return found;
    }

    // What lies inside a window, for a message when a pick went wrong.
    std::string tree(const XWindowInfo& top)
    {
        std::string text;
        for (const XWindowInfo& w : x().subwindows(top.id))
            text += std::to_string(w.width) + "x" + std::to_string(w.height) + "+" +
                    std::to_string(w.x - top.x) + "+" + std::to_string(w.y - top.y) + "\n";
        return text;
    }

    void click(const XWindowInfo& w, int clicks = 1)
    {
        x().click(w.x + w.width / 2, w.y + w.height / 2, clicks);
    }

    bool event_seen(const std::string& text, int timeout_ms = STEP_MS)
    {
        return peer_->wait_event("r1", text, timeout_ms);
    }

    PeerProcess* peer_ = nullptr;
};

TEST_F(GuiProgramE2E, UserChangesPhoneAndPasswordThenDownloadsOtherFirmware)
{
    TEST_NETWORK_REQUIRE(net());
    ASSERT_FALSE(firmware_fixture_write(data().path(), 1, "2.10").empty());
    ASSERT_FALSE(firmware_fixture_write(data().path(), 1, "1.50").empty());

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
    peer_ = start_peer(1, {r});
    ASSERT_NE(peer_, nullptr);

    start_program();
    // The scan has filled the list once the busy notice has gone.
    const XWindowInfo main_window = window(GUI_MAIN_TITLE);
    ASSERT_NE(main_window.id, 0u) << "the main window did not show";
    ASSERT_TRUE(wait_scan_end()) << "the scan did not end";

    // A double click on the router's line registers it.
    std::vector<XWindowInfo> list = windows(main_window, [](const XWindowInfo& w, const XWindowInfo&) {
        return w.height > 200 && w.width > 250 && w.width < 400;
    });
    ASSERT_FALSE(list.empty()) << tree(main_window);
    x().click(list.front().x + 40, list.front().y + 10, 2);
    ASSERT_TRUE(event_seen("open accepted")) << "registration";

    auto column_pick = [](const XWindowInfo& w, const XWindowInfo& top) {
        return w.x > top.width / 2 && w.height > 30 && w.width > 120 && w.width < 160 &&
               w.y < top.height - 100;
    };
    std::vector<XWindowInfo> column = windows(main_window, column_pick);
    ASSERT_GE(column.size(), 1u) << tree(main_window);
    // "Router" takes input once the tables are read.
    XWindowInfo settings;
    ASSERT_TRUE(x().click_until(column[0].x + column[0].width / 2,
                                column[0].y + column[0].height / 2, "Router Configuration",
                                &settings, STEP_MS))
        << "the router settings dialog did not show";

    auto field_pick = [](const XWindowInfo& w, const XWindowInfo&) {
        return w.x > 200 && w.width >= 200 && w.height < 50;
    };
    auto row_pick = [](const XWindowInfo& w, const XWindowInfo& top) {
        return w.y > top.height - 70 && w.width > 80 && w.width < 130;
    };
    std::vector<XWindowInfo> fields = windows(settings, field_pick);
    std::vector<XWindowInfo> row = windows(settings, row_pick);
    ASSERT_EQ(fields.size(), 3u) << tree(settings);
    ASSERT_EQ(row.size(), 3u) << tree(settings);
    click(fields[2]);  // "RPhoneText"
    x().key("End");
    x().key_repeat("BackSpace", 8);
    x().type("0309999");

    // A new password, typed twice.
    auto change_buttons = [](const XWindowInfo& w, const XWindowInfo&) {
        return w.x >= 200 && w.x <= 215 && w.width >= 135 && w.width < 160;
    };
    std::vector<XWindowInfo> buttons = windows(settings, change_buttons);
    ASSERT_EQ(buttons.size(), 2u) << tree(settings);
    click(buttons[1]);  // "Change Password"
    const XWindowInfo password = window("Set Router Password");
    ASSERT_NE(password.id, 0u) << "the password dialog did not show";
    std::vector<XWindowInfo> change = windows(password, [](const XWindowInfo& w, const XWindowInfo&) {
        return w.x < 50 && w.y < 120 && w.height > 20 && w.width > 60;
    });
    ASSERT_FALSE(change.empty()) << tree(password);
    click(change.back());  // "Change Password" (below the header labels)
    unsigned long first_prompt = 0;
    for (int entry = 0; entry < 2; ++entry) {
        // The repetition has the title of the first entry: it is the prompt
        // that comes once the first has gone.
        if (entry == 1) {
            ASSERT_TRUE(x().wait_unmapped(first_prompt, STEP_MS)) << "the first entry stays";
        }
        const XWindowInfo prompt = window("Enter Password");
        ASSERT_NE(prompt.id, 0u) << "entry " << entry;
        first_prompt = prompt.id;
        std::vector<XWindowInfo> field = windows(prompt, [](const XWindowInfo& w, const XWindowInfo&) {
            return w.x >= 25 && w.x <= 35 && w.height < 50;
        });
        ASSERT_EQ(field.size(), 1u) << tree(prompt);
        click(field[0]);
        x().type("neu");
        x().key("Return");
    }
    ASSERT_TRUE(gone("Enter Password"));
    std::vector<XWindowInfo> setpw_row = windows(password, [](const XWindowInfo& w, const XWindowInfo& top) {
        return w.y > top.height - 60 && w.width > 60 && w.width < 130;
    });
    ASSERT_EQ(setpw_row.size(), 3u) << tree(password);
    click(setpw_row[0]);  // "Ok"
    ASSERT_TRUE(gone("Set Router Password"));

    click(row[0]);  // OK: the password first, then the settings
    ASSERT_TRUE(event_seen("password changed to neu")) << "the password was not sent";
    ASSERT_TRUE(event_seen("router data address=10.77.0.2")) << "the settings were not sent";
    const XWindowInfo warning = window("Warning");
    ASSERT_NE(warning.id, 0u) << "no reboot warning";
    std::vector<XWindowInfo> ok = windows(warning, [](const XWindowInfo& w, const XWindowInfo& top) {
        return w.y > top.height - 60 && w.width < 120;
    });
    ASSERT_EQ(ok.size(), 1u) << tree(warning);
    click(ok[0]);
    ASSERT_TRUE(gone("Warning"));
    ASSERT_TRUE(gone("Router Configuration"));

    // The firmware: "Change Firmware", a double click on the first version
    // (1.50), OK.
    click(column[0]);
    settings = window("Router Configuration");
    ASSERT_NE(settings.id, 0u);
    buttons = windows(settings, change_buttons);
    ASSERT_EQ(buttons.size(), 2u) << tree(settings);
    click(buttons[0]);
    const XWindowInfo firmware = window("Select Firmware");
    ASSERT_NE(firmware.id, 0u) << "the firmware selection did not show";
    std::vector<XWindowInfo> versions = windows(firmware, [](const XWindowInfo& w, const XWindowInfo&) {
        return w.height > 100 && w.width > 200;
    });
    ASSERT_FALSE(versions.empty()) << tree(firmware);
    x().click(versions.front().x + 30, versions.front().y + 10, 2);
    ASSERT_TRUE(gone("Select Firmware"));
    row = windows(settings, row_pick);
    ASSERT_EQ(row.size(), 3u) << tree(settings);
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
