// The unmodified graphical program against a router that takes 0.2 s over
// every request and answers a request that arrives twice with the replies
// it gave (as a router that keeps its last replies does): registration with
// a password, "Read And Reset" in the accounting window and a password
// change each end as the user asked, without a "Protocol Violation", the
// counters reset once, the new password taken once. Slow: it waits for the
// start-up scan and every step.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "gui_program.h"

namespace {

constexpr int STEP_MS = 10000;  // a window to show, a router to answer
constexpr int QUIET_MS = 2000;  // long enough for a wrong reply to end the registration
constexpr int GET_ACCOUNTING_REQUEST = 0x1012;

// The main window at +10+35 as the fallback resources lay it out (screen
// coordinates).
constexpr int LIST_X = 60, LIST_FIRST_LINE_Y = 154;
constexpr int REGISTER_X = 73, REGISTER_Y = 444;
constexpr int ACCOUNTING_X = 428, ACCOUNTING_Y = 337;

// Inside the accounting window (window coordinates).
constexpr int BUTTON_FROM_BOTTOM = 22;  // the middle of a bottom row button
constexpr int CLOSE_FROM_RIGHT = 70;    // "Close" 120 wide, 10 from the right
constexpr int RESET_X = 95;             // "Read And Reset" 170 wide, 10 from the left

class GuiRepeatsSlowE2E : public GuiProgramTest {
protected:
    XWindowInfo window(const std::string& title, int timeout_ms = STEP_MS)
    {
        XWindowInfo w;
        x().wait_window(title, &w, timeout_ms);
        return w;
    }

    // The windows inside `top` that `pick` takes (given the window relative
    // to `top`), top to bottom, then left to right, in screen coordinates.
    template <typename Pick>
    std::vector<XWindowInfo> windows(const XWindowInfo& top, Pick pick)
    {
        std::vector<XWindowInfo> found;
        for (XWindowInfo w : x().subwindows(top.id)) {
            XWindowInfo rel = w;
            rel.x -= top.x;
            rel.y -= top.y;
            bool fills = rel.x == 0 && rel.y == 0 && w.width == top.width && w.height == top.height;
            if (!fills && pick(rel, top))
                found.push_back(w);
        }
        std::sort(found.begin(), found.end(), [](const XWindowInfo& a, const XWindowInfo& b) {
            return a.y != b.y ? a.y < b.y : a.x < b.x;
        });
        return found;
    }

    void click(const XWindowInfo& w) { x().click(w.x + w.width / 2, w.y + w.height / 2); }

    // Types `text` and Return into the one entry of a prompt titled `title`.
    void answer_prompt(const std::string& title, const std::string& text)
    {
        const XWindowInfo prompt = window(title);
        ASSERT_NE(prompt.id, 0u) << "no prompt " << title;
        std::vector<XWindowInfo> field =
            windows(prompt, [](const XWindowInfo& w, const XWindowInfo&) {
                return w.x >= 25 && w.x <= 35 && w.y > 40 && w.height < 50;
            });
        ASSERT_EQ(field.size(), 1u);
        click(field[0]);
        x().type(text);
        x().key("Return");
        ASSERT_TRUE(x().wait_unmapped(prompt.id, STEP_MS)) << title << " stays";
    }

    size_t events_equal(const std::string& text)
    {
        std::vector<std::string> events = peer_->events("r1");
        return size_t(std::count(events.begin(), events.end(), text));
    }

    // Mode and position of each accounting request the router took.
    std::vector<std::pair<int, int>> accounting_requests()
    {
        std::vector<std::pair<int, int>> out;
        for (const PeerLogLine& l : peer_->requests(PeerLogLine::RX, GET_ACCOUNTING_REQUEST))
            if (l.data.size() >= 3)
                out.push_back({l.data[0], l.data[1] << 8 | l.data[2]});
        return out;
    }

    PeerProcess* peer_ = nullptr;
};

TEST_F(GuiRepeatsSlowE2E, ReadAndResetAndPasswordChangeOfARouterThatAnswersRepeats)
{
    TEST_NETWORK_REQUIRE(net());
    SimRouter r = sim_router("r1", "10.77.0.2", "00:a0:f9:00:00:01");
    r.firmware = "2.10";
    r.phone = "0301234";  // the settings dialog takes no empty number
    r.password = "pw1";
    r.lines = {gui_x75_line(0, "10.1.1.1", "111"), gui_x75_line(1, "10.1.1.2", "222")};
    r.lines[0].counters[0] = 101;
    r.lines[1].counters[0] = 201;
    r.knobs = {"ack-delay 200", "repeat answer"};
    peer_ = start_peer(1, {r});
    ASSERT_NE(peer_, nullptr);

    start_program();
    const XWindowInfo main = window(GUI_MAIN_TITLE);
    ASSERT_NE(main.id, 0u) << "the main window did not show";
    ASSERT_TRUE(wait_scan_end()) << "the scan did not end";
    x().click(LIST_X, LIST_FIRST_LINE_Y);
    x().click(REGISTER_X, REGISTER_Y);
    answer_prompt("Password", "pw1");
    ASSERT_TRUE(peer_->wait_event("r1", "open accepted station=10.77.0.1", STEP_MS));

    // "Read And Reset": read, then read and reset, each line target once.
    XWindowInfo accounting;
    ASSERT_TRUE(x().click_until(ACCOUNTING_X, ACCOUNTING_Y, "Accounting", &accounting, STEP_MS))
        << "the accounting window takes input once the tables are read";
    x().click(accounting.x + RESET_X, accounting.y + accounting.height - BUTTON_FROM_BOTTOM);
    for (int waited = 0; events_equal("accounting reset position=1") == 0; waited += 100) {
        ASSERT_LT(waited, STEP_MS) << peer_->log_text();
        ASSERT_FALSE(x().wait_window("Error", nullptr, 100)) << "the registration ended";
    }
    EXPECT_FALSE(x().wait_window("Error", nullptr, QUIET_MS)) << "the registration ended";
    EXPECT_TRUE(shot("read-and-reset"));
    // Read and reset position by position, each once (the program may read
    // a position plainly before it resets it).
    std::vector<std::pair<int, int>> resets, expected = {{0xFF, 0}, {0xFF, 1}};
    for (const std::pair<int, int>& request : accounting_requests())
        if (request.first == 0xFF)
            resets.push_back(request);
    EXPECT_EQ(resets, expected);
    EXPECT_EQ(events_equal("accounting reset position=0"), 1u);
    EXPECT_EQ(events_equal("accounting reset position=1"), 1u);
    ASSERT_TRUE(x().click_until_gone(accounting.x + accounting.width - CLOSE_FROM_RIGHT,
                                     accounting.y + accounting.height - BUTTON_FROM_BOTTOM,
                                     "Accounting", STEP_MS))
        << "the accounting window is still there to close";

    // "Router", "Change Password", the new password twice, Ok, OK.
    std::vector<XWindowInfo> column =
        windows(main, [](const XWindowInfo& w, const XWindowInfo& top) {
            return w.x > top.width / 2 && w.height > 30 && w.width > 120 && w.width < 160 &&
                   w.y < top.height - 100;
        });
    ASSERT_FALSE(column.empty());
    XWindowInfo settings;
    ASSERT_TRUE(x().click_until(column[0].x + column[0].width / 2,
                                column[0].y + column[0].height / 2, "Router Configuration",
                                &settings, STEP_MS));
    std::vector<XWindowInfo> change_buttons =
        windows(settings, [](const XWindowInfo& w, const XWindowInfo&) {
            return w.x >= 200 && w.x <= 215 && w.width >= 135 && w.width < 160;
        });
    ASSERT_EQ(change_buttons.size(), 2u);
    click(change_buttons[1]);  // "Change Password"
    const XWindowInfo password = window("Set Router Password");
    ASSERT_NE(password.id, 0u);
    std::vector<XWindowInfo> change =
        windows(password, [](const XWindowInfo& w, const XWindowInfo&) {
            return w.x < 50 && w.y < 120 && w.height > 20 && w.width > 60;
        });
    ASSERT_FALSE(change.empty());
    click(change.back());
    answer_prompt("Enter Password", "neu");
    answer_prompt("Enter Password", "neu");  // the repetition
    std::vector<XWindowInfo> password_row =
        windows(password, [](const XWindowInfo& w, const XWindowInfo& top) {
            return w.y > top.height - 60 && w.width > 60 && w.width < 130;
        });
    ASSERT_EQ(password_row.size(), 3u);
    click(password_row[0]);  // "Ok"
    ASSERT_TRUE(x().wait_gone("Set Router Password", STEP_MS));
    std::vector<XWindowInfo> settings_row =
        windows(settings, [](const XWindowInfo& w, const XWindowInfo& top) {
            return w.y > top.height - 70 && w.width > 80 && w.width < 130;
        });
    ASSERT_EQ(settings_row.size(), 3u);
    click(settings_row[0]);  // OK
    ASSERT_TRUE(peer_->wait_event("r1", "password changed to neu", STEP_MS));
    EXPECT_TRUE(x().wait_gone("Router Configuration", STEP_MS));
    EXPECT_FALSE(x().wait_window("Error", nullptr, QUIET_MS)) << "a taken change reported failed";
    EXPECT_TRUE(shot("password-changed"));

    ASSERT_TRUE(x().close_window(main.id));
    EXPECT_EQ(wait_exit(), 0);
    ASSERT_TRUE(peer_->wait_event("r1", "closed station=10.77.0.1", STEP_MS))
        << "still registered at the end";
    peer_->stop();
    SimRouter now;
    ASSERT_TRUE(peer_->router("r1", &now)) << peer_->error();
    EXPECT_EQ(now.password, "neu");
    EXPECT_EQ(now.lines.at(0).counters[0], 0u);
    EXPECT_EQ(now.lines.at(1).counters[0], 0u);
    for (const std::string& e : peer_->events("r1"))
        EXPECT_EQ(e.find("password change refused"), std::string::npos) << e;
}

}  // namespace
