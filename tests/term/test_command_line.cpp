// Command line, language choice and the usage texts.
#include <gtest/gtest.h>

#include <ostream>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "command_line.h"
#include "globals.h"

namespace {

struct Parsed {
    int result;
    std::string err;
};

Parsed parse(std::vector<std::string> words, bool german = false)
{
    ASCIIResetGlobals();
    English = german ? 0 : 1;
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    char* text = nullptr;
    size_t size = 0;
    FILE* err = open_memstream(&text, &size);
    int result = ASCIIParseCommandLine(static_cast<int>(argv.size()), argv.data(), err);
    std::fclose(err);
    Parsed parsed{result, text};
    std::free(text);
    return parsed;
}

const std::string usage_en =
    "usage:\n\nqa rov|accounting|linemonitor|linetarget|routerconfig|saveconfig [-f file] [-ip router]\n\n"
    " qa rov [-f file]\n"
    "       Router Overview. Use -f to save contens of overview in a file.\n\n"
    " qa accounting [-f file] [-ip router] [-reset]\n"
    "       Displays accounting values of router. Specify router with -ip router.\n"
    "       Type -reset to reset the charge. Use -f to save accounting data in a\n"
    "       file.\n\n"
    " qa linemonitor [-f file] [-ip router]\n"
    "       Displays connection data of router. Use options as above.\n\n"
    " qa linetarget -f file [-ip router]\n"
    "       Set line targets. Specify router with -ip router. Line targets are\n"
    "       loaded from -f file.\n\n"
    " qa routerconfig\n"
    "       Carry out router configuration. Enter the values via dialogue.\n\n"
    " qa saveconfig -f file [-ip router]\n"
    "       Load router configuration and write it to file -f file.\n\n"
    "Set langugae via environment variable QORVEL_LANG:\n"
    "       QORVEL_LANG=ENGLISH : english\n"
    "       QORVEL_LANG=GERMAN  : german\n";

const std::string usage_de =
    "usage:\n\nqa rov|accounting|linemonitor|linetarget|routerconfig|saveconfig [-f file] [-ip router]\n\n"
    " qa rov [-f file]\n"
    "       Router Uebersicht. Die Ausgabe kann mit -f file in eine Datei umgelenkt\n"
    "       werden.\n\n"
    " qa accounting [-f file] [-ip router] [-reset]\n"
    "       Ausgabe der ACCOUNTING Werte eines Routers. Der Router kann mit \n"
    "       -ip router spezifiziert werden. -reset setzt die Abrechnungsdaten\n"
    "       zurueck. Die Ausgabe wird mit -f file in eine Datei umgelenkt.\n\n"
    " qa linemonitor [-f file] [-ip router]\n"
    "       Ausgabe der Verbindungsdaten eines Routers. -ip und -f wie bei \n"
    "       accounting.\n\n"
    " qa linetarget -f file [-ip router]\n"
    "       Setzen der Verbindungsziele fuer einen Router. Der Router wird mit\n"
    "       -ip router spezifiziert. Die Verbindungsziele werden aus der\n"
    "       Datei -f file gelesen.\n\n"
    " qa routerconfig\n"
    "       Konfiguration eines Routers ausfuehren. Die hierzu benoetigten Werte \n"
    "       werden abgefragt.\n\n"
    " qa saveconfig -f file [-ip router]\n"
    "       Konfiguration eines Routers lesen und speichern in der Datei -f file.\n\n"
    "Die Sprache kann ueber die Environment-Variable QORVEL_LANG gesetzt werden.\n"
    "       QORVEL_LANG=ENGLISH : englische Ausgaben\n"
    "       QORVEL_LANG=GERMAN  : deutsche Ausgaben\n";

const std::string linetarget_block_en =
    "missing filename to save line targets\n\n"
    "qa linetarget -f file [-ip router]\n"
    "       Set line targets. Specify router with -ip router. Line targets are\n"
    "       loaded from -f file.\n\n";

const std::string saveconfig_block_en =
    "missing filename to save configuration\n\n"
    "qa saveconfig -f file [-ip router]\n"
    "       Load router configuration and write it to file -f file.\n\n";

const std::string saveconfig_block_de =
    "Dateiname zum Speichern der Konfiguration erwartet.\n\n"
    "qa saveconfig -f file [-ip router]\n"
    "       Konfiguration eines Routers lesen und speichern in der Datei -f file.\n\n";

struct Case {
    const char* name;
    std::vector<std::string> words;
    bool german;
    int result;
    std::string err;
    int program;
    const char* file;
    const char* ip;
    int reset;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

class CommandLine : public ::testing::TestWithParam<Case> {};

TEST_P(CommandLine, ParsesAndReports)
{
    const Case& c = GetParam();
    Parsed parsed = parse(c.words, c.german);
    EXPECT_EQ(parsed.result, c.result);
    EXPECT_EQ(parsed.err, c.err);
    if (c.result == 0) {
        EXPECT_EQ(ASCIIProgram, c.program);
        EXPECT_EQ(ASCIIFileName, c.file);
        EXPECT_EQ(ASCIIRouterIP, c.ip);
        EXPECT_EQ(ASCIIReset, c.reset);
    }
}

const std::string unknown_en = "qa: error in command line: unknown parameter: ";

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLine,
    ::testing::Values(
        Case{"NoWordEnglish", {"qa"}, false, 1, usage_en, 0, "", "", 0},
        Case{"NoWordGerman", {"qa"}, true, 1, usage_de, 0, "", "", 0},
        Case{"RovPlain", {"qa", "rov"}, false, 0, "", ASCII_OP_ROV, "", "", 0},
        Case{"LastSubCommandWins",
             {"qa", "accounting", "rov"},
             false,
             0,
             "",
             ASCII_OP_ROV,
             "",
             "",
             0},
        Case{"AllOptions",
             {"qa", "accounting", "-f", "out", "-ip", "10.0.0.2", "-reset"},
             false,
             0,
             "",
             ASCII_OP_ACCOUNTING,
             "out",
             "10.0.0.2",
             1},
        Case{"OptionValueMayBeASubCommand",
             {"qa", "linemonitor", "-ip", "rov"},
             false,
             0,
             "",
             ASCII_OP_LINEMONITOR,
             "",
             "rov",
             0},
        Case{"RepeatedOptionReplaces",
             {"qa", "rov", "-f", "a", "-f", "b"},
             false,
             0,
             "",
             ASCII_OP_ROV,
             "b",
             "",
             0},
        Case{"OptionsOnly",
             {"qa", "-ip", "10.0.0.2"},
             false,
             0,
             "",
             ASCII_OP_NONE,
             "",
             "10.0.0.2",
             0},
        Case{"RouterconfigAndSaveconfig",
             {"qa", "saveconfig", "-f", "x.cfg", "routerconfig"},
             false,
             0,
             "",
             ASCII_OP_ROUTERCONFIG,
             "x.cfg",
             "",
             0},
        Case{"UnknownWordThenUsage",
             {"qa", "rov", "bogus"},
             false,
             1,
             unknown_en + "bogus\n" + usage_en,
             0,
             "",
             "",
             0},
        Case{"EveryUnknownWordOnItsOwnLine",
             {"qa", "x", "rov", "Rov"},
             false,
             1,
             unknown_en + "x\n" + unknown_en + "Rov\n" + usage_en,
             0,
             "",
             "",
             0},
        Case{"UnknownWordGerman",
             {"qa", "-x"},
             true,
             1,
             "qa: Fehler in der Kommandozeile: unbekannter Parameter: -x\n" + usage_de,
             0,
             "",
             "",
             0},
        Case{"LinetargetWithoutFile",
             {"qa", "linetarget"},
             false,
             1,
             linetarget_block_en,
             0,
             "",
             "",
             0},
        Case{"LinetargetUnknownWordGetsItsBlock",
             {"qa", "linetarget", "zz"},
             false,
             1,
             unknown_en + "zz\n" + linetarget_block_en,
             0,
             "",
             "",
             0},
        Case{"SaveconfigFileAsLastWord",
             {"qa", "saveconfig", "-f"},
             false,
             1,
             saveconfig_block_en,
             0,
             "",
             "",
             0},
        Case{"SaveconfigOptionAtEndDropsValue",
             {"qa", "saveconfig", "-f", "a.cfg", "-f"},
             false,
             1,
             saveconfig_block_en,
             0,
             "",
             "",
             0},
        Case{"SaveconfigGerman", {"qa", "saveconfig"}, true, 1, saveconfig_block_de, 0, "", "", 0}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

struct LanguageCase {
    const char* value;  // null: unset
    int english;
};

void PrintTo(const LanguageCase& c, std::ostream* os)
{
    *os << (c.value ? "[" + std::string(c.value) + "]" : "unset");
}

class Language : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(Language, OnlyExactGermanSwitches)
{
    if (GetParam().value == nullptr)
        unsetenv("QORVEL_LANG");
    else
        setenv("QORVEL_LANG", GetParam().value, 1);
    English = 7;
    ASCIIChooseLanguage();
    EXPECT_EQ(English, GetParam().english);
    unsetenv("QORVEL_LANG");
}

INSTANTIATE_TEST_SUITE_P(Values, Language,
                         ::testing::Values(LanguageCase{nullptr, 1}, LanguageCase{"GERMAN", 0},
                                           LanguageCase{"german", 1}, LanguageCase{"ENGLISH", 1},
                                           LanguageCase{"GERMAN ", 1}, LanguageCase{"", 1}));

}  // namespace
