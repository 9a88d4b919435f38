// The dialog registry: the half of each dialog's row that needs X, joined
// to its row of the dialog table (dialog_table.h): its builder, the text
// field that shows the selected router, the step run on every popup and
// its fallback resource lines. Start-up hands the registry to the display
// services (display_services_start), which build, show, fill and hide
// every dialog by it without a change of their own.
//
//   build          its builder (dialog_builders.h); parent from the table:
//                  MainWindow means the top-level shell
//   router_field   the text field that shows the selected router, or null
//   fill           the step run on every popup, or null
//   resources      its fallback resource lines
#pragma once

#include <X11/Intrinsic.h>

#include "dialog_builders.h"
#include "dialog_forms.h"
#include "dialog_names.h"
#include "dialog_table.h"
#include "widget_table.h"

typedef Widget (*DialogBuilder)(Widget parent, WidgetTable* table);
typedef void (*DialogFill)();

struct DialogEntry : DialogRow {
    DialogBuilder build;
    Widget WidgetTable::*router_field;
    DialogFill fill;
    const char* const* resources;
};

// The row of a dialog. MainWindow and a value outside the enumeration have
// none: they get an empty row (no builder, no fill, no resources, named
// ""), never another dialog's.
const DialogEntry& dialog_entry(Dialog dialog);
