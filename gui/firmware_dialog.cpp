// "FirmwareDialog": the firmware versions present in the data directory for
// the family the router settings dialog shows; the choice goes into its
// version field and reaches the router only with the settings dialog's OK.
// Also the download's progress in the busy notice, and its end: the router,
// back under its new address, gets its list line rewritten and is no longer
// registered.
#include "firmware_dialog.h"

#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/List.h>
#include <Xm/PushB.h>
#include <Xm/ScrollBar.h>

#include <string>

#include "dialog_builders.h"
#include "dialog_entry_points.h"
#include "dialog_registry.h"
#include "display_services.h"
#include "download_progress.h"
#include "firmware_versions.h"
#include "globals.h"
#include "list.h"
#include "main_window_states.h"
#include "myutil.h"
#include "router_entry.h"
#include "router_list.h"
#include "toolkit.h"
#include "widget_table.h"

extern const char* const FirmwareDialogResources[] = {
    "XmQORVEL*FirmwareDialog.dialogTitle: Select Firmware",
    "XmQORVEL*FirmwareDialog*FirmwareHeader.labelString: Version Of Firmware",
    "XmQORVEL*FirmwareDialog*FirmwareHeader.fontList: -adobe-helvetica-bold-r-*--14-*-*-*-*-*-*-1",
    "XmQORVEL*FirmwareDialog*FirmwareList.background: cornsilk",
    "XmQORVEL*FirmwareDialog*FirmwareList.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    "XmQORVEL*FirmwareDialog*FirmwareOk.labelString: Ok",
    "XmQORVEL*FirmwareDialog*FirmwareClose.labelString: Cancel",
    "XmQORVEL*FirmwareDialog*FirmwareHelp.labelString: Help",
    nullptr,
};

namespace {

constexpr int VISIBLE_ITEMS = 10;

// The list's own copy of the item last selected (its user data).
FirmwareChoice choice = {};

// The family the settings dialog opened the list for (0 1TR6, 1 DSS1).
int shown_family = 1;

Widget row_button(Widget form, const char* name, int left, int right, FirmwareAction action)
{
    return helpfunc_row_button(form, name, left, right, FirmwareCB, action);
}

std::string item_text(XmString item)
{
    return helpfunc_xmstring_text(item);
}

void choose(const char* version)
{
    helpfunc_set_field(XmVANTEROWidgets->RVersionText, version);
    helpfunc_popdown(Dialog::FirmwareDialog);
}

}  // namespace

Widget FirmwareDialogLayout(Widget parent, WidgetTable* table)
{
    Widget form = helpfunc_create_form_dialog(parent, Dialog::FirmwareDialog);

    Widget headline = XtVaCreateManagedWidget(
        "HeadLine", xmLabelWidgetClass, form, XmNtopAttachment, XmATTACH_FORM, XmNtopOffset, 5,
        XmNleftAttachment, XmATTACH_POSITION, XmNleftPosition, 2, nullptr);
    Widget header = XtVaCreateManagedWidget(
        "FirmwareHeader", xmLabelWidgetClass, form, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget,
        headline, XmNleftAttachment, XmATTACH_POSITION, XmNleftPosition, 2, nullptr);

    table->FirmwareOk = row_button(form, "FirmwareOk", 5, 35, FIRMWARE_ACTION_OK);
    XtSetSensitive(table->FirmwareOk, False);
    table->FirmwareClose = row_button(form, "FirmwareClose", 35, 65, FIRMWARE_ACTION_CANCEL);
    XtVaSetValues(table->FirmwareClose, XmNshowAsDefault, 1, nullptr);
    table->FirmwareHelp = row_button(form, "FirmwareHelp", 65, 95, FIRMWARE_ACTION_HELP);

    Arg args[12];
    Cardinal n = 0;
    XtSetArg(args[n], XmNselectionPolicy, XmSINGLE_SELECT);
    ++n;
    XtSetArg(args[n], XmNvisibleItemCount, VISIBLE_ITEMS);
    ++n;
    XtSetArg(args[n], XmNscrollBarDisplayPolicy, XmSTATIC);
    ++n;
    XtSetArg(args[n], XmNuserData, static_cast<XtPointer>(&choice));
    ++n;
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNtopWidget, header);
    ++n;
    XtSetArg(args[n], XmNtopOffset, 5);
    ++n;
    XtSetArg(args[n], XmNbottomAttachment, XmATTACH_WIDGET);
    ++n;
    XtSetArg(args[n], XmNbottomWidget, table->FirmwareOk);
    ++n;
    XtSetArg(args[n], XmNbottomOffset, 10);
    ++n;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM);
    ++n;
    XtSetArg(args[n], XmNleftOffset, 10);
    ++n;
    table->FirmwareList = XmCreateScrolledList(form, const_cast<char*>("FirmwareList"), args, n);
    XtVaSetValues(XtParent(table->FirmwareList), XmNrightAttachment, XmATTACH_FORM, XmNrightOffset,
                  10, nullptr);
    XtAddCallback(table->FirmwareList, XmNsingleSelectionCallback, FirmwareCB,
                  action_data(FIRMWARE_ACTION_SELECT));
    XtAddCallback(table->FirmwareList, XmNdefaultActionCallback, FirmwareCB,
                  action_data(FIRMWARE_ACTION_DEFAULT));
    XtManageChild(table->FirmwareList);

    XtVaSetValues(form, XmNdefaultButton, table->FirmwareClose, XmNcancelButton,
                  table->FirmwareClose, nullptr);

    helpfunc_list_colours(form, table->FirmwareList);
    for (Widget w :
         {table->FirmwareList, table->FirmwareOk, table->FirmwareClose, table->FirmwareHelp})
        XmAddTabGroup(w);

    table->FirmwareDialog = form;
    return form;
}

void firmware_dialog_open(int family)
{
    shown_family = family;
    helpfunc_popup(Dialog::FirmwareDialog);
}

void helpfunc_fill_firmware_list(Widget list)
{
    XmListDeleteAllItems(list);
    for (const std::string& version : firmware_versions(shown_family)) {
        CompoundString item(version.c_str());
        XmListAddItemUnselected(list, item, 0);
    }
}

void FirmwareDialogSetData()
{
    WidgetTable* t = XmVANTEROWidgets;
    helpfunc_fill_firmware_list(t->FirmwareList);
    firmware_choice_clear(&choice);
    XtSetSensitive(t->FirmwareOk, False);
    XmListDeselectAllItems(t->FirmwareList);
}

void FirmwareCB(Widget, XtPointer client, XtPointer call)
{
    WidgetTable* t = XmVANTEROWidgets;
    auto* cbs = static_cast<XmListCallbackStruct*>(call);
    switch (action_code(client)) {
    case FIRMWARE_ACTION_SELECT: {
        // The user may have deselected the item this call reports.
        bool selected = cbs != nullptr && cbs->item != nullptr &&
                        XmListPosSelected(t->FirmwareList, cbs->item_position);
        if (selected)
            firmware_choice_select(&choice, item_text(cbs->item).c_str());
        else
            firmware_choice_select(&choice, nullptr);
        XtSetSensitive(t->FirmwareOk, firmware_choice_made(choice));
        break;
    }
    case FIRMWARE_ACTION_DEFAULT:
        if (cbs != nullptr && cbs->item != nullptr) {
            firmware_choice_select(&choice, item_text(cbs->item).c_str());
            if (firmware_choice_made(choice))
                choose(choice.version);
        }
        break;
    case FIRMWARE_ACTION_OK:
        if (firmware_choice_made(choice))
            choose(choice.version);
        break;
    case FIRMWARE_ACTION_HELP:
        helpfunc_popup_help(Dialog::FirmwareDialog);
        break;
    case FIRMWARE_ACTION_CANCEL:
        helpfunc_popdown(Dialog::FirmwareDialog);
        break;
    default:
        break;
    }
}

// ------------------------------------------------------------- download ---

void cbfunc_get_percent(int percent)
{
    helpfunc_scan_popup(firmware_progress_text(percent).c_str(), 0, 0);
}

void cbfunc_firmware(ScanAnswer* answer)
{
    if (answer == nullptr || answer->status != 0)
        return;
    WidgetTable* t = XmVANTEROWidgets;

    // The router dropped its tables for the image's: what was loaded is gone.
    main_forget_tables();

    char name[ROUTER_NAME_SIZE] = "";
    char holder[ROUTER_HOLDER_SIZE] = "";
    myutil_get_host_name(answer->router_ip, name);
    myutil_get_host_name(answer->holder_ip, holder);
    std::string hw_text = router_hw_text(answer->hw);
    std::string line = router_list_line(
        hw_text.c_str(), name, router_held_by_other(answer->holder_ip, myutil_get_my_ip()));

    const int position = helpfunc_selected_box.sel_pos;
    XmListDeselectAllItems(t->SelectionList);
    ListNode* node = position >= 1 && main_router_list != nullptr
                         ? main_router_list->ops->list_get_at(main_router_list, position)
                         : nullptr;
    if (node != nullptr && node->element != nullptr) {
        CompoundString item(line.c_str());
        XmListDeletePos(t->SelectionList, position);
        XmListAddItemUnselected(t->SelectionList, item, position);
        auto* entry = static_cast<RouterEntry*>(node->element);
        myutil_copy_text(entry->name, name);
        myutil_copy_text(entry->hw_text, hw_text.c_str());
        entry->held = answer->holder_ip != 0 ? 1 : 0;
        myutil_copy_text(entry->holder, holder);
    }

    // The router is no longer registered: it is let go as at deregistration,
    // and with it the password typed for it.
    router_session_forget_router();
    helpfunc_main_state(MainState::IDLE);
    helpfunc_set_cursor(0);
    helpfunc_popdown(Dialog::RConfigDialog);
    helpfunc_popdown(Dialog::ScanDialog);
}
