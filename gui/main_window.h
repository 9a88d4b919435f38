// The main window: the menu, the list of the routers the start-up scan found,
// and the buttons that start every other activity. MainCB is the callback of
// every control, switching on the action code below; while the busy flag is
// set it takes only Quit.
#pragma once

#include <X11/Intrinsic.h>

#include "records.h"

struct WidgetTable;

enum MainAction : int {
    MAIN_ACTION_QUIT = 0,          // File menu "Quit", the window manager's close
    MAIN_ACTION_HELP = 1,          // Help menu "Help"
    MAIN_ACTION_ROUTER = 2,        // "Router": router settings
    MAIN_ACTION_LINES = 3,         // "Line Targets"
    MAIN_ACTION_LINEMON = 4,       // "Connections": line monitor
    MAIN_ACTION_ACCOUNTING = 5,    // "Accounting"
    MAIN_ACTION_OVERVIEW = 6,      // "Router Overview"
    MAIN_ACTION_REGISTER = 7,      // "Register"
    MAIN_ACTION_DOUBLE_CLICK = 8,  // double click or Return on a list line
    MAIN_ACTION_DEREGISTER = 9,    // "Deregister"
    MAIN_ACTION_SELECT = 10,       // selection in the list
};

constexpr int ACCOUNTING_NOTICE_LINES = 20;  // more line targets than this: busy notice

// Builds the main window into the table; returns "MainForm".
Widget MainFormLayout(Widget shell, WidgetTable* table);

// The menu bar with "File" and "Help" (at its right end); returns it.
Widget MainMenuBarLayout(Widget form);

// The File menu with "Exit" ("Quit"); returns the pull-down.
Widget FileMenuLayout(Widget cascade);

// Every control's callback; `client` is the MainAction, `call` the list's
// callback record for actions 8 and 10.
void MainCB(Widget widget, XtPointer client, XtPointer call);

// The logo button: the about box.
void AboutCB(Widget widget, XtPointer client, XtPointer call);

// The start-up scan's answers: one line and one RouterEntry per router that
// answered differently, then the end marker.
void cbfunc_net_scan(ScanAnswer* answer);
