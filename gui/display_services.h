// The display services every window uses: the widget table and the start-up
// layout, building dialogs on first use, showing and hiding them (with the
// data filled on every popup, the router field and the help window following
// the user), the busy cursor, the main window's button states, the error box,
// the busy notice and the messages of the edit dialogs' checks.
#pragma once

#include <X11/Intrinsic.h>

#include "dialog_names.h"
#include "main_window_states.h"

struct DialogEntry;
struct WidgetTable;

// What the services need from the windows above them, handed over by the
// start-up before helpfunc_min_layout: the services stand below every
// dialog and never call up into one by name.
struct DisplayHooks {
    const DialogEntry& (*entry)(Dialog dialog);               // the registry's row
    Widget (*main_layout)(Widget shell, WidgetTable* table);  // builds the main window
    void (*quit)(Widget widget);                              // the main window's quit
    void (*help_turn_to)(Dialog dialog);                      // the help window's section
};

// Takes the hooks; called once, by the start-up.
void display_services_start(const DisplayHooks& hooks);

constexpr int POSITION_LEFT_X = 100;   // the error box and the busy notice, left
constexpr int POSITION_RIGHT_X = 605;  // ... right
constexpr int ERROR_BOX_Y = 205;
constexpr int BUSY_NOTICE_Y = 230;
constexpr int MAIN_MIN_WIDTH = 500;  // the top-level shell's minimum size
constexpr int MAIN_MIN_HEIGHT = 450;
constexpr unsigned WATCH_CURSOR_GLYPH = 150;  // the watch of the standard cursor font

// Makes the widget table (also into XmVANTEROWidgets), the main window and
// the busy notice; sets up the top-level shell (minimum size, icon, the
// window manager's close, keyboard traversal). Called once, by the start-up.
WidgetTable* helpfunc_min_layout(Widget shell);

// Builds a dialog (and first its parent dialog) unless it is built already.
void helpfunc_create_layout(Dialog dialog);

// From now on the dialog of `form`, placed by the position table, is moved
// up and left at every popup as far as it must to lie wholly on its screen,
// with the frame of the window manager; where it fits it stays where the
// table (or the user) put it. Run for every such dialog when it is built.
void helpfunc_keep_on_screen(Widget form);

// Shows a dialog: builds it if needed, fills it, writes the selected
// router's name into its router field, manages it; an open help window turns
// to its section. From now on the window manager cannot close the main
// window until a dialog that releases it pops down.
void helpfunc_popup(Dialog dialog);

// Hides a dialog; one never built is left alone. The help window is
// destroyed instead, to be built anew at its next opening.
void helpfunc_popdown(Dialog dialog);

// The registry's fill step of a dialog (called by helpfunc_popup).
void helpfunc_setdata(Dialog dialog);

// 1 and the dialog's router field in *field when it has one, else 0.
int helpfunc_get_id_text(Dialog dialog, Widget* field);

// The watch cursor (1) or the default cursor (0) on the main window and on
// every shown dialog; flushed at once. Windows not yet on the screen are
// left alone.
void helpfunc_set_cursor(int on);

// Sensitivity of "Open", "ConfigureRouter", "ConfigureLines", "LineMonitor",
// "Accounting", "Overview" and "Close", in this order (1 sensitive).
void helpfunc_main_buttons(int open, int router, int lines, int linemon, int accounting,
                           int overview, int close);

// One row of the main window's state table: the seven buttons and the list.
void helpfunc_main_state(MainState state);

// Shows `text` in the error box, at the right (non-zero) or left position,
// titled by `kind` (ErrorKind; any other value keeps the title).
void helpfunc_error_popup(const char* text, int right, int kind);

// Sets the busy notice's text; with `show` also places it (right or left)
// and shows it. It is hidden by helpfunc_popdown(Dialog::ScanDialog).
void helpfunc_scan_popup(const char* text, int right, int show);

// The message of an edit dialog's validation code, in the error box at the
// right position, titled "Error". Unknown codes show nothing.
void helpfunc_input_error(Dialog dialog, int code);

// "ErrorDialogOk": hides the error box.
void ErrorCB(Widget widget, XtPointer client, XtPointer call);

// 1 while the window manager's close of the main window quits the program,
// 0 while it is ignored because a dialog has been popped up.
int helpfunc_main_window_closable();
