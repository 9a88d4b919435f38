// Protocol-definition tables: built-in rows, look-ups, the site's definition
// file and the file of undefined parameter sets.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "list.h"
#include "myutil.h"
#include "protocols.h"
#include "records.h"
#include "temp_dir.h"
#include "textfile.h"

namespace {

using namespace std::string_literals;

// A data directory of its own for each test, named by QORVEL_PATH.
struct DataDir : TempDir {
    DataDir() : TempDir("qorvel-proto", DATA_DIR) {}
};

class ProtocolsTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        file_echo_errors = 0;
        // Back to the built-in rows, from a directory known to hold no file.
        dir_.remove("qorvel.pro");
        setenv("QORVEL_PATH", dir_.path().c_str(), 1);
        int line = 0, column = 0;
        file_read_protocols(&line, &column);
    }
    // Reads `text` as the definition file.
    int read(const std::string& text)
    {
        dir_.write("qorvel.pro", text);
        line_ = column_ = -1;
        return file_read_protocols(&line_, &column_);
    }
    DataDir dir_;
    int line_ = -1;
    int column_ = -1;
};

void expect_row(const Proto2Def& row, const char* name, uint32_t code, int blocksize, int a, int b,
                int modulo, int window)
{
    EXPECT_STREQ(row.name, name);
    EXPECT_EQ(row.code, code) << name;
    EXPECT_EQ(row.blocksize, blocksize) << name;
    EXPECT_EQ(row.addr_a, a) << name;
    EXPECT_EQ(row.addr_b, b) << name;
    EXPECT_EQ(row.modulo, modulo) << name;
    EXPECT_EQ(row.windowsize, window) << name;
    EXPECT_EQ(row.button, nullptr) << name;
}

TEST_F(ProtocolsTest, BuiltInRowsAreThereFromTheStart)
{
    ASSERT_EQ(no_s2_protocols, 3);
    ASSERT_EQ(no_s3_protocols, 3);
    expect_row(s2_protocols[0], "x75", 1, 1500, 3, 1, 8, 7);
    expect_row(s2_protocols[1], "hdlc", 2, 1500, 0, 0, 0, 0);
    expect_row(s2_protocols[2], "ppp", 255, 0, 0, 0, 0, 0);
    const struct {
        const char* name;
        uint32_t code;
    } l3[] = {{"null", 4}, {"t70nl", 1}, {"ppp", 255}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_STREQ(s3_protocols[i].name, l3[i].name);
        EXPECT_EQ(s3_protocols[i].code, l3[i].code);
        for (uint16_t w : s3_protocols[i].param_words)
            EXPECT_EQ(w, 0);
        EXPECT_EQ(s3_protocols[i].param_byte, 8);
    }
    EXPECT_EQ(std::memcmp(&s2_protocols[0], &file_x75_2, sizeof file_x75_2), 0);
    EXPECT_EQ(std::memcmp(&s3_protocols[1], &file_t70nl_3, sizeof file_t70nl_3), 0);
}

TEST_F(ProtocolsTest, LookUpsByNameAndByParameters)
{
    EXPECT_EQ(file_find_proto2_by_name("hdlc"), &s2_protocols[1]);
    EXPECT_EQ(file_find_proto2_by_name("HDLC"), nullptr);
    EXPECT_EQ(file_find_proto2_by_name("x7"), nullptr);
    EXPECT_EQ(file_find_proto2_by_name(nullptr), nullptr);
    EXPECT_EQ(file_find_proto3_by_name("t70nl"), &s3_protocols[1]);
    EXPECT_EQ(file_proto2_index("ppp"), 3);
    EXPECT_EQ(file_proto3_index("null"), 1);
    EXPECT_EQ(file_proto3_index("x75"), 0);

    Proto2Params x75 = {1500, 3, 1, 8, 7};
    EXPECT_EQ(file_find_proto2_by_dlpd(&x75, 1), &s2_protocols[0]);
    EXPECT_EQ(file_find_proto2_by_dlpd(&x75, 2), nullptr);
    Proto2Params other = {1500, 3, 1, 8, 6};
    EXPECT_EQ(file_find_proto2_by_dlpd(&other, 1), nullptr);
    Proto2Params zero = {0, 0, 0, 0, 0};
    EXPECT_EQ(file_find_proto2_by_dlpd(&zero, 255), &s2_protocols[2]);

    Proto3Params p3 = {{0, 0, 0, 0, 0, 0}, 8};
    EXPECT_EQ(file_find_proto3_by_ncpd(&p3, 1), &s3_protocols[1]);
    EXPECT_EQ(file_find_proto3_by_ncpd(&p3, 7), nullptr);
    p3.param_words[5] = 1;
    EXPECT_EQ(file_find_proto3_by_ncpd(&p3, 1), nullptr);
    p3.param_words[5] = 0;
    p3.param_byte = 7;
    EXPECT_EQ(file_find_proto3_by_ncpd(&p3, 4), nullptr);
    EXPECT_EQ(file_find_proto3_by_ncpd(nullptr, 4), nullptr);
}

TEST_F(ProtocolsTest, AMissingFileLeavesTheBuiltInRows)
{
    EXPECT_EQ(file_read_protocols(&line_, &column_), 1);
    EXPECT_EQ(line_, 0);
    EXPECT_EQ(column_, 0);
    EXPECT_EQ(no_s2_protocols, 3);
}

// A file that is there but cannot be read must not pass for a missing one:
// the site's definitions would silently be gone.
TEST_F(ProtocolsTest, AFileThatCannotBeReadIsAFault)
{
    struct Case {
        const char* name;
        const char* setup;  // shell commands in the data directory
        int result;
    };
    const Case cases[] = {
        {"a directory", "mkdir qorvel.pro", 0},
        {"a link to itself", "ln -s qorvel.pro qorvel.pro", 0},
        {"a link to nothing", "ln -s gone qorvel.pro", 1},
        // Read as text, these never end or never come.
        {"a link to /dev/zero", "ln -s /dev/zero qorvel.pro", 0},
        {"a FIFO without a writer", "mkfifo qorvel.pro", 0},
    };
    file_echo_errors = 1;
    for (const Case& c : cases) {
        const std::string setup = "cd '" + dir_.path() + "' && rm -rf qorvel.pro && " + c.setup;
        ASSERT_EQ(std::system(setup.c_str()), 0) << c.name;
        line_ = column_ = -1;
        testing::internal::CaptureStdout();
        EXPECT_EQ(file_read_protocols(&line_, &column_), c.result) << c.name;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "")
            << c.name << ": there is no line to show";
        EXPECT_EQ(line_, 0) << c.name;
        EXPECT_EQ(column_, 0) << c.name;
        EXPECT_EQ(no_s2_protocols, 3) << c.name;
    }
    ASSERT_EQ(std::system(("rm -rf '" + dir_.path() + "/qorvel.pro'").c_str()), 0);
}

TEST_F(ProtocolsTest, CommentsBlankLinesAndADefinition)
{
    ASSERT_EQ(read("# site definitions\n\n   \t \n2:myx75 base=x75 windowsize=3\n"), 1);
    ASSERT_EQ(no_s2_protocols, 4);
    expect_row(s2_protocols[3], "myx75", 1, 1500, 3, 1, 8, 3);
    EXPECT_EQ(line_, 4);
    EXPECT_EQ(column_, 0);
}

TEST_F(ProtocolsTest, EveryKeywordAndTheNumberBases)
{
    ASSERT_EQ(read("2:FastX75 base=X75 blocksize=0x5dc addr_a=010 addr_b=255 modulo=128 "
                   "windowsize=127 windowsize=100\n"
                   "2:small base=x75 blocksize=0 addr_a=1 addr_b=0X2 modulo=8 windowsize=1"),
              1);
    ASSERT_EQ(no_s2_protocols, 5);
    expect_row(s2_protocols[3], "fastx75", 1, 1500, 8, 255, 128, 100);  // later setting wins
    expect_row(s2_protocols[4], "small", 1, 0, 1, 2, 8, 1);
}

TEST_F(ProtocolsTest, ADefinitionMayStartFromAnEarlierOne)
{
    ASSERT_EQ(read("2:x75fast base=x75 windowsize=2\n2:x75big base=x75fast blocksize=4096\n"), 1);
    ASSERT_EQ(no_s2_protocols, 5);
    expect_row(s2_protocols[4], "x75big", 1, 4096, 3, 1, 8, 2);
}

TEST_F(ProtocolsTest, RereadingStartsAgainFromTheBuiltInRows)
{
    ASSERT_EQ(read("2:one base=x75 windowsize=2\n"), 1);
    ASSERT_EQ(no_s2_protocols, 4);
    ASSERT_EQ(read("2:two base=x75 windowsize=3\n"), 1);
    ASSERT_EQ(no_s2_protocols, 4);
    EXPECT_STREQ(s2_protocols[3].name, "two");
    EXPECT_EQ(file_find_proto2_by_name("one"), nullptr);
}

struct FaultCase {
    const char* what;
    const char* text;
    int line;
    int column;
};

std::ostream& operator<<(std::ostream& os, const FaultCase& c)
{
    return os << c.what;
}

class ProtocolFault : public ProtocolsTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(ProtocolFault, StopsAtTheFirstFaultWithItsLineAndColumn)
{
    const FaultCase& c = GetParam();
    EXPECT_EQ(read(c.text), 0) << c.what;
    EXPECT_EQ(line_, c.line) << c.what;
    EXPECT_EQ(column_, c.column) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProtocolFault,
    ::testing::Values(
        // the name token
        FaultCase{"too short", "2:\n", 1, 1},
        FaultCase{"layer 4", "4:abc base=x75 windowsize=3\n", 1, 1},
        FaultCase{"no colon", "2-abc base=x75 windowsize=3\n", 1, 1},
        FaultCase{"indented", "# c\n   2-abc base=x75\n", 2, 4},
        FaultCase{"built-in name", "2:x75 base=x75 windowsize=3\n", 1, 1},
        FaultCase{"built-in name in capitals", "2:HDLC base=x75 windowsize=3\n", 1, 1},
        FaultCase{"defined twice", "2:abc base=x75 windowsize=3\n2:abc base=x75 windowsize=2\n", 2,
                  1},
        FaultCase{"same stored name",
                  "2:abcdefghijkXX base=x75 windowsize=3\n"
                  "2:abcdefghijkYY base=x75 windowsize=2\n",
                  2, 1},
        FaultCase{"layer-3 built-in name", "3:null base=null\n", 1, 1},
        // the base token
        FaultCase{"missing base", "2:abc\n", 1, 6},
        FaultCase{"missing base, blanks", "2:abc   \n", 1, 9},
        FaultCase{"missing base, last line", "2:abc", 1, 6},
        FaultCase{"base too short", "2:abc base=\n", 1, 7},
        FaultCase{"base too long", "2:abc base=x75abcdefghij\n", 1, 7},
        FaultCase{"not base=", "2:abc bass=x75\n", 1, 7},
        FaultCase{"unknown base", "2:abc base=x25\n", 1, 7},
        FaultCase{"base not a row", "2:abc base=x75y\n", 1, 7},
        FaultCase{"row not of a base", "2:abc base=x75 windowsize=2\n2:def base=abc\n", 2, 7},
        FaultCase{"tab counts one column", "2:abc\tbase=x25\n", 1, 7},
        // keyword settings
        FaultCase{"blocksize too big", "2:abc base=x75 blocksize=65536\n", 1, 16},
        FaultCase{"addr_a zero", "2:abc base=x75  addr_a=0\n", 1, 17},
        FaultCase{"addr_b too big", "2:abc base=x75 addr_b=256\n", 1, 16},
        FaultCase{"modulo neither 8 nor 128", "2:abc base=x75 modulo=16\n", 1, 16},
        FaultCase{"windowsize zero", "2:abc base=x75 windowsize=0\n", 1, 16},
        FaultCase{"windowsize too big", "2:abc base=x75 modulo=128 windowsize=128\n", 1, 27},
        FaultCase{"unknown keyword", "2:abc base=x75 window=3\n", 1, 16},
        FaultCase{"keyword not followed by =", "2:abc base=x75 blocksizes=100\n", 1, 16},
        FaultCase{"keyword then another sign", "2:abc base=x75 blocksize:100\n", 1, 16},
        FaultCase{"keyword then the number", "2:abc base=x75 windowsize03\n", 1, 16},
        FaultCase{"keyword in capitals", "2:abc base=x75 Blocksize=100\n", 1, 16},
        FaultCase{"nothing after =", "2:abc base=x75 blocksize=\n", 1, 16},
        FaultCase{"blank after =", "2:abc base=x75 blocksize= 100\n", 1, 16},
        FaultCase{"sign", "2:abc base=x75 blocksize=-1\n", 1, 16},
        FaultCase{"plus sign", "2:abc base=x75 blocksize=+100\n", 1, 16},
        FaultCase{"trailing text", "2:abc base=x75 blocksize=100k\n", 1, 16},
        FaultCase{"huge number", "2:abc base=x75 blocksize=184467440737095516170\n", 1, 16},
        FaultCase{"huge hex number", "2:abc base=x75 blocksize=0x100000000000000005dc\n", 1, 16},
        FaultCase{"bare 0x", "2:abc base=x75 blocksize=0x\n", 1, 16},
        FaultCase{"not octal", "2:abc base=x75 blocksize=09\n", 1, 16},
        FaultCase{"hdlc takes no keyword", "2:abc base=hdlc blocksize=100\n", 1, 17},
        FaultCase{"ppp takes no keyword", "2:abc base=ppp modulo=8\n", 1, 16},
        FaultCase{"fault after good settings", "2:abc base=x75 windowsize=3 addr_a=300\n", 1, 29},
        // definitions refused as a whole
        FaultCase{"window not below modulo", "2:abc base=x75 windowsize=8\n", 1, 0},
        FaultCase{"repeats x75", "2:abc base=x75\n", 1, 0},
        FaultCase{"repeats x75 by its values", "2:abc base=x75 blocksize=1500 modulo=8\n", 1, 0},
        FaultCase{"repeats an earlier definition",
                  "2:abc base=x75 windowsize=3\n2:def base=x75 windowsize=3\n", 2, 0},
        FaultCase{"hdlc base", "2:abc base=hdlc\n", 1, 0},
        FaultCase{"ppp base", "\n\n2:abc base=ppp\n", 3, 0},
        FaultCase{"layer 3", "3:abc base=null\n", 1, 0},
        FaultCase{"layer 3 with settings", "3:abc base=null windowsize=3\n", 1, 0}));

TEST_F(ProtocolsTest, RowsBeforeAFaultStay)
{
    ASSERT_EQ(read("2:good base=x75 windowsize=3\n2:bad base=x75 windowsize=9\n2:late base=x75 "
                   "windowsize=4\n"),
              0);
    EXPECT_EQ(line_, 2);
    ASSERT_EQ(no_s2_protocols, 4);
    EXPECT_STREQ(s2_protocols[3].name, "good");
}

TEST_F(ProtocolsTest, ALongNameIsStoredCutToElevenCharacters)
{
    ASSERT_EQ(read("2:abcdefghijklmnop base=x75 windowsize=3\n"), 1);
    EXPECT_STREQ(s2_protocols[3].name, "abcdefghijk");
    EXPECT_EQ(file_proto2_index("abcdefghijk"), 4);
    // A name that would be stored as an existing one is refused, so every
    // row keeps a name of its own.
    ASSERT_EQ(read("2:abcdefghijk base=x75 windowsize=3\n2:abcdefghijk-2 base=x75 windowsize=2\n"),
              0);
    EXPECT_EQ(line_, 2);
    EXPECT_EQ(column_, 1);
}

std::string definitions(int n)
{
    std::string text;
    for (int i = 1; i <= n; ++i) {
        text += "2:d" + std::to_string(i) + " base=x75 blocksize=" + std::to_string(i) + "\n";
    }
    return text;
}

TEST_F(ProtocolsTest, SeventeenDefinitionsFillTheTable)
{
    ASSERT_EQ(read(definitions(17)), 1);
    EXPECT_EQ(no_s2_protocols, MAX_PROTO_ROWS);
    EXPECT_STREQ(s2_protocols[MAX_PROTO_ROWS - 1].name, "d17");

    EXPECT_EQ(read("# full\n" + definitions(18)), 0);
    EXPECT_EQ(line_, 19);
    EXPECT_EQ(column_, 1);
    EXPECT_EQ(no_s2_protocols, MAX_PROTO_ROWS);
}

TEST_F(ProtocolsTest, TheSecondPieceOfAnOverlongLineIsALineOfItsOwn)
{
    std::string first = "2:long base=x75 windowsize=3";
    first.resize(FILE_LINE_MAX, ' ');
    ASSERT_EQ(read(first + "blocksize=7\n"), 0);
    EXPECT_EQ(line_, 2);
    EXPECT_EQ(column_, 1);
    EXPECT_STREQ(s2_protocols[3].name, "long");
}

// No definition file holds a NUL byte: it is a fault at its column, in a
// comment too, and a file of NULs ends at its first line.
TEST_F(ProtocolsTest, ANulByteIsAFaultAtItsColumn)
{
    struct Case {
        const char* name;
        std::string text;
        int line;
        int column;
        int rows;  // layer-2 rows afterwards
        std::string echo;
    };
    const Case cases[] = {
        {"in a definition", "2:a base=x75 windowsize=3\n2:b ba\0se=x75 windowsize=4\n"s, 2, 7, 4,
         "2:b ba\n______^\n"},
        {"in a comment", "# site\0\n2:a base=x75 windowsize=3\n"s, 1, 7, 3, "# site\n______^\n"},
        {"a file of NULs", std::string(100000, '\0'), 1, 1, 3, "^\n"},
    };
    file_echo_errors = 1;
    for (const Case& c : cases) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(read(c.text), 0) << c.name;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.echo) << c.name;
        EXPECT_EQ(line_, c.line) << c.name;
        EXPECT_EQ(column_, c.column) << c.name;
        EXPECT_EQ(no_s2_protocols, c.rows) << c.name;
    }
}

struct EchoCase {
    const char* text;
    const char* output;
};

std::ostream& operator<<(std::ostream& os, const EchoCase& c)
{
    return os << c.text;
}

class ProtocolEcho : public ProtocolsTest, public ::testing::WithParamInterface<EchoCase> {};

TEST_P(ProtocolEcho, EchoesTheFaultyLineWithAMarkerUnderTheColumn)
{
    file_echo_errors = 1;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(read(GetParam().text), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProtocolEcho,
    ::testing::Values(EchoCase{"# ok\n2:abc\tbase=x25\n", "2:abc base=x25\n______^\n"},
                      EchoCase{"2:x75 base=x75\n", "2:x75 base=x75\n^\n"},
                      EchoCase{"2:abc base=x75 windowsize=9\n", "2:abc base=x75 windowsize=9\n^\n"},
                      EchoCase{"2:abc base=x75 modulo=7",
                               "2:abc base=x75 modulo=7\n_______________^\n"},
                      // Planted control bytes are shown escaped, the marker
                      // under the column as shown; a CRLF line end is no text.
                      EchoCase{"2:\x1b]2;owned\x07 base=x25\r\n",
                               "2:\\x1b]2;owned\\x07 base=x25\n___________________^\n"},
                      EchoCase{"# ok\r\n\x1b[2J\x1b[H\r\n", "\\x1b[2J\\x1b[H\n^\n"},
                      EchoCase{"2:\xff\xfe base=x75 modulo=7\r\n",
                               "2:\\xff\\xfe base=x75 modulo=7\n____________________^\n"}));

// A definition file saved with CRLF line ends defines the same rows.
TEST_F(ProtocolsTest, CrlfLineEndsReadAsLineEnds)
{
    EXPECT_EQ(read("# site\r\n\r\n2:myx75 base=x75 windowsize=3\r\n2:big base=x75 modulo=128 "
                   "windowsize=127\r\n"),
              1);
    ASSERT_EQ(no_s2_protocols, 5);
    expect_row(s2_protocols[3], "myx75", 1, 1500, 3, 1, 8, 3);
    expect_row(s2_protocols[4], "big", 1, 1500, 3, 1, 128, 127);
    EXPECT_EQ(read("# site\r\n2:abc base=x75 windowsize=3 x\r\n"), 0);
    EXPECT_EQ(line_, 2);
    EXPECT_EQ(column_, 29);
}

TEST_F(ProtocolsTest, NoEchoWhileTheSwitchIsOff)
{
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(read("2:abc base=x25\n"), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

// ------------------------------------------------------ "qorvel.add" ---

LineTarget* target(Proto2Def* row, uint32_t code, Proto2Params params)
{
    LineTarget* lt = static_cast<LineTarget*>(myutil_malloc(sizeof(LineTarget)));
    lt->proto2 = row;
    lt->proto2_code = code;
    lt->proto2_params = params;
    return lt;
}

class WriteProtocols : public ProtocolsTest {
protected:
    void SetUp() override
    {
        list_init();
        lines_ = listhelp_new_line_list();
    }
    void TearDown() override
    {
        lines_->ops->list_destroy(lines_);
        ProtocolsTest::TearDown();
    }
    void add(Proto2Def* row, uint32_t code, Proto2Params p)
    {
        lines_->ops->list_append(lines_, target(row, code, p));
    }
    ListObject* lines_ = nullptr;
};

TEST_F(WriteProtocols, IdenticalUndefinedSetsAreWrittenOnce)
{
    add(&s2_protocols[0], 1, {1500, 3, 1, 8, 7});
    add(nullptr, 1, {2048, 3, 1, 8, 2});
    add(nullptr, 1, {2048, 3, 1, 8, 2});
    add(nullptr, 255, {0, 0, 0, 0, 0});
    int flag = -1;
    EXPECT_EQ(file_write_protocols(lines_, &flag), 1);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(dir_.read("qorvel.add"),
              "2:x75_1 base=x75 blocksize=2048 addr_a=3 addr_b=1 modulo=8 windowsize=2\n");
}

TEST_F(WriteProtocols, DistinctSetsAreNumberedInListOrder)
{
    add(nullptr, 1, {1024, 1, 3, 128, 100});
    add(nullptr, 1, {2048, 3, 1, 8, 2});
    add(nullptr, 1, {1024, 1, 3, 128, 100});
    add(nullptr, 1, {1024, 1, 3, 128, 99});
    int flag = -1;
    EXPECT_EQ(file_write_protocols(lines_, &flag), 1);
    EXPECT_EQ(dir_.read("qorvel.add"),
              "2:x75_1 base=x75 blocksize=1024 addr_a=1 addr_b=3 modulo=128 windowsize=100\n"
              "2:x75_2 base=x75 blocksize=2048 addr_a=3 addr_b=1 modulo=8 windowsize=2\n"
              "2:x75_3 base=x75 blocksize=1024 addr_a=1 addr_b=3 modulo=128 windowsize=99\n");
}

struct NothingToWriteCase {
    const char* what;
    Proto2Def* row;
    uint32_t code;
    Proto2Params params;
    int flag;
};

std::ostream& operator<<(std::ostream& os, const NothingToWriteCase& c)
{
    return os << c.what;
}

class WriteNothing : public WriteProtocols,
                     public ::testing::WithParamInterface<NothingToWriteCase> {};

TEST_P(WriteNothing, LeavesAnExistingFileAlone)
{
    const NothingToWriteCase& c = GetParam();
    dir_.write("qorvel.add", "kept\n");
    add(c.row, c.code, c.params);
    int flag = -1;
    EXPECT_EQ(file_write_protocols(lines_, &flag), 1) << c.what;
    EXPECT_EQ(flag, c.flag) << c.what;
    EXPECT_EQ(dir_.read("qorvel.add"), "kept\n") << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WriteNothing,
    ::testing::Values(NothingToWriteCase{"defined", &s2_protocols[1], 2, {1500, 0, 0, 0, 0}, 0},
                      NothingToWriteCase{"undefined ppp", nullptr, 255, {0, 0, 0, 0, 0}, 1},
                      NothingToWriteCase{"undefined hdlc", nullptr, 2, {1500, 3, 1, 8, 2}, 1},
                      NothingToWriteCase{"modulo 16", nullptr, 1, {1500, 3, 1, 16, 2}, 1},
                      NothingToWriteCase{"window 0", nullptr, 1, {1500, 3, 1, 8, 0}, 1},
                      NothingToWriteCase{"window = modulo", nullptr, 1, {1500, 3, 1, 8, 8}, 1}));

TEST_F(WriteProtocols, AnEmptyListNeedsNoFile)
{
    int flag = -1;
    EXPECT_EQ(file_write_protocols(lines_, &flag), 1);
    EXPECT_EQ(flag, 0);
    EXPECT_FALSE(dir_.exists("qorvel.add"));
    EXPECT_EQ(file_write_protocols(list_object_instance, &flag), 1);
    EXPECT_EQ(flag, 0);
}

TEST_F(WriteProtocols, AnOldFileIsReplaced)
{
    dir_.write("qorvel.add", "2:x75_1 base=x75 old contents that are longer than the new ones\n");
    add(nullptr, 1, {100, 3, 1, 8, 2});
    int flag = 0;
    EXPECT_EQ(file_write_protocols(lines_, &flag), 1);
    EXPECT_EQ(dir_.read("qorvel.add"),
              "2:x75_1 base=x75 blocksize=100 addr_a=3 addr_b=1 modulo=8 windowsize=2\n");
}

TEST_F(WriteProtocols, AFileThatCannotBeCreatedFailsButStillSetsTheFlag)
{
    setenv("QORVEL_PATH", (dir_.path() + "/missing").c_str(), 1);
    add(nullptr, 1, {100, 3, 1, 8, 2});
    int flag = 0;
    EXPECT_EQ(file_write_protocols(lines_, &flag), 0);
    EXPECT_EQ(flag, 1);
}

TEST_F(WriteProtocols, TheWrittenDefinitionsReadBackAsDefinitions)
{
    add(nullptr, 1, {2048, 3, 1, 8, 2});
    add(nullptr, 1, {512, 1, 3, 128, 127});
    int flag = 0;
    ASSERT_EQ(file_write_protocols(lines_, &flag), 1);
    dir_.write("qorvel.pro", dir_.read("qorvel.add"));
    ASSERT_EQ(file_read_protocols(&line_, &column_), 1);
    ASSERT_EQ(no_s2_protocols, 5);
    Proto2Params p = {512, 1, 3, 128, 127};
    EXPECT_EQ(file_find_proto2_by_dlpd(&p, 1), &s2_protocols[4]);
    EXPECT_STREQ(s2_protocols[4].name, "x75_2");
}

}  // namespace
