// Which datagram the engine accepts in which state, and what a rejected one
// costs: one case per message, length and sender in each state it matters.
#include "engine_fixture.h"
#include "list.h"

namespace {

enum class From { Router, Stranger };

enum class Outcome {
    Ignored,    // nothing changes, nothing is reported or sent
    Abandoned,  // the open ends: idle, the code reported, nothing sent to the router
    Closed,     // CLOSE_REQUEST with the code to the router, idle, the code reported
    Accepted,   // no error; the engine moves to `after`
};

struct DispatchCase {
    const char* name;
    int state;  // reached before the datagram: 0, 1, 2 or 3
    From from;
    uint16_t code;
    int length;  // payload bytes, all zero
    Outcome outcome;
    int error;  // code of Abandoned and Closed
    int after;  // state after Accepted
};

constexpr int UNEXPECTED = STATUS_UNEXPECTED_MESSAGE;
constexpr int VIOLATION = STATUS_PROTOCOL_VIOLATION;
constexpr int UNKNOWN = HIGHSTATE_UNKNOWN_CODE;

const DispatchCase kCases[] = {
    // Idle: no router open, no scan running. Nothing costs anything.
    {"IdleScanReplyMin", 0, From::Router, T_SCAN_REPLY, 16, Outcome::Ignored, 0, 0},
    {"IdleScanReplyShort", 0, From::Router, T_SCAN_REPLY, 15, Outcome::Ignored, 0, 0},
    {"IdleStateReplyShort", 0, From::Router, T_STATE_REPLY, 51, Outcome::Ignored, 0, 0},
    {"IdleStateReplyMin", 0, From::Router, T_STATE_REPLY, 52, Outcome::Ignored, 0, 0},
    {"IdlePasswordRequest", 0, From::Router, T_PASSWORD_REQUEST, 2, Outcome::Ignored, 0, 0},
    {"IdleOpenReply", 0, From::Router, T_OPEN_REPLY, 8, Outcome::Ignored, 0, 0},
    {"IdleCloseReply", 0, From::Router, T_CLOSE_REPLY, 4, Outcome::Ignored, 0, 0},
    {"IdleUnknownCode", 0, From::Stranger, 0x2000, 0, Outcome::Ignored, 0, 0},
    {"IdleEntryReply", 0, From::Router, T_GET_ENTRY_REPLY, 5, Outcome::Ignored, 0, 0},
    {"IdleFirmwareReply", 0, From::Router, T_FW_DOWNLOAD_REPLY, 4, Outcome::Ignored, 0, 0},

    // Opening router 1.
    {"OpeningPasswordRequestShort", 1, From::Router, T_PASSWORD_REQUEST, 1, Outcome::Abandoned,
     UNEXPECTED, 0},
    {"OpeningPasswordRequestExact", 1, From::Router, T_PASSWORD_REQUEST, 2, Outcome::Accepted, 0,
     HIGHSTATE_PASSWORD_ASKED},
    {"OpeningPasswordRequestLong", 1, From::Router, T_PASSWORD_REQUEST, 3, Outcome::Abandoned,
     UNEXPECTED, 0},
    {"OpeningPasswordRequestStranger", 1, From::Stranger, T_PASSWORD_REQUEST, 2, Outcome::Ignored,
     0, 0},
    {"OpeningOpenReplyShort", 1, From::Router, T_OPEN_REPLY, 7, Outcome::Abandoned, UNEXPECTED, 0},
    {"OpeningOpenReplyMin", 1, From::Router, T_OPEN_REPLY, 8, Outcome::Accepted, 0,
     HIGHSTATE_CONNECTED},
    {"OpeningOpenReplyStranger", 1, From::Stranger, T_OPEN_REPLY, 8, Outcome::Ignored, 0, 0},
    {"OpeningCloseReplyShort", 1, From::Router, T_CLOSE_REPLY, 3, Outcome::Abandoned, UNEXPECTED,
     0},
    {"OpeningCloseReplyMin", 1, From::Router, T_CLOSE_REPLY, 4, Outcome::Accepted, 0,
     HIGHSTATE_IDLE},
    {"OpeningCloseReplyStranger", 1, From::Stranger, T_CLOSE_REPLY, 4, Outcome::Ignored, 0, 0},
    {"OpeningScanReply", 1, From::Router, T_SCAN_REPLY, 16, Outcome::Ignored, 0, 0},
    {"OpeningStateReply", 1, From::Router, T_STATE_REPLY, 52, Outcome::Ignored, 0, 0},
    {"OpeningFirmwareReply", 1, From::Router, T_FW_DOWNLOAD_REPLY, 4, Outcome::Abandoned,
     UNEXPECTED, 0},
    {"OpeningUnknownCode", 1, From::Router, 0x2000, 0, Outcome::Abandoned, UNKNOWN, 0},
    {"OpeningUnknownCodeStranger", 1, From::Stranger, 0x2000, 0, Outcome::Ignored, 0, 0},
    {"OpeningEntryReply", 1, From::Router, T_GET_ENTRY_REPLY, 5, Outcome::Ignored, 0, 0},

    // Router 1 asked for the password. It may ask again (a copy, or its answer
    // to an open asked again): the challenge is renewed, the prompt stays.
    {"AskedPasswordRequestAgain", 2, From::Router, T_PASSWORD_REQUEST, 2, Outcome::Ignored, 0, 0},
    {"AskedOpenReplyShort", 2, From::Router, T_OPEN_REPLY, 7, Outcome::Abandoned, UNEXPECTED, 0},
    {"AskedOpenReplyMin", 2, From::Router, T_OPEN_REPLY, 8, Outcome::Accepted, 0,
     HIGHSTATE_CONNECTED},
    {"AskedOpenReplyStranger", 2, From::Stranger, T_OPEN_REPLY, 8, Outcome::Ignored, 0, 0},
    {"AskedCloseReplyShort", 2, From::Router, T_CLOSE_REPLY, 3, Outcome::Abandoned, UNEXPECTED, 0},
    {"AskedCloseReplyMin", 2, From::Router, T_CLOSE_REPLY, 4, Outcome::Accepted, 0, HIGHSTATE_IDLE},
    {"AskedUnknownCode", 2, From::Router, 0x2000, 0, Outcome::Abandoned, UNKNOWN, 0},

    // Router 1 is open and nothing awaits its reply. A reply of the open or
    // of a request is a copy of one handled before: dropped, whatever its length.
    {"OpenScanReply", 3, From::Router, T_SCAN_REPLY, 16, Outcome::Ignored, 0, 0},
    {"OpenScanReplyShort", 3, From::Router, T_SCAN_REPLY, 15, Outcome::Closed, UNEXPECTED, 0},
    {"OpenScanReplyStranger", 3, From::Stranger, T_SCAN_REPLY, 16, Outcome::Ignored, 0, 0},
    {"OpenStateReply", 3, From::Router, T_STATE_REPLY, 52, Outcome::Ignored, 0, 0},
    {"OpenPasswordRequest", 3, From::Router, T_PASSWORD_REQUEST, 2, Outcome::Ignored, 0, 0},
    {"OpenOpenReply", 3, From::Router, T_OPEN_REPLY, 8, Outcome::Ignored, 0, 0},
    {"OpenCloseReply", 3, From::Router, T_CLOSE_REPLY, 4, Outcome::Ignored, 0, 0},
    {"OpenFirmwareReply", 3, From::Router, T_FW_DOWNLOAD_REPLY, 4, Outcome::Closed, UNEXPECTED, 0},
    {"OpenUnknownCode", 3, From::Router, 0x2000, 0, Outcome::Closed, UNKNOWN, 0},
    {"OpenUnknownCodeStranger", 3, From::Stranger, 0x2000, 0, Outcome::Ignored, 0, 0},
    {"OpenSetPasswordReplyShort", 3, From::Router, T_SET_PASSWORD_REPLY, 3, Outcome::Ignored, 0, 0},
    {"OpenSetPasswordReplyMin", 3, From::Router, T_SET_PASSWORD_REPLY, 4, Outcome::Ignored, 0, 0},
    {"OpenSetPasswordReplyStranger", 3, From::Stranger, T_SET_PASSWORD_REPLY, 3, Outcome::Ignored,
     0, 0},
    {"OpenRouterDataReplyShort", 3, From::Router, T_PUT_ROUTER_DATA_REPLY, 3, Outcome::Ignored, 0,
     0},
    {"OpenRouterDataReplyMin", 3, From::Router, T_PUT_ROUTER_DATA_REPLY, 4, Outcome::Ignored, 0, 0},
    {"OpenEntryReplyShort", 3, From::Router, T_GET_ENTRY_REPLY, 4, Outcome::Ignored, 0, 0},
    {"OpenEntryReplyMin", 3, From::Router, T_GET_ENTRY_REPLY, 5, Outcome::Ignored, 0, 0},
    {"OpenAccountingReplyShort", 3, From::Router, T_GET_ACCOUNTING_REPLY, 31, Outcome::Ignored, 0,
     0},
    {"OpenAccountingReplyMin", 3, From::Router, T_GET_ACCOUNTING_REPLY, 32, Outcome::Ignored, 0, 0},
    {"OpenPutReplyShort", 3, From::Router, T_PUT_ENTRY_REPLY, 6, Outcome::Ignored, 0, 0},
    {"OpenPutReplyMin", 3, From::Router, T_PUT_ENTRY_REPLY, 7, Outcome::Ignored, 0, 0},
    {"OpenLinemonWithoutMonitorShort", 3, From::Router, T_LINEMON_DATA, 85, Outcome::Ignored, 0, 0},
    {"OpenLinemonWithoutMonitorMin", 3, From::Router, T_LINEMON_DATA, 86, Outcome::Ignored, 0, 0},
    {"OpenCloseRequest", 3, From::Router, T_CLOSE_REQUEST, 0, Outcome::Ignored, 0, 0},
    {"OpenIsdnCloseRequest", 3, From::Router, T_ISDN_CLOSE_REQUEST, 0, Outcome::Ignored, 0, 0},
};

class Dispatch : public EngineFixture, public ::testing::WithParamInterface<DispatchCase> {};

TEST_P(Dispatch, OutcomeOfOneDatagram)
{
    const DispatchCase& c = GetParam();
    switch (c.state) {
    case 1:
        reach_opening();
        break;
    case 2:
        reach_password_asked();
        break;
    case 3:
        reach_connected();
        break;
    default:
        break;
    }
    settle();
    int before = highstate_get_state();
    RouterSocket& sender = c.from == From::Router ? *r1 : *r2;

    send(sender, c.code, zeros(c.length));

    switch (c.outcome) {
    case Outcome::Ignored:
        EXPECT_EQ(highstate_get_state(), before);
        EXPECT_TRUE(errors().empty());
        EXPECT_TRUE(seen().opens.empty());
        EXPECT_TRUE(r1->quiet());
        EXPECT_TRUE(r2->quiet());
        break;
    case Outcome::Abandoned:
        EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
        EXPECT_EQ(errors(), (std::vector<int>{c.error}));
        EXPECT_TRUE(seen().opens.empty());
        EXPECT_TRUE(r1->quiet());
        break;
    case Outcome::Closed:
        expect_close_with(*r1, c.error);
        EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
        EXPECT_EQ(errors(), (std::vector<int>{c.error}));
        EXPECT_TRUE(r1->quiet());
        break;
    case Outcome::Accepted:
        EXPECT_EQ(highstate_get_state(), c.after);
        EXPECT_TRUE(errors().empty());
        EXPECT_EQ(seen().opens.size(), 1u);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Engine, Dispatch, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DispatchCase>& info) {
                             return std::string(info.param.name);
                         });

// A route entry is awaited (state request_pending): only that reply, for
// that table, counts; a reply to another kind of request is a copy.
struct PendingCase {
    const char* name;
    From from;
    uint16_t code;
    Bytes payload;
    Outcome outcome;  // Ignored, Closed, or Accepted (the read goes on)
    int error;
};

void ignore_list(ListObject* list)
{
    list->ops->list_destroy(list);
}

const PendingCase kPending[] = {
    {"EntryReplyShort",
     From::Router,
     T_GET_ENTRY_REPLY,
     {0, 0, 0xF0, 0},
     Outcome::Closed,
     VIOLATION},
    {"EntryReplyMin", From::Router, T_GET_ENTRY_REPLY, {0, 0, 0xF0, 0, 0}, Outcome::Accepted, 0},
    {"EntryReplyOtherTable",
     From::Router,
     T_GET_ENTRY_REPLY,
     {0, 0, 0xFF, 0, 0},
     Outcome::Closed,
     VIOLATION},
    {"EntryReplyTruncatedBody",
     From::Router,
     T_GET_ENTRY_REPLY,
     {0, 0, 0xF0, 0, 0, 0, 0},
     Outcome::Closed,
     VIOLATION},
    {"EntryReplyStranger",
     From::Stranger,
     T_GET_ENTRY_REPLY,
     {0, 0, 0xF0, 0, 0},
     Outcome::Ignored,
     0},
    {"SetPasswordReplyShort", From::Router, T_SET_PASSWORD_REPLY, {0, 0, 0}, Outcome::Ignored, 0},
    {"SetPasswordReplyNotAwaited",
     From::Router,
     T_SET_PASSWORD_REPLY,
     {0, 0, 0, 0},
     Outcome::Ignored,
     0},
    {"RouterDataReplyNotAwaited",
     From::Router,
     T_PUT_ROUTER_DATA_REPLY,
     {0, 0, 0, 0},
     Outcome::Ignored,
     0},
    {"AccountingReplyShort", From::Router, T_GET_ACCOUNTING_REPLY, Bytes(31, 0), Outcome::Ignored,
     0},
    {"AccountingReplyNotAwaited", From::Router, T_GET_ACCOUNTING_REPLY, Bytes(32, 0),
     Outcome::Ignored, 0},
    {"PutReplyShort", From::Router, T_PUT_ENTRY_REPLY, {0, 0, 0xF0, 0, 0, 0}, Outcome::Ignored, 0},
    {"PutReplyNotAwaited",
     From::Router,
     T_PUT_ENTRY_REPLY,
     {0, 0, 0xF0, 0, 0, 0, 0},
     Outcome::Ignored,
     0},
    {"ScanReply", From::Router, T_SCAN_REPLY, Bytes(16, 0), Outcome::Ignored, 0},
    {"ScanReplyStranger", From::Stranger, T_SCAN_REPLY, Bytes(16, 0), Outcome::Ignored, 0},
    {"UnknownCode", From::Router, 0x2000, {}, Outcome::Closed, UNKNOWN},
    {"CloseRequest", From::Router, T_CLOSE_REQUEST, {0x00, 0x03}, Outcome::Ignored, 0},
};

class DispatchPending : public EngineFixture, public ::testing::WithParamInterface<PendingCase> {};

TEST_P(DispatchPending, OutcomeOfOneDatagram)
{
    const PendingCase& c = GetParam();
    reach_connected();
    settle();
    highstate_get_route_data(ignore_list, 2);
    TestDatagram request = expect(*r1, 0x1011);
    ack(*r1, request);
    ASSERT_EQ(highstate_get_state(), HIGHSTATE_REQUEST_PENDING);

    send(c.from == From::Router ? *r1 : *r2, c.code, c.payload);

    switch (c.outcome) {
    case Outcome::Closed:
        expect_close_with(*r1, c.error);
        EXPECT_EQ(errors(), (std::vector<int>{c.error}));
        EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
        break;
    case Outcome::Accepted: {
        // The empty slot 0 is counted; slot 1 is asked for next.
        TestDatagram next = expect(*r1, 0x1011);
        EXPECT_EQ(test_frame_payload(next.bytes), (Bytes{0xF0, 0x00, 0x01}));
        EXPECT_TRUE(errors().empty());
        break;
    }
    default:
        EXPECT_TRUE(r1->quiet());
        EXPECT_TRUE(errors().empty());
        EXPECT_EQ(highstate_get_state(), HIGHSTATE_REQUEST_PENDING);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Engine, DispatchPending, ::testing::ValuesIn(kPending),
                         [](const ::testing::TestParamInfo<PendingCase>& info) {
                             return std::string(info.param.name);
                         });

// After a drop the router is no longer open: what it sends next is not
// taken as its own.
TEST_F(EngineFixture, DroppedRouterIsNoLongerHeard)
{
    reach_connected();
    settle();
    send(*r1, 0x2000, {});
    expect_close_with(*r1, UNKNOWN);
    fake_host_clear_errors();

    send(*r1, T_SET_PASSWORD_REPLY, zeros(4));
    EXPECT_TRUE(errors().empty());
    EXPECT_TRUE(r1->quiet());
}

// The error callback runs after the engine is idle: it can open the next
// router at once, and that open is not disturbed by the failure it answers.
TEST_F(EngineFixture, ErrorCallbackMayOpenAtOnce)
{
    reach_connected();
    settle();
    fake_host_set_error_hook([](int) { highstate_open_router(on_open, test_net_router_ip(2)); });

    send(*r1, 0x2000, {});

    EXPECT_EQ(errors(), (std::vector<int>{UNKNOWN}));
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_OPENING);
    expect_close_with(*r1, UNKNOWN);
    expect(*r2, T_OPEN_REQUEST);
}

}  // namespace
