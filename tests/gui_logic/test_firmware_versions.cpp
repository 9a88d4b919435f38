#include "firmware_versions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "scratch_data_dir.h"

namespace {

using Versions = std::vector<std::string>;

TEST(FirmwareVersionsTest, OfferedPerFamilySorted)
{
    ScratchDataDir dir;
    dir.write("fw_dss1.120", "image");
    dir.write("fw_dss1.102", "image");
    dir.write("fw_1tr6.102", "image");
    dir.write("qorvel.hlp", "not an image");
    EXPECT_EQ(firmware_versions(FIRMWARE_FAMILY_DSS1), (Versions{"102", "120"}));
    EXPECT_EQ(firmware_versions(FIRMWARE_FAMILY_1TR6), (Versions{"102"}));
    EXPECT_EQ(firmware_versions(2), Versions{});
    EXPECT_EQ(firmware_versions(-1), Versions{});
}

TEST(FirmwareVersionsTest, OnlyVersionsThatNameTheirImage)
{
    ScratchDataDir dir;
    const struct {
        const char* name;
        const char* version;
        bool offered;
    } cases[] = {
        {"nine characters fit the settings record", "123456789", true},
        {"ten characters do not", "1234567890", false},
        {"empty version", "", false},
        {"a directory", "2.0dir", false},
        {"a fifo", "2.0fifo", false},
        {"a link to an image", "2.0link", true},
        {"a dangling link", "2.0gone", false},
    };
    for (const auto& c : cases) {
        std::string file = std::string("fw_dss1.") + c.version;
        if (std::strcmp(c.version, "2.0dir") == 0)
            dir.make_dir(file);
        else if (std::strcmp(c.version, "2.0fifo") == 0)
            dir.make_fifo(file);
        else if (std::strcmp(c.version, "2.0link") == 0)
            dir.make_link(file, dir.file("fw_dss1.123456789"));
        else if (std::strcmp(c.version, "2.0gone") == 0)
            dir.make_link(file, dir.file("nothing"));
        else
            dir.write(file, "image");
    }
    Versions offered = firmware_versions(FIRMWARE_FAMILY_DSS1);
    for (const auto& c : cases) {
        bool found = false;
        for (const std::string& v : offered)
            found = found || v == c.version;
        EXPECT_EQ(found, c.offered) << c.name;
    }
}

TEST(FirmwareVersionsTest, FirstVersionAndCount)
{
    ScratchDataDir dir;
    std::string first = "stale";
    EXPECT_EQ(helpfunc_get_firmware_vers(FIRMWARE_FAMILY_1TR6, &first), 0);
    EXPECT_EQ(first, "");

    dir.write("fw_1tr6.2.0", "image");
    dir.write("fw_1tr6.1.9", "image");
    dir.write("fw_1tr6.0123456789", "too long");
    EXPECT_EQ(helpfunc_get_firmware_vers(FIRMWARE_FAMILY_1TR6, &first), 2);
    EXPECT_EQ(first, "1.9");
    EXPECT_EQ(helpfunc_get_firmware_vers(FIRMWARE_FAMILY_DSS1, &first), 0);
    EXPECT_EQ(first, "");
    EXPECT_EQ(helpfunc_get_firmware_vers(5, &first), 0);
    EXPECT_EQ(first, "");
    EXPECT_EQ(helpfunc_get_firmware_vers(FIRMWARE_FAMILY_1TR6, nullptr), 2);
}

TEST(FirmwareVersionsTest, NoDataDirectory)
{
    ScratchDataDir dir;
    setenv("QORVEL_PATH", dir.file("missing").c_str(), 1);
    EXPECT_EQ(firmware_versions(FIRMWARE_FAMILY_DSS1), Versions{});
}

TEST(FirmwareChoiceTest, SelectionKeepsItsOwnCopy)
{
    FirmwareChoice choice;
    firmware_choice_clear(&choice);
    EXPECT_FALSE(firmware_choice_made(choice));

    {
        // The item's text is gone once the selection callback returns.
        std::string item = "1.4";
        firmware_choice_select(&choice, item.c_str());
        item.assign("XXXXXXXXX");
    }
    EXPECT_TRUE(firmware_choice_made(choice));
    EXPECT_STREQ(choice.version, "1.4");
}

TEST(FirmwareChoiceTest, SelectionCases)
{
    const struct {
        const char* name;
        const char* item;
        bool made;
        const char* version;
    } cases[] = {
        {"an item", "2.0", true, "2.0"},
        {"nine characters", "123456789", true, "123456789"},
        {"deselected", nullptr, false, ""},
        {"empty item", "", false, ""},
        {"too long for a version", "1234567890", false, ""},
    };
    for (const auto& c : cases) {
        FirmwareChoice choice;
        firmware_choice_clear(&choice);
        firmware_choice_select(&choice, "earlier");
        firmware_choice_select(&choice, c.item);
        EXPECT_EQ(firmware_choice_made(choice), c.made) << c.name;
        EXPECT_STREQ(choice.version, c.version) << c.name;
    }
}

}  // namespace
