// The resolver fake (see fake_resolver.h).
#include "fake_resolver.h"

#include <arpa/inet.h>
#include <dlfcn.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Known {
    std::string name;
    uint32_t address;  // most significant byte first
};

struct Resolver {
    bool installed = false;
    std::vector<Known> table;
    int reverse_calls = 0;
    int forward_calls = 0;
    // The answer handed out, shaped as the system's static result.
    std::string name;
    in_addr address{};
    char* address_list[2] = {nullptr, nullptr};
    char* aliases[1] = {nullptr};
    hostent answer{};
};

Resolver& resolver()
{
    static Resolver state;
    return state;
}

hostent* answer_with(const Known& known)
{
    Resolver& r = resolver();
    r.name = known.name;
    r.address.s_addr = htonl(known.address);
    r.address_list[0] = reinterpret_cast<char*>(&r.address);
    r.answer.h_name = const_cast<char*>(r.name.c_str());
    r.answer.h_aliases = r.aliases;
    r.answer.h_addrtype = AF_INET;
    r.answer.h_length = sizeof(in_addr);
    r.answer.h_addr_list = r.address_list;
    return &r.answer;
}

template <typename F>
F system_function(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

void fake_resolver_install()
{
    Resolver& r = resolver();
    r.installed = true;
    r.table.clear();
    r.reverse_calls = 0;
    r.forward_calls = 0;
}

void fake_resolver_uninstall()
{
    resolver().installed = false;
    resolver().table.clear();
}

void fake_resolver_add(const char* name, uint32_t address)
{
    resolver().table.push_back(Known{name, address});
}
int fake_resolver_reverse_calls()
{
    return resolver().reverse_calls;
}
int fake_resolver_forward_calls()
{
    return resolver().forward_calls;
}

extern "C" hostent* gethostbyaddr(const void* addr, socklen_t len, int type)
{
    Resolver& r = resolver();
    r.reverse_calls++;
    if (!r.installed) {
        using Real = hostent* (*)(const void*, socklen_t, int);
        static Real real = system_function<Real>("gethostbyaddr");
        return real != nullptr ? real(addr, len, type) : nullptr;
    }
    if (type != AF_INET || len != sizeof(in_addr) || addr == nullptr)
        return nullptr;
    in_addr wanted;
    std::memcpy(&wanted, addr, sizeof wanted);
    for (const Known& k : r.table)
        if (k.address == ntohl(wanted.s_addr))
            return answer_with(k);
    return nullptr;
}

extern "C" hostent* gethostbyname(const char* name)
{
    Resolver& r = resolver();
    r.forward_calls++;
    if (!r.installed) {
        using Real = hostent* (*)(const char*);
        static Real real = system_function<Real>("gethostbyname");
        return real != nullptr ? real(name) : nullptr;
    }
    if (name == nullptr)
        return nullptr;
    for (const Known& k : r.table)
        if (k.name == name)
            return answer_with(k);
    return nullptr;
}
