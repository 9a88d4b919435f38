// The selected router's record: what each change keeps and what it drops.
// A password belongs to the router it was typed for.
#include <gtest/gtest.h>

#include <cstring>

#include "myutil.h"
#include "selected_router.h"

namespace {

SelectedRouter registered_with_password()
{
    SelectedRouter s;
    std::memset(&s, 0, sizeof s);
    myutil_copy_text(s.name, "10.77.0.2");
    myutil_copy_text(s.hw_text, "00-a0-f9-00-00-01");
    myutil_copy_text(s.cfg.name, "10.77.0.2");
    myutil_copy_text(s.cfg.password, "pw1");
    myutil_copy_text(s.cfg.phone, "0301234");
    s.cfg.exclusive = 1;
    s.n_lines = 3;
    s.sel_pos = 1;
    return s;
}

TEST(SelectedRouterTest, EveryChangeOfRouterLeavesNoPassword)
{
    const struct {
        const char* what;
        void (*change)(SelectedRouter*);
        const char* name_after;  // the record's name once changed
    } cases[] = {
        {"another line taken",
         [](SelectedRouter* s) {
             myutil_copy_text(s->name, "10.77.0.3");
             myutil_copy_text(s->hw_text, "00-a0-f9-00-00-02");
             selected_router_take(s, 2, false);
         },
         "10.77.0.3"},
        {"the same line taken again", [](SelectedRouter* s) { selected_router_take(s, 1, true); },
         "10.77.0.2"},
        {"a registration begins", [](SelectedRouter* s) { selected_router_start_registration(s); },
         "10.77.0.2"},
        {"the password forgotten",
         [](SelectedRouter* s) { selected_router_set_password(s, nullptr); }, "10.77.0.2"},
        {"let go", [](SelectedRouter* s) { selected_router_reset(s); }, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SelectedRouter s = registered_with_password();
        c.change(&s);
        EXPECT_STREQ(s.cfg.password, "");
        EXPECT_EQ(std::memcmp(s.cfg.password, "\0\0\0\0\0\0\0\0\0\0\0", sizeof s.cfg.password), 0)
            << "no trace of the old password is left in the record";
        EXPECT_STREQ(s.name, c.name_after);
    }
}

TEST(SelectedRouterTest, TakingALineSetsPositionAddressAndHeldFlag)
{
    SelectedRouter s = registered_with_password();
    myutil_copy_text(s.hw_text, "00-a0-f9-0a-0b-0c");
    selected_router_take(&s, 4, false);
    const uint8_t hw[6] = {0x00, 0xa0, 0xf9, 0x0a, 0x0b, 0x0c};
    EXPECT_EQ(std::memcmp(s.hw, hw, 6), 0);
    EXPECT_EQ(s.sel_pos, 4);
    EXPECT_EQ(s.cfg.exclusive, 0);
    EXPECT_STREQ(s.cfg.phone, "0301234") << "the settings are the registration's business";
    selected_router_take(&s, 4, true);
    EXPECT_EQ(s.cfg.exclusive, 1);
}

TEST(SelectedRouterTest, TypedPasswordIsKeptWholeAndBounded)
{
    SelectedRouter s = registered_with_password();
    selected_router_set_password(&s, "0123456789");
    EXPECT_STREQ(s.cfg.password, "0123456789");
    selected_router_set_password(&s, "ab");
    EXPECT_STREQ(s.cfg.password, "ab");
    EXPECT_EQ(s.cfg.password[3], '\0') << "the longer password before leaves nothing behind";
    selected_router_set_password(&s, "");
    EXPECT_STREQ(s.cfg.password, "");
}

}  // namespace
