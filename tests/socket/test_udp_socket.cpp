// The UDP endpoint over a real socket in the workstation namespace of a test
// network: what the system socket adds to the endpoint's rules (ports,
// broadcast, the own broadcast coming back, cut datagrams, system errors,
// the descriptor the host watches, and room for the answers of a large
// network).
#include <dirent.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "fake_host.h"
#include "myutil.h"
#include "records.h"
#include "test_network.h"
#include "test_socket.h"
#include "udp.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Arrival {
    uint32_t sender;
    Bytes bytes;
};
std::vector<Arrival> arrivals;

void on_datagram(uint32_t sender, const uint8_t* data, int length)
{
    arrivals.push_back(Arrival{sender, Bytes(data, data + length)});
}

int open_descriptors()
{
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr)
            count++;
        closedir(dir);
    }
    return count;
}

bool watched_readable()
{
    pollfd p{fake_host_socket(), POLLIN, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0;
}

// Calls the host's socket callback as long as its descriptor is readable.
void pump_all()
{
    while (fake_host_pump(200) > 0) {
    }
}

class UdpSocket : public ::testing::Test {
protected:
    void SetUp() override
    {
        TEST_NETWORK_REQUIRE(net);
        arrivals.clear();
        fake_host_reset();
        myutil_set_config(net.workstation_ip(), TEST_NET_NETMASK, 0);
        {
            auto inside = net.enter(net.workstation());
            ASSERT_TRUE(inside.ok());
            ASSERT_EQ(udp_open(on_datagram, TEST_NET_PORT), 0);
        }
        r1 = std::make_unique<TestSocket>(net, net.router(1));
        r2 = std::make_unique<TestSocket>(net, net.router(2));
        ASSERT_TRUE(r1->ok() && r2->ok());
    }
    void TearDown() override
    {
        udp_bind(0);
        myutil_set_config(0, 0, 1);
    }

    TestNetwork net{2};
    std::unique_ptr<TestSocket> r1;
    std::unique_ptr<TestSocket> r2;
};

TEST_F(UdpSocket, DatagramsAreDeliveredWithTheirSender)
{
    EXPECT_EQ(fake_host_socket_callback(), &udp_read);
    ASSERT_TRUE(r1->send_to(net.workstation_ip(), {1, 2, 3}));
    ASSERT_TRUE(r2->send_to(net.workstation_ip(), {}));
    pump_all();
    ASSERT_EQ(arrivals.size(), 2u);
    EXPECT_EQ(arrivals[0].sender, net.router_ip(1));
    EXPECT_EQ(arrivals[0].bytes, (Bytes{1, 2, 3}));
    EXPECT_EQ(arrivals[1].sender, net.router_ip(2));
    EXPECT_TRUE(arrivals[1].bytes.empty());
    EXPECT_FALSE(watched_readable());
}

TEST_F(UdpSocket, SendsGoToTheSamePortAtThePeerAndBroadcastReachesEveryRouter)
{
    EXPECT_EQ(udp_send(net.router_ip(2), "\x05\x06", 2), 0);
    TestDatagram got;
    ASSERT_TRUE(r2->receive(&got));
    EXPECT_EQ(got.from, net.workstation_ip());
    EXPECT_EQ(got.port, TEST_NET_PORT);
    EXPECT_EQ(got.bytes, (Bytes{5, 6}));
    EXPECT_TRUE(r1->quiet());

    EXPECT_EQ(udp_send(TEST_NET_BROADCAST_IP, "\x07", 1), 0);
    for (TestSocket* router : {r1.get(), r2.get()}) {
        ASSERT_TRUE(router->receive(&got));
        EXPECT_EQ(got.bytes, (Bytes{7}));
    }
}

TEST_F(UdpSocket, OwnBroadcastComingBackIsNotDelivered)
{
    ASSERT_EQ(udp_send(TEST_NET_BROADCAST_IP, "\x01", 1), 0);
    EXPECT_EQ(fake_host_pump(), 1);  // the copy came back and was read
    EXPECT_TRUE(arrivals.empty());
    EXPECT_FALSE(watched_readable());
}

TEST_F(UdpSocket, LongDatagramIsCutToTheReceiveBuffer)
{
    Bytes big(600);
    for (size_t i = 0; i < big.size(); i++)
        big[i] = uint8_t(i);
    ASSERT_TRUE(r1->send_to(net.workstation_ip(), big));
    ASSERT_TRUE(r1->send_to(net.workstation_ip(), Bytes(UDP_RECEIVE_BUFFER, 0x5A)));
    pump_all();
    ASSERT_EQ(arrivals.size(), 2u);
    EXPECT_EQ(arrivals[0].bytes, Bytes(big.begin(), big.begin() + UDP_RECEIVE_BUFFER));
    EXPECT_EQ(arrivals[1].bytes, Bytes(UDP_RECEIVE_BUFFER, 0x5A));
}

TEST_F(UdpSocket, ReadingWithNothingWaitingReturnsAtOnce)
{
    // The host also calls on exceptional conditions; a blocking read would
    // hang the program. The alarm ends the test instead of hanging it.
    alarm(5);
    udp_read();
    alarm(0);
    EXPECT_TRUE(arrivals.empty());
}

// The answers to one scan of a large network arrive within milliseconds,
// before the host calls once: every one of them must still be there to read.
TEST_F(UdpSocket, AThousandRoutersAnsweringThreeTimesAreAllRead)
{
    constexpr int ANSWERS = 3000;
    for (int i = 0; i < ANSWERS; ++i) {
        ASSERT_TRUE(r1->send_to(
            net.workstation_ip(),
            {uint8_t(i >> 8), uint8_t(i), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    }
    pump_all();
    ASSERT_EQ(arrivals.size(), size_t(ANSWERS));
    for (int i = 0; i < ANSWERS; ++i) {
        ASSERT_EQ(arrivals[size_t(i)].bytes[0] << 8 | arrivals[size_t(i)].bytes[1], i)
            << "in order";
    }
}

// One datagram per call; the host's descriptor stays readable as long as
// any is left, in the socket or already taken out of it, and the order of
// arrival holds throughout.
TEST_F(UdpSocket, OneDatagramPerCallWhileTheDescriptorStaysReadable)
{
    for (uint8_t i = 1; i <= 5; ++i)
        ASSERT_TRUE(r1->send_to(net.workstation_ip(), {i}));
    usleep(50 * 1000);
    ASSERT_TRUE(watched_readable());
    udp_read();
    ASSERT_EQ(arrivals.size(), 1u);
    ASSERT_TRUE(r2->send_to(net.workstation_ip(), {6}));
    usleep(50 * 1000);
    for (int call = 0; call < 5; ++call) {
        ASSERT_TRUE(watched_readable()) << "call " << call;
        udp_read();
    }
    EXPECT_FALSE(watched_readable());
    std::vector<uint8_t> order;
    for (const Arrival& a : arrivals)
        order.push_back(a.bytes[0]);
    EXPECT_EQ(order, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
}

TEST_F(UdpSocket, FailedSendReturnsTheSystemError)
{
    EXPECT_EQ(udp_send(0xC0000201, "\x01", 1), ENETUNREACH);  // 192.0.2.1: no route
    EXPECT_EQ(udp_send(0xFFFFFFFF, "\x01", 1), ENETUNREACH);  // no default route either
}

TEST_F(UdpSocket, LimitedBroadcastLeavesWithADefaultRoute)
{
    ASSERT_TRUE(net.add_default_route(net.workstation()));
    EXPECT_EQ(udp_send(0xFFFFFFFF, "\x09", 1), 0);
    TestDatagram got;
    ASSERT_TRUE(r1->receive(&got));
    EXPECT_EQ(got.bytes, (Bytes{9}));
}

// --------------------------------------------------------- opening fails ---

TEST(UdpSocketOpen, WithoutAnOwnAddressNothingIsCreated)
{
    fake_host_reset();
    myutil_set_config(0, 0, 1);
    int before = open_descriptors();
    EXPECT_EQ(udp_open(on_datagram, TEST_NET_PORT), UDP_NO_OWN_ADDRESS);
    EXPECT_EQ(open_descriptors(), before);
    EXPECT_EQ(fake_host_register_calls(), 0);
    EXPECT_EQ(fake_host_add_timer_calls(), 0);
}

TEST(UdpSocketOpen, PortInUseReturnsTheErrorAndLeavesNothingOpen)
{
    TestNetwork net(0);
    TEST_NETWORK_REQUIRE(net);
    TestSocket holder(net, net.workstation());
    ASSERT_TRUE(holder.ok());
    fake_host_reset();
    myutil_set_config(net.workstation_ip(), TEST_NET_NETMASK, 0);
    int result = 0;
    int before = 0;
    int after = 0;
    {
        auto inside = net.enter(net.workstation());
        ASSERT_TRUE(inside.ok());
        before = open_descriptors();
        result = udp_open(on_datagram, TEST_NET_PORT);
        after = open_descriptors();
    }
    myutil_set_config(0, 0, 1);
    EXPECT_EQ(result, EADDRINUSE);
    EXPECT_LE(after, before);  // the failed socket is not left open
    EXPECT_EQ(fake_host_register_calls(), 0);
    EXPECT_EQ(fake_host_add_timer_calls(), 0);
}

}  // namespace
