// The in-process datagram network of the unit tests (see fake_udp.h): the
// system-socket calls of udp_socket.h, answered by a queue per address.
#include "fake_udp.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "myutil.h"
#include "udp.h"
#include "udp_socket.h"

namespace {

struct Arrival {
    uint32_t sender;
    std::vector<uint8_t> bytes;
};

struct FakeNetwork {
    bool open = false;
    uint16_t port = 0;
    int open_calls = 0;
    int readable = -1;           // eventfd the host watches
    bool raised = false;         // its counter is nonzero
    bool pending = false;        // the endpoint holds datagrams it has not handed on
    std::deque<Arrival> socket;  // waiting at the workstation
    std::vector<FakeUdpPeer*> peers;
    int fail_error = 0;  // armed send failure
    int fail_count = 0;
    int open_error = 0;  // armed open failure
};

FakeNetwork& network()
{
    static FakeNetwork n;
    return n;
}

// The watched descriptor is readable exactly while there is something to take.
void update_readable()
{
    FakeNetwork& n = network();
    if (n.readable < 0)
        return;
    bool want = !n.socket.empty() || n.pending;
    if (want == n.raised)
        return;
    uint64_t value = 1;
    ssize_t done =
        want ? write(n.readable, &value, sizeof value) : read(n.readable, &value, sizeof value);
    if (done == ssize_t(sizeof value))
        n.raised = want;
}

uint32_t subnet_mask()
{
    return myutil_get_my_netmask();
}

bool in_subnet(uint32_t address)
{
    uint32_t mask = subnet_mask();
    return (address & mask) == (my_ip_addr & mask);
}

bool is_broadcast(uint32_t address)
{
    uint32_t mask = subnet_mask();
    return address == 0xFFFFFFFFu ||
           (mask != 0xFFFFFFFFu && in_subnet(address) && (address & ~mask) == ~mask);
}

void to_workstation(uint32_t sender, const std::vector<uint8_t>& bytes)
{
    network().socket.push_back(Arrival{sender, bytes});
    update_readable();
}

// Every peer but `except` that listens on `port` at `address` (or any, for a broadcast).
void to_peers(uint32_t sender, uint32_t address, uint16_t port, const std::vector<uint8_t>& bytes,
              const FakeUdpPeer* except)
{
    bool everyone = is_broadcast(address);
    // A copy: a test may make or destroy peers only between sends, but the
    // list must not move under the loop all the same.
    std::vector<FakeUdpPeer*> peers = network().peers;
    for (FakeUdpPeer* peer : peers) {
        if (peer == except || peer->port() != port)
            continue;
        if (!everyone && peer->address() != address)
            continue;
        TestDatagram d;
        d.from = sender;
        d.port = network().port;
        d.bytes = bytes;
        peer->arrive(d);
    }
}

}  // namespace

// ------------------------------------------------ the system-socket calls

int udp_socket_open(uint16_t port, int* watch)
{
    FakeNetwork& n = network();
    n.open_calls++;
    n.open = false;
    if (n.open_error != 0) {
        int error = n.open_error;
        n.open_error = 0;
        return error;
    }
    if (n.readable < 0)
        n.readable = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (n.readable < 0)
        return errno;
    n.open = true;
    n.port = port;
    n.socket.clear();
    n.pending = false;
    update_readable();
    *watch = n.readable;
    return 0;
}

int udp_socket_receive(uint8_t* buffer, int size, uint32_t* sender)
{
    FakeNetwork& n = network();
    if (!n.open || n.socket.empty() || size <= 0)
        return -1;
    Arrival a = n.socket.front();
    n.socket.pop_front();
    update_readable();
    int length = std::min(int(a.bytes.size()), size);
    if (length > 0)
        std::memcpy(buffer, a.bytes.data(), size_t(length));
    *sender = a.sender;
    return length;
}

int udp_socket_send(uint32_t address, const void* data, size_t length)
{
    FakeNetwork& n = network();
    if (!n.open)
        return EBADF;
    if (n.fail_count > 0) {
        n.fail_count--;
        return n.fail_error;
    }
    if (!is_broadcast(address) && !in_subnet(address))
        return ENETUNREACH;
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::vector<uint8_t> datagram(bytes, bytes + length);
    to_peers(my_ip_addr, address, n.port, datagram, nullptr);
    if (is_broadcast(address) || address == my_ip_addr)
        to_workstation(my_ip_addr, datagram);
    return 0;
}

void udp_socket_set_pending(int pending)
{
    network().pending = pending != 0;
    update_readable();
}

// ------------------------------------------------------------- the peers

FakeUdpPeer::FakeUdpPeer(uint32_t address, uint16_t port) : address_(address), port_(port)
{
    network().peers.push_back(this);
}

FakeUdpPeer::~FakeUdpPeer()
{
    std::vector<FakeUdpPeer*>& peers = network().peers;
    peers.erase(std::remove(peers.begin(), peers.end(), this), peers.end());
}

bool FakeUdpPeer::send_to(uint32_t address, const std::vector<uint8_t>& bytes, uint16_t port)
{
    if (!is_broadcast(address) && !in_subnet(address))
        return false;
    to_peers(address_, address, port, bytes, this);
    FakeNetwork& n = network();
    if (n.open && port == n.port && (address == my_ip_addr || is_broadcast(address)))
        to_workstation(address_, bytes);
    return true;
}

bool FakeUdpPeer::receive(TestDatagram* out, int)
{
    if (inbox_.empty())
        return false;
    *out = inbox_.front();
    inbox_.pop_front();
    return true;
}

std::vector<TestDatagram> FakeUdpPeer::drain(int)
{
    std::vector<TestDatagram> all(inbox_.begin(), inbox_.end());
    inbox_.clear();
    return all;
}

bool FakeUdpPeer::quiet(int)
{
    bool nothing = inbox_.empty();
    inbox_.clear();
    return nothing;
}

// ------------------------------------------------------------ the knobs

void fake_udp_reset()
{
    FakeNetwork& n = network();
    n.socket.clear();
    n.pending = false;
    n.fail_error = 0;
    n.fail_count = 0;
    n.open_error = 0;
    update_readable();
}

void fake_udp_fail_sends(int error, int count)
{
    network().fail_error = error;
    network().fail_count = count;
}

void fake_udp_fail_open(int error)
{
    network().open_error = error;
}

int fake_udp_waiting()
{
    return int(network().socket.size());
}

uint16_t fake_udp_port()
{
    return network().port;
}

int fake_udp_open_calls()
{
    return network().open_calls;
}
