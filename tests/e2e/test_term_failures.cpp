// The ways qorvel-ascii fails: start-up faults, routers that cannot be
// opened, a router that stops answering. Each ends with status 1 and its
// text on the right stream.
#include "test_term_fixture.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

namespace {

class TermFailures : public TermE2E {
protected:
    // Runs the program against a router that wants the password "geheim" and
    // waits for its prompt; null (with the reason reported) when either fails.
    PtySession* at_password_prompt(const std::vector<std::string>& args, bool german = false)
    {
        SimRouter r = router(1);
        r.password = "geheim";
        if (start_peer(1, {r}) == nullptr) {
            ADD_FAILURE() << "the simulated router did not start";
            return nullptr;
        }
        PtySession& s = run(args, german);
        if (!s.wait_for(PtySession::ERR, german ? " Passwort --> " : " Password --> ",
                        TERM_WAIT_MS)) {
            ADD_FAILURE() << "no password prompt: " << s.err();
            return nullptr;
        }
        return &s;
    }
};

TEST_F(TermFailures, FaultyProtocolFileIsEchoedOnStandardOutput)
{
    TERM_NETWORK_REQUIRE();
    term_write_file(path("qorvel.pro"), "# site protocols\n2:abc base=x25\n");
    PtySession& s = run({"rov"});
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
    EXPECT_EQ(s.out(),
              "2:abc base=x25\n"
              "______^\n"
              "syntax error in protocol file: line: 2 column: 7\n");
    EXPECT_EQ(s.err(), "");
}

// A faulty line is echoed as router text is shown: a title sequence, a
// screen clear or the bytes of a binary file planted in a data file never
// reach the terminal as they are, and the caret stands under the faulty
// column as shown. A file with CRLF line ends is read as with LF ones.
TEST_F(TermFailures, FaultyLinesReachTheTerminalEscaped)
{
    TERM_NETWORK_REQUIRE();
    using namespace std::string_literals;
    SimRouter r = router(1);
    r.lines = {term_x75_line(0, "10.1.0.1", "0721001")};
    ASSERT_NE(start_peer(1, {r}), nullptr);
    struct Case {
        const char* name;
        std::string protocols;  // "qorvel.pro"; empty: none
        std::string config;     // given to linetarget; empty: rov
        std::string out;
        std::string err;
    };
    const Case cases[] = {
        {"a title sequence in a definition", "# site\r\n2:\x1b]2;owned\x07\x1b[2J base=x25\r\n", "",
         "2:\\x1b]2;owned\\x07\\x1b[2J base=x25\n"
         "__________________________^\n"
         "syntax error in protocol file: line: 2 column: 18\n",
         ""},
        {"a binary file as definitions",
         "\x7f"
         "ELF\x02\x01\x01\0\0\x1b[H\n"s,
         "",
         "\\x7fELF\\x02\\x01\\x01\n___________________^\n"
         "syntax error in protocol file: line: 1 column: 8\n",
         ""},
        {"a screen clear in a configuration file", "2:myx75 base=x75 windowsize=3\r\n",
         "Line_Targets:\r\n"
         "10.1.0.2 0721 myx75 null 20 0 0 0 a\x1b[2J/b \x1b[H/\x1b]0;x/\x07\r\n"
         "Routing_Data:\r\nFilter_Data:\r\n",
         "10.1.0.2 0721 myx75 null 20 0 0 0 a\\x1b[2J/b \\x1b[H/\\x1b]0;x/\\x07\n" +
             std::string(45, '-') + "^\n",
         "Error (Wrong Password) during loading configuration. line 2 column 43\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(path("qorvel.pro").c_str());
        if (!c.protocols.empty())
            term_write_file(path("qorvel.pro"), c.protocols);
        std::vector<std::string> args = {"rov"};
        if (!c.config.empty()) {
            term_write_file(path("planted.cfg"), c.config);
            args = {"linetarget", "-f", path("planted.cfg"), "-ip", "10.77.0.2"};
        }
        PtySession& s = run(args);
        EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
        EXPECT_EQ(s.out(), c.out);
        EXPECT_EQ(s.err(), c.err);
        for (char ch : s.out() + s.err())
            EXPECT_TRUE(ch == '\n' || (ch >= 0x20 && ch < 0x7f)) << int(ch);
        session_.reset();
    }
}

TEST_F(TermFailures, FaultyProtocolFileGerman)
{
    TERM_NETWORK_REQUIRE();
    term_write_file(path("qorvel.pro"), "2:abc\n");
    PtySession& s = run({"rov"}, true);
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
    const std::string last = "Fehler beim Lesen der Protokoll Datei: Zeile: 1 Spalte: 6\n";
    ASSERT_GE(s.out().size(), last.size());
    EXPECT_EQ(s.out().substr(s.out().size() - last.size()), last);
}

TEST_F(TermFailures, ProtocolFileThatCannotBeReadEndsTheStart)
{
    ASSERT_EQ(mkdir(path("qorvel.pro").c_str(), 0755), 0);
    PtySession& s = run({"rov"}, false, false);
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
    EXPECT_EQ(s.out(), "syntax error in protocol file: line: 0 column: 0\n");
    EXPECT_EQ(s.err(), "");
}

// Data files that never end or never come: a definition file that is a link
// to /dev/zero or a FIFO is refused at once, one full of NULs is a fault at
// its first line, and a defaults file like them is not read (the protocol
// file's fault then shows that the start went on past it).
TEST_F(TermFailures, DataFilesThatNeverEndEndTheStartPromptly)
{
    struct Case {
        const char* name;
        const char* setup;  // shell commands in the data directory
        std::string out;
    };
    const Case cases[] = {
        {"definitions linked to /dev/zero", "ln -s /dev/zero qorvel.pro",
         "syntax error in protocol file: line: 0 column: 0\n"},
        {"definitions as a FIFO", "mkfifo qorvel.pro",
         "syntax error in protocol file: line: 0 column: 0\n"},
        {"definitions full of NULs", "head -c 1000000 /dev/zero > qorvel.pro",
         "^\nsyntax error in protocol file: line: 1 column: 1\n"},
        {"defaults linked to /dev/zero", "ln -s /dev/zero qorvel.def && mkdir qorvel.pro",
         "syntax error in protocol file: line: 0 column: 0\n"},
        {"defaults full of NULs", "head -c 1000000 /dev/zero > qorvel.def && mkdir qorvel.pro",
         "syntax error in protocol file: line: 0 column: 0\n"},
    };
    for (const Case& c : cases) {
        std::string setup = "cd '" + dir_ + "' && rm -rf qorvel.pro qorvel.def && " + c.setup;
        ASSERT_EQ(system(setup.c_str()), 0) << c.name;
        PtySession& s = run({"rov"}, false, false);
        EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1) << c.name;
        EXPECT_EQ(s.out(), c.out) << c.name;
        EXPECT_EQ(s.err(), "") << c.name;
        session_.reset();
    }
}

TEST_F(TermFailures, PortInUse)
{
    TERM_NETWORK_REQUIRE();
    int taken = -1;
    {
        auto inside = net().enter(net().workstation());
        ASSERT_TRUE(inside.ok());
        taken = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_port = htons(TEST_NET_PORT);
        ASSERT_EQ(bind(taken, reinterpret_cast<sockaddr*>(&any), sizeof any), 0);
    }
    PtySession& s = run({"rov"});
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
    EXPECT_EQ(s.err(), "Error: Port in use. Can not connect to Router\n");
    EXPECT_EQ(s.out(), "");
    close(taken);
}

TEST_F(TermFailures, BroadcastAddressIsNoRouter)
{
    TERM_NETWORK_REQUIRE();
    ASSERT_NE(start_peer(1, {router(1)}), nullptr);
    PtySession& s = run({"accounting", "-ip", "10.77.0.255"});
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
    EXPECT_EQ(s.err(), "Error: router 10.77.0.255 has not been configured\n");
}

TEST_F(TermFailures, RouterHeldByAnotherStationRefusesTheOpen)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r = router(1);
    r.holder = "10.77.0.9";
    ASSERT_NE(start_peer(1, {r}), nullptr);
    PtySession& s = run({"saveconfig", "-f", path("out.cfg"), "-ip", "10.77.0.2"});
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
    EXPECT_EQ(s.err(), "Router is already connected to station 10.77.0.9\n");
    EXPECT_FALSE(std::ifstream(path("out.cfg")).good());
}

TEST_F(TermFailures, WrongPasswordIsRefusedAndNotEchoed)
{
    TERM_NETWORK_REQUIRE();
    PtySession* prompt = at_password_prompt({"accounting", "-ip", "10.77.0.2"}, true);
    ASSERT_NE(prompt, nullptr);
    PtySession& s = *prompt;
    EXPECT_EQ(s.echo_on(), 0);
    s.type("falsch");
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
    EXPECT_EQ(s.err(),
              "Router verlangt ein Passwort\n"
              " Passwort --> \n"
              "ungueltiges Passwort  Router kann nicht geoeffnet werden\n");
    EXPECT_EQ(s.tty().find("falsch"), std::string::npos);
    EXPECT_EQ(s.echo_on(), 1);
}

TEST_F(TermFailures, OverlongPasswordIsAskedAgainAndQuitRestoresTheEcho)
{
    TERM_NETWORK_REQUIRE();
    PtySession* prompt = at_password_prompt({"linemonitor", "-ip", "10.77.0.2"});
    ASSERT_NE(prompt, nullptr);
    PtySession& s = *prompt;
    s.type("abcdefghijk");
    ASSERT_TRUE(s.wait_for(PtySession::ERR, "Max. 10 characters\n Password --> ", TERM_WAIT_MS))
        << s.err();
    EXPECT_EQ(s.echo_on(), 0);
    s.type("quit");
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0);
    EXPECT_EQ(s.echo_on(), 1);
    EXPECT_EQ(
        s.err(),
        "This Router requires a password\n Password --> \nMax. 10 characters\n Password --> \n")
        << "the line end that the hidden Enter did not show";
}

TEST_F(TermFailures, SignalAtThePasswordPromptRestoresTheEcho)
{
    TERM_NETWORK_REQUIRE();
    PtySession* prompt = at_password_prompt({"accounting", "-ip", "10.77.0.2"});
    ASSERT_NE(prompt, nullptr);
    PtySession& s = *prompt;
    EXPECT_EQ(s.echo_on(), 0);
    s.signal(SIGTERM);
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 128 + SIGTERM);
    EXPECT_EQ(s.echo_on(), 1);
}

TEST_F(TermFailures, EndOfInputEndsTheRunAndRestoresTheEcho)
{
    TERM_NETWORK_REQUIRE();
    PtySession* prompt = at_password_prompt({"accounting", "-ip", "10.77.0.2"});
    ASSERT_NE(prompt, nullptr);
    PtySession& s = *prompt;
    s.keys("\x04");
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0);
    EXPECT_EQ(s.echo_on(), 1);
}

TEST_F(TermFailures, HangUpEndsTheRun)
{
    TERM_NETWORK_REQUIRE();
    ASSERT_NE(start_peer(1, {router(1)}), nullptr);
    PtySession& s = run({"accounting"});
    ASSERT_TRUE(s.wait_for(PtySession::ERR, "Select router ( 1 - 1 ) --> ", TERM_WAIT_MS))
        << s.err();
    s.hang_up();
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 128 + SIGHUP);
}

TEST_F(TermFailures, NoRouterFoundBySelection)
{
    TERM_NETWORK_REQUIRE();
    PtySession& s = run({"accounting"});
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
    EXPECT_EQ(s.err(), "Router list\n-----------\n\nCan not find any router. Exit program.\n");
    EXPECT_EQ(s.out(), "");
}

}  // namespace
