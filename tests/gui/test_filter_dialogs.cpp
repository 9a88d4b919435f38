// The filter table dialog and the filter edit dialog: the listed rules and
// the default rule's "All Remaining" menu, Open, Add and Delete, OK with its
// refusals and positions that keep the default rule last, the service text
// both ways, and OK after the tables were dropped.
#include <gtest/gtest.h>

#include <Xm/List.h>
#include <Xm/RowColumn.h>
#include <Xm/TextF.h>
#include <netdb.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "dialog_names.h"
#include "display_services.h"
#include "filter_dialogs.h"
#include "filter_fields.h"
#include "globals.h"
#include "gui_fixture.h"
#include "list.h"
#include "list_lines.h"
#include "myutil.h"
#include "record_defaults.h"
#include "records.h"
#include "table_list_dialog.h"
#include "toolkit.h"
#include "widget_table.h"

namespace {

bool have_service_databases()
{
    return getservbyname("ftp", "tcp") != nullptr && getprotobyname("udp") != nullptr;
}

class FilterDialogTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        if (IsSkipped())
            return;
        myutil_copy_text(test_selected_box().name, "gw1");
    }

    // main_filter_list with `listed` rules whose sending compare values name
    // them (10.0.0.<n>, every protocol and port), closed by the default rule
    // with `default_action`.
    static void filters(int listed, int default_action = 1)
    {
        main_forget_tables();
        main_filter_list = listhelp_new_filter_list();
        for (int n = 1; n <= listed; ++n) {
            FilterEntry f = {};
            char address[HOST_LEN + 1];
            std::snprintf(address, sizeof address, "10.0.0.%d", n);
            myutil_copy_text(f.send_mask, "255.255.255.255");
            myutil_copy_text(f.send_match, address);
            myutil_copy_text(f.receive_mask, "0.0.0.0");
            myutil_copy_text(f.receive_match, "0.0.0.0");
            f.action = 1;
            main_filter_list->ops->list_append(main_filter_list, main_filter_list->copy(&f));
        }
        FilterEntry last = default_action != 0 ? filter_accept : filter_reject;
        main_filter_list->ops->list_append(main_filter_list, main_filter_list->copy(&last));
        main_filter_list_copy = main_filter_list->ops->list_copy(main_filter_list);
    }

    // The sending compare values of the edited table, default rule included.
    static std::vector<std::string> senders()
    {
        std::vector<std::string> result;
        for (ListNode* n = main_filter_list->head; n != nullptr; n = n->next)
            result.push_back(static_cast<FilterEntry*>(n->element)->send_match);
        return result;
    }

    static FilterEntry* rule_at(int position)
    {
        return static_cast<FilterEntry*>(
            main_filter_list->ops->list_get_at(main_filter_list, position)->element);
    }

    static WidgetTable* t() { return XmVANTEROWidgets; }
    static void filter_cb(int action, XtPointer call = nullptr)
    {
        FilterCB(t()->FilterList, action_data(action), call);
    }
    static void filter2_cb(int action) { Filter2CB(t()->Filter2Ok, action_data(action), nullptr); }
    static void click(int position) { XmListSelectPos(t()->FilterList, position, True); }

    static void type(Widget field, const char* value)
    {
        XmTextFieldSetString(field, const_cast<char*>(value));
    }

    static void fill(const char* send_mask, const char* send_match, const char* receive_mask,
                     const char* receive_match, const char* service, const char* position)
    {
        type(t()->Filter2SMaskText, send_mask);
        type(t()->Filter2SCompText, send_match);
        type(t()->Filter2RMaskText, receive_mask);
        type(t()->Filter2RCompText, receive_match);
        type(t()->Filter2PortText, service);
        type(t()->Filter2PosText, position);
    }

    // A choice in an option menu: Motif moves the history, then calls back.
    static void choose(Widget option, Widget button)
    {
        XtVaSetValues(option, XmNmenuHistory, button, nullptr);
        XtCallCallbacks(button, XmNactivateCallback, nullptr);
    }
    static Widget history(Widget option)
    {
        Widget w = nullptr;
        XtVaGetValues(option, XmNmenuHistory, &w, nullptr);
        return w;
    }

    static std::string error_text() { return label("*ErrorDialog.ErrorDialogMessage"); }

    // Adds a rule typed into the edit dialog; the error text when refused.
    std::string add(const char* service, const char* position, bool accept = true)
    {
        filter_cb(FILTER_ADD);
        fill("255.255.0.0", "10.9.0.0", "0.0.0.0", "0.0.0.0", service, position);
        XtVaSetValues(t()->Filter2Aktion, XmNmenuHistory, accept ? t()->A_ACCEPT : t()->A_REJECT,
                      nullptr);
        filter2_cb(EDIT_OK);
        if (!is_managed("*ErrorDialog"))
            return "";
        std::string message = error_text();
        helpfunc_popdown(Dialog::ErrorDialog);
        filter2_cb(EDIT_CANCEL);
        return message;
    }
};

TEST_F(FilterDialogTest, OnlyTheDefaultRuleShowsAnEmptyListAndItsAction)
{
    filters(0, 0);
    helpfunc_popup(Dialog::FilterDialog);
    ASSERT_TRUE(is_managed("*FilterDialog"));
    EXPECT_TRUE(list_items(t()->FilterList).empty());
    EXPECT_EQ(history(t()->FilterOption), t()->FilterProhibit);
    EXPECT_EQ(text_of(t()->FilterIDText), "gw1");
    EXPECT_EQ(title("*FilterDialog"), "Filter Table");
    EXPECT_EQ(label("*FilterDialog*FilterOption.OptionLabel"), "All Remaining");

    filter_cb(FILTER_ADD);
    ASSERT_TRUE(is_managed("*Filter2Dialog"));
    EXPECT_EQ(text_of(t()->Filter2PosText), "1");
    EXPECT_EQ(text_of(t()->Filter2SMaskText), "0.0.0.0");
    EXPECT_EQ(history(t()->Filter2Aktion), t()->A_ACCEPT);
    filter2_cb(EDIT_CANCEL);

    EXPECT_EQ(add("all", "2"), "Position Not Correct");
    EXPECT_EQ(add("all", "1", false), "");
    EXPECT_EQ(senders(), (std::vector<std::string>{"10.9.0.0", "0.0.0.0"}));
    EXPECT_EQ(rule_at(1)->action, 0);
    EXPECT_EQ(rule_at(2)->action, 0) << "the default rule keeps its action";
    EXPECT_EQ(list_items(t()->FilterList).size(), 1u);
    EXPECT_EQ(selected_positions(t()->FilterList), std::vector<int>{1});
}

TEST_F(FilterDialogTest, AddFollowsTheLimitWithTheDefaultRuleCounted)
{
    filters(MAX_FILTERS - 1);
    helpfunc_popup(Dialog::FilterDialog);
    EXPECT_EQ(list_items(t()->FilterList).size(), 63u);
    EXPECT_FALSE(is_sensitive("*FilterDialog*AddFilter"));
    click(5);
    filter_cb(FILTER_DELETE);
    EXPECT_EQ(main_filter_list->count, MAX_FILTERS - 1);
    EXPECT_TRUE(is_sensitive("*FilterDialog*AddFilter"));
    EXPECT_EQ(senders()[4], "10.0.0.6");
    EXPECT_EQ(senders().back(), "0.0.0.0");
}

TEST_F(FilterDialogTest, EditedRuleMovesButStaysInFrontOfTheDefaultRule)
{
    filters(4);
    helpfunc_popup(Dialog::FilterDialog);
    click(2);
    filter_cb(FILTER_OPEN);
    ASSERT_TRUE(is_managed("*Filter2Dialog"));
    EXPECT_EQ(text_of(t()->Filter2SCompText), "10.0.0.2");
    EXPECT_EQ(text_of(t()->Filter2PortText), "all");
    EXPECT_EQ(text_of(t()->Filter2PosText), "2");

    type(t()->Filter2PosText, "5");
    filter2_cb(EDIT_OK);
    EXPECT_EQ(error_text(), "Position Not Correct");
    EXPECT_EQ(XmGetFocusWidget(t()->Filter2Dialog), t()->Filter2PosText);
    helpfunc_popdown(Dialog::ErrorDialog);

    type(t()->Filter2PosText, "4");
    filter2_cb(EDIT_OK);
    EXPECT_FALSE(is_managed("*Filter2Dialog"));
    EXPECT_EQ(senders(), (std::vector<std::string>{"10.0.0.1", "10.0.0.3", "10.0.0.4", "10.0.0.2",
                                                   "0.0.0.0"}));
    EXPECT_EQ(selected_positions(t()->FilterList), std::vector<int>{4});
    EXPECT_TRUE(is_sensitive("*FilterDialog*OpenFilter"));
    EXPECT_TRUE(is_sensitive("*FilterDialog*DeleteFilter"));
}

TEST_F(FilterDialogTest, NewRuleMayTakeTheDefaultRulesPlace)
{
    filters(4);
    helpfunc_popup(Dialog::FilterDialog);
    filter_cb(FILTER_ADD);
    EXPECT_EQ(text_of(t()->Filter2PosText), "5");
    filter2_cb(EDIT_CANCEL);
    EXPECT_EQ(add("all", "6"), "Position Not Correct");
    EXPECT_EQ(add("all", "5"), "");
    EXPECT_EQ(senders(), (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4",
                                                   "10.9.0.0", "0.0.0.0"}));
    EXPECT_EQ(selected_positions(t()->FilterList), std::vector<int>{5});
}

TEST_F(FilterDialogTest, AllRemainingSetsTheDefaultRuleAtOnce)
{
    filters(2, 1);
    helpfunc_popup(Dialog::FilterDialog);
    EXPECT_EQ(history(t()->FilterOption), t()->FilterAllow);
    choose(t()->FilterOption, t()->FilterProhibit);
    EXPECT_EQ(rule_at(3)->action, 0);
    EXPECT_EQ(rule_at(1)->action, 1);
    EXPECT_EQ(rule_at(2)->action, 1);

    filter_cb(FILTER_CLOSE);
    EXPECT_FALSE(is_managed("*FilterDialog"));
    // Something else moves the menu meanwhile; the popup shows the table.
    XtVaSetValues(t()->FilterOption, XmNmenuHistory, t()->FilterAllow, nullptr);
    helpfunc_popup(Dialog::FilterDialog);
    EXPECT_EQ(history(t()->FilterOption), t()->FilterProhibit);

    choose(t()->FilterOption, t()->FilterAllow);
    EXPECT_EQ(rule_at(3)->action, 1);
}

TEST_F(FilterDialogTest, AddThenOkAtOnceAsksForTheReceivingHost)
{
    filters(1);
    helpfunc_popup(Dialog::FilterDialog);
    filter_cb(FILTER_ADD);
    filter2_cb(EDIT_OK);
    EXPECT_EQ(error_text(), "Mask (Receive) Incorrect");
    EXPECT_EQ(XmGetFocusWidget(t()->Filter2Dialog), t()->Filter2RMaskText);
    EXPECT_EQ(main_filter_list->count, 2);
}

// The message shown and the field focused for each kind of fault; the table
// stays as it was.
TEST_F(FilterDialogTest, RefusalsShowTheirMessageAndFocusTheirField)
{
    struct Case {
        const char* name;
        const char* send_mask;
        const char* send_match;
        const char* receive_mask;
        const char* receive_match;
        const char* service;
        const char* message;
        Widget WidgetTable::*focus;
    };
    const Case cases[] = {
        {"sending mask", "255.255.0", "10.1.0.0", "0.0.0.0", "0.0.0.0", "all",
         "Mask (Send) Incorrect", &WidgetTable::Filter2SMaskText},
        {"sending compare value", "255.255.0.0", "", "0.0.0.0", "0.0.0.0", "all",
         "Match Not Correct", &WidgetTable::Filter2SCompText},
        {"sending combination", "255.255.0.0", "10.1.2.0", "0.0.0.0", "0.0.0.0", "all",
         "Wrong Match And Netmask Combination", &WidgetTable::Filter2SMaskText},
        {"receiving mask", "0.0.0.0", "0.0.0.0", "", "0.0.0.0", "all", "Mask (Receive) Incorrect",
         &WidgetTable::Filter2RMaskText},
        {"receiving compare value", "0.0.0.0", "0.0.0.0", "0.0.0.0", "x", "all",
         "Match Not Correct", &WidgetTable::Filter2RCompText},
        {"receiving combination", "0.0.0.0", "0.0.0.0", "255.255.0.0", "10.1.2.0", "all",
         "Wrong Match And Netmask Combination", &WidgetTable::Filter2RMaskText},
        {"service in capitals", "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", "ALL",
         "Service Not Correct", &WidgetTable::Filter2PortText},
        {"protocol alone", "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", "tcp", "Service Not Correct",
         &WidgetTable::Filter2PortText},
        {"port without protocol", "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", "53",
         "Service Not Correct", &WidgetTable::Filter2PortText},
        {"unknown protocol", "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", "53/xyz",
         "Service Not Correct", &WidgetTable::Filter2PortText},
        {"port beyond 16 bits", "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", "65536/tcp",
         "Service Not Correct", &WidgetTable::Filter2PortText},
        {"unknown service name", "0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0", "no-such-service",
         "Service Not Correct", &WidgetTable::Filter2PortText},
    };
    if (!have_service_databases())
        GTEST_SKIP() << "no services or protocol database";
    filters(2);
    helpfunc_popup(Dialog::FilterDialog);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        click(1);
        filter_cb(FILTER_OPEN);
        fill(c.send_mask, c.send_match, c.receive_mask, c.receive_match, c.service, "1");
        filter2_cb(EDIT_OK);
        EXPECT_TRUE(is_managed("*ErrorDialog"));
        EXPECT_EQ(error_text(), c.message);
        EXPECT_EQ(XmGetFocusWidget(t()->Filter2Dialog), t()->*c.focus);
        EXPECT_TRUE(is_managed("*Filter2Dialog"));
        EXPECT_EQ(senders(), (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "0.0.0.0"}));
        EXPECT_EQ(rule_at(1)->protocol, 0);
        helpfunc_popdown(Dialog::ErrorDialog);
        filter2_cb(EDIT_CANCEL);
    }
}

TEST_F(FilterDialogTest, ServiceTextReadAndShown)
{
    struct Case {
        const char* typed;
        int protocol;
        int port;
        const char* shown;  // in the edit dialog when the rule is opened again
    };
    const Case cases[] = {
        {"all", 0, 0, "all"},           {" ftp\t", 6, 21, "ftp"},
        {"21/tcp", 6, 21, "ftp"},       {"8000/tcp", 6, 8000, "8000/tcp"},
        {"53/udp", 17, 53, "53/udp"},  // domain is also tcp: shown by number
        {"0x35/udp", 17, 53, "53/udp"}, {"7/200", 200, 7, "7/200"},  // a protocol without a name
    };
    if (!have_service_databases())
        GTEST_SKIP() << "no services or protocol database";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        filters(1);
        helpfunc_popup(Dialog::FilterDialog);
        ASSERT_EQ(add(c.typed, "1"), "");
        EXPECT_EQ(rule_at(1)->protocol, c.protocol);
        EXPECT_EQ(rule_at(1)->port, c.port);
        filter_cb(FILTER_OPEN);
        EXPECT_EQ(text_of(t()->Filter2PortText), c.shown);
        EXPECT_EQ(list_items(t()->FilterList)[0], filter_list_line(1, *rule_at(1)));
        filter2_cb(EDIT_CANCEL);
    }
}

TEST_F(FilterDialogTest, ActionMenuFollowsTheRuleBothWays)
{
    filters(2);
    rule_at(2)->action = 0;
    helpfunc_popup(Dialog::FilterDialog);
    click(2);
    filter_cb(FILTER_OPEN);
    EXPECT_EQ(history(t()->Filter2Aktion), t()->A_REJECT);
    XtVaSetValues(t()->Filter2Aktion, XmNmenuHistory, t()->A_ACCEPT, nullptr);
    filter2_cb(EDIT_OK);
    EXPECT_EQ(rule_at(2)->action, 1);
    EXPECT_EQ(list_items(t()->FilterList)[1].substr(53), "accept");

    filter_cb(FILTER_OPEN);
    EXPECT_EQ(history(t()->Filter2Aktion), t()->A_ACCEPT);
    filter2_cb(EDIT_CANCEL);
}

TEST_F(FilterDialogTest, OkAfterTheTablesWereDroppedStoresNothing)
{
    filters(2);
    helpfunc_popup(Dialog::FilterDialog);
    click(1);
    filter_cb(FILTER_OPEN);
    main_forget_tables();
    filter2_cb(EDIT_OK);
    EXPECT_EQ(main_filter_list, nullptr);
    EXPECT_FALSE(is_managed("*Filter2Dialog"));
    EXPECT_FALSE(is_managed("*ErrorDialog"));
    // Nor does the default-rule menu reach a table that is gone.
    filter_cb(FILTER_DEFAULT_REJECT);
    filter_cb(FILTER_ADD);
    EXPECT_FALSE(is_managed("*Filter2Dialog"));
}

}  // namespace
