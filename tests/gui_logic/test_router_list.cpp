#include "router_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "list.h"
#include "myutil.h"

namespace {

// Addresses render as dotted quads: no name service in a unit test.
class RouterListTest : public ::testing::Test {
protected:
    void SetUp() override { myutil_set_config(0x0A4D0001, 0xFFFFFF00, 0); }
};

ScanAnswer answer(uint32_t router, uint32_t holder, uint8_t last)
{
    ScanAnswer a{};
    a.status = 0;
    a.router_ip = router;
    a.holder_ip = holder;
    const uint8_t hw[6] = {0x00, 0xa0, 0xf9, 0x0b, 0xcd, last};
    std::memcpy(a.hw, hw, 6);
    return a;
}

TEST_F(RouterListTest, LinesOfFreeHeldAndUnconfiguredRouters)
{
    const uint32_t own = 0x0A4D0001;
    const struct {
        const char* what;
        ScanAnswer in;
        const char* line;
        uint32_t held;
        const char* holder;
    } cases[] = {
        {"free", answer(0x0A4D0002, 0, 0x01), " 00-a0-f9-0b-cd-01      10.77.0.2 ", 0, "0.0.0.0"},
        {"held here", answer(0x0A4D0002, own, 0x01), " 00-a0-f9-0b-cd-01      10.77.0.2 ", 1,
         "10.77.0.1"},
        {"held elsewhere", answer(0x0A4D0003, 0x0A4D0009, 0xfe),
         "(00-a0-f9-0b-cd-fe      10.77.0.3)", 1, "10.77.0.9"},
        {"no configuration", answer(0, 0, 0x10), " 00-a0-f9-0b-cd-10      --------- ", 0,
         "0.0.0.0"},
    };
    for (const auto& c : cases) {
        std::string line;
        RouterEntry entry{};
        entry.have_state = 7;
        ASSERT_EQ(router_list_merge(c.in, own, {}, &line, &entry), ScanMerge::APPEND) << c.what;
        EXPECT_EQ(line, c.line) << c.what;
        EXPECT_EQ(entry.held, c.held) << c.what;
        EXPECT_STREQ(entry.holder, c.holder) << c.what;
        EXPECT_EQ(entry.have_state, 0u) << c.what;
        EXPECT_EQ(std::string(entry.hw_text), std::string(c.line).substr(1, 17)) << c.what;
    }
}

TEST_F(RouterListTest, RepeatedAnswerIsListedOnceAndADifferentOneAgain)
{
    std::vector<std::string> lines;
    std::string line;
    RouterEntry entry{};
    ScanAnswer a = answer(0x0A4D0002, 0, 1);
    ASSERT_EQ(router_list_merge(a, 0x0A4D0001, lines, &line, &entry), ScanMerge::APPEND);
    lines.push_back(line);
    EXPECT_EQ(router_list_merge(a, 0x0A4D0001, lines, &line, &entry), ScanMerge::IGNORE);
    EXPECT_EQ(router_list_merge(a, 0x0A4D0001, lines, &line, &entry), ScanMerge::IGNORE);
    // The same router now held by another station reads differently.
    ScanAnswer held = answer(0x0A4D0002, 0x0A4D0050, 1);
    EXPECT_EQ(router_list_merge(held, 0x0A4D0001, lines, &line, &entry), ScanMerge::APPEND);
    ScanAnswer end{};
    end.status = 1;
    EXPECT_EQ(router_list_merge(end, 0x0A4D0001, lines, &line, &entry), ScanMerge::END);
}

TEST_F(RouterListTest, SplitListItem)
{
    const struct {
        const char* item;
        int result;
        const char* name;
        const char* hw;
    } cases[] = {
        {" 00-a0-f9-0b-cd-01      10.77.0.2 ", 1, "10.77.0.2", "00-a0-f9-0b-cd-01"},
        {" 00-a0-f9-0b-cd-10      --------- ", 1, "---------", "00-a0-f9-0b-cd-10"},
        {" 00-a0-f9-0b-cd-10", 1, "", "00-a0-f9-0b-cd-10"},
        {"(00-a0-f9-0b-cd-fe      10.77.0.3)", 0, "old", "old"},
    };
    for (const auto& c : cases) {
        char name[60] = "old";
        char hw[20] = "old";
        EXPECT_EQ(helpfunc_split_list_item(c.item, name, sizeof name, hw, sizeof hw), c.result)
            << c.item;
        EXPECT_STREQ(name, c.name) << c.item;
        EXPECT_STREQ(hw, c.hw) << c.item;
    }
}

TEST_F(RouterListTest, SplitListItemKeepsToItsBuffers)
{
    std::string long_name(100, 'n');
    std::string item = " 00-a0-f9-0b-cd-01-ff-ff-ff      " + long_name + " ";
    char name[8];
    char hw[6];
    ASSERT_EQ(helpfunc_split_list_item(item.c_str(), name, sizeof name, hw, sizeof hw), 1);
    EXPECT_STREQ(name, "nnnnnnn");
    EXPECT_STREQ(hw, "00-a0");
}

TEST_F(RouterListTest, HexPair)
{
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"00", 0x00}, {"a0", 0xa0}, {"f9", 0xf9},
        {"ff", 0xff}, {"09", 0x09}, {"2B", 0x20},  // an upper-case digit counts as 0
        {"2-", 0x20}, {"2", 0x20},
    };
    for (const auto& c : cases)
        EXPECT_EQ(helpfunc_hex_pair(c.text), c.value) << c.text;
}

TEST_F(RouterListTest, HardwareAddressTextAndBack)
{
    const uint8_t hw[6] = {0x00, 0xa0, 0xf9, 0x12, 0xab, 0xff};
    std::string text = router_hw_text(hw);
    EXPECT_EQ(text, "00-a0-f9-12-ab-ff");
    uint8_t back[6] = {1, 1, 1, 1, 1, 1};
    helpfunc_atohw(text.c_str(), back);
    EXPECT_EQ(std::memcmp(back, hw, 6), 0);

    // A short text gives 0 for what it does not reach and reads nothing beyond.
    uint8_t part[6] = {1, 1, 1, 1, 1, 1};
    helpfunc_atohw("12-34", part);
    const uint8_t expected[6] = {0x12, 0x34, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(part, expected, 6), 0);
}

TEST_F(RouterListTest, ResetRouterStatesForgetsOnlyTheStates)
{
    list_init();
    ListObject* list = list_object_instance->ops->list_create(
        list_object_instance, listhelp_comp_routers, listhelp_find_routers, listhelp_copy_routers,
        listhelp_free_routers);
    for (int i = 0; i < 2; ++i) {
        auto* e = static_cast<RouterEntry*>(myutil_malloc(sizeof(RouterEntry)));
        myutil_copy_text(e->name, i == 0 ? "10.77.0.2" : "10.77.0.3");
        myutil_copy_text(e->hw_text, "00-a0-f9-00-00-01");
        e->have_state = 1;
        e->held = 1;
        e->ch1_state = 3;
        e->ch2_state = 5;
        myutil_copy_text(e->ch1_peer, "10.1.1.1");
        myutil_copy_text(e->ch2_phone, "555");
        e->isdn_mode = 1;
        list->ops->list_append(list, e);
    }
    helpfunc_reset_routerstates(list);
    helpfunc_reset_routerstates(nullptr);
    for (ListNode* n = list->head; n != nullptr; n = n->next) {
        auto* e = static_cast<RouterEntry*>(n->element);
        EXPECT_EQ(e->have_state, 0u);
        EXPECT_EQ(e->ch1_state, 0);
        EXPECT_EQ(e->ch2_state, 0);
        EXPECT_STREQ(e->ch1_peer, "");
        EXPECT_STREQ(e->ch2_phone, "");
        EXPECT_EQ(e->held, 1u);
        EXPECT_EQ(e->isdn_mode, 1);
        EXPECT_STREQ(e->hw_text, "00-a0-f9-00-00-01");
    }
    list->ops->list_destroy(list);
}

}  // namespace
