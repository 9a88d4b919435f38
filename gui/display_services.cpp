#include "display_services.h"

#include <Xm/Form.h>
#include <Xm/List.h>
#include <Xm/Protocols.h>
#include <Xm/ScrolledW.h>
#include <Xm/Xm.h>

#include <cstdint>
#include <cstring>

#include "builtin_bitmaps.h"
#include "dialog_entry_points.h"
#include "dialog_forms.h"
#include "dialog_registry.h"
#include "dialog_table.h"
#include "display_texts.h"
#include "globals.h"
#include "message_tables.h"
#include "myutil.h"
#include "screen_fit.h"
#include "toolkit.h"
#include "widget_table.h"

int helpfunc_help_shown = 0;

namespace {

// What start-up handed over: the registry and the windows above.
DisplayHooks hooks = {};

const DialogEntry* entry_of(Dialog dialog)
{
    if (hooks.entry == nullptr)
        return nullptr;
    const DialogEntry& entry = hooks.entry(dialog);
    return entry.build != nullptr ? &entry : nullptr;
}

// The top-level shell's close response: ignored from the first popup of any
// dialog until a dialog that releases it pops down.
int close_ignored = 0;

Cursor watch_cursor = None;

void shell_min_size(Widget form)
{
    Dimension width = 0;
    Dimension height = 0;
    XtVaGetValues(form, XmNwidth, &width, XmNheight, &height, nullptr);
    XtVaSetValues(XtParent(form), XmNminWidth, width, XmNminHeight, height, XmNdeleteResponse,
                  XmDO_NOTHING, nullptr);
}

// The window manager's close of the main window. Motif's own unmap response
// only unmaps a realised application shell and never reaches a popdown
// callback, so the delete message is taken here.
void close_request(Widget widget, XtPointer, XtPointer)
{
    if (close_ignored || hooks.quit == nullptr)
        return;
    hooks.quit(widget);
}

// How far a form must grow, along one axis, for a child that wants
// `wanted` pixels where it has `has`, its two sides attached by `first` and
// `second` (positions in `base` parts of the form where so attached),
// standing at `at` in a form `size` long.
int growth_for(unsigned char first, int first_position, unsigned char second, int second_position,
               int base, int at, int has, int wanted, int size)
{
    const bool first_attached = first != XmATTACH_NONE && first != XmATTACH_SELF;
    const bool second_attached = second != XmATTACH_NONE && second != XmATTACH_SELF;
    if (!first_attached || !second_attached)
        return at + wanted - size;  // keeps its own size: it must lie inside
    const int lacking = wanted - has;
    if (lacking <= 0)
        return 0;
    // Stretched between two edges: it grows one for one with the form, or by
    // its share of the form when an edge is a position.
    const int from = first == XmATTACH_POSITION ? first_position : first == XmATTACH_FORM ? 0 : -1;
    const int to = second == XmATTACH_POSITION ? second_position
                   : second == XmATTACH_FORM   ? base
                                               : -1;
    if ((first == XmATTACH_POSITION || second == XmATTACH_POSITION) && from >= 0 && to > from)
        return (lacking * base + (to - from) - 1) / (to - from);
    return lacking;
}

// A dialog marked grows takes the size its contents need and never less
// than its registry size. Motif's form keeps a size it was given, and its
// growth refuses a wider form that could be lower, so a message of two
// longer lines would be cut at the edge. Run on the shown dialog, whose
// children the form has laid out.
void fit_to_contents(Dialog dialog)
{
    const DialogRow* row = dialog_row(dialog);
    Widget form = dialog_form(dialog);
    if (row == nullptr || !row->grows || form == nullptr || !XmIsForm(form) || !XtIsManaged(form))
        return;
    // From the registry size, so that a short message after a long one gets
    // the small box back.
    int width = row->width;
    int height = row->height > 0 ? row->height : 1;
    XtVaSetValues(form, XmNwidth, width, XmNheight, height, nullptr);

    WidgetList children = nullptr;
    Cardinal count = 0;
    int base = 100;
    XtVaGetValues(form, XmNchildren, &children, XmNnumChildren, &count, XmNfractionBase, &base,
                  nullptr);
    int grow_width = 0;
    int grow_height = 0;
    for (Cardinal i = 0; i < count; ++i) {
        Widget child = children[i];
        if (!XtIsManaged(child))
            continue;
        XtWidgetGeometry wanted{};
        XtQueryGeometry(child, nullptr, &wanted);
        Position x = 0, y = 0;
        Dimension w = 0, h = 0;
        unsigned char left = 0, right = 0, top = 0, bottom = 0;
        int left_position = 0, right_position = 0, top_position = 0, bottom_position = 0;
        XtVaGetValues(child, XmNx, &x, XmNy, &y, XmNwidth, &w, XmNheight, &h, XmNleftAttachment,
                      &left, XmNrightAttachment, &right, XmNtopAttachment, &top,
                      XmNbottomAttachment, &bottom, XmNleftPosition, &left_position,
                      XmNrightPosition, &right_position, XmNtopPosition, &top_position,
                      XmNbottomPosition, &bottom_position, nullptr);
        const int across =
            growth_for(left, left_position, right, right_position, base, x, w, wanted.width, width);
        const int down = growth_for(top, top_position, bottom, bottom_position, base, y, h,
                                    wanted.height, height);
        if (across > grow_width)
            grow_width = across;
        if (down > grow_height)
            grow_height = down;
    }
    if (grow_width > 0 || grow_height > 0)
        XtVaSetValues(form, XmNwidth, width + grow_width, XmNheight, height + grow_height, nullptr);
}

// What the window manager adds around the main window, taken as what it
// adds around every dialog: the distance from its frame, the window that a
// reparenting window manager puts between it and the root, to each side.
// All 0 without a window manager.
FrameExtents window_manager_frame()
{
    FrameExtents frame = {0, 0, 0, 0};
    if (XmVANTERO == nullptr || !XtIsRealized(XmVANTERO))
        return frame;
    Display* display = XtDisplay(XmVANTERO);
    const Window client = XtWindow(XmVANTERO);
    Window root = 0, parent = 0, outer = client;
    for (;;) {
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, outer, &root, &parent, &children, &count))
            return frame;
        if (children != nullptr)
            XFree(children);
        if (parent == root || parent == 0)
            break;
        outer = parent;
    }
    if (outer == client)
        return frame;
    XWindowAttributes frame_window{}, client_window{};
    if (!XGetWindowAttributes(display, outer, &frame_window) ||
        !XGetWindowAttributes(display, client, &client_window))
        return frame;
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display, client, outer, 0, 0, &x, &y, &child);
    frame.left = x;
    frame.top = y;
    frame.right = frame_window.width - client_window.width - x;
    frame.bottom = frame_window.height - client_window.height - y;
    if (frame.right < 0)
        frame.right = 0;
    if (frame.bottom < 0)
        frame.bottom = 0;
    return frame;
}

// The popup callback of a growing dialog's shell: the form is managed and
// laid out, its window not yet on the screen. Sized now, the box is mapped
// at its final size: a window manager asked to resize a window it has just
// framed may answer late or not at all, and the box would then show a form
// wider than its window, its OK button off centre and its text at the edge.
void fit_before_map(Widget, XtPointer client, XtPointer)
{
    fit_to_contents(action_code<Dialog>(client));
}

void fit_at_popup(Dialog dialog, Widget form)
{
    XtAddCallback(XtParent(form), XmNpopupCallback, fit_before_map, action_data(dialog));
}

// Shows a dialog's form; one already up whose contents changed is fitted
// in place, a new one on its way up.
void manage_and_fit(Dialog dialog, Widget form)
{
    const bool up = XtIsManaged(form);
    XtManageChild(form);
    if (up)
        fit_to_contents(dialog);
}

// The shell's popup callback: it runs when the shell has taken the place
// the table gave its form and before its window is mapped, so the window
// manager sees it only where it stays.
void keep_on_screen(Widget shell, XtPointer, XtPointer)
{
    Position x = 0, y = 0;
    Dimension width = 0, height = 0;
    XtVaGetValues(shell, XmNx, &x, XmNy, &y, XmNwidth, &width, XmNheight, &height, nullptr);
    Screen* screen = XtScreen(shell);
    const ScreenPoint at = screen_fit(x, y, width, height, WidthOfScreen(screen),
                                      HeightOfScreen(screen), window_manager_frame());
    if (at.x != x || at.y != y)
        XtVaSetValues(shell, XmNx, at.x, XmNy, at.y, nullptr);
}

void define_cursor(Display* display, Widget widget, Cursor cursor)
{
    // Defining a cursor on a window that does not exist yet is a protocol
    // error that ends the program.
    if (widget == nullptr || !XtIsRealized(widget))
        return;
    if (cursor != None)
        XDefineCursor(display, XtWindow(widget), cursor);
    else
        XUndefineCursor(display, XtWindow(widget));
}

}  // namespace

void display_services_start(const DisplayHooks& given)
{
    hooks = given;
}

WidgetTable* helpfunc_min_layout(Widget shell)
{
    auto* table = static_cast<WidgetTable*>(myutil_malloc(sizeof(WidgetTable)));
    XmVANTEROWidgets = table;

    if (hooks.main_layout != nullptr)
        hooks.main_layout(shell, table);

    Pixel background = 0;
    XtVaGetValues(shell, XmNbackground, &background, nullptr);
    Widget scrollbar = nullptr;
    XtVaGetValues(XtParent(table->SelectionList), XmNverticalScrollBar, &scrollbar, nullptr);
    if (scrollbar != nullptr)
        XtVaSetValues(scrollbar, XmNbackground, background, nullptr);

    Screen* screen = XtScreen(shell);
    const BuiltinBitmap& icon = builtin_window_icon();
    Pixmap icon_pixmap = XCreatePixmapFromBitmapData(
        DisplayOfScreen(screen), RootWindowOfScreen(screen),
        reinterpret_cast<char*>(const_cast<unsigned char*>(icon.bits)),
        static_cast<unsigned>(icon.width), static_cast<unsigned>(icon.height),
        WhitePixelOfScreen(screen), BlackPixelOfScreen(screen),
        static_cast<unsigned>(DefaultDepthOfScreen(screen)));

    XtVaSetValues(shell, XmNdeleteResponse, XmDO_NOTHING, XmNminWidth, MAIN_MIN_WIDTH, XmNminHeight,
                  MAIN_MIN_HEIGHT, XmNiconPixmap, icon_pixmap, nullptr);
    Atom delete_window =
        XmInternAtom(XtDisplay(shell), const_cast<char*>("WM_DELETE_WINDOW"), False);
    XmAddWMProtocolCallback(shell, delete_window, close_request, nullptr);

    for (Widget w : {table->SelectionList, table->Open, table->Close, table->ConfigureRouter,
                     table->ConfigureLines, table->LineMonitor, table->Accounting, table->Overview})
        XmAddTabGroup(w);

    const DialogEntry* busy_notice = entry_of(Dialog::ScanDialog);
    if (busy_notice == nullptr)
        return table;
    Widget notice = busy_notice->build(shell, table);
    table->ScanDialog = notice;
    XtVaSetValues(notice, XmNdefaultPosition, False, XmNx, POSITION_LEFT_X, XmNy, BUSY_NOTICE_Y,
                  nullptr);
    shell_min_size(notice);
    fit_at_popup(Dialog::ScanDialog, notice);
    return table;
}

void helpfunc_keep_on_screen(Widget form)
{
    if (form != nullptr)
        XtAddCallback(XtParent(form), XmNpopupCallback, keep_on_screen, nullptr);
}

void helpfunc_create_layout(Dialog dialog)
{
    if (dialog == Dialog::MainWindow || XmVANTEROWidgets == nullptr ||
        dialog_form(dialog) != nullptr)
        return;
    const DialogEntry* entry = entry_of(dialog);
    if (entry == nullptr)
        return;
    helpfunc_set_cursor(1);
    Widget parent = XmVANTERO;
    if (entry->parent != Dialog::MainWindow) {
        helpfunc_create_layout(entry->parent);
        parent = dialog_form(entry->parent);
    }
    Widget form = entry->build(parent, XmVANTEROWidgets);
    XmVANTEROWidgets->*dialog_form_slot(dialog) = form;
    shell_min_size(form);
    if (entry->placement == Placement::RESOURCES)
        helpfunc_keep_on_screen(form);
    if (entry->grows)
        fit_at_popup(dialog, form);
    helpfunc_set_cursor(0);
}

void helpfunc_setdata(Dialog dialog)
{
    const DialogEntry* entry = entry_of(dialog);
    if (entry != nullptr && entry->fill != nullptr)
        entry->fill();
}

int helpfunc_get_id_text(Dialog dialog, Widget* field)
{
    const DialogEntry* entry = entry_of(dialog);
    if (entry == nullptr)
        return 0;
    Widget WidgetTable::*slot = entry->router_field;
    if (slot == nullptr || XmVANTEROWidgets == nullptr || XmVANTEROWidgets->*slot == nullptr)
        return 0;
    *field = XmVANTEROWidgets->*slot;
    return 1;
}

void helpfunc_popup(Dialog dialog)
{
    if (dialog == Dialog::MainWindow)
        return;
    close_ignored = 1;
    helpfunc_create_layout(dialog);
    helpfunc_setdata(dialog);
    Widget field = nullptr;
    if (helpfunc_get_id_text(dialog, &field))
        helpfunc_set_field(field, helpfunc_selected_box.name);
    Widget form = dialog_form(dialog);
    if (form == nullptr)
        return;
    manage_and_fit(dialog, form);
    if (helpfunc_help_shown && dialog_row(dialog)->help_on_popup && hooks.help_turn_to)
        hooks.help_turn_to(dialog);
}

void helpfunc_popdown(Dialog dialog)
{
    const DialogRow* row = dialog_row(dialog);
    if (row == nullptr || dialog == Dialog::MainWindow)
        return;
    if (row->releases_close)
        close_ignored = 0;
    if (helpfunc_help_shown && dialog != Dialog::HelpDialog && row->help_on_popdown &&
        hooks.help_turn_to)
        hooks.help_turn_to(row->help_parent);
    Widget form = dialog_form(dialog);
    if (form == nullptr)
        return;
    XtUnmanageChild(form);
    if (dialog == Dialog::HelpDialog) {
        helpfunc_help_shown = 0;
        XtDestroyWidget(XtParent(form));
        XmVANTEROWidgets->HelpDialog = nullptr;
        XmVANTEROWidgets->HelpClose = nullptr;
        XmVANTEROWidgets->HelpText = nullptr;
    }
}

void helpfunc_set_cursor(int on)
{
    if (XmVANTERO == nullptr)
        return;
    Display* display = XtDisplay(XmVANTERO);
    if (watch_cursor == None)
        watch_cursor = XCreateFontCursor(display, WATCH_CURSOR_GLYPH);
    Cursor cursor = on ? watch_cursor : None;
    define_cursor(display, XmVANTERO, cursor);
    const Dialog* order = dialogs_in_table_order();
    for (int i = 0; i < DIALOG_COUNT; ++i) {
        Widget form = dialog_form(order[i]);
        if (form != nullptr && XtIsManaged(form))
            define_cursor(display, form, cursor);
    }
    XFlush(display);
}

void helpfunc_main_buttons(int open, int router, int lines, int linemon, int accounting,
                           int overview, int close)
{
    WidgetTable* t = XmVANTEROWidgets;
    XtSetSensitive(t->Open, open ? True : False);
    XtSetSensitive(t->ConfigureRouter, router ? True : False);
    XtSetSensitive(t->ConfigureLines, lines ? True : False);
    XtSetSensitive(t->LineMonitor, linemon ? True : False);
    XtSetSensitive(t->Accounting, accounting ? True : False);
    XtSetSensitive(t->Overview, overview ? True : False);
    XtSetSensitive(t->Close, close ? True : False);
}

void helpfunc_main_state(MainState state)
{
    MainButtons b = main_window_buttons(state);
    helpfunc_main_buttons(b.open, b.router, b.lines, b.linemon, b.accounting, b.overview, b.close);
    XtSetSensitive(XmVANTEROWidgets->SelectionList, b.list ? True : False);
}

void helpfunc_error_popup(const char* text, int right, int kind)
{
    helpfunc_create_layout(Dialog::ErrorDialog);
    WidgetTable* t = XmVANTEROWidgets;
    helpfunc_set_label(t->ErrorDialogMessage, text);
    XtVaSetValues(t->ErrorDialog, XmNx, right ? POSITION_RIGHT_X : POSITION_LEFT_X, XmNy,
                  ERROR_BOX_Y, nullptr);
    if (const char* title = error_box_title(kind))
        helpfunc_set_dialog_title(t->ErrorDialog, title);
    manage_and_fit(Dialog::ErrorDialog, t->ErrorDialog);
}

void helpfunc_scan_popup(const char* text, int right, int show)
{
    WidgetTable* t = XmVANTEROWidgets;
    helpfunc_set_label(t->ScanDialogMessage, text);
    if (show) {
        XtVaSetValues(t->ScanDialog, XmNx, right ? POSITION_RIGHT_X : POSITION_LEFT_X, XmNy,
                      BUSY_NOTICE_Y, nullptr);
        manage_and_fit(Dialog::ScanDialog, t->ScanDialog);
    } else {
        // A notice already up changes its text in place and fits it there.
        fit_to_contents(Dialog::ScanDialog);
    }
}

void helpfunc_input_error(Dialog dialog, int code)
{
    int message = input_error_message(dialog, code);
    if (message < 0)
        return;
    helpfunc_error_popup(message_text(message), 1, ERROR_KIND_ERROR);
}

void ErrorCB(Widget, XtPointer, XtPointer)
{
    helpfunc_popdown(Dialog::ErrorDialog);
}

int helpfunc_main_window_closable()
{
    return close_ignored ? 0 : 1;
}
