// The line monitor ("LineMonDialog"): the field texts and button states of
// one B-channel from a line-monitor report, and of the whole dialog.
//
// helpfunc_set_linemon_data(data):
//     LineMonFields f = linemon_fields(*data);
//     for channel i ("Canal1" / "Canal2"): StatText := f.channel[i].state_text,
//         PhoneText, IPText, TimeText, ChargeText, INText, OUTText from the
//         same record; "Disconnect" sensitive := f.channel[i].disconnect_sensitive
//     "LineMonOk" sensitive := f.connect_sensitive
// Every popup shows linemon_fields of an all-zero report. The compression
// fields are never written. "LineMon2List" position p dials index p - 1.
#pragma once

#include <string>

#include "records.h"

// The texts and the button of one channel.
struct LineMonChannelFields {
    int state;                  // the state shown: 0 to 5 (any other counts as 0)
    std::string state_text;     // "<state message> (= <code, 4 hex digits>)"
    std::string phone;          // the peer's telephone number; "" when free
    std::string peer;           // the peer's name or address; "" when free
    std::string duration;       // "%8ld sec. " (message 74, ending in a blank); "" when free
    std::string charge;         // "%8ld units" (message 73); "" when free
    std::string packets_in;     // "%8ld"; "" when free
    std::string packets_out;    // "%8ld"; "" when free
    bool disconnect_sensitive;  // only a connection that stands (state 3) can be cleared
};

// The whole dialog: channel 1, channel 2, and "Connect".
struct LineMonFields {
    LineMonChannelFields channel[2];
    bool connect_sensitive;  // at least one channel free
};

// One channel of a report. Counters are unsigned 32-bit and shown as such;
// the code is shown as its 16 bits.
LineMonChannelFields linemon_channel_fields(const LineMonitorChannel& channel);

// Both channels and the "Connect" button.
LineMonFields linemon_fields(const LineMonitorData& data);
