// Firmware image loading and the patcher that writes the configuration
// records into the image's patch area.
#include "firmware_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "firmware_list.h"
#include "list.h"
#include "messages.h"
#include "myutil.h"

namespace {

// ---------------------------------------------------------- layouts ---

namespace head_at {
constexpr size_t magic = 0, checksum = 2, type = 4, length = 6, index = 8;
}

namespace router_at {
constexpr size_t address = 10, netmask = 14, broadcast = 18, constant = 22, phone = 24,
                 line_type = 44, holder = 45, password = 49, isdn_mode = 59, firmware = 60;
constexpr size_t phone_len = 20, password_len = 10, firmware_len = 10;
}  // namespace router_at

namespace line_at {
constexpr size_t host = 10, phone = 18, proto2_code = 43, l2_len = 44, blocksize = 45, addr_a = 47,
                 addr_b = 48, modulo = 49, windowsize = 50, proto3_code = 53, l3_len = 54,
                 param_words = 55, param_byte = 67, timeout = 68, compression = 70,
                 manual_only = 71, receive_pair = 72, send_pair = 112, channels = 152,
                 channels_again = 154;
constexpr size_t phone_len = 20;
constexpr uint8_t l2_block = 9;   // bytes 44 to 52
constexpr uint8_t l3_block = 14;  // bytes 54 to 67
}  // namespace line_at

namespace route_at {
constexpr size_t mask = 12, match = 16, gateway = 24;
}

namespace filter_at {
constexpr size_t action = 10, protocol = 11, send_mask = 12, send_match = 16, receive_mask = 20,
                 receive_match = 24, port = 30;
}

void put_le16(uint8_t* buf, size_t offset, uint16_t value)
{
    buf[offset] = static_cast<uint8_t>(value);
    buf[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void put_le32(uint8_t* buf, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        buf[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint16_t get_le16(const uint8_t* buf, size_t offset)
{
    return static_cast<uint16_t>(buf[offset] | (buf[offset + 1] << 8));
}

void put_address(uint8_t* buf, size_t offset, const char* text)
{
    put_le32(buf, offset, myutil_get_host_addr(text));
}

// A record is built whole in a zeroed buffer and copied in only when it fits.
class Record {
public:
    Record(uint16_t type, int length, uint16_t index) : length_(static_cast<size_t>(length))
    {
        put_le16(buf_, head_at::magic, PATCH_MAGIC);
        put_le16(buf_, head_at::type, type);
        put_le16(buf_, head_at::length, static_cast<uint16_t>(length));
        put_le16(buf_, head_at::index, index);
    }
    uint8_t* body() { return buf_; }

    int append(FirmwarePatch* patch)
    {
        FirmwareImage* image = patch->image;
        if (image == nullptr || image->size < 0 ||
            patch->position > static_cast<size_t>(image->size) ||
            length_ > static_cast<size_t>(image->size) - patch->position)
            return 0;
        uint16_t sum = firmware_checksum(buf_, length_);
        buf_[head_at::checksum] = static_cast<uint8_t>(sum >> 8);
        buf_[head_at::checksum + 1] = static_cast<uint8_t>(sum);
        std::memcpy(image->data + patch->position, buf_, length_);
        patch->position += length_;
        return 1;
    }

private:
    uint8_t buf_[PATCH_LINE_LEN] = {};  // the longest record
    size_t length_;
};

bool has_rows(const LineTarget* line)
{
    return line->proto2 != nullptr && line->proto3 != nullptr;
}

// Bytes the lists' records take, so the patch area can be checked first.
size_t records_size(ListObject* lines, ListObject* routes, ListObject* filters)
{
    size_t size = PATCH_ROUTER_LEN;
    if (lines != nullptr)
        for (ListNode* n = lines->head; n != nullptr; n = n->next)
            if (n->element != nullptr && has_rows(static_cast<LineTarget*>(n->element)))
                size += PATCH_LINE_LEN;
    if (routes != nullptr)
        for (ListNode* n = routes->head; n != nullptr; n = n->next)
            if (n->element != nullptr)
                size += PATCH_ROUTE_LEN;
    if (filters != nullptr)
        for (ListNode* n = filters->head; n != nullptr; n = n->next)
            if (n->element != nullptr)
                size += PATCH_FILTER_LEN;
    return size;
}

// Closes a descriptor on every way out.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

std::string file_firmware_path(int isdn_mode, const char* version)
{
    std::string name = isdn_mode != 0 ? FIRMWARE_LIST_PREFIX_DSS1 : FIRMWARE_LIST_PREFIX_1TR6;
    if (version != nullptr)
        name.append(version, strnlen(version, FIRMWARE_LEN));
    const char* dir = std::getenv("QORVEL_PATH");
    if (dir == nullptr || *dir == '\0')
        return name;  // empty: no directory, not the root
    return std::string(dir) + "/" + name;
}

FirmwareImage* file_load_firmware(const char* path)
{
    if (path == nullptr)
        return nullptr;
    // Without blocking, so a FIFO in the data directory cannot hang the open.
    Fd fd(::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0)
        return nullptr;
    struct stat st;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    if (st.st_size < 0 || st.st_size > INT32_MAX)
        return nullptr;

    size_t size = static_cast<size_t>(st.st_size);
    // Not myutil_malloc: an image too big for memory is refused, not fatal.
    auto* data = static_cast<uint8_t*>(std::malloc(size == 0 ? 1 : size));
    if (data == nullptr)
        return nullptr;
    size_t got = 0;
    while (got < size) {
        ssize_t n = ::read(fd.get(), data + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            std::free(data);
            return nullptr;
        }
        got += static_cast<size_t>(n);
    }
    auto* image = static_cast<FirmwareImage*>(myutil_malloc(sizeof(FirmwareImage)));
    image->data = data;
    image->size = static_cast<int32_t>(size);
    return image;
}

void file_free_firmware(FirmwareImage* image)
{
    if (image == nullptr)
        return;
    std::free(image->data);
    std::free(image);
}

uint16_t firmware_checksum(const uint8_t* data, size_t length)
{
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < length; i += 2)
        sum += static_cast<uint32_t>(data[i] << 8 | data[i + 1]);
    if (length % 2 != 0)
        sum += static_cast<uint32_t>(data[length - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum);
}

int firmware_open(FirmwarePatch* patch, FirmwareImage* image, size_t needed)
{
    patch->image = nullptr;
    patch->position = 0;
    if (image == nullptr || image->data == nullptr || image->size < 0 ||
        static_cast<size_t>(image->size) < FIRMWARE_MIN_SIZE)
        return FIRMWARE_OPEN_TOO_SMALL;
    const uint8_t* d = image->data;
    if (d[FIRMWARE_MARKER_OFFSET] != FIRMWARE_MARKER_0 ||
        d[FIRMWARE_MARKER_OFFSET + 1] != FIRMWARE_MARKER_1)
        return FIRMWARE_OPEN_NO_MARKER;
    uint16_t paragraph = get_le16(d, FIRMWARE_PATCH_PTR_OFFSET);
    if (paragraph < FIRMWARE_PATCH_BASE)
        return FIRMWARE_OPEN_NO_ROOM;
    size_t start = static_cast<size_t>(paragraph - FIRMWARE_PATCH_BASE) * FIRMWARE_PARAGRAPH;
    size_t size = static_cast<size_t>(image->size);
    if (start > size || needed > size - start)
        return FIRMWARE_OPEN_NO_ROOM;
    patch->image = image;
    patch->position = start;
    return FIRMWARE_OPEN_OK;
}

void firmware_close(FirmwarePatch* patch)
{
    // Nothing marks the end of the records; the patch only forgets the image.
    patch->image = nullptr;
}

int firmware_patch_router(FirmwarePatch* patch, const RouterSettings* s)
{
    Record r(PATCH_TYPE_ROUTER, PATCH_ROUTER_LEN, 0);
    uint8_t* b = r.body();
    uint32_t address = myutil_get_host_addr(s->name);
    uint32_t netmask = myutil_get_host_addr(s->netmask);
    put_le32(b, router_at::address, address);
    put_le32(b, router_at::netmask, netmask);
    put_le32(b, router_at::broadcast, address | ~netmask);
    put_le16(b, router_at::constant, PATCH_ROUTER_CONSTANT);
    msg_put_text(b, router_at::phone, s->phone, router_at::phone_len);
    b[router_at::line_type] = s->line_type;
    put_le32(b, router_at::holder, s->exclusive ? myutil_get_my_ip() : 0);
    msg_put_text(b, router_at::password, s->password, router_at::password_len);
    b[router_at::isdn_mode] = s->isdn_mode;
    msg_put_text(b, router_at::firmware, s->firmware, router_at::firmware_len);
    return r.append(patch);
}

int firmware_patch_line(FirmwarePatch* patch, const LineTarget* t, uint16_t index)
{
    if (!has_rows(t))
        return 0;
    Record r(PATCH_TYPE_LINE, PATCH_LINE_LEN, index);
    uint8_t* b = r.body();
    put_address(b, line_at::host, t->host);
    msg_put_text(b, line_at::phone, t->phone, line_at::phone_len);
    b[line_at::proto2_code] = static_cast<uint8_t>(t->proto2_code);
    b[line_at::l2_len] = line_at::l2_block;
    put_le16(b, line_at::blocksize, t->proto2->blocksize);
    b[line_at::addr_a] = t->proto2->addr_a;
    b[line_at::addr_b] = t->proto2->addr_b;
    b[line_at::modulo] = t->proto2->modulo;
    b[line_at::windowsize] = t->proto2->windowsize;
    b[line_at::proto3_code] = static_cast<uint8_t>(t->proto3_code);
    b[line_at::l3_len] = line_at::l3_block;
    for (size_t i = 0; i < 6; ++i)
        put_le16(b, line_at::param_words + 2 * i, t->proto3->param_words[i]);
    b[line_at::param_byte] = t->proto3->param_byte;
    put_le16(b, line_at::timeout, static_cast<uint16_t>(t->timeout));
    b[line_at::compression] = static_cast<uint8_t>(t->compression);
    b[line_at::manual_only] = static_cast<uint8_t>(t->manual_only);
    msg_put_pair(b, line_at::receive_pair, t->receive_pair);
    msg_put_pair(b, line_at::send_pair, t->send_pair);
    uint16_t channels = t->bundling ? 2 : 1;
    put_le16(b, line_at::channels, channels);
    put_le16(b, line_at::channels_again, channels);
    return r.append(patch);
}

int firmware_patch_route(FirmwarePatch* patch, const RouteEntry* e, uint16_t index)
{
    Record r(PATCH_TYPE_ROUTE, PATCH_ROUTE_LEN, index);
    uint8_t* b = r.body();
    put_address(b, route_at::mask, e->mask);
    put_address(b, route_at::match, e->match);
    put_address(b, route_at::gateway, e->gateway);
    return r.append(patch);
}

int firmware_patch_filter(FirmwarePatch* patch, const FilterEntry* f, uint16_t index)
{
    Record r(PATCH_TYPE_FILTER, PATCH_FILTER_LEN, index);
    uint8_t* b = r.body();
    b[filter_at::action] = static_cast<uint8_t>(f->action);
    b[filter_at::protocol] = static_cast<uint8_t>(f->protocol);
    put_address(b, filter_at::send_mask, f->send_mask);
    put_address(b, filter_at::send_match, f->send_match);
    put_address(b, filter_at::receive_mask, f->receive_mask);
    put_address(b, filter_at::receive_match, f->receive_match);
    put_le16(b, filter_at::port, static_cast<uint16_t>(f->port));
    return r.append(patch);
}

int firmware_do_patch(FirmwareImage* image, const RouterSettings* settings, ListObject* lines,
                      ListObject* routes, ListObject* filters)
{
    if (settings == nullptr)
        return 0;
    FirmwarePatch patch;
    if (firmware_open(&patch, image, records_size(lines, routes, filters)) != FIRMWARE_OPEN_OK)
        return 0;
    // The room was checked above, so every record below fits.
    firmware_patch_router(&patch, settings);
    uint16_t index = 0;
    if (lines != nullptr)
        for (ListNode* n = lines->head; n != nullptr; n = n->next)
            if (n->element != nullptr &&
                firmware_patch_line(&patch, static_cast<LineTarget*>(n->element), index))
                ++index;
    index = 0;
    if (routes != nullptr)
        for (ListNode* n = routes->head; n != nullptr; n = n->next)
            if (n->element != nullptr &&
                firmware_patch_route(&patch, static_cast<RouteEntry*>(n->element), index))
                ++index;
    index = 0;
    if (filters != nullptr)
        for (ListNode* n = filters->head; n != nullptr; n = n->next)
            if (n->element != nullptr &&
                firmware_patch_filter(&patch, static_cast<FilterEntry*>(n->element), index))
                ++index;
    firmware_close(&patch);
    return 1;
}
