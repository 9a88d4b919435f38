// The accounting window: reading from the main window, "Read And Reset",
// Save through the file dialog, the busy guard and notice, and a
// read-and-reset that fails half-way, against the simulated router.
#include <gtest/gtest.h>

#include <Xm/FileSB.h>
#include <Xm/Text.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "accounting_window.h"
#include "dialog_entry_points.h"
#include "display_services.h"
#include "globals.h"
#include "highstate.h"
#include "line_monitor.h"
#include "line_target_dialog.h"
#include "list.h"
#include "monitor_fixture.h"
#include "myutil.h"
#include "toolkit.h"
#include "widget_table.h"

namespace {

constexpr int GET_ACCOUNTING_REQUEST = 0x1012;
constexpr int LINEMON_STOP_REQUEST = 0x1016;
constexpr int PUT_ENTRY_REQUEST = 0x1017;
constexpr int NO_ACK_WAIT_MS = 16000;  // three transmissions, then the back end gives up

// Counters as the router keeps them: charge, calls out, calls in, packets
// out, packets in, bytes out, bytes in.
const uint32_t LARGE[SIM_COUNTERS] = {5, 2, 3, 4000000000u, 2147483648u, 4294967295u, 3000000000u};
const uint32_t SMALL[SIM_COUNTERS] = {1, 10, 20, 30, 40, 50, 60};
const uint32_t CHARGED[SIM_COUNTERS] = {2147483648u, 1, 1, 1, 1, 1, 1};
const uint32_t ZERO[SIM_COUNTERS] = {};

// The window's text for one line target, the numbers right-aligned in ten
// places and never negative.
std::string block(const char* host, const char* phone, const uint32_t (&c)[SIM_COUNTERS])
{
    auto n = [](uint32_t v) {
        std::string s = std::to_string(v);
        return std::string(10 - s.size(), ' ') + s;
    };
    return std::string("Host Name  : ") + host + "\nPhone No.  : " + phone +
           "\n\nCalls      incoming: " + n(c[2]) + "    outgoing: " + n(c[1]) +
           "\nPackets    incoming: " + n(c[4]) + "    outgoing: " + n(c[3]) +
           "\nBytes      incoming: " + n(c[6]) + "    outgoing: " + n(c[5]) +
           "\nCharge     : " + n(c[0]) + " Units\n\n\n";
}

class AccountingWindowTest : public MonitorTest {
protected:
    static WidgetTable* t() { return XmVANTEROWidgets; }

    static void action(AccountingAction a) { AccountingCB(nullptr, action_data(a), nullptr); }

    static bool reading_over() { return action_running == 0; }

    // The router at 10.77.0.2 with three line targets and their counters.
    PeerProcess* three_line_router(const std::vector<std::string>& knobs = {})
    {
        SimRouter r = sim_router("r2", "10.77.0.2", "00:a0:f9:00:00:02");
        r.lines = {counted_line(0, "10.1.1.1", "111", LARGE),
                   counted_line(1, "10.1.1.2", "222", SMALL),
                   counted_line(2, "10.1.1.3", "333", CHARGED)};
        r.filters = {sim_filter(0, "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 0, 1, 0)};
        r.knobs = knobs;
        return start_peer(1, {r});
    }

    // The accounting requests the router received: mode and position of each.
    static std::vector<std::pair<int, int>> requests(PeerProcess* peer)
    {
        // A repeat the transport sent before the acknowledgement came back
        // carries the same number: it is the same request.
        std::vector<std::pair<int, int>> out;
        for (const PeerLogLine& l : peer->requests(PeerLogLine::RX, GET_ACCOUNTING_REQUEST))
            if (l.data.size() >= 3)
                out.push_back({l.data[0], l.data[1] << 8 | l.data[2]});
        return out;
    }

    static std::string file_text(const std::string& path)
    {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(AccountingWindowTest, RouterWithoutLineTargetsGivesAnEmptyWindow)
{
    main_line_list = listhelp_new_line_list();
    myutil_copy_text(test_selected_box().name, "gw1");
    router_session_begin_action();
    cbfunc_accounting(main_line_list);
    ASSERT_TRUE(is_managed("*AccountingDialog"));
    EXPECT_EQ(action_running, 0) << "the end of the reading clears the busy flag";
    EXPECT_EQ(text_of(t()->AccountingText), "");
    EXPECT_EQ(text_of(t()->AccountingIDText), "gw1");
    EXPECT_EQ(title("*AccountingDialog"), "Accounting");
    EXPECT_EQ(label("*AccountingDialog.AccountingHeader"), "Accounting Data");
    EXPECT_EQ(label("*AccountingDialog.AccountingIDLabel"), "Router:");
    EXPECT_EQ(label("*AccountingDialog.AccountingReset"), "Read And Reset");
    EXPECT_EQ(label("*AccountingDialog.AccountingClose"), "Close");
    EXPECT_EQ(label("*AccountingFileMenu.AcountingSave"), "Save");
    EXPECT_EQ(label("*AccountingHelpMenu.AccountingHelpHelp"), "Help");
    EXPECT_FALSE(XmTextGetEditable(t()->AccountingText));
    ASSERT_TRUE(pump_until([] {
        int x, y;
        shell_position(XmVANTEROWidgets->AccountingDialog, &x, &y);
        return x == 525 && y == 35;
    }));

    // While a reading runs the window takes no action.
    router_session_begin_action();
    press(t()->AccountingClose);
    EXPECT_TRUE(is_managed("*AccountingDialog"));
    router_session_end_action();
    press(t()->AccountingClose);
    EXPECT_FALSE(is_managed("*AccountingDialog"));
}

TEST_F(AccountingWindowTest, ReadThenReadAndResetThenSave)
{
    ASSERT_TRUE(start_back_end());
    PeerProcess* peer = three_line_router();
    ASSERT_NE(peer, nullptr);
    ASSERT_TRUE(open_router("10.77.0.2"));

    press(t()->Accounting);  // the main window's reading
    ASSERT_TRUE(pump_until(reading_over));
    ASSERT_TRUE(is_managed("*AccountingDialog"));
    EXPECT_FALSE(is_managed("*ScanDialog")) << "three line targets need no notice";
    const std::string read = block("10.1.1.1", "111", LARGE) + block("10.1.1.2", "222", SMALL) +
                             block("10.1.1.3", "333", CHARGED);
    EXPECT_EQ(text_of(t()->AccountingText), read);
    EXPECT_EQ(text_of(t()->AccountingIDText), "10.77.0.2");
    EXPECT_TRUE(is_sensitive("*AccountingFileMenu.AcountingSave"));
    std::vector<std::pair<int, int>> plain = {{0x00, 0}, {0x00, 1}, {0x00, 2}};
    EXPECT_EQ(requests(peer), plain);

    press(t()->AccountingReset);
    EXPECT_EQ(action_running, 1);
    press(t()->AccountingReset);  // pressed again while the reading runs: nothing
    ASSERT_TRUE(pump_until(reading_over));
    EXPECT_EQ(text_of(t()->AccountingText), read)
        << "the values read, before the router zeroed them";
    // Each line target is read plainly (the lower bound of its counters)
    // just before its read and reset.
    std::vector<std::pair<int, int>> all = plain;
    for (int position : {0, 1, 2}) {
        all.push_back({0x00, position});
        all.push_back({0xFF, position});
    }
    EXPECT_EQ(requests(peer), all) << "mode 0xFF for every line target, once";

    press(t()->AccountingReset);
    ASSERT_TRUE(pump_until(reading_over));
    const std::string zero = block("10.1.1.1", "111", ZERO) + block("10.1.1.2", "222", ZERO) +
                             block("10.1.1.3", "333", ZERO);
    EXPECT_EQ(text_of(t()->AccountingText), zero);
    for (ListNode* n = main_line_list->head; n != nullptr; n = n->next) {
        const AccountingCounters& c = static_cast<LineTarget*>(n->element)->counters;
        EXPECT_EQ(c.charge + c.calls_out + c.calls_in + c.packets_out + c.packets_in + c.bytes_out +
                      c.bytes_in,
                  0u)
            << "the edited line targets hold the last reading";
    }

    // Save proposes the router's name in the data directory and writes
    // exactly the text shown.
    press(find("*AccountingFileMenu.AcountingSave"));
    ASSERT_TRUE(is_managed("*FileDialog"));
    Widget selection = XmFileSelectionBoxGetChild(t()->FileDialog, XmDIALOG_TEXT);
    EXPECT_EQ(text_of(selection), gui_data_dir() + "/10.77.0.2.acc");
    std::string file = gui_data_dir() + "/counters.acc";
    CompoundString value(file.c_str());
    XmFileSelectionBoxCallbackStruct cbs{};
    cbs.reason = XmCR_OK;
    cbs.value = value;
    cbs.length = static_cast<int>(file.size());
    XtCallCallbacks(t()->FileDialog, XmNokCallback, &cbs);
    EXPECT_FALSE(is_managed("*FileDialog"));
    EXPECT_EQ(file_text(file), zero);
    std::remove(file.c_str());

    ASSERT_EQ(peer->stop(), 0);
    SimRouter now;
    ASSERT_TRUE(peer->router("r2", &now)) << peer->error();
    ASSERT_EQ(now.lines.size(), 3u);
    for (const SimLine& l : now.lines)
        for (uint32_t c : l.counters)
            EXPECT_EQ(c, 0u) << l.host;
}

// Close of the line monitor sends the monitor's stop; a router slow to
// acknowledge it (its first acknowledgement is lost, so the stop goes again
// on the fourth tick) still awaits it when the next action that sends comes
// at once. That action waits for the acknowledgement instead of ending the
// registration.
TEST_F(AccountingWindowTest, ActionsRightAfterTheLineMonitorWaitForTheStopsAcknowledgement)
{
    ASSERT_TRUE(start_back_end());
    struct Case {
        const char* name;
        void (*act)();
        bool (*shown)(PeerProcess* peer);  // what the action brought about
    };
    const Case cases[] = {
        {"Accounting", [] { press(t()->Accounting); },
         [](PeerProcess*) {
             return is_managed("*AccountingDialog") &&
                    text_of(t()->AccountingText) == block("10.1.1.1", "111", LARGE) +
                                                        block("10.1.1.2", "222", SMALL) +
                                                        block("10.1.1.3", "333", CHARGED);
         }},
        {"OK of the line-target table",
         [] {
             helpfunc_popup(Dialog::ConfigDialog);
             static_cast<LineTarget*>(main_line_list->head->element)->timeout = 30;
             ConfigCB(nullptr, action_data(CONFIG_OK), nullptr);
         },
         [](PeerProcess* peer) {
             return !is_managed("*ConfigDialog") &&
                    peer->requests(PeerLogLine::RX, PUT_ENTRY_REQUEST).size() == 1;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        highstate_close_router();
        main_forget_tables();
        peers_.clear();
        PeerProcess* peer = three_line_router({"lose-acks 1 LINEMON_STOP_REQUEST"});
        ASSERT_NE(peer, nullptr);
        ASSERT_TRUE(open_router("10.77.0.2"));

        press(t()->LineMonitor);
        ASSERT_TRUE(is_managed("*LineMonDialog"));
        ASSERT_TRUE(pump_until([] { return highstate_ack_awaited() == 0; })) << "the start";
        press(t()->LineMonClose);
        EXPECT_FALSE(is_managed("*LineMonDialog"));
        ASSERT_EQ(highstate_ack_awaited(), 1) << "the stop awaits its acknowledgement";
        c.act();
        EXPECT_EQ(action_running, 1);
        EXPECT_EQ(linemon_requests_waiting(), 1) << "the action waits";

        ASSERT_TRUE(pump_until(reading_over, NO_ACK_WAIT_MS)) << peer->log_text();
        // A write ends with its notice in the same box, titled otherwise.
        EXPECT_FALSE(is_managed("*ErrorDialog") && title("*ErrorDialog") == "Error")
            << label("*ErrorDialog.ErrorDialogMessage");
        EXPECT_TRUE(pump_until([&] { return c.shown(peer); })) << peer->log_text();
        EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED) << "the router stays registered";
        EXPECT_NE(main_line_list, nullptr);
        EXPECT_EQ(linemon_requests_waiting(), 0);
        // Its first acknowledgement was lost: the stop went again (a loaded
        // machine may repeat it once more before the acknowledgement comes),
        // under the same number.
        EXPECT_GE(peer->datagrams(PeerLogLine::RX, LINEMON_STOP_REQUEST).size(), 2u)
            << "the stop went again and was acknowledged";
        EXPECT_EQ(peer->requests(PeerLogLine::RX, LINEMON_STOP_REQUEST).size(), 1u) << "one stop";
        helpfunc_popdown(Dialog::AccountingDialog);
        helpfunc_popdown(Dialog::ErrorDialog);
    }
}

TEST_F(AccountingWindowTest, MoreThanTwentyLineTargetsShowTheNotice)
{
    ASSERT_TRUE(start_back_end());
    SimRouter r = sim_router("r2", "10.77.0.2", "00:a0:f9:00:00:02");
    for (int i = 0; i < 21; ++i)
        r.lines.push_back(sim_line(i, ("10.1.2." + std::to_string(i + 1)).c_str(), "1"));
    r.knobs = {"delay 30"};
    ASSERT_NE(start_peer(1, {r}), nullptr);
    ASSERT_TRUE(open_router("10.77.0.2"));

    const struct {
        Widget button;
        int x;
    } cases[] = {{t()->Accounting, 100}, {nullptr, 605}};
    for (const auto& c : cases) {
        press(c.button != nullptr ? c.button : t()->AccountingReset);
        ASSERT_TRUE(is_managed("*ScanDialog")) << c.x;
        EXPECT_EQ(label("*ScanDialog.ScanDialogMessage"), "Getting Data From The Router");
        EXPECT_TRUE(pump_until([&] {
            int x, y;
            shell_position(XmVANTEROWidgets->ScanDialog, &x, &y);
            return x == c.x && y == 230;
        })) << c.x;
        ASSERT_TRUE(pump_until(reading_over));
        EXPECT_FALSE(is_managed("*ScanDialog")) << "the end of the reading takes the notice down";
        EXPECT_TRUE(is_managed("*AccountingDialog"));
    }
}

// The router stops answering at the third line target of a read-and-reset:
// the first two have been read and set to zero in the router, and are
// shown once the failure has been reported instead of being lost with the
// tables.
TEST_F(AccountingWindowTest, FailedReadAndResetKeepsTheCountersAlreadyReset)
{
    EmergencyFileLock lock;
    ASSERT_TRUE(start_back_end());
    // Thirteen requests are answered: the open, one entry read per line
    // target and filter rule (five), the plain reading (three) and the plain
    // read and the read-and-reset of two line targets.
    PeerProcess* peer = three_line_router({"silent-after 13"});
    ASSERT_NE(peer, nullptr);
    ASSERT_TRUE(open_router("10.77.0.2"));
    press(t()->Accounting);
    ASSERT_TRUE(pump_until(reading_over));
    ASSERT_TRUE(is_managed("*AccountingDialog"));

    press(t()->AccountingReset);
    ASSERT_TRUE(pump_until([] { return is_managed("*ErrorDialog"); }, NO_ACK_WAIT_MS));
    EXPECT_EQ(label("*ErrorDialog.ErrorDialogMessage"),
              "Router Does Not Answer - Connection Closed\nConfiguration Saved To /tmp/save.cfg");
    EXPECT_EQ(main_line_list, nullptr) << "the failure handling forgets the tables";
    EXPECT_EQ(action_running, 0);

    ASSERT_TRUE(pump_until([] { return is_managed("*AccountingDialog"); }));
    EXPECT_EQ(text_of(t()->AccountingText),
              block("10.1.1.1", "111", LARGE) + block("10.1.1.2", "222", SMALL));
    EXPECT_EQ(text_of(t()->AccountingIDText), "10.77.0.2");
    EXPECT_FALSE(is_sensitive("*AccountingDialog.AccountingReset"))
        << "no router to read from any more";
    EXPECT_TRUE(is_managed("*ErrorDialog")) << "the message stays beside the counters";

    // The counters the router has already zeroed can still be saved, under
    // the name of the router they came from.
    helpfunc_popdown(Dialog::ErrorDialog);
    ASSERT_TRUE(is_sensitive("*AccountingFileMenu.AcountingSave"));
    press(find("*AccountingFileMenu.AcountingSave"));
    ASSERT_TRUE(is_managed("*FileDialog"));
    Widget selection = XmFileSelectionBoxGetChild(t()->FileDialog, XmDIALOG_TEXT);
    const std::string file = gui_data_dir() + "/10.77.0.2.acc";
    EXPECT_EQ(text_of(selection), file);
    CompoundString value(file.c_str());
    XmFileSelectionBoxCallbackStruct cbs{};
    cbs.reason = XmCR_OK;
    cbs.value = value;
    cbs.length = static_cast<int>(file.size());
    XtCallCallbacks(t()->FileDialog, XmNokCallback, &cbs);
    EXPECT_FALSE(is_managed("*FileDialog"));
    EXPECT_FALSE(is_managed("*ErrorDialog")) << label("*ErrorDialog.ErrorDialogMessage");
    EXPECT_EQ(file_text(file), block("10.1.1.1", "111", LARGE) + block("10.1.1.2", "222", SMALL));
    std::remove(file.c_str());

    ASSERT_EQ(peer->stop(), 0);
    SimRouter now;
    ASSERT_TRUE(peer->router("r2", &now)) << peer->error();
    ASSERT_EQ(now.lines.size(), 3u);
    for (int i = 0; i < SIM_COUNTERS; ++i) {
        EXPECT_EQ(now.lines[0].counters[i], 0u) << i;
        EXPECT_EQ(now.lines[1].counters[i], 0u) << i;
        EXPECT_EQ(now.lines[2].counters[i], CHARGED[i]) << i;
    }
}

}  // namespace
