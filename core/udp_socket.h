// The system's datagram socket under the UDP endpoint (udp.h): the one place
// where the back end touches the network. The endpoint keeps its own rules
// (source filter, own address, receive buffer, queue, timers) above this
// seam, so they run unchanged over any datagram layer that offers these
// four calls; the unit tests link an in-process one in its place.
//
// Addresses and ports are plain numbers, most significant byte first.
#pragma once

#include <cstddef>
#include <cstdint>

// Kernel receive buffer asked for: a scan of a large network answers with
// thousands of datagrams within milliseconds. The system may grant less.
constexpr int UDP_SOCKET_RECEIVE_BYTES = 2 << 20;

// Opens a socket with broadcast allowed and a large receive buffer, bound
// to `port` on every local address. *watch is the descriptor the host is to
// watch: readable while a datagram waits in the socket or while the endpoint
// says datagrams are pending (udp_socket_set_pending). Returns 0, or the
// errno of the call that failed (nothing is left open then). A second open
// replaces the first.
int udp_socket_open(uint16_t port, int* watch);

// Takes one waiting datagram without blocking: its length, with *sender set
// (at most `size` bytes are kept; the rest of a longer datagram is
// discarded), or -1 when none waits or the read failed.
int udp_socket_receive(uint8_t* buffer, int size, uint32_t* sender);

// Sends one datagram to `address` at the port the socket is bound to (the
// routers use the same port): 0, or the errno of the send.
int udp_socket_send(uint32_t address, const void* data, size_t length);

// pending nonzero keeps the watched descriptor readable although the socket
// itself may be empty: the endpoint holds datagrams it has not handed on.
void udp_socket_set_pending(int pending);
