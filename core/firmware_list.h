// The firmware images present in the data directory: names that begin with a
// prefix, handed back as their sorted suffixes (the firmware versions).
#pragma once

#include <cstdint>

constexpr int FIRMWARE_LIST_MAX = 1024;                        // texts handed back at most
constexpr const char* FIRMWARE_LIST_PREFIX_1TR6 = "fw_1tr6.";  // ISDN mode 0
constexpr const char* FIRMWARE_LIST_PREFIX_DSS1 = "fw_dss1.";  // ISDN mode 1

// The prefix of the images for an ISDN mode (0 1TR6, anything else DSS1).
const char* firmware_list_prefix(int isdn_mode);

// Lists the entries of the data directory (QORVEL_PATH, or ".") whose names
// begin with `prefix`, as newly allocated copies of the rest of each name,
// sorted by their bytes. *names always receives a zero-filled array of
// FIRMWARE_LIST_MAX + 1 references (so it always ends in a null one), also
// when the directory cannot be opened; the caller frees every text and the
// array with free(). With more than FIRMWARE_LIST_MAX matches the first
// FIRMWARE_LIST_MAX in sorted order are kept. Returns the number of texts.
int helpfunc_scandir(const char* prefix, char*** names);
