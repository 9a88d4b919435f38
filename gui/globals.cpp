#include "globals.h"

#include "list.h"
#include "widget_table.h"

XtAppContext app_context = nullptr;
Widget XmVANTERO = nullptr;
WidgetTable* XmVANTEROWidgets = nullptr;

ListObject* main_line_list = nullptr;
ListObject* main_route_list = nullptr;
ListObject* main_filter_list = nullptr;
ListObject* main_line_list_copy = nullptr;
ListObject* main_route_list_copy = nullptr;
ListObject* main_filter_list_copy = nullptr;

ListObject* main_router_list = nullptr;

ListNode* selected_elem = nullptr;

void main_forget_tables()
{
    selected_elem = nullptr;
    list_dispose(&main_line_list);
    list_dispose(&main_line_list_copy);
    list_dispose(&main_route_list);
    list_dispose(&main_route_list_copy);
    list_dispose(&main_filter_list);
    list_dispose(&main_filter_list_copy);
}

int main_tables_loaded()
{
    return main_line_list != nullptr || main_route_list != nullptr || main_filter_list != nullptr;
}
