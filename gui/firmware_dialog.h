// The firmware selection ("FirmwareDialog") that the router settings
// dialog opens, and the progress and end of a download that it starts. The
// settings dialog stands above: it hands down what the selection needs.
#pragma once

#include <X11/Intrinsic.h>

#include "records.h"

// Action codes of FirmwareCB.
enum FirmwareAction : int {
    FIRMWARE_ACTION_SELECT = 0,   // selection in "FirmwareList"
    FIRMWARE_ACTION_DEFAULT = 1,  // double click (or Return) on an item
    FIRMWARE_ACTION_OK = 2,       // "FirmwareOk"
    FIRMWARE_ACTION_HELP = 3,     // "FirmwareHelp"
    FIRMWARE_ACTION_CANCEL = 4,   // "FirmwareClose"
};

void FirmwareCB(Widget widget, XtPointer client, XtPointer call);

// Pops the selection up for the family (0 1TR6, 1 DSS1) that the settings
// dialog's option menu shows.
void firmware_dialog_open(int family);

// Refills "FirmwareList" with the versions of the family it was opened for.
void helpfunc_fill_firmware_list(Widget list);

// Progress of a download: the busy notice's text.
void cbfunc_get_percent(int percent);

// The end of a download: the router is back under its new address.
void cbfunc_firmware(ScanAnswer* answer);
