#include "download_progress.h"

#include "messages.h"

namespace {

constexpr int MSG_LOADING_FIRMWARE = 46;
constexpr int MSG_WAITING_FOR_ROUTER = 47;
constexpr int PERCENT_DONE = 100;  // reported once the last chunk is sent

}  // namespace

std::string firmware_progress_text(int percent)
{
    if (percent == PERCENT_DONE)
        return message_text(MSG_WAITING_FOR_ROUTER);
    return message_format(MSG_LOADING_FIRMWARE, percent);
}
