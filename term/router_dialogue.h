// The routerconfig sub-command's dialogue: one question after the other on
// the router's settings (name, netmask, telephone number, ISDN mode or
// permanent-connection type, firmware, password, exclusive configuration),
// each new value kept with its change mark; then the summary, the save
// question and the wait for the actions (router_actions.h).
//
// Every state runs in up to three passes of the main loop: show (its current
// value), prompt (its question), answer (the keyboard line). A refused
// answer asks the question again; lines that come in the show or prompt
// pass are dropped. Everything goes to standard error.
#pragma once

#include <string>
#include <vector>

// Values of ASCIIWaitState.
enum : int {
    ASCII_WAIT_NONE = 0,        // no dialogue
    ASCII_WAIT_NAME = 1,        // router name
    ASCII_WAIT_NETMASK = 2,     // netmask
    ASCII_WAIT_PHONE = 3,       // telephone number
    ASCII_WAIT_MODE = 5,        // ISDN mode or permanent-connection type
    ASCII_WAIT_CHANGE_FW = 6,   // change the firmware (y/n)
    ASCII_WAIT_FIRMWARE = 7,    // firmware version from the list
    ASCII_WAIT_CHANGE_PW = 8,   // change the password (y/n)
    ASCII_WAIT_NEW_PW = 9,      // new password, hidden
    ASCII_WAIT_RETYPE_PW = 10,  // the new password again, hidden
    ASCII_WAIT_EXCLUSIVE = 11,  // exclusive configuration by this host (y/n)
    ASCII_WAIT_SUMMARY = 12,    // summary and save question
    ASCII_WAIT_ACTIONS = 13,    // the actions of the save run
};

// Phases of a state.
enum : int {
    ASCII_PHASE_SHOW = 0,
    ASCII_PHASE_PROMPT = 1,
    ASCII_PHASE_ANSWER = 2,
};

constexpr const char* ASCII_UNCONFIGURED_NAME =
    "0.0.0.0";  // name of a router without configuration
constexpr const char* ASCII_UNCONFIGURED_NETMASK = "255.255.0.0";  // its netmask until one is given
constexpr int ASCII_UNCONFIGURED_MODE = 1;                         // its ISDN mode: DSS1

// One pass of the dialogue, called by the driver on every pass of
// routerconfig once the router is chosen (and, when it has a configuration,
// opened and its tables read), with the keyboard line of the pass (null:
// none). ASCIIWaitState says where it stands (1 starts it). Returns 1 when it
// moved on without waiting for a line or a callback (the loop then runs the
// next pass at once), 0 when it waits.
int ASCIIRouterDialogueStep(const char* line);

// The phase of the current state (ASCII_PHASE_*).
int ASCIIDialoguePhase();

// Moves the dialogue to `state` with the show phase.
void ASCIIDialogueGoTo(int state);

// 1 when a firmware list holds at least one image.
int ASCIIHasFirmware(const std::vector<std::string>& versions);

// The firmware list of an ISDN mode (0 1TR6, else DSS1).
const std::vector<std::string>& ASCIIFirmwareFamily(int mode);

// The yes word of the user's language ("y" or "j").
const char* ASCIIYesWord();

// Forgets the phase (for a new run in the same process).
void ASCIIResetDialogue();
