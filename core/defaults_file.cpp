// Reads the site's defaults file.
#include "defaults_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "myutil.h"
#include "textfile.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// The values as they are while the file is read; stored only from good lines.
struct Defaults {
    uint32_t address;
    uint32_t netmask;
    int resolving;
};

// An address for the host or mask keys; "0.0.0.0" converts to 0 and is no
// usable value for either.
bool store_address(const char* value, uint32_t* target)
{
    uint32_t address = myutil_get_host_addr(value);
    if (address == 0)
        return false;
    *target = address;
    return true;
}

bool store_resolving(char* value, int* target)
{
    file_lower(value);
    if (std::strcmp(value, "on") == 0) {
        *target = 1;
    } else if (std::strcmp(value, "off") == 0) {
        *target = 0;
    } else {
        return false;
    }
    return true;
}

// One line that is not empty and no comment; true when it was good.
bool apply_line(const char* line, Defaults* values)
{
    char key[FILE_TOKEN_SIZE];
    char value[FILE_TOKEN_SIZE];
    char extra[FILE_TOKEN_SIZE];
    const char* rest = file_get_token(line, key, nullptr);
    rest = file_get_token(rest, value, nullptr);
    if (rest == nullptr)
        return false;  // no value
    if (file_get_token(rest, extra, nullptr) != nullptr)
        return false;

    if (std::strcmp(key, DEFAULTS_KEY_HOSTNAME) == 0)
        return store_address(value, &values->address);
    if (std::strcmp(key, DEFAULTS_KEY_NETMASK) == 0)
        return store_address(value, &values->netmask);
    if (std::strcmp(key, DEFAULTS_KEY_RESOLVING) == 0) {
        return store_resolving(value, &values->resolving);
    }
    return false;
}

}  // namespace

int file_read_config_file(uint32_t* address, uint32_t* netmask, int* resolving)
{
    const std::string path = file_data_path(DEFAULTS_FILE);
    FileHandle file(file_open_text(path));
    // A file that cannot be opened is no error; one that is no regular file
    // is refused like a bad line (the values stay as they are either way).
    if (!file)
        return errno == EISDIR || errno == EINVAL ? 0 : 1;

    Defaults values = {address != nullptr ? *address : 0, netmask != nullptr ? *netmask : 0,
                       resolving != nullptr ? *resolving : 1};
    int result = 1;
    int nul = 0;
    while (const char* line = file_read_line(file.get(), &nul)) {
        // A NUL byte means this is no text file: what follows is not read.
        if (nul != 0) {
            result = 0;
            break;
        }
        char first[FILE_TOKEN_SIZE];
        if (file_get_token(line, first, nullptr) == nullptr || first[0] == '#')
            continue;
        if (!apply_line(line, &values))
            result = 0;
    }
    if (address != nullptr)
        *address = values.address;
    if (netmask != nullptr)
        *netmask = values.netmask;
    if (resolving != nullptr)
        *resolving = values.resolving;
    return result;
}
