// One simulated router in-process, on a clock the test advances: its own
// time (acknowledgement and reply delays), what it does with a request that
// arrives twice (the repeat modes), and the network's faults both ways
// (duplicates, damaged bytes, time in transit), each by its script knob.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "router.h"
#include "script.h"
#include "wire.h"

namespace {

constexpr uint32_t STATION = 0x0A4D0001;  // 10.77.0.1
constexpr uint32_t ROUTER = 0x0A4D0002;   // 10.77.0.2
constexpr uint16_t CHALLENGE = 0x1234;

// What a test sees of one datagram the router sent.
struct Sent {
    int64_t at;  // virtual ms
    uint32_t to;
    Bytes datagram;
    uint16_t code() const { return WireReader{datagram.data(), datagram.size()}.u16(0); }
    Bytes payload() const { return Bytes(datagram.begin() + WIRE_HEADER_LEN, datagram.end()); }
};

// The program around the router, with a virtual clock: timers run when the
// test advances time past them, in the order they fall due.
class VirtualHost : public PeerHost {
public:
    int64_t now = 0;
    std::vector<Sent> sent;
    std::vector<std::string> events;

    void send(uint32_t from, uint32_t to, const Bytes& datagram, int delay_ms) override
    {
        if (delay_ms > 0) {
            after(delay_ms, [this, from, to, datagram] { send(from, to, datagram, 0); });
            return;
        }
        EXPECT_EQ(from, ROUTER);
        sent.push_back({now, to, datagram});
    }
    void event(const PeerRouter&, const std::string& text) override { events.push_back(text); }
    void changed() override {}
    void after(int delay_ms, std::function<void()> fn) override
    {
        timers_.emplace(now + delay_ms, std::move(fn));
    }
    bool ensure_address(uint32_t, int) override { return true; }
    std::string save_image(const PeerRouter&) override { return "image"; }

    void advance(int64_t ms)
    {
        int64_t until = now + ms;
        while (!timers_.empty() && timers_.begin()->first <= until) {
            auto due = timers_.begin();
            now = due->first;
            std::function<void()> fn = std::move(due->second);
            timers_.erase(due);
            fn();
        }
        now = until;
    }
    // The events that begin with `prefix`.
    int events_starting(const std::string& prefix) const
    {
        return int(std::count_if(events.begin(), events.end(), [&](const std::string& e) {
            return e.compare(0, prefix.size(), prefix) == 0;
        }));
    }

private:
    std::multimap<int64_t, std::function<void()>> timers_;
};

Bytes password_answer(uint16_t asked_seq, const std::string& password, uint16_t challenge)
{
    uint8_t plain[WIRE_PASSWORD_LEN] = {};
    std::copy(password.begin(), password.end(), plain);
    uint8_t scrambled[WIRE_PASSWORD_LEN];
    wire_scramble(scrambled, plain, challenge);
    WireWriter w;
    w.u16(asked_seq).raw(scrambled, WIRE_PASSWORD_LEN);
    return w.bytes;
}

class RouterKnobs : public ::testing::Test {
protected:
    // One router at ROUTER with a line target whose counters are 1 to 7,
    // and the given knob lines.
    void start(const std::vector<std::string>& knobs, const std::string& password = "")
    {
        std::string text =
            "router r1\naddress 10.77.0.2\nhw 00:a0:f9:00:00:01\n"
            "line 0 host=10.1.1.1 counters=1,2,3,4,5,6,7\n"
            "line 1 host=10.1.1.2 counters=11,12,13,14,15,16,17\n";
        if (!password.empty())
            text += "password " + password + "\nchallenge 4660\n";
        for (const std::string& k : knobs)
            text += k + "\n";
        PeerScript script;
        std::string why;
        ASSERT_TRUE(script_parse(text, &script, &why)) << why;
        ASSERT_EQ(script.routers.size(), 1u);
        router = script.routers[0];
        router_start(router);
    }

    void deliver(uint16_t code, uint16_t seq, const Bytes& payload = {})
    {
        PeerInput in{STATION, ROUTER, 0, code, seq, payload.data(), payload.size()};
        router_receive(router, host, in);
    }
    // Opens the router (no password) and forgets what that sent.
    void open()
    {
        deliver(MSG_OPEN_REQUEST, 1);
        host.advance(10000);
        ASSERT_EQ(router.session, SESSION_OPEN);
        host.sent.clear();
        host.events.clear();
    }

    std::vector<Sent> of_code(uint16_t code) const
    {
        std::vector<Sent> out;
        for (const Sent& s : host.sent)
            if (s.code() == code)
                out.push_back(s);
        return out;
    }
    std::vector<Sent> acks_of(uint16_t seq) const
    {
        std::vector<Sent> out;
        WireWriter ack;
        ack.u16(seq);
        for (const Sent& s : host.sent)
            if (s.datagram == wire_datagram(WIRE_ACK, 0, ack.bytes))
                out.push_back(s);
        return out;
    }

    PeerRouter router;
    VirtualHost host;
};

// ------------------------------------------------------------- timing ---

TEST_F(RouterKnobs, AcknowledgementAndReplyTimesAreSetApart)
{
    struct Case {
        const char* what;
        std::vector<std::string> knobs;
        int ack_min, ack_max;      // ms after the request
        int reply_min, reply_max;  // ms after the request
    };
    const Case cases[] = {
        {"no knob: both at once", {}, 0, 0, 0, 0},
        {"acknowledges at once, answers after 2.0-2.5 s", {"delay 2000 2500"}, 0, 0, 2000, 2500},
        {"takes 0.2 s for both", {"ack-delay 200"}, 200, 200, 200, 200},
        {"acknowledges in 1.5 s, answers 0.3 s later",
         {"ack-delay 1500", "delay 300"},
         1500,
         1500,
         1800,
         1800},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host = VirtualHost();
        start(c.knobs);
        open();
        std::vector<int> reply_times;
        for (uint16_t i = 0; i < 20; ++i) {
            int64_t asked = host.now;
            uint16_t seq = uint16_t(2 + i);
            deliver(MSG_GET_ENTRY_REQUEST, seq, {PEER_TABLE_LINES, 0, uint8_t(i % 2)});
            host.advance(3000);
            std::vector<Sent> acks = acks_of(seq);
            ASSERT_EQ(acks.size(), 1u);
            EXPECT_GE(acks[0].at - asked, c.ack_min);
            EXPECT_LE(acks[0].at - asked, c.ack_max);
            std::vector<Sent> replies = of_code(MSG_GET_ENTRY_REPLY);
            ASSERT_EQ(replies.size(), size_t(i) + 1);
            reply_times.push_back(int(replies.back().at - asked));
        }
        int lo = *std::min_element(reply_times.begin(), reply_times.end());
        int hi = *std::max_element(reply_times.begin(), reply_times.end());
        EXPECT_GE(lo, c.reply_min);
        EXPECT_LE(hi, c.reply_max);
        if (c.reply_max > c.reply_min) {
            EXPECT_GT(hi - lo, (c.reply_max - c.reply_min) / 2) << "the times spread";
        }
    }
}

TEST_F(RouterKnobs, ARandomReplyTimeFollowsItsSeed)
{
    auto times = [this](const std::string& knob) {
        host = VirtualHost();
        start({knob});
        open();
        std::vector<int64_t> out;
        for (uint16_t seq = 2; seq < 12; ++seq) {
            int64_t asked = host.now;
            deliver(MSG_GET_ENTRY_REQUEST, seq, {PEER_TABLE_LINES, 0, 0});
            host.advance(3000);
            out.push_back(of_code(MSG_GET_ENTRY_REPLY).back().at - asked);
        }
        return out;
    };
    EXPECT_EQ(times("delay 2000 2500 7"), times("delay 2000 2500 7"));
    EXPECT_NE(times("delay 2000 2500 7"), times("delay 2000 2500 8"));
}

// --------------------------------------------------------- repeat modes ---

// A request that changes the router's state arrives a second time, under
// its own number or under a new one: what each repeat mode answers, and
// what the router's state shows of it.
TEST_F(RouterKnobs, RepeatModesAnswerHandleOrOnlyAcknowledgeASecondArrival)
{
    const Bytes read_and_reset = {0xFF, 0x00, 0x00};
    struct Case {
        const char* mode;
        bool new_number;
        size_t replies;       // accounting replies after both arrivals
        bool second_is_zero;  // the second reply shows counters reset by the first
        int resets;           // "accounting reset" events
        const char* event;
    };
    const Case cases[] = {
        {"repeat answer", false, 2, false, 1, "repeat answered: 1012 seq=2"},
        {"repeat answer", true, 2, false, 1, "asked again answered: 1012 seq=3 (first seq=2)"},
        {"repeat process", false, 2, true, 2, "repeat handled: 1012 seq=2"},
        {"repeat process", true, 2, true, 2, "asked again handled: 1012 seq=3 (first seq=2)"},
        {"repeat ack-only", false, 1, false, 1, "repeat acknowledged: 1012 seq=2"},
        {"repeat ack-only", true, 1, false, 1,
         "asked again acknowledged: 1012 seq=3 (first seq=2)"},
        // Without the knob: a copy under its number is acknowledged only,
        // the same bytes under a new number are a new request.
        {"", false, 1, false, 1, "repeat acknowledged: 1012 seq=2"},
        {"", true, 2, true, 2, "asked again handled: 1012 seq=3 (first seq=2)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + (c.new_number ? ", new number" : ", same number"));
        host = VirtualHost();
        start(*c.mode ? std::vector<std::string>{c.mode, "ack-delay 200"}
                      : std::vector<std::string>{"ack-delay 200"});
        open();
        deliver(MSG_GET_ACCOUNTING_REQUEST, 2, read_and_reset);
        host.advance(1000);
        uint16_t second = c.new_number ? 3 : 2;
        deliver(MSG_GET_ACCOUNTING_REQUEST, second, read_and_reset);
        host.advance(1000);
        EXPECT_EQ(acks_of(second).size(), c.new_number ? 1u : 2u);
        std::vector<Sent> replies = of_code(MSG_GET_ACCOUNTING_REPLY);
        ASSERT_EQ(replies.size(), c.replies);
        WireReader first{replies[0].datagram.data() + 4, replies[0].datagram.size() - 4};
        EXPECT_EQ(first.u32(4), 1u);
        EXPECT_EQ(first.u32(28), 7u);
        if (c.replies == 2) {
            WireReader again{replies[1].datagram.data() + 4, replies[1].datagram.size() - 4};
            EXPECT_EQ(again.u32(4), c.second_is_zero ? 0u : 1u);
            if (!c.second_is_zero) {
                EXPECT_EQ(replies[1].datagram, replies[0].datagram);
            }
        }
        EXPECT_EQ(host.events_starting("accounting reset"), c.resets);
        EXPECT_EQ(router.lines[0].counters[0], 0u);
        EXPECT_NE(std::find(host.events.begin(), host.events.end(), c.event), host.events.end())
            << c.event;
    }
}

// An open asked again: answered, the same challenge comes again and the
// password scrambled with it is taken; handled again, a second challenge
// replaces the first, and a password scrambled with the first is refused.
TEST_F(RouterKnobs, AnOpenAskedAgainKeepsOrReplacesTheChallenge)
{
    struct Case {
        const char* mode;
        bool accepted;
    };
    const Case cases[] = {{"repeat answer", true}, {"repeat process", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        host = VirtualHost();
        start({c.mode, "numbered yes"}, "geheim");
        router.knobs.challenge = -1;  // a new challenge for every password request
        deliver(MSG_OPEN_REQUEST, 1);
        host.advance(10);
        deliver(MSG_OPEN_REQUEST, 2);
        host.advance(10);
        std::vector<Sent> asked = of_code(MSG_PASSWORD_REQUEST);
        ASSERT_EQ(asked.size(), 2u);
        EXPECT_EQ(asked[0].datagram == asked[1].datagram, c.accepted);
        WireReader first{asked[0].datagram.data(), asked[0].datagram.size()};
        deliver(MSG_PASSWORD_REPLY, 3, password_answer(first.u16(2), "geheim", first.u16(4)));
        host.advance(10);
        EXPECT_EQ(of_code(MSG_OPEN_REPLY).size(), c.accepted ? 1u : 0u);
        EXPECT_EQ(of_code(MSG_CLOSE_REPLY).size(), c.accepted ? 0u : 1u);
    }
}

// The open reply to an accepted password is lost (lose-reply) and the
// station sends the same password again under a new number: a router that
// answers repeats sends the open reply it kept; one that handles it again
// has no password asked and ignores it, as does one that only acknowledges
// it.
TEST_F(RouterKnobs, APasswordAskedAgainAfterTheOpen)
{
    struct Case {
        const char* mode;
        size_t open_replies;
        const char* event;
    };
    const Case cases[] = {
        {"repeat answer", 1, "asked again answered: 3004 seq=3 (first seq=2)"},
        {"repeat process", 0, "unexpected PASSWORD_REPLY from 10.77.0.1: no password asked"},
        {"repeat ack-only", 0, "asked again acknowledged: 3004 seq=3 (first seq=2)"},
        {"", 1, "password repeated"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        host = VirtualHost();
        std::vector<std::string> knobs = {"lose-reply 1 PASSWORD_REPLY"};
        if (*c.mode)
            knobs.push_back(c.mode);
        start(knobs, "geheim");
        deliver(MSG_OPEN_REQUEST, 1);
        Bytes answer = password_answer(0, "geheim", CHALLENGE);
        deliver(MSG_PASSWORD_REPLY, 2, answer);
        host.advance(10);
        EXPECT_EQ(host.events_starting("reply lost: 3001"), 1);
        EXPECT_EQ(acks_of(2).size(), 1u);
        EXPECT_TRUE(of_code(MSG_OPEN_REPLY).empty());
        deliver(MSG_PASSWORD_REPLY, 3, answer);
        host.advance(10);
        EXPECT_EQ(acks_of(3).size(), 1u);
        EXPECT_EQ(of_code(MSG_OPEN_REPLY).size(), c.open_replies);
        EXPECT_EQ(router.session, SESSION_OPEN);
        EXPECT_NE(std::find(host.events.begin(), host.events.end(), c.event), host.events.end())
            << c.event;
    }
}

// A password change handled twice finds the new password in place and
// refuses the second: the station is told "wrong password" for a change
// that was taken.
TEST_F(RouterKnobs, APasswordChangeHandledAgainIsRefusedTheSecondTime)
{
    host = VirtualHost();
    start({"repeat process"}, "alt");
    deliver(MSG_OPEN_REQUEST, 1);
    deliver(MSG_PASSWORD_REPLY, 2, password_answer(0, "alt", CHALLENGE));
    host.advance(10);
    ASSERT_EQ(router.session, SESSION_OPEN);
    uint8_t fresh[WIRE_PASSWORD_LEN] = {'n', 'e', 'u'},
            current[WIRE_PASSWORD_LEN] = {'a', 'l', 't'};
    uint8_t fresh_s[WIRE_PASSWORD_LEN], current_s[WIRE_PASSWORD_LEN];
    wire_scramble(fresh_s, fresh, 77);
    wire_scramble(current_s, current, 77);
    WireWriter w;
    w.u16(77).u8(0).raw(fresh_s, WIRE_PASSWORD_LEN).raw(current_s, WIRE_PASSWORD_LEN);
    deliver(MSG_SET_PASSWORD_REQUEST, 3, w.bytes);
    deliver(MSG_SET_PASSWORD_REQUEST, 3, w.bytes);
    host.advance(10);
    std::vector<Sent> replies = of_code(MSG_SET_PASSWORD_REPLY);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(WireReader({replies[0].datagram.data(), replies[0].datagram.size()}).u16(6), 0u);
    EXPECT_EQ(WireReader({replies[1].datagram.data(), replies[1].datagram.size()}).u16(6), 3u);
    EXPECT_EQ(router.password, "neu");
}

// A copy that comes while the router still works on the request (its
// acknowledgement delay) waits its turn: a router that answers repeats then
// sends the reply it has given by then a second time.
TEST_F(RouterKnobs, AnAnsweringRouterAnswersACopyThatCameWhileItWorkedWhenItsTurnComes)
{
    start({"repeat answer", "ack-delay 1500"});
    open();
    deliver(MSG_GET_ENTRY_REQUEST, 2, {PEER_TABLE_LINES, 0, 0});
    host.advance(500);
    deliver(MSG_GET_ENTRY_REQUEST, 2, {PEER_TABLE_LINES, 0, 0});
    host.advance(3000);
    std::vector<Sent> acks = acks_of(2);
    ASSERT_EQ(acks.size(), 2u);
    EXPECT_EQ(acks[1].at - acks[0].at, 500);
    std::vector<Sent> replies = of_code(MSG_GET_ENTRY_REPLY);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[1].datagram, replies[0].datagram);
    EXPECT_EQ(replies[1].at, acks[1].at);
}

// A copy the network held back arrives after newer requests: a repeat knob
// recognises it among the requests of the registration; without one only
// the last request is recognised, and the old copy is handled as new.
TEST_F(RouterKnobs, AnOldCopyIsRecognisedOnlyWithARepeatKnob)
{
    const Bytes put = {PEER_TABLE_ROUTES, 0, 3, 255, 255, 255, 0, 10, 2, 0, 0, 10, 1, 1, 1};
    struct Case {
        std::vector<std::string> knobs;
        int puts;
    };
    const Case cases[] = {{{"repeat ack-only"}, 1}, {{}, 2}};
    for (const Case& c : cases) {
        host = VirtualHost();
        start(c.knobs);
        open();
        deliver(MSG_PUT_ENTRY_REQUEST, 2, put);
        deliver(MSG_GET_ENTRY_REQUEST, 3, {PEER_TABLE_LINES, 0, 0});
        deliver(MSG_PUT_ENTRY_REQUEST, 2, put);
        host.advance(10);
        EXPECT_EQ(host.events_starting("entry put"), c.puts);
        EXPECT_EQ(acks_of(2).size(), 2u);
    }
}

// ------------------------------------------------------------ network ---

TEST_F(RouterKnobs, DuplicatesOnTheWayInAreRepeatsAndOnTheWayOutArriveTwice)
{
    start({"duplicate 100", "repeat ack-only"});
    open();
    deliver(MSG_GET_ENTRY_REQUEST, 2, {PEER_TABLE_LINES, 0, 0});
    host.advance(10);
    EXPECT_EQ(acks_of(2).size(), 2u);
    EXPECT_EQ(of_code(MSG_GET_ENTRY_REPLY).size(), 1u);
    EXPECT_EQ(host.events_starting("duplicated in: 1011 seq=2"), 1);
    EXPECT_EQ(host.events_starting("repeat acknowledged: 1011 seq=2"), 1);

    host = VirtualHost();
    start({"send-duplicate 100"});
    open();
    deliver(MSG_GET_ENTRY_REQUEST, 2, {PEER_TABLE_LINES, 0, 0});
    host.advance(10);
    EXPECT_EQ(acks_of(2).size(), 2u);
    std::vector<Sent> replies = of_code(MSG_GET_ENTRY_REPLY);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].datagram, replies[1].datagram);
}

// Some of the datagrams, by the percentage and the seed, arrive with one
// byte changed; the same seed changes the same ones again.
TEST_F(RouterKnobs, CorruptionChangesOneByteOfSomeDatagramsBySeed)
{
    auto run = [this](const std::string& knob) {
        host = VirtualHost();
        start({knob});
        open();
        for (uint16_t seq = 2; seq < 42; ++seq)
            deliver(MSG_STATE_QUERY, 0);
        host.advance(10);
        return host.sent;
    };
    std::vector<Sent> clean = run("send-corrupt 0");
    std::vector<Sent> damaged = run("send-corrupt 25 3");
    ASSERT_EQ(clean.size(), 40u);
    ASSERT_EQ(damaged.size(), 40u);
    int changed = 0;
    for (size_t i = 0; i < clean.size(); ++i) {
        ASSERT_EQ(clean[i].datagram.size(), damaged[i].datagram.size());
        int bytes = 0;
        for (size_t b = 0; b < clean[i].datagram.size(); ++b)
            bytes += clean[i].datagram[b] != damaged[i].datagram[b];
        EXPECT_LE(bytes, 1);
        changed += bytes;
    }
    EXPECT_GT(changed, 3);
    EXPECT_LT(changed, 20);
    EXPECT_EQ(host.events_starting("corrupted out:"), changed);
    std::vector<Sent> again = run("send-corrupt 25 3");
    for (size_t i = 0; i < again.size(); ++i)
        EXPECT_EQ(again[i].datagram, damaged[i].datagram);

    // On the way in: the router takes the damaged request as it comes.
    host = VirtualHost();
    start({"corrupt 100"});
    deliver(MSG_OPEN_REQUEST, 1);
    host.advance(10);
    EXPECT_EQ(host.events_starting("corrupted in: 1001 seq=1"), 1);
    EXPECT_NE(router.session, SESSION_OPEN);
}

// Time in transit with a spread: every datagram takes between the two
// times, both ways, and some overtake others.
TEST_F(RouterKnobs, TransitWithASpreadReordersBothWays)
{
    start({"transit 20 15", "send-transit 30 10"});
    deliver(MSG_OPEN_REQUEST, 1);
    host.advance(100);
    ASSERT_EQ(host.sent.size(), 2u);  // acknowledgement and open reply
    for (const Sent& s : host.sent) {
        EXPECT_GE(s.at, 20 + 30);
        EXPECT_LE(s.at, 35 + 40);
    }
    host.sent.clear();
    int64_t t0 = host.now;
    for (int i = 0; i < 30; ++i) {
        deliver(MSG_GET_ENTRY_REQUEST, uint16_t(2 + i), {PEER_TABLE_ROUTES, 0, uint8_t(i)});
        host.advance(2);
    }
    host.advance(200);
    std::vector<Sent> replies = of_code(MSG_GET_ENTRY_REPLY);
    ASSERT_EQ(replies.size(), 30u);
    int overtaken = 0;
    for (size_t i = 0; i < replies.size(); ++i) {
        WireReader p{replies[i].datagram.data() + 4, replies[i].datagram.size() - 4};
        overtaken += p.u16(3) != i;
        EXPECT_LE(replies[i].at - t0, 2 * 30 + 35 + 40);
    }
    EXPECT_GT(overtaken, 0);
}

// The set pieces: the reply to the third put comes again 40 ms later, and
// the fourth put is lost the first time; its retransmission gets through.
TEST_F(RouterKnobs, ALateCopyOfOneReplyAndOneLostRequest)
{
    start({"late-copy 3 40 PUT_ENTRY_REQUEST", "lose-request 4 PUT_ENTRY_REQUEST"});
    open();
    auto put = [this](uint16_t seq, uint8_t index) {
        deliver(MSG_PUT_ENTRY_REQUEST, seq,
                {PEER_TABLE_ROUTES, 0, index, 255, 255, 255, 0, 10, 2, index, 0, 10, 1, 1, 1});
    };
    deliver(MSG_GET_ENTRY_REQUEST, 2, {PEER_TABLE_ROUTES, 0, 0});  // not counted: another code
    for (uint8_t i = 0; i < 3; ++i)
        put(uint16_t(3 + i), i);
    host.advance(10);
    put(6, 3);
    host.advance(10);
    EXPECT_TRUE(acks_of(6).empty());
    EXPECT_EQ(host.events_starting("request lost: 1017 seq=6"), 1);
    host.advance(40);
    std::vector<Sent> replies = of_code(MSG_PUT_ENTRY_REPLY);
    ASSERT_EQ(replies.size(), 4u);
    EXPECT_EQ(replies[3].datagram, replies[2].datagram);  // the third one's, again
    EXPECT_EQ(replies[3].at - replies[2].at, 40);
    put(6, 3);  // the retransmission
    host.advance(10);
    EXPECT_EQ(acks_of(6).size(), 1u);
    EXPECT_EQ(of_code(MSG_PUT_ENTRY_REPLY).size(), 5u);
    EXPECT_EQ(router.routes.size(), 4u);
}

// ------------------------------------------------------------- script ---

TEST(RouterKnobScript, NewKnobsTakeTheirValuesAndRefuseBadOnes)
{
    PeerScript script;
    std::string why;
    ASSERT_TRUE(
        script_parse("router r1\naddress 10.77.0.2\n"
                     "delay 2000 2500 9\nrepeat process\nduplicate 10 4\n"
                     "send-corrupt 1\ntransit 20 15 6\nsend-transit 5\n"
                     "late-copy 10 40 PUT_ENTRY_REQUEST\nlose-request 11\n",
                     &script, &why))
        << why;
    const PeerKnobs& k = script.routers.at(0).knobs;
    EXPECT_EQ(k.delay_ms, 2000);
    EXPECT_EQ(k.delay_max_ms, 2500);
    EXPECT_EQ(k.delay_seed, 9u);
    EXPECT_EQ(k.repeat, REPEAT_PROCESS);
    EXPECT_EQ(k.duplicate.percent, 10);
    EXPECT_EQ(k.duplicate.seed, 4u);
    EXPECT_EQ(k.send_corrupt.percent, 1);
    EXPECT_EQ(k.transit.ms, 20);
    EXPECT_EQ(k.transit.spread, 15);
    EXPECT_EQ(k.transit.seed, 6u);
    EXPECT_EQ(k.send_transit.ms, 5);
    EXPECT_EQ(k.send_transit.spread, 0);
    EXPECT_EQ(k.late_copy, 10);
    EXPECT_EQ(k.late_copy_ms, 40);
    EXPECT_EQ(k.late_copy_of, MSG_PUT_ENTRY_REQUEST);
    EXPECT_EQ(k.lose_request, 11);
    EXPECT_EQ(k.lose_request_of, 0);

    struct Bad {
        const char* line;
        const char* why;
    };
    const Bad bad[] = {
        {"delay 2500 2000", "expected delay MS [MAX_MS [SEED]]"},
        {"repeat twice", "expected repeat answer|process|ack-only"},
        {"duplicate 101", "expected duplicate PERCENT [SEED]"},
        {"send-corrupt", "expected send-corrupt PERCENT [SEED]"},
        {"transit 20 15 6 7", "expected transit MS [SPREAD [SEED]]"},
        {"late-copy 0 40", "expected late-copy N MS [CODE]"},
        {"lose-request 3 NO_SUCH", "expected lose-request N [CODE]"},
        {"lose-reply 0", "expected lose-reply N [CODE]"},
    };
    for (const Bad& b : bad) {
        PeerScript s;
        EXPECT_FALSE(
            script_parse(std::string("router r1\naddress 10.77.0.2\n") + b.line + "\n", &s, &why))
            << b.line;
        EXPECT_NE(why.find(b.why), std::string::npos) << why;
    }
}

}  // namespace
