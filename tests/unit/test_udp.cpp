// The UDP endpoint over the test network, and its tick timers with virtual
// ticks.
#include <dirent.h>
#include <signal.h>
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

void on_datagram(uint32_t sender, const uint8_t* data, int length) {
    arrivals.push_back(Arrival{sender, Bytes(data, data + length)});
}

int open_descriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr) count++;
        closedir(dir);
    }
    return count;
}

// ------------------------------------------------------------ endpoint ---

class UdpEndpoint : public ::testing::Test {
protected:
    void SetUp() override {
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
    void TearDown() override {
        udp_bind(0);
        myutil_set_config(0, 0, 1);
    }

    TestNetwork net{2};
    std::unique_ptr<TestSocket> r1;
    std::unique_ptr<TestSocket> r2;
};

TEST_F(UdpEndpoint, OpenRegistersTheSocketAndAOneSecondTick) {
    EXPECT_EQ(my_ip_addr, net.workstation_ip());
    EXPECT_EQ(fake_host_register_calls(), 1);
    EXPECT_EQ(fake_host_socket_callback(), &udp_read);
    EXPECT_GE(fake_host_socket(), 0);
    EXPECT_EQ(fake_host_add_timer_calls(), 1);
    EXPECT_EQ(fake_host_tick_callback(), &udp_timer_tick);
    EXPECT_EQ(fake_host_tick_seconds(), 1);
}

TEST_F(UdpEndpoint, DatagramsAreDeliveredWithTheirSender) {
    ASSERT_TRUE(r1->send_to(net.workstation_ip(), {1, 2, 3}));
    ASSERT_TRUE(r2->send_to(net.workstation_ip(), {}));
    fake_host_pump();
    ASSERT_EQ(arrivals.size(), 2u);
    EXPECT_EQ(arrivals[0].sender, net.router_ip(1));
    EXPECT_EQ(arrivals[0].bytes, (Bytes{1, 2, 3}));
    EXPECT_EQ(arrivals[1].sender, net.router_ip(2));
    EXPECT_TRUE(arrivals[1].bytes.empty());
}

TEST_F(UdpEndpoint, SendsGoToTheSamePortAtThePeerAndBroadcastReachesEveryRouter) {
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

TEST_F(UdpEndpoint, OwnBroadcastComingBackIsNotDelivered) {
    ASSERT_EQ(udp_send(TEST_NET_BROADCAST_IP, "\x01", 1), 0);
    EXPECT_EQ(fake_host_pump(), 1);  // the copy came back and was read
    EXPECT_TRUE(arrivals.empty());
}

TEST_F(UdpEndpoint, SourceFilterAcceptsOneRouterOnlyUntilCleared) {
    EXPECT_EQ(udp_bind(net.router_ip(1)), net.router_ip(1));
    ASSERT_TRUE(r2->send_to(net.workstation_ip(), {2}));
    ASSERT_TRUE(r1->send_to(net.workstation_ip(), {1}));
    fake_host_pump();
    ASSERT_EQ(arrivals.size(), 1u);
    EXPECT_EQ(arrivals[0].sender, net.router_ip(1));

    EXPECT_EQ(udp_bind(0), 0u);
    ASSERT_TRUE(r2->send_to(net.workstation_ip(), {2}));
    fake_host_pump();
    ASSERT_EQ(arrivals.size(), 2u);
    EXPECT_EQ(arrivals[1].sender, net.router_ip(2));
}

TEST_F(UdpEndpoint, LongDatagramIsCutToTheReceiveBuffer) {
    Bytes big(600);
    for (size_t i = 0; i < big.size(); i++) big[i] = uint8_t(i);
    ASSERT_TRUE(r1->send_to(net.workstation_ip(), big));
    ASSERT_TRUE(r1->send_to(net.workstation_ip(), Bytes(UDP_RECEIVE_BUFFER, 0x5A)));
    fake_host_pump();
    ASSERT_EQ(arrivals.size(), 2u);
    EXPECT_EQ(arrivals[0].bytes, Bytes(big.begin(), big.begin() + UDP_RECEIVE_BUFFER));
    EXPECT_EQ(arrivals[1].bytes, Bytes(UDP_RECEIVE_BUFFER, 0x5A));
}

TEST_F(UdpEndpoint, ReadingWithNothingWaitingReturnsAtOnce) {
    // The host also calls on exceptional conditions; a blocking read would
    // hang the program. The alarm ends the test instead of hanging it.
    alarm(5);
    udp_read();
    alarm(0);
    EXPECT_TRUE(arrivals.empty());
}

TEST_F(UdpEndpoint, FailedSendReturnsTheSystemError) {
    EXPECT_EQ(udp_send(0xC0000201, "\x01", 1), ENETUNREACH);  // 192.0.2.1: no route
    EXPECT_EQ(udp_send(0xFFFFFFFF, "\x01", 1), ENETUNREACH);  // no default route either
}

TEST_F(UdpEndpoint, LimitedBroadcastLeavesWithADefaultRoute) {
    ASSERT_TRUE(net.add_default_route(net.workstation()));
    EXPECT_EQ(udp_send(0xFFFFFFFF, "\x09", 1), 0);
    TestDatagram got;
    ASSERT_TRUE(r1->receive(&got));
    EXPECT_EQ(got.bytes, (Bytes{9}));
}

// --------------------------------------------------------- opening fails ---

TEST(UdpOpen, WithoutAnOwnAddressNothingIsCreated) {
    fake_host_reset();
    myutil_set_config(0, 0, 1);
    int before = open_descriptors();
    EXPECT_EQ(udp_open(on_datagram, TEST_NET_PORT), UDP_NO_OWN_ADDRESS);
    EXPECT_EQ(open_descriptors(), before);
    EXPECT_EQ(fake_host_register_calls(), 0);
    EXPECT_EQ(fake_host_add_timer_calls(), 0);
}

TEST(UdpOpen, PortInUseReturnsTheErrorAndClosesTheSocket) {
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

// -------------------------------------------------------------- timers ---

std::vector<std::pair<int, int>> fired;  // (timer, tick it fired on)
int now = 0;

template <int K>
void timer() {
    fired.push_back({K, now});
}

class TickTimers : public ::testing::Test {
protected:
    void SetUp() override {
        for (int slot = 0; slot < UDP_TIMER_SLOTS; slot++) udp_stop_timer(slot);
        fired.clear();
        now = 0;
    }
    void TearDown() override {
        for (int slot = 0; slot < UDP_TIMER_SLOTS; slot++) udp_stop_timer(slot);
    }
    void tick(int n = 1) {
        for (int i = 0; i < n; i++) {
            now++;
            udp_timer_tick();
        }
    }
};

TEST_F(TickTimers, ATimerStartedWithNFiresOnTickNPlusOne) {
    const int counts[] = {0, 1, 3, 40, 120};
    for (int n : counts) {
        SCOPED_TRACE(n);
        fired.clear();
        now = 0;
        ASSERT_NE(udp_start_timer(timer<1>, n), UDP_NO_TIMER);
        tick(n + 5);
        EXPECT_EQ(fired, (std::vector<std::pair<int, int>>{{1, n + 1}}));
    }
}

TEST_F(TickTimers, TenSlotsThenRefusalUntilOneFires) {
    for (int i = 0; i < UDP_TIMER_SLOTS; i++) EXPECT_EQ(udp_start_timer(timer<2>, i == 4 ? 0 : 50), i);
    EXPECT_EQ(udp_start_timer(timer<3>, 0), UDP_NO_TIMER);
    tick();
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(udp_start_timer(timer<3>, 0), 4);
    tick();
    EXPECT_EQ(fired.back(), (std::pair<int, int>{3, 2}));
}

TEST_F(TickTimers, AnExpiredTimerNotYetFiredKeepsItsSlot) {
    EXPECT_EQ(udp_start_timer(timer<1>, 1), 0);
    tick();  // count is 0 now, not fired
    EXPECT_TRUE(fired.empty());
    EXPECT_EQ(udp_start_timer(timer<2>, 0), 1);
    tick();
    EXPECT_EQ(fired, (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}}));
}

TEST_F(TickTimers, StoppingEmptiesTheSlotAndIdsOutOfRangeChangeNothing) {
    EXPECT_EQ(udp_start_timer(timer<1>, 1), 0);
    EXPECT_EQ(udp_start_timer(timer<2>, 1), 1);
    for (int bad : {UDP_NO_TIMER, UDP_TIMER_SLOTS, -7, 1000}) udp_stop_timer(bad);
    udp_stop_timer(0);
    EXPECT_EQ(udp_start_timer(timer<3>, 5), 0);  // the stopped slot is free again
    tick(2);
    EXPECT_EQ(fired, (std::vector<std::pair<int, int>>{{2, 2}}));
}

TEST_F(TickTimers, ANegativeCountEmptiesTheSlotWithoutACall) {
    EXPECT_EQ(udp_start_timer(timer<1>, -1), 0);
    EXPECT_EQ(udp_start_timer(timer<2>, 0), 1);  // slot 0 still taken until the tick
    tick(3);
    EXPECT_EQ(fired, (std::vector<std::pair<int, int>>{{2, 1}}));
    EXPECT_EQ(udp_start_timer(timer<3>, 0), 0);
}

// A timer that starts two more: the first takes its own slot again (behind
// the pass), the second a slot the pass has not reached yet.
void starter() {
    fired.push_back({10, now});
    EXPECT_EQ(udp_start_timer(timer<11>, 1), 0);
    EXPECT_EQ(udp_start_timer(timer<12>, 1), 1);
}

TEST_F(TickTimers, TimersStartedDuringThePassCountFromWhereThePassIs) {
    EXPECT_EQ(udp_start_timer(starter, 0), 0);
    tick(4);
    // The one behind the pass fires two ticks later, the one ahead of it
    // was counted down in the same pass and fires one tick later.
    EXPECT_EQ(fired, (std::vector<std::pair<int, int>>{{10, 1}, {12, 2}, {11, 3}}));
}

TEST_F(TickTimers, SlotsAreFilledLowestFirst) {
    for (int i = 0; i < 4; i++) EXPECT_EQ(udp_start_timer(timer<1>, 9), i);
    udp_stop_timer(2);
    udp_stop_timer(1);
    EXPECT_EQ(udp_start_timer(timer<1>, 9), 1);
    EXPECT_EQ(udp_start_timer(timer<1>, 9), 2);
    EXPECT_EQ(udp_start_timer(timer<1>, 9), 4);
}

TEST(UdpAlloc, GivesZeroedMemory) {
    auto* block = static_cast<unsigned char*>(udp_alloc(64));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 64; i++) EXPECT_EQ(block[i], 0);
    udp_free(block);
    udp_free(nullptr);
}

}  // namespace
