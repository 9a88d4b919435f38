#include "router_overview.h"

#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/PushB.h>

#include <cstdint>

#include "dialog_builders.h"
#include "dialog_entry_points.h"
#include "dialog_registry.h"
#include "display_services.h"
#include "globals.h"
#include "highstate.h"
#include "messages.h"
#include "report_text.h"
#include "router_list.h"
#include "router_state_text.h"
#include "widget_table.h"

extern const char* const RouterDialogResources[] = {
    "XmQORVEL*RouterDialog.dialogTitle: Router Status",
    "XmQORVEL*RouterDialog.RouterHeader.labelString: Router Status (overview)",
    "XmQORVEL*RouterDialog.RouterHeader.fontList: -adobe-helvetica-bold-r-*--14-*-*-*-*-*-*-1",
    "XmQORVEL*RouterDialog.RouterClose.labelString: Close",
    "XmQORVEL*RouterDialog*RouterText.background: gray90",
    "XmQORVEL*RouterDialog*RouterText.fontList: -adobe-courier-medium-r-normal--12-120-75-75-m-70-iso8859-1",
    nullptr,
};

namespace {

constexpr int CLOSE_WIDTH = 120;

XtPointer action(RouterAction a)
{
    return reinterpret_cast<XtPointer>(static_cast<intptr_t>(a));
}

}  // namespace

Widget RouterDialogLayout(Widget parent, WidgetTable* table)
{
    Widget form = helpfunc_create_form_dialog(parent, Dialog::RouterDialog);

    Widget head = XtVaCreateManagedWidget(
        "HeadLine", xmLabelWidgetClass, form, XmNleftAttachment, XmATTACH_POSITION,
        XmNleftPosition, 2, XmNtopAttachment, XmATTACH_FORM, XmNtopOffset, 10, nullptr);
    // The header takes the width of its text: a fixed width would cut it off.
    Widget header = XtVaCreateManagedWidget(
        "RouterHeader", xmLabelWidgetClass, form, XmNleftAttachment, XmATTACH_FORM,
        XmNleftOffset, 10, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, head, XmNtopOffset,
        10, nullptr);

    table->RouterClose = XtVaCreateManagedWidget(
        "RouterClose", xmPushButtonWidgetClass, form, XmNrightAttachment, XmATTACH_FORM,
        XmNrightOffset, 10, XmNbottomAttachment, XmATTACH_FORM, XmNbottomOffset, 10, XmNwidth,
        CLOSE_WIDTH, XmNshowAsDefault, 1, nullptr);
    XtAddCallback(table->RouterClose, XmNactivateCallback, RouterCB, action(ROUTER_ACTION_CLOSE));
    XtVaSetValues(form, XmNdefaultButton, table->RouterClose, XmNcancelButton,
                  table->RouterClose, nullptr);

    table->RouterText = report_text_create(form, "RouterText", header, table->RouterClose);

    report_text_colours(form, table->RouterText);
    XmAddTabGroup(table->RouterText);
    XmAddTabGroup(table->RouterClose);
    table->RouterDialog = form;
    return form;
}

void RouterCB(Widget, XtPointer client, XtPointer)
{
    if (static_cast<int>(reinterpret_cast<intptr_t>(client)) == ROUTER_ACTION_CLOSE)
        helpfunc_popdown(Dialog::RouterDialog);
}

int router_overview_start()
{
    // The query is asked only of an idle back end; otherwise no answer and
    // no end marker come, and a notice shown now would stay for good.
    if (highstate_get_state() != HIGHSTATE_IDLE)
        return 0;
    helpfunc_scan_popup(message_text(MSG_SCANNING), 0, 1);
    helpfunc_set_cursor(1);
    helpfunc_reset_routerstates(main_router_list);
    highstate_get_router_states(cbfunc_router_state);
    return 1;
}

void cbfunc_router_state(RouterState* state)
{
    if (state == nullptr)
        return;
    if (state->status == 0) {
        router_state_merge(main_router_list, *state);
        return;
    }
    helpfunc_create_layout(Dialog::RouterDialog);
    report_text_set(XmVANTEROWidgets->RouterText, router_overview_text(main_router_list));
    helpfunc_set_cursor(0);
    helpfunc_popdown(Dialog::ScanDialog);
    helpfunc_popup(Dialog::RouterDialog);
}
