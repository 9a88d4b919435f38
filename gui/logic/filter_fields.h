// The filter edit dialog and the filter table's default rule without their
// widgets: what the fields show for a rule, reading and checking what the
// user typed, storing the rule in the edited filter table in front of the
// default rule, and the default rule's action ("All Remaining").
//
// The last rule of a filter table is its default rule: never listed, opened,
// moved or deleted here; "listed" rules are all the others.
//
//     Open (list position p): FilterView v = filter_view(*rule_at_p, p);
//     Add:                    FilterView v = filter_view(filter_defaults, filters->count);
//     OK:   FilterEntry f;
//           FilterCheck c = filter_from_fields(fields, filters->count, adding, &f);
//           if (c.code != 0) { focus c.focus; show message c.message; return; }
//           int p = filter_store(filters, adding ? 0 : p, f);
#pragma once

#include <cstdint>
#include <string>

#include "records.h"

struct ListObject;

// The service text of a rule, as the list (cut there to 11 characters) and
// the edit dialog show it; the configuration file writes the same text
// (service_text.h): "all" for protocol 0 with port 0; the service's name
// where it names this port and protocol alone; otherwise
// "<port>/<protocol name>", or "<port>/<protocol number>" for a protocol the
// system's protocol database does not know.
std::string filter_service_text(const FilterEntry& rule);

// Reads a service text, trimmed of blanks and tabs, as the configuration
// file reads it: "all"; a service name of the services database (its first
// entry, of whatever protocol); or a port number (decimal, "0x" hexadecimal
// or leading-0 octal, an optional sign) followed directly by "/" and a protocol name
// or number. False, with both left alone, for anything else, and for a port
// above 65535 or a protocol above 255, which no packet can carry.
bool filter_service_read(const char* text, int32_t* protocol, int32_t* port);

// What the edit dialog shows.
struct FilterView {
    std::string send_mask;
    std::string send_match;  // "Compare Value" of the sending host
    std::string receive_mask;
    std::string receive_match;
    std::string service;
    bool accept;           // the action menu shows "accept" (else "reject")
    std::string position;  // "Table Position", 1-based
};

// The fields for `rule` shown at 1-based list `position`.
FilterView filter_view(const FilterEntry& rule, int position);

// The texts as typed (null reads as empty) and the action chosen.
struct FilterFields {
    const char* send_mask;
    const char* send_match;
    const char* receive_mask;
    const char* receive_match;
    const char* service;
    bool accept;
    const char* position;
};

// The field that takes the keyboard focus after a refusal.
enum class FilterField {
    NO_FIELD,
    SendMask,
    SendMatch,
    ReceiveMask,
    ReceiveMatch,
    Service,
    Position
};

// Check codes. The tests run in the order: send mask, send compare value,
// send combination, receive mask, receive compare value, receive
// combination, service, position.
enum FilterCode {
    FILTER_OK = 0,
    FILTER_BAD_COMBINATION = 1,    // message 24, focus on that side's mask
    FILTER_BAD_SEND_MASK = 2,      // message 27 "Mask (Send) Incorrect"
    FILTER_BAD_SEND_MATCH = 3,     // message 23 "Match Not Correct"
    FILTER_BAD_RECEIVE_MASK = 4,   // message 28 "Mask (Receive) Incorrect"
    FILTER_BAD_RECEIVE_MATCH = 5,  // message 23 "Match Not Correct"
    FILTER_BAD_SERVICE = 6,        // message 29 "Service Not Correct"
    FILTER_BAD_POSITION = 7,       // message 26 "Position Not Correct"
};

struct FilterCheck {
    int code;           // FilterCode
    int message;        // message index for the error box, -1 when accepted
    FilterField focus;  // NO_FIELD when accepted
};

// Reads the fields (addresses and service trimmed) and checks them for a
// table of `element_count` rules, the default rule counted; `adding` is true
// for a new rule, which may also take the default rule's place (and pushes
// it down). On FILTER_OK *rule holds the rule with `index` the 0-based
// position entered; otherwise *rule is left alone.
FilterCheck filter_from_fields(const FilterFields& fields, int element_count, bool adding,
                               FilterEntry* rule);

// Stores a checked rule in front of the default rule: over the listed rule
// at 1-based `edit_position`, moved when its position changed, or, with
// edit_position 0, as a new rule (only while filter_can_add). Returns the
// 1-based position it took (the line to select), or 0 with the table
// unchanged (also for a table without its default rule).
int filter_store(ListObject* filters, int edit_position, const FilterEntry& rule);

// Whether "Add" is offered: fewer than MAX_FILTERS rules, default counted.
bool filter_can_add(int element_count);

// The number of listed rules: all but the default rule.
int filter_listed_count(const ListObject* filters);

// The default rule's action, 1 accept or 0 reject; -1 for an empty table.
int filter_default_action(const ListObject* filters);

// "All Remaining": sets the default rule's action (any non-zero value
// accepts). False for an empty table.
bool filter_set_default_action(ListObject* filters, int action);
