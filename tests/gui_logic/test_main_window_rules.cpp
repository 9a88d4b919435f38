// The main window's button table, the start-up texts and the failure rules.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "dialog_names.h"
#include "main_error_rules.h"
#include "main_window_states.h"
#include "message_tables.h"
#include "startup_rules.h"

namespace {

struct LanguageGuard {
    ~LanguageGuard() { messages_choose_language(nullptr); }
};

TEST(MainWindowStatesTest, ButtonTable)
{
    const struct {
        const char* what;
        MainState state;
        MainButtons buttons;
    } cases[] = {
        {"idle", MainState::IDLE, {0, 0, 0, 0, 0, 1, 0, 1}},
        {"start failed", MainState::START_FAILED, {0, 0, 0, 0, 0, 0, 0, 1}},
        {"selected", MainState::ROUTER_SELECTED, {1, 0, 0, 0, 0, 1, 0, 1}},
        {"registering", MainState::REGISTERING, {0, 0, 0, 0, 0, 1, 0, 0}},
        {"refused", MainState::REFUSED, {0, 0, 0, 0, 0, 1, 0, 1}},
        {"no address", MainState::UNCONFIGURED_ROUTER, {0, 1, 0, 0, 0, 0, 1, 0}},
        {"registered", MainState::REGISTERED_LINES, {0, 1, 1, 1, 1, 0, 1, 0}},
        {"no lines", MainState::REGISTERED_NO_LINES, {0, 1, 1, 0, 0, 0, 1, 0}},
        {"unknown", MainState::REGISTERED_UNKNOWN, {0, 1, 0, 0, 0, 0, 1, 0}},
    };
    for (const auto& c : cases) {
        MainButtons b = main_window_buttons(c.state);
        EXPECT_EQ(std::memcmp(&b, &c.buttons, sizeof b), 0) << c.what;
    }
}

TEST(StartupRulesTest, BroadcastAddress)
{
    const struct {
        uint32_t address, netmask, broadcast;
    } cases[] = {
        {0x0A4D0001, 0xFFFFFF00, 0x0A4D00FF},
        {0xC0A80105, 0xFFFF0000, 0xC0A8FFFF},
        {0x0A4D0001, 0, 0xFFFFFFFF},
        {0, 0xFFFFFF00, 0xFFFFFFFF},
    };
    for (const auto& c : cases)
        EXPECT_EQ(startup_broadcast_address(c.address, c.netmask), c.broadcast) << c.address;
}

TEST(StartupRulesTest, ProtocolFileTextsInBothLanguages)
{
    LanguageGuard guard;
    EXPECT_EQ(startup_protocol_file_text(7, 12), "Reading qorvel.pro\nError At Line 7, Column 12");
    EXPECT_EQ(startup_protocol_file_text(7, 0), "Reading qorvel.pro\nInconsitent Line (Line = 7)");
    messages_choose_language("Anmelden");
    EXPECT_EQ(startup_protocol_file_text(7, 12),
              "Lesen von qorvel.pro\nFehler in Zeile 7, Spalte 12");
    EXPECT_EQ(startup_protocol_file_text(7, 0),
              "Lesen von qorvel.pro\nInkonsistente Zeile (Nr. = 7)");
}

TEST(MainErrorRulesTest, TableStatusesAskAgain)
{
    for (int code : {-1, 0, 3, 7, 10, 13, 14, 8777, 8888, 8999, 9999})
        EXPECT_FALSE(main_error_asks_again(code)) << code;
    EXPECT_TRUE(main_error_asks_again(11));
    EXPECT_TRUE(main_error_asks_again(12));
}

TEST(MainErrorRulesTest, EveryDialogOnTablesOrRegistrationCloses)
{
    int count = 0;
    const Dialog* closes = main_error_closes(&count);
    std::set<Dialog> set(closes, closes + count);
    EXPECT_EQ(set.size(), static_cast<size_t>(count)) << "no dialog twice";
    for (Dialog d :
         {Dialog::AccountingDialog, Dialog::LineMon2Dialog, Dialog::LineMonDialog,
          Dialog::ConfigDialog, Dialog::RouteDialog, Dialog::FilterDialog, Dialog::RConfigDialog,
          Dialog::Config2Dialog, Dialog::Route2Dialog, Dialog::Filter2Dialog, Dialog::FileDialog,
          Dialog::PWDialog, Dialog::FirmwareDialog, Dialog::SetPWDialog, Dialog::InputPWDialog,
          Dialog::RepeatPWDialog, Dialog::Question2Dialog})
        EXPECT_EQ(set.count(d), 1u) << dialog_name(d);
    // The windows that must stay: the notices the failure itself shows, the
    // overview and help, which need no registration.
    for (Dialog d : {Dialog::ErrorDialog, Dialog::ScanDialog, Dialog::RouterDialog,
                     Dialog::HelpDialog, Dialog::QuestionDialog})
        EXPECT_EQ(set.count(d), 0u) << dialog_name(d);

    // An editor goes before its table, so that nothing is left up above a
    // closed parent.
    auto place = [&](Dialog d) {
        for (int i = 0; i < count; ++i)
            if (closes[i] == d)
                return i;
        return -1;
    };
    EXPECT_LT(place(Dialog::Config2Dialog), place(Dialog::ConfigDialog));
    EXPECT_LT(place(Dialog::Route2Dialog), place(Dialog::RouteDialog));
    EXPECT_LT(place(Dialog::Filter2Dialog), place(Dialog::FilterDialog));
    EXPECT_LT(place(Dialog::SetPWDialog), place(Dialog::RConfigDialog));
    EXPECT_LT(place(Dialog::InputPWDialog), place(Dialog::SetPWDialog));
    EXPECT_LT(place(Dialog::LineMon2Dialog), place(Dialog::LineMonDialog));

    // The question keeps the tables: only the line-target table and the
    // router settings close, with the dialogs opened from them that stand
    // beside them under the top-level shell, before them.
    int question_count = 0;
    const Dialog* question = main_error_question_closes(&question_count);
    const std::vector<Dialog> expected = {Dialog::FileDialog, Dialog::Question2Dialog,
                                          Dialog::ConfigDialog, Dialog::RConfigDialog};
    EXPECT_EQ(std::vector<Dialog>(question, question + question_count), expected);
}

TEST(MainErrorRulesTest, MessageNamesTheFileOnlyWhenSaved)
{
    LanguageGuard guard;
    const struct {
        int code;
        EmergencySave save;
        const char* english;
        const char* german;
    } cases[] = {
        {13, EmergencySave::SAVED,
         "Error During Firmwaredownload\nConfiguration Saved To /tmp/save.cfg",
         "Fehler w\xE4hrend des Firmwaredownloads\nKonfiguration in /tmp/save.cfg gesichert"},
        {13, EmergencySave::NO_TABLES, "Error During Firmwaredownload",
         "Fehler w\xE4hrend des Firmwaredownloads"},
        {13, EmergencySave::FAILED,
         "Error During Firmwaredownload\nConfiguration Could Not Be Saved",
         "Fehler w\xE4hrend des Firmwaredownloads\nKonfiguration konnte nicht gesichert werden"},
        // A router that stopped answering broke no rule: it is said so.
        {8888, EmergencySave::SAVED,
         "Router Does Not Answer - Connection Closed\nConfiguration Saved To /tmp/save.cfg",
         "Router antwortet nicht - Verbindung beendet\nKonfiguration in /tmp/save.cfg gesichert"},
        {8888, EmergencySave::NO_TABLES, "Router Does Not Answer - Connection Closed",
         "Router antwortet nicht - Verbindung beendet"},
        {6, EmergencySave::FAILED,
         "Router Does Not Answer - Connection Closed\nConfiguration Could Not Be Saved",
         "Router antwortet nicht - Verbindung beendet\nKonfiguration konnte nicht gesichert werden"},
        {8, EmergencySave::NO_TABLES, "Router Does Not Answer - Connection Closed",
         "Router antwortet nicht - Verbindung beendet"},
        {7, EmergencySave::NO_TABLES, "Protocol Violation - Connection Closed",
         "Protokollfehler - Verbindung beendet"},
        {0, EmergencySave::FAILED,
         "Protocol Violation - Connection Closed\nConfiguration Could Not Be Saved",
         "Protokollfehler - Verbindung beendet\nKonfiguration konnte nicht gesichert werden"},
        {-1, EmergencySave::NO_TABLES, "Protocol Violation - Connection Closed",
         "Protokollfehler - Verbindung beendet"},
    };
    for (const auto& c : cases) {
        messages_choose_language(nullptr);
        EXPECT_EQ(main_error_text(c.code, c.save, "/tmp/save.cfg"), c.english) << c.code;
        messages_choose_language("Anmelden");
        EXPECT_EQ(main_error_text(c.code, c.save, "/tmp/save.cfg"), c.german) << c.code;
    }
}

// A failure while the tables were being written: the router may hold only
// part of them, and the message says so before it says where the copy is.
TEST(MainErrorRulesTest, FailureDuringTheWriteSaysTheTablesMayBePartlyWritten)
{
    LanguageGuard guard;
    const struct {
        int code;
        EmergencySave save;
        const char* english;
        const char* german;
    } cases[] = {
        {10, EmergencySave::SAVED,
         "Protocol Violation - Connection Closed\nThe Router's Tables May Be Partly Written\n"
         "Configuration Saved To /tmp/save.cfg",
         "Protokollfehler - Verbindung beendet\nDie Tabellen im Router sind m\xF6glicherweise\n"
         "nur teilweise geschrieben\nKonfiguration in /tmp/save.cfg gesichert"},
        {8888, EmergencySave::FAILED,
         "Router Does Not Answer - Connection Closed\nThe Router's Tables May Be Partly Written\n"
         "Configuration Could Not Be Saved",
         "Router antwortet nicht - Verbindung beendet\nDie Tabellen im Router sind "
         "m\xF6glicherweise\nnur teilweise geschrieben\nKonfiguration konnte nicht gesichert "
         "werden"},
        {13, EmergencySave::SAVED,
         "Error During Firmwaredownload\nThe Router's Tables May Be Partly Written\n"
         "Configuration Saved To /tmp/save.cfg",
         "Fehler w\xE4hrend des Firmwaredownloads\nDie Tabellen im Router sind m\xF6glicherweise\n"
         "nur teilweise geschrieben\nKonfiguration in /tmp/save.cfg gesichert"},
        {0, EmergencySave::NO_TABLES,
         "Protocol Violation - Connection Closed\nThe Router's Tables May Be Partly Written",
         "Protokollfehler - Verbindung beendet\nDie Tabellen im Router sind m\xF6glicherweise\n"
         "nur teilweise geschrieben"},
    };
    for (const auto& c : cases) {
        messages_choose_language(nullptr);
        EXPECT_EQ(main_error_text(c.code, c.save, "/tmp/save.cfg", true), c.english) << c.code;
        messages_choose_language("Anmelden");
        EXPECT_EQ(main_error_text(c.code, c.save, "/tmp/save.cfg", true), c.german) << c.code;
    }
}

}  // namespace
