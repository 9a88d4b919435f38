// Common ground of the registration and line-target tests: tables made by
// hand for the dialogs alone, a registered router served by router-peer for
// the tests that go through the back end, and the actions of the two
// dialogs as their widgets call them.
#pragma once

#include <gtest/gtest.h>

#include <Xm/List.h>
#include <Xm/TextF.h>
#include <Xm/ToggleB.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dialog_entry_points.h"
#include "display_services.h"
#include "globals.h"
#include "gui_fixture.h"
#include "highstate.h"
#include "line_target_dialog.h"
#include "line_target_editor.h"
#include "line_target_fields.h"
#include "list.h"
#include "main_window.h"
#include "myutil.h"
#include "protocols.h"
#include "record_defaults.h"
#include "records.h"
#include "toolkit.h"
#include "widget_table.h"

class LineTargetTest : public GuiTest {
protected:
    static WidgetTable* t() { return XmVANTEROWidgets; }

    // A line target with an x75/null protocol pair and the defaults' timeout.
    static LineTarget line(const char* host, const char* phone)
    {
        LineTarget l = line_defaults;
        myutil_copy_text(l.host, host);
        myutil_copy_text(l.phone, phone);
        l.default_route = 0;
        return l;
    }

    static RouteEntry route(const char* match)
    {
        RouteEntry r{};
        myutil_copy_text(r.mask, "255.255.255.255");
        myutil_copy_text(r.match, match);
        myutil_copy_text(r.gateway, match);
        return r;
    }

    // Loaded tables as a registration leaves them: lists and their copies.
    static void load_tables(const std::vector<LineTarget>& lines, int routes = 0)
    {
        main_forget_tables();
        main_line_list = listhelp_new_line_list();
        for (const LineTarget& l : lines)
            main_line_list->ops->list_append(main_line_list, main_line_list->copy(&l));
        main_route_list = listhelp_new_route_list();
        for (int n = 1; n <= routes; ++n) {
            const std::string match =
                "10.9." + std::to_string(n / 250) + "." + std::to_string(n % 250 + 1);
            RouteEntry r = route(match.c_str());
            main_route_list->ops->list_append(main_route_list, main_route_list->copy(&r));
        }
        main_filter_list = listhelp_new_filter_list();
        myutil_make_filter_default(main_filter_list);
        main_line_list_copy = main_line_list->ops->list_copy(main_line_list);
        main_route_list_copy = main_route_list->ops->list_copy(main_route_list);
        main_filter_list_copy = main_filter_list->ops->list_copy(main_filter_list);
        myutil_copy_text(test_selected_box().name, "10.77.0.2");
        myutil_copy_text(test_selected_box().cfg.name, "10.77.0.2");
    }

    static std::vector<std::string> hosts(const ListObject* list)
    {
        std::vector<std::string> out;
        for (const ListNode* n = list != nullptr ? list->head : nullptr; n != nullptr; n = n->next)
            out.push_back(static_cast<const LineTarget*>(n->element)->host);
        return out;
    }

    static std::vector<std::string> route_matches(const ListObject* list)
    {
        std::vector<std::string> out;
        for (const ListNode* n = list != nullptr ? list->head : nullptr; n != nullptr; n = n->next)
            out.push_back(static_cast<const RouteEntry*>(n->element)->match);
        return out;
    }

    static LineTarget* line_at(int position)
    {
        ListNode* node = main_line_list->ops->list_get_at(main_line_list, position);
        return static_cast<LineTarget*>(node->element);
    }

    // ---------------------------------------------- the table dialog ---
    static void config_cb(int action, XtPointer call = nullptr)
    {
        ConfigCB(nullptr, action_data(action), call);
    }

    // A click on a line: Motif selects it and calls the selection callback.
    static void click(int position) { XmListSelectPos(t()->LineList, position, True); }

    // A double click (or Return) on a line, as the list calls it.
    static void double_click(int position)
    {
        XmListCallbackStruct cbs{};
        cbs.reason = XmCR_DEFAULT_ACTION;
        cbs.item_position = position;
        config_cb(CONFIG_DOUBLE_CLICK, &cbs);
    }

    // ----------------------------------------------------- the editor ---
    static void config2_cb(int action) { Config2CB(nullptr, action_data(action), nullptr); }

    static void type(Widget field, const char* text)
    {
        XmTextFieldSetString(field, const_cast<char*>(text));
    }

    static Widget shown(Widget option_menu)
    {
        Widget button = nullptr;
        XtVaGetValues(option_menu, XmNmenuHistory, &button, nullptr);
        return button;
    }

    // A choice in an option menu as the user makes it: Motif moves the menu
    // to the button, then the button's activate callback runs.
    static void choose(Widget option_menu, Widget button)
    {
        XtVaSetValues(option_menu, XmNmenuHistory, button, nullptr);
        XtCallCallbacks(button, XmNactivateCallback, nullptr);
    }

    static bool advanced_shown() { return XtIsManaged(t()->Config2AdvancedForm); }

    static void show_advanced()
    {
        if (!advanced_shown())
            XmToggleButtonSetState(t()->Config2Simple, !XmToggleButtonGetState(t()->Config2Simple),
                                   True);
    }

    static Pixel background(Widget w)
    {
        Pixel p = 0;
        XtVaGetValues(w, XmNbackground, &p, nullptr);
        return p;
    }

    static std::string error_text() { return helpfunc_label_text(t()->ErrorDialogMessage); }

    // ------------------------------------------------- with a router ---

    // Registers the router at 10.77.0.2 as the main window does and waits
    // until the registration has ended (tables read, refused or failed).
    void register_router(const char* address = "10.77.0.2")
    {
        myutil_copy_text(test_selected_box().name, address);
        test_selected_box().sel_pos = 1;
        MainCB(t()->Open, action_data(MAIN_ACTION_REGISTER), nullptr);
    }

    static bool registration_over() { return action_running == 0; }
};
