// The protocol engine's core: the context, the bounded wait for a reply, and
// the two error paths. The operations and the dispatcher stand above it; it
// calls none of them.
#include <cstring>

#include "engine.h"
#include "highstate.h"
#include "list.h"
#include "lowstate.h"
#include "messages.h"
#include "udp.h"

HighstateContext highstate;
ListObject* line_list = nullptr;
ListObject* route_list = nullptr;
ListObject* filter_list = nullptr;

namespace {

int failed_writes = -1;

// Taken before the operation is dropped, which forgets the write.
void note_failure()
{
    bool writing = highstate.list_new != nullptr && highstate.list_old != nullptr;
    failed_writes = writing ? highstate.writes : -1;
}

void report(int code)
{
    if (highstate.error_fn != nullptr)
        highstate.error_fn(code);
}

void disconnect_transport()
{
    lowstate_set_connect_state(0, 1, 0);
}

void stop_fine_timer(int32_t* slot)
{
    if (*slot != HIGHSTATE_NO_TIMER) {
        udp_stop_fine_timer(*slot);
        *slot = HIGHSTATE_NO_TIMER;
    }
}

// No request awaits a reply any more.
void stop_reply_wait()
{
    highstate.reply_awaited = 0;
    highstate.request_counter = 0;
    highstate.asks = 0;
    highstate.request_acked = 0;
    highstate.request_held = 0;
    highstate.early_held = 0;
    highstate.between_counter = 0;
    highstate_stop_timer(&highstate.reply_timer);
    stop_fine_timer(&highstate.reask_timer);
    stop_fine_timer(&highstate.drain_timer);
}

// Fine ticks from now until the drain ends (0: none).
int drain_left()
{
    int32_t left = int32_t(highstate.drain_until - udp_fine_clock());
    return left > 0 ? left : 0;
}

void request_acked(uint32_t, uint16_t, uint16_t, const uint8_t*, int);
void reask_timeout();

// The reply kept from before the acknowledgement goes to the dispatcher,
// which now takes it as the reply after it.
void take_early_reply()
{
    uint8_t data[HIGHSTATE_EARLY_MAX];
    int length = highstate.early_length;
    std::memcpy(data, highstate.early_data, size_t(length));
    highstate.early_held = 0;
    highstate_receive(highstate.router_addr, highstate.early_code, 0, data, length);
}

// Sends the awaited request as it is kept (a new number). Returns the
// acknowledged send's result; on failure the error path has ended the
// operation.
int send_kept_request()
{
    highstate.request_acked = 0;
    highstate.taken_unacked = 0;
    // A reply kept for the request as it was asked before may answer it, but
    // the new request must first be known to have arrived: a copy of the
    // previous reply could stand in for it. Only the reply to it counts.
    highstate.early_held = 0;
    int result = lowstate_send(highstate.request_addr, highstate.request_code,
                               highstate.request_length > 0 ? highstate.request_data : nullptr,
                               highstate.request_length, 1, request_acked);
    if (result > 0)
        highstate.request_counter = result;
    return result;
}

// The drain after an exchange that may have drawn copies has ended: the
// held request goes out.
void drain_over()
{
    highstate.drain_timer = HIGHSTATE_NO_TIMER;
    if (!highstate.reply_awaited || !highstate.request_held)
        return;
    // Another acknowledged message (the line monitor's) holds the layer: the
    // request waits a fine tick more.
    int left = lowstate_awaiting_ack() ? 1 : drain_left();
    if (left > 0) {
        highstate.drain_timer = udp_start_fine_timer(drain_over, left - 1);
        if (highstate.drain_timer != HIGHSTATE_NO_TIMER)
            return;
    }
    highstate.request_held = 0;
    send_kept_request();
}

// The entry read sent between two asks was acknowledged: the request goes
// out again, under a new number.
void between_acked(uint32_t, uint16_t, uint16_t, const uint8_t*, int)
{
    if (highstate.between_counter == 0)
        return;
    highstate.between_counter = 0;
    if (highstate.reply_awaited && highstate.state == HIGHSTATE_REQUEST_PENDING)
        send_kept_request();
}

// Asks the open router again under a new number, with another request in
// between. A router may tell a request asked again by its bytes, as the
// same as its last one, and only acknowledge it: it then never answers
// again once its reply was lost. An entry read (it changes nothing, and its
// reply names its entry, so it is known and dropped) makes the request a
// new one for such a router. The request follows on the read's
// acknowledgement.
void ask_with_read_between()
{
    uint8_t table = TABLE_LINES;
    // Never the very read that is asked again.
    if (highstate.request_code == GET_ENTRY_REQUEST &&
        highstate.request_key == highstate_entry_key(TABLE_LINES, 0))
        table = TABLE_ROUTES;
    uint8_t payload[GET_ENTRY_REQUEST_LEN];
    int n = msg_pack_get_entry(payload, sizeof payload, table, 0);
    highstate.request_acked = 0;
    highstate.early_held = 0;
    int result =
        lowstate_send(highstate.request_addr, GET_ENTRY_REQUEST, payload, n, 1, between_acked);
    if (result > 0) {
        highstate.between_counter = result;
        highstate.between_key = highstate_entry_key(table, 0);
    }
}

// The router acknowledged the open asked again and still said nothing: it
// may take the open for the one it had (whose answer was lost) and only
// acknowledge it. A close request ends what that open began, and the open
// follows a fine tick later (after the close, on a network that reorders),
// as a new one.
void open_after_close()
{
    lowstate_send(highstate.request_addr, CLOSE_REQUEST, nullptr, 0, 0, nullptr);
    highstate.request_held = 1;
    highstate.drain_until = udp_fine_clock() + 1;
    highstate.drain_timer = udp_start_fine_timer(drain_over, 0);
    if (highstate.drain_timer == HIGHSTATE_NO_TIMER) {
        highstate.request_held = 0;
        send_kept_request();
    }
}

void start_reask_wait()
{
    if (highstate.asks > 0 && highstate.asks <= HIGHSTATE_REASKS &&
        highstate.reask_timer == HIGHSTATE_NO_TIMER) {
        highstate.reask_timer =
            udp_start_fine_timer(reask_timeout, rtt_timeout_fine(highstate.reply_rtt));
    }
}

// The router acknowledged the request but its reply is overdue for this
// router: the reply carries no number the layer could miss, so the request
// is asked again, in the way its kind allows (HighstateRepeat).
void reask_timeout()
{
    highstate.reask_timer = HIGHSTATE_NO_TIMER;
    if (!highstate.reply_awaited || highstate.asks == 0)
        return;
    switch (highstate.state) {
    case HIGHSTATE_OPENING:
    case HIGHSTATE_PASSWORD_ASKED:
    case HIGHSTATE_REQUEST_PENDING:
        break;
    default:
        return;
    }
    // Another acknowledged message (the line monitor's start) holds the
    // layer: the request waits a tick more.
    if (lowstate_awaiting_ack()) {
        start_reask_wait();
        return;
    }
    // The router acknowledged the request and said nothing after: it had it
    // before, and the reply kept from then is its answer (a router that
    // only acknowledges a repeat would never send another).
    if (highstate.early_held && highstate.request_acked) {
        take_early_reply();
        return;
    }
    rtt_back_off(&highstate.reply_rtt, HIGHSTATE_REPLY_RTO);
    ++highstate.asks;
    switch (highstate.request_repeat) {
    case HIGHSTATE_ASK_SAME:
        if (highstate.asks > 3 && highstate.request_acked) {
            // The router acknowledged two repeats under the request's own
            // number and still said nothing (one lost reply to a repeat is
            // no sign): it only acknowledges what it had before, and would
            // never answer. Asked as a new request, it is handled again,
            // which the operation's own check tells (a counter below its
            // plain read, a refused current password).
            ask_with_read_between();
            break;
        }
        highstate.request_acked = 0;
        // Another message went out since (the line monitor's): the repeat
        // would be of that one, so the reply is awaited longer instead.
        if (lowstate_resend(highstate.request_counter, request_acked) == 0)
            start_reask_wait();
        break;
    case HIGHSTATE_ASK_BY_OPEN:
        highstate.request_code = OPEN_REQUEST;
        highstate.request_length = 0;
        highstate.request_repeat = HIGHSTATE_ASK_AGAIN;
        send_kept_request();
        break;
    default:
        // The last ask was acknowledged and not answered either: the router
        // may take the request for the one it had last.
        if (highstate.state == HIGHSTATE_REQUEST_PENDING && highstate.asks > 2 &&
            highstate.request_acked)
            ask_with_read_between();
        else if (highstate.state == HIGHSTATE_OPENING && highstate.asks > 2 &&
                 highstate.request_acked)
            open_after_close();
        else
            send_kept_request();
        break;
    }
}

void reply_timeout()
{
    highstate.reply_timer = HIGHSTATE_NO_TIMER;
    if (!highstate.reply_awaited)
        return;
    highstate.reply_awaited = 0;
    switch (highstate.state) {
    case HIGHSTATE_OPENING:
    case HIGHSTATE_PASSWORD_ASKED:
    case HIGHSTATE_REQUEST_PENDING:
        highstate_fail(STATUS_TIMEOUT);
        break;
    default:
        break;
    }
}

// The router has the request; from now on its reply has a bounded time,
// counted from the first acknowledgement, however often it is asked again.
void request_acked(uint32_t, uint16_t, uint16_t, const uint8_t*, int)
{
    if (!highstate.reply_awaited)
        return;
    highstate.request_acked = 1;
    highstate.acked_at = udp_fine_clock();
    if (highstate.reply_timer == HIGHSTATE_NO_TIMER) {
        highstate.reply_timer = udp_start_timer(reply_timeout, HIGHSTATE_REPLY_TICKS);
    }
    start_reask_wait();
    // The reply overtook the acknowledgement, or the router answered before
    // it acknowledged: the request arrived, and the reply is taken now. When
    // the request went out again after the reply came, this acknowledgement
    // may be of the repeat alone: the reply after it is awaited instead.
    if (highstate.early_held && highstate.early_sent == lowstate_transmissions())
        take_early_reply();
}

}  // namespace

int highstate_get_state()
{
    return highstate.state;
}

int highstate_ack_awaited()
{
    return lowstate_awaiting_ack();
}

int highstate_failed_write_count()
{
    return failed_writes;
}

void highstate_clear_next()
{
    highstate.next = HighstateNext{};
}

void highstate_stop_timer(int32_t* slot)
{
    if (*slot != HIGHSTATE_NO_TIMER) {
        udp_stop_timer(*slot);
        *slot = HIGHSTATE_NO_TIMER;
    }
}

uint32_t highstate_entry_key(uint8_t table, uint16_t index)
{
    return 0x1000000u | uint32_t(table) << 16 | index;
}

int highstate_send_request(uint32_t address, uint16_t code, const void* data, int length,
                           HighstateRepeat repeat, uint32_t key)
{
    stop_reply_wait();
    highstate.reply_awaited = 1;
    highstate.request_addr = address;
    highstate.request_code = code;
    highstate.request_key = key;
    int n = (data != nullptr && length > 0) ? length : 0;
    bool kept = n <= HIGHSTATE_REQUEST_MAX;
    highstate.request_length = 0;
    if (kept) {
        if (n > 0)
            std::memcpy(highstate.request_data, data, size_t(n));
        highstate.request_length = n;
    }
    highstate.request_repeat = kept ? repeat : HIGHSTATE_ASK_ONCE;
    if (highstate.request_repeat != HIGHSTATE_ASK_ONCE)
        highstate.asks = 1;
    // Copies of the last exchange's reply may still come, and a copy of a
    // reply that names nothing would pass for this request's if it is of the
    // same kind: the request waits, so that they arrive while nothing awaits
    // them. An entry reply names its entry and needs no wait.
    int left = drain_left();
    if (left > 0 && kept && code == highstate.answered_code && code != GET_ENTRY_REQUEST) {
        highstate.drain_timer = udp_start_fine_timer(drain_over, left - 1);
        if (highstate.drain_timer != HIGHSTATE_NO_TIMER) {
            highstate.request_held = 1;
            return 0;
        }
    }
    // On failure the transport has already reported and the error path has
    // cleared the wait (or a new operation owns it now): nothing to undo.
    return send_kept_request();
}

int highstate_request_reached_twice()
{
    return highstate.asks > 1 || lowstate_transmissions() > 1 || lowstate_acknowledgements() > 1;
}

void highstate_hold_early_reply(uint16_t code, const uint8_t* data, int length)
{
    // Every reply that can come early is read within its first bytes.
    int n = data != nullptr && length > 0 ? length : 0;
    if (n > HIGHSTATE_EARLY_MAX)
        n = HIGHSTATE_EARLY_MAX;
    if (n > 0)
        std::memcpy(highstate.early_data, data, size_t(n));
    highstate.early_length = n;
    highstate.early_code = code;
    highstate.early_sent = lowstate_transmissions();
    highstate.early_held = 1;
}

void highstate_reply_arrived()
{
    // The dispatcher let the reply through only from the router the request
    // went to, so it answers that request.
    if (highstate.reply_awaited)
        lowstate_answered(highstate.request_counter);
    // The read sent between two asks is of no use any more; its
    // acknowledgement would hold the next request back.
    if (highstate.between_counter != 0) {
        lowstate_answered(highstate.between_counter);
        highstate.between_counter = 0;
    }
    highstate.answered_code = highstate.request_code;
    highstate.answered_reply = highstate.receiving_code;
    highstate.answered_key = highstate.request_key;
    if (highstate.receiving_code == GET_ENTRY_REPLY || highstate.receiving_code == PUT_ENTRY_REPLY)
        highstate.tables_answered[highstate.table >> 3] |= uint8_t(1u << (highstate.table & 7));
    highstate.answered_copies = highstate_request_reached_twice();
    // Two acknowledgements of a request that went out once: the network
    // brought it twice.
    if (lowstate_acknowledgements() > 1 && lowstate_transmissions() == 1 && highstate.asks <= 1)
        highstate.network_copies = 1;
    if (highstate.answered_copies) {
        highstate.drain_until = udp_fine_clock() + uint32_t(rtt_timeout_fine(highstate.reply_rtt));
    } else if (highstate.request_acked && !highstate.stale_answer) {
        // Only a reply to a request that went out once and was acknowledged
        // once times the router (after an answer to a replaced challenge, the
        // reply may be to the earlier one).
        rtt_sample(&highstate.reply_rtt, HIGHSTATE_REPLY_RTO,
                   rtt_elapsed_ms(highstate.acked_at, udp_fine_clock()));
    }
    stop_reply_wait();
}

void highstate_drop_operation()
{
    highstate.state = HIGHSTATE_IDLE;
    highstate.router_addr = 0;
    highstate.target_addr = 0;
    highstate_clear_next();
    highstate.done = HighstateDone{};
    highstate.linemon_fn = nullptr;
    highstate.list_new = nullptr;
    highstate.list_old = nullptr;
    highstate.cur_new = nullptr;
    highstate.cur_old = nullptr;
    highstate.expect = 0;
    stop_reply_wait();
    highstate.answered_copies = 0;
    highstate.challenge_renewed = 0;
    highstate.password_given = 0;
    highstate.stale_answer = 0;
    highstate.reopens = 0;
    highstate.between_key = 0;
    highstate.copy_watch = nullptr;
    std::memset(highstate.tables_answered, 0, sizeof highstate.tables_answered);
    std::memset(highstate.password, 0, sizeof highstate.password);
    highstate.drain_until = udp_fine_clock();
    highstate_stop_timer(&highstate.reset_timer);
    highstate_stop_timer(&highstate.rescan_timer);
    highstate_stop_timer(&highstate.fw_timer);
    list_dispose(&line_list);
    list_dispose(&route_list);
    list_dispose(&filter_list);
    highstate_release_chain();
}

void highstate_release_chain()
{
    HighstateChain& chain = highstate.chain;
    list_dispose(&chain.lines);
    list_dispose(&chain.routes);
    list_dispose(&chain.filters);
    chain.tables_fn = nullptr;
    chain.count_fn = nullptr;
    chain.routes_new = chain.routes_copy = nullptr;
    chain.filters_new = chain.filters_copy = nullptr;
}

namespace {

// The router that may hold this station: the open one, or the one being
// opened once it had our password (its acceptance may have been lost).
uint32_t router_holding_us()
{
    if (highstate.router_addr != 0)
        return highstate.router_addr;
    return highstate.password_given ? highstate.target_addr : 0;
}

void send_close(uint32_t router, int code)
{
    uint8_t payload[CLOSE_REQUEST_CODE_LEN];
    int n = msg_pack_close_request(payload, sizeof payload, static_cast<uint16_t>(code));
    lowstate_send(router, CLOSE_REQUEST, payload, n, 0, nullptr);
}

// Ends the operation with `code`: the connection is dropped, and `router`,
// when not 0, is told so by the close request carrying the code.
void abandon(uint32_t router, int code)
{
    note_failure();
    highstate_drop_operation();
    disconnect_transport();
    if (router != 0)
        send_close(router, code);
    report(code);
}

}  // namespace

void highstate_transport_error(int code)
{
    if (highstate.state == HIGHSTATE_IDLE)
        return;
    // A router that stopped acknowledging may still hold this station: it
    // is told that the connection ends, should it hear.
    uint32_t router =
        code == LOWSTATE_BUSY || code == LOWSTATE_NO_ACK || code == LOWSTATE_UNEXPECTED_REQUEST
            ? router_holding_us()
            : 0;
    abandon(router, code);
}

void highstate_protocol_error(uint32_t sender, int code)
{
    switch (highstate.state) {
    case HIGHSTATE_IDLE:
        return;
    case HIGHSTATE_OPENING:
    case HIGHSTATE_PASSWORD_ASKED:
        // The open is abandoned: the router is not ours, so it is told
        // nothing, unless it had our password (it may have accepted it), but
        // the caller waiting for the open must learn of it.
        abandon(router_holding_us(), code);
        return;
    default:
        break;
    }
    if (sender != 0 && sender == highstate.router_addr) {
        abandon(sender, code);
        return;
    }
    if (code == STATUS_FIRMWARE_FAILED || code == STATUS_RESET_FAILED) {
        // A time-out: the transport keeps its connection state.
        note_failure();
        highstate_drop_operation();
        report(code);
    }
}

void highstate_fail(int code)
{
    switch (highstate.state) {
    case HIGHSTATE_OPENING:
    case HIGHSTATE_PASSWORD_ASKED:
        highstate_protocol_error(highstate.target_addr, code);
        return;
    default:
        break;
    }
    if (highstate.router_addr != 0 && highstate.state != HIGHSTATE_IDLE) {
        highstate_protocol_error(highstate.router_addr, code);
        return;
    }
    // No router to blame (an operation started without one open): the
    // caller must still hear that it ended.
    abandon(0, code);
}

// The open router may announce that it drops the connection or a channel;
// neither needs an answer, and what follows shows in its later messages.
int highstate_recv_close(uint32_t, uint16_t, const uint8_t*, int)
{
    return 0;
}
int highstate_recv_isdn_close(uint32_t, uint16_t, const uint8_t*, int)
{
    return 0;
}

// The router's answer to a firmware request: the address its image chunks go to.
int highstate_recv_fw_reply(uint32_t, uint16_t, const uint8_t* data, int length)
{
    uint32_t address = 0;
    if (!msg_parse_fw_reply(data, length, &address))
        return STATUS_PROTOCOL_VIOLATION;
    highstate.state = HIGHSTATE_FW_SENDING;
    highstate_stop_timer(&highstate.fw_timer);
    highstate_stop_timer(&highstate.rescan_timer);
    HighstateAddressFn fn = highstate.next.fw_reply;
    highstate_clear_next();
    if (fn != nullptr)
        fn(address);
    return 0;
}
