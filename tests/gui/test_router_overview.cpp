// The router overview: the window, the answers merged into the router list
// and the text at the end marker, and the whole round against simulated
// routers from the main window's "Router Overview".
#include <gtest/gtest.h>

#include <Xm/Text.h>

#include <string>

#include "dialog_entry_points.h"
#include "display_services.h"
#include "globals.h"
#include "highstate.h"
#include "list.h"
#include "monitor_fixture.h"
#include "myutil.h"
#include "router_overview.h"
#include "toolkit.h"
#include "widget_table.h"

namespace {

class RouterOverviewTest : public MonitorTest {
protected:
    static WidgetTable* t() { return XmVANTEROWidgets; }

    static RouterState answer(uint32_t router)
    {
        RouterState s{};
        s.router_ip = router;
        return s;
    }

    static void end_marker()
    {
        RouterState end{};
        end.status = 1;
        cbfunc_router_state(&end);
    }
};

const char BLOCK_R2[] =
    "Host Name: 10.77.0.2\nFirmware : 1.4 / DSS1 / Digital FVS01\n\n"
    "Channel1 : Connected -> 193.1.2.3 (0815)\nChannel2 : Try To Connect -> 10.1.1.1 (4711)\n\n\n";

TEST_F(RouterOverviewTest, EmptyRouterListOpensTheWindowEmpty)
{
    helpfunc_scan_popup("Scanning Network - Please Wait", 0, 1);
    end_marker();
    ASSERT_TRUE(is_managed("*RouterDialog"));
    EXPECT_FALSE(is_managed("*ScanDialog")) << "the end marker ends the notice";
    EXPECT_EQ(text_of(t()->RouterText), "");
    ASSERT_TRUE(pump_until([] {
        int x, y;
        shell_position(XmVANTEROWidgets->RouterDialog, &x, &y);
        return x == 525 && y == 35;
    })) << "placed by the resources";
    EXPECT_EQ(title("*RouterDialog"), "Router Status");
    EXPECT_EQ(label("*RouterDialog.RouterHeader"), "Router Status (overview)");
    EXPECT_EQ(label("*RouterDialog.RouterClose"), "Close");
    EXPECT_FALSE(XmTextGetEditable(t()->RouterText));
    Widget default_button = nullptr;
    Widget cancel_button = nullptr;
    XtVaGetValues(t()->RouterDialog, XmNdefaultButton, &default_button, XmNcancelButton,
                  &cancel_button, nullptr);
    EXPECT_EQ(default_button, t()->RouterClose);
    EXPECT_EQ(cancel_button, t()->RouterClose);

    RouterCB(nullptr, action_data(7), nullptr);
    EXPECT_TRUE(is_managed("*RouterDialog")) << "an unknown code does nothing";
    press(t()->RouterClose);
    EXPECT_FALSE(is_managed("*RouterDialog"));
}

TEST_F(RouterOverviewTest, FirstAnswerOfEachRouterCountsOnEveryLineOfIt)
{
    scan_answer(0x0A4D0002, 2);
    scan_answer(0x0A4D0002, 2, 0x0A4D0009);  // the same router, held by another: a second line
    scan_answer(0x0A4D0003, 3);
    scan_answer(0, 4);  // no configuration: never answers by name
    ASSERT_EQ(main_router_list->count, 4);

    RouterState r2 = answer(0x0A4D0002);
    r2.ch1_state = 3;
    r2.ch1_peer_ip = 0xC1010203;  // 193.1.2.3
    myutil_copy_text(r2.ch1_phone, "0815");
    r2.ch2_state = 1;
    r2.ch2_peer_ip = 0x0A010101;
    myutil_copy_text(r2.ch2_phone, "4711");
    r2.isdn_mode = 1;
    r2.line_type = 2;
    myutil_copy_text(r2.firmware, "1.4");
    cbfunc_router_state(&r2);

    RouterState again = answer(0x0A4D0002);  // the query goes out twice
    myutil_copy_text(again.firmware, "9.9");
    cbfunc_router_state(&again);
    RouterState r3 = answer(0x0A4D0003);  // no firmware in its answer
    r3.ch2_state = 7;
    cbfunc_router_state(&r3);
    RouterState stranger = answer(0x0A4D0063);  // not in the list
    cbfunc_router_state(&stranger);
    EXPECT_FALSE(is_managed("*RouterDialog")) << "answers only collect";

    end_marker();
    ASSERT_TRUE(is_managed("*RouterDialog"));
    EXPECT_EQ(text_of(t()->RouterText),
              std::string(BLOCK_R2) + BLOCK_R2 +
                  "Host Name: 10.77.0.3\nFirmware : ? / ?\n\n"
                  "Channel1 : Not Connected\nChannel2 : Not Connected\n\n\n"
                  "Router 00-a0-f9-00-00-04 does not respond\n\n");
}

TEST_F(RouterOverviewTest, TwoRoutersAnswerAndOneDoesNot)
{
    ASSERT_TRUE(start_back_end());
    SimRouter r2 = sim_router("r2", "10.77.0.2", "00:a0:f9:00:00:02");
    r2.firmware = "1.4";
    r2.isdn = 1;
    r2.permanent = 2;
    r2.channel[0].state = 3;
    r2.channel[0].peer = "193.1.2.3";
    r2.channel[0].phone = "0815";
    r2.channel[1].state = 1;
    r2.channel[1].peer = "10.1.1.1";
    r2.channel[1].phone = "4711";
    SimRouter r3 = sim_router("r3", "10.77.0.3", "00:a0:f9:00:00:03");
    r3.firmware = "2.10";
    r3.isdn = 0;
    SimRouter r4 = sim_router("r4", "10.77.0.4", "00:a0:f9:00:00:04");
    r4.knobs = {"mute STATE_QUERY"};
    ASSERT_NE(start_peer(1, {r2}), nullptr);
    ASSERT_NE(start_peer(2, {r3, r4}), nullptr);
    scan_answer(0x0A4D0002, 2);
    scan_answer(0x0A4D0003, 3);
    scan_answer(0x0A4D0004, 4);

    press(t()->Overview);
    EXPECT_TRUE(is_managed("*ScanDialog"));
    EXPECT_EQ(label("*ScanDialog.ScanDialogMessage"), "Scanning Network - Please Wait");
    ASSERT_TRUE(pump_until([] { return is_managed("*RouterDialog"); }, GUI_SCAN_WAIT_MS));
    EXPECT_FALSE(is_managed("*ScanDialog"));
    EXPECT_EQ(text_of(t()->RouterText),
              std::string(BLOCK_R2) +
                  "Host Name: 10.77.0.3\nFirmware : 2.10 / 1TR6\n\n"
                  "Channel1 : Not Connected\nChannel2 : Not Connected\n\n\n"
                  "Router 00-a0-f9-00-00-04 does not respond\n\n");
    press(t()->RouterClose);
    EXPECT_FALSE(is_managed("*RouterDialog"));

    // With a router open the back end asks no router: no notice that no end
    // marker would ever take down.
    ASSERT_TRUE(open_router("10.77.0.3"));
    EXPECT_EQ(router_overview_start(), 0);
    press(t()->Overview);
    EXPECT_FALSE(is_managed("*ScanDialog"));
}

}  // namespace
