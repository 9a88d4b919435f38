// The accounting window ("AccountingDialog"): the text of the counters that
// the back end filled into the line targets.
//
// cbfunc_accounting(lines): "AccountingText" := accounting_text(lines); Save
//     (the file dialog) writes exactly that text.
// Before a reading: show the busy notice (message 43) when
//     accounting_needs_busy_notice(main_line_list).
#pragma once

#include <string>

#include "records.h"

struct ListObject;

// Up to this many line targets a reading is quick enough to need no notice.
constexpr int ACCOUNTING_QUIET_LINES = 20;

// Message 54 for one line target: host, telephone number, then calls,
// packets and bytes incoming and outgoing, then the charge. Counters are
// unsigned 32-bit and are shown as such: 4294967295 and not -1.
std::string accounting_entry_text(const LineTarget& line);

// The texts of every line target in list order; "" for an empty or null
// list. A line target whose 0-based position `doubtful` (may be null) calls
// doubtful shows that its counters are doubtful instead of their values.
std::string accounting_text(const ListObject* lines, int (*doubtful)(int position) = nullptr);

// Whether a reading of these line targets shows the busy notice (more than
// ACCOUNTING_QUIET_LINES of them).
bool accounting_needs_busy_notice(const ListObject* lines);
