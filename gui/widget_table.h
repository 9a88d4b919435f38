// The table of every widget that code must reach after its dialog was built:
// 178 handles, grouped by dialog in the order of the dialog list
// (dialog_list.h; dialog_forms.cpp checks the order when it is compiled),
// all null until their dialog is built. A dialog's first entry is its form (the file
// dialog's is its selection box), so an empty first entry means "not built
// yet". Fields carry the widgets' own names, so that a name seen in a
// resource file or a test finds its field.
#pragma once

#include <X11/Intrinsic.h>

struct WidgetTable {
    // main window
    Widget Open, ConfigureRouter, ConfigureLines, LineMonitor, Accounting, SelectionList, Close,
        Overview;
    // busy notice
    Widget ScanDialog, ScanDialogMessage;
    // password prompt
    Widget PWDialog, PWText;
    // line-target table
    Widget ConfigDialog, ConfigIDText, ConfigOk, ConfigClose, DefineRouteTable, DefineFilterTable,
        OpenLine, DeleteLine, AddLine, LineList;
    // error box
    Widget ErrorDialog, ErrorDialogMessage;
    // about box
    Widget AboutDialog, AboutProductLine, AboutVersion;
    // confirmation
    Widget QuestionDialog, QuestionDialogMessage, QuestionDialogYes, QuestionDialogNo;
    // line-target editor
    Widget Config2Dialog, Config2Name, Config2Telefon, Config2Config, Config2Help, Config2Cancel,
        Config2AdvancedForm, TimeOutText, Compression, B_Chanal, OnlyManual, S2ProtocolOpt,
        Proto2Menu, P2_X75, P2_HDLC, P2_PPP, S3ProtocolOpt, Proto3Menu, P3_NULL, P3_T70NL, P3_PPP,
        AvSendPW, AvReceivePW, Config2Simple, CreateRoute;
    // router settings
    Widget RConfigDialog, RConfigConfigure, RConfigClose, RConfigHelp, RNameText, RNetmaskText,
        RPhoneText, RISDNMode, RISDMenu, ISDN_1TR6, ISDN_EURO, ISDN_TYP_0_4, ISDN_TYP_2_11,
        ISDN_TYP_2_12, RVersionText, RChangeFirmware, RChangePassword;
    // filter table
    Widget FilterDialog, FilterIDText, FilterHelp, FilterClose, OpenFilter, DeleteFilter, AddFilter,
        FilterOption, FilterAllow, FilterProhibit, FilterList;
    // route table
    Widget RouteDialog, RouteIDText, RouteHelp, RouteClose, OpenRoute, DeleteRoute, AddRoute,
        RouteList;
    // accounting window
    Widget AccountingDialog, AccountingIDText, AccountingReset, AccountingClose, AccountingText;
    // router overview
    Widget RouterDialog, RouterClose, RouterText;
    // route editor
    Widget Route2Dialog, Route2IDText, Route2Ok, Route2Help, Route2Close, Route2MaskText,
        Route2CompText, Route2GateText, Route2PosText;
    // filter editor
    Widget Filter2Dialog, Filter2IDText, Filter2Ok, Filter2Help, Filter2Close, Filter2SMaskText,
        Filter2SCompText, Filter2RMaskText, Filter2RCompText, Filter2PortText, Filter2Aktion,
        A_ACCEPT, A_REJECT, Filter2PosText;
    // line monitor
    Widget LineMonDialog, LineMonIDText, LineMonOk, LineMonHelp, LineMonClose, Canal1Header,
        Canal1Disconnect, Canal1StatText, Canal1PhoneText, Canal1IPText, Canal1TimeText,
        Canal1ChargeText, Canal1INText, Canal1OUTText, Canal1CompText, Canal2Disconnect,
        Canal2StatText, Canal2PhoneText, Canal2IPText, Canal2TimeText, Canal2ChargeText,
        Canal2INText, Canal2OUTText, Canal2CompText;
    // connection set-up
    Widget LineMon2Dialog, LineMon2Ok, LineMon2Help, LineMon2Close, LineMon2List;
    // file dialog
    Widget FileDialog;
    // firmware selection
    Widget FirmwareDialog, FirmwareOk, FirmwareHelp, FirmwareClose, FirmwareList;
    // help window
    Widget HelpDialog, HelpClose, HelpText;
    // router password
    Widget SetPWDialog, SetPWOk, SetPWHelp, SetPWClose, SetPWChange, SetPWDelete,
        SetPWExclusivToggle;
    // unknown-protocols notice
    Widget Error2Dialog, Error2DialogMessage;
    // password repetition
    Widget RepeatPWDialog, RepeatPWText;
    // new password entry
    Widget InputPWDialog, InputPWText;
    // second confirmation
    Widget Question2Dialog, Question2DialogMessage, Question2DialogYes, Question2DialogNo;
};

static_assert(sizeof(WidgetTable) == 178 * sizeof(Widget), "178 widget slots");

// Made zeroed once at start-up and kept for the whole run.
extern WidgetTable* XmVANTEROWidgets;
