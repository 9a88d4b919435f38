// Configuration files: what the writer produces reads back to the same
// tables; the reader's faults, limits and echo; the emergency copy.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config_file.h"
#include "fake_resolver.h"
#include "list.h"
#include "myutil.h"
#include "protocols.h"
#include "record_defaults.h"
#include "records.h"
#include "temp_dir.h"
#include "textfile.h"

namespace {

// ------------------------------------------------------------ records ---

LineTarget line_target(const char* host, const char* phone, int row2, int row3, int timeout,
                       int manual, int bundling, int compression, const char* send,
                       const char* receive)
{
    LineTarget t;
    std::memset(&t, 0, sizeof t);
    myutil_copy_text(t.host, host);
    myutil_copy_text(t.phone, phone);
    t.proto2 = &s2_protocols[row2];
    t.proto2_code = t.proto2->code;
    t.proto3 = &s3_protocols[row3];
    t.proto3_code = t.proto3->code;
    t.timeout = timeout;
    t.manual_only = manual;
    t.bundling = bundling;
    t.compression = compression;
    myutil_copy_text(t.send_pair, send);
    myutil_copy_text(t.receive_pair, receive);
    return t;
}

RouteEntry route(const char* mask, const char* match, const char* gateway)
{
    RouteEntry r;
    std::memset(&r, 0, sizeof r);
    myutil_copy_text(r.mask, mask);
    myutil_copy_text(r.match, match);
    myutil_copy_text(r.gateway, gateway);
    return r;
}

FilterEntry filter(const char* send_mask, const char* send_match, const char* receive_mask,
                   const char* receive_match, int protocol, int port, int action)
{
    FilterEntry f;
    std::memset(&f, 0, sizeof f);
    myutil_copy_text(f.send_mask, send_mask);
    myutil_copy_text(f.send_match, send_match);
    myutil_copy_text(f.receive_mask, receive_mask);
    myutil_copy_text(f.receive_match, receive_match);
    f.protocol = protocol;
    f.port = port;
    f.action = action;
    return f;
}

template <typename T>
void append(ListObject* list, const T& record)
{
    T* copy = static_cast<T*>(myutil_malloc(sizeof(T)));
    *copy = record;
    list->ops->list_append(list, copy);
}

template <typename T>
const T& at(ListObject* list, int position)
{
    return *static_cast<const T*>(list->ops->list_get_at(list, position)->element);
}

// Entry by entry with the list's own compare, and every index in order.
void expect_same_entries(ListObject* expected, ListObject* actual, const char* table)
{
    ASSERT_EQ(actual->count, expected->count) << table;
    ListNode* a = actual->head;
    int place = 0;
    for (ListNode* e = expected->head; e != nullptr; e = e->next, a = a->next, ++place) {
        EXPECT_EQ(expected->compare(e, a), 0) << table << " entry " << place + 1;
    }
}

// --------------------------------------------------------- the fixture ---

class ConfigFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        list_init();
        myutil_fill_default_structs();
        file_echo_errors = 0;
        // Host names resolve exactly as the tests say, whatever ran before.
        myutil_set_config(0, 0, 1);
        fake_resolver_install();
        fake_resolver_add("localhost", 0x7F000001);
        ASSERT_FALSE(dir_.empty());
        lines_ = listhelp_new_line_list();
        routes_ = listhelp_new_route_list();
        filters_ = listhelp_new_filter_list();
        std::memset(&settings_, 0, sizeof settings_);
    }
    void TearDown() override
    {
        for (ListObject* l : {lines_, routes_, filters_})
            l->ops->list_destroy(l);
        fake_resolver_uninstall();
    }

    std::string path(const char* name = "test.cfg") const { return dir_ + "/" + name; }

    void write_file(const std::string& text, const char* name = "test.cfg")
    {
        std::ofstream(path(name)) << text;
    }

    static std::string read_file(const std::string& p)
    {
        std::ifstream in(p);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    int save(const char* name = "test.cfg")
    {
        return file_save_config(path(name).c_str(), lines_, routes_, filters_, &settings_);
    }

    // Loads into fresh lists that replace the fixture's on success.
    int load(int line_type = 0, const char* name = "test.cfg")
    {
        line_ = column_ = -1;
        return file_load_config(path(name).c_str(), &lines_, &routes_, &filters_, &line_, &column_,
                                line_type);
    }

    // Saves the fixture's tables, then loads them back into new lists.
    void round_trip(ListObject** lines, ListObject** routes, ListObject** filters)
    {
        ASSERT_EQ(save(), 1);
        *lines = listhelp_new_line_list();
        *routes = listhelp_new_route_list();
        *filters = listhelp_new_filter_list();
        int line = -1, column = -1;
        ASSERT_EQ(file_load_config(path().c_str(), lines, routes, filters, &line, &column, 0),
                  CFG_OK)
            << "line " << line << " column " << column << "\n"
            << read_file(path());
    }

    TempDir tmp_{"config"};
    const std::string dir_ = tmp_.path();
    ListObject* lines_ = nullptr;
    ListObject* routes_ = nullptr;
    ListObject* filters_ = nullptr;
    RouterSettings settings_;
    int line_ = -1;
    int column_ = -1;
};

// ---------------------------------------------------------- round trip ---

TEST_F(ConfigFileTest, FullTablesReadBackEntryByEntry)
{
    const std::string forty = std::string(19, 'n') + "/" + std::string(20, 'p');
    struct Pairs {
        const char* send;
        const char* receive;
    };
    const Pairs pairs[] = {
        {"", ""},  // both written as "/"
        {"kelp/mars", "kelp/mars"},
        {"", "local/secret"},  // an empty send pair keeps its column
        {"user/", "/secret"},
        {forty.c_str(), "a/b"},  // a router may report a pair that fills the record
    };
    const int timeouts[] = {0, 5, 20, 65535};
    for (int i = 0; i < MAX_LINE_TARGETS; ++i) {
        char host[32], phone[32];
        std::snprintf(host, sizeof host, "10.1.%d.%d", i, i + 1);
        std::snprintf(phone, sizeof phone, i % 4 == 3 ? "0721%02ds" : "0721%02d", i);
        const Pairs& p = pairs[i % 5];
        append(lines_,
               line_target(i == 7 ? "localhost" : host, phone, i % 3, (i / 3) % 3, timeouts[i % 4],
                           i & 1, (i >> 1) & 1, (i >> 2) & 1, p.send, p.receive));
    }
    for (int i = 0; i < MAX_ROUTES; ++i) {
        char match[32], gateway[32];
        std::snprintf(match, sizeof match, "10.2.%d.0", i);
        std::snprintf(gateway, sizeof gateway, "10.1.0.%d", i + 1);
        if (i == 0)
            append(routes_, route("0.0.0.0", "0.0.0.0", "10.1.0.254"));
        else if (i == 1)
            append(routes_, route("255.255.255.255", "10.3.3.3", "10.3.3.3"));
        else
            append(routes_, route("255.255.255.0", match, gateway));
    }
    struct Service {
        int protocol;
        int port;
    };
    const Service services[] = {
        {0, 0},      // all
        {6, 21},     // a named one: ftp
        {17, 69},    // tftp
        {6, 53},     // domain, a name of both transports, so numbered
        {6, 31337},  // a numbered one
        {1, 0},      // icmp without a port
        {0, 80},     // the ip pseudo-protocol with a port
        {200, 7},    // a protocol the database does not know
    };
    for (int i = 0; i < MAX_FILTERS - 1; ++i) {
        char match[32];
        std::snprintf(match, sizeof match, "10.4.%d.0", i);
        const Service& s = services[i % 8];
        append(filters_,
               filter("0.0.0.0", "0.0.0.0", "255.255.255.0", match, s.protocol, s.port, i & 1));
    }
    append(filters_, filter_reject);

    ListObject *lines, *routes, *filters;
    round_trip(&lines, &routes, &filters);
    expect_same_entries(lines_, lines, "line targets");
    expect_same_entries(routes_, routes, "routes");
    expect_same_entries(filters_, filters, "filters");
    for (int i = 1; i <= filters->count; ++i)
        EXPECT_EQ(at<FilterEntry>(filters, i).index, i - 1);
    for (ListObject* l : {lines, routes, filters})
        l->ops->list_destroy(l);
}

// Entries as a router may report them, none of which a person would type:
// they are written in forms that read back to the same entries.
TEST_F(ConfigFileTest, RouterReportedLineTargetsReadBack)
{
    struct Case {
        const char* name;
        const char* phone;
        std::string send;
        std::string receive;
        std::string written;  // what stands in the file for phone, send and receive
    };
    const Case cases[] = {
        {"no phone number", "", "kelp/mars", "", "- kelp/mars /"},
        {"blanks", "0721", "my name/my secret", "a/b c", "0721 //my%20name/my%20secret //a/b%20c"},
        {"a second slash", "0721", "a/b/c", "x%y/z", "0721 //a/b/c x%y/z"},
        {"forty without a slash", "0721", std::string(40, 'n'), std::string(39, 'r') + "%",
         "0721 //" + std::string(40, 'n') + " //" + std::string(39, 'r') + "%25"},
        {"forty with a slash", "0721", std::string(20, 'n') + "/" + std::string(19, 'p'), "\t/\x7f",
         "0721 " + std::string(20, 'n') + "/" + std::string(19, 'p') + " //%09/%7F"},
        {"a name that looks encoded", "0721", "//x", "", "0721 ////x /"},
        {"a lone slash", "0721", "/", "", "0721 /// /"},
    };
    for (const Case& c : cases) {
        ListObject* expected = listhelp_new_line_list();
        append(expected, line_target("10.1.2.3", c.phone, 0, 0, 20, 0, 0, 0, c.send.c_str(),
                                     c.receive.c_str()));
        ASSERT_EQ(file_save_config(path().c_str(), expected, routes_, filters_, &settings_), 1)
            << c.name;
        std::string words;
        for (std::istringstream in(read_file(path())); in.good();) {
            std::string line;
            std::getline(in, line);
            if (line.rfind("10.1.2.3 ", 0) != 0)
                continue;
            std::istringstream fields(line);
            std::string w;
            for (int i = 0; fields >> w; ++i) {
                if (i == 1 || i >= 8)
                    words += (words.empty() ? "" : " ") + w;
            }
        }
        EXPECT_EQ(words, c.written) << c.name;
        ASSERT_EQ(load(), CFG_OK) << c.name << ": line " << line_ << " column " << column_;
        expect_same_entries(expected, lines_, c.name);
        expected->ops->list_destroy(expected);
    }
}

// The entry lines of a file, each with its words joined by one blank.
std::vector<std::string> entry_lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string joined, w;
        while (fields >> w)
            joined += (joined.empty() ? "" : " ") + w;
        if (joined.empty() || joined[0] == '#' || joined.back() == ':')
            continue;
        out.push_back(joined);
    }
    return out;
}

// Values a router may hold and report although the reader refuses them as
// a person's input: the writer marks each ("=" for a value taken as the
// router holds it, "//" for a telephone number written byte by byte), and
// the file, also as the emergency copy, reads back to the same tables.
TEST_F(ConfigFileTest, RouterHeldValuesReadBack)
{
    struct Case {
        const char* name;
        int line_type;
        std::vector<LineTarget> lines;
        std::vector<RouteEntry> routes;
        std::vector<FilterEntry> filters;  // closed with a catch-all, as a read closes them
        std::vector<std::string> written;  // entry lines the file must hold
    };
    auto target = [](const char* host, const char* phone, int timeout, int manual, int bundling,
                     int compression) {
        return line_target(host, phone, 0, 0, timeout, manual, bundling, compression, "kelp/mars",
                           "");
    };
    const Case cases[] = {
        {"telephone numbers that are no plain numbers",
         0,
         {target("10.1.0.1", "+49 721-5", 20, 0, 0, 0), target("10.1.0.2", "07s21", 20, 0, 0, 0),
          target("10.1.0.3", "\t%\x7f", 20, 0, 0, 0), target("10.1.0.4", "1s2", 20, 0, 0, 0),
          target("10.1.0.5", std::string(20, '-').c_str(), 20, 0, 0, 0)},
         {},
         {filter_accept},
         {"10.1.0.1 //+49%20721-5 x75 null 20 0 0 0 kelp/mars /",
          "10.1.0.2 //07s21 x75 null 20 0 0 0 kelp/mars /",
          "10.1.0.3 //%09%25%7F x75 null 20 0 0 0 kelp/mars /",
          "10.1.0.4 //1s2 x75 null 20 0 0 0 kelp/mars /",
          "10.1.0.5 //" + std::string(20, '-') + " x75 null 20 0 0 0 kelp/mars /"}},
        {"a leased line's number other than 0 or 1",
         1,
         {target("10.1.0.1", "0721", 20, 0, 0, 0)},
         {},
         {filter_accept},
         {"10.1.0.1 //0721 x75 null 20 0 0 0 kelp/mars /"}},
        {"a leased line's 0 and 1 stay plain",
         1,
         {target("10.1.0.1", "1", 20, 0, 0, 0)},
         {},
         {filter_accept},
         {"10.1.0.1 1 x75 null 20 0 0 0 kelp/mars /"}},
        {"a line target without an address",
         0,
         {target("0.0.0.0", "0721", 20, 0, 0, 0)},
         {},
         {filter_accept},
         {"=0.0.0.0 0721 x75 null 20 0 0 0 kelp/mars /"}},
        {"timeouts 1 to 4",
         0,
         {target("10.1.0.1", "1", 1, 0, 0, 0), target("10.1.0.2", "2", 2, 0, 0, 0),
          target("10.1.0.3", "3", 3, 0, 0, 0), target("10.1.0.4", "4", 4, 0, 0, 0),
          target("10.1.0.5", "5", 5, 0, 0, 0)},
         {},
         {filter_accept},
         {"10.1.0.1 1 x75 null =1 0 0 0 kelp/mars /", "10.1.0.4 4 x75 null =4 0 0 0 kelp/mars /",
          "10.1.0.5 5 x75 null 5 0 0 0 kelp/mars /"}},
        {"flags above 1",
         0,
         {target("10.1.0.1", "0721", 20, 2, 255, 7), target("10.1.0.2", "0721", 20, 1, 0, 1)},
         {},
         {filter_accept},
         {"10.1.0.1 0721 x75 null 20 =2 =255 =7 kelp/mars /",
          "10.1.0.2 0721 x75 null 20 1 0 1 kelp/mars /"}},
        {"matches outside their masks",
         0,
         {},
         {route("255.255.255.0", "10.2.0.5", "10.1.0.1"), route("0.0.0.0", "10.2.0.0", "10.1.0.1"),
          route("255.255.0.0", "10.2.0.0", "10.1.0.1")},
         {filter("255.0.0.0", "10.1.0.0", "0.0.0.0", "10.9.9.9", 6, 21, 1), filter_reject},
         {"255.255.255.0 =10.2.0.5 10.1.0.1", "0.0.0.0 =10.2.0.0 10.1.0.1",
          "255.255.0.0 10.2.0.0 10.1.0.1", "255.0.0.0 =10.1.0.0 0.0.0.0 =10.9.9.9 ftp 1"}},
        {"filter actions above 1",
         0,
         {},
         {},
         {filter("0.0.0.0", "0.0.0.0", "255.255.255.0", "10.4.0.0", 6, 21, 2),
          filter("0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 0, 0, 255), filter_accept},
         {"0.0.0.0 0.0.0.0 255.255.255.0 10.4.0.0 ftp =2",
          "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all =255"}},
    };
    for (const Case& c : cases) {
        for (bool emergency : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (emergency ? ", emergency copy" : ""));
            ListObject* lines = listhelp_new_line_list();
            ListObject* routes = listhelp_new_route_list();
            ListObject* filters = listhelp_new_filter_list();
            for (const LineTarget& t : c.lines)
                append(lines, t);
            for (const RouteEntry& r : c.routes)
                append(routes, r);
            for (const FilterEntry& f : c.filters)
                append(filters, f);
            settings_.line_type = static_cast<uint8_t>(c.line_type);
            ASSERT_EQ(
                emergency
                    ? file_save_emergency_at(path().c_str(), lines, routes, filters, &settings_)
                    : file_save_config(path().c_str(), lines, routes, filters, &settings_),
                1);
            const std::string text = read_file(path());
            const std::vector<std::string> entries = entry_lines(text);
            for (const std::string& w : c.written) {
                EXPECT_NE(std::find(entries.begin(), entries.end(), w), entries.end()) << w << "\n"
                                                                                       << text;
            }
            ASSERT_EQ(load(c.line_type), CFG_OK)
                << "line " << line_ << " column " << column_ << "\n"
                << text;
            expect_same_entries(lines, lines_, "line targets");
            expect_same_entries(routes, routes_, "routes");
            expect_same_entries(filters, filters_, "filters");
            for (ListObject* l : {lines, routes, filters})
                l->ops->list_destroy(l);
        }
    }
}

// The router's settings stand in comments; a line end in one of its texts
// must not end the comment and leave the rest to be read as an entry.
TEST_F(ConfigFileTest, SettingsWithControlBytesStayComments)
{
    myutil_copy_text(settings_.name, "r1\nLine_Targets:");
    myutil_copy_text(settings_.netmask, "255.255.255.0\r");
    myutil_copy_text(settings_.phone, "0721\n10.1.2.3 1");
    myutil_copy_text(settings_.firmware, "2.1\n0\x7f");
    append(lines_, line_target("10.1.2.3", "0721", 0, 0, 20, 0, 0, 0, "", ""));
    append(filters_, filter_accept);
    ListObject *lines, *routes, *filters;
    round_trip(&lines, &routes, &filters);
    expect_same_entries(lines_, lines, "line targets");
    const std::string text = read_file(path());
    EXPECT_NE(text.find("# Router Name / IP-Address: r1%0ALine_Targets:\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("# Router Telephone Number : 0721%0A10.1.2.3 1\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("# Firmware                : 2.1%0A0%7F / 1TR6\n"), std::string::npos)
        << text;
    for (ListObject* l : {lines, routes, filters})
        l->ops->list_destroy(l);
}

TEST_F(ConfigFileTest, EmptyTablesReadBackWithTheDefaultRule)
{
    ASSERT_EQ(file_save_config(path().c_str(), list_object_instance, list_object_instance,
                               list_object_instance, nullptr),
              1);
    ASSERT_EQ(load(), CFG_OK);
    EXPECT_EQ(lines_->count, 0);
    EXPECT_EQ(routes_->count, 0);
    ASSERT_EQ(filters_->count, 1);
    ListNode accept = {&filter_accept, nullptr};
    EXPECT_EQ(listhelp_comp_filter(filters_->head, &accept), 0);
}

// A route whose gateway is "0.0.0.0" (every address of a default route
// zero) is what the route dialog takes; a person may not write it, but the
// writer marks it, and it reads back as written.
TEST_F(ConfigFileTest, ZeroGatewayReadsBack)
{
    append(routes_, route("0.0.0.0", "0.0.0.0", "0.0.0.0"));
    append(routes_, route("255.255.255.0", "10.2.0.0", "0.0.0.0"));
    append(filters_, filter_accept);
    ListObject *lines = nullptr, *routes = nullptr, *filters = nullptr;
    round_trip(&lines, &routes, &filters);
    expect_same_entries(routes_, routes, "routes");
    for (ListObject* l : {lines, routes, filters})
        l->ops->list_destroy(l);
    const std::vector<std::string> entries = entry_lines(read_file(path()));
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "0.0.0.0 0.0.0.0 =0.0.0.0"), 1);
}

TEST_F(ConfigFileTest, WriterSurvivesEntriesWithoutDefinitions)
{
    LineTarget no_layer2 = line_target("10.1.1.1", "0721", 0, 0, 20, 0, 0, 0, "", "");
    no_layer2.proto2 = nullptr;
    no_layer2.proto2_code = 1;
    LineTarget no_layer3 = line_target("10.1.1.2", "0722", 1, 1, 20, 0, 0, 0, "", "");
    no_layer3.proto3 = nullptr;  // code 1 still names the t70nl row
    append(lines_, no_layer2);
    append(lines_, no_layer3);
    append(filters_, filter("0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 250, 9, 1));

    ListObject *lines, *routes, *filters;
    round_trip(&lines, &routes, &filters);
    ASSERT_EQ(lines->count, 1);  // there is no name for the first one's layer 2
    EXPECT_STREQ(at<LineTarget>(lines, 1).host, "10.1.1.2");
    EXPECT_EQ(at<LineTarget>(lines, 1).proto3, &s3_protocols[1]);
    ASSERT_EQ(filters->count, 2);
    EXPECT_EQ(at<FilterEntry>(filters, 1).protocol, 250);
    EXPECT_EQ(at<FilterEntry>(filters, 1).port, 9);
    for (ListObject* l : {lines, routes, filters})
        l->ops->list_destroy(l);
}

TEST_F(ConfigFileTest, LayerThreeCodeWithoutAnyRowIsRefusedOnReading)
{
    LineTarget t = line_target("10.1.1.2", "0722", 0, 0, 20, 0, 0, 0, "", "");
    t.proto3 = nullptr;
    t.proto3_code = 77;
    append(lines_, t);
    ASSERT_EQ(save(), 1);
    EXPECT_EQ(load(), CFG_BAD_PROTOCOL);
}

TEST_F(ConfigFileTest, WriteFailuresAreReported)
{
    append(routes_, route("255.255.255.0", "10.2.0.0", "10.1.0.1"));
    EXPECT_EQ(
        file_save_config((dir_ + "/absent/x.cfg").c_str(), lines_, routes_, filters_, &settings_),
        0);
    if (access("/dev/full", W_OK) == 0) {
        EXPECT_EQ(file_save_config("/dev/full", lines_, routes_, filters_, &settings_), 0);
    }
}

// ------------------------------------------------------------- layout ---

TEST_F(ConfigFileTest, GoldenLayout)
{
    myutil_copy_text(settings_.name, "router1");
    myutil_copy_text(settings_.netmask, "255.255.255.0");
    myutil_copy_text(settings_.phone, "0721");
    settings_.isdn_mode = 1;
    myutil_copy_text(settings_.firmware, "2.10");
    settings_.line_type = 2;
    append(lines_, line_target("10.1.2.3", "0721555", 0, 0, 20, 0, 1, 0, "kelp/mars", ""));
    append(routes_, route("255.255.255.0", "10.2.0.0", "10.1.2.3"));
    append(filters_, filter("0.0.0.0", "0.0.0.0", "255.255.255.0", "10.2.0.0", 6, 21, 0));
    append(filters_, filter_accept);
    ASSERT_EQ(save(), 1);

    const std::string expected =
        "#\n"
        "# quarn VANTERO Configuration File\n"
        "# Tables of one router; the settings below are for information only\n"
        "#\n"
        "#\n"
        "# The Entries of a Line must be separated by Blanks or Tabs \n"
        "#\n"
        "\n"
        "# Router Configuration:\n"
        "#\n"
        "# Router Name / IP-Address: router1\n"
        "# Netmask                 : 255.255.255.0\n"
        "# Router Telephone Number : 0721\n"
        "# Firmware                : 2.10 / DSS1 / Digital FVS01\n"
        "#\n"
        "\n"
        "# The defined Protocols are:\n"
        "#\n"
        "# Name         | Definition\n"
        "# -------------+-------------------------------------------\n"
        "# x75          | base=x75 blocksize=1500 addr_a=3 addr_b=1 modulo=8 windowsize=7\n"
        "# hdlc         | base=hdlc blocksize=1500 addr_a=0 addr_b=0 modulo=0 windowsize=0\n"
        "# ppp          | base=ppp\n"
        "#\n"
        "\n"
        "Line_Targets:\n"
        "\n"
        "# M = Only Manual   B = B-Chanal Bundling   C = Compression  (1 = On / 0 = Off)\n"
        "#\n"
        "#Example:\n"
        "#124.50.16.101       072418563            x75         null        20    0 1 0 "
        "kelp/mars                      kelp/mars                     \n"
        "#\n"
        "#Hostname            Phone Number         Proto2      Proto3      Time  M B C "
        "Sender Password                Receiver Password             \n"
        "10.1.2.3             0721555              x75         null        20    0 1 0 "
        "kelp/mars                      /                             \n"
        "\n"
        "\n"
        "Routing_Data:\n"
        "\n"
        "#Example:\n"
        "#255.255.255.0  124.50.16.0     124.50.16.101       \n"
        "#\n"
        "#Netmask        Match           Gateway             \n"
        "255.255.255.0   10.2.0.0        10.1.2.3            \n"
        "\n"
        "\n"
        "Filter_Data:\n"
        "\n"
        "# Action = 1 -> accept          Action = 0 -> reject\n"
        "#\n"
        "#Example:\n"
        "#0.0.0.0        0.0.0.0         255.255.255.0   124.50.16.0     ftp        0\n"
        "#\n"
        "#Send Netmask   Send Match      Receive Netmask Receive Match   Service    Action\n"
        "0.0.0.0         0.0.0.0         255.255.255.0   10.2.0.0        ftp          0\n"
        "\n"
        "# The Following Entry is the Default for all other Connections.\n"
        "# Please change only the Action Field.\n"
        "\n"
        "0.0.0.0         0.0.0.0         0.0.0.0         0.0.0.0         all          1\n";
    EXPECT_EQ(read_file(path()), expected);
}

TEST_F(ConfigFileTest, FirmwareLineBySettings)
{
    struct Case {
        const char* firmware;
        uint8_t isdn_mode;
        uint8_t line_type;
        const char* line;  // null: no firmware line
    };
    const Case cases[] = {
        {"", 1, 0, "# Firmware                : ? / ?\n"},
        {"1.7", 0, 0, "# Firmware                : 1.7 / 1TR6\n"},
        {"1.7", 1, 1, "# Firmware                : 1.7 / DSS1 / Digital FV64S\n"},
        {"1.7", 0, 3, "# Firmware                : 1.7 / 1TR6 / Digital FVS02\n"},
        {"1.7", 1, 4, nullptr},
    };
    for (const Case& c : cases) {
        myutil_copy_text(settings_.firmware, c.firmware);
        settings_.isdn_mode = c.isdn_mode;
        settings_.line_type = c.line_type;
        ASSERT_EQ(save(), 1);
        const std::string text = read_file(path());
        if (c.line != nullptr) {
            EXPECT_NE(text.find(c.line), std::string::npos) << c.line;
        } else {
            EXPECT_EQ(text.find("# Firmware"), std::string::npos) << int{c.line_type};
        }
    }
}

// ------------------------------------------------------------- faults ---

// A file with the three sections after a comment and an empty line: the
// first line-target entry is line 4.
std::string config_text(const std::string& lines, const std::string& routes = "",
                        const std::string& filters = "")
{
    return "# test\n\nLine_Targets:\n" + lines + "Routing_Data:\n" + routes + "Filter_Data:\n" +
           filters;
}

const std::string kGoodLine = "10.1.2.3 0721 x75 null 20 0 1 0\n";
const std::string kGoodRoute = "255.255.255.0 10.2.0.0 10.1.0.1\n";
const std::string kGoodFilter = "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all 1\n";

// `text` with a NUL byte in place of its character at 1-based `column`.
std::string nul_at(std::string text, size_t column)
{
    text[column - 1] = '\0';
    return text;
}

TEST_F(ConfigFileTest, FaultsWithLineAndColumnLeaveTheListsAlone)
{
    struct Case {
        const char* name;
        std::string text;
        int line_type;
        int code;
        int line;
        int column;
    };
    const Case cases[] = {
        {"second line target of a permanent line", config_text(kGoodLine + kGoodLine), 2,
         CFG_TOO_MANY_ENTRIES, 5, 0},
        {"host", config_text("10.1.2 0721 x75 null 20 0 1 0\n"), 0, CFG_BAD_ADDRESS, 4, 1},
        {"phone", config_text("10.1.2.3 07a1 x75 null 20 0 1 0\n"), 0, CFG_BAD_PHONE, 4, 10},
        {"phone of a leased line", config_text("10.1.2.3 5 x75 null 20 0 1 0\n"), 1, CFG_BAD_PHONE,
         4, 10},
        {"layer 2", config_text("10.1.2.3 0721 x76 null 20 0 1 0\n"), 0, CFG_BAD_PROTOCOL, 4, 15},
        {"layer 3", config_text("10.1.2.3 0721 X75 nul 20 0 1 0\n"), 0, CFG_BAD_PROTOCOL, 4, 19},
        {"timeout", config_text("10.1.2.3 0721 x75 null 4 0 1 0\n"), 0, CFG_BAD_TIMEOUT, 4, 24},
        {"manual", config_text("10.1.2.3 0721 x75 null 20 2 1 0\n"), 0, CFG_BAD_MANUAL, 4, 27},
        {"bundling", config_text("10.1.2.3 0721 x75 null 20 0 x 0\n"), 0, CFG_BAD_BUNDLING, 4, 29},
        {"compression, missing", config_text("10.1.2.3 0721 x75 null 20 0 1\n"), 0,
         CFG_BAD_COMPRESSION, 4, 30},
        {"pair after tabs", config_text("10.1.2.3\t0721\tx75\tnull\t20\t0\t1\t0\tab/c/d\n"), 0,
         CFG_BAD_PASSWORD, 4, 33},
        {"extra token", config_text("10.1.2.3 0721 x75 null 20 0 1 0 / / more\n"), 0,
         CFG_SYNTAX_ERROR, 4, 37},
        {"wrong first header", "# test\nLines:\n", 0, CFG_SYNTAX_ERROR, 2, 1},
        {"wrong first header indented", "# test\n\n   Lines: x\n", 0, CFG_SYNTAX_ERROR, 3, 1},
        {"another header first, indented", "\t  Routing_Data:\n", 0, CFG_SYNTAX_ERROR, 1, 1},
        {"an entry first", "  10.1.2.3 0721 x75 null 20 0 1 0\n", 0, CFG_SYNTAX_ERROR, 1, 1},
        {"comments only", "# a\n#b\n\n", 0, CFG_SYNTAX_ERROR, 3, 0},
        {"no filter header", "Line_Targets:\nRouting_Data:\n" + kGoodRoute, 0, CFG_SYNTAX_ERROR, 3,
         0},
        {"headers out of order", "Line_Targets:\nFilter_Data:\n", 0, CFG_SYNTAX_ERROR, 2, 1},
        {"route mask", config_text("", "255.255.255.x 10.2.0.0 10.1.0.1\n"), 0, CFG_BAD_MASK, 5, 1},
        {"route match", config_text("", "255.255.255.0 10.2.0.x 10.1.0.1\n"), 0, CFG_BAD_MATCH, 5,
         15},
        {"route match outside its mask", config_text("", "255.255.255.0 10.1.2.3 10.1.0.1\n"), 0,
         CFG_MASK_MATCH_MISMATCH, 5, 1},
        {"route gateway no address", config_text("", "255.255.255.0 10.2.0.0 10.1.0\n"), 0,
         CFG_BAD_GATEWAY, 5, 24},
        {"route gateway 0.0.0.0", config_text("", "255.255.255.0 10.2.0.0 0.0.0.0\n"), 0,
         CFG_BAD_GATEWAY, 5, 24},
        {"default route via 0.0.0.0", config_text("", "0.0.0.0 0.0.0.0 0.0.0.0\n"), 0,
         CFG_BAD_GATEWAY, 5, 17},
        {"route gateway 0.0.0.0 written otherwise",
         config_text("", kGoodRoute + "255.255.255.0\t10.2.0.0   0.0.0.00\n"), 0, CFG_BAD_GATEWAY,
         6, 26},
        {"route gateway unknown name", config_text("", "255.255.255.0 10.2.0.0 nowhere\n"), 0,
         CFG_BAD_GATEWAY, 5, 24},
        {"route without gateway", config_text("", "255.255.255.0 10.2.0.0\n"), 0, CFG_BAD_GATEWAY,
         5, 23},
        {"route extra token", config_text("", "0.0.0.0 0.0.0.0 10.1.0.1 x\n"), 0, CFG_SYNTAX_ERROR,
         5, 26},
        {"filter receive match outside its mask",
         config_text("", "", "0.0.0.0 0.0.0.0 255.0.0.0 10.1.0.0 all 1\n"), 0,
         CFG_MASK_MATCH_MISMATCH, 6, 17},
        {"filter port without protocol",
         config_text("", "", "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 80 1\n"), 0, CFG_BAD_SERVICE, 6, 33},
        {"filter action", config_text("", "", "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all 2\n"), 0,
         CFG_BAD_ACTION, 6, 37},
        {"filter extra token", config_text("", "", "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all 1 1\n"), 0,
         CFG_BAD_ACTION, 6, 39},
        {"NUL in a line target", config_text(nul_at(kGoodLine, 12)), 0, CFG_SYNTAX_ERROR, 4, 12},
        {"NUL in a comment", nul_at(config_text(kGoodLine), 3), 0, CFG_SYNTAX_ERROR, 1, 3},
        {"NUL at the start of a line", config_text(kGoodLine, nul_at(kGoodRoute, 1)), 0,
         CFG_SYNTAX_ERROR, 6, 1},
        {"NUL as a filter's last byte",
         config_text("", "", nul_at(kGoodFilter, kGoodFilter.size())), 0, CFG_SYNTAX_ERROR, 6, 38},
        {"a file of NULs", std::string(100000, '\0'), 0, CFG_SYNTAX_ERROR, 1, 1},
    };

    append(lines_, line_target("10.9.9.9", "01", 0, 0, 20, 0, 0, 0, "", ""));
    append(routes_, route("255.0.0.0", "10.0.0.0", "10.9.9.9"));
    append(filters_, filter_reject);
    ListObject* const lines = lines_;
    ListObject* const routes = routes_;
    ListObject* const filters = filters_;
    for (const Case& c : cases) {
        write_file(c.text);
        EXPECT_EQ(load(c.line_type), c.code) << c.name;
        EXPECT_EQ(line_, c.line) << c.name;
        EXPECT_EQ(column_, c.column) << c.name;
        ASSERT_EQ(lines_, lines) << c.name;
        ASSERT_EQ(routes_, routes) << c.name;
        ASSERT_EQ(filters_, filters) << c.name;
        EXPECT_EQ(lines_->count, 1) << c.name;
        EXPECT_EQ(routes_->count, 1) << c.name;
        EXPECT_EQ(filters_->count, 1) << c.name;
        EXPECT_STREQ(at<LineTarget>(lines_, 1).host, "10.9.9.9") << c.name;
    }
}

TEST_F(ConfigFileTest, MissingFileCannotBeOpened)
{
    EXPECT_EQ(load(0, "absent.cfg"), CFG_CANNOT_OPEN);
    EXPECT_EQ(line_, 0);
    EXPECT_EQ(column_, 0);
}

// A name that is no regular file would be read for ever (a device) or never
// (a FIFO without a writer): it cannot be opened as a configuration file.
TEST_F(ConfigFileTest, OnlyARegularFileIsOpened)
{
    struct Case {
        const char* name;
        const char* setup;  // shell commands in the directory; they make test.cfg
    };
    const Case cases[] = {
        {"a link to /dev/zero", "ln -s /dev/zero test.cfg"},
        {"a FIFO without a writer", "mkfifo test.cfg"},
        {"a directory", "mkdir test.cfg"},
    };
    file_echo_errors = 1;
    for (const Case& c : cases) {
        ASSERT_EQ(std::system(("cd '" + dir_ + "' && rm -rf test.cfg && " + c.setup).c_str()), 0)
            << c.name;
        testing::internal::CaptureStdout();
        EXPECT_EQ(load(), CFG_CANNOT_OPEN) << c.name;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << c.name;
        EXPECT_EQ(line_, 0) << c.name;
        EXPECT_EQ(column_, 0) << c.name;
    }
    ASSERT_EQ(std::system(("rm -rf '" + dir_ + "/test.cfg'").c_str()), 0);
}

TEST_F(ConfigFileTest, EchoMarksTheFaultyColumn)
{
    file_echo_errors = 1;
    const std::string faulty = "10.1.2.3 07211234567 xyz null 20 0 1 0\n";
    write_file(config_text(faulty));
    testing::internal::CaptureStdout();
    EXPECT_EQ(load(), CFG_BAD_PROTOCOL);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), faulty + std::string(21, '-') + "^\n");
    EXPECT_EQ(column_, 22);

    write_file("# nothing but a comment\n");
    testing::internal::CaptureStdout();
    EXPECT_EQ(load(), CFG_SYNTAX_ERROR);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "^\n");

    testing::internal::CaptureStdout();
    EXPECT_EQ(load(0, "absent.cfg"), CFG_CANNOT_OPEN);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    // The text before a NUL byte, and the caret under it.
    write_file(config_text(nul_at(kGoodLine, 12)));
    testing::internal::CaptureStdout();
    EXPECT_EQ(load(), CFG_SYNTAX_ERROR);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              kGoodLine.substr(0, 11) + "\n" + std::string(11, '-') + "^\n");
}

// `text` with every line end written as CRLF.
std::string crlf(const std::string& text)
{
    std::string out;
    for (char c : text)
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

// A file saved with CRLF line ends reads as the same file with LF ones: the
// same tables, and a fault at the same line and column, echoed without the
// CR.
TEST_F(ConfigFileTest, CrlfLineEndsReadAsLineEnds)
{
    const struct {
        const char* name;
        std::string text;
        int code;
        int line;
        int column;
    } cases[] = {
        {"a whole file", config_text(kGoodLine + kGoodLine, "\n" + kGoodRoute, kGoodFilter), CFG_OK,
         0, 0},
        {"a last line without its line end",
         config_text(kGoodLine, "", "") + "0.0.0.0 0.0.0.0 "
                                          "0.0.0.0 0.0.0.0 all 0",
         CFG_OK, 0, 0},
        {"a fault at the end of a line", config_text("10.1.2.3 0721 x75 null 20 0 1\n"),
         CFG_BAD_COMPRESSION, 4, 30},
        {"an extra token", config_text("", "0.0.0.0 0.0.0.0 10.1.0.1 x\n"), CFG_SYNTAX_ERROR, 5,
         26},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> results[2];  // LF, CRLF
        for (int i = 0; i < 2; ++i) {
            const std::string text = i == 0 ? c.text : crlf(c.text);
            file_echo_errors = 1;
            write_file(text);
            testing::internal::CaptureStdout();
            const int code = load();
            const std::string echo = testing::internal::GetCapturedStdout();
            file_echo_errors = 0;
            ASSERT_EQ(code, c.code);
            if (code != CFG_OK) {
                EXPECT_EQ(line_, c.line);
                EXPECT_EQ(column_, c.column);
            }
            EXPECT_EQ(echo.find('\r'), std::string::npos) << echo;
            std::vector<std::string>& result = results[i];
            result.push_back(echo);
            if (code == CFG_OK) {
                for (ListObject* list : {lines_, routes_, filters_})
                    result.push_back(std::to_string(list->count));
                ASSERT_EQ(save(), 1);
                for (const std::string& entry : entry_lines(read_file(path())))
                    result.push_back(entry);
            }
        }
        EXPECT_EQ(results[0], results[1]);
    }
}

// A faulty line of a file that someone planted escape sequences or binary
// bytes in reaches the terminal escaped, the dashes up to the column as it
// is shown.
TEST_F(ConfigFileTest, EchoShowsControlBytesEscaped)
{
    file_echo_errors = 1;
    write_file(config_text("\x1b]2;owned\x07\x1b[2J 0721 x75 null 20 0 1 0\n"));
    testing::internal::CaptureStdout();
    EXPECT_EQ(load(), CFG_BAD_ADDRESS);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "\\x1b]2;owned\\x07\\x1b[2J 0721 x75 null 20 0 1 0\n^\n");

    // An identification may hold any byte; the fault after it is shown
    // three places further right than its column, past the escaped ESC.
    write_file(config_text("10.1.2.3 0721 x75 null 20 0 1 0 a\x1b[2J/b c/d/e\n"));
    testing::internal::CaptureStdout();
    EXPECT_EQ(load(), CFG_BAD_PASSWORD);
    EXPECT_EQ(column_, 41);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "10.1.2.3 0721 x75 null 20 0 1 0 a\\x1b[2J/b c/d/e\n" + std::string(43, '-') + "^\n");

    write_file(config_text("", "255.255.255.0 \xff\xfe\x01 10.1.0.1\n"));
    testing::internal::CaptureStdout();
    EXPECT_EQ(load(), CFG_BAD_MATCH);
    EXPECT_EQ(column_, 15);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "255.255.255.0 \\xff\\xfe\\x01 10.1.0.1\n" + std::string(14, '-') + "^\n");

    write_file(config_text("", "255.255.255.0 10.2.0.0 \x1b[31m\n"));
    testing::internal::CaptureStdout();
    EXPECT_EQ(load(), CFG_BAD_GATEWAY);
    EXPECT_EQ(column_, 24);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "255.255.255.0 10.2.0.0 \\x1b[31m\n" + std::string(23, '-') + "^\n");

    write_file(config_text("", "\x1b[2J\x1b 10.2.0.0 10.1.0.1 extra\n"));
    testing::internal::CaptureStdout();
    EXPECT_EQ(load(), CFG_BAD_MASK);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\\x1b[2J\\x1b 10.2.0.0 10.1.0.1 extra\n^\n");
    file_echo_errors = 0;
}

// ------------------------------------------------------------- limits ---

std::string repeated(const std::string& line, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i)
        text += line;
    return text;
}

const std::string kRule = "0.0.0.0 0.0.0.0 255.255.255.0 10.4.0.0 ftp 1\n";
const std::string kRejectAll = "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all 0\n";

TEST_F(ConfigFileTest, TableLimits)
{
    struct Case {
        const char* name;
        std::string text;
        int line_type;
        int code;
        int line;   // for faults
        int lines;  // for loaded files
        int routes;
        int filters;
    };
    const Case cases[] = {
        {"30 line targets", config_text(repeated(kGoodLine, 30)), 0, CFG_OK, 0, 30, 0, 1},
        {"31st line target", config_text(repeated(kGoodLine, 31)), 0, CFG_TOO_MANY_ENTRIES, 34, 0,
         0, 0},
        {"one target of a leased line", config_text("10.1.2.3 1 x75 null 20 0 1 0\n"), 1, CFG_OK, 0,
         1, 0, 1},
        {"64 routes", config_text("", repeated(kGoodRoute, 64)), 0, CFG_OK, 0, 0, 64, 1},
        {"65th route", config_text("", repeated(kGoodRoute, 65)), 0, CFG_TOO_MANY_ENTRIES, 69, 0, 0,
         0},
        {"no rules", config_text(""), 0, CFG_OK, 0, 0, 0, 1},
        {"63 rules closed by the file", config_text("", "", repeated(kRule, 63) + kRejectAll), 0,
         CFG_OK, 0, 0, 0, 64},
        {"63 rules closed by the reader", config_text("", "", repeated(kRule, 63)), 0, CFG_OK, 0, 0,
         0, 64},
        {"64th rule no catch-all", config_text("", "", repeated(kRule, 64)), 0,
         CFG_TOO_MANY_ENTRIES, 69, 0, 0, 0},
        {"rule after the 64th", config_text("", "", repeated(kRule, 63) + kRejectAll + kRejectAll),
         0, CFG_TOO_MANY_ENTRIES, 70, 0, 0, 0},
    };
    for (const Case& c : cases) {
        write_file(c.text);
        ASSERT_EQ(load(c.line_type), c.code) << c.name;
        if (c.code != CFG_OK) {
            EXPECT_EQ(line_, c.line) << c.name;
            EXPECT_EQ(column_, 0) << c.name;
            continue;
        }
        EXPECT_EQ(lines_->count, c.lines) << c.name;
        EXPECT_EQ(routes_->count, c.routes) << c.name;
        EXPECT_EQ(filters_->count, c.filters) << c.name;
    }
}

TEST_F(ConfigFileTest, ClosingRuleAsWritten)
{
    write_file(config_text("", "", repeated(kRule, 63) + kRejectAll));
    ASSERT_EQ(load(), CFG_OK);
    EXPECT_EQ(at<FilterEntry>(filters_, 64).action, 0);
    write_file(config_text("", "", kRule));
    ASSERT_EQ(load(), CFG_OK);
    ASSERT_EQ(filters_->count, 2);
    ListNode accept = {&filter_accept, nullptr};
    EXPECT_EQ(listhelp_comp_filter(filters_->tail, &accept), 0);
}

// The marks are the writer's: what they carry is checked for its form and
// width, and a person's plain values keep every check they had.
TEST_F(ConfigFileTest, MarkedValuesAreCheckedForTheirForm)
{
    struct Case {
        const char* name;
        std::string text;
        int line_type;
        int code;
        int column;
    };
    const Case cases[] = {
        {"marked host that is no address", config_text("=nowhere 0721 x75 null 20 0 1 0\n"), 0,
         CFG_BAD_ADDRESS, 1},
        {"bare mark for a host", config_text("= 0721 x75 null 20 0 1 0\n"), 0, CFG_BAD_ADDRESS, 1},
        {"plain host 0.0.0.0", config_text("0.0.0.0 0721 x75 null 20 0 1 0\n"), 0, CFG_BAD_ADDRESS,
         1},
        {"encoded number of 21 bytes",
         config_text("10.1.2.3 //" + std::string(21, '1') + " x75 null 20 0 1 0\n"), 0,
         CFG_BAD_PHONE, 10},
        {"encoded number with a NUL", config_text("10.1.2.3 //07%00 x75 null 20 0 1 0\n"), 0,
         CFG_BAD_PHONE, 10},
        {"plain number of a leased line", config_text("10.1.2.3 0721 x75 null 20 0 1 0\n"), 1,
         CFG_BAD_PHONE, 10},
        {"marked timeout above 16 bits", config_text("10.1.2.3 0721 x75 null =65536 0 1 0\n"), 0,
         CFG_BAD_TIMEOUT, 24},
        {"marked timeout with a sign", config_text("10.1.2.3 0721 x75 null =-1 0 1 0\n"), 0,
         CFG_BAD_TIMEOUT, 24},
        {"marked flag above a byte", config_text("10.1.2.3 0721 x75 null 20 =256 1 0\n"), 0,
         CFG_BAD_MANUAL, 27},
        {"marked flag that is no number", config_text("10.1.2.3 0721 x75 null 20 0 =x 0\n"), 0,
         CFG_BAD_BUNDLING, 29},
        {"plain flag 2", config_text("10.1.2.3 0721 x75 null 20 0 1 2\n"), 0, CFG_BAD_COMPRESSION,
         31},
        {"marked mask", config_text("", "=255.255.255.0 10.2.0.0 10.1.0.1\n"), 0, CFG_BAD_MASK, 1},
        {"marked match that is no address", config_text("", "255.255.255.0 =10.2.0 10.1.0.1\n"), 0,
         CFG_BAD_MATCH, 15},
        {"marked gateway", config_text("", "255.255.255.0 10.2.0.0 =10.1.0.1\n"), 0,
         CFG_BAD_GATEWAY, 24},
        {"bare mark for a gateway", config_text("", "255.255.255.0 10.2.0.0 =\n"), 0,
         CFG_BAD_GATEWAY, 24},
        {"marked gateway 0 written otherwise", config_text("", "255.255.255.0 10.2.0.0 =0\n"), 0,
         CFG_BAD_GATEWAY, 24},
        {"marked action above a byte",
         config_text("", "", "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all =256\n"), 0, CFG_BAD_ACTION, 37},
    };
    for (const Case& c : cases) {
        write_file(c.text);
        EXPECT_EQ(load(c.line_type), c.code) << c.name;
        EXPECT_EQ(column_, c.column) << c.name;
    }
}

// A filter table holds 64 rules with its default rule: 63 rules of any kind
// and a 64th only when it is a catch-all; past that the file is refused at
// the first rule that does not fit, as a whole (column 0), and the echo
// shows that rule with the caret alone.
TEST_F(ConfigFileTest, FilterTableKeepsItsLastPlaceForACatchAll)
{
    const std::string accept_all = "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all 1\n";
    const std::string comment = "# a comment\n\n";
    struct Case {
        const char* name;
        std::string filters;
        int code;
        int line;            // of the fault; the filter section's first rule is line 6
        std::string faulty;  // the line echoed
        int rules;           // when loaded: the table's length, its default rule counted
    };
    const Case cases[] = {
        {"64 rules and a catch-all", repeated(kRule, 64) + accept_all, CFG_TOO_MANY_ENTRIES, 69,
         kRule, 0},
        {"64 rules and a reject-all, comments after it", repeated(kRule, 64) + kRejectAll + comment,
         CFG_TOO_MANY_ENTRIES, 69, kRule, 0},
        {"64 rules", repeated(kRule, 64), CFG_TOO_MANY_ENTRIES, 69, kRule, 0},
        {"63 rules and a catch-all", repeated(kRule, 63) + accept_all, CFG_OK, 0, "", 64},
        {"63 rules, a catch-all and comments", repeated(kRule, 63) + kRejectAll + comment, CFG_OK,
         0, "", 64},
        {"63 rules, the reader adds the catch-all", repeated(kRule, 63), CFG_OK, 0, "", 64},
        {"a catch-all 64th and a catch-all", repeated(kRule, 63) + kRejectAll + accept_all,
         CFG_TOO_MANY_ENTRIES, 70, accept_all, 0},
        {"a catch-all 64th and a rule", repeated(kRule, 63) + kRejectAll + kRule,
         CFG_TOO_MANY_ENTRIES, 70, kRule, 0},
        {"64 catch-alls", repeated(kRejectAll, 64), CFG_OK, 0, "", 64},
        {"65 catch-alls", repeated(kRejectAll, 65), CFG_TOO_MANY_ENTRIES, 70, kRejectAll, 0},
        {"a faulty line after a full table is a fault of its own",
         repeated(kRule, 63) + kRejectAll + "junk\n", CFG_BAD_MASK, 70, "junk\n", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        file_echo_errors = 1;
        write_file(config_text("", "", c.filters));
        const ListObject* const before = filters_;
        testing::internal::CaptureStdout();
        const int code = load();
        const std::string echo = testing::internal::GetCapturedStdout();
        file_echo_errors = 0;
        ASSERT_EQ(code, c.code);
        if (c.code != CFG_OK) {
            EXPECT_EQ(line_, c.line);
            if (c.code == CFG_TOO_MANY_ENTRIES) {
                EXPECT_EQ(column_, 0);
                EXPECT_EQ(echo, c.faulty + "^\n");
            }
            EXPECT_EQ(filters_, before) << "the caller's list stays as it was";
            continue;
        }
        EXPECT_EQ(echo, "");
        ASSERT_EQ(filters_->count, c.rules);
        ListNode accept = {&filter_accept, nullptr};
        ListNode reject = {&filter_reject, nullptr};
        ListNode* last = filters_->tail;
        EXPECT_TRUE(listhelp_comp_filter(last, &accept) == 0 ||
                    listhelp_comp_filter(last, &reject) == 0)
            << "the table ends in its default rule";
        EXPECT_EQ(at<FilterEntry>(filters_, c.rules).index, c.rules - 1);
    }
}

// ----------------------------------------------------- field by field ---

TEST_F(ConfigFileTest, Identifications)
{
    struct Case {
        std::string token;
        int code;
        const char* stored;
    };
    const std::string n38(38, 'k');
    const Case cases[] = {
        {"/", CFG_OK, ""},
        {"kelp/mars", CFG_OK, "kelp/mars"},
        {"kelp", CFG_OK, "kelp/"},
        {n38, CFG_OK, nullptr},  // stored with "/" appended
        {n38 + "k", CFG_BAD_PASSWORD, nullptr},
        {std::string(19, 'n') + "/" + std::string(20, 'p'), CFG_OK, nullptr},
        {std::string(20, 'n') + "/" + std::string(20, 'p'), CFG_BAD_PASSWORD, nullptr},
        {"a/b/c", CFG_BAD_PASSWORD, nullptr},
    };
    for (const Case& c : cases) {
        write_file(config_text("10.1.2.3 0721 ppp ppp 20 0 1 0 " + c.token + " " + c.token + "\n"));
        ASSERT_EQ(load(), c.code) << c.token;
        if (c.code != CFG_OK) {
            EXPECT_EQ(column_, 32) << c.token;
            continue;
        }
        std::string expected = c.stored != nullptr ? c.stored : c.token;
        if (c.token == n38)
            expected = n38 + "/";
        EXPECT_EQ(std::string(at<LineTarget>(lines_, 1).send_pair), expected) << c.token;
        EXPECT_EQ(std::string(at<LineTarget>(lines_, 1).receive_pair), expected) << c.token;
    }
}

TEST_F(ConfigFileTest, MissingIdentificationsAreEmpty)
{
    write_file(config_text("10.1.2.3 0721 ppp ppp 20 0 1 0 kelp/mars\n"));
    ASSERT_EQ(load(), CFG_OK);
    EXPECT_STREQ(at<LineTarget>(lines_, 1).send_pair, "kelp/mars");
    EXPECT_STREQ(at<LineTarget>(lines_, 1).receive_pair, "");
}

TEST_F(ConfigFileTest, EncodedIdentificationsAndTheEmptyPhoneMark)
{
    struct Case {
        std::string tokens;  // phone, send, receive
        int code;
        const char* phone;
        const char* send;
        const char* receive;
    };
    const Case cases[] = {
        {"- / /", CFG_OK, "", "", ""},
        {"0721 //a%20b/c //%25", CFG_OK, "0721", "a b/c", "%"},
        {"0721 //abc //", CFG_OK, "0721", "abc", ""},  // no "/" appended
        {"0721 //A%2fb%2F /", CFG_OK, "0721", "A/b/", ""},
        {"0721 //" + std::string(40, 'x') + " /", CFG_OK, "0721", nullptr, ""},
        {"0721 //" + std::string(41, 'x') + " /", CFG_BAD_PASSWORD, nullptr, nullptr, nullptr},
        {"0721 //a%2 /", CFG_BAD_PASSWORD, nullptr, nullptr, nullptr},
        {"0721 //a%zz /", CFG_BAD_PASSWORD, nullptr, nullptr, nullptr},
        {"0721 //a%00b /", CFG_BAD_PASSWORD, nullptr, nullptr, nullptr},
        {"0721 //a% /", CFG_BAD_PASSWORD, nullptr, nullptr, nullptr},
        {"-- / /", CFG_BAD_PHONE, nullptr, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        write_file(config_text("10.1.2.3 " + c.tokens.substr(0, c.tokens.find(' ')) +
                               " x75 null 20 0 1 0" + c.tokens.substr(c.tokens.find(' ')) + "\n"));
        ASSERT_EQ(load(), c.code) << c.tokens;
        if (c.code != CFG_OK)
            continue;
        const LineTarget& t = at<LineTarget>(lines_, 1);
        EXPECT_STREQ(t.phone, c.phone) << c.tokens;
        EXPECT_EQ(std::string(t.send_pair), c.send != nullptr ? c.send : std::string(40, 'x'))
            << c.tokens;
        EXPECT_STREQ(t.receive_pair, c.receive) << c.tokens;
    }
    // The mark stands for "no number" on leased lines too.
    write_file(config_text("10.1.2.3 - x75 null 20 0 1 0\n"));
    ASSERT_EQ(load(1), CFG_OK);
    EXPECT_STREQ(at<LineTarget>(lines_, 1).phone, "");
}

TEST_F(ConfigFileTest, Timeouts)
{
    struct Case {
        const char* token;
        int timeout;  // -1: refused
    };
    const Case cases[] = {
        {"0", 0},
        {"5", 5},
        {"0x14", 20},
        {"024", 20},
        {"65535", 65535},
        {"4", -1},
        {"65536", -1},
        {"20x", -1},
        {"-5", -1},
        {"+20", -1},
        {"99999999999999999999", -1},
    };
    for (const Case& c : cases) {
        write_file(config_text(std::string("10.1.2.3 0721 x75 null ") + c.token + " 0 1 0\n"));
        const int code = load();
        if (c.timeout < 0) {
            EXPECT_EQ(code, CFG_BAD_TIMEOUT) << c.token;
            continue;
        }
        ASSERT_EQ(code, CFG_OK) << c.token;
        EXPECT_EQ(at<LineTarget>(lines_, 1).timeout, c.timeout) << c.token;
    }
}

TEST_F(ConfigFileTest, ProtocolNamesInAnyCase)
{
    write_file(config_text("10.1.2.3 0721s HDLC T70nl 20 1 0 1\n"));
    ASSERT_EQ(load(), CFG_OK);
    const LineTarget& t = at<LineTarget>(lines_, 1);
    EXPECT_EQ(t.proto2, &s2_protocols[1]);
    EXPECT_EQ(t.proto2_code, 2u);
    EXPECT_EQ(t.proto3, &s3_protocols[1]);
    EXPECT_EQ(t.proto3_code, 1u);
    EXPECT_STREQ(t.phone, "0721s");
    EXPECT_EQ(t.manual_only, 1);
    EXPECT_EQ(t.compression, 1);
}

TEST_F(ConfigFileTest, Services)
{
    struct Case {
        const char* token;
        int protocol;  // -1: refused
        int port;
    };
    const Case cases[] = {
        {"all", 0, 0},         {"ftp", 6, 21},           {"tftp", 17, 69},
        {"8080/tcp", 6, 8080}, {"0x50/tcp", 6, 80},      {"53/udp", 17, 53},
        {"0/icmp", 1, 0},      {"7/200", 200, 7},        {"65535/udp", 17, 65535},
        {"80", -1, 0},         {"65536/tcp", -1, 0},     {"80/nosuchproto", -1, 0},
        {"-1/tcp", -1, 0},     {"/tcp", -1, 0},          {"80/", -1, 0},
        {"80/256", -1, 0},     {"nosuchservice", -1, 0}, {"ALL", -1, 0},
    };
    for (const Case& c : cases) {
        write_file(config_text("", "",
                               std::string("0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 ") + c.token + " 1\n"));
        const int code = load();
        if (c.protocol < 0) {
            EXPECT_EQ(code, CFG_BAD_SERVICE) << c.token;
            EXPECT_EQ(column_, 33) << c.token;
            continue;
        }
        ASSERT_EQ(code, CFG_OK) << c.token;
        EXPECT_EQ(at<FilterEntry>(filters_, 1).protocol, c.protocol) << c.token;
        EXPECT_EQ(at<FilterEntry>(filters_, 1).port, c.port) << c.token;
    }
}

// --------------------------------------- names of the full 20 characters ---

// Runs the rest of the test with a /tmp of its own, so the emergency copy's
// fixed name can be planted without touching the machine's.
bool private_tmp()
{
    if (unshare(CLONE_NEWNS) != 0)
        return false;
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return false;
    return mount("none", "/tmp", "tmpfs", 0, "mode=1777") == 0;
}

TEST_F(ConfigFileTest, TwentyCharacterNamesReadBack)
{
    const char* kHost = "a-twenty-char-name-x";
    const char* kNet = "twenty-char-network1";
    ASSERT_EQ(std::strlen(kHost), 20u);
    ASSERT_EQ(std::strlen(kNet), 20u);
    fake_resolver_add(kHost, 0x0A090807);
    fake_resolver_add(kNet, 0x0A090800);
    append(lines_, line_target(kHost, "0721", 0, 0, 20, 0, 0, 0, "", ""));
    append(routes_, route("255.255.255.0", kNet, kHost));
    append(filters_, filter("255.255.255.255", kHost, "255.255.255.0", kNet, 6, 21, 1));
    append(filters_, filter_accept);
    ListObject *lines, *routes, *filters;
    round_trip(&lines, &routes, &filters);
    expect_same_entries(lines_, lines, "line targets");
    expect_same_entries(routes_, routes, "routes");
    expect_same_entries(filters_, filters, "filters");
    for (ListObject* l : {lines, routes, filters})
        l->ops->list_destroy(l);
}

// ------------------------------------------------------ emergency copy ---

TEST_F(ConfigFileTest, EmergencyCopyIsPrivateAndReadsBack)
{
    append(lines_, line_target("10.1.2.3", "0721", 2, 2, 20, 0, 0, 0, "kelp/mars", "kelp/mars"));
    const std::string target = path("save.cfg");
    std::ofstream(target) << "an older copy";
    chmod(target.c_str(), 0644);
    ASSERT_EQ(file_save_emergency_at(target.c_str(), lines_, routes_, filters_, &settings_), 1);
    struct stat st;
    ASSERT_EQ(lstat(target.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(read_file(target).find("an older copy"), std::string::npos);
    // The older copy is kept beside it, and no temporary file is left behind.
    EXPECT_EQ(read_file(path("save.cfg.1")), "an older copy");
    EXPECT_EQ(std::system(("test $(ls -A '" + dir_ + "' | wc -l) -eq 2").c_str()), 0);

    ListObject* lines = listhelp_new_line_list();
    ListObject* routes = listhelp_new_route_list();
    ListObject* filters = listhelp_new_filter_list();
    int line, column;
    ASSERT_EQ(file_load_config(target.c_str(), &lines, &routes, &filters, &line, &column, 0),
              CFG_OK);
    expect_same_entries(lines_, lines, "line targets");
    for (ListObject* l : {lines, routes, filters})
        l->ops->list_destroy(l);
}

TEST_F(ConfigFileTest, EmergencyCopyRefusesPlantedNames)
{
    struct Case {
        const char* name;
        const char* setup;  // shell commands run in the directory; save.cfg is the name
    };
    const Case cases[] = {
        {"symbolic link", "echo victim > victim && ln -s victim save.cfg"},
        {"dangling symbolic link", "ln -s victim save.cfg"},
        {"another user's file", "echo victim > save.cfg && chown 65534 save.cfg"},
        {"hard link", "echo victim > victim && ln victim save.cfg"},
        {"directory", "mkdir save.cfg"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(std::system(("cd '" + dir_ + "' && rm -rf ./* && " + c.setup).c_str()), 0)
            << c.name;
        if (std::string(c.name) == "another user's file" && geteuid() != 0)
            continue;
        EXPECT_EQ(
            file_save_emergency_at(path("save.cfg").c_str(), lines_, routes_, filters_, &settings_),
            0)
            << c.name;
        if (access(path("victim").c_str(), F_OK) == 0) {
            EXPECT_EQ(read_file(path("victim")), "victim\n") << c.name;
        }
        const std::string listing = "cd '" + dir_ + "' && ! ls -A | grep -q 'save.cfg.'";
        EXPECT_EQ(std::system(listing.c_str()), 0) << c.name << ": a temporary file was left";
    }
}

// Three failures in a row, each with other tables: the newest copy is at
// the name, each earlier one under the next free number, every one private
// and loadable to exactly its own tables.
TEST_F(ConfigFileTest, EmergencyCopiesOfFailuresInARowAreAllKept)
{
    const char* hosts[] = {"10.1.0.1", "10.2.0.2", "10.3.0.3"};
    std::vector<ListObject*> saved;
    for (const char* host : hosts) {
        ListObject* lines = listhelp_new_line_list();
        append(lines, line_target(host, "0721", 2, 2, 20, 0, 0, 0, "kelp/mars", "kelp/mars"));
        ASSERT_EQ(
            file_save_emergency_at(path("save.cfg").c_str(), lines, routes_, filters_, &settings_),
            1)
            << host;
        saved.push_back(lines);
    }
    // Newest first: the name, then the copies in the order they were kept.
    const char* names[] = {"save.cfg", "save.cfg.1", "save.cfg.2"};
    const int holds[] = {2, 0, 1};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(names[i]);
        struct stat st;
        ASSERT_EQ(lstat(path(names[i]).c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        EXPECT_EQ(st.st_nlink, 1u);
        ListObject* lines = listhelp_new_line_list();
        ListObject* routes = listhelp_new_route_list();
        ListObject* filters = listhelp_new_filter_list();
        int line, column;
        ASSERT_EQ(
            file_load_config(path(names[i]).c_str(), &lines, &routes, &filters, &line, &column, 0),
            CFG_OK);
        expect_same_entries(saved[holds[i]], lines, "line targets");
        for (ListObject* l : {lines, routes, filters})
            l->ops->list_destroy(l);
    }
    EXPECT_EQ(std::system(("test $(ls -A '" + dir_ + "' | wc -l) -eq 3").c_str()), 0)
        << "a temporary file was left";
    for (ListObject* l : saved)
        l->ops->list_destroy(l);
}

// The same tables saved once more (the same router read again) keep no
// second copy of themselves: nothing is lost, and runs that repeat do not
// fill the numbered names.
TEST_F(ConfigFileTest, EmergencyCopyOfTheSameTablesAgainKeepsNoTwin)
{
    append(lines_, line_target("10.1.2.3", "0721", 2, 2, 20, 0, 0, 0, "kelp/mars", "kelp/mars"));
    for (int run = 0; run < 3; ++run)
        ASSERT_EQ(
            file_save_emergency_at(path("save.cfg").c_str(), lines_, routes_, filters_, &settings_),
            1)
            << run;
    EXPECT_EQ(std::system(("test $(ls -A '" + dir_ + "' | wc -l) -eq 1").c_str()), 0);
    const std::string first = read_file(path("save.cfg"));
    append(routes_, route("255.255.255.0", "10.2.0.0", "10.1.0.1"));
    ASSERT_EQ(
        file_save_emergency_at(path("save.cfg").c_str(), lines_, routes_, filters_, &settings_), 1);
    EXPECT_EQ(read_file(path("save.cfg.1")), first) << "other tables keep the earlier copy";
    EXPECT_NE(read_file(path("save.cfg")), first);
}

// A numbered name that something else holds is passed over, never written
// through or replaced; when every number is taken, nothing changes at all.
TEST_F(ConfigFileTest, EmergencyCopyKeepsTheEarlierOneOnlyUnderAFreeName)
{
    append(lines_, line_target("10.1.2.3", "0721", 2, 2, 20, 0, 0, 0, "kelp/mars", "kelp/mars"));
    struct Case {
        const char* name;
        const char* setup;  // shell commands run in the directory after the earlier copy
        const char* kept;   // where the earlier copy then is; null: refused
    };
    const std::string all_taken = "for n in $(seq 1 " + std::to_string(CFG_EMERGENCY_KEEP_MAX) +
                                  "); do : > save.cfg.$n; done";
    const Case cases[] = {
        {"nothing in the way", "true", "save.cfg.1"},
        {"symbolic link", "echo victim > victim && ln -s victim save.cfg.1", "save.cfg.2"},
        {"dangling symbolic link", "ln -s victim save.cfg.1", "save.cfg.2"},
        {"another user's file", "echo victim > save.cfg.1 && chown 65534 save.cfg.1", "save.cfg.2"},
        {"directory", "mkdir save.cfg.1", "save.cfg.2"},
        {"a gap", ": > save.cfg.1 && : > save.cfg.3", "save.cfg.2"},
        {"every number taken", all_taken.c_str(), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(
            std::system(("cd '" + dir_ + "' && rm -rf ./* && echo earlier > save.cfg && " + c.setup)
                            .c_str()),
            0);
        if (std::string(c.name) == "another user's file" && geteuid() != 0)
            continue;
        const int result =
            file_save_emergency_at(path("save.cfg").c_str(), lines_, routes_, filters_, &settings_);
        if (c.kept == nullptr) {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(read_file(path("save.cfg")), "earlier\n");
        } else {
            ASSERT_EQ(result, 1);
            EXPECT_EQ(read_file(path(c.kept)), "earlier\n");
            EXPECT_NE(read_file(path("save.cfg")).find("10.1.2.3"), std::string::npos);
        }
        if (access(path("victim").c_str(), F_OK) == 0) {
            EXPECT_EQ(read_file(path("victim")), "victim\n");
        }
        const std::string listing =
            "cd '" + dir_ + "' && ! ls -A | grep -Evq '^(save[.]cfg([.][0-9]+)?|victim)$'";
        EXPECT_EQ(std::system(listing.c_str()), 0) << "a temporary file was left";
    }
}

// Runs in a child process: the private /tmp (a mount namespace of its own)
// must not outlive the test, or every later test of this process would see
// it. The child's exit status names the first check that failed.
TEST_F(ConfigFileTest, EmergencyCopyGoesToTmp)
{
    append(routes_, route("255.255.255.0", "10.2.0.0", "10.1.0.1"));
    enum Step {
        kDone,
        kNoPrivateTmp,
        kPlanted,
        kLinkFollowed,
        kVictimTouched,
        kUnlink,
        kNotWritten,
        kNotRead,
        kWrongRoutes
    };
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!private_tmp())
            _exit(kNoPrivateTmp);
        if (std::system("echo victim > /tmp/victim && ln -s /tmp/victim /tmp/save.cfg") != 0)
            _exit(kPlanted);
        if (file_save_emergency(lines_, routes_, filters_, &settings_) != 0)
            _exit(kLinkFollowed);
        if (read_file("/tmp/victim") != "victim\n")
            _exit(kVictimTouched);
        if (unlink("/tmp/save.cfg") != 0)
            _exit(kUnlink);
        if (file_save_emergency(lines_, routes_, filters_, &settings_) != 1)
            _exit(kNotWritten);
        ListObject* lines = listhelp_new_line_list();
        ListObject* routes = listhelp_new_route_list();
        ListObject* filters = listhelp_new_filter_list();
        int line, column;
        if (file_load_config(CFG_EMERGENCY_PATH, &lines, &routes, &filters, &line, &column, 0) !=
            CFG_OK) {
            _exit(kNotRead);
        }
        ListNode* want = routes_->head;
        const bool same = routes->count == 1 && listhelp_comp_route(want, routes->head) == 0;
        _exit(same ? kDone : kWrongRoutes);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == kNoPrivateTmp)
        GTEST_SKIP() << "needs root for a mount namespace";
    EXPECT_EQ(WEXITSTATUS(status), kDone) << "failed at step " << WEXITSTATUS(status);
}

}  // namespace
