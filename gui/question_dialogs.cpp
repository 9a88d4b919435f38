// The two confirmations of the router settings: "QuestionDialog", raised by
// the failure handling when the router could not take a new configuration
// (table full, flash memory not writable), offers the firmware download with
// that configuration instead; "Question2Dialog" asks before a router is
// given an address outside the local network. Both show the question mark,
// the question, Yes and No (the default).
#include "question_dialogs.h"

#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/PushB.h>

#include "dialog_builders.h"
#include "dialog_registry.h"
#include "display_services.h"
#include "display_texts.h"
#include "globals.h"
#include "host.h"
#include "message_tables.h"
#include "router_settings_dialog.h"
#include "router_settings_fields.h"
#include "toolkit.h"
#include "widget_table.h"

extern const char* const QuestionDialogResources[] = {
    "XmQORVEL*QuestionDialog.dialogTitle: Confirmation",
    "XmQORVEL*QuestionDialog.QuestionDialogMessage.labelString: Writing Into The Flashrom failed!\\nDo You Want A New Download With The New\\nConfiguration Data?",
    "XmQORVEL*QuestionDialog.QuestionDialogMessage.fontList: -adobe-helvetica-bold-r-*--12-120-*-*-*-*-iso8859-1",
    "XmQORVEL*QuestionDialog.QuestionDialogYes.labelString: Yes ",
    "XmQORVEL*QuestionDialog.QuestionDialogNo.labelString: No",
    nullptr,
};

extern const char* const Question2DialogResources[] = {
    "XmQORVEL*Question2Dialog.dialogTitle: Confirmation",
    "XmQORVEL*Question2Dialog.Question2DialogMessage.labelString: This IP-Address Do Not Belong\\nTo Your Local Network! Are You Sure?",
    "XmQORVEL*Question2Dialog.Question2DialogMessage.fontList: -adobe-helvetica-bold-r-*--12-120-*-*-*-*-iso8859-1",
    "XmQORVEL*Question2Dialog.Question2DialogYes.labelString: Yes ",
    "XmQORVEL*Question2Dialog.Question2DialogNo.labelString: No",
    nullptr,
};

namespace {

constexpr int QUESTION_X = 703;  // where the program puts "QuestionDialog"
constexpr int QUESTION_Y = 504;
constexpr int ANSWER_WIDTH = 80;
constexpr int MESSAGE_MARGIN =
    15;  // pixels between the question and the right edge, as at the left

struct QuestionNames {
    const char* icon;
    const char* message;
    const char* yes;
    const char* no;
    int message_top;  // pixels from the top
    QuestionAction yes_action;
    QuestionAction no_action;
};

struct QuestionWidgets {
    Widget message, yes, no;
};

Widget answer_button(Widget form, const char* name, QuestionAction action)
{
    Widget button =
        XtVaCreateManagedWidget(name, xmPushButtonWidgetClass, form, XmNwidth, ANSWER_WIDTH,
                                XmNbottomAttachment, XmATTACH_FORM, XmNbottomOffset, 10, nullptr);
    XtAddCallback(button, XmNactivateCallback, QuestionCB, action_data(action));
    return button;
}

QuestionWidgets question_children(Widget form, const QuestionNames& names)
{
    Widget icon =
        XtVaCreateManagedWidget(names.icon, xmLabelWidgetClass, form, XmNlabelType, XmPIXMAP,
                                XmNleftAttachment, XmATTACH_FORM, XmNleftOffset, 15,
                                XmNtopAttachment, XmATTACH_FORM, XmNtopOffset, 26, nullptr);
    XtVaSetValues(icon, XmNlabelPixmap, BitmapFileToPixmap(icon, "question32x32"), nullptr);

    QuestionWidgets w;
    w.message = XtVaCreateManagedWidget(
        names.message, xmLabelWidgetClass, form, XmNalignment, XmALIGNMENT_BEGINNING,
        XmNleftAttachment, XmATTACH_WIDGET, XmNleftWidget, icon, XmNleftOffset, 15,
        XmNrightAttachment, XmATTACH_FORM, XmNrightOffset, MESSAGE_MARGIN, XmNtopAttachment,
        XmATTACH_FORM, XmNtopOffset, names.message_top, nullptr);
    w.yes = answer_button(form, names.yes, names.yes_action);
    XtVaSetValues(w.yes, XmNleftAttachment, XmATTACH_POSITION, XmNleftPosition, 10, nullptr);
    w.no = answer_button(form, names.no, names.no_action);
    XtVaSetValues(w.no, XmNrightAttachment, XmATTACH_POSITION, XmNrightPosition, 90,
                  XmNshowAsDefault, 1, nullptr);
    XtVaSetValues(form, XmNdefaultButton, w.no, nullptr);
    return w;
}

void question_raised(Widget, XtPointer, XtPointer)
{
    rconfig_question_raised();
}

}  // namespace

Widget QuestionDialogLayout(Widget parent, WidgetTable* table)
{
    Widget form = helpfunc_create_form_dialog(parent, Dialog::QuestionDialog);
    QuestionWidgets w = question_children(
        form, {"QuestionDialogIconLabel", "QuestionDialogMessage", "QuestionDialogYes",
               "QuestionDialogNo", 18, QUESTION_ACTION_DOWNLOAD_YES, QUESTION_ACTION_DOWNLOAD_NO});
    XtVaSetValues(form, XmNx, QUESTION_X, XmNy, QUESTION_Y, nullptr);
    // The failure handling pops the question up right after it took the
    // settings dialog down: the moment to learn which proposal was refused.
    XtAddCallback(XtParent(form), XmNpopupCallback, question_raised, nullptr);
    table->QuestionDialogMessage = w.message;
    table->QuestionDialogYes = w.yes;
    table->QuestionDialogNo = w.no;
    table->QuestionDialog = form;
    return form;
}

Widget Question2DialogLayout(Widget parent, WidgetTable* table)
{
    Widget form = helpfunc_create_form_dialog(parent, Dialog::Question2Dialog);
    QuestionWidgets w = question_children(
        form, {"Question2DialogIconLabel", "Question2DialogMessage", "Question2DialogYes",
               "Question2DialogNo", 25, QUESTION_ACTION_SUBNET_YES, QUESTION_ACTION_SUBNET_NO});
    table->Question2DialogMessage = w.message;
    table->Question2DialogYes = w.yes;
    table->Question2DialogNo = w.no;
    table->Question2Dialog = form;
    return form;
}

void QuestionCB(Widget, XtPointer client, XtPointer)
{
    switch (action_code(client)) {
    case QUESTION_ACTION_DOWNLOAD_YES:
        helpfunc_popdown(Dialog::QuestionDialog);
        rconfig_download_again();
        break;
    case QUESTION_ACTION_DOWNLOAD_NO:
        helpfunc_popdown(Dialog::QuestionDialog);
        rconfig_forget_refusal();
        // As any other failure: the tables go to the emergency copy and the
        // registration ends.
        main_error(0);
        break;
    case QUESTION_ACTION_SUBNET_YES: {
        helpfunc_popdown(Dialog::Question2Dialog);
        // The settings dialog took no input meanwhile; read it again all the
        // same, as OK does, and apply without asking again.
        RouterSettings proposal{};
        helpfunc_get_rconfig_data(&proposal);
        int change = helpfunc_check_rconfig_data(&helpfunc_selected_box.cfg, &proposal);
        if (change > 0) {
            helpfunc_error_popup(message_text(change), 1, ERROR_KIND_ERROR);
            break;
        }
        if (change < 0)
            rconfig_apply_change(proposal, change);
        else
            helpfunc_popdown(Dialog::RConfigDialog);
        break;
    }
    case QUESTION_ACTION_SUBNET_NO:
        helpfunc_popdown(Dialog::Question2Dialog);
        break;
    default:
        break;
    }
}
