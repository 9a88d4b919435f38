#include "accounting_text.h"

#include <gtest/gtest.h>

#include <string>

#include "list.h"
#include "message_tables.h"
#include "myutil.h"

namespace {

struct LanguageGuard {
    ~LanguageGuard() { messages_choose_language(nullptr); }
};

LineTarget line(const char* host, const char* phone, AccountingCounters counters)
{
    LineTarget t{};
    myutil_copy_text(t.host, host);
    myutil_copy_text(t.phone, phone);
    t.counters = counters;
    return t;
}

TEST(AccountingTextTest, CountersInTheirPlaces)
{
    // charge, calls out, calls in, packets out, packets in, bytes out, bytes in
    LineTarget t = line("gw1", "0815", {7, 2, 1, 4, 3, 6, 5});
    EXPECT_EQ(accounting_entry_text(t),
              "Host Name  : gw1\nPhone No.  : 0815\n\n"
              "Calls      incoming:          1    outgoing:          2\n"
              "Packets    incoming:          3    outgoing:          4\n"
              "Bytes      incoming:          5    outgoing:          6\n"
              "Charge     :          7 Units\n\n\n");
}

TEST(AccountingTextTest, LargeCountersStayUnsigned)
{
    const struct {
        uint32_t value;
        const char* shown;
    } cases[] = {
        {0, "         0"},           {2147483647u, "2147483647"}, {2147483648u, "2147483648"},
        {3000000000u, "3000000000"}, {4294967295u, "4294967295"},
    };
    for (const auto& c : cases) {
        uint32_t v = c.value;
        std::string text = accounting_entry_text(line("h", "1", {v, v, v, v, v, v, v}));
        EXPECT_EQ(text.find('-'), std::string::npos) << c.value;
        std::string calls =
            std::string("Calls      incoming: ") + c.shown + "    outgoing: " + c.shown;
        EXPECT_NE(text.find(calls), std::string::npos) << c.value << "\n" << text;
        EXPECT_NE(text.find(std::string("Charge     : ") + c.shown + " Units"), std::string::npos)
            << c.value;
    }
}

TEST(AccountingTextTest, GermanTextTakesTheSameOrder)
{
    LanguageGuard guard;
    messages_choose_language("Anmelden");
    std::string text = accounting_entry_text(line("gw1", "0815", {7, 2, 1, 4, 3, 6, 5}));
    EXPECT_NE(text.find("eingehend:          1    ausgehend:          2"), std::string::npos)
        << text;
    EXPECT_NE(text.find(":          7 Einheiten"), std::string::npos) << text;
}

class AccountingListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        list_init();
        lines_ = listhelp_new_line_list();
    }
    void TearDown() override { lines_->ops->list_destroy(lines_); }
    void add(const LineTarget& t) { lines_->ops->list_append(lines_, listhelp_copy_line(&t)); }
    ListObject* lines_ = nullptr;
};

TEST_F(AccountingListTest, EveryLineTargetInListOrder)
{
    LineTarget a = line("a", "1", {1, 0, 0, 0, 0, 0, 0});
    LineTarget b = line("b", "2", {2, 0, 0, 0, 0, 0, 0});
    add(a);
    add(b);
    EXPECT_EQ(accounting_text(lines_), accounting_entry_text(a) + accounting_entry_text(b));
}

// Counters the router may have reset twice are not shown: the window says
// they are doubtful, under the line target's name and number.
TEST_F(AccountingListTest, DoubtfulCountersAreSaidToBeDoubtfulInsteadOfShown)
{
    LineTarget a = line("a", "1", {101, 0, 0, 0, 0, 0, 0});
    LineTarget b = line("b", "2", {3, 0, 0, 0, 0, 0, 0});
    add(a);
    add(b);
    auto second = [](int position) { return position == 1 ? 1 : 0; };
    EXPECT_EQ(accounting_text(lines_, second),
              accounting_entry_text(a) +
                  "Host Name  : b\nPhone No.  : 2\n\nCounters Doubtful: The Router May Have "
                  "Reset Them Twice\n\n\n");
    LanguageGuard guard;
    messages_choose_language("Anmelden");
    std::string german = accounting_text(lines_, second);
    EXPECT_NE(german.find("Z\xE4hler zweifelhaft"), std::string::npos) << german;
    EXPECT_EQ(german.find("Einheiten"), german.rfind("Einheiten")) << "one entry with values";
}

TEST_F(AccountingListTest, NoLineTargetsGiveAnEmptyWindow)
{
    EXPECT_EQ(accounting_text(lines_), "");
    EXPECT_EQ(accounting_text(nullptr), "");
}

TEST_F(AccountingListTest, BusyNoticeAboveTwentyLineTargets)
{
    for (int n = 1; n <= 21; ++n) {
        add(line("h", "1", {}));
        EXPECT_EQ(accounting_needs_busy_notice(lines_), n > 20) << n << " line targets";
    }
    EXPECT_FALSE(accounting_needs_busy_notice(nullptr));
}

}  // namespace
