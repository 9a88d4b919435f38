// What the edit dialogs accept must survive a configuration file: saved by
// the writer and taken back by the reader as the same entries.
#include <netdb.h>

#include "config_file.h"
#include "dialog_fixture.h"
#include "filter_fields.h"
#include "line_target_fields.h"
#include "route_fields.h"
#include "scratch_data_dir.h"

namespace {

class DialogRoundTripTest : public DialogLogicTest {
protected:
    void SetUp() override
    {
        DialogLogicTest::SetUp();
        lines_ = own(listhelp_new_line_list());
        routes_ = own(listhelp_new_route_list());
        filters_ = filters_numbered(0);
        std::memset(&settings_, 0, sizeof settings_);
    }

    void add_line_target(LineTargetFields fields, int line_type = 0)
    {
        LineTarget t;
        ASSERT_EQ(line_target_from_fields(fields, line_type, &t).code, 0) << fields.host;
        ASSERT_GT(line_target_store(lines_, routes_, 0, t, line_type), 0);
    }

    void add_route(const char* mask, const char* match, const char* gateway)
    {
        const std::string position = std::to_string(routes_->count + 1);
        RouteEntry r;
        ASSERT_EQ(
            route_from_fields({mask, match, gateway, position.c_str()}, routes_->count, true, &r)
                .code,
            0);
        ASSERT_GT(route_store(routes_, 0, r), 0);
    }

    void add_filter(const char* service, bool accept)
    {
        const std::string position = std::to_string(filters_->count);
        FilterFields fields = {"255.255.0.0", "10.1.0.0", "0.0.0.0",       "0.0.0.0",
                               service,       accept,     position.c_str()};
        FilterEntry f;
        ASSERT_EQ(filter_from_fields(fields, filters_->count, true, &f).code, 0) << service;
        ASSERT_GT(filter_store(filters_, 0, f), 0);
    }

    // Saves the three tables, loads them back, and compares entry by entry.
    void expect_round_trip(int line_type = 0)
    {
        ScratchDataDir dir;
        const std::string path = dir.file("round.cfg");
        settings_.line_type = static_cast<uint8_t>(line_type);
        ASSERT_EQ(file_save_config(path.c_str(), lines_, routes_, filters_, &settings_), 1);
        ListObject* lines = listhelp_new_line_list();
        ListObject* routes = listhelp_new_route_list();
        ListObject* filters = listhelp_new_filter_list();
        int line = -1, column = -1;
        const int code =
            file_load_config(path.c_str(), &lines, &routes, &filters, &line, &column, line_type);
        own(lines);
        own(routes);
        own(filters);
        ASSERT_EQ(code, CFG_OK) << "line " << line << ", column " << column;
        expect_same(lines_, lines);
        expect_same(routes_, routes);
        expect_same(filters_, filters);
    }

    static void expect_same(const ListObject* saved, const ListObject* loaded)
    {
        ASSERT_EQ(saved->count, loaded->count);
        const ListNode* a = saved->head;
        const ListNode* b = loaded->head;
        for (int position = 1; a != nullptr; a = a->next, b = b->next, ++position) {
            EXPECT_EQ(saved->compare(const_cast<ListNode*>(a), const_cast<ListNode*>(b)), 0)
                << "entry " << position;
        }
    }

    LineTargetFields line(const char* host) const
    {
        LineTargetFields f = {};
        f.host = host;
        f.phone = "0721";
        f.timeout = "20";
        f.send_pair = "";
        f.receive_pair = "";
        f.proto2 = &s2_protocols[0];
        f.proto3 = &s3_protocols[0];
        return f;
    }

    ListObject* lines_ = nullptr;
    ListObject* routes_ = nullptr;
    ListObject* filters_ = nullptr;
    RouterSettings settings_;
};

TEST_F(DialogRoundTripTest, AcceptedEntriesLoadBack)
{
    if (getservbyname("ftp", "tcp") == nullptr || getprotobyname("udp") == nullptr)
        GTEST_SKIP() << "no services or protocol database";
    LineTargetFields f = line("10.1.2.3");
    f.create_route = true;  // a host route goes with it
    add_line_target(f);
    f = line("10.1.2.4");
    f.phone = "123s";
    f.timeout = "0";
    f.send_pair = "remote";  // stored as "remote/"
    f.receive_pair = "local/pw";
    f.proto2 = &s2_protocols[2];
    f.proto3 = &s3_protocols[2];
    f.manual_only = f.bundling = f.compression = true;
    add_line_target(f);
    f = line("10.1.2.5");
    f.timeout = "65535";
    f.receive_pair = "only/receive";  // an empty send pair keeps its column
    add_line_target(f);

    add_route("255.255.255.0", "10.1.2.0", "10.1.1.1");
    add_route("0.0.0.0", "0.0.0.0", "10.1.1.1");

    for (const char* service : {"all", "ftp", "21/tcp", "53/udp", "7/200", "65535/tcp", "0/tcp"})
        add_filter(service, true);
    add_filter("ftp", false);
    filter_set_default_action(filters_, 0);
    expect_round_trip();
}

TEST_F(DialogRoundTripTest, IdentificationsWithoutNameAndSignedPortLoadBackExactly)
{
    if (getprotobyname("udp") == nullptr)
        GTEST_SKIP() << "no protocol database";
    LineTargetFields f = line("10.1.2.3");
    f.send_pair = "/secret";
    f.receive_pair = "/";
    add_line_target(f);
    add_filter("+53/udp", true);
    expect_round_trip();
    const auto* stored = static_cast<const LineTarget*>(lines_->head->element);
    EXPECT_STREQ(stored->send_pair, "/secret");
    EXPECT_STREQ(stored->receive_pair, "/");
}

TEST_F(DialogRoundTripTest, PermanentConnectionTypeOneLoadsBack)
{
    LineTargetFields f = line("10.1.2.3");
    f.phone = "1";
    add_line_target(f, 1);
    expect_round_trip(1);
}

// The route dialog accepts a default route through gateway "0.0.0.0"; the
// configuration reader must take it back.
TEST_F(DialogRoundTripTest, DefaultRouteWithZeroGatewayLoadsBack)
{
    add_route("0.0.0.0", "0.0.0.0", "0.0.0.0");
    expect_round_trip();
}

// On permanent-connection types 2 and 3 the dialog asks no telephone number
// and stores none; the writer and reader must carry such a line target.
TEST_F(DialogRoundTripTest, PermanentConnectionWithoutPhoneLoadsBack)
{
    LineTargetFields f = line("10.1.2.3");
    add_line_target(f, 2);
    expect_round_trip(2);
}

}  // namespace
