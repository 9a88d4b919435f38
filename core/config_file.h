// Configuration files: one router's line targets, routes and filter rules in
// a commented, column-aligned text, headed by comments with the router's
// settings and the protocol definitions (never read back). The same format
// is the emergency copy "/tmp/save.cfg" of the tables a program held when
// the dialogue with a router failed.
//
// Sections, in this order, each opened by a line whose first token is its
// header: "Line_Targets:", "Routing_Data:", "Filter_Data:" (to the end).
// Line target: host phone proto2 proto3 timeout M B C [send [receive]]
// Route:       mask match gateway
// Filter:      send_mask send_match receive_mask receive_match service action
// The service is a text of service_text.h ("all", "ftp", "8000/tcp").
//
// Every entry the writer writes reads back unchanged, also the ones a router
// may hold but a person would not type (files without these forms read as
// they always did, and plain values keep every check):
// - an empty telephone number is written as "-", which reads as empty;
// - an empty identification is written as "/", and a lone "/" reads as empty;
// - an identification that is not one token with exactly one "/" (blanks, a
//   second "/", 40 characters without any) is written as "//" followed by
//   its bytes, with blanks, control characters and "%" as "%XX" (two hex
//   digits); a reader takes such a token byte by byte, at most 40 of them;
// - so is a telephone number that the check for the router's line type
//   refuses (not digits with an optional final "s"; on a type-1 leased line
//   not "0" or "1"), at most 20 bytes, whatever the line type it is read for;
// - a value the plain check refuses is written behind "=", which takes it as
//   the router holds it, checked only for its form and width: a line
//   target's host "0.0.0.0" ("=0.0.0.0"; any address text), a timeout of 1
//   to 4 ("=3"; up to 65535), flags and filter actions other than 0 and 1
//   ("=2"; up to 255), a match with bits outside its mask ("=10.2.0.5";
//   any address text);
// - a full filter table without a catch-all, which a read closes with the
//   default rule as a 65th, is 64 rules and a catch-all as the file's last
//   entry; any other way past 64 rules is refused at the 64th, as before;
// - the settings' texts in the header comments have control bytes as "%XX",
//   so that a line end there never ends the comment.
#pragma once

#include "records.h"
#include "safe_file.h"

struct ListObject;

constexpr const char* CFG_EMERGENCY_PATH = "/tmp/save.cfg";
constexpr long CFG_MAX_WORD = 65535;  // timeouts travel as 16-bit values

// Results of file_load_config.
enum ConfigFault : int {
    CFG_OK = 0,                    // loaded
    CFG_TOO_MANY_ENTRIES = 1,      // a table limit would be exceeded (column 0)
    CFG_BAD_ADDRESS = 2,           // line target's host
    CFG_BAD_PHONE = 3,             // line target's telephone number
    CFG_BAD_PROTOCOL = 4,          // layer-2 or layer-3 protocol name
    CFG_BAD_TIMEOUT = 5,           // timeout
    CFG_BAD_MANUAL = 6,            // manual-only flag
    CFG_BAD_BUNDLING = 7,          // bundling flag
    CFG_BAD_COMPRESSION = 8,       // compression flag
    CFG_BAD_PASSWORD = 9,          // identification pair
    CFG_SYNTAX_ERROR = 10,         // missing or wrong header, extra token
    CFG_BAD_MASK = 11,             // route or filter mask
    CFG_BAD_MATCH = 12,            // route or filter match
    CFG_MASK_MATCH_MISMATCH = 13,  // match has bits outside its mask (column of the mask)
    CFG_BAD_GATEWAY = 14,          // route gateway
    CFG_BAD_SERVICE = 15,          // filter service
    CFG_BAD_ACTION = 16,           // filter action, or extra token on a filter line
    CFG_CANNOT_OPEN = 17,          // the file cannot be opened
};

// Writes the settings as comments and the three lists (only read; the class
// object counts as an empty list) into a new file beside `path` and puts it
// at `path` once complete (safe_file.h): a new file is created 0600, a file
// replaced keeps its mode. Returns 1, or 0 when `path` is no regular file or
// new name, or the file cannot be created or written completely; the file
// at `path` is then as it was.
int file_save_config(const char* path, ListObject* lines, ListObject* routes, ListObject* filters,
                     const RouterSettings* settings);

// Replaces *lines, *routes and *filters (list objects, destroyed on success)
// by the file's tables, the filter table closed with its default rule.
// `line_type` is the permanent-connection type of the router they are meant
// for. Returns CFG_OK, or the first fault with the caller's lists untouched,
// *line the lines read up to and including the faulty one (comments and
// empty lines count) and *column the 1-based column of the faulty token (0
// where stated). A NUL byte is CFG_SYNTAX_ERROR at its column, also in a
// comment line; a path that is no regular file is CFG_CANNOT_OPEN. With
// file_echo_errors on, a fault (but CFG_CANNOT_OPEN)
// echoes the line with "-" up to a caret under the column.
int file_load_config(const char* path, ListObject** lines, ListObject** routes,
                     ListObject** filters, int* line, int* column, int line_type);

// The emergency copy: file_save_emergency_at(CFG_EMERGENCY_PATH, ...).
int file_save_emergency(ListObject* lines, ListObject* routes, ListObject* filters,
                        const RouterSettings* settings, SavedName* saved);

// Earlier copies kept beside the newest: "<path>.1" up to this number.
constexpr int CFG_EMERGENCY_KEEP_MAX = 999;

// Writes a configuration file of mode 0600 and puts it at `path`, which is
// then always the newest copy. An earlier copy found there is never lost to
// it: it keeps its contents under the first free name "<path>.N" (N from
// 1), made without replacing anything, unless it holds exactly the same
// bytes as the new one. Where `path` cannot be used safely (it holds
// anything but a regular file of this user's: a link, a FIFO, a directory,
// another user's file; no number is free; another saver does not finish in
// time) the copy keeps a name of its own beside it, "<path>.XXXXXX"; where
// nothing can be written beside it (no room, no such directory), in the
// home directory as "$HOME/<base name>.XXXXXX". Returns 1 with
// saved->path (when saved is given) the name the copy got, or 0 when no
// place took it.
int file_save_emergency_at(const char* path, ListObject* lines, ListObject* routes,
                           ListObject* filters, const RouterSettings* settings,
                           SavedName* saved = nullptr);
