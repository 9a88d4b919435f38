// The sub-commands that read a router's tables: saveconfig, linetarget,
// accounting and linemonitor, with -ip and through the router list.
#include "test_term_fixture.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include <unistd.h>

namespace {

class TermTables : public TermE2E {};

constexpr int CODE_PUT_ENTRY = 0x1017;  // a put or delete of one table entry

// The data lines of each section of a configuration file (comments and
// empty lines left out).
struct Sections {
    std::vector<std::string> lines, routes, filters;
};

Sections sections_of(const std::string& text)
{
    Sections s;
    std::vector<std::string>* into = nullptr;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        if (line.rfind("Line_Targets:", 0) == 0)
            into = &s.lines;
        else if (line.rfind("Routing_Data:", 0) == 0)
            into = &s.routes;
        else if (line.rfind("Filter_Data:", 0) == 0)
            into = &s.filters;
        else if (into != nullptr)
            into->push_back(line);
    }
    return s;
}

// The first word of a line and the words after it.
std::vector<std::string> words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> out;
    std::string w;
    while (in >> w)
        out.push_back(w);
    return out;
}

// Full tables: 30 line targets, 64 routes, 63 rules and the default rule.
SimRouter full_router(SimRouter r)
{
    for (int i = 0; i < 30; ++i)
        r.lines.push_back(
            term_x75_line(i, "10.1.0." + std::to_string(i + 1), "0721" + std::to_string(100 + i)));
    for (int i = 0; i < 64; ++i)
        r.routes.push_back(
            sim_route(i, "255.255.255.0", "10.2." + std::to_string(i) + ".0", "10.1.0.1"));
    for (int i = 0; i < 63; ++i)
        r.filters.push_back(sim_filter(i, "0.0.0.0", "0.0.0.0", "255.255.255.0",
                                       "10.3." + std::to_string(i) + ".0", 6, i % 2, 1000 + i));
    r.filters.push_back(sim_filter(63, "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 0, 1, 0));
    return r;
}

TEST_F(TermTables, SaveconfigWithPasswordWritesFullTables)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r = full_router(router(1));
    r.password = "geheim";
    r.phone = "0721999";
    ASSERT_NE(start_peer(1, {r}), nullptr);
    PtySession& s = run({"saveconfig", "-f", path("saved.cfg"), "-ip", "10.77.0.2"});
    ASSERT_TRUE(s.wait_for(PtySession::ERR, " Password --> ", TERM_WAIT_MS)) << s.err();
    s.type("geheim");
    EXPECT_EQ(s.wait_exit(30000), 0) << s.err();
    EXPECT_EQ(s.err(), "This Router requires a password\n Password --> \n");
    EXPECT_EQ(s.out(), "");
    EXPECT_EQ(s.tty().find("geheim"), std::string::npos);

    std::string file = term_read_file(path("saved.cfg"));
    EXPECT_NE(file.find("# Router Name / IP-Address: 10.77.0.2\n"), std::string::npos);
    EXPECT_NE(file.find("# Router Telephone Number : 0721999\n"), std::string::npos);
    Sections t = sections_of(file);
    ASSERT_EQ(t.lines.size(), 30u);
    ASSERT_EQ(t.routes.size(), 64u);
    ASSERT_EQ(t.filters.size(), 64u);
    for (int i = 0; i < 30; ++i) {
        std::vector<std::string> w = words(t.lines[i]);
        ASSERT_GE(w.size(), 8u);
        EXPECT_EQ(w[0], "10.1.0." + std::to_string(i + 1));
        EXPECT_EQ(w[1], "0721" + std::to_string(100 + i));
        EXPECT_EQ(w[2], "x75");
        EXPECT_EQ(w[3], "null");
    }
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(words(t.routes[i]),
                  (std::vector<std::string>{"255.255.255.0", "10.2." + std::to_string(i) + ".0",
                                            "10.1.0.1"}));
    EXPECT_EQ(words(t.filters[63]),
              (std::vector<std::string>{"0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", "all", "1"}));
}

// Line targets as a router may hold them but a person would not type them:
// no telephone number, identifications with blanks, with a second "/", or
// of 40 characters without any "/". The saved file loads back to the same
// entries: writing it into the router changes nothing.
TEST_F(TermTables, SaveconfigOfUnusualLineTargetsLoadsBack)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r = router(1);
    SimLine no_phone = term_x75_line(0, "10.1.0.1", "");
    no_phone.send = std::string("kelp\0mars", 9);
    SimLine blanks = term_x75_line(1, "10.1.0.2", "0721002");
    blanks.send = std::string("my name\0my secret", 17);
    blanks.receive = std::string("a/b\0c%d", 8);
    SimLine full = term_x75_line(2, "10.1.0.3", "0721003");
    full.send = std::string(40, 'n');
    full.receive = std::string(40, 'r');
    r.lines = {no_phone, blanks, full};
    r.filters = {sim_filter(0, "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 0, 1, 0)};
    PeerProcess* peer = start_peer(1, {r});
    ASSERT_NE(peer, nullptr);
    PtySession& save = run({"saveconfig", "-f", path("saved.cfg"), "-ip", "10.77.0.2"});
    ASSERT_EQ(save.wait_exit(TERM_WAIT_MS), 0) << save.err();
    Sections t = sections_of(term_read_file(path("saved.cfg")));
    ASSERT_EQ(t.lines.size(), 3u);

    PtySession& load = run({"linetarget", "-f", path("saved.cfg"), "-ip", "10.77.0.2"});
    EXPECT_EQ(load.wait_exit(TERM_WAIT_MS), 0) << load.err();
    EXPECT_EQ(load.err(), "");
    EXPECT_EQ(load.out(), "");
    EXPECT_TRUE(peer->datagrams(PeerLogLine::RX, CODE_PUT_ENTRY).empty())
        << term_read_file(path("saved.cfg"));
    peer->stop();
    SimRouter now;
    ASSERT_TRUE(peer->router("r1", &now)) << peer->error();
    ASSERT_EQ(now.lines.size(), 3u);
    EXPECT_EQ(now.lines[0].phone, "");
    EXPECT_EQ(now.lines[1].send, std::string("my name\0my secret", 17));
    EXPECT_EQ(now.lines[2].receive, std::string(40, 'r'));
}

TEST_F(TermTables, SaveconfigThatCannotWriteFails)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r = router(1);
    r.lines.push_back(term_x75_line(0, "10.1.0.1", "0721"));
    ASSERT_NE(start_peer(1, {r}), nullptr);
    PtySession& s = run({"saveconfig", "-f", path("missing/saved.cfg"), "-ip", "10.77.0.2"});
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
    EXPECT_EQ(s.err(), "Error: can not write file " + path("missing/saved.cfg") + "\n");
}

TEST_F(TermTables, SelectionWithoutIpOpensTheChosenRouter)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r1 = router(1);
    SimRouter r2 = router(2);
    r2.lines.push_back(term_x75_line(0, "10.4.0.1", "0721444"));
    ASSERT_NE(start_peer(1, {r1}), nullptr);
    ASSERT_NE(start_peer(2, {r2}), nullptr);
    PtySession& s = run({"saveconfig", "-f", path("chosen.cfg")});
    ASSERT_TRUE(s.wait_for(PtySession::ERR, "Select router ( 1 - 2 ) --> ", TERM_WAIT_MS))
        << s.err();
    const std::string& err = s.err();
    EXPECT_EQ(err.rfind("Router list\n-----------\n\n", 0), 0u) << err;
    size_t at = err.find("00-a0-f9-00-00-02     10.77.0.3\n");
    ASSERT_NE(at, std::string::npos) << err;
    ASSERT_NE(err.find("00-a0-f9-00-00-01     10.77.0.2\n"), std::string::npos) << err;
    // "  %2d -> " in front of the hardware address.
    std::string number = words(err.substr(at - 8, 8))[0];
    s.type("x");
    s.type("7");
    s.type(number + " please");
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0) << s.err();
    Sections t = sections_of(term_read_file(path("chosen.cfg")));
    ASSERT_EQ(t.lines.size(), 1u);
    EXPECT_EQ(words(t.lines[0])[0], "10.4.0.1");
}

TEST_F(TermTables, LinetargetWritesTheFilesTablesIntoTheRouter)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r = router(1);
    r.lines = {term_x75_line(0, "10.1.0.1", "0721001"), term_x75_line(1, "10.1.0.2", "0721002"),
               term_x75_line(2, "10.1.0.3", "0721003")};
    r.routes = {sim_route(0, "255.255.0.0", "10.8.0.0", "10.1.0.1"),
                sim_route(1, "255.255.255.0", "10.9.0.0", "10.1.0.2")};
    r.filters = {sim_filter(0, "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 0, 0, 0)};
    ASSERT_NE(start_peer(1, {r}), nullptr);
    term_write_file(
        path("new.cfg"),
        "# tables for r1\n"
        "Line_Targets:\n"
        "10.1.0.2             0721002              x75         null        20    0 0 0\n"
        "10.5.0.9             0721999              x75         null        45    1 0 0 kelp/mars /\n"
        "Routing_Data:\n"
        "255.255.255.0   10.6.0.0        10.5.0.9\n"
        "Filter_Data:\n"
        "0.0.0.0 0.0.0.0 255.255.255.0 10.6.0.0 ftp 0\n"
        "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all 1\n");
    PtySession& s = run({"linetarget", "-f", path("new.cfg"), "-ip", "10.77.0.2"});
    EXPECT_EQ(s.wait_exit(30000), 0) << s.err();
    EXPECT_EQ(s.err(), "");
    EXPECT_EQ(s.out(), "");

    PeerProcess& peer = *peers_.back();
    peer.stop();
    SimRouter now;
    ASSERT_TRUE(peer.router("r1", &now)) << peer.error();
    ASSERT_EQ(now.lines.size(), 2u);
    EXPECT_EQ(now.lines[0].host, "10.1.0.2");
    EXPECT_EQ(now.lines[0].phone, "0721002");
    EXPECT_EQ(now.lines[1].host, "10.5.0.9");
    EXPECT_EQ(now.lines[1].phone, "0721999");
    EXPECT_EQ(now.lines[1].timeout, 45);
    EXPECT_EQ(now.lines[1].manual, 1);
    EXPECT_EQ(now.lines[1].l2, 1);
    EXPECT_EQ(now.lines[1].l3, 4);
    ASSERT_EQ(now.routes.size(), 1u);
    EXPECT_EQ(now.routes[0].match, "10.6.0.0");
    EXPECT_EQ(now.routes[0].gateway, "10.5.0.9");
    ASSERT_EQ(now.filters.size(), 2u);
    EXPECT_EQ(now.filters[0].receive_match, "10.6.0.0");
    EXPECT_EQ(now.filters[0].port, 21);
    EXPECT_EQ(now.filters[0].action, 0);
    EXPECT_EQ(now.filters[1].action, 1);
}

// The filter table's messages the router received, as "put <index>" and
// "delete <index>".
std::vector<std::string> filter_writes(const PeerProcess& peer)
{
    std::vector<std::string> out;
    for (const PeerLogLine& d : peer.requests(PeerLogLine::RX, CODE_PUT_ENTRY)) {
        if (d.data.size() < 3 || d.data[0] != 0x0F)
            continue;
        out.push_back((d.data.size() == 3 ? "delete " : "put ") +
                      std::to_string(d.data[1] << 8 | d.data[2]));
    }
    return out;
}

// Routers whose filter table has no closing catch-all, one of them with an
// empty slot: the rule that the read adds is the router's to receive, and
// afterwards it holds exactly the file's three rules.
TEST_F(TermTables, LinetargetPutsTheDefaultRuleTheRouterLacked)
{
    TERM_NETWORK_REQUIRE();
    const SimFilter ftp0 = sim_filter(0, "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 6, 0, 21);
    SimRouter plain = router(1);
    plain.filters = {ftp0, sim_filter(1, "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 6, 0, 23)};
    SimRouter gap = router(2);
    gap.filters = {ftp0, sim_filter(2, "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 6, 0, 23)};
    ASSERT_NE(start_peer(1, {plain}), nullptr);
    ASSERT_NE(start_peer(2, {gap}), nullptr);
    term_write_file(path("rules.cfg"),
                    "Line_Targets:\n"
                    "Routing_Data:\n"
                    "Filter_Data:\n"
                    "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 ftp    0\n"
                    "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 telnet 0\n"
                    "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all    1\n");
    struct Case {
        const char* name;
        PeerProcess* peer;
        const char* address;
        std::vector<std::string> writes;
    };
    const Case cases[] = {
        {"r1", peers_[0].get(), "10.77.0.2", {"put 2"}},
        {"r2", peers_[1].get(), "10.77.0.3", {"put 1", "put 2"}},
    };
    for (const Case& c : cases) {
        PtySession& s = run({"linetarget", "-f", path("rules.cfg"), "-ip", c.address});
        EXPECT_EQ(s.wait_exit(30000), 0) << c.name << ": " << s.err();
        EXPECT_EQ(s.err(), "") << c.name;
        EXPECT_EQ(filter_writes(*c.peer), c.writes) << c.name;
        c.peer->stop();
        SimRouter now;
        ASSERT_TRUE(c.peer->router(c.name, &now)) << c.peer->error();
        ASSERT_EQ(now.filters.size(), 3u) << c.name;
        const int ports[] = {21, 23, 0};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(now.filters[i].index, i) << c.name;
            EXPECT_EQ(now.filters[i].port, ports[i]) << c.name << " rule " << i;
            EXPECT_EQ(now.filters[i].protocol, i < 2 ? 6 : 0) << c.name << " rule " << i;
            EXPECT_EQ(now.filters[i].action, i < 2 ? 0 : 1) << c.name << " rule " << i;
        }
    }
}

TEST_F(TermTables, LinetargetWithAFaultyFileWritesNothing)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r = router(1);
    r.lines = {term_x75_line(0, "10.1.0.1", "0721001")};
    ASSERT_NE(start_peer(1, {r}), nullptr);
    term_write_file(
        path("bad.cfg"),
        "Line_Targets:\n"
        "10.1.0.2             07210x2              x75         null        20    0 0 0\n"
        "Routing_Data:\n"
        "Filter_Data:\n");
    PtySession& s = run({"linetarget", "-f", path("bad.cfg"), "-ip", "10.77.0.2"});
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
    EXPECT_EQ(s.err(),
              "Error (Wrong Phone Number) during loading configuration. line 2 column 22\n");
    EXPECT_EQ(s.out().rfind("10.1.0.2             07210x2", 0), 0u)
        << "the faulty line is echoed: " << s.out();
    PeerProcess& peer = *peers_.back();
    EXPECT_TRUE(peer.datagrams(PeerLogLine::RX, CODE_PUT_ENTRY).empty());
    peer.stop();
    SimRouter now;
    ASSERT_TRUE(peer.router("r1", &now));
    ASSERT_EQ(now.lines.size(), 1u);
    EXPECT_EQ(now.lines[0].host, "10.1.0.1");
}

TEST_F(TermTables, LinetargetWithAMissingFileGerman)
{
    TERM_NETWORK_REQUIRE();
    ASSERT_NE(start_peer(1, {router(1)}), nullptr);
    PtySession& s = run({"linetarget", "-f", path("none.cfg"), "-ip", "10.77.0.2"}, true);
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
    EXPECT_EQ(s.err(), "Fehler beim Laden der Konfiguration. Datei kann nicht geoeffnet werden.\n");
}

// A name that is no regular file would be read for ever or never: it is a
// file that cannot be opened, and nothing reaches the router.
TEST_F(TermTables, LinetargetWithAFileThatIsNoRegularFileEndsPromptly)
{
    TERM_NETWORK_REQUIRE();
    ASSERT_NE(start_peer(1, {router(1)}), nullptr);
    struct Case {
        const char* name;
        const char* setup;  // shell commands in the data directory; they make in.cfg
    };
    const Case cases[] = {
        {"a link to /dev/zero", "ln -s /dev/zero in.cfg"},
        {"a FIFO without a writer", "mkfifo in.cfg"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(system(("cd '" + dir_ + "' && rm -f in.cfg && " + c.setup).c_str()), 0) << c.name;
        PtySession& s = run({"linetarget", "-f", path("in.cfg"), "-ip", "10.77.0.2"});
        EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1) << c.name;
        EXPECT_EQ(s.err(), "Error during loading configuration. Can not open file\n") << c.name;
    }
    EXPECT_TRUE(peers_.back()->datagrams(PeerLogLine::RX, CODE_PUT_ENTRY).empty());
}

SimRouter accounting_router(SimRouter r)
{
    SimLine a = term_x75_line(0, "10.1.0.1", "0301234");
    const uint32_t counters[SIM_COUNTERS] = {3000000000u, 1,  2,        2147483648u,
                                             4294967295u, 17, 123456789};
    std::copy(counters, counters + SIM_COUNTERS, a.counters);
    SimLine b = term_x75_line(1, "10.1.0.2", "555");
    b.counters[0] = 4;
    r.lines = {a, b};
    return r;
}

const std::string rule29 = "-----------------------------\n";
const std::string accounting_text = rule29 +
                                    "Router        10.1.0.1\n"
                                    "Phone number  0301234\n\n"
                                    "         incoming   outgoing\n"
                                    "Calls           2          1\n"
                                    "Packets 4294967295  2147483648\n"
                                    "Bytes   123456789         17\n\n"
                                    "charge    3000000000 units\n" +
                                    rule29 + "\n" + rule29 +
                                    "Router        10.1.0.2\n"
                                    "Phone number  555\n\n"
                                    "         incoming   outgoing\n"
                                    "Calls           0          0\n"
                                    "Packets         0          0\n"
                                    "Bytes           0          0\n\n"
                                    "charge            4 units\n" +
                                    rule29 + "\n";

TEST_F(TermTables, AccountingPrintsCountersFromTwoToThe31Unsigned)
{
    TERM_NETWORK_REQUIRE();
    ASSERT_NE(start_peer(1, {accounting_router(router(1))}), nullptr);
    PtySession& s = run({"accounting", "-ip", "10.77.0.2"});
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0) << s.err();
    EXPECT_EQ(s.err(), "");
    EXPECT_EQ(s.out(), accounting_text);
    PeerProcess& peer = *peers_.back();
    peer.stop();
    SimRouter now;
    ASSERT_TRUE(peer.router("r1", &now));
    EXPECT_EQ(now.lines[0].counters[0], 3000000000u) << "read without reset keeps the counters";
}

TEST_F(TermTables, AccountingResetReportsAndClearsTheCounters)
{
    TERM_NETWORK_REQUIRE();
    ASSERT_NE(start_peer(1, {accounting_router(router(1))}), nullptr);
    PtySession& s = run({"accounting", "-reset", "-ip", "10.77.0.2", "-f", path("acc.txt")});
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0) << s.err();
    EXPECT_EQ(s.err(), "Output directed to " + path("acc.txt") + "\n");
    EXPECT_EQ(term_read_file(path("acc.txt")), accounting_text);
    PeerProcess& peer = *peers_.back();
    peer.stop();
    SimRouter now;
    ASSERT_TRUE(peer.router("r1", &now));
    for (const SimLine& l : now.lines)
        for (uint32_t c : l.counters)
            EXPECT_EQ(c, 0u);
}

TEST_F(TermTables, AccountingWithoutLineTargets)
{
    TERM_NETWORK_REQUIRE();
    ASSERT_NE(start_peer(1, {router(1)}), nullptr);
    PtySession& s = run({"accounting", "-ip", "10.77.0.2"}, true);
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
    EXPECT_EQ(s.err(), "Fehler: keine Verbindungsziele fuer diesen Router\n");
    PeerProcess& peer = *peers_.back();
    EXPECT_TRUE(peer.wait_event("r1", "close", TERM_WAIT_MS)) << "the opened router is closed";
}

TEST_F(TermTables, LinemonitorShowsScreensUntilQuit)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r = router(1);
    r.phone = "0721999";
    r.lines.push_back(term_x75_line(0, "10.1.0.1", "0721"));
    r.channel[0].state = 3;
    r.channel[0].peer = "10.9.8.7";
    r.channel[0].phone = "0301234";
    r.channel[0].duration = 125;
    r.channel[0].charge = 7;
    r.channel[0].packets_in = 100;
    r.channel[0].packets_out = 2147483648u;
    r.knobs = {"linemon-interval 200"};
    ASSERT_NE(start_peer(1, {r}), nullptr);
    PtySession& s = run({"linemonitor", "-ip", "10.77.0.2"});
    ASSERT_TRUE(s.wait_for(PtySession::OUT, "Changes    : 3\n", TERM_WAIT_MS))
        << s.out() << s.err();
    s.type("anything");
    s.type("quit");
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0);
    const std::string screen1 =
        "Changes    : 1\n\n"
        "Router         10.77.0.2\n"
        "Phone number   0721999\n\n"
        "Channel 1       Connected\n"
        " connected to   10.9.8.7\n"
        "                0301234\n";
    EXPECT_EQ(s.out().substr(0, screen1.size()), screen1);
    EXPECT_NE(
        s.out().find(" Packets    -->      100   2147483648 -->\nChannel 2       free\n\n\n\n\n\n"),
        std::string::npos)
        << s.out();
    EXPECT_EQ(s.out().find('\033'), std::string::npos) << "no screen clearing into a pipe";
    EXPECT_NE(s.err().find("Input (quit) --> Input (quit) --> "), std::string::npos);
}

// Any host that answers can put control bytes into its texts; on the
// terminal they would retitle the window or clear the screen.
TEST_F(TermTables, LinemonitorShowsControlBytesOfTheRouterEscaped)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r = router(1);
    r.phone = "\x1b]2;owned\x07";
    r.lines.push_back(term_x75_line(0, "10.1.0.1", "0721"));
    r.channel[0].state = 3;
    r.channel[0].peer = "10.9.8.7";
    r.channel[0].phone = "030\x1b[2J";
    r.knobs = {"linemon-interval 200"};
    ASSERT_NE(start_peer(1, {r}), nullptr);
    PtySession& s = run({"linemonitor", "-ip", "10.77.0.2"});
    ASSERT_TRUE(s.wait_for(PtySession::OUT, "Changes    : 2\n", TERM_WAIT_MS))
        << s.out() << s.err();
    s.type("quit");
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0);
    const std::string screen1 =
        "Changes    : 1\n\n"
        "Router         10.77.0.2\n"
        "Phone number   \\x1b]2;owned\\x07\n\n"
        "Channel 1       Connected\n"
        " connected to   10.9.8.7\n"
        "                030\\x1b[2J\n";
    EXPECT_EQ(s.out().substr(0, screen1.size()), screen1);
    for (const std::string* text : {&s.out(), &s.err(), &s.tty()}) {
        EXPECT_EQ(text->find('\033'), std::string::npos) << *text;
        EXPECT_EQ(text->find('\007'), std::string::npos) << *text;
    }
}

TEST_F(TermTables, LinemonitorIntoAFile)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r = router(1);
    r.lines.push_back(term_x75_line(0, "10.1.0.1", "0721"));
    r.knobs = {"linemon-interval 200"};
    ASSERT_NE(start_peer(1, {r}), nullptr);
    PtySession& s = run({"linemonitor", "-ip", "10.77.0.2", "-f", path("lm.txt")});
    ASSERT_TRUE(s.wait_for(PtySession::ERR, "Input (quit) --> ", TERM_WAIT_MS)) << s.err();
    const std::string screen =
        "Router         10.77.0.2\n"
        "Phone number   \n\n"
        "Channel 1       free\n"
        "Channel 2       free\n";
    // A few more reports go to the file.
    for (int i = 0; i < 100 && term_read_file(path("lm.txt")).size() < 3 * screen.size(); ++i)
        usleep(50 * 1000);
    s.type("quit");
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0);
    EXPECT_EQ(s.err(), "Output directed to " + path("lm.txt") + "\nInput (quit) --> ");
    std::string file = term_read_file(path("lm.txt"));
    ASSERT_GE(file.size(), 2 * screen.size()) << file;
    EXPECT_EQ(file.substr(0, 2 * screen.size()), screen + screen);
}

// A line target whose layer-2 parameters no definition matches: its
// parameters go to "qorvel.add", the known ones to "/tmp/save.cfg", and the
// operation does not run.
TEST_F(TermTables, UnknownProtocolsStopTheOperationAndAreSaved)
{
    TERM_NETWORK_REQUIRE();
    SaveFileLock lock;
    std::remove("/tmp/save.cfg");
    SimRouter r = router(1);
    SimLine odd = term_x75_line(1, "10.1.0.2", "0721002");
    odd.blocksize = 1000;
    r.lines = {term_x75_line(0, "10.1.0.1", "0721001"), odd};
    ASSERT_NE(start_peer(1, {r}), nullptr);
    PtySession& s = run({"accounting", "-ip", "10.77.0.2"});
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
    EXPECT_EQ(s.err(),
              "Router contains unknown protocols, the\n"
              "definitions of which have been saved in\n"
              "qorvel.add, matching have been saved in\n"
              "/tmp/save.cfg.\n");
    EXPECT_EQ(s.out(), "") << "no accounting report";
    EXPECT_NE(term_read_file(path("qorvel.add")).find("blocksize=1000"), std::string::npos);
    Sections t = sections_of(term_read_file("/tmp/save.cfg"));
    ASSERT_EQ(t.lines.size(), 1u);
    EXPECT_EQ(words(t.lines[0])[0], "10.1.0.1");
}

TEST_F(TermTables, UnknownProtocolsBeforeALinetargetWriteNothingGerman)
{
    TERM_NETWORK_REQUIRE();
    SaveFileLock lock;
    SimRouter r = router(1);
    SimLine odd = term_x75_line(0, "10.1.0.2", "0721002");
    odd.window = 3;
    r.lines = {odd};
    ASSERT_NE(start_peer(1, {r}), nullptr);
    term_write_file(path("new.cfg"), "Line_Targets:\nRouting_Data:\nFilter_Data:\n");
    PtySession& s = run({"linetarget", "-f", path("new.cfg"), "-ip", "10.77.0.2"}, true);
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
    EXPECT_EQ(s.err(),
              "Der Router enthaelt undefinierte Protokolle, deren\n"
              "Definition in qorvel.add gesichert wurden. Die\n"
              "gueltigen Verbindungen wurden nach /tmp/save.cfg\n"
              "gespeichert.\n");
    PeerProcess& peer = *peers_.back();
    peer.stop();
    SimRouter now;
    ASSERT_TRUE(peer.router("r1", &now));
    ASSERT_EQ(now.lines.size(), 1u) << "the router's table is untouched";
    EXPECT_EQ(now.lines[0].window, 3);
}

// What an earlier failed download left in "/tmp/save.cfg": the tables of a
// router that was reset, which only this copy still holds.
const std::string earlier_copy = "# tables of a reset router\n";

// The router answers the open and the table reads, then nothing more: the
// accounting request is never acknowledged. The tables read are still safe
// in the router, so the emergency copy is left as it was.
TEST_F(TermTables, SlowRouterThatStopsAnsweringLeavesTheEmergencyCopyAlone)
{
    TERM_NETWORK_REQUIRE();
    SaveFileLock lock;
    term_write_file("/tmp/save.cfg", earlier_copy);
    SimRouter r = router(1);
    r.lines = {term_x75_line(0, "10.1.0.1", "0721001")};
    r.filters = {sim_filter(0, "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 0, 1, 0)};
    // open, one line target, one filter rule
    r.knobs = {"silent-after 3"};
    ASSERT_NE(start_peer(1, {r}), nullptr);
    PtySession& s = run({"accounting", "-ip", "10.77.0.2"});
    EXPECT_EQ(s.wait_exit(30000), 1);
    EXPECT_EQ(s.err(),
              "Error: no receipt from remote station\n"
              "Abort...\n");
    EXPECT_EQ(term_read_file("/tmp/save.cfg"), earlier_copy);
    std::remove("/tmp/save.cfg");
}

// A linetarget write that the router refuses: by then the program's lists
// hold the file's tables, which must never pass for the router's. The copy
// holds the router's tables as read, and the earlier copy is kept.
TEST_F(TermTables, RefusedLinetargetWriteKeepsTheEarlierCopyAndSavesTheRoutersTables)
{
    TERM_NETWORK_REQUIRE();
    SaveFileLock lock;
    term_write_file("/tmp/save.cfg", earlier_copy);
    SimRouter r = router(1);
    r.lines = {term_x75_line(0, "10.1.0.1", "0721001")};
    r.knobs = {"status put 11"};
    ASSERT_NE(start_peer(1, {r}), nullptr);
    term_write_file(path("new.cfg"),
                    "Line_Targets:\n"
                    "10.5.0.9 0721999 x75 null 20 0 0 0\n"
                    "Routing_Data:\n"
                    "Filter_Data:\n");
    PtySession& s = run({"linetarget", "-f", path("new.cfg"), "-ip", "10.77.0.2"});
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
    EXPECT_EQ(s.err(),
              "Error: table full\n"
              "The router's tables may be partly written\n"
              "The tables read before the write were saved to file /tmp/save.cfg\n"
              "Abort...\n");
    const std::vector<std::string> kept = emergency_copies_since(lock.kept_before());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(term_read_file(kept[0]), earlier_copy);
    Sections t = sections_of(term_read_file("/tmp/save.cfg"));
    ASSERT_EQ(t.lines.size(), 1u);
    EXPECT_EQ(words(t.lines[0])[0], "10.1.0.1");
    std::remove("/tmp/save.cfg");
}

// A router that numbers its replies and loses acknowledgements of ours:
// each numbered reply arrives while its request still awaits the lost
// acknowledgement and stands in for it, so the whole configuration is
// saved; nothing is asked twice.
TEST_F(TermTables, SaveconfigFromARouterThatNumbersItsRepliesAndLosesAcknowledgements)
{
    TERM_NETWORK_REQUIRE();
    constexpr int CODE_GET_ENTRY = 0x1011;
    constexpr int CODE_GET_ENTRY_REPLY = 0x3011;
    struct Case {
        const char* name;
        const char* knob;
        int lost;  // acknowledgements the router loses
    };
    const Case cases[] = {
        {"one entry request's", "lose-acks 1 GET_ENTRY_REQUEST", 1},
        {"every acknowledgement", "lose-acks 1000", 6},  // the open and five entry requests
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        peers_.clear();
        SimRouter r = router(1);
        for (int i = 0; i < 2; ++i)
            r.lines.push_back(
                term_x75_line(i, "10.1.0." + std::to_string(i + 1), "0721" + std::to_string(i)));
        r.routes = {sim_route(0, "255.255.255.0", "10.2.0.0", "10.1.0.1"),
                    sim_route(1, "255.255.255.0", "10.2.1.0", "10.1.0.2")};
        r.filters = {sim_filter(0, "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 0, 1, 0)};
        r.knobs = {"numbered yes", "sequence-start 65533", c.knob};
        PeerProcess* peer = start_peer(1, {r});
        ASSERT_NE(peer, nullptr);
        std::remove(path("saved.cfg").c_str());
        PtySession& s = run({"saveconfig", "-f", path("saved.cfg"), "-ip", "10.77.0.2"});
        EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0) << s.err();
        EXPECT_EQ(s.err(), "");
        Sections t = sections_of(term_read_file(path("saved.cfg")));
        EXPECT_EQ(t.lines.size(), 2u);
        EXPECT_EQ(t.routes.size(), 2u);
        EXPECT_EQ(t.filters.size(), 1u);
        int lost = 0;
        for (const std::string& e : peer->events("r1"))
            lost += e.compare(0, 9, "ack lost:") == 0;
        EXPECT_EQ(lost, c.lost);
        std::vector<PeerLogLine> replies = peer->datagrams(PeerLogLine::TX, CODE_GET_ENTRY_REPLY);
        EXPECT_EQ(replies.size(), 5u);
        for (const PeerLogLine& l : replies)
            EXPECT_NE(l.seq, 0) << l.raw;
        // Nothing asked twice: no entry under a second number. A repeat the
        // transport sent before the answer came back carries the same number.
        std::set<std::vector<uint8_t>> asked;
        for (const PeerLogLine& l : peer->requests(PeerLogLine::RX, CODE_GET_ENTRY))
            EXPECT_TRUE(asked.insert(l.data).second) << "asked again: " << l.raw;
        EXPECT_EQ(asked.size(), 5u);
    }
}

// Values a router may hold although a person may not type them into a
// file: the file that saveconfig writes holds them in marked forms, and
// reading it back gives the router's tables again. Written into the same
// router it changes nothing. A full filter table without a catch-all is
// saved with the default rule that the read added, 65 rules in all, which
// is more than a filter table holds: the file is refused at its 64th rule
// and the router keeps its tables, rather than being left with 64 rules
// and no default.
TEST_F(TermTables, SaveconfigOfRouterHeldValuesLoadsBack)
{
    TERM_NETWORK_REQUIRE();
    SaveFileLock lock;  // a refused write would save the router's tables as read
    std::remove("/tmp/save.cfg");
    SimRouter odd = router(1);
    SimLine phone = term_x75_line(0, "10.1.0.1", "+49 721-5");
    SimLine no_host = term_x75_line(1, "0.0.0.0", "0721");
    no_host.timeout = 3;
    no_host.manual = 2;
    no_host.bundling = 255;
    no_host.compression = 7;
    odd.lines = {phone, no_host};
    odd.routes = {sim_route(0, "255.255.255.0", "10.2.0.5", "10.1.0.1")};
    odd.filters = {sim_filter(0, "255.0.0.0", "10.1.0.0", "0.0.0.0", "0.0.0.0", 6, 2, 21),
                   sim_filter(1, "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 0, 0, 0)};
    SimRouter full = router(2);
    for (int i = 0; i < 64; ++i)
        full.filters.push_back(sim_filter(i, "0.0.0.0", "0.0.0.0", "255.255.255.0",
                                          "10.3." + std::to_string(i) + ".0", 6, 1, 1000 + i));
    ASSERT_NE(start_peer(1, {odd}), nullptr);
    ASSERT_NE(start_peer(2, {full}), nullptr);
    struct Case {
        const char* name;
        PeerProcess* peer;
        const char* address;
        std::vector<std::string> written;  // entry lines of the file, words joined by one blank
        int filters;                       // filter entries in the file
        int status;                        // of linetarget with the file
        std::string err;
        std::vector<std::string> writes;  // filter table messages the router receives
    };
    const Case cases[] = {
        {"r1",
         peers_[0].get(),
         "10.77.0.2",
         {"10.1.0.1 //+49%20721-5 x75 null 20 0 0 0 / /",
          "=0.0.0.0 0721 x75 null =3 =2 =255 =7 / /", "255.255.255.0 =10.2.0.5 10.1.0.1",
          "255.0.0.0 =10.1.0.0 0.0.0.0 0.0.0.0 ftp =2"},
         2,
         0,
         "",
         {}},
        {"r2",
         peers_[1].get(),
         "10.77.0.3",
         {"0.0.0.0 0.0.0.0 255.255.255.0 10.3.63.0 1063/tcp 1",
          "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all 1"},
         65,
         1,
         "Error (Too Many Entries) during loading configuration. line 115 column 0\n",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = path(std::string(c.name) + ".cfg");
        PtySession& save = run({"saveconfig", "-f", file, "-ip", c.address});
        ASSERT_EQ(save.wait_exit(TERM_WAIT_MS), 0) << save.err();
        const std::string text = term_read_file(file);
        Sections t = sections_of(text);
        std::vector<std::string> entries;
        for (const std::vector<std::string>* section : {&t.lines, &t.routes, &t.filters}) {
            for (const std::string& line : *section) {
                std::string joined;
                for (const std::string& w : words(line))
                    joined += (joined.empty() ? "" : " ") + w;
                entries.push_back(joined);
            }
        }
        for (const std::string& w : c.written)
            EXPECT_NE(std::find(entries.begin(), entries.end(), w), entries.end()) << w << " in\n"
                                                                                   << text;
        EXPECT_EQ(t.filters.size(), size_t(c.filters));

        PtySession& load = run({"linetarget", "-f", file, "-ip", c.address});
        EXPECT_EQ(load.wait_exit(TERM_WAIT_MS), c.status) << load.err();
        EXPECT_EQ(load.err(), c.err) << "the file loaded";
        EXPECT_EQ(filter_writes(*c.peer), c.writes);
        std::vector<PeerLogLine> puts = c.peer->requests(PeerLogLine::RX, CODE_PUT_ENTRY);
        EXPECT_EQ(puts.size(), c.writes.size()) << "line targets and routes unchanged";
        c.peer->stop();
        SimRouter now;
        ASSERT_TRUE(c.peer->router(c.name, &now)) << c.peer->error();
        if (std::string(c.name) == "r1") {
            ASSERT_EQ(now.lines.size(), 2u);
            EXPECT_EQ(now.lines[0].phone, "+49 721-5");
            EXPECT_EQ(now.lines[1].host, "0.0.0.0");
            EXPECT_EQ(now.lines[1].timeout, 3);
            EXPECT_EQ(now.lines[1].bundling, 255);
            ASSERT_EQ(now.routes.size(), 1u);
            EXPECT_EQ(now.routes[0].match, "10.2.0.5");
            ASSERT_EQ(now.filters.size(), 2u);
            EXPECT_EQ(now.filters[0].action, 2);
        } else {
            ASSERT_EQ(now.filters.size(), 64u);
            EXPECT_EQ(now.filters[63].port, 1063) << "the router's last rule as it was";
            EXPECT_EQ(load.out(),
                      "0.0.0.0         0.0.0.0         255.255.255.0   10.3.63.0       "
                      "1063/tcp     1\n^\n")
                << "the 64th rule echoed";
            EXPECT_EQ(term_read_file("/tmp/save.cfg"), "") << "nothing was written";
        }
    }
    std::remove("/tmp/save.cfg");
}

}  // namespace
