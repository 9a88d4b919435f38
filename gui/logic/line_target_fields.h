// The line-target edit dialog without its widgets: what its fields show for
// a line target, reading and checking what the user typed, and storing the
// line target (with its host route) in the edited tables.
//
//     Open (list position p): LineTargetView v = line_target_view(*target_at_p, type,
//     routes->count); Add:                    LineTargetView v = line_target_view(line_defaults,
//     type, routes->count); OK:   LineTarget t;
//           LineTargetCheck c = line_target_from_fields(fields, type, &t);
//           if (c.code != 0) { focus c.focus; show message c.message; return; }
//           int p = line_target_store(lines, routes, adding ? 0 : p, t, type);
//
// `type` is the permanent-connection type (line_type) of the registered
// router's current settings.
#pragma once

#include <string>

#include "records.h"

struct ListObject;

// What the dialog shows. Filling it never changes the record it comes from.
struct LineTargetView {
    std::string host;
    std::string phone;            // empty for permanent-connection types 2 and 3
    bool phone_sensitive;         // false for types 2 and 3
    bool create_route;            // "Create Default Route" set
    bool create_route_sensitive;  // false when the route table is full
    Proto2Def* proto2;            // the row whose menu button the layer-2 menu shows
    Proto3Def* proto3;            // ... the layer-3 menu
    std::string timeout;          // decimal
    bool compression;
    bool bundling;
    bool manual_only;
    std::string send_pair;     // "Remote Identification"
    std::string receive_pair;  // "Local Identification"
    bool pairs_sensitive;      // true with PPP on layer 2
};

// The fields for `target` on a router of permanent-connection type
// `line_type` whose edited route table holds `route_count` routes. A target
// without a protocol row (a layer-3 code that no definition has, as a router
// may report it) shows the first row of its code, else the table's first
// row, so the menus always have a button to show.
LineTargetView line_target_view(const LineTarget& target, int line_type, int route_count);

// The dialog's fields as the user left them.
struct LineTargetFields {
    const char* host;  // null reads as empty
    const char* phone;
    const char* timeout;
    const char* send_pair;  // taken as typed, not trimmed
    const char* receive_pair;
    bool create_route;  // read also while the toggle is hidden
    bool manual_only;
    bool bundling;
    bool compression;
    Proto2Def* proto2;  // the rows of the menus' current buttons
    Proto3Def* proto3;
};

// The field that takes the keyboard focus after a refusal.
enum class LineTargetField { NO_FIELD, Host, Phone, Timeout, SendPair, ReceivePair };

// Check codes; the tests run in the order host, phone, timeout, send pair,
// receive pair.
enum LineTargetCode {
    LINE_TARGET_OK = 0,
    LINE_TARGET_BAD_HOST = 1,          // message 17 "Hostname Not Correct"
    LINE_TARGET_BAD_PHONE = 2,         // message 18 "Phone Number Not Correct"
    LINE_TARGET_BAD_SEND_PAIR = 3,     // message 20 "Password (send) Incorrect"
    LINE_TARGET_BAD_RECEIVE_PAIR = 4,  // message 21 "Password (receive) Incorrect"
    LINE_TARGET_BAD_TIMEOUT = 5,       // message 19 "Timeout Too Small Or Wrong Format"
};

struct LineTargetCheck {
    int code;               // LineTargetCode
    int message;            // message index for the error box, -1 when accepted
    LineTargetField focus;  // NO_FIELD when accepted
};

// Reads the fields into a new record and checks it:
// - host (trimmed): an address or a host name that resolves; "0.0.0.0",
//   which stands for no address, is refused;
// - phone (trimmed): digits, optionally ending in "s"; for type 1 exactly
//   "0" or "1"; for types 2 and 3 not asked for and stored empty;
// - timeout: 0 (typed exactly "0") or 5 to 65535 in the usual notation;
// - each identification: empty, or "name/password" with exactly one "/",
//   not at its start, no blank or tab, at most 40 characters; a text without
//   "/" of at most 38 characters gets one appended.
// On LINE_TARGET_OK *target holds the record (protocol codes from the rows;
// parameters, counters and index zero); otherwise it is left alone.
LineTargetCheck line_target_from_fields(const LineTargetFields& fields, int line_type,
                                        LineTarget* target);

// Stores a checked line target in the edited tables: over the one at
// 1-based `edit_position`, or, with edit_position 0, appended as a new one
// (only while line_target_can_add), after a host route for it has been put
// first in `routes` when its create_route flag is set and the route table is
// not full. Editing never adds a route. Returns the 1-based position of the
// line target (the line to select), or 0 with the tables unchanged.
int line_target_store(ListObject* lines, ListObject* routes, int edit_position,
                      const LineTarget& target, int line_type);

// Whether "Add" is offered: fewer than 30 line targets, and none at all on a
// router with a permanent connection (line_type not 0).
bool line_target_can_add(int line_count, int line_type);
