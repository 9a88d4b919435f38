#include "route_fields.h"

#include <cstring>

#include "field_text.h"
#include "list.h"
#include "message_tables.h"
#include "mask_match.h"
#include "myutil.h"
#include "table_position.h"
#include "white_spaces.h"

namespace {

RouteCheck refuse(RouteCode code, int message, RouteField focus)
{
    return {code, message, focus};
}

}  // namespace

RouteView route_view(const RouteEntry& route, int position)
{
    RouteView view;
    // Records may come with a full array; never read past it.
    view.mask.assign(route.mask, strnlen(route.mask, sizeof route.mask));
    view.match.assign(route.match, strnlen(route.match, sizeof route.match));
    view.gateway.assign(route.gateway, strnlen(route.gateway, sizeof route.gateway));
    view.position = table_position_text(position - 1);
    return view;
}

RouteCheck route_from_fields(const RouteFields& fields, int route_count, bool adding,
                             RouteEntry* route)
{
    RouteEntry r = {};
    // A text too long for its array is left empty, which its check refuses.
    field_store(r.mask, del_white_spaces(fields.mask));
    field_store(r.match, del_white_spaces(fields.match));
    field_store(r.gateway, del_white_spaces(fields.gateway));
    const long index = table_position_read(fields.position);

    switch (mask_match_check(r.mask, r.match)) {
    case MaskMatchFault::Mask:
        return refuse(ROUTE_BAD_MASK, MSG_BAD_MASK, RouteField::Mask);
    case MaskMatchFault::Match:
        return refuse(ROUTE_BAD_MATCH, MSG_BAD_MATCH, RouteField::Match);
    case MaskMatchFault::Combination:
        return refuse(ROUTE_BAD_COMBINATION, MSG_BAD_MASK_MATCH_COMBINATION, RouteField::Mask);
    case MaskMatchFault::NO_FAULT:
        break;
    }
    if (!myutil_check_ip(r.gateway))
        return refuse(ROUTE_BAD_GATEWAY, MSG_BAD_GATEWAY, RouteField::Gateway);
    // The index is checked as read, before it is narrowed to the record.
    if (!table_position_valid(index, route_count, adding))
        return refuse(ROUTE_BAD_POSITION, MSG_BAD_POSITION, RouteField::Position);

    r.index = static_cast<int32_t>(index);
    if (route != nullptr)
        *route = r;
    return {ROUTE_OK, -1, RouteField::NO_FIELD};
}

int route_store(ListObject* routes, int edit_position, const RouteEntry& route)
{
    if (routes == nullptr)
        return 0;
    if (edit_position == 0 && !route_can_add(routes->count))
        return 0;
    return table_position_store(routes, routes->count, edit_position, &route, sizeof route,
                                route.index);
}

bool route_can_add(int route_count)
{
    return route_count < MAX_ROUTES;
}
