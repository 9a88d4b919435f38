// What the graphical program does when the back end reports a failure
// (main_error), decided without widgets: which dialogs close and which
// message the error box shows.
#pragma once

#include <string>

#include "dialog_names.h"

// Router statuses 11 (table full) and 12 (flash memory not writable) keep the
// tables and ask whether to download the firmware again instead.
bool main_error_asks_again(int code);

// The dialogs that close on such a question: the line-target table and the
// router settings, each with every dialog opened from it (the file dialog
// and the subnet question by name, before them).
const Dialog* main_error_question_closes(int* count);

// The dialogs that close on every other failure, children before their
// parents: every dialog that works on the tables or on the registration
// (the editors, the file and firmware dialogs, the password prompts, the
// confirmation of a reset, the tables, accounting, line monitor, settings).
const Dialog* main_error_closes(int* count);

// How the emergency copy of the tables went.
enum class EmergencySave {
    NO_TABLES,  // no table was loaded: nothing to save
    SAVED,      // written to the file
    FAILED,     // tables were loaded, but the file could not be written
};

// The error box's text for a failure `code`: message 33 (firmware download,
// code 13) or 15 naming `path` when the tables were saved; message 32 or 14
// alone when there were none; message 32 or 14 followed by message 76 on a
// line of its own when saving failed.
// With `partly_written` (the failure came while the tables were being
// written to the router) message 32 or 14 is followed by message 77, that
// the router may hold only part of them, and then by message 78 naming
// `path` or by message 76, each on a line of its own.
std::string main_error_text(int code, EmergencySave save, const char* path,
                            bool partly_written = false);

// The error box's text when the caller has a reason of its own that comes
// first (why a download it promised cannot start): `reason` on the lines
// before the failure's text; the failure's text alone when `reason` is "".
std::string main_error_text_after(const std::string& reason, const std::string& failure_text);
