// Byte-level helpers of the simulated router: the message codes it knows, a
// bounded big-endian reader and writer, fixed-width text fields, the password
// scrambling, and the text forms (hex, dotted quad) used in its log, script
// and state file; escaped text has a module of its own (text_escape.h).
//
// Everything here is written straight from the router protocol's byte
// layouts; nothing is shared with the workstation's back end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

constexpr size_t WIRE_HEADER_LEN = 4;       // bytes: code (2), sequence (2)
constexpr size_t WIRE_MAX_DATAGRAM = 2048;  // bytes the peer reads in one datagram
constexpr size_t WIRE_PASSWORD_LEN = 10;    // scrambled password block
constexpr uint16_t WIRE_ACK = 0xFF00;       // every code with high byte 0xFF is an acknowledgement

// Message codes, both directions.
enum : uint16_t {
    MSG_SCAN_REQUEST = 0xF031,
    MSG_STATE_QUERY = 0xF032,
    MSG_OPEN_REQUEST = 0x1001,
    MSG_PASSWORD_REPLY = 0x3004,
    MSG_CLOSE_REQUEST = 0x1003,
    MSG_GET_ENTRY_REQUEST = 0x1011,
    MSG_PUT_ENTRY_REQUEST = 0x1017,
    MSG_GET_ACCOUNTING_REQUEST = 0x1012,
    MSG_SET_PASSWORD_REQUEST = 0x1005,
    MSG_PUT_ROUTER_DATA_REQUEST = 0x1018,
    MSG_ISDN_OPEN_REQUEST = 0x1013,
    MSG_ISDN_CLOSE_REQUEST = 0x1014,
    MSG_LINEMON_START_REQUEST = 0x1015,
    MSG_LINEMON_STOP_REQUEST = 0x1016,
    MSG_FW_DOWNLOAD_REQUEST = 0x0001,
    MSG_FW_DATA = 0x0002,
    MSG_FW_START = 0x0003,
    MSG_RESET_REQUEST = 0x0004,
    MSG_SCAN_REPLY = 0x3031,
    MSG_STATE_REPLY = 0x3032,
    MSG_PASSWORD_REQUEST = 0x1004,
    MSG_OPEN_REPLY = 0x3001,
    MSG_CLOSE_REPLY = 0x3003,
    MSG_SET_PASSWORD_REPLY = 0x3005,
    MSG_GET_ENTRY_REPLY = 0x3011,
    MSG_GET_ACCOUNTING_REPLY = 0x3012,
    MSG_PUT_ENTRY_REPLY = 0x3017,
    MSG_PUT_ROUTER_DATA_REPLY = 0x3018,
    MSG_LINEMON_DATA = 0x0F01,
    MSG_FW_DOWNLOAD_REPLY = 0x0011,
};

// The code of a message name ("OPEN_REQUEST", or a number such as 0x1001);
// false when the text is neither.
bool wire_code_of(const std::string& text, uint16_t* code);
// The name of a code, or "" when the peer does not know it.
const char* wire_name_of(uint16_t code);

// Appends big-endian numbers, fixed-width texts and raw bytes to a buffer.
struct WireWriter {
    Bytes bytes;  // the datagram or payload built so far
    WireWriter& u8(uint32_t v);
    WireWriter& u16(uint32_t v);
    WireWriter& u32(uint32_t v);
    WireWriter& text(const std::string& s, size_t width);  // NUL-padded, cut to width
    WireWriter& raw(const uint8_t* p, size_t n);
    WireWriter& zeros(size_t n);
};

// Reads big-endian numbers and fixed-width fields at absolute offsets of a
// payload; reads past the end give 0 (callers check the length first).
struct WireReader {
    const uint8_t* data;  // the payload
    size_t len;           // its length in bytes
    uint8_t u8(size_t at) const;
    uint16_t u16(size_t at) const;
    uint32_t u32(size_t at) const;
    uint16_t le16(size_t at) const;  // little-endian (firmware patch records)
    uint32_t le32(size_t at) const;
    std::string text(size_t at, size_t width) const;  // up to the first NUL
    std::string raw(size_t at, size_t width) const;   // every byte, trailing NULs dropped
};

// A whole datagram: header and payload.
Bytes wire_datagram(uint16_t code, uint16_t seq, const Bytes& payload);

// The password scrambling; applying it twice with the same seed gives the
// input back.
void wire_scramble(uint8_t out[WIRE_PASSWORD_LEN], const uint8_t in[WIRE_PASSWORD_LEN],
                   uint16_t seed);

// Text forms.
std::string wire_hex(const uint8_t* p, size_t n);                    // lower-case, no separators
std::string wire_dotted(uint32_t address);                           // "10.77.0.2"
bool wire_parse_dotted(const std::string& text, uint32_t* address);  // strict dotted quad
std::string wire_hw_text(const uint8_t hw[6]);                       // "00:a0:f9:00:00:01"
bool wire_parse_hw(const std::string& text, uint8_t hw[6]);
// A decimal or 0x-hexadecimal number no larger than max.
bool wire_parse_number(const std::string& text, uint64_t max, uint64_t* value);
