// The router settings dialog ("RConfigDialog"). The dialogs it works with
// have files of their own: the firmware selection (firmware_dialog.h), the
// router password dialogs (router_password_dialogs.h) and the two
// confirmations (question_dialogs.h), which call the settings dialog back
// through the functions below.
//
// Nothing reaches the router before the settings dialog's OK: the
// firmware and password dialogs only leave their choice in the version
// field and in the password proposal. OK then sends one of the four kinds
// of change (router_settings_fields.h decides which), and the completion
// callbacks below take into the current settings what the router accepted.
#pragma once

#include <X11/Intrinsic.h>

#include "records.h"

// Action codes of RConfigCB.
enum RConfigAction : int {
    RCONFIG_ACTION_1TR6 = 0,  // "ISDN_1TR6" .. "ISDN_TYP_2_12": a button of the option menu
    RCONFIG_ACTION_EURO = 1,
    RCONFIG_ACTION_FV64S = 2,
    RCONFIG_ACTION_FVS01 = 3,
    RCONFIG_ACTION_FVS02 = 4,
    RCONFIG_ACTION_HELP = 7,      // "RConfigHelp"
    RCONFIG_ACTION_FIRMWARE = 8,  // "RChangeFirmware"
    RCONFIG_ACTION_PASSWORD = 9,  // "RChangePassword"
    RCONFIG_ACTION_OK = 10,       // "RConfigConfigure"
    RCONFIG_ACTION_CANCEL = 11,   // "RConfigClose"
};

void RConfigCB(Widget widget, XtPointer client, XtPointer call);

// Reads the dialog, the password proposal and the exclusive toggle.
void helpfunc_get_rconfig_data(RouterSettings* settings);

// Checks a proposal against the current settings: a message index (16, 18,
// 22, 30) with the focus moved to the faulty field, 0 nothing changed, or
// the kind of change (-1 password or flag, -2 settings, -3 both, -4
// firmware, mode or permanent connection).
int helpfunc_check_rconfig_data(const RouterSettings* current, const RouterSettings* proposed);

// The family (0 1TR6, 1 DSS1) of the button the option menu shows.
int rconfig_shown_family();

// Completion callbacks of the requests OK sends; the back end calls them
// only when the router answered with status 0.
void cbfunc_put_password(int status);
void cbfunc_put_router_config(int status);
void cbfunc_put_both(int status);

// 1 while a password or settings request of the dialog awaits its answer:
// the dialog then ignores OK, Cancel and the firmware and password buttons.
int rconfig_request_pending();

// ------------------------------------------ what the confirmations call ---

// Applies a checked change of kind `change` (a negative check result) with
// the proposal: OK once the subnet question is out of the way, and Yes of
// "Question2Dialog".
void rconfig_apply_change(const RouterSettings& proposal, int change);

// The proposal whose request the router refused with status 11 or 12, for
// the download that "QuestionDialog" offers; false when the refusal did not
// answer a request of this dialog (a table write, say).
bool rconfig_refused_proposal(RouterSettings* proposal);

// "QuestionDialog" has come up: takes a refusal that the failure handling
// has just seen as the one the question is about.
void rconfig_question_raised();

// The question was answered No: the refused proposal is dropped.
void rconfig_forget_refusal();

// Starts the firmware download that Yes of "QuestionDialog" asks for, with
// the refused proposal (or the current settings) and the loaded tables.
void rconfig_download_again();
