#include "selected_router.h"

#include <cstring>

#include "myutil.h"
#include "record_defaults.h"
#include "router_list.h"

void selected_router_reset(SelectedRouter* selected)
{
    selected->name[0] = '\0';
    selected->hw_text[0] = '\0';
    selected->n_lines = 0;
    selected->n_filters = 0;
    selected->n_routes = 0;
    selected->sel_pos = -1;
    std::memset(&selected->cfg, 0, sizeof selected->cfg);
}

void selected_router_reset_startup(SelectedRouter* selected)
{
    selected_router_reset(selected);
    selected->cfg = router_defaults;
}

void selected_router_take(SelectedRouter* selected, int position, bool held)
{
    helpfunc_atohw(selected->hw_text, selected->hw);
    selected->sel_pos = position;
    selected->cfg.exclusive = held ? 1 : 0;
    selected_router_set_password(selected, nullptr);
}

void selected_router_start_registration(SelectedRouter* selected)
{
    selected_router_set_password(selected, nullptr);
}

void selected_router_set_password(SelectedRouter* selected, const char* password)
{
    std::memset(selected->cfg.password, 0, sizeof selected->cfg.password);
    if (password != nullptr)
        myutil_copy_text(selected->cfg.password, password);
}
