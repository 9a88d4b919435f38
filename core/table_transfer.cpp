// Reading the open router's three tables entry by entry, and writing them
// back as the difference between the edited lists and the copies last read.
#include <cstdlib>
#include <initializer_list>

#include "engine.h"
#include "highstate.h"
#include "list.h"
#include "messages.h"
#include "record_defaults.h"

namespace {

// What differs between the three tables.
struct TableKind {
    uint8_t id;            // table identifier on the wire
    int limit;             // entries the router can hold
    ListObject** filling;  // the engine's list being read
    ListObject* (*new_list)();
    void* (*parse)(const uint8_t* data, int length);
    int32_t* (*index_of)(void* record);
    bool (*key_empty)(const void* record);  // a slot the router reports empty
    int (*pack)(const void* record, uint8_t* buf, size_t size);
    bool closes_with_default;  // a filter table ends with a catch-all rule
    HighstateEntryFn read_step;
    HighstateStepFn write_step;
};

void* parse_line(const uint8_t* d, int n)
{
    return highstate_parse_line_entry(d, n);
}
void* parse_route(const uint8_t* d, int n)
{
    return highstate_parse_route_entry(d, n);
}
void* parse_filter(const uint8_t* d, int n)
{
    return highstate_parse_filter_entry(d, n);
}

int32_t* line_index(void* r)
{
    return &static_cast<LineTarget*>(r)->index;
}
int32_t* route_index(void* r)
{
    return &static_cast<RouteEntry*>(r)->index;
}
int32_t* filter_index(void* r)
{
    return &static_cast<FilterEntry*>(r)->index;
}

bool line_empty(const void* r)
{
    return static_cast<const LineTarget*>(r)->host[0] == '\0';
}
bool route_empty(const void* r)
{
    return static_cast<const RouteEntry*>(r)->mask[0] == '\0';
}
bool filter_empty(const void* r)
{
    return static_cast<const FilterEntry*>(r)->send_mask[0] == '\0';
}

int pack_line(const void* r, uint8_t* b, size_t n)
{
    return highstate_pack_line(static_cast<const LineTarget*>(r), b, n);
}
int pack_route(const void* r, uint8_t* b, size_t n)
{
    return highstate_pack_route(static_cast<const RouteEntry*>(r), b, n);
}
int pack_filter(const void* r, uint8_t* b, size_t n)
{
    return highstate_pack_filter(static_cast<const FilterEntry*>(r), b, n);
}

const TableKind kLines = {TABLE_LINES,
                          MAX_LINE_TARGETS,
                          &line_list,
                          listhelp_new_line_list,
                          parse_line,
                          line_index,
                          line_empty,
                          pack_line,
                          false,
                          highstate_help_line_data,
                          highstate_help_put_line};
const TableKind kRoutes = {TABLE_ROUTES,
                           MAX_ROUTES,
                           &route_list,
                           listhelp_new_route_list,
                           parse_route,
                           route_index,
                           route_empty,
                           pack_route,
                           false,
                           highstate_help_route_data,
                           highstate_help_put_route};
const TableKind kFilters = {TABLE_FILTERS,
                            MAX_FILTERS,
                            &filter_list,
                            listhelp_new_filter_list,
                            parse_filter,
                            filter_index,
                            filter_empty,
                            pack_filter,
                            true,
                            highstate_help_filter_data,
                            highstate_help_put_filter};

const TableKind* kind_of(uint8_t id)
{
    for (const TableKind* kind : {&kLines, &kRoutes, &kFilters}) {
        if (kind->id == id)
            return kind;
    }
    return nullptr;
}

// --------------------------------------------------------------- reading

void send_entry_request()
{
    uint8_t payload[GET_ENTRY_REQUEST_LEN];
    int n = msg_pack_get_entry(payload, sizeof payload, highstate.table,
                               static_cast<uint16_t>(highstate.index));
    highstate.expect = GET_ENTRY_REPLY;
    highstate.state = HIGHSTATE_REQUEST_PENDING;
    highstate_send_request(
        highstate.router_addr, GET_ENTRY_REQUEST, payload, n, HIGHSTATE_ASK_AGAIN,
        highstate_entry_key(highstate.table, static_cast<uint16_t>(highstate.index)));
}

// The list is complete: it goes to the read's callback and becomes its.
void finish_read(const TableKind& kind, ListObject* list)
{
    if (kind.closes_with_default) {
        const int32_t read = list->count;
        myutil_make_filter_default(list);
        // The router does not hold the rule just added: the next write must
        // put it, and no slot of the router is its to delete.
        if (list->count > read)
            *kind.index_of(list->tail->element) = INDEX_NOT_IN_ROUTER;
    }
    ListCallback fn = highstate.done.list;
    highstate.done.list = nullptr;
    if (fn != nullptr) {
        fn(list);
    } else {
        list->ops->list_destroy(list);
    }
}

void start_read(const TableKind& kind, ListCallback fn, int n)
{
    ListObject* list = kind.new_list();
    // The router cannot hold more; a larger count is not worth asking for.
    if (n > kind.limit)
        n = kind.limit;
    if (n <= 0) {
        highstate.done.list = fn;
        finish_read(kind, list);
        return;
    }
    list_dispose(kind.filling);
    *kind.filling = list;
    ++highstate.serial;
    highstate.done.list = fn;
    highstate.count = n;
    highstate.index = 0;
    highstate.retries = 0;
    highstate.table = kind.id;
    highstate_clear_next();
    highstate.next.entry = kind.read_step;
    send_entry_request();
}

void read_step(const TableKind& kind, void* record)
{
    ListObject* list = *kind.filling;
    if (list == nullptr) {
        std::free(record);
        return;
    }
    if (*kind.index_of(record) == (highstate.index & 0xFFFF)) {
        // An empty slot counts towards the table's size but is not listed.
        if (kind.key_empty(record)) {
            list->free(record);
        } else {
            list->ops->list_append(list, record);
        }
        ++highstate.index;
        highstate.retries = 0;
    } else {
        list->free(record);
        if (++highstate.retries > HIGHSTATE_READ_RETRIES) {
            highstate_fail(STATUS_PROTOCOL_VIOLATION);
            return;
        }
    }
    if ((highstate.index & 0xFFFF) >= highstate.count) {
        highstate_clear_next();
        highstate.state = HIGHSTATE_CONNECTED;
        *kind.filling = nullptr;
        finish_read(kind, list);
        return;
    }
    send_entry_request();
}

// --------------------------------------------------------------- writing

// True when an old entry in front of `node` has the same index: the write
// has deleted that slot already (old entries at or beyond the edited table's
// end are deleted in list order).
bool slot_deleted_before(const TableKind& kind, const ListNode* node)
{
    const int32_t index = *kind.index_of(node->element);
    for (const ListNode* n = highstate.list_old->head; n != nullptr && n != node; n = n->next) {
        if (*kind.index_of(n->element) == index)
            return true;
    }
    return false;
}

void finish_write()
{
    highstate.list_new = nullptr;
    highstate.list_old = nullptr;
    highstate.cur_new = nullptr;
    highstate.cur_old = nullptr;
    highstate_clear_next();
    CountCallback fn = highstate.done.count;
    highstate.done.count = nullptr;
    if (fn != nullptr)
        fn(highstate.put_count);
}

// One put or delete per step. First the edited list place by place: an
// entry is left alone only when the old copy holds an equal entry at the
// same place that the router keeps at that very index (a copy read with
// empty slots has gaps in its indexes; a rule the read added has none).
// Then every old entry whose index lies at or beyond the edited table's end
// is deleted, in list order, each slot once.
void write_step(const TableKind& kind)
{
    uint8_t payload[LINE_BODY_LEN];
    int n = 0;
    ListObject* edited = highstate.list_new;
    int32_t length = edited->count;
    while (!highstate.deleting && highstate.cur_new != nullptr) {
        ListNode* now = highstate.cur_new;
        ListNode* was = highstate.cur_old;
        int32_t place = *kind.index_of(now->element);
        highstate.cur_new = now->next;
        if (was != nullptr)
            highstate.cur_old = was->next;
        if (was != nullptr && edited->compare != nullptr && edited->compare(was, now) == 0 &&
            *kind.index_of(was->element) == place) {
            continue;
        }
        n = kind.pack(now->element, payload, sizeof payload);
        highstate.count = place;
        break;
    }
    if (n == 0 && !highstate.deleting) {
        highstate.deleting = 1;
        highstate.cur_old = highstate.list_old != nullptr ? highstate.list_old->head : nullptr;
    }
    while (n == 0 && highstate.cur_old != nullptr) {
        ListNode* was = highstate.cur_old;
        highstate.cur_old = was->next;
        int32_t index = *kind.index_of(was->element);
        // A slot already emptied by this write, or none the wire can name.
        if (index < length || index > 0xFFFF || slot_deleted_before(kind, was))
            continue;
        n = msg_pack_delete_entry(payload, sizeof payload, kind.id, static_cast<uint16_t>(index));
        highstate.count = index;
    }
    if (n == 0) {
        finish_write();
        return;
    }
    highstate.table = kind.id;
    highstate.expect = PUT_ENTRY_REPLY;
    highstate.state = HIGHSTATE_REQUEST_PENDING;
    highstate_clear_next();
    highstate.next.put = kind.write_step;
    ++highstate.put_count;
    ++highstate.writes;
    // A put or a delete leaves the slot the same on a second arrival.
    highstate_send_request(highstate.router_addr, PUT_ENTRY_REQUEST, payload, n,
                           HIGHSTATE_ASK_AGAIN,
                           highstate_entry_key(kind.id, static_cast<uint16_t>(highstate.count)));
}

void start_write(const TableKind& kind, CountCallback fn, ListObject* edited, ListObject* old)
{
    if (edited == nullptr || old == nullptr) {
        // Without both lists the difference is unknown; guessing could wipe
        // or scramble the router's table.
        highstate_fail(STATUS_BAD_ENTRY);
        return;
    }
    ++highstate.serial;
    // A table of a configuration counts on from the tables before it.
    if (highstate.chain.count_fn == nullptr)
        highstate.writes = 0;
    highstate.done.count = fn;
    highstate.list_new = edited;
    highstate.list_old = old;
    highstate.cur_new = edited->head;
    highstate.cur_old = old->head;
    int32_t place = 0;
    for (ListNode* node = edited->head; node != nullptr; node = node->next) {
        *kind.index_of(node->element) = place++;
    }
    highstate.count = 0;
    highstate.put_count = 0;
    highstate.deleting = 0;
    write_step(kind);
}

}  // namespace

// ------------------------------------------------------------ single tables

void highstate_get_line_data(ListCallback fn, int n)
{
    start_read(kLines, fn, n);
}
void highstate_get_route_data(ListCallback fn, int n)
{
    start_read(kRoutes, fn, n);
}
void highstate_get_filter_data(ListCallback fn, int n)
{
    start_read(kFilters, fn, n);
}

void highstate_help_line_data(void* record)
{
    read_step(kLines, record);
}
void highstate_help_route_data(void* record)
{
    read_step(kRoutes, record);
}
void highstate_help_filter_data(void* record)
{
    read_step(kFilters, record);
}

void highstate_put_line_data(CountCallback fn, ListObject* edited, ListObject* old)
{
    start_write(kLines, fn, edited, old);
}
void highstate_put_route_data(CountCallback fn, ListObject* edited, ListObject* old)
{
    start_write(kRoutes, fn, edited, old);
}
void highstate_put_filter_data(CountCallback fn, ListObject* edited, ListObject* old)
{
    start_write(kFilters, fn, edited, old);
}

void highstate_help_put_line()
{
    write_step(kLines);
}
void highstate_help_put_route()
{
    write_step(kRoutes);
}
void highstate_help_put_filter()
{
    write_step(kFilters);
}

// --------------------------------------------------------- all three tables

void interface_load_config(int n_lines, int n_routes, int n_filters, TablesCallback fn)
{
    highstate_release_chain();
    highstate.chain.n_lines = n_lines;
    highstate.chain.n_routes = n_routes;
    highstate.chain.n_filters = n_filters;
    highstate.chain.tables_fn = fn;
    highstate_get_line_data(interface_load_lines_done, highstate.chain.n_lines);
}

void interface_load_lines_done(ListObject* list)
{
    highstate.chain.lines = list;
    highstate_get_route_data(interface_load_routes_done, highstate.chain.n_routes);
}

void interface_load_routes_done(ListObject* list)
{
    highstate.chain.routes = list;
    highstate_get_filter_data(interface_load_filters_done, highstate.chain.n_filters);
}

void interface_load_filters_done(ListObject* list)
{
    highstate.chain.filters = list;
    ListObject* lines = highstate.chain.lines;
    ListObject* routes = highstate.chain.routes;
    ListObject* filters = highstate.chain.filters;
    highstate.chain.lines = highstate.chain.routes = highstate.chain.filters = nullptr;
    TablesCallback fn = highstate.chain.tables_fn;
    highstate.chain.tables_fn = nullptr;
    if (fn != nullptr) {
        fn(lines, routes, filters);
    } else {
        for (ListObject* l : {lines, routes, filters})
            l->ops->list_destroy(l);
    }
}

void interface_save_config(ListObject* lines, ListObject* lines_old, ListObject* routes,
                           ListObject* routes_old, ListObject* filters, ListObject* filters_old,
                           CountCallback fn)
{
    highstate_release_chain();
    highstate.chain.routes_new = routes;
    highstate.chain.routes_copy = routes_old;
    highstate.chain.filters_new = filters;
    highstate.chain.filters_copy = filters_old;
    highstate.chain.count_fn = fn;
    highstate.chain.total = 0;
    highstate.writes = 0;
    highstate_put_line_data(interface_save_lines_done, lines, lines_old);
}

namespace {

void save_end()
{
    CountCallback fn = highstate.chain.count_fn;
    highstate.chain.count_fn = nullptr;
    highstate.chain.routes_new = highstate.chain.routes_copy = nullptr;
    highstate.chain.filters_new = highstate.chain.filters_copy = nullptr;
    if (fn != nullptr)
        fn(highstate.chain.total);
}

void save_filters_or_end()
{
    if (highstate.chain.filters_new != nullptr) {
        highstate_put_filter_data(interface_save_filters_done, highstate.chain.filters_new,
                                  highstate.chain.filters_copy);
    } else {
        save_end();
    }
}

}  // namespace

void interface_save_lines_done(int count)
{
    highstate.chain.total += count;
    if (highstate.chain.routes_new != nullptr) {
        highstate_put_route_data(interface_save_routes_done, highstate.chain.routes_new,
                                 highstate.chain.routes_copy);
    } else {
        save_filters_or_end();
    }
}

void interface_save_routes_done(int count)
{
    highstate.chain.total += count;
    save_filters_or_end();
}

void interface_save_filters_done(int count)
{
    highstate.chain.total += count;
    save_end();
}

// ----------------------------------------------------------------- replies

int highstate_recv_entry(uint32_t, uint16_t, const uint8_t* data, int length)
{
    uint8_t table = 0;
    uint16_t index = 0;
    if (!msg_parse_entry_header(data, length, &table, &index))
        return STATUS_PROTOCOL_VIOLATION;
    if (highstate.expect != GET_ENTRY_REPLY || table != highstate.table) {
        return STATUS_PROTOCOL_VIOLATION;
    }
    const TableKind* kind = kind_of(table);
    void* record = kind != nullptr ? kind->parse(data, length) : nullptr;
    if (record == nullptr)
        return STATUS_PROTOCOL_VIOLATION;
    highstate_reply_arrived();
    highstate.state = HIGHSTATE_CONNECTED;
    HighstateEntryFn fn = highstate.next.entry;
    if (fn == nullptr) {
        std::free(record);
        return 0;
    }
    fn(record);
    return 0;
}

int highstate_recv_put_reply(uint32_t, uint16_t, const uint8_t* data, int length)
{
    uint8_t table = 0;
    uint16_t status = 0;
    if (!msg_parse_put_entry_reply(data, length, &table, &status)) {
        return STATUS_PROTOCOL_VIOLATION;
    }
    if (highstate.expect != PUT_ENTRY_REPLY || table != highstate.table) {
        return STATUS_PROTOCOL_VIOLATION;
    }
    highstate_reply_arrived();
    highstate.state = HIGHSTATE_CONNECTED;
    if (status != STATUS_OK)
        return status;
    HighstateStepFn fn = highstate.next.put;
    if (fn != nullptr)
        fn();
    return 0;
}
