// The real `qorvel` on an X server of its own, driven by synthetic input
// (XTest), against the simulated router: a user registers the router,
// changes its telephone number and its password in the router settings,
// then downloads the other firmware version picked in the firmware
// selection. Two routers, one after the other: a password typed for the
// first never reaches the second.
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
            const bool fills =
                w.x == 0 && w.y == 0 && w.width == top.width && w.height == top.height;
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

    // "Change Firmware" and "Change Password", in this order.
    std::vector<XWindowInfo> change_buttons(const XWindowInfo& settings)
    {
        return windows(settings, [](const XWindowInfo& w, const XWindowInfo&) {
            return w.x >= 200 && w.x <= 215 && w.width >= 135 && w.width < 160;
        });
    }

    // OK, Cancel and Help of the settings dialog.
    std::vector<XWindowInfo> settings_row(const XWindowInfo& settings)
    {
        return windows(settings, [](const XWindowInfo& w, const XWindowInfo& top) {
            return w.y > top.height - 70 && w.width > 80 && w.width < 130;
        });
    }

    // "Change Firmware", then a double click on the first version offered.
    void choose_first_version(const XWindowInfo& settings)
    {
        std::vector<XWindowInfo> buttons = change_buttons(settings);
        ASSERT_EQ(buttons.size(), 2u) << tree(settings);
        click(buttons[0]);
        const XWindowInfo firmware = window("Select Firmware");
        ASSERT_NE(firmware.id, 0u) << "the firmware selection did not show";
        std::vector<XWindowInfo> versions =
            windows(firmware, [](const XWindowInfo& w, const XWindowInfo&) {
                return w.height > 100 && w.width > 200;
            });
        ASSERT_FALSE(versions.empty()) << tree(firmware);
        x().click(versions.front().x + 30, versions.front().y + 10, 2);
        ASSERT_TRUE(gone("Select Firmware"));
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
    std::vector<XWindowInfo> list =
        windows(main_window, [](const XWindowInfo& w, const XWindowInfo&) {
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
    std::vector<XWindowInfo> fields = windows(settings, field_pick);
    std::vector<XWindowInfo> row = settings_row(settings);
    ASSERT_EQ(fields.size(), 3u) << tree(settings);
    ASSERT_EQ(row.size(), 3u) << tree(settings);
    click(fields[2]);  // "RPhoneText"
    x().key("End");
    x().key_repeat("BackSpace", 8);
    x().type("0309999");

    // A new password, typed twice.
    std::vector<XWindowInfo> buttons = change_buttons(settings);
    ASSERT_EQ(buttons.size(), 2u) << tree(settings);
    click(buttons[1]);  // "Change Password"
    const XWindowInfo password = window("Set Router Password");
    ASSERT_NE(password.id, 0u) << "the password dialog did not show";
    std::vector<XWindowInfo> change =
        windows(password, [](const XWindowInfo& w, const XWindowInfo&) {
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
        // The entry, below the head line.
        std::vector<XWindowInfo> field =
            windows(prompt, [](const XWindowInfo& w, const XWindowInfo&) {
                return w.x >= 25 && w.x <= 35 && w.y > 40 && w.height < 50;
            });
        ASSERT_EQ(field.size(), 1u) << tree(prompt);
        click(field[0]);
        x().type("neu");
        x().key("Return");
    }
    ASSERT_TRUE(gone("Enter Password"));
    std::vector<XWindowInfo> setpw_row =
        windows(password, [](const XWindowInfo& w, const XWindowInfo& top) {
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
    std::vector<XWindowInfo> ok =
        windows(warning, [](const XWindowInfo& w, const XWindowInfo& top) {
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
    choose_first_version(settings);
    if (HasFatalFailure())
        return;
    row = settings_row(settings);
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

// Two routers in one simulated router process, so that the scan lists them
// in this order: A (10.77.0.2) on the first line, B (10.77.0.20, answering
// 300 ms later) on the second. A asks for the password "pw1", B for none.
class GuiRouterChangeSlowE2E : public GuiProgramE2E {
protected:
    static constexpr int LIST_X = 60;  // the router list's lines on the screen
    static constexpr int LIST_FIRST_LINE_Y = 154;
    static constexpr int LIST_LINE_HEIGHT = 16;
    static constexpr int REGISTER_X = 73, REGISTER_Y = 444;
    static constexpr int OK_FROM_BOTTOM = 28;  // the error box's OK above its bottom edge

    static SimRouter router_a()
    {
        SimRouter a = sim_router("r1", "10.77.0.2", "00:a0:f9:00:00:01");
        a.firmware = "2.10";
        a.phone = "0301234";
        a.password = "pw1";
        a.lines = {gui_x75_line(0, "10.1.1.1", "111")};
        return a;
    }

    static SimRouter router_b()
    {
        SimRouter b = sim_router("r2", "10.77.0.20", "00:a0:f9:00:00:02");
        b.firmware = "2.10";
        b.phone = "0305678";
        b.lines = {gui_x75_line(0, "10.1.1.2", "222")};
        b.knobs = {"delay 300"};
        return b;
    }

    // The program up with its scan over; the main window.
    XWindowInfo started()
    {
        start_program();
        XWindowInfo main = window(GUI_MAIN_TITLE);
        EXPECT_NE(main.id, 0u) << "the main window did not show";
        EXPECT_TRUE(wait_scan_end()) << "the scan did not end";
        return main;
    }

    bool seen(const char* router, const std::string& text, int timeout_ms = STEP_MS)
    {
        return peer_->wait_event(router, text, timeout_ms);
    }

    size_t count(const char* router, const std::string& text)
    {
        size_t n = 0;
        for (const std::string& e : peer_->events(router))
            n += e.find(text) != std::string::npos ? 1 : 0;
        return n;
    }

    // A click on the list's line, then on "Register".
    void register_line(int line)
    {
        x().click(LIST_X, LIST_FIRST_LINE_Y + (line - 1) * LIST_LINE_HEIGHT);
        x().click(REGISTER_X, REGISTER_Y);
    }

    // The password typed at the registration's prompt.
    void answer_prompt(const std::string& password)
    {
        const XWindowInfo prompt = window("Password");
        ASSERT_NE(prompt.id, 0u) << "no password prompt";
        // The entry, below the head line.
        std::vector<XWindowInfo> field =
            windows(prompt, [](const XWindowInfo& w, const XWindowInfo&) {
                return w.x >= 25 && w.x <= 35 && w.y > 40 && w.height < 50;
            });
        ASSERT_EQ(field.size(), 1u) << tree(prompt);
        click(field[0]);
        x().type(password);
        x().key("Return");
        ASSERT_TRUE(gone("Password"));
    }

    // "Router" of the main window, once the tables are read.
    XWindowInfo open_settings(const XWindowInfo& main)
    {
        std::vector<XWindowInfo> column =
            windows(main, [](const XWindowInfo& w, const XWindowInfo& top) {
                return w.x > top.width / 2 && w.height > 30 && w.width > 120 && w.width < 160 &&
                       w.y < top.height - 100;
            });
        XWindowInfo settings;
        EXPECT_FALSE(column.empty()) << tree(main);
        if (!column.empty())
            x().click_until(column[0].x + column[0].width / 2, column[0].y + column[0].height / 2,
                            "Router Configuration", &settings, STEP_MS);
        return settings;
    }

    // The first other version chosen (1.50) and OK: the router is reset,
    // takes the image and restarts under `address`.
    void download_first_version(const char* router, const char* address)
    {
        XWindowInfo settings = window("Router Configuration");
        ASSERT_NE(settings.id, 0u);
        choose_first_version(settings);
        if (HasFatalFailure())
            return;
        std::vector<XWindowInfo> row = settings_row(settings);
        ASSERT_EQ(row.size(), 3u) << tree(settings);
        click(row[0]);
        ASSERT_TRUE(seen(router, std::string("restarted address=") + address, DOWNLOAD_MS));
        ASSERT_TRUE(gone("Router Configuration")) << "the dialog stays after the download";
    }
};

// A password typed for A is neither patched into B's image nor asked of B
// afterwards.
TEST_F(GuiRouterChangeSlowE2E, DownloadToTheNextRouterCarriesNoPasswordOfTheOneBefore)
{
    TEST_NETWORK_REQUIRE(net());
    ASSERT_FALSE(firmware_fixture_write(data().path(), 1, "2.10").empty());
    ASSERT_FALSE(firmware_fixture_write(data().path(), 1, "1.50").empty());
    peer_ = start_peer(1, {router_a(), router_b()});
    ASSERT_NE(peer_, nullptr);
    const XWindowInfo main = started();
    ASSERT_NE(main.id, 0u);

    register_line(1);
    answer_prompt("pw1");
    ASSERT_TRUE(seen("r1", "open accepted")) << "A registered";
    ASSERT_NE(open_settings(main).id, 0u) << "A's settings";
    download_first_version("r1", "10.77.0.2");

    register_line(2);
    ASSERT_TRUE(seen("r2", "open accepted")) << "B registered";
    EXPECT_FALSE(x().wait_window("Password", nullptr, 0));
    ASSERT_NE(open_settings(main).id, 0u) << "B's settings";
    download_first_version("r2", "10.77.0.20");

    // B once more: no prompt.
    register_line(2);
    for (int waited = 0; count("r2", "open accepted") < 2; waited += 100) {
        ASSERT_LT(waited, STEP_MS) << "B registers again";
        ASSERT_FALSE(x().wait_window("Password", nullptr, 100)) << "B asks for no password";
    }

    peer_->stop();
    SimRouter a, b;
    ASSERT_TRUE(peer_->router("r1", &a)) << peer_->error();
    ASSERT_TRUE(peer_->router("r2", &b)) << peer_->error();
    EXPECT_EQ(a.password, "pw1") << "A's image carries A's password";
    EXPECT_EQ(b.password, "") << "B's image carries no password";
    EXPECT_EQ(b.firmware, "1.50");
}

// A registration that fails after its password leaves nothing of it for
// the next router: changing only "Only configurable by this host" of B
// sends B's own (empty) password as the current one.
TEST_F(GuiRouterChangeSlowE2E, ExclusiveFlagOfTheNextRouterAfterAFailedRegistration)
{
    TEST_NETWORK_REQUIRE(net());
    SimRouter a = router_a();
    // A numbered message before the acknowledgement of the first table
    // request ends the registration after the password was taken.
    a.knobs.push_back("own GET_ENTRY_REQUEST LINEMON_DATA");
    peer_ = start_peer(1, {a, router_b()});
    ASSERT_NE(peer_, nullptr);
    const XWindowInfo main = started();
    ASSERT_NE(main.id, 0u);

    register_line(1);
    answer_prompt("pw1");
    ASSERT_TRUE(seen("r1", "password ok"));
    const XWindowInfo box = window("Error");
    ASSERT_NE(box.id, 0u) << "the failure is reported";
    x().click(box.x + box.width / 2, box.y + box.height - OK_FROM_BOTTOM);
    ASSERT_TRUE(gone("Error"));

    register_line(2);
    ASSERT_TRUE(seen("r2", "open accepted")) << "B registered";
    const XWindowInfo settings = open_settings(main);
    ASSERT_NE(settings.id, 0u) << "B's settings";
    std::vector<XWindowInfo> buttons = change_buttons(settings);
    ASSERT_EQ(buttons.size(), 2u) << tree(settings);
    click(buttons[1]);  // "Change Password"
    const XWindowInfo password = window("Set Router Password");
    ASSERT_NE(password.id, 0u) << "the password dialog did not show";
    EXPECT_TRUE(shot("no-password-to-delete"));
    // Left: the head lines, "Change Password" and the toggle, top to bottom;
    // right of the first "Delete Password".
    std::vector<XWindowInfo> left =
        windows(password, [](const XWindowInfo& w, const XWindowInfo& top) {
            return w.x < 50 && w.height > 15 && w.width > 60 && w.y < top.height - 60;
        });
    ASSERT_GE(left.size(), 2u) << tree(password);
    const XWindowInfo change = left[left.size() - 2];
    std::vector<XWindowInfo> right =
        windows(password, [&change](const XWindowInfo& w, const XWindowInfo& top) {
            return w.x > top.width / 2 && w.y + top.y == change.y;
        });
    ASSERT_EQ(right.size(), 1u) << tree(password);
    click(right[0]);     // "Delete Password": B has none, so it does nothing
    click(left.back());  // "Only configurable by this host"
    std::vector<XWindowInfo> setpw_row =
        windows(password, [](const XWindowInfo& w, const XWindowInfo& top) {
            return w.y > top.height - 60 && w.width > 60 && w.width < 130;
        });
    ASSERT_EQ(setpw_row.size(), 3u) << tree(password);
    click(setpw_row[0]);  // "Ok"
    ASSERT_TRUE(gone("Set Router Password"));
    std::vector<XWindowInfo> row = settings_row(settings);
    ASSERT_EQ(row.size(), 3u) << tree(settings);
    click(row[0]);  // OK

    ASSERT_TRUE(seen("r2", "exclusive=10.77.0.1")) << "the flag reaches B";
    EXPECT_EQ(count("r2", "password change refused"), 0u);
    EXPECT_FALSE(x().wait_window("Error", nullptr, 0));
    ASSERT_TRUE(gone("Router Configuration"));
    peer_->stop();
    SimRouter b;
    ASSERT_TRUE(peer_->router("r2", &b)) << peer_->error();
    EXPECT_EQ(b.password, "") << "no password was set or changed";
    EXPECT_EQ(b.exclusive, "10.77.0.1");
}

}  // namespace
