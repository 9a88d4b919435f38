// What the router settings, firmware and password tests share: firmware
// images in the data directory, a router selected (and registered, with its
// tables, against the simulated router) as the main window leaves it, the
// settings dialog opened through the main window's "Router", and the error
// box's text.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include <Xm/Xm.h>
#include <Xm/RowColumn.h>
#include <Xm/TextF.h>

#include "dialog_entry_points.h"
#include "display_services.h"
#include "firmware_dialog.h"
#include "firmware_fixture.h"
#include "globals.h"
#include "gui_fixture.h"
#include "highstate.h"
#include "list.h"
#include "main_window.h"
#include "message_tables.h"
#include "myutil.h"
#include "question_dialogs.h"
#include "registration.h"
#include "router_entry.h"
#include "router_password_dialogs.h"
#include "router_settings_dialog.h"
#include "toolkit.h"
#include "widget_table.h"

// Reset, download and restart of a whole image: about 4 s alone, over 20 s
// in the sanitizer build beside a full parallel test run. Only a failing
// test waits this long.
constexpr int DOWNLOAD_WAIT_MS = 60000;
constexpr int EVENT_LOOK_MS = 100;  // how often a wait reads the simulated router's log

// Tables handed over by a test registration.
struct TestRegistration {
    int phase = 0;  // 0 waiting, 1 tables read, -1 refused
    std::string password;
    OpenReply reply{};
};

inline TestRegistration& test_registration()
{
    static TestRegistration r;
    return r;
}

class RouterSettingsFixture : public GuiTest {
protected:
    void TearDown() override
    {
        remove_images();
        GuiTest::TearDown();
    }

    static void remove_images()
    {
        DIR* dir = opendir(gui_data_dir().c_str());
        if (dir == nullptr)
            return;
        std::vector<std::string> names;
        while (dirent* e = readdir(dir))
            if (std::strncmp(e->d_name, "fw_", 3) == 0)
                names.push_back(e->d_name);
        closedir(dir);
        for (const std::string& n : names)
            unlink((gui_data_dir() + "/" + n).c_str());
    }

    static void image(int family, const std::string& version)
    {
        ASSERT_FALSE(firmware_fixture_write(gui_data_dir(), family, version).empty());
    }

    // A line in the router list with its entry, selected as the main window
    // selects it: name, hardware address, position, exclusive flag.
    static void select_router(uint32_t address, uint8_t last, uint32_t holder = 0)
    {
        ScanAnswer a{};
        a.router_ip = address;
        a.holder_ip = holder;
        const uint8_t hw[6] = {0x00, 0xa0, 0xf9, 0x00, 0x00, last};
        std::memcpy(a.hw, hw, 6);
        cbfunc_net_scan(&a);
        int position = main_router_list->count;
        ListNode* node = main_router_list->ops->list_get_at(main_router_list, position);
        auto* entry = static_cast<RouterEntry*>(node->element);
        SelectedRouter& s = test_selected_box();
        myutil_copy_text(s.name, entry->name);
        myutil_copy_text(s.hw_text, entry->hw_text);
        std::memcpy(s.hw, hw, 6);
        s.sel_pos = position;
        s.cfg.exclusive = static_cast<int32_t>(entry->held);
    }

    // Settings of a configured router, as the registration leaves them.
    static void configured(const char* name, const char* phone, int isdn, int line_type,
                           const char* firmware, const char* password = "")
    {
        RouterSettings& c = test_selected_box().cfg;
        myutil_copy_text(c.name, name);
        myutil_copy_text(c.netmask, "255.255.255.0");
        myutil_copy_text(c.phone, phone);
        c.isdn_mode = static_cast<uint8_t>(isdn);
        c.line_type = static_cast<uint8_t>(line_type);
        myutil_copy_text(c.firmware, firmware);
        myutil_copy_text(c.password, password);
    }

    // The main window's "Router".
    void open_settings()
    {
        MainCB(nullptr, action_data(MAIN_ACTION_ROUTER), nullptr);
        ASSERT_TRUE(pump_until([] { return is_managed("*RConfigDialog"); }));
    }

    static WidgetTable* w() { return XmVANTEROWidgets; }

    static void type(Widget field, const char* value)
    {
        XmTextFieldSetString(field, const_cast<char*>(value));
    }

    static Widget shown_button()
    {
        Widget b = nullptr;
        XtVaGetValues(w()->RISDNMode, XmNmenuHistory, &b, nullptr);
        return b;
    }

    // A button of the option menu chosen as the user chooses it.
    static void choose(Widget button, int action)
    {
        XtVaSetValues(w()->RISDNMode, XmNmenuHistory, button, nullptr);
        RConfigCB(button, action_data(action), nullptr);
    }

    static void press(int action) { RConfigCB(nullptr, action_data(action), nullptr); }

    // Waits, with the event loop running (the back end lives in this
    // process), for an event of router "r1" that contains `text`.
    static bool event_seen(PeerProcess* peer, const std::string& text, int timeout_ms = GUI_WAIT_MS)
    {
        // The log grows by a line for every datagram: read it now and then.
        int64_t next_look = 0;
        return pump_until(
            [&] {
                int64_t now = peer_now_ms();
                if (now < next_look)
                    return false;
                next_look = now + EVENT_LOOK_MS;
                for (const std::string& e : peer->events("r1"))
                    if (e.find(text) != std::string::npos)
                        return true;
                return false;
            },
            timeout_ms);
    }

    static bool error_shown() { return is_managed("*ErrorDialog"); }
    static std::string error_text() { return label("*ErrorDialog*ErrorDialogMessage"); }
    static std::string error_title() { return title("*ErrorDialog"); }
    static void close_error() { helpfunc_popdown(Dialog::ErrorDialog); }

    // Registers the router at `address` as the main window and the
    // registration do, without their dialogs: open (with the password when
    // asked), read the three tables, keep them with their copies.
    bool register_router(uint32_t address, const std::string& password = "")
    {
        TestRegistration& r = test_registration();
        r = TestRegistration();
        r.password = password;
        if (highstate_open_router(opened, address) <= 0)
            return false;
        bool done = pump_until([&r] { return r.phase != 0; }, GUI_WAIT_MS);
        if (!done || r.phase != 1)
            return false;
        registration_accept_settings(&test_selected_box().cfg, helpfunc_selected_box.name, r.reply);
        myutil_copy_text(test_selected_box().cfg.password, password.c_str());
        helpfunc_main_state(main_line_list->count > 0 ? MainState::REGISTERED_LINES
                                                      : MainState::REGISTERED_NO_LINES);
        return true;
    }

    static void opened(OpenReply* reply)
    {
        TestRegistration& r = test_registration();
        switch (reply->kind) {
        case OPEN_PASSWORD:
            highstate_send_password(opened, reply->seq, r.password.c_str(), reply->seed);
            break;
        case OPEN_ACCEPTED:
            r.reply = *reply;
            interface_load_config(reply->n_lines, reply->n_routes, reply->n_filters, tables_read);
            break;
        default:
            r.phase = -1;
            break;
        }
    }

    static void tables_read(ListObject* lines, ListObject* routes, ListObject* filters)
    {
        main_line_list = lines;
        main_route_list = routes;
        main_filter_list = filters;
        main_line_list_copy = lines->ops->list_copy(lines);
        main_route_list_copy = routes->ops->list_copy(routes);
        main_filter_list_copy = filters->ops->list_copy(filters);
        test_registration().phase = 1;
    }
};

// A line target of the simulated router that the built-in definitions know
// (hdlc, null).
inline SimLine known_line(int index, const std::string& host, const std::string& phone)
{
    SimLine l = sim_line(index, host, phone);
    l.l2 = 2;
    l.blocksize = 1500;
    l.l3 = 4;
    l.byte = 8;
    l.timeout = 20;
    return l;
}
