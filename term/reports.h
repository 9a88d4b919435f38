// The terminal program's text output of what the back end delivered: the
// router overview, the router list of a scan, the accounting values and the
// line-monitor screens, and the hidden password prompt for opening a router.
// Reports go to the report stream ASCIIOutFile; the router list and the
// prompts to standard error.
#pragma once

// Prints the block of ASCIIROVData, if any, and forgets it.
void ASCIIROVOut();

// Clears the screen (when standard output is a terminal) and prints the
// numbered router table on standard error.
void ASCIIRCRouterList();

// Prints the accounting values of ASCIIAccData, forgets the list and ends
// the run.
void ASCIIAccOut();

// Prints one line-monitor screen of ASCIILMData and releases it.
void ASCIILMOut();

// The password prompt of an open: the first call shows the prompt and hides
// the typing; the first later call with a line sends it as the password (a
// line longer than a router password is refused and asked again).
void ASCIIPassWDToOpen(const char* line);

// Clears the screen through the shell, only when standard output is a
// terminal whose type is known (a report written to a file or a pipe gets
// no escape codes, and without TERM nothing complains).
void ASCIIClearScreen();

// Starts the report counters again (the line monitor's screen count, the
// password prompt's state).
void ASCIIResetReports();
