// The line-target table dialog's rules for the edited tables and the
// router's copies, without widgets: when writing shows the busy notice,
// which main-window buttons a read or a write leaves sensitive, and when
// the "saved" message is shown.
#pragma once

struct ListObject;

// Writing shows the busy notice (message 44 "Putting Data To The Router")
// when the edited tables and the router's copies differ in their total
// number of entries by more than 30 (more or fewer alike). Null lists count
// as empty.
bool tables_write_shows_notice(const ListObject* lines, const ListObject* lines_copy,
                               const ListObject* routes, const ListObject* routes_copy,
                               const ListObject* filters, const ListObject* filters_copy);

// Which main-window buttons are sensitive; "Register" and "Router Overview"
// are insensitive in every set.
enum class TablesButtons {
    Unchanged,         // leave the buttons as they are
    WithLineTargets,   // Router, Line Targets, Connections, Accounting, Deregister
    NoLineTargets,     // Router, Line Targets, Deregister
    UnknownProtocols,  // Router, Deregister: the tables cannot be edited
};

// After the tables were read at registration; `unknown_protocols` is the
// flag of file_write_protocols.
TablesButtons tables_buttons_after_read(int line_count, bool unknown_protocols);

// After the tables were written: the sets change only when the line-target
// table went from empty to not empty or back (counts before the copies were
// replaced).
TablesButtons tables_buttons_after_write(int old_line_count, int new_line_count);

// Message 4 ("Configuration was saved!...") follows a write that sent at
// least one entry.
bool tables_write_shows_saved_message(int sent_count);
