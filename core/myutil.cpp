// Address, host-name and input-check utilities, and this host's settings.
// Reverse look-ups are slow and asked for every address shown, so their
// results (failures included) are kept in a small cyclic cache.
#include "myutil.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>

#include "records.h"

namespace {

constexpr int CACHE_TEXT_LEN = 23;  // room of a cached text; the texts stored are at most HOST_LEN
constexpr int HOSTNAME_MAX = 256;   // bytes asked of gethostname

struct HostCacheEntry {
    uint32_t address;               // 0 in an unused entry
    char text[CACHE_TEXT_LEN + 1];  // host name or dotted form
};

struct HostCache {
    HostCacheEntry entries[HOST_CACHE_SIZE];  // replaced cyclically
    int write_index;                          // the entry the next text goes to
    bool ready;                               // set up on first use
};

struct Settings {
    uint32_t address;  // this host's address
    uint32_t netmask;  // this host's netmask
    int resolving;     // 1: show and accept host names
};

Settings settings = {0, 0, 1};
HostCache cache;

void dotted(uint32_t address, char* text)
{
    char buffer[HOST_LEN + 1];
    std::snprintf(buffer, sizeof buffer, "%u.%u.%u.%u", unsigned(address >> 24),
                  unsigned((address >> 16) & 0xFF), unsigned((address >> 8) & 0xFF),
                  unsigned(address & 0xFF));
    myutil_copy_text(text, HOST_LEN + 1, buffer);
}

void cache_setup()
{
    if (cache.ready)
        return;
    for (HostCacheEntry& e : cache.entries)
        e = HostCacheEntry{0, ""};
    myutil_copy_text(cache.entries[0].text, "0.0.0.0");
    cache.write_index = 1;
    cache.ready = true;
}

const char* cache_find(uint32_t address)
{
    for (const HostCacheEntry& e : cache.entries)
        if (e.address == address)
            return e.text;
    return nullptr;
}

void cache_store(uint32_t address, const char* text)
{
    HostCacheEntry& e = cache.entries[cache.write_index];
    e.address = address;
    myutil_copy_text(e.text, text);
    cache.write_index = (cache.write_index + 1) % HOST_CACHE_SIZE;
}

// Networks, broadcasts and netmasks are never looked up.
bool never_looked_up(uint32_t address)
{
    uint32_t first = address >> 24;
    uint32_t last = address & 0xFF;
    return first == 255 || last == 0 || last == 255;
}

}  // namespace

void myutil_set_config(uint32_t address, uint32_t netmask, int resolving)
{
    settings.address = address;
    settings.netmask = netmask;
    settings.resolving = resolving;
}

uint32_t myutil_get_my_ip()
{
    return settings.address;
}
uint32_t myutil_get_my_netmask()
{
    return settings.netmask;
}
int myutil_get_my_nameres()
{
    return settings.resolving;
}

void myutil_get_host_name(uint32_t address, char* text)
{
    if (!settings.resolving || never_looked_up(address)) {
        dotted(address, text);
        return;
    }
    cache_setup();
    if (const char* known = cache_find(address)) {
        myutil_copy_text(text, HOST_LEN + 1, known);
        return;
    }
    in_addr wire{};
    wire.s_addr = htonl(address);
    const hostent* host = gethostbyaddr(&wire, sizeof wire, AF_INET);
    if (host != nullptr && host->h_name != nullptr && std::strlen(host->h_name) <= size_t(HOST_LEN))
        myutil_copy_text(text, HOST_LEN + 1, host->h_name);
    else
        dotted(address, text);
    cache_store(address, text);
}

int myutil_parse_dotted_quad(const char* text, uint32_t* value)
{
    if (text == nullptr)
        return 0;
    const char* p = text;
    uint32_t result = 0;
    for (int part = 0; part < 4; part++) {
        if (part > 0) {
            if (*p != '.')
                return 0;
            p++;
        }
        while (*p == ' ')
            p++;
        if (!std::isdigit(static_cast<unsigned char>(*p)))
            return 0;
        uint32_t number = 0;
        while (std::isdigit(static_cast<unsigned char>(*p))) {
            number = number * 10 + uint32_t(*p - '0');
            if (number > 255)
                return 0;
            p++;
        }
        result = result << 8 | number;
    }
    if (*p != '\0')
        return 0;
    if (value != nullptr)
        *value = result;
    return 1;
}

uint32_t myutil_get_host_addr(const char* text)
{
    if (text == nullptr)
        return 0;
    uint32_t value = 0;
    if (myutil_parse_dotted_quad(text, &value))
        return value;

    // Other numeric forms (octal, hexadecimal, fewer parts) count only when
    // they read back as exactly the text typed; inet_aton, unlike inet_addr,
    // does not confuse 255.255.255.255 with a failure.
    in_addr numeric{};
    if (inet_aton(text, &numeric) != 0) {
        size_t length = std::strlen(text);
        int dots = 0;
        for (const char* p = text; *p != '\0'; p++)
            dots += *p == '.';
        uint32_t address = ntohl(numeric.s_addr);
        char back[HOST_LEN + 1];
        myutil_get_host_name(address, back);
        if (dots == 3 && length > 0 && text[length - 1] != '.' && std::strcmp(back, text) == 0)
            return address;
        return 0;
    }

    if (!settings.resolving)
        return 0;
    const hostent* host = gethostbyname(text);
    if (host == nullptr || host->h_addrtype != AF_INET || host->h_length != int(sizeof(in_addr)) ||
        host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr)
        return 0;
    in_addr first{};
    std::memcpy(&first, host->h_addr_list[0], sizeof first);
    return ntohl(first.s_addr);
}

int myutil_check_ip(const char* text)
{
    if (text == nullptr)
        return 0;
    return myutil_get_host_addr(text) != 0 || std::strcmp(text, "0.0.0.0") == 0;
}

int myutil_check_phone(const char* text)
{
    if (text == nullptr || *text == '\0')
        return 0;
    for (const char* p = text; *p != '\0'; p++) {
        bool last = p[1] == '\0';
        if (!std::isdigit(static_cast<unsigned char>(*p)) && !(last && *p == 's'))
            return 0;
    }
    return 1;
}

int myutil_file_exist(const char* path)
{
    struct stat info;
    if (path == nullptr || stat(path, &info) != 0)
        return 0;
    return S_ISDIR(info.st_mode) ? 0 : 1;
}

int myutil_get_my_hostname(char* name, size_t size)
{
    if (name == nullptr || size == 0)
        return -1;
    char buffer[HOSTNAME_MAX + 1];
    // gethostname need not terminate a name that fills the buffer.
    buffer[HOSTNAME_MAX] = '\0';
    if (gethostname(buffer, HOSTNAME_MAX) != 0) {
        name[0] = '\0';
        return -1;
    }
    // A cut name would resolve to some other host: report it as unusable.
    return myutil_copy_text(name, size, buffer) < size ? 0 : -1;
}
