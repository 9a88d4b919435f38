// The router password dialogs: the hidden entries, the proposal they leave
// for the settings dialog, Delete, Cancel and the exclusive toggle.
#include <gtest/gtest.h>

#include <Xm/TextF.h>
#include <Xm/ToggleB.h>

#include "router_settings_fixture.h"

namespace {

class RouterPasswordTest : public RouterSettingsFixture {
protected:
    void SetUp() override
    {
        RouterSettingsFixture::SetUp();
        if (IsSkipped())
            return;
        select_router(0x0A4D0002, 1);
        configured("10.77.0.2", "0301234", 1, 0, "2.10", "alt");
        open_settings();
        press(RCONFIG_ACTION_PASSWORD);
        ASSERT_TRUE(pump_until([] { return is_managed("*SetPWDialog"); }));
    }

    static std::string buffer(Widget field)
    {
        XtPointer data = nullptr;
        XtVaGetValues(field, XmNuserData, &data, nullptr);
        return data != nullptr ? static_cast<const char*>(data) : "(none)";
    }

    static void enter(Widget field) { RepeatCB(field, action_data(REPEAT_REASON_ENTER), nullptr); }
    static void change() { SetPWCB(nullptr, action_data(SETPW_ACTION_CHANGE), nullptr); }
    static void setpw(int action) { SetPWCB(nullptr, action_data(action), nullptr); }
};

TEST_F(RouterPasswordTest, EntryKeepsWhatIsTypedWhereverItIsTypedAndShowsX)
{
    change();
    ASSERT_TRUE(is_managed("*InputPWDialog"));
    Widget field = w()->InputPWText;
    EXPECT_EQ(text_of(field), "");

    XmTextFieldInsert(field, 0, const_cast<char*>("abc"));
    EXPECT_EQ(text_of(field), "XXX");
    EXPECT_EQ(buffer(field), "abc");

    XmTextFieldReplace(field, 2, 3, const_cast<char*>(""));  // backspace
    EXPECT_EQ(text_of(field), "XX");
    EXPECT_EQ(buffer(field), "ab");

    XmTextFieldInsert(field, 0, const_cast<char*>("z"));  // at the front
    EXPECT_EQ(text_of(field), "XXX");
    EXPECT_EQ(buffer(field), "zab");

    XmTextFieldInsert(field, 3, const_cast<char*>("word"));  // a paste
    EXPECT_EQ(text_of(field), "XXXXXXX");
    EXPECT_EQ(buffer(field), "zabword");

    XmTextFieldInsert(field, 7, const_cast<char*>("12345"));  // past ten characters
    EXPECT_EQ(buffer(field), "zabword") << "refused whole";
    XmTextFieldInsert(field, 7, const_cast<char*>("123"));
    EXPECT_EQ(buffer(field), "zabword123");
    EXPECT_EQ(text_of(field), "XXXXXXXXXX");
}

TEST_F(RouterPasswordTest, SameTextTwiceBecomesTheProposalDifferentTextsDoNot)
{
    change();
    XmTextFieldInsert(w()->InputPWText, 0, const_cast<char*>("neu1"));
    enter(w()->InputPWText);
    EXPECT_FALSE(is_managed("*InputPWDialog"));
    ASSERT_TRUE(is_managed("*RepeatPWDialog"));
    EXPECT_EQ(text_of(w()->RepeatPWText), "") << "the repetition starts empty";
    XmTextFieldInsert(w()->RepeatPWText, 0, const_cast<char*>("neu2"));
    enter(w()->RepeatPWText);
    EXPECT_FALSE(is_managed("*RepeatPWDialog"));
    ASSERT_TRUE(error_shown());
    EXPECT_EQ(error_text(), "Passwords Do Not Match\nPassword Not Changed");
    EXPECT_STREQ(setpw_proposed_password(), "alt");
    close_error();

    change();
    EXPECT_EQ(buffer(w()->InputPWText), "") << "each opening starts empty";
    XmTextFieldInsert(w()->InputPWText, 0, const_cast<char*>("neu1"));
    enter(w()->InputPWText);
    XmTextFieldInsert(w()->RepeatPWText, 0, const_cast<char*>("neu1"));
    enter(w()->RepeatPWText);
    EXPECT_FALSE(error_shown());
    EXPECT_STREQ(setpw_proposed_password(), "neu1");
    EXPECT_TRUE(XtIsSensitive(w()->SetPWDelete));
    setpw(SETPW_ACTION_OK);
    EXPECT_FALSE(is_managed("*SetPWDialog"));
    EXPECT_STREQ(setpw_proposed_password(), "neu1") << "Ok keeps the proposal";
}

TEST_F(RouterPasswordTest, EmptyFirstEntryIsAskedAgainLikeAnyOther)
{
    // Empty, then something else: they differ.
    change();
    enter(w()->InputPWText);
    EXPECT_FALSE(is_managed("*InputPWDialog"));
    ASSERT_TRUE(is_managed("*RepeatPWDialog")) << "an empty entry is repeated too";
    XmTextFieldInsert(w()->RepeatPWText, 0, const_cast<char*>("x"));
    enter(w()->RepeatPWText);
    ASSERT_TRUE(error_shown());
    EXPECT_EQ(error_text(), "Passwords Do Not Match\nPassword Not Changed");
    EXPECT_STREQ(setpw_proposed_password(), "alt");
    close_error();

    // Empty twice: an empty password is proposed.
    change();
    enter(w()->InputPWText);
    ASSERT_TRUE(is_managed("*RepeatPWDialog"));
    enter(w()->RepeatPWText);
    EXPECT_FALSE(is_managed("*RepeatPWDialog"));
    EXPECT_FALSE(error_shown());
    EXPECT_TRUE(is_managed("*SetPWDialog"));
    EXPECT_STREQ(setpw_proposed_password(), "");
}

TEST_F(RouterPasswordTest, DeleteThenCancelRestoresPasswordAndToggle)
{
    EXPECT_TRUE(XtIsSensitive(w()->SetPWDelete));
    EXPECT_FALSE(XmToggleButtonGetState(w()->SetPWExclusivToggle));
    setpw(SETPW_ACTION_DELETE);
    EXPECT_FALSE(XtIsSensitive(w()->SetPWDelete));
    EXPECT_STREQ(setpw_proposed_password(), "");
    XmToggleButtonSetState(w()->SetPWExclusivToggle, True, False);

    setpw(SETPW_ACTION_CANCEL);
    EXPECT_FALSE(is_managed("*SetPWDialog"));
    EXPECT_STREQ(setpw_proposed_password(), "alt");
    EXPECT_FALSE(setpw_proposed_exclusive()) << "Cancel drops the toggle's change too";

    // Delete and Ok: the settings dialog proposes no password.
    press(RCONFIG_ACTION_PASSWORD);
    setpw(SETPW_ACTION_DELETE);
    setpw(SETPW_ACTION_OK);
    RouterSettings proposal{};
    helpfunc_get_rconfig_data(&proposal);
    EXPECT_STREQ(proposal.password, "");
    EXPECT_EQ(helpfunc_check_rconfig_data(&helpfunc_selected_box.cfg, &proposal), -1);
}

TEST_F(RouterPasswordTest, EveryOpeningStartsFromTheCurrentPasswordAndFlag)
{
    change();
    XmTextFieldInsert(w()->InputPWText, 0, const_cast<char*>("x"));
    enter(w()->InputPWText);
    XmTextFieldInsert(w()->RepeatPWText, 0, const_cast<char*>("x"));
    enter(w()->RepeatPWText);
    XmToggleButtonSetState(w()->SetPWExclusivToggle, True, False);
    setpw(SETPW_ACTION_OK);
    EXPECT_STREQ(setpw_proposed_password(), "x");

    press(RCONFIG_ACTION_PASSWORD);
    EXPECT_STREQ(setpw_proposed_password(), "alt");
    EXPECT_FALSE(XmToggleButtonGetState(w()->SetPWExclusivToggle));
    setpw(SETPW_ACTION_CANCEL);

    // A router without password: nothing to delete.
    press(RCONFIG_ACTION_CANCEL);
    myutil_copy_text(test_selected_box().cfg.password, "");
    test_selected_box().cfg.exclusive = 1;
    open_settings();
    press(RCONFIG_ACTION_PASSWORD);
    EXPECT_FALSE(XtIsSensitive(w()->SetPWDelete));
    EXPECT_TRUE(XmToggleButtonGetState(w()->SetPWExclusivToggle));
}

}  // namespace
