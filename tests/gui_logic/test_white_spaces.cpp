#include "white_spaces.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(WhiteSpacesTest, TrimsBlanksAndTabsAtBothEndsOnly)
{
    const struct {
        const char* name;
        const char* text;
        const char* trimmed;
    } cases[] = {
        {"address with blanks and a tab", "  193.1.2.3\t ", "193.1.2.3"},
        {"blank between words stays", " gate way ", "gate way"},
        {"nothing to trim", "gw1", "gw1"},
        {"empty", "", ""},
        {"blanks and tabs only", " \t \t", ""},
        {"newlines stay", "\nx\n", "\nx\n"},
        {"tab inside stays", "a\tb", "a\tb"},
        {"one character", " x", "x"},
    };
    for (const auto& c : cases) {
        std::string buffer = c.text;
        helpfunc_del_white_spaces(&buffer[0]);
        EXPECT_STREQ(buffer.c_str(), c.trimmed) << c.name;
        EXPECT_EQ(del_white_spaces(c.text), c.trimmed) << c.name;
    }
}

TEST(WhiteSpacesTest, NullIsLeftAlone)
{
    helpfunc_del_white_spaces(nullptr);
    EXPECT_EQ(del_white_spaces(nullptr), "");
}

}  // namespace
