// Netmask probe: the netmask of the interface that carries this host's
// address, found through the system's routing-table and interface commands.
//
// The commands' output is handled by pure parsers, so both forms of output
// can be checked from literal text:
//  - routing table, as "<gateway> <interface>" per line: an interface whose
//    gateway is this host itself (older systems), or one with an on-link
//    route (gateway "0.0.0.0" or "*", current net-tools);
//  - interface, as "<address> <mask>" per "netmask" line: the mask either in
//    hexadecimal ("ffffff00", "0xffffff00") or as a dotted quad.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "records.h"

// Directories put in front of PATH so the commands are found.
constexpr const char* NETPROBE_PATH_PREFIX = "/usr/etc:/usr/sbin:/etc:/bin:/usr/bin";
constexpr size_t NETPROBE_HOSTNAME_SIZE = 128;  // bytes of the host name, NUL included
constexpr size_t NETPROBE_IFNAME_MAX = 15;      // characters of an interface name
constexpr size_t NETPROBE_OUTPUT_MAX = 65536;   // bytes of a command's output taken

// Turns a gateway or address text into an address (0: none).
typedef uint32_t (*NetprobeResolveFn)(const char* text);

// The interfaces worth asking, best first.
struct NetprobeInterfaces {
    std::vector<std::string> names;  // plain interface names, no repeats
    bool own_gateway;                // names[0] routes through this host itself
};

// Reads the routing-table pipeline's output for this host's address `own`.
// An interface whose gateway resolves to `own` comes first (and alone counts
// as own_gateway); interfaces with an on-link route follow in table order.
// Lines without two fields, and interface names that are not plain, are
// skipped. Nothing is chosen when `own` is 0. Header lines never reach
// `resolve`: the first line whose gateway field is netstat's column title
// "Gateway" is the column header, the lines before it are titles, and a
// later line equal to it heads another section; nor does a gateway that
// cannot be a host name or address (separator rules, link or IPv6 gateways).
// Without a column header every line is an entry.
NetprobeInterfaces netprobe_parse_routes(const std::string& output, uint32_t own,
                                         NetprobeResolveFn resolve);

// Reads the interface pipeline's output: the mask of the line whose address
// is `own`; failing that, when `first_line_will_do`, the mask of the first
// line. Returns 1 with *mask set, 0 when no line fits.
int netprobe_parse_ifconfig(const std::string& output, uint32_t own, bool first_line_will_do,
                            NetprobeResolveFn resolve, uint32_t* mask);

// A mask text as ifconfig prints it: a dotted quad, or at most eight
// hexadecimal digits with or without "0x" ("0x" alone reads as 0). Returns 1
// with *mask set, 0 for any other text (junk, more than 32 bits).
int netprobe_parse_mask(const char* text, uint32_t* mask);

// 1 when `name` may be handed to the shell as an interface name: 1 to
// NETPROBE_IFNAME_MAX letters, digits, '.', '_', '-' or ':', not starting
// with '-'.
int netprobe_valid_ifname(const char* name);

// Prepends NETPROBE_PATH_PREFIX to PATH, runs the probe and, when it finds
// the interface, overwrites settings->netmask with the dotted mask. Any
// failure leaves the netmask as it was. Called once at start-up.
void helpfunc_get_netmask(RouterSettings* settings);
