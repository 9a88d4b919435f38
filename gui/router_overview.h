// The router overview "RouterDialog": for every router of the main window's
// list its firmware, ISDN mode and permanent connection, and the state of
// both B-channels with peer and telephone number, or that it did not
// answer. The main window's "Router Overview" asks every router
// (highstate_get_router_states); cbfunc_router_state (dialog_entry_points.h)
// merges the answers into the router list and opens the window at the end
// marker.
#pragma once

#include <X11/Intrinsic.h>

enum RouterAction : int {
    ROUTER_ACTION_CLOSE = 0,  // "RouterClose"
};

// "RouterClose": pops the window down; other codes do nothing.
void RouterCB(Widget widget, XtPointer client, XtPointer call);

// Starts the overview: clears the states merged last time, shows the busy
// notice and the busy cursor and asks every router. Returns 0 and shows
// nothing when the back end is busy with a router and would not ask (no
// end marker would ever take the notice down again), else 1.
int router_overview_start();
