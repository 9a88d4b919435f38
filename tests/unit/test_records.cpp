// Default records, the closing default filter rule and the host route of a
// new line target.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "list.h"
#include "myutil.h"
#include "protocols.h"
#include "record_defaults.h"
#include "records.h"

namespace {

class RecordsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        list_init();
        myutil_fill_default_structs();
    }
};

TEST_F(RecordsTest, DefaultLineTargetStartsFromX75AndNullWithTimeout20)
{
    LineTarget lt = line_defaults;  // the way the front ends start a new entry
    ASSERT_NE(lt.proto2, nullptr);
    ASSERT_NE(lt.proto3, nullptr);
    EXPECT_EQ(lt.proto2, &s2_protocols[0]);
    EXPECT_EQ(lt.proto3, &s3_protocols[0]);
    EXPECT_STREQ(lt.proto2->name, "x75");
    EXPECT_STREQ(lt.proto3->name, "null");
    EXPECT_EQ(lt.proto2_code, 1u);
    EXPECT_EQ(lt.proto3_code, 4u);
    EXPECT_EQ(lt.timeout, 20);
    EXPECT_EQ(lt.default_route, 1);
    EXPECT_STREQ(lt.host, "");
    EXPECT_STREQ(lt.phone, "");
    EXPECT_STREQ(lt.send_pair, "");
    EXPECT_STREQ(lt.receive_pair, "");
    EXPECT_EQ(lt.manual_only + lt.bundling + lt.compression, 0);
    EXPECT_EQ(lt.proto2_params.blocksize, 0);
    EXPECT_EQ(lt.proto2_params.modulo, 0);
    EXPECT_EQ(lt.counters.bytes_in, 0u);
    EXPECT_EQ(lt.index, 0);
}

TEST_F(RecordsTest, DefaultRouteFilterAndSettings)
{
    EXPECT_STREQ(route_defaults.mask, "255.255.255.0");
    EXPECT_STREQ(route_defaults.match, "");
    EXPECT_STREQ(route_defaults.gateway, "");

    EXPECT_STREQ(filter_defaults.send_mask, "0.0.0.0");
    EXPECT_STREQ(filter_defaults.send_match, "0.0.0.0");
    EXPECT_STREQ(filter_defaults.receive_mask, "");
    EXPECT_STREQ(filter_defaults.receive_match, "");
    EXPECT_EQ(filter_defaults.action, 1);

    const struct {
        const FilterEntry* rule;
        int action;
    } catch_alls[] = {{&filter_accept, 1}, {&filter_reject, 0}};
    for (const auto& c : catch_alls) {
        EXPECT_STREQ(c.rule->send_mask, "0.0.0.0");
        EXPECT_STREQ(c.rule->send_match, "0.0.0.0");
        EXPECT_STREQ(c.rule->receive_mask, "0.0.0.0");
        EXPECT_STREQ(c.rule->receive_match, "0.0.0.0");
        EXPECT_EQ(c.rule->protocol, 0);
        EXPECT_EQ(c.rule->port, 0);
        EXPECT_EQ(c.rule->action, c.action);
        EXPECT_EQ(c.rule->index, 0);
    }

    EXPECT_STREQ(router_defaults.name, "");
    EXPECT_STREQ(router_defaults.netmask, "255.255.255.0");
    EXPECT_STREQ(router_defaults.phone, "");
    EXPECT_EQ(router_defaults.isdn_mode, 1);
    EXPECT_STREQ(router_defaults.firmware, "");
    EXPECT_EQ(router_defaults.line_type, 0);
    EXPECT_STREQ(router_defaults.password, "");
    EXPECT_EQ(router_defaults.exclusive, 0);
}

TEST_F(RecordsTest, FillingAgainUndoesChangesToTheDefaults)
{
    myutil_copy_text(router_defaults.netmask, "255.0.0.0");  // as the netmask probe does
    line_defaults.timeout = 99;
    myutil_fill_default_structs();
    EXPECT_STREQ(router_defaults.netmask, "255.255.255.0");
    EXPECT_EQ(line_defaults.timeout, 20);
}

FilterEntry* rule(const char* sm, const char* sa, const char* rm, const char* ra, int protocol,
                  int port, int action, int index)
{
    FilterEntry* f = static_cast<FilterEntry*>(myutil_malloc(sizeof(FilterEntry)));
    myutil_copy_text(f->send_mask, sm);
    myutil_copy_text(f->send_match, sa);
    myutil_copy_text(f->receive_mask, rm);
    myutil_copy_text(f->receive_match, ra);
    f->protocol = protocol;
    f->port = port;
    f->action = action;
    f->index = index;
    return f;
}

struct FilterDefaultCase {
    const char* what;
    const char* last[4];  // the four address texts of the last rule
    int protocol, port, action, index;
    bool appended;
};

std::ostream& operator<<(std::ostream& os, const FilterDefaultCase& c)
{
    return os << c.what;
}

class FilterDefault : public RecordsTest,
                      public ::testing::WithParamInterface<FilterDefaultCase> {};

TEST_P(FilterDefault, AppendsAnAcceptAllRuleUnlessTheLastRuleIsACatchAll)
{
    const FilterDefaultCase& c = GetParam();
    ListObject* l = listhelp_new_filter_list();
    l->ops->list_append(l, rule("255.255.255.0", "10.1.1.0", "0.0.0.0", "0.0.0.0", 6, 23, 0, 0));
    l->ops->list_append(
        l, rule(c.last[0], c.last[1], c.last[2], c.last[3], c.protocol, c.port, c.action, c.index));
    myutil_make_filter_default(l);
    ASSERT_EQ(l->count, c.appended ? 3 : 2) << c.what;
    if (c.appended) {
        const FilterEntry* f = static_cast<FilterEntry*>(l->tail->element);
        ListNode accept = {&filter_accept, nullptr};
        EXPECT_EQ(listhelp_comp_filter(l->tail, &accept), 0);
        EXPECT_EQ(f->index, 2) << "index is its position once appended, 0-based";
    }
    l->ops->list_destroy(l);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FilterDefault,
    ::testing::Values(
        FilterDefaultCase{
            "reject all", {"0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0"}, 0, 0, 0, 1, false},
        FilterDefaultCase{"accept all, other index",
                          {"0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0"},
                          0,
                          0,
                          1,
                          41,
                          false},
        FilterDefaultCase{
            "non-zero port", {"0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0"}, 0, 80, 1, 1, true},
        FilterDefaultCase{
            "non-zero protocol", {"0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0"}, 17, 0, 0, 1, true},
        FilterDefaultCase{
            "other action value", {"0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0"}, 0, 0, 2, 1, true},
        FilterDefaultCase{
            "one mask not any", {"0.0.0.0", "0.0.0.0", "255.0.0.0", "0.0.0.0"}, 0, 0, 1, 1, true},
        FilterDefaultCase{
            "empty text is not 0.0.0.0", {"0.0.0.0", "0.0.0.0", "", "0.0.0.0"}, 0, 0, 1, 1, true},
        FilterDefaultCase{
            "0 written otherwise", {"0", "0.0.0.0", "0.0.0.0", "0.0.0.0"}, 0, 0, 1, 1, true}));

TEST_F(RecordsTest, FilterDefaultOnAnEmptyListGivesOneAcceptAllRuleWithIndexZero)
{
    ListObject* l = listhelp_new_filter_list();
    myutil_make_filter_default(l);
    ASSERT_EQ(l->count, 1);
    const FilterEntry* f = static_cast<FilterEntry*>(l->head->element);
    EXPECT_STREQ(f->receive_match, "0.0.0.0");
    EXPECT_EQ(f->action, 1);
    EXPECT_EQ(f->index, 0);
    myutil_make_filter_default(l);  // closed already
    EXPECT_EQ(l->count, 1);
    l->ops->list_destroy(l);
}

TEST_F(RecordsTest, FilterDefaultLeavesTheClassObjectEmpty)
{
    myutil_make_filter_default(list_object_instance);
    EXPECT_EQ(list_object_instance->count, 0);
    myutil_make_default_route(list_object_instance, "host");
    EXPECT_EQ(list_object_instance->count, 0);
}

std::vector<std::string> matches(ListObject* l)
{
    std::vector<std::string> out;
    for (ListNode* n = l->head; n != nullptr; n = n->next) {
        out.push_back(static_cast<RouteEntry*>(n->element)->match);
    }
    return out;
}

TEST_F(RecordsTest, DefaultRouteGoesFirstAndPushesTheOthersDown)
{
    ListObject* l = listhelp_new_route_list();
    myutil_make_default_route(l, "first");
    EXPECT_EQ(matches(l), std::vector<std::string>{"first"});
    myutil_make_default_route(l, "second");
    myutil_make_default_route(l, "second");  // no check for an equal route
    EXPECT_EQ(matches(l), (std::vector<std::string>{"second", "second", "first"}));
    const RouteEntry* r = static_cast<RouteEntry*>(l->head->element);
    EXPECT_STREQ(r->mask, "255.255.255.255");
    EXPECT_STREQ(r->gateway, "second");
    EXPECT_EQ(r->index, 0);
    l->ops->list_append(l, myutil_malloc(sizeof(RouteEntry)));
    EXPECT_EQ(l->count, 4);
    EXPECT_EQ(matches(l).back(), "");
    l->ops->list_destroy(l);
}

TEST_F(RecordsTest, DefaultRouteTextsStayWithinTheirFields)
{
    const struct {
        const char* host;
        const char* stored;
    } cases[] = {
        {"abcdefghij0123456789", "abcdefghij0123456789"},           // 20 characters: whole
        {"abcdefghij0123456789-too-long", "abcdefghij0123456789"},  // cut to the field
        {"", ""},
        {nullptr, ""},
    };
    for (const auto& c : cases) {
        ListObject* l = listhelp_new_route_list();
        myutil_make_default_route(l, c.host);
        ASSERT_EQ(l->count, 1);
        const RouteEntry* r = static_cast<RouteEntry*>(l->head->element);
        EXPECT_STREQ(r->match, c.stored);
        EXPECT_STREQ(r->gateway, c.stored);
        EXPECT_STREQ(r->mask, "255.255.255.255");
        l->ops->list_destroy(l);
    }
}

// Equality of records, as the table writer and the readers rely on it.
TEST_F(RecordsTest, LineTargetsCompareOnTheirConfigurationOnly)
{
    LineTarget a = line_defaults;
    myutil_copy_text(a.host, "remote");
    myutil_copy_text(a.phone, "1234");
    struct Change {
        const char* what;
        void (*apply)(LineTarget&);
        bool equal;
    };
    const Change changes[] = {
        {"nothing", [](LineTarget&) {}, true},
        {"default_route", [](LineTarget& t) { t.default_route = 0; }, true},
        {"parameters", [](LineTarget& t) { t.proto2_params.windowsize = 5; }, true},
        {"counters", [](LineTarget& t) { t.counters.charge = 9; }, true},
        {"index", [](LineTarget& t) { t.index = 4; }, true},
        {"host", [](LineTarget& t) { myutil_copy_text(t.host, "remote2"); }, false},
        {"phone", [](LineTarget& t) { myutil_copy_text(t.phone, "12345"); }, false},
        {"proto2 row", [](LineTarget& t) { t.proto2 = &s2_protocols[1]; }, false},
        {"proto2 code", [](LineTarget& t) { t.proto2_code = 2; }, false},
        {"proto3 row", [](LineTarget& t) { t.proto3 = nullptr; }, false},
        {"proto3 code", [](LineTarget& t) { t.proto3_code = 1; }, false},
        {"send pair", [](LineTarget& t) { myutil_copy_text(t.send_pair, "a/b"); }, false},
        {"receive pair", [](LineTarget& t) { myutil_copy_text(t.receive_pair, "a/b"); }, false},
        {"timeout", [](LineTarget& t) { t.timeout = 0; }, false},
        {"manual", [](LineTarget& t) { t.manual_only = 1; }, false},
        {"bundling", [](LineTarget& t) { t.bundling = 1; }, false},
        {"compression", [](LineTarget& t) { t.compression = 1; }, false},
    };
    for (const Change& c : changes) {
        LineTarget b = a;
        c.apply(b);
        ListNode na = {&a, nullptr};
        ListNode nb = {&b, nullptr};
        EXPECT_EQ(listhelp_comp_line(&na, &nb), c.equal ? 0 : -1) << c.what;
    }
}

TEST_F(RecordsTest, CompareIgnoresBytesAfterTheTerminatorAndCopesWithFullArrays)
{
    RouteEntry a = route_defaults;
    RouteEntry b = route_defaults;
    std::memset(b.match + 1, 'x', sizeof b.match - 1);  // garbage behind the terminator
    b.match[0] = '\0';
    ListNode na = {&a, nullptr};
    ListNode nb = {&b, nullptr};
    EXPECT_EQ(listhelp_comp_route(&na, &nb), 0);
    std::memset(a.gateway, 'g', sizeof a.gateway);  // no terminator at all
    std::memset(b.gateway, 'g', sizeof b.gateway);
    EXPECT_EQ(listhelp_comp_route(&na, &nb), 0);
    b.gateway[sizeof b.gateway - 1] = 'h';
    EXPECT_EQ(listhelp_comp_route(&na, &nb), -1);
    // Without an element to compare: positive, never "equal" nor "differs".
    ListNode empty = {nullptr, nullptr};
    EXPECT_GT(listhelp_comp_route(&na, &empty), 0);
    EXPECT_GT(listhelp_comp_route(nullptr, &na), 0);
}

}  // namespace
