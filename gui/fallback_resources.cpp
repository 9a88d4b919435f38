#include "fallback_resources.h"

#include <string>
#include <vector>

#include "dialog_builders.h"
#include "dialog_names.h"
#include "dialog_registry.h"
#include "message_tables.h"

namespace {

const char* const APPLICATION_WIDE[] = {
    "XmQORVEL*geometry:                    +10+35",
    "XmQORVEL*title:                       quarnVANTERO",
    "XmQORVEL*iconName:                    qorvel",
    "XmQORVEL*fontList: -adobe-helvetica-medium-r-normal--12-120-75-75-p-67-iso8859-1",
    "XmQORVEL*foreground: black",
    "XmQORVEL*background: gray72",
    "XmQORVEL*topShadowColor: gray90",
    "XmQORVEL*bottomShadowColor: black",
    "XmQORVEL*XmList.background: cornsilk",
    "XmQORVEL*FileDialog*XmText.background: mistyrose3",
    "XmQORVEL*HeadLine.background: gray72",
    "XmQORVEL*HeadLine.fontList: -adobe-helvetica-bold-r-normal--18-180-75-75-p-103-iso8859-1",
    "XmQORVEL*HeadLine.foreground: black",
    "XmQORVEL*HeadLine.labelString: quarnVANTERO",
};

const DialogPosition POSITIONS[] = {
    {"ConfigDialog", 10, 35},     {"Config2Dialog", 525, 35},   {"RConfigDialog", 525, 35},
    {"FilterDialog", 10, 35},     {"Filter2Dialog", 525, 35},   {"RouteDialog", 10, 35},
    {"Route2Dialog", 525, 35},    {"RouterDialog", 525, 35},    {"AccountingDialog", 525, 35},
    {"LineMonDialog", 525, 35},   {"LineMon2Dialog", 525, 480}, {"HelpDialog", 10, 525},
    {"SetPWDialog", 625, 180},    {"Question2Dialog", 625, 180}, {"FirmwareDialog", 625, 135},
};

// The order of the windows' own lines in the set.
const Dialog RESOURCE_ORDER[] = {
    Dialog::ScanDialog,     Dialog::PWDialog,       Dialog::ConfigDialog,
    Dialog::ErrorDialog,    Dialog::Error2Dialog,   Dialog::InputPWDialog,
    Dialog::RepeatPWDialog, Dialog::AboutDialog,    Dialog::QuestionDialog,
    Dialog::Question2Dialog, Dialog::Config2Dialog, Dialog::RConfigDialog,
    Dialog::FilterDialog,   Dialog::RouteDialog,    Dialog::AccountingDialog,
    Dialog::RouterDialog,   Dialog::Route2Dialog,   Dialog::Filter2Dialog,
    Dialog::LineMonDialog,  Dialog::LineMon2Dialog, Dialog::FileDialog,
    Dialog::HelpDialog,     Dialog::SetPWDialog,    Dialog::FirmwareDialog,
};

void add_lines(std::vector<String>* set, const char* const* lines)
{
    for (; lines != nullptr && *lines != nullptr; ++lines)
        set->push_back(const_cast<String>(*lines));
}

}  // namespace

const DialogPosition* fallback_positions(int* count)
{
    *count = static_cast<int>(sizeof POSITIONS / sizeof POSITIONS[0]);
    return POSITIONS;
}

String* fallback_resources()
{
    // Built once and kept: the toolkit reads the set at initialisation and
    // again for every display it opens.
    static std::vector<std::string> position_lines;
    static std::vector<String> set;
    if (!set.empty())
        return set.data();

    for (const char* line : APPLICATION_WIDE)
        set.push_back(const_cast<String>(line));
    for (const DialogPosition& p : POSITIONS) {
        position_lines.push_back(text_format("XmQORVEL*%s.x: %d", p.dialog, p.x));
        position_lines.push_back(text_format("XmQORVEL*%s.y: %d", p.dialog, p.y));
    }
    for (std::string& line : position_lines)
        set.push_back(&line[0]);
    add_lines(&set, MainFormResources);
    for (Dialog d : RESOURCE_ORDER)
        add_lines(&set, dialog_entry(d).resources);
    set.push_back(nullptr);
    return set.data();
}
