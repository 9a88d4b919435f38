// The firmware selection, the download's progress in the busy notice and
// its end; against the simulated router with real images: a firmware
// change of a router that holds tables, a router without configuration
// configured by a download, a firmware update on a permanent connection,
// and the downloads that must not start.
#include <gtest/gtest.h>

#include <Xm/List.h>
#include <Xm/TextF.h>

#include <sys/stat.h>

#include "router_settings_fixture.h"

namespace {

constexpr int CODE_RESET = 0x0004;
constexpr int CODE_FW_REQUEST = 0x0001;

class FirmwareDialogTest : public RouterSettingsFixture {
protected:
    static void select_item(int position) { XmListSelectPos(w()->FirmwareList, position, True); }
};

TEST_F(FirmwareDialogTest, ListsTheVersionsOfTheShownFamilyOnly)
{
    image(0, "1.00");
    image(1, "3.00");
    image(1, "2.10");
    image(1, "1234567890");  // longer than the settings record holds
    ASSERT_EQ(mkdir((gui_data_dir() + "/fw_dss1.dir").c_str(), 0700), 0);
    select_router(0x0A4D0002, 1);
    configured("10.77.0.2", "0301234", 1, 1, "2.10");  // DSS1 on FV64S
    open_settings();
    EXPECT_STREQ(XtName(shown_button()), "ISDN_TYP_0_4");

    press(RCONFIG_ACTION_FIRMWARE);
    ASSERT_TRUE(pump_until([] { return is_managed("*FirmwareDialog"); }));
    EXPECT_EQ(list_items(w()->FirmwareList), (std::vector<std::string>{"2.10", "3.00"}));
    EXPECT_FALSE(XtIsSensitive(w()->FirmwareOk));
    FirmwareCB(nullptr, action_data(FIRMWARE_ACTION_CANCEL), nullptr);

    choose(w()->ISDN_1TR6, RCONFIG_ACTION_1TR6);
    press(RCONFIG_ACTION_FIRMWARE);
    EXPECT_EQ(list_items(w()->FirmwareList), (std::vector<std::string>{"1.00"}));
    FirmwareCB(nullptr, action_data(FIRMWARE_ACTION_CANCEL), nullptr);
    rmdir((gui_data_dir() + "/fw_dss1.dir").c_str());
}

TEST_F(FirmwareDialogTest, SelectionOkDeselectionCancelAndDoubleClick)
{
    image(1, "2.10");
    image(1, "3.00");
    select_router(0x0A4D0002, 1);
    configured("10.77.0.2", "0301234", 1, 0, "2.10");
    open_settings();
    press(RCONFIG_ACTION_FIRMWARE);

    select_item(2);
    EXPECT_TRUE(XtIsSensitive(w()->FirmwareOk));
    XmListDeselectPos(w()->FirmwareList, 2);
    XmListCallbackStruct none{};
    none.reason = XmCR_SINGLE_SELECT;
    none.item_position = 2;
    XmStringTable items = nullptr;
    XtVaGetValues(w()->FirmwareList, XmNitems, &items, nullptr);
    none.item = items[1];
    FirmwareCB(w()->FirmwareList, action_data(FIRMWARE_ACTION_SELECT), &none);
    EXPECT_FALSE(XtIsSensitive(w()->FirmwareOk)) << "the user deselected the item";

    select_item(2);
    FirmwareCB(nullptr, action_data(FIRMWARE_ACTION_CANCEL), nullptr);
    EXPECT_FALSE(is_managed("*FirmwareDialog"));
    EXPECT_EQ(text_of(w()->RVersionText), "2.10") << "Cancel keeps the field";

    press(RCONFIG_ACTION_FIRMWARE);
    EXPECT_FALSE(XtIsSensitive(w()->FirmwareOk)) << "every popup starts without a selection";
    EXPECT_TRUE(selected_positions(w()->FirmwareList).empty());
    select_item(2);
    // The list is refilled before Ok: the chosen text is the list's own copy.
    XmListDeleteAllItems(w()->FirmwareList);
    FirmwareCB(nullptr, action_data(FIRMWARE_ACTION_OK), nullptr);
    EXPECT_FALSE(is_managed("*FirmwareDialog"));
    EXPECT_EQ(text_of(w()->RVersionText), "3.00");

    press(RCONFIG_ACTION_FIRMWARE);
    XtVaGetValues(w()->FirmwareList, XmNitems, &items, nullptr);
    XmListCallbackStruct twice{};
    twice.reason = XmCR_DEFAULT_ACTION;
    twice.item = items[0];
    twice.item_position = 1;
    FirmwareCB(w()->FirmwareList, action_data(FIRMWARE_ACTION_DEFAULT), &twice);
    EXPECT_FALSE(is_managed("*FirmwareDialog"));
    EXPECT_EQ(text_of(w()->RVersionText), "2.10");
}

TEST_F(FirmwareDialogTest, ProgressChangesOnlyTheNoticeText)
{
    helpfunc_scan_popup(message_text(45), 1, 1);
    ASSERT_TRUE(pump_until([] { return is_managed("*ScanDialog"); }));
    int x0 = 0, y0 = 0;
    pump();
    shell_position(w()->ScanDialog, &x0, &y0);
    cbfunc_get_percent(7);
    EXPECT_EQ(label("*ScanDialog*ScanDialogMessage"), "Loading Firmware   7 %");
    cbfunc_get_percent(66);
    EXPECT_EQ(label("*ScanDialog*ScanDialogMessage"), "Loading Firmware  66 %");
    cbfunc_get_percent(100);
    EXPECT_EQ(label("*ScanDialog*ScanDialogMessage"), "Waiting For Router To Be Ready");
    pump();
    int x1 = 0, y1 = 0;
    shell_position(w()->ScanDialog, &x1, &y1);
    EXPECT_EQ(x0, x1);
    EXPECT_EQ(y0, y1);
}

TEST_F(FirmwareDialogTest, EndOfDownloadRewritesTheListLineAndItsEntry)
{
    select_router(0x0A4D0003, 3);  // another router before it
    select_router(0, 7);           // without configuration
    image(1, "2.10");
    open_settings();
    myutil_copy_text(test_selected_box().cfg.password, "pw1");  // as a download proposed it
    helpfunc_scan_popup(message_text(45), 1, 1);

    ScanAnswer back{};
    back.router_ip = 0x0A4D001E;  // 10.77.0.30
    back.holder_ip = 0x0A4D0009;  // another station holds it now
    const uint8_t hw[6] = {0x00, 0xa0, 0xf9, 0x00, 0x00, 0x07};
    std::memcpy(back.hw, hw, 6);
    cbfunc_firmware(&back);

    EXPECT_EQ(list_items(w()->SelectionList),
              (std::vector<std::string>{" 00-a0-f9-00-00-03      10.77.0.3 ",
                                        "(00-a0-f9-00-00-07      10.77.0.30)"}));
    EXPECT_TRUE(selected_positions(w()->SelectionList).empty());
    ListNode* node = main_router_list->ops->list_get_at(main_router_list, 2);
    auto* entry = static_cast<RouterEntry*>(node->element);
    EXPECT_STREQ(entry->name, "10.77.0.30");
    EXPECT_EQ(entry->held, 1u);
    EXPECT_STREQ(entry->holder, "10.77.0.9");
    EXPECT_FALSE(is_managed("*RConfigDialog"));
    EXPECT_FALSE(is_managed("*ScanDialog"));
    EXPECT_TRUE(XtIsSensitive(w()->Overview));
    EXPECT_FALSE(XtIsSensitive(w()->ConfigureRouter));
    EXPECT_TRUE(XtIsSensitive(w()->SelectionList));
    // The router is no longer registered: nothing of it stays selected, its
    // password least of all.
    EXPECT_STREQ(helpfunc_selected_box.cfg.password, "");
    EXPECT_STREQ(helpfunc_selected_box.name, "");
    EXPECT_EQ(helpfunc_selected_box.sel_pos, -1);
}

// ------------------------------------------- against the simulated router ---

class DownloadTest : public RouterSettingsFixture {
protected:
    // The busy notice's texts while `done` does not hold.
    std::vector<std::string> notice_texts_until(const std::function<bool()>& done)
    {
        std::vector<std::string> texts;
        pump_until(
            [&] {
                std::string t = label("*ScanDialog*ScanDialogMessage");
                if (is_managed("*ScanDialog") && (texts.empty() || texts.back() != t))
                    texts.push_back(t);
                return done();
            },
            DOWNLOAD_WAIT_MS);
        return texts;
    }

    PeerProcess* router(SimRouter r)
    {
        if (!start_back_end())
            return nullptr;
        return start_peer(1, {r});
    }
};

TEST_F(DownloadTest, FirmwareChangeResetsDownloadsAndRewritesTheListLine)
{
    SimRouter r = sim_router("r1", "10.77.0.2", "00:a0:f9:00:00:01");
    r.phone = "0301234";
    r.firmware = "2.10";
    r.lines.push_back(known_line(0, "10.1.1.1", "555"));
    r.routes.push_back(sim_route(0, "255.255.255.0", "10.2.0.0", "10.1.1.1"));
    PeerProcess* peer = router(r);
    ASSERT_NE(peer, nullptr);
    select_router(0x0A4D0002, 1);
    ASSERT_TRUE(register_router(0x0A4D0002));
    image(1, "2.10");
    image(1, "3.00");
    open_settings();
    press(RCONFIG_ACTION_FIRMWARE);
    XmListSelectPos(w()->FirmwareList, 2, True);
    FirmwareCB(nullptr, action_data(FIRMWARE_ACTION_OK), nullptr);
    ASSERT_EQ(text_of(w()->RVersionText), "3.00");

    press(RCONFIG_ACTION_OK);
    EXPECT_TRUE(is_managed("*ScanDialog"));
    EXPECT_EQ(label("*ScanDialog*ScanDialogMessage"), "Start Firmwaredownload To The Router");
    std::vector<std::string> texts =
        notice_texts_until([] { return !is_managed("*RConfigDialog"); });
    ASSERT_FALSE(is_managed("*RConfigDialog")) << "the download did not end";
    EXPECT_FALSE(error_shown()) << error_text();
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts.front(), "Start Firmwaredownload To The Router");
    EXPECT_EQ(texts.back(), "Waiting For Router To Be Ready");
    int loading = 0;
    std::string previous;
    for (const std::string& t : texts) {
        if (t.rfind("Loading Firmware ", 0) != 0)
            continue;
        ++loading;
        EXPECT_LT(previous, t) << "percentages only grow";  // "%3d": text order is number order
        previous = t;
    }
    EXPECT_GE(loading, 1);

    EXPECT_EQ(peer->requests(PeerLogLine::RX, CODE_RESET).size(), 1u) << "it held tables";
    EXPECT_EQ(list_items(w()->SelectionList),
              (std::vector<std::string>{" 00-a0-f9-00-00-01      10.77.0.2 "}));
    EXPECT_EQ(main_line_list, nullptr);
    EXPECT_FALSE(XtIsSensitive(w()->ConfigureRouter));
    EXPECT_TRUE(XtIsSensitive(w()->Overview));

    SimRouter now;
    peer->stop();
    ASSERT_TRUE(peer->router("r1", &now)) << peer->error();
    EXPECT_EQ(now.firmware, "3.00");
    ASSERT_EQ(now.lines.size(), 1u);
    ASSERT_EQ(now.routes.size(), 1u);
    EXPECT_EQ(now.routes[0].match, "10.2.0.0");
}

TEST_F(DownloadTest, RouterWithoutConfigurationIsConfiguredByADownload)
{
    SimRouter r = sim_router("r1", "10.77.0.2", "00:a0:f9:00:00:07");
    r.configured = false;
    PeerProcess* peer = router(r);
    ASSERT_NE(peer, nullptr);
    image(1, "2.10");
    select_router(0, 7);
    open_settings();
    EXPECT_EQ(text_of(w()->RVersionText), "2.10");
    type(w()->RNameText, "10.77.0.30");
    type(w()->RNetmaskText, "255.255.255.0");
    type(w()->RPhoneText, "0305555");
    press(RCONFIG_ACTION_OK);
    ASSERT_TRUE(event_seen(peer, "restarted address=10.77.0.30", DOWNLOAD_WAIT_MS));
    ASSERT_TRUE(pump_until([] { return !is_managed("*RConfigDialog"); }, DOWNLOAD_WAIT_MS));
    EXPECT_FALSE(error_shown()) << error_text();
    EXPECT_TRUE(peer->datagrams(PeerLogLine::RX, CODE_RESET).empty()) << "nothing to reset";
    EXPECT_EQ(list_items(w()->SelectionList),
              (std::vector<std::string>{" 00-a0-f9-00-00-07      10.77.0.30 "}));
    SimRouter now;
    peer->stop();
    ASSERT_TRUE(peer->router("r1", &now)) << peer->error();
    EXPECT_EQ(now.phone, "0305555");
    EXPECT_TRUE(now.lines.empty());
}

TEST_F(DownloadTest, FirmwareUpdateOnTheSamePermanentConnectionKeepsTheTables)
{
    SimRouter r = sim_router("r1", "10.77.0.2", "00:a0:f9:00:00:01");
    r.phone = "0301234";
    r.firmware = "2.10";
    r.permanent = 2;
    r.lines.push_back(known_line(0, "10.1.1.1", "555"));
    PeerProcess* peer = router(r);
    ASSERT_NE(peer, nullptr);
    select_router(0x0A4D0002, 1);
    ASSERT_TRUE(register_router(0x0A4D0002));
    image(1, "2.10");
    image(1, "3.00");
    open_settings();
    EXPECT_STREQ(XtName(shown_button()), "ISDN_TYP_2_11");
    type(w()->RVersionText, "3.00");
    press(RCONFIG_ACTION_OK);
    ASSERT_TRUE(event_seen(peer, "restarted", DOWNLOAD_WAIT_MS));
    ASSERT_TRUE(pump_until([] { return !is_managed("*RConfigDialog"); }, DOWNLOAD_WAIT_MS));
    SimRouter now;
    peer->stop();
    ASSERT_TRUE(peer->router("r1", &now)) << peer->error();
    EXPECT_EQ(now.permanent, 2);
    ASSERT_EQ(now.lines.size(), 1u) << "a firmware-only update keeps the line target";
}

TEST_F(DownloadTest, DownloadsThatMustNotStart)
{
    SimRouter r = sim_router("r1", "10.77.0.2", "00:a0:f9:00:00:01");
    r.phone = "0301234";
    r.firmware = "2.10";
    SimLine odd = known_line(0, "10.1.1.1", "555");
    odd.blocksize = 1000;  // no definition has it
    r.lines.push_back(odd);
    PeerProcess* peer = router(r);
    ASSERT_NE(peer, nullptr);
    select_router(0x0A4D0002, 1);
    ASSERT_TRUE(register_router(0x0A4D0002));
    image(1, "2.10");
    image(1, "3.00");
    open_settings();

    type(w()->RVersionText, "3.00");
    press(RCONFIG_ACTION_OK);
    ASSERT_TRUE(error_shown());
    EXPECT_EQ(error_text(),
              "Line Targets With Unknown Protocols\nCannot Be Written Into The Firmware\n"
              "Firmwaredownload Not Started");
    close_error();

    // A version whose image has gone meanwhile.
    main_line_list->ops->list_remove_at(main_line_list, 1);
    type(w()->RVersionText, "9.99");
    press(RCONFIG_ACTION_OK);
    ASSERT_TRUE(error_shown());
    EXPECT_EQ(error_text(), "Cannot Find Firmware File");
    close_error();

    // An image the patcher refuses.
    FirmwareFixtureLayout broken;
    broken.marker = false;
    ASSERT_FALSE(firmware_fixture_write(gui_data_dir(), 1, "4.00", broken).empty());
    type(w()->RVersionText, "4.00");
    press(RCONFIG_ACTION_OK);
    ASSERT_TRUE(error_shown());
    EXPECT_EQ(error_text(), "Corrupted Firmware File");

    EXPECT_FALSE(is_managed("*ScanDialog"));
    EXPECT_TRUE(is_managed("*RConfigDialog"));
    pump();
    EXPECT_TRUE(peer->datagrams(PeerLogLine::RX, CODE_RESET).empty());
    EXPECT_TRUE(peer->datagrams(PeerLogLine::RX, CODE_FW_REQUEST).empty());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
}

}  // namespace
