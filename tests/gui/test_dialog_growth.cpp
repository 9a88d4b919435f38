// The dialogs whose size grows with their contents (the error boxes, the
// busy notice and the two questions): every message shows whole, in both
// languages, whatever came before it, and the box never gets smaller than
// its registry size.
#include <gtest/gtest.h>

#include <Xm/Xm.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "dialog_names.h"
#include "dialog_registry.h"
#include "display_services.h"
#include "display_texts.h"
#include "gui_fixture.h"
#include "message_tables.h"
#include "toolkit.h"
#include "widget_table.h"

namespace {

constexpr const char* LONG_TEXT =
    "A message whose first line is much wider than any of the boxes is\n"
    "followed by a second line,\na third\nand a fourth.";

constexpr int MESSAGE_MARGIN = 10;  // pixels, at least, between a text and the box's right edge

struct Box {
    int x, y, width, height;
};

Box geometry(Widget w)
{
    Position x = 0, y = 0;
    Dimension width = 0, height = 0;
    XtVaGetValues(w, XmNx, &x, XmNy, &y, XmNwidth, &width, XmNheight, &height, nullptr);
    return {x, y, width, height};
}

class DialogGrowthTest : public GuiTest {
protected:
    void TearDown() override
    {
        messages_choose_language(nullptr);
        GuiTest::TearDown();
    }

    // The label shows all of its text inside the dialog, and the dialog's
    // window is as large as its form.
    static void expect_whole(Dialog dialog, Widget message, const std::string& what)
    {
        SCOPED_TRACE(what);
        pump();
        Widget form = dialog_form(dialog);
        ASSERT_NE(form, nullptr);
        XtWidgetGeometry wanted{};
        XtQueryGeometry(message, nullptr, &wanted);
        const Box label = geometry(message);
        const Box box = geometry(form);
        EXPECT_GE(label.width, wanted.width) << "the text is cut at the right";
        EXPECT_GE(label.height, wanted.height) << "the text is cut at the bottom";
        EXPECT_LE(label.x + label.width, box.width);
        EXPECT_LE(label.y + label.height, box.height);
        EXPECT_GE(box.width, dialog_entry(dialog).width);
        EXPECT_GE(box.height, dialog_entry(dialog).height);
        const Box shell = geometry(XtParent(form));
        EXPECT_EQ(shell.width, box.width);
        EXPECT_EQ(shell.height, box.height);
    }

    // The text keeps a margin from the box's right edge, as from the image
    // at its left, and the buttons of the bottom row stand symmetric about
    // the middle of the box.
    static void expect_margins(Dialog dialog, Widget message, const std::vector<Widget>& bottom_row,
                               const std::string& what)
    {
        SCOPED_TRACE(what);
        pump();
        const Box box = geometry(dialog_form(dialog));
        const Box label = geometry(message);
        XtWidgetGeometry wanted{};
        XtQueryGeometry(message, nullptr, &wanted);
        EXPECT_LE(label.x + static_cast<int>(wanted.width), box.width - MESSAGE_MARGIN)
            << "the text comes closer than " << MESSAGE_MARGIN << " pixels to the right edge";
        ASSERT_FALSE(bottom_row.empty());
        const Box first = geometry(bottom_row.front());
        const Box last = geometry(bottom_row.back());
        const int left_gap = first.x;
        const int right_gap = box.width - (last.x + last.width);
        EXPECT_LE(std::abs(left_gap - right_gap), 2)
            << "the buttons stand off centre: " << left_gap << " pixels at the left, " << right_gap
            << " at the right of a box " << box.width << " wide";
    }

    // The messages of the table, then the added texts, which the error box
    // shows as well.
    static const char* any_text(int n)
    {
        return n < MESSAGE_COUNT ? message_text(n)
                                 : added_text(static_cast<AddedText>(n - MESSAGE_COUNT));
    }

    static void expect_registry_size(Dialog dialog)
    {
        pump();
        const Box box = geometry(dialog_form(dialog));
        EXPECT_EQ(box.width, dialog_entry(dialog).width) << dialog_name(dialog);
        EXPECT_EQ(box.height, dialog_entry(dialog).height) << dialog_name(dialog);
    }
};

TEST_F(DialogGrowthTest, ErrorBoxShowsEveryMessageWholeInBothLanguages)
{
    for (const char* language : {static_cast<const char*>(nullptr), GERMAN_REGISTER_LABEL}) {
        messages_choose_language(language);
        for (int n = 0; n < MESSAGE_COUNT + ADDED_TEXT_COUNT; ++n) {
            // Shown while the box is up from the message before, as a second
            // failure does.
            helpfunc_error_popup(any_text(n), n % 2, ERROR_KIND_ERROR);
            expect_whole(Dialog::ErrorDialog, XmVANTEROWidgets->ErrorDialogMessage,
                         std::string(language != nullptr ? "German" : "English") + " message " +
                             std::to_string(n));
        }
    }
}

TEST_F(DialogGrowthTest, ErrorBoxFitsItsFirstMessageAndShrinksBackForAShortOne)
{
    // The message that was cut: two lines wider than the box, lower than it.
    helpfunc_error_popup(message_text(4), 1, ERROR_KIND_MESSAGE);
    expect_whole(Dialog::ErrorDialog, XmVANTEROWidgets->ErrorDialogMessage, "message 4");
    EXPECT_EQ(label("*ErrorDialog.ErrorDialogMessage"),
              "Configuration was saved!\nTo Activate Changes Please Deregister");
    helpfunc_popdown(Dialog::ErrorDialog);

    helpfunc_error_popup(LONG_TEXT, 0, ERROR_KIND_ERROR);
    expect_whole(Dialog::ErrorDialog, XmVANTEROWidgets->ErrorDialogMessage, "long text");
    helpfunc_popdown(Dialog::ErrorDialog);
    helpfunc_error_popup("OK", 0, ERROR_KIND_ERROR);
    expect_registry_size(Dialog::ErrorDialog);
}

TEST_F(DialogGrowthTest, BusyNoticeFitsEveryTextAlsoWhenItChangesInPlace)
{
    helpfunc_scan_popup(message_text(MSG_SCANNING), 0, 1);
    expect_registry_size(Dialog::ScanDialog);
    for (const char* language : {static_cast<const char*>(nullptr), GERMAN_REGISTER_LABEL}) {
        messages_choose_language(language);
        for (int n : {MSG_SCANNING, MSG_GETTING_DATA, MSG_PUTTING_DATA}) {
            helpfunc_scan_popup(message_text(n), 0, 0);
            expect_whole(Dialog::ScanDialog, XmVANTEROWidgets->ScanDialogMessage,
                         "message " + std::to_string(n));
        }
    }
    helpfunc_scan_popup(LONG_TEXT, 0, 0);
    expect_whole(Dialog::ScanDialog, XmVANTEROWidgets->ScanDialogMessage, "long text");
}

TEST_F(DialogGrowthTest, QuestionsAndTheUnknownProtocolsNoticeShowALongTextWhole)
{
    const struct {
        Dialog dialog;
        Widget WidgetTable::*message;
    } dialogs[] = {
        {Dialog::QuestionDialog, &WidgetTable::QuestionDialogMessage},
        {Dialog::Question2Dialog, &WidgetTable::Question2DialogMessage},
        {Dialog::Error2Dialog, &WidgetTable::Error2DialogMessage},
    };
    for (const auto& d : dialogs) {
        helpfunc_popup(d.dialog);
        Widget message = XmVANTEROWidgets->*d.message;
        ASSERT_NE(message, nullptr) << dialog_name(d.dialog);
        expect_whole(d.dialog, message, std::string(dialog_name(d.dialog)) + " as built");
        helpfunc_popdown(d.dialog);

        // A text of a resource file may be longer than the built-in one.
        helpfunc_set_label(message, LONG_TEXT);
        helpfunc_popup(d.dialog);
        expect_whole(d.dialog, message, std::string(dialog_name(d.dialog)) + " with a long text");
        helpfunc_popdown(d.dialog);
    }
}

TEST_F(DialogGrowthTest, EveryMessageKeepsAMarginAndItsOkButtonStaysCentredInBothLanguages)
{
    for (const char* language : {static_cast<const char*>(nullptr), GERMAN_REGISTER_LABEL}) {
        messages_choose_language(language);
        const std::string in = language != nullptr ? "German" : "English";
        for (int n = 0; n < MESSAGE_COUNT + ADDED_TEXT_COUNT; ++n) {
            helpfunc_error_popup(any_text(n), n % 2, ERROR_KIND_ERROR);
            expect_margins(Dialog::ErrorDialog, XmVANTEROWidgets->ErrorDialogMessage,
                           {find("*ErrorDialog.ErrorDialogOk")},
                           in + " message " + std::to_string(n));
        }
        helpfunc_popdown(Dialog::ErrorDialog);
    }
}

TEST_F(DialogGrowthTest, QuestionsAndTheUnknownProtocolsNoticeKeepAMarginWithTheirOwnAndALongText)
{
    const struct {
        Dialog dialog;
        Widget WidgetTable::*message;
        const char* first_button;
        const char* last_button;
    } dialogs[] = {
        {Dialog::QuestionDialog, &WidgetTable::QuestionDialogMessage,
         "*QuestionDialog.QuestionDialogYes", "*QuestionDialog.QuestionDialogNo"},
        {Dialog::Question2Dialog, &WidgetTable::Question2DialogMessage,
         "*Question2Dialog.Question2DialogYes", "*Question2Dialog.Question2DialogNo"},
        {Dialog::Error2Dialog, &WidgetTable::Error2DialogMessage, "*Error2Dialog.Error2DialogOk",
         "*Error2Dialog.Error2DialogOk"},
    };
    for (const auto& d : dialogs) {
        helpfunc_create_layout(d.dialog);
        Widget message = XmVANTEROWidgets->*d.message;
        ASSERT_NE(message, nullptr) << dialog_name(d.dialog);
        const std::string own =
            label((std::string("*") + dialog_name(d.dialog) + "." + XtName(message)).c_str());
        for (const std::string& text :
             {own, std::string(LONG_TEXT), std::string("Angabe einer unkorrekten Telefonnummer")}) {
            helpfunc_set_label(message, text.c_str());
            helpfunc_popup(d.dialog);
            expect_margins(d.dialog, message, {find(d.first_button), find(d.last_button)},
                           std::string(dialog_name(d.dialog)) + ": " + text);
            helpfunc_popdown(d.dialog);
        }
    }
}

// What a window went through, as the server tells a second client that
// watches it (the toolkit takes the configure events of its own shells out
// of its queue while it waits for a window manager).
class WindowWatch {
public:
    explicit WindowWatch(Widget shell)
        : display_(XOpenDisplay(XDisplayString(XtDisplay(shell)))), window_(XtWindow(shell))
    {
        if (display_ == nullptr)
            return;
        XWindowAttributes a{};
        XGetWindowAttributes(display_, window_, &a);
        width_ = a.width;
        height_ = a.height;
        mapped_ = a.map_state != IsUnmapped;
        XSelectInput(display_, window_, StructureNotifyMask);
        XSync(display_, False);
    }
    ~WindowWatch()
    {
        if (display_ != nullptr)
            XCloseDisplay(display_);
    }
    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;

    bool ok() const { return display_ != nullptr; }

    // Reads what happened since the last call; the number of size changes
    // while the window was on the screen.
    int resized_while_mapped(Widget shell)
    {
        XSync(XtDisplay(shell), False);
        XSync(display_, False);
        int resized = 0;
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == MapNotify) {
                mapped_ = true;
            } else if (event.type == UnmapNotify) {
                mapped_ = false;
            } else if (event.type == ConfigureNotify) {
                if (mapped_ &&
                    (event.xconfigure.width != width_ || event.xconfigure.height != height_))
                    ++resized;
                width_ = event.xconfigure.width;
                height_ = event.xconfigure.height;
            }
        }
        return resized;
    }

private:
    Display* display_;
    Window window_;
    int width_ = 0, height_ = 0;
    bool mapped_ = false;
};

// A box is sized for its message before its window goes on the screen: a
// window manager asked to resize a window it has just framed may answer
// late or not at all, and the box then shows a form wider than its window,
// its OK button off centre and its text against the edge.
TEST_F(DialogGrowthTest, EveryBoxTakesItsSizeBeforeItIsMapped)
{
    const struct {
        Dialog dialog;
        Widget WidgetTable::*message;
        std::function<void(const char*)> show;
    } boxes[] = {
        {Dialog::ErrorDialog, &WidgetTable::ErrorDialogMessage,
         [](const char* text) { helpfunc_error_popup(text, 1, ERROR_KIND_ERROR); }},
        {Dialog::ScanDialog, &WidgetTable::ScanDialogMessage,
         [](const char* text) { helpfunc_scan_popup(text, 1, 1); }},
        {Dialog::Question2Dialog, &WidgetTable::Question2DialogMessage,
         [](const char* text) {
             helpfunc_create_layout(Dialog::Question2Dialog);
             helpfunc_set_label(XmVANTEROWidgets->Question2DialogMessage, text);
             helpfunc_popup(Dialog::Question2Dialog);
         }},
    };
    messages_choose_language(GERMAN_REGISTER_LABEL);
    for (const auto& b : boxes) {
        SCOPED_TRACE(dialog_name(b.dialog));
        // Shown once small, so that its window exists at the small size.
        b.show("OK");
        pump();
        helpfunc_popdown(b.dialog);
        pump();
        Widget shell = XtParent(dialog_form(b.dialog));
        WindowWatch watch(shell);
        ASSERT_TRUE(watch.ok());
        for (const char* text : {message_text(18), LONG_TEXT, "OK"}) {
            b.show(text);
            pump();
            EXPECT_EQ(watch.resized_while_mapped(shell), 0)
                << "resized on the screen for: " << text;
            expect_whole(b.dialog, XmVANTEROWidgets->*b.message, text);
            helpfunc_popdown(b.dialog);
            pump();
            watch.resized_while_mapped(shell);
        }
    }
}

}  // namespace
