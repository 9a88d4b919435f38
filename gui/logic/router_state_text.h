// The router overview ("RouterDialog"): router-state answers merged into the
// router list, and the overview text built from it at the end marker.
//
// cbfunc_router_state(state):
//     if (state->status == 0) { router_state_merge(main_router_list, *state); return; }
//     "RouterText" := router_overview_text(main_router_list); pop the window up.
// The "Overview" button clears the merged states of every entry before it
// asks (the router list's own reset), so a router that answered last time
// but not this time is reported as not responding.
#pragma once

#include <string>

#include "records.h"
#include "router_entry.h"

struct ListObject;

// Merges one answer (status 0) into every entry of the router list whose
// name is the answer's address as myutil_get_host_name renders it and which
// has no state yet: a router listed on two lines (its answers to the scan
// differed, for example in the holder) is answered on both. The first answer
// of each router counts; later ones, answers from routers that are not
// listed and end markers change nothing. Returns the number of entries
// merged.
int router_state_merge(ListObject* routers, const RouterState& state);

// The firmware line of an entry: "? / ?" without a firmware version, else
// the version and "1TR6" (mode 0) or "DSS1", joined by " / ", and for
// permanent-connection types 1 to 3 also "Digital FV64S", "Digital FVS01" or
// "Digital FVS02"; an unknown type shows "?" in that place.
std::string router_firmware_text(const char* firmware, int isdn_mode, int line_type);

// The text of a B-channel: "<state> -> <peer> (<phone>)" with message 51
// (states 1, 2), 53 (state 3) or 52 (states 4, 5); message 50 alone for 0
// and any other state.
std::string router_channel_text(int state, const char* peer, const char* phone);

// One entry's block: message 55 with name, firmware line and both channel
// texts when it has a state; else message 56 with its hardware address.
std::string router_overview_block(const RouterEntry& entry);

// The blocks of every entry, in list order; "" for an empty or null list.
std::string router_overview_text(const ListObject* routers);
