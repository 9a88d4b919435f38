#include "router.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "image.h"
#include "tables.h"
#include "text_escape.h"

namespace {

// Sizes of the request payloads the router reads.
constexpr size_t GET_ENTRY_LEN = 3;
constexpr size_t PASSWORD_REPLY_LEN = 12;
constexpr size_t ACCOUNTING_LEN = 3;
constexpr size_t SET_PASSWORD_LEN = 23;
constexpr size_t ROUTER_DATA_LEN = 29;
constexpr size_t ISDN_OPEN_LEN = 3;
constexpr size_t ISDN_CLOSE_LEN = 1;
constexpr size_t FW_REQUEST_LEN = 10;
constexpr size_t FW_DATA_HEADER = 4;

constexpr int REASON_WRONG_PASSWORD = 3;
constexpr int REASON_HELD = 4;
constexpr int REASON_NOT_ALLOWED = 5;
constexpr int REASON_TIMEOUT = 6;
constexpr int REASON_PROTOCOL = 7;
constexpr int STATUS_BAD_ENTRY = 10;

std::string hex4(uint32_t v)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04x", v & 0xFFFFu);
    return buf;
}

const char* table_name(uint8_t table)
{
    switch (table) {
    case PEER_TABLE_LINES:
        return "lines";
    case PEER_TABLE_ROUTES:
        return "routes";
    case PEER_TABLE_FILTERS:
        return "filters";
    default:
        return "unknown";
    }
}

// Where a reply to `in` comes from: the address the request went to when
// it is one of the router's, else its own address.
uint32_t source_for(const PeerRouter& r, const PeerInput& in)
{
    return router_owns(r, in.to) ? in.to : r.address;
}

// "1017 seq=5": a datagram as the events name it.
std::string describe(const Bytes& datagram)
{
    WireReader w{datagram.data(), datagram.size()};
    return hex4(w.u16(0)) + " seq=" + std::to_string(w.u16(2));
}

// A draw that comes true `c.percent` times in a hundred; no draw at 0, so
// a knob left off leaves the other generators' sequences as they were.
bool chance(std::mt19937& rng, const PeerChance& c)
{
    return c.percent > 0 && static_cast<int>(rng() % 100) < c.percent;
}

int transit_time(std::mt19937& rng, const PeerTransit& t)
{
    if (t.spread <= 0)
        return t.ms;
    return t.ms + static_cast<int>(rng() % (static_cast<uint32_t>(t.spread) + 1));
}

// Changes one byte of a datagram, as a damaged one arrives; the protocol
// carries no checksum, so the receiver takes it as it comes. Returns the
// offset changed.
size_t damage(Bytes& datagram, std::mt19937& rng)
{
    size_t at = rng() % datagram.size();
    datagram[at] = static_cast<uint8_t>(datagram[at] ^ (1 + rng() % 255));
    return at;
}

// Every datagram the router sends goes through here, and through the
// network's faults on its way out: send-loss drops some, send-duplicate
// sends some twice, send-corrupt damages some, send-transit holds each.
void transmit(PeerRouter& r, PeerHost& h, uint32_t from, uint32_t to, const Bytes& datagram,
              int delay_ms)
{
    if (r.knobs.send_loss_percent > 0 &&
        static_cast<int>(r.send_loss_rng() % 100) < r.knobs.send_loss_percent) {
        h.event(r, "lost out: " + describe(datagram));
        return;
    }
    int copies = 1;
    if (chance(r.send_duplicate_rng, r.knobs.send_duplicate)) {
        copies = 2;
        h.event(r, "duplicated out: " + describe(datagram));
    }
    for (int i = 0; i < copies; ++i) {
        Bytes sent = datagram;
        if (chance(r.send_corrupt_rng, r.knobs.send_corrupt)) {
            size_t at = damage(sent, r.send_corrupt_rng);
            h.event(r, "corrupted out: " + describe(datagram) + " byte=" + std::to_string(at));
        }
        h.send(from, to, sent, delay_ms + transit_time(r.send_transit_rng, r.knobs.send_transit));
    }
}

// The time before a reply: `delay`, or a random time up to its maximum.
int reply_delay(PeerRouter& r)
{
    int ms = r.knobs.delay_ms;
    if (r.knobs.delay_max_ms > ms)
        ms +=
            static_cast<int>(r.delay_rng() % static_cast<uint32_t>(r.knobs.delay_max_ms - ms + 1));
    return ms;
}

// The record of a request taken, by id; null when it is gone (the
// registration ended meanwhile).
PeerRequestRecord* taken_record(PeerRouter& r, uint64_t id)
{
    for (PeerRequestRecord& t : r.taken)
        if (t.id == id)
            return &t;
    return nullptr;
}

uint16_t next_seq(PeerRouter& r)
{
    if (++r.send_seq == 0)
        r.send_seq = 1;
    return r.send_seq;
}

// Sends a reply or message of the router's own; numbered when `numbered`.
// Returns the sequence number used.
uint16_t send_from(PeerRouter& r, PeerHost& h, uint32_t from, uint32_t to, uint16_t code,
                   const Bytes& payload, bool numbered)
{
    uint16_t seq = numbered ? next_seq(r) : 0;
    Bytes datagram = wire_datagram(code, seq, payload);
    int delay_ms = reply_delay(r);
    // What answers the request being handled is kept with it: a router
    // that answers repeats sends it again.
    if (PeerRequestRecord* t = r.replying_to ? taken_record(r, r.replying_to) : nullptr) {
        t->replies.push_back({from, to, delay_ms, datagram});
        if (t->lose_reply) {
            h.event(r, "reply lost: " + describe(datagram));
            return seq;
        }
    }
    transmit(r, h, from, to, datagram, delay_ms);
    return seq;
}

uint16_t reply(PeerRouter& r, PeerHost& h, const PeerInput& in, uint16_t code, const Bytes& payload)
{
    return send_from(r, h, source_for(r, in), in.from, code, payload, r.knobs.numbered);
}

// A reply that carries only a status after the two leading bytes.
void reply_status(PeerRouter& r, PeerHost& h, const PeerInput& in, uint16_t code, int status)
{
    WireWriter w;
    w.u16(0).u16(static_cast<uint32_t>(status));
    reply(r, h, in, code, w.bytes);
}

void new_session(PeerRouter& r, PeerSessionState s, uint32_t station)
{
    r.session = s;
    r.session_station = station;
    ++r.session_gen;
}

void stop_linemon(PeerRouter& r)
{
    r.linemon_station = 0;
    ++r.linemon_gen;
}

// Ends a registration: the station no longer holds the router, and
// addresses it gave up stop answering.
void end_session(PeerRouter& r)
{
    if (r.session == SESSION_OPEN && r.holder == r.session_station)
        r.holder = 0;
    // The station numbers its messages afresh in its next registration.
    r.taken.clear();
    new_session(r, SESSION_NONE, 0);
    stop_linemon(r);
    r.old_addresses.clear();
}

bool registered(const PeerRouter& r, const PeerInput& in)
{
    return r.session == SESSION_OPEN && r.session_station == in.from;
}

Bytes scan_reply(const PeerRouter& r)
{
    WireWriter w;
    w.u16(0).raw(r.hw, 6).u32(r.configured ? r.address : 0).u32(r.holder);
    return w.bytes;
}

void refuse(PeerRouter& r, PeerHost& h, const PeerInput& in, int reason, uint32_t station)
{
    WireWriter w;
    w.u16(0).u16(static_cast<uint32_t>(reason));
    if (reason == REASON_HELD)
        w.u32(r.holder);
    send_from(r, h, source_for(r, in), station, MSG_CLOSE_REPLY, w.bytes, r.knobs.numbered);
    // The station may open again with the same number (a new run starts
    // counting at 1): that is a new request.
    r.taken.clear();
    h.event(r,
            "open refused station=" + wire_dotted(station) + " reason=" + std::to_string(reason));
}

void accept(PeerRouter& r, PeerHost& h, const PeerInput& in)
{
    new_session(r, SESSION_OPEN, in.from);
    r.holder = in.from;
    WireWriter w;
    w.u16(0)
        .u16(tables_size(r, PEER_TABLE_LINES))
        .u16(tables_size(r, PEER_TABLE_ROUTES))
        .u16(tables_size(r, PEER_TABLE_FILTERS));
    if (!r.knobs.short_open)
        w.u32(r.netmask)
            .text(r.phone, PEER_PHONE_LEN)
            .u8(r.isdn)
            .u8(r.permanent)
            .text(r.firmware, PEER_FIRMWARE_LEN);
    reply(r, h, in, MSG_OPEN_REPLY, w.bytes);
    h.event(r, "open accepted station=" + wire_dotted(in.from));
    h.changed();
}

Bytes password_block(const std::string& text)
{
    Bytes b(WIRE_PASSWORD_LEN, 0);
    for (size_t i = 0; i < text.size() && i < WIRE_PASSWORD_LEN; ++i)
        b[i] = static_cast<uint8_t>(text[i]);
    return b;
}

Bytes unscramble(const uint8_t* p, uint16_t seed)
{
    Bytes out(WIRE_PASSWORD_LEN, 0);
    wire_scramble(out.data(), p, seed);
    return out;
}

std::string block_text(const Bytes& b)
{
    WireReader r{b.data(), b.size()};
    return r.text(0, b.size());
}

Bytes linemon_report(const PeerRouter& r)
{
    WireWriter w;
    for (const PeerChannel& c : r.channel)
        w.u8(c.state)
            .u16(c.code)
            .u32(c.peer)
            .text(c.phone, PEER_PHONE_LEN)
            .u32(c.duration)
            .u32(c.charge)
            .u32(c.packets_out)
            .u32(c.packets_in);
    return w.bytes;
}

void linemon_tick(PeerRouter* r, PeerHost* h, uint64_t gen, uint32_t from)
{
    if (r->linemon_gen != gen || r->linemon_station == 0)
        return;
    send_from(*r, *h, from, r->linemon_station, MSG_LINEMON_DATA, linemon_report(*r),
              r->knobs.numbered_linemon);
    h->after(r->knobs.linemon_interval_ms, [r, h, gen, from] { linemon_tick(r, h, gen, from); });
}

// ------------------------------------------------------------ handlers ---

void on_scan(PeerRouter& r, PeerHost& h, const PeerInput& in)
{
    // A router loading an image answers nothing but its chunks and the start.
    if (r.fw_address != 0) {
        h.event(r, "scan ignored: loading an image");
        return;
    }
    reply(r, h, in, MSG_SCAN_REPLY, scan_reply(r));
}

void on_state_query(PeerRouter& r, PeerHost& h, const PeerInput& in)
{
    WireWriter w;
    w.u16(0);
    for (const PeerChannel& c : r.channel)
        w.u8(c.state).u32(c.peer).text(c.phone, PEER_PHONE_LEN);
    if (!r.knobs.short_state)
        w.u8(r.isdn).u8(r.permanent).text(r.firmware, PEER_FIRMWARE_LEN);
    reply(r, h, in, MSG_STATE_REPLY, w.bytes);
}

void on_open(PeerRouter& r, PeerHost& h, const PeerInput& in)
{
    int reason = 0;
    if (r.knobs.refuse != 0)
        reason = r.knobs.refuse;
    else if (r.holder != 0 && r.holder != in.from)
        reason = REASON_HELD;
    else if (r.exclusive != 0 && r.exclusive != in.from)
        reason = REASON_NOT_ALLOWED;
    if (reason != 0) {
        refuse(r, h, in, reason, in.from);
        return;
    }
    if (r.password.empty()) {
        accept(r, h, in);
        return;
    }
    new_session(r, SESSION_PASSWORD, in.from);
    r.challenge = r.knobs.challenge >= 0 ? static_cast<uint16_t>(r.knobs.challenge)
                                         : static_cast<uint16_t>(r.rng() & 0xFFFF);
    WireWriter w;
    w.u16(r.challenge);
    r.challenge_seq = reply(r, h, in, MSG_PASSWORD_REQUEST, w.bytes);
    h.event(r, "password asked station=" + wire_dotted(in.from) + " challenge=" +
                   std::to_string(r.challenge) + " seq=" + std::to_string(r.challenge_seq));
    PeerRouter* rp = &r;
    PeerHost* hp = &h;
    uint64_t gen = r.session_gen;
    PeerInput saved = in;
    saved.payload = nullptr;
    saved.len = 0;
    h.after(r.knobs.password_timeout_ms, [rp, hp, gen, saved] {
        if (rp->session_gen != gen || rp->session != SESSION_PASSWORD)
            return;
        hp->event(*rp, "password timeout");
        new_session(*rp, SESSION_NONE, 0);
        refuse(*rp, *hp, saved, REASON_TIMEOUT, saved.from);
    });
}

void on_password_reply(PeerRouter& r, PeerHost& h, const PeerInput& in)
{
    // The station did not hear the open reply and sends its password again:
    // the same password for the same challenge is answered the same way
    // (without a repeat knob; with one, the repeat mode decides).
    if (r.knobs.repeat == REPEAT_PLAIN && r.session == SESSION_OPEN &&
        r.session_station == in.from && in.len >= PASSWORD_REPLY_LEN) {
        WireReader p{in.payload, in.len};
        if (p.u16(0) == r.challenge_seq &&
            unscramble(in.payload + 2, r.challenge) == password_block(r.password)) {
            h.event(r, "password repeated");
            accept(r, h, in);
            return;
        }
    }
    if (r.session != SESSION_PASSWORD || r.session_station != in.from) {
        h.event(r,
                "unexpected PASSWORD_REPLY from " + wire_dotted(in.from) + ": no password asked");
        return;
    }
    if (in.len < PASSWORD_REPLY_LEN) {
        new_session(r, SESSION_NONE, 0);
        h.event(r, "short PASSWORD_REPLY");
        refuse(r, h, in, REASON_PROTOCOL, in.from);
        return;
    }
    WireReader p{in.payload, in.len};
    uint16_t seq = p.u16(0);
    Bytes given = unscramble(in.payload + 2, r.challenge);
    if (seq != r.challenge_seq) {
        new_session(r, SESSION_NONE, 0);
        h.event(r, "password wrong: answers seq=" + std::to_string(seq) +
                       ", asked with seq=" + std::to_string(r.challenge_seq));
        refuse(r, h, in, REASON_WRONG_PASSWORD, in.from);
        return;
    }
    if (given != password_block(r.password)) {
        new_session(r, SESSION_NONE, 0);
        h.event(r, "password wrong: " + text_escape(block_text(given)));
        refuse(r, h, in, REASON_WRONG_PASSWORD, in.from);
        return;
    }
    h.event(r, "password ok");
    accept(r, h, in);
}

void on_close(PeerRouter& r, PeerHost& h, const PeerInput& in)
{
    if (r.session == SESSION_NONE || r.session_station != in.from) {
        h.event(r, "close from " + wire_dotted(in.from) + " ignored: not registered");
        return;
    }
    WireReader p{in.payload, in.len};
    std::string code = in.len >= 2 ? " code=" + std::to_string(p.u16(0)) : "";
    end_session(r);
    h.event(r, "closed station=" + wire_dotted(in.from) + code);
    h.changed();
}

void on_get_entry(PeerRouter& r, PeerHost& h, const PeerInput& in)
{
    if (in.len < GET_ENTRY_LEN) {
        h.event(r, "short GET_ENTRY_REQUEST ignored");
        return;
    }
    WireReader p{in.payload, in.len};
    uint8_t table = p.u8(0);
    uint16_t index = p.u16(1);
    Bytes body = tables_get(r, table, index);
    WireWriter w;
    w.u16(0);
    if (body.empty())
        w.u8(table).u16(index);
    else
        w.raw(body.data(), body.size());
    reply(r, h, in, MSG_GET_ENTRY_REPLY, w.bytes);
}

void on_put_entry(PeerRouter& r, PeerHost& h, const PeerInput& in)
{
    if (in.len < TABLES_DELETE_BODY) {
        h.event(r, "short PUT_ENTRY_REQUEST ignored");
        return;
    }
    WireReader p{in.payload, in.len};
    uint8_t table = p.u8(0);
    uint16_t index = p.u16(1);
    bool is_delete = in.len == TABLES_DELETE_BODY;
    int forced = r.knobs.status[is_delete ? STATUS_KIND_DELETE : STATUS_KIND_PUT];
    int status = forced;
    if (status == 0)
        status = is_delete ? tables_delete(r, table, index) : tables_put(r, table, index, p);
    std::string where =
        std::string("table=") + table_name(table) + " index=" + std::to_string(index);
    if (status == 0) {
        h.event(r, std::string(is_delete ? "entry deleted " : "entry put ") + where);
        h.changed();
    } else {
        h.event(r, std::string(is_delete ? "delete refused " : "put refused ") + where +
                       " status=" + std::to_string(status));
    }
    WireWriter w;
    w.u16(0).u8(table).u16(index).u16(static_cast<uint32_t>(status));
    reply(r, h, in, MSG_PUT_ENTRY_REPLY, w.bytes);
}

void on_accounting(PeerRouter& r, PeerHost& h, const PeerInput& in)
{
    if (in.len < ACCOUNTING_LEN) {
        h.event(r, "short GET_ACCOUNTING_REQUEST ignored");
        return;
    }
    WireReader p{in.payload, in.len};
    bool reset = p.u8(0) == 0xFF;
    uint16_t position = p.u16(1);
    int slot = tables_line_at(r, position);
    int status = r.knobs.status[STATUS_KIND_ACCOUNTING];
    if (status == 0 && slot < 0)
        status = STATUS_BAD_ENTRY;
    WireWriter w;
    w.u16(0).u16(static_cast<uint32_t>(status));
    uint32_t zero[PEER_COUNTERS] = {};
    const uint32_t* counters = slot >= 0 ? r.lines[static_cast<size_t>(slot)].counters : zero;
    for (int i = 0; i < PEER_COUNTERS; ++i)
        w.u32(counters[i]);
    std::string what = std::string(reset ? "accounting reset" : "accounting read") +
                       " position=" + std::to_string(position);
    if (status != 0) {
        h.event(r, what + " status=" + std::to_string(status));
    } else {
        h.event(r, what);
        if (reset) {
            std::fill(std::begin(r.lines[static_cast<size_t>(slot)].counters),
                      std::end(r.lines[static_cast<size_t>(slot)].counters), 0u);
            h.changed();
        }
    }
    reply(r, h, in, MSG_GET_ACCOUNTING_REPLY, w.bytes);
}

void on_set_password(PeerRouter& r, PeerHost& h, const PeerInput& in)
{
    if (in.len < SET_PASSWORD_LEN) {
        h.event(r, "short SET_PASSWORD_REQUEST");
        reply_status(r, h, in, MSG_SET_PASSWORD_REPLY, REASON_PROTOCOL);
        return;
    }
    WireReader p{in.payload, in.len};
    uint16_t seed = p.u16(0);
    bool exclusive = p.u8(2) == 0xFF;
    Bytes fresh = unscramble(in.payload + 3, seed);
    Bytes current = unscramble(in.payload + 13, seed);
    int status = r.knobs.status[STATUS_KIND_SET_PASSWORD];
    if (status == 0 && current != password_block(r.password))
        status = REASON_WRONG_PASSWORD;
    if (status == 0) {
        r.password = block_text(fresh);
        r.exclusive = exclusive ? in.from : 0;
        h.event(r, "password changed to " + text_escape(r.password) +
                       " exclusive=" + wire_dotted(r.exclusive));
        h.changed();
    } else {
        h.event(r, "password change refused status=" + std::to_string(status) + " current given " +
                       text_escape(block_text(current)));
    }
    reply_status(r, h, in, MSG_SET_PASSWORD_REPLY, status);
}

void on_router_data(PeerRouter& r, PeerHost& h, const PeerInput& in)
{
    if (in.len < ROUTER_DATA_LEN) {
        h.event(r, "short PUT_ROUTER_DATA_REQUEST");
        reply_status(r, h, in, MSG_PUT_ROUTER_DATA_REPLY, REASON_PROTOCOL);
        return;
    }
    WireReader p{in.payload, in.len};
    uint32_t address = p.u32(0);
    int status = r.knobs.status[STATUS_KIND_ROUTER_DATA];
    if (status == 0) {
        r.netmask = p.u32(4);
        r.phone = p.text(8, PEER_PHONE_LEN);
        r.permanent = p.u8(28);
        std::string note;
        // The new address takes over at once, but the station that set it
        // keeps talking to the old one until it lets the router go.
        if (address != r.address) {
            if (address == 0 || address == ROUTER_BROADCAST || (address >> 24) >= 224) {
                note = " (address not taken)";
            } else if (!h.ensure_address(address, in.ifindex)) {
                note = " (address could not be added)";
            } else {
                r.old_addresses.push_back(r.address);
                r.address = address;
            }
        }
        h.event(r, "router data address=" + wire_dotted(address) + note +
                       " netmask=" + wire_dotted(r.netmask) + " phone=" + text_escape(r.phone) +
                       " permanent=" + std::to_string(r.permanent));
        h.changed();
    } else {
        h.event(r, "router data refused status=" + std::to_string(status));
    }
    reply_status(r, h, in, MSG_PUT_ROUTER_DATA_REPLY, status);
}

void on_linemon_start(PeerRouter& r, PeerHost& h, const PeerInput& in)
{
    stop_linemon(r);
    r.linemon_station = in.from;
    h.event(r, "line monitor started");
    linemon_tick(&r, &h, r.linemon_gen, source_for(r, in));
}

void on_linemon_stop(PeerRouter& r, PeerHost& h, const PeerInput&)
{
    stop_linemon(r);
    h.event(r, "line monitor stopped");
}

void on_isdn_open(PeerRouter& r, PeerHost& h, const PeerInput& in)
{
    if (in.len < ISDN_OPEN_LEN) {
        h.event(r, "short ISDN_OPEN_REQUEST ignored");
        return;
    }
    WireReader p{in.payload, in.len};
    uint16_t position = p.u16(1);
    int slot = tables_line_at(r, position);
    if (slot < 0) {
        h.event(r, "dial refused position=" + std::to_string(position) + ": no such line target");
        return;
    }
    PeerChannel* free_channel = nullptr;
    for (PeerChannel& c : r.channel)
        if (!free_channel && c.state == 0)
            free_channel = &c;
    if (!free_channel) {
        h.event(r, "dial refused position=" + std::to_string(position) + ": no free channel");
        return;
    }
    PeerLine& line = r.lines[static_cast<size_t>(slot)];
    *free_channel = PeerChannel();
    free_channel->state = 3;
    free_channel->peer = line.host;
    free_channel->phone = line.phone;
    ++line.counters[1];
    h.event(r, "dial position=" + std::to_string(position) +
                   " channel=" + std::to_string(free_channel - r.channel));
    h.changed();
}

void on_isdn_close(PeerRouter& r, PeerHost& h, const PeerInput& in)
{
    WireReader p{in.payload, in.len};
    if (in.len < ISDN_CLOSE_LEN || p.u8(0) > 1) {
        h.event(r, "hangup refused: bad channel");
        return;
    }
    r.channel[p.u8(0)] = PeerChannel();
    h.event(r, "hangup channel=" + std::to_string(p.u8(0)));
    h.changed();
}

void on_reset(PeerRouter& r, PeerHost& h, const PeerInput& in)
{
    if (!registered(r, in) && r.holder != 0) {
        h.event(
            r, "reset from " + wire_dotted(in.from) + " ignored: held by " + wire_dotted(r.holder));
        return;
    }
    end_session(r);
    PeerRouter blank;
    r.configured = false;
    r.netmask = blank.netmask;
    r.phone.clear();
    r.permanent = 0;
    r.password.clear();
    r.exclusive = 0;
    r.holder = 0;
    r.lines.clear();
    r.routes.clear();
    r.filters.clear();
    r.channel[0] = r.channel[1] = PeerChannel();
    h.event(r, "reset");
    h.changed();
}

void on_fw_request(PeerRouter& r, PeerHost& h, const PeerInput& in)
{
    if (in.len < FW_REQUEST_LEN || std::memcmp(in.payload, r.hw, 6) != 0)
        return;
    WireReader p{in.payload, in.len};
    uint32_t address = p.u32(6);
    if (address == 0 || address == ROUTER_BROADCAST || (address >> 24) >= 224) {
        h.event(r, "download refused: address " + wire_dotted(address));
        return;
    }
    if (!h.ensure_address(address, in.ifindex)) {
        h.event(r, "download refused: address " + wire_dotted(address) + " could not be added");
        return;
    }
    r.fw_address = address;
    r.image.clear();
    r.image_complete = false;
    r.image_gap = false;
    if (r.address != address) {
        r.old_addresses.push_back(r.address);
        r.address = address;
    }
    h.event(r, "download requested address=" + wire_dotted(address));
    WireWriter w;
    w.u32(address);
    send_from(r, h, address, in.from, MSG_FW_DOWNLOAD_REPLY, w.bytes, r.knobs.numbered);
}

void on_fw_data(PeerRouter& r, PeerHost& h, const PeerInput& in)
{
    if (r.fw_address == 0 || in.len < FW_DATA_HEADER) {
        h.event(r, "chunk ignored: no download requested");
        return;
    }
    WireReader p{in.payload, in.len};
    size_t offset = p.u32(0), n = in.len - FW_DATA_HEADER;
    if (offset + n > ROUTER_MAX_IMAGE) {
        h.event(r, "chunk refused: offset " + std::to_string(offset) + " beyond the image limit");
        return;
    }
    if (offset > r.image.size()) {
        r.image_gap = true;
        h.event(r, "chunk gap: offset " + std::to_string(offset) + ", have " +
                       std::to_string(r.image.size()));
    }
    if (r.image.size() < offset + n)
        r.image.resize(offset + n);
    std::memcpy(r.image.data() + offset, in.payload + FW_DATA_HEADER, n);
    if (n < ROUTER_CHUNK) {
        r.image.resize(offset + n);
        r.image_complete = true;
        r.image_file = h.save_image(r);
        h.event(r, "image complete size=" + std::to_string(r.image.size()) +
                       " file=" + r.image_file + (r.image_gap ? " with gaps" : ""));
        h.changed();
    }
}

void restart(PeerRouter* r, PeerHost* h, uint32_t station)
{
    std::string why;
    r->restart_pending = false;
    int records = image_apply(r->image, *r, &why);
    h->event(*r, why + " records=" + std::to_string(records));
    end_session(*r);
    r->configured = true;
    r->address = r->fw_address;
    r->fw_address = 0;
    r->holder = 0;
    r->channel[0] = r->channel[1] = PeerChannel();
    h->event(*r, "restarted address=" + wire_dotted(r->address));
    h->changed();
    if (!r->knobs.announce_restart) {
        h->event(*r, "announcement lost");
        return;
    }
    send_from(*r, *h, r->address, station, MSG_SCAN_REPLY, scan_reply(*r), r->knobs.numbered);
}

void on_fw_start(PeerRouter& r, PeerHost& h, const PeerInput& in)
{
    if (!r.image_complete || r.fw_address == 0) {
        h.event(r, "start ignored: no complete image");
        return;
    }
    if (r.restart_pending) {
        h.event(r, "start ignored: restart under way");
        return;
    }
    r.restart_pending = true;
    h.event(r, "firmware start");
    PeerRouter* rp = &r;
    PeerHost* hp = &h;
    uint32_t station = in.from;
    h.after(r.knobs.restart_delay_ms, [rp, hp, station] { restart(rp, hp, station); });
}

struct Handler {
    uint16_t code;
    bool needs_registration;  // only the station that holds the router may ask
    void (*run)(PeerRouter& r, PeerHost& h, const PeerInput& in);
};

constexpr Handler HANDLERS[] = {
    {MSG_SCAN_REQUEST, false, on_scan},
    {MSG_STATE_QUERY, false, on_state_query},
    {MSG_OPEN_REQUEST, false, on_open},
    {MSG_PASSWORD_REPLY, false, on_password_reply},
    {MSG_CLOSE_REQUEST, false, on_close},
    {MSG_GET_ENTRY_REQUEST, true, on_get_entry},
    {MSG_PUT_ENTRY_REQUEST, true, on_put_entry},
    {MSG_GET_ACCOUNTING_REQUEST, true, on_accounting},
    {MSG_SET_PASSWORD_REQUEST, true, on_set_password},
    {MSG_PUT_ROUTER_DATA_REQUEST, true, on_router_data},
    {MSG_LINEMON_START_REQUEST, true, on_linemon_start},
    {MSG_LINEMON_STOP_REQUEST, true, on_linemon_stop},
    {MSG_ISDN_OPEN_REQUEST, true, on_isdn_open},
    {MSG_ISDN_CLOSE_REQUEST, true, on_isdn_close},
    {MSG_RESET_REQUEST, false, on_reset},
    {MSG_FW_DOWNLOAD_REQUEST, false, on_fw_request},
    {MSG_FW_DATA, false, on_fw_data},
    {MSG_FW_START, false, on_fw_start},
};

}  // namespace

void router_start(PeerRouter& r)
{
    // next_seq raises the counter before each use.
    r.send_seq = static_cast<uint16_t>(r.knobs.sequence_start - 1);
    r.loss_rng.seed(r.knobs.loss_seed);
    r.send_loss_rng.seed(r.knobs.send_loss_seed);
    r.delay_rng.seed(r.knobs.delay_seed);
    r.duplicate_rng.seed(r.knobs.duplicate.seed);
    r.send_duplicate_rng.seed(r.knobs.send_duplicate.seed);
    r.corrupt_rng.seed(r.knobs.corrupt.seed);
    r.send_corrupt_rng.seed(r.knobs.send_corrupt.seed);
    r.transit_rng.seed(r.knobs.transit.seed);
    r.send_transit_rng.seed(r.knobs.send_transit.seed);
    uint32_t seed = 0x5eed;
    for (uint8_t b : r.hw)
        seed = seed * 31u + b;
    r.rng.seed(seed ^ r.address);
}

bool router_owns(const PeerRouter& r, uint32_t address)
{
    if (address == r.address)
        return true;
    return std::find(r.old_addresses.begin(), r.old_addresses.end(), address) !=
           r.old_addresses.end();
}

namespace {

// Runs fn now, or `ms` from now.
void at_time(PeerHost& h, int ms, std::function<void()> fn)
{
    if (ms > 0)
        h.after(ms, std::move(fn));
    else
        fn();
}

void send_ack(PeerRouter& r, PeerHost& h, uint32_t from, uint32_t to, uint16_t seq)
{
    WireWriter ack;
    ack.u16(seq);
    transmit(r, h, from, to, wire_datagram(WIRE_ACK, 0, ack.bytes), 0);
}

// What the router does with a request it has taken: its own numbered
// message, the acknowledgement, the answer. `id` names the request's record
// (0 for an unnumbered one): the replies given are kept there.
void handle_request(PeerRouter& r, PeerHost& h, const PeerInput& in, uint64_t id)
{
    auto own = r.knobs.own.find(in.code);
    if (in.seq != 0 && own != r.knobs.own.end()) {
        Bytes payload = own->second == MSG_LINEMON_DATA ? linemon_report(r) : Bytes();
        transmit(r, h, source_for(r, in), in.from, wire_datagram(own->second, next_seq(r), payload),
                 0);
        h.event(r, "own numbered " + hex4(own->second) + " before the ack");
    }
    if (in.seq != 0) {
        if (r.knobs.lose_acks > 0 &&
            (r.knobs.lose_acks_of == 0 || r.knobs.lose_acks_of == in.code)) {
            --r.knobs.lose_acks;
            h.event(r, "ack lost: " + hex4(in.code) + " seq=" + std::to_string(in.seq));
        } else {
            send_ack(r, h, source_for(r, in), in.from, in.seq);
        }
    }
    if (r.knobs.mute.count(in.code)) {
        h.event(r, "not answered: " + hex4(in.code));
        return;
    }
    for (const Handler& handler : HANDLERS) {
        if (handler.code != in.code)
            continue;
        if (handler.needs_registration && !registered(r, in)) {
            h.event(r,
                    hex4(in.code) + " from " + wire_dotted(in.from) + " ignored: not registered");
            return;
        }
        r.replying_to = id;
        handler.run(r, h, in);
        r.replying_to = 0;
        // A copy of the answer that the network holds back arrives later.
        PeerRequestRecord* t = id ? taken_record(r, id) : nullptr;
        if (t && t->late_copy) {
            for (const PeerRequestRecord::Reply& reply : t->replies) {
                h.event(r, "late copy of " + describe(reply.datagram) + " in " +
                               std::to_string(r.knobs.late_copy_ms) + " ms");
                transmit(r, h, reply.from, reply.to, reply.datagram,
                         reply.delay_ms + r.knobs.late_copy_ms);
            }
        }
        return;
    }
    h.event(r, "unknown code " + hex4(in.code) + " ignored");
}

// Handles a request after the router's acknowledgement delay; the input's
// payload is copied for the wait.
void handle_later(PeerRouter& r, PeerHost& h, const PeerInput& in, uint64_t id)
{
    if (r.knobs.ack_delay_ms <= 0) {
        handle_request(r, h, in, id);
        return;
    }
    PeerRouter* rp = &r;
    PeerHost* hp = &h;
    PeerInput later = in;
    Bytes payload(in.payload, in.payload + in.len);
    h.after(r.knobs.ack_delay_ms, [rp, hp, later, payload, id]() mutable {
        later.payload = payload.data();
        handle_request(*rp, *hp, later, id);
    });
}

// Code and payload alike, whatever the numbers.
bool same_request(const Bytes& a, const Bytes& b)
{
    return a.size() == b.size() && a.size() >= WIRE_HEADER_LEN && a[0] == b[0] && a[1] == b[1] &&
           std::equal(a.begin() + WIRE_HEADER_LEN, a.end(), b.begin() + WIRE_HEADER_LEN);
}

enum RepeatKind { NEW_REQUEST, SAME_NUMBER, NEW_NUMBER };

// Whether a numbered datagram repeats a request taken before: a copy under
// its number (without a repeat knob only of the last one, as the router
// always did), or the last request's bytes under a new number.
PeerRequestRecord* repeated(PeerRouter& r, const PeerInput& in, const Bytes& datagram,
                            RepeatKind* kind)
{
    *kind = NEW_REQUEST;
    if (in.seq == 0 || r.taken.empty())
        return nullptr;
    size_t window = r.knobs.repeat == REPEAT_PLAIN ? 1 : r.taken.size();
    for (size_t i = 0; i < window; ++i) {
        PeerRequestRecord& t = r.taken[r.taken.size() - 1 - i];
        if (t.from == in.from && t.seq == in.seq && t.datagram == datagram) {
            *kind = SAME_NUMBER;
            return &t;
        }
    }
    PeerRequestRecord& last = r.taken.back();
    if (last.from == in.from && same_request(last.datagram, datagram)) {
        *kind = NEW_NUMBER;
        return &last;
    }
    return nullptr;
}

PeerRequestRecord& take_record(PeerRouter& r, const PeerInput& in, const Bytes& datagram)
{
    PeerRequestRecord t;
    t.id = ++r.taken_count;
    t.from = in.from;
    t.seq = in.seq;
    t.datagram = datagram;
    r.taken.push_back(t);
    while (r.taken.size() > PEER_REQUESTS_KEPT)
        r.taken.pop_front();
    return r.taken.back();
}

const char* repeat_action(PeerRepeatMode mode)
{
    switch (mode) {
    case REPEAT_ANSWER:
        return "answered";
    case REPEAT_PROCESS:
        return "handled";
    default:
        return "acknowledged";
    }
}

// A request that came before, under its number or a new one: acknowledged
// after the router's acknowledgement delay, and then answered again,
// handled again or left, as the repeat mode says.
void on_repeat(PeerRouter& r, PeerHost& h, const PeerInput& in, PeerRequestRecord& earlier,
               RepeatKind kind)
{
    PeerRepeatMode mode = r.knobs.repeat;
    std::string what = hex4(in.code) + " seq=" + std::to_string(in.seq);
    if (kind == SAME_NUMBER)
        h.event(r, std::string("repeat ") + repeat_action(mode) + ": " + what);
    else
        h.event(r, std::string("asked again ") + repeat_action(mode) + ": " + what +
                       " (first seq=" + std::to_string(earlier.seq) + ")");
    if (mode == REPEAT_PROCESS) {
        uint64_t id = earlier.id;
        if (kind == NEW_NUMBER) {
            Bytes datagram = earlier.datagram;
            datagram[2] = static_cast<uint8_t>(in.seq >> 8);
            datagram[3] = static_cast<uint8_t>(in.seq);
            id = take_record(r, in, datagram).id;
        } else {
            earlier.replies.clear();
        }
        handle_later(r, h, in, id);
        return;
    }
    PeerRouter* rp = &r;
    PeerHost* hp = &h;
    uint32_t from = source_for(r, in), to = in.from;
    uint16_t seq = in.seq;
    uint64_t id = mode == REPEAT_ANSWER ? earlier.id : 0;
    // The router takes its requests one after the other: the repeat's turn
    // comes after the first one's, whose replies it then sends again.
    at_time(h, r.knobs.ack_delay_ms, [rp, hp, from, to, seq, id] {
        send_ack(*rp, *hp, from, to, seq);
        PeerRequestRecord* t = id ? taken_record(*rp, id) : nullptr;
        if (!t)
            return;
        for (const PeerRequestRecord::Reply& reply : t->replies)
            transmit(*rp, *hp, reply.from, reply.to, reply.datagram, reply_delay(*rp));
    });
}

bool counts_for(uint16_t of, uint16_t code)
{
    return of == 0 || of == code;
}

// The router proper: a datagram as it arrives from the network.
void take(PeerRouter& r, PeerHost& h, const PeerInput& in)
{
    bool is_ack = (in.code >> 8) == 0xFF;
    if (r.knobs.silent_after >= 0 && r.requests >= r.knobs.silent_after) {
        if (!is_ack)
            h.event(r, "silent: " + hex4(in.code) + " not acknowledged, not answered");
        return;
    }
    if (is_ack)
        return;  // acknowledgements of its own numbered messages: nothing waits for them
    Bytes datagram = wire_datagram(in.code, in.seq, Bytes(in.payload, in.payload + in.len));
    RepeatKind kind = NEW_REQUEST;
    PeerRequestRecord* earlier = repeated(r, in, datagram, &kind);
    if (kind != SAME_NUMBER)
        ++r.requests;
    if (r.knobs.loss_percent > 0 && static_cast<int>(r.loss_rng() % 100) < r.knobs.loss_percent) {
        h.event(r, "lost: " + hex4(in.code) + " seq=" + std::to_string(in.seq));
        return;
    }
    if (in.seq != 0 && r.knobs.drop_acks > 0) {
        --r.knobs.drop_acks;
        h.event(r, "ack dropped: " + hex4(in.code) + " seq=" + std::to_string(in.seq));
        return;
    }
    if (in.seq == 0) {
        handle_request(r, h, in, 0);
        return;
    }
    // Without a repeat knob the same bytes under a new number are a new
    // request; an accepted password repeated is answered by its handler.
    if (earlier && (kind == SAME_NUMBER || r.knobs.repeat != REPEAT_PLAIN)) {
        on_repeat(r, h, in, *earlier, kind);
        return;
    }
    if (kind == NEW_NUMBER)
        h.event(r, "asked again handled: " + hex4(in.code) + " seq=" + std::to_string(in.seq) +
                       " (first seq=" + std::to_string(earlier->seq) + ")");
    bool late_copy = false, lose_reply = false;
    if (kind == NEW_REQUEST) {
        // Counted as taken: the lost one comes again and is counted then.
        int n = r.new_requests[in.code] + 1;
        int all = r.new_requests_all + 1;
        if (r.knobs.lose_request > 0 &&
            (r.knobs.lose_request_of ? n : all) == r.knobs.lose_request &&
            counts_for(r.knobs.lose_request_of, in.code)) {
            r.knobs.lose_request = 0;
            h.event(r, "request lost: " + hex4(in.code) + " seq=" + std::to_string(in.seq));
            return;
        }
        r.new_requests[in.code] = n;
        r.new_requests_all = all;
        late_copy = r.knobs.late_copy > 0 &&
                    (r.knobs.late_copy_of ? n : all) == r.knobs.late_copy &&
                    counts_for(r.knobs.late_copy_of, in.code);
        lose_reply = r.knobs.lose_reply > 0 &&
                     (r.knobs.lose_reply_of ? n : all) == r.knobs.lose_reply &&
                     counts_for(r.knobs.lose_reply_of, in.code);
    }
    PeerRequestRecord& t = take_record(r, in, datagram);
    t.late_copy = late_copy;
    t.lose_reply = lose_reply;
    handle_later(r, h, in, t.id);
}

}  // namespace

void router_receive(PeerRouter& r, PeerHost& h, const PeerInput& in)
{
    const PeerKnobs& k = r.knobs;
    if (k.duplicate.percent == 0 && k.corrupt.percent == 0 && k.transit.ms == 0 &&
        k.transit.spread == 0) {
        take(r, h, in);
        return;
    }
    // The network's faults on the way in: a copy, a damaged byte, time.
    Bytes datagram = wire_datagram(in.code, in.seq, Bytes(in.payload, in.payload + in.len));
    int copies = 1;
    if (chance(r.duplicate_rng, k.duplicate)) {
        copies = 2;
        h.event(r, "duplicated in: " + describe(datagram));
    }
    for (int i = 0; i < copies; ++i) {
        Bytes arrived = datagram;
        if (chance(r.corrupt_rng, k.corrupt)) {
            size_t at = damage(arrived, r.corrupt_rng);
            h.event(r, "corrupted in: " + describe(datagram) + " byte=" + std::to_string(at));
        }
        PeerRouter* rp = &r;
        PeerHost* hp = &h;
        PeerInput base = in;
        at_time(h, transit_time(r.transit_rng, k.transit), [rp, hp, base, arrived] {
            WireReader w{arrived.data(), arrived.size()};
            PeerInput got = base;
            got.code = w.u16(0);
            got.seq = w.u16(2);
            got.payload = arrived.data() + WIRE_HEADER_LEN;
            got.len = arrived.size() - WIRE_HEADER_LEN;
            take(*rp, *hp, got);
        });
    }
}

void router_second(PeerRouter& r)
{
    for (PeerChannel& c : r.channel)
        if (c.state == 3)
            ++c.duration;
}
