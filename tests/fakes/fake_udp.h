// An in-process datagram network under the back end's UDP endpoint, for the
// unit tests. It takes the place of the system socket (udp_socket.h) at link
// time, so the endpoint's own rules, the acknowledged layer and the engine
// run unchanged, without namespaces or privileges, in virtual time.
//
// The workstation is the endpoint (its address is my_ip_addr, as udp_open
// found it); routers are FakeUdpPeer objects with addresses of their own.
// The network is the workstation's subnet (myutil's netmask):
//   - a datagram to a peer's address reaches that peer; one to the subnet's
//     broadcast address or to 255.255.255.255 reaches every peer and, as on
//     a real network, the workstation itself;
//   - one to an address of the subnet that no peer has is lost;
//   - a send to an address outside the subnet fails with ENETUNREACH.
// Only datagrams to the port the endpoint opened reach it, and a peer gets
// only those sent to its own port. What reaches the workstation waits in
// its socket until the endpoint reads it; the descriptor registered with the
// host is readable while anything waits there or the endpoint has marked
// datagrams pending, so fake_host_pump works as over a real socket (with no
// wait needed: everything has arrived by the time send_to returns).
//
//     FakeUdpPeer router(test_net_router_ip(1));
//     router.send_to(TEST_NET_WORKSTATION_IP, test_frame(0x3001, 0, payload));
//     fake_host_pump(0);                  // the endpoint reads it
//     TestDatagram got;
//     ASSERT_TRUE(router.receive(&got));  // what the back end sent back
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "test_network.h"
#include "test_socket.h"

// One router's socket on the fake network: the same calls as TestSocket,
// none of which ever waits (the wait arguments are accepted and ignored).
class FakeUdpPeer {
public:
    explicit FakeUdpPeer(uint32_t address, uint16_t port = TEST_NET_PORT);
    ~FakeUdpPeer();
    FakeUdpPeer(const FakeUdpPeer&) = delete;
    FakeUdpPeer& operator=(const FakeUdpPeer&) = delete;

    bool ok() const { return true; }
    const std::string& error() const { return error_; }
    uint32_t address() const { return address_; }
    uint16_t port() const { return port_; }

    // Sends the bytes to address:port; false when the address is outside
    // the workstation's subnet (nothing is sent then).
    bool send_to(uint32_t address, const std::vector<uint8_t>& bytes,
                 uint16_t port = TEST_NET_PORT);
    // The oldest datagram this peer got; false when none is waiting.
    bool receive(TestDatagram* out, int wait_ms = 0);
    // Every datagram waiting, oldest first.
    std::vector<TestDatagram> drain(int wait_ms = 0);
    // True when nothing waits (what did wait is consumed).
    bool quiet(int wait_ms = 0);

    // Called by the network.
    void arrive(const TestDatagram& d) { inbox_.push_back(d); }

private:
    uint32_t address_;
    uint16_t port_;
    std::string error_;
    std::deque<TestDatagram> inbox_;
};

// Forgets the datagrams waiting at the workstation and every armed fault.
// Peers stay on the network until they are destroyed.
void fake_udp_reset();

// The endpoint's next `count` sends fail with `error`; nothing leaves.
void fake_udp_fail_sends(int error, int count = 1);

// The next opening of the socket fails with `error` (once).
void fake_udp_fail_open(int error);

// Datagrams waiting in the workstation's socket, not yet read by the endpoint.
int fake_udp_waiting();

// The port the endpoint opened (0 before), and how many times it opened.
uint16_t fake_udp_port();
int fake_udp_open_calls();
