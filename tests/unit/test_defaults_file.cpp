// The defaults file "qorvel.def" and the saved accounting text.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "accounting_file.h"
#include "defaults_file.h"
#include "fake_resolver.h"
#include "myutil.h"
#include "temp_dir.h"

namespace {

using namespace std::string_literals;

constexpr uint32_t ip(unsigned a, unsigned b, unsigned c, unsigned d)
{
    return (a << 24) | (b << 16) | (c << 8) | d;
}

constexpr uint32_t kStartAddress = ip(10, 0, 0, 1);
constexpr uint32_t kStartMask = ip(255, 255, 255, 0);

class DataDirTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(dir_.empty());
        // Host names resolve by the test's own table, whatever ran before in
        // this process.
        myutil_set_config(0, 0, 1);
        fake_resolver_install();
        fake_resolver_add("localhost", ip(127, 0, 0, 1));
    }
    void TearDown() override { fake_resolver_uninstall(); }
    void write_defaults(const std::string& text) { tmp_.write("qorvel.def", text); }
    std::string read(const std::string& path)
    {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    TempDir tmp_{"defaults", TempDir::DATA_DIR};
    const std::string dir_ = tmp_.path();
};

using DefaultsFileTest = DataDirTest;

TEST_F(DefaultsFileTest, LinesAndTheirEffect)
{
    struct Case {
        const char* name;
        const char* file;
        int result;
        uint32_t address;
        uint32_t mask;
        int resolving;
    };
    const Case cases[] = {
        {"comments only", "# site defaults\n\n   \n\t# indented comment\n", 1, kStartAddress,
         kStartMask, 1},
        {"host address", "qorvel_hostname 10.1.2.3\n", 1, ip(10, 1, 2, 3), kStartMask, 1},
        {"host by name", "qorvel_hostname localhost\n", 1, ip(127, 0, 0, 1), kStartMask, 1},
        {"netmask", "qorvel_netmask 255.255.0.0\n", 1, kStartAddress, ip(255, 255, 0, 0), 1},
        {"tabs separate", "\tqorvel_netmask\t255.0.0.0\t\n", 1, kStartAddress, ip(255, 0, 0, 0), 1},
        {"resolving off in capitals", "qorvel_name_resolving OFF\n", 1, kStartAddress, kStartMask,
         0},
        {"resolving mixed case", "qorvel_name_resolving oFf\nqorvel_name_resolving On\n", 1,
         kStartAddress, kStartMask, 1},
        {"resolving no", "qorvel_name_resolving no\n", 0, kStartAddress, kStartMask, 1},
        {"zero netmask", "qorvel_netmask 0.0.0.0\n", 0, kStartAddress, kStartMask, 1},
        {"key in capitals", "QORVEL_HOSTNAME 10.1.2.3\n", 0, kStartAddress, kStartMask, 1},
        {"trailing comment word", "qorvel_hostname 10.1.2.3 #office\n", 0, kStartAddress,
         kStartMask, 1},
        {"missing value", "qorvel_netmask\n", 0, kStartAddress, kStartMask, 1},
        {"unknown key", "qorvel_gateway 10.1.2.3\n", 0, kStartAddress, kStartMask, 1},
        {"unconvertible host", "qorvel_hostname 10.1.2\n", 0, kStartAddress, kStartMask, 1},
        {"later line wins", "qorvel_hostname 10.1.2.3\nqorvel_hostname 10.1.2.4\n", 1,
         ip(10, 1, 2, 4), kStartMask, 1},
        {"bad line does not stop reading",
         "bogus\nqorvel_netmask 255.255.255.128\nqorvel_name_resolving off", 0, kStartAddress,
         ip(255, 255, 255, 128), 0},
    };
    for (const Case& c : cases) {
        write_defaults(c.file);
        uint32_t address = kStartAddress;
        uint32_t mask = kStartMask;
        int resolving = 1;
        EXPECT_EQ(file_read_config_file(&address, &mask, &resolving), c.result) << c.name;
        EXPECT_EQ(address, c.address) << c.name;
        EXPECT_EQ(mask, c.mask) << c.name;
        EXPECT_EQ(resolving, c.resolving) << c.name;
    }
}

TEST_F(DefaultsFileTest, MissingFileChangesNothing)
{
    uint32_t address = kStartAddress;
    uint32_t mask = kStartMask;
    int resolving = 1;
    EXPECT_EQ(file_read_config_file(&address, &mask, &resolving), 1);
    EXPECT_EQ(address, kStartAddress);
    EXPECT_EQ(mask, kStartMask);
    EXPECT_EQ(resolving, 1);
}

TEST_F(DefaultsFileTest, OverlongLineIsReadInPieces)
{
    // The second piece of a line past the reader's limit is a line of its own.
    write_defaults(std::string(1023, ' ') + "qorvel_netmask 255.255.0.0\n");
    uint32_t address = kStartAddress;
    uint32_t mask = kStartMask;
    int resolving = 1;
    EXPECT_EQ(file_read_config_file(&address, &mask, &resolving), 1);
    EXPECT_EQ(mask, ip(255, 255, 0, 0));
}

// A NUL byte means no text file: the reading ends at its line, and what good
// lines before it set stays.
TEST_F(DefaultsFileTest, ANulByteEndsTheReading)
{
    write_defaults(
        "qorvel_netmask 255.255.0.0\nqorvel_hostname 10.9.9.9\0\nqorvel_name_resolving off\n"s);
    uint32_t address = kStartAddress;
    uint32_t mask = kStartMask;
    int resolving = 1;
    EXPECT_EQ(file_read_config_file(&address, &mask, &resolving), 0);
    EXPECT_EQ(mask, ip(255, 255, 0, 0));
    EXPECT_EQ(address, kStartAddress);
    EXPECT_EQ(resolving, 1);
}

TEST_F(DefaultsFileTest, AFileOfNulsEndsAtOnce)
{
    write_defaults(std::string(100000, '\0'));
    uint32_t address = kStartAddress;
    uint32_t mask = kStartMask;
    int resolving = 1;
    EXPECT_EQ(file_read_config_file(&address, &mask, &resolving), 0);
    EXPECT_EQ(address, kStartAddress);
    EXPECT_EQ(mask, kStartMask);
}

// Read as text, a device would never end and a FIFO never come.
TEST_F(DefaultsFileTest, AFileThatIsNoRegularFileIsNotRead)
{
    struct Case {
        const char* name;
        const char* setup;  // shell commands in the data directory
    };
    const Case cases[] = {
        {"a link to /dev/zero", "ln -s /dev/zero qorvel.def"},
        {"a FIFO without a writer", "mkfifo qorvel.def"},
        {"a directory", "mkdir qorvel.def"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(std::system(("cd '" + dir_ + "' && rm -rf qorvel.def && " + c.setup).c_str()), 0)
            << c.name;
        uint32_t address = kStartAddress;
        uint32_t mask = kStartMask;
        int resolving = 0;
        EXPECT_EQ(file_read_config_file(&address, &mask, &resolving), 0) << c.name;
        EXPECT_EQ(address, kStartAddress) << c.name;
        EXPECT_EQ(mask, kStartMask) << c.name;
        EXPECT_EQ(resolving, 0) << c.name;
    }
    ASSERT_EQ(std::system(("rm -rf '" + dir_ + "/qorvel.def'").c_str()), 0);
}

using AccountingFileTest = DataDirTest;

TEST_F(AccountingFileTest, WritesTheTextUnchanged)
{
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"empty", ""},
        {"window text", "Host 10.1.2.3\tUnits: 12\nCalls out: 3\n\n"},
        {"no line end", "Bytes in: 4096"},
    };
    for (const Case& c : cases) {
        const std::string path = dir_ + "/account.acc";
        std::ofstream(path) << "older, longer contents that must go";
        EXPECT_EQ(file_save_accounting(path.c_str(), c.text.c_str()), 1) << c.name;
        EXPECT_EQ(read(path), c.text) << c.name;
    }
}

TEST_F(AccountingFileTest, FailuresAreReported)
{
    EXPECT_EQ(file_save_accounting((dir_ + "/absent/account.acc").c_str(), "x"), 0);
    // The device accepts the open and fails the write.
    if (access("/dev/full", W_OK) == 0) {
        EXPECT_EQ(file_save_accounting("/dev/full", "Units: 12\n"), 0);
    }
}

}  // namespace
