#include "registration.h"

#include <gtest/gtest.h>

#include <cstring>

#include "message_tables.h"
#include "myutil.h"
#include "password_buffer.h"

namespace {

OpenReply reply_of(int kind)
{
    OpenReply r;
    std::memset(&r, 0, sizeof r);
    r.kind = kind;
    return r;
}

TEST(RegistrationTest, RefusalMessages)
{
    const struct {
        int reason;
        int message;
    } cases[] = {{3, 9}, {4, 11}, {6, 10}, {5, 7}, {0, 7}, {1, 7}, {7, 7}, {14, 7}, {9999, 7}};
    for (const auto& c : cases)
        EXPECT_EQ(registration_refusal_message(c.reason), c.message) << c.reason;

    OpenReply refused = reply_of(OPEN_REFUSED);
    refused.reason = 4;
    myutil_copy_text(refused.text, "station7");
    EXPECT_EQ(registration_refusal_text(refused), "Router Is Already Connected\nTo station7");
    refused.reason = 5;
    EXPECT_EQ(registration_refusal_text(refused), "Get CloseReply - Cannot Register");
}

TEST(RegistrationTest, BusyNoticeAboveThirtyEntries)
{
    OpenReply accepted = reply_of(OPEN_ACCEPTED);
    accepted.n_lines = 10;
    accepted.n_routes = 15;
    accepted.n_filters = 6;
    EXPECT_TRUE(registration_shows_busy_notice(accepted));
    accepted.n_filters = 5;
    EXPECT_FALSE(registration_shows_busy_notice(accepted));
    // Sizes near the top of their range do not wrap.
    accepted.n_lines = accepted.n_routes = accepted.n_filters = 0xFFFF;
    EXPECT_TRUE(registration_shows_busy_notice(accepted));
}

TEST(RegistrationTest, PromptKeepsRequestApartFromTypedText)
{
    PasswordPrompt prompt;
    std::memset(&prompt, 0x33, sizeof prompt);
    OpenReply request = reply_of(OPEN_PASSWORD);
    request.seed = 0xBEEF;
    request.seq = 0x1234;
    registration_prompt_start(&prompt, request);
    EXPECT_STREQ(prompt.typed, "");
    ASSERT_TRUE(
        password_buffer_edit(prompt.typed, sizeof prompt.typed, 0, 0, "0123456789", 10).allowed);
    EXPECT_FALSE(password_buffer_edit(prompt.typed, sizeof prompt.typed, 10, 10, "x", 1).allowed);
    EXPECT_STREQ(prompt.typed, "0123456789");
    EXPECT_EQ(prompt.challenge, 0xBEEF);
    EXPECT_EQ(prompt.seq, 0x1234);
}

TEST(RegistrationTest, AcceptedSettingsKeepPasswordAndLineType)
{
    RouterSettings s;
    std::memset(&s, 0, sizeof s);
    myutil_copy_text(s.password, "typed");
    s.exclusive = 1;
    OpenReply accepted = reply_of(OPEN_ACCEPTED);
    myutil_copy_text(accepted.text, "255.255.0.0");
    myutil_copy_text(accepted.phone, "0721");
    accepted.isdn_mode = 0;
    accepted.line_type = 2;
    myutil_copy_text(accepted.firmware, "1234567890");  // ten characters
    registration_accept_settings(&s, "router1", accepted);
    EXPECT_STREQ(s.name, "router1");
    EXPECT_STREQ(s.netmask, "255.255.0.0");
    EXPECT_STREQ(s.phone, "0721");
    EXPECT_EQ(s.isdn_mode, 0);
    EXPECT_STREQ(s.firmware, "123456789");
    EXPECT_EQ(s.line_type, 2);
    EXPECT_STREQ(s.password, "typed");
    EXPECT_EQ(s.exclusive, 1);
}

}  // namespace
