// Router settings, password change, accounting, line monitor, connections by
// hand and the reset of the open router.
#include "engine.h"
#include "lowstate.h"
#include "messages.h"
#include "udp.h"

namespace {

// Settings and password replies: the router's status ends the exchange.
int status_reply(uint16_t awaited, const uint8_t* data, int length) {
    if (highstate.expect != awaited) return STATUS_UNEXPECTED_MESSAGE;
    uint16_t status = 0;
    if (!msg_parse_status_reply(data, length, &status)) return STATUS_PROTOCOL_VIOLATION;
    highstate_reply_arrived();
    highstate.state = HIGHSTATE_CONNECTED;
    DoneCallback fn = highstate.next.status;
    highstate_clear_next();
    if (status != STATUS_OK) return status;
    if (fn != nullptr) fn(STATUS_OK);
    return 0;
}

}  // namespace

int highstate_recv_password_reply(uint32_t, uint16_t, const uint8_t* data, int length) {
    return status_reply(SET_PASSWORD_REPLY, data, length);
}

int highstate_recv_router_data_reply(uint32_t, uint16_t, const uint8_t* data, int length) {
    return status_reply(PUT_ROUTER_DATA_REPLY, data, length);
}

int highstate_recv_accounting(uint32_t, uint16_t, const uint8_t* data, int length) {
    if (highstate.expect != GET_ACCOUNTING_REPLY) return STATUS_PROTOCOL_VIOLATION;
    AccountingCounters counters{};
    if (!msg_parse_accounting(data, length, &counters)) return STATUS_PROTOCOL_VIOLATION;
    highstate_reply_arrived();
    highstate.state = HIGHSTATE_CONNECTED;
    HighstateCountersFn fn = highstate.next.counters;
    if (fn != nullptr) fn(&counters);
    return 0;
}

int highstate_recv_linemon(uint32_t, uint16_t, const uint8_t* data, int length) {
    LineMonitorData report{};
    if (!msg_parse_linemon(data, length, &report)) return STATUS_PROTOCOL_VIOLATION;
    if (highstate.linemon_fn != nullptr) highstate.linemon_fn(&report);
    return 0;
}
