// "RConfigDialog": the selected router's name, netmask, telephone number,
// D-channel protocol and permanent connection (one option menu) and its
// firmware version. OK compares what the dialog shows with the current
// settings and sends the one change it finds: the password (and exclusive
// flag), the settings, both (password first), or a firmware download with
// the whole configuration patched into the image.
//
// A request's answer is taken from the proposal checked at OK, never from
// the fields as they stand when the answer comes; while it is on its way the
// dialog takes no second OK, which the back end would refuse by dropping the
// registration.
#include "router_settings_dialog.h"

#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/PushB.h>
#include <Xm/RowColumn.h>
#include <Xm/Separator.h>
#include <Xm/TextF.h>

#include <sys/stat.h>

#include <string>

#include "dialog_builders.h"
#include "dialog_entry_points.h"
#include "dialog_registry.h"
#include "display_services.h"
#include "display_texts.h"
#include "firmware_dialog.h"
#include "firmware_image.h"
#include "firmware_versions.h"
#include "globals.h"
#include "request_gate.h"
#include "highstate.h"
#include "host.h"
#include "host_services.h"
#include "list.h"
#include "message_tables.h"
#include "myutil.h"
#include "router_entry.h"
#include "router_password_dialogs.h"
#include "router_settings_fields.h"
#include "toolkit.h"
#include "white_spaces.h"
#include "widget_table.h"

extern const char* const RConfigDialogResources[] = {
    "XmQORVEL*RConfigDialog.dialogTitle: Router Configuration",
    "XmQORVEL*RConfigDialog*RConfigHeader.labelString: Router Configuration",
    "XmQORVEL*RConfigDialog*RConfigHeader.fontList: -adobe-helvetica-bold-r-*--14-*-*-*-*-*-*-1",
    "XmQORVEL*RConfigDialog*RNameLabel.labelString: Router Name / IP-Address",
    "XmQORVEL*RConfigDialog*RNameLabel.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*RConfigDialog*RNameText.background: mistyrose3",
    "XmQORVEL*RConfigDialog*RNetmaskLabel.labelString: Net Mask",
    "XmQORVEL*RConfigDialog*RNetmaskLabel.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*RConfigDialog*RNetmaskText.background: mistyrose3",
    "XmQORVEL*RConfigDialog*RPhoneLabel.labelString: Router Telephone Number",
    "XmQORVEL*RConfigDialog*RPhoneLabel.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*RConfigDialog*RPhoneText.background: mistyrose3",
    "XmQORVEL*RConfigDialog*RISDNMode.labelString: Operating Mode",
    "XmQORVEL*RConfigDialog*RISDNMode.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*RConfigDialog*ISDN_1TR6.labelString: 1TR6 (national)",
    "XmQORVEL*RConfigDialog*ISDN_EURO.labelString: DSS1 (international)",
    "XmQORVEL*RConfigDialog*ISDN_TYP_0_4.labelString: Digital FV64S",
    "XmQORVEL*RConfigDialog*ISDN_TYP_2_11.labelString: Digital FVS01",
    "XmQORVEL*RConfigDialog*ISDN_TYP_2_12.labelString: Digital FVS02",
    "XmQORVEL*RConfigDialog*RVersionLabel.labelString: Version of Firmware",
    "XmQORVEL*RConfigDialog*RVersionLabel.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*RConfigDialog*RVersionText.background: gray90",
    "XmQORVEL*RConfigDialog*RChangeFirmware.labelString: Change Firmware",
    "XmQORVEL*RConfigDialog*RChangePassword.labelString: Change Password",
    "XmQORVEL*RConfigDialog*RConfigConfigure.labelString: OK",
    "XmQORVEL*RConfigDialog*RConfigClose.labelString: Cancel",
    "XmQORVEL*RConfigDialog*RConfigHelp.labelString: Help",
    nullptr,
};

namespace {

constexpr int LABEL_WIDTH = 200;        // the field labels' column
constexpr int LABEL_MARGIN_HEIGHT = 9;  // lines a label up with its field
constexpr int FIELD_MAX = 20;           // characters of the three text fields
constexpr int MENU_SPACING = 103;       // between the option menu's label and button
constexpr int BUTTON_WIDTH = 140;       // "Change Firmware", "Change Password"
constexpr int BUTTON_LEFT = 210;
constexpr int VERSION_RIGHT = 150;

// A request of the dialog on its way to the router, with the proposal it
// carries: the completion callbacks take what the router accepted from it.
struct PendingRequest {
    bool pending;
    RouterSettings proposal;
};
PendingRequest request = {};

// A request that ended without its answer: the router refused it, or the
// connection failed. Held until the failure handling has run, for the
// question it may raise.
struct Refusal {
    bool fresh;         // the dialog went down under a pending request just now
    bool for_question;  // "QuestionDialog" was raised for this refusal
    RouterSettings proposal;
};
Refusal refusal = {};

Widget label_in(Widget form, const char* name, Widget above)
{
    Arg args[10];
    Cardinal n = 0;
    XtSetArg(args[n], XmNwidth, LABEL_WIDTH);
    ++n;
    XtSetArg(args[n], XmNrecomputeSize, False);
    ++n;
    XtSetArg(args[n], XmNmarginHeight, LABEL_MARGIN_HEIGHT);
    ++n;
    XtSetArg(args[n], XmNalignment, XmALIGNMENT_BEGINNING);
    ++n;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNleftOffset, 10);
    ++n;
    if (above == nullptr) {
        XtSetArg(args[n], XmNtopAttachment, XmATTACH_FORM);
        ++n;
        XtSetArg(args[n], XmNtopOffset, 10);
        ++n;
    } else {
        XtSetArg(args[n], XmNtopAttachment, XmATTACH_WIDGET);
        ++n;
        XtSetArg(args[n], XmNtopWidget, above);
        ++n;
    }
    Widget label = XmCreateLabel(form, const_cast<char*>(name), args, n);
    XtManageChild(label);
    return label;
}

Widget field_beside(Widget form, const char* name, Widget label)
{
    return XtVaCreateManagedWidget(
        name, xmTextFieldWidgetClass, form, XmNmaxLength, FIELD_MAX, XmNleftAttachment,
        XmATTACH_WIDGET, XmNleftWidget, label, XmNrightAttachment, XmATTACH_FORM, XmNrightOffset,
        10, XmNtopAttachment, XmATTACH_OPPOSITE_WIDGET, XmNtopWidget, label, nullptr);
}

Widget menu_button(Widget menu, const char* name, RConfigAction action, int family)
{
    Widget button = XtVaCreateManagedWidget(name, xmPushButtonWidgetClass, menu, XmNuserData,
                                            action_data(family), nullptr);
    XtAddCallback(button, XmNactivateCallback, RConfigCB, action_data(action));
    return button;
}

Widget action_button(Widget form, const char* name, RConfigAction action)
{
    Widget button = XtVaCreateManagedWidget(name, xmPushButtonWidgetClass, form, nullptr);
    XtAddCallback(button, XmNactivateCallback, RConfigCB, action_data(action));
    return button;
}

Widget row_button(Widget form, const char* name, int left, int right, RConfigAction action)
{
    return helpfunc_row_button(form, name, left, right, RConfigCB, action);
}

int family_of(Widget button)
{
    XtPointer data = nullptr;
    XtVaGetValues(button, XmNuserData, &data, nullptr);
    return action_code(data);
}

void set_family(Widget button, int family)
{
    XtVaSetValues(button, XmNuserData, action_data(family), nullptr);
}

Widget button_widget(int button)
{
    WidgetTable* t = XmVANTEROWidgets;
    switch (button) {
    case RCONFIG_BUTTON_1TR6:
        return t->ISDN_1TR6;
    case RCONFIG_BUTTON_EURO:
        return t->ISDN_EURO;
    case RCONFIG_BUTTON_FV64S:
        return t->ISDN_TYP_0_4;
    case RCONFIG_BUTTON_FVS01:
        return t->ISDN_TYP_2_11;
    default:
        return t->ISDN_TYP_2_12;
    }
}

// The RConfigButton the option menu shows.
int shown_button()
{
    WidgetTable* t = XmVANTEROWidgets;
    Widget shown = nullptr;
    XtVaGetValues(t->RISDNMode, XmNmenuHistory, &shown, nullptr);
    const int buttons[] = {RCONFIG_BUTTON_1TR6, RCONFIG_BUTTON_EURO, RCONFIG_BUTTON_FV64S,
                           RCONFIG_BUTTON_FVS01, RCONFIG_BUTTON_FVS02};
    for (int b : buttons)
        if (button_widget(b) == shown)
            return b;
    return RCONFIG_BUTTON_EURO;
}

std::string field_text(Widget field)
{
    char* text = XmTextFieldGetString(field);
    std::string result = text != nullptr ? text : "";
    XtFree(text);
    return result;
}

RConfigInput read_input()
{
    WidgetTable* t = XmVANTEROWidgets;
    RConfigInput input;
    input.name = field_text(t->RNameText);
    input.netmask = field_text(t->RNetmaskText);
    input.phone = field_text(t->RPhoneText);
    input.shown_button = shown_button();
    input.permanent_family = family_of(t->ISDN_TYP_0_4);
    input.version = field_text(t->RVersionText);
    input.password = setpw_proposed_password();
    input.exclusive = setpw_proposed_exclusive();
    return input;
}

void focus_field(RConfigField field)
{
    WidgetTable* t = XmVANTEROWidgets;
    Widget target = nullptr;
    switch (field) {
    case RCONFIG_FIELD_NAME:
        target = t->RNameText;
        break;
    case RCONFIG_FIELD_NETMASK:
        target = t->RNetmaskText;
        break;
    case RCONFIG_FIELD_PHONE:
        target = t->RPhoneText;
        break;
    case RCONFIG_FIELD_NONE:
        break;
    }
    if (target != nullptr)
        XmProcessTraversal(target, XmTRAVERSE_CURRENT);
}

// Reads and checks the dialog; shows the message of a faulty field.
RConfigCheck read_and_check(RouterSettings* proposal)
{
    RConfigCheck check = rconfig_check(helpfunc_selected_box.cfg, read_input(), proposal);
    if (check.code > 0) {
        focus_field(check.focus);
        helpfunc_error_popup(message_text(check.code), 1, ERROR_KIND_ERROR);
    }
    return check;
}

RouterEntry* selected_entry()
{
    if (main_router_list == nullptr || helpfunc_selected_box.sel_pos < 1)
        return nullptr;
    ListNode* node =
        main_router_list->ops->list_get_at(main_router_list, helpfunc_selected_box.sel_pos);
    return node != nullptr ? static_cast<RouterEntry*>(node->element) : nullptr;
}

// The router took the password and the flag of the proposal.
void take_password(const RouterSettings& accepted)
{
    router_session_take_password(accepted.password, accepted.exclusive);
    if (RouterEntry* entry = selected_entry())
        entry->held = accepted.exclusive != 0 ? 1 : 0;
}

// The request has its answer: the dialog closes without counting as a
// refusal.
void request_done()
{
    request.pending = false;
    helpfunc_set_cursor(0);
    helpfunc_popdown(Dialog::ScanDialog);
    helpfunc_popdown(Dialog::RConfigDialog);
}

void send_request(const RouterSettings& proposal, int change)
{
    request.pending = true;
    request.proposal = proposal;
    helpfunc_set_cursor(1);
    request_gate_run([change] {
        helpfunc_set_cursor(1);
        const RouterSettings& cfg = helpfunc_selected_box.cfg;
        // The back end may fail at once and run the failure handling inside
        // the call; nothing after it touches the dialog.
        switch (change) {
        case RCONFIG_CHANGE_PASSWORD:
            highstate_set_password(cbfunc_put_password, request.proposal.password, cfg.password,
                                   request.proposal.exclusive);
            break;
        case RCONFIG_CHANGE_BOTH:
            highstate_set_password(cbfunc_put_both, request.proposal.password, cfg.password,
                                   request.proposal.exclusive);
            break;
        default:
            highstate_put_router_data(cbfunc_put_router_config, &request.proposal);
            break;
        }
    });
}

// The dialog's shell went down. Under a pending request only the failure
// handling does that: keep the proposal for the question it may raise next.
void rconfig_popped_down(Widget, XtPointer, XtPointer)
{
    if (!request.pending)
        return;
    request.pending = false;
    refusal.fresh = true;
    refusal.proposal = request.proposal;
    // The failure handling raises its question in the same call; once it has
    // returned, a refusal that raised none is of no use to a later question.
    XtAppAddTimeOut(
        app_context, 0, [](XtPointer, XtIntervalId*) { refusal.fresh = false; }, nullptr);
}

}  // namespace

// -------------------------------------------------------------- builder ---

Widget RConfigDialogLayout(Widget parent, WidgetTable* table)
{
    Widget form = helpfunc_create_form_dialog(parent, Dialog::RConfigDialog);

    Widget headline = XtVaCreateManagedWidget(
        "HeadLine", xmLabelWidgetClass, form, XmNtopAttachment, XmATTACH_FORM, XmNtopOffset, 5,
        XmNleftAttachment, XmATTACH_POSITION, XmNleftPosition, 2, nullptr);
    Widget header = XtVaCreateManagedWidget(
        "RConfigHeader", xmLabelWidgetClass, form, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget,
        headline, XmNleftAttachment, XmATTACH_POSITION, XmNleftPosition, 2, nullptr);

    table->RConfigConfigure = row_button(form, "RConfigConfigure", 10, 30, RCONFIG_ACTION_OK);
    XtVaSetValues(table->RConfigConfigure, XmNshowAsDefault, 1, nullptr);
    table->RConfigClose = row_button(form, "RConfigClose", 40, 60, RCONFIG_ACTION_CANCEL);
    table->RConfigHelp = row_button(form, "RConfigHelp", 70, 90, RCONFIG_ACTION_HELP);

    Widget inner = XtVaCreateManagedWidget(
        "RouterForm", xmFormWidgetClass, form, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget,
        header, XmNtopOffset, 5, XmNbottomAttachment, XmATTACH_WIDGET, XmNbottomWidget,
        table->RConfigConfigure, XmNbottomOffset, 10, XmNleftAttachment, XmATTACH_FORM,
        XmNrightAttachment, XmATTACH_FORM, nullptr);
    XtVaCreateManagedWidget("BottomSeparator", xmSeparatorWidgetClass, inner, XmNbottomAttachment,
                            XmATTACH_FORM, XmNleftAttachment, XmATTACH_FORM, XmNrightAttachment,
                            XmATTACH_FORM, nullptr);

    Widget name_label = label_in(inner, "RNameLabel", nullptr);
    table->RNameText = field_beside(inner, "RNameText", name_label);
    Widget netmask_label = label_in(inner, "RNetmaskLabel", name_label);
    table->RNetmaskText = field_beside(inner, "RNetmaskText", netmask_label);
    Widget phone_label = label_in(inner, "RPhoneLabel", netmask_label);
    table->RPhoneText = field_beside(inner, "RPhoneText", phone_label);

    Arg args[6];
    Cardinal n = 0;
    XtSetArg(args[n], XmNspacing, MENU_SPACING);
    ++n;
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNtopWidget, phone_label);
    ++n;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNleftOffset, 10);
    ++n;
    table->RISDNMode = CreateOptionMenu(inner, "RISDNMode", args, n);
    table->RISDMenu = CreatePulldownMenu(table->RISDNMode, "RISDMenu", nullptr, 0);
    table->ISDN_1TR6 = menu_button(table->RISDMenu, "ISDN_1TR6", RCONFIG_ACTION_1TR6, 0);
    table->ISDN_EURO = menu_button(table->RISDMenu, "ISDN_EURO", RCONFIG_ACTION_EURO, 1);
    table->ISDN_TYP_0_4 = menu_button(table->RISDMenu, "ISDN_TYP_0_4", RCONFIG_ACTION_FV64S, 1);
    table->ISDN_TYP_2_11 = menu_button(table->RISDMenu, "ISDN_TYP_2_11", RCONFIG_ACTION_FVS01, 1);
    table->ISDN_TYP_2_12 = menu_button(table->RISDMenu, "ISDN_TYP_2_12", RCONFIG_ACTION_FVS02, 1);
    XtVaSetValues(table->RISDNMode, XmNmenuHistory, table->ISDN_EURO, nullptr);
    XtManageChild(table->RISDNMode);

    Widget version_label = label_in(inner, "RVersionLabel", table->RISDNMode);
    XtVaSetValues(version_label, XmNtopOffset, 15, nullptr);
    table->RVersionText = XtVaCreateManagedWidget(
        "RVersionText", xmTextFieldWidgetClass, inner, XmNeditable, False, XmNcursorPositionVisible,
        False, XmNleftAttachment, XmATTACH_WIDGET, XmNleftWidget, version_label, XmNrightAttachment,
        XmATTACH_FORM, XmNrightOffset, VERSION_RIGHT, XmNtopAttachment, XmATTACH_OPPOSITE_WIDGET,
        XmNtopWidget, version_label, nullptr);

    table->RChangeFirmware = action_button(inner, "RChangeFirmware", RCONFIG_ACTION_FIRMWARE);
    XtVaSetValues(table->RChangeFirmware, XmNwidth, BUTTON_WIDTH, XmNleftAttachment, XmATTACH_FORM,
                  XmNleftOffset, BUTTON_LEFT, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget,
                  table->RVersionText, XmNtopOffset, 5, nullptr);
    table->RChangePassword = action_button(inner, "RChangePassword", RCONFIG_ACTION_PASSWORD);
    XtVaSetValues(table->RChangePassword, XmNwidth, BUTTON_WIDTH, XmNleftAttachment, XmATTACH_FORM,
                  XmNleftOffset, BUTTON_LEFT, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget,
                  table->RChangeFirmware, XmNtopOffset, 15, nullptr);

    XtVaSetValues(form, XmNdefaultButton, table->RConfigConfigure, XmNcancelButton,
                  table->RConfigClose, nullptr);

    const Widget groups[] = {table->RNameText,       table->RNetmaskText,
                             table->RPhoneText,      table->RISDNMode,
                             table->RVersionText,    table->RChangeFirmware,
                             table->RChangePassword, table->RConfigConfigure,
                             table->RConfigClose,    table->RConfigHelp};
    for (Widget w : groups)
        XmAddTabGroup(w);

    XtAddCallback(XtParent(form), XmNpopdownCallback, rconfig_popped_down, nullptr);
    table->RConfigDialog = form;
    return form;
}

// ------------------------------------------------------ fill, read, check ---

void helpfunc_set_rconfig_data(const RouterSettings* settings)
{
    WidgetTable* t = XmVANTEROWidgets;
    if (settings == nullptr || t == nullptr || t->RConfigDialog == nullptr)
        return;
    // A new opening starts from the current settings: nothing is on its way.
    request.pending = false;

    RConfigFill fill = rconfig_fill_with_images(*settings);
    helpfunc_set_field(t->RNameText, fill.name.c_str());
    helpfunc_set_field(t->RNetmaskText, fill.netmask.c_str());
    helpfunc_set_field(t->RPhoneText, fill.phone.c_str());
    XtSetSensitive(t->RISDNMode, fill.menu_sensitive);
    XtSetSensitive(t->RChangeFirmware, fill.menu_sensitive);
    XtSetSensitive(t->ISDN_1TR6, fill.sensitive_1tr6);
    XtSetSensitive(t->ISDN_EURO, fill.sensitive_euro);
    for (Widget w : {t->ISDN_TYP_0_4, t->ISDN_TYP_2_11, t->ISDN_TYP_2_12}) {
        XtSetSensitive(w, fill.sensitive_permanent);
        set_family(w, fill.permanent_family);
    }
    XtVaSetValues(t->RISDNMode, XmNmenuHistory, button_widget(fill.shown_button), nullptr);
    helpfunc_set_field(t->RVersionText, fill.version.c_str());
}

void helpfunc_get_rconfig_data(RouterSettings* settings)
{
    if (settings != nullptr)
        *settings = rconfig_read(read_input());
}

int helpfunc_check_rconfig_data(const RouterSettings* current, const RouterSettings* proposed)
{
    RConfigCheck check = rconfig_check_settings(*current, *proposed);
    if (check.code > 0)
        focus_field(check.focus);
    return check.code;
}

int rconfig_shown_family()
{
    return rconfig_button_family(shown_button(), family_of(XmVANTEROWidgets->ISDN_TYP_0_4));
}

int rconfig_request_pending()
{
    return request.pending ? 1 : 0;
}

// ------------------------------------------------------------- callback ---

void RConfigCB(Widget, XtPointer client, XtPointer)
{
    const int action = action_code(client);
    WidgetTable* t = XmVANTEROWidgets;
    switch (action) {
    case RCONFIG_ACTION_1TR6:
    case RCONFIG_ACTION_EURO:
    case RCONFIG_ACTION_FV64S:
    case RCONFIG_ACTION_FVS01:
    case RCONFIG_ACTION_FVS02: {
        std::string version = rconfig_version_for_button(helpfunc_selected_box.cfg, action,
                                                         family_of(t->ISDN_TYP_0_4));
        helpfunc_set_field(t->RVersionText, version.c_str());
        return;
    }
    case RCONFIG_ACTION_HELP:
        helpfunc_popup_help(Dialog::RConfigDialog);
        return;
    default:
        break;
    }

    // A request on its way: its answer closes the dialog.
    if (request.pending)
        return;

    switch (action) {
    case RCONFIG_ACTION_FIRMWARE:
        firmware_dialog_open(rconfig_shown_family());
        break;
    case RCONFIG_ACTION_PASSWORD:
        helpfunc_popup(Dialog::SetPWDialog);
        break;
    case RCONFIG_ACTION_OK: {
        RouterSettings proposal{};
        RConfigCheck check = read_and_check(&proposal);
        if (check.code > 0)
            return;
        if (check.code == RCONFIG_NO_CHANGE) {
            helpfunc_popdown(Dialog::RConfigDialog);
            return;
        }
        if (rconfig_needs_subnet_question(proposal)) {
            helpfunc_popup(Dialog::Question2Dialog);
            return;
        }
        rconfig_apply_change(proposal, check.code);
        break;
    }
    case RCONFIG_ACTION_CANCEL:
        helpfunc_popdown(Dialog::RConfigDialog);
        break;
    default:
        break;
    }
}

// --------------------------------------------------------------- applying ---

namespace {

// Own texts of the download's refusals, in the language of the messages.
bool unknown_protocols(ListObject* lines)
{
    if (lines == nullptr)
        return false;
    for (ListNode* node = lines->head; node != nullptr; node = node->next) {
        const auto* target = static_cast<const LineTarget*>(node->element);
        if (target != nullptr && (target->proto2 == nullptr || target->proto3 == nullptr))
            return true;
    }
    return false;
}

bool image_present(const RouterSettings& settings)
{
    std::string path = file_firmware_path(settings.isdn_mode, settings.firmware);
    struct stat info;
    return settings.firmware[0] != '\0' && ::stat(path.c_str(), &info) == 0 &&
           S_ISREG(info.st_mode);
}

// Why a download cannot start, or "" when it can.
std::string download_refusal(const RouterSettings& settings, ListObject* lines)
{
    if (unknown_protocols(lines))
        // The patcher leaves out line targets without both definitions: the
        // router would lose them without a word.
        return added_text(AddedText::DownloadUnknownProtocols);
    if (!image_present(settings))
        return message_text(MSG_NO_FIRMWARE_FILE);
    return std::string();
}

// Starts a download with the tables given (all null: none); the busy notice
// at x 605 (`right`) or 100. False, with the message shown where `report`,
// when it cannot start.
bool start_download(const RouterSettings& settings, ListObject* lines, ListObject* routes,
                    ListObject* filters, int right, std::string* why)
{
    std::string refusal_text = download_refusal(settings, lines);
    if (!refusal_text.empty()) {
        *why = refusal_text;
        return false;
    }
    helpfunc_scan_popup(message_text(MSG_DOWNLOAD_STARTS), right, 1);
    helpfunc_set_cursor(1);
    if (interface_firmwaredownload(helpfunc_selected_box.hw, &settings, lines, routes, filters,
                                   cbfunc_firmware, cbfunc_get_percent) == 0) {
        helpfunc_set_cursor(0);
        helpfunc_popdown(Dialog::ScanDialog);
        *why = message_text(MSG_CORRUPTED_FIRMWARE_FILE);
        return false;
    }
    return true;
}

}  // namespace

void rconfig_apply_change(const RouterSettings& proposal, int change)
{
    RConfigPlan plan = rconfig_plan(helpfunc_selected_box.cfg, proposal, change);
    switch (plan.change) {
    case RCONFIG_CHANGE_PASSWORD:
    case RCONFIG_CHANGE_SETTINGS:
    case RCONFIG_CHANGE_BOTH:
        send_request(proposal, plan.change);
        return;
    case RCONFIG_CHANGE_FIRMWARE:
        break;
    default:
        return;
    }

    const int tables = plan.tables;
    request_gate_run([proposal, tables] {
        ListObject* lines = nullptr;
        ListObject* routes = nullptr;
        ListObject* filters = nullptr;
        if (tables == RCONFIG_TABLES_EMPTY) {
            lines = routes = filters = list_object_instance;
        } else if (tables == RCONFIG_TABLES_EDITED) {
            lines = main_line_list;
            routes = main_route_list;
            filters = main_filter_list;
        }
        std::string why;
        if (!start_download(proposal, lines, routes, filters, 1, &why))
            helpfunc_error_popup(why.c_str(), 1, ERROR_KIND_ERROR);
    });
}

// ------------------------------------------------- completion callbacks ---

void cbfunc_put_password(int)
{
    take_password(request.proposal);
    request_done();
}

void cbfunc_put_router_config(int)
{
    router_session_take_settings(request.proposal);
    request_done();
    // The router runs the new settings only after a restart.
    helpfunc_error_popup(message_text(MSG_REBOOT_TO_ACTIVATE), 0, ERROR_KIND_WARNING);
}

void cbfunc_put_both(int)
{
    take_password(request.proposal);
    // The settings follow under the password the router has just taken.
    highstate_put_router_data(cbfunc_put_router_config, &request.proposal);
}

// ------------------------------------------- the question after 11 and 12 ---

// Called when "QuestionDialog" comes up: a refusal of this dialog's request
// that the failure handling has just seen is what the question offers to
// download.
void rconfig_question_raised()
{
    refusal.for_question = refusal.fresh;
    refusal.fresh = false;
}

bool rconfig_refused_proposal(RouterSettings* proposal)
{
    if (!refusal.for_question)
        return false;
    if (proposal != nullptr)
        *proposal = refusal.proposal;
    return true;
}

void rconfig_forget_refusal()
{
    refusal.for_question = false;
}

namespace {

// The download that Yes promised.
struct DownloadAgain {
    bool opening;             // the router is being opened again for it
    RouterSettings settings;  // what the image carries
};
DownloadAgain again = {};

// The download cannot take place: say why, then the failure handling saves
// the tables and ends the registration, as No would.
void give_up(const std::string& why)
{
    again.opening = false;
    helpfunc_set_cursor(0);
    helpfunc_popdown(Dialog::ScanDialog);
    highstate_close_router();
    main_error_with_reason(0, why);
}

void start_download_again()
{
    std::string why;
    if (!start_download(again.settings, main_line_list, main_route_list, main_filter_list, 0, &why))
        give_up(why);
}

const char* closed_text()
{
    return added_text(AddedText::DownloadNotAccepted);
}

// The router opened again for the download (the failure that raised the
// question had closed the connection, and a download with tables starts by
// resetting the open router).
void reopened(OpenReply* reply)
{
    if (!again.opening || reply == nullptr)
        return;
    switch (reply->kind) {
    case OPEN_ACCEPTED:
        again.opening = false;
        start_download_again();
        break;
    case OPEN_PASSWORD:
        highstate_send_password(reopened, reply->seq, helpfunc_selected_box.cfg.password,
                                reply->seed);
        break;
    default:
        give_up(closed_text());
        break;
    }
}

}  // namespace

void rconfig_download_again()
{
    again.opening = false;
    RouterSettings settings = helpfunc_selected_box.cfg;
    rconfig_refused_proposal(&settings);
    rconfig_forget_refusal();
    again.settings = settings;

    std::string why = download_refusal(settings, main_line_list);
    if (!why.empty()) {
        give_up(why);
        return;
    }
    if (!main_tables_loaded() || highstate_get_state() == HIGHSTATE_CONNECTED) {
        start_download_again();
        return;
    }
    // Open the router under the address it still has.
    uint32_t address = myutil_get_host_addr(helpfunc_selected_box.cfg.name);
    if (address == 0)
        address = myutil_get_host_addr(helpfunc_selected_box.name);
    if (address == 0) {
        give_up(closed_text());
        return;
    }
    helpfunc_scan_popup(message_text(MSG_DOWNLOAD_STARTS), 0, 1);
    helpfunc_set_cursor(1);
    again.opening = true;
    int sent = highstate_open_router(reopened, address);
    if (sent == 0) {
        // The back end is busy with something else: no answer will come.
        give_up(closed_text());
    } else if (sent < 0) {
        // The send failed and the failure handling has run already.
        again.opening = false;
    }
}
