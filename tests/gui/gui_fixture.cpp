#include "gui_fixture.h"

#include <Xm/List.h>
#include <Xm/Text.h>
#include <Xm/TextF.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "dialog_entry_points.h"
#include "dialog_names.h"
#include "display_services.h"
#include "emergency_copies.h"
#include "globals.h"
#include "highstate.h"
#include "list.h"
#include "message_tables.h"
#include "startup.h"
#include "temp_dir.h"
#include "toolkit.h"
#include "widget_table.h"

namespace {

struct GuiProcess {
    std::unique_ptr<TempDir> data;
    bool toolkit = false;
    uint32_t broadcast = 0;
    std::unique_ptr<TestNetwork> net;
    bool back_end = false;
    int x_errors = 0;
    int tests = 0;  // tests set up in this process
};

GuiProcess& process()
{
    static GuiProcess p;
    return p;
}

int count_x_error(Display* display, XErrorEvent* event)
{
    char text[200];
    XGetErrorText(display, event->error_code, text, sizeof text);
    std::fprintf(stderr, "X error: %s (request %d)\n", text, event->request_code);
    ++process().x_errors;
    return 0;
}

void start_toolkit()
{
    GuiProcess& p = process();
    if (p.toolkit)
        return;
    p.data = std::make_unique<TempDir>("qorvel-gui", TempDir::DATA_DIR);
    p.data->write("qorvel.def",
                  "qorvel_hostname 10.77.0.1\n"
                  "qorvel_netmask 255.255.255.0\n"
                  "qorvel_name_resolving off\n");
    p.broadcast = startup_host_config();
    static char name[] = "qorvel";
    static char* argv[] = {name, nullptr};
    static int argc = 1;
    startup_toolkit(&argc, argv);
    XSetErrorHandler(count_x_error);
    XtRealizeWidget(XmVANTERO);
    p.toolkit = true;
}

void fresh_router_list()
{
    if (main_router_list != nullptr)
        main_router_list->ops->list_destroy(main_router_list);
    main_router_list = nullptr;
    if (list_object_instance == nullptr)
        list_init();
    main_router_list = list_object_instance->ops->list_create(
        list_object_instance, listhelp_comp_routers, listhelp_find_routers, listhelp_copy_routers,
        listhelp_free_routers);
    XmListDeleteAllItems(XmVANTEROWidgets->SelectionList);
}

int64_t now_ms()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void wake(XtPointer client, XtIntervalId*)
{
    *static_cast<bool*>(client) = true;
}

// Without an X server no test of this binary can run: every one of them is
// skipped here, also those whose fixture does its own set-up first.
class DisplayEnvironment : public ::testing::Environment {
public:
    void SetUp() override { GUI_REQUIRE_DISPLAY(); }
};

const ::testing::Environment* const display_environment =
    ::testing::AddGlobalTestEnvironment(new DisplayEnvironment);

// The program under test is this process, and its failures write
// "/tmp/save.cfg": it does so in a /tmp of its own.
const ::testing::Environment* const private_tmp_environment =
    ::testing::AddGlobalTestEnvironment(new PrivateTmpEnvironment);

}  // namespace

const std::string& gui_data_dir()
{
    return process().data->path();
}

TestNetwork* gui_network()
{
    GuiProcess& p = process();
    if (!p.net)
        p.net = std::make_unique<TestNetwork>(2);
    return p.net.get();
}

void GuiTest::SetUp()
{
    GUI_REQUIRE_DISPLAY();
    start_toolkit();
    ++process().tests;
    process().x_errors = 0;
    fresh_router_list();
}

void GuiTest::TearDown()
{
    if (!process().toolkit)
        return;
    // Back to the state after start-up, for the next test of this process.
    const Dialog* order = dialogs_in_table_order();
    for (int i = DIALOG_COUNT - 1; i >= 0; --i)
        helpfunc_popdown(order[i]);
    helpfunc_help_shown = 0;
    router_session_end_action();
    main_forget_tables();
    router_session_reset_startup();
    messages_choose_language(nullptr);
    helpfunc_main_state(MainState::IDLE);
    helpfunc_set_cursor(0);
    if (process().back_end) {
        highstate_close_router();
        pump_until([] { return highstate_get_state() == HIGHSTATE_IDLE; }, GUI_WAIT_MS);
    }
    pump();
    peers_.clear();
    EXPECT_EQ(process().x_errors, 0) << "X protocol errors during the test";
}

bool GuiTest::start_back_end()
{
    GuiProcess& p = process();
    if (p.back_end)
        return true;
    TestNetwork* net = gui_network();
    if (!net->ok()) {
        ADD_FAILURE() << "no test network: " << net->error();
        return false;
    }
    auto inside = net->enter(net->workstation());
    if (!inside.ok()) {
        ADD_FAILURE() << "cannot enter the workstation namespace";
        return false;
    }
    p.back_end = startup_back_end(p.broadcast) != 0;
    if (!p.back_end)
        ADD_FAILURE() << "the back end did not start";
    return p.back_end;
}

PeerProcess* GuiTest::start_peer(int ns, const std::vector<SimRouter>& routers)
{
    TestNetwork* net = gui_network();
    peers_.emplace_back(new PeerProcess(*net, net->router(ns), routers));
    if (!peers_.back()->start()) {
        ADD_FAILURE() << "router-peer: " << peers_.back()->error();
        return nullptr;
    }
    return peers_.back().get();
}

void GuiTest::pump()
{
    XSync(XtDisplay(XmVANTERO), False);
    while (XtAppPending(app_context) != 0)
        XtAppProcessEvent(app_context, XtIMAll);
}

bool GuiTest::pump_until(const std::function<bool()>& done, int timeout_ms)
{
    int64_t deadline = now_ms() + timeout_ms;
    while (!done()) {
        if (now_ms() >= deadline)
            return false;
        // A short timeout of our own bounds the wait for the next event.
        bool fired = false;
        XtIntervalId id = XtAppAddTimeOut(app_context, 20, wake, &fired);
        XtAppProcessEvent(app_context, XtIMAll);
        if (!fired)
            XtRemoveTimeOut(id);
    }
    return true;
}

Widget GuiTest::find(const char* path)
{
    return XtNameToWidget(XmVANTERO, path);
}

bool GuiTest::is_managed(const char* path)
{
    Widget w = find(path);
    return w != nullptr && XtIsManaged(w);
}

bool GuiTest::is_sensitive(const char* path)
{
    Widget w = find(path);
    return w != nullptr && XtIsSensitive(w);
}

std::string GuiTest::label(const char* path)
{
    Widget w = find(path);
    return w != nullptr ? helpfunc_label_text(w) : std::string("(no widget ") + path + ")";
}

std::string GuiTest::text_of(Widget field)
{
    char* text = XmIsTextField(field) ? XmTextFieldGetString(field) : XmTextGetString(field);
    std::string s = text != nullptr ? text : "";
    XtFree(text);
    return s;
}

std::string GuiTest::title(const char* dialog_path)
{
    Widget form = dialog_path[0] == '\0' ? XmVANTERO : find(dialog_path);
    if (form == nullptr)
        return std::string("(no widget ") + dialog_path + ")";
    // The title as the window manager would read it.
    Widget shell = form == XmVANTERO ? form : XtParent(form);
    if (!XtIsRealized(shell))
        return "(not realised)";
    char* name = nullptr;
    if (!XFetchName(XtDisplay(shell), XtWindow(shell), &name) || name == nullptr)
        return std::string();
    std::string text(name);
    XFree(name);
    return text;
}

bool GuiTest::first_test_of_process()
{
    return process().tests == 1;
}

bool GuiTest::back_end_started()
{
    return process().back_end;
}

std::vector<std::string> GuiTest::list_items(Widget list)
{
    XmStringTable items = nullptr;
    int count = 0;
    XtVaGetValues(list, XmNitems, &items, XmNitemCount, &count, nullptr);
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back(helpfunc_xmstring_text(items[i]));
    return lines;
}

std::vector<int> GuiTest::selected_positions(Widget list)
{
    int* positions = nullptr;
    int count = 0;
    std::vector<int> result;
    if (XmListGetSelectedPos(list, &positions, &count)) {
        result.assign(positions, positions + count);
        XtFree(reinterpret_cast<char*>(positions));
    }
    return result;
}

void GuiTest::shell_position(Widget form, int* x, int* y)
{
    Widget shell = XtParent(form);
    Display* display = XtDisplay(shell);
    Window child = 0;
    *x = *y = -1;
    if (!XtIsRealized(shell))
        return;
    XTranslateCoordinates(display, XtWindow(shell), DefaultRootWindow(display), 0, 0, x, y, &child);
    // A window's position is that of its border's outer edge.
    XWindowAttributes window{};
    if (XGetWindowAttributes(display, XtWindow(shell), &window) != 0) {
        *x -= window.border_width;
        *y -= window.border_width;
    }
}

int GuiTest::x_errors()
{
    return process().x_errors;
}

EmergencyFileLock::EmergencyFileLock() : kept_before_(kept_emergency_copies()) {}

EmergencyFileLock::~EmergencyFileLock()
{
    // The earlier copies a failure kept meanwhile are the test's.
    remove_emergency_copies_since(kept_before_);
}
