// The line monitor and the connection set-up: the fields of each channel
// per report, the buttons, the line targets offered for dialling, and the
// whole round against the simulated router: live reports, hanging up,
// dialling the chosen line target, closing, and quick presses that must
// wait for the router's acknowledgement instead of breaking the connection.
#include <gtest/gtest.h>

#include <Xm/List.h>

#include <string>
#include <vector>

#include "dialog_entry_points.h"
#include "display_services.h"
#include "globals.h"
#include "highstate.h"
#include "line_monitor.h"
#include "list.h"
#include "monitor_fixture.h"
#include "myutil.h"
#include "record_defaults.h"
#include "toolkit.h"
#include "widget_table.h"

namespace {

constexpr int LINEMON_STOP_REQUEST = 0x1016;
constexpr int LINEMON_DATA = 0x0F01;
constexpr int ISDN_OPEN_REQUEST = 0x1013;
constexpr int ISDN_CLOSE_REQUEST = 0x1014;

using T = WidgetTable;

// The fields of one channel, as the table names them.
struct ChannelWidgets {
    Widget T::*state;
    Widget T::*phone;
    Widget T::*peer;
    Widget T::*duration;
    Widget T::*charge;
    Widget T::*in;
    Widget T::*out;
    Widget T::*disconnect;
};

const ChannelWidgets CHANNEL[2] = {
    {&T::Canal1StatText, &T::Canal1PhoneText, &T::Canal1IPText, &T::Canal1TimeText,
     &T::Canal1ChargeText, &T::Canal1INText, &T::Canal1OUTText, &T::Canal1Disconnect},
    {&T::Canal2StatText, &T::Canal2PhoneText, &T::Canal2IPText, &T::Canal2TimeText,
     &T::Canal2ChargeText, &T::Canal2INText, &T::Canal2OUTText, &T::Canal2Disconnect},
};

class LineMonitorTest : public MonitorTest {
protected:
    static WidgetTable* t() { return XmVANTEROWidgets; }

    using Slot = Widget T::*ChannelWidgets::*;
    static std::string field(int channel, Slot slot)
    {
        return text_of(t()->*(CHANNEL[channel].*slot));
    }
    static bool can_disconnect(int channel)
    {
        return XtIsSensitive(t()->*(CHANNEL[channel].disconnect));
    }
    static std::string state_of(int channel) { return field(channel, &ChannelWidgets::state); }

    static void linemon2(LineMon2Action a, XtPointer call = nullptr)
    {
        LineMon2CB(nullptr, action_data(a), call);
    }

    static std::vector<std::string> events(PeerProcess* peer, const std::string& prefix)
    {
        std::vector<std::string> out;
        for (const std::string& e : peer->events("r2"))
            if (e.compare(0, prefix.size(), prefix) == 0)
                out.push_back(e);
        return out;
    }

    // Requests of `code` the router had, a repeat the transport sent before
    // the acknowledgement came back (the same number) counted once.
    static int received(PeerProcess* peer, int code)
    {
        return static_cast<int>(peer->requests(PeerLogLine::RX, code).size());
    }

    static bool error_shown() { return is_managed("*ErrorDialog"); }
};

// Channel 1 then channel 2 in each state of the router: the texts land in
// that channel's own fields and buttons.
TEST_F(LineMonitorTest, EachChannelShowsItsOwnReport)
{
    helpfunc_popup(Dialog::LineMonDialog);
    ASSERT_TRUE(is_managed("*LineMonDialog"));
    for (int ch : {0, 1}) {
        EXPECT_EQ(state_of(ch), "Not Connected (= 0000)") << ch;
        for (Slot slot : {&ChannelWidgets::phone, &ChannelWidgets::peer, &ChannelWidgets::duration,
                          &ChannelWidgets::charge, &ChannelWidgets::in, &ChannelWidgets::out})
            EXPECT_EQ(field(ch, slot), "") << ch;
        EXPECT_FALSE(can_disconnect(ch)) << ch;
    }
    EXPECT_TRUE(is_sensitive("*LineMonDialog.LineMonOk"));

    const struct {
        int channel;
        int state;
        const char* state_text;
        bool disconnect;
        bool fields;
    } cases[] = {
        {0, 1, "Try To Connect (= 1a2b)", false, true},
        {0, 3, "Connected (= 1a2b)", true, true},
        {0, 5, "Try To Disconnect (= 1a2b)", false, true},
        {0, 9, "Not Connected (= 1a2b)", false, false},
        {1, 2, "Try To Connect (= 1a2b)", false, true},
        {1, 3, "Connected (= 1a2b)", true, true},
        {1, 4, "Try To Disconnect (= 1a2b)", false, true},
        {1, 0, "Not Connected (= 1a2b)", false, false},
    };
    for (const auto& c : cases) {
        LineMonitorData report{};
        LineMonitorChannel& ch = report.channel[c.channel];
        ch.state = c.state;
        ch.code = 0x1a2b;
        myutil_copy_text(ch.peer, "10.1.1.1");
        myutil_copy_text(ch.phone, "0815");
        ch.duration = 75;
        ch.charge = 3;
        ch.packets_in = 4000000000u;
        ch.packets_out = 7;
        cbfunc_linemonitor(&report);
        const int other = 1 - c.channel;
        EXPECT_EQ(state_of(c.channel), c.state_text) << c.state_text;
        EXPECT_EQ(state_of(other), "Not Connected (= 0000)") << c.state_text;
        EXPECT_EQ(can_disconnect(c.channel), c.disconnect) << c.state_text;
        EXPECT_FALSE(can_disconnect(other)) << c.state_text;
        EXPECT_EQ(field(c.channel, &ChannelWidgets::phone), c.fields ? "0815" : "") << c.state_text;
        EXPECT_EQ(field(c.channel, &ChannelWidgets::peer), c.fields ? "10.1.1.1" : "")
            << c.state_text;
        EXPECT_EQ(field(c.channel, &ChannelWidgets::duration), c.fields ? "      75 sec. " : "")
            << c.state_text;
        EXPECT_EQ(field(c.channel, &ChannelWidgets::charge), c.fields ? "       3 units" : "")
            << c.state_text;
        EXPECT_EQ(field(c.channel, &ChannelWidgets::in), c.fields ? "4000000000" : "")
            << c.state_text;
        EXPECT_EQ(field(c.channel, &ChannelWidgets::out), c.fields ? "       7" : "")
            << c.state_text;
        EXPECT_EQ(field(other, &ChannelWidgets::phone), "") << c.state_text;
        EXPECT_TRUE(is_sensitive("*LineMonDialog.LineMonOk")) << "the other channel is free";
    }

    LineMonitorData busy{};
    busy.channel[0].state = 3;
    busy.channel[1].state = 1;
    cbfunc_linemonitor(&busy);
    EXPECT_FALSE(is_sensitive("*LineMonDialog.LineMonOk")) << "no channel free";
    EXPECT_EQ(text_of(t()->Canal1CompText), "") << "compression is never shown";

    // Every popup starts empty; reports for a closed monitor are dropped.
    helpfunc_popdown(Dialog::LineMonDialog);
    cbfunc_linemonitor(&busy);
    helpfunc_popup(Dialog::LineMonDialog);
    EXPECT_EQ(state_of(0), "Not Connected (= 0000)");
    EXPECT_TRUE(is_sensitive("*LineMonDialog.LineMonOk"));
}

TEST_F(LineMonitorTest, WindowsAsBuilt)
{
    myutil_copy_text(test_selected_box().name, "gw1");
    helpfunc_popup(Dialog::LineMonDialog);
    EXPECT_EQ(title("*LineMonDialog"), "Line Monitor");
    EXPECT_EQ(text_of(t()->LineMonIDText), "gw1");
    const struct {
        const char* widget;
        const char* text;
    } labels[] = {
        {"*LineMonDialog.LineMonHeader", "Line Status/Line Monitor"},
        {"*LineMonDialog.LineMonIDLabel", "Router:"},
        {"*LineMonDialog.LineMonOk", "Connect"},
        {"*LineMonDialog.LineMonClose", "Close"},
        {"*LineMonDialog.LineMonHelp", "Help"},
        {"*LineMonTopForm.Canal1Header", "Channel 1"},
        {"*LineMonBottomForm.Canal2Header", "Channel 2"},
        {"*LineMonTopForm.Canal1Disconnect", "Disconnect"},
        {"*LineMonBottomForm.Canal2Disconnect", "Disconnect"},
        {"*LineMonBottomForm.Canal2ConHeader", "Connected Host"},
        {"*LineMonBottomForm.Canal2IPLabel", "IP-Address:"},
        {"*LineMonTopForm.Canal1TimeLabel", "Duration:"},
        {"*LineMonTopForm.Canal1CompLabel", "Compression:"},
    };
    for (const auto& l : labels)
        EXPECT_EQ(label(l.widget), l.text) << l.widget;
    ASSERT_TRUE(pump_until([] {
        int x, y;
        shell_position(XmVANTEROWidgets->LineMonDialog, &x, &y);
        return x == 525 && y == 35;
    }));
    Widget cancel = nullptr;
    XtVaGetValues(t()->LineMonDialog, XmNcancelButton, &cancel, nullptr);
    EXPECT_EQ(cancel, t()->LineMonClose) << "Escape closes the monitor";

    // The set-up dialog lists the line targets, "OK" waits for a choice.
    main_line_list = listhelp_new_line_list();
    for (const char* host : {"10.1.1.1", "10.1.1.2", "10.1.1.3"}) {
        LineTarget l = line_defaults;
        myutil_copy_text(l.host, host);
        myutil_copy_text(l.phone, "555");
        main_line_list->ops->list_append(main_line_list, main_line_list->copy(&l));
    }
    press(t()->LineMonOk);
    ASSERT_TRUE(is_managed("*LineMon2Dialog"));
    EXPECT_EQ(title("*LineMon2Dialog"), "Setup Connection");
    EXPECT_EQ(label("*LineMon2Dialog.LineMon2Close"), "Cancel");
    std::vector<std::string> lines = list_items(t()->LineMon2List);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], "  3.       10.1.1.3         555                 ");
    EXPECT_FALSE(is_sensitive("*LineMon2Dialog.LineMon2Ok"));
    XmListSelectPos(t()->LineMon2List, 2, True);
    EXPECT_TRUE(is_sensitive("*LineMon2Dialog.LineMon2Ok"));
    XmListDeselectAllItems(t()->LineMon2List);
    linemon2(LINEMON2_ACTION_SELECT);
    EXPECT_FALSE(is_sensitive("*LineMon2Dialog.LineMon2Ok")) << "the line was deselected";
    ASSERT_TRUE(pump_until([] {
        int x, y;
        shell_position(XmVANTEROWidgets->LineMon2Dialog, &x, &y);
        return x == 525 && y == 480;
    }));
    press(t()->LineMon2Close);
    EXPECT_FALSE(is_managed("*LineMon2Dialog"));
    EXPECT_TRUE(is_managed("*LineMonDialog"));
}

TEST_F(LineMonitorTest, LiveReportsDisconnectConnectAndClose)
{
    ASSERT_TRUE(start_back_end());
    SimRouter r = sim_router("r2", "10.77.0.2", "00:a0:f9:00:00:02");
    r.channel[0].state = 3;
    r.channel[0].code = 0x10;
    r.channel[0].peer = "10.1.1.1";
    r.channel[0].phone = "111";
    r.channel[0].duration = 75;
    r.channel[0].charge = 3;
    r.channel[0].packets_out = 7;
    r.channel[0].packets_in = 4000000000u;
    r.lines = {sim_line(0, "10.1.1.1", "111"), sim_line(1, "10.1.1.2", "222"),
               sim_line(2, "10.1.1.3", "333")};
    r.knobs = {"linemon-interval 100"};
    PeerProcess* peer = start_peer(1, {r});
    ASSERT_NE(peer, nullptr);
    ASSERT_TRUE(open_router("10.77.0.2"));

    press(t()->LineMonitor);  // the main window's "Connections"
    ASSERT_TRUE(is_managed("*LineMonDialog"));
    ASSERT_TRUE(pump_until([] { return state_of(0) == "Connected (= 0010)"; }));
    EXPECT_EQ(field(0, &ChannelWidgets::phone), "111");
    EXPECT_EQ(field(0, &ChannelWidgets::peer), "10.1.1.1");
    // The router counts the connection's seconds on while the test runs.
    const std::string duration = field(0, &ChannelWidgets::duration);
    EXPECT_TRUE(duration.size() == 14 && duration.compare(0, 7, "      7") == 0 &&
                duration[7] >= '5' && duration[7] <= '9' && duration.compare(8, 6, " sec. ") == 0)
        << duration;
    EXPECT_EQ(field(0, &ChannelWidgets::charge), "       3 units");
    EXPECT_EQ(field(0, &ChannelWidgets::in), "4000000000");
    EXPECT_EQ(field(0, &ChannelWidgets::out), "       7");
    EXPECT_EQ(state_of(1), "Not Connected (= 0000)");
    EXPECT_TRUE(can_disconnect(0));
    EXPECT_FALSE(can_disconnect(1));
    EXPECT_TRUE(is_sensitive("*LineMonDialog.LineMonOk"));

    // Connect: the third line target is position 2 of the router's table.
    press(t()->LineMonOk);
    ASSERT_TRUE(is_managed("*LineMon2Dialog"));
    XmListSelectPos(t()->LineMon2List, 3, True);
    press(t()->LineMon2Ok);
    EXPECT_FALSE(is_managed("*LineMon2Dialog"));
    ASSERT_TRUE(pump_until([&] { return events(peer, "dial position=2 channel=1").size() == 1; }))
        << peer->log_text();
    ASSERT_TRUE(pump_until([] { return state_of(1) == "Connected (= 0000)"; }));
    EXPECT_EQ(field(1, &ChannelWidgets::peer), "10.1.1.3");
    EXPECT_FALSE(is_sensitive("*LineMonDialog.LineMonOk")) << "both channels busy";

    // Two quick presses of "Disconnect": the second waits for the first's
    // acknowledgement instead of ending the connection.
    press(t()->Canal2Disconnect);
    press(t()->Canal2Disconnect);
    ASSERT_TRUE(pump_until([&] { return events(peer, "hangup channel=1").size() == 2; }))
        << peer->log_text();
    ASSERT_TRUE(pump_until([] { return state_of(1) == "Not Connected (= 0000)"; }));
    EXPECT_FALSE(error_shown());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);

    // "Disconnect" then "Close" at once: both reach the router, in order,
    // and the reports stop.
    press(t()->Canal1Disconnect);
    press(t()->LineMonClose);
    EXPECT_FALSE(is_managed("*LineMonDialog"));
    ASSERT_TRUE(pump_until([&] { return received(peer, LINEMON_STOP_REQUEST) == 1; }));
    ASSERT_TRUE(pump_until([&] { return events(peer, "hangup channel=0").size() == 1; }));
    EXPECT_FALSE(error_shown());
    pump_until([] { return false; }, 300);
    int reports = static_cast<int>(peer->datagrams(PeerLogLine::TX, LINEMON_DATA).size());
    pump_until([] { return false; }, 400);
    EXPECT_EQ(static_cast<int>(peer->datagrams(PeerLogLine::TX, LINEMON_DATA).size()), reports)
        << "no report after the stop";

    // Opened again: empty until the first report. A double click dials its
    // line, and "Close" right after it waits for the dial's acknowledgement.
    press(t()->LineMonitor);
    EXPECT_EQ(state_of(0), "Not Connected (= 0000)");
    ASSERT_TRUE(pump_until([&] {
        return static_cast<int>(peer->datagrams(PeerLogLine::TX, LINEMON_DATA).size()) > reports;
    })) << "the monitor runs again";
    press(t()->LineMonOk);
    XmListCallbackStruct cbs{};
    cbs.reason = XmCR_DEFAULT_ACTION;
    cbs.item_position = 1;
    linemon2(LINEMON2_ACTION_DOUBLE_CLICK, &cbs);
    press(t()->LineMonClose);
    // The dial may wait for the acknowledgement of the monitor's start.
    ASSERT_TRUE(pump_until([&] { return events(peer, "dial position=0 channel=0").size() == 1; }))
        << peer->log_text();
    ASSERT_TRUE(pump_until([&] { return received(peer, LINEMON_STOP_REQUEST) == 2; }));
    EXPECT_EQ(received(peer, ISDN_OPEN_REQUEST), 2);
    EXPECT_EQ(received(peer, ISDN_CLOSE_REQUEST), 3);
    EXPECT_FALSE(error_shown());
    EXPECT_EQ(linemon_requests_waiting(), 0);
}

}  // namespace
