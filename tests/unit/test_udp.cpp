// The UDP endpoint's rules over the in-process datagram network (the real
// socket: tests/socket), and its tick timers with virtual ticks.
#include <cerrno>
#include <vector>

#include <gtest/gtest.h>

#include "fake_host.h"
#include "fake_udp.h"
#include "myutil.h"
#include "records.h"
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

// ------------------------------------------------------------ endpoint ---

class UdpEndpoint : public ::testing::Test {
protected:
    void SetUp() override
    {
        arrivals.clear();
        fake_host_reset();
        fake_udp_reset();
        myutil_set_config(TEST_NET_WORKSTATION_IP, TEST_NET_NETMASK, 0);
        ASSERT_EQ(udp_open(on_datagram, TEST_NET_PORT), 0);
    }
    void TearDown() override
    {
        udp_bind(0);
        myutil_set_config(0, 0, 1);
    }

    // The host calls the socket callback as long as its descriptor is readable.
    int pump() { return fake_host_pump(0); }

    FakeUdpPeer r1{test_net_router_ip(1)};
    FakeUdpPeer r2{test_net_router_ip(2)};
};

TEST_F(UdpEndpoint, OpenRegistersTheSocketAndAOneSecondTick)
{
    EXPECT_EQ(my_ip_addr, TEST_NET_WORKSTATION_IP);
    EXPECT_EQ(fake_udp_port(), TEST_NET_PORT);
    EXPECT_EQ(fake_host_register_calls(), 1);
    EXPECT_EQ(fake_host_socket_callback(), &udp_read);
    EXPECT_GE(fake_host_socket(), 0);
    EXPECT_EQ(fake_host_add_timer_calls(), 1);
    EXPECT_EQ(fake_host_tick_callback(), &udp_timer_tick);
    EXPECT_EQ(fake_host_tick_seconds(), 1);
}

// The fine tick repeats what was not acknowledged without waiting a whole
// second.
TEST_F(UdpEndpoint, OpenAlsoRegistersAQuarterSecondFineTick)
{
    EXPECT_EQ(fake_host_fine_ms(), UDP_FINE_TICK_MS);
    EXPECT_EQ(UDP_FINE_TICK_MS * UDP_FINE_PER_TICK, 1000);
}

TEST_F(UdpEndpoint, DatagramsAreDeliveredWithTheirSenderInOrder)
{
    ASSERT_TRUE(r1.send_to(TEST_NET_WORKSTATION_IP, {1, 2, 3}));
    ASSERT_TRUE(r2.send_to(TEST_NET_WORKSTATION_IP, {}));
    EXPECT_EQ(pump(), 2);
    ASSERT_EQ(arrivals.size(), 2u);
    EXPECT_EQ(arrivals[0].sender, test_net_router_ip(1));
    EXPECT_EQ(arrivals[0].bytes, (Bytes{1, 2, 3}));
    EXPECT_EQ(arrivals[1].sender, test_net_router_ip(2));
    EXPECT_TRUE(arrivals[1].bytes.empty());
}

// A front end may keep only the last record a callback gave it until its
// next pass, so one call hands on one datagram; but it takes everything the
// socket holds, so that a burst of answers cannot overflow the system's
// buffer between two calls.
TEST_F(UdpEndpoint, OneCallEmptiesTheSocketAndHandsOnOneDatagram)
{
    for (uint8_t i = 1; i <= 10; ++i)
        ASSERT_TRUE(r1.send_to(TEST_NET_WORKSTATION_IP, {i}));
    fake_host_socket_callback()();
    EXPECT_EQ(fake_udp_waiting(), 0);
    ASSERT_EQ(arrivals.size(), 1u);
    // The rest follow one per call, while the descriptor says there is more.
    EXPECT_EQ(pump(), 9);
    std::vector<uint8_t> order;
    for (const Arrival& a : arrivals)
        order.push_back(a.bytes[0]);
    EXPECT_EQ(order, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(pump(), 0);
}

// Datagrams that the filters drop do not use up the call; and the filters
// in force when a datagram is handed on decide, not those at its arrival.
TEST_F(UdpEndpoint, FiltersApplyWhenADatagramIsHandedOn)
{
    ASSERT_TRUE(r2.send_to(TEST_NET_WORKSTATION_IP, {2}));
    ASSERT_TRUE(r2.send_to(TEST_NET_WORKSTATION_IP, {2}));
    ASSERT_TRUE(r1.send_to(TEST_NET_WORKSTATION_IP, {1}));
    ASSERT_TRUE(r2.send_to(TEST_NET_WORKSTATION_IP, {3}));
    udp_bind(test_net_router_ip(1));
    fake_host_socket_callback()();
    ASSERT_EQ(arrivals.size(), 1u);
    EXPECT_EQ(arrivals[0].sender, test_net_router_ip(1));
    udp_bind(0);
    EXPECT_EQ(pump(), 1);
    ASSERT_EQ(arrivals.size(), 2u);
    EXPECT_EQ(arrivals[1].bytes, (Bytes{3}));
}

TEST_F(UdpEndpoint, OwnBroadcastComingBackIsNotDelivered)
{
    ASSERT_EQ(udp_send(TEST_NET_BROADCAST_IP, "\x01", 1), 0);
    TestDatagram got;
    ASSERT_TRUE(r1.receive(&got));
    ASSERT_TRUE(r2.receive(&got));
    EXPECT_EQ(got.from, TEST_NET_WORKSTATION_IP);
    EXPECT_EQ(got.port, TEST_NET_PORT);
    EXPECT_EQ(pump(), 1);  // the copy came back and was read
    EXPECT_TRUE(arrivals.empty());
}

TEST_F(UdpEndpoint, SourceFilterAcceptsOneRouterOnlyUntilCleared)
{
    EXPECT_EQ(udp_bind(test_net_router_ip(1)), test_net_router_ip(1));
    ASSERT_TRUE(r2.send_to(TEST_NET_WORKSTATION_IP, {2}));
    ASSERT_TRUE(r1.send_to(TEST_NET_WORKSTATION_IP, {1}));
    pump();
    ASSERT_EQ(arrivals.size(), 1u);
    EXPECT_EQ(arrivals[0].sender, test_net_router_ip(1));

    EXPECT_EQ(udp_bind(0), 0u);
    ASSERT_TRUE(r2.send_to(TEST_NET_WORKSTATION_IP, {2}));
    pump();
    ASSERT_EQ(arrivals.size(), 2u);
    EXPECT_EQ(arrivals[1].sender, test_net_router_ip(2));
}

TEST_F(UdpEndpoint, LongDatagramIsCutToTheReceiveBuffer)
{
    Bytes big(600);
    for (size_t i = 0; i < big.size(); i++)
        big[i] = uint8_t(i);
    ASSERT_TRUE(r1.send_to(TEST_NET_WORKSTATION_IP, big));
    ASSERT_TRUE(r1.send_to(TEST_NET_WORKSTATION_IP, Bytes(UDP_RECEIVE_BUFFER, 0x5A)));
    pump();
    ASSERT_EQ(arrivals.size(), 2u);
    EXPECT_EQ(arrivals[0].bytes, Bytes(big.begin(), big.begin() + UDP_RECEIVE_BUFFER));
    EXPECT_EQ(arrivals[1].bytes, Bytes(UDP_RECEIVE_BUFFER, 0x5A));
}

TEST_F(UdpEndpoint, ReadingWithNothingWaitingDoesNothing)
{
    udp_read();
    EXPECT_TRUE(arrivals.empty());
    EXPECT_EQ(pump(), 0);
}

// The queue holds a few thousand datagrams; beyond that the rest stay in
// the socket, in order, until there is room.
TEST_F(UdpEndpoint, AFullQueueLeavesTheRestInTheSocket)
{
    const int total = UDP_QUEUE_DATAGRAMS + 3;
    for (int i = 0; i < total; ++i)
        ASSERT_TRUE(r1.send_to(TEST_NET_WORKSTATION_IP, {uint8_t(i >> 8), uint8_t(i)}));
    fake_host_socket_callback()();
    EXPECT_EQ(fake_udp_waiting(), 3);
    while (fake_host_pump(0) > 0) {
    }
    ASSERT_EQ(arrivals.size(), size_t(total));
    for (int i = 0; i < total; ++i) {
        ASSERT_EQ(arrivals[size_t(i)].bytes[0] << 8 | arrivals[size_t(i)].bytes[1], i);
    }
}

TEST_F(UdpEndpoint, SendFailureReturnsTheSystemError)
{
    EXPECT_EQ(udp_send(0xC0000201, "\x01", 1), ENETUNREACH);  // 192.0.2.1: off the network
    fake_udp_fail_sends(EPERM);
    EXPECT_EQ(udp_send(test_net_router_ip(1), "\x01", 1), EPERM);
    EXPECT_TRUE(r1.quiet());
    EXPECT_EQ(udp_send(test_net_router_ip(1), "\x02", 1), 0);
    EXPECT_FALSE(r1.quiet());
}

// --------------------------------------------------------- opening fails ---

TEST(UdpOpen, WithoutAnOwnAddressNothingIsOpened)
{
    fake_host_reset();
    fake_udp_reset();
    myutil_set_config(0, 0, 1);
    int opens = fake_udp_open_calls();
    EXPECT_EQ(udp_open(on_datagram, TEST_NET_PORT), UDP_NO_OWN_ADDRESS);
    EXPECT_EQ(fake_udp_open_calls(), opens);
    EXPECT_EQ(fake_host_register_calls(), 0);
    EXPECT_EQ(fake_host_add_timer_calls(), 0);
}

TEST(UdpOpen, SocketFailureIsReturnedAndNothingIsRegistered)
{
    fake_host_reset();
    fake_udp_reset();
    myutil_set_config(TEST_NET_WORKSTATION_IP, TEST_NET_NETMASK, 0);
    fake_udp_fail_open(EADDRINUSE);
    EXPECT_EQ(udp_open(on_datagram, TEST_NET_PORT), EADDRINUSE);
    EXPECT_EQ(fake_host_register_calls(), 0);
    EXPECT_EQ(fake_host_add_timer_calls(), 0);
    // Nothing goes out of an endpoint that did not open.
    EXPECT_EQ(udp_send(test_net_router_ip(1), "\x01", 1), EBADF);
    myutil_set_config(0, 0, 1);
}

// -------------------------------------------------------------- timers ---

std::vector<std::pair<int, int>> fired;  // (timer, tick it fired on)
int now = 0;

template <int K>
void timer()
{
    fired.push_back({K, now});
}

class TickTimers : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int slot = 0; slot < UDP_TIMER_SLOTS; slot++)
            udp_stop_timer(slot);
        fired.clear();
        now = 0;
    }
    void TearDown() override
    {
        for (int slot = 0; slot < UDP_TIMER_SLOTS; slot++)
            udp_stop_timer(slot);
    }
    void tick(int n = 1)
    {
        for (int i = 0; i < n; i++) {
            now++;
            udp_timer_tick();
        }
    }
};

TEST_F(TickTimers, ATimerStartedWithNFiresOnTickNPlusOne)
{
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

TEST_F(TickTimers, TenSlotsThenRefusalUntilOneFires)
{
    for (int i = 0; i < UDP_TIMER_SLOTS; i++)
        EXPECT_EQ(udp_start_timer(timer<2>, i == 4 ? 0 : 50), i);
    EXPECT_EQ(udp_start_timer(timer<3>, 0), UDP_NO_TIMER);
    tick();
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(udp_start_timer(timer<3>, 0), 4);
    tick();
    EXPECT_EQ(fired.back(), (std::pair<int, int>{3, 2}));
}

TEST_F(TickTimers, AnExpiredTimerNotYetFiredKeepsItsSlot)
{
    EXPECT_EQ(udp_start_timer(timer<1>, 1), 0);
    tick();  // count is 0 now, not fired
    EXPECT_TRUE(fired.empty());
    EXPECT_EQ(udp_start_timer(timer<2>, 0), 1);
    tick();
    EXPECT_EQ(fired, (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}}));
}

TEST_F(TickTimers, StoppingEmptiesTheSlotAndIdsOutOfRangeChangeNothing)
{
    EXPECT_EQ(udp_start_timer(timer<1>, 1), 0);
    EXPECT_EQ(udp_start_timer(timer<2>, 1), 1);
    for (int bad : {UDP_NO_TIMER, UDP_TIMER_SLOTS, -7, 1000})
        udp_stop_timer(bad);
    udp_stop_timer(0);
    EXPECT_EQ(udp_start_timer(timer<3>, 5), 0);  // the stopped slot is free again
    tick(2);
    EXPECT_EQ(fired, (std::vector<std::pair<int, int>>{{2, 2}}));
}

TEST_F(TickTimers, ANegativeCountEmptiesTheSlotWithoutACall)
{
    EXPECT_EQ(udp_start_timer(timer<1>, -1), 0);
    EXPECT_EQ(udp_start_timer(timer<2>, 0), 1);  // slot 0 still taken until the tick
    tick(3);
    EXPECT_EQ(fired, (std::vector<std::pair<int, int>>{{2, 1}}));
    EXPECT_EQ(udp_start_timer(timer<3>, 0), 0);
}

// A timer that starts two more: the first takes its own slot again (behind
// the pass), the second a slot the pass has not reached yet.
void starter()
{
    fired.push_back({10, now});
    EXPECT_EQ(udp_start_timer(timer<11>, 1), 0);
    EXPECT_EQ(udp_start_timer(timer<12>, 1), 1);
}

TEST_F(TickTimers, TimersStartedDuringThePassCountFromWhereThePassIs)
{
    EXPECT_EQ(udp_start_timer(starter, 0), 0);
    tick(4);
    // The one behind the pass fires two ticks later, the one ahead of it
    // was counted down in the same pass and fires one tick later.
    EXPECT_EQ(fired, (std::vector<std::pair<int, int>>{{10, 1}, {12, 2}, {11, 3}}));
}

TEST_F(TickTimers, SlotsAreFilledLowestFirst)
{
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(udp_start_timer(timer<1>, 9), i);
    udp_stop_timer(2);
    udp_stop_timer(1);
    EXPECT_EQ(udp_start_timer(timer<1>, 9), 1);
    EXPECT_EQ(udp_start_timer(timer<1>, 9), 2);
    EXPECT_EQ(udp_start_timer(timer<1>, 9), 4);
}

TEST(UdpAlloc, GivesZeroedMemory)
{
    auto* block = static_cast<unsigned char*>(udp_alloc(64));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 64; i++)
        EXPECT_EQ(block[i], 0);
    udp_free(block);
    udp_free(nullptr);
}

// The fine timers keep the tick timers' rules in their own table: fire on
// fine tick n+1, one slot each, and never on the 1-second tick.
TEST_F(TickTimers, FineTimersFireOnFineTickNPlusOneInATableOfTheirOwn)
{
    for (int slot = 0; slot < UDP_FINE_SLOTS; slot++)
        udp_stop_fine_timer(slot);
    std::vector<int> slots, expected_slots;
    for (int k = 0; k < UDP_FINE_SLOTS; k++) {
        slots.push_back(udp_start_fine_timer(timer<2>, 3));
        expected_slots.push_back(k);
    }
    EXPECT_EQ(slots, expected_slots);
    EXPECT_EQ(udp_start_fine_timer(timer<3>, 0), UDP_NO_TIMER);
    tick(10);  // the 1-second tick does not drive them
    EXPECT_TRUE(fired.empty());
    udp_stop_fine_timer(1);
    for (int i = 0; i < 5; i++) {
        now++;
        udp_fine_tick();
    }
    // Every slot but the stopped one fires on fine tick 4.
    EXPECT_EQ(fired, (std::vector<std::pair<int, int>>(UDP_FINE_SLOTS - 1, {2, 14})));
    for (int slot = 0; slot < UDP_FINE_SLOTS; slot++)
        udp_stop_fine_timer(slot);
}

}  // namespace
