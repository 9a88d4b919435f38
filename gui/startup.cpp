#include "startup.h"

#include <Xm/Xm.h>

#include <cstdint>
#include <string>

#include "defaults_file.h"
#include "dialog_entry_points.h"
#include "dialog_registry.h"
#include "display_services.h"
#include "display_texts.h"
#include "fallback_resources.h"
#include "globals.h"
#include "highstate.h"
#include "host_services.h"
#include "list.h"
#include "main_window.h"
#include "message_tables.h"
#include "myutil.h"
#include "netmask_probe.h"
#include "protocols.h"
#include "record_defaults.h"
#include "records.h"
#include "startup_rules.h"
#include "toolkit.h"
#include "widget_table.h"

namespace {
constexpr size_t HOSTNAME_SIZE = 61;  // this host's name: 60 bytes and the terminator

void quit(Widget widget)
{
    MainCB(widget, action_data(MAIN_ACTION_QUIT), nullptr);
}

// The services below the dialogs get from here what they must reach above
// them, so that none of them calls up into a window.
const DisplayHooks DISPLAY_HOOKS = {dialog_entry, MainFormLayout, quit, helpfunc_popup_help};
}  // namespace

uint32_t startup_host_config()
{
    char hostname[HOSTNAME_SIZE] = "";
    myutil_get_my_hostname(hostname, sizeof hostname);
    int resolving = 1;
    myutil_fill_default_structs();
    helpfunc_get_netmask(&router_defaults);
    uint32_t address = myutil_get_host_addr(hostname);
    uint32_t netmask = myutil_get_host_addr(router_defaults.netmask);
    file_read_config_file(&address, &netmask, &resolving);
    myutil_set_config(address, netmask, resolving);
    uint32_t broadcast = startup_broadcast_address(address, netmask);
    router_session_reset_startup();
    return broadcast;
}

void startup_toolkit(int* argc, char** argv)
{
    XmVANTERO = XtAppInitialize(&app_context, "XmQORVEL", nullptr, 0, argc, argv,
                                fallback_resources(), nullptr, 0);
    XtAppSetWarningHandler(app_context, main_xt_errorhandler);
    display_services_start(DISPLAY_HOOKS);
    XmVANTEROWidgets = helpfunc_min_layout(XmVANTERO);
    startup_choose_language();
    helpfunc_main_state(MainState::IDLE);
}

void startup_choose_language()
{
    XmString label = nullptr;
    XtVaGetValues(XmVANTEROWidgets->Open, XmNlabelString, &label, nullptr);
    char* text = nullptr;
    if (label == nullptr ||
        !XmStringGetLtoR(label, const_cast<char*>(XmFONTLIST_DEFAULT_TAG), &text))
        text = nullptr;
    messages_choose_language(text);
    if (text != nullptr)
        XtFree(text);
    if (label != nullptr)
        XmStringFree(label);
}

void startup_show_failure(const char* text)
{
    XtRealizeWidget(XmVANTERO);
    helpfunc_error_popup(text, 0, ERROR_KIND_ERROR);
    helpfunc_main_state(MainState::START_FAILED);
}

int startup_back_end(uint32_t broadcast)
{
    int line = 0;
    int column = 0;
    if (file_read_protocols(&line, &column) == 0) {
        startup_show_failure(startup_protocol_file_text(line, column).c_str());
        return 0;
    }
    // Whatever kept the back end from its socket (no own address, the port
    // taken, no socket at all), the user can do nothing but quit.
    if (highstate_init(main_error, broadcast) != 0) {
        startup_show_failure(message_text(MSG_PORT_IN_USE));
        return 0;
    }
    return 1;
}

void startup_first_scan()
{
    XtRealizeWidget(XmVANTERO);
    if (main_router_list == nullptr)
        main_router_list = list_object_instance->ops->list_create(
            list_object_instance, listhelp_comp_routers, listhelp_find_routers,
            listhelp_copy_routers, listhelp_free_routers);
    helpfunc_scan_popup(message_text(MSG_SCANNING), 0, 1);
    helpfunc_set_cursor(1);
    highstate_scan_net(cbfunc_net_scan);
}
