// The two error boxes: "ErrorDialog", through which every message of the
// program is shown (helpfunc_error_popup places and titles it), and
// "Error2Dialog", the notice that the router holds protocol parameters no
// definition matches, whose OK closes it by itself. Both show the
// exclamation mark at the top left, the text beside it and OK below.
#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/PushB.h>

#include "dialog_builders.h"
#include "dialog_registry.h"
#include "display_services.h"
#include "toolkit.h"
#include "widget_table.h"

extern const char* const ErrorDialogResources[] = {
    "XmQORVEL*ErrorDialog.dialogTitle: Error",
    "XmQORVEL*ErrorDialog.ErrorDialogMessage.fontList: -adobe-helvetica-bold-r-*--12-120-*-*-*-*-iso8859-1",
    "XmQORVEL*ErrorDialog.ErrorDialogOk.labelString: OK",
    nullptr,
};

extern const char* const Error2DialogResources[] = {
    "XmQORVEL*Error2Dialog.dialogTitle: Error",
    "XmQORVEL*Error2Dialog.Error2DialogMessage.labelString: The Router Contains Unknown Protocols. The\\nDefinitions Of These Protocols Are Saved In\\nqorvel.add\\nAll Connections With Known Protocols Are Saved In\\n/tmp/save.cfg",
    "XmQORVEL*Error2Dialog.Error2DialogMessage.fontList: -adobe-helvetica-bold-r-*--12-120-*-*-*-*-iso8859-1",
    "XmQORVEL*Error2Dialog.Error2DialogOk.labelString: OK",
    nullptr,
};

namespace {

struct ErrorBoxNames {
    const char* icon;
    const char* ok;
    const char* message;
};

// Builds the children of either box into its form; returns the message label.
Widget error_box_children(Widget form, const ErrorBoxNames& names, XtCallbackProc ok_callback)
{
    Widget icon =
        XtVaCreateManagedWidget(names.icon, xmLabelWidgetClass, form, XmNlabelType, XmPIXMAP,
                                XmNleftAttachment, XmATTACH_FORM, XmNleftOffset, 15,
                                XmNtopAttachment, XmATTACH_FORM, XmNtopOffset, 15, nullptr);
    XtVaSetValues(icon, XmNlabelPixmap, BitmapFileToPixmap(icon, "error32x32"), nullptr);

    Widget ok = XtVaCreateManagedWidget(
        names.ok, xmPushButtonWidgetClass, form, XmNleftAttachment, XmATTACH_POSITION,
        XmNleftPosition, 38, XmNrightAttachment, XmATTACH_POSITION, XmNrightPosition, 62,
        XmNbottomAttachment, XmATTACH_FORM, XmNbottomOffset, 10, XmNshowAsDefault, 1, nullptr);
    if (ok_callback != nullptr)
        XtAddCallback(ok, XmNactivateCallback, ok_callback, nullptr);
    XtVaSetValues(form, XmNdefaultButton, ok, nullptr);

    return XtVaCreateManagedWidget(
        names.message, xmLabelWidgetClass, form, XmNalignment, XmALIGNMENT_BEGINNING,
        XmNleftAttachment, XmATTACH_WIDGET, XmNleftWidget, icon, XmNleftOffset, 15,
        XmNrightAttachment, XmATTACH_FORM, XmNrightOffset, 15, XmNtopAttachment, XmATTACH_FORM,
        XmNtopOffset, 15, XmNbottomAttachment, XmATTACH_WIDGET, XmNbottomWidget, ok,
        XmNbottomOffset, 15, nullptr);
}

}  // namespace

Widget ErrorDialogLayout(Widget parent, WidgetTable* table)
{
    Widget form = helpfunc_create_form_dialog(parent, Dialog::ErrorDialog);
    table->ErrorDialogMessage = error_box_children(
        form, {"ErrorDialogIconLabel", "ErrorDialogOk", "ErrorDialogMessage"}, ErrorCB);
    table->ErrorDialog = form;
    return form;
}

Widget Error2DialogLayout(Widget parent, WidgetTable* table)
{
    Widget form = helpfunc_create_form_dialog(parent, Dialog::Error2Dialog);
    table->Error2DialogMessage = error_box_children(
        form, {"Error2DialogIconLabel", "Error2DialogOk", "Error2DialogMessage"}, nullptr);
    table->Error2Dialog = form;
    return form;
}
