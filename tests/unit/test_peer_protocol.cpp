// The simulated router driven with hand-written datagrams from a plain
// socket in the workstation namespace: what it answers, byte by byte, and
// what it keeps. These tests guard the router side that every end-to-end
// test relies on.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "firmware_fixture.h"
#include "peer_process.h"
#include "test_network.h"
#include "test_socket.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t R1 = 0x0A4D0002;        // 10.77.0.2, router 1's namespace address
constexpr uint32_t R2 = 0x0A4D0032;        // 10.77.0.50, a second router in the same process
constexpr uint32_t FW_NEW = 0x0A4D003C;    // 10.77.0.60, the address a download gives
constexpr uint32_t STRANGER = 0x0A4D0063;  // 10.77.0.99, another workstation
const char* const HW1 = "00:a0:f9:00:00:01";
const char* const HW2 = "00:a0:f9:00:00:02";
constexpr int EXCHANGE_WAIT_MS = 3000;  // for an acknowledgement or reply that must come
const Bytes HW1_BYTES = {0x00, 0xa0, 0xf9, 0x00, 0x00, 0x01};

Bytes be16(uint32_t v)
{
    return {uint8_t(v >> 8), uint8_t(v)};
}
Bytes be32(uint32_t v)
{
    return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}
Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}
Bytes text(const std::string& s, size_t width)
{
    Bytes b(width, 0);
    std::memcpy(b.data(), s.data(), std::min(width, s.size()));
    return b;
}
uint32_t get16(const Bytes& b, size_t at)
{
    return uint32_t(b.at(at) << 8 | b.at(at + 1));
}
uint32_t get32(const Bytes& b, size_t at)
{
    return get16(b, at) << 16 | get16(b, at + 2);
}

// The password scrambling, from its description; checked against a
// key stream worked out by hand so the test does not just mirror the peer.
Bytes scramble(const Bytes& in, uint16_t seed)
{
    Bytes out(10);
    unsigned x = ((seed % 257u) & 0xFFu) + 13u;
    for (size_t i = 0; i < 10; ++i) {
        unsigned k = ((x * 167u) >> 6) & 0xFFu;
        out[i] = uint8_t(in[i] ^ k);
        x = k + 13u;
    }
    return out;
}

// A workstation: a plain socket on the router port, every wait bounded.
class Station {
public:
    Station(TestNetwork& net, const std::string& ns, uint32_t own) : sock_(net, ns), own_(own) {}
    bool ok() const { return sock_.ok(); }

    void send(uint32_t to, uint16_t code, uint16_t seq, const Bytes& payload = {})
    {
        ASSERT_TRUE(sock_.send_to(to, test_frame(code, seq, payload)));
    }
    // Everything that arrives until the line is quiet, except our own broadcasts.
    std::vector<TestDatagram> replies(int quiet_ms = 150)
    {
        std::vector<TestDatagram> out;
        for (TestDatagram& d : sock_.drain(quiet_ms))
            if (d.from != own_)
                out.push_back(d);
        return out;
    }
    // Waits (generously) for n datagrams, then takes whatever else follows
    // at once: a test that expects n sees more or fewer.
    std::vector<TestDatagram> expect(size_t n)
    {
        std::vector<TestDatagram> out;
        TestDatagram d;
        while (out.size() < n && next(&d, EXCHANGE_WAIT_MS))
            out.push_back(d);
        for (TestDatagram& more : replies(50))
            out.push_back(more);
        return out;
    }
    // The next datagram from someone else, within `ms`; false when none.
    bool next(TestDatagram* d, int ms = TEST_SOCKET_WAIT_MS)
    {
        int64_t deadline = peer_now_ms() + ms;
        for (int64_t left = ms; left > 0; left = deadline - peer_now_ms())
            if (sock_.receive(d, int(left)) && d->from != own_)
                return true;
        return false;
    }
    // Everything that arrives within `ms`, however busy the line.
    std::vector<TestDatagram> replies_for(int ms)
    {
        std::vector<TestDatagram> out;
        int64_t deadline = peer_now_ms() + ms;
        TestDatagram d;
        for (int64_t left = ms; left > 0; left = deadline - peer_now_ms())
            if (sock_.receive(&d, int(left)) && d.from != own_)
                out.push_back(d);
        return out;
    }
    // Sends a numbered request and expects its acknowledgement first, then
    // exactly one reply of `reply_code`; returns the reply's payload. The
    // waits are generous (a reply that adds an address runs a command), the
    // check that nothing else follows is short.
    Bytes exchange(uint32_t to, uint16_t code, uint16_t seq, const Bytes& payload,
                   uint16_t reply_code)
    {
        send(to, code, seq, payload);
        TestDatagram ack, reply;
        EXPECT_TRUE(next(&ack, EXCHANGE_WAIT_MS)) << "no ack of request " << std::hex << code;
        EXPECT_EQ(ack.bytes, test_frame_ack(seq));
        if (!next(&reply, EXCHANGE_WAIT_MS)) {
            ADD_FAILURE() << "no reply to request " << std::hex << code;
            return {};
        }
        EXPECT_EQ(reply.from, to);
        EXPECT_EQ(test_frame_code(reply.bytes), reply_code);
        EXPECT_TRUE(replies(50).empty()) << "more than one reply to request " << std::hex << code;
        return test_frame_payload(reply.bytes);
    }

private:
    TestSocket sock_;
    uint32_t own_;
};

class PeerProtocol : public ::testing::Test {
protected:
    void SetUp() override { TEST_NETWORK_REQUIRE(net); }

    // Starts one process with router r1 (and r2 when given) in router 1's namespace.
    void start(const SimRouter& r1, const SimRouter* r2 = nullptr)
    {
        std::vector<SimRouter> all = {r1};
        if (r2)
            all.push_back(*r2);
        peer.reset(new PeerProcess(net, net.router(1), all));
        ASSERT_TRUE(peer->start()) << peer->error();
        station.reset(new Station(net, net.workstation(), net.workstation_ip()));
        ASSERT_TRUE(station->ok());
    }

    // Exactly one datagram comes: the acknowledgement of `seq`.
    void got_only_ack(uint16_t seq)
    {
        std::vector<TestDatagram> got = station->expect(1);
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].bytes, test_frame_ack(seq));
    }

    SimRouter state_of(const std::string& name)
    {
        SimRouter r;
        EXPECT_TRUE(peer->router(name, &r)) << peer->error();
        return r;
    }

    TestNetwork net{1};
    std::unique_ptr<PeerProcess> peer;
    std::unique_ptr<Station> station;
};

SimRouter basic_router()
{
    SimRouter r = sim_router("r1", "10.77.0.2", HW1);
    r.phone = "0301234";
    r.firmware = "2.10";
    return r;
}

TEST(PeerScrambleFixture, KeyStreamOfSeedZeroStartsAsWorkedOut)
{
    // x = 13: k = 2171 >> 6 = 33; x = 46: k = 7682 >> 6 = 120; x = 133: k = 22211 >> 6 & 255 = 91.
    Bytes k = scramble(Bytes(10, 0), 0);
    EXPECT_EQ(k[0], 0x21);
    EXPECT_EQ(k[1], 0x78);
    EXPECT_EQ(k[2], 0x5b);
    EXPECT_EQ(scramble(k, 0), Bytes(10, 0));
}

TEST_F(PeerProtocol, ScanAndStateQueryReachEveryRouterOfTheProcess)
{
    SimRouter r1 = basic_router();
    r1.holder = "10.77.0.99";
    r1.channel[1].state = 3;
    r1.channel[1].peer = "10.1.1.1";
    r1.channel[1].phone = "555";
    SimRouter r2 = sim_router("r2", "10.77.0.50", HW2);
    r2.configured = false;
    r2.knobs = {"short-state yes"};
    start(r1, &r2);

    station->send(TEST_NET_BROADCAST_IP, 0xF031, 0);
    std::vector<TestDatagram> got = station->expect(2);
    ASSERT_EQ(got.size(), 2u);
    for (const TestDatagram& d : got) {
        ASSERT_EQ(test_frame_code(d.bytes), 0x3031);
        EXPECT_EQ(test_frame_sequence(d.bytes), 0);
        Bytes p = test_frame_payload(d.bytes);
        ASSERT_EQ(p.size(), 16u);
        if (d.from == R1) {
            EXPECT_EQ(Bytes(p.begin() + 2, p.begin() + 8), HW1_BYTES);
            EXPECT_EQ(get32(p, 8), R1);
            EXPECT_EQ(get32(p, 12), STRANGER);
        } else {
            EXPECT_EQ(d.from, R2);  // an unconfigured router still answers from its own address
            EXPECT_EQ(get32(p, 8), 0u);
            EXPECT_EQ(get32(p, 12), 0u);
        }
    }

    station->send(TEST_NET_BROADCAST_IP, 0xF032, 0);
    got = station->expect(2);
    ASSERT_EQ(got.size(), 2u);
    for (const TestDatagram& d : got) {
        Bytes p = test_frame_payload(d.bytes);
        if (d.from == R1) {
            ASSERT_EQ(p.size(), 64u);
            EXPECT_EQ(p[2], 0);
            EXPECT_EQ(p[27], 3);
            EXPECT_EQ(get32(p, 28), 0x0A010101u);
            EXPECT_EQ(Bytes(p.begin() + 32, p.begin() + 52), text("555", 20));
            EXPECT_EQ(p[52], 1);  // DSS1
            EXPECT_EQ(p[53], 0);
            EXPECT_EQ(Bytes(p.begin() + 54, p.end()), text("2.10", 10));
        } else {
            EXPECT_EQ(p.size(), 52u);
        }
    }

    // A datagram to one address reaches only the router that owns it.
    station->send(R2, 0xF031, 0);
    got = station->expect(1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].from, R2);
}

TEST_F(PeerProtocol, OpenIsRefusedWithTheReasonAndTheHolder)
{
    struct Case {
        const char* what;
        std::vector<std::string> knobs;
        const char* holder;
        const char* exclusive;
        uint16_t reason;
        bool with_holder;
    };
    const Case cases[] = {
        {"held by another station", {}, "10.77.0.99", "0.0.0.0", 4, true},
        {"another station configures it", {}, "0.0.0.0", "10.77.0.99", 5, false},
        {"scripted refusal", {"refuse 6"}, "0.0.0.0", "0.0.0.0", 6, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SimRouter rc = basic_router();
        rc.knobs = c.knobs;
        rc.holder = c.holder;
        rc.exclusive = c.exclusive;
        peer.reset();
        station.reset();
        start(rc);
        Bytes p = station->exchange(R1, 0x1001, 1, {}, 0x3003);
        ASSERT_EQ(p.size(), c.with_holder ? 8u : 4u);
        EXPECT_EQ(get16(p, 2), c.reason);
        if (c.with_holder) {
            EXPECT_EQ(get32(p, 4), STRANGER);
        }
        EXPECT_EQ(state_of("r1").holder, c.holder);  // a refusal takes nothing over
    }
}

TEST_F(PeerProtocol, PasswordIsCheckedWithTheChallengeAndTheRequestNumber)
{
    SimRouter r = basic_router();
    r.password = "geheim";
    r.lines.push_back(sim_line(0, "10.1.1.1", "555"));
    r.routes.push_back(sim_route(3, "255.255.255.0", "10.2.0.0", "10.1.1.1"));
    r.knobs = {"challenge 0x1234", "numbered yes"};
    start(r);

    struct Case {
        const char* what;
        std::string typed;
        int seq_shift;  // added to the request's number in the answer
        bool accepted;
    };
    const Case cases[] = {
        {"wrong password", "geheimx", 0, false},
        {"right password, wrong request number", "geheim", 1, false},
        {"right password", "geheim", 0, true},
    };
    uint16_t seq = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes challenge = station->exchange(R1, 0x1001, seq, {}, 0x1004);
        ASSERT_EQ(challenge, be16(0x1234));
        // The password request is numbered (knob): its number goes back in the answer.
        uint16_t asked = 0;
        for (const PeerLogLine& l : peer->datagrams(PeerLogLine::TX, 0x1004))
            asked = uint16_t(l.seq);
        ASSERT_NE(asked, 0);
        ++seq;
        Bytes answer =
            cat({be16(uint16_t(asked + c.seq_shift)), scramble(text(c.typed, 10), 0x1234)});
        Bytes p = station->exchange(R1, 0x3004, seq, answer, c.accepted ? 0x3001 : 0x3003);
        ++seq;
        if (!c.accepted) {
            ASSERT_EQ(p.size(), 4u);
            EXPECT_EQ(get16(p, 2), 3u);
            continue;
        }
        ASSERT_EQ(p.size(), 44u);
        EXPECT_EQ(get16(p, 2), 1u);  // line slots
        EXPECT_EQ(get16(p, 4), 4u);  // route slots up to the last one used
        EXPECT_EQ(get16(p, 6), 0u);
        EXPECT_EQ(get32(p, 8), 0xFFFFFF00u);
        EXPECT_EQ(Bytes(p.begin() + 12, p.begin() + 32), text("0301234", 20));
        EXPECT_EQ(p[32], 1);
        EXPECT_EQ(p[33], 0);
        EXPECT_EQ(Bytes(p.begin() + 34, p.end()), text("2.10", 10));
    }
    EXPECT_TRUE(peer->wait_event("r1", "password ok"));
    EXPECT_EQ(state_of("r1").holder, "10.77.0.1");
}

// The station retransmits a request whose acknowledgement it has not had:
// the copy (same number, same bytes) is acknowledged again and not handled
// again; the same request under a new number is a new request.
TEST_F(PeerProtocol, ACopyOfTheLastRequestIsAcknowledgedAgainAndHandledOnce)
{
    SimRouter r = basic_router();
    r.lines.push_back(sim_line(0, "10.1.1.1", "555"));
    start(r);
    station->exchange(R1, 0x1001, 1, {}, 0x3001);
    const Bytes get = {0xFF, 0x00, 0x00};
    station->exchange(R1, 0x1011, 2, get, 0x3011);
    station->send(R1, 0x1011, 2, get);
    got_only_ack(2);
    station->exchange(R1, 0x1011, 3, get, 0x3011);
    EXPECT_TRUE(peer->wait_event("r1", "repeat acknowledged: 1011 seq=2"));
}

// A router that takes its time over every request (ack-delay) acknowledges
// and answers only then; a copy that comes meanwhile is acknowledged as
// late, and the request is handled once.
TEST_F(PeerProtocol, ASlowRouterAcknowledgesLateAndAnswersOnce)
{
    SimRouter r = basic_router();
    r.knobs = {"ack-delay 400"};
    start(r);
    station->send(R1, 0x1001, 1);
    station->send(R1, 0x1001, 1);                    // the station's repeat
    EXPECT_TRUE(station->replies_for(250).empty());  // nothing before the delay
    std::vector<TestDatagram> got = station->replies_for(1500);
    int acks = 0, replies = 0;
    for (const TestDatagram& d : got) {
        acks += d.bytes == test_frame_ack(1);
        replies += test_frame_code(d.bytes) == 0x3001;
    }
    EXPECT_EQ(acks, 2);
    EXPECT_EQ(replies, 1);
}

// The open reply to a password was lost and the station sends the same
// password again: the router, open already, answers it again.
TEST_F(PeerProtocol, ARepeatedPasswordIsAnsweredWithTheOpenAgain)
{
    SimRouter r = basic_router();
    r.password = "geheim";
    r.knobs = {"challenge 0x1234"};
    start(r);
    ASSERT_EQ(station->exchange(R1, 0x1001, 1, {}, 0x1004), be16(0x1234));
    Bytes answer = cat({be16(0), scramble(text("geheim", 10), 0x1234)});
    station->exchange(R1, 0x3004, 2, answer, 0x3001);
    station->exchange(R1, 0x3004, 3, answer, 0x3001);
    EXPECT_TRUE(peer->wait_event("r1", "password repeated"));
    EXPECT_EQ(state_of("r1").holder, "10.77.0.1");
}

// Datagrams the router sends are lost at random with send-loss; a seeded
// run loses the same ones again.
TEST_F(PeerProtocol, SendLossDropsAcknowledgementsAndRepliesBySeed)
{
    SimRouter r = basic_router();
    r.knobs = {"send-loss 50 3"};
    start(r);
    for (uint16_t seq = 1; seq <= 20; ++seq)
        station->send(R1, 0xF031, 0);
    std::vector<TestDatagram> got = station->replies_for(800);
    EXPECT_GT(got.size(), 0u);
    EXPECT_LT(got.size(), 20u);
    int lost = 0;
    for (const std::string& e : peer->events("r1"))
        lost += e.compare(0, 9, "lost out:") == 0;
    EXPECT_EQ(size_t(lost) + got.size(), 20u);
}

TEST_F(PeerProtocol, TableSlotsArePutReadAndEmptied)
{
    SimRouter r = basic_router();
    r.routes.push_back(sim_route(0, "255.255.0.0", "10.3.0.0", "10.1.1.1"));
    r.knobs = {"status delete 0"};
    start(r);
    station->exchange(R1, 0x1001, 1, {}, 0x3001);

    // A full line target: every field at its offset, the pair with its NUL.
    Bytes line = cat({{0xFF},
                      be16(2),
                      be32(0x0A010102),
                      text("0307", 20),
                      {2},
                      be16(2048),
                      {3, 1, 8, 7},
                      {1},
                      be16(1),
                      be16(2),
                      be16(3),
                      be16(4),
                      be16(5),
                      be16(6),
                      {9},
                      be16(30),
                      {1, 0, 1},
                      text(std::string("name\0pw", 7), 40),
                      text("in", 40)});
    ASSERT_EQ(line.size(), 133u);
    Bytes filter = cat({{0x0F},
                        be16(0),
                        be32(0xFFFFFF00),
                        be32(0x0A020000),
                        be32(0),
                        be32(0),
                        {6, 1, 0, 0},
                        be16(23)});
    ASSERT_EQ(filter.size(), 25u);

    struct Put {
        const char* what;
        Bytes body;
        uint16_t status;
    };
    const Put puts[] = {
        {"line target in slot 2", line, 0},
        {"filter rule in slot 0", filter, 0},
        {"delete route slot 0", {0xF0, 0x00, 0x00}, 0},
        {"route beyond the 64 slots", cat({{0xF0}, be16(64), be32(1), be32(2), be32(3)}), 11},
        {"body of the wrong length", cat({{0xF0}, be16(1), be32(1)}), 10},
    };
    uint16_t seq = 2;
    for (const Put& p : puts) {
        SCOPED_TRACE(p.what);
        Bytes reply = station->exchange(R1, 0x1017, seq++, p.body, 0x3017);
        ASSERT_EQ(reply.size(), 7u);
        EXPECT_EQ(reply[2], p.body[0]);
        EXPECT_EQ(get16(reply, 3), get16(p.body, 1));
        EXPECT_EQ(get16(reply, 5), p.status);
    }

    // Reads: a used slot gives two bytes and the body as it was put; an
    // empty slot (before, inside or after the table) the short form.
    struct Get {
        uint8_t table;
        uint16_t index;
        Bytes expect;  // after the two leading bytes
    };
    const Get gets[] = {
        {0xFF, 2, line},
        {0xFF, 0, cat({{0xFF}, be16(0)})},
        {0xFF, 7, cat({{0xFF}, be16(7)})},
        {0xF0, 0, cat({{0xF0}, be16(0)})},
        {0x0F, 0, filter},
    };
    for (const Get& g : gets) {
        SCOPED_TRACE("get table " + std::to_string(g.table) + " index " + std::to_string(g.index));
        Bytes reply = station->exchange(R1, 0x1011, seq++, cat({{g.table}, be16(g.index)}), 0x3011);
        ASSERT_EQ(reply.size(), g.expect.size() + 2);
        EXPECT_EQ(Bytes(reply.begin() + 2, reply.end()), g.expect);
    }

    SimRouter now = state_of("r1");
    ASSERT_EQ(now.lines.size(), 1u);
    EXPECT_EQ(now.lines[0].index, 2);
    EXPECT_EQ(now.lines[0].host, "10.1.1.2");  // 0x0A010102
    EXPECT_EQ(now.lines[0].send, std::string("name\0pw", 7));
    EXPECT_EQ(now.lines[0].words[5], 6);
    EXPECT_EQ(now.lines[0].timeout, 30);
    EXPECT_TRUE(now.routes.empty());
    ASSERT_EQ(now.filters.size(), 1u);
    EXPECT_EQ(now.filters[0].port, 23);

    // The sizes a new open reports follow the slots.
    station->send(R1, 0x1003, 0);
    Bytes open = station->exchange(R1, 0x1001, 1, {}, 0x3001);
    ASSERT_GE(open.size(), 8u);
    EXPECT_EQ(get16(open, 2), 3u);
    EXPECT_EQ(get16(open, 4), 0u);
    EXPECT_EQ(get16(open, 6), 1u);
}

TEST_F(PeerProtocol, ForcedStatusesAndPermanentLimitRefuseWithoutChange)
{
    struct Case {
        const char* what;
        std::vector<std::string> knobs;
        int permanent;
        uint16_t index;
        uint16_t status;
    };
    const Case cases[] = {
        {"flash error on puts", {"status put 12"}, 0, 0, 12},
        {"table full on puts", {"status put 11"}, 0, 0, 11},
        {"second line target of a permanent router", {}, 1, 1, 11},
        {"first line target of a permanent router", {}, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SimRouter r = basic_router();
        r.permanent = c.permanent;
        r.knobs = c.knobs;
        peer.reset();
        station.reset();
        start(r);
        station->exchange(R1, 0x1001, 1, {}, 0x3001);
        Bytes line = cat({{0xFF}, be16(c.index), be32(0x0A010101), Bytes(126, 0)});
        Bytes reply = station->exchange(R1, 0x1017, 2, line, 0x3017);
        ASSERT_EQ(reply.size(), 7u);
        EXPECT_EQ(get16(reply, 5), c.status);
        EXPECT_EQ(state_of("r1").lines.size(), c.status == 0 ? 1u : 0u);
    }
}

TEST_F(PeerProtocol, AccountingReadsAndResetsByPosition)
{
    SimRouter r = basic_router();
    SimLine a = sim_line(0, "10.1.1.1", "1");
    SimLine b = sim_line(4, "10.1.1.2", "2");  // the second line target sits in slot 4
    for (int i = 0; i < SIM_COUNTERS; ++i) {
        a.counters[i] = uint32_t(i + 1);
        b.counters[i] = 0x80000000u + uint32_t(i);
    }
    r.lines = {a, b};
    start(r);
    station->exchange(R1, 0x1001, 1, {}, 0x3001);

    Bytes p =
        station->exchange(R1, 0x1012, 2, {0xFF, 0x00, 0x01}, 0x3012);  // read and reset position 1
    ASSERT_EQ(p.size(), 32u);
    EXPECT_EQ(get16(p, 2), 0u);
    for (int i = 0; i < SIM_COUNTERS; ++i)
        EXPECT_EQ(get32(p, 4 + 4 * size_t(i)), 0x80000000u + uint32_t(i));
    p = station->exchange(R1, 0x1012, 3, {0x00, 0x00, 0x01}, 0x3012);
    ASSERT_EQ(p.size(), 32u);
    for (int i = 0; i < SIM_COUNTERS; ++i)
        EXPECT_EQ(get32(p, 4 + 4 * size_t(i)), 0u);
    p = station->exchange(R1, 0x1012, 4, {0x00, 0x00, 0x00}, 0x3012);  // plain read keeps them
    p = station->exchange(R1, 0x1012, 5, {0x00, 0x00, 0x00}, 0x3012);
    EXPECT_EQ(get32(p, 4), 1u);
    EXPECT_EQ(get32(p, 28), 7u);
    p = station->exchange(R1, 0x1012, 6, {0x00, 0x00, 0x02}, 0x3012);  // no third line target
    EXPECT_EQ(get16(p, 2), 10u);

    SimRouter now = state_of("r1");
    ASSERT_EQ(now.lines.size(), 2u);
    EXPECT_EQ(now.lines[0].counters[6], 7u);
    EXPECT_EQ(now.lines[1].counters[0], 0u);
}

TEST_F(PeerProtocol, SetPasswordUnscramblesWithTheCarriedSeed)
{
    SimRouter r = basic_router();
    r.password = "alt";
    r.knobs = {"challenge 77"};
    start(r);
    Bytes challenge = station->exchange(R1, 0x1001, 1, {}, 0x1004);
    ASSERT_EQ(challenge, be16(77));
    station->exchange(R1, 0x3004, 2, cat({be16(0), scramble(text("alt", 10), 77)}), 0x3001);

    struct Case {
        const char* what;
        std::string current;
        std::string fresh;
        uint8_t exclusive;
        uint16_t status;
        std::string password_after;
        std::string exclusive_after;
    };
    const Case cases[] = {
        {"wrong current password", "falsch", "neu", 0xFF, 3, "alt", "0.0.0.0"},
        {"right current password, exclusive", "alt", "neu12345", 0xFF, 0, "neu12345", "10.77.0.1"},
        {"ten characters, not exclusive", "neu12345", "0123456789", 0x00, 0, "0123456789",
         "0.0.0.0"},
    };
    uint16_t seq = 3, seed = 0x4321;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes msg = cat({be16(seed),
                         {c.exclusive},
                         scramble(text(c.fresh, 10), seed),
                         scramble(text(c.current, 10), seed)});
        Bytes p = station->exchange(R1, 0x1005, seq++, msg, 0x3005);
        ASSERT_EQ(p.size(), 4u);
        EXPECT_EQ(get16(p, 2), c.status);
        SimRouter now = state_of("r1");
        EXPECT_EQ(now.password, c.password_after);
        EXPECT_EQ(now.exclusive, c.exclusive_after);
        seed = uint16_t(seed * 7 + 1);
    }
}

TEST_F(PeerProtocol, ResetDropsTheConfigurationAndScansReportAddressZero)
{
    SimRouter r = basic_router();
    r.password = "";
    r.lines.push_back(sim_line(0, "10.1.1.1", "555"));
    r.filters.push_back(sim_filter(0, "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 0, 1, 0));
    start(r);
    station->exchange(R1, 0x1001, 1, {}, 0x3001);
    station->send(R1, 0x0004, 0);
    ASSERT_TRUE(peer->wait_event("r1", "reset"));

    station->send(TEST_NET_BROADCAST_IP, 0xF031, 0);
    std::vector<TestDatagram> got = station->expect(1);
    ASSERT_EQ(got.size(), 1u);
    Bytes p = test_frame_payload(got[0].bytes);
    ASSERT_EQ(p.size(), 16u);
    EXPECT_EQ(Bytes(p.begin() + 2, p.begin() + 8), HW1_BYTES);
    EXPECT_EQ(get32(p, 8), 0u);
    EXPECT_EQ(get32(p, 12), 0u);  // nobody holds it any more

    // SIGTERM ends the program cleanly, its last state on file.
    EXPECT_EQ(peer->stop(), 0);
    SimRouter now = state_of("r1");
    EXPECT_FALSE(now.configured);
    EXPECT_TRUE(now.lines.empty());
    EXPECT_TRUE(now.filters.empty());
    EXPECT_EQ(now.holder, "0.0.0.0");
    EXPECT_NE(peer->log_text().find("stopped by signal"), std::string::npos);
}

// One patch record: header, body at its offsets, checksum over the whole.
Bytes patch_record(uint16_t type, uint16_t length, uint16_t index,
                   const std::vector<std::pair<size_t, Bytes>>& fields)
{
    Bytes rec(length, 0);
    rec[0] = 0xEF;
    rec[1] = 0xBE;
    rec[4] = uint8_t(type);
    rec[6] = uint8_t(length);
    rec[8] = uint8_t(index);
    for (const auto& f : fields)
        std::copy(f.second.begin(), f.second.end(), rec.begin() + long(f.first));
    uint32_t sum = 0;
    for (size_t i = 0; i < rec.size(); i += 2)
        sum += uint32_t(rec[i] << 8 | rec[i + 1]);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    uint16_t check = uint16_t(~sum);
    rec[2] = uint8_t(check >> 8);
    rec[3] = uint8_t(check);
    return rec;
}
Bytes le32(uint32_t v)
{
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

TEST_F(PeerProtocol, FirmwareIsReassembledAndItsConfigurationTaken)
{
    SimRouter r = basic_router();
    r.lines.push_back(sim_line(0, "10.1.1.1", "555"));
    r.knobs = {"restart-delay 50"};
    start(r);

    // An image whose patch area (paragraph 0x8001: offset 16) carries a
    // router record and one route; its size is not a multiple of 500.
    FirmwareFixtureLayout layout;
    layout.paragraph = 0x8001;
    Bytes image = firmware_fixture_bytes(layout);
    Bytes router = patch_record(1, 70, 0,
                                {{10, le32(FW_NEW)},
                                 {14, le32(0xFFFF0000)},
                                 {24, text("0409", 20)},
                                 {44, {0}},
                                 {49, text("neu", 10)},
                                 {59, {0}},
                                 {60, text("3.0", 10)}});
    Bytes route = patch_record(
        3, 28, 0, {{12, le32(0xFFFFFF00)}, {16, le32(0x0A050000)}, {24, le32(0x0A4D0001)}});
    std::copy(router.begin(), router.end(), image.begin() + 16);
    std::copy(route.begin(), route.end(), image.begin() + 16 + 70);
    image.resize(image.size() + 123, 0x5A);

    station->send(TEST_NET_BROADCAST_IP, 0x0001, 0, cat({HW1_BYTES, be32(FW_NEW)}));
    TestDatagram reply;
    ASSERT_TRUE(station->next(&reply, EXCHANGE_WAIT_MS));  // after the address was added
    EXPECT_EQ(reply.from, FW_NEW);
    EXPECT_EQ(test_frame_code(reply.bytes), 0x0011);
    EXPECT_EQ(test_frame_payload(reply.bytes), be32(FW_NEW));
    EXPECT_TRUE(station->replies(50).empty());

    uint16_t seq = 1;
    for (size_t off = 0; off <= image.size(); off += 500) {
        size_t n = std::min<size_t>(500, image.size() - off);
        station->send(FW_NEW, 0x0002, seq,
                      cat({be32(uint32_t(off)),
                           Bytes(image.begin() + long(off), image.begin() + long(off + n))}));
        TestDatagram ack;
        ASSERT_TRUE(station->next(&ack)) << "chunk at " << off;
        EXPECT_EQ(ack.bytes, test_frame_ack(seq));
        EXPECT_EQ(ack.from, FW_NEW);
        ++seq;
        if (n < 500)
            break;
    }
    EXPECT_TRUE(station->replies(50).empty());  // chunks are only acknowledged
    ASSERT_TRUE(peer->wait_event("r1", "image complete size=" + std::to_string(image.size())));
    EXPECT_EQ(peer->image("r1"), image);

    station->send(FW_NEW, 0x0003, 0);
    TestDatagram announce;
    ASSERT_TRUE(station->next(&announce, EXCHANGE_WAIT_MS));  // unasked
    EXPECT_TRUE(station->replies(50).empty());
    EXPECT_EQ(announce.from, FW_NEW);
    EXPECT_EQ(test_frame_code(announce.bytes), 0x3031);
    Bytes p = test_frame_payload(announce.bytes);
    ASSERT_EQ(p.size(), 16u);
    EXPECT_EQ(get32(p, 8), FW_NEW);

    SimRouter now = state_of("r1");
    EXPECT_EQ(now.address, "10.77.0.60");
    EXPECT_TRUE(now.configured);
    EXPECT_EQ(now.netmask, "255.255.0.0");
    EXPECT_EQ(now.phone, "0409");
    EXPECT_EQ(now.password, "neu");
    EXPECT_EQ(now.firmware, "3.0");
    EXPECT_EQ(now.isdn, 0);
    EXPECT_TRUE(now.lines.empty());  // the image's tables replace the old ones
    ASSERT_EQ(now.routes.size(), 1u);
    EXPECT_EQ(now.routes[0].match, "10.5.0.0");
    EXPECT_EQ(now.routes[0].gateway, "10.77.0.1");
}

TEST_F(PeerProtocol, FaultKnobsWithholdAcknowledgementsAndReplies)
{
    SimRouter r = basic_router();
    r.knobs = {"drop-acks 2", "mute GET_ENTRY_REQUEST", "own PUT_ENTRY_REQUEST LINEMON_DATA",
               "silent-after 6"};
    start(r);

    // The first two transmissions of the open go unanswered, the third is taken.
    station->send(R1, 0x1001, 1);
    EXPECT_TRUE(station->replies().empty());
    station->send(R1, 0x1001, 1);
    EXPECT_TRUE(station->replies().empty());
    station->exchange(R1, 0x1001, 1, {}, 0x3001);

    // Muted: acknowledged, not answered.
    station->send(R1, 0x1011, 2, {0xFF, 0, 0});
    std::vector<TestDatagram> got = station->expect(1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].bytes, test_frame_ack(2));

    // A numbered message of its own comes before the acknowledgement.
    station->send(R1, 0x1017, 3, {0xF0, 0, 0});
    got = station->expect(3);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(test_frame_code(got[0].bytes), 0x0F01);
    EXPECT_NE(test_frame_sequence(got[0].bytes), 0);
    EXPECT_EQ(test_frame_payload(got[0].bytes).size(), 86u);
    EXPECT_EQ(got[1].bytes, test_frame_ack(3));
    EXPECT_EQ(test_frame_code(got[2].bytes), 0x3017);

    // The sixth request (the two lost opens count) is still answered, then silence.
    station->send(R1, 0xF031, 0);
    EXPECT_EQ(station->expect(1).size(), 1u);
    station->send(R1, 0xF031, 0);
    station->send(R1, 0x1011, 4, {0xFF, 0, 0});
    EXPECT_TRUE(station->replies().empty());
}

// lose-acks: the request is handled and answered, only its acknowledgement
// never leaves; counted per request code when one is named.
TEST_F(PeerProtocol, LostAcknowledgementsLeaveTheAnswers)
{
    SimRouter r = basic_router();
    r.lines.push_back(sim_line(0, "10.1.1.1", "555"));
    r.knobs = {"lose-acks 2 GET_ENTRY_REQUEST"};
    start(r);
    station->exchange(R1, 0x1001, 1, {}, 0x3001);  // another code: acknowledged
    for (uint16_t seq : {2, 3}) {
        station->send(R1, 0x1011, seq, {0xFF, 0, 0});
        std::vector<TestDatagram> got = station->expect(1);
        ASSERT_EQ(got.size(), 1u) << "seq " << seq;
        EXPECT_EQ(test_frame_code(got[0].bytes), 0x3011) << "the answer alone";
    }
    station->exchange(R1, 0x1011, 4, {0xFF, 0, 0}, 0x3011);  // the third is acknowledged again
    int lost = 0;
    for (const std::string& e : peer->events("r1"))
        lost += e.compare(0, 9, "ack lost:") == 0;
    EXPECT_EQ(lost, 2);
}

// sequence-start: the router's own numbers begin there and pass 65535 to 1.
TEST_F(PeerProtocol, OwnNumbersStartWhereTheScriptSaysAndWrapPastZero)
{
    SimRouter r = basic_router();
    r.knobs = {"numbered yes", "sequence-start 65534"};
    start(r);
    std::vector<uint16_t> numbers;
    for (uint16_t seq : {1, 2, 3}) {
        station->send(R1, seq == 1 ? 0x1001 : 0x1011, seq, seq == 1 ? Bytes{} : Bytes{0xFF, 0, 0});
        std::vector<TestDatagram> got = station->expect(2);
        ASSERT_EQ(got.size(), 2u);
        numbers.push_back(test_frame_sequence(got[1].bytes));
    }
    EXPECT_EQ(numbers, (std::vector<uint16_t>{65534, 65535, 1}));
}

// announce-restart no: after the start command the router comes back under
// its new address without a word, but answers the next scan from there.
TEST_F(PeerProtocol, SilentRestartIsFoundByAScan)
{
    SimRouter r = basic_router();
    r.knobs = {"restart-delay 50", "announce-restart no"};
    start(r);
    station->send(TEST_NET_BROADCAST_IP, 0x0001, 0, cat({HW1_BYTES, be32(FW_NEW)}));
    TestDatagram reply;
    ASSERT_TRUE(station->next(&reply, EXCHANGE_WAIT_MS));
    station->send(FW_NEW, 0x0002, 1, cat({be32(0), Bytes(100, 0x11)}));
    got_only_ack(1);
    station->send(FW_NEW, 0x0003, 0);
    ASSERT_TRUE(peer->wait_event("r1", "announcement lost"));
    EXPECT_TRUE(station->replies(200).empty());
    station->send(TEST_NET_BROADCAST_IP, 0xF031, 0);
    std::vector<TestDatagram> got = station->expect(1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].from, FW_NEW);
    EXPECT_EQ(get32(test_frame_payload(got[0].bytes), 8), FW_NEW);
}

TEST_F(PeerProtocol, RouterDataIsTakenAndTheNewAddressServesAfterTheClose)
{
    constexpr uint32_t NEW_ADDRESS = 0x0A4D0046;  // 10.77.0.70
    start(basic_router());
    station->exchange(R1, 0x1001, 1, {}, 0x3001);
    Bytes data = cat({be32(NEW_ADDRESS), be32(0xFFFFFFF0), text("0409876", 20), {2}});
    Bytes p = station->exchange(R1, 0x1018, 2, data, 0x3018);
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(get16(p, 2), 0u);
    SimRouter now = state_of("r1");
    EXPECT_EQ(now.address, "10.77.0.70");
    EXPECT_EQ(now.netmask, "255.255.255.240");
    EXPECT_EQ(now.phone, "0409876");
    EXPECT_EQ(now.permanent, 2);

    // The station that changed it keeps its registration on the old address.
    p = station->exchange(R1, 0x1011, 3, {0xFF, 0, 0}, 0x3011);
    EXPECT_EQ(p.size(), 5u);
    station->send(R1, 0x1003, 0);
    ASSERT_TRUE(peer->wait_event("r1", "closed"));
    station->send(R1, 0xF031, 0);
    EXPECT_TRUE(station->replies().empty());
    station->send(NEW_ADDRESS, 0xF031, 0);
    std::vector<TestDatagram> got = station->expect(1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].from, NEW_ADDRESS);
    EXPECT_EQ(get32(test_frame_payload(got[0].bytes), 8), NEW_ADDRESS);
}

TEST_F(PeerProtocol, PasswordNotGivenInTimeEndsInAnUnaskedRefusal)
{
    SimRouter r = basic_router();
    r.password = "geheim";
    r.knobs = {"password-timeout 200"};
    start(r);
    station->exchange(R1, 0x1001, 1, {}, 0x1004);
    TestDatagram d;
    ASSERT_TRUE(station->next(&d, 1000));
    ASSERT_EQ(test_frame_code(d.bytes), 0x3003);
    Bytes p = test_frame_payload(d.bytes);
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(get16(p, 2), 6u);
    // A late answer finds no registration waiting for it.
    station->send(R1, 0x3004, 2, cat({be16(0), Bytes(10, 0)}));
    got_only_ack(2);
}

TEST_F(PeerProtocol, DelayHoldsRepliesButNotAcknowledgementsAndLossFollowsItsSeed)
{
    SimRouter r = basic_router();
    r.knobs = {"delay 300"};
    SimRouter lossy = sim_router("r2", "10.77.0.50", HW2);
    lossy.knobs = {"loss 50 7"};
    start(r, &lossy);

    int64_t sent = peer_now_ms();
    station->send(R1, 0x1001, 1);
    TestDatagram d;
    ASSERT_TRUE(station->next(&d, EXCHANGE_WAIT_MS));
    EXPECT_EQ(d.bytes, test_frame_ack(1));
    int64_t acked = peer_now_ms();
    ASSERT_TRUE(station->next(&d, EXCHANGE_WAIT_MS));
    EXPECT_EQ(test_frame_code(d.bytes), 0x3001);
    EXPECT_GE(peer_now_ms() - sent, 295);
    EXPECT_GE(peer_now_ms() - acked, 200);  // the acknowledgement did not wait

    int answered = 0;
    for (int i = 0; i < 40; ++i) {
        station->send(R2, 0xF031, 0);
        answered += int(station->replies(30).size());
    }
    answered += int(station->replies(300).size());
    EXPECT_GT(answered, 5);
    EXPECT_LT(answered, 35);
    int lost = 0;
    for (const std::string& e : peer->events("r2"))
        lost += e.compare(0, 5, "lost:") == 0;
    EXPECT_EQ(answered + lost, 40);
}

// The network's faults run on the program's own clock: with every datagram
// held 200 ms on its way in and delivered twice on its way out, the station
// hears nothing for 200 ms, then the acknowledgement and the reply twice
// each; the router took the request once and the copy as a repeat.
TEST_F(PeerProtocol, TransitAndDuplicationRunOnTheProgramsClock)
{
    SimRouter r = basic_router();
    r.knobs = {"transit 200", "send-duplicate 100", "repeat answer"};
    start(r);
    station->send(R1, 0x1001, 1);
    EXPECT_TRUE(station->replies_for(150).empty());
    std::vector<TestDatagram> got = station->replies_for(1000);
    int acks = 0, replies = 0;
    for (const TestDatagram& d : got) {
        acks += d.bytes == test_frame_ack(1);
        replies += test_frame_code(d.bytes) == 0x3001;
    }
    EXPECT_EQ(acks, 2);
    EXPECT_EQ(replies, 2);
    EXPECT_EQ(peer->datagrams(PeerLogLine::RX, 0x1001).size(), 1u);
    EXPECT_TRUE(peer->wait_event("r1", "duplicated out: 3001 seq=0"));
}

TEST_F(PeerProtocol, LineMonitorReportsChannelsSetUpAndCleared)
{
    SimRouter r = basic_router();
    r.lines.push_back(sim_line(0, "10.1.1.1", "111"));
    r.lines.push_back(sim_line(1, "10.1.1.2", "222"));
    r.knobs = {"linemon-interval 100"};
    start(r);
    station->exchange(R1, 0x1001, 1, {}, 0x3001);

    station->send(R1, 0x1013, 2, {0x00, 0x00, 0x01});  // dial the second line target
    station->send(R1, 0x1015, 3);
    std::vector<TestDatagram> got = station->replies_for(350);
    std::vector<Bytes> reports;
    for (const TestDatagram& d : got)
        if (test_frame_code(d.bytes) == 0x0F01) {
            EXPECT_EQ(test_frame_sequence(d.bytes), 0);
            reports.push_back(test_frame_payload(d.bytes));
        }
    ASSERT_GE(reports.size(), 2u);
    const Bytes& rep = reports.back();
    ASSERT_EQ(rep.size(), 86u);
    EXPECT_EQ(rep[0], 3);                   // channel 1 connected
    EXPECT_EQ(get32(rep, 3), 0x0A010102u);  // to the second line target
    EXPECT_EQ(Bytes(rep.begin() + 7, rep.begin() + 27), text("222", 20));
    EXPECT_EQ(rep[43], 0);  // channel 2 free

    station->send(R1, 0x1014, 4, {0x00});  // hang up channel 1
    got = station->replies_for(250);
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(test_frame_payload(got.back().bytes)[0], 0);

    station->send(R1, 0x1016, 5);
    station->replies_for(100);
    EXPECT_TRUE(station->replies(300).empty());          // no more reports
    EXPECT_EQ(state_of("r1").lines[1].counters[1], 1u);  // one call out
}

}  // namespace

namespace {

TEST(PeerScript, FaultyScriptLineEndsTheProgramWithItsLineNumber)
{
    TestNetwork net(1);
    TEST_NETWORK_REQUIRE(net);
    struct Case {
        std::vector<std::string> global;
        std::string knob;
        const char* expect;
    };
    const Case cases[] = {
        {{"bogus 1"}, "", "line 1: unknown keyword bogus"},
        {{}, "status put eleven", "line 15: expected status put"},
        {{}, "mute NO_SUCH_MESSAGE", "unknown message NO_SUCH_MESSAGE"},
        {{}, "sequence-start 0", "sequence number 1 to 65535"},
        {{}, "lose-acks 1 NO_SUCH_MESSAGE", "expected lose-acks N [CODE]"},
        {{}, "repeat sometimes", "expected repeat answer|process|ack-only"},
    };
    for (const Case& c : cases) {
        SimRouter r = sim_router("r1", "10.77.0.2", "00:a0:f9:00:00:01");
        if (!c.knob.empty())
            r.knobs = {c.knob};
        PeerProcess peer(net, net.router(1), {r}, c.global);
        EXPECT_FALSE(peer.start());
        EXPECT_NE(peer.error().find(c.expect), std::string::npos) << peer.error();
    }
}

}  // namespace
