#include "text_escape.h"

#include <cstddef>
#include <cstdio>

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string text_escape(const std::string& raw)
{
    std::string s;
    for (char c : raw) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u > ' ' && u < 0x7F && c != '\\' && c != '=' && c != '#') {
            s.push_back(c);
        } else {
            char buf[5];
            std::snprintf(buf, sizeof buf, "\\x%02x", u);
            s += buf;
        }
    }
    return s;
}

bool text_unescape(const std::string& text, std::string* raw)
{
    std::string s;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            s.push_back(text[i]);
            continue;
        }
        if (i + 1 >= text.size())
            return false;
        char e = text[i + 1];
        if (e == '\\') {
            s.push_back('\\');
            i += 1;
        } else if (e == '0') {
            s.push_back('\0');
            i += 1;
        } else if (e == 'x' && i + 3 < text.size() && hex_digit(text[i + 2]) >= 0 &&
                   hex_digit(text[i + 3]) >= 0) {
            s.push_back(static_cast<char>(hex_digit(text[i + 2]) * 16 + hex_digit(text[i + 3])));
            i += 3;
        } else {
            return false;
        }
    }
    *raw = s;
    return true;
}
