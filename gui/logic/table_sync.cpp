#include "table_sync.h"

#include "list.h"

namespace {

constexpr int kNoticeDifference = 30;

int count_of(const ListObject* list)
{
    return list != nullptr ? list->count : 0;
}

}  // namespace

bool tables_write_shows_notice(const ListObject* lines, const ListObject* lines_copy,
                               const ListObject* routes, const ListObject* routes_copy,
                               const ListObject* filters, const ListObject* filters_copy)
{
    const long edited = long{count_of(lines)} + count_of(routes) + count_of(filters);
    const long held = long{count_of(lines_copy)} + count_of(routes_copy) + count_of(filters_copy);
    const long difference = edited > held ? edited - held : held - edited;
    return difference > kNoticeDifference;
}

TablesButtons tables_buttons_after_read(int line_count, bool unknown_protocols)
{
    if (unknown_protocols)
        return TablesButtons::UnknownProtocols;
    return line_count > 0 ? TablesButtons::WithLineTargets : TablesButtons::NoLineTargets;
}

TablesButtons tables_buttons_after_write(int old_line_count, int new_line_count)
{
    if (old_line_count == 0 && new_line_count > 0)
        return TablesButtons::WithLineTargets;
    if (old_line_count > 0 && new_line_count == 0)
        return TablesButtons::NoLineTargets;
    return TablesButtons::Unchanged;
}

bool tables_write_shows_saved_message(int sent_count)
{
    return sent_count > 0;
}
