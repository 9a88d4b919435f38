// What the route table and filter table dialogs have in common, written
// once: a table dialog that lists the entries of an edited table and offers
// Open, Add and Delete, and an edit dialog with OK, Cancel and Help whose
// fields are rows of a label and a text field.
//
// Each pair is described by a TableListDialog (its dialogs, its widgets and
// the edited table); the dialog files build with the layout helpers below,
// and their callbacks hand the generic actions to the table_list_* calls.
// What differs stays in the dialog files: their own fields, the checks of
// gui/logic (route_fields, filter_fields) and the filter table's default
// rule.
//
//     table dialog:  Open/double click -> table_list_open(d, position)
//                    Add    -> table_list_add(d, defaults)
//                    Delete -> table_list_delete(d)   ...
//     edit dialog OK: int edit = table_list_edit_position(d);
//                     if (edit < 0) { the table is gone: popdown; return; }
//                     ... read, check, store at position p ...
//                     table_list_stored(d, p);
#pragma once

#include <X11/Intrinsic.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "dialog_names.h"
#include "widget_table.h"

struct ListObject;

// One table dialog with its edit dialog.
struct TableListDialog {
    Dialog table;                 // "RouteDialog", "FilterDialog"
    Dialog editor;                // "Route2Dialog", "Filter2Dialog"
    Widget WidgetTable::*list;    // the scrolled list of the table dialog
    Widget WidgetTable::*open;    // its "Open"
    Widget WidgetTable::*remove;  // its "Delete"
    Widget WidgetTable::*add;     // its "Add"
    ListObject** entries;         // the edited table (one of the globals)
    // How many of the table's entries are listed (opened, moved, deleted):
    // the filter table's closing default rule is not.
    int (*listed)(const ListObject* entries);
    // Whether a table of `count` elements may take one more.
    bool (*can_add)(int count);
    // The lines of the list, one per listed entry.
    std::vector<std::string> (*lines)(const ListObject* entries);
    // Fills the edit dialog's fields from an entry shown at 1-based position.
    void (*show)(const void* entry, int position);
};

// --------------------------------------------------------- table dialog ---

// Refills the list from the table (nothing selected) and sets "Add" by the
// table's size; a table that does not exist shows nothing and offers no Add.
void table_list_fill(const TableListDialog& d);

// Replaces every line of a list widget, nothing selected.
void table_list_set_lines(Widget list, const std::vector<std::string>& lines);

// The first selected 1-based line of the list, 0 when none is selected.
int table_list_selected(const TableListDialog& d);

// Open (and double click) of the listed entry at `position`: it becomes the
// entry being edited, its line is selected, the edit dialog is filled from
// it and shown. A position that names no listed entry does nothing.
void table_list_open(const TableListDialog& d, int position);

// Add: nothing is being edited; the edit dialog is filled from `defaults`
// at the place after the last listed entry and shown. Does nothing without
// a table or when the table is full.
void table_list_add(const TableListDialog& d, const void* defaults);

// Delete of the selected listed entry; the dialog is shown again, refilled.
void table_list_delete(const TableListDialog& d);

// A line was selected or deselected: "Open" and "Delete" follow.
void table_list_selection(const TableListDialog& d);

// Close: the dialog goes, nothing stays selected, "Open" and "Delete" off.
void table_list_close(const TableListDialog& d);

// ---------------------------------------------------------- edit dialog ---

// The 1-based position of the listed entry that the edit dialog edits, 0
// when it adds, and -1 when there is nothing it may store into: the table
// was dropped (a failure of the router closed the dialogs), replaced, or
// the entry is no longer listed.
int table_list_edit_position(const TableListDialog& d);

// After an entry was stored at 1-based `position`: the edit dialog goes, the
// table dialog is shown refilled with that line selected, "Open" and
// "Delete" on. Position 0 (nothing stored) only closes the edit dialog.
void table_list_stored(const TableListDialog& d, int position);

// The text of a text field, whole ("" for none).
std::string table_field_text(Widget field);

// ------------------------------------------------------------- builders ---

// Widget names of a table dialog's own widgets.
struct TableLayoutNames {
    const char* header;      // "RouteHeader"
    const char* id_label;    // "RouteIDLabel"
    const char* id_text;     // "RouteIDText"
    const char* close;       // "RouteClose"
    const char* help;        // "RouteHelp"
    const char* form;        // "RouteForm"
    const char* open;        // "OpenRoute"
    const char* add;         // "AddRoute"
    const char* remove;      // "DeleteRoute"
    const char* list_label;  // "RouteListLabel"
    const char* list;        // "RouteList"
};

// The action codes its widgets call the dialog's callback with.
struct TableLayoutCodes {
    int open, double_click, add, remove, select, help, close;
};

struct TableLayout {
    Widget form;  // the dialog's form
    Widget id_text;
    Widget close;
    Widget help;
    Widget inner;  // the form between the router field and the bottom buttons
    Widget open;
    Widget add;
    Widget remove;
    Widget list;
};

// Something a dialog puts between its list and its "Open" button (the filter
// table's "All Remaining" menu), storing its widgets in the table; returns
// the widget the list stands on.
typedef Widget (*TableLayoutExtra)(Widget inner, Widget open, XtCallbackProc callback,
                                   WidgetTable* table);

// Builds the table dialog of the registry row `dialog` under `parent`: head
// line, header, router field, Close and Help at the bottom, the inner form
// with Open (off), Add, Delete (off), the list label and the list (single
// selection, ten lines, its scroll bar in the dialog's colours), and the tab
// groups list, [extra,] Open, Add, Delete, Close, Help.
TableLayout table_list_layout(Widget parent, Dialog dialog, const TableLayoutNames& names,
                              const TableLayoutCodes& codes, XtCallbackProc callback,
                              TableLayoutExtra extra, WidgetTable* table);

// Widget names of an edit dialog's own widgets.
struct EditLayoutNames {
    const char* header;    // "Route2Header"
    const char* id_label;  // "Route2IDLabel"
    const char* id_text;   // "Route2IDText"
    const char* ok;        // "Route2Ok"
    const char* cancel;    // "Route2Close"
    const char* help;      // "Route2Help"
    const char* form;      // "Route2Form"
};

// The edit dialogs' action codes.
enum EditAction { EDIT_OK = 0, EDIT_HELP = 1, EDIT_CANCEL = 2 };

struct EditLayout {
    Widget form;
    Widget id_text;
    Widget ok;
    Widget cancel;
    Widget help;
    Widget inner;  // where the rows go
};

// Builds an edit dialog of the registry row `dialog`: head line, header,
// router field, OK / Cancel / Help across the bottom and the inner form.
EditLayout edit_dialog_layout(Widget parent, Dialog dialog, const EditLayoutNames& names,
                              XtCallbackProc callback);

struct EditRow {
    Widget label;
    Widget field;
};

// One row of an edit dialog: a label (200 wide) `offset` under `above` (the
// inner form's top when null) and a text field right of it that ends
// `right_offset` from the right edge; max_length 0 sets no limit.
EditRow edit_dialog_row(Widget inner, const char* label, const char* field, Widget above,
                        int offset, int right_offset, int max_length);

// Registers the widgets as keyboard tab groups, in this order.
void table_tab_groups(std::initializer_list<Widget> widgets);
