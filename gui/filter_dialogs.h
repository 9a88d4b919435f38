// The filter table dialog "FilterDialog" (the edited packet-filter rules,
// with Open, Add and Delete, and the closing default rule as its "All
// Remaining" menu) and the filter edit dialog "Filter2Dialog" (both hosts'
// mask and compare value, the service, the action and the position of one
// rule). Every change goes into main_filter_list only; the line-target
// table dialog's OK writes it to the router. The default rule is never
// listed, opened, moved or deleted: every rule stored stands in front of it.
#pragma once

#include <X11/Intrinsic.h>

#include <string>

#include "records.h"

// Action codes of "FilterDialog".
enum FilterAction {
    FILTER_OPEN = 0,
    FILTER_DOUBLE_CLICK = 1,
    FILTER_ADD = 2,
    FILTER_DELETE = 3,
    FILTER_SELECT = 4,
    FILTER_HELP = 5,
    FILTER_DEFAULT_ACCEPT = 6,  // "accept" in "All Remaining"
    FILTER_DEFAULT_REJECT = 7,  // "reject" in "All Remaining"
    FILTER_CLOSE = 8,
};

// The table dialog's buttons, list and default-rule menu; a double click
// brings the list's callback record.
void FilterCB(Widget widget, XtPointer client, XtPointer call);

// The edit dialog's OK (0), Help (1) and Cancel (2).
void Filter2CB(Widget widget, XtPointer client, XtPointer call);

// Replaces the lines of `list` by one line per listed rule of
// main_filter_list, and shows the default rule's action in "All Remaining".
void helpfunc_fill_filter_list(Widget list);

// Fills the edit dialog's fields and action menu with `rule` at 1-based
// `position`.
void helpfunc_set_filter2_data(const FilterEntry& rule, int position);

// The edit dialog as the user left it.
struct Filter2Texts {
    std::string send_mask, send_match, receive_mask, receive_match, service, position;
    bool accept;
};
Filter2Texts helpfunc_get_filter2_data();

// Checks the texts for a new rule (`adding`) or an edited one; on a fault
// the keyboard focus moves to its field and its code is returned (0: the
// rule in *rule may be stored).
int helpfunc_check_filter2_data(const Filter2Texts& texts, bool adding, FilterEntry* rule);
