// UDP endpoint and tick timers: the one socket through which the back end
// talks to every router, and a table of one-shot software timers driven by
// the host's 1-second tick.
//
// Addresses are unsigned 32-bit numbers whose most significant byte is the
// first number of the dotted form (0: no address); ports are plain numbers.
// The endpoint reaches the host only through main_register and
// main_add_timer (host.h); the socket itself is udp_socket.h.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int UDP_RECEIVE_BUFFER = 500;    // bytes kept of one datagram; the rest is discarded
constexpr int UDP_QUEUE_DATAGRAMS = 4096;  // datagrams taken from the socket, not yet handed on
constexpr int UDP_TIMER_SLOTS = 10;        // one-shot timers that can be pending at once
constexpr int UDP_NO_TIMER = -1;           // slot id of "no timer" (and of a failed start)
constexpr int UDP_TICK_SECONDS = 1;        // seconds between two calls of udp_timer_tick
constexpr int UDP_FINE_TICK_MS = 250;      // milliseconds between two calls of udp_fine_tick
constexpr int UDP_FINE_PER_TICK = 1000 / UDP_FINE_TICK_MS;  // fine ticks in one tick
constexpr int UDP_FINE_SLOTS = 4;  // one-shot fine timers that can be pending at once

// Called for every accepted datagram. `data` lives in the endpoint's one
// receive buffer and is overwritten by the next datagram.
typedef void (*UdpReceiveFunction)(uint32_t sender, const uint8_t* data, int length);

// A timer's function; it runs inside the tick and may start and stop timers.
typedef void (*UdpTimerFunction)();

// This host's address, stored by udp_open.
extern uint32_t my_ip_addr;

// Opens the endpoint on `port` (the same port is used at the peer), registers
// the socket's watched descriptor, the 1-second tick and the fine tick with
// the host and empties the timer tables.
// 0 on success; UDP_NO_OWN_ADDRESS (-1000) when this host has no address
// (myutil_get_my_ip() is 0); else the errno of the call that failed.
int udp_open(UdpReceiveFunction receive, uint16_t port);

// The host's readable callback; never blocks. It empties the socket into
// the endpoint's queue (so a burst of answers cannot overflow the system's
// buffer between two calls) and hands one accepted datagram to the receive
// function; while more wait, the watched descriptor stays readable and the
// host calls again. One datagram per call: a front end may keep only the
// last record a callback gave it until its next pass.
void udp_read();

// Sends one datagram to `address` at the endpoint's port (a router or the
// broadcast address). 0 when handed to the system, else its errno.
int udp_send(uint32_t address, const void* data, size_t length);

// Source filter: only datagrams from `address` are accepted; 0 accepts
// everyone. Returns `address`.
uint32_t udp_bind(uint32_t address);

// Starts a one-shot timer that fires on the (ticks+1)-th tick from now.
// Returns its slot (0 .. UDP_TIMER_SLOTS-1), or UDP_NO_TIMER when all are taken.
// A negative count empties the slot at the next tick without calling anything.
int udp_start_timer(UdpTimerFunction function, int ticks);

// Empties a slot; ids outside 0 .. UDP_TIMER_SLOTS-1 (UDP_NO_TIMER) are ignored.
void udp_stop_timer(int slot);

// The host's tick callback: one pass over the slots in index order.
void udp_timer_tick();

// The same for the fine tick: a one-shot timer that fires on the
// (fine_ticks+1)-th fine tick from now, for what cannot wait a whole tick.
int udp_start_fine_timer(UdpTimerFunction function, int fine_ticks);
void udp_stop_fine_timer(int slot);
void udp_fine_tick();

// Fine ticks since the endpoint was opened: the back end's clock. Every time
// the back end measures (a router's acknowledgement and reply times) is a
// difference of two readings, so a test drives it with virtual fine ticks.
uint32_t udp_fine_clock();

// Zeroed memory from myutil_malloc (never null); released with udp_free.
void* udp_alloc(size_t size);
void udp_free(void* pointer);
