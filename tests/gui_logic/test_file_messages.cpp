#include "file_messages.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "config_file.h"
#include "message_tables.h"

namespace {

// Restores QORVEL_PATH and the language whatever a test did.
class FileMessagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* path = std::getenv("QORVEL_PATH");
        had_path_ = path != nullptr;
        if (had_path_)
            saved_path_ = path;
    }
    void TearDown() override
    {
        if (had_path_)
            setenv("QORVEL_PATH", saved_path_.c_str(), 1);
        else
            unsetenv("QORVEL_PATH");
        messages_choose_language(nullptr);
    }

private:
    bool had_path_ = false;
    std::string saved_path_;
};

TEST_F(FileMessagesTest, NamesFromQorvelPath)
{
    setenv("QORVEL_PATH", "/opt/data", 1);
    FileDialogNames save = file_dialog_names("gw1", file_dialog_extension(FILE_SAVE_CONFIG));
    EXPECT_EQ(save.pattern, "/opt/data/*.cfg");
    EXPECT_TRUE(save.has_selection);
    EXPECT_EQ(save.selection, "/opt/data/gw1.cfg");
    FileDialogNames accounting =
        file_dialog_names("gw1", file_dialog_extension(FILE_SAVE_ACCOUNTING));
    EXPECT_EQ(accounting.selection, "/opt/data/gw1.acc");
    FileDialogNames load = file_dialog_names(nullptr, file_dialog_extension(FILE_LOAD_CONFIG));
    EXPECT_EQ(load.pattern, "/opt/data/*.cfg");
    EXPECT_FALSE(load.has_selection);
    EXPECT_EQ(load.selection, "");
}

TEST_F(FileMessagesTest, NamesFromWorkingDirectoryOfAnyLength)
{
    unsetenv("QORVEL_PATH");
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(file_dialog_names("gw1", "cfg").selection, std::string(cwd) + "/gw1.cfg");
    // An empty value names no directory: the working directory as well.
    setenv("QORVEL_PATH", "", 1);
    EXPECT_EQ(file_dialog_directory(), cwd);
    EXPECT_EQ(file_dialog_names("gw1", "cfg").selection, std::string(cwd) + "/gw1.cfg");

    // Longer than the 511 characters a fixed buffer would have held.
    const std::string deep = "/" + std::string(600, 'd');
    setenv("QORVEL_PATH", deep.c_str(), 1);
    const std::string name(300, 'n');
    EXPECT_EQ(file_dialog_names(name.c_str(), "cfg").selection, deep + "/" + name + ".cfg");
}

TEST_F(FileMessagesTest, ReaderCodesAndTheirMessages)
{
    const struct {
        int code;
        int message;
        const char* reason;
    } cases[] = {
        {1, 57, "Too Many Entries"},
        {2, 58, "Wrong IP-Address"},
        {3, 59, "Wrong Phone Number"},
        {4, 60, "Wrong Protocol"},
        {5, 61, "Wrong Timeout Value"},
        {6, 62, "Wrong Value"},
        {7, 63, "Wrong Value"},
        {8, 64, "Wrong Value"},
        {9, 65, "Wrong Password"},
        {10, 66, "Syntax Error"},
        {11, 67, "Wrong Mask"},
        {12, 68, "Wrong Match"},
        {13, 69, "Combination Mask/Match"},
        {14, 70, "Wrong Gateway"},
        {15, 71, "Wrong Service"},
        {16, 72, "Wrong Value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(file_load_message_index(c.code), c.message);
        const std::string expected = std::string(c.reason) + "\nError At Line 12, Column 40";
        EXPECT_EQ(callback_create_message(c.code, 12, 40), expected);
        EXPECT_EQ(file_load_message(c.code, 12, 40), expected);
    }
    EXPECT_EQ(file_load_message_index(CFG_OK), -1);
    EXPECT_EQ(file_load_message(CFG_OK, 0, 0), "");
    EXPECT_EQ(file_load_message_index(CFG_CANNOT_OPEN), 36);
    EXPECT_EQ(file_load_message(CFG_CANNOT_OPEN, 0, 0), "Cannot Read File");
    EXPECT_EQ(file_load_message(99, 3, 4), "Cannot Read File");
    EXPECT_EQ(file_load_message(-1, 3, 4), "Cannot Read File");
}

TEST_F(FileMessagesTest, ReaderMessageFollowsLanguage)
{
    messages_choose_language(GERMAN_REGISTER_LABEL);
    EXPECT_EQ(callback_create_message(CFG_BAD_PROTOCOL, 12, 40),
              "Ung\374ltiges Protokoll\nFehler in Zeile 12, Spalte 40");
}

}  // namespace
