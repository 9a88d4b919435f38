// The back end's one UDP socket and its table of one-shot tick timers.
#include "udp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "host.h"
#include "myutil.h"
#include "records.h"

uint32_t my_ip_addr = 0;

namespace {

struct TimerSlot {
    int32_t ticks;              // ticks still to wait
    UdpTimerFunction function;  // null in a free slot
};

struct Endpoint {
    int socket = -1;                       // open for the rest of the run
    sockaddr_in address_template{};        // AF_INET, our port, address filled per send
    UdpReceiveFunction receive = nullptr;  // gets every accepted datagram
    uint32_t source_filter = 0;            // 0: anyone; else only this sender
    uint8_t buffer[UDP_RECEIVE_BUFFER];    // one buffer for every datagram
    TimerSlot timers[UDP_TIMER_SLOTS];
};

Endpoint endpoint;

// Closes the socket without disturbing the errno being reported.
int fail_with_errno() {
    int error = errno;
    close(endpoint.socket);
    endpoint.socket = -1;
    return error;
}

}  // namespace

int udp_open(UdpReceiveFunction receive, uint16_t port) {
    my_ip_addr = myutil_get_my_ip();
    if (my_ip_addr == 0) return UDP_NO_OWN_ADDRESS;

    // Opened once per run; a second open replaces the first socket.
    if (endpoint.socket >= 0) {
        close(endpoint.socket);
        endpoint.socket = -1;
    }
    endpoint.socket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (endpoint.socket < 0) return errno;
    int on = 1;
    if (setsockopt(endpoint.socket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) return fail_with_errno();

    std::memset(&endpoint.address_template, 0, sizeof endpoint.address_template);
    endpoint.address_template.sin_family = AF_INET;
    endpoint.address_template.sin_port = htons(port);
    endpoint.address_template.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(endpoint.socket, reinterpret_cast<const sockaddr*>(&endpoint.address_template),
             sizeof endpoint.address_template) != 0)
        return fail_with_errno();

    endpoint.source_filter = 0;
    endpoint.receive = receive;
    main_register(udp_read, endpoint.socket);

    for (TimerSlot& slot : endpoint.timers) slot = TimerSlot{0, nullptr};
    main_add_timer(udp_timer_tick, UDP_TICK_SECONDS);
    return 0;
}

void udp_read() {
    if (endpoint.socket < 0) return;
    sockaddr_in from{};
    socklen_t from_length = sizeof from;
    // The host also calls on exceptional conditions, when nothing may be
    // waiting: never block here.
    ssize_t length = recvfrom(endpoint.socket, endpoint.buffer, sizeof endpoint.buffer, MSG_DONTWAIT,
                              reinterpret_cast<sockaddr*>(&from), &from_length);
    if (length < 0) return;
    uint32_t sender = ntohl(from.sin_addr.s_addr);
    if (endpoint.source_filter != 0 && sender != endpoint.source_filter) return;
    if (endpoint.receive == nullptr) return;
    if (sender == my_ip_addr) return;
    endpoint.receive(sender, endpoint.buffer, int(length));
}

int udp_send(uint32_t address, const void* data, size_t length) {
    if (endpoint.socket < 0) return EBADF;
    sockaddr_in to = endpoint.address_template;
    to.sin_addr.s_addr = htonl(address);
    if (sendto(endpoint.socket, data, length, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0) {
        // A failure must never read as success to the caller.
        return errno != 0 ? errno : EIO;
    }
    return 0;
}

uint32_t udp_bind(uint32_t address) {
    endpoint.source_filter = address;
    return address;
}

int udp_start_timer(UdpTimerFunction function, int ticks) {
    for (int i = 0; i < UDP_TIMER_SLOTS; i++) {
        if (endpoint.timers[i].function == nullptr) {
            endpoint.timers[i] = TimerSlot{ticks, function};
            return i;
        }
    }
    return UDP_NO_TIMER;
}

void udp_stop_timer(int slot) {
    if (slot < 0 || slot >= UDP_TIMER_SLOTS) return;
    endpoint.timers[slot] = TimerSlot{0, nullptr};
}

void udp_timer_tick() {
    for (int i = 0; i < UDP_TIMER_SLOTS; i++) {
        TimerSlot& slot = endpoint.timers[i];
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

void* udp_alloc(size_t size) { return myutil_malloc(size); }

void udp_free(void* pointer) { std::free(pointer); }
