// The selected router, and once registered the registered one: the record
// behind the global helpfunc_selected_box, and every change of it that more
// than one window makes.
//
// A password belongs to the router it was typed for: taking another line,
// starting a registration and a download that leaves the router
// unregistered all leave the record without one, so that no router is ever
// sent, or patched with, the password of another.
#pragma once

#include <cstdint>

#include "records.h"

constexpr int SELECTED_NAME_SIZE = 60;  // bytes of the name text
constexpr int SELECTED_HW_SIZE = 20;    // bytes of the hardware-address text

struct SelectedRouter {
    char name[SELECTED_NAME_SIZE];   // as the router list shows it, "---------" without address, ""
                                     // none
    char hw_text[SELECTED_HW_SIZE];  // "xx-xx-xx-xx-xx-xx", lower-case
    uint8_t hw[6];                   // the same address as bytes
    RouterSettings cfg;              // the router's current settings
    int32_t n_lines;                 // table sizes the router reported at registration
    int32_t n_filters;
    int32_t n_routes;
    int32_t sel_pos;  // 1-based line of the router list, -1 none
};

// At start-up: nothing selected, settings a copy of router_defaults.
void selected_router_reset_startup(SelectedRouter* selected);

// At deregistration and after a failure with tables: nothing selected,
// settings all zero bytes.
void selected_router_reset(SelectedRouter* selected);

// A normal line of the router list taken as the selected router, whose name
// and hardware text the caller has split into the record: its position, the
// hardware address as bytes, the held flag of its entry as the exclusive
// flag, and no password.
void selected_router_take(SelectedRouter* selected, int position, bool held);

// Every registration starts without a password; the prompt fills it in
// only when the router asks for one.
void selected_router_start_registration(SelectedRouter* selected);

// The password typed for the selected router, or none ("" or null).
void selected_router_set_password(SelectedRouter* selected, const char* password);
