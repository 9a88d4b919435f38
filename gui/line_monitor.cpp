#include "line_monitor.h"

#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/List.h>
#include <Xm/PushB.h>
#include <Xm/ScrolledW.h>
#include <Xm/Separator.h>
#include <Xm/TextF.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dialog_builders.h"
#include "dialog_entry_points.h"
#include "dialog_registry.h"
#include "display_services.h"
#include "globals.h"
#include "highstate.h"
#include "linemon_fields.h"
#include "list_lines.h"
#include "request_gate.h"
#include "toolkit.h"
#include "widget_table.h"

// Labels and fonts in the order of the widgets; each channel's widgets are
// named after their channel, so each has lines of its own.
extern const char* const LineMonDialogResources[] = {
    "XmQORVEL*LineMonDialog.dialogTitle: Line Monitor",
    "XmQORVEL*LineMonDialog.LineMonHeader.labelString: Line Status/Line Monitor",
    "XmQORVEL*LineMonDialog.LineMonHeader.fontList: -adobe-helvetica-bold-r-*--14-*-*-*-*-*-*-1",
    "XmQORVEL*LineMonDialog.LineMonIDLabel.labelString: Router:",
    "XmQORVEL*LineMonDialog.LineMonIDLabel.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*LineMonDialog.LineMonOk.labelString: Connect",
    "XmQORVEL*LineMonDialog.LineMonClose.labelString: Close",
    "XmQORVEL*LineMonDialog.LineMonHelp.labelString: Help",
    "XmQORVEL*LineMonTopForm.Canal1Header.labelString: Channel 1",
    "XmQORVEL*LineMonTopForm.Canal1Header.fontList: -adobe-helvetica-bold-r-*--14-*-*-*-*-*-*-1",
    "XmQORVEL*LineMonTopForm.Canal1StatLabel.labelString: Status:",
    "XmQORVEL*LineMonTopForm.Canal1StatText.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    "XmQORVEL*LineMonTopForm.Canal1Disconnect.labelString: Disconnect",
    "XmQORVEL*LineMonTopForm.Canal1ConHeader.labelString: Connected Host",
    "XmQORVEL*LineMonTopForm.Canal1ConHeader.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*LineMonTopForm.Canal1PhoneLabel.labelString: Telephone:",
    "XmQORVEL*LineMonTopForm.Canal1PhoneText.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    "XmQORVEL*LineMonTopForm.Canal1IPLabel.labelString: IP-Address:",
    "XmQORVEL*LineMonTopForm.Canal1IPText.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    "XmQORVEL*LineMonTopForm.Canal1LineHeader.labelString: Connection",
    "XmQORVEL*LineMonTopForm.Canal1LineHeader.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*LineMonTopForm.Canal1TimeLabel.labelString: Duration:",
    "XmQORVEL*LineMonTopForm.Canal1TimeText.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    "XmQORVEL*LineMonTopForm.Canal1ChargeLabel.labelString: Charge:",
    "XmQORVEL*LineMonTopForm.Canal1ChargeText.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    "XmQORVEL*LineMonTopForm.Canal1PacketHeader.labelString: Packets",
    "XmQORVEL*LineMonTopForm.Canal1PacketHeader.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*LineMonTopForm.Canal1INLabel.labelString: Incoming:",
    "XmQORVEL*LineMonTopForm.Canal1INText.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    "XmQORVEL*LineMonTopForm.Canal1OUTLabel.labelString: Outgoing:",
    "XmQORVEL*LineMonTopForm.Canal1OUTText.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    "XmQORVEL*LineMonTopForm.Canal1CompLabel.labelString: Compression:",
    "XmQORVEL*LineMonTopForm.Canal1CompText.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    "XmQORVEL*LineMonBottomForm.Canal2Header.labelString: Channel 2",
    "XmQORVEL*LineMonBottomForm.Canal2Header.fontList: -adobe-helvetica-bold-r-*--14-*-*-*-*-*-*-1",
    "XmQORVEL*LineMonBottomForm.Canal2StatLabel.labelString: Status:",
    "XmQORVEL*LineMonBottomForm.Canal2StatText.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    "XmQORVEL*LineMonBottomForm.Canal2Disconnect.labelString: Disconnect",
    "XmQORVEL*LineMonBottomForm.Canal2ConHeader.labelString: Connected Host",
    "XmQORVEL*LineMonBottomForm.Canal2ConHeader.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*LineMonBottomForm.Canal2PhoneLabel.labelString: Telephone:",
    "XmQORVEL*LineMonBottomForm.Canal2PhoneText.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    "XmQORVEL*LineMonBottomForm.Canal2IPLabel.labelString: IP-Address:",
    "XmQORVEL*LineMonBottomForm.Canal2IPText.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    "XmQORVEL*LineMonBottomForm.Canal2LineHeader.labelString: Connection",
    "XmQORVEL*LineMonBottomForm.Canal2LineHeader.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*LineMonBottomForm.Canal2TimeLabel.labelString: Duration:",
    "XmQORVEL*LineMonBottomForm.Canal2TimeText.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    "XmQORVEL*LineMonBottomForm.Canal2ChargeLabel.labelString: Charge:",
    "XmQORVEL*LineMonBottomForm.Canal2ChargeText.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    "XmQORVEL*LineMonBottomForm.Canal2PacketHeader.labelString: Packets",
    "XmQORVEL*LineMonBottomForm.Canal2PacketHeader.fontList: -adobe-helvetica-bold-r-normal--12-120-75-75-p-70-iso8859-1",
    "XmQORVEL*LineMonBottomForm.Canal2INLabel.labelString: Incoming:",
    "XmQORVEL*LineMonBottomForm.Canal2INText.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    "XmQORVEL*LineMonBottomForm.Canal2OUTLabel.labelString: Outgoing:",
    "XmQORVEL*LineMonBottomForm.Canal2OUTText.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    "XmQORVEL*LineMonBottomForm.Canal2CompLabel.labelString: Compression:",
    "XmQORVEL*LineMonBottomForm.Canal2CompText.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    nullptr,
};

extern const char* const LineMon2DialogResources[] = {
    "XmQORVEL*LineMon2Dialog.dialogTitle: Setup Connection",
    "XmQORVEL*LineMon2Dialog.LineMon2Header.labelString: Setup Connection",
    "XmQORVEL*LineMon2Dialog.LineMon2Header.fontList: -adobe-helvetica-bold-r-*--14-*-*-*-*-*-*-1",
    "XmQORVEL*LineMon2Dialog.LineMon2Ok.labelString: OK",
    "XmQORVEL*LineMon2Dialog.LineMon2Close.labelString: Cancel",
    "XmQORVEL*LineMon2Dialog.LineMon2Help.labelString: Help",
    "XmQORVEL*LineMon2Dialog*LineMon2List.background: cornsilk",
    "XmQORVEL*LineMon2Dialog*LineMon2List.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    nullptr,
};

namespace {

using T = WidgetTable;

constexpr int CHANNEL_HEADER_WIDTH = 80;
constexpr int ID_LABEL_WIDTH = 70;
constexpr int FIELD_LABEL_WIDTH = 100;
constexpr int DISCONNECT_WIDTH = 100;
constexpr int ROW_GAP = 2;     // pixels between the rows of a group
constexpr int GROUP_GAP = 10;  // pixels above a group's header
constexpr int LIST_VISIBLE_LINES = 10;

// The widget-table slots of one channel's fields.
struct ChannelSlots {
    Widget T::*disconnect;
    Widget T::*state;
    Widget T::*phone;
    Widget T::*peer;
    Widget T::*duration;
    Widget T::*charge;
    Widget T::*packets_in;
    Widget T::*packets_out;
    Widget T::*compression;
};

// One channel's place in the dialog.
struct Channel {
    const char* prefix;  // its widgets' names begin with it
    const char* form;    // the half of "LineMonForm" it stands in
    LineMonAction disconnect_action;
    ChannelSlots slots;
};

const Channel CHANNELS[2] = {
    {"Canal1",
     "LineMonTopForm",
     LINEMON_ACTION_DISCONNECT_1,
     {&T::Canal1Disconnect, &T::Canal1StatText, &T::Canal1PhoneText, &T::Canal1IPText,
      &T::Canal1TimeText, &T::Canal1ChargeText, &T::Canal1INText, &T::Canal1OUTText,
      &T::Canal1CompText}},
    {"Canal2",
     "LineMonBottomForm",
     LINEMON_ACTION_DISCONNECT_2,
     {&T::Canal2Disconnect, &T::Canal2StatText, &T::Canal2PhoneText, &T::Canal2IPText,
      &T::Canal2TimeText, &T::Canal2ChargeText, &T::Canal2INText, &T::Canal2OUTText,
      &T::Canal2CompText}},
};

// ------------------------------------------------------------- requests ---

enum class RequestKind { START, STOP, HANG_UP, DIAL };

struct Request {
    RequestKind kind;
    int argument;  // the channel (0, 1) to hang up, the 0-based line target to dial
};

int visit = 0;  // counts the openings of the monitor

void send(const Request& r)
{
    switch (r.kind) {
    case RequestKind::START:
        highstate_start_linemon(cbfunc_linemonitor);
        break;
    case RequestKind::STOP:
        highstate_stop_linemon();
        break;
    case RequestKind::HANG_UP:
        highstate_close_isdn(r.argument);
        break;
    case RequestKind::DIAL:
        highstate_open_isdn(r.argument);
        break;
    }
}

// The requests go in order, each once the router has acknowledged the one
// before.
void request(RequestKind kind, int argument = 0)
{
    const Request r{kind, argument};
    const int given_in = visit;
    request_gate_run([r, given_in] {
        // The monitor has been opened again since: a stop still waiting
        // from the last visit would end the new one.
        if (r.kind == RequestKind::STOP && given_in != visit)
            return;
        send(r);
    });
}

// ----------------------------------------------------------------- build ---

std::string name_of(const char* prefix, const char* rest)
{
    return std::string(prefix) + rest;
}

// A read-only text field: no editing, no cursor, no shadow; no highlight
// border unless `highlight`.
Widget read_only_field(Widget parent, const std::string& name, bool highlight)
{
    Arg args[4];
    Cardinal n = 0;
    XtSetArg(args[n], XmNeditable, False);
    ++n;
    XtSetArg(args[n], XmNcursorPositionVisible, False);
    ++n;
    XtSetArg(args[n], XmNshadowThickness, 0);
    ++n;
    if (!highlight) {
        XtSetArg(args[n], XmNhighlightThickness, 0);
        ++n;
    }
    Widget field = XmCreateTextField(parent, const_cast<char*>(name.c_str()), args, n);
    XtManageChild(field);
    return field;
}

// A label beside a field that spans the field's height.
Widget field_label(Widget parent, const std::string& name, Widget field)
{
    return XtVaCreateManagedWidget(name.c_str(), xmLabelWidgetClass, parent, XmNalignment,
                                   XmALIGNMENT_BEGINNING, XmNrecomputeSize, False, XmNwidth,
                                   FIELD_LABEL_WIDTH, XmNtopAttachment, XmATTACH_OPPOSITE_WIDGET,
                                   XmNtopWidget, field, XmNbottomAttachment,
                                   XmATTACH_OPPOSITE_WIDGET, XmNbottomWidget, field, nullptr);
}

// A label and its field in the left half (up to 50 %) or the right half of
// a row `gap` below `above`. Returns the field.
Widget half_row(Widget parent, const char* prefix, const char* label, const char* field_name,
                Widget above, int gap, bool right_half, bool highlight = false)
{
    Widget field = read_only_field(parent, name_of(prefix, field_name), highlight);
    Widget name = field_label(parent, name_of(prefix, label), field);
    if (right_half)
        XtVaSetValues(name, XmNleftAttachment, XmATTACH_POSITION, XmNleftPosition, 50, nullptr);
    else
        XtVaSetValues(name, XmNleftAttachment, XmATTACH_FORM, XmNleftOffset, 10, nullptr);
    XtVaSetValues(field, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, above, XmNtopOffset, gap,
                  XmNleftAttachment, XmATTACH_WIDGET, XmNleftWidget, name, nullptr);
    if (right_half)
        XtVaSetValues(field, XmNrightAttachment, XmATTACH_FORM, XmNrightOffset, 10, nullptr);
    else
        XtVaSetValues(field, XmNrightAttachment, XmATTACH_POSITION, XmNrightPosition, 50, nullptr);
    return field;
}

Widget group_header(Widget parent, const std::string& name, Widget above, int gap)
{
    return XtVaCreateManagedWidget(name.c_str(), xmLabelWidgetClass, parent, XmNalignment,
                                   XmALIGNMENT_BEGINNING, XmNleftAttachment, XmATTACH_FORM,
                                   XmNleftOffset, 10, XmNtopAttachment, XmATTACH_WIDGET,
                                   XmNtopWidget, above, XmNtopOffset, gap, nullptr);
}

// The fields of one channel in its half of "LineMonForm".
void channel_layout(Widget form, const Channel& channel, WidgetTable* table)
{
    const char* p = channel.prefix;
    Widget header = XtVaCreateManagedWidget(name_of(p, "Header").c_str(), xmLabelWidgetClass, form,
                                            XmNtopAttachment, XmATTACH_FORM, XmNtopOffset, 5,
                                            XmNleftAttachment, XmATTACH_FORM, XmNleftOffset, 10,
                                            XmNwidth, CHANNEL_HEADER_WIDTH, nullptr);
    if (channel.disconnect_action == LINEMON_ACTION_DISCONNECT_1)
        table->Canal1Header = header;

    Widget disconnect = XtVaCreateManagedWidget(
        name_of(p, "Disconnect").c_str(), xmPushButtonWidgetClass, form, XmNrightAttachment,
        XmATTACH_FORM, XmNrightOffset, 10, XmNwidth, DISCONNECT_WIDTH, XmNtopAttachment,
        XmATTACH_WIDGET, XmNtopWidget, header, XmNtopOffset, ROW_GAP, XmNsensitive, False, nullptr);
    XtAddCallback(disconnect, XmNactivateCallback, LineMonCB,
                  action_data(channel.disconnect_action));
    Widget state = read_only_field(form, name_of(p, "StatText"), false);
    Widget state_label = field_label(form, name_of(p, "StatLabel"), state);
    XtVaSetValues(state_label, XmNleftAttachment, XmATTACH_FORM, XmNleftOffset, 10, nullptr);
    XtVaSetValues(state, XmNtopAttachment, XmATTACH_OPPOSITE_WIDGET, XmNtopWidget, disconnect,
                  XmNleftAttachment, XmATTACH_WIDGET, XmNleftWidget, state_label,
                  XmNrightAttachment, XmATTACH_WIDGET, XmNrightWidget, disconnect, XmNrightOffset,
                  20, nullptr);

    Widget host = group_header(form, name_of(p, "ConHeader"), disconnect, ROW_GAP);
    Widget phone = half_row(form, p, "PhoneLabel", "PhoneText", host, ROW_GAP, false);
    Widget peer = half_row(form, p, "IPLabel", "IPText", host, ROW_GAP, true);

    Widget line = group_header(form, name_of(p, "LineHeader"), phone, GROUP_GAP);
    Widget duration = half_row(form, p, "TimeLabel", "TimeText", line, ROW_GAP, false);
    Widget charge = half_row(form, p, "ChargeLabel", "ChargeText", line, ROW_GAP, true);

    Widget packets = group_header(form, name_of(p, "PacketHeader"), duration, GROUP_GAP);
    Widget in = half_row(form, p, "INLabel", "INText", packets, ROW_GAP, false);
    Widget out = half_row(form, p, "OUTLabel", "OUTText", packets, ROW_GAP, true);
    Widget compression = half_row(form, p, "CompLabel", "CompText", in, ROW_GAP, false, true);

    const ChannelSlots& s = channel.slots;
    table->*s.disconnect = disconnect;
    table->*s.state = state;
    table->*s.phone = phone;
    table->*s.peer = peer;
    table->*s.duration = duration;
    table->*s.charge = charge;
    table->*s.packets_in = in;
    table->*s.packets_out = out;
    table->*s.compression = compression;
}

Widget bottom_button(Widget form, const char* name, int left, XtCallbackProc callback, int action)
{
    Widget button = XtVaCreateManagedWidget(
        name, xmPushButtonWidgetClass, form, XmNleftAttachment, XmATTACH_POSITION, XmNleftPosition,
        left, XmNrightAttachment, XmATTACH_POSITION, XmNrightPosition, left + 20,
        XmNbottomAttachment, XmATTACH_FORM, XmNbottomOffset, 10, nullptr);
    XtAddCallback(button, XmNactivateCallback, callback, action_data(action));
    return button;
}

Widget head_line(Widget form)
{
    return XtVaCreateManagedWidget("HeadLine", xmLabelWidgetClass, form, XmNleftAttachment,
                                   XmATTACH_POSITION, XmNleftPosition, 2, XmNtopAttachment,
                                   XmATTACH_FORM, XmNtopOffset, 10, nullptr);
}

// The dialog's header takes the width of its text: a fixed width would cut
// it off.
Widget dialog_header(Widget form, const char* name, Widget head)
{
    return XtVaCreateManagedWidget(name, xmLabelWidgetClass, form, XmNleftAttachment, XmATTACH_FORM,
                                   XmNleftOffset, 10, XmNtopAttachment, XmATTACH_WIDGET,
                                   XmNtopWidget, head, XmNtopOffset, 10, nullptr);
}

// ------------------------------------------------------------ show ---

void set_channel(const ChannelSlots& slots, const LineMonChannelFields& fields)
{
    WidgetTable* t = XmVANTEROWidgets;
    helpfunc_set_field(t->*slots.state, fields.state_text.c_str());
    helpfunc_set_field(t->*slots.phone, fields.phone.c_str());
    helpfunc_set_field(t->*slots.peer, fields.peer.c_str());
    helpfunc_set_field(t->*slots.duration, fields.duration.c_str());
    helpfunc_set_field(t->*slots.charge, fields.charge.c_str());
    helpfunc_set_field(t->*slots.packets_in, fields.packets_in.c_str());
    helpfunc_set_field(t->*slots.packets_out, fields.packets_out.c_str());
    XtSetSensitive(t->*slots.disconnect, fields.disconnect_sensitive ? True : False);
}

void dial(int position)
{
    // A list position is 1-based; the router counts its table from 0.
    if (position >= 1)
        request(RequestKind::DIAL, position - 1);
    helpfunc_popdown(Dialog::LineMon2Dialog);
}

}  // namespace

Widget LineMonDialogLayout(Widget parent, WidgetTable* table)
{
    Widget form = helpfunc_create_form_dialog(parent, Dialog::LineMonDialog);

    Widget head = head_line(form);
    Widget header = dialog_header(form, "LineMonHeader", head);
    table->LineMonIDText = read_only_field(form, "LineMonIDText", false);
    XtVaSetValues(table->LineMonIDText, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, header,
                  XmNtopOffset, 8, XmNleftAttachment, XmATTACH_FORM, XmNleftOffset,
                  10 + ID_LABEL_WIDTH, XmNrightAttachment, XmATTACH_FORM, XmNrightOffset, 10,
                  nullptr);
    Widget id_label = field_label(form, "LineMonIDLabel", table->LineMonIDText);
    XtVaSetValues(id_label, XmNwidth, ID_LABEL_WIDTH, XmNleftAttachment, XmATTACH_FORM,
                  XmNleftOffset, 10, nullptr);

    table->LineMonOk = bottom_button(form, "LineMonOk", 10, LineMonCB, LINEMON_ACTION_CONNECT);
    table->LineMonClose = bottom_button(form, "LineMonClose", 40, LineMonCB, LINEMON_ACTION_CLOSE);
    XtVaSetValues(table->LineMonClose, XmNshowAsDefault, 1, nullptr);
    table->LineMonHelp = bottom_button(form, "LineMonHelp", 70, LineMonCB, LINEMON_ACTION_HELP);
    XtVaSetValues(form, XmNdefaultButton, table->LineMonClose, XmNcancelButton, table->LineMonClose,
                  nullptr);

    Widget channels = XtVaCreateManagedWidget(
        "LineMonForm", xmFormWidgetClass, form, XmNresizePolicy, XmRESIZE_NONE, XmNtopAttachment,
        XmATTACH_WIDGET, XmNtopWidget, table->LineMonIDText, XmNbottomAttachment, XmATTACH_WIDGET,
        XmNbottomWidget, table->LineMonOk, XmNbottomOffset, 10, XmNleftAttachment, XmATTACH_FORM,
        XmNrightAttachment, XmATTACH_FORM, nullptr);
    Widget separator = XtVaCreateManagedWidget(
        "BottomSeparator", xmSeparatorWidgetClass, channels, XmNbottomAttachment, XmATTACH_FORM,
        XmNleftAttachment, XmATTACH_FORM, XmNrightAttachment, XmATTACH_FORM, nullptr);
    Widget top = XtVaCreateManagedWidget(
        CHANNELS[0].form, xmFormWidgetClass, channels, XmNtopAttachment, XmATTACH_FORM,
        XmNleftAttachment, XmATTACH_FORM, XmNrightAttachment, XmATTACH_FORM, XmNbottomAttachment,
        XmATTACH_POSITION, XmNbottomPosition, 50, XmNbottomOffset, 5, nullptr);
    Widget bottom = XtVaCreateManagedWidget(
        CHANNELS[1].form, xmFormWidgetClass, channels, XmNtopAttachment, XmATTACH_POSITION,
        XmNtopPosition, 50, XmNleftAttachment, XmATTACH_FORM, XmNrightAttachment, XmATTACH_FORM,
        XmNbottomAttachment, XmATTACH_WIDGET, XmNbottomWidget, separator, XmNbottomOffset, 5,
        nullptr);
    channel_layout(top, CHANNELS[0], table);
    channel_layout(bottom, CHANNELS[1], table);

    for (Widget w : {table->Canal1Disconnect, table->Canal2Disconnect, table->LineMonOk,
                     table->LineMonClose, table->LineMonHelp})
        XmAddTabGroup(w);
    table->LineMonDialog = form;
    return form;
}

Widget LineMon2DialogLayout(Widget parent, WidgetTable* table)
{
    Widget form = helpfunc_create_form_dialog(parent, Dialog::LineMon2Dialog);

    Widget head = head_line(form);
    Widget header = dialog_header(form, "LineMon2Header", head);

    table->LineMon2Ok = bottom_button(form, "LineMon2Ok", 10, LineMon2CB, LINEMON2_ACTION_OK);
    XtSetSensitive(table->LineMon2Ok, False);
    table->LineMon2Close =
        bottom_button(form, "LineMon2Close", 40, LineMon2CB, LINEMON2_ACTION_CANCEL);
    table->LineMon2Help = bottom_button(form, "LineMon2Help", 70, LineMon2CB, LINEMON2_ACTION_HELP);
    XtVaSetValues(form, XmNcancelButton, table->LineMon2Close, nullptr);

    Arg args[4];
    Cardinal n = 0;
    XtSetArg(args[n], XmNselectionPolicy, XmSINGLE_SELECT);
    ++n;
    XtSetArg(args[n], XmNvisibleItemCount, LIST_VISIBLE_LINES);
    ++n;
    XtSetArg(args[n], XmNscrollBarDisplayPolicy, XmSTATIC);
    ++n;
    table->LineMon2List = XmCreateScrolledList(form, const_cast<char*>("LineMon2List"), args, n);
    XtVaSetValues(XtParent(table->LineMon2List), XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget,
                  header, XmNtopOffset, 10, XmNbottomAttachment, XmATTACH_WIDGET, XmNbottomWidget,
                  table->LineMon2Ok, XmNbottomOffset, 10, XmNleftAttachment, XmATTACH_FORM,
                  XmNleftOffset, 10, XmNrightAttachment, XmATTACH_FORM, XmNrightOffset, 10,
                  nullptr);
    XtAddCallback(table->LineMon2List, XmNsingleSelectionCallback, LineMon2CB,
                  action_data(LINEMON2_ACTION_SELECT));
    XtAddCallback(table->LineMon2List, XmNdefaultActionCallback, LineMon2CB,
                  action_data(LINEMON2_ACTION_DOUBLE_CLICK));
    XtManageChild(table->LineMon2List);

    helpfunc_list_colours(form, table->LineMon2List);
    for (Widget w :
         {table->LineMon2List, table->LineMon2Ok, table->LineMon2Close, table->LineMon2Help})
        XmAddTabGroup(w);
    table->LineMon2Dialog = form;
    return form;
}

void LineMonDialogSetData()
{
    // The monitor is about to start again: a stop still waiting from the
    // last visit would end the new one.
    ++visit;
    LineMonitorData empty{};
    helpfunc_set_linemon_data(&empty);
}

void LineMon2DialogSetData()
{
    WidgetTable* t = XmVANTEROWidgets;
    XmListDeleteAllItems(t->LineMon2List);
    for (const std::string& line : line_target_list_lines(main_line_list)) {
        CompoundString item(line.c_str());
        XmListAddItemUnselected(t->LineMon2List, item, 0);
    }
    XtSetSensitive(t->LineMon2Ok, False);
}

void helpfunc_set_linemon_data(const LineMonitorData* data)
{
    WidgetTable* t = XmVANTEROWidgets;
    if (data == nullptr || t == nullptr || t->LineMonDialog == nullptr)
        return;
    LineMonFields fields = linemon_fields(*data);
    for (int i = 0; i < 2; ++i)
        set_channel(CHANNELS[i].slots, fields.channel[i]);
    XtSetSensitive(t->LineMonOk, fields.connect_sensitive ? True : False);
}

void cbfunc_linemonitor(LineMonitorData* data)
{
    // Reports that come after "Close" and before the router has taken the
    // stop belong to no visit of the dialog.
    Widget form = XmVANTEROWidgets != nullptr ? XmVANTEROWidgets->LineMonDialog : nullptr;
    if (form == nullptr || !XtIsManaged(form))
        return;
    helpfunc_set_linemon_data(data);
}

void LineMonCB(Widget, XtPointer client, XtPointer)
{
    switch (action_code(client)) {
    case LINEMON_ACTION_DISCONNECT_1:
        request(RequestKind::HANG_UP, 0);
        break;
    case LINEMON_ACTION_DISCONNECT_2:
        request(RequestKind::HANG_UP, 1);
        break;
    case LINEMON_ACTION_CONNECT:
        helpfunc_popup(Dialog::LineMon2Dialog);
        break;
    case LINEMON_ACTION_HELP:
        helpfunc_popup_help(Dialog::LineMonDialog);
        break;
    case LINEMON_ACTION_CLOSE:
        helpfunc_popdown(Dialog::LineMonDialog);
        request(RequestKind::STOP);
        break;
    default:
        break;
    }
}

void LineMon2CB(Widget, XtPointer client, XtPointer call)
{
    WidgetTable* t = XmVANTEROWidgets;
    switch (action_code(client)) {
    case LINEMON2_ACTION_SELECT:
        XtSetSensitive(t->LineMon2Ok, helpfunc_first_selected(t->LineMon2List) > 0 ? True : False);
        break;
    case LINEMON2_ACTION_OK:
        dial(helpfunc_first_selected(t->LineMon2List));
        break;
    case LINEMON2_ACTION_DOUBLE_CLICK: {
        // Return on the list comes without a selection before it: the line
        // is the one of this call.
        auto* cbs = static_cast<XmListCallbackStruct*>(call);
        if (cbs != nullptr)
            dial(cbs->item_position);
        break;
    }
    case LINEMON2_ACTION_HELP:
        helpfunc_popup_help(Dialog::LineMon2Dialog);
        break;
    case LINEMON2_ACTION_CANCEL:
        helpfunc_popdown(Dialog::LineMon2Dialog);
        break;
    default:
        break;
    }
}

void linemon_start()
{
    request(RequestKind::START);
}

int linemon_requests_waiting()
{
    return request_gate_waiting();
}
