#include "registration.h"

#include <cstring>

#include "message_tables.h"
#include "myutil.h"

namespace {

constexpr int kBusyNoticeEntries = 30;

// Texts of a reply may fill their arrays; never read past them.
template <size_t N>
std::string text_of(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

}  // namespace

void registration_prompt_start(PasswordPrompt* prompt, const OpenReply& reply)
{
    if (prompt == nullptr)
        return;
    std::memset(prompt->typed, 0, sizeof prompt->typed);
    prompt->challenge = reply.seed;
    prompt->seq = reply.seq;
}

int registration_refusal_message(int reason)
{
    switch (reason) {
    case STATUS_WRONG_PASSWORD:
        return MSG_WRONG_PASSWORD;
    case STATUS_ALREADY_CONNECTED:
        return MSG_ALREADY_CONNECTED;
    case STATUS_TIMEOUT:
        return MSG_PASSWORD_TIMEOUT;
    default:
        return MSG_CLOSE_REPLY;
    }
}

std::string registration_refusal_text(const OpenReply& reply)
{
    const int message = registration_refusal_message(reply.reason);
    if (message == MSG_ALREADY_CONNECTED)
        return message_format(message, text_of(reply.text).c_str());
    return message_text(message);
}

bool registration_shows_busy_notice(const OpenReply& reply)
{
    const int entries = int{reply.n_lines} + int{reply.n_routes} + int{reply.n_filters};
    return entries > kBusyNoticeEntries;
}

void registration_accept_settings(RouterSettings* settings, const char* router_name,
                                  const OpenReply& reply)
{
    if (settings == nullptr)
        return;
    myutil_copy_text(settings->name, router_name != nullptr ? router_name : "");
    myutil_copy_text(settings->netmask, text_of(reply.text).c_str());
    myutil_copy_text(settings->phone, text_of(reply.phone).c_str());
    settings->isdn_mode = reply.isdn_mode;
    myutil_copy_text(settings->firmware, text_of(reply.firmware).c_str());
    settings->line_type = reply.line_type;
}
