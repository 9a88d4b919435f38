// The records every layer and both programs share: the router's settings and
// its three tables, the protocol-definition rows they refer to, the records
// the engine hands to completion callbacks, the callback kinds, the limits and
// the status/error code space.
//
// Records are plain structures with fixed NUL-terminated text arrays, one byte
// longer than the text they hold, because they are copied whole (lists, the
// emergency save, the firmware patcher). Copy text into them only with
// myutil_copy_text (myutil.h).
#pragma once

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------- limits ---

constexpr int MAX_LINE_TARGETS = 30;           // line targets of a router
constexpr int MAX_LINE_TARGETS_PERMANENT = 1;  // ... whose line_type is not 0
constexpr int MAX_ROUTES = 64;                 // static routes
constexpr int MAX_FILTERS = 64;                // filter rules, closing default rule included

constexpr int HOST_LEN = 20;           // host names and address texts
constexpr int PHONE_LEN = 20;          // telephone numbers
constexpr int PAIR_LEN = 40;           // name/password pair in records and on the wire
constexpr int PAIR_FILE_LEN = 39;      // ... in configuration files and the dialogs
constexpr int PASSWORD_LEN = 10;       // router password
constexpr int FIRMWARE_LEN = 9;        // firmware version in RouterSettings
constexpr int WIRE_FIRMWARE_LEN = 10;  // firmware version field on the wire
constexpr int PROTO_NAME_LEN = 11;     // protocol-definition names
constexpr int MAX_PROTO_ROWS = 20;     // rows of s2_protocols and s3_protocols

// The `index` of an entry that no slot of the router's table holds: the
// default rule with which a read closes a filter table the router left
// without one. A write puts it like a new entry and never deletes it.
constexpr int32_t INDEX_NOT_IN_ROUTER = -1;

// Table identifiers on the wire.
constexpr uint8_t TABLE_LINES = 0xFF;
constexpr uint8_t TABLE_ROUTES = 0xF0;
constexpr uint8_t TABLE_FILTERS = 0x0F;

// ------------------------------------------------- protocol definitions ---

// One row of s2_protocols (layer 2).
struct Proto2Def {
    char name[PROTO_NAME_LEN + 1];  // lower-case name, as written in files and menus
    uint32_t code;                  // 1 x75, 2 hdlc, 255 ppp
    void* button;                   // the graphical program's menu button, or null
    uint16_t blocksize;
    uint8_t addr_a;
    uint8_t addr_b;
    uint8_t modulo;
    uint8_t windowsize;
};

// One row of s3_protocols (layer 3).
struct Proto3Def {
    char name[PROTO_NAME_LEN + 1];
    uint32_t code;  // 4 null, 1 t70nl, 255 ppp
    void* button;
    uint16_t param_words[6];
    uint8_t param_byte;
};

// Layer-2 parameters as a router reports them; the key of a Proto2Def look-up.
struct Proto2Params {
    uint16_t blocksize;
    uint8_t addr_a;
    uint8_t addr_b;
    uint8_t modulo;
    uint8_t windowsize;
};

// Layer-3 parameter block, in the layout of a Proto3Def row's parameters.
struct Proto3Params {
    uint16_t param_words[6];
    uint8_t param_byte;
};

// ------------------------------------------------------ router records ---

// Seven accounting counters, in the order of the router's reply.
struct AccountingCounters {
    uint32_t charge;  // charge units
    uint32_t calls_out;
    uint32_t calls_in;
    uint32_t packets_out;
    uint32_t packets_in;
    uint32_t bytes_out;
    uint32_t bytes_in;
};

// One line target (ISDN remote station) of the router's table.
struct LineTarget {
    char host[HOST_LEN + 1];     // host name or dotted address of the remote station
    char phone[PHONE_LEN + 1];   // digits, optionally ending in "s"
    int32_t default_route;       // add a host route when added in the dialog; never sent
    uint32_t proto2_code;        // 1 x75, 2 hdlc, 255 ppp
    Proto2Def* proto2;           // row of s2_protocols, or null when none matches
    Proto2Params proto2_params;  // layer-2 parameters as the router reported them
    uint32_t proto3_code;        // 4 null, 1 t70nl, 255 ppp
    Proto3Def* proto3;           // row of s3_protocols, or null
    Proto3Params proto3_params;
    char send_pair[PAIR_LEN + 1];     // "name/password" of the sending side
    char receive_pair[PAIR_LEN + 1];  // "name/password" of the receiving side
    int32_t timeout;                  // 0, or 5 and more
    int32_t manual_only;              // flag: connection set up by hand only
    int32_t bundling;                 // flag: B-channel bundling
    int32_t compression;              // flag
    AccountingCounters counters;      // filled by the accounting operations
    int32_t index;                    // 0-based place in the router's table
};

// One static route.
struct RouteEntry {
    char mask[HOST_LEN + 1];
    char match[HOST_LEN + 1];
    char gateway[HOST_LEN + 1];
    int32_t index;
};

// One packet-filter rule; the last rule of a table is the default rule.
struct FilterEntry {
    char send_mask[HOST_LEN + 1];
    char send_match[HOST_LEN + 1];
    char receive_mask[HOST_LEN + 1];
    char receive_match[HOST_LEN + 1];
    int32_t protocol;  // IP protocol number; 0 with port 0: every protocol and service
    int32_t port;      // service port, host order
    int32_t action;    // 1 accept, 0 reject
    int32_t index;
};

// The router's own settings.
struct RouterSettings {
    char name[HOST_LEN + 1];  // name or IP address
    char netmask[HOST_LEN + 1];
    char phone[PHONE_LEN + 1];
    uint8_t isdn_mode;  // 0 1TR6 (national), 1 DSS1 (international)
    char firmware[FIRMWARE_LEN + 1];
    uint8_t line_type;  // permanent connection: 0 none, 1 FV64S, 2 FVS01, 3 FVS02
    char password[PASSWORD_LEN + 1];
    int32_t exclusive;  // flag: only this workstation may configure it
};

// ---------------------------------------------- records of the engine ---
// They belong to the back end and are valid only during the callback.

// One answer to a scan, or its end marker; also a router's announcement.
struct ScanAnswer {
    int32_t status;      // 0 an answer, 1 the end marker
    uint32_t router_ip;  // 0 for a router without configuration
    uint8_t hw[6];       // hardware address
    uint32_t holder_ip;  // station that holds the router, 0 when free
};

constexpr int32_t OPEN_ACCEPTED = 0;
constexpr int32_t OPEN_PASSWORD = 1;
constexpr int32_t OPEN_REFUSED = 2;

// The result of opening a router.
struct OpenReply {
    int32_t kind;      // OPEN_ACCEPTED, OPEN_PASSWORD, OPEN_REFUSED
    uint16_t seed;     // password challenge (kind 1)
    uint16_t seq;      // sequence number of the password request (kind 1)
    uint16_t n_lines;  // table sizes (kind 0)
    uint16_t n_routes;
    uint16_t n_filters;
    uint16_t reason;          // refusal reason (kind 2)
    char text[HOST_LEN + 1];  // kind 0: netmask; kind 2: holding station, or empty
    char phone[PHONE_LEN + 1];
    uint8_t isdn_mode;
    char firmware[WIRE_FIRMWARE_LEN + 1];
    uint8_t line_type;
};

// One answer to a router-state query, or its end marker.
struct RouterState {
    int32_t status;  // 0 an answer, 1 the end marker
    uint32_t router_ip;
    int32_t ch1_state;
    uint32_t ch1_peer_ip;
    char ch1_phone[PHONE_LEN + 1];
    int32_t ch2_state;
    uint32_t ch2_peer_ip;
    char ch2_phone[PHONE_LEN + 1];
    int32_t isdn_mode;
    int32_t line_type;
    char firmware[WIRE_FIRMWARE_LEN + 1];  // empty when the answer is short
};

// B-channel states as the router reports them.
constexpr int32_t CHANNEL_FREE = 0;  // 1, 2 connecting; 3 connected; 4, 5 disconnecting
constexpr int32_t CHANNEL_CONNECTED = 3;

// One B-channel of a line-monitor report.
struct LineMonitorChannel {
    int32_t state;
    int32_t code;  // the router's 16-bit state code
    char peer[HOST_LEN + 1];
    char phone[PHONE_LEN + 1];
    uint32_t duration;  // seconds since the connection began
    uint32_t charge;
    uint32_t packets_out;
    uint32_t packets_in;
};

// One line-monitor report: channel 1, then channel 2.
struct LineMonitorData {
    LineMonitorChannel channel[2];
};

// ----------------------------------------------- status and error codes ---

enum : int {
    STATUS_OK = 0,
    STATUS_UNEXPECTED_MESSAGE = 1,
    STATUS_BAD_ADDRESS = 2,
    STATUS_WRONG_PASSWORD = 3,
    STATUS_ALREADY_CONNECTED = 4,
    STATUS_HOST_NOT_ALLOWED = 5,
    STATUS_TIMEOUT = 6,
    STATUS_PROTOCOL_VIOLATION = 7,
    STATUS_NO_RESPONSE = 8,
    STATUS_UNKNOWN_COMMAND = 9,
    STATUS_BAD_ENTRY = 10,
    STATUS_TABLE_FULL = 11,
    STATUS_FLASH_ERROR = 12,
    STATUS_FIRMWARE_FAILED = 13,
    STATUS_RESET_FAILED = 14,
    LOWSTATE_UNEXPECTED_REQUEST = 8777,
    LOWSTATE_NO_ACK = 8888,
    LOWSTATE_BUSY = 8999,
    HIGHSTATE_UNKNOWN_CODE = 9999,
    UDP_NO_OWN_ADDRESS = -1000,
};

// --------------------------------------------------- callback kinds ---

struct ListObject;

typedef void (*ScanCallback)(ScanAnswer* answer);
typedef void (*RouterStateCallback)(RouterState* state);
typedef void (*OpenCallback)(OpenReply* reply);
typedef void (*TablesCallback)(ListObject* lines, ListObject* routes, ListObject* filters);
typedef void (*ListCallback)(ListObject* list);
typedef void (*CountCallback)(int count);
typedef void (*DoneCallback)(int status);
typedef void (*LineMonitorCallback)(LineMonitorData* data);
typedef void (*PercentCallback)(int percent);
typedef void (*ErrorCallback)(int code);
