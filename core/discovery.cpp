// Finding the routers, asking them for their B-channels, and opening
// (registering with) one router, with its password when it asks for one.
#include <cstring>

#include "engine.h"
#include "highstate.h"
#include "lowstate.h"
#include "messages.h"
#include "myutil.h"
#include "udp.h"

namespace {

void broadcast(uint16_t code)
{
    lowstate_send(highstate.broadcast_addr, code, nullptr, 0, 0, nullptr);
}

// A scan or query is a short chain of one-tick steps, one timer at a time,
// so that a later scan or query can stop what is left of an earlier one.
void start_window(UdpTimerFunction step, int ticks)
{
    highstate.window_timer = udp_start_timer(step, ticks);
}

void stop_window()
{
    highstate_stop_timer(&highstate.window_timer);
    highstate.window_left = 0;
}

// A send that failed while opening: the transport has already reported the
// cause through the error path, whose callback may have started a new
// operation; only an open that is still this one goes back to idle here.
void open_send_failed(uint32_t serial, int32_t state)
{
    if (highstate.serial == serial && highstate.state == state) {
        highstate_drop_operation();
        lowstate_set_connect_state(0, 1, 0);
    }
    if (highstate.error_fn != nullptr)
        highstate.error_fn(-1);
}

}  // namespace

void highstate_scan_net(ScanCallback fn)
{
    if (highstate.state != HIGHSTATE_IDLE)
        return;
    ++highstate.serial;
    stop_window();
    highstate_clear_next();
    highstate.next.scan = fn;
    broadcast(SCAN_REQUEST);
    highstate.window_left = 2;
    start_window(highstate_send_scan, 1);
}

void highstate_send_scan()
{
    highstate.window_timer = HIGHSTATE_NO_TIMER;
    broadcast(SCAN_REQUEST);
    if (--highstate.window_left > 0) {
        start_window(highstate_send_scan, 0);
    } else {
        start_window(highstate_scan_done, 0);
    }
}

void highstate_scan_done()
{
    highstate.window_timer = HIGHSTATE_NO_TIMER;
    ScanCallback fn = highstate.next.scan;
    highstate.next.scan = nullptr;
    if (fn == nullptr)
        return;
    ScanAnswer end{};
    end.status = 1;
    fn(&end);
}

void highstate_get_router_states(RouterStateCallback fn)
{
    if (highstate.state != HIGHSTATE_IDLE)
        return;
    ++highstate.serial;
    stop_window();
    highstate_clear_next();
    highstate.next.states = fn;
    broadcast(STATE_QUERY);
    highstate.window_left = 1;
    start_window(highstate_send_state_query, 1);
}

void highstate_send_state_query()
{
    highstate.window_timer = HIGHSTATE_NO_TIMER;
    broadcast(STATE_QUERY);
    if (--highstate.window_left > 0) {
        start_window(highstate_send_state_query, 0);
    } else {
        start_window(highstate_router_states_done, 0);
    }
}

void highstate_router_states_done()
{
    highstate.window_timer = HIGHSTATE_NO_TIMER;
    RouterStateCallback fn = highstate.next.states;
    highstate.next.states = nullptr;
    if (fn == nullptr)
        return;
    RouterState end{};
    end.status = 1;
    fn(&end);
}

int highstate_open_router(OpenCallback fn, uint32_t address)
{
    if (highstate.state != HIGHSTATE_IDLE || address == 0 || address == highstate.broadcast_addr) {
        return 0;
    }
    uint32_t serial = ++highstate.serial;
    stop_window();
    highstate_clear_next();
    highstate.next.open = fn;
    highstate.target_addr = address;
    highstate.state = HIGHSTATE_OPENING;
    // Another router's reply times say nothing about this one's, and nothing
    // of an earlier registration (a password given, copies awaited) holds.
    rtt_reset(&highstate.reply_rtt, HIGHSTATE_REPLY_RTO);
    highstate.drain_until = udp_fine_clock();
    highstate.password_given = 0;
    highstate.stale_answer = 0;
    highstate.reopens = 0;
    highstate.challenge_renewed = 0;
    std::memset(highstate.password, 0, sizeof highstate.password);
    // A second open from this station only restarts the registration.
    int result = highstate_send_request(address, OPEN_REQUEST, nullptr, 0, HIGHSTATE_ASK_AGAIN, 0);
    if (result < 0)
        open_send_failed(serial, HIGHSTATE_OPENING);
    return result;
}

void highstate_send_password(OpenCallback, uint16_t seq, const char* password, uint16_t seed)
{
    if (highstate.state != HIGHSTATE_PASSWORD_ASKED)
        return;
    if (password == nullptr)
        password = "";
    // A longer password cannot be the right one; the router's own time-out
    // ends the attempt.
    if (std::strlen(password) > static_cast<size_t>(PASSWORD_LEN))
        return;
    if (!highstate.challenge_renewed) {
        highstate.challenge_seq = seq;
        highstate.challenge = seed;
    }
    // Kept for a challenge that replaces this one (an open asked again).
    myutil_copy_text(highstate.password, password);
    highstate_answer_challenge();
}

void highstate_answer_challenge()
{
    uint8_t payload[PASSWORD_REPLY_LEN];
    int n = msg_pack_password_reply(payload, sizeof payload, highstate.challenge_seq,
                                    highstate.password, highstate.challenge);
    // An answer already given may now be refused: it answered another challenge.
    if (highstate.password_given)
        highstate.stale_answer = 1;
    highstate.password_given = 1;
    highstate.answered_challenge = highstate.challenge;
    highstate.answered_challenge_seq = highstate.challenge_seq;
    uint32_t serial = ++highstate.serial;
    // The router's acceptance may be lost after it took the password; it then
    // asks for none any more, so the open is asked again instead.
    int result = highstate_send_request(highstate.target_addr, PASSWORD_REPLY, payload, n,
                                        HIGHSTATE_ASK_BY_OPEN, 0);
    if (result < 0)
        open_send_failed(serial, HIGHSTATE_PASSWORD_ASKED);
}

int highstate_close_router()
{
    if (highstate.state != HIGHSTATE_CONNECTED)
        return 0;
    uint32_t router = highstate.router_addr;
    ++highstate.serial;
    highstate_drop_operation();
    lowstate_set_connect_state(0, 1, 0);
    return lowstate_send(router, CLOSE_REQUEST, nullptr, 0, 0, nullptr);
}

int highstate_abandon_router()
{
    uint32_t router = 0;
    switch (highstate.state) {
    case HIGHSTATE_IDLE:
        return 0;
    case HIGHSTATE_CONNECTED:
        return highstate_close_router();
    case HIGHSTATE_OPENING:
    case HIGHSTATE_PASSWORD_ASKED:
    case HIGHSTATE_FW_REQUESTED:
    case HIGHSTATE_FW_SENDING:
    case HIGHSTATE_FW_RESTARTING:
        // The router being opened, or the address the image is loaded under.
        router = highstate.target_addr;
        break;
    default:
        router = highstate.router_addr;
        break;
    }
    ++highstate.serial;
    highstate_drop_operation();
    lowstate_set_connect_state(0, 1, 0);
    if (router == 0)
        return 0;
    return lowstate_send(router, CLOSE_REQUEST, nullptr, 0, 0, nullptr);
}

int highstate_recv_announce(uint32_t, uint16_t, const uint8_t* data, int length)
{
    ScanAnswer answer{};
    if (!msg_parse_scan_reply(data, length, &answer))
        return STATUS_PROTOCOL_VIOLATION;
    switch (highstate.state) {
    case HIGHSTATE_IDLE:
        if (highstate.next.scan != nullptr)
            highstate.next.scan(&answer);
        return 0;
    case HIGHSTATE_FW_RESTARTING:
        if (answer.router_ip != highstate.target_addr)
            return 0;
        highstate_stop_timer(&highstate.fw_timer);
        highstate_stop_timer(&highstate.rescan_timer);
        break;
    case HIGHSTATE_RESETTING:
        if (answer.router_ip != 0 ||
            std::memcmp(answer.hw, highstate.reset_hwaddr, sizeof answer.hw) != 0) {
            return 0;
        }
        highstate_stop_timer(&highstate.reset_timer);
        highstate_stop_timer(&highstate.rescan_timer);
        break;
    default:
        return 0;
    }
    highstate.state = HIGHSTATE_IDLE;
    ScanCallback fn = highstate.next.announce;
    highstate_clear_next();
    if (fn != nullptr)
        fn(&answer);
    return 0;
}

int highstate_recv_router_state(uint32_t sender, uint16_t, const uint8_t* data, int length)
{
    if (highstate.next.states == nullptr)
        return 0;
    RouterState state{};
    if (!msg_parse_state_reply(sender, data, length, &state))
        return STATUS_PROTOCOL_VIOLATION;
    highstate.next.states(&state);
    return 0;
}

int highstate_recv_password_request(uint32_t, uint16_t seq, const uint8_t* data, int length)
{
    OpenReply reply{};
    if (!msg_parse_password_request(data, length, seq, &reply))
        return STATUS_PROTOCOL_VIOLATION;
    highstate_reply_arrived();
    highstate.state = HIGHSTATE_PASSWORD_ASKED;
    highstate.challenge = reply.seed;
    highstate.challenge_seq = reply.seq;
    highstate.challenge_renewed = 0;
    // The open goes on: its callback also receives the answer to the password.
    if (highstate.next.open != nullptr)
        highstate.next.open(&reply);
    return 0;
}

int highstate_recv_open_reply(uint32_t sender, uint16_t, const uint8_t* data, int length)
{
    OpenReply reply{};
    if (!msg_parse_open_reply(data, length, &reply))
        return STATUS_PROTOCOL_VIOLATION;
    highstate_reply_arrived();
    lowstate_set_connect_state(1, 0, sender);
    highstate.router_addr = sender;
    highstate.state = HIGHSTATE_CONNECTED;
    std::memset(highstate.tables_answered, 0, sizeof highstate.tables_answered);
    OpenCallback fn = highstate.next.open;
    highstate_clear_next();
    if (fn != nullptr)
        fn(&reply);
    return 0;
}

int highstate_recv_open_refused(uint32_t, uint16_t, const uint8_t* data, int length)
{
    OpenReply reply{};
    if (!msg_parse_open_refused(data, length, &reply))
        return STATUS_PROTOCOL_VIOLATION;
    // A refusal of the password may answer a challenge the router had
    // replaced, or a copy of an answer it had taken: the password given is
    // tried once more against a new challenge before it counts as wrong.
    // More than one challenge came (the open reached the router twice): on a
    // network that reorders, the last to arrive need not be the router's.
    bool may_be_stale =
        highstate.stale_answer || highstate.challenge_renewed || highstate_request_reached_twice();
    if (highstate.state == HIGHSTATE_PASSWORD_ASKED && highstate.password_given &&
        reply.reason == STATUS_WRONG_PASSWORD && may_be_stale &&
        highstate.reopens < HIGHSTATE_REOPENS) {
        ++highstate.reopens;
        highstate_reply_arrived();
        highstate.stale_answer = 0;
        uint32_t serial = ++highstate.serial;
        if (highstate_send_request(highstate.target_addr, OPEN_REQUEST, nullptr, 0,
                                   HIGHSTATE_ASK_AGAIN, 0) < 0)
            open_send_failed(serial, HIGHSTATE_PASSWORD_ASKED);
        return 0;
    }
    highstate_reply_arrived();
    highstate.state = HIGHSTATE_IDLE;
    highstate.target_addr = 0;
    OpenCallback fn = highstate.next.open;
    highstate_clear_next();
    if (fn != nullptr)
        fn(&reply);
    return 0;
}
