// The file selection dialog without its widgets: where it looks, the filter
// pattern and preset name it shows, and the messages of its results.
//
//     FileDialogNames n = file_dialog_names(mode == FILE_LOAD_CONFIG ? nullptr : router_name,
//                                               file_dialog_extension(mode));
//     XmFileSelectionDoSearch(dialog, n.pattern); if (n.has_selection) set the selection text;
//     ... after file_load_config(...) returned `code` with `line` and `column`:
//     if (code != CFG_OK) error box: file_load_message(code, line, column);
#pragma once

#include <string>

// The dialog's modes, kept in its user data.
enum FileDialogMode {
    FILE_LOAD_CONFIG = 0,      // "Load" of the line-target table dialog
    FILE_SAVE_CONFIG = 1,      // "Save" of the line-target table dialog
    FILE_SAVE_ACCOUNTING = 4,  // "Save" of the accounting window
};

// "cfg" for the configuration modes, "acc" for the accounting text.
const char* file_dialog_extension(int mode);

// The directory of every mode: QORVEL_PATH when it is set and not empty,
// else the current working directory (empty when even that cannot be had).
std::string file_dialog_directory();

struct FileDialogNames {
    std::string directory;
    std::string pattern;    // "<directory>/*.<extension>"
    std::string selection;  // "<directory>/<name>.<extension>" when a name is given
    bool has_selection;
};

// What the dialog is prepared with before it is shown; `name` may be null
// (loading presets no name). Texts of any length are built whole.
FileDialogNames file_dialog_names(const char* name, const char* extension);

// The message for a configuration file the reader refused: for reader codes
// 1 to 16, message 35 ("%s\nError At Line %d, Column %d") around message
// 56 + code, with the line and column the reader reported.
std::string callback_create_message(int code, int line, int column);

// The message index that stands for a reader's result: 56 + code for 1 to
// 16, 36 "Cannot Read File" for a file that cannot be opened (17) or any
// other code, -1 for success (0).
int file_load_message_index(int code);

// The whole text the error box shows for a reader's result ("" for 0):
// callback_create_message for 1 to 16, message 36 otherwise.
std::string file_load_message(int code, int line, int column);
