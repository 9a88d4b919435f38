// Address, host-name and input-check utilities, with the resolver faked so
// that names, failures and the number of look-ups are exact. The reverse
// cache lives for the whole process, so every test uses addresses of its own.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "fake_resolver.h"
#include "myutil.h"
#include "records.h"

namespace {

constexpr uint32_t ip(int a, int b, int c, int d)
{
    return uint32_t(a) << 24 | uint32_t(b) << 16 | uint32_t(c) << 8 | uint32_t(d);
}

std::string name_of(uint32_t address)
{
    char text[HOST_LEN + 1];
    std::memset(text, 'X', sizeof text);
    myutil_get_host_name(address, text);
    EXPECT_NE(std::memchr(text, '\0', sizeof text), nullptr);
    return text;
}

class Utilities : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake_resolver_install();
        myutil_set_config(0, 0, 1);
    }
    void TearDown() override
    {
        fake_resolver_uninstall();
        myutil_set_config(0, 0, 1);
    }
};

TEST(UtilitySettings, ResolvingIsOnUntilConfiguredAndTheSettingsAreKept)
{
    // The switch as a program finds it at its start: in a process of its own,
    // since tests before this one in the same process may have set it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(myutil_get_my_nameres() == 1 && myutil_get_my_ip() == 0 ? 0 : 1),
                ::testing::ExitedWithCode(0), "");
    myutil_set_config(ip(10, 77, 0, 1), ip(255, 255, 255, 0), 0);
    EXPECT_EQ(myutil_get_my_ip(), ip(10, 77, 0, 1));
    EXPECT_EQ(myutil_get_my_netmask(), ip(255, 255, 255, 0));
    EXPECT_EQ(myutil_get_my_nameres(), 0);
    myutil_set_config(0, 0, 1);
}

TEST_F(Utilities, HostNamesComeFromTheResolverWhenShortEnough)
{
    fake_resolver_add("gateway", ip(10, 200, 0, 1));
    fake_resolver_add("twenty-characters-xx", ip(10, 200, 0, 2));
    fake_resolver_add("twenty-one-characters", ip(10, 200, 0, 3));
    EXPECT_EQ(name_of(ip(10, 200, 0, 1)), "gateway");
    EXPECT_EQ(name_of(ip(10, 200, 0, 2)), "twenty-characters-xx");
    EXPECT_EQ(name_of(ip(10, 200, 0, 3)), "10.200.0.3");
    EXPECT_EQ(name_of(ip(10, 200, 0, 4)), "10.200.0.4");  // unknown
    EXPECT_EQ(fake_resolver_reverse_calls(), 4);
    // Every answer, failures included, is asked once only.
    EXPECT_EQ(name_of(ip(10, 200, 0, 3)), "10.200.0.3");
    EXPECT_EQ(name_of(ip(10, 200, 0, 4)), "10.200.0.4");
    EXPECT_EQ(name_of(ip(10, 200, 0, 1)), "gateway");
    EXPECT_EQ(fake_resolver_reverse_calls(), 4);
}

TEST_F(Utilities, NetworksBroadcastsAndMasksAreNeverLookedUp)
{
    for (uint32_t address :
         {ip(10, 1, 2, 0), ip(10, 1, 2, 255), ip(255, 255, 255, 0), ip(255, 1, 2, 3), 0u}) {
        fake_resolver_add("named", address);
    }
    EXPECT_EQ(name_of(ip(10, 1, 2, 0)), "10.1.2.0");
    EXPECT_EQ(name_of(ip(10, 1, 2, 255)), "10.1.2.255");
    EXPECT_EQ(name_of(ip(255, 255, 255, 0)), "255.255.255.0");
    EXPECT_EQ(name_of(ip(255, 1, 2, 3)), "255.1.2.3");
    EXPECT_EQ(name_of(0), "0.0.0.0");
    EXPECT_EQ(name_of(0xFFFFFFFF), "255.255.255.255");
    EXPECT_EQ(fake_resolver_reverse_calls(), 0);
}

TEST_F(Utilities, WithResolvingOffEveryAddressIsDotted)
{
    fake_resolver_add("gateway", ip(10, 202, 0, 1));
    myutil_set_config(0, 0, 0);
    EXPECT_EQ(name_of(ip(10, 202, 0, 1)), "10.202.0.1");
    EXPECT_EQ(myutil_get_host_addr("gateway"), 0u);
    EXPECT_EQ(myutil_check_ip("gateway"), 0);
    EXPECT_EQ(fake_resolver_reverse_calls() + fake_resolver_forward_calls(), 0);
}

TEST_F(Utilities, TheHundredAndFirstAddressReplacesTheOldestEntry)
{
    // Whatever the cache held before, 100 new addresses fill it completely;
    // the 101st then overwrites the first of them and nothing else.
    for (int i = 1; i <= HOST_CACHE_SIZE + 1; i++)
        name_of(ip(10, 201, 1, i));
    EXPECT_EQ(fake_resolver_reverse_calls(), HOST_CACHE_SIZE + 1);
    name_of(ip(10, 201, 1, 2));  // the second is still there
    EXPECT_EQ(fake_resolver_reverse_calls(), HOST_CACHE_SIZE + 1);
    name_of(ip(10, 201, 1, 1));  // the first was replaced
    EXPECT_EQ(fake_resolver_reverse_calls(), HOST_CACHE_SIZE + 2);
}

TEST(DottedQuad, StrictForm)
{
    struct Case {
        const char* text;
        int ok;
        uint32_t value;
    };
    const Case cases[] = {
        {"10.1.2.3", 1, ip(10, 1, 2, 3)},
        {" 10.1.2.3", 1, ip(10, 1, 2, 3)},
        {"10. 1.  2. 3", 1, ip(10, 1, 2, 3)},
        {"0.0.0.0", 1, 0},
        {"255.255.255.255", 1, 0xFFFFFFFF},
        {"010.001.002.003", 1, ip(10, 1, 2, 3)},  // decimal, leading zeros
        {"10.1.2.3 ", 0, 0},
        {"10.1.2.3.", 0, 0},
        {"10 .1.2.3", 0, 0},
        {"10.1.2", 0, 0},
        {"10.1.2.3.4", 0, 0},
        {"10..2.3", 0, 0},
        {"10.1.2.256", 0, 0},
        {"10.1.2.99999999999", 0, 0},
        {"\t10.1.2.3", 0, 0},
        {"+10.1.2.3", 0, 0},
        {"0x0A.1.2.3", 0, 0},
        {"", 0, 0},
    };
    for (const Case& c : cases) {
        uint32_t value = 12345;
        EXPECT_EQ(myutil_parse_dotted_quad(c.text, &value), c.ok) << '"' << c.text << '"';
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
    EXPECT_EQ(myutil_parse_dotted_quad(nullptr, nullptr), 0);
}

TEST_F(Utilities, TextsToAddresses)
{
    fake_resolver_add("gateway", ip(10, 203, 0, 1));
    fake_resolver_add("10.1.2.3.", ip(10, 203, 0, 2));
    fake_resolver_add("10.1.2.256", ip(10, 203, 0, 3));
    fake_resolver_add("10.1.2", ip(10, 203, 0, 4));
    fake_resolver_add("0xff.0xff.0xff.0xff", ip(10, 203, 0, 5));
    struct Case {
        const char* text;
        uint32_t address;
    };
    const Case cases[] = {
        {"10.1.2.3", ip(10, 1, 2, 3)},
        {" 10.1.2.3", ip(10, 1, 2, 3)},
        {"255.255.255.255", 0xFFFFFFFF},
        {"0.0.0.0", 0},
        {"", 0},
        {"gateway", ip(10, 203, 0, 1)},
        {"unknown-host", 0},
        // Numeric forms that do not read back as typed are no address,
        // whatever the resolver would say.
        {"10.1.2", 0},
        {"10.1.2.3 ", 0},
        {"0xff.0xff.0xff.0xff", 0},
        // Not numeric at all: only a host name of that spelling counts.
        {"10.1.2.3.", ip(10, 203, 0, 2)},
        {"10.1.2.256", ip(10, 203, 0, 3)},
        {"10.1.2.300", 0},
        {"012.1.2.3x", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(myutil_get_host_addr(c.text), c.address) << '"' << c.text << '"';
    EXPECT_EQ(myutil_get_host_addr(nullptr), 0u);
}

TEST_F(Utilities, NumericFormsNeverReachTheNameResolver)
{
    fake_resolver_add("10.1.2", ip(10, 204, 0, 1));
    for (const char* text : {"10.1.2", "10.1.2.3 ", "0xff.0xff.0xff.0xff", "10.1.2.3"})
        myutil_get_host_addr(text);
    EXPECT_EQ(fake_resolver_forward_calls(), 0);
}

TEST_F(Utilities, CheckIpAcceptsAddressesAndTheTextOfNoAddress)
{
    fake_resolver_add("gateway", ip(10, 205, 0, 1));
    struct Case {
        const char* text;
        int ok;
    };
    const Case cases[] = {
        {"0.0.0.0", 1},  {"10.1.2.3", 1},     {"gateway", 1}, {" 0.0.0.0", 0},
        {"0.0.0.0 ", 0}, {"nobody-knows", 0}, {"", 0},        {"10.1.2", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(myutil_check_ip(c.text), c.ok) << '"' << c.text << '"';
    EXPECT_EQ(myutil_check_ip(nullptr), 0);
}

TEST(PhoneCheck, DigitsWithAnOptionalClosingS)
{
    struct Case {
        const char* text;
        int ok;
    };
    const Case cases[] = {
        {"0301234567", 1}, {"5", 1},       {"0301234567s", 1}, {"s", 1},
        {"", 0},           {"030s123", 0}, {"+49301234", 0},   {"030 1234", 0},
        {"030S", 0},       {"ss", 0},      {"12-34", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(myutil_check_phone(c.text), c.ok) << '"' << c.text << '"';
    EXPECT_EQ(myutil_check_phone(nullptr), 0);
}

TEST(FileExist, FilesAndDevicesYesDirectoriesAndNothingNo)
{
    char dir_template[] = "/tmp/qvutilXXXXXX";
    ASSERT_NE(mkdtemp(dir_template), nullptr);
    std::string dir = dir_template;
    std::string file = dir + "/plain";
    if (FILE* f = std::fopen(file.c_str(), "w"))
        std::fclose(f);
    EXPECT_EQ(myutil_file_exist(file.c_str()), 1);
    EXPECT_EQ(myutil_file_exist("/dev/null"), 1);
    EXPECT_EQ(myutil_file_exist(dir.c_str()), 0);
    EXPECT_EQ(myutil_file_exist((dir + "/missing").c_str()), 0);
    EXPECT_EQ(myutil_file_exist(""), 0);
    EXPECT_EQ(myutil_file_exist(nullptr), 0);
    std::remove(file.c_str());
    rmdir(dir.c_str());
}

TEST(OwnHostName, AlwaysTerminatedAndACutNameIsAFailure)
{
    char system_name[256] = "";
    ASSERT_EQ(gethostname(system_name, sizeof system_name - 1), 0);
    size_t length = std::strlen(system_name);
    ASSERT_GT(length, 1u);

    char name[256];
    std::memset(name, 'X', sizeof name);
    EXPECT_EQ(myutil_get_my_hostname(name, length + 1), 0);
    EXPECT_STREQ(name, system_name);

    std::memset(name, 'X', sizeof name);
    EXPECT_EQ(myutil_get_my_hostname(name, length), -1);
    EXPECT_EQ(name[length - 1], '\0');
    EXPECT_EQ(std::string(name), std::string(system_name, length - 1));

    EXPECT_EQ(myutil_get_my_hostname(name, 0), -1);
}

TEST(Allocation, ZeroFilledAndZeroSizeIsNotAFailure)
{
    auto* block = static_cast<unsigned char*>(myutil_malloc(100));
    for (int i = 0; i < 100; i++)
        ASSERT_EQ(block[i], 0);
    std::free(block);
    void* empty = myutil_malloc(0);
    EXPECT_NE(empty, nullptr);
    std::free(empty);
}

}  // namespace
