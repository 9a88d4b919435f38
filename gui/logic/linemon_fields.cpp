#include "linemon_fields.h"

#include <cstring>

#include "message_tables.h"

namespace {

constexpr int STATE_CODE_MASK = 0xFFFF;  // the router's state code is 16 bits

// Message of each state the router reports; any other value is shown, and
// treated, as a free channel.
constexpr MessageIndex state_messages[] = {
    MSG_NOT_CONNECTED,      // 0
    MSG_TRY_TO_CONNECT,     // 1
    MSG_TRY_TO_CONNECT,     // 2
    MSG_CONNECTED,          // 3
    MSG_TRY_TO_DISCONNECT,  // 4
    MSG_TRY_TO_DISCONNECT,  // 5
};
constexpr int STATE_COUNT = sizeof state_messages / sizeof state_messages[0];

// The "%8ld" conversions take a long, which holds every unsigned 32-bit
// value here, so a large counter is never shown negative.
long counter(uint32_t value)
{
    return static_cast<long>(value);
}

template <size_t N>
std::string record_text(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

}  // namespace

LineMonChannelFields linemon_channel_fields(const LineMonitorChannel& channel)
{
    LineMonChannelFields fields;
    fields.state = channel.state >= 0 && channel.state < STATE_COUNT ? channel.state : CHANNEL_FREE;
    fields.state_text = text_format("%s (= %04x)", message_text(state_messages[fields.state]),
                                    static_cast<unsigned>(channel.code) & STATE_CODE_MASK);
    fields.disconnect_sensitive = fields.state == CHANNEL_CONNECTED;
    if (fields.state == CHANNEL_FREE)
        return fields;
    fields.phone = record_text(channel.phone);
    fields.peer = record_text(channel.peer);
    fields.duration = text_format("%8ld %s ", counter(channel.duration), message_text(MSG_SECONDS));
    fields.charge = text_format("%8ld %s", counter(channel.charge), message_text(MSG_UNITS));
    fields.packets_in = text_format("%8ld", counter(channel.packets_in));
    fields.packets_out = text_format("%8ld", counter(channel.packets_out));
    return fields;
}

LineMonFields linemon_fields(const LineMonitorData& data)
{
    LineMonFields fields;
    fields.channel[0] = linemon_channel_fields(data.channel[0]);
    fields.channel[1] = linemon_channel_fields(data.channel[1]);
    fields.connect_sensitive =
        fields.channel[0].state == CHANNEL_FREE || fields.channel[1].state == CHANNEL_FREE;
    return fields;
}
