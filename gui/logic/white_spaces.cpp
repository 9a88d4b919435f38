#include "white_spaces.h"

#include <cstring>

namespace {

bool blank(char c)
{
    return c == ' ' || c == '\t';
}

}  // namespace

void helpfunc_del_white_spaces(char* text)
{
    if (text == nullptr)
        return;
    size_t length = std::strlen(text);
    size_t first = 0;
    while (first < length && blank(text[first]))
        ++first;
    size_t end = length;
    while (end > first && blank(text[end - 1]))
        --end;
    // The kept part may overlap its new place.
    std::memmove(text, text + first, end - first);
    text[end - first] = '\0';
}

std::string del_white_spaces(const char* text)
{
    if (text == nullptr)
        return std::string();
    std::string copy(text);
    helpfunc_del_white_spaces(&copy[0]);
    return std::string(copy.c_str());
}
