#include "wire.h"

#include <cstdio>
#include <cstring>

#include "text_escape.h"

namespace {

struct CodeName {
    uint16_t code;
    const char* name;
};

constexpr CodeName CODE_NAMES[] = {
    {MSG_SCAN_REQUEST, "SCAN_REQUEST"},
    {MSG_STATE_QUERY, "STATE_QUERY"},
    {MSG_OPEN_REQUEST, "OPEN_REQUEST"},
    {MSG_PASSWORD_REPLY, "PASSWORD_REPLY"},
    {MSG_CLOSE_REQUEST, "CLOSE_REQUEST"},
    {MSG_GET_ENTRY_REQUEST, "GET_ENTRY_REQUEST"},
    {MSG_PUT_ENTRY_REQUEST, "PUT_ENTRY_REQUEST"},
    {MSG_GET_ACCOUNTING_REQUEST, "GET_ACCOUNTING_REQUEST"},
    {MSG_SET_PASSWORD_REQUEST, "SET_PASSWORD_REQUEST"},
    {MSG_PUT_ROUTER_DATA_REQUEST, "PUT_ROUTER_DATA_REQUEST"},
    {MSG_ISDN_OPEN_REQUEST, "ISDN_OPEN_REQUEST"},
    {MSG_ISDN_CLOSE_REQUEST, "ISDN_CLOSE_REQUEST"},
    {MSG_LINEMON_START_REQUEST, "LINEMON_START_REQUEST"},
    {MSG_LINEMON_STOP_REQUEST, "LINEMON_STOP_REQUEST"},
    {MSG_FW_DOWNLOAD_REQUEST, "FW_DOWNLOAD_REQUEST"},
    {MSG_FW_DATA, "FW_DATA"},
    {MSG_FW_START, "FW_START"},
    {MSG_RESET_REQUEST, "RESET_REQUEST"},
    {MSG_SCAN_REPLY, "SCAN_REPLY"},
    {MSG_STATE_REPLY, "STATE_REPLY"},
    {MSG_PASSWORD_REQUEST, "PASSWORD_REQUEST"},
    {MSG_OPEN_REPLY, "OPEN_REPLY"},
    {MSG_CLOSE_REPLY, "CLOSE_REPLY"},
    {MSG_SET_PASSWORD_REPLY, "SET_PASSWORD_REPLY"},
    {MSG_GET_ENTRY_REPLY, "GET_ENTRY_REPLY"},
    {MSG_GET_ACCOUNTING_REPLY, "GET_ACCOUNTING_REPLY"},
    {MSG_PUT_ENTRY_REPLY, "PUT_ENTRY_REPLY"},
    {MSG_PUT_ROUTER_DATA_REPLY, "PUT_ROUTER_DATA_REPLY"},
    {MSG_LINEMON_DATA, "LINEMON_DATA"},
    {MSG_FW_DOWNLOAD_REPLY, "FW_DOWNLOAD_REPLY"},
    {WIRE_ACK, "ACK"},
};

}  // namespace

bool wire_code_of(const std::string& text, uint16_t* code)
{
    for (const CodeName& c : CODE_NAMES) {
        if (text == c.name) {
            *code = c.code;
            return true;
        }
    }
    uint64_t v = 0;
    if (!wire_parse_number(text, 0xFFFF, &v))
        return false;
    *code = static_cast<uint16_t>(v);
    return true;
}

const char* wire_name_of(uint16_t code)
{
    for (const CodeName& c : CODE_NAMES)
        if (c.code == code)
            return c.name;
    return "";
}

WireWriter& WireWriter::u8(uint32_t v)
{
    bytes.push_back(static_cast<uint8_t>(v));
    return *this;
}

WireWriter& WireWriter::u16(uint32_t v)
{
    bytes.push_back(static_cast<uint8_t>(v >> 8));
    bytes.push_back(static_cast<uint8_t>(v));
    return *this;
}

WireWriter& WireWriter::u32(uint32_t v)
{
    u16(v >> 16);
    return u16(v & 0xFFFF);
}

WireWriter& WireWriter::text(const std::string& s, size_t width)
{
    for (size_t i = 0; i < width; ++i)
        bytes.push_back(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
    return *this;
}

WireWriter& WireWriter::raw(const uint8_t* p, size_t n)
{
    bytes.insert(bytes.end(), p, p + n);
    return *this;
}

WireWriter& WireWriter::zeros(size_t n)
{
    bytes.insert(bytes.end(), n, 0);
    return *this;
}

uint8_t WireReader::u8(size_t at) const
{
    return at < len ? data[at] : 0;
}

uint16_t WireReader::u16(size_t at) const
{
    return static_cast<uint16_t>((u8(at) << 8) | u8(at + 1));
}

uint32_t WireReader::u32(size_t at) const
{
    return (static_cast<uint32_t>(u16(at)) << 16) | u16(at + 2);
}

uint16_t WireReader::le16(size_t at) const
{
    return static_cast<uint16_t>(u8(at) | (u8(at + 1) << 8));
}

uint32_t WireReader::le32(size_t at) const
{
    return le16(at) | (static_cast<uint32_t>(le16(at + 2)) << 16);
}

std::string WireReader::text(size_t at, size_t width) const
{
    std::string s;
    for (size_t i = 0; i < width && at + i < len && data[at + i] != 0; ++i)
        s.push_back(static_cast<char>(data[at + i]));
    return s;
}

std::string WireReader::raw(size_t at, size_t width) const
{
    std::string s;
    for (size_t i = 0; i < width && at + i < len; ++i)
        s.push_back(static_cast<char>(data[at + i]));
    while (!s.empty() && s.back() == '\0')
        s.pop_back();
    return s;
}

Bytes wire_datagram(uint16_t code, uint16_t seq, const Bytes& payload)
{
    WireWriter w;
    w.u16(code).u16(seq).raw(payload.data(), payload.size());
    return w.bytes;
}

void wire_scramble(uint8_t out[WIRE_PASSWORD_LEN], const uint8_t in[WIRE_PASSWORD_LEN],
                   uint16_t seed)
{
    uint32_t x = ((seed % 257u) & 0xFFu) + 13u;
    for (size_t i = 0; i < WIRE_PASSWORD_LEN; ++i) {
        uint32_t k = ((x * 167u) >> 6) & 0xFFu;
        out[i] = static_cast<uint8_t>(in[i] ^ k);
        x = k + 13u;
    }
}

std::string wire_hex(const uint8_t* p, size_t n)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    s.reserve(n * 2);
    for (size_t i = 0; i < n; ++i) {
        s.push_back(digits[p[i] >> 4]);
        s.push_back(digits[p[i] & 15]);
    }
    return s;
}

std::string wire_dotted(uint32_t a)
{
    return std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 255) + "." +
           std::to_string((a >> 8) & 255) + "." + std::to_string(a & 255);
}

bool wire_parse_dotted(const std::string& text, uint32_t* address)
{
    uint32_t value = 0;
    size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.')
                return false;
            ++pos;
        }
        size_t start = pos;
        uint32_t n = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 3)
            n = n * 10 + static_cast<uint32_t>(text[pos++] - '0');
        if (pos == start || n > 255)
            return false;
        value = (value << 8) | n;
    }
    if (pos != text.size())
        return false;
    *address = value;
    return true;
}

std::string wire_hw_text(const uint8_t hw[6])
{
    char buf[18];
    std::snprintf(buf, sizeof buf, "%02x:%02x:%02x:%02x:%02x:%02x", hw[0], hw[1], hw[2], hw[3],
                  hw[4], hw[5]);
    return buf;
}

bool wire_parse_hw(const std::string& text, uint8_t hw[6])
{
    if (text.size() != 17)
        return false;
    for (int i = 0; i < 6; ++i) {
        int hi = hex_digit(text[i * 3]), lo = hex_digit(text[i * 3 + 1]);
        if (hi < 0 || lo < 0)
            return false;
        if (i < 5 && text[i * 3 + 2] != ':')
            return false;
        hw[i] = static_cast<uint8_t>(hi * 16 + lo);
    }
    return true;
}

bool wire_parse_number(const std::string& text, uint64_t max, uint64_t* value)
{
    if (text.empty())
        return false;
    uint64_t v = 0;
    size_t i = 0;
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        i = 2;
    }
    for (; i < text.size(); ++i) {
        int d = hex_digit(text[i]);
        if (d < 0 || static_cast<unsigned>(d) >= base)
            return false;
        v = v * base + static_cast<unsigned>(d);
        if (v > max)
            return false;
    }
    *value = v;
    return true;
}
