// Line reader, tokenizer, echo of a faulty line and data-file paths.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "textfile.h"

namespace {

// A file holding `text`, read through the real stdio path.
class TextFile {
public:
    explicit TextFile(const std::string& text) : f_(std::tmpfile()) {
        std::fwrite(text.data(), 1, text.size(), f_);
        std::rewind(f_);
    }
    ~TextFile() { std::fclose(f_); }
    FILE* get() const { return f_; }

private:
    FILE* f_;
};

std::vector<std::string> all_lines(const std::string& text) {
    TextFile file(text);
    std::vector<std::string> out;
    while (const char* line = file_read_line(file.get())) out.push_back(line);
    return out;
}

using Lines = std::vector<std::string>;

TEST(FileReadLine, KeepsTheNewlineAndTurnsTabsIntoBlanks) {
    EXPECT_EQ(all_lines("a\tb\n\n  x\t\t\ny"), (Lines{"a b\n", "\n", "  x  \n", "y"}));
    EXPECT_EQ(all_lines(""), Lines{});
    EXPECT_EQ(file_read_line(nullptr), nullptr);
}

TEST(FileReadLine, ALongLineComesInPiecesOfAtMost1023Characters) {
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
    EXPECT_EQ(all_lines(std::string(1023, 'c') + "\n"),
              (Lines{std::string(1023, 'c'), "\n"}));
}

struct TokenCase {
    const char* text;
    const char* token;
    int start;  // offset of *start in text
    int rest;   // offset of the result, -1 for none
};

class FileGetToken : public ::testing::TestWithParam<TokenCase> {};

TEST_P(FileGetToken, FindsTheNextBlankDelimitedWord) {
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

INSTANTIATE_TEST_SUITE_P(Cases, FileGetToken,
                         ::testing::Values(TokenCase{"word", "word", 0, 4},
                                           TokenCase{"  two words\n", "two", 2, 5},
                                           TokenCase{" \t tab\tsep", "tab", 3, 6},
                                           TokenCase{"last\n", "last", 0, 4},
                                           TokenCase{"a=b,c;d x", "a=b,c;d", 0, 7},
                                           TokenCase{"", "", 0, -1},
                                           TokenCase{"\n", "", 0, -1},
                                           TokenCase{"    \n", "", 4, -1},
                                           TokenCase{" \t ", "", 3, -1}));

TEST(FileGetTokenWalk, SuccessiveCallsGiveEveryTokenThenNone) {
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

TEST(FileGetTokenWalk, ANullTextGivesAnEmptyTokenAndNone) {
    char token[8] = "junk";
    const char* start = "x";
    EXPECT_EQ(file_get_token(nullptr, token, &start), nullptr);
    EXPECT_STREQ(token, "");
    EXPECT_EQ(start, nullptr);
}

TEST(FileGetTokenWalk, ATokenLongerThanItsBufferIsCutButSkippedWhole) {
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

TEST(FileLower, LowersInPlaceAndLeavesOtherCharacters) {
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

TEST_P(FileEchoFault, PrintsTheLineAndAMarkerUnderTheColumn) {
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
                      EchoCase{nullptr, 0, '-', "^\n"}));

TEST(FileEchoFaultOff, PrintsNothingWhileTheSwitchIsOff) {
    EXPECT_EQ(file_echo_errors, 0) << "off by default";
    ::testing::internal::CaptureStdout();
    file_echo_fault("line\n", 3, '_');
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

TEST(FileDataPath, JoinsTheDataDirectoryOrUsesTheBareName) {
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
