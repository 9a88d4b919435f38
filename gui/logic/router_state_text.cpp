#include "router_state_text.h"

#include <cstring>

#include "list.h"
#include "message_tables.h"
#include "myutil.h"

namespace {

constexpr const char UNKNOWN_FIRMWARE[] = "? / ?";
constexpr const char UNKNOWN_LINE_TYPE[] = "?";

const char* const line_type_names[] = {
    nullptr,          // 0: no permanent connection
    "Digital FV64S",  // 1
    "Digital FVS01",  // 2
    "Digital FVS02",  // 3
};
constexpr int LINE_TYPE_COUNT = sizeof line_type_names / sizeof line_type_names[0];

const char* mode_name(int isdn_mode)
{
    return isdn_mode == 0 ? "1TR6" : "DSS1";
}

int channel_message(int state)
{
    switch (state) {
    case 1:
    case 2:
        return MSG_TRY_TO_CONNECT;
    case 3:
        return MSG_CONNECTED;
    case 4:
    case 5:
        return MSG_TRY_TO_DISCONNECT;
    default:
        return MSG_NOT_CONNECTED;
    }
}

const char* text_or_empty(const char* text)
{
    return text != nullptr ? text : "";
}

void merge_into(RouterEntry* entry, const RouterState& state)
{
    entry->have_state = 1;
    entry->ch1_state = state.ch1_state;
    entry->ch2_state = state.ch2_state;
    char peer[HOST_LEN + 1];
    myutil_get_host_name(state.ch1_peer_ip, peer);
    myutil_copy_text(entry->ch1_peer, peer);
    myutil_get_host_name(state.ch2_peer_ip, peer);
    myutil_copy_text(entry->ch2_peer, peer);
    myutil_copy_text(entry->ch1_phone, state.ch1_phone);
    myutil_copy_text(entry->ch2_phone, state.ch2_phone);
    entry->isdn_mode = state.isdn_mode;
    entry->line_type = state.line_type;
    myutil_copy_text(entry->firmware, state.firmware);
}

}  // namespace

int router_state_merge(ListObject* routers, const RouterState& state)
{
    if (routers == nullptr || state.status != 0)
        return 0;
    char name[HOST_LEN + 1];
    myutil_get_host_name(state.router_ip, name);
    int merged = 0;
    for (ListNode* node = routers->head; node != nullptr; node = node->next) {
        auto* entry = static_cast<RouterEntry*>(node->element);
        if (entry == nullptr || entry->have_state != 0 || std::strcmp(entry->name, name) != 0)
            continue;
        merge_into(entry, state);
        ++merged;
    }
    return merged;
}

std::string router_firmware_text(const char* firmware, int isdn_mode, int line_type)
{
    if (firmware == nullptr || firmware[0] == '\0')
        return UNKNOWN_FIRMWARE;
    if (line_type == 0)
        return text_format("%s / %s", firmware, mode_name(isdn_mode));
    const char* type = line_type > 0 && line_type < LINE_TYPE_COUNT ? line_type_names[line_type]
                                                                    : UNKNOWN_LINE_TYPE;
    return text_format("%s / %s / %s", firmware, mode_name(isdn_mode), type);
}

std::string router_channel_text(int state, const char* peer, const char* phone)
{
    int message = channel_message(state);
    if (message == MSG_NOT_CONNECTED)
        return message_text(MSG_NOT_CONNECTED);
    return text_format("%s -> %s (%s)", message_text(message), text_or_empty(peer),
                       text_or_empty(phone));
}

std::string router_overview_block(const RouterEntry& entry)
{
    if (entry.have_state == 0)
        return message_format(MSG_NO_RESPONSE, entry.hw_text);
    std::string firmware = router_firmware_text(entry.firmware, entry.isdn_mode, entry.line_type);
    std::string channel1 = router_channel_text(entry.ch1_state, entry.ch1_peer, entry.ch1_phone);
    std::string channel2 = router_channel_text(entry.ch2_state, entry.ch2_peer, entry.ch2_phone);
    return message_format(MSG_ROUTER_BLOCK, entry.name, firmware.c_str(), channel1.c_str(),
                          channel2.c_str());
}

std::string router_overview_text(const ListObject* routers)
{
    std::string text;
    if (routers == nullptr)
        return text;
    for (const ListNode* node = routers->head; node != nullptr; node = node->next)
        if (node->element != nullptr)
            text += router_overview_block(*static_cast<const RouterEntry*>(node->element));
    return text;
}
