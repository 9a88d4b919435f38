// The line-target editor "Config2Dialog": one line target (an ISDN remote
// station of the router) edited, or a new one created. The basic view shows
// the remote host, its telephone number and, when adding, "Create Default
// Route"; the advanced view adds the idle timeout, three flags, the layer-2
// and layer-3 protocols and the two PPP identifications. PPP is chosen on
// both protocol layers or on neither, and the identifications take input
// only with PPP.
//
//   table dialog: helpfunc_create_layout(Config2Dialog);
//                 helpfunc_set_config2_data(record or &line_defaults);
//                 helpfunc_popup(Config2Dialog);
//   OK:           read, check (focus on the first faulty field), store in
//                 main_line_list, back to the table dialog.
#pragma once

#include <X11/Intrinsic.h>

#include <string>

#include "records.h"

// Action codes of Config2CB.
enum Config2Action : int {
    CONFIG2_VIEW = 0,  // "Basics" changed: basic or advanced view
    CONFIG2_OK = 1,
    CONFIG2_HELP = 2,
    CONFIG2_CANCEL = 3,
};

// The callback of the view toggle and the three buttons; `client` is the
// action.
void Config2CB(Widget widget, XtPointer client, XtPointer call);

// The activate callbacks of the layer-2 and layer-3 menu buttons; `target`
// is the name of the other menu's button that goes with the choice
// ("P3_PPP" for PPP on layer 2, "P3_NULL" for any other; "P2_PPP" and
// "P2_X75" on layer 3).
void PPP2CB(Widget widget, XtPointer target, XtPointer call);
void PPP3CB(Widget widget, XtPointer target, XtPointer call);

// Shows a line target in the fields. The record is only read: the dialog
// changes the table on OK alone.
void helpfunc_set_config2_data(const LineTarget* record);

// The fields as the user left them (texts untrimmed, as typed).
struct Config2Data {
    std::string host;
    std::string phone;
    std::string timeout;
    std::string send_pair;
    std::string receive_pair;
    bool create_route = false;
    bool manual_only = false;
    bool bundling = false;
    bool compression = false;
    Proto2Def* proto2 = nullptr;  // the rows behind the menus' current buttons
    Proto3Def* proto3 = nullptr;
};

void helpfunc_get_config2_data(Config2Data* data);

// Checks the fields in dialog order (host, phone, timeout, send and receive
// identification) and makes the record of them. Returns 0 with *record
// filled, or the code of the first faulty field (1 host, 2 phone, 3 send,
// 4 receive, 5 timeout) with the keyboard focus moved to it.
int helpfunc_check_config2_data(const Config2Data& data, LineTarget* record);

// Bind every row of the protocol tables to a button of its menu; the rows
// after the three built-in ones get buttons of their own. Run once, when the
// dialog is built.
void helpfunc_add_s2_protocols();
void helpfunc_add_s3_protocols();
