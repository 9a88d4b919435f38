#include "linemon_fields.h"

#include <gtest/gtest.h>

#include <string>

#include "message_tables.h"
#include "myutil.h"

namespace {

struct LanguageGuard {
    ~LanguageGuard() { messages_choose_language(nullptr); }
};

LineMonitorChannel busy(int state, int code = 0x1234)
{
    LineMonitorChannel c{};
    c.state = state;
    c.code = code;
    myutil_copy_text(c.peer, "193.1.2.3");
    myutil_copy_text(c.phone, "0815");
    c.duration = 75;
    c.charge = 3;
    c.packets_out = 12;
    c.packets_in = 34;
    return c;
}

TEST(LineMonFieldsTest, EveryState)
{
    const struct {
        int state;
        int shown;
        const char* state_text;
        bool details;
        bool disconnect;
    } cases[] = {
        {0, 0, "Not Connected (= 1234)", false, false},
        {1, 1, "Try To Connect (= 1234)", true, false},
        {2, 2, "Try To Connect (= 1234)", true, false},
        {3, 3, "Connected (= 1234)", true, true},
        {4, 4, "Try To Disconnect (= 1234)", true, false},
        {5, 5, "Try To Disconnect (= 1234)", true, false},
        {6, 0, "Not Connected (= 1234)", false, false},
        {9, 0, "Not Connected (= 1234)", false, false},
        {-1, 0, "Not Connected (= 1234)", false, false},
    };
    for (const auto& c : cases) {
        LineMonChannelFields f = linemon_channel_fields(busy(c.state));
        EXPECT_EQ(f.state, c.shown) << c.state;
        EXPECT_EQ(f.state_text, c.state_text) << c.state;
        EXPECT_EQ(f.disconnect_sensitive, c.disconnect) << c.state;
        if (c.details) {
            EXPECT_EQ(f.phone, "0815") << c.state;
            EXPECT_EQ(f.peer, "193.1.2.3") << c.state;
            EXPECT_EQ(f.duration, "      75 sec. ") << c.state;
            EXPECT_EQ(f.charge, "       3 units") << c.state;
            EXPECT_EQ(f.packets_in, "      34") << c.state;
            EXPECT_EQ(f.packets_out, "      12") << c.state;
        } else {
            for (const std::string* field :
                 {&f.phone, &f.peer, &f.duration, &f.charge, &f.packets_in, &f.packets_out})
                EXPECT_EQ(*field, "") << c.state;
        }
    }
}

TEST(LineMonFieldsTest, CodeAndCounters)
{
    LineMonitorChannel c = busy(3, 0xBEEF);
    c.duration = 4294967295u;
    c.charge = 2147483648u;
    c.packets_in = 123456789u;
    LineMonChannelFields f = linemon_channel_fields(c);
    EXPECT_EQ(f.state_text, "Connected (= beef)");
    EXPECT_EQ(f.duration, "4294967295 sec. ");
    EXPECT_EQ(f.charge, "2147483648 units");
    EXPECT_EQ(f.packets_in, "123456789");
    EXPECT_EQ(linemon_channel_fields(busy(0, 0)).state_text, "Not Connected (= 0000)");
    // Only the code's 16 bits are the router's.
    EXPECT_EQ(linemon_channel_fields(busy(0, -1)).state_text, "Not Connected (= ffff)");
}

TEST(LineMonFieldsTest, GermanUnits)
{
    LanguageGuard guard;
    messages_choose_language("Anmelden");
    LineMonChannelFields f = linemon_channel_fields(busy(3));
    EXPECT_EQ(f.state_text, "Verbunden (= 1234)");
    EXPECT_EQ(f.duration, "      75 sek. ");
    EXPECT_EQ(f.charge, "       3 Einh.");
}

TEST(LineMonFieldsTest, ConnectNeedsAFreeChannel)
{
    const struct {
        int state1;
        int state2;
        bool connect;
    } cases[] = {
        {0, 0, true},  {3, 0, true},  {0, 1, true}, {1, 3, false},
        {5, 4, false}, {3, 3, false}, {9, 3, true},  // 9 counts as free
    };
    for (const auto& c : cases) {
        LineMonitorData data{};
        data.channel[0] = busy(c.state1);
        data.channel[1] = busy(c.state2);
        LineMonFields f = linemon_fields(data);
        EXPECT_EQ(f.connect_sensitive, c.connect) << c.state1 << "/" << c.state2;
        EXPECT_EQ(f.channel[0].state_text, linemon_channel_fields(data.channel[0]).state_text);
        EXPECT_EQ(f.channel[1].state_text, linemon_channel_fields(data.channel[1]).state_text);
    }
}

TEST(LineMonFieldsTest, AllZeroReportIsTheEmptyDialog)
{
    LineMonitorData zero{};
    LineMonFields f = linemon_fields(zero);
    for (const LineMonChannelFields& c : f.channel) {
        EXPECT_EQ(c.state_text, "Not Connected (= 0000)");
        EXPECT_FALSE(c.disconnect_sensitive);
        EXPECT_EQ(c.duration, "");
    }
    EXPECT_TRUE(f.connect_sensitive);
}

}  // namespace
