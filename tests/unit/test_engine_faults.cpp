// The engine against a router and a network that are not kind: a router
// played in the test that acknowledges and answers late (each on its own
// time), answers a repeated request again, handles it again or only
// acknowledges it, and a network that loses, delays and duplicates chosen
// datagrams both ways. All in virtual fine ticks. Each case names what the
// user must get: the right values, the accepted password, the whole table.
#include <functional>
#include <map>
#include <set>

#include "engine_fixture.h"
#include "list.h"
#include "messages.h"

namespace {

// What the router does with a request whose number it has had before.
enum class Repeat { AnswerAgain, HandleAgain, OnlyAck };

// The n-th datagram (from 1) of one direction: lost, held back, doubled.
using Pick = std::function<bool(int n)>;
bool none(int)
{
    return false;
}

struct Script {
    int ack_fine = 0;    // fine ticks from a request's arrival to its acknowledgement
    int reply_fine = 0;  // ... to its reply
    Repeat repeat = Repeat::AnswerAgain;
    Pick lose_in = none;   // datagrams to the router
    Pick lose_out = none;  // datagrams from the router
    Pick twice_in = none;  // arrive twice, the copy `twice_fine` fine ticks later
    Pick twice_out = none;
    int twice_fine = 1;
    Pick late_out = none;  // arrive `late_fine` fine ticks after the rest
    int late_fine = 0;
    // The same code and bytes as the last request, under a new number, also
    // count as a repeat.
    bool repeat_by_bytes = false;
};

constexpr const char* PASSWORD = "secret";
constexpr int LINES = 20;

// The charge the router counts for the line target at `position`.
uint32_t own_charge(int position)
{
    return uint32_t(100 * (position + 1) + 1);
}

class FaultyRouter : public EngineFixture {
public:
    Script script;
    // The router's state.
    std::string password = PASSWORD;
    uint16_t challenge = 0;  // 0: no password asked
    uint16_t challenge_seq = 0;
    uint16_t own_seq = 100;
    uint16_t next_seed = 0x1111;
    bool open = false;
    AccountingCounters counters[LINES] = {};
    int resets[LINES] = {};
    std::map<int, Bytes> routes;     // index: PUT_ENTRY_REQUEST payload
    std::map<uint16_t, Bytes> kept;  // request number: the reply sent
    std::set<uint16_t> handled;
    int requests_handled = 0;
    int repeats_seen = 0;
    Bytes last_request;  // code and payload of the last request handled
    uint16_t last_request_seq = 0;
    // The clock and what is on the way.
    int now = 0;
    int in_count = 0;
    int out_count = 0;
    std::multimap<int, Bytes> to_engine;  // arrival fine tick: datagram
    std::multimap<int, Bytes> to_router;

    void SetUp() override { fresh(); }

    // A new engine, network and router: each case of a table starts here.
    void fresh()
    {
        EngineFixture::SetUp();
        script = Script{};
        password = PASSWORD;
        challenge = challenge_seq = 0;
        own_seq = 100;
        next_seed = 0x1111;
        open = false;
        for (int i = 0; i < LINES; ++i) {
            counters[i] = AccountingCounters{};
            counters[i].charge = own_charge(i);
            resets[i] = 0;
        }
        routes.clear();
        kept.clear();
        handled.clear();
        requests_handled = repeats_seen = 0;
        last_request.clear();
        last_request_seq = 0;
        now = in_count = out_count = 0;
        to_engine.clear();
        to_router.clear();
    }

    // The router sends; the network decides when (or whether) it arrives.
    void emit(const Bytes& frame, int delay)
    {
        int n = ++out_count;
        if (script.lose_out(n))
            return;
        int at = now + delay + (script.late_out(n) ? script.late_fine : 0);
        to_engine.emplace(at, frame);
        if (script.twice_out(n))
            to_engine.emplace(at + script.twice_fine, frame);
    }

    Bytes handle(uint16_t code, const Bytes& p)
    {
        ++requests_handled;
        switch (code) {
        case T_OPEN_REQUEST: {
            challenge = next_seed;
            next_seed = uint16_t(next_seed + 0x1111);
            challenge_seq = ++own_seq;
            return test_frame(T_PASSWORD_REQUEST, challenge_seq,
                              {uint8_t(challenge >> 8), uint8_t(challenge)});
        }
        case T_PASSWORD_REPLY: {
            if (challenge == 0)
                return {};  // no password asked: ignored
            uint8_t want[PASSWORD_REPLY_LEN];
            msg_pack_password_reply(want, sizeof want, challenge_seq, password.c_str(), challenge);
            challenge = 0;
            if (p != Bytes(want, want + sizeof want))
                return test_frame(T_CLOSE_REPLY, 0, {0, 0, 0, STATUS_WRONG_PASSWORD});
            open = true;
            return test_frame(T_OPEN_REPLY, 0, {0, 0, 0, LINES, 0, 64, 0, 0});
        }
        case 0x1012: {  // accounting
            int position = p[1] << 8 | p[2];
            const AccountingCounters& c = counters[position];
            Bytes reply = {0, 0, 0, 0};
            for (uint32_t v : {c.charge, c.calls_out, c.calls_in, c.packets_out, c.packets_in,
                               c.bytes_out, c.bytes_in})
                reply.insert(reply.end(),
                             {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
            if (p[0] == ACCOUNTING_READ_RESET) {
                counters[position] = AccountingCounters{};
                ++resets[position];
            }
            return test_frame(T_GET_ACCOUNTING_REPLY, 0, reply);
        }
        case 0x1005: {  // password change
            uint16_t seed = uint16_t(p[0] << 8 | p[1]);
            uint8_t fresh[WIRE_PASSWORD_LEN + 1] = {};
            uint8_t proof[WIRE_PASSWORD_LEN + 1] = {};
            highstate_scramble_password(fresh, p.data() + 3, seed);
            highstate_scramble_password(proof, p.data() + 13, seed);
            if (password != reinterpret_cast<const char*>(proof))
                return test_frame(T_SET_PASSWORD_REPLY, 0, {0, 0, 0, STATUS_WRONG_PASSWORD});
            password = reinterpret_cast<const char*>(fresh);
            return test_frame(T_SET_PASSWORD_REPLY, 0, {0, 0, 0, 0});
        }
        case 0x1017: {  // put or delete
            int index = p[1] << 8 | p[2];
            routes[index] = p;
            return test_frame(T_PUT_ENTRY_REPLY, 0, {0, 0, p[0], p[1], p[2], 0, 0});
        }
        default:
            return {};
        }
    }

    // A datagram reaches the router.
    void arrive(const Bytes& d)
    {
        uint16_t code = test_frame_code(d);
        uint16_t seq = test_frame_sequence(d);
        if (code == T_ACK)
            return;
        if (seq != 0)
            emit(test_frame_ack(seq), script.ack_fine);
        if (code == T_CLOSE_REQUEST) {
            // The registration ends, and what it held with it.
            open = false;
            challenge = 0;
            last_request.clear();
            return;
        }
        if (seq == 0)
            return;
        Bytes request = test_frame_payload(d);
        request.insert(request.begin(), {uint8_t(code >> 8), uint8_t(code)});
        if (script.repeat_by_bytes && request == last_request && handled.count(seq) == 0) {
            // Asked again: answered as the first one was, or not at all.
            handled.insert(seq);
            kept[seq] = kept[last_request_seq];
        }
        if (handled.count(seq) == 0) {
            last_request = request;
            last_request_seq = seq;
        }
        if (handled.count(seq) != 0) {
            ++repeats_seen;
            if (script.repeat == Repeat::OnlyAck)
                return;
            if (script.repeat == Repeat::AnswerAgain) {
                if (!kept[seq].empty())
                    emit(kept[seq], script.reply_fine);
                return;
            }
        }
        handled.insert(seq);
        Bytes reply = handle(code, test_frame_payload(d));
        kept[seq] = reply;
        if (!reply.empty())
            emit(reply, script.reply_fine);
    }

    // One fine tick of the whole world.
    void step()
    {
        ++now;
        fake_host_fine_tick(1);
        if (now % UDP_FINE_PER_TICK == 0 && fake_host_tick_callback() != nullptr)
            fake_host_tick_callback()();
        exchange();
    }

    // What is due is delivered both ways, until nothing more is.
    void exchange()
    {
        for (bool moved = true; moved;) {
            moved = false;
            for (const TestDatagram& d : r1->drain(0)) {
                int n = ++in_count;
                if (script.lose_in(n))
                    continue;
                to_router.emplace(now, d.bytes);
                if (script.twice_in(n))
                    to_router.emplace(now + script.twice_fine, d.bytes);
            }
            while (!to_router.empty() && to_router.begin()->first <= now) {
                Bytes d = to_router.begin()->second;
                to_router.erase(to_router.begin());
                arrive(d);
                moved = true;
            }
            while (!to_engine.empty() && to_engine.begin()->first <= now) {
                Bytes d = to_engine.begin()->second;
                to_engine.erase(to_engine.begin());
                ASSERT_TRUE(r1->send_to(TEST_NET_WORKSTATION_IP, d));
                fake_host_pump(0);
                moved = true;
            }
        }
    }

    // Runs the world until `done` holds or a minute has passed.
    bool run_until(const std::function<bool()>& done)
    {
        exchange();
        for (int i = 0; i < 60 * UDP_FINE_PER_TICK && !done(); ++i)
            step();
        return done();
    }

    // Opens router 1 with the password given `typing_fine` fine ticks after
    // it is asked for.
    bool open_with(const char* typed, int typing_fine = 0)
    {
        seen() = Seen{};
        if (highstate_open_router(on_open, ip1()) <= 0)
            return false;
        bool answered = false;
        int asked_at = -1;
        return run_until([&] {
            if (asked_at < 0 && !seen().opens.empty())
                asked_at = now;
            if (!answered && !seen().opens.empty() && seen().opens[0].kind == OPEN_PASSWORD &&
                now >= asked_at + typing_fine) {
                answered = true;
                highstate_send_password(nullptr, seen().opens[0].seq, typed, seen().opens[0].seed);
            }
            return highstate_get_state() == HIGHSTATE_CONNECTED || !errors().empty() ||
                   (!seen().opens.empty() && seen().opens.back().kind == OPEN_REFUSED);
        });
    }

    void open_quietly()
    {
        Script kind = script;
        script = Script{};
        ASSERT_TRUE(open_with(PASSWORD));
        ASSERT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
        script = kind;
    }
};

ListObject* line_list(int n)
{
    ListObject* list = listhelp_new_line_list();
    for (int i = 0; i < n; ++i)
        list->ops->list_append(list, myutil_malloc(sizeof(LineTarget)));
    return list;
}

// Routes 10.1.0.0, 10.2.0.0, ... through one gateway: slot i holds i + 1.
ListObject* numbered_routes(int count)
{
    ListObject* list = listhelp_new_route_list();
    for (int i = 0; i < count; ++i) {
        auto* r = static_cast<RouteEntry*>(myutil_malloc(sizeof(RouteEntry)));
        myutil_copy_text(r->mask, "255.255.0.0");
        myutil_copy_text(r->match, ("10." + std::to_string(i + 1) + ".0.0").c_str());
        myutil_copy_text(r->gateway, "10.77.0.1");
        list->ops->list_append(list, r);
    }
    return list;
}

ListObject* handed_back = nullptr;
void on_lines(ListObject* l)
{
    handed_back = l;
}

// Runs an accounting walk over `lines` until it hands them back or fails.
bool run_walk(FaultyRouter& world, void (*start)(ListCallback, ListObject*), ListObject* lines)
{
    handed_back = nullptr;
    start(on_lines, lines);
    return world.run_until([] { return handed_back != nullptr || !fake_host_errors().empty(); });
}
int done_status = -1;
void on_done(int status)
{
    done_status = status;
}
int written = -1;
void on_written(int count)
{
    written = count;
}

// Read and reset against routers whose datagrams leave late, that answer a
// repeated request again or handle it again, and against a network that
// loses the acknowledgement of a reset: every line target's charge is its
// own, or, where the router reset it twice, marked doubtful; never another
// position's value, never a protocol violation.
TEST_F(FaultyRouter, ReadAndResetGivesEachLineTargetItsOwnCountersOrSaysTheyAreDoubtful)
{
    struct Case {
        const char* what;
        int ack_fine, reply_fine;
        Repeat repeat;
        int targets;
        Pick lose_out;
        bool some_doubtful;
    };
    const Case cases[] = {
        {"0.3 s late, answers repeats again", 2, 2, Repeat::AnswerAgain, 4, none, false},
        {"0.2 s late, handles repeats again", 1, 1, Repeat::HandleAgain, 4, none, false},
        {"50 ms, 20 line targets", 0, 0, Repeat::AnswerAgain, 20, none, false},
        // The acknowledgement of the first reset is lost: the router has it
        // twice under one number and answers with the reply it kept.
        {"lost acknowledgement, kept reply", 1, 1, Repeat::AnswerAgain, 4,
         [](int n) { return n == 3; }, false},
        // ... and the reply too: the kept reply comes with the repeat.
        {"lost acknowledgement and reply, kept reply", 1, 1, Repeat::AnswerAgain, 4,
         [](int n) { return n == 3 || n == 4; }, false},
        // A router that resets again: the second reply is below the plain read.
        {"lost acknowledgement and reply, handled again", 1, 1, Repeat::HandleAgain, 4,
         [](int n) { return n == 3 || n == 4; }, true},
        // Its reply shows that the reset arrived: it is not sent again.
        {"lost acknowledgement, handled again", 1, 2, Repeat::HandleAgain, 4,
         [](int n) { return n == 3; }, false},
        // The reply is lost and a repeat only acknowledged: asked anew, the
        // router resets again, and the walk goes on.
        {"lost reply, repeats only acknowledged", 1, 1, Repeat::OnlyAck, 4,
         [](int n) { return n == 4; }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        open_quietly();
        script.ack_fine = c.ack_fine;
        script.reply_fine = c.reply_fine;
        script.repeat = c.repeat;
        script.lose_out = c.lose_out;
        out_count = 0;
        ListObject* lines = line_list(c.targets);
        ASSERT_TRUE(run_walk(*this, highstate_get_acc_reset, lines));
        EXPECT_TRUE(errors().empty());
        ASSERT_EQ(handed_back, lines);
        int position = 0;
        bool doubted = false;
        for (ListNode* n = lines->head; n != nullptr; n = n->next, ++position) {
            uint32_t charge = static_cast<LineTarget*>(n->element)->counters.charge;
            if (highstate_counters_doubtful(position)) {
                doubted = true;
                EXPECT_GT(resets[position], 1) << "position " << position;
            } else {
                EXPECT_EQ(charge, own_charge(position)) << "position " << position;
            }
        }
        EXPECT_EQ(doubted, c.some_doubtful);
        lines->ops->list_destroy(lines);
        EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
    }
}

// A router that answers before it acknowledges (or a network that lets the
// reply overtake the acknowledgement), whatever it does with a repeat: the
// counters, the table and the password change are all taken, each request
// handled once.
TEST_F(FaultyRouter, RepliesThatOvertakeTheirAcknowledgementAreTaken)
{
    for (Repeat repeat : {Repeat::AnswerAgain, Repeat::HandleAgain, Repeat::OnlyAck}) {
        SCOPED_TRACE(int(repeat));
        fresh();
        open_quietly();
        script.ack_fine = 2;
        script.reply_fine = 0;
        script.repeat = repeat;

        ListObject* lines = line_list(4);
        ASSERT_TRUE(run_walk(*this, highstate_get_acc_reset, lines));
        EXPECT_TRUE(errors().empty());
        int position = 0;
        for (ListNode* n = lines->head; n != nullptr; n = n->next, ++position) {
            EXPECT_FALSE(highstate_counters_doubtful(position));
            EXPECT_EQ(static_cast<LineTarget*>(n->element)->counters.charge, own_charge(position));
            EXPECT_EQ(resets[position], 1);
        }
        lines->ops->list_destroy(lines);

        ListObject* old_copy = listhelp_new_route_list();
        ListObject* edited = numbered_routes(6);
        written = -1;
        highstate_put_route_data(on_written, edited, old_copy);
        ASSERT_TRUE(run_until([] { return written != -1 || !fake_host_errors().empty(); }));
        EXPECT_TRUE(errors().empty());
        EXPECT_EQ(written, 6);
        EXPECT_EQ(routes.size(), 6u);
        old_copy->ops->list_destroy(old_copy);
        edited->ops->list_destroy(edited);

        done_status = -1;
        highstate_set_password(on_done, "fresh", PASSWORD, 0);
        ASSERT_TRUE(run_until([] { return done_status != -1 || !fake_host_errors().empty(); }));
        EXPECT_TRUE(errors().empty());
        EXPECT_EQ(done_status, 0);
        EXPECT_EQ(password, "fresh");
        EXPECT_EQ(repeats_seen, 0);
        EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
    }
}

// On a network seen to bring datagrams twice, a reply before the
// acknowledgement may be a copy of the previous reply while the request
// itself was lost. Here the network doubles the first acknowledgement (so
// it is known to double), then the second reply, and loses the third
// request: the copy, arriving while that request awaits its
// acknowledgement, is not taken for its reply.
TEST_F(FaultyRouter, ACopyBeforeTheAcknowledgementOfALostRequestIsNotTaken)
{
    open_quietly();
    in_count = out_count = 0;
    // To the router: the three reads (the replies are unnumbered: nothing of
    // ours acknowledges them). From the router: an acknowledgement and a
    // reply for each.
    script.lose_in = [](int n) { return n == 3; };
    script.twice_out = [](int n) { return n == 1 || n == 4; };
    script.twice_fine = 0;
    script.ack_fine = 0;
    script.reply_fine = 0;
    ListObject* lines = line_list(3);
    ASSERT_TRUE(run_walk(*this, highstate_get_accounting, lines));
    EXPECT_TRUE(errors().empty());
    int position = 0;
    for (ListNode* n = lines->head; n != nullptr; n = n->next, ++position)
        EXPECT_EQ(static_cast<LineTarget*>(n->element)->counters.charge, own_charge(position));
    lines->ops->list_destroy(lines);
}

// A router that takes a request asked again with the same bytes for the one
// it had last, and only acknowledges it: every reply it loses is got by
// asking again with another request in between. The table is read whole,
// each counter read once.
TEST_F(FaultyRouter, ARouterThatOnlyAcknowledgesTheSameRequestAgainStillAnswers)
{
    struct Case {
        const char* what;
        Pick lose_out;
    };
    // From the router: an acknowledgement and a reply per request.
    const Case cases[] = {
        {"the second reply lost", [](int n) { return n == 4; }},
        {"every fifth datagram lost", [](int n) { return n % 5 == 0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        open_quietly();
        script.repeat = Repeat::OnlyAck;
        script.repeat_by_bytes = true;
        script.lose_out = c.lose_out;
        out_count = 0;
        ListObject* lines = line_list(6);
        ASSERT_TRUE(run_walk(*this, highstate_get_accounting, lines));
        EXPECT_TRUE(errors().empty());
        int position = 0;
        for (ListNode* n = lines->head; n != nullptr; n = n->next, ++position)
            EXPECT_EQ(static_cast<LineTarget*>(n->element)->counters.charge, own_charge(position));
        lines->ops->list_destroy(lines);
        EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
    }
}

// A reset's reply taken before its acknowledgement is checked by a plain
// read. Here the network doubles the plain read's reply, for the first time,
// and loses the reset that follows: the copy looks like the reset's reply,
// but the counters did not fall, so the reset is made anew and each
// counter is reset once.
TEST_F(FaultyRouter, AResetReplyTakenBeforeItsAcknowledgementIsCheckedByAPlainRead)
{
    open_quietly();
    in_count = out_count = 0;
    // To the router: 1 the plain read, 2 the reset. From the router: 1 the
    // acknowledgement of the read, 2 its reply (doubled at once).
    script.lose_in = [](int n) { return n == 2; };
    script.twice_out = [](int n) { return n == 2; };
    script.twice_fine = 0;
    script.repeat = Repeat::HandleAgain;
    ListObject* lines = line_list(2);
    ASSERT_TRUE(run_walk(*this, highstate_get_acc_reset, lines));
    EXPECT_TRUE(errors().empty());
    int position = 0;
    for (ListNode* n = lines->head; n != nullptr; n = n->next, ++position) {
        EXPECT_FALSE(highstate_counters_doubtful(position));
        EXPECT_EQ(static_cast<LineTarget*>(n->element)->counters.charge, own_charge(position));
        EXPECT_EQ(resets[position], 1) << "position " << position;
    }
    lines->ops->list_destroy(lines);
}

// On a network seen to double datagrams, the reset of the first line target
// reaches the router twice. A router that handles it again resets twice,
// and the copy of its reply with lower counters marks that line target
// doubtful; one that answers the copy with its kept reply reset once, and
// its values stand.
TEST_F(FaultyRouter, AResetTheNetworkBroughtTwiceIsDoubtfulOnlyWhenHandledTwice)
{
    for (Repeat repeat : {Repeat::HandleAgain, Repeat::AnswerAgain}) {
        bool twice = repeat == Repeat::HandleAgain;
        SCOPED_TRACE(twice ? "handled again" : "answered again");
        fresh();
        open_quietly();
        in_count = out_count = 0;
        // To the router: 1 and 2 the plain read and the reset of the first
        // line target. From the router: 1 the read's acknowledgement, doubled
        // (so the network is known to double).
        script.twice_out = [](int n) { return n == 1; };
        script.twice_in = [](int n) { return n == 2; };
        script.twice_fine = 0;
        script.repeat = repeat;
        ListObject* lines = line_list(2);
        ASSERT_TRUE(run_walk(*this, highstate_get_acc_reset, lines));
        EXPECT_TRUE(errors().empty());
        EXPECT_EQ(resets[0], twice ? 2 : 1);
        EXPECT_EQ(highstate_counters_doubtful(0) != 0, twice);
        EXPECT_FALSE(highstate_counters_doubtful(1));
        EXPECT_EQ(static_cast<LineTarget*>(lines->head->next->element)->counters.charge, 201u);
        lines->ops->list_destroy(lines);
    }
}

// The password change reaches a router that takes 0.2 s; its
// acknowledgement may be lost, so that the router has the request twice
// and, handling it again, refuses the second arrival. The change the router
// took is reported as made, and the router holds the new password.
TEST_F(FaultyRouter, APasswordChangeTheRouterTookIsNeverReportedAsFailed)
{
    struct Case {
        const char* what;
        Repeat repeat;
        Pick lose_out;
    };
    const Case cases[] = {
        {"0.2 s router", Repeat::HandleAgain, none},
        {"lost acknowledgement, answered again", Repeat::AnswerAgain, [](int n) { return n == 1; }},
        {"lost acknowledgement, handled again", Repeat::HandleAgain, [](int n) { return n == 1; }},
        {"lost acknowledgement and reply, handled again", Repeat::HandleAgain,
         [](int n) { return n == 1 || n == 2; }},
        {"lost reply, repeats only acknowledged", Repeat::OnlyAck, [](int n) { return n == 2; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        open_quietly();
        script.ack_fine = 1;
        script.reply_fine = 1;
        script.repeat = c.repeat;
        script.lose_out = c.lose_out;
        out_count = 0;
        done_status = -1;
        highstate_set_password(on_done, "fresh", PASSWORD, 0);
        ASSERT_TRUE(run_until([] { return done_status != -1 || !fake_host_errors().empty(); }));
        EXPECT_TRUE(errors().empty());
        EXPECT_EQ(done_status, 0);
        EXPECT_EQ(password, "fresh");
        // Late copies of its replies end nothing.
        run_until([] { return false; });
        EXPECT_TRUE(errors().empty());
        EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
    }
}

// A wrong current password is refused, also after the request reached the
// router twice.
TEST_F(FaultyRouter, AWrongCurrentPasswordIsStillRefused)
{
    open_quietly();
    script.repeat = Repeat::HandleAgain;
    script.lose_out = [](int n) { return n == 1; };
    out_count = 0;
    highstate_set_password(on_done, "fresh", "guess", 0);
    ASSERT_TRUE(run_until([] { return !fake_host_errors().empty(); }));
    EXPECT_EQ(errors(), (std::vector<int>{STATUS_WRONG_PASSWORD}));
    EXPECT_EQ(password, PASSWORD);
}

// Registration with the right password against routers that answer the
// open late (acknowledging at once), lose the acceptance of the password,
// or have the open twice: the password is accepted every time.
TEST_F(FaultyRouter, TheRightPasswordIsAlwaysAccepted)
{
    struct Case {
        const char* what;
        int reply_fine;
        Repeat repeat;
        Pick lose_out;
        Pick twice_in;
        bool repeat_by_bytes = false;
        Pick late_out = none;
        int typing_fine = 0;
    };
    const Case cases[] = {
        {"replies after 2 s", 8, Repeat::AnswerAgain, none, none},
        {"replies after 2.5 s, handles repeats", 10, Repeat::HandleAgain, none, none},
        {"replies after 3.5 s, handles repeats", 14, Repeat::HandleAgain, none, none},
        {"replies after 5 s, answers repeats", 20, Repeat::AnswerAgain, none, none},
        // Datagrams from the router: 1 ack of the open, 2 challenge, 3 ack of
        // the password, 4 the acceptance.
        {"acceptance lost, repeats only acknowledged", 0, Repeat::OnlyAck,
         [](int n) { return n == 4; }, none},
        {"acceptance lost, repeats answered again", 0, Repeat::AnswerAgain,
         [](int n) { return n == 4; }, none},
        {"the open arrives twice", 2, Repeat::HandleAgain, none, [](int n) { return n == 1; }},
        // To the router: 1 the open, 2 the acknowledgement of the challenge,
        // 3 the password.
        {"the password arrives twice", 2, Repeat::HandleAgain, none, [](int n) { return n == 3; }},
        // The challenge is lost, and the router takes the open asked again
        // for the one it had.
        {"challenge lost, the open asked again only acknowledged", 0, Repeat::OnlyAck,
         [](int n) { return n == 2; }, none, true},
        // From the router: the acknowledgement and the challenge of each
        // arrival; the first challenge (2) comes last.
        {"the open arrives twice, its challenges overtake one another", 0, Repeat::HandleAgain,
         none, [](int n) { return n == 1; }, false, [](int n) { return n == 2; }, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        script.reply_fine = c.reply_fine;
        script.repeat = c.repeat;
        script.lose_out = c.lose_out;
        script.twice_in = c.twice_in;
        script.repeat_by_bytes = c.repeat_by_bytes;
        script.late_out = c.late_out;
        script.late_fine = 2;
        ASSERT_TRUE(open_with(PASSWORD, c.typing_fine));
        EXPECT_TRUE(errors().empty());
        EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
        EXPECT_TRUE(open);
        for (const OpenReply& r : seen().opens)
            EXPECT_NE(r.kind, OPEN_REFUSED);
    }
}

// A router that stops answering after it took the password: the open ends
// in the missing acknowledgement (no protocol violation), and the router,
// which may hold this station, gets the close request.
TEST_F(FaultyRouter, ARouterThatStopsAnsweringIsToldTheEnd)
{
    script.lose_out = [](int n) { return n >= 4; };
    ASSERT_TRUE(open_with(PASSWORD));
    EXPECT_EQ(errors(), (std::vector<int>{LOWSTATE_NO_ACK}));
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
    EXPECT_FALSE(open) << "the close request reached the router";
}

// Table writes over a network that doubles and reorders datagrams both
// ways: the whole table is written, once each, and the write ends well.
TEST_F(FaultyRouter, DuplicatesAndReorderingNeverEndAWriteNorMixItsTable)
{
    struct Case {
        const char* what;
        Pick twice_in, twice_out, late_out;
    };
    const Case cases[] = {
        {"every third datagram doubled both ways", [](int n) { return n % 3 == 0; },
         [](int n) { return n % 3 == 0; }, none},
        {"every fourth reply late", none, none, [](int n) { return n % 4 == 2; }},
        {"doubled and late", [](int n) { return n % 5 == 0; }, [](int n) { return n % 3 == 1; },
         [](int n) { return n % 4 == 2; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        open_quietly();
        script.repeat = Repeat::HandleAgain;
        script.ack_fine = 0;
        script.reply_fine = 1;
        script.twice_in = c.twice_in;
        script.twice_out = c.twice_out;
        script.late_out = c.late_out;
        script.late_fine = 3;
        ListObject* old_copy = listhelp_new_route_list();
        const int count = 12;
        ListObject* edited = numbered_routes(count);
        written = -1;
        highstate_put_route_data(on_written, edited, old_copy);
        ASSERT_TRUE(run_until([] { return written != -1 || !fake_host_errors().empty(); }));
        EXPECT_TRUE(errors().empty());
        EXPECT_EQ(written, count);
        ASSERT_EQ(routes.size(), size_t(count));
        for (const auto& [index, payload] : routes)
            EXPECT_EQ(payload[8], uint8_t(index + 1)) << "slot " << index;
        run_until([] { return false; });
        EXPECT_TRUE(errors().empty());
        EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
        old_copy->ops->list_destroy(old_copy);
        edited->ops->list_destroy(edited);
    }
}

}  // namespace
