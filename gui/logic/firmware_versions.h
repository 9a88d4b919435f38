// The firmware images a user may choose, per family, and the choice in the
// firmware selection dialog ("FirmwareDialog").
//
// A version is the rest of an image file's name after "fw_1tr6." (family 0)
// or "fw_dss1." (family 1). Only versions that can name their image again
// are offered: not empty, at most FIRMWARE_LEN characters (the router
// settings record holds no more, and a cut version would name another
// file), and naming a regular file (a directory or a FIFO is no image).
//
// Filling "FirmwareList" at every popup:
//     for (const std::string& v : firmware_versions(shown_family)) append v;
//     firmware_choice_clear(&choice);        // "FirmwareOk" insensitive
// Selection (action 0): firmware_choice_select(&choice, selected item or null);
//     "FirmwareOk" sensitive := firmware_choice_made(choice).
// Ok (action 2): "RVersionText" := choice.version.
#pragma once

#include <string>
#include <vector>

#include "records.h"

constexpr int FIRMWARE_FAMILY_1TR6 = 0;
constexpr int FIRMWARE_FAMILY_DSS1 = 1;

// The versions of a family that can be offered, in ascending byte order;
// empty for a family other than 0 and 1 or when the data directory
// (QORVEL_PATH, or ".") has none.
std::vector<std::string> firmware_versions(int family);

// The number of versions firmware_versions(family) offers; `first` receives
// the first of them, or "" when there is none.
int helpfunc_get_firmware_vers(int family, std::string* first);

// The item last selected in "FirmwareList": the list's own copy, so that it
// outlives the list's item and the selection callback's record.
struct FirmwareChoice {
    bool made;                       // an item is selected
    char version[FIRMWARE_LEN + 1];  // its text; "" when none
};

// No item selected (every popup of the dialog).
void firmware_choice_clear(FirmwareChoice* choice);

// A selection callback: `item` is the selected item's text, or null when the
// user deselected it. A text that cannot be a version (empty or longer than
// FIRMWARE_LEN) selects nothing.
void firmware_choice_select(FirmwareChoice* choice, const char* item);

// Whether "FirmwareOk" is sensitive.
bool firmware_choice_made(const FirmwareChoice& choice);
