// What each dialog brings to the registry: its builder, the step that fills
// it on every popup (only the dialogs that have one) and its fallback
// resource lines. Each dialog defines these in its own file. A new dialog
// declares them here, gets its slots in the widget table (widget_table.h),
// its name (dialog_names.h) and its row in the registry
// (dialog_registry.cpp); the display services then build, fill, show and
// hide it without a change of their own.
//
// A builder makes the dialog's form (helpfunc_create_form_dialog gives it
// the registry's shape) and every child, stores the widgets that code needs
// in the table, does its after-building steps (tab groups, colours, buffers)
// and returns the form. Resource lines are null-terminated.
#pragma once

#include <X11/Intrinsic.h>

struct WidgetTable;

// -------------------------------------------------------------- builders ---
Widget ScanDialogLayout(Widget parent, WidgetTable* table);         // busy notice
Widget PWDialogLayout(Widget parent, WidgetTable* table);           // password prompt
Widget ConfigDialogLayout(Widget parent, WidgetTable* table);       // line-target table
Widget ErrorDialogLayout(Widget parent, WidgetTable* table);        // error box
Widget AboutDialogLayout(Widget parent, WidgetTable* table);        // about box
Widget QuestionDialogLayout(Widget parent, WidgetTable* table);     // download again?
Widget Config2DialogLayout(Widget parent, WidgetTable* table);      // line-target editor
Widget RConfigDialogLayout(Widget parent, WidgetTable* table);      // router settings
Widget FilterDialogLayout(Widget parent, WidgetTable* table);       // filter table
Widget RouteDialogLayout(Widget parent, WidgetTable* table);        // route table
Widget AccountingDialogLayout(Widget parent, WidgetTable* table);   // accounting window
Widget RouterDialogLayout(Widget parent, WidgetTable* table);       // router overview
Widget Route2DialogLayout(Widget parent, WidgetTable* table);       // route editor
Widget Filter2DialogLayout(Widget parent, WidgetTable* table);      // filter editor
Widget LineMonDialogLayout(Widget parent, WidgetTable* table);      // line monitor
Widget LineMon2DialogLayout(Widget parent, WidgetTable* table);     // connection set-up
Widget FileDialogLayout(Widget parent, WidgetTable* table);         // file selection
Widget FirmwareDialogLayout(Widget parent, WidgetTable* table);     // firmware selection
Widget HelpDialogLayout(Widget parent, WidgetTable* table);         // help window
Widget SetPWDialogLayout(Widget parent, WidgetTable* table);        // router password
Widget Error2DialogLayout(Widget parent, WidgetTable* table);       // unknown-protocols notice
Widget RepeatPWDialogLayout(Widget parent, WidgetTable* table);     // new password, repeated
Widget InputPWDialogLayout(Widget parent, WidgetTable* table);      // new password
Widget Question2DialogLayout(Widget parent, WidgetTable* table);    // reset before download?

// ------------------------------------------- filled on every popup ---
void ConfigDialogSetData();     // line list refilled, "AddLine" by the table limit
void FilterDialogSetData();     // filter list and default-rule menu, "AddFilter"
void RouteDialogSetData();      // route list, "AddRoute"
void LineMonDialogSetData();    // a report with every field zero
void LineMon2DialogSetData();   // line list, "LineMon2Ok" insensitive
void FirmwareDialogSetData();   // firmware list, "FirmwareOk" insensitive, nothing selected
void SetPWDialogSetData();      // buffer, exclusive toggle, "SetPWDelete"
void RepeatPWDialogSetData();   // buffer and field emptied
void InputPWDialogSetData();    // buffer and field emptied

// ------------------------------------------------- fallback resources ---
extern const char* const MainFormResources[];
extern const char* const ScanDialogResources[];
extern const char* const PWDialogResources[];
extern const char* const ConfigDialogResources[];
extern const char* const ErrorDialogResources[];
extern const char* const AboutDialogResources[];
extern const char* const QuestionDialogResources[];
extern const char* const Config2DialogResources[];
extern const char* const RConfigDialogResources[];
extern const char* const FilterDialogResources[];
extern const char* const RouteDialogResources[];
extern const char* const AccountingDialogResources[];
extern const char* const RouterDialogResources[];
extern const char* const Route2DialogResources[];
extern const char* const Filter2DialogResources[];
extern const char* const LineMonDialogResources[];
extern const char* const LineMon2DialogResources[];
extern const char* const FileDialogResources[];
extern const char* const FirmwareDialogResources[];
extern const char* const HelpDialogResources[];
extern const char* const SetPWDialogResources[];
extern const char* const Error2DialogResources[];
extern const char* const RepeatPWDialogResources[];
extern const char* const InputPWDialogResources[];
extern const char* const Question2DialogResources[];
