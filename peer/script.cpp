#include "script.h"

#include <cstdio>
#include <sstream>

#include "text_escape.h"

namespace {

using Args = std::vector<std::string>;

// ------------------------------------------------------------ values ---

template <typename T>
bool number(const std::string& v, uint64_t max, T* out)
{
    uint64_t n = 0;
    if (!wire_parse_number(v, max, &n))
        return false;
    *out = static_cast<T>(n);
    return true;
}

bool address(const std::string& v, uint32_t* out)
{
    return wire_parse_dotted(v, out);
}

bool text(const std::string& v, size_t width, std::string* out)
{
    std::string raw;
    if (!text_unescape(v, &raw) || raw.size() > width)
        return false;
    while (!raw.empty() && raw.back() == '\0')
        raw.pop_back();
    *out = raw;
    return true;
}

bool flag(const std::string& v, bool* out)
{
    if (v == "yes" || v == "1")
        *out = true;
    else if (v == "no" || v == "0")
        *out = false;
    else
        return false;
    return true;
}

// A comma-separated list of exactly n numbers.
template <typename T>
bool number_list(const std::string& v, size_t n, uint64_t max, T* out)
{
    std::stringstream in(v);
    std::string item;
    size_t i = 0;
    while (std::getline(in, item, ',')) {
        if (i >= n || !number(item, max, &out[i]))
            return false;
        ++i;
    }
    return i == n;
}

std::string join(const uint32_t* p, size_t n)
{
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += (i ? "," : "") + std::to_string(p[i]);
    return s;
}

std::string join16(const uint16_t* p, size_t n)
{
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += (i ? "," : "") + std::to_string(p[i]);
    return s;
}

// ------------------------------------------------------ entry fields ---

template <typename E>
struct Field {
    const char* key;
    bool (*set)(E& e, const std::string& v);
};

const Field<PeerLine> LINE_FIELDS[] = {
    {"host", [](PeerLine& e, const std::string& v) { return address(v, &e.host); }},
    {"phone", [](PeerLine& e, const std::string& v) { return text(v, PEER_PHONE_LEN, &e.phone); }},
    {"l2", [](PeerLine& e, const std::string& v) { return number(v, 255, &e.l2); }},
    {"blocksize",
     [](PeerLine& e, const std::string& v) { return number(v, 0xFFFF, &e.blocksize); }},
    {"addr_a", [](PeerLine& e, const std::string& v) { return number(v, 255, &e.addr_a); }},
    {"addr_b", [](PeerLine& e, const std::string& v) { return number(v, 255, &e.addr_b); }},
    {"modulo", [](PeerLine& e, const std::string& v) { return number(v, 255, &e.modulo); }},
    {"window", [](PeerLine& e, const std::string& v) { return number(v, 255, &e.window); }},
    {"l3", [](PeerLine& e, const std::string& v) { return number(v, 255, &e.l3); }},
    {"words", [](PeerLine& e, const std::string& v) { return number_list(v, 6, 0xFFFF, e.words); }},
    {"byte", [](PeerLine& e, const std::string& v) { return number(v, 255, &e.byte); }},
    {"timeout", [](PeerLine& e, const std::string& v) { return number(v, 0xFFFF, &e.timeout); }},
    {"manual", [](PeerLine& e, const std::string& v) { return number(v, 255, &e.manual); }},
    {"bundling", [](PeerLine& e, const std::string& v) { return number(v, 255, &e.bundling); }},
    {"compression",
     [](PeerLine& e, const std::string& v) { return number(v, 255, &e.compression); }},
    {"send",
     [](PeerLine& e, const std::string& v) { return text(v, PEER_PAIR_LEN, &e.send_pair); }},
    {"receive",
     [](PeerLine& e, const std::string& v) { return text(v, PEER_PAIR_LEN, &e.receive_pair); }},
    {"counters",
     [](PeerLine& e, const std::string& v) {
         return number_list(v, PEER_COUNTERS, 0xFFFFFFFFu, e.counters);
     }},
};

const Field<PeerRoute> ROUTE_FIELDS[] = {
    {"mask", [](PeerRoute& e, const std::string& v) { return address(v, &e.mask); }},
    {"match", [](PeerRoute& e, const std::string& v) { return address(v, &e.match); }},
    {"gateway", [](PeerRoute& e, const std::string& v) { return address(v, &e.gateway); }},
};

const Field<PeerFilter> FILTER_FIELDS[] = {
    {"send_mask", [](PeerFilter& e, const std::string& v) { return address(v, &e.send_mask); }},
    {"send_match", [](PeerFilter& e, const std::string& v) { return address(v, &e.send_match); }},
    {"receive_mask",
     [](PeerFilter& e, const std::string& v) { return address(v, &e.receive_mask); }},
    {"receive_match",
     [](PeerFilter& e, const std::string& v) { return address(v, &e.receive_match); }},
    {"protocol", [](PeerFilter& e, const std::string& v) { return number(v, 255, &e.protocol); }},
    {"action", [](PeerFilter& e, const std::string& v) { return number(v, 255, &e.action); }},
    {"port", [](PeerFilter& e, const std::string& v) { return number(v, 0xFFFF, &e.port); }},
};

const Field<PeerChannel> CHANNEL_FIELDS[] = {
    {"state", [](PeerChannel& e, const std::string& v) { return number(v, 255, &e.state); }},
    {"code", [](PeerChannel& e, const std::string& v) { return number(v, 0xFFFF, &e.code); }},
    {"peer", [](PeerChannel& e, const std::string& v) { return address(v, &e.peer); }},
    {"phone",
     [](PeerChannel& e, const std::string& v) { return text(v, PEER_PHONE_LEN, &e.phone); }},
    {"duration",
     [](PeerChannel& e, const std::string& v) { return number(v, 0xFFFFFFFFu, &e.duration); }},
    {"charge",
     [](PeerChannel& e, const std::string& v) { return number(v, 0xFFFFFFFFu, &e.charge); }},
    {"out",
     [](PeerChannel& e, const std::string& v) { return number(v, 0xFFFFFFFFu, &e.packets_out); }},
    {"in",
     [](PeerChannel& e, const std::string& v) { return number(v, 0xFFFFFFFFu, &e.packets_in); }},
};

template <typename E, size_t N>
bool fields(const Field<E> (&table)[N], const Args& a, size_t from, E* e, std::string* why)
{
    for (size_t i = from; i < a.size(); ++i) {
        size_t eq = a[i].find('=');
        if (eq == std::string::npos) {
            *why = "expected key=value: " + a[i];
            return false;
        }
        std::string key = a[i].substr(0, eq), value = a[i].substr(eq + 1);
        const Field<E>* f = nullptr;
        for (const Field<E>& c : table)
            if (key == c.key)
                f = &c;
        if (!f) {
            *why = "unknown field " + key;
            return false;
        }
        if (!f->set(*e, value)) {
            *why = "bad value for " + key + ": " + value;
            return false;
        }
    }
    return true;
}

// The slot an entry line names; the table grows to hold it.
template <typename E>
E* slot(std::vector<E>& v, const Args& a, size_t capacity, std::string* why)
{
    uint16_t index = 0;
    if (a.size() < 2 || !number(a[1], capacity - 1, &index)) {
        *why = "bad or missing slot index";
        return nullptr;
    }
    if (v.size() <= index)
        v.resize(index + 1u);
    v[index] = E();
    v[index].used = true;
    return &v[index];
}

// -------------------------------------------------- router keywords ---

// One value after the keyword (or none for an empty text).
std::string value(const Args& a)
{
    return a.size() > 1 ? a[1] : std::string();
}

struct Keyword {
    const char* word;
    bool knob;  // allowed before the first router, as a default
    bool (*apply)(PeerRouter& r, const Args& a, std::string* why);
};

bool one(const Args& a, std::string* why)
{
    if (a.size() == 2)
        return true;
    *why = "expected one value";
    return false;
}

bool at_most_one(const Args& a, std::string* why)
{
    if (a.size() <= 2)
        return true;
    *why = "expected at most one value";
    return false;
}

constexpr uint64_t MAX_MS = 3600000;  // the longest time a knob takes

bool ms(const Args& a, int* out, std::string* why)
{
    if (!one(a, why))
        return false;
    if (number(a[1], MAX_MS, out))
        return true;
    *why = "bad milliseconds";
    return false;
}

bool yes_no(const Args& a, bool* out, std::string* why)
{
    if (one(a, why) && flag(a[1], out))
        return true;
    *why = "expected yes or no";
    return false;
}

// PERCENT [SEED]
bool chance(const Args& a, PeerChance* out, std::string* why)
{
    if ((a.size() == 2 || a.size() == 3) && number(a[1], 100, &out->percent) &&
        (a.size() == 2 || number(a[2], 0xFFFFFFFFu, &out->seed)))
        return true;
    *why = "expected " + a[0] + " PERCENT [SEED]";
    return false;
}

// MS [SPREAD [SEED]]
bool transit(const Args& a, PeerTransit* out, std::string* why)
{
    out->spread = 0;
    if (a.size() >= 2 && a.size() <= 4 && number(a[1], MAX_MS, &out->ms) &&
        (a.size() < 3 || number(a[2], MAX_MS, &out->spread)) &&
        (a.size() < 4 || number(a[3], 0xFFFFFFFFu, &out->seed)))
        return true;
    *why = "expected " + a[0] + " MS [SPREAD [SEED]]";
    return false;
}

struct RepeatModeName {
    const char* word;
    PeerRepeatMode mode;
};

constexpr RepeatModeName REPEAT_MODES[] = {
    {"answer", REPEAT_ANSWER},
    {"process", REPEAT_PROCESS},
    {"ack-only", REPEAT_ACK_ONLY},
};

struct StatusKindName {
    const char* word;
    PeerStatusKind kind;
};

constexpr StatusKindName STATUS_KINDS[] = {
    {"put", STATUS_KIND_PUT},
    {"delete", STATUS_KIND_DELETE},
    {"set-password", STATUS_KIND_SET_PASSWORD},
    {"router-data", STATUS_KIND_ROUTER_DATA},
    {"accounting", STATUS_KIND_ACCOUNTING},
};

const Keyword KEYWORDS[] = {
    {"address", false,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if (one(a, why) && address(a[1], &r.address) && r.address != 0)
             return true;
         *why = "bad address";
         return false;
     }},
    {"configured", false,
     [](PeerRouter& r, const Args& a, std::string* why) { return yes_no(a, &r.configured, why); }},
    {"hw", false,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if (one(a, why) && wire_parse_hw(a[1], r.hw))
             return true;
         *why = "bad hardware address";
         return false;
     }},
    {"netmask", false,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if (one(a, why) && address(a[1], &r.netmask))
             return true;
         *why = "bad netmask";
         return false;
     }},
    {"phone", false,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if (at_most_one(a, why) && text(value(a), PEER_PHONE_LEN, &r.phone))
             return true;
         *why = "bad phone";
         return false;
     }},
    {"isdn", false,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if (one(a, why) && number(a[1], 255, &r.isdn))
             return true;
         *why = "bad ISDN mode";
         return false;
     }},
    {"permanent", false,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if (one(a, why) && number(a[1], 255, &r.permanent))
             return true;
         *why = "bad permanent-connection type";
         return false;
     }},
    {"firmware", false,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if (at_most_one(a, why) && text(value(a), PEER_FIRMWARE_LEN, &r.firmware))
             return true;
         *why = "bad firmware version";
         return false;
     }},
    {"password", false,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if (at_most_one(a, why) && text(value(a), WIRE_PASSWORD_LEN, &r.password))
             return true;
         *why = "bad password (at most 10 bytes)";
         return false;
     }},
    {"exclusive", false,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if (one(a, why) && address(a[1], &r.exclusive))
             return true;
         *why = "bad station address";
         return false;
     }},
    {"holder", false,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if (one(a, why) && address(a[1], &r.holder))
             return true;
         *why = "bad station address";
         return false;
     }},
    {"channel", false,
     [](PeerRouter& r, const Args& a, std::string* why) {
         int n = 0;
         if (a.size() < 2 || !number(a[1], 2, &n) || n < 1) {
             *why = "channel 1 or 2";
             return false;
         }
         PeerChannel c;
         if (!fields(CHANNEL_FIELDS, a, 2, &c, why))
             return false;
         r.channel[n - 1] = c;
         return true;
     }},
    {"line", false,
     [](PeerRouter& r, const Args& a, std::string* why) {
         PeerLine* e = slot(r.lines, a, PEER_MAX_LINES, why);
         return e && fields(LINE_FIELDS, a, 2, e, why);
     }},
    {"route", false,
     [](PeerRouter& r, const Args& a, std::string* why) {
         PeerRoute* e = slot(r.routes, a, PEER_MAX_ROUTES, why);
         return e && fields(ROUTE_FIELDS, a, 2, e, why);
     }},
    {"filter", false,
     [](PeerRouter& r, const Args& a, std::string* why) {
         PeerFilter* e = slot(r.filters, a, PEER_MAX_FILTERS, why);
         return e && fields(FILTER_FIELDS, a, 2, e, why);
     }},
    {"image-file", false, [](PeerRouter&, const Args&, std::string*) { return true; }},
    // Knobs.
    {"status", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if (a.size() == 3) {
             for (const StatusKindName& k : STATUS_KINDS)
                 if (a[1] == k.word && number(a[2], 0xFFFF, &r.knobs.status[k.kind]))
                     return true;
         }
         *why = "expected status put|delete|set-password|router-data|accounting CODE";
         return false;
     }},
    {"refuse", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if (one(a, why) && number(a[1], 0xFFFF, &r.knobs.refuse))
             return true;
         *why = "bad reason";
         return false;
     }},
    {"challenge", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if (one(a, why) && number(a[1], 0xFFFF, &r.knobs.challenge))
             return true;
         *why = "bad challenge";
         return false;
     }},
    {"password-timeout", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         return ms(a, &r.knobs.password_timeout_ms, why);
     }},
    {"drop-acks", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if (one(a, why) && number(a[1], 1000000, &r.knobs.drop_acks))
             return true;
         *why = "bad count";
         return false;
     }},
    {"lose-acks", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if ((a.size() == 2 || a.size() == 3) && number(a[1], 1000000, &r.knobs.lose_acks) &&
             (a.size() == 2 || wire_code_of(a[2], &r.knobs.lose_acks_of)))
             return true;
         *why = "expected lose-acks N [CODE]";
         return false;
     }},
    {"sequence-start", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if (one(a, why) && number(a[1], 0xFFFF, &r.knobs.sequence_start) &&
             r.knobs.sequence_start != 0)
             return true;
         *why = "sequence number 1 to 65535";
         return false;
     }},
    {"announce-restart", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         return yes_no(a, &r.knobs.announce_restart, why);
     }},
    {"delay", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         r.knobs.delay_max_ms = 0;
         if (a.size() >= 2 && a.size() <= 4 && number(a[1], MAX_MS, &r.knobs.delay_ms) &&
             (a.size() < 3 || (number(a[2], MAX_MS, &r.knobs.delay_max_ms) &&
                               r.knobs.delay_max_ms >= r.knobs.delay_ms)) &&
             (a.size() < 4 || number(a[3], 0xFFFFFFFFu, &r.knobs.delay_seed)))
             return true;
         *why = "expected delay MS [MAX_MS [SEED]] with MAX_MS not below MS";
         return false;
     }},
    {"repeat", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if (a.size() == 2) {
             for (const RepeatModeName& m : REPEAT_MODES)
                 if (a[1] == m.word) {
                     r.knobs.repeat = m.mode;
                     return true;
                 }
         }
         *why = "expected repeat answer|process|ack-only";
         return false;
     }},
    {"duplicate", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         return chance(a, &r.knobs.duplicate, why);
     }},
    {"send-duplicate", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         return chance(a, &r.knobs.send_duplicate, why);
     }},
    {"corrupt", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         return chance(a, &r.knobs.corrupt, why);
     }},
    {"send-corrupt", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         return chance(a, &r.knobs.send_corrupt, why);
     }},
    {"transit", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         return transit(a, &r.knobs.transit, why);
     }},
    {"send-transit", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         return transit(a, &r.knobs.send_transit, why);
     }},
    {"late-copy", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if ((a.size() == 3 || a.size() == 4) && number(a[1], 1000000, &r.knobs.late_copy) &&
             r.knobs.late_copy > 0 && number(a[2], MAX_MS, &r.knobs.late_copy_ms) &&
             (a.size() == 3 || wire_code_of(a[3], &r.knobs.late_copy_of)))
             return true;
         *why = "expected late-copy N MS [CODE], N from 1";
         return false;
     }},
    {"lose-request", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if ((a.size() == 2 || a.size() == 3) && number(a[1], 1000000, &r.knobs.lose_request) &&
             r.knobs.lose_request > 0 &&
             (a.size() == 2 || wire_code_of(a[2], &r.knobs.lose_request_of)))
             return true;
         *why = "expected lose-request N [CODE], N from 1";
         return false;
     }},
    {"lose-reply", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if ((a.size() == 2 || a.size() == 3) && number(a[1], 1000000, &r.knobs.lose_reply) &&
             r.knobs.lose_reply > 0 &&
             (a.size() == 2 || wire_code_of(a[2], &r.knobs.lose_reply_of)))
             return true;
         *why = "expected lose-reply N [CODE], N from 1";
         return false;
     }},
    {"loss", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if ((a.size() == 2 || a.size() == 3) && number(a[1], 100, &r.knobs.loss_percent) &&
             (a.size() == 2 || number(a[2], 0xFFFFFFFFu, &r.knobs.loss_seed)))
             return true;
         *why = "expected loss PERCENT [SEED]";
         return false;
     }},
    {"send-loss", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if ((a.size() == 2 || a.size() == 3) && number(a[1], 100, &r.knobs.send_loss_percent) &&
             (a.size() == 2 || number(a[2], 0xFFFFFFFFu, &r.knobs.send_loss_seed)))
             return true;
         *why = "expected send-loss PERCENT [SEED]";
         return false;
     }},
    {"ack-delay", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         return ms(a, &r.knobs.ack_delay_ms, why);
     }},
    {"silent-after", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if (one(a, why) && number(a[1], 1000000000, &r.knobs.silent_after))
             return true;
         *why = "bad count";
         return false;
     }},
    {"mute", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if (a.size() < 2) {
             *why = "expected message codes";
             return false;
         }
         for (size_t i = 1; i < a.size(); ++i) {
             uint16_t code = 0;
             if (!wire_code_of(a[i], &code)) {
                 *why = "unknown message " + a[i];
                 return false;
             }
             r.knobs.mute.insert(code);
         }
         return true;
     }},
    {"own", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         uint16_t request = 0, code = 0;
         if (a.size() == 3 && wire_code_of(a[1], &request) && wire_code_of(a[2], &code)) {
             r.knobs.own[request] = code;
             return true;
         }
         *why = "expected own REQUEST CODE";
         return false;
     }},
    {"numbered", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         return yes_no(a, &r.knobs.numbered, why);
     }},
    {"numbered-linemon", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         return yes_no(a, &r.knobs.numbered_linemon, why);
     }},
    {"short-state", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         return yes_no(a, &r.knobs.short_state, why);
     }},
    {"short-open", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         return yes_no(a, &r.knobs.short_open, why);
     }},
    {"restart-delay", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         return ms(a, &r.knobs.restart_delay_ms, why);
     }},
    {"linemon-interval", true,
     [](PeerRouter& r, const Args& a, std::string* why) {
         if (ms(a, &r.knobs.linemon_interval_ms, why) && r.knobs.linemon_interval_ms >= 10)
             return true;
         *why = "interval of at least 10 ms";
         return false;
     }},
};

Args split(const std::string& line)
{
    Args a;
    std::string cur;
    bool in_token = false;
    for (char c : line) {
        if (c == ' ' || c == '\t' || c == '\r') {
            if (in_token)
                a.push_back(cur);
            cur.clear();
            in_token = false;
        } else if (c == '#' && !in_token) {
            break;
        } else {
            cur.push_back(c);
            in_token = true;
        }
    }
    if (in_token)
        a.push_back(cur);
    return a;
}

}  // namespace

bool script_parse(const std::string& text_in, PeerScript* script, std::string* error)
{
    PeerScript out;
    PeerRouter defaults;
    std::stringstream in(text_in);
    std::string line;
    int number_of_line = 0;
    auto fail = [&](const std::string& why) {
        *error = "line " + std::to_string(number_of_line) + ": " + why;
        return false;
    };
    while (std::getline(in, line)) {
        ++number_of_line;
        Args a = split(line);
        if (a.empty())
            continue;
        if (a[0] == "router") {
            if (a.size() != 2)
                return fail("expected router NAME");
            for (const PeerRouter& r : out.routers)
                if (r.name == a[1])
                    return fail("router " + a[1] + " named twice");
            PeerRouter r;
            r.knobs = defaults.knobs;
            r.name = a[1];
            r.address = 0;
            out.routers.push_back(r);
            continue;
        }
        if (a[0] == "interface") {
            if (!out.routers.empty() || a.size() != 2)
                return fail("interface NAME comes before the routers");
            out.interface = a[1];
            continue;
        }
        const Keyword* k = nullptr;
        for (const Keyword& c : KEYWORDS)
            if (a[0] == c.word)
                k = &c;
        if (!k)
            return fail("unknown keyword " + a[0]);
        std::string why;
        if (out.routers.empty()) {
            if (!k->knob)
                return fail(a[0] + " outside a router");
            if (!k->apply(defaults, a, &why))
                return fail(why);
        } else if (!k->apply(out.routers.back(), a, &why)) {
            return fail(why);
        }
    }
    for (PeerRouter& r : out.routers) {
        if (r.address == 0) {
            number_of_line = 0;
            *error = "router " + r.name + " has no address";
            return false;
        }
        while (!r.lines.empty() && !r.lines.back().used)
            r.lines.pop_back();
        while (!r.routes.empty() && !r.routes.back().used)
            r.routes.pop_back();
        while (!r.filters.empty() && !r.filters.back().used)
            r.filters.pop_back();
    }
    *script = out;
    return true;
}

std::string script_format_state(const std::vector<const PeerRouter*>& routers)
{
    std::string s = "# router-peer state\n";
    for (const PeerRouter* r : routers) {
        s += "router " + r->name + "\n";
        s += "address " + wire_dotted(r->address) + "\n";
        s += std::string("configured ") + (r->configured ? "1" : "0") + "\n";
        s += "hw " + wire_hw_text(r->hw) + "\n";
        s += "netmask " + wire_dotted(r->netmask) + "\n";
        s += "phone " + text_escape(r->phone) + "\n";
        s += "isdn " + std::to_string(r->isdn) + "\n";
        s += "permanent " + std::to_string(r->permanent) + "\n";
        s += "firmware " + text_escape(r->firmware) + "\n";
        s += "password " + text_escape(r->password) + "\n";
        s += "exclusive " + wire_dotted(r->exclusive) + "\n";
        s += "holder " + wire_dotted(r->holder) + "\n";
        for (int i = 0; i < 2; ++i) {
            const PeerChannel& c = r->channel[i];
            char code[8];
            std::snprintf(code, sizeof code, "0x%04x", c.code);
            s += "channel " + std::to_string(i + 1) + " state=" + std::to_string(c.state) +
                 " code=" + code + " peer=" + wire_dotted(c.peer) +
                 " phone=" + text_escape(c.phone) + " duration=" + std::to_string(c.duration) +
                 " charge=" + std::to_string(c.charge) + " out=" + std::to_string(c.packets_out) +
                 " in=" + std::to_string(c.packets_in) + "\n";
        }
        for (size_t i = 0; i < r->lines.size(); ++i) {
            const PeerLine& e = r->lines[i];
            if (!e.used)
                continue;
            s += "line " + std::to_string(i) + " host=" + wire_dotted(e.host) +
                 " phone=" + text_escape(e.phone) + " l2=" + std::to_string(e.l2) +
                 " blocksize=" + std::to_string(e.blocksize) +
                 " addr_a=" + std::to_string(e.addr_a) + " addr_b=" + std::to_string(e.addr_b) +
                 " modulo=" + std::to_string(e.modulo) + " window=" + std::to_string(e.window) +
                 " l3=" + std::to_string(e.l3) + " words=" + join16(e.words, 6) +
                 " byte=" + std::to_string(e.byte) + " timeout=" + std::to_string(e.timeout) +
                 " manual=" + std::to_string(e.manual) + " bundling=" + std::to_string(e.bundling) +
                 " compression=" + std::to_string(e.compression) +
                 " send=" + text_escape(e.send_pair) + " receive=" + text_escape(e.receive_pair) +
                 " counters=" + join(e.counters, PEER_COUNTERS) + "\n";
        }
        for (size_t i = 0; i < r->routes.size(); ++i) {
            const PeerRoute& e = r->routes[i];
            if (!e.used)
                continue;
            s += "route " + std::to_string(i) + " mask=" + wire_dotted(e.mask) +
                 " match=" + wire_dotted(e.match) + " gateway=" + wire_dotted(e.gateway) + "\n";
        }
        for (size_t i = 0; i < r->filters.size(); ++i) {
            const PeerFilter& e = r->filters[i];
            if (!e.used)
                continue;
            s += "filter " + std::to_string(i) + " send_mask=" + wire_dotted(e.send_mask) +
                 " send_match=" + wire_dotted(e.send_match) +
                 " receive_mask=" + wire_dotted(e.receive_mask) +
                 " receive_match=" + wire_dotted(e.receive_match) +
                 " protocol=" + std::to_string(e.protocol) + " action=" + std::to_string(e.action) +
                 " port=" + std::to_string(e.port) + "\n";
        }
        if (!r->image_file.empty())
            s += "image-file " + text_escape(r->image_file) + "\n";
    }
    return s;
}
