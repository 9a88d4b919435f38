#include "dialog_registry.h"

#include <Xm/Form.h>

#include <cstddef>

namespace {

using M = Modality;
using P = Placement;
using D = Dialog;
using T = WidgetTable;

// In widget-table order. Columns: dialog, builder, parent, modality, width,
// height, grows, placement, closes itself, form, router field, fill on popup,
// help follows popup, help follows popdown, section then shown, popdown
// releases the close of the main window, resources.
const DialogEntry REGISTRY[DIALOG_COUNT] = {
    {D::ScanDialog, ScanDialogLayout, D::MainWindow, M::FULL, 300, 50, true, P::PROGRAM, false,
     &T::ScanDialog, nullptr, nullptr, false, false, D::MainWindow, false, ScanDialogResources},
    {D::PWDialog, PWDialogLayout, D::MainWindow, M::FULL, 200, 100, false, P::CENTRED, false,
     &T::PWDialog, nullptr, nullptr, false, false, D::MainWindow, false, PWDialogResources},
    {D::ConfigDialog, ConfigDialogLayout, D::MainWindow, M::PRIMARY, 500, 450, false,
     P::RESOURCES, false, &T::ConfigDialog, &T::ConfigIDText, ConfigDialogSetData, true, true,
     D::MainWindow, true, ConfigDialogResources},
    {D::ErrorDialog, ErrorDialogLayout, D::MainWindow, M::FULL, 300, 130, true, P::PROGRAM, false,
     &T::ErrorDialog, nullptr, nullptr, false, false, D::MainWindow, false, ErrorDialogResources},
    {D::AboutDialog, AboutDialogLayout, D::MainWindow, M::NONE, 350, 300, false, P::CENTRED, true,
     &T::AboutDialog, nullptr, nullptr, false, false, D::MainWindow, false, AboutDialogResources},
    {D::QuestionDialog, QuestionDialogLayout, D::MainWindow, M::FULL, 300, 150, true, P::CENTRED,
     false, &T::QuestionDialog, nullptr, nullptr, false, false, D::MainWindow, false,
     QuestionDialogResources},
    {D::Config2Dialog, Config2DialogLayout, D::ConfigDialog, M::PRIMARY, 450, 610, false,
     P::RESOURCES, false, &T::Config2Dialog, nullptr, nullptr, true, true, D::ConfigDialog, false,
     Config2DialogResources},
    {D::RConfigDialog, RConfigDialogLayout, D::MainWindow, M::PRIMARY, 490, 420, false,
     P::RESOURCES, false, &T::RConfigDialog, nullptr, nullptr, true, true, D::MainWindow, true,
     RConfigDialogResources},
    {D::FilterDialog, FilterDialogLayout, D::ConfigDialog, M::PRIMARY, 500, 450, false,
     P::RESOURCES, false, &T::FilterDialog, &T::FilterIDText, FilterDialogSetData, true, true,
     D::ConfigDialog, false, FilterDialogResources},
    {D::RouteDialog, RouteDialogLayout, D::ConfigDialog, M::PRIMARY, 500, 450, false,
     P::RESOURCES, false, &T::RouteDialog, &T::RouteIDText, RouteDialogSetData, true, true,
     D::ConfigDialog, false, RouteDialogResources},
    {D::AccountingDialog, AccountingDialogLayout, D::MainWindow, M::PRIMARY, 490, 450, false,
     P::RESOURCES, false, &T::AccountingDialog, &T::AccountingIDText, nullptr, true, true,
     D::MainWindow, true, AccountingDialogResources},
    {D::RouterDialog, RouterDialogLayout, D::MainWindow, M::PRIMARY, 490, 450, false,
     P::RESOURCES, false, &T::RouterDialog, nullptr, nullptr, true, true, D::MainWindow, true,
     RouterDialogResources},
    {D::Route2Dialog, Route2DialogLayout, D::RouteDialog, M::PRIMARY, 490, 320, false,
     P::RESOURCES, false, &T::Route2Dialog, &T::Route2IDText, nullptr, true, true, D::RouteDialog,
     false, Route2DialogResources},
    {D::Filter2Dialog, Filter2DialogLayout, D::FilterDialog, M::PRIMARY, 490, 510, false,
     P::RESOURCES, false, &T::Filter2Dialog, &T::Filter2IDText, nullptr, true, true,
     D::FilterDialog, false, Filter2DialogResources},
    {D::LineMonDialog, LineMonDialogLayout, D::MainWindow, M::PRIMARY, 490, 680, false,
     P::RESOURCES, false, &T::LineMonDialog, &T::LineMonIDText, LineMonDialogSetData, true, true,
     D::MainWindow, true, LineMonDialogResources},
    {D::LineMon2Dialog, LineMon2DialogLayout, D::LineMonDialog, M::PRIMARY, 490, 235, false,
     P::RESOURCES, false, &T::LineMon2Dialog, nullptr, LineMon2DialogSetData, true, true,
     D::LineMonDialog, false, LineMon2DialogResources},
    {D::FileDialog, FileDialogLayout, D::MainWindow, M::FULL, 400, 0, true, P::CENTRED, false,
     &T::FileDialog, nullptr, nullptr, false, false, D::MainWindow, false, FileDialogResources},
    {D::FirmwareDialog, FirmwareDialogLayout, D::RConfigDialog, M::PRIMARY, 300, 300, false,
     P::RESOURCES, false, &T::FirmwareDialog, nullptr, FirmwareDialogSetData, true, true,
     D::RConfigDialog, false, FirmwareDialogResources},
    {D::HelpDialog, HelpDialogLayout, D::MainWindow, M::NONE, 500, 450, false, P::RESOURCES,
     false, &T::HelpDialog, nullptr, nullptr, false, false, D::MainWindow, false,
     HelpDialogResources},
    {D::SetPWDialog, SetPWDialogLayout, D::RConfigDialog, M::PRIMARY, 300, 250, false,
     P::RESOURCES, false, &T::SetPWDialog, nullptr, SetPWDialogSetData, true, true,
     D::RConfigDialog, false, SetPWDialogResources},
    {D::Error2Dialog, Error2DialogLayout, D::MainWindow, M::FULL, 400, 180, true, P::CENTRED, true,
     &T::Error2Dialog, nullptr, nullptr, true, false, D::MainWindow, false, Error2DialogResources},
    {D::RepeatPWDialog, RepeatPWDialogLayout, D::SetPWDialog, M::FULL, 200, 100, false,
     P::CENTRED, false, &T::RepeatPWDialog, nullptr, RepeatPWDialogSetData, true, false,
     D::MainWindow, false, RepeatPWDialogResources},
    {D::InputPWDialog, InputPWDialogLayout, D::SetPWDialog, M::FULL, 200, 100, false, P::CENTRED,
     false, &T::InputPWDialog, nullptr, InputPWDialogSetData, true, false, D::MainWindow, false,
     InputPWDialogResources},
    {D::Question2Dialog, Question2DialogLayout, D::MainWindow, M::FULL, 300, 150, true,
     P::RESOURCES, false, &T::Question2Dialog, nullptr, nullptr, false, false, D::MainWindow,
     false, Question2DialogResources},
};

}  // namespace

const DialogEntry& dialog_entry(Dialog dialog)
{
    int n = static_cast<int>(dialog) - 1;
    if (n < 0 || n >= DIALOG_COUNT)
        n = 0;
    return REGISTRY[n];
}

Widget dialog_form(Dialog dialog)
{
    if (dialog == Dialog::MainWindow || XmVANTEROWidgets == nullptr)
        return nullptr;
    return XmVANTEROWidgets->*(dialog_entry(dialog).form);
}

Widget helpfunc_create_form_dialog(Widget parent, Dialog dialog)
{
    const DialogEntry& entry = dialog_entry(dialog);
    unsigned char style = XmDIALOG_MODELESS;
    if (entry.modality == Modality::FULL)
        style = XmDIALOG_FULL_APPLICATION_MODAL;
    else if (entry.modality == Modality::PRIMARY)
        style = XmDIALOG_PRIMARY_APPLICATION_MODAL;

    Arg args[10];
    Cardinal n = 0;
    XtSetArg(args[n], XmNdialogStyle, style); ++n;
    XtSetArg(args[n], XmNautoUnmanage, entry.closes_itself ? True : False); ++n;
    XtSetArg(args[n], XmNdefaultPosition, entry.placement == Placement::CENTRED ? True : False); ++n;
    XtSetArg(args[n], XmNresizePolicy, entry.grows ? XmRESIZE_GROW : XmRESIZE_NONE); ++n;
    XtSetArg(args[n], XmNnoResize, entry.grows ? False : True); ++n;
    XtSetArg(args[n], XmNshadowThickness, 1); ++n;
    XtSetArg(args[n], XmNwidth, entry.width); ++n;
    if (entry.height > 0) {
        XtSetArg(args[n], XmNheight, entry.height); ++n;
    }
    return XmCreateFormDialog(parent, const_cast<char*>(dialog_name(dialog)), args, n);
}
