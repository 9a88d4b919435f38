// The protocol engine: one operation at a time with one router, driven by the
// routers' datagrams and the 1-second tick.
//
// Every operation that awaits an answer sends its first request and returns
// at once; its result arrives later through the completion callback it was
// given, called from inside the host's socket or tick callback after the
// engine has reached the state it reports. A callback may start the next
// operation at once. A record handed to a callback belongs to the engine and
// is valid only during the call; lists handed over at the end of a read
// become the receiver's.
//
// Failures reach the program through the error callback given to
// highstate_init (the program's main_error), once per failure and after the
// engine is idle again. Codes: records.h (STATUS_*, LOWSTATE_*,
// HIGHSTATE_UNKNOWN_CODE), -1 for a failed send while a router is being
// opened, or a system error number of a failed send.
#pragma once

#include <cstdint>

#include "records.h"

struct ListObject;

// Engine states.
enum HighstateState : int32_t {
    HIGHSTATE_IDLE = 0,             // no router open, no exchange (scans and queries run here)
    HIGHSTATE_OPENING = 1,          // open request sent to the router being opened
    HIGHSTATE_PASSWORD_ASKED = 2,   // the router asked for the password
    HIGHSTATE_CONNECTED = 3,        // a router is open, nothing awaits its reply
    HIGHSTATE_REQUEST_PENDING = 4,  // a request awaits its reply
    HIGHSTATE_FW_REQUESTED = 5,     // firmware request broadcast, awaiting the router's reply
    HIGHSTATE_FW_SENDING = 6,       // image chunks are being sent
    HIGHSTATE_FW_RESTARTING = 7,    // start command sent, awaiting the router's announcement
    HIGHSTATE_RESETTING = 8,        // reset sent, awaiting the reset router's announcement
};

constexpr uint16_t HIGHSTATE_PORT = 1532;  // UDP port at both ends

// Opens the UDP endpoint on HIGHSTATE_PORT, creates the list class and puts
// the engine in idle. `broadcast` is where scans, state queries and firmware
// requests go. Returns 0, UDP_NO_OWN_ADDRESS when this host has no address,
// or the system error number of the socket set-up (then nothing else is done).
int highstate_init(ErrorCallback error_fn, uint32_t broadcast);

// The engine's current state (HighstateState).
int highstate_get_state();

// 1 while an acknowledged request awaits the router's acknowledgement, else
// 0. A front end that sends requests without a reply of their own (the line
// monitor's, the connections by hand) asks before each one: a second
// acknowledged request now would end the connection with LOWSTATE_BUSY.
int highstate_ack_awaited();

// Whether the failure reported last through the error callback ended a
// table write, and how far it had come: -1 when it ended no table write;
// else the put and delete requests the write had sent to the router (0:
// none, the router's tables are as they were; more: they may be partly
// written). Valid from the error callback on, until the next failure.
int highstate_failed_write_count();

// ------------------------------------------------ discovery and registration

// Finds the routers: `fn` gets one ScanAnswer per answer, then, on the fourth
// tick, the end marker (status 1). Does nothing unless idle.
void highstate_scan_net(ScanCallback fn);

// Asks every router for its B-channels: `fn` gets one RouterState per answer,
// then, on the third tick, the end marker. Does nothing unless idle.
void highstate_get_router_states(RouterStateCallback fn);

// Opens the router at `address`; `fn` gets an OpenReply (accepted, password
// wanted, refused). Does nothing (returns 0) unless idle and `address` is
// neither 0 nor the broadcast address. Returns the acknowledged send's result:
// its sequence counter, or -1 when it failed.
int highstate_open_router(OpenCallback fn, uint32_t address);

// Answers a password request: `seq` and `seed` are the OpenReply's, `password`
// the text typed (at most PASSWORD_LEN characters; a longer one is not sent).
// The answer goes to the open's callback; `fn` is not used. Does nothing
// unless the router asked for a password.
void highstate_send_password(OpenCallback fn, uint16_t seq, const char* password, uint16_t seed);

// Ends the registration with the open router. Does nothing (returns 0)
// unless a router is open and idle; returns the result of the send.
int highstate_close_router();

// Ends whatever the engine is doing with a router at once, for a program
// that must stop now: the operation is dropped without a report, the
// connection closed, and the router that was open, being opened, reset or
// loaded gets the close request. Returns the result of that send, or 0 when
// no router was concerned.
int highstate_abandon_router();

// ------------------------------------------------------------ table transfer
// These rely on the caller to start them only while a router is open and idle.

// Reads the open router's three tables (counts as the OpenReply gave them) and
// hands them to `fn` as three new lists that become the caller's.
void interface_load_config(int n_lines, int n_routes, int n_filters, TablesCallback fn);

// Writes to the open router what differs between each edited list and its old
// copy (lines first, then routes, then filters); `fn` gets the number of put
// and delete messages sent (0: nothing changed). A null route or filter list
// skips that table. The lists stay the caller's.
void interface_save_config(ListObject* lines, ListObject* lines_old, ListObject* routes,
                           ListObject* routes_old, ListObject* filters, ListObject* filters_old,
                           CountCallback fn);

// ------------------------------------------------------ router administration
// As above, these rely on the caller to start them only while a router is
// open and idle, except where a state is named.

// Fills the counters of every line target of `lines` (in list order), then
// calls `fn(lines)`. An empty or null list is handed back at once.
void highstate_get_accounting(ListCallback fn, ListObject* lines);

// As highstate_get_accounting, and the router resets each counter it reports.
// Each position is read plainly first: the counters only grow, so a reset
// reply below that read cannot be the first reset's (the router had the
// request twice and reset the counters twice); see highstate_counters_doubtful.
void highstate_get_acc_reset(ListCallback fn, ListObject* lines);

// After a read and reset has handed back its list, until the next accounting
// read: 1 when the counters at that 0-based position of the list are
// doubtful (the router may have applied the reset twice; the values it
// reported are not what it had counted), else 0.
int highstate_counters_doubtful(int position);

// Sets the router password to `new_password` proving `current` (each at most
// PASSWORD_LEN characters are used); `exclusive` nonzero lets only this
// workstation configure the router. `fn(0)` on success. When the request may
// have reached the router twice and the router refuses it as carrying a
// wrong password (the first arrival replaced the one it proves), the engine
// checks by proving the new password: the change counts as made when that
// check is accepted.
void highstate_set_password(DoneCallback fn, const char* new_password, const char* current,
                            int exclusive);

// Sends the router's address, netmask, telephone number and permanent-
// connection type. `fn(0)` on success.
void highstate_put_router_data(DoneCallback fn, const RouterSettings* settings);

// From now on every line-monitor report goes to `fn`, until stopped. Both do
// nothing unless a router is open (state connected or above).
void highstate_start_linemon(LineMonitorCallback fn);
void highstate_stop_linemon();

// Asks the router to dial the line target at the 0-based `position` of its
// table. No answer is awaited.
void highstate_open_isdn(int position);

// Asks the router to hang up B-channel `channel` (0 or 1). No answer is awaited.
void highstate_close_isdn(int channel);

// Resets the open router to its unconfigured state; `fn` gets the ScanAnswer
// of its announcement afterwards. Returns 1 when started, 0 (nothing done)
// unless the state is connected.
int highstate_reset_router(ScanCallback fn, const uint8_t* hwaddr);

// -------------------------------------------------------- firmware download

// Loads the firmware image that `settings` name, patches the settings and the
// three tables into it (all three null: no tables) and downloads it into the
// router with hardware address `hwaddr` (6 bytes). With tables the open router
// is reset first. `done` gets the router's announcement under its new
// address; `progress` (may be null) the percentage sent. Returns 1 when
// started, 0 when the image cannot be loaded or patched, or cannot be started.
int interface_firmwaredownload(const uint8_t* hwaddr, const RouterSettings* settings,
                               ListObject* lines, ListObject* routes, ListObject* filters,
                               ScanCallback done, PercentCallback progress);
