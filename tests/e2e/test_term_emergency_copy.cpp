// The terminal program's emergency copies end to end: a linetarget write
// that the router refuses part-way says so and keeps the router's tables as
// read, failures one after the other each keep their copy, and every copy
// loads back into a router.
#include "test_term_fixture.h"

#include <cstdio>

namespace {

class TermEmergencyCopy : public TermE2E {
protected:
    // Router i with two line targets of its own, 10.<i>.0.1 and 10.<i>.0.2.
    SimRouter router_with_lines(int i)
    {
        SimRouter r = router(i);
        const std::string net = "10." + std::to_string(i) + ".0.";
        r.lines = {term_x75_line(0, net + "1", "0721001"), term_x75_line(1, net + "2", "0721002")};
        r.routes = {sim_route(0, "255.255.255.0", "10.2" + std::to_string(i) + ".0.0", net + "1")};
        return r;
    }

    // A file with one line target, 10.5.0.9: written over a router of two,
    // it is one put and then the delete of the router's second entry.
    std::string one_line_file()
    {
        term_write_file(path("new.cfg"),
                        "Line_Targets:\n"
                        "10.5.0.9 0721999 x75 null 20 0 0 0\n"
                        "Routing_Data:\n"
                        "Filter_Data:\n");
        return path("new.cfg");
    }

    // The hosts of router i's line targets once the peer has stopped.
    static std::vector<std::string> hosts_of(PeerProcess* peer, int i)
    {
        std::vector<std::string> hosts;
        peer->stop();
        SimRouter now;
        if (!peer->router("r" + std::to_string(i), &now)) {
            hosts.push_back("no state: " + peer->error());
            return hosts;
        }
        for (const SimLine& l : now.lines)
            hosts.push_back(l.host);
        return hosts;
    }

    // Runs linetarget with `file` against a new, empty router in namespace
    // i and gives the hosts it then holds.
    std::vector<std::string> loaded_into_empty_router(const std::string& file, int i)
    {
        PeerProcess* peer = start_peer(i, {router(i)});
        if (peer == nullptr)
            return {"no router"};
        PtySession& s = run({"linetarget", "-f", file, "-ip", "10.77.0." + std::to_string(1 + i)});
        EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0) << file << ": " << s.err();
        return hosts_of(peer, i);
    }

    // The run of a linetarget write that router i refuses at its delete.
    PtySession& failed_write(int i, bool german = false)
    {
        SimRouter r = router_with_lines(i);
        r.knobs = {"status delete 10"};
        peer_ = start_peer(i, {r});
        return run({"linetarget", "-f", one_line_file(), "-ip", "10.77.0." + std::to_string(1 + i)},
                   german);
    }

    PeerProcess* peer_ = nullptr;
};

TEST_F(TermEmergencyCopy, WriteThatFailsPartWaySaysSoAndKeepsTheRoutersTablesAsRead)
{
    TERM_NETWORK_REQUIRE();
    const struct {
        bool german;
        const char* err;
    } cases[] = {
        {false,
         "Error: syntax error\n"
         "The router's tables may be partly written\n"
         "The tables read before the write were saved to file /tmp/save.cfg\n"
         "Abort...\n"},
        {true,
         "Fehler: ungueltiger Tabelleneintrag\n"
         "Die Tabellen im Router sind moeglicherweise nur teilweise geschrieben\n"
         "Die vor dem Schreiben gelesenen Tabellen wurden in der Datei /tmp/save.cfg gesichert\n"
         "Programm wird abgebrochen...\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.german ? "German" : "English");
        SaveFileLock lock;
        std::remove(EMERGENCY_COPY);
        PtySession& s = failed_write(1, c.german);
        ASSERT_NE(peer_, nullptr);
        EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
        EXPECT_EQ(s.err(), c.err);
        EXPECT_EQ(hosts_of(peer_, 1), (std::vector<std::string>{"10.5.0.9", "10.1.0.2"}))
            << "the router holds part of the file's tables";
        peers_.clear();
        EXPECT_EQ(loaded_into_empty_router(EMERGENCY_COPY, 1),
                  (std::vector<std::string>{"10.1.0.1", "10.1.0.2"}))
            << "the copy holds the router's tables as read";
        peers_.clear();
        std::remove(EMERGENCY_COPY);
    }
}

// Two routers fail one after the other: the second copy does not take the
// place of the first, and each loads back to its own router's tables.
TEST_F(TermEmergencyCopy, TwoFailuresInARowKeepBothCopies)
{
    TERM_NETWORK_REQUIRE();
    SaveFileLock lock;
    std::remove(EMERGENCY_COPY);
    for (int i : {1, 2}) {
        SCOPED_TRACE(i);
        PtySession& s = failed_write(i);
        ASSERT_NE(peer_, nullptr);
        EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 1);
        EXPECT_NE(s.err().find("saved to file /tmp/save.cfg\n"), std::string::npos) << s.err();
    }
    peers_.clear();
    const std::vector<std::string> kept = emergency_copies_since(lock.kept_before());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(loaded_into_empty_router(EMERGENCY_COPY, 1),
              (std::vector<std::string>{"10.2.0.1", "10.2.0.2"}))
        << "the newest copy, of the second router";
    peers_.clear();
    EXPECT_EQ(loaded_into_empty_router(kept[0], 2),
              (std::vector<std::string>{"10.1.0.1", "10.1.0.2"}))
        << kept[0] << ", the first router's";
    std::remove(EMERGENCY_COPY);
}

}  // namespace
