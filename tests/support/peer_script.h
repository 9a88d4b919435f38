// The simulated router's script, state file and log, as the tests see them:
// plain records to describe routers, the script text they become, and
// parsers for what router-peer writes back.
//
//     SimRouter r = sim_router("r1", "10.77.0.2", "00:a0:f9:00:00:01");
//     r.password = "geheim";
//     r.lines.push_back(sim_line(0, "10.1.1.1", "555"));
//     r.knobs = {"status put 11", "delay 200"};
//     std::string script = peer_script_text({r});
//     ...
//     std::vector<SimRouter> now;
//     ASSERT_TRUE(peer_parse_state(state_text, &now, &why));
//
// Texts are raw bytes (a pair may hold a NUL: std::string("a\0b", 3));
// addresses are dotted quads. The records' defaults are the peer's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int SIM_COUNTERS =
    7;  // charge, calls out, calls in, packets out, packets in, bytes out, bytes in

// One line target in a slot of the router's table.
struct SimLine {
    int index = 0;  // slot
    std::string host = "0.0.0.0";
    std::string phone;
    int l2 = 0;  // layer-2 code and parameters
    int blocksize = 0;
    int addr_a = 0;
    int addr_b = 0;
    int modulo = 0;
    int window = 0;
    int l3 = 0;  // layer-3 code and parameters
    int words[6] = {};
    int byte = 0;
    int timeout = 0;
    int manual = 0;
    int bundling = 0;
    int compression = 0;
    std::string send;  // the 40 wire bytes, trailing NULs dropped
    std::string receive;
    uint32_t counters[SIM_COUNTERS] = {};
};

// One static route.
struct SimRoute {
    int index = 0;
    std::string mask = "0.0.0.0";
    std::string match = "0.0.0.0";
    std::string gateway = "0.0.0.0";
};

// One filter rule.
struct SimFilter {
    int index = 0;
    std::string send_mask = "0.0.0.0";
    std::string send_match = "0.0.0.0";
    std::string receive_mask = "0.0.0.0";
    std::string receive_match = "0.0.0.0";
    int protocol = 0;
    int action = 0;
    int port = 0;
};

// One B-channel.
struct SimChannel {
    int state = 0;  // 0 free, 3 connected, ...
    int code = 0;
    std::string peer = "0.0.0.0";
    std::string phone;
    uint32_t duration = 0;
    uint32_t charge = 0;
    uint32_t packets_out = 0;
    uint32_t packets_in = 0;
};

// One simulated router.
struct SimRouter {
    std::string name;        // label in the log and state file
    std::string address;     // where it answers
    bool configured = true;  // false: scans report address 0
    std::string hw = "00:00:00:00:00:00";
    std::string netmask = "255.255.255.0";
    std::string phone;
    int isdn = 1;  // 0 1TR6, 1 DSS1
    int permanent = 0;
    std::string firmware;
    std::string password;               // empty: no password asked
    std::string exclusive = "0.0.0.0";  // the only station allowed to configure it
    std::string holder = "0.0.0.0";     // a station that holds it
    SimChannel channel[2];
    std::vector<SimLine> lines;
    std::vector<SimRoute> routes;
    std::vector<SimFilter> filters;
    std::vector<std::string> knobs;  // script lines such as "delay 200" (not in the state file)
    std::string image_file;          // state file only: the last image received
};

SimRouter sim_router(const std::string& name, const std::string& address, const std::string& hw);
SimLine sim_line(int index, const std::string& host, const std::string& phone);
SimRoute sim_route(int index, const std::string& mask, const std::string& match,
                   const std::string& gateway);
SimFilter sim_filter(int index, const std::string& send_mask, const std::string& send_match,
                     const std::string& receive_mask, const std::string& receive_match,
                     int protocol, int action, int port);

// The script text; `global` lines (e.g. "interface eth0", default knobs)
// go before the first router.
std::string peer_script_text(const std::vector<SimRouter>& routers,
                             const std::vector<std::string>& global = {});

// Parses a state file; false with `why` on a line it cannot read.
bool peer_parse_state(const std::string& text, std::vector<SimRouter>* routers, std::string* why);

// One line of the log.
struct PeerLogLine {
    enum Kind { RX, TX, EV, OTHER } kind = OTHER;
    std::string from, to;         // RX/TX addresses
    bool short_datagram = false;  // RX of fewer than 4 bytes (code and seq are 0)
    int code = 0;
    int seq = 0;
    std::vector<uint8_t> data;  // payload (RX/TX), or the whole datagram when short
    std::string router;         // EV: router name ("-" for the program itself)
    std::string text;           // EV: the event text
    std::string raw;            // the line as written
};

std::vector<PeerLogLine> peer_parse_log(const std::string& text);
