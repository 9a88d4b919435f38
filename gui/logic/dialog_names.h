// The graphical program's windows by name. A dialog is named by the widget
// name of its form (which is also its first slot in the widget table), the
// main window by its form "MainForm". Every display service takes a Dialog;
// logic that needs no X keys its tables by the same values or by the name.
#pragma once

#include "dialog_list.h"

// In the order of the widget table (dialog_list.h); MainWindow stands
// before them all.
enum class Dialog : int {
    MainWindow = 0,  // "MainForm": the router list and the main buttons
#define QORVEL_DIALOG_ENUMERATOR(id, ...) id,
    QORVEL_DIALOGS(QORVEL_DIALOG_ENUMERATOR)
#undef QORVEL_DIALOG_ENUMERATOR
};

#define QORVEL_DIALOG_ONE(id, ...) +1
constexpr int DIALOG_COUNT = 0 QORVEL_DIALOGS(QORVEL_DIALOG_ONE);  // MainWindow not counted
#undef QORVEL_DIALOG_ONE
constexpr int WINDOW_COUNT = DIALOG_COUNT + 1;  // MainWindow and the dialogs

// The widget name of a window's form ("MainForm" for the main window); ""
// for a value outside the enumeration.
const char* dialog_name(Dialog dialog);

// The window of a form name; false when no window has that name.
bool dialog_by_name(const char* name, Dialog* dialog);

// Every dialog, in widget-table order (the order in which the busy cursor
// visits them), MainWindow not included.
const Dialog* dialogs_in_table_order();
