// The protocol engine's internals, shared by its operation modules (discovery,
// table transfer, router administration, firmware download). Not for the
// front ends: they use highstate.h.
//
// One context record, `highstate`, holds the one operation that runs. What
// the operation waits for is a typed continuation: one slot per kind of
// awaited message or event, at most one of them set. A reply is handed only
// to the slot of its own kind, so no callback ever receives another
// operation's record. Rules every operation keeps:
//   - set the continuation with highstate_clear_next() followed by the one
//     slot, then send;
//   - to finish, take the callback into a local, clear its slot, then call
//     it: the callback may start the next operation at once;
//   - a request that awaits a reply goes out through highstate_send_request,
//     which bounds the wait (HIGHSTATE_REPLY_TICKS after its acknowledgement)
//     and, for a request that does the same on a second arrival, asks again
//     when the reply is late (the router's replies carry no number, so a
//     reply lost after the acknowledgement is otherwise never missed); the
//     handler that accepts the reply calls highstate_reply_arrived, which
//     also takes the reply for the request's acknowledgement if that was lost;
//   - every timer slot the engine holds is stopped when its operation ends,
//     whichever way, so an old timer never acts on a later operation.
#pragma once

#include <cstdint>

#include "list.h"
#include "lowstate_rtt.h"
#include "records.h"
#include "udp.h"

constexpr int HIGHSTATE_REPLY_TICKS = 30;  // wait for a reply after its acknowledgement
constexpr int HIGHSTATE_READ_RETRIES = 8;  // re-asks of one entry the router answers wrongly
constexpr int HIGHSTATE_REASK_TICKS =
    1;  // the firmware request is broadcast again on every 2nd tick without its reply
constexpr int HIGHSTATE_REASKS = 6;         // a request is asked again at most this often, within
                                            // HIGHSTATE_REPLY_TICKS
constexpr int HIGHSTATE_REOPENS = 2;        // opens asked again after a refusal that may answer a
                                            // challenge the router had replaced
constexpr int HIGHSTATE_REQUEST_MAX = 160;  // payload bytes of a request kept for asking again
constexpr int HIGHSTATE_EARLY_MAX = 64;   // payload bytes of a reply kept until its acknowledgement
constexpr int HIGHSTATE_SCAN_TICKS = 3;   // scan: requests at once, on ticks 2 and 3, end on 4
constexpr int HIGHSTATE_QUERY_TICKS = 2;  // state query: at once and on tick 2, end on 3
constexpr int HIGHSTATE_RESCAN_TICKS = 3;   // reset, restart: a scan every 4th tick
constexpr int HIGHSTATE_RESET_TICKS = 120;  // reset: error 14 on the 121st tick
constexpr int HIGHSTATE_NO_TIMER = -1;      // a timer slot that holds nothing of ours

// How long the open router takes to reply after it acknowledged a request,
// estimated as the acknowledged layer estimates acknowledgements (a reply
// that may answer a repeat is no sample). A router may take seconds (a
// flash write), so before the first sample a reply is awaited three seconds,
// and never less than one.
constexpr RttLimits HIGHSTATE_REPLY_RTO = {
    3000,              // initial_ms
    1000,              // floor_ms
    8000,              // ceiling_ms
    UDP_FINE_TICK_MS,  // granularity_ms
};

// Continuations of the awaited replies.
typedef void (*HighstateEntryFn)(void* record);  // GET_ENTRY_REPLY: a new record, the receiver's
typedef void (*HighstateStepFn)();               // PUT_ENTRY_REPLY with status 0
typedef void (*HighstateCountersFn)(const AccountingCounters* counters);  // GET_ACCOUNTING_REPLY
typedef void (*HighstateAddressFn)(uint32_t address);  // FW_DOWNLOAD_REPLY: the chunks' address

// What the running operation waits for; at most one slot is set.
struct HighstateNext {
    ScanCallback scan;             // a scan's callback, until its end marker
    RouterStateCallback states;    // a router-state query's callback, until its end marker
    OpenCallback open;             // the open's callback, while opening (states 1 and 2)
    ScanCallback announce;         // the announcement that ends a reset (8) or a download (7)
    HighstateAddressFn fw_reply;   // the chunk sender, awaiting FW_DOWNLOAD_REPLY (5)
    HighstateEntryFn entry;        // the table read's step (state 4, expect GET_ENTRY_REPLY)
    HighstateStepFn put;           // the table write's step (state 4, expect PUT_ENTRY_REPLY)
    HighstateCountersFn counters;  // the accounting walk's step (state 4)
    DoneCallback status;           // settings or password change (state 4), called with 0
};

// The chained read and write of all three tables: the lists already read
// are held until the last one is in; the caller's lists of a write are
// borrowed until the chain ends.
struct HighstateChain {
    int32_t n_lines;  // read: the counts the open reply gave
    int32_t n_routes;
    int32_t n_filters;
    ListObject* lines;  // read: the lists already in
    ListObject* routes;
    ListObject* filters;
    TablesCallback tables_fn;  // read: the caller's completion
    ListObject* routes_new;    // write: the tables still to write ...
    ListObject* routes_copy;
    ListObject* filters_new;
    ListObject* filters_copy;
    CountCallback count_fn;  // write: the caller's completion
    int32_t total;           // write: messages sent so far
};

// Completion callbacks of multi-step operations.
struct HighstateDone {
    ListCallback list;      // a table read, the accounting walk
    CountCallback count;    // a table write
    ScanCallback announce;  // a firmware download, while its chunks are sent
};

struct HighstateContext {
    int32_t state;            // HighstateState
    uint32_t broadcast_addr;  // where scans, state queries and firmware requests go
    uint32_t target_addr;     // the router being opened; the address a firmware image is for
    uint32_t router_addr;     // the open router (0: none)
    HighstateNext next;       // the awaited reply or event
    HighstateDone done;       // the multi-step operation's completion callback
    ErrorCallback error_fn;   // the program's main_error
    uint16_t expect;          // reply code awaited in state 4
    uint8_t table;            // table identifier awaited in an entry reply
    uint8_t reset_hwaddr[6];  // the router being reset
    int32_t reset_timer;      // slot of the reset time-out
    int32_t rescan_timer;     // slot of the next scan for a router that is to come back
    int32_t window_timer;     // slot of the scan's or query's next step
    int32_t window_left;      // scan or query: requests still to send after the next tick
    int32_t reply_timer;      // slot of the bounded wait for a reply
    int32_t reply_awaited;    // flag: the last request sent awaits its reply
    int32_t request_counter;  // the acknowledged layer's number of that request (0: none)
    int32_t reask_timer;      // slot of the wait (fine timer) after which the request is asked
                              // again
    int32_t request_repeat;   // HighstateRepeat of the awaited request
    int32_t asks;             // how often the awaited request was sent (0: not repeatable)
    uint32_t request_addr;    // the awaited request, as it is sent again
    uint16_t request_code;
    int32_t request_length;
    uint8_t request_data[HIGHSTATE_REQUEST_MAX];
    uint32_t request_key;     // table and index the request names (entries), else 0
    uint16_t answered_code;   // the request whose reply was accepted last ...
    uint16_t answered_reply;  // ... the code of that reply (a copy has the same) ...
    uint16_t receiving_code;  // the code of the message being dispatched now
    uint32_t answered_key;    // ... the table and index it named ...
    int32_t answered_copies;  // ... and 1 when it went out more than once: a late copy of its reply
                              // may follow
    uint16_t challenge;       // the password request answered (a repeated open renews it)
    uint16_t challenge_seq;
    int32_t challenge_renewed;  // flag: a later password request replaced the one the caller saw
    int32_t request_acked;   // flag: the last transmission of the awaited request was acknowledged
    uint32_t acked_at;       // the clock (fine ticks) of that acknowledgement
    int32_t request_held;    // flag: the request waits for the drain to end before it goes out
    uint32_t drain_until;    // the clock before which no request goes out (copies may come)
    int32_t drain_timer;     // slot of the fine timer that sends a held request
    int32_t network_copies;  // flag: the network was seen to bring a datagram twice
    // Called with every reply of the open router dropped as a copy (null:
    // none watches): the read-and-reset compares copies of its replies.
    void (*copy_watch)(uint16_t code, const uint8_t* data, int length);
    int32_t taken_unacked;    // flag: the reply being handled came before its request's
                              // acknowledgement, and was taken as the proof that it arrived
    int32_t between_counter;  // the acknowledged layer's number of a request sent between two
                              // asks (0: none awaits its acknowledgement) ...
    uint32_t between_key;     // ... and the entry it reads (its reply is dropped)
    int32_t early_held;       // flag: a reply came before its request's acknowledgement ...
    uint16_t early_code;      // ... its code ...
    int32_t early_sent;       // ... how often the request had gone out when it came ...
    int32_t early_length;
    uint8_t early_data[HIGHSTATE_EARLY_MAX];
    uint8_t tables_answered[32];      // bit per table identifier: a reply for it was taken on
                                      // this connection (a late copy of one is no fault)
    RttEstimate reply_rtt;            // the open router's reply times
    char password[PASSWORD_LEN + 1];  // the password given at the prompt, for a new challenge
    int32_t password_given;           // flag: the password was sent (the router may hold us)
    uint16_t answered_challenge;      // the challenge the last password reply answered ...
    uint16_t answered_challenge_seq;  // ... and its password request's number
    int32_t stale_answer;  // flag: a password reply went out that the router may refuse (an old
                           // challenge, or a copy of an answer it took)
    int32_t reopens;       // opens asked again after such a refusal
    int32_t fw_timer;      // slot of a firmware time-out (firmware module)
    int32_t count;         // entries to read; index in flight; accounting position
    int32_t index;         // the entry asked for next (low 16 bits on the wire)
    int32_t retries;       // wrong-index answers to the entry asked for now
    int32_t put_count;     // put and delete messages sent for the table being written
    int32_t writes;        // ... for the whole write (all tables of a configuration)
    int32_t deleting;      // flag: the table write is past the edited list, deleting
    uint32_t serial;       // raised by every operation start (tells a stale report apart)
    ListObject* list_new;  // table write: edited list; accounting: the line targets
    ListObject* list_old;  // table write: the list as last read
    ListNode* cur_new;     // the walk's position in list_new
    ListNode* cur_old;     // ... in list_old
    LineMonitorCallback linemon_fn;  // set while the line monitor runs
    PercentCallback progress_fn;     // the firmware download's percentage callback
    HighstateChain chain;            // the chained read or write of all three tables
};

extern HighstateContext highstate;

// The lists a table read is filling (null otherwise); the error paths and the
// close destroy them.
extern ListObject* line_list;
extern ListObject* route_list;
extern ListObject* filter_list;

// ------------------------------------------------------------ engine core

// The dispatcher: the acknowledged layer's receive callback. It and
// highstate_init stand above the operation modules, whose handlers it calls.
void highstate_receive(uint32_t sender, uint16_t code, uint16_t sequence, const uint8_t* data,
                       int length);

// The acknowledged layer's error callback (8777, 8888, 8999, errno).
void highstate_transport_error(int code);

// The error path of rejected messages and of time-outs (sender 0 with 13 or
// 14). A fault of the open router drops it with a CLOSE_REQUEST carrying the
// code; a fault of the router being opened abandons the open; both then call
// error_fn with the code. Other senders' faults are ignored.
void highstate_protocol_error(uint32_t sender, int code);

// Accepted from the open router at any time, without effect.
int highstate_recv_close(uint32_t sender, uint16_t seq, const uint8_t* data, int length);
int highstate_recv_isdn_close(uint32_t sender, uint16_t seq, const uint8_t* data, int length);

// Clears every continuation slot.
void highstate_clear_next();

// How a request is asked again when its reply is overdue for this router
// (its reply time-out, HIGHSTATE_REPLY_RTO, doubled on every ask):
//   - HIGHSTATE_ASK_AGAIN: the same payload under a new number; only for a
//     request that does the same on a second arrival (reading an entry,
//     putting or deleting a slot, the settings, the plain accounting read,
//     the open, whose second arrival draws a new challenge that replaces the
//     first);
//   - HIGHSTATE_ASK_SAME: the very datagram under its own number, which
//     tells the router that it is a repeat: a router that keeps its replies
//     answers with the kept one, and what one that handles it again does is
//     checked by the operation (read and reset, password change). When two
//     such repeats were acknowledged and still not answered, the router only
//     acknowledges repeats: from then on it is asked under a new number,
//     after an entry read, and the operation's check tells the second
//     handling;
//   (HIGHSTATE_ASK_AGAIN asks after the first that was acknowledged and not
//   answered go out after an entry read as well: a router that takes a
//   request with the bytes of its last one for a repeat answers it then);
//   - HIGHSTATE_ASK_BY_OPEN: the answer to the password: a router that took
//     it and whose acceptance was lost asks for no password any more, so the
//     open is asked again and its new challenge answered with the password
//     given;
//   - HIGHSTATE_ASK_ONCE: never.
enum HighstateRepeat {
    HIGHSTATE_ASK_ONCE = 0,
    HIGHSTATE_ASK_AGAIN = 1,
    HIGHSTATE_ASK_SAME = 2,
    HIGHSTATE_ASK_BY_OPEN = 3,
};

// Table and index of an entry request or reply, as highstate_send_request's
// key (0 for every other request).
uint32_t highstate_entry_key(uint8_t table, uint16_t index);

// Sends a numbered request to `address` that awaits a reply; the wait ends
// through the protocol error path with STATUS_TIMEOUT when the reply has not
// come HIGHSTATE_REPLY_TICKS after the acknowledgement. A repeatable request
// is sent again (a new number, the same payload) HIGHSTATE_REASK_TICKS+1
// ticks after each acknowledgement without its reply, HIGHSTATE_REASKS
// times at most. `key` names what the request is about, so that a late copy
// of its reply is known after the next request has gone out. After an
// exchange whose request the router may have had more than once, the next
// request of the same kind (but an entry read) is held until copies of that
// reply have had time to come (the router's reply time-out), and goes out
// from a timer then. Returns the
// acknowledged send's result (-1: failed, already reported), or 0 when the
// request is held.
int highstate_send_request(uint32_t address, uint16_t code, const void* data, int length,
                           HighstateRepeat repeat, uint32_t key);

// Keeps an unnumbered reply that came before the awaited request's
// acknowledgement (the dispatcher decides when): the acknowledgement hands it
// to the dispatcher again, now as a reply after it, unless the request went
// out again after the reply came (the acknowledgement may then be of the
// repeat alone, and the reply a copy of the previous one). A later one
// replaces it (the earlier is the likelier copy); the next request, or the
// end of the wait, drops it.
void highstate_hold_early_reply(uint16_t code, const uint8_t* data, int length);

// 1 when the network was seen to bring a datagram twice (a message sent once
// and acknowledged twice, a copy that nothing of ours explains).
int highstate_network_doubles();

// 1 when the awaited request may have reached the router more than once: it
// was asked more than once, went out more than once, or was acknowledged
// more than once. Each arrival may draw a reply of its own.
int highstate_request_reached_twice();

// The awaited reply came: its wait ends, and a request whose acknowledgement
// was lost on the way counts as acknowledged (the reply shows it arrived),
// so the operation's next request is not refused as busy.
void highstate_reply_arrived();

// Ends the running operation with `code` as a failure: of the open router
// (CLOSE_REQUEST with the code), of the router being opened, or, with no
// router at all, as a plain drop; error_fn gets the code in every case.
void highstate_fail(int code);

// Back to idle without a router: state 0, addresses, continuations and the
// line monitor cleared, every timer of the engine stopped, the lists being
// read destroyed, the failed read chain's lists freed. The transport is left
// as it is.
void highstate_drop_operation();

// Stops a timer slot the engine holds and marks it free.
void highstate_stop_timer(int32_t* slot);

// ----------------------------------------------- discovery and registration

void highstate_send_scan();           // one more SCAN_REQUEST of a scan
void highstate_scan_done();           // end of a scan
void highstate_send_state_query();    // one more STATE_QUERY of a query
void highstate_router_states_done();  // end of a query

int highstate_recv_announce(uint32_t sender, uint16_t seq, const uint8_t* data, int length);
int highstate_recv_router_state(uint32_t sender, uint16_t seq, const uint8_t* data, int length);
int highstate_recv_password_request(uint32_t sender, uint16_t seq, const uint8_t* data, int length);

// Sends the password given at the prompt (highstate.password) in answer to
// the router's newest challenge; the open's callback gets the router's answer.
void highstate_answer_challenge();
int highstate_recv_open_reply(uint32_t sender, uint16_t seq, const uint8_t* data, int length);
int highstate_recv_open_refused(uint32_t sender, uint16_t seq, const uint8_t* data, int length);

// ------------------------------------------------------------ table transfer

// One table each: a read hands `fn` a new list of what the router holds; a
// write sends what differs between `edited` and `old` and hands `fn` the
// number of messages sent.
void highstate_get_line_data(ListCallback fn, int n);
void highstate_get_route_data(ListCallback fn, int n);
void highstate_get_filter_data(ListCallback fn, int n);
void highstate_put_line_data(CountCallback fn, ListObject* edited, ListObject* old);
void highstate_put_route_data(CountCallback fn, ListObject* edited, ListObject* old);
void highstate_put_filter_data(CountCallback fn, ListObject* edited, ListObject* old);

// Frees what a table-read chain that failed halfway still holds.
void highstate_release_chain();

// Continuations of the table read (a new record, the read's to keep or free)
// and the write steps.
void highstate_help_line_data(void* record);
void highstate_help_route_data(void* record);
void highstate_help_filter_data(void* record);
void highstate_help_put_line();
void highstate_help_put_route();
void highstate_help_put_filter();

// Steps of the chained reads and writes of all three tables.
void interface_load_lines_done(ListObject* list);
void interface_load_routes_done(ListObject* list);
void interface_load_filters_done(ListObject* list);
void interface_save_lines_done(int count);
void interface_save_routes_done(int count);
void interface_save_filters_done(int count);

int highstate_recv_entry(uint32_t sender, uint16_t seq, const uint8_t* data, int length);
int highstate_recv_put_reply(uint32_t sender, uint16_t seq, const uint8_t* data, int length);

// ------------------------------------------------------ router administration

void highstate_help_accounting(const AccountingCounters* counters);  // next position, read
void highstate_help_accreset(const AccountingCounters* counters);    // ... read and reset
void highstate_reset_scan();     // one scan while waiting for the reset router
void highstate_reset_timeout();  // the reset router did not come back

int highstate_recv_password_reply(uint32_t sender, uint16_t seq, const uint8_t* data, int length);
int highstate_recv_router_data_reply(uint32_t sender, uint16_t seq, const uint8_t* data,
                                     int length);
int highstate_recv_accounting(uint32_t sender, uint16_t seq, const uint8_t* data, int length);
int highstate_recv_linemon(uint32_t sender, uint16_t seq, const uint8_t* data, int length);

// --------------------------------------------------------- firmware download
// How the firmware module uses the context:
//   - state 5 (HIGHSTATE_FW_REQUESTED): target_addr = the address the router is
//     to use; next.fw_reply = its chunk sender; done.announce = the caller's
//     done callback; progress_fn; fw_timer = the request's time-out. The
//     engine's FW_DOWNLOAD_REPLY handler (highstate_recv_fw_reply) stops
//     fw_timer, moves to state 6, clears the slot and calls the chunk sender
//     with the address the reply carries.
//   - state 6: the chunks chain through lowstate_send acknowledgement
//     callbacks; a lost chunk ends through the transport (8888).
//   - state 7: next.announce = the done callback (taken from done.announce),
//     target_addr = the address that acknowledged the last chunk, fw_timer =
//     the restart time-out, rescan_timer = the next scan (every fourth tick,
//     as the reset does, in case the router's one announcement is lost). The
//     first announcement or scan answer under target_addr makes the engine
//     stop both timers, go idle, clear the slot and call it.
//   - the time-outs do nothing unless the state is still theirs, clear
//     fw_timer when they fire, and end through
//     highstate_protocol_error(0, STATUS_FIRMWARE_FAILED).
// Every error path and highstate_drop_operation stop fw_timer and rescan_timer.

// Downloads an already patched image; returns 0.
struct FirmwareImage;
int highstate_firmware_download(ScanCallback done, FirmwareImage* image, const uint8_t* hwaddr,
                                uint32_t address, PercentCallback progress);

int highstate_recv_fw_reply(uint32_t sender, uint16_t seq, const uint8_t* data, int length);

void highstate_restart_scan();  // one scan while waiting for the restarted router
