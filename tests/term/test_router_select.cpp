// Choosing a router from the list: the prompt, the bounded number, the
// routers that cannot be opened.
#include <gtest/gtest.h>

#include <ostream>

#include <string>
#include <unistd.h>

#include "capture.h"
#include "globals.h"
#include "myutil.h"
#include "router_select.h"
#include "terminal.h"

namespace {

class Selection : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASCIIResetGlobals();
        ASCIIResetSelection();
        myutil_set_config(0x0A4D0001, 0xFFFFFF00, 0);
        ASSERT_EQ(pipe(tty_), 0);
        ASCIIUseTerminal(tty_[0]);
        // Two routers without configuration would be one entry; two entries
        // here: the second has none.
        ASCIIRouterIPs[0] = 0x0A4D0002;
        ASCIIRouterIPs[1] = 0;
        ASCIIRouterHWs[1][5] = 0x42;
        ASCIIRouterExc[1] = 0x0A4D0009;
        ASCIINbR = 2;
        ASCIIRouterOVF = -1;
    }
    void TearDown() override
    {
        ASCIIUseTerminal(-1);
        close(tty_[0]);
        close(tty_[1]);
    }
    int tty_[2];
};

TEST_F(Selection, LinesOutsideTheRangeChangeNothing)
{
    ASCIIProgram = ASCII_OP_ROUTERCONFIG;
    Capture err(2);
    EXPECT_EQ(ASCIIRouterListStep(), 1);
    EXPECT_EQ(ASCIIRouterOVF, 0);
    EXPECT_EQ(ASCIISelectionStep(nullptr), 1);
    for (const char* line :
         {"0", "-1", "", "abc", "3", " 1", "99999999999999999999999", "2147483649"})
        EXPECT_EQ(ASCIISelectionStep(line), 0) << line;
    std::string text = err.text();
    const std::string prompt = "\nSelect router ( 1 - 2 ) --> ";
    ASSERT_GE(text.size(), prompt.size());
    EXPECT_EQ(text.substr(text.size() - prompt.size()), prompt) << "nothing after the prompt";
    EXPECT_EQ(ASCIIWaitState, 0);
}

TEST_F(Selection, UnconfiguredRouterStartsTheDialogueAtOnce)
{
    ASCIIProgram = ASCII_OP_ROUTERCONFIG;
    ASCIIFWS1 = {"2.0"};
    Capture err(2);
    ASCIIRouterListStep();
    ASCIISelectionStep(nullptr);
    EXPECT_EQ(ASCIISelectionStep("2nd please"), 1);
    err.text();
    EXPECT_EQ(ASCIIWaitState, 1);
    EXPECT_EQ(ASCIIRouterConfig, 0);
    EXPECT_EQ(ASCIIRouterName, "0.0.0.0");
    EXPECT_EQ(ASCIIRouterHW[5], 0x42);
    EXPECT_EQ(ASCIIExclusiv, 1);
    EXPECT_EQ(ASCIIExit, 0);
    EXPECT_EQ(ASCIISelectionStep("1"), 0) << "the selection runs once";
}

TEST_F(Selection, UnconfiguredRouterWithoutFirmwareImages)
{
    ASCIIProgram = ASCII_OP_ROUTERCONFIG;
    English = 0;
    Capture err(2);
    ASCIIRouterListStep();
    ASCIISelectionStep(nullptr);
    ASCIISelectionStep("2");
    std::string text = err.text();
    EXPECT_EQ(text.substr(text.find("-->") + 4), "keine Firmware zum DOWNLOAD.\n");
    EXPECT_EQ(ASCIIExit, 1);
    EXPECT_EQ(ASCIIExitStatus, 1);
}

TEST_F(Selection, UnconfiguredRouterForAnotherOperationIsReported)
{
    ASCIIProgram = ASCII_OP_ACCOUNTING;
    Capture err(2);
    ASCIIRouterListStep();
    ASCIISelectionStep(nullptr);
    ASCIISelectionStep("2");
    std::string text = err.text();
    EXPECT_EQ(text.substr(text.find("-->") + 4), "Error: router 0.0.0.0 has not been configured\n");
    EXPECT_EQ(ASCIIExitStatus, 1);
    EXPECT_EQ(ASCIIWaitState, 0);
}

TEST_F(Selection, NoRouterFound)
{
    ASCIINbR = 0;
    ASCIIProgram = ASCII_OP_SAVECONFIG;
    Capture err(2);
    ASCIIRouterListStep();
    ASCIISelectionStep(nullptr);
    EXPECT_EQ(err.text(), "Router list\n-----------\n\nCan not find any router. Exit program.\n");
    EXPECT_EQ(ASCIIExitStatus, 1);
}

TEST_F(Selection, RovNeverLists)
{
    ASCIIProgram = ASCII_OP_ROV;
    EXPECT_EQ(ASCIIRouterListStep(), 0);
    EXPECT_EQ(ASCIIRouterOVF, -1);
}

TEST_F(Selection, NoTerminalToAnswerFrom)
{
    ASCIIUseTerminal(-1);
    ASCIIProgram = ASCII_OP_LINEMONITOR;
    Capture err(2);
    ASCIIRouterListStep();
    ASCIISelectionStep(nullptr);
    std::string text = err.text();
    EXPECT_NE(text.find("Error: no terminal for input (/dev/tty)\n"), std::string::npos);
    EXPECT_EQ(ASCIIExitStatus, 1);
}

struct OpenCase {
    const char* word;
};

void PrintTo(const OpenCase& c, std::ostream* os)
{
    *os << c.word;
}

class RefusedAddress : public Selection, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(RefusedAddress, IsNotConfigured)
{
    Capture err(2);
    ASCIIOpenRouter(GetParam().word, myutil_get_host_addr(GetParam().word));
    EXPECT_EQ(err.text(),
              std::string("Error: router ") + GetParam().word + " has not been configured\n");
    EXPECT_EQ(ASCIIExitStatus, 1);
}

INSTANTIATE_TEST_SUITE_P(Words, RefusedAddress,
                         ::testing::Values(OpenCase{"10.77.0.255"}, OpenCase{"255.255.255.255"},
                                           OpenCase{"0.0.0.0"}));

TEST_F(Selection, AcceptedOpenWithoutLineTargetsEndsAccounting)
{
    ASCIIProgram = ASCII_OP_LINEMONITOR;
    ASCIIFinishedOpen = 1;
    ASCIINbLines = 0;
    Capture err(2);
    EXPECT_EQ(ASCIIOpeningStep(nullptr), 1);
    EXPECT_EQ(err.text(), "Error: no line targets for this router\n");
    EXPECT_EQ(ASCIIFinishedOpen, 0);
    EXPECT_EQ(ASCIIExitStatus, 1);
}

}  // namespace
