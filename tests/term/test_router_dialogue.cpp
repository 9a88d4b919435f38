// The router-settings dialogue in-process: answers fed line by line, the
// questions, current values and change marks it leaves, the summary and the
// save question. Nothing here reaches a router: the cases end before an
// action would send anything.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <pty.h>
#include <termios.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "fake_resolver.h"
#include "globals.h"
#include "myutil.h"
#include "router_actions.h"
#include "router_dialogue.h"
#include "terminal.h"
#include "texts.h"

namespace {

// What the code writes on standard error while it lives.
class StderrCapture {
public:
    StderrCapture()
    {
        std::fflush(stderr);
        char name[] = "/tmp/dialogue-capture-XXXXXX";
        file_ = mkstemp(name);
        unlink(name);
        saved_ = dup(2);
        dup2(file_, 2);
    }
    ~StderrCapture()
    {
        restore();
        close(file_);
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // Everything written since the last call.
    std::string take()
    {
        std::fflush(stderr);
        std::string text;
        lseek(file_, static_cast<off_t>(taken_), SEEK_SET);
        char buffer[4096];
        ssize_t n;
        while ((n = read(file_, buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<size_t>(n));
        taken_ += text.size();
        return text;
    }

private:
    void restore()
    {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        dup2(saved_, 2);
        close(saved_);
        saved_ = -1;
    }
    int file_ = -1;
    int saved_ = -1;
    size_t taken_ = 0;
};

size_t count_of(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos;
         at = text.find(part, at + part.size()))
        ++n;
    return n;
}

// A router with a configuration, opened and its tables read, as the driver
// hands it to the dialogue; two DSS1 images and one 1TR6 image.
class Dialogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASCIIResetGlobals();
        ASCIIResetDialogue();
        ASCIIResetActions();
        ASCIIUseTerminal(-1);
        myutil_set_config(0x0A4D0001, 0xFFFFFF00, 1);
        fake_resolver_install();
        fake_resolver_add("gateway", 0x0A4D0009);
        fake_resolver_add("router-in-the-cellar-7", 0x0A4D0007);  // 22 characters

        ASCIIProgram = ASCII_OP_ROUTERCONFIG;
        ASCIIRouterConfig = 1;
        ASCIIRouterName = "10.77.0.2";
        ASCIINetzMaske = "255.255.255.0";
        ASCIIRTN = "0301234";
        ASCIIOpModeNb = 1;
        ASCIIOpMode = ASCIIModeText(1);
        ASCIIHardConn = 0;
        ASCIIFirmWare = "2.10";
        ASCIIPasswd = "opened";
        ASCIIExclusiv = 0;
        ASCIIFWS0 = {"1.00"};
        ASCIIFWS1 = {"2.10", "3.00"};
        ASCIIWaitState = ASCII_WAIT_NAME;
    }
    void TearDown() override { fake_resolver_uninstall(); }

    // Runs passes without a line until the dialogue waits for one.
    void settle()
    {
        for (int i = 0; i < 10 && ASCIIRouterDialogueStep(nullptr) == 1; ++i) {
        }
    }
    // One typed line, then the passes up to the next question.
    void answer(const char* line)
    {
        settle();
        ASSERT_EQ(ASCIIDialoguePhase(), ASCII_PHASE_ANSWER)
            << "a line must only come to a question";
        ASCIIRouterDialogueStep(line);
        settle();
    }
    void answers(const std::vector<const char*>& lines)
    {
        for (const char* line : lines)
            answer(line);
    }
    // Empty answers to name, netmask and telephone number (a router without
    // configuration must be given a name).
    void reach_mode()
    {
        answer(ASCIIRouterConfig != 0 ? "" : "10.77.0.5");
        answers({"", ""});
        ASSERT_EQ(ASCIIWaitState, ASCII_WAIT_MODE);
    }
    int marks() const
    {
        return ASCIIRouterNameC + ASCIINetzMaskeC + ASCIIRTNC + ASCIIOpModeC + ASCIIHardConnC +
               ASCIIFirmWareC + ASCIIPasswordC + ASCIIExclusivC;
    }

    StderrCapture err;
};

// ---------------------------------------------------------- whole runs ---

TEST_F(Dialogue, KeepingEveryValueChangesNothingAndSendsNothing)
{
    answers({"", "", "", "", "n", "n", "n"});
    EXPECT_EQ(ASCIIWaitState, ASCII_WAIT_SUMMARY);
    EXPECT_EQ(marks(), 0);
    std::string text = err.take();
    EXPECT_EQ(text.find('!'), std::string::npos) << text;
    EXPECT_NE(text.find("  Download required     : no\n"
                        "  Change password       : no\n"
                        "  Change configuration  : no\n\n"
                        "Save configuration (y/n)        --> "),
              std::string::npos)
        << text;

    answer("y");
    EXPECT_EQ(ASCIIExit, 1) << "nothing to wait for";
    EXPECT_EQ(ASCIIExitStatus, 0);
    EXPECT_EQ(ASCIIDoDownLoadF + ASCIIDoPasswordF + ASCIIDoConfigF, 3);
    text = err.take();
    EXPECT_EQ(text.find("Save configuration\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Set new password"), std::string::npos) << text;
    EXPECT_EQ(text.find("Starting firmware download"), std::string::npos) << text;
}

TEST_F(Dialogue, EveryQuestionInTurnWithItsCurrentValue)
{
    answers({"", "", "", "", "n", "n", "n"});
    std::string text = err.take();
    const char* expected[] = {
        "Router name              : 10.77.0.2\n",
        "New router name          --> ",
        "Net mask                 : 255.255.255.0\n",
        "New net mask             --> ",
        "Router phone number      : 0301234\n",
        "New phone number         --> ",
        "Possible operating modes:\n"
        "  1 -> 1TR6 (national)\n"
        "  2 -> DSS1 (international)\n"
        "  3 -> FV64S\n"
        "  4 -> Digital FVS01\n"
        "  5 -> Digital FVS02\n"
        "\nRouter operating mode  : DSS1 (international) / \n",
        "New operating mode (1,2,3,4,5) --> ",
        "Router firmware          : 2.10\n",
        "Change firmware  (y/n)   --> ",
        "Change password  (y/n)   --> ",
        "Configuration exclusively\nby this host   (y/n)     --> ",
        "New router configuration\n",
    };
    size_t at = 0;
    for (const char* part : expected) {
        size_t found = text.find(part, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << part << "\nin:\n"
                                            << text;
        at = found + std::strlen(part);
    }
}

TEST_F(Dialogue, DeclinedSaveEndsWithoutSending)
{
    answers({"10.77.0.9", "", "", "", "n", "n", "n"});
    err.take();
    answer("maybe");
    EXPECT_EQ(ASCIIWaitState, ASCII_WAIT_SUMMARY);
    std::string text = err.take();
    EXPECT_EQ(text, "Save configuration (y/n)        --> ")
        << "the question again, not the summary";
    answer("n");
    EXPECT_EQ(err.take(), "Do not save configuration\n");
    EXPECT_EQ(ASCIIWaitState, ASCII_WAIT_NONE);
    EXPECT_EQ(ASCIIExit, 1);
    EXPECT_EQ(ASCIIDoConfigF, 1) << "no settings change was started";
    EXPECT_EQ(ASCIIDLInP, 0);
}

TEST_F(Dialogue, LinesOutsideTheAnswerPhaseAreDropped)
{
    // Show and prompt each take a pass; a line that comes then is not an answer.
    EXPECT_EQ(ASCIIRouterDialogueStep("10.77.0.9"), 1);
    EXPECT_EQ(ASCIIDialoguePhase(), ASCII_PHASE_PROMPT);
    EXPECT_EQ(ASCIIRouterDialogueStep("10.77.0.9"), 1);
    EXPECT_EQ(ASCIIDialoguePhase(), ASCII_PHASE_ANSWER);
    EXPECT_EQ(ASCIIRouterNameC, 0);
    EXPECT_EQ(ASCIIRouterDialogueStep(nullptr), 0) << "waits for the answer";
}

// ------------------------------------------------- name, netmask, phone ---

struct TextCase {
    const char* title;
    int state;  // the question answered
    const char* line;
    int next;           // state afterwards
    const char* value;  // the value afterwards
    int mark;
    const char* says = "";  // the message before a refused question is asked again
};

class TextAnswers : public Dialogue, public ::testing::WithParamInterface<TextCase> {};

std::string& value_of(int state)
{
    return state == ASCII_WAIT_NAME      ? ASCIIRouterName
           : state == ASCII_WAIT_NETMASK ? ASCIINetzMaske
                                         : ASCIIRTN;
}
int mark_of(int state)
{
    return state == ASCII_WAIT_NAME      ? ASCIIRouterNameC
           : state == ASCII_WAIT_NETMASK ? ASCIINetzMaskeC
                                         : ASCIIRTNC;
}

TEST_P(TextAnswers, TakesOrRefuses)
{
    const TextCase& c = GetParam();
    ASCIIDialogueGoTo(c.state);
    settle();
    err.take();
    answer(c.line);
    EXPECT_EQ(ASCIIWaitState, c.next);
    EXPECT_EQ(value_of(c.state), c.value);
    EXPECT_EQ(mark_of(c.state), c.mark);
    if (c.next == c.state) {
        // Refused: the question again, after the message if the case has one.
        std::string text = err.take();
        std::string says = c.says;
        EXPECT_EQ(text.substr(0, says.size()), says) << text;
        EXPECT_EQ(text.find(':'), std::string::npos) << text;
        EXPECT_NE(text.find("--> "), std::string::npos) << text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextAnswers,
    ::testing::Values(TextCase{"NameEmptyKeeps", 1, "", 2, "10.77.0.2", 0},
                      TextCase{"NameEqualKeeps", 1, "10.77.0.2", 2, "10.77.0.2", 0},
                      TextCase{"NameNewAddress", 1, "10.77.0.9", 2, "10.77.0.9", 1},
                      TextCase{"NameResolvingHost", 1, "gateway", 2, "gateway", 1},
                      TextCase{"NameNotResolving", 1, "nowhere", 1, "10.77.0.2", 0},
                      TextCase{"NameNoAddress", 1, "0.0.0.0", 1, "10.77.0.2", 0},
                      TextCase{"NameTooLongThoughItResolves", 1, "router-in-the-cellar-7", 1,
                               "10.77.0.2", 0, "Max. 20 characters\n"},
                      TextCase{"MaskEmptyKeeps", 2, "", 3, "255.255.255.0", 0},
                      TextCase{"MaskNew", 2, "255.255.0.0", 3, "255.255.0.0", 1},
                      TextCase{"MaskNotResolving", 2, "255.255.0.", 2, "255.255.255.0", 0},
                      TextCase{"PhoneEmptyKeeps", 3, "", 5, "0301234", 0},
                      TextCase{"PhoneEqualMovesOn", 3, "0301234", 5, "0301234", 0},
                      TextCase{"PhoneNew", 3, "0409876", 5, "0409876", 1},
                      TextCase{"PhoneTwentyDigits", 3, "12345678901234567890", 5,
                               "12345678901234567890", 1},
                      TextCase{"PhoneTwentyOneDigitsIsCut", 3, "123456789012345678901", 5,
                               "12345678901234567890", 1},
                      TextCase{"PhoneTwentyFiveDigitsIsCut", 3, "1234567890123456789012345", 5,
                               "12345678901234567890", 1},
                      TextCase{"PhoneLetter", 3, "030123a", 3, "0301234", 0},
                      TextCase{"PhoneBlank", 3, "030 1234", 3, "0301234", 0},
                      TextCase{"PhoneTrailingS", 3, "0301234s", 3, "0301234", 0}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return std::string(info.param.title); });

TEST_F(Dialogue, WithoutAnyImageTheModeAndFirmwareQuestionsAreSkipped)
{
    ASCIIFWS0.clear();
    ASCIIFWS1.clear();
    answers({"", "", ""});
    EXPECT_EQ(ASCIIWaitState, ASCII_WAIT_CHANGE_PW);
    EXPECT_EQ(err.take().find("operating mode"), std::string::npos);
}

// ------------------------------------------------------ mode and firmware ---

struct ModeCase {
    const char* title;
    bool configured;
    std::vector<std::string> fws0;
    std::vector<std::string> fws1;
    int hard_conn;     // the router's permanent type
    const char* line;  // answer to the mode question
    int next;
    int mode;  // afterwards
    int type;
    const char* firmware;
    int mode_mark;
    int type_mark;
    int firmware_mark;
};

class ModeAnswers : public Dialogue, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ModeAnswers, ChoosesModeTypeAndFirmware)
{
    const ModeCase& c = GetParam();
    ASCIIRouterConfig = c.configured ? 1 : 0;
    ASCIIFWS0 = c.fws0;
    ASCIIFWS1 = c.fws1;
    ASCIIHardConn = c.hard_conn;
    reach_mode();
    answer(c.line);
    EXPECT_EQ(ASCIIWaitState, c.next);
    EXPECT_EQ(ASCIIOpModeNb, c.mode);
    EXPECT_STREQ(ASCIIOpMode, ASCIIModeText(c.mode));
    EXPECT_EQ(ASCIIHardConn, c.type);
    EXPECT_EQ(ASCIIFirmWare, c.firmware);
    EXPECT_EQ(ASCIIOpModeC, c.mode_mark);
    EXPECT_EQ(ASCIIHardConnC, c.type_mark);
    EXPECT_EQ(ASCIIFirmWareC, c.firmware_mark);
}

const std::vector<std::string> one_1tr6 = {"1.00"};
const std::vector<std::string> two_1tr6 = {"1.00", "1.10"};
const std::vector<std::string> two_dss1 = {"2.10", "3.00"};
const std::vector<std::string> none = {};

INSTANTIATE_TEST_SUITE_P(
    Cases, ModeAnswers,
    ::testing::Values(
        // A router with a configuration: DSS1, firmware 2.10.
        ModeCase{"EmptyKeeps", true, one_1tr6, two_dss1, 0, "", 6, 1, 0, "2.10", 0, 0, 0},
        // Naming the current mode changes nothing but still goes by the
        // images of its family (unlike an empty answer).
        ModeCase{"CurrentModeWithTwoImagesAsks", true, one_1tr6, two_dss1, 0, "2", 6, 1, 0, "2.10",
                 0, 0, 0},
        ModeCase{"OtherModeTakesItsOnlyImage", true, one_1tr6, two_dss1, 0, "1", 8, 0, 0, "1.00", 1,
                 0, 1},
        ModeCase{"OtherModeWithTwoImagesAsks", true, two_1tr6, two_dss1, 0, "1", 7, 0, 0, "1.00", 1,
                 0, 1},
        ModeCase{"PermanentTypeKeepsMode", true, one_1tr6, two_dss1, 0, "3", 6, 1, 1, "2.10", 0, 1,
                 0},
        ModeCase{"LeadingDigitsCount", true, one_1tr6, two_dss1, 0, "4 please", 6, 1, 2, "2.10", 0,
                 1, 0},
        ModeCase{"IsdnModeClearsPermanentType", true, one_1tr6, two_dss1, 2, "2", 6, 1, 0, "2.10",
                 0, 1, 0},
        ModeCase{"CurrentPermanentTypeWithTwoImagesAsks", true, one_1tr6, two_dss1, 2, "4", 6, 1, 2,
                 "2.10", 0, 0, 0},
        ModeCase{"CurrentPermanentTypeOnlyImageIsCurrent",
                 true,
                 one_1tr6,
                 {"2.10"},
                 1,
                 "3",
                 8,
                 1,
                 1,
                 "2.10",
                 0,
                 0,
                 0},
        ModeCase{"OnlyImageIsCurrent", true, one_1tr6, {"2.10"}, 0, "3", 8, 1, 1, "2.10", 0, 1, 0},
        ModeCase{"OnlyImageIsCurrentEmptyAsks",
                 true,
                 one_1tr6,
                 {"2.10"},
                 0,
                 "",
                 6,
                 1,
                 0,
                 "2.10",
                 0,
                 0,
                 0},
        ModeCase{"OnlyImageIsCurrentCurrentModeSkipsFirmware",
                 true,
                 one_1tr6,
                 {"2.10"},
                 0,
                 "2",
                 8,
                 1,
                 0,
                 "2.10",
                 0,
                 0,
                 0},
        ModeCase{"OnlyImageDiffersCurrentModeAsks",
                 true,
                 one_1tr6,
                 {"3.00"},
                 0,
                 "2",
                 6,
                 1,
                 0,
                 "2.10",
                 0,
                 0,
                 0},
        ModeCase{"OnlyImageDiffers", true, one_1tr6, {"3.00"}, 0, "5", 6, 1, 3, "2.10", 0, 1, 0},
        ModeCase{"ModeWithoutImagesRefused", true, one_1tr6, none, 0, "2", 5, 1, 0, "2.10", 0, 0,
                 0},
        ModeCase{"OwnFamilyWithoutImagesSkipsFirmware", true, one_1tr6, none, 0, "3", 8, 1, 1,
                 "2.10", 0, 1, 0},
        ModeCase{"OwnFamilyWithoutImagesEmpty", true, one_1tr6, none, 0, "", 8, 1, 0, "2.10", 0, 0,
                 0},
        ModeCase{"Zero", true, one_1tr6, two_dss1, 0, "0", 5, 1, 0, "2.10", 0, 0, 0},
        ModeCase{"Six", true, one_1tr6, two_dss1, 0, "6", 5, 1, 0, "2.10", 0, 0, 0},
        ModeCase{"TwoDigits", true, one_1tr6, two_dss1, 0, "12", 5, 1, 0, "2.10", 0, 0, 0},
        ModeCase{"Word", true, one_1tr6, two_dss1, 0, "three", 5, 1, 0, "2.10", 0, 0, 0},
        ModeCase{"HugeNumber", true, one_1tr6, two_dss1, 0, "99999999999999999999", 5, 1, 0, "2.10",
                 0, 0, 0},
        // A router without configuration always gets an image.
        ModeCase{"UnconfiguredEmptyTakesFirstImage", false, one_1tr6, two_dss1, 0, "", 7, 1, 0,
                 "2.10", 0, 0, 1},
        ModeCase{"UnconfiguredCurrentMode", false, one_1tr6, two_dss1, 0, "2", 7, 1, 0, "2.10", 0,
                 0, 1},
        ModeCase{"UnconfiguredOtherModeOneImage", false, one_1tr6, two_dss1, 0, "1", 8, 0, 0,
                 "1.00", 1, 0, 1},
        ModeCase{"UnconfiguredPermanentType", false, one_1tr6, two_dss1, 0, "3", 7, 1, 1, "2.10", 0,
                 1, 1},
        ModeCase{"UnconfiguredOneImageSkipsList",
                 false,
                 one_1tr6,
                 {"2.10"},
                 0,
                 "4",
                 8,
                 1,
                 2,
                 "2.10",
                 0,
                 1,
                 1},
        ModeCase{"UnconfiguredOneImageCurrentModeSkipsList",
                 false,
                 one_1tr6,
                 {"2.10"},
                 0,
                 "2",
                 8,
                 1,
                 0,
                 "2.10",
                 0,
                 0,
                 1},
        // Only 1TR6 images: the router cannot stay DSS1, which has none.
        ModeCase{"UnconfiguredOnly1tr6Empty", false, one_1tr6, none, 0, "", 7, 0, 0, "1.00", 1, 0,
                 1},
        ModeCase{"UnconfiguredOnly1tr6PermanentType", false, one_1tr6, none, 0, "3", 8, 0, 1,
                 "1.00", 1, 1, 1}),
    [](const ::testing::TestParamInfo<ModeCase>& info) { return std::string(info.param.title); });

TEST_F(Dialogue, ModePromptOffersOnlyFamiliesWithImages)
{
    struct {
        std::vector<std::string> fws0, fws1;
        const char* prompt;
    } cases[] = {
        {one_1tr6, two_dss1, "New operating mode (1,2,3,4,5) --> "},
        {one_1tr6, none, "New operating mode (1,3,4,5) --> "},
        {none, two_dss1, "New operating mode (2,3,4,5) --> "},
    };
    for (const auto& c : cases) {
        ASCIIFWS0 = c.fws0;
        ASCIIFWS1 = c.fws1;
        ASCIIDialogueGoTo(ASCII_WAIT_MODE);
        settle();
        std::string text = err.take();
        EXPECT_EQ(text.substr(text.size() - std::strlen(c.prompt)), c.prompt) << text;
    }
}

TEST_F(Dialogue, FirmwareListOfTheChosenFamily)
{
    reach_mode();
    answers({"", "y"});
    ASSERT_EQ(ASCIIWaitState, ASCII_WAIT_FIRMWARE);
    std::string text = err.take();
    EXPECT_NE(text.find("Router firmware          : 2.10\n"
                        "Possible firmware versions :\n"
                        "  1 -> 2.10\n"
                        "  2 -> 3.00\n"
                        "New firmware  (1-2)     --> "),
              std::string::npos)
        << text;
    EXPECT_EQ(ASCIINbFirmWare, 2);

    for (const char* refused : {"0", "3", "x", "-1"}) {
        answer(refused);
        EXPECT_EQ(ASCIIWaitState, ASCII_WAIT_FIRMWARE) << refused;
    }
    answer("1");
    EXPECT_EQ(ASCIIWaitState, ASCII_WAIT_CHANGE_PW);
    EXPECT_EQ(ASCIIFirmWareC, 0) << "the version it has already";
}

TEST_F(Dialogue, FirmwareChoiceAndEmptyAnswer)
{
    struct {
        const char* line;
        const char* firmware;
        int mark;
    } cases[] = {{"2", "3.00", 1}, {"2nd", "3.00", 1}, {"", "2.10", 0}};
    for (const auto& c : cases) {
        ASCIIFirmWare = "2.10";
        ASCIIFirmWareC = 0;
        ASCIIDialogueGoTo(ASCII_WAIT_FIRMWARE);
        answer(c.line);
        EXPECT_EQ(ASCIIWaitState, ASCII_WAIT_CHANGE_PW) << c.line;
        EXPECT_EQ(ASCIIFirmWare, c.firmware) << c.line;
        EXPECT_EQ(ASCIIFirmWareC, c.mark) << c.line;
    }
}

TEST_F(Dialogue, YesNoQuestionsTakeOnlyTheExactWords)
{
    struct {
        int state;
        int yes;
        int no;
    } questions[] = {{ASCII_WAIT_CHANGE_FW, ASCII_WAIT_FIRMWARE, ASCII_WAIT_CHANGE_PW},
                     {ASCII_WAIT_CHANGE_PW, ASCII_WAIT_NEW_PW, ASCII_WAIT_EXCLUSIVE},
                     {ASCII_WAIT_EXCLUSIVE, ASCII_WAIT_SUMMARY, ASCII_WAIT_SUMMARY}};
    for (const auto& q : questions) {
        for (const char* other : {"Y", "yes", " y", "", "j", "N"}) {
            ASCIIDialogueGoTo(q.state);
            answer(other);
            EXPECT_EQ(ASCIIWaitState, q.state) << other;
        }
        ASCIIDialogueGoTo(q.state);
        answer("y");
        EXPECT_EQ(ASCIIWaitState, q.yes);
        ASCIIEchoOn();
        ASCIIDialogueGoTo(q.state);
        answer("n");
        EXPECT_EQ(ASCIIWaitState, q.no);
    }
}

// -------------------------------------------------------------- password ---

struct PasswordCase {
    const char* title;
    std::vector<const char*> lines;  // after "y" to the change question
    int next;
    const char* password;
    int mark;
    const char* message;  // "" when none
};

class PasswordAnswers : public Dialogue, public ::testing::WithParamInterface<PasswordCase> {};

TEST_P(PasswordAnswers, EntryAndRetype)
{
    const PasswordCase& c = GetParam();
    ASCIIDialogueGoTo(ASCII_WAIT_CHANGE_PW);
    answer("y");
    answers(c.lines);
    EXPECT_EQ(ASCIIWaitState, c.next);
    EXPECT_EQ(ASCIIPassword, c.password);
    EXPECT_EQ(ASCIIPasswordC, c.mark);
    std::string text = err.take();
    if (*c.message != '\0')
        EXPECT_NE(text.find(c.message), std::string::npos) << text;
    else
        EXPECT_EQ(count_of(text, "Max.") + count_of(text, "match"), 0u) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PasswordAnswers,
    ::testing::Values(
        PasswordCase{"Confirmed", {"secret", "secret"}, 11, "secret", 1, ""},
        PasswordCase{"TenCharacters", {"abcdefghij", "abcdefghij"}, 11, "abcdefghij", 1, ""},
        PasswordCase{"EmptyNeedsNoRetype", {""}, 11, "", 1, ""},
        PasswordCase{"Mismatch", {"secret", "secreT"}, 8, "", 0, "\nPasswords do not match\n"},
        PasswordCase{"TooLong", {"abcdefghijk"}, 8, "", 0, "\nMax. 10 characters\n"},
        PasswordCase{"MismatchThenDeclined",
                     {"secret", "other", "n"},
                     11,
                     "",
                     0,
                     "Passwords do not match\n"},
        PasswordCase{"MismatchThenConfirmed",
                     {"secret", "other", "y", "second", "second"},
                     11,
                     "second",
                     1,
                     "Passwords do not match\n"}),
    [](const ::testing::TestParamInfo<PasswordCase>& info) {
        return std::string(info.param.title);
    });

TEST_F(Dialogue, PasswordPromptsHideTheTypingAndEveryAnswerShowsItAgain)
{
    int master = -1;
    int slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    ASCIIUseTerminal(slave);
    auto echo_on = [slave] {
        termios mode{};
        tcgetattr(slave, &mode);
        return (mode.c_lflag & ECHO) != 0;
    };
    ASSERT_TRUE(echo_on());

    ASCIIDialogueGoTo(ASCII_WAIT_CHANGE_PW);
    answer("y");
    std::string text = err.take();
    EXPECT_EQ(text.substr(text.size() - std::strlen("New password             --> ")),
              "New password             --> ");
    EXPECT_FALSE(echo_on()) << "the new password is typed hidden";
    answer("secret");
    EXPECT_EQ(err.take(), "\nRetype password          --> ");
    EXPECT_FALSE(echo_on()) << "the retyped password too";
    answer("secret");
    EXPECT_TRUE(echo_on());
    EXPECT_EQ(err.take().substr(0, 1), "\n");

    struct {
        std::vector<const char*> lines;
    } other_answers[] = {{{"abcdefghijk"}}, {{"secret", "other"}}, {{""}}};
    for (const auto& c : other_answers) {
        ASCIIDialogueGoTo(ASCII_WAIT_CHANGE_PW);
        answer("y");
        answers(c.lines);
        EXPECT_TRUE(echo_on()) << c.lines.front();
    }
    ASCIIUseTerminal(-1);
    close(slave);
    close(master);
}

// ----------------------------------------------------------- exclusive ---

TEST_F(Dialogue, ExclusiveMarkFollowsTheLastAnswer)
{
    struct {
        int before;
        const char* line;
        int after;
        int mark;
    } cases[] = {{0, "y", 1, 1}, {0, "n", 0, 0}, {1, "y", 1, 0}, {1, "n", 0, 1}};
    for (const auto& c : cases) {
        ASCIIExclusiv = c.before;
        ASCIIExclusivC = 1 - c.mark;
        ASCIIDialogueGoTo(ASCII_WAIT_EXCLUSIVE);
        answer(c.line);
        EXPECT_EQ(ASCIIExclusiv, c.after) << c.before << c.line;
        EXPECT_EQ(ASCIIExclusivC, c.mark) << c.before << c.line;
        EXPECT_EQ(ASCIIWaitState, ASCII_WAIT_SUMMARY);
    }
}

// ------------------------------------------------ router without config ---

TEST_F(Dialogue, RouterWithoutConfigurationStartsFromDefaultsAndNeedsAName)
{
    ASCIIRouterConfig = 0;
    ASCIIRouterName = "0.0.0.0";
    ASCIINetzMaske.clear();
    ASCIIRTN.clear();
    ASCIIFirmWare.clear();
    ASCIIOpModeNb = 0;
    ASCIIOpMode = "";
    settle();
    EXPECT_NE(err.take().find("Router name              : 0.0.0.0\n"), std::string::npos);
    for (const char* refused : {"", "0.0.0.0", "nowhere"}) {
        answer(refused);
        EXPECT_EQ(ASCIIWaitState, ASCII_WAIT_NAME) << "'" << refused << "'";
    }
    answer("10.77.0.5");
    EXPECT_EQ(ASCIIRouterNameC, 1);
    EXPECT_NE(err.take().find("Net mask                 : 255.255.0.0\n"), std::string::npos);
    answer("");
    EXPECT_NE(err.take().find("Router phone number      : \n"), std::string::npos);
    answer("");
    EXPECT_NE(err.take().find("\nRouter operating mode  : DSS1 (international) / \n"),
              std::string::npos);
    answers({"", ""});
    EXPECT_EQ(ASCIIFirmWare, "2.10");
    EXPECT_EQ(ASCIIFirmWareC, 1);
    answers({"n", "n"});
    ASSERT_EQ(ASCIIWaitState, ASCII_WAIT_SUMMARY);
    EXPECT_NE(err.take().find("  Download required     : yes\n"), std::string::npos);
    EXPECT_EQ(ASCIIDoDownLoad, 1);
}

// ------------------------------------------------------------- German ---

TEST_F(Dialogue, GermanQuestionsAndTheirYesWord)
{
    English = 0;
    ASCIIOpMode = ASCIIModeText(1);
    answers({"", "", "", ""});
    std::string text = err.take();
    for (const char* part :
         {"Routername               : 10.77.0.2\n", "neuer Routername         --> ",
          "Netzmaske                : 255.255.255.0\n", "neue Netzmaske           --> ",
          "Router Telefonnummer     : 0301234\n", "neue Telefonnummer       --> ",
          "moegliche Betriebsarten :\n", "\nRouter Betriebsart       : DSS1 (international) / \n",
          "neue Betriebsart (1,2,3,4,5)   --> ", "Firmware aendern (j/n)   --> "})
        EXPECT_NE(text.find(part), std::string::npos) << part;
    answer("y");
    EXPECT_EQ(ASCIIWaitState, ASCII_WAIT_CHANGE_FW) << "y is no German yes";
    answer("j");
    ASSERT_EQ(ASCIIWaitState, ASCII_WAIT_FIRMWARE);
    text = err.take();
    EXPECT_NE(text.find("moegliche Firmwareversionen:\n"), std::string::npos) << text;
    EXPECT_NE(text.find("neue Firmware (1-2)     --> "), std::string::npos) << text;
    answers({"", "j", "toolongpassword"});
    EXPECT_NE(err.take().find("maximale Passwortlaenge 10 Zeichen\n"), std::string::npos);
    answers({"j", "abc", "abd"});
    text = err.take();
    EXPECT_NE(text.find("neues Password           --> "), std::string::npos) << text;
    EXPECT_NE(text.find("Passwort wiederholden    --> "), std::string::npos) << text;
    EXPECT_NE(text.find("Passworte stimmen nicht ueberein\n"), std::string::npos) << text;
    answer("n");
    EXPECT_NE(err.take().find("nur durch diesen Host\nzu konfigurieren (j/n) --> "),
              std::string::npos);
}

// ------------------------------------------------------------- summary ---

TEST_F(Dialogue, SummaryInEnglish)
{
    ASCIIRouterName = "10.77.0.9";
    ASCIIRouterNameC = 1;
    ASCIIHardConn = 0;
    ASCIIHardConnC = 1;
    ASCIIPasswordC = 1;
    ASCIIExclusiv = 1;
    ASCIIDialogueGoTo(ASCII_WAIT_SUMMARY);
    settle();
    EXPECT_EQ(err.take(),
              "New router configuration\n"
              "------------------------\n\n"
              "! Router name          : 10.77.0.9\n"
              "  Net mask             : 255.255.255.0\n"
              "  Router phone number  : 0301234\n"
              "  Router operating mode: DSS1 (international)\n"
              "! permanent connections: none \n"
              "  Router firmware      : 2.10\n"
              "! New password         : yes\n"
              "  Connfiguration exclu-\n"
              "  sively by this host  : yes\n\n"
              "Actions\n"
              "-------\n\n"
              "  Download required     : yes\n"
              "  Change password       : yes\n"
              "  Change configuration  : yes\n\n"
              "Save configuration (y/n)        --> ");
}

TEST_F(Dialogue, SummaryInGerman)
{
    English = 0;
    ASCIIOpModeNb = 0;
    ASCIIOpMode = ASCIIModeText(0);
    ASCIIOpModeC = 1;
    ASCIIHardConn = 3;
    ASCIIRTNC = 1;
    ASCIIExclusivC = 1;
    ASCIIDialogueGoTo(ASCII_WAIT_SUMMARY);
    settle();
    EXPECT_EQ(err.take(),
              "neue Routerkonfiguration\n"
              "------------------------\n\n"
              "  Routername           : 10.77.0.2\n"
              "  Netzmaske            : 255.255.255.0\n"
              "! Router Telefonnummer : 0301234\n"
              "! Router Betriebsart   : 1TR6 (national)\n"
              "  Festverbindung       : Digital FVS02\n"
              "  Router Firmware      : 2.10\n"
              "  neues Passwort       : nein\n"
              "! nur durch diesen Host\n"
              "  zu konfigurieren     : nein\n\n"
              "Aktionen\n"
              "--------\n\n"
              "  Download erforderlich : ja\n"
              "  Passwort aendern      : ja\n"
              "  Konfiguration aendern : ja\n\n"
              "Konfiguration speichern (j/n)   --> ");
    ASCIIHardConn = 0;
    ASCIIDialogueGoTo(ASCII_WAIT_SUMMARY);
    settle();
    EXPECT_NE(err.take().find("  Festverbindung       : keine\n"), std::string::npos);
}

TEST_F(Dialogue, ActionsFollowTheirMarks)
{
    struct {
        int* mark;
        int download, password, config;
    } cases[] = {
        {&ASCIIRouterNameC, 0, 0, 1}, {&ASCIINetzMaskeC, 0, 0, 1}, {&ASCIIRTNC, 0, 0, 1},
        {&ASCIIOpModeC, 1, 0, 0},     {&ASCIIHardConnC, 1, 0, 0},  {&ASCIIFirmWareC, 1, 0, 0},
        {&ASCIIPasswordC, 0, 1, 0},   {&ASCIIExclusivC, 0, 1, 0},
    };
    for (const auto& c : cases) {
        *c.mark = 1;
        ASCIIShowSummary();
        EXPECT_EQ(ASCIIDoDownLoad, c.download);
        EXPECT_EQ(ASCIIDoPassword, c.password);
        EXPECT_EQ(ASCIIDoConfig, c.config);
        *c.mark = 0;
    }
}

// -------------------------------------------------------------- record ---

TEST_F(Dialogue, RecordKeepsTheOpenPasswordUnlessANewOneWasConfirmed)
{
    // Nothing changed, so the save sends nothing but still builds the record.
    ASCIIExclusiv = 1;
    answers({"", "", "", "", "n", "y", "secret", "other", "n", "y", "y"});
    EXPECT_EQ(ASCIIExit, 1) << "nothing to send: the flag stayed, the password was not confirmed";
    EXPECT_EQ(ASCIIExitStatus, 0);
    const RouterSettings* record = ASCIIRouterRecord();
    EXPECT_STREQ(record->name, "10.77.0.2");
    EXPECT_STREQ(record->netmask, "255.255.255.0");
    EXPECT_STREQ(record->phone, "0301234");
    EXPECT_EQ(record->isdn_mode, 1);
    EXPECT_STREQ(record->firmware, "2.10");
    EXPECT_EQ(record->line_type, 0);
    EXPECT_STREQ(record->password, "opened") << "the refused text never reaches the router";
    EXPECT_EQ(record->exclusive, 1);
}

}  // namespace
