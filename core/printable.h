// Text from outside made safe for the terminal.
//
// A router's name, holder, telephone numbers and firmware version (and the
// names that the host lookup gives for its addresses) are whatever a host
// that answers on the network put there, and a faulty line of a data file
// is whatever the file holds. Printed as they are, an ESC or a BEL among
// them would reach the user's terminal as a control sequence (a new window
// title, a cleared screen). Such text is printed through ASCIIPrintable:
// printable ASCII passes unchanged, "\" becomes "\\", and every other byte
// becomes "\x" and two lower-case hex digits, so that what was there can
// still be read off the screen.
#pragma once

#include <string>

std::string ASCIIPrintable(const char* text);
inline std::string ASCIIPrintable(const std::string& text)
{
    return ASCIIPrintable(text.c_str());
}
