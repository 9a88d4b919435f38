#include "display_texts.h"

#include "messages.h"

namespace {

constexpr int INPUT_CODES = 7;  // codes 1 to 7; 0 marks a code the dialog does not have

struct InputErrors {
    Dialog dialog;
    int message[INPUT_CODES];
};

const InputErrors INPUT_ERRORS[] = {
    // host, phone, send and receive identification, timeout
    {Dialog::Config2Dialog, {17, 18, 20, 21, 19, 0, 0}},
    // mask, match, combination, gateway, position
    {Dialog::Route2Dialog, {22, 23, 24, 25, 26, 0, 0}},
    // combination, send mask, send match, receive mask, receive match, service, position
    {Dialog::Filter2Dialog, {24, 27, 23, 28, 23, 29, 26}},
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
            int message = row.message[code - 1];
            return message != 0 ? message : -1;
        }
    }
    return -1;
}
