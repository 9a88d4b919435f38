// What each dialog brings to the registry: its builder, the step that fills
// it on every popup (only the dialogs that have one) and its fallback
// resource lines. Each dialog defines these in its own file; builders and
// resource lines are declared here for every dialog of the list
// (dialog_list.h), a fill by hand. The display services then build, fill,
// show and hide it without a change of their own.
//
// A builder makes the dialog's form (helpfunc_create_form_dialog gives it
// the registry's shape) and every child, stores the widgets that code needs
// in the table, does its after-building steps (tab groups, colours, buffers)
// and returns the form. Resource lines are null-terminated.
#pragma once

#include <X11/Intrinsic.h>

#include "dialog_list.h"

struct WidgetTable;

// ------------------------------------------- builders and resources ---
// "<dialog>Layout" and "<dialog>Resources" for every dialog of the list.
#define QORVEL_DIALOG_DECLARATIONS(id, ...) \
    Widget id##Layout(Widget parent, WidgetTable* table); \
    extern const char* const id##Resources[];
QORVEL_DIALOGS(QORVEL_DIALOG_DECLARATIONS)
#undef QORVEL_DIALOG_DECLARATIONS

// ------------------------------------------- filled on every popup ---
void ConfigDialogSetData();    // line list refilled, "AddLine" by the table limit
void FilterDialogSetData();    // filter list and default-rule menu, "AddFilter"
void RouteDialogSetData();     // route list, "AddRoute"
void LineMonDialogSetData();   // a report with every field zero
void LineMon2DialogSetData();  // line list, "LineMon2Ok" insensitive
void FirmwareDialogSetData();  // firmware list, "FirmwareOk" insensitive, nothing selected
void SetPWDialogSetData();     // buffer, exclusive toggle, "SetPWDelete"
void RepeatPWDialogSetData();  // buffer and field emptied
void InputPWDialogSetData();   // buffer and field emptied

// ----------------------------------------- the main window's resources ---
extern const char* const MainFormResources[];
