// The router password dialogs ("SetPWDialog", "InputPWDialog",
// "RepeatPWDialog"): the proposed password and exclusive flag that the
// router settings dialog reads on OK. Nothing here is sent to the router.
//
// The two entry fields keep their hidden text in buffers of
// PASSWORD_LEN + 1 bytes that the dialogs own, edited by password_buffer.h
// (password_buffer_edit in the modify-verify callback, password_buffer_clear
// at every popup). Enter in "InputPWText" opens "RepeatPWDialog"; Enter in
// "RepeatPWText":
//     int m = password_proposal_confirm(&proposal, input buffer, repeat buffer);
//     m != 0: message m as an error (at x 605)
//     "SetPWDelete" sensitive := proposal.delete_sensitive
#pragma once

#include "records.h"

// What "SetPWDialog" proposes.
struct PasswordProposal {
    char password[PASSWORD_LEN + 1];  // the dialog's buffer: the proposed router password
    bool exclusive;                   // "SetPWExclusivToggle": only this host may configure
    bool delete_sensitive;            // "SetPWDelete": there is a password to delete
};

// Every popup of "SetPWDialog", and every opening of the router settings
// dialog: the current password and exclusive flag.
void password_proposal_open(PasswordProposal* proposal, const RouterSettings& current);

// Cancel (action 2): the proposal goes back to the current password and
// flag, so nothing made in this visit of the dialog stays.
void password_proposal_cancel(PasswordProposal* proposal, const RouterSettings& current);

// Delete Password (action 4): the proposal is an empty password, which
// removes the router's password once the settings are confirmed.
void password_proposal_delete(PasswordProposal* proposal);

// Enter in "RepeatPWText": when both entries are the same text (an empty one
// too), it becomes the proposal and "SetPWDelete" sensitive; returns 0.
// Otherwise the proposal stays and the result is PASSWORD_MSG_MISMATCH; so
// is it for a text longer than PASSWORD_LEN, which no router takes whole.
int password_proposal_confirm(PasswordProposal* proposal, const char* typed, const char* repeated);
