// Line reader, tokenizer, echo of a faulty line and data-file paths.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "temp_dir.h"
#include "textfile.h"

namespace {

using namespace std::string_literals;

// A file holding `text`, read through the real stdio path.
class TextFile {
public:
    explicit TextFile(const std::string& text) : f_(std::tmpfile())
    {
        std::fwrite(text.data(), 1, text.size(), f_);
        std::rewind(f_);
    }
    ~TextFile() { std::fclose(f_); }
    FILE* get() const { return f_; }

private:
    FILE* f_;
};

std::vector<std::string> all_lines(const std::string& text)
{
    TextFile file(text);
    std::vector<std::string> out;
    while (const char* line = file_read_line(file.get()))
        out.push_back(line);
    return out;
}

using Lines = std::vector<std::string>;

TEST(FileReadLine, KeepsTheNewlineAndTurnsTabsIntoBlanks)
{
    EXPECT_EQ(all_lines("a\tb\n\n  x\t\t\ny"), (Lines{"a b\n", "\n", "  x  \n", "y"}));
    EXPECT_EQ(all_lines(""), Lines{});
    EXPECT_EQ(file_read_line(nullptr), nullptr);
}

TEST(FileReadLine, ALongLineComesInPiecesOfAtMost1023Characters)
{
    std::string long_line(1500, 'a');
    long_line[1022] = 'b';  // last character of the first piece
    Lines lines = all_lines(long_line + "\nnext\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].size(), 1023u);
    EXPECT_EQ(lines[0].back(), 'b');
    EXPECT_EQ(lines[1], std::string(477, 'a') + "\n");
    EXPECT_EQ(lines[2], "next\n");

    // A line of exactly 1023 characters and its newline: the newline is a
    // piece of its own.
    EXPECT_EQ(all_lines(std::string(1023, 'c') + "\n"), (Lines{std::string(1023, 'c'), "\n"}));
}

// A CR just before a line end is part of it, so a file written with CRLF
// line ends gives the same lines (and line numbers and columns) as one with
// LF; a CR anywhere else is text.
TEST(FileReadLine, TakesACarriageReturnBeforeTheLineEndAsPartOfIt)
{
    const struct {
        const char* name;
        std::string text;
        Lines lines;
    } cases[] = {
        {"CRLF lines", "a\tb\r\nc\r\n", {"a b\n", "c\n"}},
        {"empty CRLF lines count", "\r\n\r\nx\r\n", {"\n", "\n", "x\n"}},
        {"CR before the end of the file", "x\r\ny\r", {"x\n", "y"}},
        {"only a CR after the last line", "x\n\r", {"x\n"}},
        {"a CR inside a line stays", "a\rb\n", {"a\rb\n"}},
        {"only the last CR belongs to the line end", "a\r\r\n", {"a\r\n"}},
        {"a CR alone is no line end", "a\rb\rc", {"a\rb\rc"}},
        {"mixed line ends", "a\nb\r\nc\n", {"a\n", "b\n", "c\n"}},
        {"a full piece ending in the CR of its CRLF",
         std::string(1022, 'a') + "\r\nnext\r\n",
         {std::string(1022, 'a') + "\n", "next\n"}},
        {"a full piece before a CRLF, as before an LF",
         std::string(1023, 'c') + "\r\n",
         {std::string(1023, 'c'), "\n"}},
        {"a full piece ending in a CR that is text",
         std::string(1022, 'a') + "\rb\n",
         {std::string(1022, 'a') + "\r", "b\n"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(all_lines(c.text), c.lines) << c.name;
}

// Where the NUL bytes of a text stand: each piece the reader gives, as the
// text before its first NUL and that NUL's column (0 for none).
struct NulCase {
    const char* name;
    std::string text;
    std::vector<std::pair<std::string, int>> pieces;
};

class FileReadLineNul : public ::testing::TestWithParam<NulCase> {};

TEST_P(FileReadLineNul, ReportsTheColumnOfThePiecesFirstNul)
{
    const NulCase& c = GetParam();
    TextFile file(c.text);
    std::vector<std::pair<std::string, int>> pieces;
    int nul = -1;
    while (const char* line = file_read_line(file.get(), &nul))
        pieces.emplace_back(line, nul);
    EXPECT_EQ(nul, 0) << c.name << ": the end of the file has no NUL";
    EXPECT_EQ(pieces, c.pieces) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileReadLineNul,
    ::testing::Values(NulCase{"no NUL", "a b\nc", {{"a b\n", 0}, {"c", 0}}},
                      NulCase{"in the middle, the piece goes on to its newline",
                              "abc\0def\nnext\n"s,
                              {{"abc", 4}, {"next\n", 0}}},
                      NulCase{"first of several", "\0\0x\0\n"s, {{"", 1}}},
                      NulCase{"after a TAB, which counts one column", "a\tb\0"s, {{"a b", 4}}},
                      NulCase{"a line of NULs comes in pieces like any long line",
                              std::string(1500, '\0'),
                              {{"", 1}, {"", 1}}},
                      NulCase{"in the second piece of a long line",
                              std::string(1023, 'a') + "b\0\n"s,
                              {{std::string(1023, 'a'), 0}, {"b", 2}}}),
    [](const ::testing::TestParamInfo<NulCase>& info) {
        return "Case" + std::to_string(info.index);
    });

TEST(FileReadLineNul, TheOneArgumentFormStillReads)
{
    TextFile file("a\0b\n"s);
    const char* line = file_read_line(file.get());
    ASSERT_NE(line, nullptr);
    EXPECT_STREQ(line, "a");
}

// Which paths open as text: only regular files, and the open never waits.
TEST(FileOpenText, TakesOnlyRegularFiles)
{
    TempDir dir("qorvel-textfile");
    ASSERT_FALSE(dir.path().empty());
    dir.write("plain", "text\n");
    struct Case {
        const char* name;
        const char* setup;  // shell commands in the directory; they make "f"
        int error;          // 0: opens
    };
    const Case cases[] = {
        {"a regular file", "cp plain f", 0},
        {"a link to a regular file", "ln -s plain f", 0},
        {"a missing file", "true", ENOENT},
        {"a directory", "mkdir f", EISDIR},
        {"a link to /dev/zero", "ln -s /dev/zero f", EINVAL},
        {"/dev/null", "ln -s /dev/null f", EINVAL},
        {"a FIFO without a writer", "mkfifo f", EINVAL},
    };
    for (const Case& c : cases) {
        const std::string setup = "cd '" + dir.path() + "' && rm -rf f && " + c.setup;
        ASSERT_EQ(std::system(setup.c_str()), 0) << c.name;
        errno = 0;
        FILE* file = file_open_text(dir.file("f"));
        if (c.error == 0) {
            ASSERT_NE(file, nullptr) << c.name;
            EXPECT_STREQ(file_read_line(file), "text\n") << c.name;
            std::fclose(file);
        } else {
            EXPECT_EQ(file, nullptr) << c.name;
            EXPECT_EQ(errno, c.error) << c.name;
            if (file != nullptr)
                std::fclose(file);
        }
    }
}

struct TokenCase {
    const char* text;
    const char* token;
    int start;  // offset of *start in text
    int rest;   // offset of the result, -1 for none
};

class FileGetToken : public ::testing::TestWithParam<TokenCase> {};

TEST_P(FileGetToken, FindsTheNextBlankDelimitedWord)
{
    const TokenCase& c = GetParam();
    char token[FILE_TOKEN_SIZE];
    std::memset(token, 'z', sizeof token);
    const char* start = nullptr;
    const char* rest = file_get_token(c.text, token, &start);
    EXPECT_STREQ(token, c.token);
    EXPECT_EQ(start - c.text, c.start);
    if (c.rest < 0) {
        EXPECT_EQ(rest, nullptr);
    } else {
        EXPECT_EQ(rest - c.text, c.rest);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileGetToken,
    ::testing::Values(TokenCase{"word", "word", 0, 4}, TokenCase{"  two words\n", "two", 2, 5},
                      TokenCase{" \t tab\tsep", "tab", 3, 6}, TokenCase{"last\n", "last", 0, 4},
                      TokenCase{"a=b,c;d x", "a=b,c;d", 0, 7}, TokenCase{"", "", 0, -1},
                      TokenCase{"\n", "", 0, -1}, TokenCase{"    \n", "", 4, -1},
                      TokenCase{" \t ", "", 3, -1}));

TEST(FileGetTokenWalk, SuccessiveCallsGiveEveryTokenThenNone)
{
    const char* line = "2:name  base=x75\twindowsize=3 \n";
    std::vector<std::string> tokens;
    std::vector<int> columns;
    char token[FILE_TOKEN_SIZE];
    const char* start = nullptr;
    for (const char* p = line; (p = file_get_token(p, token, &start)) != nullptr;) {
        tokens.push_back(token);
        columns.push_back(file_column(line, start));
    }
    EXPECT_EQ(tokens, (std::vector<std::string>{"2:name", "base=x75", "windowsize=3"}));
    EXPECT_EQ(columns, (std::vector<int>{1, 9, 18}));
    EXPECT_EQ(file_column(line, start), 31) << "where the scan stopped: the newline";
}

TEST(FileGetTokenWalk, ANullTextGivesAnEmptyTokenAndNone)
{
    char token[8] = "junk";
    const char* start = "x";
    EXPECT_EQ(file_get_token(nullptr, token, &start), nullptr);
    EXPECT_STREQ(token, "");
    EXPECT_EQ(start, nullptr);
}

TEST(FileGetTokenWalk, ATokenLongerThanItsBufferIsCutButSkippedWhole)
{
    struct {
        char token[8];
        char guard[8];
    } buf;
    std::memset(&buf, 'G', sizeof buf);
    const char* text = "averyveryverylongtoken next";
    const char* rest = file_get_token(text, buf.token, nullptr);
    EXPECT_STREQ(buf.token, "averyve");
    EXPECT_EQ(std::string(buf.guard, sizeof buf.guard), std::string(8, 'G'));
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(rest - text, 22);
    rest = file_get_token(rest, buf.token, nullptr);
    EXPECT_STREQ(buf.token, "next");
}

TEST(FileLower, LowersInPlaceAndLeavesOtherCharacters)
{
    char text[] = "X75-Fast_2:ÄB\n";
    file_lower(text);
    EXPECT_STREQ(text, "x75-fast_2:Äb\n");
    file_lower(nullptr);
}

struct EchoCase {
    const char* line;
    int column;
    char marker;
    const char* output;
};

class FileEchoFault : public ::testing::TestWithParam<EchoCase> {
protected:
    void TearDown() override { file_echo_errors = 0; }
};

TEST_P(FileEchoFault, PrintsTheLineAndAMarkerUnderTheColumn)
{
    const EchoCase& c = GetParam();
    file_echo_errors = 1;
    ::testing::internal::CaptureStdout();
    file_echo_fault(c.line, c.column, c.marker);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.output);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileEchoFault,
    ::testing::Values(EchoCase{"2:abc  bse=x75\n", 7, '_', "2:abc  bse=x75\n______^\n"},
                      EchoCase{"bad line\n", 1, '_', "bad line\n^\n"},
                      EchoCase{"2:abc base=x75\n", 0, '_', "2:abc base=x75\n^\n"},
                      EchoCase{"x 1 2\n", 3, '-', "x 1 2\n--^\n"},
                      EchoCase{"no newline", 4, '-', "no newline\n---^\n"},
                      EchoCase{nullptr, 0, '-', "^\n"},
                      // Bytes that would act on the terminal are shown as
                      // router text is, and the marker follows the shown text.
                      EchoCase{"x\x1b]2;owned\x07 bad\n", 13, '-',
                               "x\\x1b]2;owned\\x07 bad\n------------------^\n"},
                      EchoCase{"\x1b[2J\x1b[H rest\n", 1, '_', "\\x1b[2J\\x1b[H rest\n^\n"},
                      EchoCase{"ab\xff\x80 cd\n", 6, '_', "ab\\xff\\x80 cd\n___________^\n"},
                      EchoCase{"a\rb c\n", 5, '-', "a\\x0db c\n-------^\n"},
                      EchoCase{"a\\b c\n", 5, '-', "a\\\\b c\n-----^\n"},
                      EchoCase{"\x1b x", 4, '-', "\\x1b x\n------^\n"},
                      EchoCase{"\x1b x\n", 5, '_', "\\x1b x\n_______^\n"}));

TEST(FileEchoFaultOff, PrintsNothingWhileTheSwitchIsOff)
{
    EXPECT_EQ(file_echo_errors, 0) << "off by default";
    ::testing::internal::CaptureStdout();
    file_echo_fault("line\n", 3, '_');
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

TEST(FileDataPath, JoinsTheDataDirectoryOrUsesTheBareName)
{
    const char* saved = std::getenv("QORVEL_PATH");
    std::string keep = saved != nullptr ? saved : "";
    unsetenv("QORVEL_PATH");
    EXPECT_EQ(file_data_path("qorvel.pro"), "qorvel.pro");
    setenv("QORVEL_PATH", "", 1);  // names no directory: not the root
    EXPECT_EQ(file_data_path("qorvel.pro"), "qorvel.pro");
    setenv("QORVEL_PATH", "/opt/data", 1);
    EXPECT_EQ(file_data_path("qorvel.pro"), "/opt/data/qorvel.pro");
    std::string deep(3000, 'd');  // no length limit on the directory
    setenv("QORVEL_PATH", deep.c_str(), 1);
    EXPECT_EQ(file_data_path("qorvel.def"), deep + "/qorvel.def");
    if (saved != nullptr) {
        setenv("QORVEL_PATH", keep.c_str(), 1);
    } else {
        unsetenv("QORVEL_PATH");
    }
}

}  // namespace
