#include "help_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "message_tables.h"
#include "myutil.h"
#include "scratch_data_dir.h"

namespace {

const std::string NO_FILE = "\n\n\n       No Help File Found";
const std::string NO_SECTION = "\n\n\n       No Help For This Section Found";

struct LanguageGuard {
    ~LanguageGuard() { messages_choose_language(nullptr); }
};

// The run's table starts unloaded in every test and is forgotten after it.
class HelpRunTest : public ::testing::Test {
protected:
    void SetUp() override { helpfunc_forget_helptext(); }
    void TearDown() override { helpfunc_forget_helptext(); }
};

std::vector<std::string> sections_of(const HelpSections& s)
{
    return std::vector<std::string>(std::begin(s.text), std::end(s.text));
}

std::vector<std::string> expected(std::vector<std::string> found)
{
    while (found.size() < static_cast<size_t>(HELP_SECTION_COUNT))
        found.push_back(NO_SECTION);
    return found;
}

TEST(HelpCutTest, SectionsAtMarkers)
{
    std::string thirteen_markers;
    std::vector<std::string> thirteen_sections;
    for (int n = 0; n < 13; ++n) {
        thirteen_markers += "text " + std::to_string(n) + "\n====> next\n";
        thirteen_sections.push_back("text " + std::to_string(n) + "\n");
    }
    thirteen_markers += "never shown\n";

    const struct {
        const char* name;
        std::string contents;
        std::vector<std::string> sections;
    } cases[] = {
        {"no marker: all is the main window's", "main help\nsecond line\n",
         expected({"main help\nsecond line\n"})},
        {"empty file", "", expected({""})},
        {"text before the first marker is section 0", "intro\n====>\nlines\n",
         expected({"intro\n", "lines\n"})},
        {"marker line and its rest dropped", "a\n====> Line Targets (title)\nb\n",
         expected({"a\n", "b\n"})},
        {"marker mid-line ends the section there", "a\nkeep====>drop\nb\n",
         expected({"a\nkeep", "b\n"})},
        {"marker on a last line without newline begins nothing", "a\n====>tail", expected({"a\n"})},
        {"marker at the very start gives an empty section 0", "====>\nfirst\n",
         expected({"", "first\n"})},
        {"two markers in a row give an empty section", "a\n====>\n====>\nc\n",
         expected({"a\n", "", "c\n"})},
        {"last section without a newline at the end", "a\n====>\nb", expected({"a\n", "b"})},
        {"thirteen markers: twelve sections follow the main one", thirteen_markers,
         thirteen_sections},
        {"a NUL byte ends the text", std::string("a\0\n====>\nb\n", 11), expected({"a"})},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sections_of(help_cut_sections(c.contents)), c.sections) << c.name;
}

TEST(HelpCutTest, MissingSectionsTakeTheMessageInForce)
{
    LanguageGuard guard;
    messages_choose_language("Anmelden");
    HelpSections s = help_cut_sections("only the main help\n");
    EXPECT_EQ(s.text[HELP_ACCOUNTING], g_messages[40]);
}

TEST(HelpFileTest, PathFollowsQorvelPath)
{
    {
        ScratchDataDir dir;
        EXPECT_EQ(help_file_path(), dir.path() + "/qorvel.hlp");
    }
    const char* old = std::getenv("QORVEL_PATH");
    std::string saved = old ? old : "";
    unsetenv("QORVEL_PATH");
    EXPECT_EQ(help_file_path(), "qorvel.hlp");
    setenv("QORVEL_PATH", "", 1);
    EXPECT_EQ(help_file_path(), "qorvel.hlp") << "an empty value is no directory";
    unsetenv("QORVEL_PATH");
    if (old)
        setenv("QORVEL_PATH", saved.c_str(), 1);
}

TEST(HelpFileTest, LongDataDirectoryPath)
{
    // A data directory far longer than any fixed buffer of a path.
    ScratchDataDir dir;
    std::string deep;
    for (int n = 0; n < 40; ++n) {
        deep += (n ? "/" : "") + std::string(20, 'd');
        dir.make_dir(deep);
    }
    dir.write(deep + "/qorvel.hlp", "deep help\n====>\nlines\n");
    setenv("QORVEL_PATH", dir.file(deep).c_str(), 1);
    ASSERT_GT(help_file_path().size(), 800u);
    HelpSections s = help_read_file(help_file_path());
    EXPECT_EQ(s.text[HELP_MAIN], "deep help\n");
    EXPECT_EQ(s.text[HELP_LINE_TABLE], "lines\n");
}

TEST(HelpFileTest, UnreadableFilesGiveNoHelpFileEverywhere)
{
    ScratchDataDir dir;
    dir.make_dir("a directory");
    dir.make_fifo("a fifo");
    const struct {
        const char* name;
        std::string path;
    } cases[] = {
        {"no file", dir.file("qorvel.hlp")},
        {"a directory", dir.file("a directory")},
        {"a fifo", dir.file("a fifo")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sections_of(help_read_file(c.path)),
                  std::vector<std::string>(HELP_SECTION_COUNT, NO_FILE))
            << c.name;
}

TEST(HelpFileTest, EmptyFileGivesEmptyMainHelp)
{
    ScratchDataDir dir;
    dir.write("qorvel.hlp", "");
    EXPECT_EQ(sections_of(help_read_file(help_file_path())), expected({""}));
}

TEST_F(HelpRunTest, ReadOnceForTheWholeRun)
{
    ScratchDataDir dir;
    EXPECT_FALSE(helpfunc_helptext_loaded());
    EXPECT_EQ(helpfunc_helptext(HELP_MAIN), "");
    helpfunc_read_helpfile();
    EXPECT_TRUE(helpfunc_helptext_loaded());
    EXPECT_EQ(helpfunc_helptext(HELP_MAIN), NO_FILE);

    // Created after the first request: seen only in the next run.
    dir.write("qorvel.hlp", "main\n====>\nlines\n");
    helpfunc_read_helpfile();
    EXPECT_EQ(helpfunc_helptext(HELP_LINE_TABLE), NO_FILE);

    helpfunc_forget_helptext();
    helpfunc_read_helpfile();
    EXPECT_EQ(helpfunc_helptext(HELP_LINE_TABLE), "lines\n");
    EXPECT_EQ(helpfunc_helptext(HELP_LINE_EDIT), NO_SECTION);
    EXPECT_EQ(helpfunc_helptext(-1), "");
    EXPECT_EQ(helpfunc_helptext(HELP_SECTION_COUNT), "");
}

TEST_F(HelpRunTest, WindowTextIsHeaderThenSection)
{
    ScratchDataDir dir;
    dir.write("qorvel.hlp", "main\n====>\nlines\n");
    myutil_set_config(0xC0A80105, 0xFFFFFF00, 0);
    helpfunc_read_helpfile();
    const std::string header =
        " Configuration of the Grafical User Interface\n\n"
        " Hostname          : 192.168.1.5\n"
        " Netmask           : 255.255.255.0\n"
        " Hostname Resolving: off\n\n";
    EXPECT_EQ(help_header(), header);
    EXPECT_EQ(help_window_text(HELP_LINE_TABLE), header + "lines\n");
    EXPECT_EQ(help_window_text(HELP_ROUTER_SETTINGS), header + NO_SECTION);
    EXPECT_EQ(help_window_text(HELP_NONE), "");
    EXPECT_EQ(help_header_text("gw", "255.0.0.0", 1),
              " Configuration of the Grafical User Interface\n\n"
              " Hostname          : gw\n"
              " Netmask           : 255.0.0.0\n"
              " Hostname Resolving: on\n\n");
}

TEST(HelpSectionTest, DialogsAndTheirSections)
{
    const struct {
        const char* dialog;
        int section;
    } cases[] = {
        {"MainForm", HELP_MAIN},
        {"ConfigDialog", HELP_LINE_TABLE},
        {"Config2Dialog", HELP_LINE_EDIT},
        {"FilterDialog", HELP_FILTER_TABLE},
        {"Filter2Dialog", HELP_FILTER_EDIT},
        {"RouteDialog", HELP_ROUTE_TABLE},
        {"Route2Dialog", HELP_ROUTE_EDIT},
        {"RConfigDialog", HELP_ROUTER_SETTINGS},
        {"FirmwareDialog", HELP_FIRMWARE},
        {"SetPWDialog", HELP_PASSWORD},
        {"LineMonDialog", HELP_LINE_MONITOR},
        {"LineMon2Dialog", HELP_CONNECTION_SETUP},
        {"AccountingDialog", HELP_ACCOUNTING},
        {"RouterDialog", HELP_NONE},
        {"ScanDialog", HELP_NONE},
        {"AboutDialog", HELP_NONE},
        {"ErrorDialog", HELP_NONE},
        {"FileDialog", HELP_NONE},
        {"QuestionDialog", HELP_NONE},
        {"Question2Dialog", HELP_NONE},
        {"PWDialog", HELP_NONE},
        {"InputPWDialog", HELP_NONE},
        {"", HELP_NONE},
        {nullptr, HELP_NONE},
    };
    for (const auto& c : cases)
        EXPECT_EQ(help_section_of_dialog(c.dialog), c.section) << (c.dialog ? c.dialog : "(null)");
}

TEST(HelpSectionTest, FindString)
{
    const char* text = "abc====>def";
    EXPECT_EQ(helpfunc_find_string(text, "====>"), text + 3);
    EXPECT_EQ(helpfunc_find_string(text, "===>>"), nullptr);
    EXPECT_EQ(helpfunc_find_string("", "====>"), nullptr);
    EXPECT_EQ(helpfunc_find_string(nullptr, "x"), nullptr);
    EXPECT_EQ(helpfunc_find_string(text, nullptr), nullptr);
}

}  // namespace
