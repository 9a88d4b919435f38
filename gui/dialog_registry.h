// The dialog registry: one row per dialog with everything the display
// services need to build, show, fill and hide it. A new dialog plugs in by
// its row here and the functions its row names (dialog_builders.h); the
// services themselves never change.
//
//   dialog            which one (also its form's widget name, dialog_names.h)
//   build             its builder; parent: MainWindow means the top-level shell
//   modality, size    as the dialog shell is made (grows: the form may grow)
//   placement         RESOURCES: default positioning off, x/y from the
//                     fallback position table; CENTRED: over its parent at
//                     every popup; PROGRAM: the program sets x/y when it shows it
//   closes_itself     its buttons unmanage it (Motif's autoUnmanage)
//   form              its first slot in the widget table
//   router_field      the text field that shows the selected router, or null
//   fill              the step run on every popup, or null
//   help_on_popup     an open help window turns to its section when it pops up
//   help_on_popdown   an open help window turns to help_parent's section when
//                     it pops down
//   releases_close    its popdown lets the window manager close the main
//                     window again (any popup stops that)
//   resources         its fallback resource lines
#pragma once

#include <X11/Intrinsic.h>

#include "dialog_builders.h"
#include "dialog_names.h"
#include "widget_table.h"

enum class Modality {
    FULL,     // no other window of the program takes input
    PRIMARY,  // its ancestors take no input
    NONE,     // modeless
};

enum class Placement { RESOURCES, CENTRED, PROGRAM };

typedef Widget (*DialogBuilder)(Widget parent, WidgetTable* table);
typedef void (*DialogFill)();

struct DialogEntry {
    Dialog dialog;
    DialogBuilder build;
    Dialog parent;
    Modality modality;
    int width;                       // pixels
    int height;                      // pixels; 0: as the contents need
    bool grows;
    Placement placement;
    bool closes_itself;
    Widget WidgetTable::*form;
    Widget WidgetTable::*router_field;
    DialogFill fill;
    bool help_on_popup;
    bool help_on_popdown;
    Dialog help_parent;
    bool releases_close;
    const char* const* resources;
};

// The row of a dialog (MainWindow has none: the first dialog's row is
// returned for it, so ask only for dialogs).
const DialogEntry& dialog_entry(Dialog dialog);

// The dialog's form from the widget table; null while it is not built (and
// for MainWindow).
Widget dialog_form(Dialog dialog);

// Makes the form dialog of a registry row under `parent`: its name, its
// modality, size, resize policy, shadow 1, default positioning only when
// CENTRED, automatic unmanaging only when it closes itself. Every form
// dialog's builder starts with this.
Widget helpfunc_create_form_dialog(Widget parent, Dialog dialog);
