// The main window's router list without widgets: the text of a line, the way
// back from a line to a name and a hardware address, and what a scan answer
// does to the list.
//
// A line is " <hw>      <name> " for a router that is free or held by this
// station, "(<hw>      <name>)" for one that another station holds. The list
// lines and the RouterEntry records of main_router_list correspond one to
// one, in the order in which the answers came.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "records.h"
#include "router_entry.h"

struct ListObject;

constexpr const char ROUTER_NO_ADDRESS_NAME[] = "---------";  // a router without configuration
constexpr int HW_TEXT_LEN = 17;                               // "xx-xx-xx-xx-xx-xx"

// Six bytes as "%02x-%02x-%02x-%02x-%02x-%02x".
std::string router_hw_text(const uint8_t hw[6]);

// The list line of a router.
std::string router_list_line(const char* hw_text, const char* name, bool held_by_other);

// Another station holds the router: a holder that is neither none (0) nor
// this station.
bool router_held_by_other(uint32_t holder_ip, uint32_t own_ip);

// What one scan answer does to the list.
enum class ScanMerge {
    END,     // the end marker: the scan is over
    IGNORE,  // a line equal to this answer's is already listed
    APPEND,  // a new line and a new entry
};

// Decides on one answer. For APPEND, *line is the line to append and *entry
// the RouterEntry to append with it: name from the router's address
// (myutil_get_host_name, "---------" for address 0), hardware text, held 1
// for any holder (this station too), the holder's address text, no state.
// Answers that differ (in the holder, say) give lines of their own.
ScanMerge router_list_merge(const ScanAnswer& answer, uint32_t own_ip,
                            const std::vector<std::string>& lines, std::string* line,
                            RouterEntry* entry);

// Splits a list line: 0 for a line in parentheses (nothing written);
// otherwise the first blank-delimited word goes to hw_text, the second to
// name (empty when there is none), each cut to its buffer, and 1.
int helpfunc_split_list_item(const char* item, char* name, size_t name_size, char* hw_text,
                             size_t hw_size);

// Two hexadecimal digits, high first; only '0'-'9' and 'a'-'f' are digits.
// A second character that is no digit counts as 0 (the pair "2B" is 0x20).
int helpfunc_hex_pair(const char* text);

// A hardware-address text into six bytes, from the digit pairs at positions
// 0, 3, 6, 9, 12 and 15. A text shorter than 17 characters gives 0 for the
// pairs it does not reach.
void helpfunc_atohw(const char* text, uint8_t hw[6]);

// Forgets every router-state answer: have_state 0, both channels free with
// empty peer and telephone texts. A null list is left alone.
void helpfunc_reset_routerstates(ListObject* routers);
