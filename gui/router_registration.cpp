#include "router_registration.h"

#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/List.h>
#include <Xm/TextF.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "dialog_builders.h"
#include "dialog_entry_points.h"
#include "dialog_registry.h"
#include "display_services.h"
#include "display_texts.h"
#include "globals.h"
#include "highstate.h"
#include "line_target_dialog.h"
#include "message_tables.h"
#include "myutil.h"
#include "password_buffer.h"
#include "password_entry.h"
#include "registration.h"
#include "request_gate.h"
#include "toolkit.h"
#include "widget_table.h"

// Title, head line and the hidden entry, in the order of the widgets.
extern const char* const PWDialogResources[] = {
    "XmQORVEL*PWDialog.dialogTitle: Password",
    "XmQORVEL*PWDialog.PWHeadLine.labelString: Password",
    "XmQORVEL*PWDialog.PWHeadLine.fontList: -adobe-helvetica-bold-r-normal--18-180-75-75-p-103-iso8859-1",
    "XmQORVEL*PWDialog.PWText.background: mistyrose3",
    nullptr,
};

namespace {

constexpr int EDGE_OFFSET = 30;  // the head line and the entry keep off the sides
constexpr int HEADLINE_TOP = 15;
constexpr int ENTRY_BELOW_HEADLINE = 10;

// While the program itself empties the entry, the buffer is emptied with it
// and the toolkit's verify call must not be taken for typing.
bool emptying_entry = false;

void empty_entry(PasswordPrompt* prompt, const OpenReply* reply)
{
    emptying_entry = true;
    XmTextFieldSetString(XmVANTEROWidgets->PWText, const_cast<char*>(""));
    emptying_entry = false;
    if (reply != nullptr)
        registration_prompt_start(prompt, *reply);
    else
        password_buffer_clear(prompt->typed, sizeof prompt->typed);
}

// The typed text follows every change of the entry by position; the entry
// shows one "X" per character.
void verify_change(XmTextVerifyCallbackStruct* change)
{
    PasswordPrompt* prompt = registration_prompt();
    if (prompt == nullptr || change == nullptr)
        return;
    if (emptying_entry) {
        change->doit = True;
        return;
    }
    helpfunc_hide_typed(change, prompt->typed, sizeof prompt->typed);
}

void send_password()
{
    PasswordPrompt* prompt = registration_prompt();
    // One answer per request: a second Enter that was already on its way
    // when the prompt went down would be a second send while the first
    // awaits its acknowledgement, which ends the registration.
    if (prompt == nullptr || !XtIsManaged(XmVANTEROWidgets->PWDialog))
        return;
    router_session_set_password(prompt->typed);
    // The prompt goes and the busy cursor comes before the send: a send that
    // fails reports at once through main_error, which must have the last
    // word on the cursor.
    helpfunc_popdown(Dialog::PWDialog);
    helpfunc_set_cursor(1);
    // The router may ask before it has acknowledged the open request.
    const uint16_t seq = prompt->seq;
    const uint16_t challenge = prompt->challenge;
    const std::string typed = prompt->typed;
    request_gate_run([seq, challenge, typed] {
        helpfunc_set_cursor(1);
        highstate_send_password(cbfunc_open, seq, typed.c_str(), challenge);
    });
}

void ask_password(const OpenReply& reply)
{
    helpfunc_set_cursor(0);
    helpfunc_create_layout(Dialog::PWDialog);
    PasswordPrompt* prompt = registration_prompt();
    if (prompt == nullptr)
        return;
    empty_entry(prompt, &reply);
    helpfunc_popup(Dialog::PWDialog);
    XmProcessTraversal(XmVANTEROWidgets->PWText, XmTRAVERSE_CURRENT);
}

void accepted(const OpenReply& reply)
{
    router_session_registered(reply);
    if (registration_shows_busy_notice(reply))
        helpfunc_scan_popup(message_text(MSG_GETTING_DATA), 0, 1);
    helpfunc_set_cursor(1);
    interface_load_config(reply.n_lines, reply.n_routes, reply.n_filters, cbfunc_get_config);
}

void refused(const OpenReply& reply)
{
    helpfunc_set_cursor(0);
    helpfunc_popdown(Dialog::PWDialog);
    if (PasswordPrompt* prompt = registration_prompt())
        empty_entry(prompt, nullptr);
    router_session_set_password(nullptr);
    std::string text = registration_refusal_text(reply);
    helpfunc_error_popup(text.c_str(), 0, ERROR_KIND_ERROR);
    WidgetTable* t = XmVANTEROWidgets;
    XmListDeselectAllItems(t->SelectionList);
    XtSetSensitive(t->SelectionList, True);
    XmProcessTraversal(t->Overview, XmTRAVERSE_CURRENT);
    router_session_end_action();
}

}  // namespace

PasswordPrompt* registration_prompt()
{
    Widget form = XmVANTEROWidgets != nullptr ? XmVANTEROWidgets->PWDialog : nullptr;
    if (form == nullptr)
        return nullptr;
    XtPointer data = nullptr;
    XtVaGetValues(form, XmNuserData, &data, nullptr);
    return static_cast<PasswordPrompt*>(data);
}

Widget PWDialogLayout(Widget parent, WidgetTable* table)
{
    Widget form = helpfunc_create_form_dialog(parent, Dialog::PWDialog);

    Widget head = XtVaCreateManagedWidget(
        "PWHeadLine", xmLabelWidgetClass, form, XmNleftAttachment, XmATTACH_FORM, XmNleftOffset,
        EDGE_OFFSET, XmNrightAttachment, XmATTACH_FORM, XmNrightOffset, EDGE_OFFSET,
        XmNtopAttachment, XmATTACH_FORM, XmNtopOffset, HEADLINE_TOP, nullptr);

    Widget text = XtVaCreateManagedWidget(
        "PWText", xmTextFieldWidgetClass, form, XmNmaxLength, PASSWORD_LEN, XmNleftAttachment,
        XmATTACH_FORM, XmNleftOffset, EDGE_OFFSET, XmNrightAttachment, XmATTACH_FORM,
        XmNrightOffset, EDGE_OFFSET, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, head,
        XmNtopOffset, ENTRY_BELOW_HEADLINE, nullptr);
    XtAddCallback(text, XmNactivateCallback, PasswordCB, action_data(PASSWORD_ENTER));
    XtAddCallback(text, XmNvalueChangedCallback, PasswordCB, action_data(PASSWORD_CHANGED));
    XtAddCallback(text, XmNmodifyVerifyCallback, PasswordCB, action_data(PASSWORD_MODIFY_VERIFY));

    // The buffer lives as long as the prompt, which is kept for the run.
    auto* prompt = static_cast<PasswordPrompt*>(myutil_malloc(sizeof(PasswordPrompt)));
    XtVaSetValues(form, XmNuserData, prompt, nullptr);

    table->PWText = text;
    table->PWDialog = form;
    return form;
}

void PasswordCB(Widget, XtPointer client, XtPointer call)
{
    switch (action_code(client)) {
    case PASSWORD_ENTER:
        send_password();
        break;
    case PASSWORD_CHANGED:
        // The buffer already followed the change in the verify step.
        break;
    case PASSWORD_MODIFY_VERIFY:
        verify_change(static_cast<XmTextVerifyCallbackStruct*>(call));
        break;
    default:
        break;
    }
}

void cbfunc_open(OpenReply* reply)
{
    if (reply == nullptr)
        return;
    switch (reply->kind) {
    case OPEN_PASSWORD:
        ask_password(*reply);
        break;
    case OPEN_ACCEPTED:
        accepted(*reply);
        break;
    case OPEN_REFUSED:
    default:
        refused(*reply);
        break;
    }
}
