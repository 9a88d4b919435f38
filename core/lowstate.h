// Acknowledged datagram layer: frames every message with a 4-byte header,
// numbers the ones that must be acknowledged, acknowledges every numbered
// message it receives, retransmits an unacknowledged message and gives up
// when none has come, drops stale duplicates from the connected
// router and reports transport failures through an error callback.
//
// A message is repeated when its acknowledgement is overdue for the router
// it went to, as TCP times its retransmissions: the layer keeps a smoothed
// acknowledgement time and its deviation from the messages this router
// acknowledged the first time they went out (lowstate_rtt.h), repeats after
// that time plus four deviations, doubling the wait on every repeat, and
// gives up on the twelfth tick after the first send. A router that answers
// quickly sees no duplicate on a network that loses nothing, a slow one few,
// and the bound within which a dead router is noticed stays twelve ticks.
//
// At most one acknowledged message is outstanding at any time. Error codes
// (records.h): LOWSTATE_UNEXPECTED_REQUEST 8777, LOWSTATE_NO_ACK 8888,
// LOWSTATE_BUSY 8999, or the errno of a failed send.
#pragma once

#include <cstddef>
#include <cstdint>

#include "lowstate_rtt.h"
#include "records.h"
#include "udp.h"

// Datagram layout, all fields big-endian.
constexpr int LOWSTATE_OFF_CODE = 0;     // u16 message code
constexpr int LOWSTATE_OFF_SEQ = 2;      // u16 sequence number, 0: no acknowledgement wanted
constexpr int LOWSTATE_OFF_PAYLOAD = 4;  // payload, may be empty
constexpr int LOWSTATE_HEADER = 4;       // bytes before the payload

// Acknowledgement: code 0xFF00, sequence 0, payload the acknowledged number.
constexpr uint16_t LOWSTATE_ACK_CODE = 0xFF00;
constexpr uint16_t LOWSTATE_ACK_CLASS =
    0xFF00;                             // any code with this high byte is an acknowledgement
constexpr int LOWSTATE_ACK_LENGTH = 6;  // bytes of a whole acknowledgement

// Retransmission time-out of the acknowledged layer. Before the router's
// first acknowledgement a second comes well after any healthy router's
// answer; the floor is the clock's resolution (a router acknowledging at
// once is measured as 0), and the ceiling keeps the repeats at most four
// ticks apart, as routers are promised.
constexpr RttLimits LOWSTATE_RTO = {
    1000,              // initial_ms
    UDP_FINE_TICK_MS,  // floor_ms
    4000,              // ceiling_ms
    UDP_FINE_TICK_MS,  // granularity_ms
};
constexpr int32_t LOWSTATE_BACKOFF_MS = 2000;  // repeats back off to this, or to the learned time
constexpr int GIVE_UP_TICKS = 11;  // timer count of the give-up: LOWSTATE_NO_ACK on the 12th tick

// A delivered datagram, or the acknowledgement of an acknowledged send.
// `data` is null when `length` is 0; it lives in the endpoint's receive
// buffer, so a callback copies what it keeps.
typedef void (*LowstateReceiveCallback)(uint32_t sender, uint16_t code, uint16_t sequence,
                                        const uint8_t* data, int length);
typedef LowstateReceiveCallback LowstateAckCallback;

// Opens the endpoint on `port` with lowstate_receive and resets the layer:
// idle, not connected, counters 0, no retransmission timer. 0 on success,
// else the nonzero result of udp_open (nothing else is done then).
int lowstate_init(uint16_t port, LowstateReceiveCallback receive, ErrorCallback error);

// Sends `code` with `length` bytes of `data` (null when length is 0) to
// `address`. With want_ack nonzero the message is numbered and awaited, and
// `ack` (may be null) is called when its acknowledgement arrives. Result of
// an acknowledged send: the send counter (its low 16 bits are the sequence
// number), or -1 after the error callback has run: LOWSTATE_BUSY when one
// is outstanding or no timer slot is free (nothing is sent then), else the
// errno of the failed send. A plain send never disturbs an outstanding
// message; it returns 0, or -1 after reporting its errno.
int lowstate_send(uint32_t address, uint16_t code, const void* data, int length, int want_ack,
                  LowstateAckCallback ack);

// connected nonzero: connects the layer to `router` (the duplicate filter and
// LOWSTATE_UNEXPECTED_REQUEST apply to it; when keep_filter is 0 and router
// is nonzero, datagrams from anyone else are dropped). connected 0: drops the
// connection: idle, counters 0, retransmission timer stopped, source filter
// cleared when router is 0.
void lowstate_set_connect_state(int connected, int keep_filter, uint32_t router);

// The layer above has accepted the answer to the awaited message from that
// message's destination, although the acknowledgement has not come: the
// message evidently arrived, so it is neither repeated nor given up any
// more, and the layer is idle (a late acknowledgement is then ignored).
// `counter` is the result of the send that was answered; nothing happens
// unless that message is still awaited. The acknowledgement callback is not
// called: the answer supersedes it.
void lowstate_answered(int counter);

// Tells whether a numbered datagram of `code` from the connected router is
// the reply the layer above awaits to the message whose acknowledgement is
// awaited (nonzero: it is).
typedef int (*LowstateAnswerCheck)(uint32_t sender, uint16_t code);

// A router that numbers its replies sends the awaited reply as a numbered
// message of its own. When the acknowledgement of our message was lost, that
// reply arrives while the layer still awaits it and would be refused as
// LOWSTATE_UNEXPECTED_REQUEST; with a check set, a numbered datagram from the
// connected router that the check takes for the awaited reply, and whose
// number is newer than the last one delivered (a repeat of an earlier reply
// answers nothing), is delivered as if the layer were idle: duplicate filter
// and last number included. The layer above then ends the wait with
// lowstate_answered. Every other numbered datagram from the connected router
// still raises LOWSTATE_UNEXPECTED_REQUEST. lowstate_init clears the check.
void lowstate_set_answer_check(LowstateAnswerCheck check);

// 1 while an acknowledged message awaits its acknowledgement (a second
// acknowledged send now would be refused with LOWSTATE_BUSY), else 0.
int lowstate_awaiting_ack();

// How often the last acknowledged message was sent so far (1 when it went
// out once; 0 before the first). A router that handles each arrival of a
// message may have answered every copy.
int lowstate_transmissions();

// How many acknowledgements of the last acknowledged message have come (a
// router acknowledges every arrival: more than one means the network or a
// repeat brought it to the router more than once).
int lowstate_acknowledgements();

// How many messages, sent once, were acknowledged more than once since the
// layer was initialised: the network brings datagrams twice.
int lowstate_doubled();

// Sends the last acknowledged message again under its own number, as an
// acknowledged send awaiting its acknowledgement anew: a router tells it
// from a new request by that number. `counter` is the result of the send
// that is repeated. Result as lowstate_send: the counter, or -1 after the
// error callback (LOWSTATE_BUSY while a message awaits its acknowledgement);
// 0 and nothing sent when `counter` is not the last message's.
int lowstate_resend(int counter, LowstateAckCallback ack);

// The acknowledgement estimate of the router the last message went to.
const RttEstimate& lowstate_rtt();

// The endpoint's receive function. While connected, also while a message
// awaits its acknowledgement, a numbered datagram
// from the router whose number is at most half the number space behind the
// last one delivered (16-bit serial order, so the order survives the
// router's counter passing 65535), or is that last number itself, is a
// duplicate: acknowledged, not delivered. A copy of a message already handled
// would otherwise be handled twice.
void lowstate_receive(uint32_t sender, const uint8_t* data, int length);

// The retransmission timer's function (fine tick): the time-out expired.
void lowstate_retransmit();
// The give-up timer's function (tick).
void lowstate_give_up();
