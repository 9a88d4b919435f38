// The peer's script and state file: one text form for both, so a state file
// can be fed back as a script.
//
//   # comment (a '#' at the start of a line or after a blank)
//   interface veth0            before the first router: where missing router
//                              addresses are added (default: found by subnet)
//   delay 200                  knobs before the first router are defaults for
//                              every router that follows
//   router r1                  starts a router; r1 is its label
//   address 10.77.0.2          required
//   hw 00:a0:f9:00:00:01
//   configured 0               answers scans with address 0
//   netmask 255.255.255.0
//   phone 0301234              texts: \xHH for odd bytes, no value = empty
//   isdn 1                     0 1TR6, 1 DSS1
//   permanent 0                permanent-connection type 0-3
//   firmware 2.10
//   password secret            empty: no password asked
//   exclusive 10.77.0.1        the only station that may configure it
//   holder 10.77.0.9           a station that holds it
//   channel 1 state=3 code=0x10 peer=10.1.1.1 phone=123 duration=5 charge=2 out=7 in=8
//   line 0 host=10.1.1.1 phone=123 l2=1 blocksize=2048 addr_a=3 addr_b=1 modulo=8
//          window=7 l3=4 words=0,0,0,0,0,0 byte=0 timeout=20 manual=0 bundling=0
//          compression=0 send=name\x00pw receive= counters=1,2,3,4,5,6,7
//   route 0 mask=255.255.255.0 match=10.2.0.0 gateway=10.1.1.1
//   filter 0 send_mask=0.0.0.0 send_match=0.0.0.0 receive_mask=0.0.0.0
//            receive_match=0.0.0.0 protocol=6 action=1 port=23
//   (all of an entry is on one line; omitted fields are 0 or empty)
//
// Knobs: status put|delete|set-password|router-data|accounting CODE;
// refuse REASON; challenge N; password-timeout MS; drop-acks N;
// lose-acks N [CODE]; delay MS [MAX_MS [SEED]]; ack-delay MS;
// repeat answer|process|ack-only; silent-after N;
// loss PERCENT [SEED]; send-loss PERCENT [SEED];
// duplicate PERCENT [SEED]; send-duplicate PERCENT [SEED];
// corrupt PERCENT [SEED]; send-corrupt PERCENT [SEED];
// transit MS [SPREAD [SEED]]; send-transit MS [SPREAD [SEED]];
// late-copy N MS [CODE]; lose-request N [CODE]; lose-reply N [CODE];
// mute CODE...; own REQUEST CODE; numbered yes|no; numbered-linemon yes|no;
// sequence-start N; short-state yes|no; short-open yes|no; restart-delay MS;
// announce-restart yes|no; linemon-interval MS. Codes are message names
// (OPEN_REQUEST) or numbers (0x1001). Every knob is off (0) by default.
//
// drop-acks loses whole requests; lose-acks only their acknowledgements
// (the request is handled and answered, as when the acknowledgement is lost
// on the way back). sequence-start sets the first number of the router's own
// numbered messages (its counter wraps from 65535 to 1).
//
// The router's own time. ack-delay makes the router take that long over
// every numbered request before it acknowledges and handles it, as a flash
// write does. delay holds every reply (not the acknowledgement) that long
// after the request is handled; with MAX_MS each reply waits a random time
// from MS to MAX_MS (seeded). So "delay 2000 2500" acknowledges at once and
// answers after 2.0-2.5 s; "ack-delay 200" takes 0.2 s for both.
//
// A request that arrives twice: under its number (the sender's
// retransmission, or a copy the network made) or with the same code and
// bytes under a new number (the station asking again). repeat says what the
// router does with it: answer acknowledges it and sends the replies it gave
// again (a router that keeps its last replies, at most once; it takes its
// requests one after the other, so a copy that came while it worked gets
// the replies once the first is done); process
// acknowledges it and handles it again as a new request (a second challenge
// for an open, the counters read and reset again, ...); ack-only
// acknowledges it and does nothing else. The router remembers the last 16
// numbered requests of the registration. Without the knob: a copy of the
// last request under its number is acknowledged only, the same bytes under
// a new number are handled as new, and a password repeated to a router that
// accepted it is answered with the open reply again. Every repeat is an
// event: "repeat <acknowledged|answered|handled>: CODE seq=N" under the same
// number, "asked again <...>: CODE seq=N (first seq=M)" under a new one.
//
// The network, each way by its own seed, so that a run can be repeated:
// loss drops datagrams on their way in, send-loss on their way out;
// duplicate and send-duplicate deliver some twice; corrupt and send-corrupt
// change one byte of some (anywhere, header included; the protocol has no
// checksum, so the receiver takes what comes); transit and send-transit hold
// every datagram MS plus a random part of SPREAD ms, so that with a spread
// they overtake one another (a copy takes its own time). The log's RX lines
// show what came off the wire before the faults on the way in, its TX lines
// what went on it after those on the way out.
//
// Set pieces, counting the new requests the router takes from 1 (of CODE
// only, when given; copies, requests asked again and datagrams lost on the
// way do not count): late-copy sends the replies to the N-th a second time,
// MS after the first, as a network that holds one back delivers it;
// lose-request loses the N-th the first time it comes and lets its
// retransmission through; lose-reply handles the N-th and loses what it
// answers (kept all the same: a router that answers repeats sends it).
// announce-restart no: the restarted router does not announce itself, as
// when that one datagram is lost; it still answers scans.
//
// The state file holds the settings, channels and tables only (no knobs),
// plus "image-file PATH" once an image has been received.
#pragma once

#include <string>
#include <vector>

#include "model.h"

// A parsed script.
struct PeerScript {
    std::string interface;            // where missing addresses are added; "" find one
    std::vector<PeerRouter> routers;  // in script order
};

// Parses a whole script; false with `error` ("line 3: ...") on the first fault.
bool script_parse(const std::string& text, PeerScript* script, std::string* error);
// The state file text of the routers.
std::string script_format_state(const std::vector<const PeerRouter*>& routers);
