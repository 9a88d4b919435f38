// The end of the routerconfig dialogue: the summary of the new configuration
// with its change marks and the actions it needs, and the actions that the
// save question's yes starts, with their completion callbacks: a firmware
// download that carries the settings, the password and the tables in its
// image, or else a settings change, a password change, or both (settings
// first). The program ends once every action started has completed.
#pragma once

#include "records.h"

// The show phase of the summary state: works out which actions the changes
// need (ASCIIDoDownLoad, ASCIIDoPassword, ASCIIDoConfig), clears the screen
// and prints the summary on standard error.
void ASCIIShowSummary();

// Builds the router record from the dialogue's values and starts the actions
// the summary named.
void ASCIIStartActions();

// The waiting state, every pass: sets the exit flag once every action started
// has completed. Returns 1 then, 0 while it waits.
int ASCIIActionsWait();

// Starts the password change of the save with the record's password, the
// password the router was opened with and the exclusive flag. Called at the
// save, or once the settings have been written when both change.
void ASCIIStartPasswordChange();

// Ends the download's progress line ("\r 38 %") when one is open, so that
// a message that follows starts on a line of its own.
void ASCIIEndProgressLine();

// While a question waits for its answer the progress is not shown: its
// carriage return would write over the question.
void ASCIIHoldProgress(bool hold);

// The router record of the save (all zero before it).
const RouterSettings* ASCIIRouterRecord();

// Forgets the record and the progress line (for a new run in the same
// process).
void ASCIIResetActions();

// The completion callbacks of the actions.
void ASCIIPWDCB(int status);         // password changed
void ASCIIPutRDataCB(int status);    // settings written; starts the password change when it is due
void ASCIIGetPCB(int percent);       // download progress
void ASCIIDLCB(ScanAnswer* answer);  // download done
