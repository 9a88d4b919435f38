// The terminal program's transport against routers that behave as real ones
// may: a router's own numbering that passes 65535, acknowledgements lost on
// the way back while the answers arrive, an announcement after a download
// that never comes, and a network of a thousand routers answering one scan.
#include "test_term_fixture.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <set>

#include "firmware_fixture.h"

namespace {

constexpr int CODE_GET_ENTRY = 0x1011;
constexpr int CODE_FW_START = 0x0003;
constexpr int CODE_SCAN = 0xF031;
constexpr int DOWNLOAD_WAIT_MS =
    60000;  // reset, scans every fourth tick, 787 chunks, restart, scans

class TermTransport : public TermE2E {
protected:
    // Waits for `text` in standard error after what was consumed so far,
    // consumes it, and types `line` when one is given.
    bool step(const std::string& text, const char* line = nullptr, int timeout_ms = TERM_WAIT_MS)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        for (;;) {
            size_t at = session_->err().find(text, seen_);
            if (at != std::string::npos) {
                seen_ = at + text.size();
                return line == nullptr || session_->type(line);
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

// How often `text` occurs in `in`.
size_t count_of(const std::string& in, const std::string& text)
{
    size_t n = 0;
    for (size_t at = in.find(text); at != std::string::npos; at = in.find(text, at + 1))
        ++n;
    return n;
}

// A router whose counter started at 65525 numbers its line-monitor reports:
// the twelfth report carries 1, and it and every one after it are shown.
TEST_F(TermTransport, LineMonitorGoesOnAfterTheRoutersNumbersWrap)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r = router(1);
    r.lines.push_back(term_x75_line(0, "10.1.0.1", "0721"));
    r.knobs = {"linemon-interval 100", "numbered-linemon yes", "sequence-start 65525"};
    PeerProcess* peer = start_peer(1, {r});
    ASSERT_NE(peer, nullptr);
    PtySession& s = run({"linemonitor", "-ip", "10.77.0.2"});
    // 11 reports up to 65535, then 1 to 9.
    EXPECT_TRUE(s.wait_for(PtySession::OUT, "Changes    : 20\n", TERM_WAIT_MS))
        << s.out() << s.err();
    s.type("quit");
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0) << s.err();
    std::set<int> numbers;
    for (const PeerLogLine& l : peer->datagrams(PeerLogLine::TX, 0x0F01))
        numbers.insert(l.seq);
    EXPECT_TRUE(numbers.count(65535) && numbers.count(1) && numbers.count(9)) << peer->log_text();
}

// The router handles every request but loses one acknowledgement: its
// answer stands in for it, and the whole configuration is saved.
TEST_F(TermTransport, SaveconfigCompletesWhenAnAcknowledgementIsLost)
{
    TERM_NETWORK_REQUIRE();
    struct Case {
        const char* name;
        const char* knob;
    } cases[] = {
        {"the open's", "lose-acks 1"},
        {"an entry request's", "lose-acks 1 GET_ENTRY_REQUEST"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        peers_.clear();
        SimRouter r = router(1);
        r.phone = "0721999";
        for (int i = 0; i < 3; ++i)
            r.lines.push_back(
                term_x75_line(i, "10.1.0." + std::to_string(i + 1), "0721" + std::to_string(i)));
        for (int i = 0; i < 2; ++i)
            r.routes.push_back(
                sim_route(i, "255.255.255.0", "10.2." + std::to_string(i) + ".0", "10.1.0.1"));
        r.filters.push_back(sim_filter(0, "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 0, 1, 0));
        r.knobs = {c.knob};
        PeerProcess* peer = start_peer(1, {r});
        ASSERT_NE(peer, nullptr);
        std::remove(path("saved.cfg").c_str());
        PtySession& s = run({"saveconfig", "-f", path("saved.cfg"), "-ip", "10.77.0.2"});
        EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0) << s.err();
        EXPECT_EQ(s.err(), "");
        std::string file = term_read_file(path("saved.cfg"));
        for (const char* entry : {"10.1.0.1 ", "10.1.0.2 ", "10.1.0.3 ", "10.2.0.0 ", "10.2.1.0 "})
            EXPECT_NE(file.find(entry), std::string::npos) << entry << " in\n" << file;
        EXPECT_NE(file.find("Filter_Data:"), std::string::npos) << file;
        int lost = 0;
        for (const std::string& e : peer->events("r1"))
            lost += e.compare(0, 9, "ack lost:") == 0;
        EXPECT_EQ(lost, 1);
        // Nothing was asked twice: the answer ended the repeats, so no entry
        // went under a second number. A repeat the transport sent before the
        // answer came back carries the same number.
        std::set<std::vector<uint8_t>> asked;
        for (const PeerLogLine& l : peer->requests(PeerLogLine::RX, CODE_GET_ENTRY))
            EXPECT_TRUE(asked.insert(l.data).second) << "asked again: " << l.raw;
        EXPECT_EQ(asked.size(), 6u);
    }
}

// A router that takes over a second for every acknowledgement (a flash
// write) sees each request repeated before it has acknowledged it, and a
// network that loses a tenth of the datagrams either way loses requests,
// acknowledgements and replies: the whole configuration is still read, and
// a changed file is written, entry for entry.
TEST_F(TermTransport, SlowAcknowledgementsAndLossStillReadAndWriteExactTables)
{
    TERM_NETWORK_REQUIRE();
    struct Case {
        const char* name;
        std::vector<std::string> knobs;
        const char* sign;  // an event that shows the case happened; null: none to show (the
                           // repeats are timed from the router's acknowledgements, so one
                           // this slow may see none)
    } cases[] = {
        {"acknowledgements after 1.2 s", {"ack-delay 1200"}, nullptr},
        {"10 % loss both ways", {"loss 10 7", "send-loss 10 8"}, "lost"},
    };
    constexpr int WAIT_MS = 90000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        peers_.clear();
        SimRouter r = router(1);
        r.password = "geheim";
        for (int i = 0; i < 3; ++i)
            r.lines.push_back(
                term_x75_line(i, "10.1.0." + std::to_string(i + 1), "0721" + std::to_string(i)));
        for (int i = 0; i < 2; ++i)
            r.routes.push_back(
                sim_route(i, "255.255.255.0", "10.2." + std::to_string(i) + ".0", "10.1.0.1"));
        r.filters.push_back(sim_filter(0, "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 0, 1, 0));
        r.knobs = c.knobs;
        PeerProcess* peer = start_peer(1, {r});
        ASSERT_NE(peer, nullptr);

        std::remove(path("saved.cfg").c_str());
        PtySession& save = run({"saveconfig", "-f", path("saved.cfg"), "-ip", "10.77.0.2"});
        ASSERT_TRUE(save.wait_for(PtySession::ERR, " Password --> ", WAIT_MS)) << save.err();
        save.type("geheim");
        ASSERT_EQ(save.wait_exit(WAIT_MS), 0) << save.err();
        std::string file = term_read_file(path("saved.cfg"));
        for (const char* entry : {"10.1.0.1 ", "10.1.0.2 ", "10.1.0.3 ", "10.2.0.0 ", "10.2.1.0 "})
            EXPECT_NE(file.find(entry), std::string::npos) << entry << " in\n" << file;
        ASSERT_EQ(count_of(file, "10.1.0.2 "), 1u) << file;

        // The second line target moves to another host; the rest stays.
        file.replace(file.find("10.1.0.2 "), 9, "10.1.0.9 ");
        term_write_file(path("changed.cfg"), file);
        PtySession& write = run({"linetarget", "-f", path("changed.cfg"), "-ip", "10.77.0.2"});
        ASSERT_TRUE(write.wait_for(PtySession::ERR, " Password --> ", WAIT_MS)) << write.err();
        write.type("geheim");
        EXPECT_EQ(write.wait_exit(WAIT_MS), 0) << write.err();

        bool seen = c.sign == nullptr;
        for (const std::string& e : peer->events("r1"))
            seen = seen || e.compare(0, std::strlen(c.sign), c.sign) == 0;
        EXPECT_TRUE(seen) << peer->log_text();
        peer->stop();
        SimRouter now;
        ASSERT_TRUE(peer->router("r1", &now)) << peer->error();
        ASSERT_EQ(now.lines.size(), 3u);
        EXPECT_EQ(now.lines[0].host, "10.1.0.1");
        EXPECT_EQ(now.lines[1].host, "10.1.0.9");
        EXPECT_EQ(now.lines[1].phone, "07211");
        EXPECT_EQ(now.lines[2].host, "10.1.0.3");
        ASSERT_EQ(now.routes.size(), 2u);
        EXPECT_EQ(now.routes[1].match, "10.2.1.0");
        ASSERT_EQ(now.filters.size(), 1u);
    }
}

// The router restarts with the new image but its one announcement is lost:
// the program finds it by scanning, and the download ends as a success.
TEST_F(TermTransport, SlowDownloadWhoseAnnouncementIsLostEndsWithTheScan)
{
    TERM_NETWORK_REQUIRE();
    ASSERT_NE(firmware_fixture_write(dir_, 1, "2.10"), "");
    ASSERT_NE(firmware_fixture_write(dir_, 1, "3.00"), "");
    SimRouter r = router(1);
    r.isdn = 1;
    r.firmware = "2.10";
    r.knobs = {"announce-restart no", "restart-delay 50"};
    PeerProcess* peer = start_peer(1, {r});
    ASSERT_NE(peer, nullptr);
    PtySession& s = run({"routerconfig"});
    ASSERT_TRUE(step("\nSelect router ( 1 - 1 ) --> ", "1"));
    ASSERT_TRUE(step("New router name          --> ", ""));
    ASSERT_TRUE(step("New net mask             --> ", ""));
    ASSERT_TRUE(step("New phone number         --> ", ""));
    ASSERT_TRUE(step("New operating mode", ""));
    ASSERT_TRUE(step("Change firmware  (y/n)   --> ", "y"));
    ASSERT_TRUE(step("New firmware  (1-2)     --> ", "2"));
    ASSERT_TRUE(step("Change password  (y/n)   --> ", "n"));
    ASSERT_TRUE(step("by this host   (y/n)     --> ", "n"));
    ASSERT_TRUE(step("Save configuration (y/n)        --> ", "y"));
    EXPECT_EQ(s.wait_exit(DOWNLOAD_WAIT_MS), 0) << s.err();
    EXPECT_NE(s.err().find("\nReady\n", seen_), std::string::npos) << s.err();

    ASSERT_TRUE(peer->wait_event("r1", "announcement lost"));
    SimRouter now;
    ASSERT_TRUE(peer->router("r1", &now)) << peer->error();
    EXPECT_EQ(now.firmware, "3.00");
    // It was found by a scan after the start command.
    int starts = 0;
    int scans_after = 0;
    for (const PeerLogLine& l : peer->log()) {
        if (l.kind != PeerLogLine::RX)
            continue;
        starts += l.code == CODE_FW_START;
        scans_after += starts > 0 && l.code == CODE_SCAN;
    }
    EXPECT_EQ(starts, 1);
    EXPECT_GE(scans_after, 1);
}

// A thousand routers answer both state queries at once: every one of them
// is in the overview, once.
TEST_F(TermTransport, OverviewOfAThousandRouters)
{
    TERM_NETWORK_REQUIRE();
    constexpr int ROUTERS = 1000;
    std::vector<SimRouter> routers;
    std::set<std::string> addresses;
    for (int i = 0; i < ROUTERS; ++i) {
        // 10.77.1.1 to 10.77.4.250: beyond the /24 of the test network, which
        // holds fewer; the workstation only hears them (rov sends no request
        // to a router's own address).
        std::string address =
            "10.77." + std::to_string(1 + i / 250) + "." + std::to_string(1 + i % 250);
        char hw[18];
        std::snprintf(hw, sizeof hw, "00:a0:f9:%02x:%02x:%02x", i >> 16 & 0xFF, i >> 8 & 0xFF,
                      i & 0xFF);
        routers.push_back(sim_router("r" + std::to_string(i), address, hw));
        addresses.insert(address);
    }
    peers_.emplace_back(new PeerProcess(net(), net().router(1), routers));
    ASSERT_TRUE(peers_.back()->start(120000)) << peers_.back()->error();

    PtySession& s = run({"rov"});
    EXPECT_EQ(s.wait_exit(30000), 0) << s.err();
    std::set<std::string> shown;
    const std::string label = "Router           ";
    for (size_t at = s.out().find(label); at != std::string::npos;
         at = s.out().find(label, at + 1)) {
        size_t end = s.out().find('\n', at);
        EXPECT_TRUE(
            shown.insert(s.out().substr(at + label.size(), end - at - label.size())).second);
    }
    EXPECT_EQ(shown.size(), addresses.size());
    EXPECT_EQ(shown, addresses);
    EXPECT_EQ(count_of(s.out(), label), size_t(ROUTERS));
}

}  // namespace
