// The namespace's own addresses: which are local, and adding one that a
// router is to answer on (through the system's "ip" command).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// True when `address` is configured on an interface of this namespace.
bool netif_is_local(uint32_t address);
// The interface whose subnet holds `address` (not loopback), else the first
// interface that is up and not loopback; "" when there is none.
std::string netif_interface_for(uint32_t address);
// The name of an interface index; "" when unknown.
std::string netif_name_of(int ifindex);
// Adds `address`/32 to `interface` unless it is already local; false with
// `why` on failure.
bool netif_add(uint32_t address, const std::string& interface, std::string* why);
// The same for many addresses at once (address, interface): one "ip" run
// for all that are not local yet; false with `why` naming the first that is
// still missing.
bool netif_add_all(const std::vector<std::pair<uint32_t, std::string>>& wanted, std::string* why);
