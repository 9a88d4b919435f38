// The earlier emergency copies that the programs keep beside "/tmp/save.cfg"
// ("/tmp/save.cfg.1", "/tmp/save.cfg.2", ...): which exist, which a test
// made, and their removal, so that a test leaves /tmp as it found it.
#pragma once

#include <set>
#include <string>
#include <vector>

constexpr const char* EMERGENCY_COPY = "/tmp/save.cfg";

// The numbered copies that exist now, by path.
std::set<std::string> kept_emergency_copies();

// The numbered copies that exist now and are not in `before`, lowest
// number first.
std::vector<std::string> emergency_copies_since(const std::set<std::string>& before);

// Removes the numbered copies that are not in `before`.
void remove_emergency_copies_since(const std::set<std::string>& before);
