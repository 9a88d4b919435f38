#include "router_dialogue.h"

#include <cstdio>
#include <string>

#include "globals.h"
#include "myutil.h"
#include "printable.h"
#include "records.h"
#include "router_actions.h"
#include "terminal.h"
#include "texts.h"

namespace {

constexpr int REPEAT = -1;           // answer refused: ask the question again
constexpr int MODE_DIGIT_LIMIT = 9;  // largest number the mode question can mean

int phase = ASCII_PHASE_SHOW;

// ------------------------------------------------------------- helpers ---

bool is_yes(const std::string& line)
{
    return line == ASCIIYesWord();
}
bool is_no(const std::string& line)
{
    return line == "n";
}

bool all_digits(const std::string& text)
{
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// The number that a line's leading decimal digits give; 0 when it does not
// start with a digit or the number exceeds `limit` (so it never overflows).
int leading_number(const std::string& line, int limit)
{
    long value = 0;
    size_t i = 0;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
        value = value * 10 + (line[i] - '0');
        if (value > limit)
            return 0;
    }
    return i == 0 ? 0 : static_cast<int>(value);
}

bool any_firmware()
{
    return ASCIIHasFirmware(ASCIIFWS0) || ASCIIHasFirmware(ASCIIFWS1);
}

void set_mode(int mode)
{
    ASCIIOpModeNb = mode;
    ASCIIOpMode = ASCIIModeText(mode);
    ASCIIOpModeC = 1;
}

// A router without configuration gets its ISDN mode only from the image it
// is given, so when the mode it starts with has no image it takes the mode
// of the family that has.
void unconfigured_family_with_images()
{
    if (ASCIIRouterConfig != 0 || ASCIIHasFirmware(ASCIIFirmwareFamily(ASCIIOpModeNb)))
        return;
    int other = ASCIIOpModeNb == 0 ? 1 : 0;
    if (ASCIIHasFirmware(ASCIIFirmwareFamily(other)))
        set_mode(other);
}

// "1,2,3,4,5" with the ISDN modes whose family has images.
std::string allowed_modes()
{
    std::string modes;
    if (ASCIIHasFirmware(ASCIIFWS0))
        modes += "1,";
    if (ASCIIHasFirmware(ASCIIFWS1))
        modes += "2,";
    return modes + "3,4,5";
}

bool mode_allowed(int m)
{
    if (m == 1)
        return ASCIIHasFirmware(ASCIIFWS0) != 0;
    if (m == 2)
        return ASCIIHasFirmware(ASCIIFWS1) != 0;
    return m >= 3 && m <= 5;
}

void take_first_image()
{
    const auto& family = ASCIIFirmwareFamily(ASCIIOpModeNb);
    if (!ASCIIHasFirmware(family))
        return;
    ASCIIFirmWare = family.front();
    ASCIIFirmWareC = 1;
}

// A router without configuration and no new name keeps "0.0.0.0", which the
// image would carry as its address; the defaults it starts from.
void start_unconfigured()
{
    ASCIIRouterName = ASCII_UNCONFIGURED_NAME;
    ASCIINetzMaske = ASCII_UNCONFIGURED_NETMASK;
    ASCIIRTN.clear();
    ASCIIOpModeNb = ASCII_UNCONFIGURED_MODE;
    ASCIIOpMode = ASCIIModeText(ASCII_UNCONFIGURED_MODE);
    ASCIIHardConn = 0;
    ASCIIFirmWare.clear();
}

// -------------------------------------------------------------- states ---

void show_name()
{
    if (ASCIIRouterConfig == 0)
        start_unconfigured();
    std::fprintf(stderr,
                 ASCIIMsg("Router name              : %s\n", "Routername               : %s\n"),
                 ASCIIPrintable(ASCIIRouterName).c_str());
}
void prompt_name()
{
    std::fputs(ASCIIMsg("New router name          --> ", "neuer Routername         --> "), stderr);
}

// A name or netmask longer than a router record holds is refused with a
// word, not cut: the cut text would resolve to another address or none, and
// the router would take that.
int answer_address(const std::string& line, std::string* value, int* mark, bool keep_allowed,
                   int next)
{
    if (line.size() > static_cast<size_t>(HOST_LEN)) {
        std::fprintf(stderr, ASCIIMsg("Max. %d characters\n", "maximal %d Zeichen\n"), HOST_LEN);
        return REPEAT;
    }
    if (line.empty() || line == *value)
        return keep_allowed ? next : REPEAT;
    if (myutil_get_host_addr(line.c_str()) == 0)
        return REPEAT;
    *value = line;
    *mark = 1;
    return next;
}

int answer_name(const std::string& line)
{
    // "0.0.0.0" is no address to give a router.
    return answer_address(line, &ASCIIRouterName, &ASCIIRouterNameC, ASCIIRouterConfig != 0,
                          ASCII_WAIT_NETMASK);
}

void show_netmask()
{
    std::fprintf(stderr,
                 ASCIIMsg("Net mask                 : %s\n", "Netzmaske                : %s\n"),
                 ASCIIPrintable(ASCIINetzMaske).c_str());
}
void prompt_netmask()
{
    std::fputs(ASCIIMsg("New net mask             --> ", "neue Netzmaske           --> "), stderr);
}
int answer_netmask(const std::string& line)
{
    return answer_address(line, &ASCIINetzMaske, &ASCIINetzMaskeC, true, ASCII_WAIT_PHONE);
}

void show_phone()
{
    std::fprintf(stderr,
                 ASCIIMsg("Router phone number      : %s\n", "Router Telefonnummer     : %s\n"),
                 ASCIIPrintable(ASCIIRTN).c_str());
}
void prompt_phone()
{
    std::fputs(ASCIIMsg("New phone number         --> ", "neue Telefonnummer       --> "), stderr);
}
int answer_phone(const std::string& line)
{
    int next = any_firmware() ? ASCII_WAIT_MODE : ASCII_WAIT_CHANGE_PW;
    if (line.empty() || line == ASCIIRTN)
        return next;
    if (!all_digits(line))
        return REPEAT;
    // A number is cut to what the router record holds; the summary then
    // shows the number the router will get.
    std::string number = line.substr(0, static_cast<size_t>(PHONE_LEN));
    if (number == ASCIIRTN)
        return next;
    ASCIIRTN = number;
    ASCIIRTNC = 1;
    return next;
}

void show_mode()
{
    std::fputs(ASCIIMsg("Possible operating modes:\n", "moegliche Betriebsarten :\n"), stderr);
    for (int k = 1; k <= ASCII_OP_MODES; ++k)
        std::fprintf(stderr, "  %d -> %s\n", k, ASCIIOpModes[k - 1]);
    std::fprintf(
        stderr,
        ASCIIMsg("\nRouter operating mode  : %s / %s\n", "\nRouter Betriebsart       : %s / %s\n"),
        ASCIIOpMode, ASCIILineTypeText(ASCIIHardConn));
}
void prompt_mode()
{
    std::fprintf(stderr, ASCIIMsg("New operating mode (%s) --> ", "neue Betriebsart (%s)   --> "),
                 allowed_modes().c_str());
}

// The mode stays as it is.
int mode_kept()
{
    if (ASCIIRouterConfig != 0)
        return ASCIIHasFirmware(ASCIIFirmwareFamily(ASCIIOpModeNb)) ? ASCII_WAIT_CHANGE_FW
                                                                    : ASCII_WAIT_CHANGE_PW;
    unconfigured_family_with_images();
    take_first_image();
    return ASCII_WAIT_FIRMWARE;
}

// The firmware that goes with the mode now chosen.
int firmware_for_mode()
{
    unconfigured_family_with_images();
    const auto& family = ASCIIFirmwareFamily(ASCIIOpModeNb);
    size_t count = ASCIIHasFirmware(family) ? family.size() : 0;
    if (ASCIIRouterConfig == 0 || ASCIIOpModeC == 1) {
        if (count == 0)
            return ASCII_WAIT_CHANGE_PW;
        take_first_image();
        return count == 1 ? ASCII_WAIT_CHANGE_PW : ASCII_WAIT_FIRMWARE;
    }
    if (count > 1 || (count == 1 && family.front() != ASCIIFirmWare))
        return ASCII_WAIT_CHANGE_FW;
    return ASCII_WAIT_CHANGE_PW;
}

int answer_mode(const std::string& line)
{
    if (line.empty())
        return mode_kept();
    int m = leading_number(line, MODE_DIGIT_LIMIT);
    if (!mode_allowed(m))
        return REPEAT;
    // Naming the current mode changes nothing, but unlike an empty answer it
    // goes through the firmware that goes with the mode.
    if (m <= 2) {
        if (m - 1 != ASCIIOpModeNb)
            set_mode(m - 1);
        if (ASCIIHardConn != 0) {
            ASCIIHardConn = 0;
            ASCIIHardConnC = 1;
        }
    } else if (m - 2 != ASCIIHardConn) {
        ASCIIHardConn = m - 2;
        ASCIIHardConnC = 1;
    }
    return firmware_for_mode();
}

void show_firmware_line()
{
    std::fprintf(stderr, "Router firmware          : %s\n", ASCIIPrintable(ASCIIFirmWare).c_str());
}
void prompt_change_firmware()
{
    std::fputs(ASCIIMsg("Change firmware  (y/n)   --> ", "Firmware aendern (j/n)   --> "), stderr);
}
int answer_change_firmware(const std::string& line)
{
    if (is_yes(line))
        return ASCII_WAIT_FIRMWARE;
    if (is_no(line))
        return ASCII_WAIT_CHANGE_PW;
    return REPEAT;
}

void show_firmware_list()
{
    show_firmware_line();
    ASCIIFirmWareStrings = ASCIIFirmwareFamily(ASCIIOpModeNb);
    std::fputs(ASCIIMsg("Possible firmware versions :\n", "moegliche Firmwareversionen:\n"),
               stderr);
    for (size_t i = 0; i < ASCIIFirmWareStrings.size(); ++i)
        std::fprintf(stderr, "  %d -> %s\n", static_cast<int>(i + 1),
                     ASCIIFirmWareStrings[i].c_str());
    ASCIINbFirmWare = static_cast<int>(ASCIIFirmWareStrings.size());
}
void prompt_firmware()
{
    std::fprintf(stderr, ASCIIMsg("New firmware  (1-%d)     --> ", "neue Firmware (1-%d)     --> "),
                 ASCIINbFirmWare);
}
int answer_firmware(const std::string& line)
{
    if (line.empty())
        return ASCII_WAIT_CHANGE_PW;
    int n = leading_number(line, ASCIINbFirmWare);
    if (n < 1)
        return REPEAT;
    const std::string& chosen = ASCIIFirmWareStrings[static_cast<size_t>(n - 1)];
    if (chosen != ASCIIFirmWare) {
        ASCIIFirmWare = chosen;
        ASCIIFirmWareC = 1;
    }
    return ASCII_WAIT_CHANGE_PW;
}

void prompt_change_password()
{
    std::fputs(ASCIIMsg("Change password  (y/n)   --> ", "Passwort aendern (j/n)   --> "), stderr);
}
int answer_change_password(const std::string& line)
{
    if (is_yes(line))
        return ASCII_WAIT_NEW_PW;
    if (is_no(line))
        return ASCII_WAIT_EXCLUSIVE;
    return REPEAT;
}

void hidden_answer_done()
{
    ASCIIEchoOn();
    std::fputs("\n", stderr);
}

void prompt_new_password()
{
    ASCIIHiddenPrompt(ASCIIMsg("New password             --> ", "neues Password           --> "));
}
int answer_new_password(const std::string& line)
{
    hidden_answer_done();
    if (line.empty()) {
        ASCIIPassword.clear();
        ASCIIPasswordC = 1;
        return ASCII_WAIT_EXCLUSIVE;
    }
    if (line.size() > static_cast<size_t>(PASSWORD_LEN)) {
        std::fputs(ASCIIMsg("Max. 10 characters\n", "maximale Passwortlaenge 10 Zeichen\n"),
                   stderr);
        ASCIIPassword.clear();
        return ASCII_WAIT_CHANGE_PW;
    }
    ASCIIPassword = line;
    return ASCII_WAIT_RETYPE_PW;
}

void prompt_retype_password()
{
    ASCIIHiddenPrompt(ASCIIMsg("Retype password          --> ", "Passwort wiederholden    --> "));
}
int answer_retype_password(const std::string& line)
{
    hidden_answer_done();
    if (line == ASCIIPassword) {
        ASCIIPasswordC = 1;
        return ASCII_WAIT_EXCLUSIVE;
    }
    std::fputs(ASCIIMsg("Passwords do not match\n", "Passworte stimmen nicht ueberein\n"), stderr);
    // A text the user could not confirm must never reach the router.
    ASCIIPassword.clear();
    return ASCII_WAIT_CHANGE_PW;
}

void prompt_exclusive()
{
    std::fputs(ASCIIMsg("Configuration exclusively\n", "nur durch diesen Host\n"), stderr);
    std::fputs(ASCIIMsg("by this host   (y/n)     --> ", "zu konfigurieren (j/n) --> "), stderr);
}
int answer_exclusive(const std::string& line)
{
    int chosen;
    if (is_yes(line))
        chosen = 1;
    else if (is_no(line))
        chosen = 0;
    else
        return REPEAT;
    ASCIIExclusivC = ASCIIExclusiv != chosen ? 1 : 0;
    ASCIIExclusiv = chosen;
    return ASCII_WAIT_SUMMARY;
}

void prompt_save()
{
    std::fputs(
        ASCIIMsg("Save configuration (y/n)        --> ", "Konfiguration speichern (j/n)   --> "),
        stderr);
}

// Yes starts the actions the summary named and waits for them; "n" ends the
// run without sending anything.
int answer_save(const std::string& line)
{
    if (is_yes(line)) {
        ASCIIStartActions();
        return ASCII_WAIT_ACTIONS;
    }
    if (is_no(line)) {
        std::fputs(ASCIIMsg("Do not save configuration\n", "Konfiguration verwerfen\n"), stderr);
        ASCIIExit = 1;
        return ASCII_WAIT_NONE;
    }
    return REPEAT;
}

// One state: what its show phase prints (null: nothing), its question, and
// how it takes an answer (the next state, or REPEAT).
struct DialogueState {
    int state;
    void (*show)();
    void (*prompt)();
    int (*answer)(const std::string& line);
};

constexpr DialogueState dialogue_states[] = {
    {ASCII_WAIT_NAME, show_name, prompt_name, answer_name},
    {ASCII_WAIT_NETMASK, show_netmask, prompt_netmask, answer_netmask},
    {ASCII_WAIT_PHONE, show_phone, prompt_phone, answer_phone},
    {ASCII_WAIT_MODE, show_mode, prompt_mode, answer_mode},
    {ASCII_WAIT_CHANGE_FW, show_firmware_line, prompt_change_firmware, answer_change_firmware},
    {ASCII_WAIT_FIRMWARE, show_firmware_list, prompt_firmware, answer_firmware},
    {ASCII_WAIT_CHANGE_PW, nullptr, prompt_change_password, answer_change_password},
    {ASCII_WAIT_NEW_PW, nullptr, prompt_new_password, answer_new_password},
    {ASCII_WAIT_RETYPE_PW, nullptr, prompt_retype_password, answer_retype_password},
    {ASCII_WAIT_EXCLUSIVE, nullptr, prompt_exclusive, answer_exclusive},
    {ASCII_WAIT_SUMMARY, ASCIIShowSummary, prompt_save, answer_save},
};

const DialogueState* find_state(int state)
{
    for (const DialogueState& entry : dialogue_states)
        if (entry.state == state)
            return &entry;
    return nullptr;
}

}  // namespace

int ASCIIHasFirmware(const std::vector<std::string>& versions)
{
    return !versions.empty() && !versions.front().empty() ? 1 : 0;
}

const std::vector<std::string>& ASCIIFirmwareFamily(int mode)
{
    return mode == 0 ? ASCIIFWS0 : ASCIIFWS1;
}

const char* ASCIIYesWord()
{
    return ASCIIMsg("y", "j");
}

int ASCIIDialoguePhase()
{
    return phase;
}

void ASCIIDialogueGoTo(int state)
{
    ASCIIWaitState = state;
    phase = ASCII_PHASE_SHOW;
}

void ASCIIResetDialogue()
{
    phase = ASCII_PHASE_SHOW;
}

int ASCIIRouterDialogueStep(const char* line)
{
    if (ASCIIWaitState == ASCII_WAIT_NONE)
        return 0;
    if (ASCIIWaitState == ASCII_WAIT_ACTIONS)
        return ASCIIActionsWait();
    const DialogueState* state = find_state(ASCIIWaitState);
    if (state == nullptr) {
        // No such state: the dialogue cannot go on, and waiting would hang.
        ASCIIDialogueGoTo(ASCII_WAIT_NONE);
        ASCIIFail();
        return 1;
    }
    switch (phase) {
    case ASCII_PHASE_SHOW:
        if (state->show != nullptr)
            state->show();
        phase = ASCII_PHASE_PROMPT;
        return 1;
    case ASCII_PHASE_PROMPT:
        state->prompt();
        phase = ASCII_PHASE_ANSWER;
        return 1;
    default:
        break;
    }
    if (line == nullptr)
        return 0;
    int next = state->answer(line);
    if (next == REPEAT)
        phase = ASCII_PHASE_PROMPT;
    else
        ASCIIDialogueGoTo(next);
    return 1;
}
