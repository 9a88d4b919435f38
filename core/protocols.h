// The layer-2 and layer-3 protocol-definition tables, their look-ups, the
// reader of the site's definitions ("qorvel.pro") and the writer of the
// parameter sets that no definition matches ("qorvel.add").
//
// Rows never move during a run, so a line target may keep a pointer to one.
#pragma once

#include <cstdint>

#include "records.h"
#include "safe_file.h"

struct ListObject;

constexpr int PROTO_BUILTIN_ROWS = 3;                 // built-in rows of each table
constexpr const char* PROTO_FILE = "qorvel.pro";      // the site's definitions
constexpr const char* PROTO_ADD_FILE = "qorvel.add";  // undefined parameter sets

// The built-in rows, in table order.
extern const Proto2Def file_x75_2;
extern const Proto2Def file_hdlc_2;
extern const Proto2Def file_ppp_2;
extern const Proto3Def file_null_3;
extern const Proto3Def file_t70nl_3;
extern const Proto3Def file_ppp_3;

// The tables and the rows in use (PROTO_BUILTIN_ROWS to MAX_PROTO_ROWS). They
// hold the built-in rows from the start of the program.
extern Proto2Def s2_protocols[MAX_PROTO_ROWS];
extern Proto3Def s3_protocols[MAX_PROTO_ROWS];
extern int no_s2_protocols;
extern int no_s3_protocols;

// First row with this code and these parameters, or null.
Proto2Def* file_find_proto2_by_dlpd(const Proto2Params* params, uint32_t code);
Proto3Def* file_find_proto3_by_ncpd(const Proto3Params* params, uint32_t code);

// First row with exactly this name, or null.
Proto2Def* file_find_proto2_by_name(const char* name);
Proto3Def* file_find_proto3_by_name(const char* name);

// 1-based row number of the first row with exactly this name, 0 when none.
int file_proto2_index(const char* name);
int file_proto3_index(const char* name);

// Restores the built-in rows and reads the site's definitions. Returns 1 when
// the file was read without fault or does not exist; 0 on the first faulty
// line, with *line the lines read up to and including it and *column the
// 1-based column of the faulty token, or 0 for a definition refused as a
// whole. Rows added before the fault stay. A file that is there but cannot
// be opened or read (a directory, a device, a FIFO, no permission, a read
// error) is a fault too: 0 with *line the lines read before it (0 when none
// could be) and *column 0. A NUL byte is a fault at its column.
int file_read_protocols(int* line, int* column);

// Examines line targets just read from a router: *flag becomes 1 when one of
// them has no layer-2 definition, else 0; each distinct x75 parameter set
// without a definition is written once as a ready-made definition into
// "qorvel.add" in the data directory, made as safe_file_save_shared makes a
// file at a shared name (no link followed, no other user's file replaced,
// never waiting on a FIFO): where that name cannot be used safely, the file
// keeps a name of its own beside it, "qorvel.add.XXXXXX". Returns 0 when the
// file is needed but cannot be written, 1 otherwise; *written_to (when
// given) names the file written, and is empty when none was.
int file_write_protocols(ListObject* lines, int* flag, SavedName* written_to = nullptr);

// How a notice names the file that file_write_protocols wrote: the bare
// "qorvel.add" where the file has that name in the data directory (and
// where none was written), else the whole name it got.
const char* file_add_shown_name(const SavedName& written);
