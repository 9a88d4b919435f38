// Table positions of the route and filter edit dialogs: reading the position
// field, checking it, and storing an edited or new entry at that position.
//
// The user sees 1-based list positions; records keep the 0-based `index`.
// "Listed" entries are those the dialogs may open and move: every route, and
// every filter rule but the closing default rule, which therefore stays last.
#pragma once

#include <cstddef>
#include <string>

struct ListObject;

// The 0-based index that the position text names, as the long it was read
// as: the number minus 1 (see field_number.h for the notation), or -1 when
// the text is not a non-zero whole number ("", "0", "3 ", "3a").
long table_position_read(const char* text);

// The index a stored entry may take: editing, 0 <= index < listed; adding,
// 0 <= index <= listed (one past the last listed entry).
bool table_position_valid(long index, int listed, bool adding);

// The text the position field shows for a 0-based index: index + 1.
std::string table_position_text(long index);

// Stores the record of `size` bytes at 0-based `index` of `list`.
// edit_position (1-based) names the listed entry being edited: its element is
// overwritten in place, and when the index differs it is taken out and put
// back at the new place, so that it stands exactly at index + 1 and the
// entries between move up or down by one. edit_position 0 adds: a copy made
// by the list's copy function goes in at index + 1. `listed` is the number of
// listed entries (list count for routes, count - 1 for filters).
// Returns the 1-based position the entry took, or 0 with the list unchanged
// when the list is missing, the index is not valid (table_position_valid),
// or edit_position names no listed entry.
int table_position_store(ListObject* list, int listed, int edit_position, const void* record,
                         size_t size, long index);
