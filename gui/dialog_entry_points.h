// The entry points of dialogs that the main window, the start-up, the
// display services and the failure handling call. Each is defined in the
// file of its dialog.
#pragma once

#include "dialog_names.h"
#include "records.h"

struct ListObject;

// Registration and password prompt: the answer to highstate_open_router and
// to highstate_send_password.
void cbfunc_open(OpenReply* reply);

// Router settings dialog: fills its fields from a settings record.
void helpfunc_set_rconfig_data(const RouterSettings* settings);

// Router password dialog: its buffer := the settings' password, its
// exclusive toggle := the settings' exclusive flag.
void helpfunc_set_setpw_data(const RouterSettings* settings);

// Line monitor: every report of the monitor the main window started.
void cbfunc_linemonitor(LineMonitorData* data);

// Accounting window: the end of the accounting read the main window started
// (the counters are in the list handed back).
void cbfunc_accounting(ListObject* lines);

// Router overview: one router-state answer, then the end marker.
void cbfunc_router_state(RouterState* state);

// File selection dialog: prepares it for `mode` (0 load the tables from a
// configuration file, 1 save them to one, 4 save the accounting window's
// text; the saving modes propose the selected router's name) and pops it up.
void helpfunc_popup_file_dialog(int mode);

// Help window: shows the section of `dialog` (MainWindow for the main
// window's), building the window when it does not exist.
void helpfunc_popup_help(Dialog dialog);

// Help window: 1 while it is shown. The display services hold it and read it
// to let the window follow the dialogs; the help window sets it, its
// popdown clears it.
extern int helpfunc_help_shown;
