// The hidden password entries: the registration prompt's field and the two
// entries of the router password dialogs. Each field shows one "X" per
// character; the characters themselves go into a buffer the dialog owns.
#pragma once

#include <Xm/Xm.h>

#include <cstddef>

// Takes the change a field is about to make (its modify-verify call data)
// into `buffer` (`size` bytes) by position: what the change replaces leaves
// the buffer, what it inserts goes in and is shown as "X". A change past the
// password's length is refused whole. Call it from the field's modify-verify
// callback, except while the program itself empties the field.
void helpfunc_hide_typed(XmTextVerifyCallbackStruct* change, char* buffer, size_t size);
