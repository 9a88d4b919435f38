// The selected router, and once registered the registered one: the record
// behind the global helpfunc_selected_box.
#pragma once

#include <cstdint>

#include "records.h"

constexpr int SELECTED_NAME_SIZE = 60;  // bytes of the name text
constexpr int SELECTED_HW_SIZE = 20;    // bytes of the hardware-address text

struct SelectedRouter {
    char name[SELECTED_NAME_SIZE];    // as the router list shows it, "---------" without address, "" none
    char hw_text[SELECTED_HW_SIZE];   // "xx-xx-xx-xx-xx-xx", lower-case
    uint8_t hw[6];                    // the same address as bytes
    RouterSettings cfg;               // the router's current settings
    int32_t n_lines;                  // table sizes the router reported at registration
    int32_t n_filters;
    int32_t n_routes;
    int32_t sel_pos;                  // 1-based line of the router list, -1 none
};

// At start-up: nothing selected, settings a copy of router_defaults.
void selected_router_reset_startup(SelectedRouter* selected);

// At deregistration and after a failure with tables: nothing selected,
// settings all zero bytes.
void selected_router_reset(SelectedRouter* selected);
