// The forms of the dialogs: where each one's form lies in the widget table
// and how a builder makes it. Below every dialog: it reads only the dialog
// table (dialog_table.h) and the widget table, so a builder can call it
// without calling back into the registry that calls the builders.
#pragma once

#include <X11/Intrinsic.h>

#include "dialog_names.h"
#include "widget_table.h"

// A dialog's first slot in the widget table (its form; the file dialog's
// selection box); null for MainWindow and a value outside the enumeration.
Widget WidgetTable::*dialog_form_slot(Dialog dialog);

// The dialog's form from the widget table; null while it is not built (and
// for MainWindow).
Widget dialog_form(Dialog dialog);

// Makes the form dialog of a dialog-table row under `parent`: its name, its
// modality, size, resize policy, shadow 1, default positioning only when
// CENTRED, automatic unmanaging only when it closes itself. Every form
// dialog's builder starts with this.
Widget helpfunc_create_form_dialog(Widget parent, Dialog dialog);
