#include "image.h"

namespace {

struct RecordShape {
    uint16_t type;
    uint16_t length;  // bytes, header included
};

constexpr RecordShape SHAPES[] = {
    {IMAGE_ROUTER, 70}, {IMAGE_LINE, 164}, {IMAGE_ROUTE, 28}, {IMAGE_FILTER, 32}};

bool shape_ok(uint16_t type, uint16_t length)
{
    for (const RecordShape& s : SHAPES)
        if (s.type == type && s.length == length)
            return true;
    return false;
}

// One's-complement sum of 16-bit words, high byte first; 0 for a record
// whose checksum is right.
uint16_t checksum_rest(const uint8_t* p, size_t n)
{
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < n; i += 2)
        sum += static_cast<uint32_t>(p[i] << 8 | p[i + 1]);
    if (n & 1)
        sum += static_cast<uint32_t>(p[n - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum & 0xFFFF);
}

template <typename T>
void place(std::vector<T>& v, uint16_t index, const T& e, size_t capacity)
{
    if (index >= capacity)
        return;
    if (v.size() <= index)
        v.resize(index + 1u);
    v[index] = e;
}

}  // namespace

int image_apply(const Bytes& image, PeerRouter& r, std::string* why)
{
    if (image.size() < IMAGE_MIN_SIZE) {
        *why = "image too small for a configuration";
        return 0;
    }
    WireReader all{image.data(), image.size()};
    if (all.u8(IMAGE_MARKER_AT) != 0x24 || all.u8(IMAGE_MARKER_AT + 1) != 0x42) {
        *why = "image without marker";
        return 0;
    }
    uint16_t paragraph = all.le16(IMAGE_PARAGRAPH_AT);
    if (paragraph < 0x8000) {
        *why = "patch area out of range";
        return 0;
    }
    size_t pos = (static_cast<size_t>(paragraph) - 0x8000) * 16;

    PeerRouter next;  // only the fields read below are taken over
    bool have_router = false;
    int taken = 0;
    while (pos + 10 <= image.size()) {
        WireReader rec{image.data() + pos, image.size() - pos};
        uint16_t type = rec.le16(4), length = rec.le16(6), index = rec.le16(8);
        if (rec.le16(0) != IMAGE_RECORD_MAGIC || !shape_ok(type, length) ||
            pos + length > image.size())
            break;
        if (checksum_rest(image.data() + pos, length) != 0)
            break;
        rec.len = length;
        switch (type) {
        case IMAGE_ROUTER:
            have_router = true;
            next.netmask = rec.le32(14);
            next.phone = rec.text(24, PEER_PHONE_LEN);
            next.permanent = rec.u8(44);
            next.exclusive = rec.le32(45);
            next.password = rec.text(49, 10);
            next.isdn = rec.u8(59);
            next.firmware = rec.text(60, PEER_FIRMWARE_LEN);
            break;
        case IMAGE_LINE: {
            PeerLine e;
            e.used = true;
            e.host = rec.le32(10);
            e.phone = rec.text(18, PEER_PHONE_LEN);
            e.l2 = rec.u8(43);
            e.blocksize = rec.le16(45);
            e.addr_a = rec.u8(47);
            e.addr_b = rec.u8(48);
            e.modulo = rec.u8(49);
            e.window = rec.u8(50);
            e.l3 = rec.u8(53);
            for (int i = 0; i < 6; ++i)
                e.words[i] = rec.le16(55 + 2 * static_cast<size_t>(i));
            e.byte = rec.u8(67);
            e.timeout = rec.le16(68);
            e.compression = rec.u8(70);
            e.manual = rec.u8(71);
            e.receive_pair = rec.raw(72, PEER_PAIR_LEN);
            e.send_pair = rec.raw(112, PEER_PAIR_LEN);
            e.bundling = rec.le16(152) == 2 ? 1 : 0;
            place(next.lines, index, e, PEER_MAX_LINES);
            break;
        }
        case IMAGE_ROUTE: {
            PeerRoute e;
            e.used = true;
            e.mask = rec.le32(12);
            e.match = rec.le32(16);
            e.gateway = rec.le32(24);
            place(next.routes, index, e, PEER_MAX_ROUTES);
            break;
        }
        default: {
            PeerFilter e;
            e.used = true;
            e.action = rec.u8(10);
            e.protocol = rec.u8(11);
            e.send_mask = rec.le32(12);
            e.send_match = rec.le32(16);
            e.receive_mask = rec.le32(20);
            e.receive_match = rec.le32(24);
            e.port = rec.le16(30);
            place(next.filters, index, e, PEER_MAX_FILTERS);
            break;
        }
        }
        ++taken;
        pos += length;
    }
    if (!have_router) {
        *why = "image carries no configuration";
        return 0;
    }
    r.netmask = next.netmask;
    r.phone = next.phone;
    r.permanent = next.permanent;
    r.exclusive = next.exclusive;
    r.password = next.password;
    r.isdn = next.isdn;
    r.firmware = next.firmware;
    r.lines = next.lines;
    r.routes = next.routes;
    r.filters = next.filters;
    *why = "image configuration taken";
    return taken;
}
