// "quit" while the router is being written: the question that comes first,
// and what each answer does, as a table of keyboard lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture.h"
#include "globals.h"
#include "host_services.h"
#include "router_actions.h"
#include "run_end.h"

namespace {

constexpr const char* QUESTION = "The router is still being written. Break off anyway (y/n) --> ";

class BreakOff : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASCIIResetGlobals();
        ASCIIResetActions();
        ASCIIResetRunEnd();
        ASCIISetTablesWriteUnfinished(0);
    }
    void TearDown() override
    {
        ASCIIResetRunEnd();
        ASCIIResetGlobals();
    }
    // The dialogue's settings change is under way; no tables were read, so
    // nothing is saved anywhere.
    static void settings_change_running()
    {
        ASCIIProgram = ASCII_OP_ROUTERCONFIG;
        ASCIIDLInP = 1;
        ASCIIDoConfig = 1;
        ASCIIDoConfigF = 0;
    }
};

TEST_F(BreakOff, QuitWithoutAWriteIsLeftToTheKeyboard)
{
    Capture err(2);
    EXPECT_EQ(ASCIIOfferToBreakOff("quit"), 0);
    EXPECT_EQ(ASCIIBreakOffAsked(), 0);
    EXPECT_EQ(err.text(), "");
}

TEST_F(BreakOff, AnswersToTheQuestion)
{
    const struct {
        const char* name;
        std::vector<std::string> lines;  // typed after "quit"
        int german;
        bool broken_off;
        bool still_asked;
        const char* err;  // after the first question
    } cases[] = {
        {"yes", {"y"}, 0, true, false, "Abort...\n"},
        {"German yes", {"j"}, 1, true, false, "Programm wird abgebrochen...\n"},
        {"quit again", {"quit"}, 0, true, false, "Abort...\n"},
        {"no", {"n"}, 0, false, false, ""},
        {"anything else asks again",
         {"Y", "yes", ""},
         0,
         false,
         true,
         "The router is still being written. Break off anyway (y/n) --> "
         "The router is still being written. Break off anyway (y/n) --> "
         "The router is still being written. Break off anyway (y/n) --> "},
        {"English y is no German yes",
         {"y"},
         1,
         false,
         true,
         "Der Router wird noch beschrieben. Trotzdem abbrechen (j/n) --> "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        English = c.german ? 0 : 1;
        settings_change_running();
        Capture err(2);
        EXPECT_EQ(ASCIIOfferToBreakOff("quit"), 1) << "the line is the question's";
        EXPECT_EQ(ASCIIExit, 0) << "quit alone does not end the write";
        for (const std::string& line : c.lines)
            EXPECT_EQ(ASCIIOfferToBreakOff(line), 1) << line;
        std::string text = err.text();
        std::string question =
            c.german ? "Der Router wird noch beschrieben. Trotzdem abbrechen (j/n) --> " : QUESTION;
        ASSERT_EQ(text.substr(0, question.size()), question);
        EXPECT_EQ(text.substr(question.size()), c.err);
        EXPECT_EQ(ASCIIExit, c.broken_off ? 1 : 0);
        EXPECT_EQ(ASCIIExitStatus, c.broken_off ? 1 : 0);
        EXPECT_EQ(ASCIIWriteUnderWay() == ASCIIWriteState::NONE, c.broken_off)
            << "a write broken off is no longer under way";
        EXPECT_EQ(ASCIIBreakOffAsked(), c.still_asked ? 1 : 0);
    }
}

// The write ends while the question waits: the run ends as it would have,
// and the late answer breaks nothing off.
TEST_F(BreakOff, WriteThatEndsBeforeTheAnswerIsNotBrokenOff)
{
    settings_change_running();
    Capture err(2);
    EXPECT_EQ(ASCIIOfferToBreakOff("quit"), 1);
    ASCIIPutRDataCB(0);
    EXPECT_EQ(ASCIIWriteUnderWay(), ASCIIWriteState::NONE);
    EXPECT_EQ(ASCIIOfferToBreakOff("y"), 1);
    EXPECT_EQ(ASCIIExitStatus, 0);
    EXPECT_EQ(ASCIIBreakOffAsked(), 0);
    EXPECT_EQ(err.text(), QUESTION);
}

// While the question waits, the download's progress stays off its line.
TEST_F(BreakOff, ProgressWaitsWhileTheQuestionIsOpen)
{
    settings_change_running();
    ASCIIDoDownLoad = 1;
    ASCIIDoDownLoadF = 0;
    Capture err(2);
    ASCIIGetPCB(37);
    EXPECT_EQ(ASCIIOfferToBreakOff("quit"), 1);
    ASCIIGetPCB(38);
    EXPECT_EQ(ASCIIOfferToBreakOff("n"), 1);
    ASCIIGetPCB(39);
    EXPECT_EQ(err.text(), std::string("\r 37 %\n") + QUESTION + "\r 39 %");
}

}  // namespace
