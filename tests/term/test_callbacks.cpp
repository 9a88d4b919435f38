// The completion callbacks: what they keep, what they tell, which flag rises.
#include <gtest/gtest.h>

#include <ostream>

#include <cstring>
#include <string>

#include "callbacks.h"
#include "capture.h"
#include "globals.h"
#include "myutil.h"
#include "router_actions.h"

namespace {

class Callbacks : public ::testing::Test {
protected:
    void SetUp() override { ASCIIResetGlobals(); }
};

ScanAnswer scan(uint32_t address, uint8_t last_hw, uint32_t holder = 0)
{
    ScanAnswer a{};
    a.router_ip = address;
    const uint8_t hw[6] = {0x00, 0xa0, 0xf9, 0x12, 0x34, last_hw};
    std::memcpy(a.hw, hw, 6);
    a.holder_ip = holder;
    return a;
}

TEST_F(Callbacks, ScanKeepsEachAddressOnceAndOnlyTheFirstUnconfigured)
{
    ScanAnswer answers[] = {scan(0x0A4D0002, 1), scan(0x0A4D0002, 1), scan(0, 7, 0x0A4D0009),
                            scan(0, 8), scan(0x0A4D0003, 3, 0x0A4D0001)};
    for (ScanAnswer& a : answers) {
        ASCIIRouterOVF = 0;
        ASCIIScanNetCB(&a);
        EXPECT_EQ(ASCIIRouterOVF, 1);
    }
    ASSERT_EQ(ASCIINbR, 3);
    EXPECT_EQ(ASCIIRouterIPs[0], 0x0A4D0002u);
    EXPECT_EQ(ASCIIRouterIPs[1], 0u);
    EXPECT_EQ(ASCIIRouterHWs[1][5], 7) << "the first unconfigured router stays";
    EXPECT_EQ(ASCIIRouterHWs[1][6], 0);
    EXPECT_EQ(ASCIIRouterExc[1], 0x0A4D0009u);
    EXPECT_EQ(ASCIIRouterExc[2], 0x0A4D0001u);

    ScanAnswer end{};
    end.status = 1;
    ASCIIScanNetCB(&end);
    EXPECT_EQ(ASCIIRouterOVF, -1);
    EXPECT_EQ(ASCIINbR, 3);
}

TEST_F(Callbacks, FullRouterTableTakesNoMore)
{
    for (int i = 0; i < ASCII_MAX_ROUTERS; ++i)
        ASCIIRouterIPs[i] = 0x0B000000u + uint32_t(i);
    ASCIINbR = ASCII_MAX_ROUTERS;
    ScanAnswer a = scan(0x0A4D0002, 1);
    ASCIIScanNetCB(&a);
    EXPECT_EQ(ASCIINbR, ASCII_MAX_ROUTERS);
    EXPECT_EQ(ASCIIRouterOVF, 1);
    RouterState s{};
    s.router_ip = 0x0A4D0005;
    ASCIIRouterOverViewCB(&s);
    EXPECT_EQ(ASCIINbR, ASCII_MAX_ROUTERS);
    EXPECT_TRUE(ASCIIROVData.has_value()) << "still shown";
}

TEST_F(Callbacks, RouterStateOfARouterSeenBeforeIsNotShownAgain)
{
    RouterState s{};
    s.router_ip = 0x0A4D0002;
    s.ch1_state = 3;
    ASCIIRouterOverViewCB(&s);
    ASSERT_TRUE(ASCIIROVData.has_value());
    EXPECT_EQ(ASCIIROVData->ch1_state, 3);
    EXPECT_EQ(ASCIIRouterOVF, 1);
    ASCIIRouterOVF = 0;
    ASCIIRouterOverViewCB(&s);
    EXPECT_FALSE(ASCIIROVData.has_value());
    EXPECT_EQ(ASCIIRouterOVF, 1);
    RouterState end{};
    end.status = 1;
    ASCIIRouterOverViewCB(&end);
    EXPECT_EQ(ASCIIRouterOVF, -1);
}

TEST_F(Callbacks, AcceptedOpenKeepsTheRoutersValues)
{
    OpenReply r{};
    r.kind = OPEN_ACCEPTED;
    myutil_copy_text(r.text, "255.255.255.0");
    myutil_copy_text(r.phone, "0301234");
    r.isdn_mode = 1;
    myutil_copy_text(r.firmware, "2.0");
    r.n_lines = 3;
    r.n_routes = 2;
    r.n_filters = 1;
    r.line_type = 2;
    ASCIIRouterName = "r1";
    ASCIIOpenRouterCB(&r);
    EXPECT_EQ(ASCIIFinishedOpen, 1);
    EXPECT_EQ(ASCIICloseRouter, 1);
    EXPECT_EQ(ASCIINetzMaske, "255.255.255.0");
    EXPECT_EQ(ASCIIRTN, "0301234");
    EXPECT_EQ(ASCIIFirmWare, "2.0");
    EXPECT_STREQ(ASCIIOpMode, "DSS1 (international)");
    EXPECT_EQ(ASCIINbLines, 3);
    EXPECT_EQ(ASCIINbRoutes, 2);
    EXPECT_EQ(ASCIINbFilter, 1);
    EXPECT_EQ(ASCIIHardConn, 2);
    EXPECT_EQ(ASCIIRouterName, "r1");
    EXPECT_EQ(ASCIIExit, 0);

    r.isdn_mode = 4;
    ASCIIOpenRouterCB(&r);
    EXPECT_STREQ(ASCIIOpMode, "unbekannt");
}

TEST_F(Callbacks, PasswordWantedKeepsTheChallenge)
{
    OpenReply r{};
    r.kind = OPEN_PASSWORD;
    r.seed = 0xBEEF;
    r.seq = 17;
    Capture err(2);
    ASCIIOpenRouterCB(&r);
    EXPECT_EQ(err.text(), "This Router requires a password\n");
    EXPECT_EQ(ASCIIFinishedOpen, 2);
    EXPECT_EQ(ASCIIPasswdKey, 0xBEEF);
    EXPECT_EQ(ASCIISeqNb, 17);
    EXPECT_EQ(ASCIIPasswdReq, 1);
    EXPECT_EQ(ASCIIExit, 0);
}

struct RefusalCase {
    int reason;
    const char* holder;
    bool german;
    const char* text;
};

void PrintTo(const RefusalCase& c, std::ostream* os)
{
    *os << "reason" << c.reason << (c.german ? "German" : "English")
        << (c.holder[0] ? "WithHolder" : "");
}

class Refusal : public Callbacks, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusal, TellsTheReasonAndFails)
{
    OpenReply r{};
    r.kind = OPEN_REFUSED;
    r.reason = static_cast<uint16_t>(GetParam().reason);
    myutil_copy_text(r.text, GetParam().holder);
    English = GetParam().german ? 0 : 1;
    Capture err(2);
    ASCIIOpenRouterCB(&r);
    EXPECT_EQ(err.text(), GetParam().text);
    EXPECT_EQ(ASCIIFinishedOpen, -1);
    EXPECT_EQ(ASCIIExit, 1);
    EXPECT_EQ(ASCIIExitStatus, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, Refusal,
    ::testing::Values(
        RefusalCase{3, "", false, "Wrong password. Cannot open this router\n"},
        RefusalCase{3, "", true, "ungueltiges Passwort  Router kann nicht geoeffnet werden\n"},
        RefusalCase{4, "10.77.0.9", false, "Router is already connected to station 10.77.0.9\n"},
        RefusalCase{4, "", false, "Router is already connected to station \n"},
        RefusalCase{4, "ws7", true,
                    "es besteht schon eine Verbindung zu einem anderen Rechner (ws7)\n"},
        RefusalCase{5, "", false, "This host is not allowed to open router\n"},
        RefusalCase{6, "", true, "Router meldet sich nicht\n"},
        RefusalCase{6, "", false, "Router does not respond\n"},
        RefusalCase{1, "", false, "Error: cannot open router\n"},
        RefusalCase{99, "", true, "Fehler beim Oeffnen des Routers\n"}));

TEST_F(Callbacks, ProgressRewritesItsLineAndAnnouncesTheWait)
{
    Capture err(2);
    ASCIIGetPCB(37);
    ASCIIGetPCB(100);
    EXPECT_EQ(err.text(), "\r 37 %\r100 %\nWaiting for router to respond");
}

TEST_F(Callbacks, DownloadDoneEndsTheEmergencyWindow)
{
    ASCIIDLInP = 1;
    ASCIIDoDownLoadF = 0;
    English = 0;
    Capture err(2);
    ASCIIDLCB(nullptr);
    EXPECT_EQ(err.text(), "\nFertig\n");
    EXPECT_EQ(ASCIIDLInP, 0);
    EXPECT_EQ(ASCIIDoDownLoadF, 1);
}

TEST_F(Callbacks, LineMonitorAndAccountingRaiseTheirFlags)
{
    LineMonitorData d{};
    d.channel[1].state = 3;
    ASCIILineMonitorCB(&d);
    EXPECT_EQ(ASCIILineMonitorF, 1);
    ASSERT_TRUE(ASCIILMData.has_value());
    EXPECT_EQ(ASCIILMData->channel[1].state, 3);
    ListObject* marker = reinterpret_cast<ListObject*>(&d);
    ASCIIAccountingCB(marker);
    EXPECT_EQ(ASCIIAccCBF, 1);
    EXPECT_EQ(ASCIIAccData, marker);
    ASCIISaveConfCB(4);
    EXPECT_EQ(ASCIISaveConfigF, 1);
}

}  // namespace
