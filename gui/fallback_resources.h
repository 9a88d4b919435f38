// The built-in fallback resources of the class "XmQORVEL": labels, titles,
// mnemonics, fonts, colours and dialog positions, all English. The toolkit
// uses them only when no resource file of the class is found at all.
//
// The set is the application-wide lines, the position table, then each
// window's own lines (kept next to its builder) in a fixed order: main
// window, busy notice, password prompt, line-target table, error box,
// unknown-protocols notice, password entry prompts, about box, the two
// confirmations, line-target editor, router settings, filter table, route
// table, accounting, router overview, route editor, filter editor, line
// monitor, connection set-up, file dialog, help window, router password,
// firmware selection.
#pragma once

#include <X11/Intrinsic.h>

// The whole set, null-terminated, as the toolkit's initialisation takes it.
// Made on the first call and kept.
String* fallback_resources();

// One position of the table: a dialog placed by the resources.
struct DialogPosition {
    const char* dialog;
    int x;
    int y;
};

// The position table and its length.
const DialogPosition* fallback_positions(int* count);
