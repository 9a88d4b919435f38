#include "filter_fields.h"

#include <netdb.h>

#include "dialog_fixture.h"
#include "list_lines.h"
#include "message_tables.h"
#include "record_defaults.h"

namespace {

class FilterFieldsTest : public DialogLogicTest {
protected:
    void TearDown() override
    {
        messages_choose_language(nullptr);
        DialogLogicTest::TearDown();
    }

    static FilterFields valid(const char* position = "1")
    {
        return {"255.255.255.0", "10.1.2.0", "0.0.0.0", "0.0.0.0", "all", true, position};
    }

    // The services database this test relies on, or a reason to skip.
    static bool database_has(const char* name, const char* proto)
    {
        return getservbyname(name, proto) != nullptr;
    }
};

struct CheckCase {
    const char* name;
    FilterFields fields;
    int code;
    int message;
    FilterField focus;
};

TEST_F(FilterFieldsTest, ChecksInDialogOrder)
{
    const CheckCase cases[] = {
        {"all zero",
         {"0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", "all", true, "1"},
         0,
         -1,
         FilterField::NO_FIELD},
        {"networks",
         {"255.255.0.0", "10.1.0.0", "255.255.255.0", "10.2.3.0", "ftp", false, "1"},
         0,
         -1,
         FilterField::NO_FIELD},
        {"send mask",
         {"", "10.1.2.0", "0.0.0.0", "0.0.0.0", "all", true, "1"},
         2,
         27,
         FilterField::SendMask},
        {"send compare value",
         {"255.0.0.0", "x", "0.0.0.0", "0.0.0.0", "all", true, "1"},
         3,
         23,
         FilterField::SendMatch},
        {"send combination",
         {"255.255.0.0", "10.1.2.0", "0.0.0.0", "0.0.0.0", "all", true, "1"},
         1,
         24,
         FilterField::SendMask},
        {"receive mask",
         {"0.0.0.0", "0.0.0.0", "255.255.255", "0.0.0.0", "all", true, "1"},
         4,
         28,
         FilterField::ReceiveMask},
        {"receive compare value",
         {"0.0.0.0", "0.0.0.0", "255.0.0.0", "", "all", true, "1"},
         5,
         23,
         FilterField::ReceiveMatch},
        {"receive combination",
         {"0.0.0.0", "0.0.0.0", "255.255.0.0", "10.1.2.0", "all", true, "1"},
         1,
         24,
         FilterField::ReceiveMask},
        {"service",
         {"0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", "nosuchservice", true, "1"},
         6,
         29,
         FilterField::Service},
        {"position",
         {"0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", "all", true, "3"},
         7,
         26,
         FilterField::Position},
        {"send side first", {"x", "x", "x", "x", "x", true, "0"}, 2, 27, FilterField::SendMask},
        {"receive before service",
         {"0.0.0.0", "0.0.0.0", "x", "x", "x", true, "0"},
         4,
         28,
         FilterField::ReceiveMask},
        {"service before position",
         {"0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", "x", true, "0"},
         6,
         29,
         FilterField::Service},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        FilterEntry f = {};
        FilterCheck check = filter_from_fields(c.fields, 2, true, &f);
        EXPECT_EQ(check.code, c.code);
        EXPECT_EQ(check.message, c.message);
        EXPECT_EQ(check.focus, c.focus);
    }
}

TEST_F(FilterFieldsTest, NewRuleFromDefaultsNeedsReceivingHost)
{
    FilterView view = filter_view(filter_defaults, 1);
    FilterFields f = {view.send_mask.c_str(),    view.send_match.c_str(),
                      view.receive_mask.c_str(), view.receive_match.c_str(),
                      view.service.c_str(),      view.accept,
                      view.position.c_str()};
    FilterCheck check = filter_from_fields(f, 1, true, nullptr);
    EXPECT_EQ(check.code, FILTER_BAD_RECEIVE_MASK);
    EXPECT_EQ(check.message, 28);
    EXPECT_EQ(check.focus, FilterField::ReceiveMask);
}

TEST_F(FilterFieldsTest, AcceptedRuleIsTrimmedWithActionAndIndex)
{
    FilterEntry f;
    std::memset(&f, 0x5a, sizeof f);
    FilterFields fields = {" 255.255.0.0", "10.1.0.0\t", "\t0.0.0.0 ", "0.0.0.0",
                           " 21/tcp ",     false,        "2"};
    ASSERT_EQ(filter_from_fields(fields, 3, false, &f).code, 0);
    EXPECT_STREQ(f.send_mask, "255.255.0.0");
    EXPECT_STREQ(f.send_match, "10.1.0.0");
    EXPECT_STREQ(f.receive_mask, "0.0.0.0");
    EXPECT_EQ(f.protocol, 6);
    EXPECT_EQ(f.port, 21);
    EXPECT_EQ(f.action, 0);
    EXPECT_EQ(f.index, 1);
}

struct ServiceCase {
    const char* text;
    int protocol;  // -1: refused with message 29
    int port;
};

TEST_F(FilterFieldsTest, ServiceTexts)
{
    if (!database_has("ftp", "tcp") || getprotobyname("udp") == nullptr)
        GTEST_SKIP() << "no services or protocol database";
    const ServiceCase cases[] = {
        {"all", 0, 0},
        {"ftp", 6, 21},
        {"21/tcp", 6, 21},
        {"53/udp", 17, 53},
        {"0x15/tcp", 6, 21},
        {"010/tcp", 6, 8},
        {"65535/tcp", 6, 65535},
        {"7/200", 200, 7},  // a protocol number the database does not know
        {"+53/udp", 17, 53},
        {"+0x15/tcp", 6, 21},
        {"-0/tcp", 6, 0},
        {"+65536/tcp", -1, 0},
        {"++53/udp", -1, 0},
        {"+-53/udp", -1, 0},
        {"+/tcp", -1, 0},
        {"+ 53/udp", -1, 0},
        {"+ftp", -1, 0},
        {"+all", -1, 0},
        {"ALL", -1, 0},
        {"tcp", -1, 0},
        {"53", -1, 0},
        {"53/xyz", -1, 0},
        {"nosuchservice", -1, 0},
        {"", -1, 0},
        {"21/", -1, 0},
        {"/tcp", -1, 0},
        {"-1/tcp", -1, 0},
        {"65536/tcp", -1, 0},  // no packet carries that port
        {"4294967317/tcp", -1, 0},
        {"7/256", -1, 0},
    };
    for (const ServiceCase& c : cases) {
        SCOPED_TRACE(c.text);
        FilterFields fields = valid();
        fields.service = c.text;
        FilterEntry f = {};
        FilterCheck check = filter_from_fields(fields, 1, true, &f);
        if (c.protocol < 0) {
            EXPECT_EQ(check.code, FILTER_BAD_SERVICE);
            EXPECT_EQ(check.message, 29);
            EXPECT_EQ(check.focus, FilterField::Service);
        } else {
            ASSERT_EQ(check.code, 0);
            EXPECT_EQ(f.protocol, c.protocol);
            EXPECT_EQ(f.port, c.port);
        }
    }
}

TEST_F(FilterFieldsTest, ServiceShownAsItReadsBack)
{
    if (!database_has("ftp", "tcp") || !database_has("domain", "udp") ||
        !database_has("domain", "tcp"))
        GTEST_SKIP() << "no services database";
    const struct {
        int protocol;
        int port;
        const char* text;
    } cases[] = {
        {0, 0, "all"},           {6, 21, "ftp"},
        {17, 53, "53/udp"},  // domain is tcp and udp: the name would not say which
        {6, 53, "53/tcp"},       {6, 0, "0/tcp"},
        {200, 7, "7/200"},  // unknown protocol: its number
        {6, 65535, "65535/tcp"},
    };
    for (const auto& c : cases) {
        FilterEntry rule = {};
        rule.protocol = c.protocol;
        rule.port = c.port;
        EXPECT_EQ(filter_service_text(rule), c.text);
        EXPECT_EQ(filter_view(rule, 1).service, c.text);
        int32_t protocol = -1, port = -1;
        ASSERT_TRUE(filter_service_read(c.text, &protocol, &port)) << c.text;
        EXPECT_EQ(protocol, c.protocol);
        EXPECT_EQ(port, c.port);
    }
}

TEST_F(FilterFieldsTest, ListLine)
{
    FilterEntry rule = this->rule("10.1.0.0", "0.0.0.0", 0, 0, 1);
    EXPECT_EQ(filter_list_line(3, rule),
              "  3.    10.1.0.0        0.0.0.0         all          accept");
    rule.action = 0;
    EXPECT_EQ(filter_list_line(3, rule).substr(53), "reject");
    messages_choose_language(GERMAN_REGISTER_LABEL);
    EXPECT_EQ(filter_list_line(3, rule).substr(53), "ablehnen");
}

TEST_F(FilterFieldsTest, LongServiceNameCutInListOnly)
{
    if (!database_has("microsoft-ds", "tcp") || database_has("microsoft-ds", "udp"))
        GTEST_SKIP() << "services database without a tcp-only name of 12 characters";
    FilterEntry rule = this->rule("10.1.0.0", "0.0.0.0", 6, 445, 1);
    EXPECT_EQ(filter_view(rule, 1).service, "microsoft-ds");
    EXPECT_EQ(filter_list_line(1, rule).substr(40, 13), "microsoft-d  ");
}

TEST_F(FilterFieldsTest, ListLeavesOutDefaultRule)
{
    ListObject* filters = filters_numbered(2, 0);
    std::vector<std::string> lines = filter_list_lines(filters);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].substr(0, 17), "  2.    10.0.0.2 ");
    EXPECT_TRUE(filter_list_lines(filters_numbered(0)).empty());
    EXPECT_TRUE(filter_list_lines(own(listhelp_new_filter_list())).empty());
    EXPECT_EQ(filter_listed_count(filters), 2);
    EXPECT_EQ(filter_listed_count(nullptr), 0);
}

TEST_F(FilterFieldsTest, DefaultRuleAction)
{
    ListObject* filters = filters_numbered(2, 1);
    EXPECT_EQ(filter_default_action(filters), 1);
    EXPECT_TRUE(filter_set_default_action(filters, 0));
    EXPECT_EQ(filter_default_action(filters), 0);
    EXPECT_EQ(static_cast<const FilterEntry*>(filters->tail->element)->action, 0);
    // Only the default rule changes.
    EXPECT_EQ(static_cast<const FilterEntry*>(filters->head->element)->action, 1);
    EXPECT_TRUE(filter_set_default_action(filters, 5));
    EXPECT_EQ(static_cast<const FilterEntry*>(filters->tail->element)->action, 1);
    ListObject* empty = own(listhelp_new_filter_list());
    EXPECT_EQ(filter_default_action(empty), -1);
    EXPECT_FALSE(filter_set_default_action(empty, 1));
    EXPECT_EQ(filter_default_action(nullptr), -1);
}

struct PositionCase {
    const char* text;
    int elements;
    bool adding;
    int index;  // -1: refused with message 26
};

TEST_F(FilterFieldsTest, PositionsKeepDefaultRuleLast)
{
    const PositionCase cases[] = {
        {"4", 5, false, 3},                              // four listed rules: the last of them
        {"5", 5, false, -1},                             // the default rule's place
        {"5", 5, true, 4},                               // a new rule may go just in front of it
        {"6", 5, true, -1},          {"1", 1, true, 0},  // only the default rule
        {"2", 1, true, -1},          {"1", 1, false, -1},  {"0x3", 5, false, 2},
        {"010", 9, false, 7},        {"3 ", 5, false, -1}, {"", 5, false, -1},
        {"0", 5, false, -1},         {"-1", 5, false, -1}, {"4294967297", 5, false, -1},
        {"4294967297", 5, true, -1}, {"1", 0, true, -1},  // a table without its default rule offers
                                                          // no place
    };
    for (const PositionCase& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\" of " + std::to_string(c.elements) +
                     (c.adding ? " adding" : " editing"));
        FilterEntry f = {};
        FilterCheck check = filter_from_fields(valid(c.text), c.elements, c.adding, &f);
        if (c.index < 0) {
            EXPECT_EQ(check.code, FILTER_BAD_POSITION);
            EXPECT_EQ(check.message, 26);
            EXPECT_EQ(check.focus, FilterField::Position);
        } else {
            EXPECT_EQ(check.code, 0);
            EXPECT_EQ(f.index, c.index);
        }
    }
}

TEST_F(FilterFieldsTest, EditedRuleMovesInFrontOfDefaultRule)
{
    ListObject* filters = filters_numbered(4, 0);
    FilterEntry f = {};
    FilterFields fields = valid("4");
    fields.send_match = "10.0.0.2";
    fields.send_mask = "255.255.255.255";
    ASSERT_EQ(filter_from_fields(fields, filters->count, false, &f).code, 0);
    EXPECT_EQ(filter_store(filters, 2, f), 4);
    EXPECT_EQ(
        texts(filters, &FilterEntry::send_match),
        (std::vector<std::string>{"10.0.0.1", "10.0.0.3", "10.0.0.4", "10.0.0.2", "0.0.0.0"}));
    EXPECT_EQ(filter_default_action(filters), 0);
    EXPECT_EQ(static_cast<const FilterEntry*>(filters->head->next->next->next->element)->index, 3);

    // The default rule can be neither edited nor taken as a place.
    f.index = 4;
    EXPECT_EQ(filter_store(filters, 4, f), 0);
    f.index = 0;
    EXPECT_EQ(filter_store(filters, 5, f), 0);
    EXPECT_EQ(filters->count, 5);
}

TEST_F(FilterFieldsTest, NewRuleGoesInFrontOfDefaultRule)
{
    ListObject* filters = filters_numbered(4, 0);
    FilterEntry f = {};
    FilterFields fields = valid("5");
    fields.send_match = "10.0.0.9";
    fields.send_mask = "255.255.255.255";
    ASSERT_EQ(filter_from_fields(fields, filters->count, true, &f).code, 0);
    EXPECT_EQ(filter_store(filters, 0, f), 5);
    EXPECT_EQ(filters->count, 6);
    EXPECT_EQ(texts(filters, &FilterEntry::send_match),
              (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4", "10.0.0.9",
                                        "0.0.0.0"}));
    EXPECT_EQ(filter_default_action(filters), 0);

    EXPECT_TRUE(filter_can_add(MAX_FILTERS - 1));
    EXPECT_FALSE(filter_can_add(MAX_FILTERS));
    ListObject* full = filters_numbered(MAX_FILTERS - 1);
    f.index = 0;
    EXPECT_EQ(filter_store(full, 0, f), 0);
    EXPECT_EQ(full->count, MAX_FILTERS);
    EXPECT_EQ(filter_store(own(listhelp_new_filter_list()), 0, f), 0);
}

}  // namespace
