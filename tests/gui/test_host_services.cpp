// The host services on the toolkit's loop (input, the re-armed tick, the
// warning handler) and what a failure reported by the back end does to the
// windows, the tables and the emergency copy.
#include <gtest/gtest.h>

#include <Xm/List.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config_file.h"
#include "dialog_registry.h"
#include "display_services.h"
#include "emergency_copies.h"
#include "globals.h"
#include "gui_fixture.h"
#include "host_services.h"
#include "line_target_dialog.h"
#include "list.h"
#include "main_error_rules.h"
#include "main_window.h"
#include "message_tables.h"
#include "myutil.h"
#include "record_defaults.h"
#include "records.h"
#include "question_dialogs.h"
#include "table_write_mark.h"
#include "toolkit.h"
#include "widget_table.h"

namespace {

constexpr const char* SAVE_FILE = "/tmp/save.cfg";

class HostServicesTest : public GuiTest {
protected:
    // A registered router with one line target, one route and the default
    // filter rule, its line open in the line-target editor.
    void load_tables(const char* host = "10.1.1.1")
    {
        myutil_copy_text(test_selected_box().name, "10.77.0.2");
        myutil_copy_text(test_selected_box().hw_text, "00-a0-f9-00-00-01");
        test_selected_box().sel_pos = 1;
        myutil_copy_text(test_selected_box().cfg.name, "10.77.0.2");
        main_line_list = listhelp_new_line_list();
        main_route_list = listhelp_new_route_list();
        main_filter_list = listhelp_new_filter_list();
        auto* target = static_cast<LineTarget*>(myutil_malloc(sizeof(LineTarget)));
        *target = line_defaults;
        myutil_copy_text(target->host, host);
        myutil_copy_text(target->phone, "5551234");
        main_line_list->ops->list_append(main_line_list, target);
        auto* route = static_cast<RouteEntry*>(myutil_malloc(sizeof(RouteEntry)));
        *route = route_defaults;
        myutil_copy_text(route->match, "10.2.0.0");
        myutil_copy_text(route->gateway, "10.1.1.1");
        main_route_list->ops->list_append(main_route_list, route);
        auto* rule = static_cast<FilterEntry*>(myutil_malloc(sizeof(FilterEntry)));
        *rule = filter_accept;
        main_filter_list->ops->list_append(main_filter_list, rule);
        main_line_list_copy = main_line_list->ops->list_copy(main_line_list);
        main_route_list_copy = main_route_list->ops->list_copy(main_route_list);
        main_filter_list_copy = main_filter_list->ops->list_copy(main_filter_list);
        selected_elem = main_line_list->head;
        router_session_begin_action();
    }

    // Whether the dialog's window is mapped on the screen.
    static bool on_screen(Dialog dialog)
    {
        Widget form = dialog_form(dialog);
        if (form == nullptr || !XtIsRealized(XtParent(form)))
            return false;
        XWindowAttributes a{};
        return XGetWindowAttributes(XtDisplay(form), XtWindow(XtParent(form)), &a) != 0 &&
               a.map_state == IsViewable;
    }

    static std::string read_file(const char* path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // The hosts of the line targets a configuration file holds, as the
    // program loads them; "unreadable" when it does not load.
    static std::vector<std::string> loaded_hosts(const std::string& path)
    {
        ListObject* lines = listhelp_new_line_list();
        ListObject* routes = listhelp_new_route_list();
        ListObject* filters = listhelp_new_filter_list();
        int line = 0;
        int column = 0;
        std::vector<std::string> hosts;
        if (file_load_config(path.c_str(), &lines, &routes, &filters, &line, &column, 0) != CFG_OK)
            hosts.push_back("unreadable");
        for (ListNode* n = lines->head; n != nullptr; n = n->next)
            hosts.push_back(static_cast<LineTarget*>(n->element)->host);
        for (ListObject* l : {lines, routes, filters})
            l->ops->list_destroy(l);
        return hosts;
    }
};

TEST_F(HostServicesTest, FailureWithTablesClosesEveryDialogOnThemAndSavesThem)
{
    EmergencyFileLock lock;
    std::remove(SAVE_FILE);
    load_tables();
    const Dialog open[] = {Dialog::ConfigDialog,    Dialog::Config2Dialog,    Dialog::RouteDialog,
                           Dialog::Route2Dialog,    Dialog::FilterDialog,     Dialog::Filter2Dialog,
                           Dialog::RConfigDialog,   Dialog::SetPWDialog,      Dialog::InputPWDialog,
                           Dialog::RepeatPWDialog,  Dialog::FirmwareDialog,   Dialog::FileDialog,
                           Dialog::Question2Dialog, Dialog::AccountingDialog, Dialog::LineMonDialog,
                           Dialog::LineMon2Dialog,  Dialog::PWDialog};
    for (Dialog d : open)
        helpfunc_popup(d);
    helpfunc_scan_popup("busy", 0, 1);

    main_error(STATUS_FIRMWARE_FAILED);

    for (Dialog d : open)
        EXPECT_FALSE(XtIsManaged(dialog_form(d))) << dialog_name(d) << " still up";
    EXPECT_FALSE(is_managed("*ScanDialog"));
    EXPECT_EQ(main_line_list, nullptr);
    EXPECT_EQ(main_route_list_copy, nullptr);
    EXPECT_EQ(main_filter_list, nullptr);
    EXPECT_EQ(selected_elem, nullptr);
    EXPECT_EQ(action_running, 0);
    EXPECT_STREQ(helpfunc_selected_box.name, "");
    EXPECT_EQ(helpfunc_selected_box.sel_pos, -1);

    ASSERT_TRUE(is_managed("*ErrorDialog"));
    EXPECT_EQ(label("*ErrorDialog.ErrorDialogMessage"),
              "Error During Firmwaredownload\nConfiguration Saved To /tmp/save.cfg");
    EXPECT_TRUE(is_sensitive("*MainForm.Overview"));
    EXPECT_FALSE(is_sensitive("*MainForm.Open"));
    EXPECT_TRUE(is_sensitive("*MainForm*SelectionList"));

    struct stat st {};
    ASSERT_EQ(lstat(SAVE_FILE, &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    std::string saved = read_file(SAVE_FILE);
    EXPECT_NE(saved.find("10.1.1.1"), std::string::npos) << saved;
    EXPECT_NE(saved.find("10.2.0.0"), std::string::npos) << saved;
    std::remove(SAVE_FILE);
}

// Two routers fail one after the other, each with its tables loaded: the
// second copy does not take the place of the first; both load.
TEST_F(HostServicesTest, TwoFailuresInARowKeepBothSetsOfTables)
{
    EmergencyFileLock lock;
    std::remove(SAVE_FILE);
    const char* const hosts[] = {"10.1.1.1", "10.9.9.9"};
    for (const char* host : hosts) {
        SCOPED_TRACE(host);
        load_tables(host);
        main_error(STATUS_PROTOCOL_VIOLATION);
        EXPECT_EQ(label("*ErrorDialog.ErrorDialogMessage"),
                  "Protocol Violation - Connection Closed\nConfiguration Saved To /tmp/save.cfg");
        EXPECT_EQ(main_line_list, nullptr);
        helpfunc_popdown(Dialog::ErrorDialog);
    }
    EXPECT_EQ(loaded_hosts(SAVE_FILE), std::vector<std::string>{"10.9.9.9"}) << "the newest copy";
    const std::vector<std::string> kept = emergency_copies_since(lock.kept_before());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(loaded_hosts(kept[0]), std::vector<std::string>{"10.1.1.1"}) << kept[0];
    struct stat st {};
    ASSERT_EQ(lstat(kept[0].c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    std::remove(SAVE_FILE);
}

// Whether the message says that the router may hold only part of the
// tables: only when the failure came after the write began and before the
// router had taken all of it, also when the router's refusal was first
// answered with the question about the firmware.
TEST_F(HostServicesTest, FailureDuringTheWriteSaysTheTablesMayBePartlyWritten)
{
    EmergencyFileLock lock;
    const char* plain =
        "Protocol Violation - Connection Closed\nConfiguration Saved To /tmp/save.cfg";
    const char* partly =
        "Protocol Violation - Connection Closed\nThe Router's Tables May Be Partly Written\n"
        "Configuration Saved To /tmp/save.cfg";
    const struct {
        const char* what;
        bool write_started;
        bool write_done;
        bool question_first;
        const char* message;
    } cases[] = {
        {"no write", false, false, false, plain},
        {"during the write", true, false, false, partly},
        {"after the write", true, true, false, plain},
        {"No to the question after a refused write", true, false, true, partly},
        {"the next failure after that", false, false, false, plain},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::remove(SAVE_FILE);
        load_tables();
        // The line-target dialog's OK marks the write begun (its wiring is
        // shown against a router with the dialog's own tests).
        if (c.write_started)
            table_write_started();
        if (c.write_done)
            cbfunc_put_config(1);
        if (c.question_first) {
            main_error(STATUS_TABLE_FULL);
            ASSERT_TRUE(is_managed("*QuestionDialog"));
            QuestionCB(nullptr, action_data(QUESTION_ACTION_DOWNLOAD_NO), nullptr);
        } else {
            main_error(STATUS_PROTOCOL_VIOLATION);
        }
        EXPECT_EQ(label("*ErrorDialog.ErrorDialogMessage"), c.message);
        EXPECT_EQ(loaded_hosts(SAVE_FILE), std::vector<std::string>{"10.1.1.1"});
        helpfunc_popdown(Dialog::ErrorDialog);
    }
    std::remove(SAVE_FILE);
}

// The dialogs leave the screen, not only the widget tree: the file
// selection dialog and the dialogs parented to the top-level shell too.
TEST_F(HostServicesTest, FailureTakesEveryDialogOnTheTablesOffTheScreen)
{
    EmergencyFileLock lock;
    load_tables();
    int count = 0;
    const Dialog* closes = main_error_closes(&count);
    ASSERT_GT(count, 0);
    const std::vector<Dialog> dialogs(closes, closes + count);
    for (Dialog d :
         {Dialog::ConfigDialog, Dialog::Config2Dialog, Dialog::RouteDialog, Dialog::Route2Dialog,
          Dialog::FilterDialog, Dialog::Filter2Dialog, Dialog::RConfigDialog, Dialog::SetPWDialog,
          Dialog::InputPWDialog, Dialog::RepeatPWDialog, Dialog::FirmwareDialog, Dialog::FileDialog,
          Dialog::Question2Dialog, Dialog::PWDialog, Dialog::AccountingDialog,
          Dialog::LineMonDialog, Dialog::LineMon2Dialog}) {
        EXPECT_NE(std::find(dialogs.begin(), dialogs.end(), d), dialogs.end())
            << dialog_name(d) << " is not closed by a failure";
    }
    // Parents before their children, as the user opens them.
    for (int i = count - 1; i >= 0; --i)
        helpfunc_popup(dialogs[static_cast<size_t>(i)]);
    ASSERT_TRUE(pump_until([&] {
        for (Dialog d : dialogs)
            if (!on_screen(d))
                return false;
        return true;
    })) << "the dialogs did not come up";

    main_error(STATUS_PROTOCOL_VIOLATION);

    EXPECT_TRUE(pump_until([&] {
        for (Dialog d : dialogs)
            if (on_screen(d))
                return false;
        return true;
    }));
    for (Dialog d : dialogs)
        EXPECT_FALSE(on_screen(d)) << dialog_name(d) << " stays on the screen";
    EXPECT_TRUE(on_screen(Dialog::ErrorDialog));
    std::remove(SAVE_FILE);
}

// The question after a refused table or settings keeps the tables, but the
// two windows it replaces close with every dialog opened from them: also
// the file dialog and the subnet question, which stand beside them under
// the top-level shell; the accounting window stays.
TEST_F(HostServicesTest, QuestionTakesTheTwoWindowsAndWhatWasOpenedFromThemOffTheScreen)
{
    load_tables();
    const Dialog closing[] = {Dialog::ConfigDialog,   Dialog::Config2Dialog,  Dialog::RouteDialog,
                              Dialog::Route2Dialog,   Dialog::FilterDialog,   Dialog::Filter2Dialog,
                              Dialog::RConfigDialog,  Dialog::FirmwareDialog, Dialog::SetPWDialog,
                              Dialog::InputPWDialog,  Dialog::RepeatPWDialog, Dialog::FileDialog,
                              Dialog::Question2Dialog};
    for (Dialog d : closing)
        helpfunc_popup(d);
    helpfunc_popup(Dialog::AccountingDialog);
    ASSERT_TRUE(pump_until([&] {
        for (Dialog d : closing)
            if (!on_screen(d))
                return false;
        return on_screen(Dialog::AccountingDialog);
    })) << "the dialogs did not come up";

    main_error(STATUS_FLASH_ERROR);

    EXPECT_TRUE(pump_until([&] {
        for (Dialog d : closing)
            if (on_screen(d))
                return false;
        return on_screen(Dialog::QuestionDialog);
    }));
    for (Dialog d : closing) {
        EXPECT_FALSE(on_screen(d)) << dialog_name(d) << " stays on the screen";
        EXPECT_FALSE(XtIsManaged(dialog_form(d))) << dialog_name(d);
    }
    EXPECT_TRUE(on_screen(Dialog::AccountingDialog));
    EXPECT_NE(main_line_list, nullptr) << "the tables stay";

    // Opened again, the two windows come up alone.
    helpfunc_popdown(Dialog::QuestionDialog);
    helpfunc_popup(Dialog::ConfigDialog);
    helpfunc_popup(Dialog::RConfigDialog);
    ASSERT_TRUE(pump_until(
        [] { return on_screen(Dialog::ConfigDialog) && on_screen(Dialog::RConfigDialog); }));
    pump();
    for (Dialog d : closing) {
        if (d != Dialog::ConfigDialog && d != Dialog::RConfigDialog) {
            EXPECT_FALSE(on_screen(d)) << dialog_name(d) << " came back";
        }
    }
}

TEST_F(HostServicesTest, FailureThatCannotSaveSaysSoAndNamesNoFile)
{
    EmergencyFileLock lock;
    std::remove(SAVE_FILE);
    // Someone planted a link where the copy goes: it must not be written through.
    std::string target = gui_data_dir() + "/victim";
    {
        std::ofstream(target) << "untouched";
    }
    ASSERT_EQ(symlink(target.c_str(), SAVE_FILE), 0);
    load_tables();

    main_error(STATUS_PROTOCOL_VIOLATION);

    EXPECT_EQ(label("*ErrorDialog.ErrorDialogMessage"),
              "Protocol Violation - Connection Closed\nConfiguration Could Not Be Saved");
    EXPECT_EQ(read_file(target.c_str()), "untouched");
    EXPECT_EQ(main_line_list, nullptr) << "the tables are forgotten all the same";
    std::remove(SAVE_FILE);
}

TEST_F(HostServicesTest, FailureWithoutTablesKeepsTheRouterAndWritesNothing)
{
    EmergencyFileLock lock;
    std::remove(SAVE_FILE);
    ScanAnswer a{};
    a.router_ip = 0x0A4D0002;
    cbfunc_net_scan(&a);
    XmListSelectPos(XmVANTEROWidgets->SelectionList, 1, True);
    ASSERT_STREQ(helpfunc_selected_box.name, "10.77.0.2");
    router_session_begin_action();

    main_error(LOWSTATE_NO_ACK);

    // A router that stopped answering broke no rule, and the message says so.
    EXPECT_EQ(label("*ErrorDialog.ErrorDialogMessage"),
              "Router Does Not Answer - Connection Closed");
    EXPECT_EQ(access(SAVE_FILE, F_OK), -1) << "nothing to save";
    EXPECT_STREQ(helpfunc_selected_box.name, "10.77.0.2");
    EXPECT_EQ(helpfunc_selected_box.sel_pos, 1);
    EXPECT_TRUE(selected_positions(XmVANTEROWidgets->SelectionList).empty());
    EXPECT_FALSE(is_sensitive("*MainForm.Open")) << "until a router is selected again";
    EXPECT_EQ(action_running, 0);

    messages_choose_language("Anmelden");
    main_error(-1);
    EXPECT_EQ(label("*ErrorDialog.ErrorDialogMessage"), "Protokollfehler - Verbindung beendet");
    EXPECT_EQ(title("*ErrorDialog"), "Fehler");
}

TEST_F(HostServicesTest, TableFullKeepsTheTablesAndAsksAboutTheFirmware)
{
    load_tables();
    helpfunc_popup(Dialog::ConfigDialog);
    helpfunc_popup(Dialog::RConfigDialog);
    helpfunc_popup(Dialog::AccountingDialog);
    ListObject* lines = main_line_list;

    main_error(STATUS_TABLE_FULL);

    EXPECT_FALSE(is_managed("*ConfigDialog"));
    EXPECT_FALSE(is_managed("*RConfigDialog"));
    EXPECT_TRUE(is_managed("*QuestionDialog"));
    EXPECT_TRUE(is_managed("*AccountingDialog")) << "only the two table windows close";
    EXPECT_FALSE(is_managed("*ErrorDialog"));
    EXPECT_EQ(main_line_list, lines);
    EXPECT_NE(main_filter_list_copy, nullptr);
    EXPECT_STREQ(helpfunc_selected_box.name, "10.77.0.2");
    EXPECT_EQ(action_running, 0);
}

int ticks = 0;
std::chrono::steady_clock::time_point tick_end[3];

void slow_tick()
{
    if (ticks < 3) {
        // Work that takes a while: the next call must count from its end.
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        while (std::chrono::steady_clock::now() < until) {
        }
        tick_end[ticks] = std::chrono::steady_clock::now();
    }
    ++ticks;
}

// A caller with a reason of its own (a download it cannot start) has it said
// first, in one box, and learns what the box says without reading it.
TEST_F(HostServicesTest, FailureWithAReasonReturnsTheTextItShows)
{
    EmergencyFileLock lock;
    const struct {
        const char* what;
        bool tables;
        const char* language;  // the Open button's label, null for English
        int code;
        const char* reason;
        const char* shown;  // "" when no error box comes up
    } cases[] = {
        {"no reason, tables saved", true, nullptr, STATUS_PROTOCOL_VIOLATION, "",
         "Protocol Violation - Connection Closed\nConfiguration Saved To /tmp/save.cfg"},
        {"a reason of two lines first", true, nullptr, 0, "Cannot Start\nNot Now",
         "Cannot Start\nNot Now\nProtocol Violation - Connection Closed\n"
         "Configuration Saved To /tmp/save.cfg"},
        {"a reason, no tables", false, nullptr, 0, "Not Now",
         "Not Now\nProtocol Violation - Connection Closed"},
        {"a reason in German", false, "Anmelden", -1, "Grund",
         "Grund\nProtokollfehler - Verbindung beendet"},
        {"the question instead of a box", true, nullptr, STATUS_TABLE_FULL, "Not Now", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::remove(SAVE_FILE);
        messages_choose_language(c.language);
        if (c.tables)
            load_tables();
        router_session_begin_action();

        const std::string shown = main_error_with_reason(c.code, c.reason);

        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(is_managed("*ErrorDialog"), shown != "");
        if (shown != "") {
            EXPECT_EQ(label("*ErrorDialog.ErrorDialogMessage"), shown);
        }
        EXPECT_EQ(action_running, 0) << "the action ends on every path";
        helpfunc_popdown(Dialog::ErrorDialog);
        helpfunc_popdown(Dialog::QuestionDialog);
        main_forget_tables();
    }
    std::remove(SAVE_FILE);
}

TEST_F(HostServicesTest, TimerIsArmedAgainAfterEachCall)
{
    ticks = 0;
    auto start = std::chrono::steady_clock::now();
    main_add_timer(slow_tick, 1);
    ASSERT_TRUE(pump_until([] { return ticks >= 2; }, 5000));
    using std::chrono::milliseconds;
    auto first = std::chrono::duration_cast<milliseconds>(tick_end[0] - start).count();
    auto gap = std::chrono::duration_cast<milliseconds>(tick_end[1] - tick_end[0]).count();
    EXPECT_GE(first, 1000 + 300 - 20);
    EXPECT_GE(gap, 1000 + 300 - 20) << "a period counted from the end of the call";
    EXPECT_LT(gap, 2500);
}

TEST_F(HostServicesTest, WarningsReachStandardErrorExceptTheGrabOnes)
{
    ::testing::internal::CaptureStderr();
    main_xt_errorhandler(
        const_cast<char*>("XtRemoveGrab asked to remove a widget not on the list"));
    XtAppWarning(app_context, "a toolkit warning");
    std::string text = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(text, "a toolkit warning\n");
}

int reads = 0;
int pipe_read_end = -1;

void drain()
{
    char buffer[16];
    (void)!read(pipe_read_end, buffer, sizeof buffer);
    ++reads;
}

TEST_F(HostServicesTest, RegisteredDescriptorCallsBackWhenReadable)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pipe_read_end = fds[0];
    reads = 0;
    main_register(drain, fds[0]);
    pump();
    EXPECT_EQ(reads, 0) << "nothing to read yet";
    ASSERT_EQ(write(fds[1], "x", 1), 1);
    EXPECT_TRUE(pump_until([] { return reads == 1; }));
    pump();
    EXPECT_EQ(reads, 1) << "once per time it became readable";
    // The source stays for the rest of the run, like the back end's socket;
    // the pipe stays open and quiet, or its end would be readable for ever.
}

}  // namespace
