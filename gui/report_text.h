// The read-only scrolled texts in which the router overview, the accounting
// window and the help window show their reports: several lines in a
// fixed-width font on a light background, not editable, no cursor, no
// horizontal scrolling, and the shadow and scroll-bar colours of the dialog
// they stand in, so that they read as part of it.
#pragma once

#include <X11/Intrinsic.h>

#include <string>

// A scrolled text `name` in `form` between the widgets `above` and `below`
// (10 pixels from each and from both side edges). Returns the text widget;
// its scrolled window is its parent.
Widget report_text_create(Widget form, const char* name, Widget above, Widget below);

// The text and its vertical scroll bar take the dialog's top and bottom
// shadow colours; the scroll bar also its background, as background and as
// trough colour.
void report_text_colours(Widget form, Widget text);

// The whole text shown, replaced; the view goes back to the first line.
void report_text_set(Widget text, const std::string& value);

// The whole text shown.
std::string report_text_get(Widget text);

// The names of a report window's widgets and the action of its Close.
struct ReportWindowNames {
    const char* header;       // the label below the head line
    const char* close;        // the push button at the bottom right
    const char* text;         // the scrolled text between them
    XtCallbackProc callback;  // Close's activate callback ...
    int close_action;         // ... and its client data
};

// The children of a window that shows one report and a Close (the router
// overview, the help window): the program's head line, the header below
// it, Close 120 wide at the bottom right as the form's default and cancel
// button, and the text between header and Close in the dialog's colours;
// the text and Close are the tab groups. Returns the text, Close in *close.
Widget report_window_children(Widget form, const ReportWindowNames& names, Widget* close);
