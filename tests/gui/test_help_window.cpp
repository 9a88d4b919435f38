// The help window: the section of the dialog in front under the header,
// following the user from dialog to dialog, input beside a modal dialog,
// Close destroying it, and a missing help file.
#include <gtest/gtest.h>

#include <X11/Xresource.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "dialog_entry_points.h"
#include "display_services.h"
#include "globals.h"
#include "help_file.h"
#include "help_window.h"
#include "monitor_fixture.h"
#include "widget_table.h"

namespace {

const char HEADER[] =
    " Configuration of the Grafical User Interface\n\n"
    " Hostname          : 10.77.0.1\n"
    " Netmask           : 255.255.255.0\n"
    " Hostname Resolving: off\n\n";

class HelpWindowTest : public MonitorTest {
protected:
    void SetUp() override
    {
        MonitorTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        // Read once per run: each test starts a run of its own.
        helpfunc_forget_helptext();
        std::remove(path().c_str());
    }

    void TearDown() override
    {
        if (!IsSkipped())
            std::remove(path().c_str());
        MonitorTest::TearDown();
    }

    static std::string path() { return gui_data_dir() + "/qorvel.hlp"; }

    // A help file whose section n reads "section n".
    static void write_help_file()
    {
        std::ofstream out(path());
        out << "section 0\n";
        for (int n = 1; n <= 12; ++n)
            out << "====> heading " << n << "\nsection " << n << "\n";
    }

    static std::string shown() { return text_of(XmVANTEROWidgets->HelpText); }
    static std::string section(int n) { return HEADER + ("section " + std::to_string(n) + "\n"); }
};

TEST_F(HelpWindowTest, ShowsTheSectionOfTheDialogInFrontAndFollowsIt)
{
    write_help_file();
    helpfunc_popup_help(Dialog::MainWindow);
    ASSERT_TRUE(is_managed("*HelpDialog"));
    EXPECT_EQ(helpfunc_help_shown, 1);
    EXPECT_EQ(shown(), section(0));
    EXPECT_EQ(title("*HelpDialog"), "Help");
    EXPECT_EQ(label("*HelpDialog.HelpHeader"), "Help");
    EXPECT_EQ(label("*HelpDialog.HelpClose"), "Close");
    ASSERT_TRUE(pump_until([] {
        int x, y;
        shell_position(XmVANTEROWidgets->HelpDialog, &x, &y);
        return x == 10 && y == 525;
    }));

    const struct {
        bool up;
        Dialog dialog;
        int section;
    } steps[] = {
        {true, Dialog::LineMonDialog, 10},    {true, Dialog::LineMon2Dialog, 11},
        {false, Dialog::LineMon2Dialog, 10},  {false, Dialog::LineMonDialog, 0},
        {true, Dialog::AccountingDialog, 12}, {false, Dialog::AccountingDialog, 0},
        {true, Dialog::RouterDialog, 0},  // no section of its own: unchanged
        {false, Dialog::RouterDialog, 0},
    };
    for (const auto& s : steps) {
        if (s.up)
            helpfunc_popup(s.dialog);
        else
            helpfunc_popdown(s.dialog);
        EXPECT_EQ(shown(), section(s.section)) << dialog_name(s.dialog) << (s.up ? " up" : " down");
    }

    // A file written now is not read before the next run.
    std::remove(path().c_str());
    helpfunc_popup_help(Dialog::AccountingDialog);
    EXPECT_EQ(shown(), section(12));

    press(XmVANTEROWidgets->HelpClose);
    EXPECT_EQ(XmVANTEROWidgets->HelpDialog, nullptr) << "destroyed when closed";
    EXPECT_EQ(XmVANTEROWidgets->HelpText, nullptr);
    EXPECT_EQ(helpfunc_help_shown, 0);
    EXPECT_EQ(find("*HelpDialog"), nullptr);

    helpfunc_popup(Dialog::LineMonDialog);  // no help window: nothing to follow
    EXPECT_EQ(XmVANTEROWidgets->HelpDialog, nullptr);
    press(XmVANTEROWidgets->LineMonHelp);
    ASSERT_TRUE(is_managed("*HelpDialog")) << "built anew";
    EXPECT_EQ(shown(), section(10));
}

TEST_F(HelpWindowTest, WithoutHelpFileEverySectionSaysSo)
{
    helpfunc_popup(Dialog::AccountingDialog);
    press(find("*AccountingHelpMenu.AccountingHelpHelp"));
    ASSERT_TRUE(is_managed("*HelpDialog"));
    EXPECT_EQ(shown(), std::string(HEADER) + "\n\n\n       No Help File Found");
    write_help_file();
    helpfunc_popup_help(Dialog::MainWindow);
    EXPECT_EQ(shown(), std::string(HEADER) + "\n\n\n       No Help File Found")
        << "the file is looked for once per run";
}

// The line monitor and its set-up dialog are modal; the help window still
// takes the user's clicks beside them, also after the set-up dialog has
// gone again.
TEST_F(HelpWindowTest, TakesInputBesideTheModalDialogInFront)
{
    write_help_file();
    helpfunc_popup(Dialog::LineMonDialog);
    press(XmVANTEROWidgets->LineMonHelp);
    helpfunc_popup(Dialog::LineMon2Dialog);
    press(XmVANTEROWidgets->LineMon2Help);
    EXPECT_EQ(shown(), section(11));

    click(XmVANTEROWidgets->Overview);
    EXPECT_FALSE(is_managed("*ScanDialog")) << "the main window takes no input now";
    click(XmVANTEROWidgets->HelpClose);
    EXPECT_EQ(XmVANTEROWidgets->HelpDialog, nullptr) << "beside the set-up dialog";

    press(XmVANTEROWidgets->LineMon2Help);
    click(XmVANTEROWidgets->LineMon2Close);
    EXPECT_FALSE(is_managed("*LineMon2Dialog"));
    EXPECT_EQ(shown(), section(10));
    click(XmVANTEROWidgets->HelpClose);
    EXPECT_EQ(XmVANTEROWidgets->HelpDialog, nullptr) << "beside the line monitor";
}

// A position of the table that would put a dialog partly off a smaller
// screen than the table was made for: the dialog moves up or left as far as
// it must, and no further (no window manager here: no frame).
TEST_F(HelpWindowTest, DialogsPlacedByTheTableStayOnTheScreen)
{
    Display* display = XtDisplay(XmVANTERO);
    Screen* screen = XtScreen(XmVANTERO);
    const int screen_width = WidthOfScreen(screen);
    const int screen_height = HeightOfScreen(screen);
    XrmDatabase db = XtDatabase(display);
    const std::string below = std::to_string(screen_height - 100);
    XrmPutStringResource(&db, "XmQORVEL*HelpDialog.y", below.c_str());
    helpfunc_popup_help(Dialog::MainWindow);
    XrmPutStringResource(&db, "XmQORVEL*HelpDialog.y", "525");
    ASSERT_TRUE(is_managed("*HelpDialog"));
    int x = -1, y = -1;
    EXPECT_TRUE(pump_until([&] {
        shell_position(XmVANTEROWidgets->HelpDialog, &x, &y);
        return x == 10 && y == screen_height - 450;
    })) << "the help window at "
        << x << "," << y << ", its Close below the screen's edge";
    helpfunc_popdown(Dialog::HelpDialog);

    // A dialog built once: where it was left is checked at every popup.
    helpfunc_popup(Dialog::RouterDialog);
    helpfunc_popdown(Dialog::RouterDialog);
    Widget form = XmVANTEROWidgets->RouterDialog;
    XtVaSetValues(form, XmNx, screen_width - 100, XmNy, 35, nullptr);
    helpfunc_popup(Dialog::RouterDialog);
    EXPECT_TRUE(pump_until([&] {
        shell_position(form, &x, &y);
        return x == screen_width - 490 && y == 35;
    })) << "the router overview at "
        << x << "," << y;
    helpfunc_popdown(Dialog::RouterDialog);
}

}  // namespace
