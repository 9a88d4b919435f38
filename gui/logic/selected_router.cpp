#include "selected_router.h"

#include <cstring>

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
