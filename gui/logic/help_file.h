// The help file "qorvel.hlp" and the help window's text: the file is cut into
// one section per dialog at the marker "====>", read once per run at the
// first help request, and every section is shown under a short header that
// says how this program is configured.
//
// A dialog's help button:
//     if (!helpfunc_helptext_loaded()) { busy cursor on; helpfunc_read_helpfile(); off; }
//     text := help_window_text(HELP_ROUTER_SETTINGS);   // into "HelpText"
//     grab the help window unless the section is HELP_MAIN
// While the window is shown it follows the dialogs: a dialog without a
// section (HELP_NONE) leaves the text as it is.
#pragma once

#include <string>

#include "dialog_table.h"  // the sections (HelpSection) and whose they are

constexpr const char HELP_FILE_NAME[] = "qorvel.hlp";
constexpr const char HELP_MARKER[] = "====>";  // the rest of its line is dropped

// The section texts of one help file, each a whole copy.
struct HelpSections {
    std::string text[HELP_SECTION_COUNT];
};

// ------------------------------------------------------------- cutting ---

// Cuts a file's contents into sections: the text before the first marker is
// section 0; each marker ends the section before it where it stands, and it
// and the rest of its line (newline included) are dropped; a marker on a last
// line without newline begins no section; the first twelve markers begin
// sections 1 to 12 and a thirteenth ends section 12. A NUL byte ends the
// text. Sections the contents do not have get message 40 of the table in
// force.
HelpSections help_cut_sections(const std::string& contents);

// "<QORVEL_PATH>/qorvel.hlp", or "qorvel.hlp" when the variable is unset.
std::string help_file_path();

// Reads and cuts the file at `path`. Every section is message 39 when the
// file cannot be opened, is no regular file, or cannot be read whole.
HelpSections help_read_file(const std::string& path);

// The position of the first occurrence of `pattern` in `text`, or null
// (also for a null text or pattern).
const char* helpfunc_find_string(const char* text, const char* pattern);

// ----------------------------------------------------- the run's table ---

// Whether the help file has been read in this run (found or not).
bool helpfunc_helptext_loaded();

// Reads the help file (help_file_path()) into the run's table, once: later
// calls do nothing, so a file created after the first help request is seen
// only in the next run.
void helpfunc_read_helpfile();

// Section `section` of the run's table; "" before it is loaded or for a
// section outside 0 to 12.
const std::string& helpfunc_helptext(int section);

// Forgets the table, as at program start.
void helpfunc_forget_helptext();

// ------------------------------------------------------- window text ---

// Message 75 filled with this host's name text, the netmask text and "on" or
// "off" for the host-name resolving switch.
std::string help_header_text(const char* host, const char* netmask, int resolving);

// The same from the utilities' configuration (own address, netmask and
// switch, rendered by myutil_get_host_name).
std::string help_header();

// What "HelpText" shows for a section: the header, then the section of the
// run's table. "" for HELP_NONE or a section outside 0 to 12.
std::string help_window_text(int section);

// ------------------------------------------------- sections of dialogs ---

// The section of a dialog, by the widget name of its form, as the dialog
// table gives it; HELP_NONE for a name outside the table and for a dialog
// without one (the busy notice, the about box, the error box, the
// file dialog, the confirmations, the password prompt, the overview).
int help_section_of_dialog(const char* dialog);
