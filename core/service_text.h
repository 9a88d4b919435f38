// The service of a packet-filter rule (its IP protocol and port) as text and
// back: "all" for every protocol and service, a service name such as "ftp",
// or "<port>/<protocol>" such as "8000/tcp" (the protocol's number where the
// protocol database has no name for it, such as "7/200").
//
// One rule for every place that shows or reads a service (configuration
// files, the graphical program's filter dialogs): whatever service_text
// gives for a protocol of 0..SERVICE_MAX_PROTOCOL and a port of
// 0..SERVICE_MAX_PORT, service_parse reads back to the same pair. A name is
// given only where a reader who looks it up for any protocol gets this
// protocol and port back, so a name that the services database also lists
// for the other transport ("domain" is both tcp and udp) is written with the
// number instead.
//
// The system's service and protocol databases are files that every look-up
// reads anew. A ServiceNames object remembers each answer, so a caller that
// converts a whole table (a file, a dialog's list) keeps one object for it
// and asks the databases once per protocol and port.
//
//     ServiceNames names;
//     for (each rule) write(names.text(rule.protocol, rule.port));
//     ...
//     int32_t protocol, port;
//     if (!names.parse(token, &protocol, &port)) fault(CFG_BAD_SERVICE);
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

constexpr const char* SERVICE_ALL = "all";     // protocol 0 with port 0: everything
constexpr int32_t SERVICE_MAX_PORT = 65535;    // ports travel as 16-bit values
constexpr int32_t SERVICE_MAX_PROTOCOL = 255;  // the protocol travels as one byte

class ServiceNames {
public:
    // The text of a rule's protocol and port.
    std::string text(int32_t protocol, int32_t port);

    // Reads a whole service text (no blanks around it): "all"; a service
    // name that the services database knows for any protocol (its first
    // entry); or a port number (decimal, "0x" hexadecimal or leading-0
    // octal, no sign, at most SERVICE_MAX_PORT), "/" and a protocol name
    // that the protocol database knows or a protocol number of at most
    // SERVICE_MAX_PROTOCOL. Returns false, with the outputs untouched, for
    // anything else.
    bool parse(const char* text, int32_t* protocol, int32_t* port);

private:
    struct Service {
        bool known = false;
        int32_t protocol = 0;
        int32_t port = 0;
    };

    const std::string& protocol_name(int32_t protocol);  // empty when unknown
    bool protocol_number(const std::string& name, int32_t* number);
    const Service& service_by_name(const std::string& name);
    std::string compute_text(int32_t protocol, int32_t port);

    std::map<int32_t, std::string> protocol_names_;
    std::map<std::string, int32_t> protocol_numbers_;  // -1: unknown
    std::map<std::string, Service> services_;
    std::map<std::pair<int32_t, int32_t>, std::string> texts_;
};

// One-off conversions with a ServiceNames of their own.
std::string service_text(int32_t protocol, int32_t port);
bool service_parse(const char* text, int32_t* protocol, int32_t* port);
