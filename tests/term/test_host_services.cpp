// The host services and polls: error texts and the end of the program, the
// socket watch, the keyboard reader.
#include <gtest/gtest.h>

#include <ostream>

#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "globals.h"
#include "host_services.h"
#include "list.h"
#include "router_actions.h"
#include "terminal.h"
#include "timers.h"

namespace {

struct MessageCase {
    int code;
    const char* english;
    const char* german;
};

void PrintTo(const MessageCase& c, std::ostream* os)
{
    *os << "code" << c.code;
}

class ErrorMessage : public ::testing::TestWithParam<MessageCase> {};

TEST_P(ErrorMessage, BothLanguages)
{
    English = 1;
    EXPECT_EQ(ASCIIErrorMessage(GetParam().code), GetParam().english);
    English = 0;
    EXPECT_EQ(ASCIIErrorMessage(GetParam().code), GetParam().german);
    English = 1;
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ErrorMessage,
    ::testing::Values(
        MessageCase{1, "Error: wrong message at this moment\n",
                    "Fehler: Nachricht in diesem Zustand unerwartet\n"},
        MessageCase{3, "Error: Wrong Password\n", "Fehler: Falsches Passwort\n"},
        MessageCase{11, "Error: table full\n", "Fehler: Tabelle voll\n"},
        MessageCase{14, "Error: Error During Reset\n", "Fehler: Reset ist fehlgeschlagen\n"},
        MessageCase{8777, "Error: protocol violation\n", "Fehler: Protokollverletzung\n"},
        MessageCase{8888, "Error: no receipt from remote station\n",
                    "Fehler: Keine Quittung empfangen\n"},
        MessageCase{8999, "error: currently no data transfer possible\n",
                    "Fehler: Zur Zeit koennen keine Daten gesendet werden\n"},
        MessageCase{0, "Internal error (0)!\n", "Fehler 0 augetreten!\n"},
        MessageCase{15, "Internal error (15)!\n", "Fehler 15 augetreten!\n"},
        MessageCase{9999, "Internal error (9999)!\n", "Fehler 9999 augetreten!\n"},
        MessageCase{-1, "Internal error (-1)!\n", "Fehler -1 augetreten!\n"},
        MessageCase{111, "Internal error (111)!\n", "Fehler 111 augetreten!\n"}));

using MainErrorDeathTest = ::testing::Test;

TEST(MainErrorDeathTest, WritesTheTextAndAbortsWithStatusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASCIIResetGlobals();
    EXPECT_EXIT(main_error(11), ::testing::ExitedWithCode(1), "^Error: table full\nAbort...\n$");
    English = 0;
    EXPECT_EXIT(main_error(8888), ::testing::ExitedWithCode(1),
                "^Fehler: Keine Quittung empfangen\nProgramm wird abgebrochen...\n$");
    English = 1;
}

TEST(MainErrorDeathTest, WithoutTablesNothingIsSaved)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASCIIResetGlobals();
    ASCIIDLInP = 1;
    EXPECT_EXIT(main_error(9999), ::testing::ExitedWithCode(1),
                "^Internal error \\(9999\\)!\nAbort...\n$");
}

// Outside the dialogue's actions the tables read are still safe in their
// router (for linetarget the lists even hold the file's tables): a failure
// must not overwrite the emergency copy with them.
TEST(MainErrorDeathTest, TablesOutsideTheActionsAreNotSaved)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASCIIResetGlobals();
    list_init();
    main_line_list = listhelp_new_line_list();
    main_route_list = listhelp_new_route_list();
    main_filter_list = listhelp_new_filter_list();
    for (int program :
         {ASCII_OP_ACCOUNTING, ASCII_OP_LINETARGET, ASCII_OP_SAVECONFIG, ASCII_OP_ROUTERCONFIG}) {
        ASCIIProgram = program;
        ASCIIDLInP = 0;
        EXPECT_EXIT(main_error(11), ::testing::ExitedWithCode(1), "^Error: table full\nAbort...\n$")
            << program;
    }
}

// A failure in the middle of a download: the progress line is ended before
// the error, and the router may be left without its configuration.
TEST(MainErrorDeathTest, FailureDuringADownloadEndsTheProgressLineAndSaysWhatIsLeft)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASCIIResetGlobals();
    ASCIIResetActions();
    ASCIIProgram = ASCII_OP_ROUTERCONFIG;
    ASCIIDLInP = 1;
    ASCIIDoDownLoad = 1;
    ASCIIDoDownLoadF = 0;
    EXPECT_EXIT(
        {
            ASCIIGetPCB(38);
            main_error(8888);
        },
        ::testing::ExitedWithCode(1),
        "^\r 38 %\nError: no receipt from remote station\n"
        "The router may be left without configuration\nAbort...\n$");
}

int socket_calls = 0;
void on_socket()
{
    ++socket_calls;
    char buffer[64];
    // Takes one datagram's worth, as the back end's reader does.
    (void)!read(ASCIISocketFd, buffer, 4);
}
int other_calls = 0;
void on_other()
{
    ++other_calls;
}

class Polls : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASCIIResetGlobals();
        ASSERT_EQ(pipe(socket_), 0);
        ASSERT_EQ(pipe(keys_), 0);
        socket_calls = other_calls = 0;
        ASCIIUseTerminal(keys_[0]);
    }
    void TearDown() override
    {
        main_register(nullptr, -1);
        ASCIIUseTerminal(-1);
        for (int fd : {socket_[0], socket_[1], keys_[0], keys_[1]})
            if (fd >= 0)
                close(fd);
        ASCIIClearTimers();
    }
    void keys(const std::string& text)
    {
        ASSERT_EQ(write(keys_[1], text.data(), text.size()), ssize_t(text.size()));
    }
    int socket_[2];
    int keys_[2];
};

TEST_F(Polls, SocketCallbackRunsOnlyWhenSomethingWaits)
{
    main_register(on_socket, socket_[0]);
    EXPECT_EQ(ASCIIDoConnectRead(), 0);
    ASSERT_EQ(write(socket_[1], "abcd", 4), 4);
    EXPECT_EQ(ASCIIDoConnectRead(), 1);
    EXPECT_EQ(ASCIIDoConnectRead(), 0);
    EXPECT_EQ(socket_calls, 1);
}

TEST_F(Polls, SecondRegistrationReplacesTheFirst)
{
    int second[2];
    ASSERT_EQ(pipe(second), 0);
    main_register(on_socket, socket_[0]);
    main_register(on_other, second[0]);
    ASSERT_EQ(write(socket_[1], "abcd", 4), 4);
    EXPECT_EQ(ASCIIDoConnectRead(), 0);
    ASSERT_EQ(write(second[1], "x", 1), 1);
    EXPECT_EQ(ASCIIDoConnectRead(), 1);
    EXPECT_EQ(other_calls, 1);
    EXPECT_EQ(socket_calls, 0);
    close(second[0]);
    close(second[1]);
}

TEST_F(Polls, ClosedSocketDescriptorIsNotReportedReady)
{
    int gone[2];
    ASSERT_EQ(pipe(gone), 0);
    close(gone[0]);
    close(gone[1]);
    main_register(on_other, gone[0]);
    EXPECT_EQ(ASCIIDoConnectRead(), 0);
    EXPECT_EQ(other_calls, 0);
}

TEST_F(Polls, KeyboardLines)
{
    EXPECT_FALSE(ASCIIReadKeyboard().has_value()) << "nothing typed: none, at once";
    struct Line {
        const char* typed;
        const char* read;
        int exit;
    };
    const Line lines[] = {{"hello\n", "hello", 0},
                          {"\n", "", 0},
                          {"Quit\n", "Quit", 0},
                          {"quit \n", "quit ", 0},
                          {"quit\n", "quit", 1}};
    for (const Line& l : lines) {
        keys(l.typed);
        std::optional<std::string> got = ASCIIReadKeyboard();
        ASSERT_TRUE(got.has_value()) << l.typed;
        EXPECT_EQ(*got, l.read);
        EXPECT_EQ(ASCIIExit, l.exit) << l.typed;
    }
}

TEST_F(Polls, OverlongLineArrivesInPiecesWithoutLosingACharacter)
{
    std::string line(12000, 'x');
    line[10238] = 'A';
    line[10239] = 'B';
    keys(line + "\n");
    std::optional<std::string> first = ASCIIReadKeyboard();
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->size(), 10239u);
    EXPECT_EQ(first->back(), 'A');
    std::optional<std::string> rest = ASCIIReadKeyboard();
    ASSERT_TRUE(rest.has_value());
    EXPECT_EQ(rest->size(), 12000u - 10239u);
    EXPECT_EQ(rest->front(), 'B');
}

TEST_F(Polls, EndOfInputEndsTheRunCleanly)
{
    close(keys_[1]);
    keys_[1] = -1;
    EXPECT_FALSE(ASCIIReadKeyboard().has_value());
    EXPECT_EQ(ASCIIExit, 1);
    EXPECT_EQ(ASCIIExitStatus, 0);
}

TEST_F(Polls, NoTerminalIsNeverPolled)
{
    ASCIIUseTerminal(-1);
    EXPECT_FALSE(ASCIIReadKeyboard().has_value());
    EXPECT_EQ(ASCIIExit, 0);
}

int ticks = 0;
void on_tick()
{
    ++ticks;
}

TEST_F(Polls, AddTimerIsPeriodic)
{
    static int64_t now = 0;
    ASCIISetTimerClock([] { return now; }, 1000);
    ticks = 0;
    EXPECT_EQ(main_add_timer(on_tick, 1), 1);
    for (int second = 1; second <= 3; ++second) {
        now += 1000;
        ASCIIReadTimer();
    }
    EXPECT_EQ(ticks, 3);
}

TEST_F(Polls, WaitReturnsWhenTheTerminalHasInput)
{
    keys("x\n");
    auto start = ASCIIClockNow();
    ASCIIWaitForEvents(5000);
    EXPECT_LT(ASCIIClockNow() - start, 1000);
}

TEST_F(Polls, WaitIsBoundedByTheNextTimer)
{
    ASCIISetTimer(0.05, 0, nullptr);
    auto start = ASCIIClockNow();
    ASCIIWaitForEvents(5000);
    auto waited = ASCIIClockNow() - start;
    EXPECT_GE(waited, 40);
    EXPECT_LT(waited, 1000);
}

}  // namespace
