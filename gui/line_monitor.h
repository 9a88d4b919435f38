// The line monitor "LineMonDialog" and the connection set-up
// "LineMon2Dialog". The line monitor shows both ISDN B-channels of the
// registered router live: state and state code, and while a channel is in
// use the peer's number and address, the duration and charge of the
// connection and its packets. Per channel "Disconnect" clears a connection
// that stands; "Connect" opens the set-up dialog, which lists the line
// targets and has the router dial the one chosen. The main window's
// "Connections" pops the monitor up and starts the reports
// (cbfunc_linemonitor, dialog_entry_points.h); "Close" stops them.
//
// Every request of these dialogs is acknowledged by the router, and the
// back end takes a new acknowledged request only when the one before has
// been acknowledged: a request asked for while one still waits is sent as
// soon as that acknowledgement has come, in the order asked.
#pragma once

#include <X11/Intrinsic.h>

#include "records.h"

enum LineMonAction : int {
    LINEMON_ACTION_DISCONNECT_1 = 0,  // "Canal1Disconnect"
    LINEMON_ACTION_DISCONNECT_2 = 1,  // "Canal2Disconnect"
    LINEMON_ACTION_CONNECT = 2,       // "LineMonOk": the set-up dialog
    LINEMON_ACTION_HELP = 3,          // "LineMonHelp"
    LINEMON_ACTION_CLOSE = 4,         // "LineMonClose": pop down, stop the reports
};

enum LineMon2Action : int {
    LINEMON2_ACTION_SELECT = 0,        // selection in "LineMon2List"
    LINEMON2_ACTION_OK = 1,            // "LineMon2Ok": dial the selected line target
    LINEMON2_ACTION_DOUBLE_CLICK = 2,  // double click (or Return) on a line: dial it
    LINEMON2_ACTION_HELP = 3,          // "LineMon2Help"
    LINEMON2_ACTION_CANCEL = 4,        // "LineMon2Close"
};

// The line monitor's buttons; `client` is the LineMonAction.
void LineMonCB(Widget widget, XtPointer client, XtPointer call);

// The set-up dialog's buttons and list; `client` is the LineMon2Action, `call`
// the list's callback record for the list actions.
void LineMon2CB(Widget widget, XtPointer client, XtPointer call);

// Shows a report: per channel the state text, the connection's fields (empty
// while the channel is free) and "Disconnect" (sensitive only while the
// connection stands); "Connect" sensitive while a channel is free.
void helpfunc_set_linemon_data(const LineMonitorData* data);

// Starts the router's reports to cbfunc_linemonitor, once a request before
// it has been acknowledged.
void linemon_start();

// Requests not sent yet (asked for while an acknowledgement was awaited),
// the line monitor's and those of every other action that sends.
int linemon_requests_waiting();
