// A line target, routes and filter rules edited in their dialogs, saved to a
// configuration file and loaded back through the file dialog, and written
// by the line-target table dialog's OK: the simulated router must hold
// exactly the tables the dialogs showed. The program's modules run
// in-process with the real back end on the test network.
#include <gtest/gtest.h>

#include <Xm/FileSB.h>
#include <Xm/List.h>
#include <Xm/RowColumn.h>
#include <Xm/TextF.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dialog_entry_points.h"
#include "dialog_names.h"
#include "display_services.h"
#include "file_dialog.h"
#include "file_messages.h"
#include "filter_dialogs.h"
#include "filter_fields.h"
#include "globals.h"
#include "gui_fixture.h"
#include "line_target_dialog.h"
#include "line_target_editor.h"
#include "list.h"
#include "main_window.h"
#include "myutil.h"
#include "records.h"
#include "route_dialogs.h"
#include "route_fields.h"
#include "table_list_dialog.h"
#include "temp_dir.h"
#include "toolkit.h"
#include "widget_table.h"

namespace {

constexpr int WRITE_WAIT_MS = 15000;  // a few dozen acknowledged puts

struct Route {
    std::string mask, match, gateway;
    bool operator==(const Route& o) const
    {
        return mask == o.mask && match == o.match && gateway == o.gateway;
    }
};

struct Rule {
    std::string send_mask, send_match, receive_mask, receive_match;
    int protocol, port, action;
    bool operator==(const Rule& o) const
    {
        return send_mask == o.send_mask && send_match == o.send_match &&
               receive_mask == o.receive_mask && receive_match == o.receive_match &&
               protocol == o.protocol && port == o.port && action == o.action;
    }
};

std::ostream& operator<<(std::ostream& out, const Route& r)
{
    return out << r.mask << " " << r.match << " " << r.gateway;
}

std::ostream& operator<<(std::ostream& out, const Rule& r)
{
    return out << r.send_mask << " " << r.send_match << " " << r.receive_mask << " "
               << r.receive_match << " " << r.protocol << "/" << r.port << " " << r.action;
}

class TablesToRouterTest : public GuiTest {
protected:
    static WidgetTable* t() { return XmVANTEROWidgets; }

    static void type(Widget field, const char* value)
    {
        XmTextFieldSetString(field, const_cast<char*>(value));
    }

    // The edited tables as the dialogs hold them.
    static std::vector<Route> edited_routes()
    {
        std::vector<Route> result;
        for (ListNode* n = main_route_list->head; n != nullptr; n = n->next) {
            auto* r = static_cast<RouteEntry*>(n->element);
            result.push_back({r->mask, r->match, r->gateway});
        }
        return result;
    }
    static std::vector<Rule> edited_rules()
    {
        std::vector<Rule> result;
        for (ListNode* n = main_filter_list->head; n != nullptr; n = n->next) {
            auto* f = static_cast<FilterEntry*>(n->element);
            result.push_back({f->send_mask, f->send_match, f->receive_mask, f->receive_match,
                              f->protocol, f->port, f->action});
        }
        return result;
    }

    // The router's tables, slot by slot from 0 without gaps.
    static std::vector<Route> router_routes(const SimRouter& r)
    {
        std::vector<Route> result(r.routes.size());
        for (const SimRoute& s : r.routes) {
            EXPECT_LT(static_cast<size_t>(s.index), r.routes.size()) << "a gap in the routes";
            if (static_cast<size_t>(s.index) < result.size())
                result[s.index] = {s.mask, s.match, s.gateway};
        }
        return result;
    }
    static std::vector<Rule> router_rules(const SimRouter& r)
    {
        std::vector<Rule> result(r.filters.size());
        for (const SimFilter& s : r.filters) {
            EXPECT_LT(static_cast<size_t>(s.index), r.filters.size()) << "a gap in the filters";
            if (static_cast<size_t>(s.index) < result.size())
                result[s.index] = {s.send_mask, s.send_match, s.receive_mask, s.receive_match,
                                   s.protocol,  s.port,       s.action};
        }
        return result;
    }

    // Registers the router at 10.77.0.2 through the main window and waits
    // until its tables are read.
    bool register_router()
    {
        myutil_copy_text(test_selected_box().name, "10.77.0.2");
        myutil_copy_text(test_selected_box().hw_text, "00-a0-f9-00-00-01");
        test_selected_box().sel_pos = 1;
        MainCB(t()->Open, action_data(MAIN_ACTION_REGISTER), nullptr);
        return pump_until([] { return main_filter_list != nullptr && action_running == 0; });
    }

    static void route_action(int action) { RouteCB(t()->RouteList, action_data(action), nullptr); }
    static void filter_action(int action)
    {
        FilterCB(t()->FilterList, action_data(action), nullptr);
    }
    static void config_action(int action) { ConfigCB(t()->ConfigOk, action_data(action), nullptr); }

    // The file dialog's OK with `file` in its selection field.
    static void file_ok(const std::string& file)
    {
        Widget box = t()->FileDialog;
        helpfunc_set_field(XmFileSelectionBoxGetChild(box, XmDIALOG_TEXT), file.c_str());
        CompoundString value(file.c_str());
        XmFileSelectionBoxCallbackStruct cbs = {};
        cbs.reason = XmCR_OK;
        cbs.value = value;
        cbs.length = static_cast<int>(file.size());
        XtCallCallbacks(box, XmNokCallback, &cbs);
    }

    // Every edit below goes through the dialogs' own callbacks, as the
    // buttons call them.
    void edit_routes()
    {
        config_action(CONFIG_ROUTES);
        ASSERT_TRUE(is_managed("*RouteDialog"));
        ASSERT_EQ(list_items(t()->RouteList).size(), 3u);

        // The first route moves to the end.
        XmListSelectPos(t()->RouteList, 1, True);
        route_action(ROUTE_OPEN);
        type(t()->Route2PosText, "3");
        Route2CB(t()->Route2Ok, action_data(EDIT_OK), nullptr);
        ASSERT_FALSE(is_managed("*ErrorDialog")) << label("*ErrorDialog.ErrorDialogMessage");

        // A default route goes first.
        route_action(ROUTE_ADD);
        type(t()->Route2MaskText, "0.0.0.0");
        type(t()->Route2CompText, "0.0.0.0");
        type(t()->Route2GateText, "10.1.0.254");
        type(t()->Route2PosText, "1");
        Route2CB(t()->Route2Ok, action_data(EDIT_OK), nullptr);
        ASSERT_FALSE(is_managed("*ErrorDialog")) << label("*ErrorDialog.ErrorDialogMessage");

        // The route now third (formerly second) goes.
        XmListSelectPos(t()->RouteList, 3, True);
        route_action(ROUTE_DELETE);
        route_action(ROUTE_CLOSE);
    }

    void edit_filters()
    {
        config_action(CONFIG_FILTERS);
        ASSERT_TRUE(is_managed("*FilterDialog"));
        ASSERT_EQ(list_items(t()->FilterList).size(), 2u);

        // A new rule in front of all: ftp to 10.5.5.5 rejected.
        filter_action(FILTER_ADD);
        type(t()->Filter2SMaskText, "0.0.0.0");
        type(t()->Filter2SCompText, "0.0.0.0");
        type(t()->Filter2RMaskText, "255.255.255.255");
        type(t()->Filter2RCompText, "10.5.5.5");
        type(t()->Filter2PortText, "ftp");
        XtVaSetValues(t()->Filter2Aktion, XmNmenuHistory, t()->A_REJECT, nullptr);
        type(t()->Filter2PosText, "1");
        Filter2CB(t()->Filter2Ok, action_data(EDIT_OK), nullptr);
        ASSERT_FALSE(is_managed("*ErrorDialog")) << label("*ErrorDialog.ErrorDialogMessage");

        // The rule now third takes another service and is accepted.
        XmListSelectPos(t()->FilterList, 3, True);
        filter_action(FILTER_OPEN);
        type(t()->Filter2PortText, "+53/udp");  // a port may carry its sign
        XtVaSetValues(t()->Filter2Aktion, XmNmenuHistory, t()->A_ACCEPT, nullptr);
        Filter2CB(t()->Filter2Ok, action_data(EDIT_OK), nullptr);
        ASSERT_FALSE(is_managed("*ErrorDialog")) << label("*ErrorDialog.ErrorDialogMessage");

        // Everything else is rejected.
        XtVaSetValues(t()->FilterOption, XmNmenuHistory, t()->FilterProhibit, nullptr);
        filter_action(FILTER_DEFAULT_REJECT);
        filter_action(FILTER_CLOSE);
    }

    // The router's only line target opened and given identifications
    // without a name.
    void edit_line_target()
    {
        XmListCallbackStruct cbs{};
        cbs.reason = XmCR_DEFAULT_ACTION;
        cbs.item_position = 1;
        ConfigCB(t()->LineList, action_data(CONFIG_DOUBLE_CLICK), &cbs);
        ASSERT_TRUE(is_managed("*Config2Dialog"));
        type(t()->AvSendPW, "/secret");
        type(t()->AvReceivePW, "/pw");
        Config2CB(nullptr, action_data(CONFIG2_OK), nullptr);
        ASSERT_FALSE(is_managed("*ErrorDialog")) << label("*ErrorDialog.ErrorDialogMessage");
        ASSERT_FALSE(is_managed("*Config2Dialog"));
    }

    // OK of the line-target table dialog, and the write's end.
    bool write_tables()
    {
        config_action(CONFIG_OK);
        return pump_until([] { return action_running == 0 && !is_managed("*ConfigDialog"); },
                          WRITE_WAIT_MS);
    }
};

TEST_F(TablesToRouterTest, EditedSavedLoadedAndWrittenTablesArriveExactly)
{
    ASSERT_TRUE(start_back_end());
    SimRouter r1 = sim_router("r1", "10.77.0.2", "00:a0:f9:00:00:01");
    r1.routes = {sim_route(0, "255.255.255.0", "10.2.0.0", "10.1.0.1"),
                 sim_route(1, "255.255.255.0", "10.3.0.0", "10.1.0.1"),
                 sim_route(2, "255.255.0.0", "10.4.0.0", "10.1.0.2")};
    r1.filters = {sim_filter(0, "255.255.0.0", "10.1.0.0", "0.0.0.0", "0.0.0.0", 0, 1, 0),
                  sim_filter(1, "0.0.0.0", "0.0.0.0", "255.255.255.255", "10.3.3.3", 6, 0, 8000),
                  sim_filter(2, "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 0, 1, 0)};
    // x75 on layer 2 and null on layer 3, as the built-in definitions give them.
    SimLine line = sim_line(0, "10.1.1.1", "555");
    line.l2 = 1;
    line.blocksize = 1500;
    line.addr_a = 3;
    line.addr_b = 1;
    line.modulo = 8;
    line.window = 7;
    line.l3 = 4;
    line.byte = 8;
    line.timeout = 20;
    r1.lines = {line};
    PeerProcess* peer = start_peer(1, {r1});
    ASSERT_NE(peer, nullptr);
    ASSERT_TRUE(register_router()) << peer->log_text();
    ASSERT_EQ(main_line_list->count, 1);
    ASSERT_EQ(main_route_list->count, 3);
    ASSERT_EQ(main_filter_list->count, 3);

    helpfunc_popup(Dialog::ConfigDialog);
    edit_line_target();
    edit_routes();
    edit_filters();
    const std::vector<Route> routes = {{"0.0.0.0", "0.0.0.0", "10.1.0.254"},
                                       {"255.255.255.0", "10.3.0.0", "10.1.0.1"},
                                       {"255.255.255.0", "10.2.0.0", "10.1.0.1"}};
    const std::vector<Rule> rules = {
        {"0.0.0.0", "0.0.0.0", "255.255.255.255", "10.5.5.5", 6, 21, 0},
        {"255.255.0.0", "10.1.0.0", "0.0.0.0", "0.0.0.0", 0, 0, 1},
        {"0.0.0.0", "0.0.0.0", "255.255.255.255", "10.3.3.3", 17, 53, 1},
        {"0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", 0, 0, 0},
    };
    ASSERT_EQ(edited_routes(), routes);
    ASSERT_EQ(edited_rules(), rules);

    // Saved, thrown away by Cancel, and loaded back.
    TempDir files("qorvel-tables");
    config_action(CONFIG_SAVE);
    ASSERT_TRUE(is_managed("*FileDialog"));
    file_ok(files.file("gw1.cfg"));
    ASSERT_FALSE(is_managed("*ErrorDialog")) << label("*ErrorDialog.ErrorDialogMessage");
    config_action(CONFIG_CANCEL);
    EXPECT_EQ(main_route_list->count, 3) << "Cancel brings back what the router holds";
    helpfunc_popup(Dialog::ConfigDialog);
    config_action(CONFIG_LOAD);
    file_ok(files.file("gw1.cfg"));
    ASSERT_FALSE(is_managed("*ErrorDialog")) << label("*ErrorDialog.ErrorDialogMessage");
    EXPECT_EQ(edited_routes(), routes);
    EXPECT_EQ(edited_rules(), rules);
    ASSERT_EQ(main_line_list->count, 1);
    const auto* loaded = static_cast<const LineTarget*>(main_line_list->head->element);
    EXPECT_STREQ(loaded->send_pair, "/secret");
    EXPECT_STREQ(loaded->receive_pair, "/pw");

    ASSERT_TRUE(write_tables()) << peer->log_text();
    ASSERT_EQ(peer->stop(), 0);
    SimRouter now;
    ASSERT_TRUE(peer->router("r1", &now)) << peer->error();
    EXPECT_EQ(router_routes(now), routes);
    EXPECT_EQ(router_rules(now), rules);
    ASSERT_EQ(now.lines.size(), 1u);
    // The "/" travels as a NUL byte.
    EXPECT_EQ(now.lines[0].send, std::string("\0secret", 7));
    EXPECT_EQ(now.lines[0].receive, std::string("\0pw", 3));
}

}  // namespace
