// Saves the accounting window's text.
#include "accounting_file.h"

#include <cstdio>
#include <cstring>

int file_save_accounting(const char* path, const char* text)
{
    if (path == nullptr)
        return 0;
    std::FILE* file = std::fopen(path, "w");
    if (file == nullptr)
        return 0;
    const size_t len = text != nullptr ? std::strlen(text) : 0;
    bool ok = std::fwrite(text != nullptr ? text : "", 1, len, file) == len;
    // A full disk often shows only when the buffer is flushed on close.
    ok = (std::fclose(file) == 0) && ok;
    return ok ? 1 : 0;
}
