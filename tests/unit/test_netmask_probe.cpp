// The netmask probe: its parsers on literal output of both generations of
// net-tools, and the whole probe against the real commands in a private
// network namespace.
#include <gtest/gtest.h>
#include <sched.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "myutil.h"
#include "netmask_probe.h"
#include "records.h"

namespace {

constexpr uint32_t ip(unsigned a, unsigned b, unsigned c, unsigned d)
{
    return (a << 24) | (b << 16) | (c << 8) | d;
}

// A resolver with a fixed set of names; dotted quads convert as themselves.
uint32_t fake_resolve(const char* text)
{
    struct Name {
        const char* name;
        uint32_t address;
    };
    static constexpr Name kNames[] = {
        {"myhost", ip(192, 9, 200, 44)},
        {"localhost", ip(127, 0, 0, 1)},
        {"gw-router", ip(192, 9, 200, 1)},
    };
    for (const Name& n : kNames) {
        if (std::strcmp(text, n.name) == 0)
            return n.address;
    }
    uint32_t value = 0;
    return myutil_parse_dotted_quad(text, &value) ? value : 0;
}

// `netstat -r | awk '{print $2 " " $NF}'` on this kind of machine: the
// interface's own route has the gateway 0.0.0.0.
const std::string kCurrentRoutes =
    "IP table\n"
    "Gateway Iface\n"
    "192.0.2.1 eth0\n"
    "0.0.0.0 eth0\n";

// The same on an older system: the interface route's gateway is this host.
const std::string kClassicRoutes =
    "tables tables\n"
    "Gateway Interface\n"
    "localhost lo0\n"
    "gw-router le0\n"
    "myhost le0\n";

// `ifconfig IF | awk '/netmask/ {print $2 " " $4}'`: dotted here, hex there.
const std::string kCurrentInterface = "192.0.2.2 255.255.255.0\n";
const std::string kClassicInterface = "192.9.200.44 ffffff00\n";

// Every text handed to the resolver, in order; resolves as fake_resolve.
std::vector<std::string> resolved;
uint32_t recording_resolve(const char* text)
{
    resolved.push_back(text);
    return fake_resolve(text);
}

// The header lines of netstat's output (titles, column headers, separator
// rules) are never handed to the resolver: without a reachable name server
// each one would stall the start-up for seconds, and the column title
// "Gateway" of the current form would even be taken for a host. Only the
// gateways of routing entries are resolved, up to the one that settles it.
TEST(NetmaskProbeRoutes, HeaderLinesAreNeverResolved)
{
    struct Case {
        const char* name;
        std::string output;
        uint32_t own;
        std::vector<std::string> names;
        std::vector<std::string> resolved;
    };
    const Case cases[] = {
        {"current", kCurrentRoutes, ip(192, 0, 2, 2), {"eth0"}, {"192.0.2.1"}},
        {"classic",
         kClassicRoutes,
         ip(192, 9, 200, 44),
         {"le0"},
         {"localhost", "gw-router", "myhost"}},
        {"current with a named default gateway",
         "IP table\n"
         "Gateway Iface\n"
         "_gateway eth0\n"
         "0.0.0.0 eth0\n",
         ip(192, 0, 2, 2),
         {"eth0"},
         {"_gateway"}},
        {"sections with a header each, and on-link gateways that are no hosts",
         "tables tables\n"
         "Internet:\n"
         "Gateway Expire\n"
         "192.9.200.1 en0\n"
         "link#4 en0\n"
         "0:c:29:aa:bb:cc en0\n"
         "Internet6:\n"
         "Gateway Expire\n"
         "fe80::1%lo0 lo0\n",
         ip(192, 9, 200, 44),
         {},
         {"192.9.200.1"}},
        {"a rule under the column header",
         "Table: IPv4\n"
         "Gateway Interface\n"
         "-------------------- ---------\n"
         "myhost le0\n",
         ip(192, 9, 200, 44),
         {"le0"},
         {"myhost"}},
        // A gateway named like the column title is a host once the header
        // has passed: only the header's own pair of words is skipped.
        {"a gateway host named like the column",
         "IP table\n"
         "Gateway Iface\n"
         "Gateway eth1\n"
         "0.0.0.0 eth0\n",
         ip(192, 0, 2, 2),
         {"eth0"},
         {"Gateway"}},
        {"no header at all",
         "gw-router eth1\n0.0.0.0 eth0\n",
         ip(192, 0, 2, 2),
         {"eth0"},
         {"gw-router"}},
    };
    for (const Case& c : cases) {
        resolved.clear();
        NetprobeInterfaces found = netprobe_parse_routes(c.output, c.own, recording_resolve);
        EXPECT_EQ(found.names, c.names) << c.name;
        EXPECT_EQ(resolved, c.resolved) << c.name;
    }
}

TEST(NetmaskProbeRoutes, CurrentFormChoosesTheOnLinkInterface)
{
    NetprobeInterfaces found =
        netprobe_parse_routes(kCurrentRoutes, ip(192, 0, 2, 2), fake_resolve);
    EXPECT_EQ(found.names, std::vector<std::string>{"eth0"});
    EXPECT_FALSE(found.own_gateway);
}

TEST(NetmaskProbeRoutes, ClassicFormChoosesTheInterfaceRoutedThroughThisHost)
{
    NetprobeInterfaces found =
        netprobe_parse_routes(kClassicRoutes, ip(192, 9, 200, 44), fake_resolve);
    ASSERT_FALSE(found.names.empty());
    EXPECT_EQ(found.names[0], "le0");
    EXPECT_TRUE(found.own_gateway);
}

TEST(NetmaskProbeRoutes, ClassicFormWithTheOwnAddressAsGateway)
{
    const std::string routes = "Gateway Interface\n192.9.200.1 le0\n192.9.200.44 le1\n";
    NetprobeInterfaces found = netprobe_parse_routes(routes, ip(192, 9, 200, 44), fake_resolve);
    EXPECT_EQ(found.names, std::vector<std::string>{"le1"});
    EXPECT_TRUE(found.own_gateway);
}

TEST(NetmaskProbeRoutes, OwnGatewayGoesBeforeOnLinkRoutesAndNamesDoNotRepeat)
{
    const std::string routes =
        "0.0.0.0 eth1\n"
        "* eth2\n"
        "0.0.0.0 eth1\n"
        "10.0.0.5 eth3\n";
    NetprobeInterfaces found = netprobe_parse_routes(routes, ip(10, 0, 0, 5), fake_resolve);
    EXPECT_EQ(found.names, (std::vector<std::string>{"eth3", "eth1", "eth2"}));
    EXPECT_TRUE(found.own_gateway);
}

TEST(NetmaskProbeRoutes, LinesWithoutTwoFieldsOrWithUnsafeNamesAreSkipped)
{
    const std::string routes =
        "\n"
        "lonely\n"
        "0.0.0.0 eth0;reboot\n"
        "0.0.0.0 $(touch_x)\n"
        "0.0.0.0 -rf\n"
        "0.0.0.0 `id`\n"
        "0.0.0.0 wlan0\n";
    NetprobeInterfaces found = netprobe_parse_routes(routes, ip(10, 0, 0, 5), fake_resolve);
    EXPECT_EQ(found.names, std::vector<std::string>{"wlan0"});
}

TEST(NetmaskProbeRoutes, NoOwnAddressChoosesNothing)
{
    // 0.0.0.0 converts to 0 as well; an unknown own address must not match it.
    NetprobeInterfaces found = netprobe_parse_routes(kCurrentRoutes, 0, fake_resolve);
    EXPECT_TRUE(found.names.empty());
}

TEST(NetmaskProbeInterface, PicksTheLineOfTheOwnAddress)
{
    const std::string output = "10.1.1.1 255.0.0.0\n192.0.2.2 255.255.255.128\n";
    uint32_t mask = 0;
    ASSERT_EQ(netprobe_parse_ifconfig(output, ip(192, 0, 2, 2), false, fake_resolve, &mask), 1);
    EXPECT_EQ(mask, ip(255, 255, 255, 128));
}

TEST(NetmaskProbeInterface, BothFormsOfMask)
{
    uint32_t mask = 0;
    ASSERT_EQ(
        netprobe_parse_ifconfig(kCurrentInterface, ip(192, 0, 2, 2), false, fake_resolve, &mask),
        1);
    EXPECT_EQ(mask, ip(255, 255, 255, 0));
    ASSERT_EQ(
        netprobe_parse_ifconfig(kClassicInterface, ip(192, 9, 200, 44), true, fake_resolve, &mask),
        1);
    EXPECT_EQ(mask, ip(255, 255, 255, 0));
}

TEST(NetmaskProbeInterface, OlderLabelledAddressIsRecognised)
{
    uint32_t mask = 0;
    ASSERT_EQ(netprobe_parse_ifconfig("addr:10.2.3.4 ffff0000\n", ip(10, 2, 3, 4), false,
                                      fake_resolve, &mask),
              1);
    EXPECT_EQ(mask, ip(255, 255, 0, 0));
}

TEST(NetmaskProbeInterface, AnotherAddressCountsOnlyWhenTheRouteChoseTheInterface)
{
    uint32_t mask = 7;
    EXPECT_EQ(
        netprobe_parse_ifconfig(kCurrentInterface, ip(10, 9, 9, 9), false, fake_resolve, &mask), 0);
    EXPECT_EQ(mask, 7u);
    EXPECT_EQ(
        netprobe_parse_ifconfig(kCurrentInterface, ip(10, 9, 9, 9), true, fake_resolve, &mask), 1);
    EXPECT_EQ(mask, ip(255, 255, 255, 0));
}

TEST(NetmaskProbeInterface, NoUsableLine)
{
    uint32_t mask = 7;
    EXPECT_EQ(netprobe_parse_ifconfig("", ip(10, 0, 0, 1), true, fake_resolve, &mask), 0);
    EXPECT_EQ(netprobe_parse_ifconfig("10.0.0.1\n10.0.0.1 junk!\n", ip(10, 0, 0, 1), true,
                                      fake_resolve, &mask),
              0);
    EXPECT_EQ(mask, 7u);
}

TEST(NetmaskProbeMask, Forms)
{
    struct Case {
        const char* text;
        int ok;
        uint32_t mask;
    };
    const Case cases[] = {
        {"255.255.255.0", 1, ip(255, 255, 255, 0)},
        {"255.255.0.0", 1, ip(255, 255, 0, 0)},
        {"ffffff00", 1, ip(255, 255, 255, 0)},
        {"0xffff0000", 1, ip(255, 255, 0, 0)},
        {"0XFF000000", 1, ip(255, 0, 0, 0)},
        {"FFFFFFFC", 1, ip(255, 255, 255, 252)},
        {"0x", 1, 0},
        {"0.0.0.0", 1, 0},
        {"1ffffff00", 0, 0},  // more than 32 bits
        {"ffffff00x", 0, 0},
        {"255.255.255", 0, 0},  // a dotted form that is no quad is never hex
        {"255.255.255.256", 0, 0},
        {"mask", 0, 0},
    };
    for (const Case& c : cases) {
        uint32_t mask = 0;
        EXPECT_EQ(netprobe_parse_mask(c.text, &mask), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(mask, c.mask) << c.text;
        }
    }
}

TEST(NetmaskProbeMask, InterfaceNames)
{
    struct Case {
        const char* name;
        int ok;
    };
    const Case cases[] = {
        {"eth0", 1},
        {"le0", 1},
        {"eth0:1", 1},
        {"br-1a2b3c", 1},
        {"veth.10", 1},
        {"wlp2s0_x", 1},
        {"abcdefghijklmno", 1},
        {"", 0},
        {"-x", 0},
        {"abcdefghijklmnop", 0},
        {"eth0;reboot", 0},
        {"a b", 0},
        {"$(id)", 0},
        {"e|x", 0},
        {"e'x", 0},
        {"e>x", 0},
        {"e/x", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(netprobe_valid_ifname(c.name), c.ok) << c.name;
}

// ---------------------------------------------- the real commands ---

// A private network and host name for this test process: a veth pair whose
// first end carries `address`/`prefix`, and the host name set to `hostname`.
bool private_network(const char* hostname, const char* address, int prefix)
{
    if (unshare(CLONE_NEWNET | CLONE_NEWUTS) != 0)
        return false;
    if (sethostname(hostname, std::strlen(hostname)) != 0)
        return false;
    std::string setup = "ip link add pv0 type veth peer name pv1 && ip addr add " +
                        std::string(address) + "/" + std::to_string(prefix) +
                        " dev pv0 && ip link set pv0 up && ip link set pv1 up";
    return std::system(setup.c_str()) == 0;
}

TEST(NetmaskProbeCommands, FindsTheMaskOfTheInterfaceCarryingThisHost)
{
    if (!private_network("10.77.0.1", "10.77.0.1", 16))
        GTEST_SKIP() << "needs root for namespaces";
    RouterSettings settings;
    std::memset(&settings, 0, sizeof settings);
    myutil_copy_text(settings.netmask, "255.255.255.0");
    helpfunc_get_netmask(&settings);
    EXPECT_STREQ(settings.netmask, "255.255.0.0");
}

TEST(NetmaskProbeCommands, KeepsTheMaskWhenNoInterfaceCarriesThisHost)
{
    if (!private_network("10.88.0.1", "10.77.0.1", 16))
        GTEST_SKIP() << "needs root for namespaces";
    RouterSettings settings;
    std::memset(&settings, 0, sizeof settings);
    myutil_copy_text(settings.netmask, "255.255.255.0");
    helpfunc_get_netmask(&settings);
    EXPECT_STREQ(settings.netmask, "255.255.255.0");
}

TEST(NetmaskProbeCommands, PutsTheCommandDirectoriesInFrontOfALongPath)
{
    const std::string old_path(8192, 'p');
    setenv("PATH", (old_path + ":/usr/bin:/bin").c_str(), 1);
    RouterSettings settings;
    std::memset(&settings, 0, sizeof settings);
    helpfunc_get_netmask(&settings);
    EXPECT_EQ(std::string(std::getenv("PATH")),
              std::string(NETPROBE_PATH_PREFIX) + ":" + old_path + ":/usr/bin:/bin");
}

TEST(NetmaskProbeCommands, AnUnsetPathGainsNoWorkingDirectoryEntry)
{
    unsetenv("PATH");
    RouterSettings settings;
    std::memset(&settings, 0, sizeof settings);
    helpfunc_get_netmask(&settings);
    EXPECT_STREQ(std::getenv("PATH"), NETPROBE_PATH_PREFIX);
}

}  // namespace
