// The rows of the dialog list (dialog_list.h): what the display services,
// the failure handling and the help window need to know of each window
// without X. The widget-dependent half of a dialog (builder, fill, router
// field, resource lines) is its registry row (gui/dialog_registry.cpp).
#pragma once

#include "dialog_names.h"

enum class Modality {
    FULL,     // no other window of the program takes input
    PRIMARY,  // its ancestors take no input
    NONE,     // modeless
};

// RESOURCES: default positioning off, x/y from the fallback position table;
// CENTRED: over its parent at every popup; PROGRAM: the program sets x/y
// when it shows it.
enum class Placement { RESOURCES, CENTRED, PROGRAM };

// The sections of the help file and the window each belongs to.
enum HelpSection : int {
    HELP_NONE = -1,              // the dialog has no section
    HELP_MAIN = 0,               // main window ("MainForm")
    HELP_LINE_TABLE = 1,         // "ConfigDialog"
    HELP_LINE_EDIT = 2,          // "Config2Dialog"
    HELP_FILTER_TABLE = 3,       // "FilterDialog"
    HELP_FILTER_EDIT = 4,        // "Filter2Dialog"
    HELP_ROUTE_TABLE = 5,        // "RouteDialog"
    HELP_ROUTE_EDIT = 6,         // "Route2Dialog"
    HELP_ROUTER_SETTINGS = 7,    // "RConfigDialog"
    HELP_FIRMWARE = 8,           // "FirmwareDialog"
    HELP_PASSWORD = 9,           // "SetPWDialog"
    HELP_LINE_MONITOR = 10,      // "LineMonDialog"
    HELP_CONNECTION_SETUP = 11,  // "LineMon2Dialog"
    HELP_ACCOUNTING = 12,        // "AccountingDialog"
};

constexpr int HELP_SECTION_COUNT = 13;  // sections 0 to 12

struct DialogRow {
    Dialog dialog;
    const char* name;                    // its form's widget name
    Dialog parent = Dialog::MainWindow;  // MainWindow: the top-level shell
    Modality modality = Modality::NONE;  // as the dialog shell is made
    int width = 0;                       // pixels
    int height = 0;                      // pixels; 0: as the contents need
    bool grows = false;                  // the form may grow
    Placement placement = Placement::RESOURCES;
    bool closes_itself = false;    // its buttons unmanage it
    bool help_on_popup = false;    // an open help window turns to its section
    bool help_on_popdown = false;  // ... to help_parent's section as it goes
    Dialog help_parent = Dialog::MainWindow;
    bool releases_close = false;     // its popdown lets the window manager
                                     // close the main window again
    bool closes_on_failure = false;  // the failure handling closes it: it
                                     // works on the tables or the registration
    HelpSection help_section = HELP_NONE;
};

namespace dialog_table_detail {
using M = Modality;
using P = Placement;
using D = Dialog;
}  // namespace dialog_table_detail

// Indexed by the enumeration: MainWindow, then the dialogs.
inline constexpr DialogRow DIALOG_ROWS[] = {
    {.dialog = Dialog::MainWindow, .name = "MainForm", .help_section = HELP_MAIN},
#define QORVEL_DIALOG_ROW(id, ...) \
    [] { \
        using namespace dialog_table_detail; \
        return DialogRow{.dialog = Dialog::id, .name = #id, __VA_ARGS__}; \
    }(),
    QORVEL_DIALOGS(QORVEL_DIALOG_ROW)
#undef QORVEL_DIALOG_ROW
};

static_assert(sizeof DIALOG_ROWS / sizeof DIALOG_ROWS[0] == WINDOW_COUNT, "a row per window");

// The row of a window; null for a value outside the enumeration.
constexpr const DialogRow* dialog_row(Dialog dialog)
{
    const int n = static_cast<int>(dialog);
    return n >= 0 && n < WINDOW_COUNT ? &DIALOG_ROWS[n] : nullptr;
}

// Whether `list` holds each window for which `wanted` is true exactly once
// and no other: how a hand-ordered list of windows is checked against the
// table when it is compiled.
template <typename Wanted>
constexpr bool dialogs_match(const Dialog* list, int count, Wanted wanted)
{
    int expected = 0;
    for (const DialogRow& row : DIALOG_ROWS)
        if (wanted(row))
            ++expected;
    if (count != expected)
        return false;
    for (int i = 0; i < count; ++i) {
        // By index, not by dialog_row(): the sanitizer build does not let a
        // pointer test stand in a constant expression.
        const int n = static_cast<int>(list[i]);
        if (n < 0 || n >= WINDOW_COUNT || !wanted(DIALOG_ROWS[n]))
            return false;
        for (int j = 0; j < i; ++j)
            if (list[j] == list[i])
                return false;
    }
    return true;
}
