// A plain UDP socket in a namespace of the test network: the router side of
// a back-end unit test, or a listener beside the simulated router. Bound to
// any address at the given port (so broadcasts arrive), SO_BROADCAST set.
// Every wait is bounded.
//
//     TestSocket router(net, net.router(1));
//     router.send_to(net.workstation_ip(), test_frame(0x0101, 5, {1, 2}));
//     TestDatagram got;
//     ASSERT_TRUE(router.receive(&got));
//     EXPECT_EQ(test_frame_code(got.bytes), 0xFF00);
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "test_network.h"

constexpr int TEST_SOCKET_WAIT_MS = 500;         // default wait for a datagram that should come
constexpr int TEST_SOCKET_QUIET_MS = 100;        // default wait that shows nothing comes
constexpr int TEST_SOCKET_MAX_DATAGRAM = 65536;  // bytes taken of one datagram

// One received datagram.
struct TestDatagram {
    uint32_t from = 0;           // sender address
    uint16_t port = 0;           // sender port
    std::vector<uint8_t> bytes;  // the whole datagram
};

class TestSocket {
public:
    // address 0 binds to any address of the namespace.
    TestSocket(TestNetwork& net, const std::string& ns, uint16_t port = TEST_NET_PORT,
               uint32_t address = 0);
    ~TestSocket();
    TestSocket(const TestSocket&) = delete;
    TestSocket& operator=(const TestSocket&) = delete;

    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const std::string& error() const { return error_; }

    // Sends the bytes to address:port; false when sendto failed.
    bool send_to(uint32_t address, const std::vector<uint8_t>& bytes,
                 uint16_t port = TEST_NET_PORT);
    // Waits at most wait_ms for one datagram; false when none came.
    bool receive(TestDatagram* out, int wait_ms = TEST_SOCKET_WAIT_MS);
    // Every datagram that arrives within wait_ms of the previous one.
    std::vector<TestDatagram> drain(int wait_ms = TEST_SOCKET_QUIET_MS);
    // True when nothing arrives within wait_ms (what did arrive is consumed).
    bool quiet(int wait_ms = TEST_SOCKET_QUIET_MS);

private:
    int fd_ = -1;
    std::string error_;
};

// Frames of the router protocol: big-endian code and sequence, then payload.
std::vector<uint8_t> test_frame(uint16_t code, uint16_t sequence,
                                const std::vector<uint8_t>& payload = {});
uint16_t test_frame_code(const std::vector<uint8_t>& bytes);      // 0 when shorter than 2 bytes
uint16_t test_frame_sequence(const std::vector<uint8_t>& bytes);  // 0 when shorter than 4 bytes
std::vector<uint8_t> test_frame_payload(const std::vector<uint8_t>& bytes);
// The acknowledgement of `sequence`: FF 00 00 00 and the number.
std::vector<uint8_t> test_frame_ack(uint16_t sequence);
