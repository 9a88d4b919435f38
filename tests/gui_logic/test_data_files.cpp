// The files that an installation puts into the data directory (data/ of the
// source tree): the help text as the help window reads and cuts it, and the
// commented examples of "qorvel.pro" and "qorvel.def" as the back end's
// readers take them, shipped as they are and with their examples switched on.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "defaults_file.h"
#include "help_file.h"
#include "message_tables.h"
#include "protocols.h"
#include "scratch_data_dir.h"

namespace {

// data/ lies two folders above this file's folder.
std::string data_dir()
{
    std::string here = __FILE__;
    here.erase(here.find_last_of('/'));
    return here + "/../../data";
}

std::string read_data_file(const char* name)
{
    std::ifstream in(data_dir() + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The examples of a site file switched on: every line that begins with
// `prefix` loses its "#".
std::string switched_on(const std::string& text, const std::string& prefix)
{
    std::string result;
    for (const std::string& line : lines_of(text))
        result += (line.compare(0, prefix.size(), prefix) == 0 ? line.substr(1) : line) + "\n";
    return result;
}

// QORVEL_PATH names `dir` while it lives; the earlier value comes back.
class DataPath {
public:
    explicit DataPath(const std::string& dir)
    {
        const char* old = std::getenv("QORVEL_PATH");
        had_old_ = old != nullptr;
        if (had_old_)
            old_ = old;
        setenv("QORVEL_PATH", dir.c_str(), 1);
    }
    ~DataPath()
    {
        if (had_old_)
            setenv("QORVEL_PATH", old_.c_str(), 1);
        else
            unsetenv("QORVEL_PATH");
    }
    DataPath(const DataPath&) = delete;
    DataPath& operator=(const DataPath&) = delete;

private:
    std::string old_;
    bool had_old_ = false;
};

// ------------------------------------------------------------ help text ---

// Every dialog with a help section, and the heading its section opens with:
// the dialog's own title or header as the window shows it.
struct DialogHelp {
    const char* dialog;
    const char* heading;
};

const DialogHelp DIALOG_HELP[] = {
    {"MainForm", "MAIN WINDOW - ROUTER SELECTION"},
    {"ConfigDialog", "TARGET CONFIGURATION - LINE TARGETS"},
    {"Config2Dialog", "NETWORK CONFIGURATION - ONE LINE TARGET"},
    {"FilterDialog", "FILTER TABLE"},
    {"Filter2Dialog", "EDIT FILTER INFORMATION - ONE FILTER RULE"},
    {"RouteDialog", "ROUTING TABLE"},
    {"Route2Dialog", "EDIT ROUTE INFORMATION - ONE ROUTE"},
    {"RConfigDialog", "ROUTER CONFIGURATION - THE ROUTER'S SETTINGS"},
    {"FirmwareDialog", "SELECT FIRMWARE - VERSION OF FIRMWARE"},
    {"SetPWDialog", "SET ROUTER PASSWORD"},
    {"LineMonDialog", "LINE MONITOR - LINE STATUS"},
    {"LineMon2Dialog", "SETUP CONNECTION"},
    {"AccountingDialog", "ACCOUNTING DATA"},
};

class InstalledHelpTest : public ::testing::Test {
protected:
    void SetUp() override { helpfunc_forget_helptext(); }
    void TearDown() override { helpfunc_forget_helptext(); }
};

// The help window's own road: the file found through QORVEL_PATH, read once,
// and each dialog's help showing the header and that dialog's section.
TEST_F(InstalledHelpTest, EveryDialogReachesItsOwnSection)
{
    DataPath path(data_dir());
    helpfunc_read_helpfile();
    ASSERT_TRUE(helpfunc_helptext_loaded());

    bool section_seen[HELP_SECTION_COUNT] = {};
    for (const DialogHelp& help : DIALOG_HELP) {
        SCOPED_TRACE(help.dialog);
        int section = help_section_of_dialog(help.dialog);
        ASSERT_GE(section, 0);
        ASSERT_LT(section, HELP_SECTION_COUNT);
        EXPECT_FALSE(section_seen[section]) << "two dialogs share section " << section;
        section_seen[section] = true;

        const std::string& text = helpfunc_helptext(section);
        EXPECT_NE(text, message_text(39));
        EXPECT_NE(text, message_text(40));
        const std::string heading = std::string(" ") + help.heading + "\n";
        EXPECT_EQ(text.compare(0, heading.size(), heading), 0)
            << "section " << section << " begins: " << text.substr(0, 60);
        // More than a heading: the fields, buttons and faults of the dialog.
        EXPECT_GT(lines_of(text).size(), 8u);
        EXPECT_EQ(help_window_text(section), help_header() + text);
    }
}

// Exactly twelve markers, each on a line of its own: no section is lost
// behind a thirteenth, and no text on a marker's line disappears.
TEST(InstalledHelpFileTest, TwelveMarkersEachOnALineOfItsOwn)
{
    const std::string text = read_data_file(HELP_FILE_NAME);
    ASSERT_FALSE(text.empty());
    ASSERT_EQ(text.back(), '\n');
    int markers = 0;
    for (size_t at = text.find(HELP_MARKER); at != std::string::npos;
         at = text.find(HELP_MARKER, at + 1)) {
        ++markers;
        EXPECT_TRUE(at == 0 || text[at - 1] == '\n') << "marker in mid-line at byte " << at;
    }
    EXPECT_EQ(markers, HELP_SECTION_COUNT - 1);
}

// The help window is 500 pixels wide with a fixed font of 7 pixels and does
// not scroll sideways: a longer line would be cut off. Plain ASCII shows the
// same in every font the resources may choose.
TEST(InstalledHelpFileTest, EveryLineFitsTheWindow)
{
    constexpr size_t WIDTH = 62;
    const std::vector<std::string> lines = lines_of(read_data_file(HELP_FILE_NAME));
    ASSERT_FALSE(lines.empty());
    for (size_t n = 0; n < lines.size(); ++n) {
        const std::string& line = lines[n];
        if (line.compare(0, std::strlen(HELP_MARKER), HELP_MARKER) == 0)
            continue;  // never shown
        EXPECT_LE(line.size(), WIDTH) << "line " << n + 1 << ": " << line;
        for (char c : line)
            EXPECT_TRUE(c >= 0x20 && c <= 0x7e) << "line " << n + 1 << " holds byte "
                                                << static_cast<int>(static_cast<unsigned char>(c));
    }
}

// ------------------------------------------------ protocol definitions ---

class ExampleProtocolsTest : public ::testing::Test {
protected:
    // Back to the built-in rows, from a directory without definitions.
    void TearDown() override
    {
        ScratchDataDir empty;
        int line = 0;
        int column = 0;
        file_read_protocols(&line, &column);
    }
};

TEST_F(ExampleProtocolsTest, ShippedFileReadsWithoutFaultAndDefinesNothing)
{
    DataPath path(data_dir());
    int line = -1;
    int column = -1;
    ASSERT_EQ(file_read_protocols(&line, &column), 1)
        << "fault at line " << line << ", column " << column;
    // The examples wait to be switched on: a site gets no protocol names it
    // did not choose.
    EXPECT_EQ(no_s2_protocols, PROTO_BUILTIN_ROWS);
    EXPECT_EQ(no_s3_protocols, PROTO_BUILTIN_ROWS);
}

TEST_F(ExampleProtocolsTest, ExamplesSwitchedOnDefineWhatTheySay)
{
    const std::string examples = switched_on(read_data_file(PROTO_FILE), "#2:");
    for (const char* keyword : {"blocksize=", "addr_a=", "addr_b=", "modulo=", "windowsize="}) {
        bool shown = false;
        for (const std::string& line : lines_of(examples))
            shown =
                shown || (line.compare(0, 2, "2:") == 0 && line.find(keyword) != std::string::npos);
        EXPECT_TRUE(shown) << "no example sets " << keyword;
    }

    ScratchDataDir dir;
    dir.write(PROTO_FILE, examples);
    int line = -1;
    int column = -1;
    ASSERT_EQ(file_read_protocols(&line, &column), 1)
        << "fault at line " << line << ", column " << column;

    const struct {
        const char* name;
        unsigned blocksize, addr_a, addr_b, modulo, windowsize;
    } rows[] = {
        {"x75_win2", 1500, 3, 1, 8, 2}, {"x75_ext", 1500, 3, 1, 128, 127},
        {"x75_2k", 2048, 3, 1, 8, 7},   {"x75_swap", 1500, 1, 3, 8, 7},
        {"x75_all", 512, 3, 1, 8, 4},
    };
    ASSERT_EQ(no_s2_protocols, PROTO_BUILTIN_ROWS + static_cast<int>(std::size(rows)));
    for (size_t n = 0; n < std::size(rows); ++n) {
        const Proto2Def& row = s2_protocols[PROTO_BUILTIN_ROWS + n];
        SCOPED_TRACE(rows[n].name);
        EXPECT_STREQ(row.name, rows[n].name);
        EXPECT_EQ(row.code, 1u);  // x75
        EXPECT_EQ(row.blocksize, rows[n].blocksize);
        EXPECT_EQ(row.addr_a, rows[n].addr_a);
        EXPECT_EQ(row.addr_b, rows[n].addr_b);
        EXPECT_EQ(row.modulo, rows[n].modulo);
        EXPECT_EQ(row.windowsize, rows[n].windowsize);
    }
}

// ------------------------------------------------------------ defaults ---

constexpr uint32_t ADDRESS = 0x0A000001;  // 10.0.0.1, as from the host name
constexpr uint32_t NETMASK = 0xFFFF0000;  // as probed

TEST(ExampleDefaultsTest, ShippedFileChangesNothing)
{
    DataPath path(data_dir());
    uint32_t address = ADDRESS;
    uint32_t netmask = NETMASK;
    int resolving = 1;
    EXPECT_EQ(file_read_config_file(&address, &netmask, &resolving), 1);
    EXPECT_EQ(address, ADDRESS);
    EXPECT_EQ(netmask, NETMASK);
    EXPECT_EQ(resolving, 1);
}

TEST(ExampleDefaultsTest, ExamplesSwitchedOnSetAllThreeValues)
{
    ScratchDataDir dir;
    dir.write("qorvel.def", switched_on(read_data_file("qorvel.def"), "#qorvel_"));
    uint32_t address = ADDRESS;
    uint32_t netmask = NETMASK;
    int resolving = 1;
    EXPECT_EQ(file_read_config_file(&address, &netmask, &resolving), 1);  // every line good
    EXPECT_EQ(address, 0xC0A80114u);                                      // 192.168.1.20
    EXPECT_EQ(netmask, 0xFFFFFF00u);                                      // 255.255.255.0
    EXPECT_EQ(resolving, 0);
}

}  // namespace
