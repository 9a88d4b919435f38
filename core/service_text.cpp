// Filter-rule services as text and back, with each database answer kept.
#include "service_text.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int32_t kTcp = 6;

// A whole number in decimal, "0x" hexadecimal or leading-0 octal, at most
// `max`; no sign, no blank, nothing after it.
bool whole_number(const char* text, long max, long* value)
{
    if (text[0] < '0' || text[0] > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    unsigned long v = std::strtoul(text, &end, 0);
    if (errno != 0 || end == text || *end != '\0' || v > static_cast<unsigned long>(max))
        return false;
    *value = static_cast<long>(v);
    return true;
}

}  // namespace

const std::string& ServiceNames::protocol_name(int32_t protocol)
{
    auto found = protocol_names_.find(protocol);
    if (found != protocol_names_.end())
        return found->second;
    std::string name;
    if (protocol >= 0 && protocol <= SERVICE_MAX_PROTOCOL) {
        if (const protoent* entry = getprotobynumber(protocol)) {
            if (entry->p_name != nullptr)
                name = entry->p_name;
        }
    }
    // A name is only worth writing when it leads back to this number.
    int32_t back = -1;
    if (!name.empty() && (!protocol_number(name, &back) || back != protocol))
        name.clear();
    return protocol_names_.emplace(protocol, name).first->second;
}

bool ServiceNames::protocol_number(const std::string& name, int32_t* number)
{
    auto found = protocol_numbers_.find(name);
    if (found == protocol_numbers_.end()) {
        int32_t value = -1;
        if (const protoent* entry = getprotobyname(name.c_str()))
            value = entry->p_proto;
        found = protocol_numbers_.emplace(name, value).first;
    }
    if (found->second < 0)
        return false;
    *number = found->second;
    return true;
}

const ServiceNames::Service& ServiceNames::service_by_name(const std::string& name)
{
    auto found = services_.find(name);
    if (found != services_.end())
        return found->second;
    Service service;
    std::string proto;
    int32_t port = 0;
    if (const servent* entry = getservbyname(name.c_str(), nullptr)) {
        // The entry is the database's static buffer: take it before the next look-up.
        port = ntohs(static_cast<uint16_t>(entry->s_port));
        if (entry->s_proto != nullptr)
            proto = entry->s_proto;
    }
    int32_t protocol = 0;
    if (!proto.empty() && protocol_number(proto, &protocol)) {
        service.known = true;
        service.protocol = protocol;
        service.port = port;
    }
    return services_.emplace(name, service).first->second;
}

std::string ServiceNames::compute_text(int32_t protocol, int32_t port)
{
    if (protocol == 0 && port == 0)
        return SERVICE_ALL;
    const std::string name = protocol_name(protocol);
    const std::string numeric =
        std::to_string(port) + "/" + (name.empty() ? std::to_string(protocol) : name);
    if (name.empty() || port < 0 || port > SERVICE_MAX_PORT)
        return numeric;

    std::string service;
    if (const servent* entry =
            getservbyport(static_cast<int>(htons(static_cast<uint16_t>(port))), name.c_str())) {
        if (entry->s_name != nullptr)
            service = entry->s_name;
    }
    if (service.empty())
        return numeric;
    const char* other = protocol == kTcp ? "udp" : "tcp";
    if (getservbyname(service.c_str(), other) != nullptr)
        return numeric;
    const Service& back = service_by_name(service);
    if (!back.known || back.protocol != protocol || back.port != port)
        return numeric;
    return service;
}

std::string ServiceNames::text(int32_t protocol, int32_t port)
{
    const auto key = std::make_pair(protocol, port);
    auto found = texts_.find(key);
    if (found == texts_.end())
        found = texts_.emplace(key, compute_text(protocol, port)).first;
    return found->second;
}

bool ServiceNames::parse(const char* text, int32_t* protocol, int32_t* port)
{
    if (text == nullptr || protocol == nullptr || port == nullptr || text[0] == '\0')
        return false;
    if (std::strcmp(text, SERVICE_ALL) == 0) {
        *protocol = 0;
        *port = 0;
        return true;
    }
    const char* slash = std::strchr(text, '/');
    if (slash == nullptr) {
        const Service& service = service_by_name(text);
        if (!service.known)
            return false;
        *protocol = service.protocol;
        *port = service.port;
        return true;
    }
    long number = 0;
    if (!whole_number(std::string(text, slash).c_str(), SERVICE_MAX_PORT, &number))
        return false;
    const std::string proto_name = slash + 1;
    int32_t proto = 0;
    if (proto_name.empty())
        return false;
    if (!protocol_number(proto_name, &proto)) {
        long value = 0;
        if (!whole_number(proto_name.c_str(), SERVICE_MAX_PROTOCOL, &value))
            return false;
        proto = static_cast<int32_t>(value);
    }
    *protocol = proto;
    *port = static_cast<int32_t>(number);
    return true;
}

std::string service_text(int32_t protocol, int32_t port)
{
    return ServiceNames().text(protocol, port);
}

bool service_parse(const char* text, int32_t* protocol, int32_t* port)
{
    return ServiceNames().parse(text, protocol, port);
}
