#include "monitor_fixture.h"

#include <Xm/Text.h>
#include <Xm/TextF.h>

#include <cstring>

#include "dialog_entry_points.h"
#include "globals.h"
#include "highstate.h"
#include "list.h"
#include "main_window.h"
#include "myutil.h"

namespace {

struct Opening {
    bool answered = false;
    bool accepted = false;
    OpenReply reply{};
    bool tables = false;
};
Opening opening;

void opened(OpenReply* reply)
{
    opening.answered = true;
    opening.accepted = reply->kind == OPEN_ACCEPTED;
    opening.reply = *reply;
}

void tables_read(ListObject* lines, ListObject* routes, ListObject* filters)
{
    main_forget_tables();
    main_line_list = lines;
    main_route_list = routes;
    main_filter_list = filters;
    main_line_list_copy = lines->ops->list_copy(lines);
    main_route_list_copy = routes->ops->list_copy(routes);
    main_filter_list_copy = filters->ops->list_copy(filters);
    opening.tables = true;
}

}  // namespace

bool MonitorTest::open_router(const char* address)
{
    opening = Opening{};
    uint32_t ip = myutil_get_host_addr(address);
    if (highstate_open_router(opened, ip) <= 0)
        return false;
    if (!pump_until([] { return opening.answered; }) || !opening.accepted)
        return false;
    interface_load_config(opening.reply.n_lines, opening.reply.n_routes, opening.reply.n_filters,
                          tables_read);
    if (!pump_until([] { return opening.tables; }))
        return false;
    myutil_copy_text(test_selected_box().name, address);
    myutil_copy_text(test_selected_box().cfg.name, address);
    test_selected_box().n_lines = opening.reply.n_lines;
    return true;
}

void MonitorTest::press(Widget button)
{
    XtCallCallbacks(button, XmNactivateCallback, nullptr);
}

void MonitorTest::click(Widget widget)
{
    pump_until([&] { return XtIsRealized(widget) && XtIsManaged(widget); });
    Display* display = XtDisplay(widget);
    Dimension width = 0;
    Dimension height = 0;
    XtVaGetValues(widget, XmNwidth, &width, XmNheight, &height, nullptr);
    XEvent event{};
    event.xbutton.display = display;
    event.xbutton.window = XtWindow(widget);
    event.xbutton.root = DefaultRootWindow(display);
    event.xbutton.x = width / 2;
    event.xbutton.y = height / 2;
    // Motif asks whether the release is still over the button by the root
    // position.
    Window child = 0;
    XTranslateCoordinates(display, XtWindow(widget), DefaultRootWindow(display), event.xbutton.x,
                          event.xbutton.y, &event.xbutton.x_root, &event.xbutton.y_root, &child);
    event.xbutton.button = Button1;
    event.xbutton.same_screen = True;
    event.xbutton.time = XtLastTimestampProcessed(display) + 1;
    // Through the toolkit's dispatcher, which keeps the input of windows
    // that a modal dialog shuts out from them.
    event.type = ButtonPress;
    XtDispatchEvent(&event);
    event.type = ButtonRelease;
    event.xbutton.state = Button1Mask;
    event.xbutton.time += 1;
    XtDispatchEvent(&event);
    pump();
}

void MonitorTest::scan_answer(uint32_t router, uint8_t last, uint32_t holder)
{
    ScanAnswer a{};
    a.router_ip = router;
    a.holder_ip = holder;
    const uint8_t hw[6] = {0x00, 0xa0, 0xf9, 0x00, 0x00, last};
    std::memcpy(a.hw, hw, sizeof hw);
    cbfunc_net_scan(&a);
}

SimLine MonitorTest::counted_line(int index, const char* host, const char* phone,
                                  const uint32_t (&counters)[SIM_COUNTERS])
{
    SimLine l = sim_line(index, host, phone);
    std::memcpy(l.counters, counters, sizeof l.counters);
    return l;
}
