#include "router_session.h"

#include "myutil.h"
#include "record_defaults.h"
#include "registration.h"
#include "router_list.h"

namespace {

SelectedRouter selected;
int busy = 0;

}  // namespace

const SelectedRouter& helpfunc_selected_box = selected;
const int& action_running = busy;

void router_session_begin_action()
{
    busy = 1;
}

void router_session_end_action()
{
    busy = 0;
}

void router_session_reset_startup()
{
    selected_router_reset_startup(&selected);
}

bool router_session_select(const char* line, int position, bool held)
{
    if (helpfunc_split_list_item(line, selected.name, sizeof selected.name, selected.hw_text,
                                 sizeof selected.hw_text) == 0)
        return false;
    selected_router_take(&selected, position, held);
    return true;
}

void router_session_start_registration()
{
    selected_router_start_registration(&selected);
}

void router_session_set_password(const char* password)
{
    selected_router_set_password(&selected, password);
}

void router_session_registered(const OpenReply& reply)
{
    selected.n_lines = reply.n_lines;
    selected.n_routes = reply.n_routes;
    selected.n_filters = reply.n_filters;
    registration_accept_settings(&selected.cfg, selected.name, reply);
}

void router_session_use_defaults()
{
    selected.cfg = router_defaults;
}

void router_session_take_password(const char* password, int32_t exclusive)
{
    myutil_copy_text(selected.cfg.password, password);
    selected.cfg.exclusive = exclusive;
}

void router_session_take_settings(const RouterSettings& accepted)
{
    myutil_copy_text(selected.cfg.name, accepted.name);
    myutil_copy_text(selected.cfg.netmask, accepted.netmask);
    myutil_copy_text(selected.cfg.phone, accepted.phone);
    selected.cfg.line_type = accepted.line_type;
}

void router_session_forget_router()
{
    selected_router_reset(&selected);
}
