// The look-ups into the text tables: right language, no index past a table.
#include <gtest/gtest.h>

#include <ostream>

#include <string>

#include "globals.h"
#include "texts.h"

namespace {

struct TextCase {
    int value;
    const char* english;
    const char* german;
};

void PrintTo(const TextCase& c, std::ostream* os)
{
    *os << "value" << c.value;
}

class StatusText : public ::testing::TestWithParam<TextCase> {};
TEST_P(StatusText, BothLanguages)
{
    English = 1;
    EXPECT_STREQ(ASCIIStatusText(GetParam().value), GetParam().english);
    English = 0;
    EXPECT_STREQ(ASCIIStatusText(GetParam().value), GetParam().german);
    English = 1;
}
INSTANTIATE_TEST_SUITE_P(States, StatusText,
                         ::testing::Values(TextCase{0, "free", "frei"},
                                           TextCase{2, "Try To Connect", "im Aufbau"},
                                           TextCase{3, "Connected", "verbunden"},
                                           TextCase{5, "Try To Disconnect", "im Abbau"},
                                           TextCase{6, "free", "frei"}, TextCase{7, "free", "frei"},
                                           TextCase{-1, "free", "frei"},
                                           TextCase{1 << 30, "free", "frei"}));

class FileErrorText : public ::testing::TestWithParam<TextCase> {};
TEST_P(FileErrorText, BothLanguages)
{
    English = 1;
    EXPECT_STREQ(ASCIIFileErrorText(GetParam().value), GetParam().english);
    English = 0;
    EXPECT_STREQ(ASCIIFileErrorText(GetParam().value), GetParam().german);
    English = 1;
}
INSTANTIATE_TEST_SUITE_P(Codes, FileErrorText,
                         ::testing::Values(TextCase{1, "(Too Many Entries)", "(zuviele Eintraege)"},
                                           TextCase{3, "(Wrong Phone Number)",
                                                    "(ungueltige Telefonnummer)"},
                                           TextCase{13, "(Combination Mask/Match)",
                                                    "(Kombination Netzmaske/Vergleichswert)"},
                                           TextCase{16, "(Wrong Value)", "(falscher Wert)"},
                                           TextCase{99, "(Wrong Value)", "(falscher Wert)"},
                                           TextCase{-3, "(Wrong Value)", "(falscher Wert)"}));

TEST(ErrorText, OnlyCodesOneToFourteenHaveTableTexts)
{
    English = 1;
    EXPECT_EQ(ASCIIErrorText(0), nullptr);
    EXPECT_STREQ(ASCIIErrorText(1), "wrong message at this moment");
    EXPECT_STREQ(ASCIIErrorText(14), "Error During Reset");
    EXPECT_EQ(ASCIIErrorText(15), nullptr);
    EXPECT_EQ(ASCIIErrorText(-1), nullptr);
    English = 0;
    EXPECT_STREQ(ASCIIErrorText(11), "Tabelle voll");
    English = 1;
}

TEST(ModeText, ModesTypesAndFallbacks)
{
    EXPECT_STREQ(ASCIIModeText(0), "1TR6 (national)");
    EXPECT_STREQ(ASCIIModeText(1), "DSS1 (international)");
    EXPECT_STREQ(ASCIIModeText(2), "unbekannt");
    EXPECT_STREQ(ASCIIModeText(-1), "unbekannt");
    EXPECT_STREQ(ASCIILineTypeText(0), "");
    EXPECT_STREQ(ASCIILineTypeText(1), "FV64S");
    EXPECT_STREQ(ASCIILineTypeText(2), "Digital FVS01");
    EXPECT_STREQ(ASCIILineTypeText(3), "Digital FVS02");
    EXPECT_STREQ(ASCIILineTypeText(4), "unbekannt");
}

}  // namespace
