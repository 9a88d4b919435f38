// Finds this host's netmask from the routing table and the interface that
// carries its address.
#include "netmask_probe.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>

#include "myutil.h"

namespace {

// Both pipelines print two fields per line; the awk programs keep the shell
// from seeing anything but fixed text and a checked interface name.
// netstat runs in the C locale, so that its column header has the title
// the parser knows it by (kGatewayTitle) in every language.
constexpr const char* kRoutesCommand =
    "LC_ALL=C netstat -r 2>/dev/null | awk '{print $2 \" \" $NF}'";
constexpr const char* kInterfaceCommand = "ifconfig ";
constexpr const char* kInterfaceFilter = " 2>/dev/null | awk '/netmask/ {print $2 \" \" $4}'";

struct PipeCloser {
    void operator()(std::FILE* pipe) const { pclose(pipe); }
};
using PipeHandle = std::unique_ptr<std::FILE, PipeCloser>;

// Splits a line into its first two blank-separated fields; false when it
// has fewer.
bool two_fields(const std::string& line, std::string* first, std::string* second)
{
    std::istringstream in(line);
    return static_cast<bool>(in >> *first >> *second);
}

// The older "inet addr:10.1.2.3" form names its address after a colon.
std::string strip_label(const std::string& field)
{
    size_t colon = field.rfind(':');
    return colon == std::string::npos ? field : field.substr(colon + 1);
}

bool is_on_link(const std::string& gateway)
{
    return gateway == "0.0.0.0" || gateway == "*";
}

// netstat's title of the gateway column. The line that carries it as its
// gateway field is the column header; every line before it is a title.
constexpr const char* kGatewayTitle = "Gateway";

// A host name or an address: letters, digits, '.', '-' and '_', at least
// one letter or digit, no leading '-'. Separator rules ("-----"), link
// gateways ("link#4"), hardware and IPv6 addresses are none, and are never
// handed to the resolver.
bool could_be_host(const std::string& text)
{
    if (text.empty() || text[0] == '-')
        return false;
    bool alnum = false;
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (std::isalnum(c))
            alnum = true;
        else if (c != '.' && c != '-' && c != '_')
            return false;
    }
    return alnum;
}

struct RouteLine {
    std::string gateway;
    std::string name;
};

bool add_unique(std::vector<std::string>* names, const std::string& name)
{
    for (const std::string& n : *names) {
        if (n == name)
            return false;
    }
    names->push_back(name);
    return true;
}

bool hex_digits(const char* text, uint32_t* value)
{
    uint64_t v = 0;
    size_t digits = 0;
    for (; std::isxdigit(static_cast<unsigned char>(*text)); ++text, ++digits) {
        if (digits == 8)
            return false;  // over 32 bits
        char c = static_cast<char>(std::tolower(static_cast<unsigned char>(*text)));
        v = v * 16 + static_cast<uint64_t>(c <= '9' ? c - '0' : c - 'a' + 10);
    }
    if (*text != '\0')
        return false;
    *value = static_cast<uint32_t>(v);
    return true;
}

// Runs `command` through the shell and takes at most NETPROBE_OUTPUT_MAX
// bytes of its output; false when it cannot be started.
bool run(const std::string& command, std::string* output)
{
    std::fflush(nullptr);  // the child must not repeat our buffered output
    PipeHandle pipe(popen(command.c_str(), "r"));
    if (!pipe)
        return false;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) {
        if (output->size() < NETPROBE_OUTPUT_MAX) {
            output->append(buffer, std::min(n, NETPROBE_OUTPUT_MAX - output->size()));
        }
    }
    return true;
}

void set_search_path()
{
    std::string path = NETPROBE_PATH_PREFIX;
    const char* old = std::getenv("PATH");
    // An empty entry would mean the working directory: add none.
    if (old != nullptr && *old != '\0')
        path += std::string(":") + old;
    setenv("PATH", path.c_str(), 1);
}

void dotted(uint32_t address, char (&text)[HOST_LEN + 1])
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%u.%u.%u.%u", (address >> 24) & 0xFFu,
                  (address >> 16) & 0xFFu, (address >> 8) & 0xFFu, address & 0xFFu);
    myutil_copy_text(text, buffer);
}

}  // namespace

int netprobe_valid_ifname(const char* name)
{
    if (name == nullptr || name[0] == '\0' || name[0] == '-')
        return 0;
    size_t len = 0;
    for (const char* p = name; *p != '\0'; ++p, ++len) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (len >= NETPROBE_IFNAME_MAX)
            return 0;
        if (!std::isalnum(c) && c != '.' && c != '_' && c != '-' && c != ':')
            return 0;
    }
    return 1;
}

NetprobeInterfaces netprobe_parse_routes(const std::string& output, uint32_t own,
                                         NetprobeResolveFn resolve)
{
    NetprobeInterfaces found{{}, false};
    if (own == 0)
        return found;
    std::vector<RouteLine> entries;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        RouteLine entry;
        if (two_fields(line, &entry.gateway, &entry.name))
            entries.push_back(entry);
    }
    // Resolving a header word ("Gateway", "IP", "tables") asks the name
    // service for a host that does not exist, which without a reachable
    // server stalls the start-up for seconds: the titles before the column
    // header, the header, and its repeats above later sections are skipped.
    // A headerless output is all entries.
    size_t first = 0;
    RouteLine header;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].gateway == kGatewayTitle) {
            header = entries[i];
            first = i + 1;
            break;
        }
    }
    std::vector<std::string> on_link;
    for (size_t i = first; i < entries.size(); ++i) {
        const std::string& gateway = entries[i].gateway;
        const std::string& name = entries[i].name;
        if (gateway == header.gateway && name == header.name)
            continue;
        if (!netprobe_valid_ifname(name.c_str()))
            continue;
        if (is_on_link(gateway)) {
            add_unique(&on_link, name);
        } else if (resolve != nullptr && could_be_host(gateway) &&
                   resolve(gateway.c_str()) == own) {
            // The interface routed through this host itself settles it.
            found.names.push_back(name);
            found.own_gateway = true;
            break;
        }
    }
    for (const std::string& name : on_link)
        add_unique(&found.names, name);
    return found;
}

int netprobe_parse_ifconfig(const std::string& output, uint32_t own, bool first_line_will_do,
                            NetprobeResolveFn resolve, uint32_t* mask)
{
    std::istringstream in(output);
    std::string line;
    bool have_first = false;
    uint32_t first_mask = 0;
    while (std::getline(in, line)) {
        std::string address, mask_text;
        uint32_t value;
        if (!two_fields(line, &address, &mask_text))
            continue;
        if (!netprobe_parse_mask(mask_text.c_str(), &value))
            continue;
        std::string bare = strip_label(address);
        if (own != 0 && resolve != nullptr && resolve(bare.c_str()) == own) {
            *mask = value;
            return 1;
        }
        if (!have_first) {
            have_first = true;
            first_mask = value;
        }
    }
    if (first_line_will_do && have_first) {
        *mask = first_mask;
        return 1;
    }
    return 0;
}

int netprobe_parse_mask(const char* text, uint32_t* mask)
{
    if (text == nullptr || mask == nullptr)
        return 0;
    if (myutil_parse_dotted_quad(text, mask))
        return 1;
    if (std::strchr(text, '.') != nullptr)
        return 0;  // a dotted form that is no quad
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text += 2;
    return hex_digits(text, mask) ? 1 : 0;
}

void helpfunc_get_netmask(RouterSettings* settings)
{
    if (settings == nullptr)
        return;
    set_search_path();

    char host[NETPROBE_HOSTNAME_SIZE];
    if (myutil_get_my_hostname(host, sizeof host) != 0)
        return;
    const uint32_t own = myutil_get_host_addr(host);

    std::string routes;
    if (!run(kRoutesCommand, &routes))
        return;
    const NetprobeInterfaces interfaces = netprobe_parse_routes(routes, own, myutil_get_host_addr);

    for (size_t i = 0; i < interfaces.names.size(); ++i) {
        const std::string& name = interfaces.names[i];
        const std::string command = kInterfaceCommand + name + kInterfaceFilter;
        std::string output;
        if (!run(command, &output))
            return;
        uint32_t mask;
        const bool chosen_by_gateway = interfaces.own_gateway && i == 0;
        if (netprobe_parse_ifconfig(output, own, chosen_by_gateway, myutil_get_host_addr, &mask)) {
            dotted(mask, settings->netmask);
            return;
        }
    }
}
