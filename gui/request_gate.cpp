#include "request_gate.h"

#include <X11/Intrinsic.h>

#include <deque>
#include <utility>

#include "display_services.h"
#include "globals.h"
#include "highstate.h"

namespace {

struct Waiting {
    std::function<void()> action;
    bool needs_router;  // given while a router was open
};

std::deque<Waiting> waiting;
XtIntervalId retry_timer = 0;
bool cursor_shown = false;  // the busy cursor is ours, to be taken back

bool router_open()
{
    return highstate_get_state() >= HIGHSTATE_CONNECTED;
}

void look_again(XtPointer, XtIntervalId*);

void run_waiting()
{
    while (!waiting.empty()) {
        if (highstate_ack_awaited() != 0) {
            if (retry_timer == 0)
                retry_timer =
                    XtAppAddTimeOut(app_context, REQUEST_GATE_RETRY_MS, look_again, nullptr);
            return;
        }
        Waiting next = std::move(waiting.front());
        waiting.pop_front();
        if (cursor_shown) {
            // The action sets the cursor it needs itself.
            cursor_shown = false;
            helpfunc_set_cursor(0);
        }
        if (next.needs_router && !router_open())
            continue;
        next.action();
    }
}

void look_again(XtPointer, XtIntervalId*)
{
    retry_timer = 0;
    run_waiting();
}

}  // namespace

void request_gate_run(std::function<void()> action)
{
    if (!action)
        return;
    waiting.push_back({std::move(action), router_open()});
    if (highstate_ack_awaited() != 0 && !cursor_shown) {
        cursor_shown = true;
        helpfunc_set_cursor(1);
    }
    run_waiting();
}

int request_gate_waiting()
{
    return static_cast<int>(waiting.size());
}
