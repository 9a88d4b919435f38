// The protocol side of one simulated router: what it does with each datagram
// addressed to it, and its one-second housekeeping. The program around it
// (main.cpp) owns the socket, the clock and the files and lends them through
// PeerHost.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "model.h"
#include "wire.h"

constexpr size_t ROUTER_CHUNK = 500;            // image bytes in every chunk but the last
constexpr size_t ROUTER_MAX_IMAGE = 16u << 20;  // bytes; chunks beyond are refused
constexpr uint32_t ROUTER_BROADCAST = 0xFFFFFFFFu;

// What a router may ask of the program that runs it.
class PeerHost {
public:
    virtual ~PeerHost() = default;
    // Sends a whole datagram from one of the router's addresses, after
    // delay_ms (0: at once).
    virtual void send(uint32_t from, uint32_t to, const Bytes& datagram, int delay_ms) = 0;
    // Writes a readable event line for the router.
    virtual void event(const PeerRouter& r, const std::string& text) = 0;
    // The router's state changed: the state file is to be written again.
    virtual void changed() = 0;
    // Runs fn once, delay_ms from now.
    virtual void after(int delay_ms, std::function<void()> fn) = 0;
    // Makes `address` local to the namespace (on the interface a request
    // came in on, when known); false when that fails.
    virtual bool ensure_address(uint32_t address, int ifindex) = 0;
    // Writes the router's received image to its file; the path, or "" on failure.
    virtual std::string save_image(const PeerRouter& r) = 0;
};

// One received datagram, as the router sees it.
struct PeerInput {
    uint32_t from;  // sender
    uint32_t to;    // destination address of the datagram (maybe a broadcast)
    int ifindex;    // interface it came in on, or 0
    uint16_t code;  // header fields
    uint16_t seq;
    const uint8_t* payload;  // bytes after the header
    size_t len;
};

// Prepares a router read from the script for its run (random generators).
void router_start(PeerRouter& r);
// True when a datagram sent to `address` is for this router.
bool router_owns(const PeerRouter& r, uint32_t address);
// Handles one datagram addressed to the router (or broadcast).
void router_receive(PeerRouter& r, PeerHost& host, const PeerInput& in);
// Once a second: connected channels count their time.
void router_second(PeerRouter& r);
