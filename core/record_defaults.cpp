// The process-wide default records and the two helpers that keep a filter
// table closed and give a new line target its host route. They stand above
// the protocol tables and the lists they use; the record types below them
// have no code of their own.
#include "record_defaults.h"

#include <cstring>

#include "list.h"
#include "myutil.h"
#include "protocols.h"
#include "records.h"

LineTarget line_defaults;
RouteEntry route_defaults;
FilterEntry filter_defaults;
FilterEntry filter_accept;
FilterEntry filter_reject;
RouterSettings router_defaults;

namespace {

constexpr const char* kAnyAddress = "0.0.0.0";
constexpr const char* kClassCMask = "255.255.255.0";
constexpr const char* kHostMask = "255.255.255.255";
constexpr uint32_t kDefaultProto2 = 1;  // x75
constexpr uint32_t kDefaultProto3 = 4;  // null
constexpr int32_t kDefaultTimeout = 20;
constexpr uint8_t kDefaultIsdnMode = 1;  // DSS1

FilterEntry catch_all(int32_t action)
{
    FilterEntry f;
    std::memset(&f, 0, sizeof f);
    myutil_copy_text(f.send_mask, kAnyAddress);
    myutil_copy_text(f.send_match, kAnyAddress);
    myutil_copy_text(f.receive_mask, kAnyAddress);
    myutil_copy_text(f.receive_match, kAnyAddress);
    f.action = action;
    return f;
}

}  // namespace

void myutil_fill_default_structs()
{
    std::memset(&line_defaults, 0, sizeof line_defaults);
    line_defaults.default_route = 1;
    line_defaults.proto2_code = kDefaultProto2;
    line_defaults.proto2 = &s2_protocols[0];
    line_defaults.proto3_code = kDefaultProto3;
    line_defaults.proto3 = &s3_protocols[0];
    line_defaults.timeout = kDefaultTimeout;

    std::memset(&route_defaults, 0, sizeof route_defaults);
    myutil_copy_text(route_defaults.mask, kClassCMask);

    std::memset(&filter_defaults, 0, sizeof filter_defaults);
    myutil_copy_text(filter_defaults.send_mask, kAnyAddress);
    myutil_copy_text(filter_defaults.send_match, kAnyAddress);
    filter_defaults.action = 1;

    filter_accept = catch_all(1);
    filter_reject = catch_all(0);

    std::memset(&router_defaults, 0, sizeof router_defaults);
    myutil_copy_text(router_defaults.netmask, kClassCMask);
    router_defaults.isdn_mode = kDefaultIsdnMode;
}

void myutil_make_filter_default(ListObject* filters)
{
    if (filters == nullptr || filters == list_object_instance)
        return;
    if (filters->tail != nullptr) {
        // The list's own compare takes nodes; the catch-alls are bare records.
        ListCompareFn compare =
            filters->compare != nullptr ? filters->compare : listhelp_comp_filter;
        ListNode accept_node = {&filter_accept, nullptr};
        ListNode reject_node = {&filter_reject, nullptr};
        if (compare(filters->tail, &accept_node) == 0 ||
            compare(filters->tail, &reject_node) == 0) {
            return;
        }
    }
    FilterEntry* rule = static_cast<FilterEntry*>(myutil_malloc(sizeof(FilterEntry)));
    *rule = filter_accept;
    rule->index = filters->count;
    filters->ops->list_append(filters, rule);
}

void myutil_make_default_route(ListObject* routes, const char* host)
{
    if (routes == nullptr || routes == list_object_instance)
        return;
    RouteEntry* route = static_cast<RouteEntry*>(myutil_malloc(sizeof(RouteEntry)));
    myutil_copy_text(route->mask, kHostMask);
    myutil_copy_text(route->match, host);
    myutil_copy_text(route->gateway, host);
    routes->ops->list_insert_at(routes, route, 1);
}
