// Router settings, password change, accounting, line monitor, connections by
// hand and the reset of the open router.
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "engine.h"
#include "highstate.h"
#include "lowstate.h"
#include "messages.h"
#include "myutil.h"
#include "udp.h"

namespace {

// The password change being made, kept for the check of a refusal.
struct PasswordChange {
    char new_password[PASSWORD_LEN + 1];
    int exclusive;
    bool checking;  // the check is under way
};
PasswordChange change = {};

void send_password_change(const char* new_password, const char* current, int exclusive);

// A password change the router may have had more than once: a router that
// handled it twice refuses the second arrival (the current password it
// carries was replaced by the first). Whether the first was taken is asked
// by proving the new password and setting it again, which changes nothing;
// the answer to that check is the answer to the change.
bool check_refused_change(uint16_t awaited, uint16_t status)
{
    bool twice = highstate_request_reached_twice();
    if (awaited != SET_PASSWORD_REPLY || status != STATUS_WRONG_PASSWORD || change.checking ||
        !twice)
        return false;
    change.checking = true;
    highstate_reply_arrived();
    DoneCallback fn = highstate.next.status;
    send_password_change(change.new_password, change.new_password, change.exclusive);
    highstate.next.status = fn;
    return true;
}

// Settings and password replies: the router's status ends the exchange.
int status_reply(uint16_t awaited, const uint8_t* data, int length)
{
    if (highstate.expect != awaited)
        return STATUS_UNEXPECTED_MESSAGE;
    uint16_t status = 0;
    if (!msg_parse_status_reply(data, length, &status))
        return STATUS_PROTOCOL_VIOLATION;
    if (check_refused_change(awaited, status))
        return 0;
    highstate_reply_arrived();
    highstate.state = HIGHSTATE_CONNECTED;
    DoneCallback fn = highstate.next.status;
    highstate_clear_next();
    if (status != STATUS_OK)
        return status;
    if (fn != nullptr)
        fn(STATUS_OK);
    return 0;
}

// Read and reset, position by position: a plain read first gives a lower
// bound of the counters (they only grow), then the read and reset. A reset
// reply below that bound is not the first reset's (the router handled the
// request twice, and what it counted since the first is all it reports):
// the counters of that line target are doubtful, and marked so.
struct ResetWalk {
    bool reading_bound;                // the plain read of the position is under way
    AccountingCounters bound;          // what it gave
    bool verifying;                    // the plain read after a reset reply taken unacknowledged
    AccountingCounters taken;          // that reply
    int watched;                       // the position whose reset reply copies are compared ...
    AccountingCounters watched_reply;  // ... with the reply taken for it
    bool doubtful[MAX_LINE_TARGETS];   // by position
};
ResetWalk reset_walk = {};

bool below(const AccountingCounters& got, const AccountingCounters& bound)
{
    return got.charge < bound.charge || got.calls_out < bound.calls_out ||
           got.calls_in < bound.calls_in || got.packets_out < bound.packets_out ||
           got.packets_in < bound.packets_in || got.bytes_out < bound.bytes_out ||
           got.bytes_in < bound.bytes_in;
}

// A copy of a reset reply that comes after the one taken: lower counters
// show that the router handled the reset again (the network brought it
// twice), and what it had counted in between is gone.
void watch_reset_copy(uint16_t code, const uint8_t* data, int length)
{
    AccountingCounters copy{};
    int position = reset_walk.watched;
    if (code != GET_ACCOUNTING_REPLY || position < 0 || position >= MAX_LINE_TARGETS ||
        !msg_parse_accounting(data, length, &copy))
        return;
    if (below(copy, reset_walk.watched_reply))
        reset_walk.doubtful[position] = true;
}

void send_accounting(uint8_t mode)
{
    uint8_t payload[GET_ACCOUNTING_REQUEST_LEN];
    int n = msg_pack_get_accounting(payload, sizeof payload, mode,
                                    static_cast<uint16_t>(highstate.count));
    highstate.expect = GET_ACCOUNTING_REPLY;
    highstate.state = HIGHSTATE_REQUEST_PENDING;
    // A plain read is the same twice, and a copy of its reply cannot pass
    // for the next one (the engine orders the exchanges). A read and reset
    // handled twice would return the counters it had just cleared: it is
    // only repeated under its own number, which a router that keeps its
    // replies answers with the kept one.
    highstate_send_request(highstate.router_addr, GET_ACCOUNTING_REQUEST, payload, n,
                           mode == ACCOUNTING_READ ? HIGHSTATE_ASK_AGAIN : HIGHSTATE_ASK_SAME, 0);
}

// The first request of a position: a read and reset begins with the plain
// read of its lower bound.
void send_position(uint8_t mode)
{
    reset_walk.reading_bound = mode == ACCOUNTING_READ_RESET;
    send_accounting(mode == ACCOUNTING_READ_RESET ? ACCOUNTING_READ : mode);
}

void start_accounting(ListCallback fn, ListObject* lines, uint8_t mode, HighstateCountersFn step)
{
    reset_walk = ResetWalk{};
    reset_walk.watched = -1;
    highstate.copy_watch = nullptr;
    if (lines == nullptr || lines->head == nullptr) {
        if (fn != nullptr)
            fn(lines);
        return;
    }
    ++highstate.serial;
    highstate.count = 0;
    highstate.done.list = fn;
    highstate.list_new = lines;
    highstate.cur_new = lines->head;
    highstate_clear_next();
    highstate.next.counters = step;
    send_position(mode);
}

// The walk is over: the list goes back to the caller.
void finish_walk()
{
    highstate.copy_watch = nullptr;
    ListObject* lines = highstate.list_new;
    highstate.list_new = nullptr;
    ListCallback fn = highstate.done.list;
    highstate.done.list = nullptr;
    highstate_clear_next();
    if (fn != nullptr)
        fn(lines);
}

uint32_t watch_serial = 0;

// The wait for copies of the last reset reply is over, unless the walk was
// dropped meanwhile.
void finish_after_watch()
{
    if (highstate.serial != watch_serial || highstate.list_new == nullptr)
        return;
    finish_walk();
}

// The counters of the line target at the walk's position; then the next
// position, or the list back to the caller.
void accounting_step(const AccountingCounters* counters, uint8_t mode)
{
    ListNode* node = highstate.cur_new;
    if (node == nullptr)
        return;
    if (node->element != nullptr)
        static_cast<LineTarget*>(node->element)->counters = *counters;
    ++highstate.count;
    highstate.cur_new = node->next;
    if (highstate.cur_new != nullptr) {
        send_position(mode);
        return;
    }
    // A copy of the last reset reply may still come: the list goes back
    // once it had its time.
    int32_t left = int32_t(highstate.drain_until - udp_fine_clock());
    if (highstate.copy_watch != nullptr && left > 0) {
        watch_serial = highstate.serial;
        if (udp_start_fine_timer(finish_after_watch, left - 1) != UDP_NO_TIMER)
            return;
    }
    finish_walk();
}

// A settings or password request: its reply ends the exchange.
void send_status_request(DoneCallback fn, uint16_t code, uint16_t reply, const uint8_t* payload,
                         int n, HighstateRepeat repeat)
{
    ++highstate.serial;
    highstate.expect = reply;
    highstate.state = HIGHSTATE_REQUEST_PENDING;
    highstate_clear_next();
    highstate.next.status = fn;
    highstate_send_request(highstate.router_addr, code, payload, n, repeat, 0);
}

// The router being reset, and the scans made since its reset request.
uint32_t reset_router = 0;
int reset_scans = 0;

bool router_open()
{
    return highstate.state >= HIGHSTATE_CONNECTED && highstate.router_addr != 0;
}

}  // namespace

void highstate_put_router_data(DoneCallback fn, const RouterSettings* settings)
{
    if (settings == nullptr) {
        highstate_fail(STATUS_BAD_ENTRY);
        return;
    }
    uint8_t payload[PUT_ROUTER_DATA_REQUEST_LEN];
    int n = msg_pack_router_data(payload, sizeof payload, settings);
    // The same settings set twice are the same settings.
    send_status_request(fn, PUT_ROUTER_DATA_REQUEST, PUT_ROUTER_DATA_REPLY, payload, n,
                        HIGHSTATE_ASK_AGAIN);
}

void highstate_set_password(DoneCallback fn, const char* new_password, const char* current,
                            int exclusive)
{
    change = PasswordChange{};
    myutil_copy_text(change.new_password, new_password != nullptr ? new_password : "");
    change.exclusive = exclusive;
    ++highstate.serial;
    highstate.expect = SET_PASSWORD_REPLY;
    highstate.state = HIGHSTATE_REQUEST_PENDING;
    highstate_clear_next();
    highstate.next.status = fn;
    send_password_change(new_password != nullptr ? new_password : "",
                         current != nullptr ? current : "", exclusive);
}

namespace {

void send_password_change(const char* new_password, const char* current, int exclusive)
{
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    uint16_t seed = static_cast<uint16_t>(std::rand() & 0xFFFF);
    uint8_t payload[SET_PASSWORD_REQUEST_LEN];
    int n = msg_pack_set_password(payload, sizeof payload, seed, exclusive, new_password, current);
    highstate.expect = SET_PASSWORD_REPLY;
    highstate.state = HIGHSTATE_REQUEST_PENDING;
    // A second arrival carries the password the first one replaced, and a
    // router that handles it again refuses it: it is only repeated under its
    // own number, and a refusal after more than one arrival is checked.
    highstate_send_request(highstate.router_addr, SET_PASSWORD_REQUEST, payload, n,
                           HIGHSTATE_ASK_SAME, 0);
}

}  // namespace

int highstate_counters_doubtful(int position)
{
    return position >= 0 && position < MAX_LINE_TARGETS && reset_walk.doubtful[position] ? 1 : 0;
}

void highstate_get_accounting(ListCallback fn, ListObject* lines)
{
    start_accounting(fn, lines, ACCOUNTING_READ, highstate_help_accounting);
}

void highstate_get_acc_reset(ListCallback fn, ListObject* lines)
{
    start_accounting(fn, lines, ACCOUNTING_READ_RESET, highstate_help_accreset);
}

void highstate_help_accounting(const AccountingCounters* counters)
{
    accounting_step(counters, ACCOUNTING_READ);
}

void highstate_help_accreset(const AccountingCounters* counters)
{
    if (reset_walk.reading_bound) {
        reset_walk.reading_bound = false;
        reset_walk.bound = *counters;
        send_accounting(ACCOUNTING_READ_RESET);
        return;
    }
    if (reset_walk.verifying) {
        reset_walk.verifying = false;
        // Counters fell: the reset was made, and the reply taken was its
        // own. Otherwise that reply may have been a late copy of the plain
        // read while the reset itself was lost: the reset is made anew, and
        // its reply counts.
        if (!below(*counters, reset_walk.taken)) {
            send_accounting(ACCOUNTING_READ_RESET);
            return;
        }
        counters = &reset_walk.taken;
    } else if (highstate.taken_unacked) {
        // The reply came before the reset's acknowledgement, and nothing but
        // the request arriving could send it on a network that has not been
        // seen to double datagrams. Still, a first doubled copy of the plain
        // read would look the same: a plain read tells whether the counters
        // were reset.
        reset_walk.verifying = true;
        reset_walk.taken = *counters;
        send_accounting(ACCOUNTING_READ);
        return;
    }
    int position = highstate.count;
    if (position >= 0 && position < MAX_LINE_TARGETS)
        reset_walk.doubtful[position] = below(*counters, reset_walk.bound);
    if (highstate_network_doubles()) {
        // The network doubles datagrams: the reset may reach the router
        // twice, and a router that handles it again answers each. The next
        // request waits for such a copy (one reply time-out), and a copy
        // with lower counters marks the position doubtful.
        reset_walk.watched = position;
        reset_walk.watched_reply = *counters;
        highstate.copy_watch = watch_reset_copy;
        highstate.drain_until = udp_fine_clock() + uint32_t(rtt_timeout_fine(highstate.reply_rtt));
    }
    accounting_step(counters, ACCOUNTING_READ_RESET);
}

void highstate_start_linemon(LineMonitorCallback fn)
{
    if (!router_open())
        return;
    highstate.linemon_fn = fn;
    lowstate_send(highstate.router_addr, LINEMON_START_REQUEST, nullptr, 0, 1, nullptr);
}

void highstate_stop_linemon()
{
    if (!router_open())
        return;
    highstate.linemon_fn = nullptr;
    lowstate_send(highstate.router_addr, LINEMON_STOP_REQUEST, nullptr, 0, 1, nullptr);
}

void highstate_open_isdn(int position)
{
    if (highstate.router_addr == 0)
        return;
    uint8_t payload[ISDN_OPEN_REQUEST_LEN];
    int n = msg_pack_isdn_open(payload, sizeof payload, static_cast<uint16_t>(position));
    lowstate_send(highstate.router_addr, ISDN_OPEN_REQUEST, payload, n, 1, nullptr);
}

void highstate_close_isdn(int channel)
{
    if (highstate.router_addr == 0)
        return;
    uint8_t payload[ISDN_CLOSE_REQUEST_LEN];
    int n = msg_pack_isdn_close(payload, sizeof payload, static_cast<uint8_t>(channel));
    lowstate_send(highstate.router_addr, ISDN_CLOSE_REQUEST, payload, n, 1, nullptr);
}

int highstate_reset_router(ScanCallback fn, const uint8_t* hwaddr)
{
    if (highstate.state != HIGHSTATE_CONNECTED || hwaddr == nullptr)
        return 0;
    ++highstate.serial;
    highstate.state = HIGHSTATE_RESETTING;
    highstate_clear_next();
    highstate.next.announce = fn;
    std::memcpy(highstate.reset_hwaddr, hwaddr, sizeof highstate.reset_hwaddr);
    reset_router = highstate.router_addr;
    reset_scans = 0;
    if (lowstate_send(highstate.router_addr, RESET_REQUEST, nullptr, 0, 0, nullptr) < 0) {
        // The transport's error path has ended the reset and reported why;
        // its callback may already run the next operation, whose state and
        // retransmission this call must not touch any more. The reset was
        // started and its end reported, so the caller waits for nothing.
        return 1;
    }
    lowstate_set_connect_state(0, 1, 0);
    highstate_stop_timer(&highstate.rescan_timer);
    highstate_stop_timer(&highstate.reset_timer);
    highstate.rescan_timer = udp_start_timer(highstate_reset_scan, HIGHSTATE_RESCAN_TICKS);
    highstate.reset_timer = udp_start_timer(highstate_reset_timeout, HIGHSTATE_RESET_TICKS);
    return 1;
}

void highstate_reset_scan()
{
    highstate.rescan_timer = HIGHSTATE_NO_TIMER;
    if (highstate.state != HIGHSTATE_RESETTING)
        return;
    // The next scan is set before this one leaves: a failed send ends the
    // reset (and stops that timer) before anything here could run after it.
    highstate.rescan_timer = udp_start_timer(highstate_reset_scan, HIGHSTATE_RESCAN_TICKS);
    // The reset request is unnumbered: a router that has not come back
    // after a scan may never have had it. A second reset of a router that
    // has been reset already leaves it as it is.
    if (reset_scans++ > 0 &&
        lowstate_send(reset_router, RESET_REQUEST, nullptr, 0, 0, nullptr) < 0) {
        return;
    }
    lowstate_send(highstate.broadcast_addr, SCAN_REQUEST, nullptr, 0, 0, nullptr);
}

void highstate_reset_timeout()
{
    highstate.reset_timer = HIGHSTATE_NO_TIMER;
    if (highstate.state != HIGHSTATE_RESETTING)
        return;
    highstate_stop_timer(&highstate.rescan_timer);
    highstate_protocol_error(0, STATUS_RESET_FAILED);
}

int highstate_recv_password_reply(uint32_t, uint16_t, const uint8_t* data, int length)
{
    return status_reply(SET_PASSWORD_REPLY, data, length);
}

int highstate_recv_router_data_reply(uint32_t, uint16_t, const uint8_t* data, int length)
{
    return status_reply(PUT_ROUTER_DATA_REPLY, data, length);
}

int highstate_recv_accounting(uint32_t, uint16_t, const uint8_t* data, int length)
{
    if (highstate.expect != GET_ACCOUNTING_REPLY)
        return STATUS_PROTOCOL_VIOLATION;
    AccountingCounters counters{};
    if (!msg_parse_accounting(data, length, &counters))
        return STATUS_PROTOCOL_VIOLATION;
    highstate_reply_arrived();
    highstate.state = HIGHSTATE_CONNECTED;
    HighstateCountersFn fn = highstate.next.counters;
    if (fn != nullptr)
        fn(&counters);
    return 0;
}

int highstate_recv_linemon(uint32_t, uint16_t, const uint8_t* data, int length)
{
    LineMonitorData report{};
    if (!msg_parse_linemon(data, length, &report))
        return STATUS_PROTOCOL_VIOLATION;
    if (highstate.linemon_fn != nullptr)
        highstate.linemon_fn(&report);
    return 0;
}
