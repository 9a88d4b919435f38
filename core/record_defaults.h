// The process-wide default records that a new line target, route, filter
// rule or router setting starts from, and the two helpers that keep a filter
// table closed and give a new line target its host route. They stand above
// the protocol tables and the lists; the record types themselves are in
// records.h.
#pragma once

#include "records.h"

// Filled once by myutil_fill_default_structs().
extern LineTarget line_defaults;
extern RouteEntry route_defaults;
extern FilterEntry filter_defaults;
extern FilterEntry filter_accept;
extern FilterEntry filter_reject;
extern RouterSettings router_defaults;

// Fills the six default records. Called once at start-up, after the host name
// is taken and before the netmask probe and the defaults file.
void myutil_fill_default_structs();

// Closes a filter list with an accept-all rule unless its last rule already
// is a catch-all.
void myutil_make_filter_default(ListObject* filters);

// Puts a host route for `host` in front of a route list.
void myutil_make_default_route(ListObject* routes, const char* host);
