#include "router_overview.h"

#include <Xm/Xm.h>

#include <cstdint>

#include "dialog_builders.h"
#include "dialog_entry_points.h"
#include "dialog_registry.h"
#include "display_services.h"
#include "globals.h"
#include "highstate.h"
#include "message_tables.h"
#include "report_text.h"
#include "router_list.h"
#include "router_state_text.h"
#include "toolkit.h"
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

Widget RouterDialogLayout(Widget parent, WidgetTable* table)
{
    Widget form = helpfunc_create_form_dialog(parent, Dialog::RouterDialog);
    table->RouterText = report_window_children(
        form, {"RouterHeader", "RouterClose", "RouterText", RouterCB, ROUTER_ACTION_CLOSE},
        &table->RouterClose);
    table->RouterDialog = form;
    return form;
}

void RouterCB(Widget, XtPointer client, XtPointer)
{
    if (action_code(client) == ROUTER_ACTION_CLOSE)
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
