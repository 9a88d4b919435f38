#include "message_tables.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>

namespace {

struct LanguageGuard {
    ~LanguageGuard() { messages_choose_language(nullptr); }
};

TEST(MessagesTest, EveryTextExistsInBothTables)
{
    for (int n = 0; n < MESSAGE_COUNT; ++n) {
        ASSERT_NE(e_messages[n], nullptr) << n;
        ASSERT_NE(g_messages[n], nullptr) << n;
        EXPECT_GT(std::strlen(e_messages[n]), 0u) << n;
        EXPECT_GT(std::strlen(g_messages[n]), 0u) << n;
    }
    for (int n = 0; n < ADDED_TEXT_COUNT; ++n) {
        ASSERT_NE(e_added_texts[n], nullptr) << "added " << n;
        ASSERT_NE(g_added_texts[n], nullptr) << "added " << n;
        EXPECT_GT(std::strlen(e_added_texts[n]), 0u) << "added " << n;
        EXPECT_GT(std::strlen(g_added_texts[n]), 0u) << "added " << n;
    }
}

TEST(MessagesTest, FormatsOfBothTablesTakeTheSameConversions)
{
    // A German text with another conversion than its English one would be
    // filled with the wrong arguments.
    auto conversions = [](const char* s) {
        std::string c;
        for (const char* p = s; *p; ++p) {
            if (*p != '%')
                continue;
            ++p;
            if (*p == '%')
                continue;
            while (*p && !std::isalpha(static_cast<unsigned char>(*p)))
                ++p;
            while (*p == 'l')
                c += *p++;
            c += *p;
        }
        return c;
    };
    for (int n = 0; n < MESSAGE_COUNT; ++n)
        EXPECT_EQ(conversions(e_messages[n]), conversions(g_messages[n])) << n;
    for (int n = 0; n < ADDED_TEXT_COUNT; ++n)
        EXPECT_EQ(conversions(e_added_texts[n]), conversions(g_added_texts[n])) << "added " << n;
}

TEST(MessagesTest, AddedTextsFollowTheLanguageOfTheMessageTable)
{
    LanguageGuard guard;
    const struct {
        AddedText text;
        const char* english;
        const char* german;
    } cases[] = {
        {AddedText::SaveFailed, "Configuration Could Not Be Saved",
         "Konfiguration konnte nicht gesichert werden"},
        {AddedText::DownloadNotAccepted,
         "Cannot Start Firmwaredownload:\nThe Router Does Not Accept The Connection",
         "Firmwaredownload nicht m\xF6glich:\nDer Router nimmt die Verbindung nicht an"},
        {AddedText::NoDefinitions, "No Definitions Can Be Made For These Protocols",
         "F\xFCr diese Protokolle lassen sich keine Definitionen anlegen"},
    };
    for (const auto& c : cases) {
        messages_choose_language(nullptr);
        EXPECT_STREQ(added_text(c.text), c.english);
        messages_choose_language(GERMAN_REGISTER_LABEL);
        EXPECT_STREQ(added_text(c.text), c.german);
    }
    EXPECT_EQ(added_format(AddedText::SavedTo, "/tmp/save.cfg"),
              "Konfiguration in /tmp/save.cfg gesichert");
    messages_choose_language(nullptr);
    EXPECT_EQ(added_format(AddedText::SavedTo, "/tmp/save.cfg"),
              "Configuration Saved To /tmp/save.cfg");
    EXPECT_STREQ(added_text(static_cast<AddedText>(ADDED_TEXT_COUNT)), "");
}

TEST(MessagesTest, LanguageRule)
{
    LanguageGuard guard;
    const struct {
        const char* label;
        const char* const* table;
    } cases[] = {
        {"Register", e_messages}, {"Anmelden", g_messages}, {"Anmelden ", e_messages},
        {"anmelden", e_messages}, {nullptr, e_messages},    {"", e_messages},
    };
    for (const auto& c : cases) {
        messages_choose_language(c.label);
        EXPECT_EQ(messages, c.table) << (c.label ? c.label : "(null)");
    }
    messages_choose_language("Anmelden");
    EXPECT_STREQ(message_text(MSG_ERROR), "Fehler");
    EXPECT_STREQ(message_text(MSG_WARNING), "Warnung");
    EXPECT_STREQ(message_text(MSG_MESSAGE), "Nachricht");
}

TEST(MessagesTest, GermanTextsAreLatin1)
{
    // "Rückmeldung": u umlaut is one byte 0xFC, not a UTF-8 pair.
    EXPECT_STREQ(g_messages[47],
                 "Warten auf die R\xFC"
                 "ckmeldung vom Router");
}

TEST(MessagesTest, FilledMessages)
{
    LanguageGuard guard;
    EXPECT_EQ(message_format(46, 5), "Loading Firmware   5 %");
    EXPECT_EQ(message_format(33, "/tmp/save.cfg"),
              "Error During Firmwaredownload\nConfiguration Saved To /tmp/save.cfg");
    EXPECT_EQ(message_format(37, 7, 12), "Reading qorvel.pro\nError At Line 7, Column 12");
    messages_choose_language("Anmelden");
    EXPECT_EQ(message_format(33, "/tmp/save.cfg"),
              "Fehler w\xE4hrend des Firmwaredownloads\nKonfiguration in /tmp/save.cfg gesichert");
    EXPECT_EQ(message_text(-1), std::string());
    EXPECT_EQ(message_text(MESSAGE_COUNT), std::string());
}

TEST(MessagesTest, LongTextsAreNotCut)
{
    std::string name(1000, 'r');
    std::string text = message_format(11, name.c_str());
    EXPECT_EQ(text, "Router Is Already Connected\nTo " + name);
}

TEST(MessagesTest, CountersAboveTwoToThe31AreShownUnsigned)
{
    const uint32_t big = 0xFFFFFFF0u;
    std::string text = message_format(54, "host", "123", static_cast<long>(big), 1L, 2L, 3L, 4L, 5L,
                                      static_cast<long>(uint32_t{2147483648u}));
    EXPECT_NE(text.find("4294967280"), std::string::npos) << text;
    EXPECT_NE(text.find("2147483648 Units"), std::string::npos) << text;
    EXPECT_EQ(text.find('-'), std::string::npos) << text;
}

}  // namespace
