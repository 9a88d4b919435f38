// The three table dialogs show ten lines of their table, whatever else the
// dialog holds below its list: the list is as high as ten of its lines
// (and their spacing), not as high as the room that is left over.
#include <gtest/gtest.h>

#include <Xm/List.h>
#include <Xm/Xm.h>

#include <cstdio>
#include <string>

#include "dialog_names.h"
#include "display_services.h"
#include "globals.h"
#include "gui_fixture.h"
#include "list.h"
#include "myutil.h"
#include "record_defaults.h"
#include "records.h"
#include "widget_table.h"

namespace {

constexpr int VISIBLE_LINES = 10;
constexpr int ENTRIES = 20;  // more than the list shows

class TableListHeightTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        if (IsSkipped())
            return;
        myutil_copy_text(test_selected_box().name, "gw1");
        main_forget_tables();
        main_line_list = listhelp_new_line_list();
        main_route_list = listhelp_new_route_list();
        main_filter_list = listhelp_new_filter_list();
        for (int n = 1; n <= ENTRIES; ++n) {
            char address[HOST_LEN + 1];
            std::snprintf(address, sizeof address, "10.0.0.%d", n);
            LineTarget line = line_defaults;
            myutil_copy_text(line.host, address);
            myutil_copy_text(line.phone, "0301234567");
            main_line_list->ops->list_append(main_line_list, main_line_list->copy(&line));
            RouteEntry route = {};
            myutil_copy_text(route.mask, "255.255.255.255");
            myutil_copy_text(route.match, address);
            myutil_copy_text(route.gateway, address);
            main_route_list->ops->list_append(main_route_list, main_route_list->copy(&route));
            FilterEntry filter = filter_accept;
            myutil_copy_text(filter.send_match, address);
            myutil_copy_text(filter.send_mask, "255.255.255.255");
            main_filter_list->ops->list_append(main_filter_list, main_filter_list->copy(&filter));
        }
        main_filter_list->ops->list_append(main_filter_list,
                                           main_filter_list->copy(&filter_reject));
        main_line_list_copy = main_line_list->ops->list_copy(main_line_list);
        main_route_list_copy = main_route_list->ops->list_copy(main_route_list);
        main_filter_list_copy = main_filter_list->ops->list_copy(main_filter_list);
    }
    void TearDown() override
    {
        if (!IsSkipped()) {
            for (Dialog d : {Dialog::FilterDialog, Dialog::RouteDialog, Dialog::ConfigDialog})
                helpfunc_popdown(d);
            main_forget_tables();
        }
        GuiTest::TearDown();
    }
};

TEST_F(TableListHeightTest, EveryTableShowsTenLines)
{
    const struct {
        Dialog dialog;
        Widget WidgetTable::*list;
    } tables[] = {
        {Dialog::ConfigDialog, &WidgetTable::LineList},
        {Dialog::RouteDialog, &WidgetTable::RouteList},
        {Dialog::FilterDialog, &WidgetTable::FilterList},
    };
    for (const auto& t : tables) {
        SCOPED_TRACE(dialog_name(t.dialog));
        helpfunc_popup(t.dialog);
        pump();
        Widget list = XmVANTEROWidgets->*t.list;
        ASSERT_NE(list, nullptr);
        int count = 0, visible = 0;
        XtVaGetValues(list, XmNitemCount, &count, XmNvisibleItemCount, &visible, nullptr);
        ASSERT_GE(count, ENTRIES);
        // Motif counts the lines that its height holds.
        EXPECT_EQ(visible, VISIBLE_LINES);
        // ... and nothing of the dialog covers them.
        Widget frame = XtParent(list);
        Position y = 0;
        Dimension height = 0;
        XtVaGetValues(frame, XmNy, &y, XmNheight, &height, nullptr);
        WidgetList children = nullptr;
        Cardinal n = 0;
        XtVaGetValues(XtParent(frame), XmNchildren, &children, XmNnumChildren, &n, nullptr);
        for (Cardinal i = 0; i < n; ++i) {
            if (children[i] == frame || !XtIsManaged(children[i]))
                continue;
            Position cy = 0;
            Dimension ch = 0;
            XtVaGetValues(children[i], XmNy, &cy, XmNheight, &ch, nullptr);
            const bool above = cy + ch <= y;
            const bool below = cy >= y + height + 5;
            EXPECT_TRUE(above || below) << XtName(children[i]) << " at " << cy << ".." << cy + ch
                                        << ", the list at " << y << ".." << y + height;
        }
        Dimension inner = 0;
        XtVaGetValues(XtParent(frame), XmNheight, &inner, nullptr);
        EXPECT_LE(y + height, inner) << "the list runs out of its form";
    }
}

}  // namespace
