// The firmware list: image versions from the data directory.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "firmware_list.h"
#include "temp_dir.h"

namespace {

// The working directory moved to `dir` for as long as the object lives.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::string& dir)
        : back_(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        entered_ = back_ >= 0 && chdir(dir.c_str()) == 0;
    }
    ~WorkingDirectory()
    {
        if (back_ < 0)
            return;
        if (entered_) {
            EXPECT_EQ(fchdir(back_), 0);
        }
        close(back_);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;
    bool entered() const { return entered_; }

private:
    int back_;
    bool entered_ = false;
};

// A fresh data directory, named by QORVEL_PATH for the test's duration.
class FirmwareListTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(dir_.empty()); }

    void touch(const std::string& name)
    {
        std::FILE* f = std::fopen((dir_ + "/" + name).c_str(), "w");
        ASSERT_NE(f, nullptr) << name;
        std::fclose(f);
    }

    // Calls the scan and frees its result as a caller must.
    std::vector<std::string> scan(const char* prefix, int* count)
    {
        char** names = nullptr;
        *count = helpfunc_scandir(prefix, &names);
        std::vector<std::string> texts;
        EXPECT_NE(names, nullptr);
        if (names == nullptr)
            return texts;
        for (int i = 0; i < *count; ++i)
            texts.emplace_back(names[i]);
        EXPECT_EQ(names[*count], nullptr) << "array not closed behind the last text";
        for (int i = 0; i < *count; ++i)
            std::free(names[i]);
        std::free(names);
        return texts;
    }

    TempDir tmp_{"fwlist", TempDir::DATA_DIR};
    const std::string dir_ = tmp_.path();
};

TEST_F(FirmwareListTest, VersionsOfOnePrefixSorted)
{
    struct Case {
        const char* prefix;
        std::vector<std::string> versions;
    };
    for (const char* f : {"fw_dss1.120", "fw_dss1.102", "fw_1tr6.102", "fw_dss1.", "fw_dss1",
                          "readme", "x_fw_dss1.9"}) {
        touch(f);
    }
    ASSERT_EQ(mkdir((dir_ + "/fw_dss1.2a").c_str(), 0755), 0);  // every kind of entry counts
    const Case cases[] = {
        {FIRMWARE_LIST_PREFIX_DSS1, {"", "102", "120", "2a"}},
        {FIRMWARE_LIST_PREFIX_1TR6, {"102"}},
        {"nothing.", {}},
    };
    for (const Case& c : cases) {
        int count = -1;
        EXPECT_EQ(scan(c.prefix, &count), c.versions) << c.prefix;
        EXPECT_EQ(count, static_cast<int>(c.versions.size())) << c.prefix;
    }
}

TEST_F(FirmwareListTest, WorkingDirectoryWhenThePathIsUnsetOrEmpty)
{
    touch("fw_dss1.120");
    touch("fw_dss1.102");
    touch("fw_1tr6.102");
    for (const char* path : {static_cast<const char*>(nullptr), ""}) {
        SCOPED_TRACE(path == nullptr ? "unset" : "empty");
        if (path == nullptr)
            unsetenv("QORVEL_PATH");
        else
            setenv("QORVEL_PATH", path, 1);
        int count = -1;
        std::vector<std::string> versions;
        {
            // Back by descriptor: the way there by name may be gone (a test
            // before may have left this process in another mount namespace).
            WorkingDirectory here(dir_);
            ASSERT_TRUE(here.entered());
            versions = scan("fw_dss1.", &count);
        }
        EXPECT_EQ(count, 2);
        EXPECT_EQ(versions, (std::vector<std::string>{"102", "120"}));
    }
}

TEST_F(FirmwareListTest, MissingDirectoryStillHandsBackAnArray)
{
    setenv("QORVEL_PATH", (dir_ + "/absent").c_str(), 1);
    int count = -1;
    EXPECT_TRUE(scan("fw_dss1.", &count).empty());
    EXPECT_EQ(count, 0);
}

TEST_F(FirmwareListTest, NeverMoreThanTheArrayHolds)
{
    for (int i = 0; i < FIRMWARE_LIST_MAX + 6; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "fw_dss1.%04d", i);
        touch(name);
    }
    int count = -1;
    std::vector<std::string> versions = scan("fw_dss1.", &count);
    ASSERT_EQ(count, FIRMWARE_LIST_MAX);
    // The lowest versions are kept, whatever order the directory gives.
    EXPECT_EQ(versions.front(), "0000");
    EXPECT_EQ(versions.back(), "1023");
}

TEST(FirmwareListPrefix, ByIsdnMode)
{
    EXPECT_STREQ(firmware_list_prefix(0), "fw_1tr6.");
    EXPECT_STREQ(firmware_list_prefix(1), "fw_dss1.");
}

}  // namespace
