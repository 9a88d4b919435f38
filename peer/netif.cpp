#include "netif.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/wait.h>
#include <cerrno>
#include <unistd.h>

#include <memory>

#include "wire.h"

namespace {

struct IfaddrsDeleter {
    void operator()(ifaddrs* p) const { freeifaddrs(p); }
};
using IfaddrsList = std::unique_ptr<ifaddrs, IfaddrsDeleter>;

IfaddrsList list() {
    ifaddrs* p = nullptr;
    if (getifaddrs(&p) != 0) return IfaddrsList();
    return IfaddrsList(p);
}

uint32_t v4(const sockaddr* sa) {
    if (!sa || sa->sa_family != AF_INET) return 0;
    return ntohl(reinterpret_cast<const sockaddr_in*>(sa)->sin_addr.s_addr);
}

// Runs a program with arguments, without a shell; its exit status, or -1.
int run(const char* const argv[]) {
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        execvp(argv[0], const_cast<char* const*>(argv));
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

bool netif_is_local(uint32_t address) {
    IfaddrsList l = list();
    for (ifaddrs* p = l.get(); p; p = p->ifa_next)
        if (v4(p->ifa_addr) == address) return true;
    return false;
}

std::string netif_interface_for(uint32_t address) {
    IfaddrsList l = list();
    std::string first;
    for (ifaddrs* p = l.get(); p; p = p->ifa_next) {
        if (!p->ifa_addr || p->ifa_addr->sa_family != AF_INET || (p->ifa_flags & IFF_LOOPBACK)) continue;
        uint32_t mine = v4(p->ifa_addr), mask = v4(p->ifa_netmask);
        if (mask != 0 && (mine & mask) == (address & mask)) return p->ifa_name;
        if (first.empty() && (p->ifa_flags & IFF_UP)) first = p->ifa_name;
    }
    if (!first.empty()) return first;
    // An interface without any IPv4 address yet.
    for (ifaddrs* p = l.get(); p; p = p->ifa_next)
        if (!(p->ifa_flags & IFF_LOOPBACK) && (p->ifa_flags & IFF_UP)) return p->ifa_name;
    return "";
}

std::string netif_name_of(int ifindex) {
    char name[IF_NAMESIZE + 1] = {};
    if (ifindex <= 0 || !if_indextoname(static_cast<unsigned>(ifindex), name)) return "";
    return name;
}

bool netif_add(uint32_t address, const std::string& interface, std::string* why) {
    if (netif_is_local(address)) return true;
    if (interface.empty()) {
        *why = "no interface to add " + wire_dotted(address) + " to";
        return false;
    }
    std::string cidr = wire_dotted(address) + "/32";
    const char* argv[] = {"ip", "addr", "add", cidr.c_str(), "dev", interface.c_str(), nullptr};
    int status = run(argv);
    if (status != 0 && !netif_is_local(address)) {
        *why = "ip addr add " + cidr + " dev " + interface + " failed (" + std::to_string(status) + ")";
        return false;
    }
    return true;
}
