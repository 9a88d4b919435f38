#include "password_buffer.h"

#include <cstring>

#include "records.h"

namespace {

size_t capacity(size_t size)
{
    return size == 0 ? 0 : (size - 1 < static_cast<size_t>(PASSWORD_LEN) ? size - 1 : PASSWORD_LEN);
}

}  // namespace

PasswordEdit password_buffer_edit(char* buffer, size_t size, long start, long end,
                                  const char* inserted, long length)
{
    PasswordEdit refused = {false, std::string()};
    const size_t room = capacity(size);
    if (buffer == nullptr || room == 0)
        return refused;
    const size_t held = strnlen(buffer, room + 1);
    if (held > room)
        return refused;  // not a buffer this module filled
    if (start < 0 || end < start || static_cast<size_t>(end) > held || length < 0)
        return refused;
    if (inserted == nullptr)
        length = 0;
    const size_t add = static_cast<size_t>(length);
    if (add > 0 && std::memchr(inserted, '\0', add) != nullptr)
        return refused;
    const size_t from = static_cast<size_t>(start);
    const size_t to = static_cast<size_t>(end);
    if (held - (to - from) + add > room)
        return refused;

    std::string text(buffer, held);
    text.replace(from, to - from, inserted != nullptr ? inserted : "", add);
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return {true, std::string(add, 'X')};
}

void password_buffer_clear(char* buffer, size_t size)
{
    if (buffer != nullptr && size > 0)
        std::memset(buffer, 0, capacity(size) + 1);
}

size_t password_buffer_set(char* buffer, size_t size, const char* password)
{
    password_buffer_clear(buffer, size);
    if (buffer == nullptr || size == 0 || password == nullptr)
        return 0;
    const size_t length = strnlen(password, capacity(size));
    std::memcpy(buffer, password, length);
    return length;
}
