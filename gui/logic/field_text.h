// Texts typed into dialog fields on their way into records: numbers read in
// the system's usual notation, and trimmed texts copied into fixed arrays
// without being cut.
#pragma once

#include <cstddef>
#include <string>

// 1 with *value set when the whole text is a whole number in the system's
// usual notation (optional leading white space and sign, "0x" hexadecimal,
// a leading "0" octal, otherwise decimal) and that number is not 0; 0 for
// anything else: an empty text, 0 however written ("0", "00", "0x0"), a
// number followed by anything (a blank too), or one too large for a long.
// The value is the long it was read as, so that callers check its range
// before narrowing it to a record's field.
int field_nonzero_number(const char* text, long* value);

// Copies `text` into a record's array of `size` bytes. False, with the array
// emptied, when it does not fit: a text cut to fit could name another host
// or password than the one typed, so callers refuse it instead.
bool field_store(char* dst, size_t size, const std::string& text);

template <size_t N>
inline bool field_store(char (&dst)[N], const std::string& text)
{
    return field_store(dst, N, text);
}
