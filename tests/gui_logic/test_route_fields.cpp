#include "route_fields.h"

#include <string>

#include "dialog_fixture.h"
#include "record_defaults.h"
#include "table_position.h"

namespace {

class RouteFieldsTest : public DialogLogicTest {};

struct RouteCase {
    const char* name;
    RouteFields fields;
    int route_count;
    bool adding;
    int code;
    RouteField focus;
};

TEST_F(RouteFieldsTest, ChecksInDialogOrder)
{
    const RouteCase cases[] = {
        {"network route",
         {"255.255.255.0", "10.1.2.0", "10.1.1.1", "1"},
         0,
         true,
         0,
         RouteField::NO_FIELD},
        {"default route", {"0.0.0.0", "0.0.0.0", "0.0.0.0", "1"}, 0, true, 0, RouteField::NO_FIELD},
        {"host route",
         {"255.255.255.255", "193.1.2.3", "193.1.2.3", "1"},
         0,
         true,
         0,
         RouteField::NO_FIELD},
        {"empty mask", {"", "10.1.2.0", "10.1.1.1", "1"}, 0, true, 1, RouteField::Mask},
        {"mask not an address",
         {"255.255.255", "10.1.2.0", "10.1.1.1", "1"},
         0,
         true,
         1,
         RouteField::Mask},
        {"bad compare value",
         {"255.255.255.0", "10.1.2.x", "10.1.1.1", "1"},
         0,
         true,
         2,
         RouteField::Match},
        {"compare value outside mask",
         {"255.255.255.0", "10.1.2.3", "10.1.1.1", "1"},
         0,
         true,
         3,
         RouteField::Mask},
        {"compare value outside zero mask",
         {"0.0.0.0", "10.1.2.0", "10.1.1.1", "1"},
         0,
         true,
         3,
         RouteField::Mask},
        {"empty gateway", {"255.255.255.0", "10.1.2.0", "", "1"}, 0, true, 4, RouteField::Gateway},
        {"mask fault before the others", {"x", "y", "z", "0"}, 0, true, 1, RouteField::Mask},
        {"combination before gateway",
         {"255.0.0.0", "10.1.0.0", "z", "0"},
         0,
         true,
         3,
         RouteField::Mask},
        {"gateway before position",
         {"255.0.0.0", "10.0.0.0", "z", "0"},
         0,
         true,
         4,
         RouteField::Gateway},
        {"position 0", {"0.0.0.0", "0.0.0.0", "0.0.0.0", "0"}, 3, true, 5, RouteField::Position},
    };
    for (const RouteCase& c : cases) {
        SCOPED_TRACE(c.name);
        RouteEntry r = {};
        RouteCheck check = route_from_fields(c.fields, c.route_count, c.adding, &r);
        EXPECT_EQ(check.code, c.code);
        EXPECT_EQ(check.message, c.code == 0 ? -1 : 21 + c.code);
        EXPECT_EQ(check.focus, c.focus);
    }
}

// The dialog's gateway is an address check: "0.0.0.0" passes as written
// (a default route, or a network route through no gateway), unlike in a
// configuration file; other spellings of address 0 do not.
TEST_F(RouteFieldsTest, GatewayZeroOnlyAsWritten)
{
    const struct {
        const char* gateway;
        int code;
    } cases[] = {
        {"0.0.0.0", ROUTE_OK},           {" 0.0.0.0\t", ROUTE_OK},
        {"10.1.1.1", ROUTE_OK},          {"0", ROUTE_BAD_GATEWAY},
        {"0.0.0.00", ROUTE_BAD_GATEWAY}, {"0.0", ROUTE_BAD_GATEWAY},
        {"0.0.0.0.", ROUTE_BAD_GATEWAY}, {"0.0.0.0 x", ROUTE_BAD_GATEWAY},
        {"", ROUTE_BAD_GATEWAY},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("gateway \"") + c.gateway + "\"");
        RouteEntry r = {};
        const RouteCheck check =
            route_from_fields({"255.255.255.0", "10.1.2.0", c.gateway, "1"}, 0, true, &r);
        EXPECT_EQ(check.code, c.code);
        if (c.code == ROUTE_OK) {
            EXPECT_STREQ(r.gateway,
                         std::string(c.gateway).find("10.") == 0 ? c.gateway : "0.0.0.0");
        } else {
            EXPECT_EQ(check.focus, RouteField::Gateway);
        }
    }
}

TEST_F(RouteFieldsTest, AddressesAreStoredTrimmed)
{
    RouteEntry r = {};
    ASSERT_EQ(
        route_from_fields({" 255.255.255.0\t", " 10.1.2.0 ", "\t10.1.1.1", " 2"}, 1, true, &r).code,
        0);
    EXPECT_STREQ(r.mask, "255.255.255.0");
    EXPECT_STREQ(r.match, "10.1.2.0");
    EXPECT_STREQ(r.gateway, "10.1.1.1");
    EXPECT_EQ(r.index, 1);
}

struct PositionCase {
    const char* text;
    int route_count;
    bool adding;
    int index;  // -1: refused with message 26
};

TEST_F(RouteFieldsTest, PositionForms)
{
    const PositionCase cases[] = {
        {"0x3", 5, false, 2},
        {"010", 9, false, 7},
        {"3", 5, false, 2},
        {"3 ", 5, false, -1},
        {"", 5, false, -1},
        {"0", 5, false, -1},
        {"-1", 5, false, -1},
        {"3a", 5, false, -1},
        {"5", 5, false, 4},
        {"6", 5, false, -1},  // past the end when editing
        {"6", 5, true, 5},    // one past the end when adding
        {"7", 5, true, -1},
        {"1", 0, true, 0},  // an empty table takes position 1 only
        {"2", 0, true, -1},
        {"1", 0, false, -1},
        // Read as a long: 2^32 + 1 must not come back as position 1.
        {"4294967297", 5, false, -1},
        {"4294967297", 5, true, -1},
        {"99999999999999999999", 5, true, -1},
    };
    for (const PositionCase& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\" of " + std::to_string(c.route_count) +
                     (c.adding ? " adding" : " editing"));
        RouteEntry r = {};
        RouteCheck check = route_from_fields({"0.0.0.0", "0.0.0.0", "0.0.0.0", c.text},
                                             c.route_count, c.adding, &r);
        if (c.index < 0) {
            EXPECT_EQ(check.code, ROUTE_BAD_POSITION);
            EXPECT_EQ(check.message, 26);
            EXPECT_EQ(check.focus, RouteField::Position);
        } else {
            EXPECT_EQ(check.code, 0);
            EXPECT_EQ(r.index, c.index);
        }
    }
}

TEST_F(RouteFieldsTest, ViewShowsFieldsAndPosition)
{
    RouteView view = route_view(route("255.255.255.0", "10.1.2.0", "10.1.1.1"), 4);
    EXPECT_EQ(view.mask, "255.255.255.0");
    EXPECT_EQ(view.match, "10.1.2.0");
    EXPECT_EQ(view.gateway, "10.1.1.1");
    EXPECT_EQ(view.position, "4");
    // Add shows the defaults one past the end.
    view = route_view(route_defaults, 3 + 1);
    EXPECT_EQ(view.mask, "255.255.255.0");
    EXPECT_EQ(view.match, "");
    EXPECT_EQ(view.position, "4");
}

TEST_F(RouteFieldsTest, EditedRouteMovesToThePositionEntered)
{
    ListObject* routes = routes_numbered(5);
    RouteEntry r = {};
    ASSERT_EQ(
        route_from_fields({"255.255.255.255", "10.0.0.2", "10.9.9.9", "5"}, 5, false, &r).code, 0);
    EXPECT_EQ(route_store(routes, 2, r), 5);
    EXPECT_EQ(
        texts(routes, &RouteEntry::gateway),
        (std::vector<std::string>{"10.0.0.1", "10.0.0.3", "10.0.0.4", "10.0.0.5", "10.9.9.9"}));
    EXPECT_EQ(static_cast<const RouteEntry*>(routes->tail->element)->index, 4);

    // And back to the front.
    ASSERT_EQ(
        route_from_fields({"255.255.255.255", "10.0.0.2", "10.9.9.8", "1"}, 5, false, &r).code, 0);
    EXPECT_EQ(route_store(routes, 5, r), 1);
    EXPECT_EQ(
        texts(routes, &RouteEntry::gateway),
        (std::vector<std::string>{"10.9.9.8", "10.0.0.1", "10.0.0.3", "10.0.0.4", "10.0.0.5"}));

    // Same position: overwritten in place.
    ASSERT_EQ(
        route_from_fields({"255.255.255.255", "10.0.0.3", "10.7.7.7", "3"}, 5, false, &r).code, 0);
    EXPECT_EQ(route_store(routes, 3, r), 3);
    EXPECT_EQ(
        texts(routes, &RouteEntry::gateway),
        (std::vector<std::string>{"10.9.9.8", "10.0.0.1", "10.7.7.7", "10.0.0.4", "10.0.0.5"}));
    EXPECT_EQ(routes->count, 5);
}

TEST_F(RouteFieldsTest, NewRouteGoesWhereEnteredWhileThereIsRoom)
{
    ListObject* routes = routes_numbered(2);
    RouteEntry r = route("255.255.255.255", "10.0.0.9", "10.0.0.9");
    r.index = 2;
    EXPECT_EQ(route_store(routes, 0, r), 3);
    r.index = 0;
    myutil_copy_text(r.gateway, "10.0.0.8");
    EXPECT_EQ(route_store(routes, 0, r), 1);
    EXPECT_EQ(texts(routes, &RouteEntry::gateway),
              (std::vector<std::string>{"10.0.0.8", "10.0.0.1", "10.0.0.2", "10.0.0.9"}));

    // Out of range or no room: nothing changes.
    r.index = 5;
    EXPECT_EQ(route_store(routes, 0, r), 0);
    EXPECT_EQ(route_store(routes, 9, r), 0);
    EXPECT_EQ(routes->count, 4);
    ListObject* full = routes_numbered(MAX_ROUTES);
    r.index = 0;
    EXPECT_FALSE(route_can_add(full->count));
    EXPECT_TRUE(route_can_add(MAX_ROUTES - 1));
    EXPECT_EQ(route_store(full, 0, r), 0);
    EXPECT_EQ(full->count, MAX_ROUTES);
    EXPECT_EQ(route_store(nullptr, 0, r), 0);
}

}  // namespace
