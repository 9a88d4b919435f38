// The terminal program against routers that take their time and decide for
// themselves what to do with a request that arrives twice (answer it again,
// handle it again, or only acknowledge it), over a network that delays,
// reorders, duplicates and damages datagrams. Counters, tables and
// passwords come out exact, or the program says that it failed and lets the
// router go; never a mix of old and new, never a counter read twice.
//
// The tests that depend on the repeat mode run once for each of the three.
#include "test_term_fixture.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "firmware_fixture.h"

namespace {

constexpr int CODE_FW_DATA = 0x0002;
constexpr int SLOW_MS = 60000;  // a run against a slow router or a faulty network
constexpr const char* PROMPT = " Password --> ";
constexpr const char* STATION = "10.77.0.1";
constexpr const char* R1 = "10.77.0.2";

// How often `text` occurs in `in`.
size_t occurrences(const std::string& in, const std::string& text)
{
    size_t n = 0;
    for (size_t at = in.find(text); at != std::string::npos; at = in.find(text, at + 1))
        ++n;
    return n;
}

// Tables whose every entry differs between variant 0 and variant 1; the
// last filter rule is the catch-all one in both.
SimRouter with_tables(SimRouter r, int variant, int lines, int routes, int filters)
{
    const std::string v = std::to_string(variant);
    for (int i = 0; i < lines; ++i) {
        SimLine l = term_x75_line(
            i, "10." + std::to_string(1 + 4 * variant) + ".0." + std::to_string(i + 1),
            "07" + v + std::to_string(10 + i));
        l.counters[0] = uint32_t(100 * (i + 1) + 1);  // charge: 101, 201, ...
        l.counters[6] = uint32_t(1000 + i);           // bytes in
        r.lines.push_back(l);
    }
    for (int i = 0; i < routes; ++i)
        r.routes.push_back(sim_route(
            i, "255.255.255.0",
            "10." + std::to_string(2 + 4 * variant) + "." + std::to_string(i) + ".0", "10.9.9.9"));
    for (int i = 0; i + 1 < filters; ++i)
        r.filters.push_back(
            sim_filter(i, "255.255.255.0",
                       "10." + std::to_string(3 + 4 * variant) + "." + std::to_string(i) + ".0",
                       "0.0.0.0", "0.0.0.0", 6, variant, i + 1));
    if (filters > 0)
        r.filters.push_back(
            sim_filter(filters - 1, "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 0, 1, 0));
    return r;
}

// The tables as one text, to compare a router's state with what it should hold.
std::string tables_text(const SimRouter& r)
{
    std::string s;
    for (const SimLine& l : r.lines)
        s += "line " + std::to_string(l.index) + " " + l.host + " " + l.phone + "\n";
    for (const SimRoute& e : r.routes)
        s += "route " + std::to_string(e.index) + " " + e.mask + " " + e.match + " " + e.gateway +
             "\n";
    for (const SimFilter& f : r.filters)
        s += "filter " + std::to_string(f.index) + " " + f.send_mask + " " + f.send_match + " " +
             std::to_string(f.action) + " " + std::to_string(f.port) + "\n";
    return s;
}

// The charge of each line target in the accounting report, in its order.
std::vector<unsigned> charges(const std::string& out)
{
    std::vector<unsigned> found;
    size_t at = 0;
    while ((at = out.find("\ncharge ", at)) != std::string::npos) {
        unsigned v = 0;
        if (std::sscanf(out.c_str() + at + 8, "%u", &v) == 1)
            found.push_back(v);
        ++at;
    }
    return found;
}

class TermRepeatsBase : public TermE2E {
protected:
    // Events of router r1 equal to `text`.
    static size_t events_equal(PeerProcess* peer, const std::string& text)
    {
        size_t n = 0;
        for (const std::string& e : peer->events("r1"))
            n += e == text;
        return n;
    }
    // Events of router r1 that contain `text`.
    static size_t events_with(PeerProcess* peer, const std::string& text)
    {
        size_t n = 0;
        for (const std::string& e : peer->events("r1"))
            n += e.find(text) != std::string::npos;
        return n;
    }

    // The configuration file that saveconfig writes of `tables` (a router
    // without knobs in the second namespace), as the file to write.
    std::string config_of(const SimRouter& tables)
    {
        SimRouter r = tables;
        r.name = "r2";
        r.address = test_net_dotted(net().router_ip(2));
        r.knobs.clear();
        r.password.clear();
        PeerProcess* helper = start_peer(2, {r});
        if (helper == nullptr)
            return "";
        std::remove(path("file.cfg").c_str());
        PtySession& s = run({"saveconfig", "-f", path("file.cfg"), "-ip", r.address});
        EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0) << s.err();
        helper->stop();
        return term_read_file(path("file.cfg"));
    }

    // The router's state once it has stopped.
    SimRouter final_state(PeerProcess* peer)
    {
        peer->stop();
        SimRouter now;
        EXPECT_TRUE(peer->router("r1", &now)) << peer->error();
        return now;
    }

    // Waits for `text` in standard error after what was consumed so far and
    // types `line`.
    bool ask(const std::string& text, const std::string& line, int timeout_ms = TERM_WAIT_MS)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        for (;;) {
            size_t at = session_->err().find(text, seen_);
            if (at != std::string::npos) {
                seen_ = at + text.size();
                return session_->type(line);
            }
            if (std::chrono::steady_clock::now() > deadline || !session_->running()) {
                ADD_FAILURE() << "no \"" << text << "\" in:\n" << session_->err().substr(seen_);
                return false;
            }
            usleep(10 * 1000);
            session_->pump();
        }
    }

    size_t seen_ = 0;
};

class TermRepeats : public TermRepeatsBase, public ::testing::WithParamInterface<const char*> {
protected:
    // The router's repeat knob for this run.
    std::string mode() const { return std::string("repeat ") + GetParam(); }
};

// accounting -reset against a router whose datagrams leave late (each
// exchange then outlasts the first retransmission time of a transport that
// does not learn it): every counter is shown as the router held it, and
// reset exactly once.
TEST_P(TermRepeats, SlowAccountingResetOfALateRouterShowsAndResetsEachCounterOnce)
{
    TERM_NETWORK_REQUIRE();
    struct Case {
        int lines;
        const char* late;
    } cases[] = {{4, "send-transit 300"}, {20, "send-transit 50"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.lines) + " line targets, " + c.late);
        peers_.clear();
        SimRouter r = with_tables(router(1), 0, c.lines, 0, 0);
        r.knobs = {mode(), c.late};
        PeerProcess* peer = start_peer(1, {r});
        ASSERT_NE(peer, nullptr);
        PtySession& s = run({"accounting", "-ip", R1, "-reset"});
        ASSERT_EQ(s.wait_exit(SLOW_MS), 0) << s.err();
        std::vector<unsigned> expected;
        for (int i = 0; i < c.lines; ++i)
            expected.push_back(unsigned(100 * (i + 1) + 1));
        EXPECT_EQ(charges(s.out()), expected) << s.out();
        for (int i = 0; i < c.lines; ++i)
            EXPECT_EQ(events_equal(peer, "accounting reset position=" + std::to_string(i)), 1u)
                << "position " << i << "\n"
                << peer->log_text();
        ASSERT_TRUE(peer->wait_event("r1", std::string("closed station=") + STATION));
        SimRouter now = final_state(peer);
        ASSERT_EQ(now.lines.size(), size_t(c.lines));
        for (const SimLine& l : now.lines)
            EXPECT_EQ(l.counters[0], 0u) << "line " << l.index;
    }
}

// A router that acknowledges at once and answers after 2.0 to 2.5 s: the
// password is taken, typed the moment the prompt shows or a moment later.
TEST_P(TermRepeats, SlowRegistrationWithAnAnswerAfterTwoSecondsTakesTheRightPassword)
{
    TERM_NETWORK_REQUIRE();
    for (int typing_ms : {0, 1500}) {
        SCOPED_TRACE("typed after " + std::to_string(typing_ms) + " ms");
        peers_.clear();
        SimRouter r = with_tables(router(1), 0, 1, 0, 0);
        r.password = "geheim";
        r.knobs = {mode(), "delay 2000 2500"};
        PeerProcess* peer = start_peer(1, {r});
        ASSERT_NE(peer, nullptr);
        PtySession& s = run({"accounting", "-ip", R1});
        ASSERT_TRUE(s.wait_for(PtySession::ERR, PROMPT, SLOW_MS)) << s.err();
        if (typing_ms > 0)
            s.wait_exit(typing_ms);  // the user types meanwhile
        s.type("geheim");
        EXPECT_EQ(s.wait_exit(SLOW_MS), 0) << s.err();
        EXPECT_EQ(charges(s.out()), std::vector<unsigned>{101}) << s.out();
        EXPECT_EQ(occurrences(s.err(), PROMPT), 1u) << s.err();
        EXPECT_EQ(events_with(peer, "password ok"), 1u) << peer->log_text();
        EXPECT_EQ(events_with(peer, "password wrong"), 0u) << peer->log_text();
    }
}

// The same slow router chosen from the scan list: its answers to the later
// scan requests come while it is being opened, and change nothing.
TEST_P(TermRepeats, SlowRouterChosenFromTheScanListOpensDespiteItsLateScanAnswers)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r = with_tables(router(1), 0, 1, 0, 0);
    r.password = "geheim";
    r.knobs = {mode(), "delay 2000 2500"};
    PeerProcess* peer = start_peer(1, {r});
    ASSERT_NE(peer, nullptr);
    PtySession& s = run({"accounting"});
    ASSERT_TRUE(ask("\nSelect router ( 1 - 1 ) --> ", "1", SLOW_MS));
    ASSERT_TRUE(ask(PROMPT, "geheim", SLOW_MS));
    EXPECT_EQ(s.wait_exit(SLOW_MS), 0) << s.err() << peer->log_text();
    EXPECT_EQ(charges(s.out()), std::vector<unsigned>{101}) << s.out();
}

// The open reply to the accepted password is lost: the program still opens
// the router with the password typed once, reads it, and lets it go.
TEST_P(TermRepeats, SlowLostOpenReplyAfterTheRightPasswordStillOpensAndFreesTheRouter)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r = with_tables(router(1), 0, 2, 1, 1);
    r.password = "geheim";
    r.knobs = {mode(), "lose-reply 1 PASSWORD_REPLY"};
    PeerProcess* peer = start_peer(1, {r});
    ASSERT_NE(peer, nullptr);
    PtySession& s = run({"saveconfig", "-f", path("saved.cfg"), "-ip", R1});
    ASSERT_TRUE(s.wait_for(PtySession::ERR, PROMPT, TERM_WAIT_MS)) << s.err();
    s.type("geheim");
    EXPECT_EQ(s.wait_exit(SLOW_MS), 0) << s.err();
    EXPECT_EQ(occurrences(s.err(), PROMPT), 1u) << "the password is typed once\n" << s.err();
    EXPECT_EQ(events_with(peer, "reply lost: 3001"), 1u) << "the case happened";
    std::string file = term_read_file(path("saved.cfg"));
    for (const char* entry : {"10.1.0.1 ", "10.1.0.2 ", "10.2.0.0 "})
        EXPECT_NE(file.find(entry), std::string::npos) << entry << " in\n" << file;
    // Whatever the outcome, the router is not left held by this station.
    EXPECT_TRUE(peer->wait_event("r1", std::string("closed station=") + STATION))
        << peer->log_text();
    EXPECT_EQ(final_state(peer).holder, "0.0.0.0");
}

// The reply to the third put comes a second time, 40 ms late, right after
// the fourth put went out and was lost: the late copy is no answer to the
// fourth, and the tables end as the file says.
TEST_P(TermRepeats, LateCopyOfAPutReplyAfterALostPutLeavesExactTables)
{
    TERM_NETWORK_REQUIRE();
    SaveFileLock save_file;  // a failed write saves the tables there
    SimRouter wanted = with_tables(router(1), 1, 4, 3, 2);
    std::string file = config_of(wanted);
    ASSERT_FALSE(file.empty());
    term_write_file(path("new.cfg"), file);
    SimRouter r = with_tables(router(1), 0, 4, 3, 2);
    r.knobs = {mode(), "late-copy 3 40 PUT_ENTRY_REQUEST", "lose-request 4 PUT_ENTRY_REQUEST"};
    PeerProcess* peer = start_peer(1, {r});
    ASSERT_NE(peer, nullptr);
    PtySession& s = run({"linetarget", "-f", path("new.cfg"), "-ip", R1});
    EXPECT_EQ(s.wait_exit(SLOW_MS), 0) << s.err();
    EXPECT_EQ(events_with(peer, "late copy of 3017"), 1u) << "the case happened";
    EXPECT_EQ(events_with(peer, "request lost: 1017"), 1u) << "the case happened";
    EXPECT_EQ(tables_text(final_state(peer)), tables_text(wanted));
}

// Datagrams that overtake one another, and one in a hundred of the
// router's damaged: the tables are written exactly, or a damaged datagram
// made the program fail, and it says so and lets the router go. (A damaged request would be stored
// as it came: the protocol carries no checksum, and no client could tell; so only what the router
// sends is damaged here.)
TEST_P(TermRepeats, ReorderingAndDamagedDatagramsWriteExactTablesOrFailHonestly)
{
    TERM_NETWORK_REQUIRE();
    SaveFileLock save_file;  // a failed write saves the tables there
    SimRouter wanted = with_tables(router(1), 1, 8, 8, 4);
    std::string file = config_of(wanted);
    ASSERT_FALSE(file.empty());
    term_write_file(path("new.cfg"), file);
    SimRouter r = with_tables(router(1), 0, 8, 8, 4);
    r.knobs = {mode(), "transit 20 15 11", "send-transit 20 15 12", "send-corrupt 1 13"};
    PeerProcess* peer = start_peer(1, {r});
    ASSERT_NE(peer, nullptr);
    PtySession& s = run({"linetarget", "-f", path("new.cfg"), "-ip", R1});
    int status = s.wait_exit(SLOW_MS);
    ASSERT_NE(status, -1) << "hung:\n" << s.err() << peer->log_text();
    // The close request travels its 20 to 35 ms.
    EXPECT_TRUE(peer->wait_event("r1", std::string("closed station=") + STATION))
        << s.err() << peer->log_text();
    SimRouter now = final_state(peer);
    if (status == 0) {
        EXPECT_EQ(tables_text(now), tables_text(wanted)) << "exit 0 with other tables";
    } else {
        EXPECT_EQ(status, 1);
        EXPECT_FALSE(s.err().empty()) << "a failure without a word";
        // Datagrams that overtake one another are no reason to fail.
        EXPECT_GT(events_with(peer, "corrupted out:"), 0u) << "failed with nothing damaged:\n"
                                                           << s.err() << peer->log_text();
    }
    EXPECT_EQ(now.holder, "0.0.0.0");
}

// One datagram in ten arrives twice, each way, and datagrams overtake one
// another: the tables are read and written exactly.
TEST_P(TermRepeats, DuplicatedAndReorderedDatagramsStillReadAndWriteExactTables)
{
    TERM_NETWORK_REQUIRE();
    SaveFileLock save_file;  // a failed write saves the tables there
    SimRouter wanted = with_tables(router(1), 1, 6, 6, 3);
    std::string file = config_of(wanted);
    ASSERT_FALSE(file.empty());
    term_write_file(path("new.cfg"), file);
    SimRouter r = with_tables(router(1), 0, 6, 6, 3);
    r.knobs = {mode(), "duplicate 10 21", "send-duplicate 10 22", "transit 20 15 23",
               "send-transit 20 15 24"};
    PeerProcess* peer = start_peer(1, {r});
    ASSERT_NE(peer, nullptr);

    PtySession& save = run({"saveconfig", "-f", path("saved.cfg"), "-ip", R1});
    ASSERT_EQ(save.wait_exit(SLOW_MS), 0) << save.err() << peer->log_text();
    std::string saved = term_read_file(path("saved.cfg"));
    for (int i = 0; i < 6; ++i) {
        std::string host = "10.1.0." + std::to_string(i + 1) + " ";
        EXPECT_EQ(occurrences(saved, host), 1u) << host << " in\n" << saved;
        std::string route = "10.2." + std::to_string(i) + ".0 ";
        EXPECT_EQ(occurrences(saved, route), 1u) << route << " in\n" << saved;
    }
    ASSERT_TRUE(peer->wait_event("r1", std::string("closed station=") + STATION));

    PtySession& write = run({"linetarget", "-f", path("new.cfg"), "-ip", R1});
    EXPECT_EQ(write.wait_exit(SLOW_MS), 0) << write.err() << peer->log_text();
    EXPECT_GT(events_with(peer, "duplicated"), 0u) << "the case happened";
    EXPECT_EQ(tables_text(final_state(peer)), tables_text(wanted));
}

// A password change against a router that takes 0.2 s over every request:
// taken once, and reported as done.
TEST_P(TermRepeats, SlowPasswordChangeOfARouterTakingAFifthOfASecondIsTakenOnce)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r = with_tables(router(1), 0, 1, 0, 0);
    r.knobs = {mode(), "ack-delay 200"};
    PeerProcess* peer = start_peer(1, {r});
    ASSERT_NE(peer, nullptr);
    PtySession& s = run({"routerconfig"});
    ASSERT_TRUE(ask("\nSelect router ( 1 - 1 ) --> ", "1"));
    ASSERT_TRUE(ask("New router name          --> ", ""));
    ASSERT_TRUE(ask("New net mask             --> ", ""));
    ASSERT_TRUE(ask("New phone number         --> ", ""));
    ASSERT_TRUE(ask("Change password  (y/n)   --> ", "y"));
    ASSERT_TRUE(ask("New password             --> ", "neu"));
    ASSERT_TRUE(ask("Retype password          --> ", "neu"));
    ASSERT_TRUE(ask("by this host   (y/n)     --> ", "n"));
    ASSERT_TRUE(ask("Save configuration (y/n)        --> ", "y"));
    EXPECT_EQ(s.wait_exit(SLOW_MS), 0) << s.err();
    EXPECT_NE(s.err().find("Set new password\n", seen_), std::string::npos) << s.err();
    EXPECT_EQ(events_with(peer, "password changed to neu"), 1u) << peer->log_text();
    EXPECT_EQ(events_with(peer, "password change refused"), 0u) << peer->log_text();
    EXPECT_EQ(final_state(peer).password, "neu");
}

INSTANTIATE_TEST_SUITE_P(Modes, TermRepeats, ::testing::Values("answer", "process", "ack-only"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             return name == "ack-only" ? std::string("ack_only") : name;
                         });

// A firmware download to a router that takes 1.5 s over every
// acknowledgement: the chunks wait for it instead of going out again
// (the whole image would take 20 minutes; its first dozen chunks tell).
TEST_F(TermRepeatsBase, SlowDownloadToARouterAcknowledgingAfterOneAndAHalfSecondsRepeatsLittle)
{
    TERM_NETWORK_REQUIRE();
    ASSERT_NE(firmware_fixture_write(dir_, 1, "2.10"), "");
    ASSERT_NE(firmware_fixture_write(dir_, 1, "3.00"), "");
    SimRouter r = router(1);
    r.isdn = 1;
    r.firmware = "2.10";
    r.knobs = {"repeat answer", "ack-delay 1500"};
    PeerProcess* peer = start_peer(1, {r});
    ASSERT_NE(peer, nullptr);
    PtySession& s = run({"routerconfig"});
    ASSERT_TRUE(ask("\nSelect router ( 1 - 1 ) --> ", "1", SLOW_MS));
    ASSERT_TRUE(ask("New router name          --> ", ""));
    ASSERT_TRUE(ask("New net mask             --> ", ""));
    ASSERT_TRUE(ask("New phone number         --> ", ""));
    ASSERT_TRUE(ask("New operating mode", ""));
    ASSERT_TRUE(ask("Change firmware  (y/n)   --> ", "y"));
    ASSERT_TRUE(ask("New firmware  (1-2)     --> ", "2"));
    ASSERT_TRUE(ask("Change password  (y/n)   --> ", "n"));
    ASSERT_TRUE(ask("by this host   (y/n)     --> ", "n"));
    ASSERT_TRUE(ask("Save configuration (y/n)        --> ", "y"));
    constexpr size_t CHUNKS = 12;
    for (int waited = 0; peer->requests(PeerLogLine::RX, CODE_FW_DATA).size() < CHUNKS;
         waited += 100) {
        ASSERT_LT(waited, SLOW_MS) << s.err() << peer->log_text();
        ASSERT_TRUE(s.running()) << s.err();
        s.wait_for(PtySession::ERR, "\nReady\n", 100);
    }
    size_t sent = peer->datagrams(PeerLogLine::RX, CODE_FW_DATA).size();
    size_t chunks = peer->requests(PeerLogLine::RX, CODE_FW_DATA).size();
    EXPECT_LE(sent - chunks, 3u) << sent << " chunks sent for " << chunks;
    s.signal(SIGTERM);
    s.wait_exit(TERM_WAIT_MS);
}

}  // namespace
