// The line-target table dialog "ConfigDialog": the hub for the registered
// router's three tables. It lists the line targets, opens the line-target
// editor for one of them or for a new one, deletes them, opens the route
// and filter tables, loads and saves configuration files, writes the three
// tables into the router (as the difference to what the router holds) and
// undoes every edit.
//
// It also owns the two ends of the table transfer: cbfunc_get_config, which
// takes the tables read at registration, and cbfunc_put_config, which
// follows their writing.
#pragma once

#include <X11/Intrinsic.h>

struct ListObject;

// Action codes of ConfigCB.
enum ConfigAction : int {
    CONFIG_LOAD = 0,          // File menu "Load"
    CONFIG_SAVE = 1,          // File menu "Save"
    CONFIG_HELP = 2,          // Help menu "Help"
    CONFIG_OPEN = 3,          // "Open"
    CONFIG_DOUBLE_CLICK = 4,  // double click (or Return) on a list line
    CONFIG_ADD = 5,           // "Add"
    CONFIG_DELETE = 6,        // "Delete"
    CONFIG_FILTERS = 7,       // "Filter Table"
    CONFIG_ROUTES = 8,        // "Routing Table"
    CONFIG_OK = 9,            // "OK": write the tables
    CONFIG_CANCEL = 10,       // "Cancel": back to what the router holds
    CONFIG_SELECT = 11,       // selection in the list
};

// The callback of every button and of the list; `client` is the action,
// `call` the list's callback record for actions 4 and 11. Ignored while the
// busy flag is set.
void ConfigCB(Widget widget, XtPointer client, XtPointer call);

// Refills a list widget with one line per line target of main_line_list,
// numbered from 1, nothing selected (the table dialog and the connection
// set-up use it).
void helpfunc_fill_line_list(Widget list);

// End of the table read that the registration started: the three new lists
// become the program's, each with its copy.
void cbfunc_get_config(ListObject* lines, ListObject* routes, ListObject* filters);

// End of the write that OK started; `count` entries were sent.
void cbfunc_put_config(int count);
