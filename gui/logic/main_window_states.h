// Which of the main window's seven buttons take input, and whether its router
// list does, in each situation of the user's work. The display service
// helpfunc_main_state() applies a row; helpfunc_main_buttons() sets the
// buttons alone for the callers that state them one by one.
#pragma once

enum class MainState {
    IDLE,                 // after start-up, deregistration and a back-end failure
    START_FAILED,         // no back end: protocol definitions or port
    ROUTER_SELECTED,      // a normal line is selected
    REGISTERING,          // waiting for the router (only Quit is taken)
    REFUSED,              // the router refused the registration
    UNCONFIGURED_ROUTER,  // "Register" on a router without address
    REGISTERED_LINES,     // tables read, at least one line target
    REGISTERED_NO_LINES,  // tables read, no line target
    REGISTERED_UNKNOWN,   // tables with protocol parameters no definition matches
};

// One row: the buttons in the argument order of helpfunc_main_buttons.
struct MainButtons {
    int open;        // "Open" ("Register")
    int router;      // "ConfigureRouter" ("Router")
    int lines;       // "ConfigureLines" ("Line Targets")
    int linemon;     // "LineMonitor" ("Connections")
    int accounting;  // "Accounting"
    int overview;    // "Overview" ("Router Overview")
    int close;       // "Close" ("Deregister")
    int list;        // "SelectionList" takes input
};

MainButtons main_window_buttons(MainState state);
