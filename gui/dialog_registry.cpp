#include "dialog_registry.h"

#include <array>
#include <cstddef>
#include <utility>

namespace {

using D = Dialog;
using T = WidgetTable;

struct Parts {
    Dialog dialog;
    DialogBuilder build;
    Widget T::*router_field = nullptr;
    DialogFill fill = nullptr;
    const char* const* resources;
};

// In widget-table order: a row for each dialog of the table.
constexpr Parts PARTS[] = {
    {.dialog = D::ScanDialog, .build = ScanDialogLayout, .resources = ScanDialogResources},
    {.dialog = D::PWDialog, .build = PWDialogLayout, .resources = PWDialogResources},
    {.dialog = D::ConfigDialog,
     .build = ConfigDialogLayout,
     .router_field = &T::ConfigIDText,
     .fill = ConfigDialogSetData,
     .resources = ConfigDialogResources},
    {.dialog = D::ErrorDialog, .build = ErrorDialogLayout, .resources = ErrorDialogResources},
    {.dialog = D::AboutDialog, .build = AboutDialogLayout, .resources = AboutDialogResources},
    {.dialog = D::QuestionDialog,
     .build = QuestionDialogLayout,
     .resources = QuestionDialogResources},
    {.dialog = D::Config2Dialog, .build = Config2DialogLayout, .resources = Config2DialogResources},
    {.dialog = D::RConfigDialog, .build = RConfigDialogLayout, .resources = RConfigDialogResources},
    {.dialog = D::FilterDialog,
     .build = FilterDialogLayout,
     .router_field = &T::FilterIDText,
     .fill = FilterDialogSetData,
     .resources = FilterDialogResources},
    {.dialog = D::RouteDialog,
     .build = RouteDialogLayout,
     .router_field = &T::RouteIDText,
     .fill = RouteDialogSetData,
     .resources = RouteDialogResources},
    {.dialog = D::AccountingDialog,
     .build = AccountingDialogLayout,
     .router_field = &T::AccountingIDText,
     .resources = AccountingDialogResources},
    {.dialog = D::RouterDialog, .build = RouterDialogLayout, .resources = RouterDialogResources},
    {.dialog = D::Route2Dialog,
     .build = Route2DialogLayout,
     .router_field = &T::Route2IDText,
     .resources = Route2DialogResources},
    {.dialog = D::Filter2Dialog,
     .build = Filter2DialogLayout,
     .router_field = &T::Filter2IDText,
     .resources = Filter2DialogResources},
    {.dialog = D::LineMonDialog,
     .build = LineMonDialogLayout,
     .router_field = &T::LineMonIDText,
     .fill = LineMonDialogSetData,
     .resources = LineMonDialogResources},
    {.dialog = D::LineMon2Dialog,
     .build = LineMon2DialogLayout,
     .fill = LineMon2DialogSetData,
     .resources = LineMon2DialogResources},
    {.dialog = D::FileDialog, .build = FileDialogLayout, .resources = FileDialogResources},
    {.dialog = D::FirmwareDialog,
     .build = FirmwareDialogLayout,
     .fill = FirmwareDialogSetData,
     .resources = FirmwareDialogResources},
    {.dialog = D::HelpDialog, .build = HelpDialogLayout, .resources = HelpDialogResources},
    {.dialog = D::SetPWDialog,
     .build = SetPWDialogLayout,
     .fill = SetPWDialogSetData,
     .resources = SetPWDialogResources},
    {.dialog = D::Error2Dialog, .build = Error2DialogLayout, .resources = Error2DialogResources},
    {.dialog = D::RepeatPWDialog,
     .build = RepeatPWDialogLayout,
     .fill = RepeatPWDialogSetData,
     .resources = RepeatPWDialogResources},
    {.dialog = D::InputPWDialog,
     .build = InputPWDialogLayout,
     .fill = InputPWDialogSetData,
     .resources = InputPWDialogResources},
    {.dialog = D::Question2Dialog,
     .build = Question2DialogLayout,
     .resources = Question2DialogResources},
};
constexpr int PART_COUNT = sizeof PARTS / sizeof PARTS[0];
static_assert(PART_COUNT == DIALOG_COUNT, "a registry row for each dialog");

constexpr bool parts_complete()
{
    for (int i = 0; i < PART_COUNT; ++i)
        if (PARTS[i].dialog != static_cast<Dialog>(i + 1))
            return false;
    return true;
}
// (That each row names its builder and resource lines is a test's: the
// sanitizer build does not let a function pointer be compared with null in
// a constant expression.)
static_assert(parts_complete(), "registry rows in table order");

template <size_t... I>
constexpr std::array<DialogEntry, DIALOG_COUNT> join(std::index_sequence<I...>)
{
    return {{DialogEntry{DIALOG_ROWS[I + 1], PARTS[I].build, PARTS[I].router_field, PARTS[I].fill,
                         PARTS[I].resources}...}};
}

constexpr std::array<DialogEntry, DIALOG_COUNT> REGISTRY =
    join(std::make_index_sequence<DIALOG_COUNT>());

const DialogEntry NO_DIALOG = {DialogRow{.dialog = static_cast<Dialog>(-1), .name = ""}, nullptr,
                               nullptr, nullptr, nullptr};

}  // namespace

const DialogEntry& dialog_entry(Dialog dialog)
{
    const int n = static_cast<int>(dialog) - 1;
    if (n < 0 || n >= DIALOG_COUNT)
        return NO_DIALOG;
    return REGISTRY[static_cast<size_t>(n)];
}
