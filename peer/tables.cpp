#include "tables.h"

namespace {

template <typename T>
void trim(std::vector<T>& v)
{
    while (!v.empty() && !v.back().used)
        v.pop_back();
}

template <typename T>
uint16_t used_size(const std::vector<T>& v)
{
    size_t n = v.size();
    while (n > 0 && !v[n - 1].used)
        --n;
    return static_cast<uint16_t>(n);
}

template <typename T>
void store(std::vector<T>& v, uint16_t index, const T& e)
{
    if (v.size() <= index)
        v.resize(index + 1u);
    v[index] = e;
}

}  // namespace

Bytes tables_encode_line(const PeerLine& e, uint16_t index)
{
    WireWriter w;
    w.u8(PEER_TABLE_LINES).u16(index).u32(e.host).text(e.phone, PEER_PHONE_LEN);
    w.u8(e.l2).u16(e.blocksize).u8(e.addr_a).u8(e.addr_b).u8(e.modulo).u8(e.window);
    w.u8(e.l3);
    for (uint16_t word : e.words)
        w.u16(word);
    w.u8(e.byte).u16(e.timeout).u8(e.manual).u8(e.bundling).u8(e.compression);
    w.text(e.send_pair, PEER_PAIR_LEN).text(e.receive_pair, PEER_PAIR_LEN);
    return w.bytes;
}

Bytes tables_encode_route(const PeerRoute& e, uint16_t index)
{
    WireWriter w;
    w.u8(PEER_TABLE_ROUTES).u16(index).u32(e.mask).u32(e.match).u32(e.gateway);
    return w.bytes;
}

Bytes tables_encode_filter(const PeerFilter& e, uint16_t index)
{
    WireWriter w;
    w.u8(PEER_TABLE_FILTERS).u16(index).u32(e.send_mask).u32(e.send_match);
    w.u32(e.receive_mask).u32(e.receive_match).u8(e.protocol).u8(e.action).zeros(2).u16(e.port);
    return w.bytes;
}

PeerLine tables_decode_line(const WireReader& r, size_t at)
{
    PeerLine e;
    e.used = true;
    e.host = r.u32(at + 3);
    e.phone = r.text(at + 7, PEER_PHONE_LEN);
    e.l2 = r.u8(at + 27);
    e.blocksize = r.u16(at + 28);
    e.addr_a = r.u8(at + 30);
    e.addr_b = r.u8(at + 31);
    e.modulo = r.u8(at + 32);
    e.window = r.u8(at + 33);
    e.l3 = r.u8(at + 34);
    for (int i = 0; i < 6; ++i)
        e.words[i] = r.u16(at + 35 + 2 * static_cast<size_t>(i));
    e.byte = r.u8(at + 47);
    e.timeout = r.u16(at + 48);
    e.manual = r.u8(at + 50);
    e.bundling = r.u8(at + 51);
    e.compression = r.u8(at + 52);
    e.send_pair = r.raw(at + 53, PEER_PAIR_LEN);
    e.receive_pair = r.raw(at + 93, PEER_PAIR_LEN);
    return e;
}

PeerRoute tables_decode_route(const WireReader& r, size_t at)
{
    PeerRoute e;
    e.used = true;
    e.mask = r.u32(at + 3);
    e.match = r.u32(at + 7);
    e.gateway = r.u32(at + 11);
    return e;
}

PeerFilter tables_decode_filter(const WireReader& r, size_t at)
{
    PeerFilter e;
    e.used = true;
    e.send_mask = r.u32(at + 3);
    e.send_match = r.u32(at + 7);
    e.receive_mask = r.u32(at + 11);
    e.receive_match = r.u32(at + 15);
    e.protocol = r.u8(at + 19);
    e.action = r.u8(at + 20);
    e.port = r.u16(at + 23);
    return e;
}

size_t tables_body_len(uint8_t table)
{
    switch (table) {
    case PEER_TABLE_LINES:
        return TABLES_LINE_BODY;
    case PEER_TABLE_ROUTES:
        return TABLES_ROUTE_BODY;
    case PEER_TABLE_FILTERS:
        return TABLES_FILTER_BODY;
    default:
        return 0;
    }
}

size_t tables_capacity(const PeerRouter& r, uint8_t table)
{
    switch (table) {
    case PEER_TABLE_LINES:
        return r.permanent != 0 ? PEER_MAX_LINES_PERMANENT : PEER_MAX_LINES;
    case PEER_TABLE_ROUTES:
        return PEER_MAX_ROUTES;
    case PEER_TABLE_FILTERS:
        return PEER_MAX_FILTERS;
    default:
        return 0;
    }
}

uint16_t tables_size(const PeerRouter& r, uint8_t table)
{
    switch (table) {
    case PEER_TABLE_LINES:
        return used_size(r.lines);
    case PEER_TABLE_ROUTES:
        return used_size(r.routes);
    case PEER_TABLE_FILTERS:
        return used_size(r.filters);
    default:
        return 0;
    }
}

Bytes tables_get(const PeerRouter& r, uint8_t table, uint16_t index)
{
    switch (table) {
    case PEER_TABLE_LINES:
        if (index < r.lines.size() && r.lines[index].used)
            return tables_encode_line(r.lines[index], index);
        break;
    case PEER_TABLE_ROUTES:
        if (index < r.routes.size() && r.routes[index].used)
            return tables_encode_route(r.routes[index], index);
        break;
    case PEER_TABLE_FILTERS:
        if (index < r.filters.size() && r.filters[index].used)
            return tables_encode_filter(r.filters[index], index);
        break;
    default:
        break;
    }
    return {};
}

int tables_put(PeerRouter& r, uint8_t table, uint16_t index, const WireReader& body)
{
    size_t len = tables_body_len(table);
    if (len == 0 || body.len != len)
        return 10;
    if (index >= tables_capacity(r, table))
        return 11;
    switch (table) {
    case PEER_TABLE_LINES: {
        PeerLine e = tables_decode_line(body, 0);
        // The counters belong to the slot, not to the entry written into it.
        if (index < r.lines.size() && r.lines[index].used)
            for (int i = 0; i < PEER_COUNTERS; ++i)
                e.counters[i] = r.lines[index].counters[i];
        store(r.lines, index, e);
        break;
    }
    case PEER_TABLE_ROUTES:
        store(r.routes, index, tables_decode_route(body, 0));
        break;
    default:
        store(r.filters, index, tables_decode_filter(body, 0));
        break;
    }
    return 0;
}

int tables_delete(PeerRouter& r, uint8_t table, uint16_t index)
{
    switch (table) {
    case PEER_TABLE_LINES:
        if (index < r.lines.size())
            r.lines[index] = PeerLine();
        break;
    case PEER_TABLE_ROUTES:
        if (index < r.routes.size())
            r.routes[index] = PeerRoute();
        break;
    case PEER_TABLE_FILTERS:
        if (index < r.filters.size())
            r.filters[index] = PeerFilter();
        break;
    default:
        return 10;
    }
    tables_trim(r);
    return 0;
}

int tables_line_at(const PeerRouter& r, uint16_t position)
{
    int seen = 0;
    for (size_t i = 0; i < r.lines.size(); ++i) {
        if (!r.lines[i].used)
            continue;
        if (seen == position)
            return static_cast<int>(i);
        ++seen;
    }
    return -1;
}

void tables_trim(PeerRouter& r)
{
    trim(r.lines);
    trim(r.routes);
    trim(r.filters);
}
