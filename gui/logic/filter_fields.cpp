#include "filter_fields.h"

#include <cstring>

#include "field_text.h"
#include "list.h"
#include "message_tables.h"
#include "mask_match.h"
#include "service_text.h"
#include "table_position.h"
#include "white_spaces.h"

namespace {

template <size_t N>
std::string text_of(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

FilterCheck refuse(FilterCode code, int message, FilterField focus)
{
    return {code, message, focus};
}

// One side of a rule: its mask, compare value and their combination.
FilterCheck check_side(const char* mask, const char* match, bool send)
{
    switch (mask_match_check(mask, match)) {
    case MaskMatchFault::Mask:
        return send ? refuse(FILTER_BAD_SEND_MASK, MSG_BAD_SEND_MASK, FilterField::SendMask)
                    : refuse(FILTER_BAD_RECEIVE_MASK, MSG_BAD_RECEIVE_MASK,
                             FilterField::ReceiveMask);
    case MaskMatchFault::Match:
        return send ? refuse(FILTER_BAD_SEND_MATCH, MSG_BAD_MATCH, FilterField::SendMatch)
                    : refuse(FILTER_BAD_RECEIVE_MATCH, MSG_BAD_MATCH, FilterField::ReceiveMatch);
    case MaskMatchFault::Combination:
        return refuse(FILTER_BAD_COMBINATION, MSG_BAD_MASK_MATCH_COMBINATION,
                      send ? FilterField::SendMask : FilterField::ReceiveMask);
    case MaskMatchFault::NO_FAULT:
        break;
    }
    return {FILTER_OK, -1, FilterField::NO_FIELD};
}

int listed_of(int element_count)
{
    // A table always ends with its default rule; one without it offers no
    // place at all.
    return element_count - 1;
}

}  // namespace

std::string filter_service_text(const FilterEntry& rule)
{
    return service_text(rule.protocol, rule.port);
}

bool filter_service_read(const char* text, int32_t* protocol, int32_t* port)
{
    const std::string trimmed = del_white_spaces(text);
    // The port number may carry a sign, as every number typed in the
    // dialogs may; only "-0" of the negative ones names a port.
    const char sign = trimmed.empty() ? '\0' : trimmed[0];
    if ((sign != '+' && sign != '-') || trimmed.find('/') == std::string::npos)
        return service_parse(trimmed.c_str(), protocol, port);
    const std::string unsigned_text = trimmed.substr(1);
    if (unsigned_text.empty() || unsigned_text[0] < '0' || unsigned_text[0] > '9')
        return false;
    int32_t read_protocol = 0;
    int32_t read_port = 0;
    if (!service_parse(unsigned_text.c_str(), &read_protocol, &read_port))
        return false;
    if (sign == '-' && read_port != 0)
        return false;
    *protocol = read_protocol;
    *port = read_port;
    return true;
}

FilterView filter_view(const FilterEntry& rule, int position)
{
    FilterView view;
    view.send_mask = text_of(rule.send_mask);
    view.send_match = text_of(rule.send_match);
    view.receive_mask = text_of(rule.receive_mask);
    view.receive_match = text_of(rule.receive_match);
    view.service = filter_service_text(rule);
    view.accept = rule.action != 0;
    view.position = table_position_text(position - 1);
    return view;
}

FilterCheck filter_from_fields(const FilterFields& fields, int element_count, bool adding,
                               FilterEntry* rule)
{
    FilterEntry f = {};
    // A text too long for its array is left empty, which its check refuses.
    field_store(f.send_mask, del_white_spaces(fields.send_mask));
    field_store(f.send_match, del_white_spaces(fields.send_match));
    field_store(f.receive_mask, del_white_spaces(fields.receive_mask));
    field_store(f.receive_match, del_white_spaces(fields.receive_match));
    f.protocol = -1;
    f.port = -1;
    filter_service_read(fields.service, &f.protocol, &f.port);
    f.action = fields.accept ? 1 : 0;
    const long index = table_position_read(fields.position);

    FilterCheck check = check_side(f.send_mask, f.send_match, true);
    if (check.code != FILTER_OK)
        return check;
    check = check_side(f.receive_mask, f.receive_match, false);
    if (check.code != FILTER_OK)
        return check;
    if (f.port < 0 || f.protocol < 0)
        return refuse(FILTER_BAD_SERVICE, MSG_BAD_SERVICE, FilterField::Service);
    // The index is checked as read, before it is narrowed to the record.
    if (!table_position_valid(index, listed_of(element_count), adding))
        return refuse(FILTER_BAD_POSITION, MSG_BAD_POSITION, FilterField::Position);

    f.index = static_cast<int32_t>(index);
    if (rule != nullptr)
        *rule = f;
    return check;
}

int filter_store(ListObject* filters, int edit_position, const FilterEntry& rule)
{
    if (filters == nullptr || filters->count < 1)
        return 0;
    if (edit_position == 0 && !filter_can_add(filters->count))
        return 0;
    return table_position_store(filters, listed_of(filters->count), edit_position, &rule,
                                sizeof rule, rule.index);
}

bool filter_can_add(int element_count)
{
    return element_count < MAX_FILTERS;
}

int filter_listed_count(const ListObject* filters)
{
    return filters != nullptr && filters->count > 0 ? listed_of(filters->count) : 0;
}

int filter_default_action(const ListObject* filters)
{
    if (filters == nullptr || filters->tail == nullptr || filters->tail->element == nullptr)
        return -1;
    return static_cast<const FilterEntry*>(filters->tail->element)->action != 0 ? 1 : 0;
}

bool filter_set_default_action(ListObject* filters, int action)
{
    if (filters == nullptr || filters->tail == nullptr || filters->tail->element == nullptr)
        return false;
    static_cast<FilterEntry*>(filters->tail->element)->action = action != 0 ? 1 : 0;
    return true;
}
