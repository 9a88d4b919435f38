// What the registration of a router decides without widgets: the password
// prompt's record, the message of a refusal, whether reading the tables
// shows the busy notice, and the settings an accepted registration leaves.
#pragma once

#include <cstdint>
#include <string>

#include "records.h"

// The password prompt's user data: the typed text (see password_buffer.h,
// with sizeof typed as its size) and the router's password request.
struct PasswordPrompt {
    char typed[PASSWORD_LEN + 1];
    uint16_t challenge;  // the request's seed
    uint16_t seq;        // the request's sequence number
};

// A password request arrived: typed text empty, challenge and sequence
// number as the router sent them.
void registration_prompt_start(PasswordPrompt* prompt, const OpenReply& reply);

// The message index for a refused registration: reason 3 message 9 (wrong
// password), 4 message 11 (held by another station), 6 message 10 (password
// not given in time), any other message 7.
int registration_refusal_message(int reason);

// That message as shown; message 11 is filled with the holding station.
std::string registration_refusal_text(const OpenReply& reply);

// Reading more than 30 entries in all shows the busy notice (message 43).
bool registration_shows_busy_notice(const OpenReply& reply);

// The current settings after the router accepted: name as the router list
// shows it, netmask, telephone number, ISDN mode, permanent-connection type
// and firmware version from the reply; the password and the exclusive flag
// stay as they are. A firmware version of 10 characters is cut to the 9 the
// record holds; the permanent-connection type beside it is never touched.
void registration_accept_settings(RouterSettings* settings, const char* router_name,
                                  const OpenReply& reply);
