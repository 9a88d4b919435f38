#include "router_state_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "list.h"
#include "message_tables.h"
#include "myutil.h"

namespace {

struct LanguageGuard {
    ~LanguageGuard() { messages_choose_language(nullptr); }
};

TEST(RouterFirmwareTextTest, EveryModeAndType)
{
    const struct {
        const char* firmware;
        int mode;
        int type;
        const char* text;
    } cases[] = {
        {"1.4", 0, 0, "1.4 / 1TR6"},
        {"1.4", 1, 0, "1.4 / DSS1"},
        {"1.4", 0, 1, "1.4 / 1TR6 / Digital FV64S"},
        {"1.4", 1, 1, "1.4 / DSS1 / Digital FV64S"},
        {"1.4", 0, 2, "1.4 / 1TR6 / Digital FVS01"},
        {"1.4", 1, 2, "1.4 / DSS1 / Digital FVS01"},
        {"1.4", 0, 3, "1.4 / 1TR6 / Digital FVS02"},
        {"1.4", 1, 3, "1.4 / DSS1 / Digital FVS02"},
        {"1.4", 7, 0, "1.4 / DSS1"},  // every mode but 0 is DSS1
        {"1.4", 1, 4, "1.4 / DSS1 / ?"},
        {"1.4", 1, -1, "1.4 / DSS1 / ?"},
        {"", 0, 0, "? / ?"},
        {"", 1, 2, "? / ?"},
        {nullptr, 1, 3, "? / ?"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(router_firmware_text(c.firmware, c.mode, c.type), c.text)
            << (c.firmware ? c.firmware : "(null)") << " mode " << c.mode << " type " << c.type;
}

TEST(RouterChannelTextTest, EveryState)
{
    LanguageGuard guard;
    const struct {
        int state;
        const char* english;
        const char* german;
    } cases[] = {
        {0, "Not Connected", "Frei"},
        {1, "Try To Connect -> 193.1.2.3 (0815)", "Im Aufbau -> 193.1.2.3 (0815)"},
        {2, "Try To Connect -> 193.1.2.3 (0815)", "Im Aufbau -> 193.1.2.3 (0815)"},
        {3, "Connected -> 193.1.2.3 (0815)", "Verbunden -> 193.1.2.3 (0815)"},
        {4, "Try To Disconnect -> 193.1.2.3 (0815)", "Im Abbau -> 193.1.2.3 (0815)"},
        {5, "Try To Disconnect -> 193.1.2.3 (0815)", "Im Abbau -> 193.1.2.3 (0815)"},
        {6, "Not Connected", "Frei"},
        {7, "Not Connected", "Frei"},
        {-1, "Not Connected", "Frei"},
    };
    for (const auto& c : cases) {
        messages_choose_language(nullptr);
        EXPECT_EQ(router_channel_text(c.state, "193.1.2.3", "0815"), c.english) << c.state;
        messages_choose_language("Anmelden");
        EXPECT_EQ(router_channel_text(c.state, "193.1.2.3", "0815"), c.german) << c.state;
    }
}

// A router list as the scan makes it, and the answers of a state query.
class OverviewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        list_init();
        myutil_set_config(0xC0A80105, 0xFFFFFF00, 0);  // addresses render dotted
        routers_ = list_object_instance->ops->list_create(
            list_object_instance, listhelp_comp_routers, listhelp_find_routers,
            listhelp_copy_routers, listhelp_free_routers);
    }
    void TearDown() override { routers_->ops->list_destroy(routers_); }

    RouterEntry* add(const char* name, const char* hw, int held = 0)
    {
        auto* entry = static_cast<RouterEntry*>(myutil_malloc(sizeof(RouterEntry)));
        myutil_copy_text(entry->name, name);
        myutil_copy_text(entry->hw_text, hw);
        entry->held = held;
        routers_->ops->list_append(routers_, entry);
        return entry;
    }

    static RouterState answer(uint32_t router, int ch1 = 0, int ch2 = 0, const char* fw = "2.1")
    {
        RouterState s{};
        s.status = 0;
        s.router_ip = router;
        s.ch1_state = ch1;
        s.ch1_peer_ip = 0xC1010203;  // 193.1.2.3
        myutil_copy_text(s.ch1_phone, "0815");
        s.ch2_state = ch2;
        s.ch2_peer_ip = 0x0A000001;  // 10.0.0.1
        myutil_copy_text(s.ch2_phone, "4711");
        s.isdn_mode = 1;
        s.line_type = 2;
        myutil_copy_text(s.firmware, fw);
        return s;
    }

    ListObject* routers_ = nullptr;
};

TEST_F(OverviewTest, AnswerMergedIntoItsEntry)
{
    RouterEntry* gw = add("192.168.1.1", "00-a0-f9-00-00-01");
    EXPECT_EQ(router_state_merge(routers_, answer(0xC0A80101, 3, 1)), 1);
    EXPECT_EQ(gw->have_state, 1u);
    EXPECT_EQ(gw->ch1_state, 3);
    EXPECT_STREQ(gw->ch1_peer, "193.1.2.3");
    EXPECT_STREQ(gw->ch1_phone, "0815");
    EXPECT_EQ(gw->ch2_state, 1);
    EXPECT_STREQ(gw->ch2_peer, "10.0.0.1");
    EXPECT_STREQ(gw->ch2_phone, "4711");
    EXPECT_EQ(gw->isdn_mode, 1);
    EXPECT_EQ(gw->line_type, 2);
    EXPECT_STREQ(gw->firmware, "2.1");
}

TEST_F(OverviewTest, OnlyTheFirstAnswerOfARouterCounts)
{
    RouterEntry* gw = add("192.168.1.1", "00-a0-f9-00-00-01");
    router_state_merge(routers_, answer(0xC0A80101, 3, 0));
    EXPECT_EQ(router_state_merge(routers_, answer(0xC0A80101, 0, 5, "9.9")), 0);
    EXPECT_EQ(gw->ch1_state, 3);
    EXPECT_EQ(gw->ch2_state, 0);
    EXPECT_STREQ(gw->firmware, "2.1");
}

TEST_F(OverviewTest, RouterListedTwiceIsAnsweredOnBothLines)
{
    // Its answers to the scan differed in the holder, so it has two lines.
    RouterEntry* free_line = add("192.168.1.1", "00-a0-f9-00-00-01", 0);
    RouterEntry* held_line = add("192.168.1.1", "00-a0-f9-00-00-01", 1);
    EXPECT_EQ(router_state_merge(routers_, answer(0xC0A80101, 3)), 2);
    EXPECT_EQ(free_line->have_state, 1u);
    EXPECT_EQ(held_line->have_state, 1u);
    std::string text = router_overview_text(routers_);
    EXPECT_EQ(text.find("does not respond"), std::string::npos) << text;
    EXPECT_EQ(router_overview_block(*free_line), router_overview_block(*held_line));
}

TEST_F(OverviewTest, IgnoredAnswers)
{
    RouterEntry* unconfigured = add("---------", "00-a0-f9-00-00-02");
    const struct {
        const char* name;
        RouterState state;
    } cases[] = {
        {"router not listed", answer(0xC0A80163)},
        {"end marker",
         [] {
             RouterState s = answer(0xC0A80101);
             s.status = 1;
             return s;
         }()},
        {"address 0 never matches a router without configuration", answer(0)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(router_state_merge(routers_, c.state), 0) << c.name;
        EXPECT_EQ(unconfigured->have_state, 0u) << c.name;
    }
    EXPECT_EQ(router_state_merge(nullptr, answer(0xC0A80101)), 0);
}

TEST_F(OverviewTest, TextOfEveryEntryInListOrder)
{
    add("192.168.1.1", "00-a0-f9-00-00-01");
    add("---------", "00-a0-f9-00-00-02");
    add("192.168.1.3", "00-a0-f9-00-00-03");
    router_state_merge(routers_, answer(0xC0A80101, 3, 0));
    router_state_merge(routers_, answer(0xC0A80103, 0, 4, ""));
    EXPECT_EQ(router_overview_text(routers_),
              "Host Name: 192.168.1.1\nFirmware : 2.1 / DSS1 / Digital FVS01\n\n"
              "Channel1 : Connected -> 193.1.2.3 (0815)\nChannel2 : Not Connected\n\n\n"
              "Router 00-a0-f9-00-00-02 does not respond\n\n"
              "Host Name: 192.168.1.3\nFirmware : ? / ?\n\n"
              "Channel1 : Not Connected\nChannel2 : Try To Disconnect -> 10.0.0.1 (4711)\n\n\n");
}

TEST_F(OverviewTest, EmptyListGivesEmptyText)
{
    EXPECT_EQ(router_overview_text(routers_), "");
    EXPECT_EQ(router_overview_text(nullptr), "");
}

}  // namespace
