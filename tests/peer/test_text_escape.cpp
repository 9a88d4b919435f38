// The simulated router's escaped text: the form its script, state file and
// log carry a raw text in, written by the router and by the test programs
// alike.
#include <gtest/gtest.h>

#include <string>

#include "text_escape.h"

namespace {

using namespace std::string_literals;

struct EscapeCase {
    const char* name;
    std::string raw;
    std::string escaped;
};

// Every byte that a line splitter or a "key=value" reader would cut, and
// every byte outside printable ASCII, is written as \xHH; all else as it is.
const EscapeCase ESCAPE_CASES[] = {
    {"empty", "", ""},
    {"plain", "0891-12345", "0891-12345"},
    {"nul", "a\0b"s, "a\\x00b"},
    {"byte 0xff", "\xff", "\\xff"},
    {"iso 8859-1 letter", "M\xfc", "M\\xfc"},
    {"space", "two words", "two\\x20words"},
    {"tab and newline", "\t\n", "\\x09\\x0a"},
    {"backslash", "a\\b", "a\\x5cb"},
    {"double quote", "say \"hi\"", "say\\x20\"hi\""},
    {"single quote", "it's", "it's"},
    {"equals sign", "k=v", "k\\x3dv"},
    {"hash", "#1", "\\x231"},
    {"delete", "\x7f", "\\x7f"},
    {"tilde stays", "~", "~"},
};

TEST(TextEscapeTest, EscapesExactlyTheBytesAWordCannotCarryAndComesBack)
{
    for (const EscapeCase& c : ESCAPE_CASES) {
        EXPECT_EQ(text_escape(c.raw), c.escaped) << c.name;
        std::string back = "untouched";
        ASSERT_TRUE(text_unescape(c.escaped, &back)) << c.name;
        EXPECT_EQ(back, c.raw) << c.name;
    }
}

TEST(TextEscapeTest, EveryByteComesBackThroughItsEscapedForm)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const std::string escaped = text_escape(all);
    EXPECT_EQ(escaped.find_first_of(" \t\n=#"), std::string::npos)
        << "no blank, '=' or '#' is left in the word";
    std::string back;
    ASSERT_TRUE(text_unescape(escaped, &back));
    EXPECT_EQ(back, all);
}

struct UnescapeCase {
    const char* name;
    std::string text;
    bool ok;
    std::string raw;  // when ok
};

// Hand-written scripts may use the short forms; a cut-off or unknown escape
// is refused and leaves the caller's text as it was.
const UnescapeCase UNESCAPE_CASES[] = {
    {"short backslash", "a\\\\b", true, "a\\b"},
    {"short nul", "a\\0b", true, "a\0b"s},
    {"upper-case hex", "\\x4A\\xFF", true, "J\xff"},
    {"lone backslash at the end", "abc\\", false, ""},
    {"hex cut off", "\\x4", false, ""},
    {"hex without digits", "\\x", false, ""},
    {"not a hex digit", "\\xg0", false, ""},
    {"unknown escape", "\\n", false, ""},
};

TEST(TextEscapeTest, ShortFormsAreReadAndBadEscapesRefused)
{
    for (const UnescapeCase& c : UNESCAPE_CASES) {
        std::string raw = "untouched";
        EXPECT_EQ(text_unescape(c.text, &raw), c.ok) << c.name;
        EXPECT_EQ(raw, c.ok ? c.raw : "untouched") << c.name;
    }
}

}  // namespace
