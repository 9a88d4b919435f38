#include "table_list_dialog.h"

#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/List.h>
#include <Xm/PushB.h>
#include <Xm/ScrolledW.h>
#include <Xm/Separator.h>
#include <Xm/TextF.h>

#include <cstdint>

#include "dialog_registry.h"
#include "display_services.h"
#include "globals.h"
#include "list.h"
#include "toolkit.h"

namespace {

constexpr int LIST_VISIBLE_LINES = 10;
constexpr int TABLE_BUTTON_WIDTH = 100;  // Open, Add, Delete
constexpr int BOTTOM_BUTTON_WIDTH = 90;  // Close, Help
constexpr int ID_LABEL_WIDTH = 70;
constexpr int ROW_LABEL_WIDTH = 200;
constexpr int ROW_LABEL_MARGIN = 9;  // lets a label stand as high as its field

Widget slot(Widget WidgetTable::*member)
{
    return XmVANTEROWidgets != nullptr ? XmVANTEROWidgets->*member : nullptr;
}

void sensitive(Widget w, bool on)
{
    if (w != nullptr)
        XtSetSensitive(w, on ? True : False);
}

void open_and_delete(const TableListDialog& d, bool on)
{
    sensitive(slot(d.open), on);
    sensitive(slot(d.remove), on);
}

Widget push_button(Widget parent, const char* name, int action, XtCallbackProc callback,
                   ArgList args, Cardinal n)
{
    Widget button = XmCreatePushButton(parent, const_cast<char*>(name), args, n);
    XtAddCallback(button, XmNactivateCallback, callback, action_data(action));
    XtManageChild(button);
    return button;
}

Widget label(Widget parent, const char* name, ArgList args, Cardinal n)
{
    Widget w = XmCreateLabel(parent, const_cast<char*>(name), args, n);
    XtManageChild(w);
    return w;
}

// Head line, header and the router field that both kinds of dialog open
// with. Returns the router field.
Widget dialog_head(Widget form, const char* header_name, const char* id_label_name,
                   const char* id_text_name)
{
    Arg args[14];
    Cardinal n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_POSITION);
    ++n;
    XtSetArg(args[n], XmNleftPosition, 2);
    ++n;
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNtopOffset, 10);
    ++n;
    Widget head = label(form, "HeadLine", args, n);

    n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_POSITION);
    ++n;
    XtSetArg(args[n], XmNleftPosition, 2);
    ++n;
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNtopWidget, head);
    ++n;
    XtSetArg(args[n], XmNtopOffset, 10);
    ++n;
    XtSetArg(args[n], XmNalignment, XmALIGNMENT_BEGINNING);
    ++n;
    Widget header = label(form, header_name, args, n);

    n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_POSITION);
    ++n;
    XtSetArg(args[n], XmNleftPosition, 2);
    ++n;
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNtopWidget, header);
    ++n;
    XtSetArg(args[n], XmNtopOffset, 8);
    ++n;
    XtSetArg(args[n], XmNwidth, ID_LABEL_WIDTH);
    ++n;
    XtSetArg(args[n], XmNrecomputeSize, False);
    ++n;
    XtSetArg(args[n], XmNalignment, XmALIGNMENT_BEGINNING);
    ++n;
    Widget id_label = label(form, id_label_name, args, n);

    n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNleftWidget, id_label);
    ++n;
    XtSetArg(args[n], XmNrightAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNrightOffset, 10);
    ++n;
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_OPPOSITE_WIDGET);
    ++n;
    XtSetArg(args[n], XmNtopWidget, id_label);
    ++n;
    XtSetArg(args[n], XmNeditable, False);
    ++n;
    XtSetArg(args[n], XmNcursorPositionVisible, False);
    ++n;
    XtSetArg(args[n], XmNshadowThickness, 0);
    ++n;
    XtSetArg(args[n], XmNhighlightThickness, 0);
    ++n;
    XtSetArg(args[n], XmNtraversalOn, False);
    ++n;
    // As high as its label, so that it stands beside it like text.
    XtSetArg(args[n], XmNmarginHeight, 0);
    ++n;
    Widget id_text = XmCreateTextField(form, const_cast<char*>(id_text_name), args, n);
    XtManageChild(id_text);
    return id_text;
}

// The inner form between the router field and the bottom buttons, with its
// separator along the bottom. Returns the separator through *separator.
Widget inner_form(Widget form, const char* name, Widget above, Widget below, Widget* separator)
{
    Arg args[12];
    Cardinal n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNleftOffset, 10);
    ++n;
    XtSetArg(args[n], XmNrightAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNrightOffset, 10);
    ++n;
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNtopWidget, above);
    ++n;
    XtSetArg(args[n], XmNtopOffset, 10);
    ++n;
    XtSetArg(args[n], XmNbottomAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNbottomWidget, below);
    ++n;
    XtSetArg(args[n], XmNbottomOffset, 10);
    ++n;
    XtSetArg(args[n], XmNresizePolicy, XmRESIZE_NONE);
    ++n;
    Widget inner = XmCreateForm(form, const_cast<char*>(name), args, n);

    n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNrightAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNbottomAttachment, XmATTACH_FORM);
    ++n;
    *separator = XmCreateSeparator(inner, const_cast<char*>("BottomSeparator"), args, n);
    XtManageChild(*separator);
    XtManageChild(inner);
    return inner;
}

}  // namespace

// ------------------------------------------------------------- actions ---

void table_list_set_lines(Widget list, const std::vector<std::string>& lines)
{
    if (list == nullptr)
        return;
    XmListDeleteAllItems(list);
    for (const std::string& line : lines) {
        CompoundString item(line.c_str());
        XmListAddItemUnselected(list, item, 0);
    }
    XmListDeselectAllItems(list);
}

void table_list_fill(const TableListDialog& d)
{
    ListObject* entries = *d.entries;
    table_list_set_lines(slot(d.list),
                         entries != nullptr ? d.lines(entries) : std::vector<std::string>());
    sensitive(slot(d.add), entries != nullptr && d.can_add(entries->count));
}

int table_list_selected(const TableListDialog& d)
{
    return helpfunc_first_selected(slot(d.list));
}

void table_list_open(const TableListDialog& d, int position)
{
    ListObject* entries = *d.entries;
    if (entries == nullptr || position < 1 || position > d.listed(entries))
        return;
    ListNode* node = entries->ops->list_get_at(entries, position);
    if (node == nullptr || node->element == nullptr)
        return;
    helpfunc_create_layout(d.editor);
    selected_elem = node;
    XmListSelectPos(slot(d.list), position, False);
    d.show(node->element, position);
    helpfunc_popup(d.editor);
}

void table_list_add(const TableListDialog& d, const void* defaults)
{
    ListObject* entries = *d.entries;
    if (entries == nullptr || !d.can_add(entries->count))
        return;
    selected_elem = nullptr;
    helpfunc_create_layout(d.editor);
    d.show(defaults, d.listed(entries) + 1);
    helpfunc_popup(d.editor);
}

void table_list_delete(const TableListDialog& d)
{
    ListObject* entries = *d.entries;
    const int position = table_list_selected(d);
    if (entries == nullptr || position < 1 || position > d.listed(entries))
        return;
    entries->ops->list_remove_at(entries, position);
    open_and_delete(d, false);
    helpfunc_popup(d.table);
}

void table_list_selection(const TableListDialog& d)
{
    open_and_delete(d, table_list_selected(d) > 0);
}

void table_list_close(const TableListDialog& d)
{
    helpfunc_popdown(d.table);
    if (Widget list = slot(d.list))
        XmListDeselectAllItems(list);
    open_and_delete(d, false);
}

int table_list_edit_position(const TableListDialog& d)
{
    ListObject* entries = *d.entries;
    if (entries == nullptr)
        return -1;
    if (selected_elem == nullptr)
        return 0;
    // The node must still be one of this table's listed entries: its place
    // is looked up rather than remembered, so nothing freed is ever written.
    const int listed = d.listed(entries);
    int position = 1;
    for (ListNode* node = entries->head; node != nullptr && position <= listed;
         node = node->next, ++position) {
        if (node == selected_elem)
            return position;
    }
    return -1;
}

void table_list_stored(const TableListDialog& d, int position)
{
    helpfunc_popdown(d.editor);
    if (position <= 0)
        return;
    helpfunc_popup(d.table);
    if (Widget list = slot(d.list))
        XmListSelectPos(list, position, False);
    open_and_delete(d, true);
}

std::string table_field_text(Widget field)
{
    if (field == nullptr)
        return std::string();
    char* text = XmTextFieldGetString(field);
    if (text == nullptr)
        return std::string();
    std::string result(text);
    XtFree(text);
    return result;
}

// ------------------------------------------------------------ builders ---

TableLayout table_list_layout(Widget parent, Dialog dialog, const TableLayoutNames& names,
                              const TableLayoutCodes& codes, XtCallbackProc callback,
                              TableLayoutExtra extra, WidgetTable* table)
{
    TableLayout l = {};
    l.form = helpfunc_create_form_dialog(parent, dialog);
    l.id_text = dialog_head(l.form, names.header, names.id_label, names.id_text);

    Arg args[12];
    Cardinal n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_POSITION);
    ++n;
    XtSetArg(args[n], XmNleftPosition, 10);
    ++n;
    XtSetArg(args[n], XmNbottomAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNbottomOffset, 10);
    ++n;
    XtSetArg(args[n], XmNwidth, BOTTOM_BUTTON_WIDTH);
    ++n;
    XtSetArg(args[n], XmNshowAsDefault, 1);
    ++n;
    l.close = push_button(l.form, names.close, codes.close, callback, args, n);
    XtVaSetValues(l.form, XmNdefaultButton, l.close, nullptr);

    n = 0;
    XtSetArg(args[n], XmNrightAttachment, XmATTACH_POSITION);
    ++n;
    XtSetArg(args[n], XmNrightPosition, 90);
    ++n;
    XtSetArg(args[n], XmNbottomAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNbottomOffset, 10);
    ++n;
    XtSetArg(args[n], XmNwidth, BOTTOM_BUTTON_WIDTH);
    ++n;
    l.help = push_button(l.form, names.help, codes.help, callback, args, n);

    Widget separator = nullptr;
    l.inner = inner_form(l.form, names.form, l.id_text, l.close, &separator);

    n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNbottomAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNbottomWidget, separator);
    ++n;
    XtSetArg(args[n], XmNbottomOffset, 20);
    ++n;
    XtSetArg(args[n], XmNwidth, TABLE_BUTTON_WIDTH);
    ++n;
    XtSetArg(args[n], XmNsensitive, False);
    ++n;
    l.open = push_button(l.inner, names.open, codes.open, callback, args, n);

    n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNleftWidget, l.open);
    ++n;
    XtSetArg(args[n], XmNleftOffset, 5);
    ++n;
    XtSetArg(args[n], XmNbottomAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNbottomWidget, separator);
    ++n;
    XtSetArg(args[n], XmNbottomOffset, 20);
    ++n;
    XtSetArg(args[n], XmNwidth, TABLE_BUTTON_WIDTH);
    ++n;
    l.add = push_button(l.inner, names.add, codes.add, callback, args, n);

    n = 0;
    XtSetArg(args[n], XmNrightAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNbottomAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNbottomWidget, separator);
    ++n;
    XtSetArg(args[n], XmNbottomOffset, 20);
    ++n;
    XtSetArg(args[n], XmNwidth, TABLE_BUTTON_WIDTH);
    ++n;
    XtSetArg(args[n], XmNsensitive, False);
    ++n;
    l.remove = push_button(l.inner, names.remove, codes.remove, callback, args, n);

    Widget list_floor = extra != nullptr ? extra(l.inner, l.open, callback, table) : l.open;

    n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNalignment, XmALIGNMENT_BEGINNING);
    ++n;
    Widget list_label = label(l.inner, names.list_label, args, n);

    n = 0;
    XtSetArg(args[n], XmNselectionPolicy, XmSINGLE_SELECT);
    ++n;
    XtSetArg(args[n], XmNvisibleItemCount, LIST_VISIBLE_LINES);
    ++n;
    XtSetArg(args[n], XmNscrollBarDisplayPolicy, XmSTATIC);
    ++n;
    l.list = XmCreateScrolledList(l.inner, const_cast<char*>(names.list), args, n);
    // Hung from its label only: the list keeps the height of its ten lines,
    // and what room the dialog has left stays free above the buttons.
    XtVaSetValues(XtParent(l.list), XmNleftAttachment, XmATTACH_FORM, XmNrightAttachment,
                  XmATTACH_FORM, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, list_label,
                  XmNtopOffset, 5, nullptr);
    XtAddCallback(l.list, XmNsingleSelectionCallback, callback, action_data(codes.select));
    XtAddCallback(l.list, XmNdefaultActionCallback, callback, action_data(codes.double_click));
    XtManageChild(l.list);
    helpfunc_list_colours(l.form, l.list);

    XmAddTabGroup(l.list);
    if (extra != nullptr)
        XmAddTabGroup(list_floor);
    table_tab_groups({l.open, l.add, l.remove, l.close, l.help});
    return l;
}

EditLayout edit_dialog_layout(Widget parent, Dialog dialog, const EditLayoutNames& names,
                              XtCallbackProc callback)
{
    EditLayout l = {};
    l.form = helpfunc_create_form_dialog(parent, dialog);
    l.id_text = dialog_head(l.form, names.header, names.id_label, names.id_text);

    struct Button {
        const char* name;
        int action;
        int left, right;  // % of the width
        Widget* widget;
    };
    const Button buttons[] = {
        {names.ok, EDIT_OK, 10, 30, &l.ok},
        {names.cancel, EDIT_CANCEL, 40, 60, &l.cancel},
        {names.help, EDIT_HELP, 70, 90, &l.help},
    };
    for (const Button& b : buttons) {
        Arg args[8];
        Cardinal n = 0;
        XtSetArg(args[n], XmNleftAttachment, XmATTACH_POSITION);
        ++n;
        XtSetArg(args[n], XmNleftPosition, b.left);
        ++n;
        XtSetArg(args[n], XmNrightAttachment, XmATTACH_POSITION);
        ++n;
        XtSetArg(args[n], XmNrightPosition, b.right);
        ++n;
        XtSetArg(args[n], XmNbottomAttachment, XmATTACH_FORM);
        ++n;
        XtSetArg(args[n], XmNbottomOffset, 10);
        ++n;
        if (b.action == EDIT_OK) {
            XtSetArg(args[n], XmNshowAsDefault, 1);
            ++n;
        }
        *b.widget = push_button(l.form, b.name, b.action, callback, args, n);
    }
    XtVaSetValues(l.form, XmNdefaultButton, l.ok, XmNcancelButton, l.cancel, nullptr);

    Widget separator = nullptr;
    l.inner = inner_form(l.form, names.form, l.id_text, l.ok, &separator);
    return l;
}

EditRow edit_dialog_row(Widget inner, const char* label_name, const char* field_name, Widget above,
                        int offset, int right_offset, int max_length)
{
    EditRow row = {};
    Arg args[12];
    Cardinal n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM);
    ++n;
    if (above != nullptr) {
        XtSetArg(args[n], XmNtopAttachment, XmATTACH_WIDGET);
        ++n;
        XtSetArg(args[n], XmNtopWidget, above);
        ++n;
    } else {
        XtSetArg(args[n], XmNtopAttachment, XmATTACH_FORM);
        ++n;
    }
    XtSetArg(args[n], XmNtopOffset, offset);
    ++n;
    XtSetArg(args[n], XmNwidth, ROW_LABEL_WIDTH);
    ++n;
    XtSetArg(args[n], XmNmarginHeight, ROW_LABEL_MARGIN);
    ++n;
    XtSetArg(args[n], XmNrecomputeSize, False);
    ++n;
    XtSetArg(args[n], XmNalignment, XmALIGNMENT_BEGINNING);
    ++n;
    row.label = label(inner, label_name, args, n);

    n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNleftWidget, row.label);
    ++n;
    XtSetArg(args[n], XmNrightAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNrightOffset, right_offset);
    ++n;
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_OPPOSITE_WIDGET);
    ++n;
    XtSetArg(args[n], XmNtopWidget, row.label);
    ++n;
    if (max_length > 0) {
        XtSetArg(args[n], XmNmaxLength, max_length);
        ++n;
    }
    row.field = XmCreateTextField(inner, const_cast<char*>(field_name), args, n);
    XtManageChild(row.field);
    return row;
}

void table_tab_groups(std::initializer_list<Widget> widgets)
{
    for (Widget w : widgets) {
        if (w != nullptr)
            XmAddTabGroup(w);
    }
}
