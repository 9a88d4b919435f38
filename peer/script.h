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
// lose-acks N [CODE]; delay MS; loss PERCENT [SEED]; send-loss PERCENT [SEED];
// ack-delay MS; silent-after N;
// mute CODE...; own REQUEST CODE; numbered yes|no; numbered-linemon yes|no;
// sequence-start N; short-state yes|no; short-open yes|no; restart-delay MS;
// announce-restart yes|no; linemon-interval MS. Codes are message names
// (OPEN_REQUEST) or numbers (0x1001).
//
// drop-acks loses whole requests; lose-acks only their acknowledgements
// (the request is handled and answered, as when the acknowledgement is lost
// on the way back). sequence-start sets the first number of the router's own
// numbered messages (its counter wraps from 65535 to 1).
// loss drops datagrams on their way in, send-loss on their way out (both
// seeded, so a run can be repeated). ack-delay makes the router take that
// long over every numbered request before it acknowledges and handles it,
// as a flash write does; a copy of the request handled last (the sender's
// retransmission, same number and bytes) is acknowledged again but handled
// only once.
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
