// The about box, opened by the main window's logo: the logo, the product
// line, the version and an author line; its OK closes it by itself.
#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/PushB.h>

#include "dialog_builders.h"
#include "dialog_registry.h"
#include "toolkit.h"
#include "widget_table.h"

namespace {
constexpr const char VERSION_TEXT[] = "Version: 1.4.1";
}

extern const char* const AboutDialogResources[] = {
    "XmQORVEL*AboutDialog.dialogTitle: About quarnVANTERO",
    "XmQORVEL*AboutDialog.AboutProductLine.labelString: quarnVANTERO",
    "XmQORVEL*AboutDialog.AboutProductLine.fontList: -adobe-helvetica-bold-r-*--25-*-*-*-*-*-*-1",
    "XmQORVEL*AboutDialog.AboutVersion.fontList: -adobe-helvetica-bold-r-*--14-*-*-*-*-*-*-1",
    "XmQORVEL*AboutDialog.AboutAuthor.labelString: ISDN Router Configuration and Monitoring",
    "XmQORVEL*AboutDialog.AboutOk.labelString: OK",
    nullptr,
};

Widget AboutDialogLayout(Widget parent, WidgetTable* table)
{
    Widget form = helpfunc_create_form_dialog(parent, Dialog::AboutDialog);

    Widget logo =
        XtVaCreateManagedWidget("AboutLogo", xmLabelWidgetClass, form, XmNlabelType, XmPIXMAP,
                                XmNleftAttachment, XmATTACH_FORM, XmNleftOffset, 15,
                                XmNtopAttachment, XmATTACH_FORM, XmNtopOffset, 15, nullptr);
    XtVaSetValues(logo, XmNlabelPixmap, BitmapFileToPixmap(logo, "quarn"), nullptr);

    table->AboutProductLine = XtVaCreateManagedWidget(
        "AboutProductLine", xmLabelWidgetClass, form, XmNalignment, XmALIGNMENT_BEGINNING,
        XmNleftAttachment, XmATTACH_WIDGET, XmNleftWidget, logo, XmNleftOffset, 15,
        XmNrightAttachment, XmATTACH_FORM, XmNrightOffset, 10, XmNtopAttachment, XmATTACH_FORM,
        XmNtopOffset, 25, nullptr);
    table->AboutVersion = XtVaCreateManagedWidget(
        "AboutVersion", xmLabelWidgetClass, form, XmNalignment, XmALIGNMENT_BEGINNING,
        XmNleftAttachment, XmATTACH_WIDGET, XmNleftWidget, logo, XmNleftOffset, 15,
        XmNrightAttachment, XmATTACH_FORM, XmNrightOffset, 10, XmNtopAttachment, XmATTACH_WIDGET,
        XmNtopWidget, table->AboutProductLine, XmNtopOffset, 10, nullptr);

    Widget ok = XtVaCreateManagedWidget(
        "AboutOk", xmPushButtonWidgetClass, form, XmNleftAttachment, XmATTACH_POSITION,
        XmNleftPosition, 38, XmNrightAttachment, XmATTACH_POSITION, XmNrightPosition, 62,
        XmNbottomAttachment, XmATTACH_FORM, XmNbottomOffset, 10, XmNshowAsDefault, 1, nullptr);
    XtVaSetValues(form, XmNdefaultButton, ok, nullptr);

    XtVaCreateManagedWidget("AboutAuthor", xmLabelWidgetClass, form, XmNleftAttachment,
                            XmATTACH_FORM, XmNleftOffset, 10, XmNrightAttachment, XmATTACH_FORM,
                            XmNrightOffset, 10, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget,
                            logo, XmNtopOffset, 20, nullptr);

    helpfunc_set_label(table->AboutVersion, VERSION_TEXT);
    table->AboutDialog = form;
    return form;
}
