// Router message packers and parsers. Every layout is written once, as the
// offset constants below; the functions only move fields between a record
// and those offsets.
#include "messages.h"

#include <cstring>

#include "myutil.h"
#include "protocols.h"

namespace {

// ---------------------------------------------------------- layouts ---

// Line-target body (PUT_ENTRY_REQUEST; GET_ENTRY_REPLY at offset + 2).
namespace line_at {
constexpr size_t table = 0, index = 1, host = 3, phone = 7, proto2_code = 27, blocksize = 28,
                 addr_a = 30, addr_b = 31, modulo = 32, windowsize = 33, proto3_code = 34,
                 param_words = 35, param_byte = 47, timeout = 48, manual_only = 50, bundling = 51,
                 compression = 52, send_pair = 53, receive_pair = 93;
}  // namespace line_at

// Route body.
namespace route_at {
constexpr size_t table = 0, index = 1, mask = 3, match = 7, gateway = 11;
}

// Filter body.
namespace filter_at {
constexpr size_t table = 0, index = 1, send_mask = 3, send_match = 7, receive_mask = 11,
                 receive_match = 15, protocol = 19, action = 20, zero = 21, port = 23;
}

// Short client requests.
namespace req_at {
constexpr size_t pw_seq = 0, pw_password = 2;       // PASSWORD_REPLY
constexpr size_t close_code = 0;                    // CLOSE_REQUEST
constexpr size_t entry_table = 0, entry_index = 1;  // GET/delete entry
constexpr size_t acc_mode = 0, acc_position = 1;    // GET_ACCOUNTING
constexpr size_t setpw_seed = 0, setpw_exclusive = 2, setpw_new = 3, setpw_current = 13;
constexpr size_t rd_address = 0, rd_netmask = 4, rd_phone = 8, rd_line_type = 28;
constexpr size_t isdn_flag = 0, isdn_position = 1;  // ISDN_OPEN
constexpr size_t isdn_channel = 0;                  // ISDN_CLOSE
constexpr size_t fw_hw = 0, fw_address = 6;         // FW_DOWNLOAD_REQUEST
constexpr size_t fw_offset = 0, fw_bytes = 4;       // FW_DATA
}  // namespace req_at

// Router replies (bytes 0-1 unread unless named).
namespace rep_at {
constexpr size_t scan_hw = 2, scan_router = 8, scan_holder = 12;
constexpr size_t st_ch1_state = 2, st_ch1_peer = 3, st_ch1_phone = 7, st_ch2_state = 27,
                 st_ch2_peer = 28, st_ch2_phone = 32, st_isdn_mode = 52, st_line_type = 53,
                 st_firmware = 54;
constexpr size_t pwreq_seed = 0;
constexpr size_t open_lines = 2, open_routes = 4, open_filters = 6, open_netmask = 8,
                 open_phone = 12, open_isdn_mode = 32, open_line_type = 33, open_firmware = 34;
constexpr size_t close_reason = 2, close_holder = 4;
constexpr size_t status = 2;                        // SET_PASSWORD / ROUTER_DATA
constexpr size_t entry_table = 2, entry_index = 3;  // GET_ENTRY_REPLY
constexpr size_t put_table = 2, put_status = 5;     // PUT_ENTRY_REPLY
constexpr size_t acc_counters = 4;                  // seven u32
constexpr size_t fw_address = 0;
}  // namespace rep_at

// One LINEMON_DATA block; channel 2 starts one block further.
namespace mon_at {
constexpr size_t block = 43, state = 0, code = 1, peer = 3, phone = 7, duration = 27, charge = 31,
                 packets_out = 35, packets_in = 39;
}

constexpr size_t PREFIX = ENTRY_REPLY_PREFIX_LEN;
constexpr int LINE_REPLY_LEN = LINE_BODY_LEN + ENTRY_REPLY_PREFIX_LEN;
constexpr int ROUTE_REPLY_LEN = ROUTE_BODY_LEN + ENTRY_REPLY_PREFIX_LEN;
constexpr int FILTER_REPLY_LEN = FILTER_BODY_LEN + ENTRY_REPLY_PREFIX_LEN;

// ---------------------------------------------------------- helpers ---

void put_address(uint8_t* buf, size_t offset, const char* text)
{
    msg_put_u32(buf, offset, myutil_get_host_addr(text));
}

template <size_t N>
void get_address(const uint8_t* buf, size_t offset, char (&text)[N])
{
    static_assert(N >= HOST_LEN + 1, "address texts need room for a host name");
    myutil_get_host_name(msg_get_u32(buf, offset), text);
}

// A password as the 10-byte block the router compares, scrambled.
void put_password(uint8_t* buf, size_t offset, const char* password, uint16_t seed)
{
    uint8_t clear[WIRE_PASSWORD_LEN];
    msg_put_text(clear, 0, password, WIRE_PASSWORD_LEN);
    highstate_scramble_password(buf + offset, clear, seed);
}

// Only the first NUL inside the field is a separator; what follows a second
// one is not part of the pair.
void get_pair(const uint8_t* buf, size_t offset, char (&pair)[PAIR_LEN + 1])
{
    uint8_t field[WIRE_PAIR_LEN];
    std::memcpy(field, buf + offset, sizeof field);
    if (field[0] != 0) {
        for (uint8_t& byte : field) {
            if (byte == 0) {
                byte = '/';
                break;
            }
        }
    }
    msg_get_text(field, 0, sizeof field, pair, sizeof pair);
}

// Entry replies come as an empty slot (index only) or as the whole entry;
// anything between is cut short.
enum class EntryForm { bad, empty, whole };

EntryForm entry_form(int length, int whole)
{
    if (length < GET_ENTRY_REPLY_MIN_LEN)
        return EntryForm::bad;
    if (length <= GET_ENTRY_REPLY_EMPTY_MAX_LEN)
        return EntryForm::empty;
    if (length < whole)
        return EntryForm::bad;
    return EntryForm::whole;
}

bool fits(size_t size, int needed)
{
    return size >= static_cast<size_t>(needed);
}

void get_channel(const uint8_t* block, LineMonitorChannel* ch)
{
    ch->state = block[mon_at::state];
    ch->code = msg_get_u16(block, mon_at::code);
    get_address(block, mon_at::peer, ch->peer);
    msg_get_text(block, mon_at::phone, WIRE_TEXT_LEN, ch->phone, sizeof ch->phone);
    ch->duration = msg_get_u32(block, mon_at::duration);
    ch->charge = msg_get_u32(block, mon_at::charge);
    ch->packets_out = msg_get_u32(block, mon_at::packets_out);
    ch->packets_in = msg_get_u32(block, mon_at::packets_in);
}

}  // namespace

// ------------------------------------------------------ byte helpers ---

void msg_put_u16(uint8_t* buf, size_t offset, uint16_t value)
{
    buf[offset] = static_cast<uint8_t>(value >> 8);
    buf[offset + 1] = static_cast<uint8_t>(value);
}

void msg_put_u32(uint8_t* buf, size_t offset, uint32_t value)
{
    buf[offset] = static_cast<uint8_t>(value >> 24);
    buf[offset + 1] = static_cast<uint8_t>(value >> 16);
    buf[offset + 2] = static_cast<uint8_t>(value >> 8);
    buf[offset + 3] = static_cast<uint8_t>(value);
}

uint16_t msg_get_u16(const uint8_t* buf, size_t offset)
{
    return static_cast<uint16_t>((buf[offset] << 8) | buf[offset + 1]);
}

uint32_t msg_get_u32(const uint8_t* buf, size_t offset)
{
    return (static_cast<uint32_t>(buf[offset]) << 24) |
           (static_cast<uint32_t>(buf[offset + 1]) << 16) |
           (static_cast<uint32_t>(buf[offset + 2]) << 8) | static_cast<uint32_t>(buf[offset + 3]);
}

void msg_put_text(uint8_t* buf, size_t offset, const char* text, size_t width)
{
    if (text == nullptr)
        text = "";
    size_t i = 0;
    for (; i < width && text[i] != '\0'; ++i)
        buf[offset + i] = static_cast<uint8_t>(text[i]);
    for (; i < width; ++i)
        buf[offset + i] = 0;
}

void msg_get_text(const uint8_t* buf, size_t offset, size_t width, char* out, size_t out_size)
{
    if (out_size == 0)
        return;
    size_t n = 0;
    while (n < width && n + 1 < out_size && buf[offset + n] != 0) {
        out[n] = static_cast<char>(buf[offset + n]);
        ++n;
    }
    out[n] = '\0';
}

// The pair's "/" separators travel as NUL bytes, up to the text's end.
void msg_put_pair(uint8_t* buf, size_t offset, const char* pair)
{
    msg_put_text(buf, offset, pair, WIRE_PAIR_LEN);
    uint8_t* field = buf + offset;
    size_t len = 0;
    while (len < static_cast<size_t>(WIRE_PAIR_LEN) && field[len] != 0)
        ++len;
    for (size_t i = 0; i < len; ++i)
        if (field[i] == '/')
            field[i] = 0;
}

void highstate_scramble_password(uint8_t* out, const uint8_t* in, uint16_t seed)
{
    unsigned x = (seed % 257u) & 0xFFu;
    x += 13;
    for (int i = 0; i < WIRE_PASSWORD_LEN; ++i) {
        unsigned k = ((x * 167u) >> 6) & 0xFFu;
        out[i] = static_cast<uint8_t>(in[i] ^ k);
        x = k + 13;
    }
}

// --------------------------------------------------- client payloads ---

int highstate_pack_line(const LineTarget* line, uint8_t* buf, size_t size)
{
    if (!fits(size, LINE_BODY_LEN))
        return 0;
    std::memset(buf, 0, LINE_BODY_LEN);
    buf[line_at::table] = TABLE_LINES;
    msg_put_u16(buf, line_at::index, static_cast<uint16_t>(line->index));
    put_address(buf, line_at::host, line->host);
    msg_put_text(buf, line_at::phone, line->phone, WIRE_TEXT_LEN);

    // The row's parameters when there is one; otherwise those the router
    // reported, so an entry without a definition goes back as it came.
    Proto2Params p2 = line->proto2_params;
    if (line->proto2 != nullptr)
        p2 = Proto2Params{line->proto2->blocksize, line->proto2->addr_a, line->proto2->addr_b,
                          line->proto2->modulo, line->proto2->windowsize};
    buf[line_at::proto2_code] = static_cast<uint8_t>(line->proto2_code);
    msg_put_u16(buf, line_at::blocksize, p2.blocksize);
    buf[line_at::addr_a] = p2.addr_a;
    buf[line_at::addr_b] = p2.addr_b;
    buf[line_at::modulo] = p2.modulo;
    buf[line_at::windowsize] = p2.windowsize;

    const uint16_t* words = line->proto3_params.param_words;
    uint8_t param_byte = line->proto3_params.param_byte;
    if (line->proto3 != nullptr) {
        words = line->proto3->param_words;
        param_byte = line->proto3->param_byte;
    }
    buf[line_at::proto3_code] = static_cast<uint8_t>(line->proto3_code);
    for (size_t i = 0; i < 6; ++i)
        msg_put_u16(buf, line_at::param_words + 2 * i, words[i]);
    buf[line_at::param_byte] = param_byte;

    msg_put_u16(buf, line_at::timeout, static_cast<uint16_t>(line->timeout));
    buf[line_at::manual_only] = static_cast<uint8_t>(line->manual_only);
    buf[line_at::bundling] = static_cast<uint8_t>(line->bundling);
    buf[line_at::compression] = static_cast<uint8_t>(line->compression);
    msg_put_pair(buf, line_at::send_pair, line->send_pair);
    msg_put_pair(buf, line_at::receive_pair, line->receive_pair);
    return LINE_BODY_LEN;
}

int highstate_pack_route(const RouteEntry* route, uint8_t* buf, size_t size)
{
    if (!fits(size, ROUTE_BODY_LEN))
        return 0;
    buf[route_at::table] = TABLE_ROUTES;
    msg_put_u16(buf, route_at::index, static_cast<uint16_t>(route->index));
    put_address(buf, route_at::mask, route->mask);
    put_address(buf, route_at::match, route->match);
    put_address(buf, route_at::gateway, route->gateway);
    return ROUTE_BODY_LEN;
}

int highstate_pack_filter(const FilterEntry* filter, uint8_t* buf, size_t size)
{
    if (!fits(size, FILTER_BODY_LEN))
        return 0;
    buf[filter_at::table] = TABLE_FILTERS;
    msg_put_u16(buf, filter_at::index, static_cast<uint16_t>(filter->index));
    put_address(buf, filter_at::send_mask, filter->send_mask);
    put_address(buf, filter_at::send_match, filter->send_match);
    put_address(buf, filter_at::receive_mask, filter->receive_mask);
    put_address(buf, filter_at::receive_match, filter->receive_match);
    buf[filter_at::protocol] = static_cast<uint8_t>(filter->protocol);
    buf[filter_at::action] = static_cast<uint8_t>(filter->action);
    msg_put_u16(buf, filter_at::zero, 0);
    msg_put_u16(buf, filter_at::port, static_cast<uint16_t>(filter->port));
    return FILTER_BODY_LEN;
}

int msg_pack_password_reply(uint8_t* buf, size_t size, uint16_t seq, const char* password,
                            uint16_t seed)
{
    if (!fits(size, PASSWORD_REPLY_LEN))
        return 0;
    msg_put_u16(buf, req_at::pw_seq, seq);
    put_password(buf, req_at::pw_password, password, seed);
    return PASSWORD_REPLY_LEN;
}

int msg_pack_close_request(uint8_t* buf, size_t size, uint16_t code)
{
    if (code == 0 || !fits(size, CLOSE_REQUEST_CODE_LEN))
        return 0;
    msg_put_u16(buf, req_at::close_code, code);
    return CLOSE_REQUEST_CODE_LEN;
}

int msg_pack_get_entry(uint8_t* buf, size_t size, uint8_t table, uint16_t index)
{
    if (!fits(size, GET_ENTRY_REQUEST_LEN))
        return 0;
    buf[req_at::entry_table] = table;
    msg_put_u16(buf, req_at::entry_index, index);
    return GET_ENTRY_REQUEST_LEN;
}

int msg_pack_delete_entry(uint8_t* buf, size_t size, uint8_t table, uint16_t index)
{
    if (!fits(size, DELETE_ENTRY_LEN))
        return 0;
    buf[req_at::entry_table] = table;
    msg_put_u16(buf, req_at::entry_index, index);
    return DELETE_ENTRY_LEN;
}

int msg_pack_get_accounting(uint8_t* buf, size_t size, uint8_t mode, uint16_t position)
{
    if (!fits(size, GET_ACCOUNTING_REQUEST_LEN))
        return 0;
    buf[req_at::acc_mode] = mode;
    msg_put_u16(buf, req_at::acc_position, position);
    return GET_ACCOUNTING_REQUEST_LEN;
}

int msg_pack_set_password(uint8_t* buf, size_t size, uint16_t seed, int exclusive,
                          const char* new_password, const char* current_password)
{
    if (!fits(size, SET_PASSWORD_REQUEST_LEN))
        return 0;
    msg_put_u16(buf, req_at::setpw_seed, seed);
    buf[req_at::setpw_exclusive] = exclusive ? EXCLUSIVE_ON : 0x00;
    put_password(buf, req_at::setpw_new, new_password, seed);
    put_password(buf, req_at::setpw_current, current_password, seed);
    return SET_PASSWORD_REQUEST_LEN;
}

int msg_pack_router_data(uint8_t* buf, size_t size, const RouterSettings* settings)
{
    if (!fits(size, PUT_ROUTER_DATA_REQUEST_LEN))
        return 0;
    put_address(buf, req_at::rd_address, settings->name);
    put_address(buf, req_at::rd_netmask, settings->netmask);
    msg_put_text(buf, req_at::rd_phone, settings->phone, WIRE_TEXT_LEN);
    buf[req_at::rd_line_type] = settings->line_type;
    return PUT_ROUTER_DATA_REQUEST_LEN;
}

int msg_pack_isdn_open(uint8_t* buf, size_t size, uint16_t position)
{
    if (!fits(size, ISDN_OPEN_REQUEST_LEN))
        return 0;
    buf[req_at::isdn_flag] = ISDN_OPEN_FLAG;
    msg_put_u16(buf, req_at::isdn_position, position);
    return ISDN_OPEN_REQUEST_LEN;
}

int msg_pack_isdn_close(uint8_t* buf, size_t size, uint8_t channel)
{
    if (!fits(size, ISDN_CLOSE_REQUEST_LEN))
        return 0;
    buf[req_at::isdn_channel] = channel;
    return ISDN_CLOSE_REQUEST_LEN;
}

int msg_pack_fw_download_request(uint8_t* buf, size_t size, const uint8_t* hw, uint32_t address)
{
    if (!fits(size, FW_DOWNLOAD_REQUEST_LEN))
        return 0;
    std::memcpy(buf + req_at::fw_hw, hw, HW_ADDR_LEN);
    msg_put_u32(buf, req_at::fw_address, address);
    return FW_DOWNLOAD_REQUEST_LEN;
}

int msg_pack_fw_data(uint8_t* buf, size_t size, uint32_t offset, const uint8_t* data, int count)
{
    if (count < 0 || count > FW_CHUNK_LEN || !fits(size, FW_DATA_HEADER_LEN + count))
        return 0;
    if (count > 0 && data == nullptr)
        return 0;
    msg_put_u32(buf, req_at::fw_offset, offset);
    if (count > 0)
        std::memcpy(buf + req_at::fw_bytes, data, static_cast<size_t>(count));
    return FW_DATA_HEADER_LEN + count;
}

// -------------------------------------------------- received payloads ---

int msg_parse_scan_reply(const uint8_t* payload, int length, ScanAnswer* out)
{
    if (length < SCAN_REPLY_MIN_LEN)
        return 0;
    *out = ScanAnswer{};
    out->status = 0;
    std::memcpy(out->hw, payload + rep_at::scan_hw, HW_ADDR_LEN);
    out->router_ip = msg_get_u32(payload, rep_at::scan_router);
    out->holder_ip = msg_get_u32(payload, rep_at::scan_holder);
    return 1;
}

int msg_parse_state_reply(uint32_t sender, const uint8_t* payload, int length, RouterState* out)
{
    if (length < STATE_REPLY_MIN_LEN)
        return 0;
    *out = RouterState{};
    out->status = 0;
    out->router_ip = sender;
    out->ch1_state = payload[rep_at::st_ch1_state];
    out->ch1_peer_ip = msg_get_u32(payload, rep_at::st_ch1_peer);
    msg_get_text(payload, rep_at::st_ch1_phone, WIRE_TEXT_LEN, out->ch1_phone,
                 sizeof out->ch1_phone);
    out->ch2_state = payload[rep_at::st_ch2_state];
    out->ch2_peer_ip = msg_get_u32(payload, rep_at::st_ch2_peer);
    msg_get_text(payload, rep_at::st_ch2_phone, WIRE_TEXT_LEN, out->ch2_phone,
                 sizeof out->ch2_phone);
    if (length >= STATE_REPLY_FULL_LEN) {
        out->isdn_mode = payload[rep_at::st_isdn_mode];
        out->line_type = payload[rep_at::st_line_type];
        msg_get_text(payload, rep_at::st_firmware, WIRE_FIRMWARE_LEN, out->firmware,
                     sizeof out->firmware);
    }
    return 1;
}

int msg_parse_password_request(const uint8_t* payload, int length, uint16_t seq, OpenReply* out)
{
    if (length != PASSWORD_REQUEST_LEN)
        return 0;
    *out = OpenReply{};
    out->kind = OPEN_PASSWORD;
    out->seed = msg_get_u16(payload, rep_at::pwreq_seed);
    out->seq = seq;
    return 1;
}

int msg_parse_open_reply(const uint8_t* payload, int length, OpenReply* out)
{
    if (length < OPEN_REPLY_MIN_LEN)
        return 0;
    *out = OpenReply{};
    out->kind = OPEN_ACCEPTED;
    out->n_lines = msg_get_u16(payload, rep_at::open_lines);
    out->n_routes = msg_get_u16(payload, rep_at::open_routes);
    out->n_filters = msg_get_u16(payload, rep_at::open_filters);
    if (length >= OPEN_REPLY_FULL_LEN) {
        get_address(payload, rep_at::open_netmask, out->text);
        msg_get_text(payload, rep_at::open_phone, WIRE_TEXT_LEN, out->phone, sizeof out->phone);
        out->isdn_mode = payload[rep_at::open_isdn_mode];
        out->line_type = payload[rep_at::open_line_type];
        msg_get_text(payload, rep_at::open_firmware, WIRE_FIRMWARE_LEN, out->firmware,
                     sizeof out->firmware);
    }
    return 1;
}

int msg_parse_open_refused(const uint8_t* payload, int length, OpenReply* out)
{
    if (length < CLOSE_REPLY_MIN_LEN)
        return 0;
    *out = OpenReply{};
    out->kind = OPEN_REFUSED;
    out->reason = msg_get_u16(payload, rep_at::close_reason);
    // A payload of 5 to 7 bytes does not hold the whole address.
    if (length >= CLOSE_REPLY_FULL_LEN)
        get_address(payload, rep_at::close_holder, out->text);
    return 1;
}

int msg_parse_status_reply(const uint8_t* payload, int length, uint16_t* status)
{
    if (length < SET_PASSWORD_REPLY_MIN_LEN)
        return 0;
    *status = msg_get_u16(payload, rep_at::status);
    return 1;
}

int msg_parse_put_entry_reply(const uint8_t* payload, int length, uint8_t* table, uint16_t* status)
{
    if (length < PUT_ENTRY_REPLY_MIN_LEN)
        return 0;
    *table = payload[rep_at::put_table];
    *status = msg_get_u16(payload, rep_at::put_status);
    return 1;
}

int msg_parse_accounting(const uint8_t* payload, int length, AccountingCounters* out)
{
    if (length < GET_ACCOUNTING_REPLY_MIN_LEN)
        return 0;
    uint32_t* const fields[] = {&out->charge,      &out->calls_out,  &out->calls_in,
                                &out->packets_out, &out->packets_in, &out->bytes_out,
                                &out->bytes_in};
    size_t offset = rep_at::acc_counters;
    for (uint32_t* field : fields) {
        *field = msg_get_u32(payload, offset);
        offset += 4;
    }
    return 1;
}

int msg_parse_linemon(const uint8_t* payload, int length, LineMonitorData* out)
{
    if (length < LINEMON_DATA_MIN_LEN)
        return 0;
    *out = LineMonitorData{};
    get_channel(payload, &out->channel[0]);
    get_channel(payload + mon_at::block, &out->channel[1]);
    return 1;
}

int msg_parse_fw_reply(const uint8_t* payload, int length, uint32_t* address)
{
    if (length < FW_DOWNLOAD_REPLY_MIN_LEN)
        return 0;
    *address = msg_get_u32(payload, rep_at::fw_address);
    return 1;
}

int msg_parse_entry_header(const uint8_t* payload, int length, uint8_t* table, uint16_t* index)
{
    if (length < GET_ENTRY_REPLY_MIN_LEN)
        return 0;
    *table = payload[rep_at::entry_table];
    *index = msg_get_u16(payload, rep_at::entry_index);
    return 1;
}

LineTarget* highstate_parse_line_entry(const uint8_t* payload, int length)
{
    EntryForm form = entry_form(length, LINE_REPLY_LEN);
    if (form == EntryForm::bad)
        return nullptr;
    auto* line = static_cast<LineTarget*>(myutil_malloc(sizeof(LineTarget)));
    line->index = msg_get_u16(payload, rep_at::entry_index);
    if (form == EntryForm::empty)
        return line;

    const uint8_t* body = payload + PREFIX;
    get_address(body, line_at::host, line->host);
    msg_get_text(body, line_at::phone, WIRE_TEXT_LEN, line->phone, sizeof line->phone);
    line->proto2_code = body[line_at::proto2_code];
    line->proto2_params.blocksize = msg_get_u16(body, line_at::blocksize);
    line->proto2_params.addr_a = body[line_at::addr_a];
    line->proto2_params.addr_b = body[line_at::addr_b];
    line->proto2_params.modulo = body[line_at::modulo];
    line->proto2_params.windowsize = body[line_at::windowsize];
    line->proto2 = file_find_proto2_by_dlpd(&line->proto2_params, line->proto2_code);

    // The router's layer-3 block is not taken: the entry gets the first row's.
    line->proto3_code = body[line_at::proto3_code];
    std::memcpy(line->proto3_params.param_words, s3_protocols[0].param_words,
                sizeof line->proto3_params.param_words);
    line->proto3_params.param_byte = s3_protocols[0].param_byte;
    line->proto3 = file_find_proto3_by_ncpd(&line->proto3_params, line->proto3_code);

    line->timeout = msg_get_u16(body, line_at::timeout);
    line->manual_only = body[line_at::manual_only];
    line->bundling = body[line_at::bundling];
    line->compression = body[line_at::compression];
    get_pair(body, line_at::send_pair, line->send_pair);
    get_pair(body, line_at::receive_pair, line->receive_pair);
    return line;
}

RouteEntry* highstate_parse_route_entry(const uint8_t* payload, int length)
{
    EntryForm form = entry_form(length, ROUTE_REPLY_LEN);
    if (form == EntryForm::bad)
        return nullptr;
    auto* route = static_cast<RouteEntry*>(myutil_malloc(sizeof(RouteEntry)));
    route->index = msg_get_u16(payload, rep_at::entry_index);
    if (form == EntryForm::empty)
        return route;

    const uint8_t* body = payload + PREFIX;
    get_address(body, route_at::mask, route->mask);
    get_address(body, route_at::match, route->match);
    get_address(body, route_at::gateway, route->gateway);
    return route;
}

FilterEntry* highstate_parse_filter_entry(const uint8_t* payload, int length)
{
    EntryForm form = entry_form(length, FILTER_REPLY_LEN);
    if (form == EntryForm::bad)
        return nullptr;
    auto* filter = static_cast<FilterEntry*>(myutil_malloc(sizeof(FilterEntry)));
    filter->index = msg_get_u16(payload, rep_at::entry_index);
    if (form == EntryForm::empty)
        return filter;

    const uint8_t* body = payload + PREFIX;
    get_address(body, filter_at::send_mask, filter->send_mask);
    get_address(body, filter_at::send_match, filter->send_match);
    get_address(body, filter_at::receive_mask, filter->receive_mask);
    get_address(body, filter_at::receive_match, filter->receive_match);
    // The zero bytes in front of the port are not read.
    filter->protocol = body[filter_at::protocol];
    filter->action = body[filter_at::action];
    filter->port = msg_get_u16(body, filter_at::port);
    return filter;
}
