// Start-up of the terminal program: brings up the back end in the order both
// programs share, and lists the firmware versions of one ISDN mode.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Host name, default records, netmask probe, defaults file, protocol
// definitions, back end. Returns only when the back end is up; ends the
// process with status 1 when the protocol definitions are faulty or the UDP
// port cannot be used.
void ASCIIInitConfig();

// This host's broadcast address: address OR NOT netmask, or 255.255.255.255
// when either is 0.
uint32_t ASCIIBroadcastAddress(uint32_t address, uint32_t netmask);

// The firmware versions in the data directory for ISDN mode 0 (1TR6) or 1
// (DSS1), in ascending byte order; empty for any other mode. Versions that
// are empty or longer than a router record can hold are left out.
std::vector<std::string> ASCII_get_firmware_list(int mode);
