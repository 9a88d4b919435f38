// The route edit dialog without its widgets: what its fields show for a
// route, reading and checking what the user typed, and storing the route in
// the edited route table.
//
//     Open (list position p):  RouteView v = route_view(*route_at_p, p);
//     Add:                     RouteView v = route_view(route_defaults, routes->count + 1);
//     OK:   RouteEntry r;
//           RouteCheck c = route_from_fields({mask, match, gateway, pos},
//                                            routes->count, adding, &r);
//           if (c.code != 0) { focus c.focus; show message c.message; return; }
//           int p = route_store(routes, adding ? 0 : edited_position, r);
#pragma once

#include <string>

#include "records.h"

struct ListObject;

// The four texts of the edit dialog.
struct RouteView {
    std::string mask;
    std::string match;  // "Compare Value"
    std::string gateway;
    std::string position;  // "Table Position", 1-based
};

// The fields for `route` shown at 1-based list `position`.
RouteView route_view(const RouteEntry& route, int position);

// The texts as typed; null reads as empty.
struct RouteFields {
    const char* mask;
    const char* match;
    const char* gateway;
    const char* position;
};

// The field that takes the keyboard focus after a refusal.
enum class RouteField { NO_FIELD, Mask, Match, Gateway, Position };

// Check codes, in the order they are tested; each with its message.
enum RouteCode {
    ROUTE_OK = 0,
    ROUTE_BAD_MASK = 1,         // message 22 "Mask Not Correct", focus Mask
    ROUTE_BAD_MATCH = 2,        // message 23 "Match Not Correct", focus Match
    ROUTE_BAD_COMBINATION = 3,  // message 24 "Wrong Match And Netmask Combination", focus Mask
    ROUTE_BAD_GATEWAY = 4,      // message 25 "Gateway Not Correct", focus Gateway
    ROUTE_BAD_POSITION = 5,     // message 26 "Position Not Correct", focus Position
};

struct RouteCheck {
    int code;          // RouteCode
    int message;       // message index for the error box, -1 with ROUTE_OK
    RouteField focus;  // NO_FIELD with ROUTE_OK
};

// Reads the fields (addresses trimmed of blanks and tabs) and checks them
// for a table of `route_count` routes; `adding` is true for a new route,
// which may also take the position after the last. On ROUTE_OK *route holds
// the route with `index` the 0-based position entered; otherwise *route is
// left alone. Every address may be "0.0.0.0" (a default route).
RouteCheck route_from_fields(const RouteFields& fields, int route_count, bool adding,
                             RouteEntry* route);

// Stores a checked route in the edited table: over the route at 1-based
// `edit_position`, moved to its new position when that differs, or, with
// edit_position 0, as a new route (only while the table holds fewer than
// MAX_ROUTES). Returns the 1-based position it took (the line to select), or
// 0 with the table unchanged.
int route_store(ListObject* routes, int edit_position, const RouteEntry& route);

// Whether "Add" is offered: fewer than MAX_ROUTES routes.
bool route_can_add(int route_count);
