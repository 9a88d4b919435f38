// Saves the accounting window's text.
#include "accounting_file.h"

#include <cstdio>
#include <cstring>

#include "safe_file.h"

int file_save_accounting(const char* path, const char* text)
{
    UserFile file;
    if (!file.open(path, NewFileMode::Umask))
        return 0;
    const size_t len = text != nullptr ? std::strlen(text) : 0;
    if (std::fwrite(text != nullptr ? text : "", 1, len, file.stream()) != len)
        return 0;
    return file.commit() ? 1 : 0;
}
