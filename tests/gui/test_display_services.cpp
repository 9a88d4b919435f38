// The display services and the registry: every dialog built once with the
// registry's shape, popup and popdown with their fill steps, router field,
// help window and the window manager's close, the error box, the busy
// notice, the validation messages and the busy cursor.
#include <gtest/gtest.h>

#include <Xm/DialogS.h>
#include <Xm/Form.h>
#include <Xm/TextF.h>

#include <cstring>
#include <string>

#include "dialog_entry_points.h"
#include "dialog_registry.h"
#include "display_services.h"
#include "globals.h"
#include "gui_fixture.h"
#include "message_tables.h"
#include "myutil.h"
#include "toolkit.h"
#include "widget_table.h"

namespace {

class DisplayServicesTest : public GuiTest {};

TEST_F(DisplayServicesTest, EveryDialogIsBuiltOnceWithTheRegistrysShape)
{
    const Dialog* order = dialogs_in_table_order();
    for (int i = 0; i < DIALOG_COUNT; ++i) {
        Dialog d = order[i];
        const DialogEntry& e = dialog_entry(d);
        ASSERT_EQ(e.dialog, d) << "registry row " << i;
        helpfunc_create_layout(d);
        Widget form = dialog_form(d);
        ASSERT_NE(form, nullptr) << dialog_name(d);
        EXPECT_STREQ(XtName(form), dialog_name(d));
        helpfunc_create_layout(d);
        EXPECT_EQ(dialog_form(d), form) << dialog_name(d) << " built twice";

        // Its shell's parent is its parent dialog's form, or the top-level shell.
        Widget shell = XtParent(form);
        EXPECT_TRUE(XmIsDialogShell(shell)) << dialog_name(d);
        Widget parent = e.parent == Dialog::MainWindow ? XmVANTERO : dialog_form(e.parent);
        EXPECT_EQ(XtParent(shell), parent) << dialog_name(d);
        EXPECT_FALSE(XtIsManaged(form)) << dialog_name(d);

        unsigned char style = 0;
        Boolean auto_unmanage = False, default_position = False;
        XtVaGetValues(form, XmNdialogStyle, &style, XmNautoUnmanage, &auto_unmanage,
                      XmNdefaultPosition, &default_position, nullptr);
        unsigned char expected_style =
            e.modality == Modality::FULL      ? XmDIALOG_FULL_APPLICATION_MODAL
            : e.modality == Modality::PRIMARY ? XmDIALOG_PRIMARY_APPLICATION_MODAL
                                              : XmDIALOG_MODELESS;
        EXPECT_EQ(style, expected_style) << dialog_name(d);
        EXPECT_EQ(auto_unmanage != False, e.closes_itself) << dialog_name(d);
        EXPECT_EQ(default_position != False, e.placement == Placement::CENTRED) << dialog_name(d);
        if (!e.grows) {
            Dimension width = 0, height = 0;
            XtVaGetValues(form, XmNwidth, &width, XmNheight, &height, nullptr);
            EXPECT_EQ(width, e.width) << dialog_name(d);
            EXPECT_EQ(height, e.height) << dialog_name(d);
        }
        // Each dialog is closed by its own buttons, never by the window manager.
        unsigned char response = 0;
        XtVaGetValues(shell, XmNdeleteResponse, &response, nullptr);
        EXPECT_EQ(response, XmDO_NOTHING) << dialog_name(d);
    }
    // The two that close themselves.
    EXPECT_TRUE(dialog_entry(Dialog::AboutDialog).closes_itself);
    EXPECT_TRUE(dialog_entry(Dialog::Error2Dialog).closes_itself);
}

TEST_F(DisplayServicesTest, EveryDialogHasItsOwnRowAndResources)
{
    for (int n = 1; n < WINDOW_COUNT; ++n) {
        const Dialog d = static_cast<Dialog>(n);
        const DialogEntry& e = dialog_entry(d);
        EXPECT_EQ(e.dialog, d) << dialog_name(d);
        EXPECT_NE(e.build, nullptr) << dialog_name(d);
        ASSERT_NE(e.resources, nullptr) << dialog_name(d);
        ASSERT_NE(e.resources[0], nullptr) << dialog_name(d) << " has no resource lines";
        const std::string own = std::string("*") + dialog_name(d);
        bool named = false;
        for (const char* const* line = e.resources; *line != nullptr; ++line)
            named = named || std::strstr(*line, own.c_str()) != nullptr;
        EXPECT_TRUE(named) << dialog_name(d) << ": no line of its own";
    }
}

TEST_F(DisplayServicesTest, NoValueOutsideTheDialogsIsAnsweredWithADialogsRow)
{
    for (int n : {-1, 0, WINDOW_COUNT, WINDOW_COUNT + 7}) {
        const Dialog d = static_cast<Dialog>(n);
        const DialogEntry& e = dialog_entry(d);
        EXPECT_EQ(e.build, nullptr) << n;
        EXPECT_EQ(e.fill, nullptr) << n;
        EXPECT_EQ(e.resources, nullptr) << n;
        EXPECT_STREQ(e.name, "") << n;
        EXPECT_EQ(dialog_form(d), nullptr) << n;
        Widget field = nullptr;
        EXPECT_EQ(helpfunc_get_id_text(d, &field), 0) << n;
        // Nothing is built or shown for it.
        helpfunc_popup(d);
        helpfunc_popdown(d);
    }
    EXPECT_EQ(dialog_form(Dialog::AboutDialog), nullptr);
}

TEST_F(DisplayServicesTest, DialogsPlacedByResourcesStandAtTheirPositions)
{
    const struct {
        Dialog dialog;
        int x, y;
    } cases[] = {
        {Dialog::ConfigDialog, 10, 35},     {Dialog::Config2Dialog, 525, 35},
        {Dialog::LineMonDialog, 525, 35},   {Dialog::LineMon2Dialog, 525, 480},
        {Dialog::FirmwareDialog, 625, 135}, {Dialog::Question2Dialog, 625, 180},
    };
    for (const auto& c : cases) {
        helpfunc_popup(c.dialog);
        Widget form = dialog_form(c.dialog);
        ASSERT_TRUE(pump_until([&] {
            int x, y;
            shell_position(form, &x, &y);
            return x == c.x && y == c.y;
        })) << dialog_name(c.dialog);
    }
    EXPECT_EQ(title("*ConfigDialog"), "Target Configuration");
    EXPECT_EQ(title("*LineMon2Dialog"), "Setup Connection");
}

TEST_F(DisplayServicesTest, PopupFillsTheRouterFieldEveryTime)
{
    // Give the line-target table a router field, as its builder will.
    helpfunc_create_layout(Dialog::ConfigDialog);
    Widget field = XtVaCreateManagedWidget("ConfigIDText", xmTextFieldWidgetClass,
                                           XmVANTEROWidgets->ConfigDialog, nullptr);
    XmVANTEROWidgets->ConfigIDText = field;
    Widget out = nullptr;
    ASSERT_EQ(helpfunc_get_id_text(Dialog::ConfigDialog, &out), 1);
    EXPECT_EQ(out, field);
    EXPECT_EQ(helpfunc_get_id_text(Dialog::PWDialog, &out), 0);

    myutil_copy_text(test_selected_box().name, "10.77.0.2");
    helpfunc_popup(Dialog::ConfigDialog);
    char* text = XmTextFieldGetString(field);
    EXPECT_STREQ(text, "10.77.0.2");
    XtFree(text);
    EXPECT_TRUE(is_managed("*ConfigDialog"));

    helpfunc_popdown(Dialog::ConfigDialog);
    EXPECT_FALSE(is_managed("*ConfigDialog"));
    myutil_copy_text(test_selected_box().name, "other");
    helpfunc_popup(Dialog::ConfigDialog);
    text = XmTextFieldGetString(field);
    EXPECT_STREQ(text, "other");
    XtFree(text);
    XtDestroyWidget(field);
    XmVANTEROWidgets->ConfigIDText = nullptr;
}

TEST_F(DisplayServicesTest, PopdownOfADialogNeverBuiltDoesNothing)
{
    if (!first_test_of_process())
        GTEST_SKIP() << "needs a process in which no dialog was built";
    helpfunc_popdown(Dialog::Filter2Dialog);
    EXPECT_EQ(XmVANTEROWidgets->Filter2Dialog, nullptr);
}

TEST_F(DisplayServicesTest, WindowManagerCloseIsHeldFromAnyPopupUntilAMainDialogCloses)
{
    EXPECT_EQ(helpfunc_main_window_closable(), 1);
    helpfunc_popup(Dialog::PWDialog);
    EXPECT_EQ(helpfunc_main_window_closable(), 0);
    helpfunc_popdown(Dialog::PWDialog);
    EXPECT_EQ(helpfunc_main_window_closable(), 0) << "the prompt does not release it";
    helpfunc_popup(Dialog::RouteDialog);
    helpfunc_popdown(Dialog::RouteDialog);
    EXPECT_EQ(helpfunc_main_window_closable(), 0);
    for (Dialog d : {Dialog::ConfigDialog, Dialog::RConfigDialog, Dialog::AccountingDialog,
                     Dialog::RouterDialog, Dialog::LineMonDialog}) {
        helpfunc_popup(d);
        EXPECT_EQ(helpfunc_main_window_closable(), 0) << dialog_name(d);
        helpfunc_popdown(d);
        EXPECT_EQ(helpfunc_main_window_closable(), 1) << dialog_name(d);
    }
    // The error box goes around the popup service and holds nothing.
    helpfunc_error_popup("x", 0, 1);
    EXPECT_EQ(helpfunc_main_window_closable(), 1);
}

// The window manager's close as it arrives: a client message on the shell.
void send_delete_window()
{
    Display* display = XtDisplay(XmVANTERO);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = XtWindow(XmVANTERO);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, XtWindow(XmVANTERO), False, NoEventMask, &event);
    XFlush(display);
}

TEST_F(DisplayServicesTest, WindowManagerCloseIsIgnoredWhileHeld)
{
    // In a process of its own: a close that is not ignored ends it with 0.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            helpfunc_popup(Dialog::QuestionDialog);
            send_delete_window();
            pump_until([] { return false; }, 500);
            std::exit(3);
        },
        ::testing::ExitedWithCode(3), "");
}

TEST_F(DisplayServicesTest, WindowManagerCloseQuits)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            send_delete_window();
            pump_until([] { return false; }, 3000);
            std::exit(3);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(DisplayServicesTest, ErrorBoxPlacesTitlesAndClosesOnOk)
{
    helpfunc_error_popup("first line\nsecond line", 1, 2);
    ASSERT_TRUE(is_managed("*ErrorDialog"));
    EXPECT_EQ(label("*ErrorDialog.ErrorDialogMessage"), "first line\nsecond line");
    Widget form = XmVANTEROWidgets->ErrorDialog;
    ASSERT_TRUE(pump_until([&] {
        int x, y;
        shell_position(form, &x, &y);
        return x == 605 && y == 205;
    })) << "right position";
    EXPECT_EQ(title("*ErrorDialog"), "Message");

    const struct {
        int kind;
        const char* title;
    } kinds[] = {{0, "Warning"}, {1, "Error"}, {2, "Message"}, {7, "Message"}, {-1, "Message"}};
    for (const auto& k : kinds) {
        helpfunc_error_popup("x", 0, k.kind);
        ASSERT_TRUE(pump_until([&] { return title("*ErrorDialog") == k.title; }))
            << "kind " << k.kind << " shows " << title("*ErrorDialog");
    }
    ASSERT_TRUE(pump_until([&] {
        int x, y;
        shell_position(form, &x, &y);
        return x == 100 && y == 205;
    })) << "left position";

    XtCallCallbacks(find("*ErrorDialog.ErrorDialogOk"), XmNactivateCallback, nullptr);
    EXPECT_FALSE(is_managed("*ErrorDialog"));
}

TEST_F(DisplayServicesTest, BusyNoticeTextChangesInPlace)
{
    helpfunc_scan_popup("one", 1, 1);
    ASSERT_TRUE(is_managed("*ScanDialog"));
    Widget form = XmVANTEROWidgets->ScanDialog;
    auto at = [&](int want_x) {
        return pump_until([&] {
            int x, y;
            shell_position(form, &x, &y);
            return x == want_x && y == 230;
        });
    };
    ASSERT_TRUE(at(605));
    helpfunc_scan_popup("two", 0, 0);
    EXPECT_EQ(label("*ScanDialog.ScanDialogMessage"), "two");
    EXPECT_TRUE(at(605)) << "not moved";
    helpfunc_popdown(Dialog::ScanDialog);
    EXPECT_FALSE(is_managed("*ScanDialog"));
    helpfunc_scan_popup("three", 0, 1);
    EXPECT_TRUE(at(100));
}

// The notice stands over grey dialogs (the router settings at the right
// position): without a window manager nothing but its own frame sets it off
// from the window behind it, whose texts it cuts.
TEST_F(DisplayServicesTest, BusyNoticeHasAFrameThatStandsOutFromTheDialogsBehindIt)
{
    helpfunc_scan_popup("framed", 1, 1);
    Widget form = XmVANTEROWidgets->ScanDialog;
    Widget shell = XtParent(form);
    XWindowAttributes window{};
    ASSERT_TRUE(pump_until([&] {
        return XtIsRealized(shell) &&
               XGetWindowAttributes(XtDisplay(shell), XtWindow(shell), &window) != 0 &&
               window.map_state == IsViewable;
    }));
    EXPECT_GE(window.border_width, 1) << "no border around the notice's window";
    Pixel border = 0, background = 0, notice_background = 0;
    XtVaGetValues(shell, XmNborderColor, &border, nullptr);
    XtVaGetValues(XmVANTERO, XmNbackground, &background, nullptr);
    XtVaGetValues(form, XmNbackground, &notice_background, nullptr);
    EXPECT_NE(border, background) << "the border has the dialogs' grey";
    EXPECT_NE(border, notice_background);
    Dimension shadow = 0;
    unsigned char type = 0;
    XtVaGetValues(form, XmNshadowThickness, &shadow, XmNshadowType, &type, nullptr);
    EXPECT_GE(shadow, 2) << "a shadow of one pixel is not seen on grey";
    EXPECT_EQ(type, XmSHADOW_OUT);
    helpfunc_popdown(Dialog::ScanDialog);
}

TEST_F(DisplayServicesTest, ValidationCodesShowTheirMessageAtTheRight)
{
    const struct {
        Dialog dialog;
        int code;
        const char* text;
    } cases[] = {
        {Dialog::Filter2Dialog, 5, "Match Not Correct"},
        {Dialog::Filter2Dialog, 3, "Match Not Correct"},
        {Dialog::Config2Dialog, 5, "Timeout Too Small Or Wrong Format"},
        {Dialog::Route2Dialog, 4, "Gateway Not Correct"},
    };
    for (const auto& c : cases) {
        helpfunc_input_error(c.dialog, c.code);
        ASSERT_TRUE(is_managed("*ErrorDialog"));
        EXPECT_EQ(label("*ErrorDialog.ErrorDialogMessage"), c.text);
        EXPECT_TRUE(pump_until([] { return title("*ErrorDialog") == "Error"; }));
        helpfunc_popdown(Dialog::ErrorDialog);
    }
    helpfunc_input_error(Dialog::Config2Dialog, 6);
    EXPECT_FALSE(is_managed("*ErrorDialog")) << "a code the dialog does not have";
}

TEST_F(DisplayServicesTest, BusyCursorReachesOnlyWindowsThatExist)
{
    // A dialog that is built but was never shown has no window yet.
    helpfunc_create_layout(Dialog::FirmwareDialog);
    helpfunc_popup(Dialog::AboutDialog);
    helpfunc_set_cursor(1);
    helpfunc_set_cursor(0);
    XSync(XtDisplay(XmVANTERO), False);
    pump();
    EXPECT_EQ(x_errors(), 0);
}

TEST_F(DisplayServicesTest, HelpWindowFollowsTheDialogsAndIsDestroyedOnClose)
{
    helpfunc_create_layout(Dialog::HelpDialog);
    Widget help = XmVANTEROWidgets->HelpDialog;
    ASSERT_NE(help, nullptr);
    helpfunc_help_shown = 1;
    helpfunc_popdown(Dialog::HelpDialog);
    EXPECT_EQ(helpfunc_help_shown, 0);
    EXPECT_EQ(XmVANTEROWidgets->HelpDialog, nullptr);
    EXPECT_EQ(XmVANTEROWidgets->HelpText, nullptr);
    pump();
    helpfunc_create_layout(Dialog::HelpDialog);
    EXPECT_NE(XmVANTEROWidgets->HelpDialog, nullptr) << "built anew";

    // Which section the help window turns to when a dialog closes.
    const struct {
        Dialog dialog;
        bool follows;
        Dialog beneath;
    } popdowns[] = {
        {Dialog::ConfigDialog, true, Dialog::MainWindow},
        {Dialog::Config2Dialog, true, Dialog::ConfigDialog},
        {Dialog::Route2Dialog, true, Dialog::RouteDialog},
        {Dialog::Filter2Dialog, true, Dialog::FilterDialog},
        {Dialog::LineMon2Dialog, true, Dialog::LineMonDialog},
        {Dialog::SetPWDialog, true, Dialog::RConfigDialog},
        {Dialog::FirmwareDialog, true, Dialog::RConfigDialog},
        {Dialog::ErrorDialog, false, Dialog::MainWindow},
        {Dialog::PWDialog, false, Dialog::MainWindow},
    };
    for (const auto& p : popdowns) {
        const DialogEntry& e = dialog_entry(p.dialog);
        EXPECT_EQ(e.help_on_popdown, p.follows) << dialog_name(p.dialog);
        if (p.follows) {
            EXPECT_EQ(e.help_parent, p.beneath) << dialog_name(p.dialog);
        }
    }
    for (Dialog d :
         {Dialog::ScanDialog, Dialog::AboutDialog, Dialog::ErrorDialog, Dialog::FileDialog,
          Dialog::QuestionDialog, Dialog::Question2Dialog, Dialog::PWDialog})
        EXPECT_FALSE(dialog_entry(d).help_on_popup) << dialog_name(d);
    for (Dialog d : {Dialog::Route2Dialog, Dialog::ConfigDialog, Dialog::LineMonDialog})
        EXPECT_TRUE(dialog_entry(d).help_on_popup) << dialog_name(d);
}

}  // namespace
