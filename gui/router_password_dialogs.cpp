// "SetPWDialog" and its two entry prompts "InputPWDialog" and
// "RepeatPWDialog": the router password and the exclusive flag that the
// router settings dialog proposes on its OK. A new password is typed twice,
// each character shown as "X"; nothing is sent from here.
#include "router_password_dialogs.h"

#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/PushB.h>
#include <Xm/Separator.h>
#include <Xm/TextF.h>
#include <Xm/ToggleB.h>

#include "dialog_builders.h"
#include "dialog_entry_points.h"
#include "dialog_registry.h"
#include "display_services.h"
#include "display_texts.h"
#include "globals.h"
#include "message_tables.h"
#include "password_buffer.h"
#include "password_entry.h"
#include "router_password.h"
#include "toolkit.h"
#include "widget_table.h"

extern const char* const SetPWDialogResources[] = {
    "XmQORVEL*SetPWDialog.dialogTitle: Set Router Password",
    "XmQORVEL*SetPWDialog*SetPWHeader.labelString: Set Password",
    "XmQORVEL*SetPWDialog*SetPWHeader.fontList: -adobe-helvetica-bold-r-*--14-*-*-*-*-*-*-1",
    "XmQORVEL*SetPWDialog*SetPWChange.labelString: Change Password",
    "XmQORVEL*SetPWDialog*SetPWDelete.labelString: Delete Password",
    "XmQORVEL*SetPWDialog*SetPWExclusivToggle.labelString: Only configurable by this host",
    "XmQORVEL*SetPWDialog*SetPWOk.labelString: Ok",
    "XmQORVEL*SetPWDialog*SetPWClose.labelString: Cancel",
    "XmQORVEL*SetPWDialog*SetPWHelp.labelString: Help",
    nullptr,
};

extern const char* const InputPWDialogResources[] = {
    "XmQORVEL*InputPWDialog.dialogTitle: Enter Password",
    "XmQORVEL*InputPWDialog*InputPWHeadLine.labelString: Please Enter Password",
    "XmQORVEL*InputPWDialog*InputPWText.background: mistyrose3",
    nullptr,
};

extern const char* const RepeatPWDialogResources[] = {
    "XmQORVEL*RepeatPWDialog.dialogTitle: Enter Password",
    "XmQORVEL*RepeatPWDialog*RepeatPWHeadLine.labelString: Please Reapeat Password",
    "XmQORVEL*RepeatPWDialog*RepeatPWText.background: mistyrose3",
    nullptr,
};

namespace {

constexpr int ENTRY_BUFFER_SIZE = 14;  // PASSWORD_LEN characters, the terminator, room to spare
constexpr int INPUT_X = 766;           // where the program puts the entry prompts
constexpr int INPUT_Y = 655;
constexpr int REPEAT_X = 565;
constexpr int REPEAT_Y = 656;

// The proposal: "SetPWDialog"'s buffer (its user data); the flag is the
// toggle itself once the dialog is built.
PasswordProposal proposal = {};

// The hidden texts of the two entry fields (their user data).
char input_typed[ENTRY_BUFFER_SIZE] = {};
char repeat_typed[ENTRY_BUFFER_SIZE] = {};

// Set while the program empties a field: that change is no typing.
bool emptying_field = false;

Widget row_button(Widget form, const char* name, int left, int right, SetPWAction action)
{
    return helpfunc_row_button(form, name, left, right, SetPWCB, action);
}

void show_proposal()
{
    WidgetTable* t = XmVANTEROWidgets;
    if (t == nullptr || t->SetPWDialog == nullptr)
        return;
    XmToggleButtonSetState(t->SetPWExclusivToggle, proposal.exclusive ? True : False, False);
    XtSetSensitive(t->SetPWDelete, proposal.delete_sensitive ? True : False);
}

Widget entry_dialog(Widget parent, Dialog dialog, const char* label_name, const char* field_name,
                    char* buffer, int x, int y, Widget* field)
{
    Widget form = helpfunc_create_form_dialog(parent, dialog);
    Widget label = XtVaCreateManagedWidget(
        label_name, xmLabelWidgetClass, form, XmNtopAttachment, XmATTACH_FORM, XmNtopOffset, 15,
        XmNleftAttachment, XmATTACH_FORM, XmNrightAttachment, XmATTACH_FORM, nullptr);
    *field = XtVaCreateManagedWidget(
        field_name, xmTextFieldWidgetClass, form, XmNmaxLength, PASSWORD_LEN, XmNuserData,
        static_cast<XtPointer>(buffer), XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, label,
        XmNtopOffset, 10, XmNleftAttachment, XmATTACH_FORM, XmNleftOffset, 30, XmNrightAttachment,
        XmATTACH_FORM, XmNrightOffset, 30, nullptr);
    XtAddCallback(*field, XmNactivateCallback, RepeatCB, action_data(REPEAT_REASON_ENTER));
    XtAddCallback(*field, XmNvalueChangedCallback, RepeatCB, action_data(REPEAT_REASON_CHANGED));
    XtAddCallback(*field, XmNmodifyVerifyCallback, RepeatCB, action_data(REPEAT_REASON_VERIFY));
    XtVaSetValues(form, XmNx, x, XmNy, y, nullptr);
    return form;
}

void empty_entry(Widget field, char* buffer)
{
    password_buffer_clear(buffer, ENTRY_BUFFER_SIZE);
    if (field == nullptr)
        return;
    emptying_field = true;
    XmTextFieldSetString(field, const_cast<char*>(""));
    emptying_field = false;
}

char* buffer_of(Widget field)
{
    XtPointer data = nullptr;
    XtVaGetValues(field, XmNuserData, &data, nullptr);
    return static_cast<char*>(data);
}

// The entry follows every change by position; the field shows one "X" for
// each character.
void verify_change(Widget field, XmTextVerifyCallbackStruct* change)
{
    if (change == nullptr)
        return;
    if (emptying_field) {
        change->doit = True;
        return;
    }
    helpfunc_hide_typed(change, buffer_of(field), ENTRY_BUFFER_SIZE);
}

void entered(Widget field)
{
    WidgetTable* t = XmVANTEROWidgets;
    if (field == t->InputPWText) {
        // An empty entry is asked again like any other: typed twice, it is
        // a proposal too.
        helpfunc_popdown(Dialog::InputPWDialog);
        helpfunc_popup(Dialog::RepeatPWDialog);
        return;
    }
    if (field != t->RepeatPWText)
        return;
    helpfunc_popdown(Dialog::RepeatPWDialog);
    proposal.exclusive = XmToggleButtonGetState(t->SetPWExclusivToggle) != False;
    int refused = password_proposal_confirm(&proposal, input_typed, repeat_typed);
    if (refused != 0)
        helpfunc_error_popup(message_text(refused), 1, ERROR_KIND_ERROR);
    show_proposal();
}

}  // namespace

// -------------------------------------------------------------- builders ---

Widget SetPWDialogLayout(Widget parent, WidgetTable* table)
{
    Widget form = helpfunc_create_form_dialog(parent, Dialog::SetPWDialog);
    XtVaSetValues(form, XmNuserData, static_cast<XtPointer>(proposal.password), nullptr);

    Widget headline = XtVaCreateManagedWidget(
        "HeadLine", xmLabelWidgetClass, form, XmNtopAttachment, XmATTACH_FORM, XmNtopOffset, 5,
        XmNleftAttachment, XmATTACH_POSITION, XmNleftPosition, 2, nullptr);
    Widget header = XtVaCreateManagedWidget(
        "SetPWHeader", xmLabelWidgetClass, form, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget,
        headline, XmNleftAttachment, XmATTACH_POSITION, XmNleftPosition, 2, nullptr);

    table->SetPWChange =
        XtVaCreateManagedWidget("SetPWChange", xmPushButtonWidgetClass, form, XmNtopAttachment,
                                XmATTACH_WIDGET, XmNtopWidget, header, XmNtopOffset, 20,
                                XmNleftAttachment, XmATTACH_FORM, XmNleftOffset, 10, nullptr);
    XtAddCallback(table->SetPWChange, XmNactivateCallback, SetPWCB,
                  action_data(SETPW_ACTION_CHANGE));
    table->SetPWDelete =
        XtVaCreateManagedWidget("SetPWDelete", xmPushButtonWidgetClass, form, XmNtopAttachment,
                                XmATTACH_WIDGET, XmNtopWidget, header, XmNtopOffset, 20,
                                XmNrightAttachment, XmATTACH_FORM, XmNrightOffset, 10, nullptr);
    XtAddCallback(table->SetPWDelete, XmNactivateCallback, SetPWCB,
                  action_data(SETPW_ACTION_DELETE));
    table->SetPWExclusivToggle = XtVaCreateManagedWidget(
        "SetPWExclusivToggle", xmToggleButtonWidgetClass, form, XmNtopAttachment, XmATTACH_WIDGET,
        XmNtopWidget, table->SetPWChange, XmNtopOffset, 20, XmNleftAttachment, XmATTACH_FORM,
        XmNleftOffset, 10, nullptr);
    XtVaCreateManagedWidget("BottomSeparator", xmSeparatorWidgetClass, form, XmNtopAttachment,
                            XmATTACH_WIDGET, XmNtopWidget, table->SetPWExclusivToggle, XmNtopOffset,
                            15, XmNleftAttachment, XmATTACH_FORM, XmNrightAttachment, XmATTACH_FORM,
                            nullptr);

    table->SetPWOk = row_button(form, "SetPWOk", 5, 35, SETPW_ACTION_OK);
    XtVaSetValues(table->SetPWOk, XmNshowAsDefault, 1, nullptr);
    table->SetPWClose = row_button(form, "SetPWClose", 35, 65, SETPW_ACTION_CANCEL);
    table->SetPWHelp = row_button(form, "SetPWHelp", 65, 95, SETPW_ACTION_HELP);
    XtVaSetValues(form, XmNdefaultButton, table->SetPWOk, XmNcancelButton, table->SetPWClose,
                  nullptr);

    for (Widget w : {table->SetPWChange, table->SetPWDelete, table->SetPWExclusivToggle,
                     table->SetPWOk, table->SetPWClose, table->SetPWHelp})
        XmAddTabGroup(w);

    table->SetPWDialog = form;
    show_proposal();
    return form;
}

Widget InputPWDialogLayout(Widget parent, WidgetTable* table)
{
    Widget form = entry_dialog(parent, Dialog::InputPWDialog, "InputPWHeadLine", "InputPWText",
                               input_typed, INPUT_X, INPUT_Y, &table->InputPWText);
    table->InputPWDialog = form;
    return form;
}

Widget RepeatPWDialogLayout(Widget parent, WidgetTable* table)
{
    Widget form = entry_dialog(parent, Dialog::RepeatPWDialog, "RepeatPWHeadLine", "RepeatPWText",
                               repeat_typed, REPEAT_X, REPEAT_Y, &table->RepeatPWText);
    table->RepeatPWDialog = form;
    return form;
}

// ------------------------------------------------------ filled at popup ---

void helpfunc_set_setpw_data(const RouterSettings* settings)
{
    if (settings == nullptr)
        return;
    password_proposal_open(&proposal, *settings);
    show_proposal();
}

void SetPWDialogSetData()
{
    helpfunc_set_setpw_data(&helpfunc_selected_box.cfg);
}

void InputPWDialogSetData()
{
    empty_entry(XmVANTEROWidgets->InputPWText, input_typed);
}

void RepeatPWDialogSetData()
{
    empty_entry(XmVANTEROWidgets->RepeatPWText, repeat_typed);
}

const char* setpw_proposed_password()
{
    return proposal.password;
}

bool setpw_proposed_exclusive()
{
    WidgetTable* t = XmVANTEROWidgets;
    if (t != nullptr && t->SetPWExclusivToggle != nullptr)
        return XmToggleButtonGetState(t->SetPWExclusivToggle) != False;
    return proposal.exclusive;
}

// ------------------------------------------------------------ callbacks ---

void SetPWCB(Widget, XtPointer client, XtPointer)
{
    WidgetTable* t = XmVANTEROWidgets;
    switch (action_code(client)) {
    case SETPW_ACTION_OK:
        proposal.exclusive = XmToggleButtonGetState(t->SetPWExclusivToggle) != False;
        helpfunc_popdown(Dialog::SetPWDialog);
        break;
    case SETPW_ACTION_HELP:
        helpfunc_popup_help(Dialog::SetPWDialog);
        break;
    case SETPW_ACTION_CANCEL:
        // Nothing of this visit stays: the password and the flag alike.
        password_proposal_cancel(&proposal, helpfunc_selected_box.cfg);
        show_proposal();
        helpfunc_popdown(Dialog::SetPWDialog);
        break;
    case SETPW_ACTION_CHANGE:
        helpfunc_popup(Dialog::InputPWDialog);
        break;
    case SETPW_ACTION_DELETE:
        password_proposal_delete(&proposal);
        XtSetSensitive(t->SetPWDelete, False);
        break;
    default:
        break;
    }
}

void RepeatCB(Widget widget, XtPointer client, XtPointer call)
{
    switch (action_code(client)) {
    case REPEAT_REASON_VERIFY:
        verify_change(widget, static_cast<XmTextVerifyCallbackStruct*>(call));
        break;
    case REPEAT_REASON_ENTER:
        entered(widget);
        break;
    default:
        // Every change was taken into the buffer as it was made.
        break;
    }
}
