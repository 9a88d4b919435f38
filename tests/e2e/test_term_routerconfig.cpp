// The routerconfig sub-command end to end: the real qorvel-ascii under a
// pseudo-terminal against simulated routers, answering its questions as a
// user would, and what reaches the router: nothing, the settings and then
// the password, or a reset and a firmware image carrying the configuration.
#include "test_term_fixture.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "firmware_fixture.h"

namespace {

// Wire codes of the requests the workstation sends.
constexpr int CODE_RESET = 0x0004;
constexpr int CODE_FW_REQUEST = 0x0001;
constexpr int CODE_SET_PASSWORD = 0x1005;
constexpr int CODE_ROUTER_DATA = 0x1018;
constexpr int CODE_PUT_ENTRY = 0x1017;

constexpr int DOWNLOAD_WAIT_MS = 60000;  // reset, scans every fourth tick, 787 chunks, restart

constexpr const char* SELECT = "\nSelect router ( 1 - 1 ) --> ";
constexpr const char* NAME = "New router name          --> ";
constexpr const char* NETMASK = "New net mask             --> ";
constexpr const char* PHONE = "New phone number         --> ";
constexpr const char* MODE_ALL = "New operating mode (1,2,3,4,5) --> ";
constexpr const char* CHANGE_FW = "Change firmware  (y/n)   --> ";
constexpr const char* CHANGE_PW = "Change password  (y/n)   --> ";
constexpr const char* NEW_PW = "New password             --> ";
constexpr const char* RETYPE_PW = "Retype password          --> ";
constexpr const char* EXCLUSIVE = "by this host   (y/n)     --> ";
constexpr const char* SAVE = "Save configuration (y/n)        --> ";

// The 70-byte router record that an image carries, built from the record
// layout by hand (little-endian fields, checksum high byte first).
struct ExpectedRouter {
    uint32_t address;
    uint32_t netmask;
    std::string phone;
    int line_type;
    uint32_t exclusive_station;
    std::string password;
    int isdn;
    std::string firmware;
};

std::vector<uint8_t> router_record(const ExpectedRouter& e)
{
    std::vector<uint8_t> r(70, 0);
    auto u16 = [&r](size_t at, uint16_t v) {
        r[at] = uint8_t(v);
        r[at + 1] = uint8_t(v >> 8);
    };
    auto u32 = [&r](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            r[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    auto text = [&r](size_t at, const std::string& t, size_t size) {
        std::memcpy(&r[at], t.data(), std::min(t.size(), size));
    };
    u16(0, 0xBEEF);
    u16(4, 1);
    u16(6, 70);
    u32(10, e.address);
    u32(14, e.netmask);
    u32(18, e.address | ~e.netmask);
    u16(22, 1504);
    text(24, e.phone, 20);
    r[44] = uint8_t(e.line_type);
    u32(45, e.exclusive_station);
    text(49, e.password, 10);
    r[59] = uint8_t(e.isdn);
    text(60, e.firmware, 10);
    uint32_t sum = 0;
    for (size_t i = 0; i < r.size(); i += 2)
        sum += uint32_t(r[i]) << 8 | r[i + 1];
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    uint16_t check = uint16_t(~sum);
    r[2] = uint8_t(check >> 8);
    r[3] = uint8_t(check);
    return r;
}

// The fixture image with only a router record in its patch area.
std::vector<uint8_t> patched_image(const ExpectedRouter& e)
{
    std::vector<uint8_t> image = firmware_fixture_bytes();
    std::vector<uint8_t> record = router_record(e);
    std::copy(record.begin(), record.end(), image.begin());  // the fixture's patch area is at 0
    return image;
}

// Offset of the first byte where two images differ, or -1.
long first_difference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i])
            return long(i);
    return a.size() == b.size() ? -1 : long(n);
}

class TermRouterconfig : public TermE2E {
protected:
    // A configured router with two line targets, a route and a filter.
    SimRouter configured_router()
    {
        SimRouter r = router(1);
        r.phone = "0301234";
        r.isdn = 1;
        r.firmware = "2.10";
        r.lines.push_back(term_x75_line(0, "10.1.1.1", "555"));
        r.lines.push_back(term_x75_line(1, "10.1.1.2", "556"));
        r.routes.push_back(sim_route(0, "255.255.255.0", "10.2.0.0", "10.1.1.1"));
        r.filters.push_back(sim_filter(0, "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 0, 1, 0));
        return r;
    }
    void images(int mode, const std::vector<std::string>& versions)
    {
        for (const std::string& v : versions)
            ASSERT_NE(firmware_fixture_write(dir_, mode, v), "");
    }
    // One 1TR6 image and two DSS1 images, 2.10 and 3.00.
    void both_families()
    {
        images(0, {"1.00"});
        images(1, {"2.10", "3.00"});
    }

    // Waits for `prompt` after everything consumed so far and types `line`.
    void ask(const std::string& prompt, const std::string& line, int timeout_ms = TERM_WAIT_MS)
    {
        if (HasFatalFailure())
            return;  // the dialogue is off its track: no more waiting
        ASSERT_TRUE(expect(prompt, timeout_ms)) << "no \"" << prompt << "\" in:\n"
                                                << session_->err().substr(seen_);
        ASSERT_TRUE(session_->type(line));
    }
    // Waits for `text` after everything consumed so far and consumes it.
    bool expect(const std::string& text, int timeout_ms = TERM_WAIT_MS)
    {
        if (HasFatalFailure())
            return false;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        for (;;) {
            size_t at = session_->err().find(text, seen_);
            if (at != std::string::npos) {
                seen_ = at + text.size();
                return true;
            }
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            if (session_->wait_exit(10) != -1) {
                session_->pump();
                at = session_->err().find(text, seen_);
                if (at == std::string::npos)
                    return false;
                seen_ = at + text.size();
                return true;
            }
        }
    }
    // Starts routerconfig and picks the only router.
    PtySession& start(bool german = false)
    {
        PtySession& s = run({"routerconfig"}, german);
        seen_ = 0;
        ask(german ? "\neinen Router auswaehlen ( 1 - 1 ) --> " : SELECT, "1");
        return s;
    }
    // Keeps name, netmask and telephone number.
    void keep_addresses()
    {
        ask(NAME, "");
        ask(NETMASK, "");
        ask(PHONE, "");
    }

    // The program hides the typing just after its prompt: wait for it.
    bool echo_becomes(int state)
    {
        for (int i = 0; i < 100; ++i) {
            if (session_->echo_on() == state)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // The router as the peer holds it once its work is done. The peer writes
    // its state file after each batch of datagrams it takes from the socket,
    // so the event that a test waits for (the close) can stand in the log
    // while the file still lacks what the same batch changed (the password,
    // the exclusive station); stopping it writes the state as it ends.
    static bool final_state(PeerProcess* peer, SimRouter* now)
    {
        peer->stop();
        return peer->router("r1", now);
    }

    size_t seen_ = 0;
};

// ---------------------------------------------------------------- fast ---

TEST_F(TermRouterconfig, NoChangeSendsNothing)
{
    TERM_NETWORK_REQUIRE();
    both_families();
    PeerProcess* peer = start_peer(1, {configured_router()});
    ASSERT_NE(peer, nullptr);
    PtySession& s = start();
    keep_addresses();
    ask(MODE_ALL, "");
    ask(CHANGE_FW, "n");
    ask(CHANGE_PW, "n");
    ask(EXCLUSIVE, "n");
    ASSERT_TRUE(
        expect("  Download required     : no\n"
               "  Change password       : no\n"
               "  Change configuration  : no\n\n"));
    ask(SAVE, "y");
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0) << s.err();
    EXPECT_EQ(s.err().substr(seen_), "") << "nothing started after the save";
    ASSERT_TRUE(peer->wait_event("r1", "closed"));
    for (int code :
         {CODE_ROUTER_DATA, CODE_SET_PASSWORD, CODE_RESET, CODE_FW_REQUEST, CODE_PUT_ENTRY})
        EXPECT_TRUE(peer->datagrams(PeerLogLine::RX, code).empty()) << std::hex << code;
}

TEST_F(TermRouterconfig, NameAndPasswordSendTheSettingsThenThePassword)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r = configured_router();
    r.password = "geheim";
    PeerProcess* peer = start_peer(1, {r});
    ASSERT_NE(peer, nullptr);
    // No image: the questions on mode and firmware are left out.
    PtySession& s = run({"routerconfig"});
    ask(SELECT, "1");
    ask(" Password --> ", "geheim");
    ask(NAME, "10.77.0.12");
    ask(NETMASK, "");
    ask(PHONE, "0309999");
    ask(CHANGE_PW, "y");
    ask(NEW_PW, "neu");
    ask(RETYPE_PW, "neu");
    ask(EXCLUSIVE, "n");
    ASSERT_TRUE(
        expect("! Router name          : 10.77.0.12\n"
               "  Net mask             : 255.255.255.0\n"
               "! Router phone number  : 0309999\n"));
    ASSERT_TRUE(
        expect("  Download required     : no\n"
               "  Change password       : yes\n"
               "  Change configuration  : yes\n\n"));
    ask(SAVE, "y");
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0) << s.err();
    EXPECT_EQ(s.err().substr(seen_), "Save configuration\nSet new password\n")
        << "the password only once the settings are written";

    auto data = peer->requests(PeerLogLine::RX, CODE_ROUTER_DATA);
    auto password = peer->requests(PeerLogLine::RX, CODE_SET_PASSWORD);
    ASSERT_EQ(data.size(), 1u);
    ASSERT_EQ(password.size(), 1u);
    std::string log = peer->log_text();
    EXPECT_LT(log.find(data[0].raw), log.find(password[0].raw)) << log;
    ASSERT_TRUE(peer->wait_event("r1", "closed"));
    std::vector<std::string> events = peer->events("r1");
    auto has = [&events](const std::string& text) {
        for (const std::string& e : events)
            if (e.find(text) != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(
        has("router data address=10.77.0.12 netmask=255.255.255.0 phone=0309999 permanent=0"));
    EXPECT_TRUE(has("password changed to neu exclusive=0.0.0.0"));
    SimRouter now;
    ASSERT_TRUE(final_state(peer, &now)) << peer->error();
    EXPECT_EQ(now.address, "10.77.0.12");
    EXPECT_EQ(now.password, "neu");
    EXPECT_EQ(now.lines.size(), 2u) << "the tables are not touched";
}

// The router refuses the new settings while the dialogue's actions run: its
// tables are then at risk, and the emergency copy holds them as read. A copy
// an earlier failure left is kept beside it.
TEST_F(TermRouterconfig, FailedSettingsChangeSavesTheRoutersTables)
{
    TERM_NETWORK_REQUIRE();
    for (bool earlier : {false, true}) {
        SCOPED_TRACE(earlier ? "with an earlier copy" : "first copy");
        SaveFileLock lock;
        std::remove("/tmp/save.cfg");
        if (earlier)
            term_write_file("/tmp/save.cfg", "# an earlier router's tables\n");
        SimRouter r = configured_router();
        r.knobs = {"status router-data 12"};
        peers_.clear();
        PeerProcess* peer = start_peer(1, {r});
        ASSERT_NE(peer, nullptr);
        seen_ = 0;
        PtySession& s = run({"routerconfig"});
        ask(SELECT, "1");
        ask(NAME, "10.77.0.12");
        ask(NETMASK, "");
        ask(PHONE, "");
        ask(CHANGE_PW, "n");
        ask(EXCLUSIVE, "n");
        ask(SAVE, "y");
        EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1) << s.err();
        EXPECT_EQ(s.err().substr(seen_),
                  "Save configuration\n"
                  "Error: can not access Flash ROM\n"
                  "Configuration saved to file /tmp/save.cfg\n"
                  "Abort...\n");
        std::string saved = term_read_file("/tmp/save.cfg");
        EXPECT_NE(saved.find("# Router Name / IP-Address: 10.77.0.12\n"), std::string::npos)
            << saved;
        EXPECT_NE(saved.find("10.1.1.1 "), std::string::npos) << saved;
        EXPECT_NE(saved.find("10.1.1.2 "), std::string::npos) << saved;
        EXPECT_NE(saved.find("10.2.0.0 "), std::string::npos) << saved;
        const std::vector<std::string> kept = emergency_copies_since(lock.kept_before());
        ASSERT_EQ(kept.size(), earlier ? 1u : 0u);
        if (earlier) {
            EXPECT_EQ(term_read_file(kept[0]), "# an earlier router's tables\n");
        }
        std::remove("/tmp/save.cfg");
    }
}

TEST_F(TermRouterconfig, RefusedPasswordsAreNeverSentAndTheExclusiveFlagKeepsTheOldOne)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r = configured_router();
    r.password = "geheim";
    PeerProcess* peer = start_peer(1, {r});
    ASSERT_NE(peer, nullptr);
    PtySession& s = run({"routerconfig"});
    ask(SELECT, "1");
    ask(" Password --> ", "geheim");
    keep_addresses();
    ask(CHANGE_PW, "y");
    ASSERT_TRUE(expect(NEW_PW));
    EXPECT_TRUE(echo_becomes(0)) << "the new password is typed hidden";
    ASSERT_TRUE(s.type("elevenchars"));
    ASSERT_TRUE(expect("\nMax. 10 characters\n"));
    EXPECT_TRUE(echo_becomes(1));
    ask(CHANGE_PW, "y");
    ask(NEW_PW, "first");
    ASSERT_TRUE(expect(RETYPE_PW));
    EXPECT_TRUE(echo_becomes(0)) << "the retyped password too";
    ASSERT_TRUE(s.type("second"));
    ASSERT_TRUE(expect("\nPasswords do not match\n"));
    EXPECT_TRUE(echo_becomes(1));
    ask(CHANGE_PW, "n");
    ask(EXCLUSIVE, "y");
    ASSERT_TRUE(
        expect("  New password         : no\n"
               "! Connfiguration exclu-\n"
               "  sively by this host  : yes\n\n"));
    ask(SAVE, "y");
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0) << s.err();
    EXPECT_EQ(s.err().substr(seen_), "Set new password\n");
    EXPECT_EQ(s.tty().find("elevenchars"), std::string::npos);
    EXPECT_EQ(s.tty().find("first"), std::string::npos);
    EXPECT_EQ(s.tty().find("second"), std::string::npos);

    EXPECT_TRUE(peer->datagrams(PeerLogLine::RX, CODE_ROUTER_DATA).empty());
    ASSERT_TRUE(peer->wait_event("r1", "closed"));
    SimRouter now;
    ASSERT_TRUE(final_state(peer, &now)) << peer->error();
    EXPECT_EQ(now.password, "geheim") << "neither a refused text nor an empty password";
    EXPECT_EQ(now.exclusive, "10.77.0.1");
}

TEST_F(TermRouterconfig, OnlyOneFamilyOfImagesLimitsTheModes)
{
    TERM_NETWORK_REQUIRE();
    images(0, {"1.00", "1.10"});
    PeerProcess* peer = start_peer(1, {configured_router()});
    ASSERT_NE(peer, nullptr);
    PtySession& s = start();
    keep_addresses();
    ASSERT_TRUE(expect("\nRouter operating mode  : DSS1 (international) / \n"));
    ask("New operating mode (1,3,4,5) --> ", "2");
    ask("New operating mode (1,3,4,5) --> ", "1");
    ASSERT_TRUE(expect("Possible firmware versions :\n  1 -> 1.00\n  2 -> 1.10\n"));
    ask("New firmware  (1-2)     --> ", "2");
    ask(CHANGE_PW, "n");
    ask(EXCLUSIVE, "n");
    ASSERT_TRUE(
        expect("! Router operating mode: 1TR6 (national)\n"
               "  permanent connections: none \n"
               "! Router firmware      : 1.10\n"));
    ASSERT_TRUE(expect("  Download required     : yes\n"));
    ask(SAVE, "n");
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0) << s.err();
    EXPECT_EQ(s.err().substr(seen_), "Do not save configuration\n");
    ASSERT_TRUE(peer->wait_event("r1", "closed"));
    EXPECT_TRUE(peer->datagrams(PeerLogLine::RX, CODE_RESET).empty());
    EXPECT_TRUE(peer->datagrams(PeerLogLine::RX, CODE_FW_REQUEST).empty());
}

TEST_F(TermRouterconfig, DownloadThatCannotStartEndsWithStatus1AndLeavesTheRouter)
{
    TERM_NETWORK_REQUIRE();
    images(0, {"1.00"});
    images(1, {"2.10"});
    FirmwareFixtureLayout broken;
    broken.marker = false;
    ASSERT_NE(firmware_fixture_write(dir_, 1, "3.00", broken), "");
    PeerProcess* peer = start_peer(1, {configured_router()});
    ASSERT_NE(peer, nullptr);
    PtySession& s = start();
    keep_addresses();
    ask(MODE_ALL, "");
    ask(CHANGE_FW, "y");
    ask("New firmware  (1-2)     --> ", "2");
    ask(CHANGE_PW, "n");
    ask(EXCLUSIVE, "n");
    ask(SAVE, "y");
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1) << s.err();
    EXPECT_EQ(s.err().substr(seen_), "Starting firmware download\nError: firmware download from " +
                                         dir_ + "/fw_dss1.3.00 can not be started\n");
    ASSERT_TRUE(peer->wait_event("r1", "closed")) << "the router is let go";
    EXPECT_TRUE(peer->datagrams(PeerLogLine::RX, CODE_RESET).empty());
    SimRouter now;
    ASSERT_TRUE(final_state(peer, &now)) << peer->error();
    EXPECT_EQ(now.lines.size(), 2u);
}

// ---------------------------------------------------------------- slow ---

TEST_F(TermRouterconfig, SlowPermanentTypeChangeResetsAndDownloadsWithEmptyTables)
{
    TERM_NETWORK_REQUIRE();
    both_families();
    PeerProcess* peer = start_peer(1, {configured_router()});
    ASSERT_NE(peer, nullptr);
    PtySession& s = start();
    keep_addresses();
    ask(MODE_ALL, "3");
    ask(CHANGE_FW, "n");
    ask(CHANGE_PW, "n");
    ask(EXCLUSIVE, "n");
    ASSERT_TRUE(
        expect("  Router operating mode: DSS1 (international)\n"
               "! permanent connections: FV64S\n"
               "  Router firmware      : 2.10\n"));
    ask(SAVE, "y");
    ASSERT_TRUE(expect("Starting firmware download\n"));
    EXPECT_EQ(s.wait_exit(DOWNLOAD_WAIT_MS), 0) << s.err();
    EXPECT_TRUE(expect("100 %")) << s.err();
    EXPECT_TRUE(expect("\nReady\n")) << s.err();

    ASSERT_TRUE(peer->wait_event("r1", "restarted address=10.77.0.2"));
    // Counted as requests: a repeat sent before the acknowledgement came
    // back is the same one.
    auto reset = peer->requests(PeerLogLine::RX, CODE_RESET);
    auto request = peer->requests(PeerLogLine::RX, CODE_FW_REQUEST);
    ASSERT_EQ(reset.size(), 1u);
    ASSERT_FALSE(request.empty());
    std::string log = peer->log_text();
    EXPECT_LT(log.find(reset[0].raw), log.find(request[0].raw)) << "the reset goes first";
    EXPECT_TRUE(peer->datagrams(PeerLogLine::RX, CODE_ROUTER_DATA).empty());
    EXPECT_TRUE(peer->datagrams(PeerLogLine::RX, CODE_SET_PASSWORD).empty());

    std::vector<uint8_t> expected =
        patched_image({0x0A4D0002, 0xFFFFFF00, "0301234", 1, 0, "", 1, "2.10"});
    std::vector<uint8_t> got = peer->image("r1");
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_EQ(first_difference(got, expected), -1) << "only the router record is patched in";

    SimRouter now;
    ASSERT_TRUE(final_state(peer, &now)) << peer->error();
    EXPECT_EQ(now.permanent, 1);
    EXPECT_TRUE(now.lines.empty());
    EXPECT_TRUE(now.routes.empty());
    EXPECT_TRUE(now.filters.empty());
}

TEST_F(TermRouterconfig, SlowRouterWithoutConfigurationGetsItsImageWithoutReset)
{
    TERM_NETWORK_REQUIRE();
    both_families();
    SimRouter r = router(1);
    r.configured = false;
    PeerProcess* peer = start_peer(1, {r});
    ASSERT_NE(peer, nullptr);
    PtySession& s = start();
    ASSERT_TRUE(expect("Router name              : 0.0.0.0\n"));
    ask(NAME, "");
    ask(NAME, "0.0.0.0");
    ask(NAME, "10.77.0.20");
    ASSERT_TRUE(expect("Net mask                 : 255.255.0.0\n"));
    ask(NETMASK, "");
    ask(PHONE, "0305555");
    ASSERT_TRUE(expect("\nRouter operating mode  : DSS1 (international) / \n"));
    ask(MODE_ALL, "");
    ASSERT_TRUE(expect("Router firmware          : 2.10\n"));
    ask("New firmware  (1-2)     --> ", "2");
    ask(CHANGE_PW, "y");
    ask(NEW_PW, "start");
    ask(RETYPE_PW, "start");
    ask(EXCLUSIVE, "y");
    ASSERT_TRUE(expect("  Download required     : yes\n"));
    ask(SAVE, "y");
    EXPECT_EQ(s.wait_exit(DOWNLOAD_WAIT_MS), 0) << s.err();
    EXPECT_TRUE(expect("\nReady\n")) << s.err();

    ASSERT_TRUE(peer->wait_event("r1", "restarted address=10.77.0.20"));
    EXPECT_TRUE(peer->datagrams(PeerLogLine::RX, CODE_RESET).empty());
    EXPECT_TRUE(peer->datagrams(PeerLogLine::RX, CODE_SET_PASSWORD).empty())
        << "the image carries it";
    std::vector<uint8_t> expected =
        patched_image({0x0A4D0014, 0xFFFF0000, "0305555", 0, 0x0A4D0001, "start", 1, "3.00"});
    std::vector<uint8_t> got = peer->image("r1");
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_EQ(first_difference(got, expected), -1);

    SimRouter now;
    ASSERT_TRUE(final_state(peer, &now)) << peer->error();
    EXPECT_TRUE(now.configured);
    EXPECT_EQ(now.address, "10.77.0.20");
    EXPECT_EQ(now.password, "start");
    EXPECT_EQ(now.firmware, "3.00");
}

TEST_F(TermRouterconfig, SlowNewFirmwareKeepsTablesAndPassword)
{
    TERM_NETWORK_REQUIRE();
    both_families();
    SimRouter r = configured_router();
    r.password = "geheim";
    PeerProcess* peer = start_peer(1, {r});
    ASSERT_NE(peer, nullptr);
    PtySession& s = run({"routerconfig"});
    ask(SELECT, "1");
    ask(" Password --> ", "geheim");
    keep_addresses();
    ask(MODE_ALL, "");
    ask(CHANGE_FW, "y");
    ask("New firmware  (1-2)     --> ", "2");
    ask(CHANGE_PW, "n");
    ask(EXCLUSIVE, "n");
    ask(SAVE, "y");
    EXPECT_EQ(s.wait_exit(DOWNLOAD_WAIT_MS), 0) << s.err();
    ASSERT_TRUE(peer->wait_event("r1", "restarted address=10.77.0.2"));
    EXPECT_EQ(peer->requests(PeerLogLine::RX, CODE_RESET).size(), 1u);
    SimRouter now;
    ASSERT_TRUE(final_state(peer, &now)) << peer->error();
    EXPECT_EQ(now.firmware, "3.00");
    EXPECT_EQ(now.password, "geheim") << "no new password is no empty password";
    ASSERT_EQ(now.lines.size(), 2u) << "the tables as read travel in the image";
    EXPECT_EQ(now.lines[1].host, "10.1.1.2");
    EXPECT_EQ(now.routes.size(), 1u);
    EXPECT_EQ(now.filters.size(), 1u);
}

TEST_F(TermRouterconfig, SlowQuitWhileTheResetRouterIsLoadedSavesTheTables)
{
    TERM_NETWORK_REQUIRE();
    SaveFileLock lock;
    std::remove("/tmp/save.cfg");
    both_families();
    SimRouter r = configured_router();
    r.knobs = {"restart-delay 60000"};
    PeerProcess* peer = start_peer(1, {r});
    ASSERT_NE(peer, nullptr);
    PtySession& s = start();
    keep_addresses();
    ask(MODE_ALL, "");
    ask(CHANGE_FW, "y");
    ask("New firmware  (1-2)     --> ", "2");
    ask(CHANGE_PW, "n");
    ask(EXCLUSIVE, "n");
    ask(SAVE, "y");
    ASSERT_TRUE(peer->wait_event("r1", "firmware start", DOWNLOAD_WAIT_MS));
    // "quit" asks first whether to break the download off.
    ask("", "quit");
    ask("respond\nThe router is still being written. Break off anyway (y/n) --> ", "y");
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1) << s.err();
    EXPECT_EQ(s.err().substr(seen_),
              "The router may be left without configuration\n"
              "Configuration saved to file /tmp/save.cfg\n"
              "Abort...\n");
    std::string saved = term_read_file("/tmp/save.cfg");
    EXPECT_NE(saved.find("10.1.1.1"), std::string::npos) << saved;
    EXPECT_NE(saved.find("10.1.1.2"), std::string::npos) << saved;
    EXPECT_NE(saved.find("10.2.0.0"), std::string::npos) << saved;
    std::remove("/tmp/save.cfg");
}

}  // namespace
