// Texts from outside on their way to the terminal: what passes, and how
// every other byte is shown.
#include <gtest/gtest.h>

#include <string>

#include "printable.h"

namespace {

struct PrintableCase {
    const char* name;
    const char* text;
    const char* shown;
};

class Printable : public ::testing::TestWithParam<PrintableCase> {};

TEST_P(Printable, ShowsOnlyPrintableAscii)
{
    EXPECT_EQ(ASCIIPrintable(GetParam().text), GetParam().shown) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Printable,
    ::testing::Values(PrintableCase{"empty", "", ""},
                      PrintableCase{"a plain telephone number", "0301234", "0301234"},
                      PrintableCase{"every printable character passes",
                                    " !\"#$%&'()*+,-./0123456789:;<=>?@AZ[]^_`az{|}~",
                                    " !\"#$%&'()*+,-./0123456789:;<=>?@AZ[]^_`az{|}~"},
                      PrintableCase{"a title sequence", "\x1b]2;owned\x07", "\\x1b]2;owned\\x07"},
                      PrintableCase{"a screen clear", "12\x1b[2J34", "12\\x1b[2J34"},
                      PrintableCase{"line end, carriage return, TAB, backspace", "a\nb\rc\td\be",
                                    "a\\x0ab\\x0dc\\x09d\\x08e"},
                      PrintableCase{"DEL", "x\x7f", "x\\x7f"},
                      PrintableCase{"a C1 control and Latin-1",
                                    "\x9b"
                                    "2J\xe4",
                                    "\\x9b2J\\xe4"},
                      PrintableCase{"a backslash is doubled, so an escape is never ambiguous",
                                    "a\\x1b", "a\\\\x1b"},
                      PrintableCase{"the first byte and the last", "\x01\xff", "\\x01\\xff"}),
    [](const ::testing::TestParamInfo<PrintableCase>& info) {
        return "Case" + std::to_string(info.index);
    });

TEST(PrintableNull, IsEmpty)
{
    EXPECT_EQ(ASCIIPrintable(static_cast<const char*>(nullptr)), "");
}

}  // namespace
