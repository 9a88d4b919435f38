// The router overview against two simulated routers.
#include "test_term_fixture.h"

namespace {

class TermRov : public TermE2E {
protected:
    void start_two()
    {
        SimRouter r1 = router(1);
        r1.isdn = 1;
        r1.permanent = 2;
        r1.firmware = "2.10";
        r1.channel[0].state = 3;
        r1.channel[0].peer = "10.9.8.7";
        r1.channel[0].phone = "0301234";
        SimRouter r2 = router(2);
        r2.isdn = 0;
        r2.permanent = 0;
        r2.firmware = "1.9";
        r2.channel[1].state = 1;
        r2.channel[1].peer = "10.9.8.6";
        r2.channel[1].phone = "555";
        ASSERT_NE(start_peer(1, {r1}), nullptr);
        ASSERT_NE(start_peer(2, {r2}), nullptr);
    }
};

const std::string rule = "----------------------------\n";
const std::string block1 = rule +
                           "Router           10.77.0.2\n"
                           "Operating mode   DSS1 (international) / Digital FVS01\n"
                           "Firmware Version 2.10\n"
                           "Channel 1        Connected\n"
                           "   Router           10.9.8.7\n"
                           "   Phone number     0301234\n"
                           "Channel 2        free\n" +
                           rule;
const std::string block2 = rule +
                           "Router           10.77.0.3\n"
                           "Operating mode   1TR6 (national) / \n"
                           "Firmware Version 1.9\n"
                           "Channel 1        free\n"
                           "Channel 2        Try To Connect\n"
                           "   Router        10.9.8.6\n"
                           "   Phone number  555\n" +
                           rule;

TEST_F(TermRov, TwoRoutersOneBlockEachThenTheEnd)
{
    TERM_NETWORK_REQUIRE();
    start_two();
    PtySession& s = run({"rov", "-ip", "10.77.0.9", "-reset"});
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0);
    EXPECT_EQ(s.err(), "");
    // The routers answer in either order.
    EXPECT_TRUE(s.out() == block1 + block2 || s.out() == block2 + block1) << s.out();
}

TEST_F(TermRov, ReportFileGetsTheOverviewAlone)
{
    TERM_NETWORK_REQUIRE();
    start_two();
    PtySession& s = run({"rov", "-f", path("overview.txt")});
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0);
    EXPECT_EQ(s.err(), "Output directed to " + path("overview.txt") + "\n");
    EXPECT_EQ(s.out(), "");
    std::string file = term_read_file(path("overview.txt"));
    EXPECT_TRUE(file == block1 + block2 || file == block2 + block1) << file;
    EXPECT_EQ(file.find('\033'), std::string::npos);
}

// A router's texts reach the terminal with their control bytes escaped:
// neither the title sequence nor the screen clearing comes through.
TEST_F(TermRov, ControlBytesOfTheRouterNeverReachTheTerminal)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r1 = router(1);
    r1.isdn = 1;
    r1.permanent = 0;
    r1.firmware = "2.1\x1b[2J";
    r1.channel[0].state = 3;
    r1.channel[0].peer = "10.9.8.7";
    r1.channel[0].phone = "\x1b]2;owned\x07";
    r1.channel[1].state = 1;
    r1.channel[1].peer = "10.9.8.6";
    r1.channel[1].phone = "55\x1b[2J\r";
    ASSERT_NE(start_peer(1, {r1}), nullptr);
    PtySession& s = run({"rov"});
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0);
    EXPECT_EQ(s.out(), rule +
                           "Router           10.77.0.2\n"
                           "Operating mode   DSS1 (international) / \n"
                           "Firmware Version 2.1\\x1b[2J\n"
                           "Channel 1        Connected\n"
                           "   Router           10.9.8.7\n"
                           "   Phone number     \\x1b]2;owned\\x07\n"
                           "Channel 2        Try To Connect\n"
                           "   Router        10.9.8.6\n"
                           "   Phone number  55\\x1b[2J\\x0d\n" +
                           rule);
    for (const std::string* text : {&s.out(), &s.err(), &s.tty()}) {
        EXPECT_EQ(text->find('\033'), std::string::npos) << *text;
        EXPECT_EQ(text->find('\007'), std::string::npos) << *text;
    }
}

TEST_F(TermRov, GermanOverview)
{
    TERM_NETWORK_REQUIRE();
    SimRouter r1 = router(1);
    r1.firmware = "";
    r1.channel[1].state = 4;
    r1.channel[1].peer = "10.9.8.5";
    r1.channel[1].phone = "77";
    ASSERT_NE(start_peer(1, {r1}), nullptr);
    PtySession& s = run({"rov"}, true);
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0);
    EXPECT_EQ(s.out(), rule +
                           "Router           10.77.0.2\n"
                           "Betriebsart      unbekannt\n"
                           "Firmware version unbekannt\n"
                           "Kanal 1          frei\n"
                           "Kanal 2          im Abbau\n"
                           "   Router        10.9.8.5\n"
                           "   Telefon       77\n" +
                           rule);
}

TEST_F(TermRov, NoRouterGivesAnEmptyOverview)
{
    TERM_NETWORK_REQUIRE();
    PtySession& s = run({"rov"});
    EXPECT_EQ(s.wait_exit(TERM_WAIT_MS), 0);
    EXPECT_EQ(s.out(), "");
    EXPECT_EQ(s.err(), "");
}

}  // namespace
