#include "field_text.h"

#include <cerrno>
#include <cstdlib>

#include "myutil.h"

int field_nonzero_number(const char* text, long* value)
{
    if (text == nullptr || value == nullptr)
        return 0;
    errno = 0;
    char* end = nullptr;
    const long number = std::strtol(text, &end, 0);
    // A number past the range of a long comes back clamped and could pass a
    // range check it does not deserve.
    if (errno == ERANGE || end == text || *end != '\0' || number == 0)
        return 0;
    *value = number;
    return 1;
}

bool field_store(char* dst, size_t size, const std::string& text)
{
    if (dst == nullptr || size == 0)
        return false;
    // An embedded NUL would store less than was typed.
    if (text.size() >= size || text.find('\0') != std::string::npos) {
        dst[0] = '\0';
        return false;
    }
    myutil_copy_text(dst, size, text.c_str());
    return true;
}
