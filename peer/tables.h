// The router's three tables as slots, and their entry bodies on the wire.
// A put fills (or overwrites) a slot, a delete empties it; a table's size is
// the number of slots up to the last one in use.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model.h"
#include "wire.h"

constexpr size_t TABLES_LINE_BODY = 133;   // bytes of a line-target body
constexpr size_t TABLES_ROUTE_BODY = 15;   // bytes of a route body
constexpr size_t TABLES_FILTER_BODY = 25;  // bytes of a filter-rule body
constexpr size_t TABLES_DELETE_BODY = 3;   // table byte and index

// Entry bodies, starting with the table byte and the index.
Bytes tables_encode_line(const PeerLine& e, uint16_t index);
Bytes tables_encode_route(const PeerRoute& e, uint16_t index);
Bytes tables_encode_filter(const PeerFilter& e, uint16_t index);
// Read a body of the right length at offset `at` of `r`; the slot is marked used.
PeerLine tables_decode_line(const WireReader& r, size_t at);
PeerRoute tables_decode_route(const WireReader& r, size_t at);
PeerFilter tables_decode_filter(const WireReader& r, size_t at);

// Body length of a table's entries, 0 for an unknown table byte.
size_t tables_body_len(uint8_t table);
// The number of slots a table may hold on this router.
size_t tables_capacity(const PeerRouter& r, uint8_t table);
// The size reported when the router is opened.
uint16_t tables_size(const PeerRouter& r, uint8_t table);
// The body of slot `index` (empty when the slot is empty or out of range).
Bytes tables_get(const PeerRouter& r, uint8_t table, uint16_t index);
// Stores a body into its slot; returns a status: 0 done, 10 bad entry, 11 table full.
int tables_put(PeerRouter& r, uint8_t table, uint16_t index, const WireReader& body);
// Empties a slot; returns 0, or 10 for an unknown table.
int tables_delete(PeerRouter& r, uint8_t table, uint16_t index);
// The slot number of the n-th line target in use (positions as the
// workstation counts them), or -1.
int tables_line_at(const PeerRouter& r, uint16_t position);
// Drops trailing empty slots.
void tables_trim(PeerRouter& r);
