// Common ground of the dialog-logic tests: the list class and the default
// records exist, and host names are not resolved, so that only dotted quads
// (and "0.0.0.0") count as addresses and no test waits for a resolver.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "list.h"
#include "myutil.h"
#include "protocols.h"
#include "record_defaults.h"
#include "records.h"

class DialogLogicTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        list_init();
        myutil_fill_default_structs();
        myutil_set_config(0, 0, 0);
    }
    void TearDown() override
    {
        for (ListObject* list : owned_)
            list->ops->list_destroy(list);
        myutil_set_config(0, 0, 1);
    }

    ListObject* own(ListObject* list)
    {
        owned_.push_back(list);
        return list;
    }

    static RouteEntry route(const char* mask, const char* match, const char* gateway)
    {
        RouteEntry r = {};
        myutil_copy_text(r.mask, mask);
        myutil_copy_text(r.match, match);
        myutil_copy_text(r.gateway, gateway);
        return r;
    }

    static FilterEntry rule(const char* send_match, const char* receive_match, int protocol,
                            int port, int action)
    {
        FilterEntry f = {};
        myutil_copy_text(f.send_mask, "255.255.255.255");
        myutil_copy_text(f.send_match, send_match);
        myutil_copy_text(f.receive_mask, "255.255.255.255");
        myutil_copy_text(f.receive_match, receive_match);
        f.protocol = protocol;
        f.port = port;
        f.action = action;
        return f;
    }

    // A route list whose gateways name them: 10.0.0.<n> for route n.
    ListObject* routes_numbered(int count)
    {
        ListObject* list = own(listhelp_new_route_list());
        for (int n = 1; n <= count; ++n) {
            char gateway[HOST_LEN + 1];
            std::snprintf(gateway, sizeof gateway, "10.0.0.%d", n);
            RouteEntry r = route("255.255.255.255", gateway, gateway);
            list->ops->list_append(list, list->copy(&r));
        }
        return list;
    }

    // `listed` rules whose send compare values name them (10.0.0.<n>), then
    // the default rule with `default_action`.
    ListObject* filters_numbered(int listed, int default_action = 1)
    {
        ListObject* list = own(listhelp_new_filter_list());
        for (int n = 1; n <= listed; ++n) {
            char match[HOST_LEN + 1];
            std::snprintf(match, sizeof match, "10.0.0.%d", n);
            FilterEntry f = rule(match, "0.0.0.0", 6, 21, 1);
            list->ops->list_append(list, list->copy(&f));
        }
        FilterEntry last = default_action ? filter_accept : filter_reject;
        list->ops->list_append(list, list->copy(&last));
        return list;
    }

    // The texts at `field` of every element, in list order.
    template <typename T, size_t N>
    static std::vector<std::string> texts(const ListObject* list, char (T::*field)[N])
    {
        std::vector<std::string> out;
        for (const ListNode* n = list->head; n != nullptr; n = n->next)
            out.push_back(static_cast<const T*>(n->element)->*field);
        return out;
    }

private:
    std::vector<ListObject*> owned_;
};
