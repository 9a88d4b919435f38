// Texts of the display services that need no widgets: the error box's title
// and the message of an edit dialog's validation code.
#pragma once

#include "dialog_names.h"

// Kinds of helpfunc_error_popup.
enum ErrorKind : int {
    ERROR_KIND_WARNING = 0,  // title message 1 "Warning"
    ERROR_KIND_ERROR = 1,    // title message 0 "Error"
    ERROR_KIND_MESSAGE = 2,  // title message 2 "Message"
};

// The error box's title for a kind, from the table in force; null for any
// other kind (the title stays as it was).
const char* error_box_title(int kind);

// The message index for validation code `code` (1 to 7) of the line-target,
// route or filter editor; -1 for another dialog or a code it does not have.
int input_error_message(Dialog dialog, int code);
