#include "list_lines.h"

#include "dialog_fixture.h"
#include "message_tables.h"
#include "record_defaults.h"

namespace {

class ListLinesTest : public DialogLogicTest {};

TEST_F(ListLinesTest, LineTargetLine)
{
    LineTarget t = line_defaults;
    myutil_copy_text(t.host, "gateway1");
    myutil_copy_text(t.phone, "0721123");
    const std::string line = line_target_list_line(7, t);
    EXPECT_EQ(line, "  7.       gateway1         0721123             ");
    EXPECT_EQ(line.size(), 48u);
    // Longer texts are not cut.
    myutil_copy_text(t.host, "a-host-name-of-20-ch");
    EXPECT_EQ(line_target_list_line(12, t), " 12.       a-host-name-of-20-ch 0721123             ");
}

TEST_F(ListLinesTest, RouteLine)
{
    EXPECT_EQ(route_list_line(1, route("255.255.255.255", "193.1.2.3", "193.1.2.3")),
              "  1.     255.255.255.255   193.1.2.3         193.1.2.3               ");
}

TEST_F(ListLinesTest, EveryElementNumberedInOrder)
{
    ListObject* lines = own(listhelp_new_line_list());
    for (const char* host : {"10.0.0.1", "10.0.0.2"}) {
        LineTarget t = line_defaults;
        myutil_copy_text(t.host, host);
        myutil_copy_text(t.phone, "1");
        lines->ops->list_append(lines, lines->copy(&t));
    }
    std::vector<std::string> shown = line_target_list_lines(lines);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].substr(0, 20), "  1.       10.0.0.1 ");
    EXPECT_EQ(shown[1].substr(0, 20), "  2.       10.0.0.2 ");

    std::vector<std::string> routes = route_list_lines(routes_numbered(3));
    ASSERT_EQ(routes.size(), 3u);
    EXPECT_EQ(routes[2].substr(0, 4), "  3.");
    EXPECT_TRUE(line_target_list_lines(nullptr).empty());
    EXPECT_TRUE(route_list_lines(own(listhelp_new_route_list())).empty());
}

}  // namespace
