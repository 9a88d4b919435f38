#include "line_target_fields.h"

#include <string>

#include "dialog_fixture.h"
#include "message_tables.h"
#include "record_defaults.h"

namespace {

class LineTargetFieldsTest : public DialogLogicTest {
protected:
    // Fields that pass every check; each case changes one of them.
    LineTargetFields valid() const
    {
        LineTargetFields f = {};
        f.host = "10.1.2.3";
        f.phone = "0721";
        f.timeout = "20";
        f.send_pair = "";
        f.receive_pair = "";
        f.proto2 = &s2_protocols[0];
        f.proto3 = &s3_protocols[0];
        return f;
    }
};

enum class Field { Host, Phone, Timeout, Send, Receive };

struct CheckCase {
    const char* name;
    int line_type;
    Field field;
    const char* text;
    int code;
    const char* stored;  // the field's text in the record when accepted
};

TEST_F(LineTargetFieldsTest, ChecksOfEachField)
{
    const std::string pair38(38, 'n');
    const std::string pair38_slash = pair38 + "/";
    const std::string pair39(39, 'n');
    const std::string pair40 = std::string(20, 'n') + "/" + std::string(19, 'p');
    const std::string phone21(21, '1');
    const CheckCase cases[] = {
        {"dotted host", 0, Field::Host, "10.1.2.3", 0, "10.1.2.3"},
        {"host with blanks around", 0, Field::Host, " \t10.1.2.3 ", 0, "10.1.2.3"},
        {"no address", 0, Field::Host, "0.0.0.0", 1, nullptr},
        {"empty host", 0, Field::Host, "", 1, nullptr},
        {"unresolved name", 0, Field::Host, "gateway", 1, nullptr},
        {"three numbers", 0, Field::Host, "10.1.2", 1, nullptr},
        {"number above 255", 0, Field::Host, "10.1.2.256", 1, nullptr},

        {"digits", 0, Field::Phone, "0721", 0, "0721"},
        {"digits ending in s", 0, Field::Phone, "123s", 0, "123s"},
        {"phone trimmed", 0, Field::Phone, " 0721 ", 0, "0721"},
        {"empty phone", 0, Field::Phone, "", 2, nullptr},
        {"letter", 0, Field::Phone, "12a", 2, nullptr},
        {"plus sign", 0, Field::Phone, "+49", 2, nullptr},
        {"21 digits", 0, Field::Phone, phone21.c_str(), 2, nullptr},
        {"type 1 takes 0", 1, Field::Phone, "0", 0, "0"},
        {"type 1 takes 1", 1, Field::Phone, "1", 0, "1"},
        {"type 1 refuses 2", 1, Field::Phone, "2", 2, nullptr},
        {"type 1 refuses 01", 1, Field::Phone, "01", 2, nullptr},
        {"type 1 refuses a number", 1, Field::Phone, "0721", 2, nullptr},
        {"type 2 stores no number", 2, Field::Phone, "0721", 0, ""},
        {"type 2 asks nothing", 2, Field::Phone, "abc", 0, ""},
        {"type 3 asks nothing", 3, Field::Phone, "", 0, ""},
        {"type 4 is checked", 4, Field::Phone, "", 2, nullptr},

        {"timeout 0", 0, Field::Timeout, "0", 0, "0"},
        {"timeout 4", 0, Field::Timeout, "4", 5, nullptr},
        {"negative timeout", 0, Field::Timeout, "-3", 5, nullptr},
        {"timeout 5", 0, Field::Timeout, "5", 0, "5"},
        {"empty timeout", 0, Field::Timeout, "", 5, nullptr},
        {"00 is not the text 0", 0, Field::Timeout, "00", 5, nullptr},
        {"octal", 0, Field::Timeout, "010", 0, "8"},
        {"hexadecimal", 0, Field::Timeout, "0x14", 0, "20"},
        {"trailing blank", 0, Field::Timeout, "20 ", 5, nullptr},
        {"leading blank", 0, Field::Timeout, " 20", 0, "20"},
        {"largest", 0, Field::Timeout, "65535", 0, "65535"},
        {"above 16 bits", 0, Field::Timeout, "65536", 5, nullptr},
        {"five nines", 0, Field::Timeout, "99999", 5, nullptr},
        {"past a long", 0, Field::Timeout, "99999999999999999999", 5, nullptr},

        {"send pair as typed", 0, Field::Send, "name/pw", 0, "name/pw"},
        {"send pair gets its slash", 0, Field::Send, "name", 0, "name/"},
        {"send pair ending in slash", 0, Field::Send, "name/", 0, "name/"},
        {"empty send pair", 0, Field::Send, "", 0, ""},
        {"two slashes", 0, Field::Send, "a/b/c", 3, nullptr},
        {"blank in send pair", 0, Field::Send, "a b/c", 3, nullptr},
        {"tab in send pair", 0, Field::Send, "a\tb", 3, nullptr},
        {"blank around send pair", 0, Field::Send, " name/pw", 3, nullptr},
        {"no name before slash", 0, Field::Send, "/secret", 0, "/secret"},
        {"slash alone", 0, Field::Send, "/", 0, "/"},
        {"two slashes at the front", 0, Field::Send, "//pw", 3, nullptr},
        {"38 without slash", 0, Field::Send, pair38.c_str(), 0, pair38_slash.c_str()},
        {"39 without slash", 0, Field::Send, pair39.c_str(), 3, nullptr},
        {"40 with slash from the router", 0, Field::Send, pair40.c_str(), 0, pair40.c_str()},

        {"receive pair as typed", 0, Field::Receive, "local/pw", 0, "local/pw"},
        {"receive pair gets its slash", 0, Field::Receive, "local", 0, "local/"},
        {"two slashes received", 0, Field::Receive, "a/b/", 4, nullptr},
        {"no name before slash received", 0, Field::Receive, "/secret", 0, "/secret"},
        {"slash at both ends received", 0, Field::Receive, "/pw/", 4, nullptr},
        {"39 without slash received", 0, Field::Receive, pair39.c_str(), 4, nullptr},
    };
    const int messages_of[] = {-1, 17, 18, 20, 21, 19};
    const LineTargetField focus_of[] = {LineTargetField::NO_FIELD,    LineTargetField::Host,
                                        LineTargetField::Phone,       LineTargetField::SendPair,
                                        LineTargetField::ReceivePair, LineTargetField::Timeout};
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        LineTargetFields f = valid();
        if (c.line_type == 1)
            f.phone = "1";
        switch (c.field) {
        case Field::Host:
            f.host = c.text;
            break;
        case Field::Phone:
            f.phone = c.text;
            break;
        case Field::Timeout:
            f.timeout = c.text;
            break;
        case Field::Send:
            f.send_pair = c.text;
            break;
        case Field::Receive:
            f.receive_pair = c.text;
            break;
        }
        LineTarget t;
        std::memset(&t, 0x5a, sizeof t);
        const LineTarget untouched = t;
        LineTargetCheck check = line_target_from_fields(f, c.line_type, &t);
        EXPECT_EQ(check.code, c.code);
        EXPECT_EQ(check.message, messages_of[c.code]);
        EXPECT_EQ(check.focus, focus_of[c.code]);
        if (c.code != 0) {
            EXPECT_EQ(std::memcmp(&t, &untouched, sizeof t), 0) << "a refusal stores nothing";
            continue;
        }
        switch (c.field) {
        case Field::Host:
            EXPECT_STREQ(t.host, c.stored);
            break;
        case Field::Phone:
            EXPECT_STREQ(t.phone, c.stored);
            break;
        case Field::Timeout:
            EXPECT_EQ(std::to_string(t.timeout), c.stored);
            break;
        case Field::Send:
            EXPECT_STREQ(t.send_pair, c.stored);
            break;
        case Field::Receive:
            EXPECT_STREQ(t.receive_pair, c.stored);
            break;
        }
    }
}

TEST_F(LineTargetFieldsTest, FirstFailureInDialogOrderWins)
{
    struct OrderCase {
        const char* host;
        const char* phone;
        const char* timeout;
        const char* send;
        const char* receive;
        int code;
    } cases[] = {
        {"0.0.0.0", "x", "4", "a//", "a//", 1},  {"10.1.2.3", "x", "4", "a//", "a//", 2},
        {"10.1.2.3", "1", "4", "a//", "a//", 5},  // the timeout before the pairs
        {"10.1.2.3", "1", "5", "a//", "a//", 3}, {"10.1.2.3", "1", "5", "a", "a//", 4},
    };
    for (const OrderCase& c : cases) {
        LineTargetFields f = valid();
        f.host = c.host;
        f.phone = c.phone;
        f.timeout = c.timeout;
        f.send_pair = c.send;
        f.receive_pair = c.receive;
        EXPECT_EQ(line_target_from_fields(f, 0, nullptr).code, c.code) << c.host << " " << c.phone;
    }
}

TEST_F(LineTargetFieldsTest, AcceptedRecordTakesFlagsAndRowsAndNothingElse)
{
    LineTargetFields f = valid();
    f.create_route = true;
    f.bundling = true;
    f.compression = true;
    f.proto2 = &s2_protocols[2];
    f.proto3 = &s3_protocols[2];
    f.send_pair = "remote/secret";
    LineTarget t;
    std::memset(&t, 0x5a, sizeof t);
    ASSERT_EQ(line_target_from_fields(f, 0, &t).code, 0);
    EXPECT_EQ(t.default_route, 1);
    EXPECT_EQ(t.manual_only, 0);
    EXPECT_EQ(t.bundling, 1);
    EXPECT_EQ(t.compression, 1);
    EXPECT_EQ(t.proto2, &s2_protocols[2]);
    EXPECT_EQ(t.proto2_code, 255u);
    EXPECT_EQ(t.proto3, &s3_protocols[2]);
    EXPECT_EQ(t.proto3_code, 255u);
    // Parameters, counters and index are the router's business.
    EXPECT_EQ(t.proto2_params.blocksize, 0);
    EXPECT_EQ(t.proto3_params.param_byte, 0);
    EXPECT_EQ(t.counters.bytes_in, 0u);
    EXPECT_EQ(t.index, 0);
}

TEST_F(LineTargetFieldsTest, FillShowsTheRecordAndNeverChangesIt)
{
    LineTarget target = line_defaults;
    myutil_copy_text(target.host, "10.1.2.3");
    myutil_copy_text(target.phone, "0721");
    myutil_copy_text(target.send_pair, "a/b");
    target.timeout = 300;
    target.bundling = 1;
    for (int line_type : {0, 1, 2, 3}) {
        SCOPED_TRACE(line_type);
        const LineTarget before = target;
        LineTargetView view = line_target_view(target, line_type, 3);
        EXPECT_EQ(std::memcmp(&before, &target, sizeof target), 0);
        const bool permanent_line = line_type == 2 || line_type == 3;
        EXPECT_EQ(view.phone, permanent_line ? "" : "0721");
        EXPECT_EQ(view.phone_sensitive, !permanent_line);
        EXPECT_EQ(view.host, "10.1.2.3");
        EXPECT_EQ(view.timeout, "300");
        EXPECT_TRUE(view.bundling);
        EXPECT_FALSE(view.compression);
        EXPECT_EQ(view.send_pair, "a/b");
        EXPECT_TRUE(view.create_route);
        EXPECT_TRUE(view.create_route_sensitive);
        EXPECT_EQ(view.proto2, &s2_protocols[0]);
        EXPECT_EQ(view.proto3, &s3_protocols[0]);
        EXPECT_FALSE(view.pairs_sensitive);
    }
    // The defaults are never emptied either.
    myutil_copy_text(line_defaults.phone, "999");
    line_target_view(line_defaults, 2, 0);
    EXPECT_STREQ(line_defaults.phone, "999");
}

TEST_F(LineTargetFieldsTest, FillFollowsRouteTableAndProtocol)
{
    LineTarget target = line_defaults;
    LineTargetView view = line_target_view(target, 0, MAX_ROUTES);
    EXPECT_FALSE(view.create_route);
    EXPECT_FALSE(view.create_route_sensitive);
    view = line_target_view(target, 0, MAX_ROUTES - 1);
    EXPECT_TRUE(view.create_route);
    target.default_route = 0;
    EXPECT_FALSE(line_target_view(target, 0, 0).create_route);

    target.proto2 = &s2_protocols[2];
    target.proto2_code = 255;
    EXPECT_TRUE(line_target_view(target, 0, 0).pairs_sensitive);
}

TEST_F(LineTargetFieldsTest, TargetWithoutLayer3RowIsShownAndReadBack)
{
    // A router may report a layer-3 code that no definition has.
    LineTarget target = line_defaults;
    myutil_copy_text(target.host, "10.1.2.3");
    myutil_copy_text(target.phone, "0721");
    target.proto3 = nullptr;
    target.proto3_code = 1;
    EXPECT_EQ(line_target_view(target, 0, 0).proto3, &s3_protocols[1]);
    target.proto3_code = 77;
    LineTargetView view = line_target_view(target, 0, 0);
    ASSERT_EQ(view.proto3, &s3_protocols[0]);
    target.proto2 = nullptr;
    target.proto2_code = 99;
    view = line_target_view(target, 0, 0);
    EXPECT_EQ(view.proto2, &s2_protocols[0]);

    LineTargetFields f = valid();
    f.proto2 = view.proto2;
    f.proto3 = view.proto3;
    LineTarget stored;
    ASSERT_EQ(line_target_from_fields(f, 0, &stored).code, 0);
    EXPECT_EQ(stored.proto3, &s3_protocols[0]);
    EXPECT_EQ(stored.proto3_code, s3_protocols[0].code);

    // Menus without a current row cannot make a line target without rows.
    f.proto2 = nullptr;
    f.proto3 = nullptr;
    ASSERT_EQ(line_target_from_fields(f, 0, &stored).code, 0);
    EXPECT_EQ(stored.proto2, &s2_protocols[0]);
    EXPECT_EQ(stored.proto3, &s3_protocols[0]);
}

TEST_F(LineTargetFieldsTest, AddingPutsHostRouteFirstAndAppends)
{
    ListObject* lines = own(listhelp_new_line_list());
    ListObject* routes = routes_numbered(2);
    LineTargetFields f = valid();
    f.create_route = true;
    LineTarget t;
    ASSERT_EQ(line_target_from_fields(f, 0, &t).code, 0);
    EXPECT_EQ(line_target_store(lines, routes, 0, t, 0), 1);
    ASSERT_EQ(routes->count, 3);
    const RouteEntry* first = static_cast<const RouteEntry*>(routes->head->element);
    EXPECT_STREQ(first->mask, "255.255.255.255");
    EXPECT_STREQ(first->match, "10.1.2.3");
    EXPECT_STREQ(first->gateway, "10.1.2.3");

    f.host = "10.1.2.4";
    f.create_route = false;
    ASSERT_EQ(line_target_from_fields(f, 0, &t).code, 0);
    EXPECT_EQ(line_target_store(lines, routes, 0, t, 0), 2);
    EXPECT_EQ(routes->count, 3);
    EXPECT_EQ(texts(lines, &LineTarget::host), (std::vector<std::string>{"10.1.2.3", "10.1.2.4"}));
}

TEST_F(LineTargetFieldsTest, EditingReplacesInPlaceAndNeverAddsRoute)
{
    ListObject* lines = own(listhelp_new_line_list());
    ListObject* routes = routes_numbered(0);
    for (const char* host : {"10.0.0.1", "10.0.0.2", "10.0.0.3"}) {
        LineTargetFields f = valid();
        f.host = host;
        LineTarget t;
        ASSERT_EQ(line_target_from_fields(f, 0, &t).code, 0);
        ASSERT_GT(line_target_store(lines, routes, 0, t, 0), 0);
    }
    LineTargetFields f = valid();
    f.host = "10.9.9.9";
    f.create_route = true;  // read from the hidden toggle
    LineTarget t;
    ASSERT_EQ(line_target_from_fields(f, 0, &t).code, 0);
    EXPECT_EQ(line_target_store(lines, routes, 2, t, 0), 2);
    EXPECT_EQ(routes->count, 0);
    EXPECT_EQ(texts(lines, &LineTarget::host),
              (std::vector<std::string>{"10.0.0.1", "10.9.9.9", "10.0.0.3"}));
    EXPECT_EQ(line_target_store(lines, routes, 4, t, 0), 0);
    EXPECT_EQ(lines->count, 3);
}

TEST_F(LineTargetFieldsTest, LimitsOfAdding)
{
    EXPECT_TRUE(line_target_can_add(29, 0));
    EXPECT_FALSE(line_target_can_add(30, 0));
    EXPECT_TRUE(line_target_can_add(0, 2));
    EXPECT_FALSE(line_target_can_add(1, 1));

    ListObject* lines = own(listhelp_new_line_list());
    ListObject* routes = routes_numbered(MAX_ROUTES);
    LineTargetFields f = valid();
    f.create_route = true;
    LineTarget t;
    ASSERT_EQ(line_target_from_fields(f, 3, &t).code, 0);
    // A full route table takes no host route; the line target still goes in.
    EXPECT_EQ(line_target_store(lines, routes, 0, t, 3), 1);
    EXPECT_EQ(routes->count, MAX_ROUTES);
    // A permanent connection has room for one.
    EXPECT_EQ(line_target_store(lines, routes, 0, t, 3), 0);
    EXPECT_EQ(lines->count, 1);
}

}  // namespace
