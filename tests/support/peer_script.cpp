#include "peer_script.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "text_escape.h"

namespace {

using Tokens = std::vector<std::string>;

Tokens split(const std::string& line)
{
    Tokens t;
    std::istringstream in(line);
    std::string w;
    while (in >> w)
        t.push_back(w);
    return t;
}

bool to_u32(const std::string& s, uint32_t* v)
{
    if (s.empty())
        return false;
    char* end = nullptr;
    unsigned long long n = std::strtoull(s.c_str(), &end, 0);
    if (*end != '\0' || n > 0xFFFFFFFFull)
        return false;
    *v = static_cast<uint32_t>(n);
    return true;
}

bool to_int(const std::string& s, int* v)
{
    uint32_t n = 0;
    if (!to_u32(s, &n) || n > 0x7FFFFFFF)
        return false;
    *v = static_cast<int>(n);
    return true;
}

template <typename T, size_t N>
bool list_of(const std::string& s, T (&out)[N])
{
    std::istringstream in(s);
    std::string item;
    size_t i = 0;
    while (std::getline(in, item, ',')) {
        uint32_t v = 0;
        if (i >= N || !to_u32(item, &v))
            return false;
        out[i++] = static_cast<T>(v);
    }
    return i == N;
}

template <typename T, size_t N>
std::string join(const T (&v)[N])
{
    std::string s;
    for (size_t i = 0; i < N; ++i)
        s += (i ? "," : "") + std::to_string(v[i]);
    return s;
}

// key=value fields of an entry line, from token `from` on.
bool fields(const Tokens& t, size_t from,
            bool (*set)(void* e, const std::string& k, const std::string& v), void* e)
{
    for (size_t i = from; i < t.size(); ++i) {
        size_t eq = t[i].find('=');
        if (eq == std::string::npos)
            return false;
        std::string v;
        if (!text_unescape(t[i].substr(eq + 1), &v) || !set(e, t[i].substr(0, eq), v))
            return false;
    }
    return true;
}

bool set_line(void* p, const std::string& k, const std::string& v)
{
    SimLine& e = *static_cast<SimLine*>(p);
    struct IntField {
        const char* key;
        int* field;
    } ints[] = {
        {"l2", &e.l2},         {"blocksize", &e.blocksize}, {"addr_a", &e.addr_a},
        {"addr_b", &e.addr_b}, {"modulo", &e.modulo},       {"window", &e.window},
        {"l3", &e.l3},         {"byte", &e.byte},           {"timeout", &e.timeout},
        {"manual", &e.manual}, {"bundling", &e.bundling},   {"compression", &e.compression}};
    for (const IntField& f : ints)
        if (k == f.key)
            return to_int(v, f.field);
    if (k == "host")
        e.host = v;
    else if (k == "phone")
        e.phone = v;
    else if (k == "send")
        e.send = v;
    else if (k == "receive")
        e.receive = v;
    else if (k == "words")
        return list_of(v, e.words);
    else if (k == "counters")
        return list_of(v, e.counters);
    else
        return false;
    return true;
}

bool set_route(void* p, const std::string& k, const std::string& v)
{
    SimRoute& e = *static_cast<SimRoute*>(p);
    if (k == "mask")
        e.mask = v;
    else if (k == "match")
        e.match = v;
    else if (k == "gateway")
        e.gateway = v;
    else
        return false;
    return true;
}

bool set_filter(void* p, const std::string& k, const std::string& v)
{
    SimFilter& e = *static_cast<SimFilter*>(p);
    if (k == "send_mask")
        e.send_mask = v;
    else if (k == "send_match")
        e.send_match = v;
    else if (k == "receive_mask")
        e.receive_mask = v;
    else if (k == "receive_match")
        e.receive_match = v;
    else if (k == "protocol")
        return to_int(v, &e.protocol);
    else if (k == "action")
        return to_int(v, &e.action);
    else if (k == "port")
        return to_int(v, &e.port);
    else
        return false;
    return true;
}

bool set_channel(void* p, const std::string& k, const std::string& v)
{
    SimChannel& e = *static_cast<SimChannel*>(p);
    if (k == "state")
        return to_int(v, &e.state);
    if (k == "code")
        return to_int(v, &e.code);
    if (k == "peer")
        e.peer = v;
    else if (k == "phone")
        e.phone = v;
    else if (k == "duration")
        return to_u32(v, &e.duration);
    else if (k == "charge")
        return to_u32(v, &e.charge);
    else if (k == "out")
        return to_u32(v, &e.packets_out);
    else if (k == "in")
        return to_u32(v, &e.packets_in);
    else
        return false;
    return true;
}

std::vector<uint8_t> from_hex(const std::string& s)
{
    std::vector<uint8_t> b;
    for (size_t i = 0; i + 1 < s.size(); i += 2) {
        int hi = hex_digit(s[i]), lo = hex_digit(s[i + 1]);
        if (hi < 0 || lo < 0)
            break;
        b.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    return b;
}

std::string value_of(const Tokens& t, const std::string& key)
{
    for (const std::string& w : t)
        if (w.compare(0, key.size() + 1, key + "=") == 0)
            return w.substr(key.size() + 1);
    return "";
}

}  // namespace

SimRouter sim_router(const std::string& name, const std::string& address, const std::string& hw)
{
    SimRouter r;
    r.name = name;
    r.address = address;
    r.hw = hw;
    return r;
}

SimLine sim_line(int index, const std::string& host, const std::string& phone)
{
    SimLine e;
    e.index = index;
    e.host = host;
    e.phone = phone;
    return e;
}

SimRoute sim_route(int index, const std::string& mask, const std::string& match,
                   const std::string& gateway)
{
    SimRoute e;
    e.index = index;
    e.mask = mask;
    e.match = match;
    e.gateway = gateway;
    return e;
}

SimFilter sim_filter(int index, const std::string& send_mask, const std::string& send_match,
                     const std::string& receive_mask, const std::string& receive_match,
                     int protocol, int action, int port)
{
    SimFilter e;
    e.index = index;
    e.send_mask = send_mask;
    e.send_match = send_match;
    e.receive_mask = receive_mask;
    e.receive_match = receive_match;
    e.protocol = protocol;
    e.action = action;
    e.port = port;
    return e;
}

std::string peer_script_text(const std::vector<SimRouter>& routers,
                             const std::vector<std::string>& global)
{
    std::string s;
    for (const std::string& g : global)
        s += g + "\n";
    for (const SimRouter& r : routers) {
        s += "router " + r.name + "\n";
        s += "address " + r.address + "\n";
        s += std::string("configured ") + (r.configured ? "1" : "0") + "\n";
        s += "hw " + r.hw + "\n";
        s += "netmask " + r.netmask + "\n";
        s += "phone " + text_escape(r.phone) + "\n";
        s += "isdn " + std::to_string(r.isdn) + "\n";
        s += "permanent " + std::to_string(r.permanent) + "\n";
        s += "firmware " + text_escape(r.firmware) + "\n";
        s += "password " + text_escape(r.password) + "\n";
        s += "exclusive " + r.exclusive + "\n";
        s += "holder " + r.holder + "\n";
        for (int i = 0; i < 2; ++i) {
            const SimChannel& c = r.channel[i];
            s += "channel " + std::to_string(i + 1) + " state=" + std::to_string(c.state) +
                 " code=" + std::to_string(c.code) + " peer=" + c.peer +
                 " phone=" + text_escape(c.phone) + " duration=" + std::to_string(c.duration) +
                 " charge=" + std::to_string(c.charge) + " out=" + std::to_string(c.packets_out) +
                 " in=" + std::to_string(c.packets_in) + "\n";
        }
        for (const SimLine& e : r.lines)
            s += "line " + std::to_string(e.index) + " host=" + e.host +
                 " phone=" + text_escape(e.phone) + " l2=" + std::to_string(e.l2) +
                 " blocksize=" + std::to_string(e.blocksize) +
                 " addr_a=" + std::to_string(e.addr_a) + " addr_b=" + std::to_string(e.addr_b) +
                 " modulo=" + std::to_string(e.modulo) + " window=" + std::to_string(e.window) +
                 " l3=" + std::to_string(e.l3) + " words=" + join(e.words) +
                 " byte=" + std::to_string(e.byte) + " timeout=" + std::to_string(e.timeout) +
                 " manual=" + std::to_string(e.manual) + " bundling=" + std::to_string(e.bundling) +
                 " compression=" + std::to_string(e.compression) + " send=" + text_escape(e.send) +
                 " receive=" + text_escape(e.receive) + " counters=" + join(e.counters) + "\n";
        for (const SimRoute& e : r.routes)
            s += "route " + std::to_string(e.index) + " mask=" + e.mask + " match=" + e.match +
                 " gateway=" + e.gateway + "\n";
        for (const SimFilter& e : r.filters)
            s += "filter " + std::to_string(e.index) + " send_mask=" + e.send_mask +
                 " send_match=" + e.send_match + " receive_mask=" + e.receive_mask +
                 " receive_match=" + e.receive_match + " protocol=" + std::to_string(e.protocol) +
                 " action=" + std::to_string(e.action) + " port=" + std::to_string(e.port) + "\n";
        for (const std::string& k : r.knobs)
            s += k + "\n";
    }
    return s;
}

bool peer_parse_state(const std::string& text, std::vector<SimRouter>* routers, std::string* why)
{
    std::vector<SimRouter> out;
    std::istringstream in(text);
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        ++n;
        Tokens t = split(line);
        if (t.empty() || t[0][0] == '#')
            continue;
        auto fail = [&] {
            *why = "state line " + std::to_string(n) + ": " + line;
            return false;
        };
        if (t[0] == "router") {
            if (t.size() != 2)
                return fail();
            out.push_back(SimRouter());
            out.back().name = t[1];
            continue;
        }
        if (out.empty())
            return fail();
        SimRouter& r = out.back();
        std::string v1;
        if (t.size() > 1 && !text_unescape(t[1], &v1))
            return fail();
        const std::string& k = t[0];
        bool ok = true;
        if (k == "address")
            r.address = v1;
        else if (k == "configured")
            r.configured = v1 == "1";
        else if (k == "hw")
            r.hw = v1;
        else if (k == "netmask")
            r.netmask = v1;
        else if (k == "phone")
            r.phone = v1;
        else if (k == "isdn")
            ok = to_int(v1, &r.isdn);
        else if (k == "permanent")
            ok = to_int(v1, &r.permanent);
        else if (k == "firmware")
            r.firmware = v1;
        else if (k == "password")
            r.password = v1;
        else if (k == "exclusive")
            r.exclusive = v1;
        else if (k == "holder")
            r.holder = v1;
        else if (k == "image-file")
            r.image_file = v1;
        else if (k == "channel") {
            int c = 0;
            ok = t.size() >= 2 && to_int(t[1], &c) && c >= 1 && c <= 2 &&
                 fields(t, 2, set_channel, &r.channel[c - 1]);
        } else if (k == "line") {
            SimLine e;
            ok = t.size() >= 2 && to_int(t[1], &e.index) && fields(t, 2, set_line, &e);
            r.lines.push_back(e);
        } else if (k == "route") {
            SimRoute e;
            ok = t.size() >= 2 && to_int(t[1], &e.index) && fields(t, 2, set_route, &e);
            r.routes.push_back(e);
        } else if (k == "filter") {
            SimFilter e;
            ok = t.size() >= 2 && to_int(t[1], &e.index) && fields(t, 2, set_filter, &e);
            r.filters.push_back(e);
        } else {
            ok = false;
        }
        if (!ok)
            return fail();
    }
    *routers = out;
    return true;
}

std::vector<PeerLogLine> peer_parse_log(const std::string& text)
{
    std::vector<PeerLogLine> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        PeerLogLine l;
        l.raw = line;
        Tokens t = split(line);
        if (t.empty())
            continue;
        if (t[0] == "RX" || t[0] == "TX") {
            l.kind = t[0] == "RX" ? PeerLogLine::RX : PeerLogLine::TX;
            l.from = value_of(t, "from");
            l.to = value_of(t, "to");
            l.short_datagram = t.size() > 3 && t[3] == "short";
            l.code = static_cast<int>(std::strtol(value_of(t, "code").c_str(), nullptr, 16));
            l.seq = std::atoi(value_of(t, "seq").c_str());
            l.data = from_hex(value_of(t, "data"));
        } else if (t[0] == "EV" && t.size() >= 2) {
            l.kind = PeerLogLine::EV;
            l.router = t[1];
            size_t at = line.find(t[1], 3) + t[1].size();
            l.text = at < line.size() ? line.substr(at + 1) : "";
        }
        out.push_back(l);
    }
    return out;
}
