// The signals that end, stop or continue a run of the terminal program.
//
// The handlers only note what came; the main loop acts on it between two
// passes, where the router can still be told (a write broken off, the line
// monitor stopped, the router closed) and the terminal put right. A wait of
// the loop is cut short by any of them, so it never acts late.
//
// SIGPIPE is noted like the others: a report written into a closed pipe
// ("| head") then ends the run through the loop, not in the middle of a write.
#pragma once

// Installs the handlers of SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGTSTP and
// SIGCONT. Once per process; later calls do nothing.
void ASCIICatchSignals();

// The first ending signal caught (SIGINT, SIGTERM, SIGHUP, SIGPIPE), or 0.
// It stays noted: the run ends once.
int ASCIIEndingSignal();

// 1 when SIGTSTP came since the last call (the user asked for a stop).
int ASCIITakeStopRequest();

// 1 when SIGCONT came since the last call (the process had been stopped).
int ASCIITakeContinued();

// Stops the process the way SIGTSTP does by default and returns once it is
// continued.
void ASCIIStopNow();

// Ends the process by `sig` with its default action, so that whoever waits
// for it sees how it ended (130 for SIGINT in a shell).
[[noreturn]] void ASCIIEndBySignal(int sig);

// The signal's name for a message ("SIGINT").
const char* ASCIISignalName(int sig);

// Descriptors 0 to 2 that are closed get a descriptor that can be neither
// read nor written: nothing opened later (the socket, the terminal) takes
// their place, and a report to a closed standard output fails as it should.
void ASCIIGuardStandardDescriptors();
