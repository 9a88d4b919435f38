#include "display_texts.h"

#include "message_tables.h"

namespace {

constexpr int INPUT_CODES = 7;  // codes 1 to 7
constexpr int NO_MESSAGE = -1;  // a code the dialog does not have

struct InputErrors {
    Dialog dialog;
    int message[INPUT_CODES];
};

const InputErrors INPUT_ERRORS[] = {
    // host, phone, send and receive identification, timeout
    {Dialog::Config2Dialog,
     {MSG_BAD_HOSTNAME, MSG_BAD_PHONE, MSG_BAD_SEND_PASSWORD, MSG_BAD_RECEIVE_PASSWORD,
      MSG_BAD_TIMEOUT, NO_MESSAGE, NO_MESSAGE}},
    // mask, match, combination, gateway, position
    {Dialog::Route2Dialog,
     {MSG_BAD_MASK, MSG_BAD_MATCH, MSG_BAD_MASK_MATCH_COMBINATION, MSG_BAD_GATEWAY,
      MSG_BAD_POSITION, NO_MESSAGE, NO_MESSAGE}},
    // combination, send mask, send match, receive mask, receive match, service, position
    {Dialog::Filter2Dialog,
     {MSG_BAD_MASK_MATCH_COMBINATION, MSG_BAD_SEND_MASK, MSG_BAD_MATCH, MSG_BAD_RECEIVE_MASK,
      MSG_BAD_MATCH, MSG_BAD_SERVICE, MSG_BAD_POSITION}},
};

}  // namespace

const char* error_box_title(int kind)
{
    switch (kind) {
    case ERROR_KIND_WARNING:
        return message_text(MSG_WARNING);
    case ERROR_KIND_ERROR:
        return message_text(MSG_ERROR);
    case ERROR_KIND_MESSAGE:
        return message_text(MSG_MESSAGE);
    default:
        return nullptr;
    }
}

int input_error_message(Dialog dialog, int code)
{
    if (code < 1 || code > INPUT_CODES)
        return -1;
    for (const InputErrors& row : INPUT_ERRORS) {
        if (row.dialog == dialog) {
            return row.message[code - 1];
        }
    }
    return -1;
}
