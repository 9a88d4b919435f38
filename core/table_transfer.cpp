// Reading the open router's three tables entry by entry, and writing them
// back as the difference between the edited lists and the copies last read.
#include <cstdlib>

#include "engine.h"
#include "list.h"
#include "messages.h"

namespace {

// The chained read of all three tables.
ListObject* interface_line_list = nullptr;
ListObject* interface_route_list = nullptr;
ListObject* interface_filter_list = nullptr;

void destroy_list(ListObject** list) {
    if (*list != nullptr) {
        (*list)->ops->list_destroy(*list);
        *list = nullptr;
    }
}

void* parse_entry(uint8_t table, const uint8_t* data, int length) {
    switch (table) {
        case TABLE_LINES:
            return highstate_parse_line_entry(data, length);
        case TABLE_ROUTES:
            return highstate_parse_route_entry(data, length);
        case TABLE_FILTERS:
            return highstate_parse_filter_entry(data, length);
        default:
            return nullptr;
    }
}

}  // namespace

void interface_release_chain() {
    destroy_list(&interface_line_list);
    destroy_list(&interface_route_list);
    destroy_list(&interface_filter_list);
}

int highstate_recv_entry(uint32_t, uint16_t, const uint8_t* data, int length) {
    uint8_t table = 0;
    uint16_t index = 0;
    if (!msg_parse_entry_header(data, length, &table, &index)) return STATUS_PROTOCOL_VIOLATION;
    if (highstate.expect != GET_ENTRY_REPLY || table != highstate.table) {
        return STATUS_PROTOCOL_VIOLATION;
    }
    void* record = parse_entry(table, data, length);
    if (record == nullptr) return STATUS_PROTOCOL_VIOLATION;
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

int highstate_recv_put_reply(uint32_t, uint16_t, const uint8_t* data, int length) {
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
    if (status != STATUS_OK) return status;
    HighstateStepFn fn = highstate.next.put;
    if (fn != nullptr) fn();
    return 0;
}
