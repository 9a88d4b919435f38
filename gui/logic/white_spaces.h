// Trimming of the texts read from dialog fields: a user who types a blank
// before or after an address or number should not be told it is wrong.
#pragma once

#include <string>

// Removes leading and trailing blanks and tabs of a NUL-terminated text in
// place; every other character, newlines included, stays. A text of blanks
// and tabs only becomes empty. A null text is left alone.
void helpfunc_del_white_spaces(char* text);

// The same for a field's text as a string (null reads as empty).
std::string del_white_spaces(const char* text);
