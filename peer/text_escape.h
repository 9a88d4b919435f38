// The escaped text form of the simulated router's script, state file and
// log: a raw text (a phone number, a password, a file name) of any bytes as
// one blank-free word that a line splitter and a "key=value" reader leave
// whole. Test programs that write scripts link this module too, so that the
// router and its tests always agree on the form.
#pragma once

#include <string>

// Escapes a raw text: bytes outside printable ASCII, blanks, '\\', '=' and
// '#' become \xHH (lower-case hex); every other byte stays; "" stays empty.
std::string text_escape(const std::string& raw);

// Reverses text_escape (also accepts \\ and \0); false on a bad or cut-off
// escape, and then `raw` is left as it was.
bool text_unescape(const std::string& text, std::string* raw);

// The value of one hexadecimal digit, either case; -1 for any other byte.
// The router's hex-dump fields and the tests' log reader read their
// digits with it too.
int hex_digit(char c);
