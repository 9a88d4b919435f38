#include "netif.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/wait.h>
#include <cerrno>
#include <unistd.h>

#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "wire.h"

namespace {

struct IfaddrsDeleter {
    void operator()(ifaddrs* p) const { freeifaddrs(p); }
};
using IfaddrsList = std::unique_ptr<ifaddrs, IfaddrsDeleter>;

IfaddrsList list()
{
    ifaddrs* p = nullptr;
    if (getifaddrs(&p) != 0)
        return IfaddrsList();
    return IfaddrsList(p);
}

uint32_t v4(const sockaddr* sa)
{
    if (!sa || sa->sa_family != AF_INET)
        return 0;
    return ntohl(reinterpret_cast<const sockaddr_in*>(sa)->sin_addr.s_addr);
}

// Runs a program with arguments, without a shell; its exit status, or -1.
// `input`, when not null, is written to its standard input.
int run(const char* const argv[], const std::string* input = nullptr)
{
    int pipe_ends[2] = {-1, -1};
    if (input && pipe(pipe_ends) != 0)
        return -1;
    pid_t pid = fork();
    if (pid < 0) {
        if (input) {
            close(pipe_ends[0]);
            close(pipe_ends[1]);
        }
        return -1;
    }
    if (pid == 0) {
        if (input) {
            dup2(pipe_ends[0], STDIN_FILENO);
            close(pipe_ends[0]);
            close(pipe_ends[1]);
        }
        execvp(argv[0], const_cast<char* const*>(argv));
        _exit(127);
    }
    if (input) {
        close(pipe_ends[0]);
        size_t done = 0;
        while (done < input->size()) {
            ssize_t n = write(pipe_ends[1], input->data() + done, input->size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += size_t(n);
        }
        close(pipe_ends[1]);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

bool netif_is_local(uint32_t address)
{
    IfaddrsList l = list();
    for (ifaddrs* p = l.get(); p; p = p->ifa_next)
        if (v4(p->ifa_addr) == address)
            return true;
    return false;
}

std::string netif_interface_for(uint32_t address)
{
    IfaddrsList l = list();
    std::string first;
    for (ifaddrs* p = l.get(); p; p = p->ifa_next) {
        if (!p->ifa_addr || p->ifa_addr->sa_family != AF_INET || (p->ifa_flags & IFF_LOOPBACK))
            continue;
        uint32_t mine = v4(p->ifa_addr), mask = v4(p->ifa_netmask);
        if (mask != 0 && (mine & mask) == (address & mask))
            return p->ifa_name;
        if (first.empty() && (p->ifa_flags & IFF_UP))
            first = p->ifa_name;
    }
    if (!first.empty())
        return first;
    // An interface without any IPv4 address yet.
    for (ifaddrs* p = l.get(); p; p = p->ifa_next)
        if (!(p->ifa_flags & IFF_LOOPBACK) && (p->ifa_flags & IFF_UP))
            return p->ifa_name;
    return "";
}

std::string netif_name_of(int ifindex)
{
    char name[IF_NAMESIZE + 1] = {};
    if (ifindex <= 0 || !if_indextoname(static_cast<unsigned>(ifindex), name))
        return "";
    return name;
}

namespace {

std::set<uint32_t> local_addresses()
{
    std::set<uint32_t> found;
    IfaddrsList l = list();
    for (ifaddrs* p = l.get(); p; p = p->ifa_next)
        found.insert(v4(p->ifa_addr));
    return found;
}

}  // namespace

bool netif_add_all(const std::vector<std::pair<uint32_t, std::string>>& wanted, std::string* why)
{
    // One "ip" for all of them: a thousand routers set up one process each
    // took minutes on a loaded machine.
    std::set<uint32_t> local = local_addresses();
    std::string batch;
    for (const auto& [address, interface] : wanted) {
        if (local.count(address))
            continue;
        if (interface.empty()) {
            *why = "no interface to add " + wire_dotted(address) + " to";
            return false;
        }
        batch += "addr add " + wire_dotted(address) + "/32 dev " + interface + "\n";
    }
    if (batch.empty())
        return true;
    const char* argv[] = {"ip", "-force", "-batch", "-", nullptr};
    int status = run(argv, &batch);
    local = local_addresses();
    for (const auto& [address, interface] : wanted)
        if (!local.count(address)) {
            *why = "ip addr add " + wire_dotted(address) + "/32 dev " + interface + " failed (" +
                   std::to_string(status) + ")";
            return false;
        }
    return true;
}

bool netif_add(uint32_t address, const std::string& interface, std::string* why)
{
    if (netif_is_local(address))
        return true;
    if (interface.empty()) {
        *why = "no interface to add " + wire_dotted(address) + " to";
        return false;
    }
    std::string cidr = wire_dotted(address) + "/32";
    const char* argv[] = {"ip", "addr", "add", cidr.c_str(), "dev", interface.c_str(), nullptr};
    int status = run(argv);
    if (status != 0 && !netif_is_local(address)) {
        *why = "ip addr add " + cidr + " dev " + interface + " failed (" + std::to_string(status) +
               ")";
        return false;
    }
    return true;
}
