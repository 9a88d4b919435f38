// The route table dialog "RouteDialog" (the edited static routes, with
// Open, Add and Delete) and the route edit dialog "Route2Dialog" (mask,
// compare value, gateway and position of one route). Every change goes into
// main_route_list only; the line-target table dialog's OK writes it to the
// router.
#pragma once

#include <X11/Intrinsic.h>

#include <string>

#include "records.h"

// Action codes of "RouteDialog".
enum RouteAction {
    ROUTE_OPEN = 0,
    ROUTE_DOUBLE_CLICK = 1,
    ROUTE_ADD = 2,
    ROUTE_DELETE = 3,
    ROUTE_SELECT = 4,
    ROUTE_HELP = 5,
    ROUTE_CLOSE = 6,
};

// The table dialog's buttons and list; a double click brings the list's
// callback record.
void RouteCB(Widget widget, XtPointer client, XtPointer call);

// The edit dialog's OK (0), Help (1) and Cancel (2).
void Route2CB(Widget widget, XtPointer client, XtPointer call);

// Replaces the lines of `list` by one line per route of main_route_list.
void helpfunc_fill_route_list(Widget list);

// Fills the edit dialog's fields with `route` at 1-based `position`.
void helpfunc_set_route2_data(const RouteEntry& route, int position);

// The four texts of the edit dialog as typed.
struct Route2Texts {
    std::string mask, match, gateway, position;
};
Route2Texts helpfunc_get_route2_data();

// Checks the texts for a new route (`adding`) or an edited one; on a fault
// the keyboard focus moves to its field and its code is returned (0: the
// route in *route may be stored).
int helpfunc_check_route2_data(const Route2Texts& texts, bool adding, RouteEntry* route);
