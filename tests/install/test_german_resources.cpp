// The German resource file data/XmQORVEL.de against the program's own
// built-in fallback set: once the toolkit finds the file it uses nothing of
// that set, so the file must carry a line for every line of it (same widget
// path, same resource) and nothing the program does not know; its texts in
// ISO 8859-1, as the fonts are; fonts, colours and positions unchanged;
// every mnemonic a letter of its own label. A missing line is reported in
// resource-file form, ready to be translated.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "fallback_resources.h"
#include "message_tables.h"
#include "unknown_protocols_notice.h"

namespace {

constexpr const char* GERMAN_FILE = QORVEL_SOURCE_DIR "/data/XmQORVEL.de";

struct ResourceLine {
    std::string value;  // blanks after the colon removed
    int line = 0;       // in the file, 1-based; 0 for the fallback set
};

std::string trim_front(const std::string& text)
{
    size_t start = text.find_first_not_of(" \t");
    return start == std::string::npos ? std::string() : text.substr(start);
}

// "XmQORVEL*path.resource:  value" into key and value; false when the line
// has no colon.
bool split(const std::string& line, std::string* key, std::string* value)
{
    size_t colon = line.find(':');
    if (colon == std::string::npos)
        return false;
    *key = line.substr(0, colon);
    *value = trim_front(line.substr(colon + 1));
    return true;
}

std::map<std::string, ResourceLine> fallback_set()
{
    std::map<std::string, ResourceLine> set;
    for (String* line = fallback_resources(); *line != nullptr; ++line) {
        std::string key, value;
        if (split(*line, &key, &value))
            set[key] = {value, 0};
        else
            ADD_FAILURE() << "fallback line without a colon: " << *line;
    }
    return set;
}

std::string read_bytes(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The file's resource lines; comments ('!') and empty lines skipped, a
// key that comes twice reported.
std::map<std::string, ResourceLine> german_file(const std::string& bytes)
{
    std::map<std::string, ResourceLine> set;
    std::istringstream in(bytes);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.empty() || line[0] == '!')
            continue;
        std::string key, value;
        if (!split(line, &key, &value)) {
            ADD_FAILURE() << "line " << number << " is no resource line: " << line;
            continue;
        }
        auto [it, inserted] = set.insert({key, {value, number}});
        if (!inserted)
            ADD_FAILURE() << key << " on lines " << it->second.line << " and " << number;
    }
    return set;
}

bool ends_with(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Labels, titles and mnemonics: what a translation changes.
bool is_text(const std::string& key)
{
    return ends_with(key, "labelString") || ends_with(key, "LabelString") ||
           ends_with(key, ".dialogTitle") || ends_with(key, ".mnemonic");
}

class GermanResourceFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        bytes_ = read_bytes(GERMAN_FILE);
        ASSERT_FALSE(bytes_.empty()) << GERMAN_FILE << " is missing or empty";
        german_ = german_file(bytes_);
        fallback_ = fallback_set();
    }

    std::string bytes_;
    std::map<std::string, ResourceLine> german_;
    std::map<std::string, ResourceLine> fallback_;
};

TEST_F(GermanResourceFile, HasALineForEveryFallbackResourceAndNoOther)
{
    std::string missing, extra;
    for (const auto& [key, line] : fallback_)
        if (german_.count(key) == 0)
            missing += "  " + key + ": " + line.value + "\n";
    for (const auto& [key, line] : german_)
        if (fallback_.count(key) == 0)
            extra += "  line " + std::to_string(line.line) + ": " + key + "\n";
    EXPECT_EQ(missing, "")
        << "lines of the fallback set that the German file lacks (translate them):\n"
        << missing;
    EXPECT_EQ(extra, "") << "lines the program does not know:\n" << extra;
    EXPECT_EQ(german_.size(), fallback_.size());
}

TEST_F(GermanResourceFile, IsIso8859_1WithItsUmlautsAsSingleBytes)
{
    int umlauts = 0;
    for (size_t i = 0; i < bytes_.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(bytes_[i]);
        bool printable = (c >= 0x20 && c <= 0x7E) || c >= 0xA0;
        ASSERT_TRUE(printable || c == '\n' || c == '\t')
            << "byte 0x" << std::hex << int(c) << " at offset " << std::dec << i
            << " is no printable ISO 8859-1 character";
        // A UTF-8 lead byte followed by a continuation byte: text that was
        // saved as UTF-8 ("Ã¶" on the screen where "ö" was meant).
        if (c >= 0xC2 && c <= 0xF4 && i + 1 < bytes_.size()) {
            unsigned char next = static_cast<unsigned char>(bytes_[i + 1]);
            ASSERT_FALSE(next >= 0x80 && next <= 0xBF)
                << "a UTF-8 sequence at offset " << i << ": the file must be ISO 8859-1";
        }
        if (c == 0xE4 || c == 0xF6 || c == 0xFC || c == 0xC4 || c == 0xD6 || c == 0xDC || c == 0xDF)
            ++umlauts;
    }
    EXPECT_GT(umlauts, 10) << "the German texts keep their umlauts";
    EXPECT_EQ(german_["XmQORVEL*MainForm.Overview.labelString"].value,
              "Router\xFC"
              "bersicht");
    EXPECT_EQ(german_["XmQORVEL*ConfigDialog*DeleteLine.labelString"].value, "L\xF6schen");
}

TEST_F(GermanResourceFile, RegisterButtonReadsAnmeldenWhichTurnsTheMessagesGerman)
{
    EXPECT_EQ(fallback_["XmQORVEL*MainForm.Open.labelString"].value, "Register");
    EXPECT_EQ(german_["XmQORVEL*MainForm.Open.labelString"].value, "Anmelden");
}

// The notice on unknown protocols in its usual form comes from the
// resources; its other forms the program puts together from its message
// tables. Each language reads alike in all of them, and says of both files
// what became of them.
TEST_F(GermanResourceFile, UnknownProtocolsNoticeReadsAsTheProgramsOwnTexts)
{
    const std::string key = "XmQORVEL*Error2Dialog.Error2DialogMessage.labelString";
    auto shown = [](std::string text) {  // a resource's "\n" is a line end
        for (size_t at; (at = text.find("\\n")) != std::string::npos;)
            text.replace(at, 2, "\n");
        return text;
    };
    ASSERT_EQ(fallback_.count(key), 1u);
    ASSERT_EQ(german_.count(key), 1u);
    messages_choose_language(nullptr);
    EXPECT_EQ(shown(fallback_[key].value),
              unknown_protocols_notice(UnknownDefinitions::Written, true));
    messages_choose_language(GERMAN_REGISTER_LABEL);
    EXPECT_EQ(shown(german_[key].value),
              unknown_protocols_notice(UnknownDefinitions::Written, true));
    EXPECT_EQ(shown(german_[key].value),
              "Der Router enth\344lt unbekannte Protokolle. Die\n"
              "Definitionen dieser Protokolle wurden gesichert in\nqorvel.add\n"
              "Alle Verbindungen mit bekannten Protokollen wurden gesichert in\n/tmp/save.cfg");
    messages_choose_language(nullptr);
}

TEST_F(GermanResourceFile, KeepsFontsColoursAndPositionsOfTheFallbackSet)
{
    int kept = 0;
    for (const auto& [key, line] : fallback_) {
        if (is_text(key) || german_.count(key) == 0)
            continue;
        EXPECT_EQ(german_[key].value, line.value) << key << " (line " << german_[key].line << ")";
        ++kept;
    }
    EXPECT_GT(kept, 100) << "fonts, colours, positions";
}

TEST_F(GermanResourceFile, EveryMnemonicIsALetterOfItsOwnLabel)
{
    int mnemonics = 0;
    for (const auto& [key, line] : german_) {
        if (!ends_with(key, ".mnemonic"))
            continue;
        ++mnemonics;
        std::string label_key =
            key.substr(0, key.size() - std::string("mnemonic").size()) + "labelString";
        ASSERT_EQ(german_.count(label_key), 1u) << key << " has no label";
        const std::string& label = german_[label_key].value;
        ASSERT_EQ(line.value.size(), 1u) << key << ": one character";
        EXPECT_NE(label.find(line.value), std::string::npos)
            << key << " '" << line.value << "' is not in its label \"" << label << "\"";
    }
    EXPECT_GT(mnemonics, 10);
}

}  // namespace
