// Table transfer: reading tables entry by entry and writing back only what
// differs, checked message by message at the router.
#include <ostream>
#include <string>

#include "engine_fixture.h"
#include "list.h"

namespace {

constexpr uint16_t T_PUT_ENTRY_REQUEST = 0x1017;

// Routes are told apart by their destination: 10.<n>.0.0 for the letter.
uint8_t net_of(char letter)
{
    return letter == 'X' ? 24 : uint8_t(letter - 'A' + 1);
}

RouteEntry* route(char letter, int index)
{
    auto* r = static_cast<RouteEntry*>(myutil_malloc(sizeof(RouteEntry)));
    myutil_copy_text(r->mask, "255.255.0.0");
    myutil_copy_text(r->match, ("10." + std::to_string(net_of(letter)) + ".0.0").c_str());
    myutil_copy_text(r->gateway, "10.77.0.1");
    r->index = index;
    return r;
}

// "AB" with indexes {0, 2}: a list as read from a router with slot 1 empty.
ListObject* routes(const std::string& letters, std::vector<int> indexes = {})
{
    ListObject* list = listhelp_new_route_list();
    for (size_t i = 0; i < letters.size(); ++i) {
        int index = i < indexes.size() ? indexes[i] : int(i);
        list->ops->list_append(list, route(letters[i], index));
    }
    return list;
}

// The route body as the router expects it in a put.
Bytes route_body(char letter, int index)
{
    return {0xF0, uint8_t(index >> 8), uint8_t(index), 0xFF, 0xFF, 0x00, 0x00,
            0x0A, net_of(letter),      0x00,           0x00, 0x0A, 0x4D, 0x00,
            0x01};
}

// GET_ENTRY_REPLY payload of a route, as the router sends it.
Bytes route_reply(char letter, int index)
{
    Bytes body = route_body(letter, index);
    body.insert(body.begin(), {0x00, 0x00});
    return body;
}

Bytes put_reply(uint8_t table, int index, int status = 0)
{
    return {0x00,           0x00, table, uint8_t(index >> 8), uint8_t(index), uint8_t(status >> 8),
            uint8_t(status)};
}

std::string texts(ListObject* list)
{
    std::string out;
    for (ListNode* n = list->head; n != nullptr; n = n->next) {
        auto* r = static_cast<RouteEntry*>(n->element);
        out += std::string(r->match) + "@" + std::to_string(r->index) + " ";
    }
    return out;
}

struct Results {
    std::vector<int> counts;
    std::vector<ListObject*> lists;
    int tables_calls = 0;
    ListObject* tables[3] = {nullptr, nullptr, nullptr};
};
Results& got()
{
    static Results r;
    return r;
}
void on_count(int n)
{
    got().counts.push_back(n);
}
void on_list(ListObject* l)
{
    got().lists.push_back(l);
}
void on_tables(ListObject* a, ListObject* b, ListObject* c)
{
    ++got().tables_calls;
    got().tables[0] = a;
    got().tables[1] = b;
    got().tables[2] = c;
}

class TableTransfer : public EngineFixture {
public:
    std::vector<ListObject*> owned;

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
        for (ListObject* l : owned)
            l->ops->list_destroy(l);
        for (ListObject* l : got().lists)
            if (l != nullptr)
                l->ops->list_destroy(l);
        for (ListObject* l : got().tables)
            if (l != nullptr)
                l->ops->list_destroy(l);
        got() = Results{};
    }
    ListObject* keep(ListObject* l)
    {
        owned.push_back(l);
        return l;
    }

    // Router 1 answers the entry request it receives with `reply`; returns
    // the index that was asked for.
    int answer_entry(uint16_t table_and_reply_code, const Bytes& reply)
    {
        TestDatagram req = expect_acked(T_GET_ENTRY_REQUEST);
        Bytes p = test_frame_payload(req.bytes);
        EXPECT_EQ(p.size(), 3u);
        send(*r1, table_and_reply_code, reply);
        return p.size() == 3 ? (p[1] << 8 | p[2]) : -1;
    }
};

// --------------------------------------------------------------- reading

TEST_F(TableTransfer, ReadingNoEntriesAnswersAtOnce)
{
    highstate_get_route_data(on_list, 0);
    highstate_get_filter_data(on_list, 0);
    ASSERT_EQ(got().lists.size(), 2u);
    EXPECT_EQ(got().lists[0]->count, 0);
    ASSERT_EQ(got().lists[1]->count, 1);
    auto* rule = static_cast<FilterEntry*>(got().lists[1]->head->element);
    EXPECT_STREQ(rule->send_mask, "0.0.0.0");
    EXPECT_EQ(rule->action, 1);
    EXPECT_TRUE(r1->quiet());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
}

TEST_F(TableTransfer, ReadingSkipsEmptySlotsButCountsThem)
{
    highstate_get_route_data(on_list, 3);
    EXPECT_EQ(answer_entry(T_GET_ENTRY_REPLY, route_reply('A', 0)), 0);
    EXPECT_EQ(answer_entry(T_GET_ENTRY_REPLY, {0x00, 0x00, 0xF0, 0x00, 0x01}), 1);
    EXPECT_TRUE(got().lists.empty());
    EXPECT_EQ(answer_entry(T_GET_ENTRY_REPLY, route_reply('C', 2)), 2);
    ASSERT_EQ(got().lists.size(), 1u);
    EXPECT_EQ(texts(got().lists[0]), "10.1.0.0@0 10.3.0.0@2 ");
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
    EXPECT_TRUE(errors().empty());
}

TEST_F(TableTransfer, ReadingAsksAgainForAWrongIndex)
{
    highstate_get_route_data(on_list, 1);
    EXPECT_EQ(answer_entry(T_GET_ENTRY_REPLY, route_reply('B', 4)), 0);
    EXPECT_EQ(answer_entry(T_GET_ENTRY_REPLY, route_reply('A', 0)), 0);
    ASSERT_EQ(got().lists.size(), 1u);
    EXPECT_EQ(texts(got().lists[0]), "10.1.0.0@0 ");
}

TEST_F(TableTransfer, RouterThatKeepsAnsweringTheWrongIndexIsDropped)
{
    highstate_get_route_data(on_list, 2);
    int requests = 0;
    for (;;) {
        TestDatagram d;
        ASSERT_TRUE(r1->receive(&d)) << "the read neither went on nor ended";
        uint16_t code = test_frame_code(d.bytes);
        if (code == T_ACK)
            continue;
        if (code == T_CLOSE_REQUEST) {
            EXPECT_EQ(test_frame_payload(d.bytes), (Bytes{0x00, 0x07}));
            break;
        }
        ASSERT_EQ(code, T_GET_ENTRY_REQUEST);
        ASSERT_LE(++requests, 100);
        ack(*r1, d);
        send(*r1, T_GET_ENTRY_REPLY, route_reply('B', 9));
    }
    EXPECT_EQ(requests, 1 + HIGHSTATE_READ_RETRIES);
    EXPECT_EQ(errors(), (std::vector<int>{STATUS_PROTOCOL_VIOLATION}));
    EXPECT_TRUE(got().lists.empty());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
}

TEST_F(TableTransfer, ReadingFiltersClosesTheTableWithACatchAll)
{
    highstate_get_filter_data(on_list, 1);
    // Reject TCP port 23 from 10.1.0.0/16 to anywhere.
    Bytes rule = {0x00, 0x00, 0x0F, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00,
                  0x0A, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                  0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00, 0x17};
    answer_entry(T_GET_ENTRY_REPLY, rule);
    ASSERT_EQ(got().lists.size(), 1u);
    ListObject* list = got().lists[0];
    ASSERT_EQ(list->count, 2);
    auto* first = static_cast<FilterEntry*>(list->head->element);
    EXPECT_STREQ(first->send_match, "10.1.0.0");
    EXPECT_EQ(first->protocol, 6);
    EXPECT_EQ(first->port, 23);
    EXPECT_EQ(first->action, 0);
    auto* last = static_cast<FilterEntry*>(list->tail->element);
    EXPECT_STREQ(last->send_mask, "0.0.0.0");
    EXPECT_EQ(last->action, 1);
}

TEST_F(TableTransfer, ReadingNeverAsksBeyondTheTableLimit)
{
    highstate_get_line_data(on_list, MAX_LINE_TARGETS + 10);
    for (int i = 0; i < MAX_LINE_TARGETS; ++i) {
        ASSERT_EQ(answer_entry(T_GET_ENTRY_REPLY, {0x00, 0x00, 0xFF, uint8_t(i >> 8), uint8_t(i)}),
                  i);
    }
    ASSERT_EQ(got().lists.size(), 1u);
    EXPECT_EQ(got().lists[0]->count, 0);
    EXPECT_TRUE(r1->quiet());
}

TEST_F(TableTransfer, LoadingReadsLinesRoutesFiltersInOrder)
{
    interface_load_config(1, 1, 0, on_tables);
    TestDatagram req = expect_acked(T_GET_ENTRY_REQUEST);
    EXPECT_EQ(test_frame_payload(req.bytes), (Bytes{0xFF, 0x00, 0x00}));
    send(*r1, T_GET_ENTRY_REPLY, {0x00, 0x00, 0xFF, 0x00, 0x00});  // an empty slot
    req = expect_acked(T_GET_ENTRY_REQUEST);
    EXPECT_EQ(test_frame_payload(req.bytes), (Bytes{0xF0, 0x00, 0x00}));
    EXPECT_EQ(got().tables_calls, 0);
    send(*r1, T_GET_ENTRY_REPLY, route_reply('A', 0));

    ASSERT_EQ(got().tables_calls, 1);
    EXPECT_EQ(got().tables[0]->count, 0);
    EXPECT_EQ(texts(got().tables[1]), "10.1.0.0@0 ");
    EXPECT_EQ(got().tables[2]->count, 1);  // the catch-all alone
    EXPECT_TRUE(r1->quiet());
}

// The network brings the last line-target reply again while the routes are
// read, and again while they are written: a late copy, which ends nothing.
TEST_F(TableTransfer, ALateCopyOfThePreviousTablesReplyIsDropped)
{
    interface_load_config(1, 1, 0, on_tables);
    expect_acked(T_GET_ENTRY_REQUEST);
    const Bytes line_reply = {0x00, 0x00, 0xFF, 0x00, 0x00};
    send(*r1, T_GET_ENTRY_REPLY, line_reply);
    expect_acked(T_GET_ENTRY_REQUEST);
    send(*r1, T_GET_ENTRY_REPLY, line_reply);
    EXPECT_TRUE(r1->quiet());
    send(*r1, T_GET_ENTRY_REPLY, route_reply('A', 0));
    ASSERT_EQ(got().tables_calls, 1);
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(texts(got().tables[1]), "10.1.0.0@0 ");
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
}

// The chain fails while reading the routes: the line list it already had
// is released (the sanitizer build sees a leak otherwise) and nothing is
// handed over.
TEST_F(TableTransfer, LoadingThatFailsHalfwayHandsNothingOver)
{
    interface_load_config(1, 1, 1, on_tables);
    answer_entry(T_GET_ENTRY_REPLY, {0x00, 0x00, 0xFF, 0x00, 0x00});
    // A filter rule while a route is awaited: no table read so far.
    answer_entry(T_GET_ENTRY_REPLY, {0x00, 0x00, 0x0F, 0x00, 0x00});
    expect_close_with(*r1, STATUS_PROTOCOL_VIOLATION);
    EXPECT_EQ(errors(), (std::vector<int>{STATUS_PROTOCOL_VIOLATION}));
    EXPECT_EQ(got().tables_calls, 0);
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
}

TEST_F(TableTransfer, UnansweredEntryRequestEndsWithTimeout)
{
    highstate_get_route_data(on_list, 1);
    const Bytes request = test_frame_payload(expect_acked(T_GET_ENTRY_REQUEST).bytes);
    Asks asked = asks_of(tick_acking(HIGHSTATE_REPLY_TICKS), {0xFF, 0x00, 0x00});
    EXPECT_TRUE(errors().empty());
    // Ever later (the time-out doubles), and a bounded number of times; from
    // the second ask on, after a read of another entry.
    ASSERT_GE(asked.asks.size(), 3u);
    ASSERT_LE(asked.asks.size(), size_t(HIGHSTATE_REASKS));
    EXPECT_EQ(asked.reads, asked.asks.size() - 1);
    EXPECT_TRUE(asked.read_before_each_later_ask);
    for (const TestDatagram& d : asked.asks)
        EXPECT_EQ(test_frame_payload(d.bytes), request);
    fake_host_tick(1);
    expect_close_with(*r1, STATUS_TIMEOUT);
    EXPECT_EQ(errors(), (std::vector<int>{STATUS_TIMEOUT}));
    EXPECT_TRUE(got().lists.empty());
}

// The router acknowledged the request, but its reply was lost: the same
// request goes again, under a new number, and the read completes.
TEST_F(TableTransfer, ALostEntryReplyIsAskedForAgainAndTheReadCompletes)
{
    highstate_get_route_data(on_list, 2);
    TestDatagram first = expect_acked(T_GET_ENTRY_REQUEST);
    // Not before the second a router that answered at once so far may take.
    fake_host_fine_tick(3);
    EXPECT_TRUE(r1->quiet());
    TestDatagram again = await_sent(*r1);
    ack(*r1, again);
    EXPECT_EQ(test_frame_payload(again.bytes), test_frame_payload(first.bytes));
    EXPECT_NE(test_frame_sequence(again.bytes), test_frame_sequence(first.bytes));
    send(*r1, T_GET_ENTRY_REPLY, route_reply('A', 0));
    EXPECT_EQ(answer_entry(T_GET_ENTRY_REPLY, route_reply('B', 1)), 1);
    ASSERT_EQ(got().lists.size(), 1u);
    EXPECT_EQ(texts(got().lists[0]), "10.1.0.0@0 10.2.0.0@1 ");
    EXPECT_TRUE(errors().empty());
    EXPECT_TRUE(r1->quiet());
}

// A reply that was only late arrives twice once its request was asked
// again: the copy answers nothing, neither the next entry nor a re-ask.
TEST_F(TableTransfer, ALateCopyOfAnEntryReplyAnswersNothing)
{
    highstate_get_route_data(on_list, 2);
    expect_acked(T_GET_ENTRY_REQUEST);
    // Asked again once the reply is overdue for this router.
    TestDatagram reasked = await_sent(*r1);
    ASSERT_EQ(test_frame_code(reasked.bytes), T_GET_ENTRY_REQUEST);
    ack(*r1, reasked);
    send(*r1, T_GET_ENTRY_REPLY, route_reply('A', 0));
    TestDatagram next = expect(*r1, T_GET_ENTRY_REQUEST);
    EXPECT_EQ(test_frame_payload(next.bytes), (Bytes{0xF0, 0x00, 0x01}));
    send(*r1, T_GET_ENTRY_REPLY, route_reply('A', 0));  // the copy, before the acknowledgement
    ack(*r1, next);
    EXPECT_TRUE(r1->quiet());
    send(*r1, T_GET_ENTRY_REPLY, route_reply('B', 1));
    ASSERT_EQ(got().lists.size(), 1u);
    EXPECT_EQ(texts(got().lists[0]), "10.1.0.0@0 10.2.0.0@1 ");
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
}

// --------------------------------------------------------------- writing

struct Msg {
    bool put;  // put of `letter` at `index`, else delete of `index`
    char letter;
    int index;
};
Msg put(char letter, int index)
{
    return {true, letter, index};
}
Msg del(int index)
{
    return {false, 0, index};
}

struct WriteCase {
    const char* name;
    std::string old_letters;
    std::vector<int> old_indexes;  // empty: 0, 1, 2, ...
    std::string new_letters;
    std::vector<Msg> messages;
};

const WriteCase kWrites[] = {
    {"Unchanged", "AB", {}, "AB", {}},
    {"InsertedInFront", "AB", {}, "XAB", {put('X', 0), put('A', 1), put('B', 2)}},
    {"FirstRemoved", "AB", {}, "B", {put('B', 0), del(1)}},
    {"LastChanged", "AB", {}, "AX", {put('X', 1)}},
    {"AllRemoved", "ABC", {}, "", {del(0), del(1), del(2)}},
    {"AddedToEmpty", "", {}, "AB", {put('A', 0), put('B', 1)}},
    // Copies read from a router with empty slots.
    {"GapClosed", "AB", {0, 2}, "AB", {put('B', 1), del(2)}},
    {"GapInFrontFilled", "AC", {1, 3}, "ABC", {put('A', 0), put('B', 1), put('C', 2), del(3)}},
    {"GapBeyondTheEnd", "AB", {0, 5}, "A", {del(5)}},
};

class TableWrite : public TableTransfer, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(TableWrite, SendsExactlyTheDifference)
{
    const WriteCase& c = GetParam();
    ListObject* old_copy = keep(routes(c.old_letters, c.old_indexes));
    ListObject* edited = keep(routes(c.new_letters, {7, 7, 7}));  // renumbered by the write

    highstate_put_route_data(on_count, edited, old_copy);
    for (const Msg& m : c.messages) {
        EXPECT_TRUE(got().counts.empty());
        TestDatagram d = expect_acked(T_PUT_ENTRY_REQUEST);
        Bytes want = m.put ? route_body(m.letter, m.index)
                           : Bytes{0xF0, uint8_t(m.index >> 8), uint8_t(m.index)};
        EXPECT_EQ(test_frame_payload(d.bytes), want);
        send(*r1, T_PUT_ENTRY_REPLY, put_reply(0xF0, m.index));
    }
    EXPECT_EQ(got().counts, (std::vector<int>{int(c.messages.size())}));
    EXPECT_TRUE(r1->quiet());
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
    EXPECT_EQ(size_t(edited->count), c.new_letters.size());
    int place = 0;
    for (ListNode* n = edited->head; n != nullptr; n = n->next) {
        EXPECT_EQ(static_cast<RouteEntry*>(n->element)->index, place++);
    }
}

INSTANTIATE_TEST_SUITE_P(Engine, TableWrite, ::testing::ValuesIn(kWrites),
                         [](const ::testing::TestParamInfo<WriteCase>& info) {
                             return std::string(info.param.name);
                         });

// A put whose reply was late is asked again, so the router may answer it
// twice: the next put waits until the copy had time to come, and the copy
// that comes meanwhile answers nothing.
TEST_F(TableTransfer, ALateCopyOfARepeatedPutReplyDoesNotAnswerTheNextPut)
{
    ListObject* old_copy = keep(routes("AB"));
    ListObject* edited = keep(routes("XAB"));
    highstate_put_route_data(on_count, edited, old_copy);
    TestDatagram first = expect_acked(T_PUT_ENTRY_REQUEST);
    TestDatagram again = await_sent(*r1);
    ack(*r1, again);
    EXPECT_EQ(test_frame_payload(again.bytes), test_frame_payload(first.bytes));
    send(*r1, T_PUT_ENTRY_REPLY, put_reply(0xF0, 0));
    EXPECT_TRUE(r1->quiet()) << "the next put waits for copies";
    send(*r1, T_PUT_ENTRY_REPLY, put_reply(0xF0, 0));  // the copy
    EXPECT_TRUE(got().counts.empty());
    TestDatagram second = await_sent(*r1);
    EXPECT_EQ(test_frame_payload(second.bytes), route_body('A', 1));
    ack(*r1, second);
    send(*r1, T_PUT_ENTRY_REPLY, put_reply(0xF0, 1));
    expect_acked(T_PUT_ENTRY_REQUEST);
    send(*r1, T_PUT_ENTRY_REPLY, put_reply(0xF0, 2));
    EXPECT_EQ(got().counts, (std::vector<int>{3}));
    EXPECT_TRUE(errors().empty());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
}

// A reordering network: the next put is lost, and a copy of the previous
// put's reply arrives after it went out. The copy comes before any
// acknowledgement of the put, so it answers nothing; the put is repeated,
// acknowledged and answered, and the whole table is written.
TEST_F(TableTransfer, ALateCopyOfThePreviousPutReplyDoesNotAnswerALostPut)
{
    ListObject* old_copy = keep(routes("AB"));
    ListObject* edited = keep(routes("XYZ"));
    highstate_put_route_data(on_count, edited, old_copy);
    expect_acked(T_PUT_ENTRY_REQUEST);
    send(*r1, T_PUT_ENTRY_REPLY, put_reply(0xF0, 0));
    TestDatagram lost = expect(*r1, T_PUT_ENTRY_REQUEST);
    EXPECT_EQ(test_frame_payload(lost.bytes), route_body('Y', 1));
    send(*r1, T_PUT_ENTRY_REPLY, put_reply(0xF0, 0));  // the late copy
    EXPECT_TRUE(r1->quiet()) << "no third put";
    EXPECT_TRUE(got().counts.empty());
    TestDatagram repeat = await_sent(*r1);
    EXPECT_EQ(repeat.bytes, lost.bytes);
    ack(*r1, repeat);
    send(*r1, T_PUT_ENTRY_REPLY, put_reply(0xF0, 0));
    // The repeated put may be answered twice: the next one waits for that.
    TestDatagram third = await_sent(*r1);
    ack(*r1, third);
    EXPECT_EQ(test_frame_payload(third.bytes), route_body('Z', 2));
    send(*r1, T_PUT_ENTRY_REPLY, put_reply(0xF0, 0));
    EXPECT_EQ(got().counts, (std::vector<int>{3}));
    EXPECT_TRUE(errors().empty());
}

// A delete is asked again as a put is.
TEST_F(TableTransfer, ALostDeleteReplyIsAskedForAgain)
{
    ListObject* old_copy = keep(routes("AB"));
    ListObject* edited = keep(routes("A"));
    highstate_put_route_data(on_count, edited, old_copy);
    TestDatagram first = expect_acked(T_PUT_ENTRY_REQUEST);
    EXPECT_EQ(test_frame_payload(first.bytes), (Bytes{0xF0, 0x00, 0x01}));
    // Asked again once the reply is overdue for this router.
    TestDatagram again = await_sent(*r1);
    ASSERT_EQ(test_frame_code(again.bytes), T_PUT_ENTRY_REQUEST);
    ack(*r1, again);
    EXPECT_EQ(test_frame_payload(again.bytes), test_frame_payload(first.bytes));
    send(*r1, T_PUT_ENTRY_REPLY, put_reply(0xF0, 1));
    EXPECT_EQ(got().counts, (std::vector<int>{1}));
    EXPECT_TRUE(errors().empty());
}

// After a failure the front end can tell whether it ended a table write
// and whether anything had been sent to the router by then.
TEST_F(TableTransfer, AFailureTellsHowFarTheTableWriteHadCome)
{
    struct Case {
        const char* what;
        int answered;   // puts acknowledged and answered before the failure
        bool ack_last;  // the next put is acknowledged (then unanswered: 6), else lost (8888)
        int error;
        int writes;
    };
    const Case cases[] = {
        {"first put never acknowledged", 0, false, LOWSTATE_NO_ACK, 1},
        {"second put never answered", 1, true, STATUS_TIMEOUT, 2},
        {"third put never acknowledged", 2, false, LOWSTATE_NO_ACK, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        r1->drain();
        if (highstate_get_state() != HIGHSTATE_CONNECTED)
            reach_connected();
        settle();
        ListObject* old_copy = keep(routes("AB"));
        ListObject* edited = keep(routes("XAB"));
        highstate_put_route_data(on_count, edited, old_copy);
        for (int i = 0; i < c.answered; ++i) {
            expect_acked(T_PUT_ENTRY_REQUEST);
            send(*r1, T_PUT_ENTRY_REPLY, put_reply(0xF0, i));
        }
        if (c.ack_last) {
            expect_acked(T_PUT_ENTRY_REQUEST);
            tick_acking(HIGHSTATE_REPLY_TICKS + 1);
        } else {
            fake_host_tick(12);
        }
        EXPECT_EQ(errors(), (std::vector<int>{c.error}));
        EXPECT_EQ(highstate_failed_write_count(), c.writes);
    }
    // A failure of a read ends no write.
    r1->drain();
    reach_connected();
    settle();
    highstate_get_route_data(on_list, 1);
    expect_acked(T_GET_ENTRY_REQUEST);
    send(*r1, T_GET_ENTRY_REPLY, {0x00, 0x00, 0xFF, 0x00, 0x00});
    EXPECT_EQ(errors(), (std::vector<int>{STATUS_PROTOCOL_VIOLATION}));
    EXPECT_EQ(highstate_failed_write_count(), -1);
}

// The tables of a configuration count on from one another.
TEST_F(TableTransfer, AFailureInALaterTableCountsTheEarlierOnesWrites)
{
    ListObject* lines = keep(listhelp_new_line_list());
    ListObject* route_copy = keep(routes("A"));
    ListObject* routes_new = keep(routes("XY"));
    ListObject* filter_copy = keep(listhelp_new_filter_list());
    ListObject* filters_new = keep(listhelp_new_filter_list());
    auto* rule = static_cast<FilterEntry*>(myutil_malloc(sizeof(FilterEntry)));
    myutil_copy_text(rule->send_mask, "0.0.0.0");
    filters_new->ops->list_append(filters_new, rule);
    interface_save_config(lines, lines, routes_new, route_copy, filters_new, filter_copy, on_count);
    for (int i = 0; i < 2; ++i) {
        expect_acked(T_PUT_ENTRY_REQUEST);
        send(*r1, T_PUT_ENTRY_REPLY, put_reply(0xF0, i));
    }
    expect(*r1, T_PUT_ENTRY_REQUEST);  // the filter, never acknowledged
    fake_host_tick(12);
    EXPECT_EQ(errors(), (std::vector<int>{LOWSTATE_NO_ACK}));
    EXPECT_EQ(highstate_failed_write_count(), 3);
}

TEST_F(TableTransfer, TableFullEndsTheWrite)
{
    ListObject* old_copy = keep(routes("A"));
    ListObject* edited = keep(routes("ABC"));
    highstate_put_route_data(on_count, edited, old_copy);
    expect_acked(T_PUT_ENTRY_REQUEST);
    send(*r1, T_PUT_ENTRY_REPLY, put_reply(0xF0, 1, STATUS_TABLE_FULL));
    expect_close_with(*r1, STATUS_TABLE_FULL);
    EXPECT_EQ(errors(), (std::vector<int>{STATUS_TABLE_FULL}));
    EXPECT_TRUE(r1->quiet());  // the put of C is never sent
    EXPECT_TRUE(got().counts.empty());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
}

TEST_F(TableTransfer, SavingUnchangedTablesAnswersZeroAtOnce)
{
    ListObject* lines = keep(listhelp_new_line_list());
    ListObject* lines_old = keep(listhelp_new_line_list());
    interface_save_config(lines, lines_old, keep(routes("AB")), keep(routes("AB")), nullptr,
                          nullptr, on_count);
    EXPECT_EQ(got().counts, (std::vector<int>{0}));
    EXPECT_TRUE(r1->quiet());
}

TEST_F(TableTransfer, SavingWritesRoutesThenFiltersAndAddsTheCounts)
{
    ListObject* lines = keep(listhelp_new_line_list());
    ListObject* lines_old = keep(listhelp_new_line_list());
    ListObject* filters = keep(listhelp_new_filter_list());
    ListObject* filters_old = keep(listhelp_new_filter_list());
    auto* rule = static_cast<FilterEntry*>(myutil_malloc(sizeof(FilterEntry)));
    *rule = FilterEntry{};
    myutil_copy_text(rule->send_mask, "0.0.0.0");
    myutil_copy_text(rule->send_match, "0.0.0.0");
    myutil_copy_text(rule->receive_mask, "0.0.0.0");
    myutil_copy_text(rule->receive_match, "0.0.0.0");
    rule->action = 1;
    filters_old->ops->list_append(filters_old, rule);

    interface_save_config(lines, lines_old, keep(routes("B")), keep(routes("AB")), filters,
                          filters_old, on_count);
    // Routes: put B at 0, delete 1.
    TestDatagram d = expect_acked(T_PUT_ENTRY_REQUEST);
    EXPECT_EQ(test_frame_payload(d.bytes), route_body('B', 0));
    send(*r1, T_PUT_ENTRY_REPLY, put_reply(0xF0, 0));
    d = expect_acked(T_PUT_ENTRY_REQUEST);
    EXPECT_EQ(test_frame_payload(d.bytes), (Bytes{0xF0, 0x00, 0x01}));
    send(*r1, T_PUT_ENTRY_REPLY, put_reply(0xF0, 1));
    // Filters: the old catch-all is deleted.
    d = expect_acked(T_PUT_ENTRY_REQUEST);
    EXPECT_EQ(test_frame_payload(d.bytes), (Bytes{0x0F, 0x00, 0x00}));
    EXPECT_TRUE(got().counts.empty());
    send(*r1, T_PUT_ENTRY_REPLY, put_reply(0x0F, 0));
    EXPECT_EQ(got().counts, (std::vector<int>{3}));
}

// ------------------------------------ a filter table read, then written

// Filter rules told apart by their service: 'F' rejects ftp (tcp 21), 'T'
// rejects telnet (tcp 23), '*' accepts everything (a catch-all); '-' in a
// router's table is an empty slot.
Bytes filter_body(char rule, int index)
{
    const uint8_t port = rule == 'F' ? 21 : rule == 'T' ? 23 : 0;
    const uint8_t protocol = rule == '*' ? 0 : 6;
    const uint8_t action = rule == '*' ? 1 : 0;
    Bytes body = {0x0F, uint8_t(index >> 8), uint8_t(index)};
    body.resize(19, 0x00);  // four addresses 0.0.0.0
    body.insert(body.end(), {protocol, action, 0x00, 0x00, 0x00, port});
    return body;
}

FilterEntry* filter_rule(char rule)
{
    auto* f = static_cast<FilterEntry*>(myutil_malloc(sizeof(FilterEntry)));
    for (char* text : {f->send_mask, f->send_match, f->receive_mask, f->receive_match})
        myutil_copy_text(text, HOST_LEN + 1, "0.0.0.0");
    f->protocol = rule == '*' ? 0 : 6;
    f->port = rule == 'F' ? 21 : rule == 'T' ? 23 : 0;
    f->action = rule == '*' ? 1 : 0;
    f->index = 99;  // renumbered by the write
    return f;
}

struct FilterRoundCase {
    const char* name;
    std::string router;  // the router's slots
    std::string edited;  // the table written back
    std::vector<Msg> messages;
};

// A router whose table lacks the closing catch-all: the read adds one that
// no slot holds, and the next write must put it, never treat the router as
// holding it, and delete each slot it empties once.
const FilterRoundCase kFilterRounds[] = {
    {"NoCatchAll", "FT", "FT*", {put('*', 2)}},
    {"NoCatchAllAndAGap", "F-T", "FT*", {put('T', 1), put('*', 2)}},
    {"GapAndOnlyTheDefaultKept", "F-T", "*", {put('*', 0), del(2)}},
    {"EmptyTable", "", "*", {put('*', 0)}},
    {"CatchAllHeld", "FT*", "FT*", {}},
    {"CatchAllHeldBehindAGap", "F-*", "F*", {put('*', 1), del(2)}},
};

void PrintTo(const FilterRoundCase& c, std::ostream* os)
{
    *os << c.name;
}

class FilterRound : public TableTransfer, public ::testing::WithParamInterface<FilterRoundCase> {};

TEST_P(FilterRound, WhatTheReadAddedIsWrittenAndEverySlotDeletedOnce)
{
    const FilterRoundCase& c = GetParam();
    highstate_get_filter_data(on_list, int(c.router.size()));
    for (size_t i = 0; i < c.router.size(); ++i) {
        Bytes reply = {0x00, 0x00, 0x0F, 0x00, uint8_t(i)};
        if (c.router[i] != '-') {
            reply = filter_body(c.router[i], int(i));
            reply.insert(reply.begin(), {0x00, 0x00});
        }
        ASSERT_EQ(answer_entry(T_GET_ENTRY_REPLY, reply), int(i));
    }
    ASSERT_EQ(got().lists.size(), 1u);
    ListObject* read = got().lists[0];
    if (c.router.find('*') == std::string::npos) {
        EXPECT_EQ(static_cast<FilterEntry*>(read->tail->element)->index, INDEX_NOT_IN_ROUTER);
    }

    ListObject* edited = keep(listhelp_new_filter_list());
    for (char rule : c.edited)
        edited->ops->list_append(edited, filter_rule(rule));
    highstate_put_filter_data(on_count, edited, read);
    for (const Msg& m : c.messages) {
        TestDatagram d = expect_acked(T_PUT_ENTRY_REQUEST);
        Bytes want = m.put ? filter_body(m.letter, m.index)
                           : Bytes{0x0F, uint8_t(m.index >> 8), uint8_t(m.index)};
        EXPECT_EQ(test_frame_payload(d.bytes), want);
        send(*r1, T_PUT_ENTRY_REPLY, put_reply(0x0F, m.index));
    }
    EXPECT_EQ(got().counts, (std::vector<int>{int(c.messages.size())}));
    EXPECT_TRUE(r1->quiet());
    EXPECT_TRUE(errors().empty());
}

INSTANTIATE_TEST_SUITE_P(Engine, FilterRound, ::testing::ValuesIn(kFilterRounds),
                         [](const ::testing::TestParamInfo<FilterRoundCase>& info) {
                             return std::string(info.param.name);
                         });

// Old copies put together by hand may name a slot twice; it is deleted once.
TEST_F(TableTransfer, ASlotNamedTwiceInTheOldCopyIsDeletedOnce)
{
    ListObject* old_copy = keep(routes("ABC", {0, 2, 2}));
    highstate_put_route_data(on_count, keep(routes("A")), old_copy);
    TestDatagram d = expect_acked(T_PUT_ENTRY_REQUEST);
    EXPECT_EQ(test_frame_payload(d.bytes), (Bytes{0xF0, 0x00, 0x02}));
    send(*r1, T_PUT_ENTRY_REPLY, put_reply(0xF0, 2));
    EXPECT_EQ(got().counts, (std::vector<int>{1}));
    EXPECT_TRUE(r1->quiet());
}

TEST_F(TableTransfer, PutReplyForAnotherTableIsAViolation)
{
    highstate_put_route_data(on_count, keep(routes("X")), keep(routes("")));
    expect_acked(T_PUT_ENTRY_REQUEST);
    send(*r1, T_PUT_ENTRY_REPLY, put_reply(0xFF, 0));
    expect_close_with(*r1, STATUS_PROTOCOL_VIOLATION);
    EXPECT_TRUE(got().counts.empty());
}

// Without both lists the write would have to guess: it is refused and the
// caller hears why instead of waiting.
TEST_F(TableTransfer, MissingListIsReportedNotGuessed)
{
    interface_save_config(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, on_count);
    EXPECT_EQ(errors(), (std::vector<int>{STATUS_BAD_ENTRY}));
    expect_close_with(*r1, STATUS_BAD_ENTRY);
    EXPECT_TRUE(got().counts.empty());

    reach_connected();
    settle();
    highstate_put_route_data(on_count, keep(routes("A")), nullptr);
    EXPECT_EQ(errors(), (std::vector<int>{STATUS_BAD_ENTRY}));
    expect_close_with(*r1, STATUS_BAD_ENTRY);
    EXPECT_TRUE(r1->quiet());
}

}  // namespace
