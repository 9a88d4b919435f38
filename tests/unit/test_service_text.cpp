// Services of filter rules as text and back, against the system's service
// and protocol databases (netbase), and what a whole table costs in look-ups.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <netdb.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "config_file.h"
#include "list.h"
#include "myutil.h"
#include "record_defaults.h"
#include "records.h"
#include "service_text.h"
#include "temp_dir.h"

// ------------------------------------------------- counted database calls
//
// The test binary's own definitions come first, so every look-up of the back
// end is counted here before it goes on to the system's.

namespace {

int database_calls = 0;

template <typename F>
F system_function(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" servent* getservbyname(const char* name, const char* proto)
{
    ++database_calls;
    using Real = servent* (*)(const char*, const char*);
    static Real real = system_function<Real>("getservbyname");
    return real != nullptr ? real(name, proto) : nullptr;
}

extern "C" servent* getservbyport(int port, const char* proto)
{
    ++database_calls;
    using Real = servent* (*)(int, const char*);
    static Real real = system_function<Real>("getservbyport");
    return real != nullptr ? real(port, proto) : nullptr;
}

extern "C" protoent* getprotobyname(const char* name)
{
    ++database_calls;
    using Real = protoent* (*)(const char*);
    static Real real = system_function<Real>("getprotobyname");
    return real != nullptr ? real(name) : nullptr;
}

extern "C" protoent* getprotobynumber(int proto)
{
    ++database_calls;
    using Real = protoent* (*)(int);
    static Real real = system_function<Real>("getprotobynumber");
    return real != nullptr ? real(proto) : nullptr;
}

namespace {

struct Pair {
    int32_t protocol;
    int32_t port;
};

// ------------------------------------------------------------ the text ---

TEST(ServiceText, OfARule)
{
    struct Case {
        Pair rule;
        const char* text;
    };
    const Case cases[] = {
        {{0, 0}, "all"},
        {{6, 21}, "ftp"},  // registered for tcp only
        {{6, 23}, "telnet"},
        {{17, 69}, "tftp"},   // udp only
        {{6, 53}, "53/tcp"},  // "domain" is tcp and udp: a reader could not tell
        {{17, 53}, "53/udp"},
        {{6, 31337}, "31337/tcp"},  // no name
        {{6, 0}, "0/tcp"},
        {{1, 0}, "0/icmp"},
        {{0, 80}, "80/ip"},   // the pseudo-protocol 0 with a port
        {{200, 7}, "7/200"},  // a protocol the database does not know
        {{6, 65535}, "65535/tcp"},
        {{6, 65536}, "65536/tcp"},  // beyond what the wire holds: never a name
    };
    for (const Case& c : cases) {
        EXPECT_EQ(service_text(c.rule.protocol, c.rule.port), c.text) << c.text;
    }
}

// ------------------------------------------------------------- reading ---

TEST(ServiceText, ParsedBack)
{
    struct Case {
        const char* text;
        bool ok;
        Pair rule;
    };
    const Case cases[] = {
        {"all", true, {0, 0}},
        {"ftp", true, {6, 21}},
        {"tftp", true, {17, 69}},
        {"domain", true, {6, 53}},  // the first entry of the name
        {"53/udp", true, {17, 53}},
        {"8080/tcp", true, {6, 8080}},
        {"0x50/tcp", true, {6, 80}},  // hexadecimal
        {"025/tcp", true, {6, 21}},   // octal
        {"0/icmp", true, {1, 0}},
        {"7/200", true, {200, 7}},  // a protocol by its number
        {"7/255", true, {255, 7}},
        {"65535/udp", true, {17, 65535}},
        {"65536/udp", false, {}},  // one bound for every reader
        {"99999999999999999999/tcp", false, {}},
        {"7/256", false, {}},
        {"80/nosuchproto", false, {}},
        {"-1/tcp", false, {}},
        {"+1/tcp", false, {}},
        {" 1/tcp", false, {}},
        {"1 /tcp", false, {}},
        {"08/tcp", false, {}},  // not octal
        {"/tcp", false, {}},
        {"80/", false, {}},
        {"80", false, {}},
        {"ALL", false, {}},
        {"tcp", false, {}},
        {"nosuchservice", false, {}},
        {"", false, {}},
    };
    for (const Case& c : cases) {
        int32_t protocol = -7;
        int32_t port = -7;
        ASSERT_EQ(service_parse(c.text, &protocol, &port), c.ok) << c.text;
        if (!c.ok) {
            EXPECT_EQ(protocol, -7) << c.text;
            EXPECT_EQ(port, -7) << c.text;
            continue;
        }
        EXPECT_EQ(protocol, c.rule.protocol) << c.text;
        EXPECT_EQ(port, c.rule.port) << c.text;
    }
    int32_t protocol = 0;
    int32_t port = 0;
    EXPECT_FALSE(service_parse(nullptr, &protocol, &port));
}

// Whatever the text of a valid rule, it reads back to that rule.
TEST(ServiceText, EveryTextReadsBackToItsRule)
{
    ServiceNames names;
    int checked = 0;
    for (int32_t protocol : {0, 1, 6, 17, 47, 200, 255}) {
        for (int32_t port = 0; port <= SERVICE_MAX_PORT; port += port < 1100 ? 1 : 997) {
            const std::string text = names.text(protocol, port);
            int32_t p = -1;
            int32_t q = -1;
            ASSERT_TRUE(names.parse(text.c_str(), &p, &q))
                << protocol << " " << port << " " << text;
            ASSERT_EQ(p, protocol) << text;
            ASSERT_EQ(q, port) << text;
            ++checked;
        }
    }
    EXPECT_GT(checked, 7 * 1100);
}

// ------------------------------------------------------------ the cost ---

TEST(ServiceText, EachServiceIsLookedUpOnce)
{
    ServiceNames names;
    database_calls = 0;
    EXPECT_EQ(names.text(6, 21), "ftp");
    const int first = database_calls;
    EXPECT_GT(first, 0);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(names.text(6, 21), "ftp");
        int32_t protocol = 0;
        int32_t port = 0;
        EXPECT_TRUE(names.parse("ftp", &protocol, &port));
        EXPECT_TRUE(names.parse("21/tcp", &protocol, &port));
    }
    EXPECT_EQ(database_calls, first);
}

FilterEntry rule(int32_t protocol, int32_t port, int i)
{
    FilterEntry f;
    std::memset(&f, 0, sizeof f);
    myutil_copy_text(f.send_mask, "0.0.0.0");
    myutil_copy_text(f.send_match, "0.0.0.0");
    myutil_copy_text(f.receive_mask, "255.255.255.0");
    myutil_copy_text(f.receive_match, ("10.4." + std::to_string(i) + ".0").c_str());
    f.protocol = protocol;
    f.port = port;
    f.action = i & 1;
    return f;
}

class ServiceCost : public ::testing::Test {
protected:
    void SetUp() override
    {
        list_init();
        myutil_fill_default_structs();
        myutil_set_config(0, 0, 1);
        ASSERT_FALSE(tmp_.path().empty());
    }

    // Database calls to write, and then to read, a filter table of `count`
    // rules that cycle through four services.
    std::pair<int, int> cost(int count)
    {
        const Pair services[] = {{6, 21}, {17, 53}, {6, 31337}, {200, 7}};
        ListObject* filters = listhelp_new_filter_list();
        for (int i = 0; i < count; ++i) {
            FilterEntry f = rule(services[i % 4].protocol, services[i % 4].port, i);
            FilterEntry* copy = static_cast<FilterEntry*>(myutil_malloc(sizeof f));
            *copy = f;
            filters->ops->list_append(filters, copy);
        }
        const std::string path = tmp_.file("rules.cfg");
        database_calls = 0;
        EXPECT_EQ(file_save_config(path.c_str(), list_object_instance, list_object_instance,
                                   filters, nullptr),
                  1);
        const int writing = database_calls;

        ListObject* lines = listhelp_new_line_list();
        ListObject* routes = listhelp_new_route_list();
        ListObject* read = listhelp_new_filter_list();
        int line = 0;
        int column = 0;
        database_calls = 0;
        EXPECT_EQ(file_load_config(path.c_str(), &lines, &routes, &read, &line, &column, 0), CFG_OK)
            << line << ":" << column << "\n"
            << tmp_.read("rules.cfg");
        const int reading = database_calls;
        EXPECT_EQ(read->count, count + 1);  // and the default rule
        for (ListObject* l : {filters, lines, routes, read})
            l->ops->list_destroy(l);
        return {writing, reading};
    }

    TempDir tmp_{"services"};
};

// A full table costs what four rules cost: the databases are asked once per
// protocol and port for the whole file.
TEST_F(ServiceCost, AFullTableCostsNoMoreThanItsDistinctServices)
{
    const std::pair<int, int> four = cost(4);
    const std::pair<int, int> full = cost(MAX_FILTERS - 1);
    EXPECT_GT(four.first, 0);
    EXPECT_GT(four.second, 0);
    EXPECT_EQ(full.first, four.first);
    EXPECT_EQ(full.second, four.second);
    EXPECT_LE(four.first, 4 * 5);
}

}  // namespace
