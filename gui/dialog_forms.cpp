#include "dialog_forms.h"

#include <Xm/Form.h>

#include <cstddef>

#include "dialog_table.h"

namespace {

// Indexed by the enumeration; MainWindow has no slot of its own here.
Widget WidgetTable::*const FORM_SLOTS[WINDOW_COUNT] = {nullptr,
#define QORVEL_DIALOG_SLOT(id, ...) &WidgetTable::id,
                                                       QORVEL_DIALOGS(QORVEL_DIALOG_SLOT)
#undef QORVEL_DIALOG_SLOT
};

// The widget table groups each dialog's slots behind its form, in the order
// of the dialog table: the busy cursor and the tests walk it so.
constexpr size_t FORM_OFFSETS[DIALOG_COUNT] = {
#define QORVEL_DIALOG_OFFSET(id, ...) offsetof(WidgetTable, id),
    QORVEL_DIALOGS(QORVEL_DIALOG_OFFSET)
#undef QORVEL_DIALOG_OFFSET
};

constexpr bool forms_in_table_order()
{
    for (int i = 1; i < DIALOG_COUNT; ++i)
        if (FORM_OFFSETS[i] <= FORM_OFFSETS[i - 1])
            return false;
    return FORM_OFFSETS[0] > 0;  // the main window's slots come first
}
static_assert(forms_in_table_order(), "the widget table holds the dialogs in table order");

}  // namespace

Widget WidgetTable::*dialog_form_slot(Dialog dialog)
{
    const int n = static_cast<int>(dialog);
    if (n <= 0 || n >= WINDOW_COUNT)
        return nullptr;
    return FORM_SLOTS[n];
}

Widget dialog_form(Dialog dialog)
{
    Widget WidgetTable::*slot = dialog_form_slot(dialog);
    if (slot == nullptr || XmVANTEROWidgets == nullptr)
        return nullptr;
    return XmVANTEROWidgets->*slot;
}

Widget helpfunc_create_form_dialog(Widget parent, Dialog dialog)
{
    const DialogRow* row = dialog_row(dialog);
    if (row == nullptr || dialog == Dialog::MainWindow)
        return nullptr;
    unsigned char style = XmDIALOG_MODELESS;
    if (row->modality == Modality::FULL)
        style = XmDIALOG_FULL_APPLICATION_MODAL;
    else if (row->modality == Modality::PRIMARY)
        style = XmDIALOG_PRIMARY_APPLICATION_MODAL;

    Arg args[10];
    Cardinal n = 0;
    XtSetArg(args[n], XmNdialogStyle, style);
    ++n;
    XtSetArg(args[n], XmNautoUnmanage, row->closes_itself ? True : False);
    ++n;
    XtSetArg(args[n], XmNdefaultPosition, row->placement == Placement::CENTRED ? True : False);
    ++n;
    XtSetArg(args[n], XmNresizePolicy, row->grows ? XmRESIZE_GROW : XmRESIZE_NONE);
    ++n;
    XtSetArg(args[n], XmNnoResize, row->grows ? False : True);
    ++n;
    XtSetArg(args[n], XmNshadowThickness, 1);
    ++n;
    XtSetArg(args[n], XmNwidth, row->width);
    ++n;
    if (row->height > 0) {
        XtSetArg(args[n], XmNheight, row->height);
        ++n;
    }
    return XmCreateFormDialog(parent, const_cast<char*>(row->name), args, n);
}
