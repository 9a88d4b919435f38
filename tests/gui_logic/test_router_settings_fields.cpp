#include "router_settings_fields.h"

#include <gtest/gtest.h>

#include <string>

#include "message_tables.h"
#include "myutil.h"
#include "record_defaults.h"
#include "scratch_data_dir.h"

namespace {

constexpr uint32_t MY_IP = 0xC0A80105;  // 192.168.1.5

RouterSettings settings(const char* name, int mode, int line_type, const char* firmware)
{
    RouterSettings s{};
    myutil_copy_text(s.name, name);
    myutil_copy_text(s.netmask, "255.255.255.0");
    myutil_copy_text(s.phone, "1234");
    s.isdn_mode = static_cast<uint8_t>(mode);
    s.line_type = static_cast<uint8_t>(line_type);
    myutil_copy_text(s.firmware, firmware);
    myutil_copy_text(s.password, "secret");
    s.exclusive = 0;
    return s;
}

RouterSettings configured()
{
    return settings("192.168.1.1", 1, 0, "2.0");
}

// The input the dialog holds right after it was filled from `current`.
RConfigInput input_of(const RouterSettings& current, const RConfigFirmware& present)
{
    RConfigFill f = rconfig_fill(current, present);
    RConfigInput in;
    in.name = f.name;
    in.netmask = f.netmask;
    in.phone = f.phone;
    in.shown_button = f.shown_button;
    in.permanent_family = f.permanent_family;
    in.version = f.version;
    in.password = current.password;
    in.exclusive = current.exclusive != 0;
    return in;
}

const RConfigFirmware BOTH_FAMILIES = {{"0.9", "2.0"}};

class RouterSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_defaults_ = router_defaults;
        myutil_fill_default_structs();
        // Names do not resolve: only dotted addresses pass, and no test asks
        // a name server.
        myutil_set_config(MY_IP, 0xFFFFFF00, 0);
    }
    void TearDown() override { router_defaults = saved_defaults_; }
    RouterSettings saved_defaults_{};
};

TEST_F(RouterSettingsTest, CheckTable)
{
    const struct {
        const char* name;
        void (*change)(RConfigInput&);
        int code;
        RConfigField focus;
    } cases[] = {
        {"nothing changed", [](RConfigInput&) {}, RCONFIG_NO_CHANGE, RCONFIG_FIELD_NONE},
        {"blanks around the fields",
         [](RConfigInput& in) {
             in.name = "  192.168.1.1\t";
             in.phone = " 1234 ";
         },
         RCONFIG_NO_CHANGE, RCONFIG_FIELD_NONE},
        {"name that does not resolve", [](RConfigInput& in) { in.name = "gw1"; }, 16,
         RCONFIG_FIELD_NAME},
        {"name 0.0.0.0", [](RConfigInput& in) { in.name = "0.0.0.0"; }, 16, RCONFIG_FIELD_NAME},
        {"empty name", [](RConfigInput& in) { in.name = ""; }, 16, RCONFIG_FIELD_NAME},
        {"name too long for the record",
         [](RConfigInput& in) { in.name = "192.168.1.1          x"; }, 16, RCONFIG_FIELD_NAME},
        {"malformed netmask", [](RConfigInput& in) { in.netmask = "255.255.255."; }, 22,
         RCONFIG_FIELD_NETMASK},
        {"empty netmask", [](RConfigInput& in) { in.netmask = " "; }, 22, RCONFIG_FIELD_NETMASK},
        {"empty phone", [](RConfigInput& in) { in.phone = ""; }, 18, RCONFIG_FIELD_PHONE},
        {"phone with a final s", [](RConfigInput& in) { in.phone = "1234s"; }, 18,
         RCONFIG_FIELD_PHONE},
        {"phone with a letter", [](RConfigInput& in) { in.phone = "12a4"; }, 18,
         RCONFIG_FIELD_PHONE},
        {"phone too long for the record", [](RConfigInput& in) { in.phone = std::string(21, '1'); },
         18, RCONFIG_FIELD_PHONE},
        {"empty firmware", [](RConfigInput& in) { in.version = ""; }, 30, RCONFIG_FIELD_NONE},
        {"firmware too long for the record", [](RConfigInput& in) { in.version = "1234567890"; },
         30, RCONFIG_FIELD_NONE},
        {"first failure wins",
         [](RConfigInput& in) {
             in.phone = "x";
             in.name = "gw1";
         },
         16, RCONFIG_FIELD_NAME},
        {"other firmware", [](RConfigInput& in) { in.version = "2.1"; }, -4, RCONFIG_FIELD_NONE},
        {"other ISDN mode", [](RConfigInput& in) { in.shown_button = RCONFIG_BUTTON_1TR6; }, -4,
         RCONFIG_FIELD_NONE},
        {"permanent connection", [](RConfigInput& in) { in.shown_button = RCONFIG_BUTTON_FV64S; },
         -4, RCONFIG_FIELD_NONE},
        {"firmware and password",
         [](RConfigInput& in) {
             in.version = "2.1";
             in.password = "new";
         },
         -4, RCONFIG_FIELD_NONE},
        {"password", [](RConfigInput& in) { in.password = "new"; }, -1, RCONFIG_FIELD_NONE},
        {"password deleted", [](RConfigInput& in) { in.password = ""; }, -1, RCONFIG_FIELD_NONE},
        {"exclusive flag", [](RConfigInput& in) { in.exclusive = true; }, -1, RCONFIG_FIELD_NONE},
        {"name", [](RConfigInput& in) { in.name = "192.168.1.2"; }, -2, RCONFIG_FIELD_NONE},
        {"netmask", [](RConfigInput& in) { in.netmask = "255.255.0.0"; }, -2, RCONFIG_FIELD_NONE},
        {"phone", [](RConfigInput& in) { in.phone = "5678"; }, -2, RCONFIG_FIELD_NONE},
        {"password and netmask",
         [](RConfigInput& in) {
             in.password = "new";
             in.netmask = "255.255.0.0";
         },
         -3, RCONFIG_FIELD_NONE},
        {"exclusive flag and phone",
         [](RConfigInput& in) {
             in.exclusive = true;
             in.phone = "99";
         },
         -3, RCONFIG_FIELD_NONE},
    };
    const RouterSettings current = configured();
    for (const auto& c : cases) {
        RConfigInput in = input_of(current, BOTH_FAMILIES);
        c.change(in);
        RouterSettings proposal{};
        RConfigCheck result = rconfig_check(current, in, &proposal);
        EXPECT_EQ(result.code, c.code) << c.name;
        EXPECT_EQ(result.focus, c.focus) << c.name;
        RConfigCheck again = rconfig_check_settings(current, proposal);
        EXPECT_EQ(again.code, c.code) << c.name << " (on the record)";
    }
}

TEST_F(RouterSettingsTest, RouterWithoutConfigurationAlwaysDownloads)
{
    const RouterSettings current = router_defaults;  // name empty
    ASSERT_TRUE(rconfig_unconfigured(current));
    RConfigInput in = input_of(current, BOTH_FAMILIES);
    in.name = "192.168.1.7";
    in.phone = "1";
    RouterSettings proposal{};
    EXPECT_EQ(rconfig_check(current, in, &proposal).code, RCONFIG_CHANGE_FIRMWARE);
    EXPECT_STREQ(proposal.firmware, "2.0");

    RConfigInput no_image = input_of(current, RConfigFirmware{});
    no_image.name = "192.168.1.7";
    no_image.phone = "1";
    EXPECT_EQ(rconfig_check(current, no_image, &proposal).code, MSG_NO_FIRMWARE_FILE);
}

TEST_F(RouterSettingsTest, ReadingTheShownButton)
{
    const struct {
        int button;
        int permanent_family;
        int mode;
        int line_type;
    } cases[] = {
        {RCONFIG_BUTTON_1TR6, 1, 0, 0},  {RCONFIG_BUTTON_EURO, 0, 1, 0},
        {RCONFIG_BUTTON_FV64S, 0, 0, 1}, {RCONFIG_BUTTON_FV64S, 1, 1, 1},
        {RCONFIG_BUTTON_FVS01, 0, 0, 2}, {RCONFIG_BUTTON_FVS01, 1, 1, 2},
        {RCONFIG_BUTTON_FVS02, 0, 0, 3}, {RCONFIG_BUTTON_FVS02, 1, 1, 3},
    };
    for (const auto& c : cases) {
        RConfigInput in = input_of(configured(), BOTH_FAMILIES);
        in.shown_button = c.button;
        in.permanent_family = c.permanent_family;
        RouterSettings s = rconfig_read(in);
        EXPECT_EQ(s.isdn_mode, c.mode) << "button " << c.button << " family " << c.permanent_family;
        EXPECT_EQ(s.line_type, c.line_type) << "button " << c.button;
    }
}

TEST_F(RouterSettingsTest, ReadingTheFields)
{
    RConfigInput in = input_of(configured(), BOTH_FAMILIES);
    in.name = " \t192.168.1.9  ";
    in.password = "0123456789";
    in.exclusive = true;
    RouterSettings s = rconfig_read(in);
    EXPECT_STREQ(s.name, "192.168.1.9");
    EXPECT_STREQ(s.netmask, "255.255.255.0");
    EXPECT_STREQ(s.phone, "1234");
    EXPECT_STREQ(s.firmware, "2.0");
    EXPECT_STREQ(s.password, "0123456789");
    EXPECT_EQ(s.exclusive, 1);

    // Texts too long for the record are not cut into another name.
    in.name = std::string(21, '1');
    in.version = " 2.0";  // taken unchanged, blanks too
    s = rconfig_read(in);
    EXPECT_STREQ(s.name, "");
    EXPECT_STREQ(s.firmware, " 2.0");
}

TEST_F(RouterSettingsTest, FillTable)
{
    const RConfigFirmware none{}, only_1tr6{{"1.0", ""}}, only_dss1{{"", "2.0"}},
        both{{"1.0", "2.0"}};
    const RouterSettings unconfigured = router_defaults;
    const RouterSettings own = settings("192.168.1.1", 0, 2, "1.4");  // 1TR6, Digital FVS01
    const struct {
        const char* name;
        const RouterSettings* settings;
        const RConfigFirmware* present;
        bool menu, tr6, euro, permanent;
        int family;
        int shown;
        const char* version;
    } cases[] = {
        {"no configuration, no image", &unconfigured, &none, false, false, false, false, 1,
         RCONFIG_BUTTON_EURO, ""},
        {"no configuration, 1TR6 images", &unconfigured, &only_1tr6, true, true, false, true, 0,
         RCONFIG_BUTTON_1TR6, "1.0"},
        {"no configuration, DSS1 images", &unconfigured, &only_dss1, true, false, true, true, 1,
         RCONFIG_BUTTON_EURO, "2.0"},
        {"no configuration, both", &unconfigured, &both, true, true, true, true, 1,
         RCONFIG_BUTTON_EURO, "2.0"},
        {"configured, no image", &own, &none, false, false, false, false, 0, RCONFIG_BUTTON_FVS01,
         "1.4"},
        {"configured, 1TR6 images", &own, &only_1tr6, true, true, false, true, 0,
         RCONFIG_BUTTON_FVS01, "1.4"},
        {"configured, DSS1 images only: keeps its own family", &own, &only_dss1, true, false, true,
         true, 0, RCONFIG_BUTTON_FVS01, "1.4"},
        {"configured, both", &own, &both, true, true, true, true, 0, RCONFIG_BUTTON_FVS01, "1.4"},
    };
    for (const auto& c : cases) {
        RConfigFill f = rconfig_fill(*c.settings, *c.present);
        EXPECT_EQ(f.name, c.settings->name) << c.name;
        EXPECT_EQ(f.netmask, c.settings->netmask) << c.name;
        EXPECT_EQ(f.phone, c.settings->phone) << c.name;
        EXPECT_EQ(f.menu_sensitive, c.menu) << c.name;
        EXPECT_EQ(f.sensitive_1tr6, c.tr6) << c.name;
        EXPECT_EQ(f.sensitive_euro, c.euro) << c.name;
        EXPECT_EQ(f.sensitive_permanent, c.permanent) << c.name;
        EXPECT_EQ(f.permanent_family, c.family) << c.name;
        EXPECT_EQ(f.shown_button, c.shown) << c.name;
        EXPECT_EQ(f.version, c.version) << c.name;
    }
}

TEST_F(RouterSettingsTest, ShownButtonOfAConfiguredRouter)
{
    const struct {
        int mode;
        int line_type;
        int shown;
        int family;
    } cases[] = {
        {0, 0, RCONFIG_BUTTON_1TR6, 0},  {1, 0, RCONFIG_BUTTON_EURO, 1},
        {0, 1, RCONFIG_BUTTON_FV64S, 0}, {1, 1, RCONFIG_BUTTON_FV64S, 1},
        {1, 2, RCONFIG_BUTTON_FVS01, 1}, {1, 3, RCONFIG_BUTTON_FVS02, 1},
        {0, 3, RCONFIG_BUTTON_FVS02, 0}, {1, 9, RCONFIG_BUTTON_EURO, 1},
        {5, 0, RCONFIG_BUTTON_EURO, 1},
    };
    for (const auto& c : cases) {
        RConfigFill f =
            rconfig_fill(settings("192.168.1.1", c.mode, c.line_type, "2.0"), BOTH_FAMILIES);
        EXPECT_EQ(f.shown_button, c.shown) << "mode " << c.mode << " type " << c.line_type;
        EXPECT_EQ(f.permanent_family, c.family) << "mode " << c.mode << " type " << c.line_type;
    }
}

TEST_F(RouterSettingsTest, OkRightAfterOpeningSendsNothing)
{
    // Whatever images are present, a configured router's own values read
    // back as they are.
    const RConfigFirmware presents[] = {{}, {{"1.0", ""}}, {{"", "2.0"}}, {{"1.0", "2.0"}}};
    for (int mode = 0; mode <= 1; ++mode)
        for (int type = 0; type <= 3; ++type)
            for (const RConfigFirmware& present : presents) {
                RouterSettings current = settings("192.168.1.1", mode, type, "1.4");
                current.exclusive = 1;
                RouterSettings proposal{};
                EXPECT_EQ(rconfig_check(current, input_of(current, present), &proposal).code,
                          RCONFIG_NO_CHANGE)
                    << "mode " << mode << " type " << type;
            }
}

TEST_F(RouterSettingsTest, VersionWhenAButtonIsChosen)
{
    const RouterSettings dss1_router = settings("192.168.1.1", 1, 0, "1.4");
    const RConfigFirmware only_dss1{{"", "2.0"}};
    const RouterSettings unconfigured = router_defaults;
    const struct {
        const char* name;
        const RouterSettings* current;
        int button;
        int permanent_family;
        const RConfigFirmware* present;
        const char* version;
    } cases[] = {
        {"own family: its firmware", &dss1_router, RCONFIG_BUTTON_EURO, 1, &BOTH_FAMILIES, "1.4"},
        {"other family: its first version", &dss1_router, RCONFIG_BUTTON_1TR6, 1, &BOTH_FAMILIES,
         "0.9"},
        {"permanent type of its own family", &dss1_router, RCONFIG_BUTTON_FVS01, 1, &BOTH_FAMILIES,
         "1.4"},
        {"permanent type of the other family", &dss1_router, RCONFIG_BUTTON_FVS02, 0,
         &BOTH_FAMILIES, "0.9"},
        {"family without images", &dss1_router, RCONFIG_BUTTON_1TR6, 1, &only_dss1, ""},
        {"no configuration: first version", &unconfigured, RCONFIG_BUTTON_EURO, 1, &BOTH_FAMILIES,
         "2.0"},
        {"no configuration, other family", &unconfigured, RCONFIG_BUTTON_FV64S, 0, &BOTH_FAMILIES,
         "0.9"},
    };
    for (const auto& c : cases) {
        int family = rconfig_button_family(c.button, c.permanent_family);
        EXPECT_EQ(rconfig_version_for_family(*c.current, family, *c.present), c.version) << c.name;
    }
}

TEST_F(RouterSettingsTest, FillAndButtonsFromTheDataDirectory)
{
    ScratchDataDir dir;
    dir.write("fw_1tr6.1.1", "image");
    dir.write("fw_1tr6.1.0", "image");
    dir.write("fw_dss1.0123456789", "version too long to be offered");
    RConfigFill f = rconfig_fill_with_images(router_defaults);
    EXPECT_EQ(f.shown_button, RCONFIG_BUTTON_1TR6);
    EXPECT_EQ(f.version, "1.0");
    EXPECT_FALSE(f.sensitive_euro);
    EXPECT_EQ(f.permanent_family, 0);
    EXPECT_EQ(rconfig_version_for_button(router_defaults, RCONFIG_BUTTON_EURO, 0), "");
    EXPECT_EQ(rconfig_version_for_button(router_defaults, RCONFIG_BUTTON_FVS02, 0), "1.0");
}

TEST_F(RouterSettingsTest, SettingsForOpening)
{
    RouterSettings current = configured();
    rconfig_settings_for_open("192.168.1.1", &current);
    EXPECT_STREQ(current.name, "192.168.1.1");
    rconfig_settings_for_open("---------", &current);
    EXPECT_STREQ(current.name, "");
    EXPECT_STREQ(current.netmask, router_defaults.netmask);
    EXPECT_EQ(current.isdn_mode, 1);
}

TEST_F(RouterSettingsTest, SubnetQuestion)
{
    const struct {
        const char* name;
        const char* netmask;
        bool outside;
    } cases[] = {
        {"192.168.1.9", "255.255.255.0", false},
        {"192.168.2.9", "255.255.255.0", true},
        {"192.168.2.9", "255.255.0.0", false},
        {"10.0.0.1", "255.0.0.0", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rconfig_outside_network(c.name, c.netmask, MY_IP), c.outside)
            << c.name << " " << c.netmask;
        // The question takes the netmask the probe left in router_defaults.
        myutil_copy_text(router_defaults.netmask, c.netmask);
        RouterSettings proposal = configured();
        myutil_copy_text(proposal.name, c.name);
        myutil_copy_text(proposal.netmask, "255.255.255.255");
        EXPECT_EQ(rconfig_needs_subnet_question(proposal), c.outside) << c.name << " " << c.netmask;
    }
}

TEST_F(RouterSettingsTest, WhatEachChangeSends)
{
    const RouterSettings unconfigured = router_defaults;
    const RouterSettings plain = settings("192.168.1.1", 1, 0, "2.0");
    const RouterSettings leased = settings("192.168.1.1", 1, 2, "2.0");
    const RouterSettings to_plain = settings("192.168.1.1", 1, 0, "2.1");
    const RouterSettings to_leased = settings("192.168.1.1", 1, 2, "2.1");
    const RouterSettings to_other_leased = settings("192.168.1.1", 1, 3, "2.0");
    const struct {
        const char* name;
        const RouterSettings* current;
        const RouterSettings* proposal;
        int change;
        int applied;
        int tables;
        bool warning;
    } cases[] = {
        {"no configuration, settings alone", &unconfigured, &plain, -2, -4, RCONFIG_TABLES_NONE,
         false},
        {"no configuration, firmware", &unconfigured, &plain, -4, -4, RCONFIG_TABLES_NONE, false},
        {"password", &plain, &plain, -1, -1, RCONFIG_TABLES_NONE, false},
        {"settings", &plain, &plain, -2, -2, RCONFIG_TABLES_NONE, true},
        {"both", &plain, &plain, -3, -3, RCONFIG_TABLES_NONE, true},
        {"new firmware", &plain, &to_plain, -4, -4, RCONFIG_TABLES_EDITED, false},
        {"onto a permanent connection", &plain, &to_leased, -4, -4, RCONFIG_TABLES_EMPTY, false},
        {"another permanent connection", &leased, &to_other_leased, -4, -4, RCONFIG_TABLES_EMPTY,
         false},
        {"new firmware, same permanent connection", &leased, &to_leased, -4, -4,
         RCONFIG_TABLES_EDITED, false},
        {"off the permanent connection", &leased, &to_plain, -4, -4, RCONFIG_TABLES_EDITED, false},
    };
    for (const auto& c : cases) {
        RConfigPlan plan = rconfig_plan(*c.current, *c.proposal, c.change);
        EXPECT_EQ(plan.change, c.applied) << c.name;
        EXPECT_EQ(plan.tables, c.tables) << c.name;
        EXPECT_EQ(plan.reboot_warning, c.warning) << c.name;
    }
}

}  // namespace
