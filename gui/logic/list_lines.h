// The lines of the table dialogs' lists (shown in a fixed-width font, which
// their columns rely on), numbered from 1 in list order.
#pragma once

#include <string>
#include <vector>

#include "records.h"

struct ListObject;

// "%3d.       %-16s %-20s": position, host, telephone number; longer texts
// are not cut.
std::string line_target_list_line(int position, const LineTarget& target);

// "%3d.     %-17s %-17s %-24s": position, mask, compare value, gateway.
std::string route_list_line(int position, const RouteEntry& route);

// "%3d.    %-15s %-15s %-12s %s": position, sending compare value,
// receiving compare value, service text cut to 11 characters, and the
// action as message 48 "accept" or 49 "reject" of the table in force.
std::string filter_list_line(int position, const FilterEntry& rule);

// Every line target of the list (for the table dialog and the connection
// set-up dialog).
std::vector<std::string> line_target_list_lines(const ListObject* lines);

// Every route.
std::vector<std::string> route_list_lines(const ListObject* routes);

// Every filter rule but the last, the default rule, which the dialog shows
// as its "All Remaining" menu instead.
std::vector<std::string> filter_list_lines(const ListObject* filters);
