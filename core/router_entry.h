// One router of the graphical program's router list (main_router_list). Its
// element functions (listhelp_*_routers) are in list.h: two entries are equal
// when name and hw_text are; find matches the name.
#pragma once

#include <cstdint>

constexpr int ROUTER_NAME_SIZE = 21;      // bytes: host name or dotted address, 20 characters
constexpr int ROUTER_HW_SIZE = 23;        // bytes: "xx-xx-xx-xx-xx-xx", 17 characters
constexpr int ROUTER_HOLDER_SIZE = 24;    // bytes
constexpr int ROUTER_PEER_SIZE = 21;      // bytes
constexpr int ROUTER_PHONE_SIZE = 23;     // bytes
constexpr int ROUTER_FIRMWARE_SIZE = 12;  // bytes

struct RouterEntry {
    uint32_t have_state;                // 1 once a router-state answer is merged in
    char name[ROUTER_NAME_SIZE];        // address text, or "---------" without configuration
    char hw_text[ROUTER_HW_SIZE];       // hardware address, lower-case hex pairs joined by "-"
    uint32_t held;                      // 1 when a station holds the router
    char holder[ROUTER_HOLDER_SIZE];    // that station's address text, "0.0.0.0" when none
    int32_t ch1_state;                  // B-channel 1 state
    char ch1_peer[ROUTER_PEER_SIZE];    // channel 1's peer address text
    char ch1_phone[ROUTER_PHONE_SIZE];  // channel 1's telephone number
    int32_t ch2_state;                  // B-channel 2 state
    char ch2_peer[ROUTER_PEER_SIZE];
    char ch2_phone[ROUTER_PHONE_SIZE];
    int32_t isdn_mode;                    // from the router-state answer
    int32_t line_type;                    // permanent-connection type, from the router-state answer
    char firmware[ROUTER_FIRMWARE_SIZE];  // firmware version text
};
