// What the graphical program's start-up decides without widgets: where its
// scans go and what it says when the back end cannot start.
#pragma once

#include <cstdint>
#include <string>

// Own address OR NOT netmask; 255.255.255.255 when either is 0.
uint32_t startup_broadcast_address(uint32_t address, uint32_t netmask);

// The message for a faulty protocol-definition file: message 37 with the
// line and the column, or message 38 with the line when the column is 0
// (a whole line that contradicts the definitions before it).
std::string startup_protocol_file_text(int line, int column);
