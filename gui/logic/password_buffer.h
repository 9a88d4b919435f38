// The hidden text behind a password field. The field shows one "X" per
// character; the characters themselves are kept in a buffer that the dialog
// owns (the registration prompt's and the password dialogs' user data).
//
// Call password_buffer_edit from the field's modify-verify callback with the
// change the toolkit is about to make:
//
//     XmTextVerifyCallbackStruct* v = ...;
//     PasswordEdit e = password_buffer_edit(buffer, size, v->startPos, v->endPos,
//                                           v->text->ptr, v->text->length);
//     v->doit = e.allowed;
//     if (e.allowed && v->text->length > 0) memset(v->text->ptr, 'X', v->text->length);
//
// The buffer then holds exactly what the field stands for, wherever the user
// types, deletes, pastes or replaces a selection; no value-changed step is
// needed.
#pragma once

#include <cstddef>
#include <string>

struct PasswordEdit {
    bool allowed;       // let the field make the change
    std::string shown;  // what the field inserts instead: one "X" per character
};

// Applies the change "replace the characters from `start` to `end` (0-based,
// end exclusive) by the `length` characters at `inserted`" to the NUL-
// terminated buffer of `size` bytes, which holds at most min(size - 1, 10)
// characters. A change that would go past that, or whose positions lie
// outside the text held, or that inserts a NUL, is refused whole
// (allowed false, buffer unchanged). A null `inserted` or a length of 0 is
// a deletion.
PasswordEdit password_buffer_edit(char* buffer, size_t size, long start, long end,
                                  const char* inserted, long length);

// Empties the buffer (the field is emptied with it).
void password_buffer_clear(char* buffer, size_t size);

// Puts a known password into the buffer (the router's current password when
// the password dialog opens); cut to the buffer's capacity. Returns the
// number of "X" the field is to show.
size_t password_buffer_set(char* buffer, size_t size, const char* password);
