// What one simulated router holds: its settings, its three tables of slots,
// its two B-channels, and the knobs that make it misbehave on purpose. The
// script fills these records, the protocol handlers change them, the state
// file shows them.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "wire.h"

constexpr size_t PEER_PHONE_LEN = 20;           // telephone number field on the wire
constexpr size_t PEER_PAIR_LEN = 40;            // identification pair field on the wire
constexpr size_t PEER_FIRMWARE_LEN = 10;        // firmware version field on the wire
constexpr size_t PEER_MAX_LINES = 30;           // line-target slots
constexpr size_t PEER_MAX_LINES_PERMANENT = 1;  // ... with a permanent connection
constexpr size_t PEER_MAX_ROUTES = 64;
constexpr size_t PEER_MAX_FILTERS = 64;
constexpr int PEER_COUNTERS = 7;  // charge, calls out/in, packets out/in, bytes out/in

// Table identifiers on the wire.
constexpr uint8_t PEER_TABLE_LINES = 0xFF;
constexpr uint8_t PEER_TABLE_ROUTES = 0xF0;
constexpr uint8_t PEER_TABLE_FILTERS = 0x0F;

// One line target slot.
struct PeerLine {
    bool used = false;       // an empty slot answers reads with the short reply
    uint32_t host = 0;       // remote station's address
    std::string phone;       // up to 20 bytes
    uint8_t l2 = 0;          // layer-2 protocol code
    uint16_t blocksize = 0;  // layer-2 parameters
    uint8_t addr_a = 0;
    uint8_t addr_b = 0;
    uint8_t modulo = 0;
    uint8_t window = 0;
    uint8_t l3 = 0;          // layer-3 protocol code
    uint16_t words[6] = {};  // layer-3 parameter words
    uint8_t byte = 0;        // layer-3 parameter byte
    uint16_t timeout = 0;    // seconds
    uint8_t manual = 0;      // flags, as sent
    uint8_t bundling = 0;
    uint8_t compression = 0;
    std::string send_pair;  // the 40 wire bytes, trailing NULs dropped
    std::string receive_pair;
    uint32_t counters[PEER_COUNTERS] = {};  // accounting, in the order of the reply
};

// One static route slot.
struct PeerRoute {
    bool used = false;
    uint32_t mask = 0;
    uint32_t match = 0;
    uint32_t gateway = 0;
};

// One filter rule slot.
struct PeerFilter {
    bool used = false;
    uint32_t send_mask = 0;
    uint32_t send_match = 0;
    uint32_t receive_mask = 0;
    uint32_t receive_match = 0;
    uint8_t protocol = 0;
    uint8_t action = 0;  // 1 accept, 0 reject
    uint16_t port = 0;
};

// One B-channel.
struct PeerChannel {
    uint8_t state = 0;      // 0 free, 1-2 connecting, 3 connected, 4-5 disconnecting
    uint16_t code = 0;      // state code shown by the line monitor
    uint32_t peer = 0;      // remote station's address
    std::string phone;      // its telephone number
    uint32_t duration = 0;  // seconds connected
    uint32_t charge = 0;    // charge units
    uint32_t packets_out = 0;
    uint32_t packets_in = 0;
};

// Request kinds whose status can be forced by the script.
enum PeerStatusKind {
    STATUS_KIND_PUT,
    STATUS_KIND_DELETE,
    STATUS_KIND_SET_PASSWORD,
    STATUS_KIND_ROUTER_DATA,
    STATUS_KIND_ACCOUNTING,
    STATUS_KIND_COUNT
};

// What a router does with a request that arrives twice: a copy under the
// same number (the sender's retransmission, or the network's duplicate), or
// the same bytes under a new number (the station asking again).
enum PeerRepeatMode {
    REPEAT_PLAIN,     // no repeat knob: a copy of the last request under its number is
                      // acknowledged only; the same bytes under a new number are handled
                      // as new, except a repeated accepted password, answered with the
                      // open reply again
    REPEAT_ANSWER,    // acknowledged, and the replies it gave are sent again (a router that
                      // keeps its last replies: at most once)
    REPEAT_PROCESS,   // acknowledged and handled again, as a new request
    REPEAT_ACK_ONLY,  // acknowledged, nothing else
};

// A knob that makes the network misbehave by a seeded chance.
struct PeerChance {
    int percent = 0;  // 0-100; 0 never
    uint32_t seed = 1;
};

// Time on the network: every datagram is held `ms` plus a random part of
// `spread` ms; with a spread, datagrams overtake one another.
struct PeerTransit {
    int ms = 0;
    int spread = 0;
    uint32_t seed = 1;
};

// Fault knobs and reply shapes.
struct PeerKnobs {
    int drop_acks = 0;  // numbered datagrams ignored (no ack, no effect) before the first one taken
    int lose_acks = 0;  // acknowledgements lost on the way back (the request is still handled)
    uint16_t lose_acks_of = 0;     // ... of this request code only; 0 any
    uint16_t sequence_start = 1;   // the first number of the router's own numbered messages
    bool announce_restart = true;  // after a download, announce the new address unasked
    int delay_ms = 0;              // wait before each reply (acknowledgements go at once)
    int loss_percent = 0;          // received datagrams dropped at random, 0-100
    uint32_t loss_seed = 1;        // seed of that random choice
    int send_loss_percent = 0;  // datagrams it sends (acknowledgements, replies) dropped at random
    uint32_t send_loss_seed = 2;  // seed of that random choice
    int silent_after = -1;        // requests answered before going silent; -1 never
    std::set<uint16_t> mute;      // request codes acknowledged but not answered
    std::map<uint16_t, uint16_t>
        own;                // request code -> code of a numbered message sent before its ack
    bool numbered = false;  // replies carry sequence numbers
    bool numbered_linemon = false;       // line-monitor reports carry sequence numbers
    bool short_state = false;            // 52-byte state replies (no mode, type, firmware)
    bool short_open = false;             // 8-byte open replies (no settings)
    int refuse = 0;                      // refuse every open with this reason; 0 never
    int challenge = -1;                  // fixed password challenge; -1 random
    int password_timeout_ms = 60000;     // refuse with reason 6 when the password does not come
    int restart_delay_ms = 300;          // between the start command and the announcement
    int linemon_interval_ms = 1000;      // between line-monitor reports
    int status[STATUS_KIND_COUNT] = {};  // forced status per kind; 0 none
    int ack_delay_ms =
        0;  // a numbered request is acknowledged and handled this late (a flash write)
    int delay_max_ms = 0;     // above delay_ms: each reply waits a random time between them
    uint32_t delay_seed = 4;  // seed of that random choice
    PeerRepeatMode repeat = REPEAT_PLAIN;
    PeerChance duplicate{0, 5};          // received datagrams that arrive twice
    PeerChance send_duplicate{0, 6};     // datagrams it sends that arrive twice
    PeerChance corrupt{0, 7};            // received datagrams with a byte changed
    PeerChance send_corrupt{0, 8};       // datagrams it sends with a byte changed
    PeerTransit transit{0, 0, 9};        // on the way in
    PeerTransit send_transit{0, 0, 10};  // on the way out
    int late_copy = 0;             // the reply to this request (counted from 1) comes again...
    int late_copy_ms = 0;          // ... this much later
    uint16_t late_copy_of = 0;     // ... counting requests of this code only; 0 any
    int lose_request = 0;          // this request (counted from 1) is lost the first time it comes
    uint16_t lose_request_of = 0;  // ... counting requests of this code only; 0 any
    int lose_reply = 0;            // the replies to this request (counted from 1) are lost
    uint16_t lose_reply_of = 0;    // ... counting requests of this code only; 0 any
};

// A numbered request the router took, with the replies it gave, so that a
// copy can be told from a new request and answered as the repeat mode says.
struct PeerRequestRecord {
    uint64_t id = 0;    // raised for every request taken
    uint32_t from = 0;  // the station
    uint16_t seq = 0;
    Bytes datagram;  // header and payload as received
    struct Reply {
        uint32_t from;  // the router's address it went out from
        uint32_t to;
        int delay_ms;  // how long the router took over it
        Bytes datagram;
    };
    bool late_copy = false;      // its replies are to come again (late-copy knob)
    bool lose_reply = false;     // its replies are lost on the way out (lose-reply knob)
    std::vector<Reply> replies;  // as sent (before any loss on the way)
};

constexpr size_t PEER_REQUESTS_KEPT = 16;  // requests remembered for the repeat modes

// A registration in progress or held.
enum PeerSessionState { SESSION_NONE, SESSION_PASSWORD, SESSION_OPEN };

// One simulated router.
struct PeerRouter {
    std::string name;        // label in the log and the state file
    uint32_t address = 0;    // its address: where it is reached, what scans report
    bool configured = true;  // false: scans report address 0
    uint8_t hw[6] = {};      // hardware address
    uint32_t netmask = 0xFFFFFF00;
    std::string phone;
    uint8_t isdn = 1;        // 0 1TR6, 1 DSS1
    uint8_t permanent = 0;   // permanent-connection type 0-3
    std::string firmware;    // up to 10 bytes
    std::string password;    // up to 10 bytes; empty: no password asked
    uint32_t exclusive = 0;  // the only station that may configure it; 0 any
    uint32_t holder = 0;     // the station that holds it; 0 free
    PeerChannel channel[2];
    std::vector<PeerLine> lines;  // slots, index = position in the router's table
    std::vector<PeerRoute> routes;
    std::vector<PeerFilter> filters;
    PeerKnobs knobs;

    // Run time, not scripted.
    std::vector<uint32_t>
        old_addresses;  // addresses it still answers on until the registration ends
    PeerSessionState session = SESSION_NONE;
    uint32_t session_station = 0;  // the station registering or registered
    uint16_t challenge = 0;        // the challenge sent with the password request
    uint16_t challenge_seq = 0;    // the sequence number it carried
    uint64_t session_gen = 0;      // raised whenever the session changes (stale timers)
    uint32_t linemon_station = 0;  // where reports go; 0 no monitor
    uint64_t linemon_gen = 0;
    uint16_t send_seq = 0;       // last sequence number of its own
    int requests = 0;            // requests received, for silent_after
    std::mt19937 loss_rng;       // for loss_percent
    std::mt19937 send_loss_rng;  // for send_loss_percent
    std::mt19937 delay_rng;      // for delay_max_ms
    std::mt19937 duplicate_rng, send_duplicate_rng;
    std::mt19937 corrupt_rng, send_corrupt_rng;
    std::mt19937 transit_rng, send_transit_rng;
    std::deque<PeerRequestRecord> taken;   // the last numbered requests taken, newest last
    uint64_t taken_count = 0;              // ids of the records
    uint64_t replying_to = 0;              // id of the request being handled, 0 none
    std::map<uint16_t, int> new_requests;  // new numbered requests that came, by code
    int new_requests_all = 0;              // ... of every code
    bool restart_pending = false;          // the start command came; the restart is under way
    std::mt19937 rng;                      // challenges
    Bytes image;                           // firmware being received
    bool image_complete = false;
    bool image_gap = false;   // a chunk left a hole
    uint32_t fw_address = 0;  // the address the download gave it
    std::string image_file;   // where the last complete image was written
};
