#include "download_progress.h"

#include "message_tables.h"

namespace {

constexpr int PERCENT_DONE = 100;  // reported once the last chunk is sent

}  // namespace

std::string firmware_progress_text(int percent)
{
    if (percent == PERCENT_DONE)
        return message_text(MSG_WAITING_FOR_ROUTER);
    return message_format(MSG_LOADING_FIRMWARE, percent);
}
