// Writes and reads configuration files, and the emergency copy of the tables.
#include "config_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "list.h"
#include "myutil.h"
#include "protocols.h"
#include "record_defaults.h"
#include "service_text.h"
#include "textfile.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

constexpr const char* kLinesHeader = "Line_Targets:";
constexpr const char* kRoutesHeader = "Routing_Data:";
constexpr const char* kFiltersHeader = "Filter_Data:";
constexpr const char* kEmptyPair = "/";  // an empty identification keeps its column
constexpr const char* kEncodedPair =
    "//";                      // opens a text written byte by byte (identification, phone)
constexpr char kEscape = '%';  // "%XX": one byte of an encoded text
constexpr const char* kEmptyPhone = "-";  // an empty telephone number keeps its column
constexpr char kAsHeld = '=';             // opens a value taken as the router holds it
constexpr long kMaxByte = 255;            // flags and actions travel as one byte

// ------------------------------------------------------------- writing ---

// Tables handed over may be the class object or null: both are empty.
const ListNode* first_node(const ListObject* list)
{
    return list != nullptr ? list->head : nullptr;
}

// A byte that would end the token or the line.
bool breaks_token(unsigned char c)
{
    return c <= ' ' || c == 0x7F;
}

// kEncodedPair and the bytes, blanks, control characters and kEscape as "%XX".
std::string encoded_text(const std::string& text)
{
    std::string encoded = kEncodedPair;
    for (unsigned char c : text) {
        if (breaks_token(c) || c == static_cast<unsigned char>(kEscape)) {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%c%02X", kEscape, c);
            encoded += escape;
        } else {
            encoded += static_cast<char>(c);
        }
    }
    return encoded;
}

// An identification as a reader takes it back unchanged: "/" when empty, the
// text itself when it is one token with exactly one "/" (what a person
// writes), else encoded. A router may report names with blanks, a second "/",
// or 40 characters without any, none of which the plain form can carry.
std::string pair_text(const char (&pair)[PAIR_LEN + 1])
{
    const size_t len = strnlen(pair, sizeof pair);
    if (len == 0)
        return kEmptyPair;
    const std::string text(pair, len);
    // A lone "/" would read as the empty pair.
    bool plain = text != kEmptyPair && text.find('/') != std::string::npos &&
                 text.find('/') == text.rfind('/');
    for (unsigned char c : text)
        plain = plain && !breaks_token(c);
    return plain ? text : encoded_text(text);
}

// A telephone number as a reader takes it back for a router of `line_type`:
// kEmptyPhone when empty, the number itself when the reader's check takes it
// (what a person types), else encoded: a router may hold any bytes there.
std::string phone_text(const char (&phone)[PHONE_LEN + 1], int line_type)
{
    const size_t len = strnlen(phone, sizeof phone);
    if (len == 0)
        return kEmptyPhone;
    const std::string text(phone, len);
    const bool plain =
        line_type == 1 ? (text == "0" || text == "1") : myutil_check_phone(text.c_str()) != 0;
    return plain ? text : encoded_text(text);
}

// A number outside what the reader takes plainly (`plain`) is the router's
// own: marked, so that it reads back as it is.
std::string number_text(int32_t value, bool plain)
{
    return (plain ? std::string() : std::string(1, kAsHeld)) + std::to_string(value);
}

std::string flag_text(int32_t value)
{
    return number_text(value, value == 0 || value == 1);
}

// A text of a record's address field: at most its N - 1 characters, even
// from an array without its NUL.
template <size_t N>
std::string field_text(const char (&text)[N])
{
    return std::string(text, strnlen(text, N - 1));
}

// A host or route gateway whose address is 0 is refused plainly (a person
// typing it made a mistake); a router may hold one all the same, and the
// route dialog takes gateway "0.0.0.0" for a default route.
std::string host_text(const char (&host)[HOST_LEN + 1])
{
    const std::string text = field_text(host);
    return text == "0.0.0.0" ? std::string(1, kAsHeld) + text : text;
}

// A match with bits outside its mask is refused plainly; a router may hold
// one all the same.
std::string match_text(const char (&mask)[HOST_LEN + 1], const char (&match)[HOST_LEN + 1])
{
    const std::string m = field_text(mask);
    const std::string text = field_text(match);
    const bool outside =
        (myutil_get_host_addr(text.c_str()) & ~myutil_get_host_addr(m.c_str())) != 0;
    return outside ? std::string(1, kAsHeld) + text : text;
}

// Texts of the settings stand in comments: a control byte there (a router's
// telephone number may hold a line end) would end the comment and leave the
// rest of the line to be read as an entry.
std::string comment_text(const char* text)
{
    std::string out;
    for (const char* p = text; *p != '\0'; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < ' ' || c == 0x7F) {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%c%02X", kEscape, c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// The layer-3 column of a line target whose parameters no row matched: the
// first row of its code, else the bare code (which a reader refuses, so the
// entry is not taken over unnoticed).
std::string proto3_text(const LineTarget& target)
{
    if (target.proto3 != nullptr)
        return target.proto3->name;
    for (int i = 0; i < no_s3_protocols; ++i) {
        if (s3_protocols[i].code == target.proto3_code)
            return s3_protocols[i].name;
    }
    return std::to_string(target.proto3_code);
}

void write_firmware_line(std::FILE* out, const RouterSettings& s)
{
    static constexpr const char* kLineTypes[] = {nullptr, "Digital FV64S", "Digital FVS01",
                                                 "Digital FVS02"};
    if (s.firmware[0] == '\0') {
        std::fputs("# Firmware                : ? / ?\n", out);
        return;
    }
    const char* mode = s.isdn_mode == 0 ? "1TR6" : "DSS1";
    const std::string firmware = comment_text(s.firmware);
    if (s.line_type == 0) {
        std::fprintf(out, "# Firmware                : %s / %s\n", firmware.c_str(), mode);
    } else if (s.line_type <= 3) {
        std::fprintf(out, "# Firmware                : %s / %s / %s\n", firmware.c_str(), mode,
                     kLineTypes[s.line_type]);
    }
}

void write_protocols(std::FILE* out)
{
    std::fputs("# The defined Protocols are:\n#\n", out);
    std::fputs("# Name         | Definition\n", out);
    std::fputs("# -------------+-------------------------------------------\n", out);
    for (int i = 0; i < no_s2_protocols; ++i) {
        const Proto2Def& p = s2_protocols[i];
        const char* base = p.code == 1 ? "x75" : p.code == 2 ? "hdlc" : nullptr;
        if (base != nullptr) {
            std::fprintf(out,
                         "# %-12s | base=%s blocksize=%u addr_a=%u addr_b=%u modulo=%u "
                         "windowsize=%u\n",
                         p.name, base, unsigned{p.blocksize}, unsigned{p.addr_a},
                         unsigned{p.addr_b}, unsigned{p.modulo}, unsigned{p.windowsize});
        } else if (p.code == 255) {
            std::fprintf(out, "# %-12s | base=ppp\n", p.name);
        }
    }
    std::fputs("#\n\n", out);
}

void write_lines(std::FILE* out, const ListObject* lines, int line_type)
{
    std::fputs("Line_Targets:\n\n", out);
    std::fputs("# M = Only Manual   B = B-Chanal Bundling   C = Compression  (1 = On / 0 = Off)\n",
               out);
    std::fputs("#\n#Example:\n", out);
    std::fprintf(out, "%-20s %-20s %-11s %-11s %-5s 0 1 0 %-30s %-30s\n#\n", "#124.50.16.101",
                 "072418563", "x75", "null", "20", "kelp/mars", "kelp/mars");
    std::fprintf(out, "%-20s %-20s %-11s %-11s %-5s M B C %-30s %-30s\n", "#Hostname",
                 "Phone Number", "Proto2", "Proto3", "Time", "Sender Password",
                 "Receiver Password");
    for (const ListNode* n = first_node(lines); n != nullptr; n = n->next) {
        const LineTarget* t = static_cast<const LineTarget*>(n->element);
        // Without a layer-2 row there is no name a reader could take back.
        if (t == nullptr || t->proto2 == nullptr)
            continue;
        std::fprintf(out, "%-20s %-20s %-11.11s %-11.11s ", host_text(t->host).c_str(),
                     phone_text(t->phone, line_type).c_str(), t->proto2->name,
                     proto3_text(*t).c_str());
        const bool plain_timeout =
            t->timeout == 0 || (t->timeout >= 5 && t->timeout <= CFG_MAX_WORD);
        std::fprintf(out, "%-5s %s %s %s %-30s %-30s\n",
                     number_text(t->timeout, plain_timeout).c_str(),
                     flag_text(t->manual_only).c_str(), flag_text(t->bundling).c_str(),
                     flag_text(t->compression).c_str(), pair_text(t->send_pair).c_str(),
                     pair_text(t->receive_pair).c_str());
    }
}

void write_routes(std::FILE* out, const ListObject* routes)
{
    std::fputs("\n\nRouting_Data:\n", out);
    std::fputs("\n#Example:\n", out);
    std::fprintf(out, "%-15s %-15s %-20s\n", "#255.255.255.0", "124.50.16.0", "124.50.16.101");
    std::fprintf(out, "#\n%-15s %-15s %-20s\n", "#Netmask", "Match", "Gateway");
    for (const ListNode* n = first_node(routes); n != nullptr; n = n->next) {
        const RouteEntry* r = static_cast<const RouteEntry*>(n->element);
        if (r == nullptr)
            continue;
        std::fprintf(out, "%-15s %-15s %-20s\n", field_text(r->mask).c_str(),
                     match_text(r->mask, r->match).c_str(), host_text(r->gateway).c_str());
    }
}

void write_filters(std::FILE* out, const ListObject* filters, ServiceNames* names)
{
    std::fputs("\n\nFilter_Data:\n\n", out);
    std::fputs("# Action = 1 -> accept          Action = 0 -> reject\n#\n", out);
    std::fputs("#Example:\n", out);
    std::fprintf(out, "%-15s %-15s %-15s %-15s %-10s %s\n#\n", "#0.0.0.0", "0.0.0.0",
                 "255.255.255.0", "124.50.16.0", "ftp", "0");
    std::fprintf(out, "%-15s %-15s %-15s %-15s %-10s %s\n", "#Send Netmask", "Send Match",
                 "Receive Netmask", "Receive Match", "Service", "Action");
    for (const ListNode* n = first_node(filters); n != nullptr; n = n->next) {
        const FilterEntry* f = static_cast<const FilterEntry*>(n->element);
        if (f == nullptr)
            continue;
        if (n->next == nullptr) {
            std::fputs(
                "\n# The Following Entry is the Default for all other Connections.\n"
                "# Please change only the Action Field.\n\n",
                out);
        }
        std::fprintf(out, "%-15s %-15s %-15s %-15s %-10s %3s\n", field_text(f->send_mask).c_str(),
                     match_text(f->send_mask, f->send_match).c_str(),
                     field_text(f->receive_mask).c_str(),
                     match_text(f->receive_mask, f->receive_match).c_str(),
                     names->text(f->protocol, f->port).c_str(), flag_text(f->action).c_str());
    }
}

// The whole file; false when anything could not be written.
bool write_config(std::FILE* out, const ListObject* lines, const ListObject* routes,
                  const ListObject* filters, const RouterSettings* settings)
{
    RouterSettings s;
    if (settings != nullptr) {
        s = *settings;
    } else {
        std::memset(&s, 0, sizeof s);
    }
    // A record may arrive with a full array; printing stops at its end.
    s.name[sizeof s.name - 1] = s.netmask[sizeof s.netmask - 1] = '\0';
    s.phone[sizeof s.phone - 1] = s.firmware[sizeof s.firmware - 1] = '\0';

    std::fputs("#\n# quarn VANTERO Configuration File\n", out);
    std::fputs("# Tables of one router; the settings below are for information only\n", out);
    std::fputs("#\n#\n", out);
    std::fputs("# The Entries of a Line must be separated by Blanks or Tabs \n#\n\n", out);
    std::fputs("# Router Configuration:\n#\n", out);
    std::fprintf(out, "# Router Name / IP-Address: %s\n", comment_text(s.name).c_str());
    std::fprintf(out, "# Netmask                 : %s\n", comment_text(s.netmask).c_str());
    std::fprintf(out, "# Router Telephone Number : %s\n", comment_text(s.phone).c_str());
    write_firmware_line(out, s);
    std::fputs("#\n\n", out);
    write_protocols(out);
    write_lines(out, lines, s.line_type);
    write_routes(out, routes);
    ServiceNames names;  // one look-up per service for the whole file
    write_filters(out, filters, &names);
    return std::fflush(out) == 0 && !std::ferror(out);
}

// ------------------------------------------------------------- reading ---

struct Fault {
    int code;    // CFG_*
    int column;  // 1-based, 0 for the entry as a whole
};

constexpr Fault kNoFault = {CFG_OK, 0};

// Walks the tokens of one line and knows each one's column.
class Tokens {
public:
    explicit Tokens(const char* line) : line_(line), rest_(line) {}

    // The next token (empty when there is none) and its column (where the
    // scan stopped when there is none).
    const char* next()
    {
        const char* start = nullptr;
        const char* after = file_get_token(rest_, token_, &start);
        column_ = start != nullptr ? file_column(line_, start) : 0;
        if (after != nullptr)
            rest_ = after;
        else if (start != nullptr)
            rest_ = start;
        return token_;
    }
    int column() const { return column_; }
    bool more()
    {
        char scratch[FILE_TOKEN_SIZE];
        return file_get_token(rest_, scratch, nullptr) != nullptr;
    }

private:
    const char* line_;
    const char* rest_;
    char token_[FILE_TOKEN_SIZE] = {};
    int column_ = 0;
};

// A whole number in decimal, "0x" hexadecimal or leading-0 octal, at most
// `max`; no sign, nothing after it.
bool whole_number(const char* text, long max, long* value)
{
    if (text[0] < '0' || text[0] > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    unsigned long v = std::strtoul(text, &end, 0);
    if (errno != 0 || end == text || *end != '\0' || v > static_cast<unsigned long>(max)) {
        return false;
    }
    *value = static_cast<long>(v);
    return true;
}

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// A value marked kAsHeld: the text after the mark, or null when unmarked.
const char* as_held(const char* text)
{
    return text[0] == kAsHeld ? text + 1 : nullptr;
}

// A number as written: plain within [0, max] and passing `plain_ok`, or
// marked as the router's own, then anything up to `held_max`, the width it
// travels in.
bool number(const char* text, long max, bool (*plain_ok)(long), long held_max, long* value)
{
    if (const char* held = as_held(text))
        return whole_number(held, held_max, value);
    return whole_number(text, max, value) && plain_ok(*value);
}

bool any_value(long)
{
    return true;
}
bool timeout_ok(long v)
{
    return v == 0 || v >= 5;
}

// A flag (manual, bundling, compression, action): 0 or 1, or a router's
// other byte value marked.
bool flag_value(const char* text, int32_t* value)
{
    long v;
    if (!number(text, 1, any_value, kMaxByte, &v))
        return false;
    *value = static_cast<int32_t>(v);
    return true;
}

// The bytes after kEncodedPair, "%XX" taken as one byte; at most N - 1 of
// them (what the record holds), and no NUL.
template <size_t N>
bool encoded_bytes(const char* text, char (&out)[N])
{
    std::string bytes;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p != kEscape) {
            bytes += *p;
            continue;
        }
        const int high = hex_digit(p[1]);
        const int low = high < 0 ? -1 : hex_digit(p[2]);
        if (low < 0 || (high == 0 && low == 0))
            return false;
        bytes += static_cast<char>(high * 16 + low);
        p += 2;
    }
    if (bytes.size() > N - 1)
        return false;
    myutil_copy_text(out, bytes.c_str());
    return true;
}

// An identification as written: "/" alone, or none, is the empty pair; one
// opened by kEncodedPair is taken byte by byte; one without a "/" gets one
// appended. A pair with its "/" may fill the record, as a router may report
// it.
bool identification(const char* text, char (&pair)[PAIR_LEN + 1])
{
    if (std::strncmp(text, kEncodedPair, std::strlen(kEncodedPair)) == 0) {
        return encoded_bytes(text + std::strlen(kEncodedPair), pair);
    }
    const size_t len = std::strlen(text);
    const char* slash = std::strchr(text, '/');
    if (slash != nullptr && std::strchr(slash + 1, '/') != nullptr)
        return false;
    if (text[0] == '\0' || std::strcmp(text, kEmptyPair) == 0) {
        pair[0] = '\0';
        return true;
    }
    if (slash != nullptr) {
        if (len > static_cast<size_t>(PAIR_LEN))
            return false;
        myutil_copy_text(pair, text);
        return true;
    }
    if (len > static_cast<size_t>(PAIR_FILE_LEN - 1))
        return false;
    myutil_copy_text(pair, (std::string(text) + "/").c_str());
    return true;
}

bool fits(const char* text, size_t max)
{
    return std::strlen(text) <= max;
}

// An address text that a field may hold: a host name or address that
// converts, or "0.0.0.0".
bool address_text(const char* text)
{
    return fits(text, HOST_LEN) && myutil_check_ip(text);
}

Fault parse_line_target(const char* line, int line_type, LineTarget* t)
{
    Tokens tok(line);
    const char* text = tok.next();
    // Plainly a host that has an address; marked, any address text, as a
    // router may hold a line target without one.
    const char* held = as_held(text);
    const bool host_ok = held != nullptr ? address_text(held)
                                         : fits(text, HOST_LEN) && myutil_get_host_addr(text) != 0;
    if (!host_ok)
        return {CFG_BAD_ADDRESS, tok.column()};
    myutil_copy_text(t->host, held != nullptr ? held : text);

    text = tok.next();
    // The writer's marks for a router's entry without a number, or with one
    // that is no plain number, read back as exactly what the router held,
    // whatever the line type.
    const bool empty_phone = std::strcmp(text, kEmptyPhone) == 0;
    const bool encoded_phone = std::strncmp(text, kEncodedPair, std::strlen(kEncodedPair)) == 0;
    if (encoded_phone) {
        if (!encoded_bytes(text + std::strlen(kEncodedPair), t->phone))
            return {CFG_BAD_PHONE, tok.column()};
    } else {
        bool phone_ok = empty_phone || (fits(text, PHONE_LEN) && myutil_check_phone(text));
        if (line_type == 1 && !empty_phone)
            phone_ok = std::strcmp(text, "0") == 0 || std::strcmp(text, "1") == 0;
        if (!phone_ok)
            return {CFG_BAD_PHONE, tok.column()};
        myutil_copy_text(t->phone, empty_phone ? "" : text);
    }

    char name[FILE_TOKEN_SIZE];
    myutil_copy_text(name, tok.next());
    file_lower(name);
    t->proto2 = file_find_proto2_by_name(name);
    if (t->proto2 == nullptr)
        return {CFG_BAD_PROTOCOL, tok.column()};
    t->proto2_code = t->proto2->code;

    myutil_copy_text(name, tok.next());
    file_lower(name);
    t->proto3 = file_find_proto3_by_name(name);
    if (t->proto3 == nullptr)
        return {CFG_BAD_PROTOCOL, tok.column()};
    t->proto3_code = t->proto3->code;

    long timeout;
    if (!number(tok.next(), CFG_MAX_WORD, timeout_ok, CFG_MAX_WORD, &timeout)) {
        return {CFG_BAD_TIMEOUT, tok.column()};
    }
    t->timeout = static_cast<int32_t>(timeout);

    if (!flag_value(tok.next(), &t->manual_only))
        return {CFG_BAD_MANUAL, tok.column()};
    if (!flag_value(tok.next(), &t->bundling))
        return {CFG_BAD_BUNDLING, tok.column()};
    if (!flag_value(tok.next(), &t->compression))
        return {CFG_BAD_COMPRESSION, tok.column()};

    // Missing identifications are empty ones.
    if (!identification(tok.next(), t->send_pair))
        return {CFG_BAD_PASSWORD, tok.column()};
    if (!identification(tok.next(), t->receive_pair))
        return {CFG_BAD_PASSWORD, tok.column()};
    if (tok.more()) {
        tok.next();
        return {CFG_SYNTAX_ERROR, tok.column()};
    }
    return kNoFault;
}

// A mask and its match, as routes and both halves of a filter rule have them.
Fault parse_mask_match(Tokens* tok, char (&mask)[HOST_LEN + 1], char (&match)[HOST_LEN + 1])
{
    const char* text = tok->next();
    const int mask_column = tok->column();
    if (!address_text(text))
        return {CFG_BAD_MASK, mask_column};
    myutil_copy_text(mask, text);
    text = tok->next();
    // A marked match is the router's own and may have bits outside its mask.
    const char* held = as_held(text);
    if (!address_text(held != nullptr ? held : text))
        return {CFG_BAD_MATCH, tok->column()};
    myutil_copy_text(match, held != nullptr ? held : text);
    if (held == nullptr && (myutil_get_host_addr(match) & ~myutil_get_host_addr(mask)) != 0) {
        return {CFG_MASK_MATCH_MISMATCH, mask_column};
    }
    return kNoFault;
}

Fault parse_route(const char* line, RouteEntry* r)
{
    Tokens tok(line);
    Fault fault = parse_mask_match(&tok, r->mask, r->match);
    if (fault.code != CFG_OK)
        return fault;
    const char* text = tok.next();
    // A route must lead somewhere: unlike mask and match, the gateway may
    // not be "0.0.0.0", but for the writer's mark of one that the route
    // dialog or a router gave.
    const char* held = as_held(text);
    const bool gateway_ok = held != nullptr
                                ? std::strcmp(held, "0.0.0.0") == 0
                                : fits(text, HOST_LEN) && myutil_get_host_addr(text) != 0;
    if (!gateway_ok)
        return {CFG_BAD_GATEWAY, tok.column()};
    myutil_copy_text(r->gateway, held != nullptr ? held : text);
    if (tok.more()) {
        tok.next();
        return {CFG_SYNTAX_ERROR, tok.column()};
    }
    return kNoFault;
}

Fault parse_filter(const char* line, FilterEntry* f, ServiceNames* names)
{
    Tokens tok(line);
    Fault fault = parse_mask_match(&tok, f->send_mask, f->send_match);
    if (fault.code != CFG_OK)
        return fault;
    fault = parse_mask_match(&tok, f->receive_mask, f->receive_match);
    if (fault.code != CFG_OK)
        return fault;
    if (!names->parse(tok.next(), &f->protocol, &f->port))
        return {CFG_BAD_SERVICE, tok.column()};
    if (!flag_value(tok.next(), &f->action))
        return {CFG_BAD_ACTION, tok.column()};
    if (tok.more()) {
        tok.next();
        return {CFG_BAD_ACTION, tok.column()};
    }
    return kNoFault;
}

bool is_catch_all(const FilterEntry& rule)
{
    ListNode node = {const_cast<FilterEntry*>(&rule), nullptr};
    ListNode accept = {&filter_accept, nullptr};
    ListNode reject = {&filter_reject, nullptr};
    return listhelp_comp_filter(&node, &accept) == 0 || listhelp_comp_filter(&node, &reject) == 0;
}

template <typename T>
void append_copy(ListObject* list, const T& record)
{
    T* copy = static_cast<T*>(myutil_malloc(sizeof(T)));
    *copy = record;
    copy->index = list->count;  // its place once appended
    list->ops->list_append(list, copy);
}

// The three tables being read; destroyed unless handed over.
class NewTables {
public:
    NewTables()
        : lines(listhelp_new_line_list()),
          routes(listhelp_new_route_list()),
          filters(listhelp_new_filter_list())
    {
    }
    ~NewTables()
    {
        for (ListObject* list : {lines, routes, filters}) {
            if (list != nullptr)
                list->ops->list_destroy(list);
        }
    }
    NewTables(const NewTables&) = delete;
    NewTables& operator=(const NewTables&) = delete;

    ListObject* lines;
    ListObject* routes;
    ListObject* filters;
};

enum class Section { kNone, kLines, kRoutes, kFilters };

struct SectionHeader {
    const char* token;
    Section opens;    // the section this header opens
    Section follows;  // the section it must follow
};

constexpr SectionHeader kHeaders[] = {
    {kLinesHeader, Section::kLines, Section::kNone},
    {kRoutesHeader, Section::kRoutes, Section::kLines},
    {kFiltersHeader, Section::kFilters, Section::kRoutes},
};

const SectionHeader* header_of(const char* token)
{
    for (const SectionHeader& h : kHeaders) {
        if (std::strcmp(token, h.token) == 0)
            return &h;
    }
    return nullptr;
}

// One entry line of the current section.
Fault parse_entry(Section section, const char* line, int line_type, NewTables* tables,
                  ServiceNames* names)
{
    switch (section) {
    case Section::kLines: {
        const int limit = line_type == 0 ? MAX_LINE_TARGETS : MAX_LINE_TARGETS_PERMANENT;
        LineTarget t;
        std::memset(&t, 0, sizeof t);
        Fault fault = parse_line_target(line, line_type, &t);
        if (fault.code != CFG_OK)
            return fault;
        if (tables->lines->count >= limit)
            return {CFG_TOO_MANY_ENTRIES, 0};
        append_copy(tables->lines, t);
        return kNoFault;
    }
    case Section::kRoutes: {
        RouteEntry r;
        std::memset(&r, 0, sizeof r);
        Fault fault = parse_route(line, &r);
        if (fault.code != CFG_OK)
            return fault;
        if (tables->routes->count >= MAX_ROUTES)
            return {CFG_TOO_MANY_ENTRIES, 0};
        append_copy(tables->routes, r);
        return kNoFault;
    }
    case Section::kFilters: {
        FilterEntry f;
        std::memset(&f, 0, sizeof f);
        Fault fault = parse_filter(line, &f, names);
        if (fault.code != CFG_OK)
            return fault;
        // The last place of the table is its default rule's: a 64th rule
        // is taken only when it is a catch-all, and nothing after it.
        const int count = tables->filters->count;
        if (count >= MAX_FILTERS || (count == MAX_FILTERS - 1 && !is_catch_all(f)))
            return {CFG_TOO_MANY_ENTRIES, 0};
        append_copy(tables->filters, f);
        return kNoFault;
    }
    case Section::kNone:
        break;
    }
    return {CFG_SYNTAX_ERROR, 1};
}

// Reads the whole file into `tables`; CFG_OK or the first fault, with
// *line_no counting every line read and *faulty_line the text at fault
// (empty when the file ended early).
Fault read_tables(std::FILE* file, int line_type, NewTables* tables, int* line_no,
                  std::string* faulty_line)
{
    ServiceNames names;  // one look-up per service for the whole file
    Section section = Section::kNone;
    int nul = 0;
    while (const char* line = file_read_line(file, &nul)) {
        ++*line_no;
        if (nul != 0) {
            // No text file holds one; even a comment line with it is a fault.
            *faulty_line = line;
            return {CFG_SYNTAX_ERROR, nul};
        }
        const char* start = nullptr;
        char first[FILE_TOKEN_SIZE];
        if (file_get_token(line, first, &start) == nullptr || first[0] == '#')
            continue;

        Fault fault = kNoFault;
        const SectionHeader* h = header_of(first);
        if (section == Section::kNone) {
            // Whatever stands first where the tables should begin, the line
            // as a whole is wrong: column 1.
            if (h != nullptr && h->follows == section) {
                section = h->opens;
                continue;
            }
            fault = {CFG_SYNTAX_ERROR, 1};
        } else if (h != nullptr) {
            if (h->follows == section) {
                section = h->opens;
                continue;
            }
            fault = {CFG_SYNTAX_ERROR, file_column(line, start)};
        } else {
            fault = parse_entry(section, line, line_type, tables, &names);
        }
        if (fault.code != CFG_OK) {
            *faulty_line = line;
            return fault;
        }
    }
    if (section != Section::kFilters)
        return {CFG_SYNTAX_ERROR, 0};
    return kNoFault;
}

void replace_list(ListObject** target, ListObject** fresh)
{
    if (*target != nullptr)
        (*target)->ops->list_destroy(*target);
    *target = *fresh;
    *fresh = nullptr;
}

}  // namespace

int file_save_config(const char* path, ListObject* lines, ListObject* routes, ListObject* filters,
                     const RouterSettings* settings)
{
    if (path == nullptr)
        return 0;
    std::FILE* file = std::fopen(path, "w");
    if (file == nullptr)
        return 0;
    bool ok = write_config(file, lines, routes, filters, settings);
    ok = (std::fclose(file) == 0) && ok;
    return ok ? 1 : 0;
}

int file_save_emergency(ListObject* lines, ListObject* routes, ListObject* filters,
                        const RouterSettings* settings)
{
    return file_save_emergency_at(CFG_EMERGENCY_PATH, lines, routes, filters, settings);
}

namespace {

// Whether `st` is a copy this program may take over: a plain file of this
// user's with one link. In a shared directory anything else at the name may
// be someone's trap (a link to a file of ours, another user's file).
bool own_plain_file(const struct stat& st)
{
    return S_ISREG(st.st_mode) && st.st_uid == geteuid() && st.st_nlink == 1;
}

// Gives the copy at `path`, whose checked status is `st`, a second name: the
// first free of "path.1" to "path.<CFG_EMERGENCY_KEEP_MAX>". link() makes a
// name only where nothing stands, not even a dangling link, and never writes
// through one. Returns the new name, or "" when none could be made.
std::string keep_earlier_copy(const std::string& path, const struct stat& st)
{
    for (int n = 1; n <= CFG_EMERGENCY_KEEP_MAX; ++n) {
        std::string kept = path + "." + std::to_string(n);
        if (link(path.c_str(), kept.c_str()) != 0) {
            if (errno == EEXIST)
                continue;
            return "";
        }
        // Only the owner can replace a name of his in a sticky directory, but
        // where that does not hold, the name may have changed since the check.
        struct stat now;
        if (lstat(kept.c_str(), &now) != 0 || now.st_dev != st.st_dev || now.st_ino != st.st_ino) {
            unlink(kept.c_str());
            return "";
        }
        return kept;
    }
    return "";
}

// Whether the two files hold the same bytes; false when either cannot be read.
bool same_contents(const std::string& a, const std::string& b)
{
    FileHandle fa(std::fopen(a.c_str(), "rb"));
    FileHandle fb(std::fopen(b.c_str(), "rb"));
    if (!fa || !fb)
        return false;
    char ba[4096];
    char bb[4096];
    for (;;) {
        size_t na = std::fread(ba, 1, sizeof ba, fa.get());
        size_t nb = std::fread(bb, 1, sizeof bb, fb.get());
        if (na != nb || std::memcmp(ba, bb, na) != 0)
            return false;
        if (na < sizeof ba)
            return std::ferror(fa.get()) == 0 && std::ferror(fb.get()) == 0;
    }
}

// Puts the finished copy `temp` at `path`. A name that is free gets it by
// link(), which fails where another process has put something meanwhile; a
// name that holds an earlier copy of ours gets it by rename() once the
// earlier copy has a name of its own, so that no copy is ever lost and the
// name never stands empty for a trap to be planted in.
bool put_in_place(const std::string& temp, const std::string& path)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (link(temp.c_str(), path.c_str()) == 0) {
            unlink(temp.c_str());
            return true;
        }
        if (errno != EEXIST)
            return false;
        struct stat st;
        if (lstat(path.c_str(), &st) != 0) {
            if (errno == ENOENT)
                continue;  // gone since: the name is free again
            return false;
        }
        if (!own_plain_file(st))
            return false;
        // The same tables saved again (a router read once more) lose nothing
        // when they replace their copy; kept, every run would add one.
        std::string kept;
        if (!same_contents(temp, path)) {
            kept = keep_earlier_copy(path, st);
            if (kept.empty())
                return false;
        }
        // rename() replaces the name itself and never follows a link.
        if (std::rename(temp.c_str(), path.c_str()) == 0)
            return true;
        if (!kept.empty())
            unlink(kept.c_str());  // the earlier copy still stands at `path`
        return false;
    }
    return false;
}

}  // namespace

int file_save_emergency_at(const char* path, ListObject* lines, ListObject* routes,
                           ListObject* filters, const RouterSettings* settings)
{
    if (path == nullptr)
        return 0;
    // Refused before anything is written: a name that holds a trap.
    struct stat st;
    if (lstat(path, &st) == 0) {
        if (!own_plain_file(st))
            return 0;
    } else if (errno != ENOENT) {
        return 0;
    }

    std::string temp = std::string(path) + ".XXXXXX";
    int fd = mkstemp(&temp[0]);  // a new file of mode 0600: it holds PPP passwords
    if (fd < 0)
        return 0;
    if (fchmod(fd, S_IRUSR | S_IWUSR) != 0) {
        close(fd);
        unlink(temp.c_str());
        return 0;
    }
    std::FILE* file = fdopen(fd, "w");
    if (file == nullptr) {
        close(fd);
        unlink(temp.c_str());
        return 0;
    }
    bool ok = write_config(file, lines, routes, filters, settings);
    ok = (std::fclose(file) == 0) && ok;
    if (!ok || !put_in_place(temp, path)) {
        unlink(temp.c_str());
        return 0;
    }
    return 1;
}

int file_load_config(const char* path, ListObject** lines, ListObject** routes,
                     ListObject** filters, int* line, int* column, int line_type)
{
    int line_no = 0;
    if (line != nullptr)
        *line = 0;
    if (column != nullptr)
        *column = 0;
    if (path == nullptr || lines == nullptr || routes == nullptr || filters == nullptr) {
        return CFG_CANNOT_OPEN;
    }
    // A device or a FIFO under the name would never end or never come.
    FileHandle file(file_open_text(path));
    if (!file)
        return CFG_CANNOT_OPEN;

    NewTables tables;
    std::string faulty_line;
    Fault fault = read_tables(file.get(), line_type, &tables, &line_no, &faulty_line);
    file.reset();
    if (line != nullptr)
        *line = line_no;
    if (fault.code != CFG_OK) {
        if (column != nullptr)
            *column = fault.column;
        file_echo_fault(faulty_line.empty() ? nullptr : faulty_line.c_str(), fault.column, '-');
        return fault.code;
    }

    myutil_make_filter_default(tables.filters);
    replace_list(lines, &tables.lines);
    replace_list(routes, &tables.routes);
    replace_list(filters, &tables.filters);
    return CFG_OK;
}
