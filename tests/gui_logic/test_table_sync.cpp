#include "table_sync.h"

#include "dialog_fixture.h"

namespace {

class TableSyncTest : public DialogLogicTest {};

TEST_F(TableSyncTest, WriteNoticeOnTotalDifferenceAboveThirty)
{
    const struct {
        int routes_edited;
        int routes_held;
        int filters_edited;
        int filters_held;
        bool notice;
    } cases[] = {
        {31, 0, 1, 1, true},    // 31 routes loaded
        {30, 0, 1, 1, false},   // exactly 30
        {0, 31, 1, 1, true},    // removing counts the same
        {20, 0, 1, 21, false},  // 20 more routes, 20 fewer filters
        {0, 0, 1, 1, false},
    };
    for (const auto& c : cases) {
        ListObject* edited = routes_numbered(c.routes_edited);
        ListObject* held = routes_numbered(c.routes_held);
        ListObject* f_edited = filters_numbered(c.filters_edited - 1);
        ListObject* f_held = filters_numbered(c.filters_held - 1);
        EXPECT_EQ(tables_write_shows_notice(nullptr, nullptr, edited, held, f_edited, f_held),
                  c.notice)
            << c.routes_edited << "/" << c.routes_held << " " << c.filters_edited << "/"
            << c.filters_held;
    }
}

TEST_F(TableSyncTest, ButtonsAfterReadAndWrite)
{
    EXPECT_EQ(tables_buttons_after_read(2, false), TablesButtons::WithLineTargets);
    EXPECT_EQ(tables_buttons_after_read(0, false), TablesButtons::NoLineTargets);
    EXPECT_EQ(tables_buttons_after_read(2, true), TablesButtons::UnknownProtocols);
    EXPECT_EQ(tables_buttons_after_write(0, 1), TablesButtons::WithLineTargets);
    EXPECT_EQ(tables_buttons_after_write(1, 0), TablesButtons::NoLineTargets);
    EXPECT_EQ(tables_buttons_after_write(1, 3), TablesButtons::Unchanged);
    EXPECT_EQ(tables_buttons_after_write(0, 0), TablesButtons::Unchanged);
    EXPECT_FALSE(tables_write_shows_saved_message(0));
    EXPECT_TRUE(tables_write_shows_saved_message(1));
}

}  // namespace
