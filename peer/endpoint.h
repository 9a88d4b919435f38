// The peer's one UDP socket: bound to every address of the namespace on the
// router port, told the destination address of each datagram, and able to
// send from whichever local address a router answers on.
#pragma once

#include <cstdint>
#include <string>

#include "wire.h"

constexpr uint16_t ENDPOINT_PORT = 1532;  // the router port, at both ends

// A received datagram.
struct EndpointDatagram {
    uint32_t from;  // sender address
    uint16_t port;  // sender port
    uint32_t to;    // destination address (maybe a broadcast)
    int ifindex;    // interface it arrived on
    Bytes bytes;    // the whole datagram
};

class Endpoint {
public:
    Endpoint() = default;
    ~Endpoint();
    Endpoint(const Endpoint&) = delete;
    Endpoint& operator=(const Endpoint&) = delete;

    // Opens and binds the socket; false with `why` on failure.
    bool open(std::string* why);
    int descriptor() const { return fd_; }
    // Reads one datagram without blocking; false when none is waiting.
    bool receive(EndpointDatagram* d);
    // Sends from a local address to the router port of `to`; 0 or errno.
    int send(uint32_t from, uint32_t to, const Bytes& bytes);

private:
    int fd_ = -1;
};
