#include "printable.h"

std::string ASCIIPrintable(const char* text)
{
    static const char hex[] = "0123456789abcdef";
    std::string shown;
    if (text == nullptr)
        return shown;
    for (const char* p = text; *p != '\0'; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == '\\') {
            shown += "\\\\";
        } else if (c >= 0x20 && c < 0x7f) {
            shown += static_cast<char>(c);
        } else {
            shown += "\\x";
            shown += hex[c >> 4];
            shown += hex[c & 0x0f];
        }
    }
    return shown;
}
