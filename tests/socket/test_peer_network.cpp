// The back end's transport (UDP endpoint and acknowledged layer) against
// simulated routers in their own namespaces: broadcast reaches both and
// their answers come back, the workstation's own broadcast is not taken for
// an answer, and the acknowledgement rules meet in the middle. Time is
// virtual on the workstation side (ticks are called by hand).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <unistd.h>
#include <vector>

#include "fake_host.h"
#include "lowstate.h"
#include "myutil.h"
#include "peer_process.h"
#include "test_network.h"

namespace {

struct Seen {
    uint32_t sender;
    uint16_t code;
    uint16_t seq;
    std::vector<uint8_t> data;
};

std::vector<Seen> delivered;
std::vector<Seen> acked;
std::vector<int> errors;

void on_receive(uint32_t sender, uint16_t code, uint16_t seq, const uint8_t* data, int length)
{
    delivered.push_back({sender, code, seq, std::vector<uint8_t>(data, data + length)});
}
void on_ack(uint32_t sender, uint16_t code, uint16_t seq, const uint8_t* data, int length)
{
    acked.push_back({sender, code, seq, std::vector<uint8_t>(data, data + length)});
}
void on_error(int code)
{
    errors.push_back(code);
}

class PeerNetwork : public ::testing::Test {
protected:
    void SetUp() override
    {
        TEST_NETWORK_REQUIRE(net);
        delivered.clear();
        acked.clear();
        errors.clear();
        fake_host_reset();
        myutil_set_config(net.workstation_ip(), TEST_NET_NETMASK, 0);
        auto inside = net.enter(net.workstation());
        ASSERT_TRUE(inside.ok());
        ASSERT_EQ(lowstate_init(TEST_NET_PORT, on_receive, on_error), 0);
    }
    void TearDown() override
    {
        lowstate_set_connect_state(0, 1, 0);
        myutil_set_config(0, 0, 1);
    }

    // One peer process per router namespace, router i at 10.77.0.(1+i).
    void start_routers(const std::vector<std::string>& knobs = {})
    {
        for (int i = 1; i <= 2; ++i) {
            SimRouter r = sim_router("r" + std::to_string(i), test_net_dotted(net.router_ip(i)),
                                     "00:a0:f9:00:00:0" + std::to_string(i));
            r.knobs = knobs;
            peers.emplace_back(new PeerProcess(net, net.router(i), {r}));
            ASSERT_TRUE(peers.back()->start()) << peers.back()->error();
        }
    }

    // Reads what arrives until nothing more comes.
    void pump()
    {
        while (fake_host_pump(200) > 0) {
        }
    }
    // Reads until `done` holds (bounded), then whatever follows at once.
    template <typename Done>
    void pump_until(Done done, int timeout_ms = 3000)
    {
        int64_t deadline = peer_now_ms() + timeout_ms;
        while (!done() && peer_now_ms() < deadline)
            fake_host_pump(50);
        while (fake_host_pump(50) > 0) {
        }
    }

    TestNetwork net{2};
    std::vector<std::unique_ptr<PeerProcess>> peers;
};

TEST_F(PeerNetwork, BroadcastScanReachesBothRoutersAndOnlyTheirAnswersReturn)
{
    start_routers();
    lowstate_send(TEST_NET_BROADCAST_IP, 0xF031, nullptr, 0, 0, nullptr);
    pump_until([] { return delivered.size() >= 2; });

    ASSERT_EQ(delivered.size(), 2u);  // the workstation's own request is not among them
    std::vector<uint32_t> senders;
    for (const Seen& s : delivered) {
        EXPECT_EQ(s.code, 0x3031);
        EXPECT_EQ(s.seq, 0);
        ASSERT_EQ(s.data.size(), 16u);
        uint32_t announced = uint32_t(s.data[8]) << 24 | uint32_t(s.data[9]) << 16 |
                             uint32_t(s.data[10]) << 8 | s.data[11];
        EXPECT_EQ(announced, s.sender);
        senders.push_back(s.sender);
    }
    std::sort(senders.begin(), senders.end());
    EXPECT_EQ(senders, (std::vector<uint32_t>{net.router_ip(1), net.router_ip(2)}));
    EXPECT_TRUE(errors.empty());
    for (int i = 1; i <= 2; ++i)
        EXPECT_EQ(peers[size_t(i - 1)]->datagrams(PeerLogLine::RX, 0xF031).size(),
                  1u);  // logged before answering
}

TEST_F(PeerNetwork, NumberedRequestAndNumberedReplyAreAcknowledgedBothWays)
{
    start_routers({"numbered yes"});
    int counter = lowstate_send(net.router_ip(2), 0x1001, nullptr, 0, 1, on_ack);
    ASSERT_EQ(counter, 1);
    pump_until([] { return !acked.empty() && !delivered.empty(); });

    ASSERT_EQ(acked.size(), 1u);
    EXPECT_EQ(acked[0].sender, net.router_ip(2));
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0].code, 0x3001);
    EXPECT_NE(delivered[0].seq, 0);
    // The back end acknowledged the router's numbered reply.
    PeerLogLine ack;
    ASSERT_TRUE(peers[1]->wait_log(
        [](const PeerLogLine& l) { return l.kind == PeerLogLine::RX && l.code == 0xFF00; },
        PEER_WAIT_MS, &ack));
    EXPECT_EQ(ack.data,
              (std::vector<uint8_t>{uint8_t(delivered[0].seq >> 8), uint8_t(delivered[0].seq)}));
    EXPECT_TRUE(peers[0]->datagrams(PeerLogLine::RX, 0x1001).empty());
}

TEST_F(PeerNetwork, RetransmissionGetsThroughToARouterThatLostTheFirstTwo)
{
    start_routers({"drop-acks 2"});
    ASSERT_EQ(lowstate_send(net.router_ip(1), 0x1001, nullptr, 0, 1, on_ack), 1);
    pump();
    EXPECT_TRUE(acked.empty());
    fake_host_fine_tick(5);  // second transmission, a second later
    pump();
    EXPECT_TRUE(acked.empty());
    fake_host_fine_tick(9);  // third, two seconds after the second
    pump_until([] { return !acked.empty(); });
    ASSERT_EQ(acked.size(), 1u);
    EXPECT_TRUE(errors.empty());
    std::vector<PeerLogLine> opens = peers[0]->datagrams(PeerLogLine::RX, 0x1001);
    ASSERT_EQ(opens.size(), 3u);
    for (const PeerLogLine& l : opens)
        EXPECT_EQ(l.seq, 1);
    EXPECT_EQ(peers[0]->datagrams(PeerLogLine::TX, 0x3001).size(), 1u);  // answered once
}

TEST_F(PeerNetwork, SilentRouterEndsInNoAcknowledgement)
{
    start_routers({"silent-after 0"});
    ASSERT_EQ(lowstate_send(net.router_ip(1), 0x1001, nullptr, 0, 1, on_ack), 1);
    for (int tick = 1; tick <= 12; ++tick) {
        fake_host_tick(1);
        pump();
        if (tick < 12) {
            EXPECT_TRUE(errors.empty()) << "tick " << tick;
        }
    }
    EXPECT_EQ(errors, (std::vector<int>{LOWSTATE_NO_ACK}));
    int64_t deadline = peer_now_ms() + PEER_WAIT_MS;  // the peer may log a moment later
    // The first transmission and repeats after one second, then every two.
    while (peers[0]->datagrams(PeerLogLine::RX, 0x1001).size() < 6 && peer_now_ms() < deadline)
        usleep(20000);
    EXPECT_EQ(peers[0]->datagrams(PeerLogLine::RX, 0x1001).size(), 6u);
    EXPECT_TRUE(peers[0]->datagrams(PeerLogLine::TX).empty());
}

}  // namespace
