// Router administration: settings, password change, accounting, line
// monitor, connections by hand and the reset, as the router sees them.
#include <cerrno>
#include <string>

#include "engine_fixture.h"
#include "list.h"

namespace {

constexpr uint16_t T_GET_ACCOUNTING_REQUEST = 0x1012;
constexpr uint16_t T_SET_PASSWORD_REQUEST = 0x1005;
constexpr uint16_t T_PUT_ROUTER_DATA_REQUEST = 0x1018;
constexpr uint16_t T_ISDN_OPEN_REQUEST = 0x1013;
constexpr uint16_t T_LINEMON_START_REQUEST = 0x1015;
constexpr uint16_t T_LINEMON_STOP_REQUEST = 0x1016;
constexpr uint16_t T_RESET_REQUEST = 0x0004;

const uint8_t kHw[6] = {0x00, 0xA0, 0xF9, 0x01, 0x02, 0x03};

// Announcement of the router with kHw under `address` (0: unconfigured).
Bytes announce(uint8_t last_byte_of_address)
{
    Bytes b = {0x00, 0x00, 0x00, 0xA0, 0xF9, 0x01, 0x02, 0x03};
    if (last_byte_of_address == 0) {
        b.insert(b.end(), {0, 0, 0, 0});
    } else {
        b.insert(b.end(), {0x0A, 0x4D, 0x00, last_byte_of_address});
    }
    b.insert(b.end(), {0, 0, 0, 0});
    return b;
}

struct Results {
    std::vector<int> done;
    std::vector<ListObject*> lists;
    std::vector<LineMonitorData> reports;
    std::vector<ScanAnswer> announcements;
};
Results& got()
{
    static Results r;
    return r;
}
void on_done(int status)
{
    got().done.push_back(status);
}
void on_list(ListObject* l)
{
    got().lists.push_back(l);
}
void on_report(LineMonitorData* d)
{
    got().reports.push_back(*d);
}
void on_announce(ScanAnswer* a)
{
    got().announcements.push_back(*a);
}

// An accounting reply whose seven counters are base+1 .. base+7.
Bytes accounting_reply(uint8_t base)
{
    Bytes reply = {0, 0, 0, 0};
    for (uint8_t k = 1; k <= 7; ++k)
        reply.insert(reply.end(), {0, 0, 0, uint8_t(base + k)});
    return reply;
}

// The charge of the line target at `position` of the list, less 1 (the
// reply's base).
uint32_t charge_at(ListObject* lines, int position)
{
    ListNode* n = lines->head;
    for (int i = 0; i < position && n != nullptr; ++i)
        n = n->next;
    return n != nullptr ? static_cast<LineTarget*>(n->element)->counters.charge - 1 : 0;
}

ListObject* line_targets(int n)
{
    ListObject* list = listhelp_new_line_list();
    for (int i = 0; i < n; ++i) {
        auto* t = static_cast<LineTarget*>(myutil_malloc(sizeof(LineTarget)));
        myutil_copy_text(t->host, ("10.9.0." + std::to_string(i + 1)).c_str());
        t->index = 10 + i;  // the position, not the index, goes on the wire
        list->ops->list_append(list, t);
    }
    return list;
}

class RouterAdmin : public EngineFixture {
public:
    ListObject* lines = nullptr;

    void SetUp() override
    {
        EngineFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        got() = Results{};
        reach_connected();
        settle();
    }
    void TearDown() override
    {
        if (lines != nullptr)
            lines->ops->list_destroy(lines);
    }

    // Router 1 receives the accounting request, acknowledges it and answers
    // with counters base+1 .. base+7; returns the request's payload.
    Bytes answer_accounting(uint8_t base)
    {
        TestDatagram d = expect_acked(T_GET_ACCOUNTING_REQUEST);
        send(*r1, T_GET_ACCOUNTING_REPLY, accounting_reply(base));
        return test_frame_payload(d.bytes);
    }
};

// ------------------------------------------------------------- accounting

TEST_F(RouterAdmin, AccountingAsksEveryPositionAndFillsTheList)
{
    lines = line_targets(3);
    highstate_get_accounting(on_list, lines);
    EXPECT_EQ(answer_accounting(0), (Bytes{0x00, 0x00, 0x00}));
    EXPECT_EQ(answer_accounting(10), (Bytes{0x00, 0x00, 0x01}));
    EXPECT_TRUE(got().lists.empty());
    EXPECT_EQ(answer_accounting(20), (Bytes{0x00, 0x00, 0x02}));

    ASSERT_EQ(got().lists, (std::vector<ListObject*>{lines}));
    uint32_t base = 0;
    for (ListNode* n = lines->head; n != nullptr; n = n->next, base += 10) {
        const AccountingCounters& c = static_cast<LineTarget*>(n->element)->counters;
        EXPECT_EQ(c.charge, base + 1);
        EXPECT_EQ(c.calls_out, base + 2);
        EXPECT_EQ(c.calls_in, base + 3);
        EXPECT_EQ(c.packets_out, base + 4);
        EXPECT_EQ(c.packets_in, base + 5);
        EXPECT_EQ(c.bytes_out, base + 6);
        EXPECT_EQ(c.bytes_in, base + 7);
    }
    EXPECT_TRUE(r1->quiet());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
}

// Each position is read plainly before it is read and reset: the plain read
// is the lower bound the reset's counters are checked against.
TEST_F(RouterAdmin, ReadAndResetReadsEachPositionBeforeItResetsIt)
{
    lines = line_targets(2);
    highstate_get_acc_reset(on_list, lines);
    EXPECT_EQ(answer_accounting(10), (Bytes{0x00, 0x00, 0x00}));
    EXPECT_EQ(answer_accounting(11), (Bytes{0xFF, 0x00, 0x00}));
    EXPECT_EQ(answer_accounting(20), (Bytes{0x00, 0x00, 0x01}));
    EXPECT_EQ(answer_accounting(20), (Bytes{0xFF, 0x00, 0x01}));
    ASSERT_EQ(got().lists.size(), 1u);
    EXPECT_EQ(charge_at(lines, 0), 11u);
    EXPECT_EQ(charge_at(lines, 1), 20u);
    EXPECT_EQ(highstate_counters_doubtful(0), 0);
    EXPECT_EQ(highstate_counters_doubtful(1), 0);
}

// The reset reply of position 1 lies below its plain read: the router reset
// the counters twice and reports what it counted since the first. Those
// values are marked doubtful; the others are not, and a plain read after
// forgets the marks.
TEST_F(RouterAdmin, AResetReplyBelowThePlainReadIsDoubtful)
{
    lines = line_targets(3);
    highstate_get_acc_reset(on_list, lines);
    answer_accounting(100);
    answer_accounting(100);
    answer_accounting(200);
    answer_accounting(0);
    answer_accounting(30);
    answer_accounting(31);
    ASSERT_EQ(got().lists.size(), 1u);
    EXPECT_EQ(highstate_counters_doubtful(0), 0);
    EXPECT_EQ(highstate_counters_doubtful(1), 1);
    EXPECT_EQ(highstate_counters_doubtful(2), 0);
    EXPECT_EQ(highstate_counters_doubtful(-1), 0);
    EXPECT_EQ(highstate_counters_doubtful(MAX_LINE_TARGETS), 0);
    highstate_get_accounting(on_list, lines);
    answer_accounting(1);
    answer_accounting(1);
    answer_accounting(1);
    EXPECT_EQ(highstate_counters_doubtful(1), 0);
}

TEST_F(RouterAdmin, AccountingOfNoLineTargetsAnswersAtOnce)
{
    lines = line_targets(0);
    highstate_get_accounting(on_list, lines);
    highstate_get_acc_reset(on_list, nullptr);
    EXPECT_EQ(got().lists, (std::vector<ListObject*>{lines, nullptr}));
    EXPECT_TRUE(r1->quiet());
}

TEST_F(RouterAdmin, ShortAccountingReplyDropsTheRouter)
{
    lines = line_targets(1);
    highstate_get_accounting(on_list, lines);
    expect_acked(T_GET_ACCOUNTING_REQUEST);
    send(*r1, T_GET_ACCOUNTING_REPLY, zeros(31));
    expect_close_with(*r1, STATUS_PROTOCOL_VIOLATION);
    EXPECT_TRUE(got().lists.empty());
}

// An unnumbered answer that comes before the acknowledgement of its request
// cannot be told from a late copy of the answer before (the request may have
// been lost): it is dropped, and the answer that follows the acknowledgement
// of the repeat is taken. The walk ends with the right counters.
TEST_F(RouterAdmin, UnnumberedAnswersBeforeTheAcknowledgementAreNotTaken)
{
    lines = line_targets(2);
    highstate_get_accounting(on_list, lines);
    for (uint8_t position = 0; position < 2; ++position) {
        // The second request waits until copies of the first reply had time
        // to come: the first request went out twice.
        TestDatagram d = await_sent(*r1);
        ASSERT_EQ(test_frame_code(d.bytes), T_GET_ACCOUNTING_REQUEST);
        send(*r1, T_GET_ACCOUNTING_REPLY, accounting_reply(uint8_t(10 + position)));
        EXPECT_TRUE(r1->quiet()) << "nothing taken, nothing sent";
        TestDatagram repeat = await_sent(*r1);
        EXPECT_EQ(repeat.bytes, d.bytes);
        ack(*r1, repeat);
        send(*r1, T_GET_ACCOUNTING_REPLY, accounting_reply(uint8_t(20 + position)));
    }
    ASSERT_EQ(got().lists, (std::vector<ListObject*>{lines}));
    EXPECT_EQ(charge_at(lines, 0), 20u);
    EXPECT_EQ(charge_at(lines, 1), 21u);
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
}

// A router that numbers its replies passes 65535 during an accounting walk.
TEST_F(RouterAdmin, NumberedRepliesAcrossTheWrapAreTaken)
{
    lines = line_targets(4);
    highstate_get_accounting(on_list, lines);
    for (uint16_t seq : {65534, 65535, 1, 2}) {
        expect_acked(T_GET_ACCOUNTING_REQUEST);
        send(*r1, T_GET_ACCOUNTING_REPLY, zeros(32), seq);
        EXPECT_EQ(test_frame_payload(expect(*r1, T_ACK).bytes),
                  (Bytes{uint8_t(seq >> 8), uint8_t(seq)}));
    }
    EXPECT_EQ(got().lists.size(), 1u);
    EXPECT_TRUE(errors().empty());
}

// A router that numbers its replies loses every acknowledgement of ours:
// each numbered reply arrives while its request still awaits the
// acknowledgement, is acknowledged, and stands in for the lost one, so the
// walk and the settings change end as with a router that acknowledges.
TEST_F(RouterAdmin, NumberedAnswersStandInForLostAcknowledgements)
{
    lines = line_targets(3);
    highstate_get_accounting(on_list, lines);
    std::vector<TestDatagram> requests;
    uint16_t seq = 65534;  // the router's numbers pass the wrap on the way
    for (int i = 0; i < 3; ++i, seq = uint16_t(seq == 65535 ? 1 : seq + 1)) {
        requests.push_back(expect(*r1, T_GET_ACCOUNTING_REQUEST));
        EXPECT_EQ(highstate_ack_awaited(), 1);
        send(*r1, T_GET_ACCOUNTING_REPLY, zeros(32), seq);
        EXPECT_EQ(test_frame_payload(expect(*r1, T_ACK).bytes),
                  (Bytes{uint8_t(seq >> 8), uint8_t(seq)}));
    }
    EXPECT_EQ(got().lists, (std::vector<ListObject*>{lines}));
    EXPECT_EQ(highstate_ack_awaited(), 0);

    RouterSettings s{};
    highstate_put_router_data(on_done, &s);
    requests.push_back(expect(*r1, T_PUT_ROUTER_DATA_REQUEST));
    send(*r1, T_PUT_ROUTER_DATA_REPLY, {0, 0, 0, 0}, seq);
    expect(*r1, T_ACK);
    EXPECT_EQ(got().done, (std::vector<int>{0}));
    EXPECT_TRUE(errors().empty());

    for (const TestDatagram& d : requests)
        ack(*r1, d);  // late: they change nothing
    fake_host_tick(12);
    EXPECT_TRUE(r1->quiet()) << "nothing repeated, nothing closed";
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
}

// Only a reply the engine awaits, under a number the router has not used
// yet, stands in for the acknowledgement; any other numbered message from
// the router while the acknowledgement is awaited ends the connection with
// 8777, as before.
TEST_F(RouterAdmin, OtherNumberedMessagesDuringTheWaitStillEndTheConnection)
{
    struct Case {
        const char* name;
        uint16_t code;  // sent numbered while the second request awaits its acknowledgement
        uint16_t seq;   // the first reply carried 9
        Bytes payload;
    };
    const Case cases[] = {
        {"a reply not awaited", T_SET_PASSWORD_REPLY, 10, {0, 0, 0, 0}},
        {"a line-monitor report", T_LINEMON_DATA, 10, zeros(86)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (highstate_get_state() != HIGHSTATE_CONNECTED) {
            reach_connected();
            settle();
        }
        got() = Results{};
        if (lines != nullptr)
            lines->ops->list_destroy(lines);
        lines = line_targets(2);
        highstate_get_accounting(on_list, lines);
        expect_acked(T_GET_ACCOUNTING_REQUEST);
        send(*r1, T_GET_ACCOUNTING_REPLY, zeros(32), 9);
        expect(*r1, T_GET_ACCOUNTING_REQUEST);  // its acknowledgement is lost
        send(*r1, c.code, c.payload, c.seq);
        EXPECT_EQ(test_frame_payload(expect(*r1, T_ACK).bytes), (Bytes{0, uint8_t(c.seq)}));
        EXPECT_EQ(errors(), (std::vector<int>{LOWSTATE_UNEXPECTED_REQUEST}));
        EXPECT_TRUE(got().lists.empty());
        EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
        expect_close_with(*r1, LOWSTATE_UNEXPECTED_REQUEST);
        EXPECT_TRUE(r1->quiet());
        fake_host_clear_errors();
    }
}

// A copy of the router's last numbered reply, or an older one, while the
// next request awaits its acknowledgement: acknowledged and dropped, the
// walk goes on.
TEST_F(RouterAdmin, CopiesOfNumberedRepliesDuringTheWaitEndNothing)
{
    lines = line_targets(2);
    highstate_get_accounting(on_list, lines);
    expect_acked(T_GET_ACCOUNTING_REQUEST);
    send(*r1, T_GET_ACCOUNTING_REPLY, accounting_reply(10), 9);
    TestDatagram second = expect(*r1, T_GET_ACCOUNTING_REQUEST);
    for (uint16_t seq : {9, 8}) {
        send(*r1, T_GET_ACCOUNTING_REPLY, accounting_reply(50), seq);
        EXPECT_EQ(test_frame_payload(expect(*r1, T_ACK).bytes), (Bytes{0, uint8_t(seq)}));
    }
    EXPECT_TRUE(errors().empty());
    ack(*r1, second);
    send(*r1, T_GET_ACCOUNTING_REPLY, accounting_reply(20), 10);
    ASSERT_EQ(got().lists, (std::vector<ListObject*>{lines}));
    EXPECT_EQ(charge_at(lines, 0), 10u);
    EXPECT_EQ(charge_at(lines, 1), 20u);
    EXPECT_TRUE(errors().empty());
}

// ------------------------------------------------- settings and password

TEST_F(RouterAdmin, SettingsTravelAsTwentyNineBytes)
{
    RouterSettings s{};
    myutil_copy_text(s.name, "10.77.0.2");
    myutil_copy_text(s.netmask, "255.255.255.0");
    myutil_copy_text(s.phone, "0891234");
    s.line_type = 2;
    highstate_put_router_data(on_done, &s);
    TestDatagram d = expect_acked(T_PUT_ROUTER_DATA_REQUEST);
    Bytes want = {0x0A, 0x4D, 0x00, 0x02, 0xFF, 0xFF, 0xFF, 0x00,
                  '0',  '8',  '9',  '1',  '2',  '3',  '4'};
    want.resize(28, 0);
    want.push_back(0x02);
    EXPECT_EQ(test_frame_payload(d.bytes), want);
    EXPECT_TRUE(got().done.empty());
    send(*r1, T_PUT_ROUTER_DATA_REPLY, {0, 0, 0, 0});
    EXPECT_EQ(got().done, (std::vector<int>{0}));
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
}

struct StatusCase {
    const char* name;
    bool password;  // the password change, else the settings
    int status;     // the router's answer
};

class StatusReply : public RouterAdmin, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(StatusReply, NonZeroStatusDropsTheRouterWithIt)
{
    const StatusCase& c = GetParam();
    RouterSettings s{};
    if (c.password) {
        highstate_set_password(on_done, "new", "old", 0);
        expect_acked(T_SET_PASSWORD_REQUEST);
        send(*r1, T_SET_PASSWORD_REPLY, {0, 0, uint8_t(c.status >> 8), uint8_t(c.status)});
    } else {
        highstate_put_router_data(on_done, &s);
        expect_acked(T_PUT_ROUTER_DATA_REQUEST);
        send(*r1, T_PUT_ROUTER_DATA_REPLY, {0, 0, uint8_t(c.status >> 8), uint8_t(c.status)});
    }
    expect_close_with(*r1, c.status);
    EXPECT_EQ(errors(), (std::vector<int>{c.status}));
    EXPECT_TRUE(got().done.empty());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
}

const StatusCase kStatus[] = {
    {"WrongPassword", true, STATUS_WRONG_PASSWORD},
    {"PasswordFlashError", true, STATUS_FLASH_ERROR},
    {"SettingsBadAddress", false, STATUS_BAD_ADDRESS},
    {"SettingsFlashError", false, STATUS_FLASH_ERROR},
};
INSTANTIATE_TEST_SUITE_P(Engine, StatusReply, ::testing::ValuesIn(kStatus),
                         [](const ::testing::TestParamInfo<StatusCase>& info) {
                             return std::string(info.param.name);
                         });

// Both passwords are scrambled with the one seed sent in front, so their
// XOR is the XOR of the plain texts; a new password is cut to ten bytes.
TEST_F(RouterAdmin, PasswordChangeScramblesBothWithItsSeed)
{
    highstate_set_password(on_done, "abcdefghijkl", "", 1);
    TestDatagram d = expect_acked(T_SET_PASSWORD_REQUEST);
    Bytes p = test_frame_payload(d.bytes);
    ASSERT_EQ(p.size(), 23u);
    EXPECT_EQ(p[2], 0xFF);
    std::string plain;
    for (size_t i = 0; i < 10; ++i)
        plain += char(p[3 + i] ^ p[13 + i]);
    EXPECT_EQ(plain, "abcdefghij");
    send(*r1, T_SET_PASSWORD_REPLY, {0, 0, 0, 0});
    EXPECT_EQ(got().done, (std::vector<int>{0}));
}

TEST_F(RouterAdmin, PasswordChangeNotExclusive)
{
    highstate_set_password(on_done, "x", "y", 0);
    TestDatagram d = expect_acked(T_SET_PASSWORD_REQUEST);
    EXPECT_EQ(test_frame_payload(d.bytes)[2], 0x00);
}

// A reply while nothing is awaited any more is a copy of the one handled
// (the network duplicated it, or the router answered a repeat): dropped,
// the router stays open.
TEST_F(RouterAdmin, ACopyOfAReplyAfterTheExchangeEndedIsDropped)
{
    highstate_set_password(on_done, "x", "y", 0);
    expect_acked(T_SET_PASSWORD_REQUEST);
    send(*r1, T_SET_PASSWORD_REPLY, {0, 0, 0, 0});
    send(*r1, T_SET_PASSWORD_REPLY, {0, 0, 0, 0});
    send(*r1, T_SET_PASSWORD_REPLY, {0, 0, 0, 3});
    EXPECT_TRUE(r1->quiet());
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(got().done, (std::vector<int>{0}));
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
}

// A request whose reply is overdue is asked again: one that does the same
// twice under a new number, one that changes the router on every arrival
// first as the very datagram under its own number (a router that keeps its
// replies answers it with the kept one), and, when two such repeats were
// acknowledged and not answered either, under new numbers, each after an
// entry read (the router only acknowledges repeats). When nothing comes, the
// wait ends with 6 and the router is told.
TEST_F(RouterAdmin, OverdueRepliesAreAskedForInTheWayTheRequestAllows)
{
    struct Case {
        const char* what;
        void (*start)(ListObject* lines);
        uint16_t code;
        bool own_number;
    };
    const Case cases[] = {
        {"accounting read", [](ListObject* l) { highstate_get_accounting(on_list, l); },
         T_GET_ACCOUNTING_REQUEST, false},
        // A second arrival carries the password the first one replaced.
        {"password change", [](ListObject*) { highstate_set_password(on_done, "new", "old", 0); },
         T_SET_PASSWORD_REQUEST, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (highstate_get_state() != HIGHSTATE_CONNECTED)
            reach_connected();
        settle();
        if (lines != nullptr)
            lines->ops->list_destroy(lines);
        lines = line_targets(2);
        c.start(lines);
        TestDatagram first = expect_acked(c.code);
        Asks got_asks = asks_of(tick_acking(HIGHSTATE_REPLY_TICKS), {0xFF, 0x00, 0x00});
        const std::vector<TestDatagram>& asked = got_asks.asks;
        EXPECT_GE(asked.size(), 3u);
        EXPECT_LE(asked.size(), size_t(HIGHSTATE_REASKS));
        // Each ask under a new number after an acknowledged, unanswered one
        // follows an entry read; a request asked under its own number is so
        // asked twice first.
        size_t same = c.own_number ? 2 : 1;
        EXPECT_EQ(got_asks.reads, asked.size() - same);
        for (size_t i = 0; i < asked.size(); ++i) {
            const TestDatagram& d = asked[i];
            EXPECT_EQ(test_frame_payload(d.bytes), test_frame_payload(first.bytes));
            if (c.own_number && i < same)
                EXPECT_EQ(test_frame_sequence(d.bytes), test_frame_sequence(first.bytes));
            else
                EXPECT_NE(test_frame_sequence(d.bytes), test_frame_sequence(first.bytes));
        }
        EXPECT_TRUE(errors().empty());
        fake_host_tick(1);
        expect_close_with(*r1, STATUS_TIMEOUT);
        EXPECT_EQ(errors(), (std::vector<int>{STATUS_TIMEOUT}));
    }
}

// The settings are set again when their reply is lost; the copy of the
// reply that comes after the exchange has ended drops nothing.
TEST_F(RouterAdmin, LostSettingsReplyIsAskedForAgainAndItsLateCopyIsDropped)
{
    RouterSettings s{};
    highstate_put_router_data(on_done, &s);
    TestDatagram first = expect_acked(T_PUT_ROUTER_DATA_REQUEST);
    // Asked again once the reply is overdue for this router.
    TestDatagram again = await_sent(*r1);
    ASSERT_EQ(test_frame_code(again.bytes), T_PUT_ROUTER_DATA_REQUEST);
    ack(*r1, again);
    EXPECT_EQ(test_frame_payload(again.bytes), test_frame_payload(first.bytes));
    send(*r1, T_PUT_ROUTER_DATA_REPLY, {0, 0, 0, 0});
    EXPECT_EQ(got().done, (std::vector<int>{0}));
    send(*r1, T_PUT_ROUTER_DATA_REPLY, {0, 0, 0, 0});
    EXPECT_TRUE(r1->quiet());
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
}

TEST_F(RouterAdmin, UnansweredSettingsEndWithTimeout)
{
    RouterSettings s{};
    highstate_put_router_data(on_done, &s);
    const Bytes request = test_frame_payload(expect_acked(T_PUT_ROUTER_DATA_REQUEST).bytes);
    Asks asked = asks_of(tick_acking(HIGHSTATE_REPLY_TICKS), {0xFF, 0x00, 0x00});
    EXPECT_TRUE(errors().empty());
    // Ever later (the time-out doubles), and a bounded number of times; from
    // the second ask on, an entry read goes first (a router that only
    // acknowledges what it had last would take the ask for that).
    ASSERT_GE(asked.asks.size(), 3u);
    ASSERT_LE(asked.asks.size(), size_t(HIGHSTATE_REASKS));
    EXPECT_EQ(asked.reads, asked.asks.size() - 1);
    EXPECT_TRUE(asked.read_before_each_later_ask);
    for (const TestDatagram& d : asked.asks)
        EXPECT_EQ(test_frame_payload(d.bytes), request);
    fake_host_tick(1);
    expect_close_with(*r1, STATUS_TIMEOUT);
    EXPECT_EQ(errors(), (std::vector<int>{STATUS_TIMEOUT}));
    EXPECT_TRUE(got().done.empty());
}

// ---------------------------------------------------------- line monitor

Bytes linemon_report()
{
    // Channel 1: connected (state 3, code 0x0123) to 10.77.0.50 "0301" for
    // 65 s, 2 units, 10 packets out, 12 in. Channel 2: free.
    Bytes b = {0x03, 0x01, 0x23, 0x0A, 0x4D, 0x00, 0x32, '0', '3', '0', '1'};
    b.resize(27, 0);
    b.insert(b.end(), {0, 0, 0, 65, 0, 0, 0, 2, 0, 0, 0, 10, 0, 0, 0, 12});
    b.resize(86, 0);
    return b;
}

TEST_F(RouterAdmin, LineMonitorDeliversReportsUntilStopped)
{
    highstate_start_linemon(on_report);
    expect_acked(T_LINEMON_START_REQUEST);
    send(*r1, T_LINEMON_DATA, linemon_report());
    send(*r2, T_LINEMON_DATA, linemon_report());  // not the open router
    ASSERT_EQ(got().reports.size(), 1u);
    const LineMonitorChannel& c = got().reports[0].channel[0];
    EXPECT_EQ(c.state, 3);
    EXPECT_EQ(c.code, 0x0123);
    EXPECT_STREQ(c.peer, "10.77.0.50");
    EXPECT_STREQ(c.phone, "0301");
    EXPECT_EQ(c.duration, 65u);
    EXPECT_EQ(c.charge, 2u);
    EXPECT_EQ(c.packets_out, 10u);
    EXPECT_EQ(c.packets_in, 12u);
    EXPECT_EQ(got().reports[0].channel[1].state, 0);

    send(*r1, T_LINEMON_DATA, zeros(85));
    expect_close_with(*r1, STATUS_PROTOCOL_VIOLATION);
}

// The line monitor of a router whose counter started at 65525: every
// report after the counter passes 65535 is shown too; a report repeated
// with the last number is a copy and one from before the wrap is stale.
TEST_F(RouterAdmin, NumberedReportsAcrossTheWrapAreAllShown)
{
    highstate_start_linemon(on_report);
    expect_acked(T_LINEMON_START_REQUEST);
    std::vector<uint16_t> numbers;
    // The router's counter skips 0: ..., 65535, 1, 2, ...
    for (uint16_t seq = 65525; numbers.size() < 21; seq = seq == 65535 ? 1 : uint16_t(seq + 1)) {
        numbers.push_back(seq);
    }
    for (uint16_t seq : numbers)
        send(*r1, T_LINEMON_DATA, linemon_report(), seq);
    EXPECT_EQ(got().reports.size(), numbers.size());
    send(*r1, T_LINEMON_DATA, linemon_report(), numbers.back());
    EXPECT_EQ(got().reports.size(), numbers.size());
    send(*r1, T_LINEMON_DATA, linemon_report(), 65535);
    EXPECT_EQ(got().reports.size(), numbers.size());
    // Every one was acknowledged, the stale one too.
    int acks = 0;
    for (const TestDatagram& d : r1->drain())
        acks += test_frame_code(d.bytes) == T_ACK;
    EXPECT_EQ(acks, int(numbers.size()) + 2);
    EXPECT_TRUE(errors().empty());
}

TEST_F(RouterAdmin, StoppedMonitorIgnoresLateReports)
{
    highstate_start_linemon(on_report);
    expect_acked(T_LINEMON_START_REQUEST);
    highstate_stop_linemon();
    expect_acked(T_LINEMON_STOP_REQUEST);
    send(*r1, T_LINEMON_DATA, linemon_report());
    EXPECT_TRUE(got().reports.empty());
    EXPECT_TRUE(errors().empty());
    EXPECT_TRUE(r1->quiet());
}

TEST_F(RouterAdmin, LineMonitorNeedsAnOpenRouter)
{
    highstate_close_router();
    settle();
    highstate_start_linemon(on_report);
    highstate_stop_linemon();
    EXPECT_TRUE(r1->quiet());
    EXPECT_EQ(highstate.linemon_fn, nullptr);
}

TEST_F(RouterAdmin, ConnectionsByHand)
{
    highstate_open_isdn(2);
    TestDatagram d = expect_acked(T_ISDN_OPEN_REQUEST);
    EXPECT_EQ(test_frame_payload(d.bytes), (Bytes{0x00, 0x00, 0x02}));
    highstate_close_isdn(1);
    d = expect_acked(T_ISDN_CLOSE_REQUEST);
    EXPECT_EQ(test_frame_payload(d.bytes), (Bytes{0x01}));
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
}

TEST_F(RouterAdmin, RequestsWithoutReplyAreAwaitedUntilAcknowledged)
{
    EXPECT_EQ(highstate_ack_awaited(), 0);
    highstate_close_isdn(0);
    TestDatagram d = expect(*r1, T_ISDN_CLOSE_REQUEST);
    EXPECT_EQ(highstate_ack_awaited(), 1) << "a hang-up now would end the connection";
    ack(*r1, d);
    EXPECT_EQ(highstate_ack_awaited(), 0);
    highstate_close_isdn(1);
    expect_acked(T_ISDN_CLOSE_REQUEST);
    EXPECT_EQ(highstate_ack_awaited(), 0);
    EXPECT_TRUE(errors().empty());
}

// ------------------------------------------------------------------ reset

// Scan requests the router receives over `ticks` ticks, tick by tick.
std::vector<int> scans_per_tick(RouterSocket& r, int ticks)
{
    std::vector<int> at;
    for (int t = 1; t <= ticks; ++t) {
        fake_host_tick(1);
        for (const TestDatagram& d : r.drain(20)) {
            if (test_frame_code(d.bytes) == T_SCAN_REQUEST)
                at.push_back(t);
        }
    }
    return at;
}

TEST_F(RouterAdmin, ResetScansEveryFourthTickUntilTheRouterIsBack)
{
    ASSERT_EQ(highstate_reset_router(on_announce, kHw), 1);
    TestDatagram d = expect(*r1, T_RESET_REQUEST);
    EXPECT_EQ(test_frame_sequence(d.bytes), 0);
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_RESETTING);

    EXPECT_EQ(scans_per_tick(*r1, 12), (std::vector<int>{4, 8, 12}));
    send(*r1, T_SCAN_REPLY, announce(2));  // still configured: not yet
    EXPECT_TRUE(got().announcements.empty());
    send(*r2, T_SCAN_REPLY,
         {0x00, 0x00, 0x00, 0xA0, 0xF9, 0x09, 0x09, 0x09, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_TRUE(got().announcements.empty());
    send(*r1, T_SCAN_REPLY, announce(0));
    ASSERT_EQ(got().announcements.size(), 1u);
    EXPECT_EQ(got().announcements[0].router_ip, 0u);
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);

    EXPECT_TRUE(scans_per_tick(*r1, 130).empty());
    EXPECT_TRUE(errors().empty());
}

TEST_F(RouterAdmin, ResetRouterThatNeverComesBackFailsOnThe121stTick)
{
    ASSERT_EQ(highstate_reset_router(on_announce, kHw), 1);
    r1->drain();
    std::vector<int> scans = scans_per_tick(*r1, 120);
    EXPECT_EQ(scans.size(), 30u);
    EXPECT_TRUE(errors().empty());
    fake_host_tick(1);
    EXPECT_EQ(errors(), (std::vector<int>{STATUS_RESET_FAILED}));
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
    EXPECT_TRUE(scans_per_tick(*r1, 10).empty());
    EXPECT_TRUE(got().announcements.empty());
}

// The first reset's time-out would fire during the second one.
TEST_F(RouterAdmin, LaterResetIsNotEndedByAnOldTimer)
{
    ASSERT_EQ(highstate_reset_router(on_announce, kHw), 1);
    fake_host_tick(10);
    send(*r1, T_SCAN_REPLY, announce(0));
    ASSERT_EQ(got().announcements.size(), 1u);
    r1->drain();
    reach_connected();
    fake_host_tick(5);
    ASSERT_EQ(highstate_reset_router(on_announce, kHw), 1);
    fake_host_tick(120);
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_RESETTING);
    fake_host_tick(1);
    EXPECT_EQ(errors(), (std::vector<int>{STATUS_RESET_FAILED}));
}

// The reset request cannot be sent: the failure is reported at once, and
// the open that the error callback starts is left alone: it is repeated and
// given up on its own schedule, and no timer of the reset acts on it.
TEST_F(RouterAdmin, ResetWhoseRequestCannotBeSentEndsAtOnce)
{
    fake_host_set_error_hook([](int code) {
        if (code == ENETDOWN)
            highstate_open_router(on_open, test_net_router_ip(2));
    });
    fake_udp_fail_sends(ENETDOWN);
    EXPECT_EQ(highstate_reset_router(on_announce, kHw), 1);
    EXPECT_EQ(errors(), (std::vector<int>{ENETDOWN}));
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_OPENING);
    EXPECT_TRUE(r1->quiet());
    const Bytes open = expect(*r2, T_OPEN_REQUEST).bytes;
    for (int tick = 1; tick <= 12; ++tick) {
        fake_host_tick(1);
        std::vector<TestDatagram> at2 = r2->drain();
        std::vector<TestDatagram> at1 = r1->drain();
        // Repeats after one second, then every two, on fine ticks 5, 14, 23,
        // 32 and 41.
        size_t repeats = (tick == 2 || tick == 4 || tick == 6 || tick == 8 || tick == 11) ? 1 : 0;
        ASSERT_EQ(at2.size(), repeats) << "tick " << tick;
        if (repeats) {
            EXPECT_EQ(at2[0].bytes, open) << "tick " << tick;
        }
        EXPECT_TRUE(at1.empty()) << "no scan for the reset router, tick " << tick;
        EXPECT_EQ(errors().size(), tick < 12 ? 1u : 2u) << "tick " << tick;
    }
    EXPECT_EQ(errors(), (std::vector<int>{ENETDOWN, LOWSTATE_NO_ACK}));
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
    fake_host_tick(130);
    EXPECT_EQ(errors().size(), 2u);
    EXPECT_TRUE(got().announcements.empty());
}

TEST_F(RouterAdmin, ResetNeedsAnOpenIdleRouter)
{
    RouterSettings s{};
    highstate_put_router_data(on_done, &s);
    expect_acked(T_PUT_ROUTER_DATA_REQUEST);
    EXPECT_EQ(highstate_reset_router(on_announce, kHw), 0);
    EXPECT_TRUE(r1->quiet());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_REQUEST_PENDING);
}

}  // namespace
