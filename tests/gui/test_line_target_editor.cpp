// The line-target editor "Config2Dialog": its two views, the filling that
// never changes the record, the coupled protocol menus, the checks in dialog
// order with the focus on the first faulty field, and storing (with the
// host route of "Create Default Route").
#include "line_target_fixture.h"

#include <cstring>
#include <fstream>
#include <string>

#include "message_tables.h"
#include "record_defaults.h"
#include "toolkit.h"

namespace {

class LineTargetEditorTest : public LineTargetTest {
protected:
    void SetUp() override
    {
        LineTargetTest::SetUp();
        if (IsSkipped())
            return;
        load_tables({line("10.1.1.1", "111"), line("10.2.2.2", "222"), line("10.3.3.3", "333")});
        helpfunc_popup(Dialog::ConfigDialog);
    }

    // Opens the editor on line `position` as "Open" does.
    void open_line(int position)
    {
        click(position);
        config_cb(CONFIG_OPEN);
        ASSERT_TRUE(is_managed("*Config2Dialog"));
    }
};

TEST_F(LineTargetEditorTest, BuiltInTheBasicViewWithEveryProtocolRowOnItsButton)
{
    helpfunc_create_layout(Dialog::Config2Dialog);
    pump();
    EXPECT_FALSE(advanced_shown());
    EXPECT_TRUE(XmToggleButtonGetState(t()->Config2Simple));
    EXPECT_FALSE(is_sensitive("*AvSendPW"));
    EXPECT_FALSE(is_sensitive("*AvReceivePW"));
    EXPECT_EQ(background(t()->AvSendPW), background(t()->Config2Dialog));

    const struct {
        Widget WidgetTable::*button;
        const char* label;  // padded so that both menus keep their width
        void* row;
    } buttons[] = {
        {&WidgetTable::P2_X75, "X75                 ", &s2_protocols[0]},
        {&WidgetTable::P2_HDLC, "HDLC               ", &s2_protocols[1]},
        {&WidgetTable::P2_PPP, "PPP              ", &s2_protocols[2]},
        {&WidgetTable::P3_NULL, "NULL               ", &s3_protocols[0]},
        {&WidgetTable::P3_T70NL, "T70NL             ", &s3_protocols[1]},
        {&WidgetTable::P3_PPP, "PPP              ", &s3_protocols[2]},
    };
    for (const auto& b : buttons) {
        Widget w = t()->*b.button;
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(helpfunc_label_text(w), b.label);
        XtPointer row = nullptr;
        XtVaGetValues(w, XmNuserData, &row, nullptr);
        EXPECT_EQ(row, b.row) << XtName(w);
    }
    EXPECT_EQ(s2_protocols[2].button, t()->P2_PPP);
    EXPECT_EQ(s3_protocols[1].button, t()->P3_T70NL);
    EXPECT_EQ(label("*Config2Dialog.CreateRoute"), "Create Default Route");
    EXPECT_EQ(label("*Config2AdvancedForm.S2ProtocolOpt.OptionLabel"), "Layer2");
}

TEST_F(LineTargetEditorTest, ViewToggleSwitchesTitleAndAdvancedFormAndKeepsTheViewBetweenPopups)
{
    open_line(1);
    pump();
    EXPECT_EQ(title("*Config2Dialog"), "Basic Configuration");
    XmToggleButtonSetState(t()->Config2Simple, False, True);
    pump();
    EXPECT_TRUE(advanced_shown());
    EXPECT_EQ(title("*Config2Dialog"), "User Defined Configuration");

    config2_cb(CONFIG2_CANCEL);
    open_line(2);
    EXPECT_TRUE(advanced_shown()) << "the view stays as the user left it";

    XmToggleButtonSetState(t()->Config2Simple, True, True);
    pump();
    EXPECT_FALSE(advanced_shown());
    EXPECT_EQ(title("*Config2Dialog"), "Basic Configuration");
}

TEST_F(LineTargetEditorTest, TitlesFollowTheLanguageInForce)
{
    messages_choose_language(GERMAN_REGISTER_LABEL);
    open_line(1);
    pump();
    EXPECT_EQ(title("*Config2Dialog"), "Einfache Konfiguration");
    XmToggleButtonSetState(t()->Config2Simple, False, True);
    pump();
    EXPECT_EQ(title("*Config2Dialog"), "Individuelle Konfiguration");
    type(t()->Config2Name, "");
    config2_cb(CONFIG2_OK);
    EXPECT_EQ(error_text(), "Angabe eines unbekannten Hostnamens");
}

TEST_F(LineTargetEditorTest, FillShowsTheRecordAndOpenThenCancelChangesNothing)
{
    LineTarget* target = line_at(2);
    target->proto2 = &s2_protocols[2];
    target->proto2_code = 255;
    target->proto3 = &s3_protocols[2];
    target->proto3_code = 255;
    target->timeout = 120;
    target->bundling = 1;
    myutil_copy_text(target->send_pair, "alice/secret");
    myutil_copy_text(target->receive_pair, "bob/pw");
    const LineTarget before = *target;

    open_line(2);
    EXPECT_EQ(text_of(t()->Config2Name), "10.2.2.2");
    EXPECT_EQ(text_of(t()->Config2Telefon), "222");
    EXPECT_EQ(text_of(t()->TimeOutText), "120");
    EXPECT_EQ(shown(t()->S2ProtocolOpt), t()->P2_PPP);
    EXPECT_EQ(shown(t()->S3ProtocolOpt), t()->P3_PPP);
    EXPECT_TRUE(XmToggleButtonGetState(t()->B_Chanal));
    EXPECT_FALSE(XmToggleButtonGetState(t()->Compression));
    EXPECT_EQ(text_of(t()->AvSendPW), "alice/secret");
    EXPECT_TRUE(is_sensitive("*AvSendPW"));
    EXPECT_EQ(background(t()->AvSendPW), background(t()->Config2Name));
    EXPECT_FALSE(XtIsManaged(t()->CreateRoute)) << "editing never offers the route";

    type(t()->Config2Name, "10.9.9.9");
    config2_cb(CONFIG2_CANCEL);
    EXPECT_FALSE(is_managed("*Config2Dialog"));
    EXPECT_EQ(std::memcmp(line_at(2), &before, sizeof before), 0);
}

TEST_F(LineTargetEditorTest, PermanentConnectionEmptiesOnlyThePhoneField)
{
    test_selected_box().cfg.line_type = 2;
    const LineTarget defaults = line_defaults;
    const LineTarget before = *line_at(1);

    open_line(1);
    EXPECT_EQ(text_of(t()->Config2Telefon), "");
    EXPECT_FALSE(is_sensitive("*Config2Telefon"));
    EXPECT_EQ(background(t()->Config2Telefon), background(t()->Config2Dialog));
    config2_cb(CONFIG2_CANCEL);
    EXPECT_EQ(std::memcmp(line_at(1), &before, sizeof before), 0) << "the record keeps its number";

    // Adding fills from the defaults, which stay as they are.
    load_tables({});
    test_selected_box().cfg.line_type = 3;
    helpfunc_popup(Dialog::ConfigDialog);
    config_cb(CONFIG_ADD);
    EXPECT_EQ(text_of(t()->Config2Telefon), "");
    config2_cb(CONFIG2_CANCEL);
    EXPECT_EQ(std::memcmp(&line_defaults, &defaults, sizeof defaults), 0);
}

TEST_F(LineTargetEditorTest, ProtocolMenusChoosePppOnBothLayersOrOnNeither)
{
    open_line(1);
    show_advanced();
    ASSERT_EQ(shown(t()->S2ProtocolOpt), t()->P2_X75);
    ASSERT_EQ(shown(t()->S3ProtocolOpt), t()->P3_NULL);
    myutil_copy_text(line_at(1)->send_pair, "");
    type(t()->AvSendPW, "kept/text");

    choose(t()->S2ProtocolOpt, t()->P2_PPP);
    EXPECT_EQ(shown(t()->S3ProtocolOpt), t()->P3_PPP);
    EXPECT_TRUE(is_sensitive("*AvSendPW"));
    EXPECT_TRUE(is_sensitive("*AvReceivePW"));
    EXPECT_EQ(background(t()->AvReceivePW), background(t()->Config2Name));

    choose(t()->S3ProtocolOpt, t()->P3_T70NL);
    EXPECT_EQ(shown(t()->S2ProtocolOpt), t()->P2_X75);
    EXPECT_FALSE(is_sensitive("*AvSendPW"));
    EXPECT_EQ(text_of(t()->AvSendPW), "kept/text") << "disabled fields keep their text";

    choose(t()->S2ProtocolOpt, t()->P2_HDLC);
    EXPECT_EQ(shown(t()->S3ProtocolOpt), t()->P3_T70NL)
        << "no PPP on either side: nothing else moves";
    EXPECT_FALSE(is_sensitive("*AvSendPW"));

    choose(t()->S3ProtocolOpt, t()->P3_PPP);
    EXPECT_EQ(shown(t()->S2ProtocolOpt), t()->P2_PPP);
    choose(t()->S2ProtocolOpt, t()->P2_X75);
    EXPECT_EQ(shown(t()->S3ProtocolOpt), t()->P3_NULL);
    EXPECT_FALSE(is_sensitive("*AvReceivePW"));
}

TEST_F(LineTargetEditorTest, RefusalsShowTheirMessageFocusTheirFieldAndStoreNothing)
{
    struct Case {
        const char* name;
        int line_type;
        const char* host;
        const char* phone;
        const char* timeout;
        const char* send;
        const char* receive;
        int code;
        const char* message;
        Widget WidgetTable::*focus;
    };
    const Case cases[] = {
        {"empty host", 0, "", "123", "20", "", "", 1, "Hostname Not Correct",
         &WidgetTable::Config2Name},
        {"host that is no address", 0, "0.0.0.0", "123", "20", "", "", 1, "Hostname Not Correct",
         &WidgetTable::Config2Name},
        {"host first, before a bad timeout", 0, "10.1.", "123", "4", "", "", 1,
         "Hostname Not Correct", &WidgetTable::Config2Name},
        {"phone with a letter", 0, "10.5.5.5", "12a", "20", "", "", 2, "Phone Number Not Correct",
         &WidgetTable::Config2Telefon},
        {"type 1 takes 0 or 1 only", 1, "10.5.5.5", "2", "20", "", "", 2,
         "Phone Number Not Correct", &WidgetTable::Config2Telefon},
        {"timeout 4", 0, "10.5.5.5", "123", "4", "", "", 5, "Timeout Too Small Or Wrong Format",
         &WidgetTable::TimeOutText},
        {"type 3 asks for no phone", 3, "10.5.5.5", "no number", "-3", "", "", 5,
         "Timeout Too Small Or Wrong Format", &WidgetTable::TimeOutText},
        {"timeout empty", 0, "10.5.5.5", "123", "", "", "", 5, "Timeout Too Small Or Wrong Format",
         &WidgetTable::TimeOutText},
        {"timeout beyond 16 bits", 0, "10.5.5.5", "123", "65536", "", "", 5,
         "Timeout Too Small Or Wrong Format", &WidgetTable::TimeOutText},
        {"send pair with two slashes", 0, "10.5.5.5", "123", "20", "a/b/c", "", 3,
         "Password (send) Incorrect", &WidgetTable::AvSendPW},
        {"send pair without a name, two slashes", 0, "10.5.5.5", "123", "20", "//secret", "", 3,
         "Password (send) Incorrect", &WidgetTable::AvSendPW},
        {"receive pair with a blank", 0, "10.5.5.5", "123", "20", "a/b", "c d", 4,
         "Password (receive) Incorrect", &WidgetTable::AvReceivePW},
        {"receive pair without a name, two slashes", 2, "10.5.5.5", "anything", "20", "", "/a/", 4,
         "Password (receive) Incorrect", &WidgetTable::AvReceivePW},
    };
    const std::vector<std::string> before = hosts(main_line_list);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test_selected_box().cfg.line_type = static_cast<uint8_t>(c.line_type);
        open_line(2);
        show_advanced();
        // PPP, so that every field can take the focus.
        choose(t()->S2ProtocolOpt, t()->P2_PPP);
        type(t()->Config2Name, c.host);
        type(t()->Config2Telefon, c.phone);
        type(t()->TimeOutText, c.timeout);
        type(t()->AvSendPW, c.send);
        type(t()->AvReceivePW, c.receive);
        Config2Data data;
        helpfunc_get_config2_data(&data);
        LineTarget record = line_defaults;
        EXPECT_EQ(helpfunc_check_config2_data(data, &record), c.code);
        config2_cb(CONFIG2_OK);
        pump();
        EXPECT_TRUE(is_managed("*ErrorDialog"));
        EXPECT_EQ(error_text(), c.message);
        EXPECT_EQ(title("*ErrorDialog"), "Error");
        int x = 0, y = 0;
        shell_position(t()->ErrorDialog, &x, &y);
        EXPECT_EQ(x, POSITION_RIGHT_X);
        EXPECT_EQ(XmGetFocusWidget(t()->Config2Dialog), t()->*c.focus);
        EXPECT_TRUE(is_managed("*Config2Dialog"));
        EXPECT_EQ(hosts(main_line_list), before);
        EXPECT_EQ(line_at(2)->timeout, 20);
        helpfunc_popdown(Dialog::ErrorDialog);
        config2_cb(CONFIG2_CANCEL);
    }
}

TEST_F(LineTargetEditorTest, AcceptedFieldsAreStoredAsTheRouterTakesThem)
{
    struct Case {
        const char* name;
        const char* host;
        const char* timeout;
        const char* send;
        const char* receive;
        const char* stored_host;
        int stored_timeout;
        const char* stored_send;
        const char* stored_receive;
    };
    const std::string forty = std::string(19, 'n') + "/" + std::string(20, 'p');
    const std::string thirty_eight(38, 'a');
    const std::string thirty_nine = thirty_eight + "/";
    const Case cases[] = {
        {"blanks around the host", "  10.5.5.5\t", "20", "", "", "10.5.5.5", 20, "", ""},
        {"timeout 0", "10.5.5.5", "0", "", "", "10.5.5.5", 0, "", ""},
        {"octal timeout", "10.5.5.5", "010", "", "", "10.5.5.5", 8, "", ""},
        {"hexadecimal timeout", "10.5.5.5", "0x14", "", "", "10.5.5.5", 20, "", ""},
        {"largest timeout", "10.5.5.5", "65535", "", "", "10.5.5.5", 65535, "", ""},
        {"pair without a slash gets one", "10.5.5.5", "20", "alice", "bob/pw", "10.5.5.5", 20,
         "alice/", "bob/pw"},
        {"38 characters become 39", "10.5.5.5", "20", thirty_eight.c_str(), "", "10.5.5.5", 20,
         thirty_nine.c_str(), ""},
        {"pairs without a name", "10.5.5.5", "20", "/secret", "/", "10.5.5.5", 20, "/secret", "/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        open_line(3);
        type(t()->Config2Name, c.host);
        type(t()->TimeOutText, c.timeout);
        type(t()->AvSendPW, c.send);
        type(t()->AvReceivePW, c.receive);
        config2_cb(CONFIG2_OK);
        EXPECT_FALSE(is_managed("*ErrorDialog")) << error_text();
        EXPECT_FALSE(is_managed("*Config2Dialog"));
        const LineTarget* stored = line_at(3);
        EXPECT_STREQ(stored->host, c.stored_host);
        EXPECT_EQ(stored->timeout, c.stored_timeout);
        EXPECT_STREQ(stored->send_pair, c.stored_send);
        EXPECT_STREQ(stored->receive_pair, c.stored_receive);
        EXPECT_EQ(selected_positions(t()->LineList), std::vector<int>{3});
        EXPECT_TRUE(is_sensitive("*OpenLine"));
        EXPECT_TRUE(is_sensitive("*DeleteLine"));
    }

    // A pair that came from the router with 40 characters passes unchanged.
    myutil_copy_text(line_at(1)->send_pair, forty.c_str());
    open_line(1);
    EXPECT_EQ(text_of(t()->AvSendPW), forty);
    config2_cb(CONFIG2_OK);
    EXPECT_FALSE(is_managed("*ErrorDialog")) << error_text();
    EXPECT_EQ(line_at(1)->send_pair, forty);
}

TEST_F(LineTargetEditorTest, AddingWithCreateDefaultRoutePutsTheHostRouteFirst)
{
    load_tables({line("10.1.1.1", "111")}, 2);
    helpfunc_popup(Dialog::ConfigDialog);
    config_cb(CONFIG_ADD);
    ASSERT_TRUE(is_managed("*Config2Dialog"));
    EXPECT_TRUE(XtIsManaged(t()->CreateRoute));
    EXPECT_EQ(XmToggleButtonGetState(t()->CreateRoute), line_defaults.default_route != 0);
    XmToggleButtonSetState(t()->CreateRoute, True, False);
    type(t()->Config2Name, "10.6.6.6");
    type(t()->Config2Telefon, "0301234");
    config2_cb(CONFIG2_OK);

    EXPECT_FALSE(is_managed("*Config2Dialog"));
    EXPECT_EQ(hosts(main_line_list), (std::vector<std::string>{"10.1.1.1", "10.6.6.6"}));
    EXPECT_EQ(route_matches(main_route_list),
              (std::vector<std::string>{"10.6.6.6", "10.9.0.2", "10.9.0.3"}));
    EXPECT_EQ(list_items(t()->LineList).size(), 2u);
    EXPECT_EQ(selected_positions(t()->LineList), std::vector<int>{2});
    EXPECT_EQ(hosts(main_line_list_copy), std::vector<std::string>{"10.1.1.1"})
        << "the router's copy waits for OK";

    // Editing never makes a route, whatever the hidden toggle says.
    open_line(1);
    XmToggleButtonSetState(t()->CreateRoute, True, False);
    config2_cb(CONFIG2_OK);
    EXPECT_EQ(route_matches(main_route_list).size(), 3u);
    EXPECT_EQ(line_at(1)->default_route, 1) << "the hidden toggle is still read";
}

TEST_F(LineTargetEditorTest, FullRouteTableSwitchesCreateDefaultRouteOff)
{
    load_tables({}, MAX_ROUTES);
    helpfunc_popup(Dialog::ConfigDialog);
    config_cb(CONFIG_ADD);
    EXPECT_FALSE(XmToggleButtonGetState(t()->CreateRoute));
    EXPECT_FALSE(is_sensitive("*Config2Dialog.CreateRoute"));
    type(t()->Config2Name, "10.6.6.6");
    type(t()->Config2Telefon, "0301234");
    config2_cb(CONFIG2_OK);
    EXPECT_EQ(hosts(main_line_list), std::vector<std::string>{"10.6.6.6"});
    EXPECT_EQ(main_route_list->count, MAX_ROUTES);
}

TEST_F(LineTargetEditorTest, LineTargetWithoutLayer3RowOpensAndSaves)
{
    LineTarget* target = line_at(1);
    target->proto3 = nullptr;
    target->proto3_code = 77;  // a code no definition has
    open_line(1);
    EXPECT_EQ(shown(t()->S3ProtocolOpt), t()->P3_NULL);
    config2_cb(CONFIG2_OK);
    EXPECT_FALSE(is_managed("*ErrorDialog")) << error_text();
    EXPECT_EQ(line_at(1)->proto3, &s3_protocols[0]);
    EXPECT_EQ(line_at(1)->proto3_code, s3_protocols[0].code);
}

TEST_F(LineTargetEditorTest, OkAfterTheTablesWereDroppedStoresNothing)
{
    open_line(1);
    main_forget_tables();
    config2_cb(CONFIG2_OK);
    EXPECT_EQ(main_line_list, nullptr);
    EXPECT_FALSE(is_managed("*ErrorDialog"));
}

TEST_F(LineTargetEditorTest, FurtherLayer2DefinitionGetsAButtonOfItsOwn)
{
    // The definitions are read before the editor is first built, as at
    // start-up.
    {
        std::ofstream pro(gui_data_dir() + "/qorvel.pro");
        pro << "2:x75_1 base=x75 blocksize=1024 addr_a=3 addr_b=1 modulo=8 windowsize=2\n";
    }
    int line_no = 0, column = 0;
    ASSERT_EQ(file_read_protocols(&line_no, &column), 1) << line_no << ":" << column;
    ASSERT_EQ(no_s2_protocols, 4);
    open_line(1);

    Widget extra = find("*S2ProtocolOptPD.x75_1");
    ASSERT_NE(extra, nullptr);
    EXPECT_EQ(helpfunc_label_text(extra), "x75_1");
    EXPECT_EQ(s2_protocols[3].button, extra);
    show_advanced();
    choose(t()->S2ProtocolOpt, t()->P2_PPP);
    choose(t()->S2ProtocolOpt, extra);
    EXPECT_EQ(shown(t()->S3ProtocolOpt), t()->P3_NULL) << "a further x75 row is no PPP";
    config2_cb(CONFIG2_OK);
    EXPECT_EQ(line_at(1)->proto2, &s2_protocols[3]);
    EXPECT_EQ(line_at(1)->proto2_code, 1u);

    // Filled again, the menu shows the row's own button.
    open_line(1);
    EXPECT_EQ(shown(t()->S2ProtocolOpt), extra);
    std::remove((gui_data_dir() + "/qorvel.pro").c_str());
}

// An identification takes 39 characters as typed: the field shows them all
// at once, and its label stays whole in both languages.
TEST_F(LineTargetEditorTest, IdentificationFieldsShowAllTheirCharactersBesideWholeLabels)
{
    open_line(1);
    XmToggleButtonSetState(t()->Config2Simple, False, True);  // every field
    pump();
    ASSERT_TRUE(advanced_shown());
    const char* const texts[] = {
        "abcdefghijklmnopqrstuvwxyz0123456789/-_",
        "office-munich-gateway/secret-pass-word1",
    };
    const struct {
        Widget WidgetTable::*field;
        const char* label;
        const char* german;
    } fields[] = {
        {&WidgetTable::AvSendPW, "AvSendLabel", "Kennung der Gegenstelle"},
        {&WidgetTable::AvReceivePW, "AvReceiveLabel", "Eigene Kennung"},
    };
    for (const auto& f : fields) {
        Widget field = XmVANTEROWidgets->*f.field;
        SCOPED_TRACE(XtName(field));
        Dimension width = 0, margin = 0, shadow = 0, highlight = 0;
        XmFontList fonts = nullptr;
        XtVaGetValues(field, XmNwidth, &width, XmNmarginWidth, &margin, XmNshadowThickness, &shadow,
                      XmNhighlightThickness, &highlight, XmNfontList, &fonts, nullptr);
        const int inside = width - 2 * (margin + shadow + highlight);
        for (const char* text : texts) {
            ASSERT_EQ(std::strlen(text), 39u);
            XmString s = XmStringCreateLocalized(const_cast<char*>(text));
            EXPECT_GE(inside, XmStringWidth(fonts, s)) << text;
            XmStringFree(s);
        }
        Widget label_widget = XtNameToWidget(XtParent(field), f.label);
        ASSERT_NE(label_widget, nullptr);
        const std::string english = helpfunc_label_text(label_widget);
        for (const std::string& text : {english, std::string(f.german)}) {
            helpfunc_set_label(label_widget, text.c_str());
            XtWidgetGeometry wanted{};
            XtQueryGeometry(label_widget, nullptr, &wanted);
            Dimension has = 0;
            XtVaGetValues(label_widget, XmNwidth, &has, nullptr);
            EXPECT_GE(has, wanted.width) << "label \"" << text << "\" is cut";
        }
        helpfunc_set_label(label_widget, english.c_str());
    }
}

}  // namespace
