// The busy notice "ScanDialog": an hourglass and one line of text, no
// button. It is built with the main window and shown while the program
// waits for the network (scan, overview, long reads and writes); whoever
// showed it pops it down when the wait ends.
#include <Xm/Form.h>
#include <Xm/Label.h>

#include "dialog_builders.h"
#include "dialog_registry.h"
#include "toolkit.h"
#include "widget_table.h"

extern const char* const ScanDialogResources[] = {
    "XmQORVEL*ScanDialog.dialogTitle: Please Wait",
    "XmQORVEL*ScanDialog.ScanDialogMessage.labelString: Scanning Network - Please Wait",
    "XmQORVEL*ScanDialog.ScanDialogMessage.fontList: -adobe-helvetica-bold-r-*--12-120-*-*-*-*-iso8859-1",
    nullptr,
};

namespace {

constexpr int NOTICE_BORDER = 1;  // pixels of the window's border
constexpr int NOTICE_SHADOW = 2;  // pixels of the form's shadow

}  // namespace

Widget ScanDialogLayout(Widget parent, WidgetTable* table)
{
    Widget form = helpfunc_create_form_dialog(parent, Dialog::ScanDialog);
    // The notice stands over dialogs of the same grey and cuts their texts;
    // without a window manager only its own frame tells it from them: a
    // black border around its window and a raised shadow inside it.
    XtVaSetValues(XtParent(form), XmNborderWidth, NOTICE_BORDER, XmNborderColor,
                  BlackPixelOfScreen(XtScreen(form)), nullptr);
    XtVaSetValues(form, XmNshadowThickness, NOTICE_SHADOW, XmNshadowType, XmSHADOW_OUT, nullptr);

    Widget icon = XtVaCreateManagedWidget("ScanDialogIconLabel", xmLabelWidgetClass, form,
                                          XmNlabelType, XmPIXMAP, XmNleftAttachment, XmATTACH_FORM,
                                          XmNleftOffset, 10, XmNtopAttachment, XmATTACH_FORM,
                                          XmNbottomAttachment, XmATTACH_FORM, nullptr);
    XtVaSetValues(icon, XmNlabelPixmap, BitmapFileToPixmap(icon, "hglass32x32"), nullptr);

    table->ScanDialogMessage = XtVaCreateManagedWidget(
        "ScanDialogMessage", xmLabelWidgetClass, form, XmNleftAttachment, XmATTACH_WIDGET,
        XmNleftWidget, icon, XmNleftOffset, 10, XmNrightAttachment, XmATTACH_FORM, XmNrightOffset,
        10, XmNtopAttachment, XmATTACH_FORM, XmNbottomAttachment, XmATTACH_FORM, nullptr);

    table->ScanDialog = form;
    return form;
}
