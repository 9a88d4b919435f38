// The engine's entry: initialisation, and the dispatcher that decides which
// datagram is awaited in which state and hands it to its operation. It
// stands above the operation modules, so the engine core below them never
// calls up into one of them.
#include "engine.h"
#include "highstate.h"
#include "list.h"
#include "lowstate.h"
#include "messages.h"

namespace {

typedef int (*Handler)(uint32_t sender, uint16_t seq, const uint8_t* data, int length);
typedef bool (*Guard)();

bool awaits_announce()
{
    return highstate.state == HIGHSTATE_IDLE || highstate.state == HIGHSTATE_FW_RESTARTING ||
           highstate.state == HIGHSTATE_RESETTING;
}
bool is_idle()
{
    return highstate.state == HIGHSTATE_IDLE;
}
bool is_opening()
{
    return highstate.state == HIGHSTATE_OPENING;
}
bool is_opening_or_asked()
{
    return highstate.state == HIGHSTATE_OPENING || highstate.state == HIGHSTATE_PASSWORD_ASKED;
}
bool is_fw_requested()
{
    return highstate.state == HIGHSTATE_FW_REQUESTED;
}
bool is_pending()
{
    return highstate.state == HIGHSTATE_REQUEST_PENDING;
}
bool monitor_runs()
{
    return highstate.linemon_fn != nullptr;
}

constexpr int NO_MAX = -1;

// What the dispatcher knows of each code. A message is tested against its
// guard (is it awaited now?) and its length, in the order the row says; only
// a message that passes both reaches its handler, which tests the rest
// (awaited reply code, table, sender of an announcement).
struct DispatchRow {
    uint16_t code;
    bool conn;         // connection message: only from the open router
    int min_len;       // payload bytes at least
    int max_len;       // payload bytes at most, NO_MAX: no limit
    int bad_length;    // result for a payload outside those bounds
    Guard awaited;     // null: accepted in every state
    int not_awaited;   // result when the guard fails (0: ignored)
    bool guard_first;  // test the guard before the length
    Handler handler;
};

// A scan or state answer that nothing awaits is a late one (the router took
// its time, or the network doubled it): each scan and query asks several
// times, and every router answers each ask. It is dropped.
const DispatchRow kDispatch[] = {
    {SCAN_REPLY, false, SCAN_REPLY_MIN_LEN, NO_MAX, STATUS_UNEXPECTED_MESSAGE, awaits_announce, 0,
     false, highstate_recv_announce},
    {STATE_REPLY, false, STATE_REPLY_MIN_LEN, NO_MAX, STATUS_UNEXPECTED_MESSAGE, is_idle, 0, false,
     highstate_recv_router_state},
    {PASSWORD_REQUEST, false, PASSWORD_REQUEST_LEN, PASSWORD_REQUEST_LEN, STATUS_UNEXPECTED_MESSAGE,
     is_opening, STATUS_UNEXPECTED_MESSAGE, false, highstate_recv_password_request},
    {OPEN_REPLY, false, OPEN_REPLY_MIN_LEN, NO_MAX, STATUS_UNEXPECTED_MESSAGE, is_opening_or_asked,
     STATUS_UNEXPECTED_MESSAGE, false, highstate_recv_open_reply},
    {CLOSE_REPLY, false, CLOSE_REPLY_MIN_LEN, NO_MAX, STATUS_UNEXPECTED_MESSAGE,
     is_opening_or_asked, STATUS_UNEXPECTED_MESSAGE, false, highstate_recv_open_refused},
    {FW_DOWNLOAD_REPLY, false, FW_DOWNLOAD_REPLY_MIN_LEN, NO_MAX, STATUS_UNEXPECTED_MESSAGE,
     is_fw_requested, STATUS_UNEXPECTED_MESSAGE, false, highstate_recv_fw_reply},
    {SET_PASSWORD_REPLY, true, SET_PASSWORD_REPLY_MIN_LEN, NO_MAX, STATUS_PROTOCOL_VIOLATION,
     is_pending, STATUS_UNEXPECTED_MESSAGE, false, highstate_recv_password_reply},
    {PUT_ROUTER_DATA_REPLY, true, PUT_ROUTER_DATA_REPLY_MIN_LEN, NO_MAX, STATUS_PROTOCOL_VIOLATION,
     is_pending, STATUS_UNEXPECTED_MESSAGE, false, highstate_recv_router_data_reply},
    {GET_ENTRY_REPLY, true, GET_ENTRY_REPLY_MIN_LEN, NO_MAX, STATUS_PROTOCOL_VIOLATION, is_pending,
     STATUS_UNEXPECTED_MESSAGE, false, highstate_recv_entry},
    {GET_ACCOUNTING_REPLY, true, GET_ACCOUNTING_REPLY_MIN_LEN, NO_MAX, STATUS_PROTOCOL_VIOLATION,
     is_pending, STATUS_UNEXPECTED_MESSAGE, true, highstate_recv_accounting},
    {PUT_ENTRY_REPLY, true, PUT_ENTRY_REPLY_MIN_LEN, NO_MAX, STATUS_PROTOCOL_VIOLATION, is_pending,
     STATUS_UNEXPECTED_MESSAGE, false, highstate_recv_put_reply},
    {LINEMON_DATA, true, LINEMON_DATA_MIN_LEN, NO_MAX, STATUS_PROTOCOL_VIOLATION, monitor_runs, 0,
     true, highstate_recv_linemon},
    {CLOSE_REQUEST, true, 0, NO_MAX, 0, nullptr, 0, false, highstate_recv_close},
    {ISDN_CLOSE_REQUEST, true, 0, NO_MAX, 0, nullptr, 0, false, highstate_recv_isdn_close},
};

const DispatchRow* find_row(uint16_t code)
{
    for (const DispatchRow& row : kDispatch) {
        if (row.code == code)
            return &row;
    }
    return nullptr;
}

// In these states only the router being opened, or the router that is to
// load an image, may talk to the engine.
bool only_target_heard()
{
    switch (highstate.state) {
    case HIGHSTATE_OPENING:
    case HIGHSTATE_PASSWORD_ASKED:
    case HIGHSTATE_FW_REQUESTED:
    case HIGHSTATE_FW_SENDING:
        return true;
    default:
        return false;
    }
}

// Which reply answers which request, and how a reply is known not to be a
// copy of an earlier one. The router sends one reply per arrival of a
// request; the network may lose, delay, reorder and duplicate every
// datagram, and a request may reach the router more than once (a repeat of
// the acknowledged layer, a request asked again, a duplicate on the way).
//
//   request                  reply                  identified by
//   OPEN_REQUEST             PASSWORD_REQUEST,      the state (opening); a further
//                            OPEN_REPLY,            PASSWORD_REQUEST renews the
//                            CLOSE_REPLY            challenge, never restarts the prompt
//   PASSWORD_REPLY           OPEN_REPLY,            the state (password asked)
//                            CLOSE_REPLY
//   GET_ENTRY_REQUEST        GET_ENTRY_REPLY        table and index
//   PUT_ENTRY_REQUEST        PUT_ENTRY_REPLY        order (below)
//   GET_ACCOUNTING_REQUEST   GET_ACCOUNTING_REPLY   order
//   SET_PASSWORD_REQUEST     SET_PASSWORD_REPLY     order
//   PUT_ROUTER_DATA_REQUEST  PUT_ROUTER_DATA_REPLY  order
//
// Order, for a reply that names nothing of its request:
//   - it is taken only while its request awaits it; a reply of the open
//     router that answers nothing awaited is a copy of one handled before;
//   - an unnumbered one that comes before the router acknowledged the
//     request (the acknowledgement was lost or overtaken, or the router
//     answers first) may be a late copy of the previous reply while the
//     request itself was lost. It is kept (highstate_hold_early_reply) and
//     taken when the acknowledgement comes, if the request did not go out
//     again after it came; otherwise a reply after the acknowledgement is
//     awaited, and only when none comes by the reply time-out (a router
//     that had the request already and only acknowledges a repeat) is the
//     kept one taken. The reply to a request that must not arrive twice
//     (HIGHSTATE_ASK_SAME) is taken at once while the network has not been
//     seen to bring a datagram twice: nothing else could have sent a copy
//     of the previous reply;
//   - an entry reply (read or write) for another table than the awaited one,
//     of a table answered before on this connection, is a late copy;
//   - the reply to the entry read sent between two asks of a request
//     (highstate.between_key) answers nothing awaited;
//   - a numbered one (a router may number its replies) only with a number
//     newer than the last one handled: the acknowledged layer drops a
//     repeated or older number;
//   - after an exchange whose request the router may have had more than once
//     (sent more than once, or acknowledged more than once), the next request
//     is held back for the router's reply time-out (highstate_send_request),
//     and every reply in that drain is a copy.
// Whatever is taken for a copy is dropped without a word: it never ends an
// operation and never draws a send of its own.
bool answers(uint16_t request, uint16_t reply)
{
    switch (reply) {
    case GET_ENTRY_REPLY:
        return request == GET_ENTRY_REQUEST;
    case PUT_ENTRY_REPLY:
        return request == PUT_ENTRY_REQUEST;
    case PUT_ROUTER_DATA_REPLY:
        return request == PUT_ROUTER_DATA_REQUEST;
    case GET_ACCOUNTING_REPLY:
        return request == GET_ACCOUNTING_REQUEST;
    case SET_PASSWORD_REPLY:
        return request == SET_PASSWORD_REQUEST;
    case PASSWORD_REQUEST:
        return request == OPEN_REQUEST;
    case OPEN_REPLY:
    case CLOSE_REPLY:
        return request == OPEN_REQUEST || request == PASSWORD_REPLY;
    default:
        return false;
    }
}

bool is_connection_reply(uint16_t code)
{
    switch (code) {
    case GET_ENTRY_REPLY:
    case PUT_ENTRY_REPLY:
    case PUT_ROUTER_DATA_REPLY:
    case GET_ACCOUNTING_REPLY:
    case SET_PASSWORD_REPLY:
        return true;
    default:
        return false;
    }
}

// The table and index an entry reply names (bytes 2 to 4), else 0.
uint32_t reply_key(uint16_t code, const uint8_t* data, int length)
{
    if ((code != GET_ENTRY_REPLY && code != PUT_ENTRY_REPLY) || data == nullptr || length < 5)
        return 0;
    return highstate_entry_key(data[2], static_cast<uint16_t>(data[3] << 8 | data[4]));
}

// An entry reply for the table being read, of an index read already.
bool entry_read_before(uint32_t key)
{
    uint32_t table = (key >> 16) & 0xFF;
    uint32_t index = key & 0xFFFF;
    uint32_t awaited = highstate.request_key;
    return table == ((awaited >> 16) & 0xFF) && index < (awaited & 0xFFFF);
}

// The table an entry reply names (byte 2), or -1.
int reply_table(uint16_t code, const uint8_t* data, int length)
{
    if ((code != GET_ENTRY_REPLY && code != PUT_ENTRY_REPLY) || data == nullptr || length < 3)
        return -1;
    return data[2];
}

bool table_answered(int table)
{
    return table >= 0 && (highstate.tables_answered[table >> 3] & (1u << (table & 7))) != 0;
}

// An entry reply for another table than the one awaited, of a table whose
// replies were taken before on this connection: a late copy (a chained read
// or write goes on with the next table as soon as the last reply of one came).
bool earlier_table(uint16_t code, const uint8_t* data, int length)
{
    int table = reply_table(code, data, length);
    return table >= 0 && table != highstate.table && table_answered(table);
}

// The reply to the entry read sent between two asks of a request (it is
// not the entry awaited).
bool between_reply(uint16_t code, const uint8_t* data, int length)
{
    uint32_t key = reply_key(code, data, length);
    return code == GET_ENTRY_REPLY && highstate.between_key != 0 && key == highstate.between_key &&
           key != highstate.request_key;
}

// The reply of the open router to a request of the connection: is it a copy
// of one handled before (see the table above)?
bool connection_copy(uint16_t code, uint16_t sequence, const uint8_t* data, int length)
{
    if (highstate.state != HIGHSTATE_REQUEST_PENDING || !highstate.reply_awaited ||
        highstate.request_held || !answers(highstate.request_code, code))
        return true;
    if (between_reply(code, data, length))
        return true;
    if (earlier_table(code, data, length))
        return true;
    if (code == GET_ENTRY_REPLY) {
        uint32_t key = reply_key(code, data, length);
        return key != highstate.request_key && entry_read_before(key);
    }
    return sequence == 0 && !highstate.request_acked;
}

// An unnumbered reply of the open router, of the kind awaited, that comes
// before the request's acknowledgement: the router may have answered before
// it acknowledged, the network may have let the reply overtake the
// acknowledgement or lost the acknowledgement.
bool early_reply(uint32_t sender, uint16_t code, uint16_t sequence, const uint8_t* data, int length)
{
    return is_connection_reply(code) && code != GET_ENTRY_REPLY && sequence == 0 &&
           highstate.state == HIGHSTATE_REQUEST_PENDING && highstate.reply_awaited &&
           !highstate.request_held && !highstate.request_acked && sender == highstate.router_addr &&
           answers(highstate.request_code, code) && !earlier_table(code, data, length);
}

bool network_doubles()
{
    return highstate.network_copies || lowstate_doubled() > 0;
}

// A copy that nothing of ours explains (the last exchange and the awaited
// request went out once, and were acknowledged once): the network doubles
// datagrams.
void note_copy(uint32_t sender, uint16_t code, const uint8_t* data, int length)
{
    if (highstate.state < HIGHSTATE_CONNECTED || sender != highstate.router_addr ||
        !is_connection_reply(code) || between_reply(code, data, length))
        return;
    bool ours =
        highstate.answered_copies || highstate_request_reached_twice() || highstate.request_held;
    if (!ours)
        highstate.network_copies = 1;
}

// A reply of the open to the router being opened, or to the open router
// after it accepted: is it a copy?
bool open_copy(uint32_t sender, uint16_t code)
{
    switch (highstate.state) {
    case HIGHSTATE_OPENING:
        return false;
    case HIGHSTATE_PASSWORD_ASKED:
        // The router asks again (a copy, or its answer to an open asked
        // again): the challenge is renewed, the prompt not restarted.
        return code == PASSWORD_REQUEST;
    default:
        // The open is over: whatever of it still comes from the router is a copy.
        return highstate.router_addr != 0 && sender == highstate.router_addr;
    }
}

bool is_copy(uint32_t sender, uint16_t code, uint16_t sequence, const uint8_t* data, int length)
{
    if (is_connection_reply(code))
        return highstate.state >= HIGHSTATE_CONNECTED && sender == highstate.router_addr &&
               connection_copy(code, sequence, data, length);
    if (code == PASSWORD_REQUEST || code == OPEN_REPLY || code == CLOSE_REPLY)
        return open_copy(sender, code);
    return false;
}

// A repeated open made the router ask for the password anew: the password
// goes with the challenge it holds now. Once the password was given, the new
// challenge is answered with it at once (the prompt is not shown again); a
// copy of the challenge answered already changes nothing.
void renew_challenge(uint16_t sequence, const uint8_t* data, int length)
{
    OpenReply reply{};
    if (!msg_parse_password_request(data, length, sequence, &reply))
        return;
    highstate.challenge = reply.seed;
    highstate.challenge_seq = reply.seq;
    highstate.challenge_renewed = 1;
    if (!highstate.password_given)
        return;
    if (reply.seed == highstate.answered_challenge && reply.seq == highstate.answered_challenge_seq)
        return;
    // The challenge shows that the open asked again arrived; an answer to an
    // older challenge still awaiting its acknowledgement answers nothing now.
    if (highstate.reply_awaited)
        lowstate_answered(highstate.request_counter);
    highstate_answer_challenge();
}

// The acknowledged layer asks this of a numbered datagram from the open
// router while our request awaits its acknowledgement: a router that numbers
// its replies sends the awaited reply so, and when our acknowledgement was
// lost, that reply is the only sign that the request arrived.
int is_awaited_reply(uint32_t sender, uint16_t code)
{
    return highstate.state == HIGHSTATE_REQUEST_PENDING && highstate.reply_awaited &&
           sender == highstate.router_addr && code == highstate.expect;
}
}  // namespace

int highstate_network_doubles()
{
    return network_doubles() ? 1 : 0;
}

int highstate_init(ErrorCallback error_fn, uint32_t broadcast)
{
    int result = lowstate_init(HIGHSTATE_PORT, highstate_receive, highstate_transport_error);
    if (result != 0)
        return result;
    lowstate_set_answer_check(is_awaited_reply);
    list_init();
    // What a chain of an earlier engine still holds is freed, not forgotten.
    highstate_release_chain();
    highstate = HighstateContext{};
    highstate.state = HIGHSTATE_IDLE;
    highstate.broadcast_addr = broadcast;
    highstate.error_fn = error_fn;
    highstate.reset_timer = HIGHSTATE_NO_TIMER;
    highstate.rescan_timer = HIGHSTATE_NO_TIMER;
    highstate.window_timer = HIGHSTATE_NO_TIMER;
    highstate.reply_timer = HIGHSTATE_NO_TIMER;
    highstate.reask_timer = HIGHSTATE_NO_TIMER;
    highstate.fw_timer = HIGHSTATE_NO_TIMER;
    highstate.drain_timer = HIGHSTATE_NO_TIMER;
    rtt_reset(&highstate.reply_rtt, HIGHSTATE_REPLY_RTO);
    return 0;
}

void highstate_receive(uint32_t sender, uint16_t code, uint16_t sequence, const uint8_t* data,
                       int length)
{
    if (only_target_heard() && sender != highstate.target_addr)
        return;
    const DispatchRow* row = find_row(code);
    if (row == nullptr) {
        highstate_protocol_error(sender, HIGHSTATE_UNKNOWN_CODE);
        return;
    }
    if (row->conn && (highstate.state < HIGHSTATE_CONNECTED || sender != highstate.router_addr)) {
        return;
    }
    if (data == nullptr)
        length = 0;
    if (length < 0)
        length = 0;
    highstate.receiving_code = code;
    if (early_reply(sender, code, sequence, data, length)) {
        // It may be a late copy of the previous reply while the request
        // itself was lost: it is kept until the router acknowledges the
        // request (highstate_hold_early_reply). A request that must not
        // reach the router twice is the exception where the network has not
        // been seen to bring anything twice: there the previous reply came
        // once and was taken, and a copy the router made of it was drained
        // before this request went out, so the reply answers this request
        // and shows that it arrived. It is taken at once, before a lost
        // acknowledgement makes the request go out again.
        if (network_doubles() || highstate.request_repeat != HIGHSTATE_ASK_SAME) {
            highstate_hold_early_reply(code, data, length);
            return;
        }
        highstate.taken_unacked = 1;
    } else if (is_copy(sender, code, sequence, data, length)) {
        if (code == PASSWORD_REQUEST && highstate.state == HIGHSTATE_PASSWORD_ASKED)
            renew_challenge(sequence, data, length);
        note_copy(sender, code, data, length);
        if (highstate.copy_watch != nullptr && is_connection_reply(code) &&
            sender == highstate.router_addr)
            highstate.copy_watch(code, data, length);
        return;
    }
    bool awaited = row->awaited == nullptr || row->awaited();
    bool length_ok = length >= row->min_len && (row->max_len == NO_MAX || length <= row->max_len);
    int result;
    if (row->guard_first && !awaited) {
        result = row->not_awaited;
    } else if (!length_ok) {
        result = row->bad_length;
    } else if (!awaited) {
        result = row->not_awaited;
    } else {
        result = row->handler(sender, sequence, data, length);
    }
    result &= 0xFFFF;
    if (result != 0)
        highstate_protocol_error(sender, result);
}
