#include "fallback_resources.h"

#include <string>
#include <vector>

#include "dialog_builders.h"
#include "dialog_names.h"
#include "dialog_registry.h"
#include "dialog_table.h"
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

struct DialogPlace {
    Dialog dialog;
    int x;
    int y;
};

constexpr DialogPlace POSITIONS[] = {
    {Dialog::ConfigDialog, 10, 35},      {Dialog::Config2Dialog, 525, 35},
    {Dialog::RConfigDialog, 525, 35},    {Dialog::FilterDialog, 10, 35},
    {Dialog::Filter2Dialog, 525, 35},    {Dialog::RouteDialog, 10, 35},
    {Dialog::Route2Dialog, 525, 35},     {Dialog::RouterDialog, 525, 35},
    {Dialog::AccountingDialog, 525, 35}, {Dialog::LineMonDialog, 525, 35},
    {Dialog::LineMon2Dialog, 525, 480},  {Dialog::HelpDialog, 10, 525},
    {Dialog::SetPWDialog, 625, 180},     {Dialog::Question2Dialog, 625, 180},
    {Dialog::FirmwareDialog, 625, 135},
};
constexpr int POSITION_COUNT = sizeof POSITIONS / sizeof POSITIONS[0];

constexpr bool positions_match()
{
    Dialog placed[POSITION_COUNT] = {};
    for (int i = 0; i < POSITION_COUNT; ++i)
        placed[i] = POSITIONS[i].dialog;
    return dialogs_match(placed, POSITION_COUNT, [](const DialogRow& row) {
        return row.dialog != Dialog::MainWindow && row.placement == Placement::RESOURCES;
    });
}
static_assert(positions_match(), "a position for each dialog the resources place, no other");

// The order of the windows' own lines in the set.
constexpr Dialog RESOURCE_ORDER[] = {
    Dialog::ScanDialog,      Dialog::PWDialog,       Dialog::ConfigDialog,
    Dialog::ErrorDialog,     Dialog::Error2Dialog,   Dialog::InputPWDialog,
    Dialog::RepeatPWDialog,  Dialog::AboutDialog,    Dialog::QuestionDialog,
    Dialog::Question2Dialog, Dialog::Config2Dialog,  Dialog::RConfigDialog,
    Dialog::FilterDialog,    Dialog::RouteDialog,    Dialog::AccountingDialog,
    Dialog::RouterDialog,    Dialog::Route2Dialog,   Dialog::Filter2Dialog,
    Dialog::LineMonDialog,   Dialog::LineMon2Dialog, Dialog::FileDialog,
    Dialog::HelpDialog,      Dialog::SetPWDialog,    Dialog::FirmwareDialog,
};
static_assert(dialogs_match(RESOURCE_ORDER, sizeof RESOURCE_ORDER / sizeof RESOURCE_ORDER[0],
                            [](const DialogRow& row) { return row.dialog != Dialog::MainWindow; }),
              "every dialog's resource lines, once");

void add_lines(std::vector<String>* set, const char* const* lines)
{
    for (; lines != nullptr && *lines != nullptr; ++lines)
        set->push_back(const_cast<String>(*lines));
}

}  // namespace

const DialogPosition* fallback_positions(int* count)
{
    static DialogPosition named[POSITION_COUNT];
    for (int i = 0; i < POSITION_COUNT; ++i)
        named[i] = {dialog_name(POSITIONS[i].dialog), POSITIONS[i].x, POSITIONS[i].y};
    *count = POSITION_COUNT;
    return named;
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
    for (const DialogPlace& p : POSITIONS) {
        position_lines.push_back(text_format("XmQORVEL*%s.x: %d", dialog_name(p.dialog), p.x));
        position_lines.push_back(text_format("XmQORVEL*%s.y: %d", dialog_name(p.dialog), p.y));
    }
    for (std::string& line : position_lines)
        set.push_back(&line[0]);
    add_lines(&set, MainFormResources);
    for (Dialog d : RESOURCE_ORDER)
        add_lines(&set, dialog_entry(d).resources);
    set.push_back(nullptr);
    return set.data();
}
