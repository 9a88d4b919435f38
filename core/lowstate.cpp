// The acknowledged datagram layer between the UDP endpoint and the protocol
// engine: framing, numbering, acknowledgement, retransmission and the
// stale-duplicate filter for the connected router.
#include "lowstate.h"

#include <algorithm>
#include <cstring>

#include "udp.h"

namespace {

enum class SendState { idle, awaiting_ack };

struct RetransmissionCopy {
    uint8_t* datagram = nullptr;  // header and payload, from udp_alloc
    int length = 0;
    uint32_t destination = 0;
    int transmissions = 0;  // retransmissions made so far (0 after the first send)
    int acks = 0;           // acknowledgements of it that came
    uint32_t sent_at = 0;   // the clock (fine ticks) of its first transmission
};

struct Lowstate {
    SendState state = SendState::idle;
    int connected = 0;
    uint32_t router = 0;               // the connected router, 0 when none
    uint32_t counter = 0;              // raised before every acknowledged send
    RetransmissionCopy copy;           // the message that awaits its acknowledgement
    uint16_t last_received = 0;        // last sequence number delivered
    int timer = UDP_NO_TIMER;          // slot of the retransmission timer (fine tick)
    int give_up_timer = UDP_NO_TIMER;  // slot of the give-up timer (tick)
    LowstateReceiveCallback receive = nullptr;
    ErrorCallback error = nullptr;
    LowstateAckCallback ack = nullptr;
    LowstateAnswerCheck answer_check = nullptr;  // is a numbered datagram the awaited reply?
    RttEstimate rtt{};                           // acknowledgement times of ...
    uint32_t rtt_router = 0;                     // ... this router (0: none yet)
    int doubled = 0;  // messages sent once and acknowledged more than once
};

Lowstate layer;

uint16_t get_u16(const uint8_t* p)
{
    return uint16_t(p[0] << 8 | p[1]);
}

void put_u16(uint8_t* p, uint16_t value)
{
    p[0] = uint8_t(value >> 8);
    p[1] = uint8_t(value);
}

bool is_ack_class(uint16_t code)
{
    return (code & 0xFF00) == LOWSTATE_ACK_CLASS;
}

void report(int code)
{
    if (layer.error != nullptr)
        layer.error(code);
}

void stop_retransmission()
{
    udp_stop_fine_timer(layer.timer);
    layer.timer = UDP_NO_TIMER;
    udp_stop_timer(layer.give_up_timer);
    layer.give_up_timer = UDP_NO_TIMER;
}

void back_to_idle()
{
    stop_retransmission();
    layer.state = SendState::idle;
}

// Header and payload in new memory of exactly the datagram's length.
uint8_t* frame(uint16_t code, uint16_t sequence, const void* data, int length)
{
    int payload = (data != nullptr && length > 0) ? length : 0;
    auto* datagram = static_cast<uint8_t*>(udp_alloc(size_t(LOWSTATE_HEADER + payload)));
    put_u16(datagram + LOWSTATE_OFF_CODE, code);
    put_u16(datagram + LOWSTATE_OFF_SEQ, sequence);
    if (payload > 0)
        std::memcpy(datagram + LOWSTATE_OFF_PAYLOAD, data, size_t(payload));
    return datagram;
}

// A plain message leaves the retransmission copy alone, so an outstanding
// acknowledged one keeps being retransmitted and can still be acknowledged.
int send_plain(uint32_t address, uint16_t code, const void* data, int length)
{
    int payload = (data != nullptr && length > 0) ? length : 0;
    uint8_t* datagram = frame(code, 0, data, length);
    int result = udp_send(address, datagram, size_t(LOWSTATE_HEADER + payload));
    udp_free(datagram);
    if (result != 0) {
        report(result);
        return -1;
    }
    return 0;
}

// A router's acknowledgement times say nothing about another's.
void estimate_for(uint32_t address)
{
    if (address != layer.rtt_router || layer.rtt.rto_ms == 0) {
        rtt_reset(&layer.rtt, LOWSTATE_RTO);
        layer.rtt_router = address;
    }
}

// The repeat and give-up timers of a message about to be awaited. Without
// them it could neither be repeated nor given up: it is refused as busy
// before anything is sent (false).
bool start_timers(int* timer, int* give_up)
{
    *timer = udp_start_fine_timer(lowstate_retransmit, rtt_timeout_fine(layer.rtt));
    *give_up = udp_start_timer(lowstate_give_up, GIVE_UP_TICKS);
    if (*timer != UDP_NO_TIMER && *give_up != UDP_NO_TIMER)
        return true;
    udp_stop_fine_timer(*timer);
    udp_stop_timer(*give_up);
    report(LOWSTATE_BUSY);
    return false;
}

// Sends the held copy and awaits its acknowledgement with the timers just
// started; a failed send frees them again. The send counter, or -1.
int transmit_copy(int timer, int give_up)
{
    int result = udp_send(layer.copy.destination, layer.copy.datagram, size_t(layer.copy.length));
    if (result != 0) {
        udp_stop_fine_timer(timer);
        udp_stop_timer(give_up);
        report(result);
        return -1;
    }
    layer.timer = timer;
    layer.give_up_timer = give_up;
    layer.state = SendState::awaiting_ack;
    return int(layer.counter);
}

int send_acknowledged(uint32_t address, uint16_t code, const void* data, int length,
                      LowstateAckCallback ack)
{
    estimate_for(address);
    int timer = UDP_NO_TIMER;
    int give_up = UDP_NO_TIMER;
    if (!start_timers(&timer, &give_up))
        return -1;
    layer.counter++;
    int payload = (data != nullptr && length > 0) ? length : 0;
    udp_free(layer.copy.datagram);
    layer.copy.datagram = frame(code, uint16_t(layer.counter), data, length);
    layer.copy.length = LOWSTATE_HEADER + payload;
    layer.copy.destination = address;
    layer.copy.transmissions = 0;
    layer.copy.acks = 0;
    layer.copy.sent_at = udp_fine_clock();
    layer.ack = ack;
    return transmit_copy(timer, give_up);
}

// Serial order of 16-bit numbers: `number` came before `last` when it is at
// most half the number space behind it. A plain comparison would take every
// number after the router's counter wrapped for an old one.
bool is_older(uint16_t number, uint16_t last)
{
    uint16_t behind = uint16_t(last - number);
    return behind != 0 && behind <= 0x8000;
}

// 0 is never a number in use: nothing has been received yet.
bool is_stale(uint32_t sender, uint16_t sequence)
{
    return layer.connected && sender == layer.router && sequence != 0 && layer.last_received != 0 &&
           (sequence == layer.last_received || is_older(sequence, layer.last_received));
}

// A further acknowledgement of the last message, after the first ended its
// wait: the router had it more than once.
void count_late_ack(uint32_t sender, const uint8_t* data, int length)
{
    if (data == nullptr || length < 2 || layer.copy.datagram == nullptr)
        return;
    if (uint32_t(get_u16(data)) == layer.counter && sender == layer.copy.destination &&
        layer.copy.acks > 0) {
        ++layer.copy.acks;
        if (layer.copy.transmissions == 0)
            ++layer.doubled;
    }
}

// A number the router has not used yet in this connection: neither the last
// one delivered nor older than it.
bool is_fresh(uint16_t sequence)
{
    return layer.last_received == 0 ||
           (sequence != layer.last_received && !is_older(sequence, layer.last_received));
}

// The connected router's numbered reply to the awaited message: its arrival
// shows that the message arrived, whatever became of the acknowledgement.
bool answers_awaited(uint32_t sender, uint16_t code, uint16_t sequence)
{
    return layer.answer_check != nullptr && sender == layer.copy.destination &&
           is_fresh(sequence) && layer.answer_check(sender, code) != 0;
}

void deliver(uint32_t sender, uint16_t code, uint16_t sequence, const uint8_t* data, int length)
{
    if (is_ack_class(code)) {
        count_late_ack(sender, data, length);
        return;
    }
    if (is_stale(sender, sequence))
        return;
    if (layer.receive != nullptr)
        layer.receive(sender, code, sequence, data, length);
    if (sequence != 0)
        layer.last_received = sequence;
}

void await_ack(uint32_t sender, uint16_t code, uint16_t sequence, const uint8_t* data, int length)
{
    if (is_ack_class(code)) {
        // The acknowledged number is the 2-byte payload; anything shorter
        // acknowledges nothing.
        if (data == nullptr || length < 2)
            return;
        if (uint32_t(get_u16(data)) != layer.counter || sender != layer.copy.destination)
            return;
        // Only a message that went out once tells how long this router takes:
        // the acknowledgement of a repeat may answer any copy.
        if (layer.copy.transmissions == 0) {
            rtt_sample(&layer.rtt, LOWSTATE_RTO,
                       rtt_elapsed_ms(layer.copy.sent_at, udp_fine_clock()));
        }
        layer.copy.acks = 1;
        back_to_idle();
        if (layer.ack != nullptr)
            layer.ack(sender, code, sequence, data, length);
        return;
    }
    if (layer.connected && sender == layer.router && sequence != 0) {
        // A copy of a message already handled says nothing new, and ends
        // nothing: it is acknowledged and dropped as it is while idle.
        if (is_stale(sender, sequence))
            return;
        if (answers_awaited(sender, code, sequence)) {
            deliver(sender, code, sequence, data, length);
            return;
        }
        report(LOWSTATE_UNEXPECTED_REQUEST);
        return;
    }
    if (layer.receive != nullptr)
        layer.receive(sender, code, sequence, data, length);
}

}  // namespace

int lowstate_init(uint16_t port, LowstateReceiveCallback receive, ErrorCallback error)
{
    int result = udp_open(lowstate_receive, port);
    if (result != 0)
        return result;
    udp_free(layer.copy.datagram);
    layer = Lowstate{};
    layer.receive = receive;
    layer.error = error;
    return 0;
}

int lowstate_send(uint32_t address, uint16_t code, const void* data, int length, int want_ack,
                  LowstateAckCallback ack)
{
    if (!want_ack)
        return send_plain(address, code, data, length);
    if (layer.state == SendState::awaiting_ack) {
        report(LOWSTATE_BUSY);
        return -1;
    }
    return send_acknowledged(address, code, data, length, ack);
}

void lowstate_set_connect_state(int connected, int keep_filter, uint32_t router)
{
    if (connected) {
        layer.connected = 1;
        layer.router = router;
        // Numbers seen from other routers before (a scan) say nothing about
        // this router's numbering.
        layer.last_received = 0;
        if (router != 0 && !keep_filter)
            udp_bind(router);
        return;
    }
    // A timer left running would count a later message's retransmissions.
    back_to_idle();
    layer.connected = 0;
    layer.last_received = 0;
    layer.counter = 0;
    layer.copy.destination = 0;
    layer.router = router;
    if (router == 0)
        udp_bind(0);
}

void lowstate_set_answer_check(LowstateAnswerCheck check)
{
    layer.answer_check = check;
}

void lowstate_answered(int counter)
{
    if (layer.state != SendState::awaiting_ack || counter <= 0 ||
        uint32_t(counter) != layer.counter)
        return;
    back_to_idle();
}

int lowstate_transmissions()
{
    return layer.copy.datagram != nullptr ? layer.copy.transmissions + 1 : 0;
}

int lowstate_acknowledgements()
{
    return layer.copy.datagram != nullptr ? layer.copy.acks : 0;
}

int lowstate_doubled()
{
    return layer.doubled;
}

const RttEstimate& lowstate_rtt()
{
    return layer.rtt;
}

int lowstate_resend(int counter, LowstateAckCallback ack)
{
    if (layer.copy.datagram == nullptr || counter <= 0 || uint32_t(counter) != layer.counter)
        return 0;
    if (layer.state != SendState::idle) {
        report(LOWSTATE_BUSY);
        return -1;
    }
    int timer = UDP_NO_TIMER;
    int give_up = UDP_NO_TIMER;
    if (!start_timers(&timer, &give_up))
        return -1;
    // A repeat: its acknowledgement is no sample of the router's time.
    layer.copy.transmissions++;
    layer.ack = ack;
    return transmit_copy(timer, give_up);
}

int lowstate_awaiting_ack()
{
    return layer.state == SendState::awaiting_ack ? 1 : 0;
}

void lowstate_receive(uint32_t sender, const uint8_t* data, int length)
{
    // Without a whole header there is neither a code nor a number to trust.
    if (data == nullptr || length < LOWSTATE_HEADER)
        return;
    uint16_t code = get_u16(data + LOWSTATE_OFF_CODE);
    uint16_t sequence = get_u16(data + LOWSTATE_OFF_SEQ);
    const uint8_t* payload = length > LOWSTATE_HEADER ? data + LOWSTATE_OFF_PAYLOAD : nullptr;
    int payload_length = length - LOWSTATE_HEADER;

    if (sequence != 0) {
        uint8_t ack[LOWSTATE_ACK_LENGTH];
        put_u16(ack + LOWSTATE_OFF_CODE, LOWSTATE_ACK_CODE);
        put_u16(ack + LOWSTATE_OFF_SEQ, 0);
        put_u16(ack + LOWSTATE_OFF_PAYLOAD, sequence);
        int result = udp_send(sender, ack, sizeof ack);
        if (result != 0)
            report(result);
    }

    if (layer.state == SendState::idle)
        deliver(sender, code, sequence, payload, payload_length);
    else
        await_ack(sender, code, sequence, payload, payload_length);
}

void lowstate_retransmit()
{
    // The slot is free again the moment the timer fires; keeping its number
    // would let a later stop cancel whichever timer takes it next.
    layer.timer = UDP_NO_TIMER;
    if (layer.state != SendState::awaiting_ack)
        return;
    layer.copy.transmissions++;
    udp_send(layer.copy.destination, layer.copy.datagram, size_t(layer.copy.length));
    // The router is slower than thought, or the network lost the message:
    // either way the next repeat waits twice as long, up to
    // LOWSTATE_BACKOFF_MS (or the time this router was found to take):
    // within the give-up's twelve ticks a lossy network then gets seven or
    // eight tries instead of five.
    RttLimits backoff = LOWSTATE_RTO;
    backoff.ceiling_ms = std::max(LOWSTATE_BACKOFF_MS, layer.rtt.rto_ms);
    rtt_back_off(&layer.rtt, backoff);
    // Without a slot there are no more repeats; the give-up still ends the wait.
    layer.timer = udp_start_fine_timer(lowstate_retransmit, rtt_timeout_fine(layer.rtt));
}

void lowstate_give_up()
{
    layer.give_up_timer = UDP_NO_TIMER;
    if (layer.state != SendState::awaiting_ack)
        return;
    back_to_idle();
    report(LOWSTATE_NO_ACK);
}
