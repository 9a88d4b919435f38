// The back end's UDP endpoint: the rules every received datagram passes, the
// queue between the socket and the layer above, and the table of one-shot
// tick timers. The socket itself is udp_socket.
#include "udp.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "host.h"
#include "myutil.h"
#include "records.h"
#include "udp_socket.h"

uint32_t my_ip_addr = 0;

namespace {

struct TimerSlot {
    int32_t ticks;              // ticks still to wait
    UdpTimerFunction function;  // null in a free slot
};

// A datagram taken from the socket, not yet handed on.
struct QueuedDatagram {
    uint32_t sender;
    int length;  // bytes kept, at most UDP_RECEIVE_BUFFER
    uint8_t data[UDP_RECEIVE_BUFFER];
};

struct Endpoint {
    bool open = false;                          // open for the rest of the run
    UdpReceiveFunction receive = nullptr;       // gets every accepted datagram
    uint32_t source_filter = 0;                 // 0: anyone; else only this sender
    uint8_t buffer[UDP_RECEIVE_BUFFER];         // the datagram being handed on
    QueuedDatagram queue[UDP_QUEUE_DATAGRAMS];  // ring, oldest at `head`
    int head = 0;
    int queued = 0;
    TimerSlot timers[UDP_TIMER_SLOTS];
    TimerSlot fine_timers[UDP_FINE_SLOTS];
    uint32_t fine_clock = 0;  // fine ticks since the endpoint was opened
};

Endpoint endpoint;

// Reads what the socket holds, as far as the queue has room.
void fill_queue()
{
    while (endpoint.queued < UDP_QUEUE_DATAGRAMS) {
        QueuedDatagram& slot =
            endpoint.queue[(endpoint.head + endpoint.queued) % UDP_QUEUE_DATAGRAMS];
        int length = udp_socket_receive(slot.data, UDP_RECEIVE_BUFFER, &slot.sender);
        if (length < 0)
            return;
        slot.length = length;
        endpoint.queued++;
    }
}

// The oldest queued datagram, moved into the receive buffer. The filters
// are applied only now: a datagram handed on before may have changed them.
bool take_next(uint32_t* sender, int* length)
{
    if (endpoint.queued == 0)
        return false;
    const QueuedDatagram& slot = endpoint.queue[endpoint.head];
    *sender = slot.sender;
    *length = slot.length;
    std::memcpy(endpoint.buffer, slot.data, size_t(slot.length));
    endpoint.head = (endpoint.head + 1) % UDP_QUEUE_DATAGRAMS;
    endpoint.queued--;
    return true;
}

bool accepted(uint32_t sender)
{
    if (endpoint.source_filter != 0 && sender != endpoint.source_filter)
        return false;
    if (endpoint.receive == nullptr)
        return false;
    return sender != my_ip_addr;
}

}  // namespace

int udp_open(UdpReceiveFunction receive, uint16_t port)
{
    my_ip_addr = myutil_get_my_ip();
    if (my_ip_addr == 0)
        return UDP_NO_OWN_ADDRESS;

    // Opened once per run; a second open replaces the first socket.
    int watch = -1;
    endpoint.open = false;
    int result = udp_socket_open(port, &watch);
    if (result != 0)
        return result;
    endpoint.open = true;
    endpoint.head = 0;
    endpoint.queued = 0;

    endpoint.source_filter = 0;
    endpoint.receive = receive;
    main_register(udp_read, watch);

    for (TimerSlot& slot : endpoint.timers)
        slot = TimerSlot{0, nullptr};
    for (TimerSlot& slot : endpoint.fine_timers)
        slot = TimerSlot{0, nullptr};
    endpoint.fine_clock = 0;
    main_add_timer(udp_timer_tick, UDP_TICK_SECONDS);
    main_add_fine_timer(udp_fine_tick, UDP_FINE_TICK_MS);
    return 0;
}

void udp_read()
{
    if (!endpoint.open)
        return;
    fill_queue();
    uint32_t sender = 0;
    int length = 0;
    while (take_next(&sender, &length)) {
        // A dropped datagram does not use up the call.
        if (!accepted(sender))
            continue;
        // Set before the hand-over: the receive function may end the program.
        udp_socket_set_pending(endpoint.queued > 0);
        endpoint.receive(sender, endpoint.buffer, length);
        return;
    }
    udp_socket_set_pending(0);
}

int udp_send(uint32_t address, const void* data, size_t length)
{
    if (!endpoint.open)
        return EBADF;
    return udp_socket_send(address, data, length);
}

uint32_t udp_bind(uint32_t address)
{
    endpoint.source_filter = address;
    return address;
}

namespace {

int start_in(TimerSlot* slots, int count, UdpTimerFunction function, int ticks)
{
    for (int i = 0; i < count; i++) {
        if (slots[i].function == nullptr) {
            slots[i] = TimerSlot{ticks, function};
            return i;
        }
    }
    return UDP_NO_TIMER;
}

void stop_in(TimerSlot* slots, int count, int slot)
{
    if (slot < 0 || slot >= count)
        return;
    slots[slot] = TimerSlot{0, nullptr};
}

void tick_in(TimerSlot* slots, int count)
{
    for (int i = 0; i < count; i++) {
        TimerSlot& slot = slots[i];
        if (slot.ticks > 0) {
            slot.ticks--;
        } else if (slot.ticks < 0) {
            slot = TimerSlot{0, nullptr};
        } else if (slot.function != nullptr) {
            UdpTimerFunction function = slot.function;
            slot.function = nullptr;
            function();
        }
    }
}

}  // namespace

int udp_start_timer(UdpTimerFunction function, int ticks)
{
    return start_in(endpoint.timers, UDP_TIMER_SLOTS, function, ticks);
}

void udp_stop_timer(int slot)
{
    stop_in(endpoint.timers, UDP_TIMER_SLOTS, slot);
}

void udp_timer_tick()
{
    tick_in(endpoint.timers, UDP_TIMER_SLOTS);
}

int udp_start_fine_timer(UdpTimerFunction function, int fine_ticks)
{
    return start_in(endpoint.fine_timers, UDP_FINE_SLOTS, function, fine_ticks);
}

void udp_stop_fine_timer(int slot)
{
    stop_in(endpoint.fine_timers, UDP_FINE_SLOTS, slot);
}

void udp_fine_tick()
{
    ++endpoint.fine_clock;
    tick_in(endpoint.fine_timers, UDP_FINE_SLOTS);
}

uint32_t udp_fine_clock()
{
    return endpoint.fine_clock;
}

void* udp_alloc(size_t size)
{
    return myutil_malloc(size);
}

void udp_free(void* pointer)
{
    std::free(pointer);
}
