// Router messages: the codes, the payload layouts and their packers and
// parsers.
//
// Payload offsets count from the first byte after the 4-byte datagram header.
// Every multi-byte number is big-endian. Addresses leave the records as text
// (myutil_get_host_addr) and come back as text (myutil_get_host_name).
//
// Packers fill a caller's buffer and return the number of bytes filled, or 0
// when the buffer is too small for the payload. Parsers are pure: they read
// (payload, length), check the length before every read, fill a caller's
// record and return 1, or return 0 (nothing read past the datagram) when the
// payload is too short for the message.
#pragma once

#include <cstddef>
#include <cstdint>

#include "records.h"

// ------------------------------------------------------ message codes ---

// Sent by the client.
constexpr uint16_t SCAN_REQUEST = 0xF031;             // broadcast, unnumbered, empty
constexpr uint16_t STATE_QUERY = 0xF032;              // broadcast, unnumbered, empty
constexpr uint16_t OPEN_REQUEST = 0x1001;             // numbered, empty
constexpr uint16_t PASSWORD_REPLY = 0x3004;           // numbered
constexpr uint16_t CLOSE_REQUEST = 0x1003;            // unnumbered; also accepted from the router
constexpr uint16_t GET_ENTRY_REQUEST = 0x1011;        // numbered
constexpr uint16_t PUT_ENTRY_REQUEST = 0x1017;        // numbered: an entry body or a delete
constexpr uint16_t GET_ACCOUNTING_REQUEST = 0x1012;   // numbered
constexpr uint16_t SET_PASSWORD_REQUEST = 0x1005;     // numbered
constexpr uint16_t PUT_ROUTER_DATA_REQUEST = 0x1018;  // numbered
constexpr uint16_t ISDN_OPEN_REQUEST = 0x1013;        // numbered
constexpr uint16_t ISDN_CLOSE_REQUEST = 0x1014;       // numbered; also accepted from the router
constexpr uint16_t LINEMON_START_REQUEST = 0x1015;    // numbered, empty
constexpr uint16_t LINEMON_STOP_REQUEST = 0x1016;     // numbered, empty
constexpr uint16_t FW_DOWNLOAD_REQUEST = 0x0001;      // broadcast, unnumbered
constexpr uint16_t FW_DATA = 0x0002;                  // numbered
constexpr uint16_t FW_START = 0x0003;                 // unnumbered, empty
constexpr uint16_t RESET_REQUEST = 0x0004;            // unnumbered, empty
constexpr uint16_t ACK = 0xFF00;                      // acknowledgement (datagram layer)

// Received from a router.
constexpr uint16_t SCAN_REPLY = 0x3031;
constexpr uint16_t STATE_REPLY = 0x3032;
constexpr uint16_t PASSWORD_REQUEST = 0x1004;
constexpr uint16_t OPEN_REPLY = 0x3001;
constexpr uint16_t CLOSE_REPLY = 0x3003;
constexpr uint16_t SET_PASSWORD_REPLY = 0x3005;
constexpr uint16_t GET_ENTRY_REPLY = 0x3011;
constexpr uint16_t GET_ACCOUNTING_REPLY = 0x3012;
constexpr uint16_t PUT_ENTRY_REPLY = 0x3017;
constexpr uint16_t PUT_ROUTER_DATA_REPLY = 0x3018;
constexpr uint16_t LINEMON_DATA = 0x0F01;
constexpr uint16_t FW_DOWNLOAD_REPLY = 0x0011;

// ------------------------------------- payload lengths received (bytes) ---

constexpr int SCAN_REPLY_MIN_LEN = 16;
constexpr int STATE_REPLY_MIN_LEN = 52;
constexpr int STATE_REPLY_FULL_LEN = 64;  // ... with ISDN mode, line type, firmware
constexpr int PASSWORD_REQUEST_LEN = 2;   // exactly
constexpr int OPEN_REPLY_MIN_LEN = 8;
constexpr int OPEN_REPLY_FULL_LEN = 44;  // ... with the router's settings
constexpr int CLOSE_REPLY_MIN_LEN = 4;
constexpr int CLOSE_REPLY_FULL_LEN = 8;  // ... with the holding station
constexpr int SET_PASSWORD_REPLY_MIN_LEN = 4;
constexpr int GET_ENTRY_REPLY_MIN_LEN = 5;
constexpr int GET_ENTRY_REPLY_EMPTY_MAX_LEN = 6;  // up to this: an empty slot, index only
constexpr int GET_ACCOUNTING_REPLY_MIN_LEN = 32;
constexpr int PUT_ENTRY_REPLY_MIN_LEN = 7;
constexpr int PUT_ROUTER_DATA_REPLY_MIN_LEN = 4;
constexpr int LINEMON_DATA_MIN_LEN = 86;
constexpr int FW_DOWNLOAD_REPLY_MIN_LEN = 4;

// ----------------------------------------- payload lengths sent (bytes) ---

constexpr int LINE_BODY_LEN = 133;         // line-target entry body
constexpr int ROUTE_BODY_LEN = 15;         // route entry body
constexpr int FILTER_BODY_LEN = 25;        // filter entry body
constexpr int ENTRY_REPLY_PREFIX_LEN = 2;  // bytes in front of the body in GET_ENTRY_REPLY
constexpr int PASSWORD_REPLY_LEN = 12;
constexpr int CLOSE_REQUEST_CODE_LEN = 2;  // with an error code; 0 without
constexpr int GET_ENTRY_REQUEST_LEN = 3;
constexpr int DELETE_ENTRY_LEN = 3;  // PUT_ENTRY_REQUEST that removes an entry
constexpr int GET_ACCOUNTING_REQUEST_LEN = 3;
constexpr int SET_PASSWORD_REQUEST_LEN = 23;
constexpr int PUT_ROUTER_DATA_REQUEST_LEN = 29;
constexpr int ISDN_OPEN_REQUEST_LEN = 3;
constexpr int ISDN_CLOSE_REQUEST_LEN = 1;
constexpr int FW_DOWNLOAD_REQUEST_LEN = 10;
constexpr int FW_DATA_HEADER_LEN = 4;  // chunk offset in front of the image bytes
constexpr int FW_CHUNK_LEN = 500;      // image bytes in every chunk but the last
constexpr int FW_DATA_MAX_LEN = FW_DATA_HEADER_LEN + FW_CHUNK_LEN;
constexpr int MSG_MAX_PAYLOAD = FW_DATA_MAX_LEN;  // largest payload the client sends

// ------------------------------------------------------ field values ---

constexpr int WIRE_TEXT_LEN = 20;        // telephone numbers on the wire
constexpr int WIRE_PAIR_LEN = PAIR_LEN;  // identification pairs on the wire
constexpr int WIRE_PASSWORD_LEN = 10;    // scrambled password blocks
constexpr int HW_ADDR_LEN = 6;           // hardware address

constexpr uint8_t ACCOUNTING_READ = 0x00;        // GET_ACCOUNTING_REQUEST mode
constexpr uint8_t ACCOUNTING_READ_RESET = 0xFF;  // ... read, then reset
constexpr uint8_t EXCLUSIVE_ON = 0xFF;           // SET_PASSWORD_REQUEST exclusive byte
constexpr uint8_t ISDN_OPEN_FLAG = 0x00;         // ISDN_OPEN_REQUEST flag byte

// --------------------------------------------------- byte helpers ---

void msg_put_u16(uint8_t* buf, size_t offset, uint16_t value);
void msg_put_u32(uint8_t* buf, size_t offset, uint32_t value);
uint16_t msg_get_u16(const uint8_t* buf, size_t offset);
uint32_t msg_get_u32(const uint8_t* buf, size_t offset);

// Fixed-width text field: the text, then NUL bytes up to `width`; a text of
// `width` characters or more fills the field without a terminator.
void msg_put_text(uint8_t* buf, size_t offset, const char* text, size_t width);

// Reads a fixed-width text field up to its first NUL, at most `width` bytes,
// into `out` (of `out_size` bytes), always terminated and cut to fit.
void msg_get_text(const uint8_t* buf, size_t offset, size_t width, char* out, size_t out_size);

// An identification pair as a WIRE_PAIR_LEN field: filled as above, then
// every "/" up to the text's end becomes a NUL byte.
void msg_put_pair(uint8_t* buf, size_t offset, const char* pair);

// Scrambles (and, being its own inverse, unscrambles) 10 bytes with `seed`.
void highstate_scramble_password(uint8_t* out, const uint8_t* in, uint16_t seed);

// ------------------------------------------------ client payloads ---

// Entry bodies for PUT_ENTRY_REQUEST (133, 15 and 25 bytes). A line target
// without a protocol row packs the parameters the router reported.
int highstate_pack_line(const LineTarget* line, uint8_t* buf, size_t size);
int highstate_pack_route(const RouteEntry* route, uint8_t* buf, size_t size);
int highstate_pack_filter(const FilterEntry* filter, uint8_t* buf, size_t size);

// PASSWORD_REPLY: the request's sequence number, then `password` (at most 10
// characters, NUL-padded) scrambled with `seed`.
int msg_pack_password_reply(uint8_t* buf, size_t size, uint16_t seq, const char* password,
                            uint16_t seed);

// CLOSE_REQUEST: `code` 0 gives the empty payload (length 0), any other code
// the 2-byte form that tells the router why it is dropped.
int msg_pack_close_request(uint8_t* buf, size_t size, uint16_t code);

// GET_ENTRY_REQUEST and the delete form of PUT_ENTRY_REQUEST.
int msg_pack_get_entry(uint8_t* buf, size_t size, uint8_t table, uint16_t index);
int msg_pack_delete_entry(uint8_t* buf, size_t size, uint8_t table, uint16_t index);

// GET_ACCOUNTING_REQUEST: ACCOUNTING_READ or ACCOUNTING_READ_RESET, then the
// line target's 0-based position.
int msg_pack_get_accounting(uint8_t* buf, size_t size, uint8_t mode, uint16_t position);

// SET_PASSWORD_REQUEST: seed, exclusive byte, scrambled new and current
// passwords (each cut or NUL-padded to 10 bytes).
int msg_pack_set_password(uint8_t* buf, size_t size, uint16_t seed, int exclusive,
                          const char* new_password, const char* current_password);

// PUT_ROUTER_DATA_REQUEST: address, netmask, telephone number, line type.
int msg_pack_router_data(uint8_t* buf, size_t size, const RouterSettings* settings);

// ISDN_OPEN_REQUEST (flag byte always ISDN_OPEN_FLAG) and ISDN_CLOSE_REQUEST.
int msg_pack_isdn_open(uint8_t* buf, size_t size, uint16_t position);
int msg_pack_isdn_close(uint8_t* buf, size_t size, uint8_t channel);

// FW_DOWNLOAD_REQUEST: hardware address, then the address the router is to use.
int msg_pack_fw_download_request(uint8_t* buf, size_t size, const uint8_t* hw, uint32_t address);

// FW_DATA: chunk offset, then `count` (0 to FW_CHUNK_LEN) image bytes.
int msg_pack_fw_data(uint8_t* buf, size_t size, uint32_t offset, const uint8_t* data, int count);

// --------------------------------------------- received payloads ---

// SCAN_REPLY: status 0, hardware, router and holder address.
int msg_parse_scan_reply(const uint8_t* payload, int length, ScanAnswer* out);

// STATE_REPLY from `sender`. A reply shorter than 64 bytes gives ISDN mode
// and line type 0 and an empty firmware text.
int msg_parse_state_reply(uint32_t sender, const uint8_t* payload, int length, RouterState* out);

// PASSWORD_REQUEST (exactly 2 bytes) with the header's sequence number:
// an OpenReply of kind OPEN_PASSWORD.
int msg_parse_password_request(const uint8_t* payload, int length, uint16_t seq, OpenReply* out);

// OPEN_REPLY: an OpenReply of kind OPEN_ACCEPTED; shorter than 44 bytes it
// carries the table sizes only (empty texts, mode and line type 0).
int msg_parse_open_reply(const uint8_t* payload, int length, OpenReply* out);

// CLOSE_REPLY: an OpenReply of kind OPEN_REFUSED; the holding station's
// text stays empty unless the payload carries its whole address.
int msg_parse_open_refused(const uint8_t* payload, int length, OpenReply* out);

// SET_PASSWORD_REPLY and PUT_ROUTER_DATA_REPLY: the router's status.
int msg_parse_status_reply(const uint8_t* payload, int length, uint16_t* status);

// PUT_ENTRY_REPLY: table identifier and status.
int msg_parse_put_entry_reply(const uint8_t* payload, int length, uint8_t* table, uint16_t* status);

// GET_ACCOUNTING_REPLY: the seven counters.
int msg_parse_accounting(const uint8_t* payload, int length, AccountingCounters* out);

// LINEMON_DATA: both B-channel blocks.
int msg_parse_linemon(const uint8_t* payload, int length, LineMonitorData* out);

// FW_DOWNLOAD_REPLY: the address the image chunks go to.
int msg_parse_fw_reply(const uint8_t* payload, int length, uint32_t* address);

// GET_ENTRY_REPLY: table identifier and entry index, for the acceptance
// check before the entry itself is unpacked.
int msg_parse_entry_header(const uint8_t* payload, int length, uint8_t* table, uint16_t* index);

// GET_ENTRY_REPLY entries: a new zeroed record from myutil_malloc, the
// caller's to free. A reply of 5 or 6 bytes (an empty slot) gives a record
// with only its index set; null when the payload is shorter than 5 bytes or
// longer than the empty form but shorter than the whole entry.
LineTarget* highstate_parse_line_entry(const uint8_t* payload, int length);
RouteEntry* highstate_parse_route_entry(const uint8_t* payload, int length);
FilterEntry* highstate_parse_filter_entry(const uint8_t* payload, int length);
