// The terminal program ended or stopped from outside, end to end: a signal
// or a confirmed "quit" in the middle of a write ends the run as a failure
// of the router does (the message, the emergency copy, the close request,
// a status that is not 0); a line monitor ended by a signal or a closed pipe
// stops the monitor and closes the router; a hidden prompt stays hidden
// across a stop; a stop in the middle of a write costs nothing; reports that
// cannot be written fail the run; the dialogue's over-long answers.
#include "test_term_fixture.h"

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include "firmware_fixture.h"

namespace {

constexpr int CODE_CLOSE = 0x1003;
constexpr int CODE_PUT_ENTRY = 0x1017;
constexpr int CODE_LINEMON_STOP = 0x1016;
constexpr int CODE_FW_DATA = 0x0002;
constexpr int DOWNLOAD_WAIT_MS = 60000;  // reset, scans every fourth tick, chunks

class TermInterrupts : public TermE2E {
protected:
    // Router 1 with two line targets and a route of its own.
    SimRouter router_with_tables()
    {
        SimRouter r = router(1);
        r.phone = "0301234";
        r.isdn = 1;
        r.firmware = "2.10";
        r.lines = {term_x75_line(0, "10.1.0.1", "0721001"),
                   term_x75_line(1, "10.1.0.2", "0721002")};
        r.routes = {sim_route(0, "255.255.255.0", "10.21.0.0", "10.1.0.1")};
        r.filters = {sim_filter(0, "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 0, 1, 0)};
        return r;
    }

    // A file of 30 line targets 10.5.0.1 to 10.5.0.30 and one route.
    std::string full_lines_file()
    {
        std::string text = "Line_Targets:\n";
        for (int i = 1; i <= 30; ++i)
            text += "10.5.0." + std::to_string(i) + " 07215" + std::to_string(100 + i) +
                    " x75 null 20 0 0 0\n";
        text +=
            "Routing_Data:\n"
            "255.255.255.0   10.6.0.0        10.5.0.1\n"
            "Filter_Data:\n"
            "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all 1\n";
        term_write_file(path("full.cfg"), text);
        return path("full.cfg");
    }

    // Waits until the router has taken `n` requests with `code`.
    static bool wait_requests(PeerProcess* peer, int code, size_t n, int timeout_ms)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (peer->requests(PeerLogLine::RX, code).size() < n) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    // The router's state once the peer has ended.
    static SimRouter final_state(PeerProcess* peer)
    {
        peer->stop();
        SimRouter now;
        EXPECT_TRUE(peer->router("r1", &now)) << peer->error();
        return now;
    }

    static std::vector<std::string> hosts(const SimRouter& r)
    {
        std::vector<std::string> out;
        for (const SimLine& l : r.lines)
            out.push_back(l.host);
        return out;
    }

    // The hosts a new, empty router holds after linetarget loaded `file`.
    std::vector<std::string> loaded_into_empty_router(const std::string& file)
    {
        peers_.clear();
        PeerProcess* peer = start_peer(1, {router(1)});
        if (peer == nullptr)
            return {"no router"};
        PtySession& s = run({"linetarget", "-f", file, "-ip", "10.77.0.2"});
        EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0) << file << ": " << s.err();
        return hosts(final_state(peer));
    }

    // Waits for `text` on standard error after `*seen`, and moves `*seen`
    // past it.
    bool wait_err(const std::string& text, size_t* seen, int timeout_ms = TERM_WAIT_MS)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        for (;;) {
            session_->pump();
            size_t at = session_->err().find(text, *seen);
            if (at != std::string::npos) {
                *seen = at + text.size();
                return true;
            }
            if (std::chrono::steady_clock::now() > deadline || !session_->running())
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    bool echo_becomes(int state)
    {
        for (int i = 0; i < 300; ++i) {
            if (session_->echo_on() == state)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
};

// How a case ends the run: a signal, or "quit" and the answer to the
// question that follows it.
struct Ending {
    const char* name;
    int sig;             // 0: "quit" is typed
    const char* answer;  // the answer to the break-off question
};

// linetarget writes 30 line targets over a router that answers each put in
// 0.1 s; the run is ended after five puts.
TEST_F(TermInterrupts, EndingDuringATableWriteSaysSoSavesTheTablesReadAndClosesTheRouter)
{
    TERM_NETWORK_REQUIRE();
    const struct {
        Ending ending;
        bool german;
        int status;
        const char* err;
    } cases[] = {
        {{"SIGINT", SIGINT, nullptr},
         false,
         128 + SIGINT,
         "Interrupted by SIGINT\n"
         "The router's tables may be partly written\n"
         "The tables read before the write were saved to file /tmp/save.cfg\n"
         "Abort...\n"},
        {{"SIGTERM", SIGTERM, nullptr},
         true,
         128 + SIGTERM,
         "Unterbrochen durch SIGTERM\n"
         "Die Tabellen im Router sind moeglicherweise nur teilweise geschrieben\n"
         "Die vor dem Schreiben gelesenen Tabellen wurden in der Datei /tmp/save.cfg gesichert\n"
         "Programm wird abgebrochen...\n"},
        {{"SIGHUP", SIGHUP, nullptr},
         false,
         128 + SIGHUP,
         "Interrupted by SIGHUP\n"
         "The router's tables may be partly written\n"
         "The tables read before the write were saved to file /tmp/save.cfg\n"
         "Abort...\n"},
        {{"quit, then yes", 0, "y"},
         false,
         1,
         "The router is still being written. Break off anyway (y/n) --> "
         "The router's tables may be partly written\n"
         "The tables read before the write were saved to file /tmp/save.cfg\n"
         "Abort...\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ending.name);
        SaveFileLock lock;
        std::remove(EMERGENCY_COPY);
        peers_.clear();
        SimRouter r = router_with_tables();
        r.knobs = {"ack-delay 100"};
        PeerProcess* peer = start_peer(1, {r});
        ASSERT_NE(peer, nullptr);
        PtySession& s = run({"linetarget", "-f", full_lines_file(), "-ip", "10.77.0.2"}, c.german);
        ASSERT_TRUE(wait_requests(peer, CODE_PUT_ENTRY, 5, TERM_WAIT_MS)) << s.err();
        if (c.ending.sig != 0) {
            s.signal(c.ending.sig);
        } else {
            size_t seen = 0;
            s.type("quit");
            ASSERT_TRUE(wait_err("(y/n) --> ", &seen)) << s.err();
            s.type(c.ending.answer);
        }
        EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), c.status) << s.err();
        EXPECT_EQ(s.err(), c.err);
        EXPECT_TRUE(peer->wait_event("r1", "closed station=10.77.0.1"))
            << "the close request ends the registration";
        SimRouter now = final_state(peer);
        ASSERT_FALSE(now.lines.empty());
        EXPECT_EQ(now.lines[0].host, "10.5.0.1") << "the write had begun";
        EXPECT_LT(now.lines.size(), 30u) << "and not finished: the tables are partly written";
        EXPECT_EQ(loaded_into_empty_router(EMERGENCY_COPY),
                  (std::vector<std::string>{"10.1.0.1", "10.1.0.2"}))
            << "the copy holds the router's tables as read";
        std::remove(EMERGENCY_COPY);
    }
}

// "quit" during a write, then no: the write goes on to its end.
TEST_F(TermInterrupts, QuitDuringATableWriteThenNoLetsTheWriteFinish)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r = router_with_tables();
    r.knobs = {"ack-delay 50"};
    PeerProcess* peer = start_peer(1, {r});
    ASSERT_NE(peer, nullptr);
    PtySession& s = run({"linetarget", "-f", full_lines_file(), "-ip", "10.77.0.2"});
    ASSERT_TRUE(wait_requests(peer, CODE_PUT_ENTRY, 3, TERM_WAIT_MS)) << s.err();
    size_t seen = 0;
    s.type("quit");
    ASSERT_TRUE(wait_err("(y/n) --> ", &seen)) << s.err();
    s.type("n");
    EXPECT_EQ(s.wait_exit(30000), 0) << s.err();
    EXPECT_EQ(s.err(), "The router is still being written. Break off anyway (y/n) --> ");
    SimRouter now = final_state(peer);
    ASSERT_EQ(now.lines.size(), 30u);
    EXPECT_EQ(now.lines[29].host, "10.5.0.30");
}

// routerconfig loads new firmware into a router with tables: the router is
// reset, then the image is sent in chunks the router acknowledges slowly.
// The run is ended in the middle of the chunks.
TEST_F(TermInterrupts, EndingDuringADownloadSaysTheRouterMayHaveNoConfigurationAndSavesIt)
{
    TERM_NETWORK_REQUIRE();
    const struct {
        int sig;
        bool german;
        const char* err;
    } cases[] = {
        {SIGINT, false,
         "Interrupted by SIGINT\n"
         "The router may be left without configuration\n"
         "Configuration saved to file /tmp/save.cfg\n"
         "Abort...\n"},
        {SIGTERM, true,
         "Unterbrochen durch SIGTERM\n"
         "Der Router ist moeglicherweise ohne Konfiguration\n"
         "Konfiguration in der Datei /tmp/save.cfg gesichert\n"
         "Programm wird abgebrochen...\n"},
        {SIGHUP, false,
         "Interrupted by SIGHUP\n"
         "The router may be left without configuration\n"
         "Configuration saved to file /tmp/save.cfg\n"
         "Abort...\n"},
    };
    ASSERT_NE(firmware_fixture_write(dir_, 1, "2.10"), "");
    ASSERT_NE(firmware_fixture_write(dir_, 1, "3.00"), "");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sig);
        SaveFileLock lock;
        std::remove(EMERGENCY_COPY);
        peers_.clear();
        SimRouter r = router_with_tables();
        r.knobs = {"ack-delay 20"};
        PeerProcess* peer = start_peer(1, {r});
        ASSERT_NE(peer, nullptr);
        PtySession& s = run({"routerconfig"}, c.german);
        const bool g = c.german;
        size_t seen = 0;
        for (const auto& qa : std::vector<std::pair<std::string, std::string>>{
                 {"( 1 - 1 ) --> ", "1"},
                 {g ? "neuer Routername         --> " : "New router name          --> ", ""},
                 {g ? "neue Netzmaske           --> " : "New net mask             --> ", ""},
                 {g ? "neue Telefonnummer       --> " : "New phone number         --> ", ""},
                 {"(2,3,4,5)", ""},
                 {g ? "Firmware aendern (j/n)   --> " : "Change firmware  (y/n)   --> ",
                  g ? "j" : "y"},
                 {g ? "neue Firmware (1-2)     --> " : "New firmware  (1-2)     --> ", "2"},
                 {g ? "Passwort aendern (j/n)   --> " : "Change password  (y/n)   --> ", "n"},
                 {g ? "zu konfigurieren (j/n) --> " : "by this host   (y/n)     --> ", "n"},
                 {g ? "Konfiguration speichern (j/n)   --> "
                    : "Save configuration (y/n)        --> ",
                  g ? "j" : "y"},
             }) {
            ASSERT_TRUE(wait_err(qa.first, &seen)) << "no \"" << qa.first << "\" in " << s.err();
            s.type(qa.second);
        }
        ASSERT_TRUE(wait_requests(peer, CODE_FW_DATA, 20, DOWNLOAD_WAIT_MS)) << s.err();
        size_t before = s.err().size();
        s.signal(c.sig);
        EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 128 + c.sig) << s.err();
        std::string tail = s.err().substr(before);
        // The progress stands on a line of its own: the messages start a new one.
        ASSERT_NE(tail.find(" %\n"), std::string::npos) << tail;
        EXPECT_EQ(tail.substr(tail.find(" %\n") + 3), c.err);
        EXPECT_TRUE(peer->wait_log([](const PeerLogLine& l) {
            return l.kind == PeerLogLine::RX && l.code == CODE_CLOSE;
        })) << "the close request reached the router";
        SimRouter now = final_state(peer);
        EXPECT_FALSE(now.configured) << "the router was reset and holds no configuration";
        EXPECT_TRUE(now.lines.empty());
        EXPECT_EQ(loaded_into_empty_router(EMERGENCY_COPY),
                  (std::vector<std::string>{"10.1.0.1", "10.1.0.2"}))
            << "the copy holds the router's tables as read";
        std::remove(EMERGENCY_COPY);
    }
}

// A line monitor ended by a signal or by its reader going away: the router
// is told to stop it and then closed.
TEST_F(TermInterrupts, LineMonitorEndedFromOutsideStopsTheMonitorAndClosesTheRouter)
{
    TERM_NETWORK_REQUIRE();
    const struct {
        const char* name;
        int sig;  // 0: the reader of standard output goes away
        int status;
    } cases[] = {
        {"SIGTERM", SIGTERM, 128 + SIGTERM},
        {"SIGHUP", SIGHUP, 128 + SIGHUP},
        {"closed pipe", 0, 128 + SIGPIPE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        peers_.clear();
        SimRouter r = router(1);
        r.lines.push_back(term_x75_line(0, "10.1.0.1", "0721"));
        r.knobs = {"linemon-interval 200"};
        PeerProcess* peer = start_peer(1, {r});
        ASSERT_NE(peer, nullptr);
        PtySession& s = run({"linemonitor", "-ip", "10.77.0.2"});
        ASSERT_TRUE(s.wait_for(PtySession::OUT, "Changes    : 2\n", TERM_WAIT_MS)) << s.err();
        if (c.sig != 0)
            s.signal(c.sig);
        else
            s.close_out();
        EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), c.status) << s.err();
        EXPECT_EQ(s.err().find("rror"), std::string::npos) << s.err();
        ASSERT_TRUE(peer->wait_event("r1", "closed station=10.77.0.1"));
        std::vector<PeerLogLine> stops = peer->requests(PeerLogLine::RX, CODE_LINEMON_STOP);
        std::vector<PeerLogLine> closes = peer->datagrams(PeerLogLine::RX, CODE_CLOSE);
        ASSERT_EQ(stops.size(), 1u);
        ASSERT_EQ(closes.size(), 1u);
        std::string log = peer->log_text();
        EXPECT_LT(log.find(stops[0].raw), log.find(closes[0].raw)) << "stop, then close";
    }
}

// The open's password prompt, stopped and continued: a job-control shell
// switches the echo on while the job is stopped; after the continue the
// typing is hidden again and the prompt shown anew.
TEST_F(TermInterrupts, HiddenPromptIsHiddenAgainAfterAStop)
{
    TERM_NETWORK_REQUIRE();
    const struct {
        const char* name;
        int stop;
    } cases[] = {
        {"Ctrl-Z (SIGTSTP)", SIGTSTP},
        {"SIGSTOP", SIGSTOP},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        peers_.clear();
        SimRouter r = router(1);
        r.password = "geheim";
        r.lines.push_back(term_x75_line(0, "10.1.0.1", "0721"));
        PeerProcess* peer = start_peer(1, {r});
        ASSERT_NE(peer, nullptr);
        PtySession& s = run({"accounting", "-ip", "10.77.0.2"});
        size_t seen = 0;
        ASSERT_TRUE(wait_err(" Password --> ", &seen)) << s.err();
        ASSERT_TRUE(echo_becomes(0));
        s.signal(c.stop);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ASSERT_TRUE(s.set_echo(true)) << "the shell takes the terminal back";
        s.signal(SIGCONT);
        ASSERT_TRUE(wait_err("\n Password --> ", &seen)) << "the prompt anew: " << s.err();
        EXPECT_TRUE(echo_becomes(0)) << "the typing is hidden again";
        s.type("geheim");
        EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0) << s.err();
        EXPECT_EQ(s.tty().find("geheim"), std::string::npos) << "the password was not shown";
        EXPECT_NE(s.out().find("Router        10.1.0.1\n"), std::string::npos) << s.out();
        EXPECT_EQ(s.echo_on(), 1);
    }
}

// "quit" or the end of input at a hidden prompt: the line end the hidden
// Enter did not show comes before the shell's prompt.
TEST_F(TermInterrupts, QuitAtAHiddenPromptEndsItsLine)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r = router(1);
    r.password = "geheim";
    ASSERT_NE(start_peer(1, {r}), nullptr);
    for (const char* keys : {"quit\r", "\x04"}) {
        SCOPED_TRACE(keys[0] == 'q' ? "quit" : "Ctrl-D");
        PtySession& s = run({"accounting", "-ip", "10.77.0.2"});
        size_t seen = 0;
        ASSERT_TRUE(wait_err(" Password --> ", &seen)) << s.err();
        ASSERT_TRUE(echo_becomes(0));
        s.keys(keys);
        EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0) << s.err();
        EXPECT_EQ(s.err(), "This Router requires a password\n Password --> \n");
        EXPECT_EQ(s.echo_on(), 1);
    }
}

// A stop of 13 s (longer than the 12 ticks after which an unacknowledged
// request is given up) in the middle of a write: the time stopped does not
// count, and the write completes with exactly the file's tables.
TEST_F(TermInterrupts, SlowStopInTheMiddleOfAWriteCompletesIt)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r = router_with_tables();
    r.knobs = {"ack-delay 100"};
    PeerProcess* peer = start_peer(1, {r});
    ASSERT_NE(peer, nullptr);
    PtySession& s = run({"linetarget", "-f", full_lines_file(), "-ip", "10.77.0.2"});
    ASSERT_TRUE(wait_requests(peer, CODE_PUT_ENTRY, 5, TERM_WAIT_MS)) << s.err();
    s.signal(SIGSTOP);
    std::this_thread::sleep_for(std::chrono::seconds(13));
    s.signal(SIGCONT);
    EXPECT_EQ(s.wait_exit(30000), 0) << s.err();
    EXPECT_EQ(s.err(), "");
    SimRouter now = final_state(peer);
    std::vector<std::string> expected;
    for (int i = 1; i <= 30; ++i)
        expected.push_back("10.5.0." + std::to_string(i));
    EXPECT_EQ(hosts(now), expected);
    ASSERT_EQ(now.routes.size(), 1u);
    EXPECT_EQ(now.routes[0].match, "10.6.0.0");
}

// Reports into a full device or a closed standard output: a message and
// status 1, and the router is closed as always.
TEST_F(TermInterrupts, ReportsThatCannotBeWrittenFailTheRun)
{
    TERM_NETWORK_REQUIRE();
    const struct {
        const char* shell;  // the program's arguments and redirection
        bool german;
        const char* err;
    } cases[] = {
        {"rov > /dev/full", false, "Error: can not write file /dev/stdout\n"},
        {"accounting -ip 10.77.0.2 > /dev/full", true,
         "Fehler: Datei /dev/stdout kann nicht geschrieben werden\n"},
        {"accounting -ip 10.77.0.2 >&-", false, "Error: can not write file /dev/stdout\n"},
        {"linemonitor -ip 10.77.0.2 > /dev/full", false, "Error: can not write file /dev/stdout\n"},
    };
    SimRouter r = router(1);
    r.lines.push_back(term_x75_line(0, "10.1.0.1", "0721"));
    r.knobs = {"linemon-interval 200"};
    PeerProcess* peer = start_peer(1, {r});
    ASSERT_NE(peer, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shell);
        size_t closes = peer->datagrams(PeerLogLine::RX, CODE_CLOSE).size();
        PtySession& s = run_argv(
            {"/bin/sh", "-c", std::string("exec '") + TERM_PROGRAM + "' " + c.shell}, c.german);
        EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1) << s.err();
        const std::string err = s.err();
        ASSERT_GE(err.size(), std::string(c.err).size()) << err;
        EXPECT_EQ(err.substr(err.size() - std::string(c.err).size()), c.err) << err;
        if (std::string(c.shell).rfind("rov", 0) != 0) {
            EXPECT_TRUE(peer->wait_log(
                [&](const PeerLogLine&) {
                    return peer->datagrams(PeerLogLine::RX, CODE_CLOSE).size() > closes;
                },
                TERM_WAIT_MS))
                << "the router was closed";
        }
    }
}

// The screen is cleared only for a terminal whose type is known: without
// TERM nothing complains.
TEST_F(TermInterrupts, ScreenIsClearedOnlyForAKnownTerminal)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r = router(1);
    r.lines.push_back(term_x75_line(0, "10.1.0.1", "0721"));
    r.knobs = {"linemon-interval 200"};
    ASSERT_NE(start_peer(1, {r}), nullptr);
    const struct {
        const char* term;  // "TERM" unsets it
        bool cleared;
    } cases[] = {{"TERM", false}, {"TERM=", false}, {"TERM=xterm", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.term);
        // Standard output on the terminal, where the screens are cleared.
        PtySession& s = run_argv(
            {"/bin/sh", "-c",
             std::string("exec '") + TERM_PROGRAM + "' linemonitor -ip 10.77.0.2 > /dev/tty"},
            false, true, {c.term});
        ASSERT_TRUE(s.wait_for(PtySession::TTY, "Changes    : 2", TERM_WAIT_MS)) << s.tty();
        s.type("quit");
        EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0) << s.err();
        EXPECT_EQ(s.err().find("TERM"), std::string::npos) << s.err();
        EXPECT_EQ(s.tty().find("\033[2J") != std::string::npos, c.cleared) << s.tty();
    }
}

// Over-long answers of the router-settings dialogue: a name is refused with
// a word (cut, it would name another host); a telephone number is cut to
// the 20 digits the router holds, and the summary shows the cut number.
TEST_F(TermInterrupts, DialogueCutsALongNumberAndRefusesALongName)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r = router_with_tables();
    ASSERT_NE(start_peer(1, {r}), nullptr);
    PtySession& s = run({"routerconfig"});
    size_t seen = 0;
    for (const auto& qa : std::vector<std::pair<std::string, std::string>>{
             {"( 1 - 1 ) --> ", "1"},
             {"New router name          --> ", "a-name-of-twenty-one-"},
             {"Max. 20 characters\nNew router name          --> ", ""},
             {"New net mask             --> ", ""},
             {"New phone number         --> ", "1234567890123456789012345"},
             {"Change password  (y/n)   --> ", "n"},
             {"by this host   (y/n)     --> ", "n"},
         }) {
        ASSERT_TRUE(wait_err(qa.first, &seen)) << "no \"" << qa.first << "\" in " << s.err();
        s.type(qa.second);
    }
    ASSERT_TRUE(wait_err("! Router phone number  : 12345678901234567890\n", &seen)) << s.err();
    ASSERT_TRUE(wait_err("Save configuration (y/n)        --> ", &seen)) << s.err();
    s.type("n");
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0) << s.err();
}

}  // namespace
