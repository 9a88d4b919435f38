#include "list_lines.h"

#include <cstring>

#include "list.h"
#include "message_tables.h"
#include "service_text.h"

namespace {

constexpr size_t kServiceColumn = 11;

// Records may come with a full array; never read past it.
template <size_t N>
std::string text_of(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

// Calls `line` for every element from the first up to, not including, the
// last `skip_last` elements.
template <typename T, typename Line>
std::vector<std::string> lines_of(const ListObject* list, int skip_last, Line line)
{
    std::vector<std::string> lines;
    if (list == nullptr)
        return lines;
    const int shown = list->count - skip_last;
    int position = 1;
    for (const ListNode* node = list->head; node != nullptr && position <= shown;
         node = node->next, ++position) {
        if (node->element != nullptr)
            lines.push_back(line(position, *static_cast<const T*>(node->element)));
    }
    return lines;
}

}  // namespace

std::string line_target_list_line(int position, const LineTarget& target)
{
    return text_format("%3d.       %-16s %-20s", position, text_of(target.host).c_str(),
                       text_of(target.phone).c_str());
}

std::string route_list_line(int position, const RouteEntry& route)
{
    return text_format("%3d.     %-17s %-17s %-24s", position, text_of(route.mask).c_str(),
                       text_of(route.match).c_str(), text_of(route.gateway).c_str());
}

namespace {

// A list asks the service databases once per protocol and port.
std::string filter_line_with(ServiceNames* names, int position, const FilterEntry& rule)
{
    const std::string service = names->text(rule.protocol, rule.port).substr(0, kServiceColumn);
    return text_format("%3d.    %-15s %-15s %-12s %s", position, text_of(rule.send_match).c_str(),
                       text_of(rule.receive_match).c_str(), service.c_str(),
                       message_text(rule.action != 0 ? MSG_ACCEPT : MSG_REJECT));
}

}  // namespace

std::string filter_list_line(int position, const FilterEntry& rule)
{
    ServiceNames names;
    return filter_line_with(&names, position, rule);
}

std::vector<std::string> line_target_list_lines(const ListObject* lines)
{
    return lines_of<LineTarget>(lines, 0, line_target_list_line);
}

std::vector<std::string> route_list_lines(const ListObject* routes)
{
    return lines_of<RouteEntry>(routes, 0, route_list_line);
}

std::vector<std::string> filter_list_lines(const ListObject* filters)
{
    ServiceNames names;
    return lines_of<FilterEntry>(filters, 1, [&names](int position, const FilterEntry& rule) {
        return filter_line_with(&names, position, rule);
    });
}
