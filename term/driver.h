// The terminal program's driver: language, command line, start-up, report
// file, the start of the chosen operation and the main loop that runs it to
// its end.
#pragma once

// The whole program; returns the exit status: 0 for a normal end (also
// "quit" and a command line with options only), 1 for every failure.
int ASCIIMain(int argc, char** argv);

// Starts the operation chosen on the command line (after the start-up).
// Returns 1 when the main loop must run, 0 when there is nothing to run.
int ASCIIStartOperation();

// One pass of the main loop after the polls: the router-list, selection and
// operation steps with the keyboard line of the pass (null: none). Returns 1
// when a step moved on.
int ASCIIStepPass(const char* line);

// Runs passes until the exit flag is set, waiting between passes that had
// nothing to do; then closes the router when one was opened.
void ASCIIMainLoop();
