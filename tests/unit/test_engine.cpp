// Discovery and registration: scan and state-query windows in virtual ticks,
// opening with and without a password, refusal, close, and the bounded
// waits of an open.
#include <algorithm>
#include <cerrno>

#include "engine_fixture.h"
#include "messages.h"

namespace {

// Scan answer of router 1: hardware 00:a0:f9:01:02:03, address 10.77.0.2,
// held by 10.77.0.9.
const Bytes kAnnounce = {0x00, 0x00, 0x00, 0xA0, 0xF9, 0x01, 0x02, 0x03,
                         0x0A, 0x4D, 0x00, 0x02, 0x0A, 0x4D, 0x00, 0x09};

// How many datagrams of `code` the router got since the last look.
int count_of(RouterSocket& r, uint16_t code)
{
    int n = 0;
    for (const TestDatagram& d : r.drain()) {
        if (test_frame_code(d.bytes) == code)
            ++n;
    }
    return n;
}

int end_markers()
{
    int n = 0;
    for (const ScanAnswer& a : seen().scans)
        n += a.status == 1;
    return n;
}

int state_end_markers()
{
    int n = 0;
    for (const RouterState& s : seen().states)
        n += s.status == 1;
    return n;
}

using Engine = EngineFixture;

TEST_F(Engine, ScanSendsThreeRequestsAndEndsOnTheFourthTick)
{
    highstate_scan_net(on_scan);
    // At once, on the second and on the third tick; the stranger hears the
    // same broadcasts.
    const int expected_requests[] = {1, 0, 1, 1, 0};
    for (int tick = 0; tick <= 4; ++tick) {
        if (tick > 0)
            fake_host_tick(1);
        EXPECT_EQ(count_of(*r1, T_SCAN_REQUEST), expected_requests[tick]) << "tick " << tick;
        EXPECT_EQ(end_markers(), tick == 4 ? 1 : 0) << "tick " << tick;
    }
    EXPECT_EQ(count_of(*r2, T_SCAN_REQUEST), 3);
    fake_host_tick(10);
    EXPECT_EQ(seen().scans.size(), 1u);
    EXPECT_TRUE(errors().empty());
}

TEST_F(Engine, ScanReportsEveryAnswerUntilItsEnd)
{
    highstate_scan_net(on_scan);
    send(*r1, T_SCAN_REPLY, kAnnounce);
    fake_host_tick(2);
    send(*r1, T_SCAN_REPLY, kAnnounce);
    send(*r2, T_SCAN_REPLY, zeros(15));  // too short: not an answer
    fake_host_tick(1);
    send(*r1, T_SCAN_REPLY, kAnnounce);
    fake_host_tick(1);
    send(*r1, T_SCAN_REPLY, kAnnounce);  // after the end marker

    ASSERT_EQ(seen().scans.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        const ScanAnswer& a = seen().scans[size_t(i)];
        EXPECT_EQ(a.status, 0);
        EXPECT_EQ(a.router_ip, 0x0A4D0002u);
        EXPECT_EQ(a.holder_ip, 0x0A4D0009u);
        EXPECT_EQ(Bytes(a.hw, a.hw + 6), (Bytes{0x00, 0xA0, 0xF9, 0x01, 0x02, 0x03}));
    }
    EXPECT_EQ(seen().scans[3].status, 1);
}

TEST_F(Engine, ScanWhileARouterIsOpenDoesNothing)
{
    reach_connected();
    settle();
    highstate_scan_net(on_scan);
    highstate_get_router_states(on_state);
    EXPECT_TRUE(r1->quiet());
    EXPECT_TRUE(r2->quiet());
    fake_host_tick(6);
    EXPECT_TRUE(seen().scans.empty());
    EXPECT_TRUE(seen().states.empty());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
}

TEST_F(Engine, StateQuerySendsTwoQueriesAndEndsOnTheThirdTick)
{
    highstate_get_router_states(on_state);
    const int expected_queries[] = {1, 0, 1, 0};
    for (int tick = 0; tick <= 3; ++tick) {
        if (tick > 0)
            fake_host_tick(1);
        EXPECT_EQ(count_of(*r1, T_STATE_QUERY), expected_queries[tick]) << "tick " << tick;
        EXPECT_EQ(state_end_markers(), tick == 3 ? 1 : 0) << "tick " << tick;
    }
}

TEST_F(Engine, StateAnswerNamesTheAddressItCameFrom)
{
    highstate_get_router_states(on_state);
    // Channel 1 connected to 10.77.0.50 with "0301234"; channel 2 free;
    // DSS1, permanent type 2, firmware "3.11".
    Bytes payload = {0x00, 0x00, 0x03, 0x0A, 0x4D, 0x00, 0x32, '0', '3', '0', '1', '2', '3', '4'};
    payload.resize(27, 0);
    payload.push_back(0x00);
    payload.insert(payload.end(), {0, 0, 0, 0});
    payload.resize(52, 0);
    payload.insert(payload.end(), {0x01, 0x02, '3', '.', '1', '1', 0, 0, 0, 0, 0, 0});
    ASSERT_EQ(payload.size(), 64u);
    send(*r2, T_STATE_REPLY, payload);
    send(*r1, T_STATE_REPLY, zeros(52));  // short form: no firmware text

    ASSERT_EQ(seen().states.size(), 2u);
    const RouterState& s = seen().states[0];
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.router_ip, test_net_router_ip(2));
    EXPECT_EQ(s.ch1_state, 3);
    EXPECT_EQ(s.ch1_peer_ip, 0x0A4D0032u);
    EXPECT_STREQ(s.ch1_phone, "0301234");
    EXPECT_EQ(s.ch2_state, 0);
    EXPECT_EQ(s.isdn_mode, 1);
    EXPECT_EQ(s.line_type, 2);
    EXPECT_STREQ(s.firmware, "3.11");
    EXPECT_EQ(seen().states[1].router_ip, test_net_router_ip(1));
    EXPECT_STREQ(seen().states[1].firmware, "");
}

// A scan or query that an open interrupted never hands its end marker to
// the scan started after the open.
void interrupted_window_then_scan(EngineFixture& f, bool query)
{
    if (query) {
        highstate_get_router_states(on_state);
    } else {
        highstate_scan_net(on_scan);
    }
    fake_host_tick(1);
    f.r1->drain();
    ASSERT_GT(highstate_open_router(on_open, f.ip1()), 0);
    TestDatagram open = f.expect(*f.r1, T_OPEN_REQUEST);
    f.ack(*f.r1, open);
    f.send(*f.r1, T_CLOSE_REPLY, {0, 0, 0, 4});  // refused: idle again
    ASSERT_EQ(seen().opens.size(), 1u);
    highstate_scan_net(on_scan);
    f.r1->drain();
    // The first window would have ended within three ticks; this scan ends
    // on the fourth tick after its own start.
    fake_host_tick(3);
    EXPECT_EQ(end_markers(), 0);
    fake_host_tick(1);
    EXPECT_EQ(end_markers(), 1);
    EXPECT_TRUE(seen().states.empty());
    EXPECT_EQ(seen().opens.size(), 1u);
}

TEST_F(Engine, InterruptedScanNeverEndsALaterScan)
{
    interrupted_window_then_scan(*this, false);
}
TEST_F(Engine, InterruptedQueryNeverEndsALaterScan)
{
    interrupted_window_then_scan(*this, true);
}

// A refused open leaves no callback behind that a stray answer could reach.
TEST_F(Engine, RefusedOpenCallbackGetsNoStrayRecords)
{
    reach_opening();
    send(*r1, T_CLOSE_REPLY, {0, 0, 0, 4});
    ASSERT_EQ(seen().opens.size(), 1u);
    send(*r1, T_SCAN_REPLY, kAnnounce);
    send(*r1, T_STATE_REPLY, zeros(52));
    EXPECT_EQ(seen().opens.size(), 1u);
    EXPECT_TRUE(errors().empty());
}

int restarts = 0;
void scan_again(ScanAnswer* a)
{
    seen().scans.push_back(*a);
    if (a->status == 1 && restarts++ == 0)
        highstate_scan_net(scan_again);
}

TEST_F(Engine, EndMarkerCallbackMayStartTheNextScan)
{
    restarts = 0;
    highstate_scan_net(scan_again);
    fake_host_tick(4);
    EXPECT_EQ(end_markers(), 1);
    EXPECT_EQ(count_of(*r1, T_SCAN_REQUEST), 4);  // three, and the second scan's first
    fake_host_tick(3);
    EXPECT_EQ(end_markers(), 1);
    fake_host_tick(1);
    EXPECT_EQ(end_markers(), 2);
    EXPECT_EQ(count_of(*r1, T_SCAN_REQUEST), 2);
}

TEST_F(Engine, OpenIgnoresNoAddressAndTheBroadcastAddress)
{
    EXPECT_EQ(highstate_open_router(on_open, 0), 0);
    EXPECT_EQ(highstate_open_router(on_open, TEST_NET_BROADCAST_IP), 0);
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
    EXPECT_TRUE(r1->quiet());
}

TEST_F(Engine, OpenWithPassword)
{
    reach_password_asked();
    ASSERT_EQ(seen().opens.size(), 1u);
    EXPECT_EQ(seen().opens[0].kind, OPEN_PASSWORD);
    EXPECT_EQ(seen().opens[0].seed, 0x1234);
    EXPECT_EQ(seen().opens[0].seq, 7);
    settle();

    highstate_send_password(nullptr, 7, "secret", 0x1234);
    TestDatagram reply = expect_acked(T_PASSWORD_REPLY);
    EXPECT_NE(test_frame_sequence(reply.bytes), 0);
    EXPECT_EQ(test_frame_payload(reply.bytes),
              (Bytes{0x00, 0x07, 0x09, 0x05, 0x7F, 0x18, 0x53, 0xDA, 0xE7, 0x7C, 0x65, 0x29}));

    // Accepted, with the router's settings.
    Bytes accept = {0, 0, 0, 5, 0, 6, 0, 7, 0xFF, 0xFF, 0xFF, 0x00, '0', '8', '9'};
    accept.resize(32, 0);
    accept.insert(accept.end(), {0x01, 0x03, '2', '.', '0', '4', 0, 0, 0, 0, 0, 0});
    ASSERT_EQ(accept.size(), 44u);
    send(*r1, T_OPEN_REPLY, accept);

    ASSERT_EQ(seen().opens.size(), 1u);
    const OpenReply& r = seen().opens[0];
    EXPECT_EQ(r.kind, OPEN_ACCEPTED);
    EXPECT_EQ(r.n_lines, 5);
    EXPECT_EQ(r.n_routes, 6);
    EXPECT_EQ(r.n_filters, 7);
    EXPECT_STREQ(r.text, "255.255.255.0");
    EXPECT_STREQ(r.phone, "089");
    EXPECT_EQ(r.isdn_mode, 1);
    EXPECT_EQ(r.line_type, 3);
    EXPECT_STREQ(r.firmware, "2.04");
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
    EXPECT_TRUE(errors().empty());
}

TEST_F(Engine, PasswordOfTenCharactersTravelsWithoutTerminator)
{
    reach_password_asked();
    settle();
    highstate_send_password(nullptr, 7, "abcdefghij", 0x1234);
    TestDatagram reply = expect_acked(T_PASSWORD_REPLY);
    Bytes payload = test_frame_payload(reply.bytes);
    ASSERT_EQ(payload.size(), 12u);
    // The empty password's scrambled bytes are the key itself: XOR gives the text.
    const Bytes key = {0x7A, 0x60, 0x1C, 0x6A, 0x36, 0xAE, 0xE7, 0x7C, 0x65, 0x29};
    std::string plain;
    for (size_t i = 0; i < 10; ++i)
        plain += char(payload[2 + i] ^ key[i]);
    EXPECT_EQ(plain, "abcdefghij");
}

TEST_F(Engine, PasswordTooLongIsNotSent)
{
    reach_password_asked();
    settle();
    highstate_send_password(nullptr, 7, "abcdefghijk", 0x1234);
    EXPECT_TRUE(r1->quiet());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_PASSWORD_ASKED);
    EXPECT_TRUE(errors().empty());
}

TEST_F(Engine, RefusalBecauseAnotherStationHoldsTheRouter)
{
    reach_opening();
    send(*r1, T_CLOSE_REPLY, {0x00, 0x00, 0x00, 0x04, 0x0A, 0x4D, 0x00, 0x09});
    ASSERT_EQ(seen().opens.size(), 1u);
    EXPECT_EQ(seen().opens[0].kind, OPEN_REFUSED);
    EXPECT_EQ(seen().opens[0].reason, STATUS_ALREADY_CONNECTED);
    EXPECT_STREQ(seen().opens[0].text, "10.77.0.9");
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
    EXPECT_TRUE(errors().empty());
    // Idle again: a new open is possible.
    r1->drain();
    EXPECT_GT(highstate_open_router(on_open, ip1()), 0);
    expect(*r1, T_OPEN_REQUEST);
}

TEST_F(Engine, WrongPasswordIsARefusal)
{
    reach_password_asked();
    highstate_send_password(nullptr, 7, "guess", 0x1234);
    expect_acked(T_PASSWORD_REPLY);
    seen() = Seen{};
    send(*r1, T_CLOSE_REPLY, {0x00, 0x00, 0x00, 0x03});
    ASSERT_EQ(seen().opens.size(), 1u);
    EXPECT_EQ(seen().opens[0].reason, STATUS_WRONG_PASSWORD);
    EXPECT_STREQ(seen().opens[0].text, "");
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
}

TEST_F(Engine, CloseTellsTheRouterAndForgetsIt)
{
    reach_connected();
    settle();
    EXPECT_EQ(highstate_close_router(), 0);
    TestDatagram close = expect(*r1, T_CLOSE_REQUEST);
    EXPECT_EQ(test_frame_sequence(close.bytes), 0);
    EXPECT_TRUE(test_frame_payload(close.bytes).empty());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);

    // Its connection messages no longer count, and a second close does nothing.
    send(*r1, T_PUT_ENTRY_REPLY, zeros(7));
    EXPECT_EQ(highstate_close_router(), 0);
    EXPECT_TRUE(r1->quiet());
    EXPECT_TRUE(errors().empty());
}

TEST_F(Engine, CloseWhileOpeningDoesNothing)
{
    reach_opening();
    settle();
    EXPECT_EQ(highstate_close_router(), 0);
    EXPECT_TRUE(r1->quiet());
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_OPENING);
}

// The router acknowledged the open but never answers it: the open is asked
// again, a bounded number of times, and the wait still ends with 6. From
// the second ask on, a close request goes first: the router may take the
// open for the one whose answer was lost.
TEST_F(Engine, UnansweredOpenEndsWithTimeout)
{
    reach_opening();
    settle();
    std::vector<TestDatagram> asked = tick_acking(HIGHSTATE_REPLY_TICKS);
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_OPENING);
    EXPECT_TRUE(errors().empty());
    std::vector<uint16_t> codes;
    for (const TestDatagram& d : asked)
        codes.push_back(test_frame_code(d.bytes));
    // Ever later (the time-out doubles), and a bounded number of times.
    size_t opens = size_t(std::count(codes.begin(), codes.end(), T_OPEN_REQUEST));
    ASSERT_GE(opens, 3u);
    ASSERT_LE(opens, size_t(HIGHSTATE_REASKS));
    ASSERT_EQ(codes.size(), 2 * opens - 1);
    for (size_t i = 0; i < codes.size(); ++i)
        EXPECT_EQ(codes[i], i % 2 == 0 ? T_OPEN_REQUEST : T_CLOSE_REQUEST) << i;
    fake_host_tick(1);
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
    EXPECT_EQ(errors(), (std::vector<int>{STATUS_TIMEOUT}));
    EXPECT_TRUE(r1->quiet());  // it is not ours: nothing is sent to it
    fake_host_tick(40);
    EXPECT_EQ(errors().size(), 1u);
}

// The router takes the password but never answers it: its acceptance may
// have been lost, and a router that took the password asks for none any
// more, so the open is asked again (not the password). When nothing comes,
// the wait ends with 6 and the router, which may hold this station, is told.
TEST_F(Engine, UnansweredPasswordEndsWithTimeoutAndACloseRequest)
{
    reach_password_asked();
    // Waiting for the user costs nothing.
    fake_host_tick(HIGHSTATE_REPLY_TICKS + 5);
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_PASSWORD_ASKED);
    highstate_send_password(nullptr, 7, "secret", 0x1234);
    expect_acked(T_PASSWORD_REPLY);
    std::vector<TestDatagram> asked = tick_acking(HIGHSTATE_REPLY_TICKS);
    EXPECT_TRUE(errors().empty());
    ASSERT_GE(asked.size(), 3u);  // ever later, a bounded number of times
    ASSERT_LE(asked.size(), size_t(HIGHSTATE_REASKS));
    for (const TestDatagram& d : asked)
        EXPECT_EQ(test_frame_code(d.bytes), T_OPEN_REQUEST);
    fake_host_tick(1);
    EXPECT_EQ(errors(), (std::vector<int>{STATUS_TIMEOUT}));
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
    expect_close_with(*r1, STATUS_TIMEOUT);
}

// The open was asked again and both copies reached the router, which asked
// for the password twice with two challenges: the password goes with the
// challenge that came last, the one the router holds now, and the caller
// hears of one password request only.
TEST_F(Engine, RepeatedOpenAnswersTheLatestChallenge)
{
    reach_opening();
    // Asked again once the reply is overdue for this router.
    TestDatagram reasked = await_sent(*r1);
    ASSERT_EQ(test_frame_code(reasked.bytes), T_OPEN_REQUEST);
    ack(*r1, reasked);
    send(*r1, T_PASSWORD_REQUEST, {0x12, 0x34}, 7);
    send(*r1, T_PASSWORD_REQUEST, {0x56, 0x78}, 8);
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_PASSWORD_ASKED);
    ASSERT_EQ(seen().opens.size(), 1u);
    EXPECT_EQ(seen().opens[0].seed, 0x1234);
    EXPECT_TRUE(errors().empty());
    settle();
    highstate_send_password(nullptr, 7, "secret", 0x1234);
    Bytes got = test_frame_payload(expect_acked(T_PASSWORD_REPLY).bytes);
    uint8_t want[12];
    ASSERT_EQ(msg_pack_password_reply(want, sizeof want, 8, "secret", 0x5678), 12);
    EXPECT_EQ(got, Bytes(want, want + 12));
    send(*r1, T_OPEN_REPLY, {0, 0, 0, 2, 0, 3, 0, 4});
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
}

// The open went out twice and the password request answered it; the
// router then gives up waiting for the password. Its refusal is no copy of
// the password request: the open ends with the router's reason.
TEST_F(Engine, RefusalAfterTheAnswerToARepeatedOpenEndsTheOpen)
{
    reach_opening();
    // Asked again once the reply is overdue for this router.
    TestDatagram reasked = await_sent(*r1);
    ASSERT_EQ(test_frame_code(reasked.bytes), T_OPEN_REQUEST);
    ack(*r1, reasked);
    send(*r1, T_PASSWORD_REQUEST, {0x12, 0x34}, 7);
    ASSERT_EQ(highstate_get_state(), HIGHSTATE_PASSWORD_ASKED);
    seen() = Seen{};
    send(*r1, T_CLOSE_REPLY, {0, 0, 0, 6});
    ASSERT_EQ(seen().opens.size(), 1u);
    EXPECT_EQ(seen().opens[0].kind, OPEN_REFUSED);
    EXPECT_EQ(seen().opens[0].reason, 6);
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
}

// The open reply to the accepted password was lost, and the router ignores
// the password from now on: the open is asked again, the router's new
// challenge is answered with the password already given (the caller is not
// asked again), and a late copy of the open reply after the router is open
// drops nothing.
TEST_F(Engine, LostOpenReplyAfterTheAcceptedPasswordIsRecoveredByOpeningAgain)
{
    reach_password_asked();
    highstate_send_password(nullptr, 7, "secret", 0x1234);
    expect_acked(T_PASSWORD_REPLY);
    TestDatagram reopen = await_sent(*r1);
    ASSERT_EQ(test_frame_code(reopen.bytes), T_OPEN_REQUEST);
    ack(*r1, reopen);
    send(*r1, T_PASSWORD_REQUEST, {0x56, 0x78}, 9);
    Bytes answer = test_frame_payload(expect_acked(T_PASSWORD_REPLY).bytes);
    uint8_t want[12];
    ASSERT_EQ(msg_pack_password_reply(want, sizeof want, 9, "secret", 0x5678), 12);
    EXPECT_EQ(answer, Bytes(want, want + 12));
    send(*r1, T_OPEN_REPLY, {0, 0, 0, 2, 0, 3, 0, 4});
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
    send(*r1, T_OPEN_REPLY, {0, 0, 0, 2, 0, 3, 0, 4});
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
    EXPECT_TRUE(r1->quiet());
    EXPECT_TRUE(errors().empty());
    ASSERT_EQ(seen().opens.size(), 2u);  // the first password request and one open reply
    EXPECT_EQ(seen().opens[1].kind, OPEN_ACCEPTED);
}

// A router that replies after two and a half seconds: the open is asked
// again only when the reply is overdue, and if a second challenge comes
// after the password was answered, the refusal of the first answer is not
// the last word: the newest challenge is answered with the same password.
TEST_F(Engine, ASecondChallengeAfterThePasswordNeverRefusesTheRightPassword)
{
    reach_opening();
    fake_host_tick(2);
    EXPECT_TRUE(r1->quiet()) << "a reply is not overdue before three seconds";
    send(*r1, T_PASSWORD_REQUEST, {0x12, 0x34}, 7);
    highstate_send_password(nullptr, 7, "secret", 0x1234);
    expect_acked(T_PASSWORD_REPLY);
    // The open had gone out twice after all (a duplicate on the way): the
    // router asks again, and refuses the answer to the first challenge.
    send(*r1, T_PASSWORD_REQUEST, {0x56, 0x78}, 8);
    TestDatagram second = expect_acked(T_PASSWORD_REPLY);
    uint8_t want[12];
    ASSERT_EQ(msg_pack_password_reply(want, sizeof want, 8, "secret", 0x5678), 12);
    EXPECT_EQ(test_frame_payload(second.bytes), Bytes(want, want + 12));
    send(*r1, T_CLOSE_REPLY, {0, 0, 0, 3});
    EXPECT_TRUE(seen().opens.size() == 1u) << "no refusal reaches the caller";
    // The router dropped the attempt with its refusal: the open goes again,
    // and its challenge is answered.
    TestDatagram reopen = expect_acked(T_OPEN_REQUEST);
    send(*r1, T_PASSWORD_REQUEST, {0x9A, 0xBC}, 9);
    ASSERT_EQ(msg_pack_password_reply(want, sizeof want, 9, "secret", 0x9ABC), 12);
    EXPECT_EQ(test_frame_payload(expect_acked(T_PASSWORD_REPLY).bytes), Bytes(want, want + 12));
    send(*r1, T_OPEN_REPLY, {0, 0, 0, 2, 0, 3, 0, 4});
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
    EXPECT_TRUE(errors().empty());
}

// A refused registration leaves nothing behind: in the next one, a second
// challenge goes to the caller's prompt, and no password goes out unasked.
TEST_F(Engine, ARefusedRegistrationLeavesNoPasswordBehind)
{
    reach_password_asked();
    highstate_send_password(nullptr, 7, "wrong", 0x1234);
    expect_acked(T_PASSWORD_REPLY);
    send(*r1, T_CLOSE_REPLY, {0, 0, 0, 3});
    ASSERT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
    settle();
    ASSERT_GT(highstate_open_router(on_open, ip1()), 0);
    expect_acked(T_OPEN_REQUEST);
    send(*r1, T_PASSWORD_REQUEST, {0x56, 0x78}, 9);
    send(*r1, T_PASSWORD_REQUEST, {0x9A, 0xBC}, 10);
    ASSERT_EQ(seen().opens.size(), 1u);
    EXPECT_EQ(seen().opens[0].kind, OPEN_PASSWORD);
    expect(*r1, T_ACK);
    expect(*r1, T_ACK);
    EXPECT_TRUE(r1->quiet()) << "no password sent unasked";
}

// A wrong password on a quiet network is refused at once.
TEST_F(Engine, AWrongPasswordAnsweredOnceIsRefused)
{
    reach_password_asked();
    highstate_send_password(nullptr, 7, "wrong", 0x1234);
    expect_acked(T_PASSWORD_REPLY);
    send(*r1, T_CLOSE_REPLY, {0, 0, 0, 3});
    ASSERT_EQ(seen().opens.size(), 2u);
    EXPECT_EQ(seen().opens[1].kind, OPEN_REFUSED);
    EXPECT_EQ(seen().opens[1].reason, STATUS_WRONG_PASSWORD);
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
    EXPECT_TRUE(r1->quiet());
}

// A reply that arrives in time stops the clock: no late time-out.
TEST_F(Engine, AnsweredOpenLeavesNoTimeoutBehind)
{
    reach_opening();
    send(*r1, T_CLOSE_REPLY, {0, 0, 0, 6});
    fake_host_tick(HIGHSTATE_REPLY_TICKS + 5);
    EXPECT_TRUE(errors().empty());
}

TEST_F(Engine, UnacknowledgedOpenFailsOnTheTwelfthTick)
{
    ASSERT_GT(highstate_open_router(on_open, ip1()), 0);
    fake_host_tick(11);
    EXPECT_TRUE(errors().empty());
    fake_host_tick(1);
    EXPECT_EQ(errors(), (std::vector<int>{LOWSTATE_NO_ACK}));
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
    // The first transmission and repeats after one, two, two, two and two
    // seconds.
    EXPECT_EQ(count_of(*r1, T_OPEN_REQUEST), 6);
    EXPECT_TRUE(seen().opens.empty());
}

// No route to the address: the cause is reported, then -1.
TEST_F(Engine, FailedOpenSendReportsCauseThenMinusOne)
{
    EXPECT_EQ(highstate_open_router(on_open, 0x0B000001), -1);
    EXPECT_EQ(errors(), (std::vector<int>{ENETUNREACH, -1}));
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_IDLE);
}

// The first report may start a new open; the second report leaves it alone.
TEST_F(Engine, SecondReportOfAFailedSendKeepsTheNewOpen)
{
    fake_host_set_error_hook([](int code) {
        if (code != -1)
            highstate_open_router(on_open, test_net_router_ip(1));
    });
    EXPECT_EQ(highstate_open_router(on_open, 0x0B000001), -1);
    EXPECT_EQ(errors(), (std::vector<int>{ENETUNREACH, -1}));
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_OPENING);
    TestDatagram open = expect(*r1, T_OPEN_REQUEST);
    ack(*r1, open);
    send(*r1, T_OPEN_REPLY, zeros(8));
    EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
    EXPECT_EQ(seen().opens.size(), 1u);
}

// The router's acknowledgement of the open is lost but its answer comes:
// the answer shows the request arrived, so it is not repeated, the next
// request of the operation goes out at once, and the late acknowledgement
// changes nothing.
TEST_F(Engine, AnsweredOpenNeedsNoAcknowledgement)
{
    struct Case {
        const char* name;
        bool password;  // asked for a password first
    } cases[] = {{"accepted at once", false}, {"after the password", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settle();
        ASSERT_GT(highstate_open_router(on_open, ip1()), 0);
        TestDatagram request = expect(*r1, T_OPEN_REQUEST);
        if (c.password) {
            send(*r1, T_PASSWORD_REQUEST, {0x12, 0x34}, 7);
            expect(*r1, T_ACK);
            highstate_send_password(nullptr, 7, "secret", 0x1234);
            request = expect(*r1, T_PASSWORD_REPLY);
        }
        send(*r1, T_OPEN_REPLY, zeros(8));
        ASSERT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);

        RouterSettings settings{};
        highstate_put_router_data(nullptr, &settings);
        EXPECT_TRUE(errors().empty());
        TestDatagram next = expect(*r1, 0x1018);
        EXPECT_EQ(highstate_get_state(), HIGHSTATE_REQUEST_PENDING);
        ack(*r1, request);  // late
        ack(*r1, next);
        send(*r1, T_PUT_ROUTER_DATA_REPLY, zeros(4));
        fake_host_tick(12);
        EXPECT_TRUE(r1->quiet());
        EXPECT_TRUE(errors().empty());
        EXPECT_EQ(highstate_get_state(), HIGHSTATE_CONNECTED);
        highstate_close_router();
    }
}

// A refusal answers the open as well: nothing is repeated and no late
// failure is reported.
TEST_F(Engine, RefusalNeedsNoAcknowledgement)
{
    ASSERT_GT(highstate_open_router(on_open, ip1()), 0);
    expect(*r1, T_OPEN_REQUEST);
    send(*r1, T_CLOSE_REPLY, {0, 0, 0, 4});
    fake_host_tick(40);
    EXPECT_TRUE(r1->quiet());
    EXPECT_TRUE(errors().empty());
    EXPECT_GT(highstate_open_router(on_open, ip1()), 0);
    EXPECT_TRUE(errors().empty());
}

// The open that a malformed answer ends is reported; the next one works.
TEST_F(Engine, AbandonedOpenIsReportedAndTheNextOpenWorks)
{
    reach_opening();
    settle();
    send(*r1, T_OPEN_REPLY, zeros(3));
    EXPECT_EQ(errors(), (std::vector<int>{STATUS_UNEXPECTED_MESSAGE}));
    EXPECT_TRUE(r1->quiet());
    reach_connected();
    EXPECT_EQ(seen().opens.size(), 1u);
}

}  // namespace
