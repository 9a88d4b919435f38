// The host services the back end requires (main_register, main_add_timer,
// declared in host.h; main_error is in run_end) and the three polls of every
// pass of the terminal program's main loop: the timers, the socket and the
// terminal.
//
// The polls never wait. The loop waits, between passes that had nothing to
// do, in ASCIIWaitForEvents: until the socket or the terminal has input or
// the next timer is due.
#pragma once

#include <optional>
#include <string>

#include "host.h"

// The registered socket and its callback (one at a time).
extern int ASCIISocketFd;   // -1 until main_register
extern HostCallback SelCB;  // null until main_register

// When the registered socket has a datagram or an exceptional condition,
// calls the registered callback once. Returns 1 when it was called.
int ASCIIDoConnectRead();

// The line typed at the terminal since the last poll, or none. "quit" also
// sets the exit flag, unless the router is being written (then the driver
// asks first). The end of input ends the run (exit flag, status unchanged).
std::optional<std::string> ASCIIReadKeyboard();

// Waits at most `limit_ms` (-1: no limit of its own) until the socket or the
// terminal has input or the next timer is due. Consumes nothing.
void ASCIIWaitForEvents(int limit_ms);

// Writes the emergency copy of the loaded tables with the open router's
// settings to "/tmp/save.cfg" and tells the user whether it was written.
// Does nothing without loaded tables. Returns 1 when the file was written.
int ASCIISaveEmergencyCopy();

// After a failure while linetarget wrote the tables: says that the router
// may hold only part of them, writes its tables as read before the write to
// the emergency copy and tells the user where they are, or that the copy
// could not be written. Returns 1 when the file was written.
int ASCIISavePartlyWritten();

// 1 from the start of linetarget's write of the tables (ASCIIWriteTables)
// until the router has taken the whole write: a failure meanwhile leaves it
// with only part of the file's tables, and main_error saves the tables read.
void ASCIISetTablesWriteUnfinished(int unfinished);
int ASCIITablesWriteUnfinished();

// What the router is left with if the run ended now.
enum class ASCIIWriteState {
    NONE,           // nothing is being written
    TABLES,         // linetarget writes the tables: they may be partly written
    CONFIGURATION,  // a reset and download run: the router may have no configuration
    SETTINGS,       // the dialogue's settings or password change runs
};

ASCIIWriteState ASCIIWriteUnderWay();

// The user-facing text of a failure code of the back end, with its line end.
std::string ASCIIErrorMessage(int code);

// Tells the user, in their language, that `path` could not be written.
void ASCIIReportWriteError(const char* path);

// Tells the user that no terminal is there to read an answer from.
void ASCIIReportNoTerminal();
