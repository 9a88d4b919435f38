// The graphical program's windows by name. A dialog is named by the widget
// name of its form (which is also its first slot in the widget table), the
// main window by its form "MainForm". Every display service takes a Dialog;
// logic that needs no X keys its tables by the same values or by the name.
#pragma once

// In the order of the widget table; MainWindow stands before them all.
enum class Dialog : int {
    MainWindow = 0,    // "MainForm": the router list and the main buttons
    ScanDialog,        // busy notice
    PWDialog,          // password prompt
    ConfigDialog,      // line-target table
    ErrorDialog,       // error box
    AboutDialog,       // about box
    QuestionDialog,    // confirmation: download the firmware again
    Config2Dialog,     // line-target editor
    RConfigDialog,     // router settings
    FilterDialog,      // filter table
    RouteDialog,       // route table
    AccountingDialog,  // accounting window
    RouterDialog,      // router overview
    Route2Dialog,      // route editor
    Filter2Dialog,     // filter editor
    LineMonDialog,     // line monitor
    LineMon2Dialog,    // connection set-up
    FileDialog,        // file selection
    FirmwareDialog,    // firmware selection
    HelpDialog,        // help window
    SetPWDialog,       // router password
    Error2Dialog,      // unknown-protocols notice
    RepeatPWDialog,    // new password, repeated
    InputPWDialog,     // new password
    Question2Dialog,   // confirmation: reset before the download
};

constexpr int DIALOG_COUNT = 24;     // the dialogs, MainWindow not counted
constexpr int WINDOW_COUNT = 25;     // MainWindow and the dialogs

// The widget name of a window's form ("MainForm" for the main window); ""
// for a value outside the enumeration.
const char* dialog_name(Dialog dialog);

// The window of a form name; false when no window has that name.
bool dialog_by_name(const char* name, Dialog* dialog);

// Every dialog, in widget-table order (the order in which the busy cursor
// visits them), MainWindow not included.
const Dialog* dialogs_in_table_order();
