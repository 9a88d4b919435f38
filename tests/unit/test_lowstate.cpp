// The acknowledged datagram layer against routers on the in-process datagram
// network, with virtual ticks: numbering, acknowledgement, retransmission
// timing, the duplicate filter and the transport errors.
#include <cerrno>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "fake_host.h"
#include "fake_udp.h"
#include "lowstate.h"
#include "myutil.h"
#include "udp.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Delivered {
    uint32_t sender;
    uint16_t code;
    uint16_t sequence;
    Bytes payload;
    bool null_data;  // the layer handed over a null pointer
};

std::vector<Delivered> delivered;
std::vector<Delivered> acked;
std::vector<int> errors;
LowstateAckCallback chained_ack = nullptr;  // set by a test that chains sends

void record(std::vector<Delivered>& into, uint32_t sender, uint16_t code, uint16_t sequence,
            const uint8_t* data, int length)
{
    Bytes payload = data != nullptr && length > 0 ? Bytes(data, data + length) : Bytes{};
    into.push_back(Delivered{sender, code, sequence, payload, data == nullptr});
}

void on_receive(uint32_t sender, uint16_t code, uint16_t sequence, const uint8_t* data, int length)
{
    record(delivered, sender, code, sequence, data, length);
}

void on_ack(uint32_t sender, uint16_t code, uint16_t sequence, const uint8_t* data, int length)
{
    record(acked, sender, code, sequence, data, length);
    if (chained_ack != nullptr)
        chained_ack(sender, code, sequence, data, length);
}

void on_error(int code)
{
    errors.push_back(code);
}

constexpr uint32_t UNREACHABLE = 0xC0000201;  // 192.0.2.1: off the network
const Bytes PAYLOAD = {0x11, 0x22, 0x33};

class AckLayer : public ::testing::Test {
protected:
    void SetUp() override
    {
        delivered.clear();
        acked.clear();
        errors.clear();
        chained_ack = nullptr;
        fake_host_reset();
        fake_udp_reset();
        myutil_set_config(TEST_NET_WORKSTATION_IP, TEST_NET_NETMASK, 0);
        ASSERT_EQ(lowstate_init(TEST_NET_PORT, on_receive, on_error), 0);
    }

    void TearDown() override
    {
        lowstate_set_connect_state(0, 1, 0);
        myutil_set_config(0, 0, 1);
    }

    // The next datagram the router gets from the workstation.
    Bytes next_at(FakeUdpPeer& router)
    {
        TestDatagram got;
        if (!router.receive(&got))
            return {};
        EXPECT_EQ(got.from, TEST_NET_WORKSTATION_IP);
        return got.bytes;
    }

    // A router sends; the workstation reads what arrived.
    void from_router(FakeUdpPeer& router, const Bytes& bytes)
    {
        ASSERT_TRUE(router.send_to(TEST_NET_WORKSTATION_IP, bytes));
        fake_host_pump(0);
    }

    // Fine ticks pass until the router gets something (at most twelve ticks).
    Bytes next_repeat(FakeUdpPeer& router)
    {
        for (int fine = 0; fine < 12 * UDP_FINE_PER_TICK; fine++) {
            fake_host_fine_tick(1);
            Bytes got = next_at(router);
            if (!got.empty())
                return got;
        }
        return {};
    }

    // One acknowledged message to router 1, which acknowledges every arrival
    // `delay` fine ticks later and loses the first `lose` of them. Returns
    // how often it went out; `fine` (may be null) gets the fine ticks until
    // the acknowledgement ended the wait.
    int exchange(int delay, int lose = 0, int* fine_out = nullptr)
    {
        int counter = send_acked(test_net_router_ip(1));
        EXPECT_GT(counter, 0);
        int sent = 0;
        std::vector<int> ack_at;
        int fine = 0;
        for (; fine <= 12 * UDP_FINE_PER_TICK; fine++) {
            if (fine > 0)
                fake_host_fine_tick(1);
            for (size_t i = r1->drain(0).size(); i > 0; i--) {
                if (++sent > lose)
                    ack_at.push_back(fine + delay);
            }
            for (int at : ack_at) {
                if (at == fine && lowstate_awaiting_ack())
                    from_router(*r1, test_frame_ack(uint16_t(counter)));
            }
            if (!lowstate_awaiting_ack())
                break;
        }
        if (fine_out != nullptr)
            *fine_out = fine;
        return sent;
    }

    int send_acked(uint32_t to, uint16_t code = 0x0102, const Bytes& payload = PAYLOAD)
    {
        return lowstate_send(to, code, payload.data(), int(payload.size()), 1, on_ack);
    }

    std::unique_ptr<FakeUdpPeer> r1 = std::make_unique<FakeUdpPeer>(test_net_router_ip(1));
    std::unique_ptr<FakeUdpPeer> r2 = std::make_unique<FakeUdpPeer>(test_net_router_ip(2));
};

TEST_F(AckLayer, AcknowledgedSendsAreNumberedFromOneAndRestartAfterADisconnect)
{
    for (int expected : {1, 2, 3}) {
        ASSERT_EQ(send_acked(test_net_router_ip(1)), expected);
        EXPECT_EQ(next_at(*r1), test_frame(0x0102, uint16_t(expected), PAYLOAD));
        from_router(*r1, test_frame_ack(uint16_t(expected)));
        ASSERT_EQ(acked.size(), size_t(expected));
    }
    lowstate_set_connect_state(0, 1, 0);
    EXPECT_EQ(send_acked(test_net_router_ip(1)), 1);
    EXPECT_EQ(test_frame_sequence(next_at(*r1)), 1);
    EXPECT_TRUE(errors.empty());
}

TEST_F(AckLayer, PlainSendCarriesSequenceZeroAndAwaitsNothing)
{
    EXPECT_EQ(lowstate_send(test_net_router_ip(1), 0x0A0B, PAYLOAD.data(), 3, 0, nullptr), 0);
    EXPECT_EQ(next_at(*r1), test_frame(0x0A0B, 0, PAYLOAD));
    EXPECT_EQ(lowstate_send(test_net_router_ip(1), 0x0A0C, nullptr, 0, 0, nullptr), 0);
    EXPECT_EQ(next_at(*r1), test_frame(0x0A0C, 0));
    fake_host_tick(12);
    EXPECT_TRUE(r1->quiet());
    EXPECT_TRUE(errors.empty());
    // Nothing is outstanding: an acknowledged send goes through.
    EXPECT_EQ(send_acked(test_net_router_ip(1)), 1);
}

// Without an acknowledgement from a router never measured, the message is
// repeated after one second, then after two and after four (the ceiling),
// and given up on the twelfth tick: fine ticks 5, 14, 31 and 48 after the
// send (a fine timer fires on the fine tick after its count).
TEST_F(AckLayer, UnacknowledgedMessageIsRepeatedWithADoublingTimeOutAndFailsOnTwelve)
{
    ASSERT_EQ(fake_host_fine_ms(), UDP_FINE_TICK_MS);
    ASSERT_EQ(send_acked(test_net_router_ip(1)), 1);
    const Bytes first = next_at(*r1);
    ASSERT_EQ(first, test_frame(0x0102, 1, PAYLOAD));
    // After one second, then two seconds each (the back-off stops there).
    const std::vector<int> repeats_at = {5, 14, 23, 32, 41};
    std::vector<int> repeated;
    int fine_now = 0;
    for (int tick = 1; tick <= 12; tick++) {
        for (int fine = 1; fine <= UDP_FINE_PER_TICK; fine++) {
            fake_host_fine_tick(1);
            ++fine_now;
            for (const TestDatagram& d : r1->drain(20)) {
                EXPECT_EQ(d.bytes, first) << "fine tick " << fine_now;
                repeated.push_back(fine_now);
            }
        }
        ASSERT_TRUE(errors.empty()) << "tick " << tick;
        ASSERT_NE(fake_host_tick_callback(), nullptr);
        fake_host_tick_callback()();
        EXPECT_EQ(errors, tick < 12 ? std::vector<int>{} : std::vector<int>{LOWSTATE_NO_ACK})
            << "tick " << tick;
    }
    EXPECT_EQ(repeated, repeats_at);
    // Idle again: no more transmissions, and a new message is accepted.
    fake_host_tick(8);
    EXPECT_TRUE(r1->quiet());
    EXPECT_EQ(send_acked(test_net_router_ip(1)), 2);
    EXPECT_EQ(errors.size(), 1u);
}

// Routers that acknowledge every arrival after a fixed time, by table: one
// that answers within a third of a second never gets a duplicate, a slow one
// (a second and a half) one in thirty messages, the first, before its time
// is known.
TEST_F(AckLayer, RepeatsFollowTheRoutersOwnAcknowledgementTime)
{
    const struct {
        int delay_fine;
        int repeats;
    } cases[] = {{0, 0}, {1, 0}, {2, 0}, {6, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.delay_fine);
        ASSERT_EQ(lowstate_init(TEST_NET_PORT, on_receive, on_error), 0);
        int repeats = 0;
        for (int message = 0; message < 30; message++)
            repeats += exchange(c.delay_fine) - 1;
        EXPECT_EQ(repeats, c.repeats);
        EXPECT_TRUE(errors.empty());
    }
}

// Once the router is known to answer at once, a lost message goes out again
// within half a second.
TEST_F(AckLayer, ALossToAFastRouterCostsLittle)
{
    for (int message = 0; message < 10; message++)
        ASSERT_EQ(exchange(0), 1);
    int fine = 0;
    EXPECT_EQ(exchange(0, 1, &fine), 2);
    EXPECT_LE(fine, 2);
}

// Karn: the acknowledgement of a message that went out twice may answer
// either copy, so it is no sample; the doubled time-out stays until a
// message that went out once is acknowledged.
TEST_F(AckLayer, AnAcknowledgedRepeatIsNoSampleAndTheBackOffStays)
{
    EXPECT_EQ(exchange(6), 2);
    EXPECT_EQ(lowstate_rtt().samples, 0);
    EXPECT_EQ(lowstate_rtt().rto_ms, 2000);
    EXPECT_EQ(exchange(6), 1);
    EXPECT_EQ(lowstate_rtt().samples, 1);
    EXPECT_EQ(lowstate_rtt().srtt_ms, 1500);
}

// Every acknowledgement of the last message is counted: a second one, after
// the first ended the wait, says the router had it twice.
TEST_F(AckLayer, FurtherAcknowledgementsOfTheLastMessageAreCounted)
{
    ASSERT_EQ(send_acked(test_net_router_ip(1)), 1);
    next_at(*r1);
    EXPECT_EQ(lowstate_acknowledgements(), 0);
    from_router(*r1, test_frame_ack(1));
    EXPECT_EQ(lowstate_acknowledgements(), 1);
    from_router(*r2, test_frame_ack(1));  // another router's says nothing
    from_router(*r1, test_frame_ack(7));  // nor one of another number
    EXPECT_EQ(lowstate_acknowledgements(), 1);
    from_router(*r1, test_frame_ack(1));
    EXPECT_EQ(lowstate_acknowledgements(), 2);
    EXPECT_EQ(acked.size(), 1u);  // the callback ran once
}

// A repeat under the message's own number awaits its acknowledgement anew
// and counts as a transmission; another number is not repeated.
TEST_F(AckLayer, TheLastMessageIsSentAgainUnderItsOwnNumber)
{
    ASSERT_EQ(send_acked(test_net_router_ip(1)), 1);
    const Bytes first = next_at(*r1);
    EXPECT_EQ(lowstate_resend(1, on_ack), -1);  // still awaited: busy
    EXPECT_EQ(errors, std::vector<int>{LOWSTATE_BUSY});
    errors.clear();
    from_router(*r1, test_frame_ack(1));
    EXPECT_EQ(lowstate_resend(2, on_ack), 0);
    EXPECT_TRUE(r1->quiet());
    EXPECT_EQ(lowstate_resend(1, on_ack), 1);
    EXPECT_EQ(next_at(*r1), first);
    EXPECT_EQ(lowstate_awaiting_ack(), 1);
    EXPECT_EQ(lowstate_transmissions(), 2);
    from_router(*r1, test_frame_ack(1));
    EXPECT_EQ(lowstate_awaiting_ack(), 0);
    EXPECT_EQ(acked.size(), 2u);
    EXPECT_TRUE(errors.empty());
}

TEST_F(AckLayer, MatchingAcknowledgementEndsTheWaitAndReachesTheCallback)
{
    ASSERT_EQ(send_acked(test_net_router_ip(1)), 1);
    next_at(*r1);
    fake_host_tick(5);  // repeats after one and three seconds
    EXPECT_EQ(r1->drain(20).size(), 2u);
    from_router(*r1, test_frame_ack(1));
    ASSERT_EQ(acked.size(), 1u);
    EXPECT_EQ(acked[0].sender, test_net_router_ip(1));
    EXPECT_EQ(acked[0].code, LOWSTATE_ACK_CODE);
    EXPECT_EQ(acked[0].payload, (Bytes{0, 1}));
    EXPECT_TRUE(delivered.empty());
    fake_host_tick(12);
    EXPECT_TRUE(r1->quiet());
    EXPECT_TRUE(errors.empty());
}

TEST_F(AckLayer, AcknowledgementsThatDoNotMatchAreIgnored)
{
    struct Case {
        const char* what;
        int router;  // who sends it
        Bytes bytes;
        Bytes before_from_r2;  // read first, so the receive buffer holds its bytes
    };
    const Case cases[] = {
        {"wrong number", 1, test_frame_ack(2), {}},
        {"right number from another router", 2, test_frame_ack(1), {}},
        {"no payload", 1, test_frame(0xFF00, 0), {}},
        {"one byte of payload", 1, test_frame(0xFF00, 0, {1}), {}},
        // The missing second byte must not be taken from the datagram before.
        {"one byte after a longer one", 1, test_frame(0xFF00, 0, {0}), test_frame_ack(1)},
        {"number in the sequence field only", 1, test_frame(0xFF00, 1), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        acked.clear();
        errors.clear();
        lowstate_set_connect_state(0, 1, 0);
        ASSERT_EQ(send_acked(test_net_router_ip(1)), 1);
        next_at(*r1);
        if (!c.before_from_r2.empty())
            from_router(*r2, c.before_from_r2);
        from_router(c.router == 1 ? *r1 : *r2, c.bytes);
        if (uint16_t numbered = test_frame_sequence(c.bytes)) {
            EXPECT_EQ(next_at(*r1), test_frame_ack(numbered));  // numbered: acknowledged itself
        }
        EXPECT_TRUE(acked.empty());
        EXPECT_TRUE(delivered.empty());
        EXPECT_EQ(test_frame_sequence(next_repeat(*r1)), 1);  // still repeated
        from_router(*r1, test_frame_ack(1));
        EXPECT_EQ(acked.size(), 1u);
        EXPECT_TRUE(errors.empty());
    }
}

TEST_F(AckLayer, AnyCodeOfTheAcknowledgementClassAcknowledges)
{
    ASSERT_EQ(send_acked(test_net_router_ip(1)), 1);
    next_at(*r1);
    from_router(*r1, test_frame(0xFF37, 0, {0, 1}));
    EXPECT_EQ(acked.size(), 1u);
}

TEST_F(AckLayer, SecondAcknowledgedSendIsRefusedAndTheFirstKeepsItsSchedule)
{
    ASSERT_EQ(send_acked(test_net_router_ip(1)), 1);
    const Bytes first = next_at(*r1);
    fake_host_tick(2);
    EXPECT_EQ(send_acked(test_net_router_ip(2), 0x0999, {9}), -1);
    EXPECT_EQ(errors, std::vector<int>{LOWSTATE_BUSY});
    EXPECT_TRUE(r2->quiet());
    fake_host_tick(2);  // tick 4 of the first message
    EXPECT_EQ(next_at(*r1), first);
    from_router(*r1, test_frame_ack(1));
    EXPECT_EQ(acked.size(), 1u);
}

TEST_F(AckLayer, AwaitingAckIsToldFromTheSendUntilItsEnd)
{
    EXPECT_EQ(lowstate_awaiting_ack(), 0);
    ASSERT_EQ(send_acked(test_net_router_ip(1)), 1);
    next_at(*r1);
    EXPECT_EQ(lowstate_awaiting_ack(), 1);
    EXPECT_EQ(lowstate_send(test_net_router_ip(1), 0x0A0B, nullptr, 0, 0, nullptr), 0);
    EXPECT_EQ(lowstate_awaiting_ack(), 1) << "a plain send leaves the wait";
    from_router(*r1, test_frame_ack(1));
    EXPECT_EQ(lowstate_awaiting_ack(), 0) << "acknowledged";

    ASSERT_EQ(send_acked(test_net_router_ip(1)), 2);
    lowstate_answered(2);
    EXPECT_EQ(lowstate_awaiting_ack(), 0) << "answered";
    ASSERT_EQ(send_acked(test_net_router_ip(1)), 3);
    fake_host_tick(12);
    EXPECT_EQ(errors, std::vector<int>{LOWSTATE_NO_ACK});
    EXPECT_EQ(lowstate_awaiting_ack(), 0) << "given up";
    ASSERT_EQ(send_acked(test_net_router_ip(1)), 4);
    lowstate_set_connect_state(0, 1, 0);
    EXPECT_EQ(lowstate_awaiting_ack(), 0) << "connection dropped";
}

TEST_F(AckLayer, PlainSendWhileAwaitingKeepsTheAwaitedMessage)
{
    ASSERT_EQ(send_acked(test_net_router_ip(1)), 1);
    const Bytes first = next_at(*r1);
    EXPECT_EQ(lowstate_send(test_net_router_ip(2), 0x0555, nullptr, 0, 0, nullptr), 0);
    EXPECT_EQ(next_at(*r2), test_frame(0x0555, 0));
    fake_host_tick(4);
    EXPECT_EQ(next_at(*r1), first);  // the awaited message, to its own router
    EXPECT_TRUE(r2->quiet());
    from_router(*r1, test_frame_ack(1));
    EXPECT_EQ(acked.size(), 1u);
    EXPECT_TRUE(errors.empty());
}

TEST_F(AckLayer, NumberedMessagesAreAcknowledgedAtOnceAndDelivered)
{
    from_router(*r1, test_frame(0x0301, 5, {0xAA, 0xBB}));
    EXPECT_EQ(next_at(*r1), test_frame_ack(5));
    from_router(*r1, test_frame(0x0302, 0, {0xCC}));
    EXPECT_TRUE(r1->quiet());  // unnumbered: no acknowledgement
    ASSERT_EQ(delivered.size(), 2u);
    EXPECT_EQ(delivered[0].sender, test_net_router_ip(1));
    EXPECT_EQ(delivered[0].code, 0x0301);
    EXPECT_EQ(delivered[0].sequence, 5);
    EXPECT_EQ(delivered[0].payload, (Bytes{0xAA, 0xBB}));
    EXPECT_EQ(delivered[1].payload, (Bytes{0xCC}));
}

TEST_F(AckLayer, DatagramsShorterThanTheHeaderAreDroppedUnacknowledged)
{
    for (const Bytes& shorter :
         {Bytes{}, Bytes{0x03}, Bytes{0x03, 0x01}, Bytes{0x03, 0x01, 0x00}}) {
        from_router(*r1, shorter);
    }
    EXPECT_TRUE(delivered.empty());
    EXPECT_TRUE(r1->quiet());
    // A bare header is a whole message with no payload.
    from_router(*r1, test_frame(0x0304, 2));
    EXPECT_EQ(next_at(*r1), test_frame_ack(2));
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_TRUE(delivered[0].null_data);
    EXPECT_TRUE(delivered[0].payload.empty());
}

TEST_F(AckLayer, AcknowledgementsArrivingWhileIdleAreIgnored)
{
    from_router(*r1, test_frame_ack(1));
    from_router(*r1, test_frame(0xFF01, 0, {0, 0}));
    EXPECT_TRUE(delivered.empty());
    EXPECT_TRUE(acked.empty());
    EXPECT_TRUE(r1->quiet());
}

TEST_F(AckLayer, StaleNumbersFromTheConnectedRouterAreAcknowledgedButNotDelivered)
{
    lowstate_set_connect_state(1, 0, test_net_router_ip(1));
    struct Step {
        uint16_t sequence;
        bool delivered;
    };
    const Step steps[] = {{9, true}, {7, false}, {9, false}, {10, true}, {0, true}, {8, false}};
    size_t count = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.sequence);
        from_router(*r1, test_frame(0x0310, s.sequence));
        if (s.sequence != 0) {
            EXPECT_EQ(next_at(*r1), test_frame_ack(s.sequence));
        }
        count += s.delivered;
        EXPECT_EQ(delivered.size(), count);
    }
}

// The router's counter passes 65535 and starts again at 1: a number is
// older than the last one only when it is at most half the number space
// behind it, whichever side of the wrap the two are on.
TEST_F(AckLayer, StaleNumbersAreToldApartAcrossTheWrap)
{
    lowstate_set_connect_state(1, 0, test_net_router_ip(1));
    struct Step {
        uint16_t sequence;
        bool delivered;
    };
    const Step steps[] = {
        {65525, true},                   // the first number after the connection, whatever it is
        {65535, true},  {1, true},       // after the wrap
        {65535, false},                  // two behind, before the wrap: a stale duplicate
        {1, false},                      // the last one again: a copy
        {2, true},      {32770, false},  // exactly half the space behind 2: older
        {32769, true},                   // one less than half: newer
        {1, false},                      // half behind 32769
    };
    size_t count = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.sequence);
        from_router(*r1, test_frame(0x0310, s.sequence));
        EXPECT_EQ(next_at(*r1), test_frame_ack(s.sequence));
        count += s.delivered;
        EXPECT_EQ(delivered.size(), count);
    }
}

TEST_F(AckLayer, NumbersSeenBeforeAConnectionDoNotMakeTheRoutersOwnLookStale)
{
    from_router(*r2, test_frame(0x0320, 50));  // another router, during a scan
    next_at(*r2);
    lowstate_set_connect_state(1, 0, test_net_router_ip(1));
    from_router(*r1, test_frame(0x0321, 3));
    next_at(*r1);
    ASSERT_EQ(delivered.size(), 2u);
    EXPECT_EQ(delivered[1].code, 0x0321);
}

TEST_F(AckLayer, WithoutAConnectionOldNumbersAreStillDelivered)
{
    for (uint16_t sequence : {9, 7, 7})
        from_router(*r1, test_frame(0x0330, sequence));
    EXPECT_EQ(delivered.size(), 3u);
    EXPECT_EQ(r1->drain(20).size(), 3u);  // each acknowledged
}

TEST_F(AckLayer, ConnectedRouterSendingANumberedMessageWhileAwaitingIsAnError)
{
    lowstate_set_connect_state(1, 0, test_net_router_ip(1));
    ASSERT_EQ(send_acked(test_net_router_ip(1)), 1);
    next_at(*r1);
    from_router(*r1, test_frame(0x0340, 4));
    EXPECT_EQ(next_at(*r1), test_frame_ack(4));  // acknowledged all the same
    EXPECT_EQ(errors, std::vector<int>{LOWSTATE_UNEXPECTED_REQUEST});
    EXPECT_TRUE(delivered.empty());
    from_router(*r1, test_frame(0x0341, 0));
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0].code, 0x0341);
}

// The layer above awaits a reply of code 0x0370 (from whoever asks it).
int awaits_0x0370(uint32_t, uint16_t code)
{
    return code == 0x0370;
}

// A router that numbers its replies, our acknowledgement lost: the reply the
// layer above awaits is delivered during the wait, through the duplicate
// filter, and its number becomes the last one; a number already used is a
// copy, dropped; what the check does not take for that reply is still an
// error. The wait itself goes on until the layer above says the message was
// answered.
TEST_F(AckLayer, AnAwaitedNumberedReplyIsDeliveredDuringTheWait)
{
    lowstate_set_connect_state(1, 0, test_net_router_ip(1));
    lowstate_set_answer_check(awaits_0x0370);
    from_router(*r1, test_frame(0x0371, 20));  // while idle: the last number is 20
    next_at(*r1);
    struct Step {
        uint16_t code;
        uint16_t sequence;
        bool delivered;
        bool error;  // LOWSTATE_UNEXPECTED_REQUEST
    };
    const Step steps[] = {
        {0x0370, 20, false, false},                              // the last number: a copy
        {0x0370, 19, false, false},                              // older
        {0x0372, 21, false, true},                               // not the awaited reply
        {0x0370, 21, true, false},  {0x0370, 21, false, false},  // now the last one
    };
    size_t count = 1;
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << std::hex << s.code << " " << std::dec << s.sequence);
        errors.clear();
        const int counter = send_acked(test_net_router_ip(1));
        ASSERT_GT(counter, 0);
        next_at(*r1);
        from_router(*r1, test_frame(s.code, s.sequence));
        EXPECT_EQ(next_at(*r1), test_frame_ack(s.sequence));  // acknowledged in every case
        count += s.delivered;
        ASSERT_EQ(delivered.size(), count);
        if (s.delivered) {
            EXPECT_EQ(delivered.back().sequence, s.sequence);
            EXPECT_TRUE(errors.empty());
            EXPECT_EQ(lowstate_awaiting_ack(), 1) << "only the layer above ends the wait";
            lowstate_answered(counter);
        } else {
            EXPECT_EQ(errors,
                      s.error ? std::vector<int>{LOWSTATE_UNEXPECTED_REQUEST} : std::vector<int>{});
            lowstate_answered(counter);
        }
        EXPECT_EQ(lowstate_awaiting_ack(), 0);
    }
}

TEST_F(AckLayer, WithoutACheckEveryNumberedMessageDuringTheWaitIsAnError)
{
    lowstate_set_answer_check(awaits_0x0370);
    ASSERT_EQ(lowstate_init(TEST_NET_PORT, on_receive, on_error), 0);  // clears the check
    lowstate_set_connect_state(1, 0, test_net_router_ip(1));
    ASSERT_EQ(send_acked(test_net_router_ip(1)), 1);
    next_at(*r1);
    from_router(*r1, test_frame(0x0370, 4));
    EXPECT_EQ(errors, std::vector<int>{LOWSTATE_UNEXPECTED_REQUEST});
    EXPECT_TRUE(delivered.empty());
}

TEST_F(AckLayer, WhileOpeningANumberedMessageIsDeliveredDuringTheWait)
{
    // Not connected yet (an open in progress): the reply may come before the
    // acknowledgement.
    ASSERT_EQ(send_acked(test_net_router_ip(1)), 1);
    next_at(*r1);
    from_router(*r1, test_frame(0x0350, 20));
    EXPECT_EQ(next_at(*r1), test_frame_ack(20));
    EXPECT_TRUE(errors.empty());
    ASSERT_EQ(delivered.size(), 1u);
    from_router(*r1, test_frame_ack(1));
    EXPECT_EQ(acked.size(), 1u);
}

TEST_F(AckLayer, NumbersDeliveredDuringTheWaitDoNotBecomeTheLastOne)
{
    lowstate_set_connect_state(1, 1, test_net_router_ip(1));
    ASSERT_EQ(send_acked(test_net_router_ip(1)), 1);
    next_at(*r1);
    from_router(*r2, test_frame(0x0352, 20));  // the filter was kept: another router
    ASSERT_EQ(delivered.size(), 1u);
    from_router(*r1, test_frame_ack(1));
    ASSERT_EQ(acked.size(), 1u);
    from_router(*r1, test_frame(0x0353, 15));
    EXPECT_EQ(delivered.size(), 2u);
}

TEST_F(AckLayer, ConnectionFiltersOtherSendersUnlessTheFilterIsKept)
{
    lowstate_set_connect_state(1, 0, test_net_router_ip(1));
    from_router(*r2, test_frame(0x0360, 3));
    EXPECT_TRUE(delivered.empty());
    EXPECT_TRUE(r2->quiet());  // dropped before it could be acknowledged
    lowstate_set_connect_state(0, 1, 0);
    lowstate_set_connect_state(1, 1, test_net_router_ip(1));
    from_router(*r2, test_frame(0x0361, 3));
    EXPECT_EQ(delivered.size(), 1u);
    lowstate_set_connect_state(0, 1, 0);
    from_router(*r2, test_frame(0x0362, 0));
    EXPECT_EQ(delivered.size(), 2u);
}

TEST_F(AckLayer, DroppingTheConnectionStopsTheRetransmissionTimer)
{
    lowstate_set_connect_state(1, 0, test_net_router_ip(1));
    ASSERT_EQ(send_acked(test_net_router_ip(1)), 1);
    next_at(*r1);
    fake_host_tick(2);
    EXPECT_EQ(r1->drain(20).size(), 1u);  // the first message's repeat, after a second
    lowstate_set_connect_state(0, 1, 0);
    ASSERT_EQ(send_acked(test_net_router_ip(1), 0x0103), 1);
    const Bytes second = next_at(*r1);
    // The new message keeps its own schedule, from the time-out the repeat
    // doubled to two seconds, where it stays: repeats on fine ticks 9, 18,
    // 27, 36 and 45 (ticks 3, 5, 7, 9 and 12), failure on its twelfth tick;
    // the first message's timer adds nothing.
    for (int tick = 1; tick <= 12; tick++) {
        fake_host_tick(1);
        size_t expected = (tick == 3 || tick == 5 || tick == 7 || tick == 9 || tick == 12) ? 1 : 0;
        std::vector<TestDatagram> sent = r1->drain(20);
        ASSERT_EQ(sent.size(), expected) << "tick " << tick;
        if (expected) {
            EXPECT_EQ(sent[0].bytes, second);
        }
        EXPECT_EQ(errors.size(), tick < 12 ? 0u : 1u) << "tick " << tick;
    }
}

int other_timer_fired = 0;
void other_timer()
{
    other_timer_fired++;
}

TEST_F(AckLayer, AFiredRetransmissionTimerCannotCancelTheTimerThatTakesItsSlot)
{
    ASSERT_EQ(send_acked(test_net_router_ip(1)), 1);
    fake_host_tick(12);
    ASSERT_EQ(errors, std::vector<int>{LOWSTATE_NO_ACK});
    other_timer_fired = 0;
    int slot = udp_start_timer(other_timer, 1);
    ASSERT_NE(slot, UDP_NO_TIMER);
    lowstate_set_connect_state(0, 1, 0);  // what the engine's error path does
    fake_host_tick(2);
    EXPECT_EQ(other_timer_fired, 1);
}

TEST_F(AckLayer, NoFreeTimerRefusesTheSendAsBusyAndSendsNothing)
{
    std::vector<int> slots;
    for (int i = 0; i < UDP_TIMER_SLOTS; i++)
        slots.push_back(udp_start_timer(other_timer, 100));
    ASSERT_EQ(slots.back(), UDP_TIMER_SLOTS - 1);
    EXPECT_EQ(send_acked(test_net_router_ip(1)), -1);
    EXPECT_EQ(errors, std::vector<int>{LOWSTATE_BUSY});
    EXPECT_TRUE(r1->quiet());
    udp_stop_timer(slots[3]);
    EXPECT_EQ(send_acked(test_net_router_ip(1)), 1);  // the refused one took no number
    EXPECT_EQ(test_frame_sequence(next_at(*r1)), 1);
    for (int s : slots)
        udp_stop_timer(s);
}

TEST_F(AckLayer, FailedSendReportsItsErrnoAndLeavesTheLayerIdle)
{
    EXPECT_EQ(send_acked(UNREACHABLE), -1);
    EXPECT_EQ(errors, std::vector<int>{ENETUNREACH});
    fake_host_tick(12);
    EXPECT_EQ(errors.size(), 1u);                     // nothing left to time out
    EXPECT_EQ(send_acked(test_net_router_ip(1)), 2);  // the number stays used
    EXPECT_EQ(lowstate_send(UNREACHABLE, 0x0104, nullptr, 0, 0, nullptr), -1);
    EXPECT_EQ(errors, (std::vector<int>{ENETUNREACH, ENETUNREACH}));
}

// The answer came, its acknowledgement did not: the message arrived, so it
// is neither repeated nor given up, and the next message may go at once.
TEST_F(AckLayer, AnAnsweredMessageIsNoLongerAwaited)
{
    lowstate_set_connect_state(1, 0, test_net_router_ip(1));
    int counter = send_acked(test_net_router_ip(1));
    ASSERT_EQ(counter, 1);
    next_at(*r1);
    lowstate_answered(counter);
    fake_host_tick(12);
    EXPECT_TRUE(r1->quiet());
    EXPECT_TRUE(errors.empty());
    // Its acknowledgement, late, finds nothing awaited.
    from_router(*r1, test_frame_ack(1));
    EXPECT_TRUE(acked.empty());
    EXPECT_TRUE(delivered.empty());
    EXPECT_EQ(send_acked(test_net_router_ip(1)), 2);
    EXPECT_TRUE(errors.empty());
}

// An answer to an earlier message, or one while nothing is awaited, changes nothing.
TEST_F(AckLayer, AnAnswerToAnotherMessageChangesNothing)
{
    lowstate_answered(1);  // idle
    ASSERT_EQ(send_acked(test_net_router_ip(1)), 1);
    next_at(*r1);
    from_router(*r1, test_frame_ack(1));
    ASSERT_EQ(send_acked(test_net_router_ip(1)), 2);
    const Bytes second = next_at(*r1);
    for (int stale : {1, 0, -1})
        lowstate_answered(stale);
    fake_host_tick(4);
    EXPECT_EQ(next_at(*r1), second);  // still repeated
    EXPECT_EQ(send_acked(test_net_router_ip(1)), -1);
    EXPECT_EQ(errors, std::vector<int>{LOWSTATE_BUSY});
    from_router(*r1, test_frame_ack(2));
    EXPECT_EQ(acked.size(), 2u);
}

void send_next_from_ack(uint32_t sender, uint16_t, uint16_t, const uint8_t*, int)
{
    chained_ack = nullptr;
    EXPECT_EQ(lowstate_send(sender, 0x0105, nullptr, 0, 1, on_ack), 2);
}

TEST_F(AckLayer, AcknowledgementCallbackMayStartTheNextAcknowledgedSend)
{
    chained_ack = send_next_from_ack;
    ASSERT_EQ(send_acked(test_net_router_ip(1)), 1);
    next_at(*r1);
    from_router(*r1, test_frame_ack(1));
    EXPECT_EQ(next_at(*r1), test_frame(0x0105, 2));
    EXPECT_TRUE(errors.empty());
}

}  // namespace
