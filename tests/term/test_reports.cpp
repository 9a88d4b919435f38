// The text reports, exactly, in both languages, against small fixtures.
#include <gtest/gtest.h>

#include <ostream>

#include <cstdio>
#include <cstring>
#include <string>

#include "capture.h"
#include "globals.h"
#include "list.h"
#include "myutil.h"
#include "reports.h"
#include "terminal.h"

namespace {

constexpr uint32_t ip(int a, int b, int c, int d)
{
    return uint32_t(a) << 24 | uint32_t(b) << 16 | uint32_t(c) << 8 | uint32_t(d);
}

class Reports : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASCIIResetGlobals();
        ASCIIResetReports();
        list_init();
        ASCIIUseTerminal(-1);
        // Names are dotted addresses: no resolver is asked.
        myutil_set_config(ip(10, 77, 0, 1), ip(255, 255, 255, 0), 0);
        report_ = std::tmpfile();
    }
    void TearDown() override
    {
        if (ASCIIOutFile == report_)
            ASCIIOutFile = stdout;
        std::fclose(report_);
    }
    std::string report_text()
    {
        std::fflush(report_);
        std::rewind(report_);
        std::string all;
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, report_)) > 0)
            all.append(buffer, n);
        return all;
    }
    FILE* report_ = nullptr;
};

RouterState state_fixture(int mode, int type, const char* firmware, int ch1, int ch2)
{
    RouterState s{};
    s.router_ip = ip(10, 77, 0, 2);
    s.isdn_mode = mode;
    s.line_type = type;
    myutil_copy_text(s.firmware, firmware);
    s.ch1_state = ch1;
    s.ch1_peer_ip = ip(10, 1, 1, 1);
    myutil_copy_text(s.ch1_phone, "555");
    s.ch2_state = ch2;
    s.ch2_peer_ip = ip(10, 1, 1, 9);
    myutil_copy_text(s.ch2_phone, "77");
    return s;
}

struct OverviewCase {
    const char* name;
    bool german;
    RouterState state;
    std::string text;
};

void PrintTo(const OverviewCase& c, std::ostream* os)
{
    *os << c.name;
}

class Overview : public Reports, public ::testing::WithParamInterface<OverviewCase> {};

TEST_P(Overview, Block)
{
    English = GetParam().german ? 0 : 1;
    ASCIIOutFile = report_;
    ASCIIROVData = GetParam().state;
    ASCIIROVOut();
    EXPECT_EQ(report_text(), GetParam().text);
    EXPECT_FALSE(ASCIIROVData.has_value());
}

const std::string rule28 = "----------------------------\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, Overview,
    ::testing::Values(
        OverviewCase{"DssWithPermanentTypeEnglish", false, state_fixture(1, 2, "2.0", 3, 0),
                     rule28 +
                         "Router           10.77.0.2\n"
                         "Operating mode   DSS1 (international) / Digital FVS01\n"
                         "Firmware Version 2.0\n"
                         "Channel 1        Connected\n"
                         "   Router           10.1.1.1\n"
                         "   Phone number     555\n"
                         "Channel 2        free\n" +
                         rule28},
        OverviewCase{"DssWithPermanentTypeGerman", true, state_fixture(1, 2, "2.0", 3, 0),
                     rule28 +
                         "Router           10.77.0.2\n"
                         "Betriebsart      DSS1 (international) / Digital FVS01\n"
                         "Firmware Version 2.0\n"
                         "Kanal 1          verbunden\n"
                         "   Router           10.1.1.1\n"
                         "   Telefon          555\n"
                         "Kanal 2          frei\n" +
                         rule28},
        OverviewCase{"NoFirmwareStateAboveFiveSecondChannelNarrower", false,
                     state_fixture(1, 2, "", 7, 4),
                     rule28 +
                         "Router           10.77.0.2\n"
                         "Operating mode   unbekannt\n"
                         "Firmware version unbekannt\n"
                         "Channel 1        free\n"
                         "Channel 2        Try To Disconnect\n"
                         "   Router        10.1.1.9\n"
                         "   Phone number  77\n" +
                         rule28},
        OverviewCase{"NoPermanentTypeEndsInSlashAndBlank", false, state_fixture(0, 0, "1.9", 0, 0),
                     rule28 +
                         "Router           10.77.0.2\n"
                         "Operating mode   1TR6 (national) / \n"
                         "Firmware Version 1.9\n"
                         "Channel 1        free\n"
                         "Channel 2        free\n" +
                         rule28},
        OverviewCase{"ControlBytesOfTheRouterAreShownEscaped", false,
                     [] {
                         RouterState s = state_fixture(1, 0, "2.0\x1b[2J", 3, 2);
                         myutil_copy_text(s.ch1_phone, "\x1b]2;owned\x07");
                         myutil_copy_text(s.ch2_phone, "7\r\n");
                         return s;
                     }(),
                     rule28 +
                         "Router           10.77.0.2\n"
                         "Operating mode   DSS1 (international) / \n"
                         "Firmware Version 2.0\\x1b[2J\n"
                         "Channel 1        Connected\n"
                         "   Router           10.1.1.1\n"
                         "   Phone number     \\x1b]2;owned\\x07\n"
                         "Channel 2        Try To Connect\n"
                         "   Router        10.1.1.9\n"
                         "   Phone number  7\\x0d\\x0a\n" +
                         rule28},
        OverviewCase{"ModeAndTypeOutsideTheirTables", true, state_fixture(9, 7, "3.1", -2, 1),
                     rule28 +
                         "Router           10.77.0.2\n"
                         "Betriebsart      unbekannt / unbekannt\n"
                         "Firmware Version 3.1\n"
                         "Kanal 1          frei\n"
                         "Kanal 2          im Aufbau\n"
                         "   Router        10.1.1.9\n"
                         "   Telefon       77\n" +
                         rule28}),
    [](const ::testing::TestParamInfo<OverviewCase>& info) {
        return std::string(info.param.name);
    });

TEST_F(Reports, OverviewWithoutCopyPrintsNothing)
{
    ASCIIOutFile = report_;
    ASCIIROVOut();
    EXPECT_EQ(report_text(), "");
}

// Two line targets; the first with counters from 2^31 up, which must not
// print as negative numbers.
ListObject* accounting_fixture()
{
    ListObject* lines = listhelp_new_line_list();
    auto* a = static_cast<LineTarget*>(myutil_malloc(sizeof(LineTarget)));
    myutil_copy_text(a->host, "gw-office");
    myutil_copy_text(a->phone, "0301234");
    a->counters = AccountingCounters{3000000000u, 1, 2, 2147483648u, 4294967295u, 17, 123456789};
    auto* b = static_cast<LineTarget*>(myutil_malloc(sizeof(LineTarget)));
    myutil_copy_text(b->host, "10.1.1.1");
    myutil_copy_text(b->phone, "555");
    lines->ops->list_append(lines, a);
    lines->ops->list_append(lines, b);
    return lines;
}

const std::string rule29 = "-----------------------------\n";

TEST_F(Reports, AccountingEnglish)
{
    ListObject* lines = accounting_fixture();
    ASCIIOutFile = report_;
    ASCIIAccData = lines;
    ASCIIAccOut();
    EXPECT_EQ(report_text(), rule29 +
                                 "Router        gw-office\n"
                                 "Phone number  0301234\n\n"
                                 "         incoming   outgoing\n"
                                 "Calls           2          1\n"
                                 "Packets 4294967295  2147483648\n"
                                 "Bytes   123456789         17\n\n"
                                 "charge    3000000000 units\n" +
                                 rule29 + "\n" + rule29 +
                                 "Router        10.1.1.1\n"
                                 "Phone number  555\n\n"
                                 "         incoming   outgoing\n"
                                 "Calls           0          0\n"
                                 "Packets         0          0\n"
                                 "Bytes           0          0\n\n"
                                 "charge            0 units\n" +
                                 rule29 + "\n");
    EXPECT_EQ(ASCIIAccData, nullptr);
    EXPECT_EQ(ASCIIExit, 1);
    lines->ops->list_destroy(lines);
}

TEST_F(Reports, AccountingGerman)
{
    ListObject* lines = accounting_fixture();
    lines->ops->list_remove_at(lines, 2);
    English = 0;
    ASCIIOutFile = report_;
    ASCIIAccData = lines;
    ASCIIAccOut();
    EXPECT_EQ(report_text(), rule29 +
                                 "Router        gw-office\n"
                                 "Telefon       0301234\n\n"
                                 "             rein       raus\n"
                                 "Anrufe          2          1\n"
                                 "Pakete  4294967295  2147483648\n"
                                 "Bytes   123456789         17\n\n"
                                 "Kosten    3000000000 Einheiten\n" +
                                 rule29 + "\n");
    lines->ops->list_destroy(lines);
}

TEST_F(Reports, AccountingOfAnEmptyListPrintsNothingAndEnds)
{
    ListObject* lines = listhelp_new_line_list();
    ASCIIOutFile = report_;
    ASCIIAccData = lines;
    ASCIIAccOut();
    EXPECT_EQ(report_text(), "");
    EXPECT_EQ(ASCIIExit, 1);
    lines->ops->list_destroy(lines);
}

LineMonitorData monitor_fixture(int state1, int state2)
{
    LineMonitorData d{};
    d.channel[0].state = state1;
    myutil_copy_text(d.channel[0].peer, "gw-office");
    myutil_copy_text(d.channel[0].phone, "5551234");
    d.channel[0].duration = 125;
    d.channel[0].charge = 7;
    d.channel[0].packets_in = 100;
    d.channel[0].packets_out = 2147483648u;
    d.channel[1].state = state2;
    myutil_copy_text(d.channel[1].peer, "10.1.1.9");
    myutil_copy_text(d.channel[1].phone, "77");
    d.channel[1].duration = 3;
    d.channel[1].charge = 0;
    d.channel[1].packets_in = 1;
    d.channel[1].packets_out = 2;
    return d;
}

TEST_F(Reports, LineMonitorIntoAFilePromptsOnlyBeforeTheFirstScreen)
{
    ASCIIOutFile = report_;
    ASCIIRouterName = "r1";
    ASCIIRTN = "0301234";
    Capture err(2);
    ASCIILMData = monitor_fixture(3, 0);
    ASCIILMOut();
    ASCIILMData = monitor_fixture(0, 9);
    ASCIILMOut();
    EXPECT_EQ(err.text(), "Input (quit) --> ");
    const std::string first =
        "Router         r1\n"
        "Phone number   0301234\n\n"
        "Channel 1       Connected\n"
        " connected to   gw-office\n"
        "                5551234\n"
        " since               125 sec\n"
        " Charge                7 units\n"
        " Packets    -->      100   2147483648 -->\n"
        "Channel 2       free\n";
    const std::string second =
        "Router         r1\n"
        "Phone number   0301234\n\n"
        "Channel 1       free\n"
        "Channel 2       free\n";
    EXPECT_EQ(report_text(), first + second);
    EXPECT_FALSE(ASCIILMData.has_value());
}

TEST_F(Reports, LineMonitorOnStandardOutputKeepsTheLayoutOfAnIdleChannel)
{
    ASCIIRouterName = "r1";
    ASCIIRTN = "0301234";
    Capture err(2);
    Capture out(1);
    ASCIILMData = monitor_fixture(0, 1);
    ASCIILMOut();
    ASCIILMData = monitor_fixture(0, 0);
    ASCIILMOut();
    EXPECT_EQ(out.text(),
              "Changes    : 1\n\n"
              "Router         r1\n"
              "Phone number   0301234\n\n"
              "Channel 1       free\n"
              "\n\n\n\n\n"
              "Channel 2       Try To Connect\n"
              " connected to   10.1.1.9\n"
              "                77\n"
              " since                 3 sec\n"
              " Charge                0 units\n"
              " Packets    -->        1          2 -->\n"
              "Changes    : 2\n\n"
              "Router         r1\n"
              "Phone number   0301234\n\n"
              "Channel 1       free\n"
              "\n\n\n\n\n"
              "Channel 2       free\n"
              "\n\n\n\n\n");
    EXPECT_EQ(err.text(), "Input (quit) --> Input (quit) --> ");
}

// Whatever a router put into its texts, no control byte reaches the report.
TEST_F(Reports, RouterTextsReachAccountingAndLineMonitorEscaped)
{
    ListObject* lines = listhelp_new_line_list();
    auto* a = static_cast<LineTarget*>(myutil_malloc(sizeof(LineTarget)));
    myutil_copy_text(a->host, "gw\x1b[2J");
    myutil_copy_text(a->phone, "\x1b]2;x\x07");
    lines->ops->list_append(lines, a);
    ASCIIOutFile = report_;
    ASCIIAccData = lines;
    ASCIIAccOut();
    std::string accounting = report_text();
    EXPECT_NE(accounting.find("Router        gw\\x1b[2J\n"), std::string::npos) << accounting;
    EXPECT_NE(accounting.find("Phone number  \\x1b]2;x\\x07\n"), std::string::npos) << accounting;
    lines->ops->list_destroy(lines);

    std::fclose(report_);
    report_ = std::tmpfile();
    ASCIIOutFile = report_;
    ASCIIRouterName = "r1\x07";
    ASCIIRTN = "030\x1b]0;t\x07";
    LineMonitorData data = monitor_fixture(3, 0);
    myutil_copy_text(data.channel[0].peer, "gw\x1b[H");
    myutil_copy_text(data.channel[0].phone, "555\x1b[2J");
    Capture err(2);
    ASCIILMData = data;
    ASCIILMOut();
    EXPECT_EQ(err.text(), "Input (quit) --> ");
    EXPECT_EQ(report_text(),
              "Router         r1\\x07\n"
              "Phone number   030\\x1b]0;t\\x07\n\n"
              "Channel 1       Connected\n"
              " connected to   gw\\x1b[H\n"
              "                555\\x1b[2J\n"
              " since               125 sec\n"
              " Charge                7 units\n"
              " Packets    -->      100   2147483648 -->\n"
              "Channel 2       free\n");
}

TEST_F(Reports, LineMonitorGerman)
{
    English = 0;
    ASCIIOutFile = report_;
    ASCIIRouterName = "r1";
    ASCIIRTN = "0301234";
    Capture err(2);
    ASCIILMData = monitor_fixture(4, 0);
    ASCIILMOut();
    EXPECT_EQ(err.text(), "Eingabe (quit) --> ");
    EXPECT_EQ(report_text(),
              "Router         r1\n"
              "Telefon        0301234\n\n"
              "Kanal 1         im Abbau\n"
              " verbunden mit  gw-office\n"
              "                5551234\n"
              " seit                125 sec\n"
              " Kosten                7 Einheiten\n"
              " Pakete     -->      100   2147483648 -->\n"
              "Kanal 2         frei\n");
}

TEST_F(Reports, RouterListMarksRoutersHeldByAnotherStation)
{
    const uint8_t hw[3][6] = {
        {0x00, 0xa0, 0xf9, 0, 0, 1}, {0x00, 0xa0, 0xf9, 0, 0, 2}, {0x00, 0xa0, 0xf9, 0, 0, 0xab}};
    const uint32_t addresses[3] = {ip(10, 77, 0, 2), ip(10, 77, 0, 3), 0};
    const uint32_t holders[3] = {0, ip(10, 77, 0, 9), ip(10, 77, 0, 1)};
    for (int i = 0; i < 3; ++i) {
        ASCIIRouterIPs[i] = addresses[i];
        std::memcpy(ASCIIRouterHWs[i], hw[i], 6);
        ASCIIRouterExc[i] = holders[i];
    }
    ASCIINbR = 3;
    Capture err(2);
    ASCIIRCRouterList();
    EXPECT_EQ(err.text(),
              "Router list\n-----------\n\n"
              "   1 -> 00-a0-f9-00-00-01     10.77.0.2\n"
              " ( 2 -> 00-a0-f9-00-00-02     10.77.0.3)\n"
              "   3 -> 00-a0-f9-00-00-ab     -----------\n");
}

TEST_F(Reports, EmptyRouterListGerman)
{
    English = 0;
    Capture err(2);
    ASCIIRCRouterList();
    EXPECT_EQ(err.text(), "Liste der Router\n----------------\n\n");
}

TEST_F(Reports, PasswordLongerThanTenIsRefusedAndAskedAgain)
{
    ASCIIFinishedOpen = 2;
    Capture err(2);
    ASCIIPassWDToOpen("early line");   // shows the prompt, ignores the line
    ASCIIPassWDToOpen(nullptr);        // still waiting
    ASCIIPassWDToOpen("abcdefghijk");  // 11 characters
    ASCIIPassWDToOpen(nullptr);        // the prompt again
    EXPECT_EQ(err.text(), " Password --> \nMax. 10 characters\n Password --> ");
    EXPECT_EQ(ASCIIFinishedOpen, 2) << "nothing was sent, the open still waits for its password";
    EXPECT_EQ(ASCIIPasswd, "");
}

}  // namespace
