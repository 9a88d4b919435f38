#include "router_password.h"

#include <gtest/gtest.h>

#include <cstring>

#include "message_tables.h"
#include "myutil.h"
#include "password_buffer.h"

namespace {

RouterSettings current_with(const char* password, int exclusive)
{
    RouterSettings s{};
    myutil_copy_text(s.password, password);
    s.exclusive = exclusive;
    return s;
}

// Types `text` into a hidden field's buffer as the toolkit would, one
// character at a time at the end.
void type_into(char (&buffer)[PASSWORD_LEN + 1], const char* text)
{
    for (const char* p = text; *p; ++p) {
        long at = static_cast<long>(std::strlen(buffer));
        password_buffer_edit(buffer, sizeof buffer, at, at, p, 1);
    }
}

TEST(RouterPasswordTest, OpeningStartsFromTheCurrentValues)
{
    const struct {
        const char* password;
        int exclusive;
        bool delete_sensitive;
    } cases[] = {{"secret", 1, true}, {"", 0, false}, {"0123456789", 0, true}};
    for (const auto& c : cases) {
        PasswordProposal p;
        password_proposal_open(&p, current_with("junk", 0));
        password_proposal_delete(&p);
        password_proposal_open(&p, current_with(c.password, c.exclusive));
        EXPECT_STREQ(p.password, c.password);
        EXPECT_EQ(p.exclusive, c.exclusive == 1) << c.password;
        EXPECT_EQ(p.delete_sensitive, c.delete_sensitive) << c.password;
    }
}

TEST(RouterPasswordTest, RepeatedEntry)
{
    const struct {
        const char* name;
        const char* typed;
        const char* repeated;
        int result;
        const char* proposal;
    } cases[] = {
        {"same entry", "newpw", "newpw", 0, "newpw"},
        {"last character differs", "newpw", "newpx", MSG_PASSWORDS_DIFFER, "secret"},
        {"second one shorter", "newpw", "newp", MSG_PASSWORDS_DIFFER, "secret"},
        {"empty twice", "", "", 0, ""},
        {"ten characters", "0123456789", "0123456789", 0, "0123456789"},
        {"longer than a router password", "0123456789a", "0123456789a", MSG_PASSWORDS_DIFFER,
         "secret"},
    };
    for (const auto& c : cases) {
        PasswordProposal p;
        password_proposal_open(&p, current_with("secret", 0));
        password_proposal_delete(&p);
        password_proposal_open(&p, current_with("secret", 0));
        EXPECT_EQ(password_proposal_confirm(&p, c.typed, c.repeated), c.result) << c.name;
        EXPECT_STREQ(p.password, c.proposal) << c.name;
        EXPECT_EQ(p.delete_sensitive, true) << c.name;
    }
}

TEST(RouterPasswordTest, EntriesThroughTheHiddenFields)
{
    char input[PASSWORD_LEN + 1];
    char repeat[PASSWORD_LEN + 1];
    password_buffer_clear(input, sizeof input);
    password_buffer_clear(repeat, sizeof repeat);
    type_into(input, "abc");
    type_into(repeat, "abc");
    PasswordProposal p;
    password_proposal_open(&p, current_with("", 0));
    EXPECT_FALSE(p.delete_sensitive);
    EXPECT_EQ(password_proposal_confirm(&p, input, repeat), 0);
    EXPECT_STREQ(p.password, "abc");
    EXPECT_TRUE(p.delete_sensitive);
}

TEST(RouterPasswordTest, DeleteThenCancel)
{
    const RouterSettings current = current_with("secret", 1);
    PasswordProposal p;
    password_proposal_open(&p, current);
    password_proposal_delete(&p);
    EXPECT_STREQ(p.password, "");
    EXPECT_FALSE(p.delete_sensitive);

    p.exclusive = false;  // the user cleared the toggle
    password_proposal_cancel(&p, current);
    EXPECT_STREQ(p.password, "secret");
    EXPECT_TRUE(p.exclusive);
    EXPECT_TRUE(p.delete_sensitive);
}

TEST(RouterPasswordTest, NullsChangeNothing)
{
    password_proposal_open(nullptr, current_with("x", 0));
    password_proposal_delete(nullptr);
    PasswordProposal p;
    password_proposal_open(&p, current_with("x", 0));
    EXPECT_EQ(password_proposal_confirm(&p, nullptr, "x"), MSG_PASSWORDS_DIFFER);
    EXPECT_EQ(password_proposal_confirm(&p, "x", nullptr), MSG_PASSWORDS_DIFFER);
    EXPECT_EQ(password_proposal_confirm(nullptr, "x", "x"), MSG_PASSWORDS_DIFFER);
    EXPECT_STREQ(p.password, "x");
}

}  // namespace
