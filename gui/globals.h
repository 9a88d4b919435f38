// The state the graphical program's windows share, one instance each for the
// whole run. Every dialog reads and changes these as its own code says; none
// keeps a copy. The selected router and the busy flag have an owner of their
// own (router_session.h), which every dialog calls to change them.
#pragma once

#include <X11/Intrinsic.h>

#include "router_session.h"

struct ListNode;
struct ListObject;

extern XtAppContext app_context;  // every input source and timeout is added here
extern Widget XmVANTERO;          // the top-level shell: parent of the main window and most dialogs

// The registered router's tables as the user edits them, and as last read
// from or written to the router. Each copy exists exactly when its edited
// list does; all six are null while no tables are loaded.
extern ListObject* main_line_list;
extern ListObject* main_route_list;
extern ListObject* main_filter_list;  // its last rule is the default for all other traffic
extern ListObject* main_line_list_copy;
extern ListObject* main_route_list_copy;
extern ListObject* main_filter_list_copy;

// The routers the start-up scan found (RouterEntry), one per line of
// "SelectionList" and in the same order. Made once at start-up.
extern ListObject* main_router_list;

// The list node whose entry the open edit dialog changes; null when it adds.
extern ListNode* selected_elem;

// Destroys the six table lists where they exist and sets them to null.
// selected_elem points into them and is cleared first.
void main_forget_tables();

// 1 when any of the three edited tables is loaded.
int main_tables_loaded();
