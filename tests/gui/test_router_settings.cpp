// The router settings dialog: what it shows for routers with and without
// configuration, the check of its fields, the option menu, the subnet
// question, and against the simulated router the three kinds of request
// (settings, password, both), the guard while one is on its way, and the
// question after the router could not write its flash memory.
#include <gtest/gtest.h>

#include <Xm/ToggleB.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "host.h"
#include "router_settings_fixture.h"

namespace {

constexpr int CODE_SET_PASSWORD = 0x1005;
constexpr int CODE_ROUTER_DATA = 0x1018;
constexpr int CODE_RESET = 0x0004;

class RouterSettingsTest : public RouterSettingsFixture {};

// ------------------------------------------------------------ filling ---

struct FillRow {
    const char* what;
    bool configured;
    bool has_1tr6;
    bool has_dss1;
    bool menu;  // option menu and "RChangeFirmware"
    bool b1tr6;
    bool beuro;
    bool permanent;
    const char* shown;    // button name
    const char* version;  // "RVersionText"
};

TEST_F(RouterSettingsTest, FillTableForRoutersWithAndWithoutConfiguration)
{
    const FillRow rows[] = {
        {"unconfigured, no image", false, false, false, false, false, false, false, "ISDN_EURO",
         ""},
        {"unconfigured, 1TR6 only", false, true, false, true, true, false, true, "ISDN_1TR6",
         "1.00"},
        {"unconfigured, DSS1 only", false, false, true, true, false, true, true, "ISDN_EURO",
         "2.10"},
        {"unconfigured, both", false, true, true, true, true, true, true, "ISDN_EURO", "2.10"},
        {"configured, no image", true, false, false, false, false, false, false, "ISDN_TYP_2_11",
         "1.50"},
        {"configured, 1TR6 only", true, true, false, true, true, false, true, "ISDN_TYP_2_11",
         "1.50"},
        {"configured, DSS1 only", true, false, true, true, false, true, true, "ISDN_TYP_2_11",
         "1.50"},
        {"configured, both", true, true, true, true, true, true, true, "ISDN_TYP_2_11", "1.50"},
    };
    int last = 10;
    for (const FillRow& row : rows) {
        SCOPED_TRACE(row.what);
        remove_images();
        if (row.has_1tr6)
            image(0, "1.00");
        if (row.has_dss1)
            image(1, "2.10");
        if (row.configured) {
            select_router(0x0A4D0002, static_cast<uint8_t>(++last));
            // A 1TR6 router on FVS01, whose own version has no image here.
            configured("10.77.0.2", "0301234", 0, 2, "1.50");
        } else {
            select_router(0, static_cast<uint8_t>(++last));
        }
        open_settings();
        EXPECT_EQ(XtIsSensitive(w()->RISDNMode) != False, row.menu);
        EXPECT_EQ(XtIsSensitive(w()->RChangeFirmware) != False, row.menu);
        EXPECT_EQ(XtIsSensitive(w()->ISDN_1TR6) != False, row.b1tr6);
        EXPECT_EQ(XtIsSensitive(w()->ISDN_EURO) != False, row.beuro);
        for (Widget p : {w()->ISDN_TYP_0_4, w()->ISDN_TYP_2_11, w()->ISDN_TYP_2_12})
            EXPECT_EQ(XtIsSensitive(p) != False, row.permanent);
        EXPECT_STREQ(XtName(shown_button()), row.shown);
        EXPECT_EQ(text_of(w()->RVersionText), row.version);
        EXPECT_EQ(text_of(w()->RNameText), row.configured ? "10.77.0.2" : "");
        EXPECT_EQ(text_of(w()->RPhoneText), row.configured ? "0301234" : "");
        EXPECT_EQ(rconfig_shown_family(),
                  row.configured ? 0 : (row.has_1tr6 && !row.has_dss1 ? 0 : 1));
        press(RCONFIG_ACTION_CANCEL);
        EXPECT_FALSE(is_managed("*RConfigDialog"));
    }
}

TEST_F(RouterSettingsTest, OptionMenuShowsOwnFirmwareForOwnFamilyElseFirstImage)
{
    image(0, "1.00");
    image(0, "0.90");
    image(1, "3.00");
    select_router(0x0A4D0002, 1);
    configured("10.77.0.2", "0301234", 1, 0, "2.10");
    open_settings();
    EXPECT_STREQ(XtName(shown_button()), "ISDN_EURO");

    choose(w()->ISDN_TYP_2_11, RCONFIG_ACTION_FVS01);
    EXPECT_EQ(text_of(w()->RVersionText), "2.10") << "a permanent button of its own family";
    choose(w()->ISDN_1TR6, RCONFIG_ACTION_1TR6);
    EXPECT_EQ(text_of(w()->RVersionText), "0.90") << "the other family's first version";
    choose(w()->ISDN_EURO, RCONFIG_ACTION_EURO);
    EXPECT_EQ(text_of(w()->RVersionText), "2.10");
}

// ------------------------------------------------------------ checking ---

struct CheckRow {
    const char* what;
    const char* name;
    const char* netmask;
    const char* phone;
    bool toggle_exclusive;
    bool other_family;
    int code;             // helpfunc_check_rconfig_data
    const char* message;  // error box, "" none
    const char* focus;    // field with the focus, "" unchanged
};

TEST_F(RouterSettingsTest, CheckTableGivesCodeMessageAndFocus)
{
    image(1, "2.10");
    image(0, "1.00");
    const CheckRow rows[] = {
        {"name does not resolve", "nohost", "255.255.255.0", "0301234", false, false, 16,
         "IP-Address Not Correct", "RNameText"},
        {"name 0.0.0.0", "0.0.0.0", "255.255.255.0", "0301234", false, false, 16,
         "IP-Address Not Correct", "RNameText"},
        {"netmask", "10.77.0.2", "255.255.x.0", "0301234", false, false, 22, "Mask Not Correct",
         "RNetmaskText"},
        {"phone with final s", "10.77.0.2", "255.255.255.0", "0301234s", false, false, 18,
         "Phone Number Not Correct", "RPhoneText"},
        {"empty phone", "10.77.0.2", "255.255.255.0", "", false, false, 18,
         "Phone Number Not Correct", "RPhoneText"},
        {"nothing changed", " 10.77.0.2\t", "255.255.255.0", "0301234", false, false, 0, "", ""},
        {"flag only", "10.77.0.2", "255.255.255.0", "0301234", true, false, -1, "", ""},
        {"phone only", "10.77.0.2", "255.255.255.0", "0309999", false, false, -2, "", ""},
        {"flag and netmask", "10.77.0.2", "255.255.0.0", "0301234", true, false, -3, "", ""},
        {"other family", "10.77.0.2", "255.255.255.0", "0301234", true, true, -4, "", ""},
    };
    select_router(0x0A4D0002, 1);
    configured("10.77.0.2", "0301234", 1, 0, "2.10");
    for (const CheckRow& row : rows) {
        SCOPED_TRACE(row.what);
        open_settings();
        type(w()->RNameText, row.name);
        type(w()->RNetmaskText, row.netmask);
        type(w()->RPhoneText, row.phone);
        XmToggleButtonSetState(w()->SetPWExclusivToggle, row.toggle_exclusive, False);
        if (row.other_family)
            choose(w()->ISDN_1TR6, RCONFIG_ACTION_1TR6);
        XmProcessTraversal(w()->RConfigConfigure, XmTRAVERSE_CURRENT);

        RouterSettings proposal{};
        helpfunc_get_rconfig_data(&proposal);
        EXPECT_EQ(helpfunc_check_rconfig_data(&helpfunc_selected_box.cfg, &proposal), row.code);

        if (row.code > 0) {
            // OK shows the message and moves the focus; the dialog stays.
            XmProcessTraversal(w()->RConfigConfigure, XmTRAVERSE_CURRENT);
            press(RCONFIG_ACTION_OK);
            pump();
            EXPECT_TRUE(error_shown());
            EXPECT_EQ(error_text(), row.message);
            EXPECT_EQ(error_title(), "Error");
            Widget focus = XmGetFocusWidget(w()->RConfigDialog);
            EXPECT_STREQ(focus != nullptr ? XtName(focus) : "(none)", row.focus);
            EXPECT_TRUE(is_managed("*RConfigDialog"));
            close_error();
        } else if (row.code == 0) {
            press(RCONFIG_ACTION_OK);
            EXPECT_FALSE(is_managed("*RConfigDialog")) << "nothing to send: OK closes";
            EXPECT_FALSE(error_shown());
        }
        press(RCONFIG_ACTION_CANCEL);
    }
}

TEST_F(RouterSettingsTest, RouterWithoutConfigurationAndWithoutImagesCannotBeGivenSettings)
{
    select_router(0, 9);
    open_settings();
    type(w()->RNameText, "10.77.0.30");
    type(w()->RNetmaskText, "255.255.255.0");
    type(w()->RPhoneText, "0301234");
    press(RCONFIG_ACTION_OK);
    pump();
    EXPECT_TRUE(error_shown());
    EXPECT_EQ(error_text(), "Cannot Find Firmware File");
    EXPECT_TRUE(is_managed("*RConfigDialog"));
}

TEST_F(RouterSettingsTest, AddressOutsideTheLocalNetworkIsAskedFirstAndNoKeepsTheDialog)
{
    image(1, "2.10");
    select_router(0x0A4D0002, 1);
    configured("10.77.0.2", "0301234", 1, 0, "2.10");
    open_settings();
    type(w()->RNameText, "10.78.0.2");
    press(RCONFIG_ACTION_OK);
    ASSERT_TRUE(pump_until([] { return is_managed("*Question2Dialog"); }));
    EXPECT_EQ(label("*Question2Dialog*Question2DialogMessage"),
              "This IP-Address Do Not Belong\nTo Your Local Network! Are You Sure?");
    EXPECT_EQ(label("*Question2Dialog*Question2DialogYes"), "Yes ");
    EXPECT_EQ(rconfig_request_pending(), 0) << "nothing is sent before the answer";

    QuestionCB(nullptr, action_data(QUESTION_ACTION_SUBNET_NO), nullptr);
    EXPECT_FALSE(is_managed("*Question2Dialog"));
    EXPECT_TRUE(is_managed("*RConfigDialog"));
    EXPECT_EQ(text_of(w()->RNameText), "10.78.0.2");
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
}

// ------------------------------------------- against the simulated router ---

class RouterRequestTest : public RouterSettingsFixture {
protected:
    // r1 at 10.77.0.2 with one line target, registered; the settings dialog
    // open on it.
    PeerProcess* registered(const std::string& password = "",
                            const std::vector<std::string>& knobs = {})
    {
        if (!start_back_end())
            return nullptr;
        SimRouter r = sim_router("r1", "10.77.0.2", "00:a0:f9:00:00:01");
        r.phone = "0301234";
        r.isdn = 1;
        r.firmware = "2.10";
        r.password = password;
        r.lines.push_back(known_line(0, "10.1.1.1", "555"));
        r.knobs = knobs;
        PeerProcess* peer = start_peer(1, {r});
        if (peer == nullptr)
            return nullptr;
        select_router(0x0A4D0002, 1);
        if (!register_router(0x0A4D0002, password)) {
            ADD_FAILURE() << "registration failed";
            return nullptr;
        }
        image(1, "2.10");
        open_settings();
        return peer;
    }

    // Waits until the settings dialog has gone.
    bool answered(int timeout_ms = GUI_WAIT_MS)
    {
        return pump_until([] { return !is_managed("*RConfigDialog") || error_shown(); },
                          timeout_ms);
    }

    // Types a new password twice in the password dialogs and confirms it.
    void new_password(const char* password)
    {
        helpfunc_popup(Dialog::SetPWDialog);
        SetPWCB(nullptr, action_data(SETPW_ACTION_CHANGE), nullptr);
        XmTextFieldInsert(w()->InputPWText, 0, const_cast<char*>(password));
        RepeatCB(w()->InputPWText, action_data(REPEAT_REASON_ENTER), nullptr);
        XmTextFieldInsert(w()->RepeatPWText, 0, const_cast<char*>(password));
        RepeatCB(w()->RepeatPWText, action_data(REPEAT_REASON_ENTER), nullptr);
        SetPWCB(nullptr, action_data(SETPW_ACTION_OK), nullptr);
    }
};

TEST_F(RouterRequestTest, SettingsOnlyGuardedUntilTheAnswerThenTakenFromTheProposal)
{
    PeerProcess* peer = registered();
    ASSERT_NE(peer, nullptr);
    type(w()->RPhoneText, "0309999");
    type(w()->RNetmaskText, "255.255.0.0");
    press(RCONFIG_ACTION_OK);
    EXPECT_EQ(rconfig_request_pending(), 1);
    EXPECT_FALSE(error_shown()) << "the reboot warning waits for the router's answer";

    // While the request is on its way: a second OK, Cancel and the password
    // and firmware buttons do nothing, and later edits are not taken.
    type(w()->RPhoneText, "0301111");
    press(RCONFIG_ACTION_OK);
    press(RCONFIG_ACTION_CANCEL);
    press(RCONFIG_ACTION_PASSWORD);
    press(RCONFIG_ACTION_FIRMWARE);
    EXPECT_TRUE(is_managed("*RConfigDialog"));
    EXPECT_FALSE(is_managed("*SetPWDialog"));
    EXPECT_FALSE(is_managed("*FirmwareDialog"));

    ASSERT_TRUE(answered());
    EXPECT_FALSE(is_managed("*RConfigDialog"));
    ASSERT_TRUE(error_shown());
    EXPECT_EQ(error_text(), "To Activate Changes Please\nReboot The Router");
    EXPECT_EQ(error_title(), "Warning");
    EXPECT_STREQ(helpfunc_selected_box.cfg.phone, "0309999");
    EXPECT_STREQ(helpfunc_selected_box.cfg.netmask, "255.255.0.0");
    EXPECT_EQ(rconfig_request_pending(), 0);

    // One request, counted by number: a repeat the transport sent before
    // the acknowledgement came back is the same request.
    std::set<int> sent;
    for (const PeerLogLine& l : peer->datagrams(PeerLogLine::RX, CODE_ROUTER_DATA))
        sent.insert(l.seq);
    EXPECT_EQ(sent.size(), 1u);
    EXPECT_TRUE(peer->datagrams(PeerLogLine::RX, CODE_SET_PASSWORD).empty());
    ASSERT_TRUE(event_seen(peer, "router data address=10.77.0.2"));
    SimRouter now;
    peer->stop();
    ASSERT_TRUE(peer->router("r1", &now)) << peer->error();
    EXPECT_EQ(now.phone, "0309999");
    EXPECT_EQ(now.netmask, "255.255.0.0");
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED) << "the registration stays";
}

TEST_F(RouterRequestTest, PasswordOnlySendsThePasswordAndShowsNothing)
{
    PeerProcess* peer = registered("alt");
    ASSERT_NE(peer, nullptr);
    new_password("neu");
    XmToggleButtonSetState(w()->SetPWExclusivToggle, True, False);
    press(RCONFIG_ACTION_OK);
    ASSERT_TRUE(answered());
    EXPECT_FALSE(is_managed("*RConfigDialog"));
    EXPECT_FALSE(error_shown());
    EXPECT_STREQ(helpfunc_selected_box.cfg.password, "neu");
    EXPECT_EQ(helpfunc_selected_box.cfg.exclusive, 1);
    ListNode* node =
        main_router_list->ops->list_get_at(main_router_list, helpfunc_selected_box.sel_pos);
    EXPECT_EQ(static_cast<RouterEntry*>(node->element)->held, 1u) << "held by this station now";
    EXPECT_TRUE(event_seen(peer, "password changed to neu exclusive=10.77.0.1"));
    EXPECT_TRUE(peer->datagrams(PeerLogLine::RX, CODE_ROUTER_DATA).empty());
}

TEST_F(RouterRequestTest, BothSendsThePasswordFirstThenTheSettings)
{
    PeerProcess* peer = registered("alt");
    ASSERT_NE(peer, nullptr);
    new_password("neu");
    type(w()->RNetmaskText, "255.255.0.0");
    press(RCONFIG_ACTION_OK);
    ASSERT_TRUE(pump_until([] { return !is_managed("*RConfigDialog"); }));
    ASSERT_TRUE(error_shown());
    EXPECT_EQ(error_text(), "To Activate Changes Please\nReboot The Router");
    EXPECT_STREQ(helpfunc_selected_box.cfg.password, "neu");
    EXPECT_STREQ(helpfunc_selected_box.cfg.netmask, "255.255.0.0");

    std::vector<std::string> events = peer->events("r1");
    int password_at = -1;
    int data_at = -1;
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i].rfind("password changed to neu", 0) == 0)
            password_at = static_cast<int>(i);
        if (events[i].rfind("router data", 0) == 0)
            data_at = static_cast<int>(i);
    }
    ASSERT_GE(password_at, 0);
    ASSERT_GE(data_at, 0);
    EXPECT_LT(password_at, data_at);
}

// ----------------------------------------- flash failure and the question ---

TEST_F(RouterRequestTest, FlashFailureOnTheSettingsThenYesDownloadsTheRefusedProposal)
{
    EmergencyFileLock lock;
    PeerProcess* peer = registered("alt", {"status router-data 12"});
    ASSERT_NE(peer, nullptr);
    type(w()->RPhoneText, "0307777");
    press(RCONFIG_ACTION_OK);
    ASSERT_TRUE(pump_until([] { return is_managed("*QuestionDialog"); }));
    EXPECT_FALSE(is_managed("*RConfigDialog"));
    EXPECT_EQ(label("*QuestionDialog*QuestionDialogMessage"),
              "Writing Into The Flashrom failed!\nDo You Want A New Download With The New\n"
              "Configuration Data?");
    EXPECT_NE(main_line_list, nullptr) << "the tables stay for the download";
    RouterSettings refused{};
    ASSERT_TRUE(rconfig_refused_proposal(&refused));
    EXPECT_STREQ(refused.phone, "0307777");

    QuestionCB(nullptr, action_data(QUESTION_ACTION_DOWNLOAD_YES), nullptr);
    EXPECT_FALSE(is_managed("*QuestionDialog"));
    ASSERT_TRUE(event_seen(peer, "restarted address=10.77.0.2", DOWNLOAD_WAIT_MS));
    EXPECT_EQ(peer->requests(PeerLogLine::RX, CODE_RESET).size(), 1u);
    ASSERT_TRUE(pump_until([] { return !is_managed("*ScanDialog"); }, DOWNLOAD_WAIT_MS));
    EXPECT_FALSE(error_shown()) << error_text();
    EXPECT_EQ(main_line_list, nullptr) << "after the download nothing is registered";

    SimRouter now;
    peer->stop();
    ASSERT_TRUE(peer->router("r1", &now)) << peer->error();
    EXPECT_EQ(now.phone, "0307777") << "the image carried the refused proposal";
    EXPECT_EQ(now.password, "alt");
    ASSERT_EQ(now.lines.size(), 1u) << "and the tables";
    EXPECT_EQ(now.lines[0].host, "10.1.1.1");
}

TEST_F(RouterRequestTest, FlashFailureThenNoSavesTheTablesAndDeregisters)
{
    EmergencyFileLock lock;
    std::remove("/tmp/save.cfg");
    PeerProcess* peer = registered("", {"status router-data 12"});
    ASSERT_NE(peer, nullptr);
    type(w()->RPhoneText, "0307777");
    press(RCONFIG_ACTION_OK);
    ASSERT_TRUE(pump_until([] { return is_managed("*QuestionDialog"); }));

    QuestionCB(nullptr, action_data(QUESTION_ACTION_DOWNLOAD_NO), nullptr);
    EXPECT_FALSE(is_managed("*QuestionDialog"));
    EXPECT_TRUE(error_shown());
    EXPECT_EQ(error_text(),
              "Protocol Violation - Connection Closed\nConfiguration Saved To /tmp/save.cfg");
    EXPECT_EQ(main_line_list, nullptr);
    EXPECT_EQ(helpfunc_selected_box.sel_pos, -1);
    EXPECT_FALSE(XtIsSensitive(w()->ConfigureRouter));
    EXPECT_TRUE(XtIsSensitive(w()->Overview));
    std::ifstream saved("/tmp/save.cfg");
    std::stringstream content;
    content << saved.rdbuf();
    EXPECT_NE(content.str().find("10.1.1.1"), std::string::npos);
    EXPECT_TRUE(peer->datagrams(PeerLogLine::RX, CODE_RESET).empty());
    EXPECT_FALSE(rconfig_refused_proposal(nullptr));
}

TEST_F(RouterRequestTest, QuestionAfterAnOtherFailureDoesNotOfferAnOldProposal)
{
    EmergencyFileLock lock;
    PeerProcess* peer = registered("", {"status router-data 5"});
    ASSERT_NE(peer, nullptr);
    type(w()->RPhoneText, "0307777");
    press(RCONFIG_ACTION_OK);
    ASSERT_TRUE(pump_until([] { return error_shown(); }));
    EXPECT_FALSE(is_managed("*QuestionDialog"));
    EXPECT_EQ(rconfig_request_pending(), 0);
    pump();
    close_error();

    // A later refusal that no request of the dialog caused (a table write):
    // the question then offers the current settings, not that proposal.
    main_error(12);
    ASSERT_TRUE(is_managed("*QuestionDialog"));
    EXPECT_FALSE(rconfig_refused_proposal(nullptr));
}

TEST_F(RouterRequestTest, YesWhenTheRouterCannotBeOpenedAgainSaysSoAndCleansUp)
{
    EmergencyFileLock lock;
    PeerProcess* peer = registered("alt", {"status router-data 12"});
    ASSERT_NE(peer, nullptr);
    type(w()->RPhoneText, "0307777");
    press(RCONFIG_ACTION_OK);
    ASSERT_TRUE(pump_until([] { return is_managed("*QuestionDialog"); }));
    // Someone else's password by now: the router refuses the new open.
    myutil_copy_text(test_selected_box().cfg.password, "falsch");

    QuestionCB(nullptr, action_data(QUESTION_ACTION_DOWNLOAD_YES), nullptr);
    ASSERT_TRUE(pump_until([] { return error_shown(); }));
    EXPECT_EQ(error_text(),
              "Cannot Start Firmwaredownload:\nThe Router Does Not Accept The Connection\n"
              "Protocol Violation - Connection Closed\nConfiguration Saved To /tmp/save.cfg");
    EXPECT_FALSE(is_managed("*ScanDialog"));
    EXPECT_EQ(main_line_list, nullptr);
    EXPECT_FALSE(XtIsSensitive(w()->ConfigureRouter));
    EXPECT_TRUE(peer->datagrams(PeerLogLine::RX, CODE_RESET).empty());
}

}  // namespace
