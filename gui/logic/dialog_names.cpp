#include "dialog_names.h"

#include <cstring>

namespace {

const char* const NAMES[WINDOW_COUNT] = {
    "MainForm",       "ScanDialog",     "PWDialog",         "ConfigDialog",
    "ErrorDialog",    "AboutDialog",    "QuestionDialog",   "Config2Dialog",
    "RConfigDialog",  "FilterDialog",   "RouteDialog",      "AccountingDialog",
    "RouterDialog",   "Route2Dialog",   "Filter2Dialog",    "LineMonDialog",
    "LineMon2Dialog", "FileDialog",     "FirmwareDialog",   "HelpDialog",
    "SetPWDialog",    "Error2Dialog",   "RepeatPWDialog",   "InputPWDialog",
    "Question2Dialog",
};

const Dialog TABLE_ORDER[DIALOG_COUNT] = {
    Dialog::ScanDialog,       Dialog::PWDialog,       Dialog::ConfigDialog,
    Dialog::ErrorDialog,      Dialog::AboutDialog,    Dialog::QuestionDialog,
    Dialog::Config2Dialog,    Dialog::RConfigDialog,  Dialog::FilterDialog,
    Dialog::RouteDialog,      Dialog::AccountingDialog, Dialog::RouterDialog,
    Dialog::Route2Dialog,     Dialog::Filter2Dialog,  Dialog::LineMonDialog,
    Dialog::LineMon2Dialog,   Dialog::FileDialog,     Dialog::FirmwareDialog,
    Dialog::HelpDialog,       Dialog::SetPWDialog,    Dialog::Error2Dialog,
    Dialog::RepeatPWDialog,   Dialog::InputPWDialog,  Dialog::Question2Dialog,
};

}  // namespace

const char* dialog_name(Dialog dialog)
{
    int n = static_cast<int>(dialog);
    if (n < 0 || n >= WINDOW_COUNT)
        return "";
    return NAMES[n];
}

bool dialog_by_name(const char* name, Dialog* dialog)
{
    if (name == nullptr)
        return false;
    for (int n = 0; n < WINDOW_COUNT; ++n) {
        if (std::strcmp(NAMES[n], name) == 0) {
            *dialog = static_cast<Dialog>(n);
            return true;
        }
    }
    return false;
}

const Dialog* dialogs_in_table_order()
{
    return TABLE_ORDER;
}
