// The site's defaults file "qorvel.def" in the data directory: this host's
// address, its netmask and the host-name-resolving switch, one
// "<key> <value>" per line, "#" comments.
#pragma once

#include <cstdint>

constexpr const char* DEFAULTS_FILE = "qorvel.def";
constexpr const char* DEFAULTS_KEY_HOSTNAME = "qorvel_hostname";         // address or name
constexpr const char* DEFAULTS_KEY_NETMASK = "qorvel_netmask";           // mask, not 0
constexpr const char* DEFAULTS_KEY_RESOLVING = "qorvel_name_resolving";  // "on" / "off"

// Reads the defaults file over the three in-out values. A bad line (unknown
// key, missing or invalid value, an extra token) changes nothing and makes
// the result 0; reading goes on. A line with a NUL byte ends the reading
// (what good lines before it set stays), and a file that is no regular file
// is not read; both give 0. Returns 1 when the file is missing or every line
// was good.
int file_read_config_file(uint32_t* address, uint32_t* netmask, int* resolving);
