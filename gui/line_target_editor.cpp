#include "line_target_editor.h"

#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/List.h>
#include <Xm/PushB.h>
#include <Xm/RowColumn.h>
#include <Xm/Separator.h>
#include <Xm/TextF.h>
#include <Xm/ToggleB.h>

#include <cstdint>
#include <cstring>

#include "dialog_builders.h"
#include "dialog_entry_points.h"
#include "dialog_registry.h"
#include "display_services.h"
#include "globals.h"
#include "line_target_fields.h"
#include "list.h"
#include "message_tables.h"
#include "protocols.h"
#include "toolkit.h"
#include "widget_table.h"

// Title, labels, fonts and field colours, in the order of the widgets. The
// menu buttons' labels are padded with blanks so that the option menus keep
// one width whatever is chosen.
extern const char* const Config2DialogResources[] = {
    "XmQORVEL*Config2Dialog.dialogTitle: Basic Configuration",
    "XmQORVEL*Config2Dialog.Config2Header.labelString: Network Configuration",
    "XmQORVEL*Config2Dialog.Config2Header.fontList: -adobe-helvetica-bold-r-*--14-*-*-*-*-*-*-1",
    "XmQORVEL*Config2Dialog.Config2Simple.labelString: Basics",
    "XmQORVEL*Config2Dialog.Config2Label.labelString: Target Host",
    "XmQORVEL*Config2Dialog.Config2Label.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*Config2Dialog.Config2NameLabel.labelString: Host Name / IP-Address",
    "XmQORVEL*Config2Dialog.Config2Name.background: mistyrose3",
    "XmQORVEL*Config2Dialog.Config2TelefonLabel.labelString: Telephone Number",
    "XmQORVEL*Config2Dialog.Config2Telefon.background: mistyrose3",
    "XmQORVEL*Config2Dialog.CreateRoute.labelString: Create Default Route",
    "XmQORVEL*Config2AdvancedForm.Div_Settings.labelString: Advanced Settings",
    "XmQORVEL*Config2AdvancedForm.Div_Settings.fontList: -adobe-helvetica-bold-r-*--14-*-*-*-*-*-*-1",
    "XmQORVEL*Config2AdvancedForm.TimeOutLabel.labelString: Timeout",
    "XmQORVEL*Config2AdvancedForm.TimeOutText.background: mistyrose3",
    "XmQORVEL*Config2AdvancedForm.Compression.labelString: Compression",
    "XmQORVEL*Config2AdvancedForm.B_Chanal.labelString: B-Channel Bundling",
    "XmQORVEL*Config2AdvancedForm.OnlyManual.labelString: Manual Connection",
    "XmQORVEL*Config2AdvancedForm.Protocol.labelString: Protocols",
    "XmQORVEL*Config2AdvancedForm.Protocol.fontList: -adobe-helvetica-bold-r-*--14-*-*-*-*-*-iso8859-1",
    "XmQORVEL*Config2AdvancedForm.S2ProtocolOpt.labelString: Layer2",
    "XmQORVEL*S2ProtocolOptPD.P2_X75.labelString: X75                 ",
    "XmQORVEL*S2ProtocolOptPD.P2_HDLC.labelString: HDLC               ",
    "XmQORVEL*S2ProtocolOptPD.P2_PPP.labelString: PPP              ",
    "XmQORVEL*Config2AdvancedForm.S3ProtocolOpt.labelString: Layer3",
    "XmQORVEL*S3ProtocolOptPD.P3_NULL.labelString: NULL               ",
    "XmQORVEL*S3ProtocolOptPD.P3_T70NL.labelString: T70NL             ",
    "XmQORVEL*S3ProtocolOptPD.P3_PPP.labelString: PPP              ",
    "XmQORVEL*Config2AdvancedForm.Passwords.labelString: Passwords for PPP",
    "XmQORVEL*Config2AdvancedForm.Passwords.fontList: -adobe-helvetica-bold-r-*--14-*-*-*-*-*-*-1",
    "XmQORVEL*Config2AdvancedForm.AvSendLabel.labelString: Remote Identification",
    "XmQORVEL*Config2AdvancedForm.AvSendPW.background: mistyrose3",
    "XmQORVEL*Config2AdvancedForm.AvReceiveLabel.labelString: Local Identification",
    "XmQORVEL*Config2AdvancedForm.AvReceivePW.background: mistyrose3",
    "XmQORVEL*Config2Dialog.Config2Config.labelString: OK",
    "XmQORVEL*Config2Dialog.Config2Cancel.labelString: Cancel",
    "XmQORVEL*Config2Dialog.Config2Help.labelString: Help",
    nullptr,
};

namespace {

constexpr int BUTTON_WIDTH = 90;
constexpr int HOST_FIELD_LENGTH = HOST_LEN;  // characters
constexpr int PHONE_FIELD_LENGTH = PHONE_LEN;
constexpr int TIMEOUT_FIELD_LENGTH = 5;  // 65535 at most
constexpr int PAIR_FIELD_LENGTH = PAIR_FILE_LEN;
// Where the identifications' labels end (% of the width): far enough left
// that the fields show all their characters at once, far enough right for
// the longest label, the German "Kennung der Gegenstelle".
constexpr int IDENTIFICATION_LABEL_EDGE = 35;
constexpr int TOP_SEPARATOR_AT = 33;  // % of the dialog's height
constexpr int BOTTOM_SEPARATOR_AT = 89;
constexpr int BUTTONS_AT = 91;
constexpr int ADVANCED_FIRST_SEPARATOR_AT = 44;  // % of the advanced form
constexpr int ADVANCED_SECOND_SEPARATOR_AT = 67;
constexpr uint32_t PPP_CODE = 255;

// The targets the menu buttons hand to the coupling callbacks.
constexpr const char TARGET_P3_NULL[] = "P3_NULL";
constexpr const char TARGET_P3_PPP[] = "P3_PPP";
constexpr const char TARGET_P2_X75[] = "P2_X75";
constexpr const char TARGET_P2_PPP[] = "P2_PPP";

// The next change of "Basics" shows the advanced view.
bool advanced_next = true;

// Field colours: the editable one is the host field's own, a field that
// takes no input shows the dialog's background.
Pixel editable_colour = 0;
Pixel disabled_colour = 0;

XtPointer target(const char* name)
{
    return const_cast<char*>(name);
}

void field_input(Widget field, bool sensitive)
{
    XtSetSensitive(field, sensitive ? True : False);
    XtVaSetValues(field, XmNbackground, sensitive ? editable_colour : disabled_colour, nullptr);
}

void pairs_input(bool sensitive)
{
    field_input(XmVANTEROWidgets->AvSendPW, sensitive);
    field_input(XmVANTEROWidgets->AvReceivePW, sensitive);
}

std::string field_text(Widget field)
{
    char* text = XmTextFieldGetString(field);
    std::string result = text != nullptr ? text : "";
    XtFree(text);
    return result;
}

void set_text(Widget field, const std::string& text)
{
    XmTextFieldSetString(field, const_cast<char*>(text.c_str()));
}

Widget shown_button(Widget option_menu)
{
    Widget button = nullptr;
    XtVaGetValues(option_menu, XmNmenuHistory, &button, nullptr);
    return button;
}

XtPointer row_of(Widget button)
{
    XtPointer row = nullptr;
    if (button != nullptr)
        XtVaGetValues(button, XmNuserData, &row, nullptr);
    return row;
}

void show_button(Widget option_menu, Widget button)
{
    if (button != nullptr)
        XtVaSetValues(option_menu, XmNmenuHistory, button, nullptr);
}

bool is_target(XtPointer client, const char* name)
{
    return client != nullptr && std::strcmp(static_cast<const char*>(client), name) == 0;
}

int position_of(const ListObject* list, const ListNode* node)
{
    int position = 1;
    for (const ListNode* n = list != nullptr ? list->head : nullptr; n != nullptr;
         n = n->next, ++position) {
        if (n == node)
            return position;
    }
    return 0;
}

Widget label(Widget parent, const char* name, ArgList args, Cardinal n)
{
    Widget w = XmCreateLabel(parent, const_cast<char*>(name), args, n);
    XtManageChild(w);
    return w;
}

Widget text_field(Widget parent, const char* name, int max_length, ArgList args, Cardinal n)
{
    Widget w = XmCreateTextField(parent, const_cast<char*>(name), args, n);
    XtVaSetValues(w, XmNmaxLength, max_length, nullptr);
    XtManageChild(w);
    return w;
}

Widget toggle(Widget parent, const char* name, ArgList args, Cardinal n)
{
    Widget w = XmCreateToggleButton(parent, const_cast<char*>(name), args, n);
    XtManageChild(w);
    return w;
}

// A label whose right edge stands at `right_percent` of the form, and a text
// field from there to the form's right edge, both below `above`.
Widget labelled_field(Widget form, const char* label_name, const char* field_name,
                      int right_percent, int max_length, Widget above, int offset)
{
    Arg args[10];
    Cardinal n = 0;
    XtSetArg(args[n], XmNalignment, XmALIGNMENT_END);
    ++n;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNleftOffset, 5);
    ++n;
    XtSetArg(args[n], XmNrightAttachment, XmATTACH_POSITION);
    ++n;
    XtSetArg(args[n], XmNrightPosition, right_percent);
    ++n;
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNtopWidget, above);
    ++n;
    XtSetArg(args[n], XmNtopOffset, offset + 8);
    ++n;
    Widget l = label(form, label_name, args, n);

    n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNleftWidget, l);
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
    XtSetArg(args[n], XmNtopOffset, offset);
    ++n;
    return text_field(form, field_name, max_length, args, n);
}

Widget separator_at(Widget form, const char* name, int percent)
{
    return XtVaCreateManagedWidget(
        name, xmSeparatorWidgetClass, form, XmNleftAttachment, XmATTACH_FORM, XmNrightAttachment,
        XmATTACH_FORM, XmNtopAttachment, XmATTACH_POSITION, XmNtopPosition, percent, nullptr);
}

Widget menu_button(Widget pulldown, const char* name, XtCallbackProc coupling,
                   const char* goes_with)
{
    Widget button = XtVaCreateManagedWidget(name, xmPushButtonWidgetClass, pulldown, XmNalignment,
                                            XmALIGNMENT_BEGINNING, nullptr);
    XtAddCallback(button, XmNactivateCallback, coupling, target(goes_with));
    return button;
}

Widget option_menu(Widget form, const char* name, Widget* pulldown)
{
    Arg args[3];
    Cardinal n = 0;
    XtSetArg(args[n], XmNspacing, 20);
    ++n;
    XtSetArg(args[n], XmNmarginWidth, 0);
    ++n;
    XtSetArg(args[n], XmNmarginHeight, 0);
    ++n;
    Widget menu = CreateOptionMenu(form, name, args, n);
    XtVaGetValues(menu, XmNsubMenuId, pulldown, nullptr);
    return menu;
}

void advanced_children(Widget adv, WidgetTable* table)
{
    Arg args[10];
    Cardinal n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_POSITION);
    ++n;
    XtSetArg(args[n], XmNleftPosition, 2);
    ++n;
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNtopOffset, 5);
    ++n;
    Widget settings = label(adv, "Div_Settings", args, n);

    n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_POSITION);
    ++n;
    XtSetArg(args[n], XmNleftPosition, 2);
    ++n;
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNtopWidget, settings);
    ++n;
    XtSetArg(args[n], XmNtopOffset, 18);
    ++n;
    Widget timeout_label = label(adv, "TimeOutLabel", args, n);

    n = 0;
    XtSetArg(args[n], XmNcolumns, TIMEOUT_FIELD_LENGTH);
    ++n;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNleftWidget, timeout_label);
    ++n;
    XtSetArg(args[n], XmNleftOffset, 10);
    ++n;
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNtopWidget, settings);
    ++n;
    XtSetArg(args[n], XmNtopOffset, 10);
    ++n;
    table->TimeOutText = text_field(adv, "TimeOutText", TIMEOUT_FIELD_LENGTH, args, n);

    Widget above = settings;
    Widget* flags[] = {&table->Compression, &table->B_Chanal, &table->OnlyManual};
    const char* names[] = {"Compression", "B_Chanal", "OnlyManual"};
    for (int i = 0; i < 3; ++i) {
        n = 0;
        XtSetArg(args[n], XmNleftAttachment, XmATTACH_POSITION);
        ++n;
        XtSetArg(args[n], XmNleftPosition, 55);
        ++n;
        XtSetArg(args[n], XmNtopAttachment, XmATTACH_WIDGET);
        ++n;
        XtSetArg(args[n], XmNtopWidget, above);
        ++n;
        XtSetArg(args[n], XmNtopOffset, i == 0 ? 5 : 0);
        ++n;
        *flags[i] = toggle(adv, names[i], args, n);
        above = *flags[i];
    }

    Widget sep1 = separator_at(adv, "Av1Sep", ADVANCED_FIRST_SEPARATOR_AT);
    Widget sep2 = separator_at(adv, "Av2Sep", ADVANCED_SECOND_SEPARATOR_AT);

    n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_POSITION);
    ++n;
    XtSetArg(args[n], XmNleftPosition, 2);
    ++n;
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNtopWidget, sep1);
    ++n;
    XtSetArg(args[n], XmNtopOffset, 5);
    ++n;
    label(adv, "Protocol", args, n);

    table->S2ProtocolOpt = option_menu(adv, "S2ProtocolOpt", &table->Proto2Menu);
    table->P2_X75 = menu_button(table->Proto2Menu, "P2_X75", PPP2CB, TARGET_P3_NULL);
    table->P2_HDLC = menu_button(table->Proto2Menu, "P2_HDLC", PPP2CB, TARGET_P3_NULL);
    table->P2_PPP = menu_button(table->Proto2Menu, "P2_PPP", PPP2CB, TARGET_P3_PPP);
    XtVaSetValues(table->S2ProtocolOpt, XmNleftAttachment, XmATTACH_FORM, XmNleftOffset, 5,
                  XmNrightAttachment, XmATTACH_POSITION, XmNrightPosition, 49, XmNbottomAttachment,
                  XmATTACH_WIDGET, XmNbottomWidget, sep2, XmNbottomOffset, 10, XmNmenuHistory,
                  table->P2_X75, nullptr);
    XtManageChild(table->S2ProtocolOpt);

    table->S3ProtocolOpt = option_menu(adv, "S3ProtocolOpt", &table->Proto3Menu);
    table->P3_NULL = menu_button(table->Proto3Menu, "P3_NULL", PPP3CB, TARGET_P2_X75);
    table->P3_T70NL = menu_button(table->Proto3Menu, "P3_T70NL", PPP3CB, TARGET_P2_X75);
    table->P3_PPP = menu_button(table->Proto3Menu, "P3_PPP", PPP3CB, TARGET_P2_PPP);
    XtVaSetValues(table->S3ProtocolOpt, XmNleftAttachment, XmATTACH_POSITION, XmNleftPosition, 51,
                  XmNbottomAttachment, XmATTACH_WIDGET, XmNbottomWidget, sep2, XmNbottomOffset, 10,
                  XmNmenuHistory, table->P3_NULL, nullptr);
    XtManageChild(table->S3ProtocolOpt);

    n = 0;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_POSITION);
    ++n;
    XtSetArg(args[n], XmNleftPosition, 2);
    ++n;
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNtopWidget, sep2);
    ++n;
    XtSetArg(args[n], XmNtopOffset, 5);
    ++n;
    Widget passwords = label(adv, "Passwords", args, n);

    table->AvSendPW = labelled_field(adv, "AvSendLabel", "AvSendPW", IDENTIFICATION_LABEL_EDGE,
                                     PAIR_FIELD_LENGTH, passwords, 5);
    table->AvReceivePW =
        labelled_field(adv, "AvReceiveLabel", "AvReceivePW", IDENTIFICATION_LABEL_EDGE,
                       PAIR_FIELD_LENGTH, table->AvSendPW, 5);
}

Widget bottom_button(Widget form, const char* name, Config2Action a, int left, int right)
{
    Widget button = XtVaCreateManagedWidget(
        name, xmPushButtonWidgetClass, form, XmNwidth, BUTTON_WIDTH, XmNleftAttachment,
        XmATTACH_POSITION, XmNleftPosition, left, XmNrightAttachment, XmATTACH_POSITION,
        XmNrightPosition, right, XmNtopAttachment, XmATTACH_POSITION, XmNtopPosition, BUTTONS_AT,
        nullptr);
    XtAddCallback(button, XmNactivateCallback, Config2CB, action_data(a));
    return button;
}

void toggle_view()
{
    WidgetTable* t = XmVANTEROWidgets;
    if (advanced_next) {
        helpfunc_set_dialog_title(t->Config2Dialog, message_text(MSG_USER_DEFINED_CONFIGURATION));
        XtManageChild(t->Config2AdvancedForm);
        advanced_next = false;
    } else {
        helpfunc_set_dialog_title(t->Config2Dialog, message_text(MSG_BASIC_CONFIGURATION));
        XtUnmanageChild(t->Config2AdvancedForm);
        advanced_next = true;
    }
}

void store_line_target()
{
    // After a failure the tables are gone, and with them the record this
    // dialog was opened on.
    if (main_line_list == nullptr)
        return;
    Config2Data data;
    helpfunc_get_config2_data(&data);
    LineTarget record;
    const int code = helpfunc_check_config2_data(data, &record);
    if (code != 0) {
        helpfunc_input_error(Dialog::Config2Dialog, code);
        return;
    }
    int edit_position = 0;
    if (selected_elem != nullptr) {
        edit_position = position_of(main_line_list, selected_elem);
        if (edit_position == 0)
            return;
    }
    const int position = line_target_store(main_line_list, main_route_list, edit_position, record,
                                           helpfunc_selected_box.cfg.line_type);
    if (position == 0)
        return;
    helpfunc_popdown(Dialog::Config2Dialog);
    helpfunc_popup(Dialog::ConfigDialog);
    WidgetTable* t = XmVANTEROWidgets;
    XmListSelectPos(t->LineList, position, False);
    XtSetSensitive(t->OpenLine, True);
    XtSetSensitive(t->DeleteLine, True);
}

}  // namespace

Widget Config2DialogLayout(Widget parent, WidgetTable* table)
{
    Widget form = helpfunc_create_form_dialog(parent, Dialog::Config2Dialog);
    table->Config2Dialog = form;

    Widget head = XtVaCreateManagedWidget("HeadLine", xmLabelWidgetClass, form, XmNalignment,
                                          XmALIGNMENT_BEGINNING, XmNleftAttachment,
                                          XmATTACH_POSITION, XmNleftPosition, 2, XmNtopAttachment,
                                          XmATTACH_FORM, XmNtopOffset, 10, nullptr);
    table->Config2Simple =
        XtVaCreateManagedWidget("Config2Simple", xmToggleButtonWidgetClass, form, XmNset, True,
                                XmNrightAttachment, XmATTACH_FORM, XmNrightOffset, 10,
                                XmNtopAttachment, XmATTACH_FORM, XmNtopOffset, 10, nullptr);
    XtAddCallback(table->Config2Simple, XmNvalueChangedCallback, Config2CB,
                  action_data(CONFIG2_VIEW));
    Widget header = XtVaCreateManagedWidget(
        "Config2Header", xmLabelWidgetClass, form, XmNalignment, XmALIGNMENT_BEGINNING,
        XmNleftAttachment, XmATTACH_POSITION, XmNleftPosition, 2, XmNtopAttachment, XmATTACH_WIDGET,
        XmNtopWidget, head, XmNtopOffset, 5, nullptr);
    Widget target_host = XtVaCreateManagedWidget(
        "Config2Label", xmLabelWidgetClass, form, XmNalignment, XmALIGNMENT_BEGINNING,
        XmNleftAttachment, XmATTACH_POSITION, XmNleftPosition, 2, XmNtopAttachment, XmATTACH_WIDGET,
        XmNtopWidget, header, XmNtopOffset, 8, nullptr);

    table->Config2Name = labelled_field(form, "Config2NameLabel", "Config2Name", 35,
                                        HOST_FIELD_LENGTH, target_host, 2);
    table->Config2Telefon = labelled_field(form, "Config2TelefonLabel", "Config2Telefon", 35,
                                           PHONE_FIELD_LENGTH, table->Config2Name, 2);
    table->CreateRoute = XtVaCreateManagedWidget(
        "CreateRoute", xmToggleButtonWidgetClass, form, XmNset, True, XmNleftAttachment,
        XmATTACH_POSITION, XmNleftPosition, 35, XmNleftOffset, 10, XmNtopAttachment,
        XmATTACH_WIDGET, XmNtopWidget, table->Config2Telefon, XmNtopOffset, 2, nullptr);

    Widget top = separator_at(form, "TopSeparator", TOP_SEPARATOR_AT);
    Widget bottom = XtVaCreateManagedWidget("BottomSeparator", xmSeparatorWidgetClass, form,
                                            XmNleftAttachment, XmATTACH_FORM, XmNrightAttachment,
                                            XmATTACH_FORM, XmNbottomAttachment, XmATTACH_POSITION,
                                            XmNbottomPosition, BOTTOM_SEPARATOR_AT, nullptr);

    table->Config2AdvancedForm = XtVaCreateWidget(
        "Config2AdvancedForm", xmFormWidgetClass, form, XmNshadowThickness, 1, XmNresizePolicy,
        XmRESIZE_NONE, XmNleftAttachment, XmATTACH_FORM, XmNleftOffset, 5, XmNrightAttachment,
        XmATTACH_FORM, XmNrightOffset, 5, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, top,
        XmNtopOffset, 5, XmNbottomAttachment, XmATTACH_WIDGET, XmNbottomWidget, bottom,
        XmNbottomOffset, 5, nullptr);
    advanced_children(table->Config2AdvancedForm, table);

    table->Config2Config = bottom_button(form, "Config2Config", CONFIG2_OK, 8, 32);
    XtVaSetValues(table->Config2Config, XmNshowAsDefault, 1, nullptr);
    table->Config2Cancel = bottom_button(form, "Config2Cancel", CONFIG2_CANCEL, 38, 62);
    table->Config2Help = bottom_button(form, "Config2Help", CONFIG2_HELP, 68, 92);
    XtVaSetValues(form, XmNdefaultButton, table->Config2Config, XmNcancelButton,
                  table->Config2Cancel, nullptr);

    // The basic view first; the identifications wait for PPP.
    XtVaGetValues(table->Config2Name, XmNbackground, &editable_colour, nullptr);
    XtVaGetValues(form, XmNbackground, &disabled_colour, nullptr);
    helpfunc_set_dialog_title(form, message_text(MSG_BASIC_CONFIGURATION));
    advanced_next = true;
    pairs_input(false);
    helpfunc_add_s2_protocols();
    helpfunc_add_s3_protocols();
    for (Widget w :
         {table->Config2Telefon, table->CreateRoute, table->TimeOutText, table->Compression,
          table->B_Chanal, table->OnlyManual, table->S2ProtocolOpt, table->S3ProtocolOpt,
          table->AvSendPW, table->AvReceivePW, table->Config2Config, table->Config2Cancel,
          table->Config2Help, table->Config2Simple, table->Config2Name})
        XmAddTabGroup(w);
    return form;
}

void helpfunc_add_s2_protocols()
{
    WidgetTable* t = XmVANTEROWidgets;
    Widget builtin[PROTO_BUILTIN_ROWS] = {t->P2_X75, t->P2_HDLC, t->P2_PPP};
    for (int i = 0; i < no_s2_protocols && i < MAX_PROTO_ROWS; ++i) {
        Proto2Def* row = &s2_protocols[i];
        Widget button = nullptr;
        if (i < PROTO_BUILTIN_ROWS) {
            button = builtin[i];
        } else {
            button = menu_button(t->Proto2Menu, row->name, PPP2CB,
                                 row->code == PPP_CODE ? TARGET_P3_PPP : TARGET_P3_NULL);
            helpfunc_set_label(button, row->name);
        }
        XtVaSetValues(button, XmNuserData, row, nullptr);
        row->button = button;
    }
}

void helpfunc_add_s3_protocols()
{
    WidgetTable* t = XmVANTEROWidgets;
    Widget builtin[PROTO_BUILTIN_ROWS] = {t->P3_NULL, t->P3_T70NL, t->P3_PPP};
    for (int i = 0; i < no_s3_protocols && i < MAX_PROTO_ROWS; ++i) {
        Proto3Def* row = &s3_protocols[i];
        Widget button = nullptr;
        if (i < PROTO_BUILTIN_ROWS) {
            button = builtin[i];
        } else {
            button = menu_button(t->Proto3Menu, row->name, PPP3CB,
                                 row->code == PPP_CODE ? TARGET_P2_PPP : TARGET_P2_X75);
            helpfunc_set_label(button, row->name);
        }
        XtVaSetValues(button, XmNuserData, row, nullptr);
        row->button = button;
    }
}

void Config2CB(Widget, XtPointer client, XtPointer)
{
    switch (action_code(client)) {
    case CONFIG2_VIEW:
        toggle_view();
        break;
    case CONFIG2_OK:
        store_line_target();
        break;
    case CONFIG2_HELP:
        helpfunc_popup_help(Dialog::Config2Dialog);
        break;
    case CONFIG2_CANCEL:
        helpfunc_popdown(Dialog::Config2Dialog);
        break;
    default:
        break;
    }
}

void PPP2CB(Widget, XtPointer goes_with, XtPointer)
{
    WidgetTable* t = XmVANTEROWidgets;
    if (is_target(goes_with, TARGET_P3_PPP)) {
        show_button(t->S3ProtocolOpt, t->P3_PPP);
        pairs_input(true);
    } else if (shown_button(t->S3ProtocolOpt) == t->P3_PPP) {
        show_button(t->S3ProtocolOpt, t->P3_NULL);
        pairs_input(false);
    }
}

void PPP3CB(Widget, XtPointer goes_with, XtPointer)
{
    WidgetTable* t = XmVANTEROWidgets;
    if (is_target(goes_with, TARGET_P2_PPP)) {
        show_button(t->S2ProtocolOpt, t->P2_PPP);
        pairs_input(true);
    } else if (shown_button(t->S2ProtocolOpt) == t->P2_PPP) {
        show_button(t->S2ProtocolOpt, t->P2_X75);
        pairs_input(false);
    }
}

void helpfunc_set_config2_data(const LineTarget* record)
{
    WidgetTable* t = XmVANTEROWidgets;
    if (record == nullptr || t->Config2Dialog == nullptr)
        return;
    const int routes = main_route_list != nullptr ? main_route_list->count : 0;
    const LineTargetView view =
        line_target_view(*record, helpfunc_selected_box.cfg.line_type, routes);

    set_text(t->Config2Name, view.host);
    field_input(t->Config2Telefon, view.phone_sensitive);
    set_text(t->Config2Telefon, view.phone);
    XmToggleButtonSetState(t->CreateRoute, view.create_route ? True : False, False);
    XtSetSensitive(t->CreateRoute, view.create_route_sensitive ? True : False);
    show_button(t->S2ProtocolOpt,
                view.proto2 != nullptr ? static_cast<Widget>(view.proto2->button) : t->P2_X75);
    show_button(t->S3ProtocolOpt,
                view.proto3 != nullptr ? static_cast<Widget>(view.proto3->button) : t->P3_NULL);
    set_text(t->TimeOutText, view.timeout);
    XmToggleButtonSetState(t->Compression, view.compression ? True : False, False);
    XmToggleButtonSetState(t->B_Chanal, view.bundling ? True : False, False);
    XmToggleButtonSetState(t->OnlyManual, view.manual_only ? True : False, False);
    set_text(t->AvSendPW, view.send_pair);
    set_text(t->AvReceivePW, view.receive_pair);
    pairs_input(view.pairs_sensitive);
}

void helpfunc_get_config2_data(Config2Data* data)
{
    WidgetTable* t = XmVANTEROWidgets;
    if (data == nullptr || t->Config2Dialog == nullptr)
        return;
    data->host = field_text(t->Config2Name);
    data->phone = field_text(t->Config2Telefon);
    data->timeout = field_text(t->TimeOutText);
    data->send_pair = field_text(t->AvSendPW);
    data->receive_pair = field_text(t->AvReceivePW);
    data->create_route = XmToggleButtonGetState(t->CreateRoute) != False;
    data->manual_only = XmToggleButtonGetState(t->OnlyManual) != False;
    data->bundling = XmToggleButtonGetState(t->B_Chanal) != False;
    data->compression = XmToggleButtonGetState(t->Compression) != False;
    data->proto2 = static_cast<Proto2Def*>(row_of(shown_button(t->S2ProtocolOpt)));
    data->proto3 = static_cast<Proto3Def*>(row_of(shown_button(t->S3ProtocolOpt)));
}

int helpfunc_check_config2_data(const Config2Data& data, LineTarget* record)
{
    LineTargetFields fields;
    fields.host = data.host.c_str();
    fields.phone = data.phone.c_str();
    fields.timeout = data.timeout.c_str();
    fields.send_pair = data.send_pair.c_str();
    fields.receive_pair = data.receive_pair.c_str();
    fields.create_route = data.create_route;
    fields.manual_only = data.manual_only;
    fields.bundling = data.bundling;
    fields.compression = data.compression;
    fields.proto2 = data.proto2;
    fields.proto3 = data.proto3;
    const LineTargetCheck check =
        line_target_from_fields(fields, helpfunc_selected_box.cfg.line_type, record);
    WidgetTable* t = XmVANTEROWidgets;
    Widget focus = nullptr;
    switch (check.focus) {
    case LineTargetField::Host:
        focus = t->Config2Name;
        break;
    case LineTargetField::Phone:
        focus = t->Config2Telefon;
        break;
    case LineTargetField::Timeout:
        focus = t->TimeOutText;
        break;
    case LineTargetField::SendPair:
        focus = t->AvSendPW;
        break;
    case LineTargetField::ReceivePair:
        focus = t->AvReceivePW;
        break;
    default:
        break;  // accepted
    }
    if (focus != nullptr)
        XmProcessTraversal(focus, XmTRAVERSE_CURRENT);
    return check.code;
}
