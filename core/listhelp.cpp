// Element functions of the four element types, and new empty lists of them.
//
// Texts are compared byte for byte within their arrays, so a record whose
// text fills its array without a terminator is still compared safely.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "list.h"
#include "myutil.h"
#include "records.h"
#include "router_entry.h"

namespace {

template <size_t N, size_t M>
bool same_text(const char (&a)[N], const char (&b)[M])
{
    size_t la = strnlen(a, N);
    size_t lb = strnlen(b, M);
    return la == lb && std::memcmp(a, b, la) == 0;
}

template <typename T>
const T* element_of(const ListNode* node)
{
    return node != nullptr ? static_cast<const T*>(node->element) : nullptr;
}

// Both nodes hold an element and `equal` says so: 0; otherwise -1. A node
// without an element compares positive, so a sorted insert stops in front
// of it.
template <typename T, typename Eq>
int compare_nodes(const ListNode* a, const ListNode* b, Eq equal)
{
    const T* x = element_of<T>(a);
    const T* y = element_of<T>(b);
    if (x == nullptr || y == nullptr)
        return 1;
    return equal(*x, *y) ? 0 : -1;
}

template <typename T>
void* copy_whole(const void* element)
{
    if (element == nullptr)
        return nullptr;
    void* copy = myutil_malloc(sizeof(T));
    std::memcpy(copy, element, sizeof(T));
    return copy;
}

ListObject* new_list(ListCompareFn compare, ListFindFn find, ListCopyFn copy, ListFreeFn free_fn)
{
    if (list_object_instance == nullptr) {
        std::printf("Class list not initialised \n");
        std::fflush(stdout);
        std::abort();
    }
    return list_object_instance->ops->list_create(list_object_instance, compare, find, copy,
                                                  free_fn);
}

}  // namespace

// ----------------------------------------------------------- line targets ---

int listhelp_comp_line(ListNode* a, ListNode* b)
{
    return compare_nodes<LineTarget>(a, b, [](const LineTarget& x, const LineTarget& y) {
        return same_text(x.host, y.host) && same_text(x.phone, y.phone) &&
               x.proto2_code == y.proto2_code && x.proto2 == y.proto2 &&
               x.proto3_code == y.proto3_code && x.proto3 == y.proto3 &&
               same_text(x.send_pair, y.send_pair) && same_text(x.receive_pair, y.receive_pair) &&
               x.timeout == y.timeout && x.manual_only == y.manual_only &&
               x.bundling == y.bundling && x.compression == y.compression;
    });
}

int listhelp_find_line(ListNode*, const void*)
{
    return 0;
}
void* listhelp_copy_line(const void* element)
{
    return copy_whole<LineTarget>(element);
}
void listhelp_free_line(void* element)
{
    std::free(element);
}

// ---------------------------------------------------------------- routes ---

int listhelp_comp_route(ListNode* a, ListNode* b)
{
    return compare_nodes<RouteEntry>(a, b, [](const RouteEntry& x, const RouteEntry& y) {
        return same_text(x.mask, y.mask) && same_text(x.match, y.match) &&
               same_text(x.gateway, y.gateway);
    });
}

int listhelp_find_route(ListNode*, const void*)
{
    return 0;
}
void* listhelp_copy_route(const void* element)
{
    return copy_whole<RouteEntry>(element);
}
void listhelp_free_route(void* element)
{
    std::free(element);
}

// ---------------------------------------------------------- filter rules ---

int listhelp_comp_filter(ListNode* a, ListNode* b)
{
    return compare_nodes<FilterEntry>(a, b, [](const FilterEntry& x, const FilterEntry& y) {
        return same_text(x.send_mask, y.send_mask) && same_text(x.send_match, y.send_match) &&
               same_text(x.receive_mask, y.receive_mask) &&
               same_text(x.receive_match, y.receive_match) && x.protocol == y.protocol &&
               x.port == y.port && x.action == y.action;
    });
}

int listhelp_find_filter(ListNode*, const void*)
{
    return 0;
}
void* listhelp_copy_filter(const void* element)
{
    return copy_whole<FilterEntry>(element);
}
void listhelp_free_filter(void* element)
{
    std::free(element);
}

// --------------------------------------------------------------- routers ---

int listhelp_comp_routers(ListNode* a, ListNode* b)
{
    return compare_nodes<RouterEntry>(a, b, [](const RouterEntry& x, const RouterEntry& y) {
        return same_text(x.name, y.name) && same_text(x.hw_text, y.hw_text);
    });
}

int listhelp_find_routers(ListNode* node, const void* key)
{
    const RouterEntry* r = element_of<RouterEntry>(node);
    const char* text = static_cast<const char*>(key);
    if (r == nullptr || text == nullptr)
        return 0;
    size_t len = strnlen(r->name, sizeof r->name);
    return std::strncmp(text, r->name, len) == 0 && text[len] == '\0';
}

void* listhelp_copy_routers(const void* element)
{
    return copy_whole<RouterEntry>(element);
}
void listhelp_free_routers(void* element)
{
    std::free(element);
}

// ------------------------------------------------------------ new lists ---

ListObject* listhelp_new_line_list()
{
    return new_list(listhelp_comp_line, listhelp_find_line, listhelp_copy_line, listhelp_free_line);
}

ListObject* listhelp_new_route_list()
{
    return new_list(listhelp_comp_route, listhelp_find_route, listhelp_copy_route,
                    listhelp_free_route);
}

ListObject* listhelp_new_filter_list()
{
    return new_list(listhelp_comp_filter, listhelp_find_filter, listhelp_copy_filter,
                    listhelp_free_filter);
}
