// How a run of the terminal program ends while the router is being changed,
// and what the router is told at every end.
//
// A run that must end in the middle of a write (a signal, or "quit" that the
// user confirms) ends as a failure of the router does: the router may hold
// part of the new tables, or after its reset no configuration at all, and
// the user is told so and gets the emergency copy. Whatever way a run ends,
// a running line monitor is stopped and the router closed first, also when
// a request of the program is still under way. main_error, the end of a
// failure that the back end reports, is here too.
#pragma once

#include <string>

#include "host_services.h"

// The failure path's account of a write that did not finish: for tables, that
// they may be partly written and the copy of the tables as read; for a reset
// or download, that the router may be left without configuration and the
// copy; for the dialogue's other actions, the copy. Nothing else otherwise.
void ASCIIReportUnfinishedWrite();

// The keyboard line of a pass, offered before the steps see it: "quit"
// while the router is being written asks first whether to break the write
// off, and the next line answers. Returns 1 when the line was taken.
int ASCIIOfferToBreakOff(const std::string& line);

// 1 while that question waits for its answer.
int ASCIIBreakOffAsked();

// Ends the run now, the way a failure of the router does when a write is
// under way: the router is told (ASCIITellRouterTheEnd), the unfinished write
// reported with "Abort...", and the run ends with status 1. `sig` is the
// signal that ended it, or 0 for the user's "quit". Without a write under
// way the router is told and the run ends without a word.
void ASCIIBreakOff(int sig);

// The line monitor of linemonitor has been started.
void ASCIINoteLineMonitor();

// The last word to the router: a running line monitor is stopped and the
// router closed, whatever the back end was doing with it. Once per run.
void ASCIITellRouterTheEnd();

// Forgets the question and the line monitor (for a new run in the same
// process).
void ASCIIResetRunEnd();
