// The toolkit helpers: pixmaps of the built-in images, fonts, colours, the
// two menu makers and compound strings.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <Xm/CascadeB.h>
#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/RowColumn.h>

#include <cctype>
#include <climits>
#include <string>

#include "globals.h"
#include "gui_fixture.h"
#include "toolkit.h"
#include "widget_table.h"

namespace {

class ToolkitTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        if (IsSkipped())
            return;
        form_ = XtVaCreateWidget("ToolkitTestForm", xmFormWidgetClass,
                                 XtParent(XmVANTEROWidgets->Open), nullptr);
    }
    void TearDown() override
    {
        if (form_ != nullptr)
            XtDestroyWidget(form_);
        GuiTest::TearDown();
    }
    Widget form_ = nullptr;
};

std::string font_name(Display* display, XFontStruct* font)
{
    unsigned long atom = 0;
    if (!XGetFontProperty(font, XA_FONT, &atom))
        return std::string();
    char* name = XGetAtomName(display, static_cast<Atom>(atom));
    std::string text(name != nullptr ? name : "");
    XFree(name);
    return text;
}

XFontStruct* first_font(XmFontList list)
{
    XmFontContext context = nullptr;
    if (!XmFontListInitFontContext(&context, list))
        return nullptr;
    XmStringCharSet charset = nullptr;
    XFontStruct* font = nullptr;
    XmFontListGetNextFont(context, &charset, &font);
    XtFree(charset);
    XmFontListFreeFontContext(context);
    return font;
}

TEST_F(ToolkitTest, BuiltInImagesBecomePixmapsOfTheScreensDepth)
{
    Widget label = XtVaCreateWidget("Image", xmLabelWidgetClass, form_, nullptr);
    Display* display = XtDisplay(label);
    const struct {
        const char* name;
        unsigned width, height;
    } cases[] = {{"error32x32", 32, 32},
                 {"question32x32", 32, 32},
                 {"hglass32x32", 32, 32},
                 {"quarn", 106, 81}};
    for (const auto& c : cases) {
        Pixmap pixmap = BitmapFileToPixmap(label, c.name);
        ASSERT_NE(pixmap, static_cast<Pixmap>(XmUNSPECIFIED_PIXMAP)) << c.name;
        Window root;
        int x, y;
        unsigned width, height, border, depth;
        ASSERT_TRUE(XGetGeometry(display, pixmap, &root, &x, &y, &width, &height, &border, &depth));
        EXPECT_EQ(width, c.width) << c.name;
        EXPECT_EQ(height, c.height) << c.name;
        EXPECT_EQ(depth, static_cast<unsigned>(DefaultDepthOfScreen(XtScreen(label)))) << c.name;
        XFreePixmap(display, pixmap);
    }
    EXPECT_EQ(BitmapFileToPixmap(label, "Error32x32"), static_cast<Pixmap>(XmUNSPECIFIED_PIXMAP));
}

TEST_F(ToolkitTest, ImagesTakeTheWidgetsColours)
{
    Widget label = XtVaCreateWidget("Image", xmLabelWidgetClass, form_, nullptr);
    Pixel white = ColorNameToPixel(label, "white");
    Pixel black = ColorNameToPixel(label, "black");
    XtVaSetValues(label, XmNforeground, white, XmNbackground, black, nullptr);
    Display* display = XtDisplay(label);
    Pixmap pixmap = BitmapFileToPixmap(label, "hglass32x32");
    XImage* image = XGetImage(display, pixmap, 0, 0, 32, 32, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(XGetPixel(image, 16, 1), white) << "the top bar is set";
    EXPECT_EQ(XGetPixel(image, 16, 0), black) << "above it nothing";
    XDestroyImage(image);
    XFreePixmap(display, pixmap);
}

TEST_F(ToolkitTest, UnknownFontGivesFixed)
{
    Display* display = XtDisplay(form_);
    XFontStruct* fixed = XLoadQueryFont(display, "fixed");
    ASSERT_NE(fixed, nullptr);
    std::string fixed_name = font_name(display, fixed);

    XmFontList list = FontNameToFontList(form_, "-nosuch-font-medium-r-normal--12-*");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(font_name(display, first_font(list)), fixed_name);
    XmFontListFree(list);

    const char* helvetica = "-adobe-helvetica-medium-r-normal--12-120-75-75-p-67-iso8859-1";
    list = FontNameToFontList(form_, helvetica);
    ASSERT_NE(list, nullptr);
    std::string loaded = font_name(display, first_font(list));
    for (char& c : loaded)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(loaded.find("helvetica"), std::string::npos) << loaded;
    XmFontListFree(list);
    XFreeFont(display, fixed);
}

TEST_F(ToolkitTest, ColoursByNameAndAUsableDefault)
{
    Screen* screen = XtScreen(form_);
    EXPECT_EQ(ColorNameToPixel(form_, "white"), WhitePixelOfScreen(screen));
    EXPECT_EQ(ColorNameToPixel(form_, "black"), BlackPixelOfScreen(screen));
    EXPECT_EQ(ColorNameToPixel(form_, "no such colour"), BlackPixelOfScreen(screen));
    Pixel wheat = ColorNameToPixel(form_, "wheat");
    XColor shown;
    shown.pixel = wheat;
    XQueryColor(XtDisplay(form_), DefaultColormapOfScreen(screen), &shown);
    EXPECT_EQ(shown.red >> 8, 0xf5);
    EXPECT_EQ(shown.green >> 8, 0xde);
    EXPECT_EQ(shown.blue >> 8, 0xb3);
}

TEST_F(ToolkitTest, OptionMenuKeepsThePulldownItWasMadeWith)
{
    Widget option = CreateOptionMenu(form_, "RISDNMode", nullptr, 0);
    Widget pulldown = nullptr;
    XtVaGetValues(option, XmNsubMenuId, &pulldown, nullptr);
    ASSERT_NE(pulldown, nullptr);
    EXPECT_STREQ(XtName(pulldown), "RISDNModePD");
    EXPECT_STREQ(XtName(option), "RISDNMode");

    Widget again = CreatePulldownMenu(option, "RISDMenu", nullptr, 0);
    EXPECT_EQ(again, pulldown);
    EXPECT_EQ(XtNameToWidget(form_, "*RISDMenu"), nullptr);
}

TEST_F(ToolkitTest, PulldownOfACascadeIsMadeOnceBesideIt)
{
    Widget bar = XmCreateMenuBar(form_, const_cast<char*>("Bar"), nullptr, 0);
    Widget cascade = XmCreateCascadeButton(bar, const_cast<char*>("Cascade"), nullptr, 0);
    Arg args[1];
    XtSetArg(args[0], XmNshadowThickness, 1);
    Widget first = CreatePulldownMenu(cascade, "CascadeMenu", args, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(XtName(first), "CascadeMenu");
    // Its shell is a child of the menu bar, not of the cascade.
    EXPECT_EQ(XtParent(XtParent(first)), bar);
    XtSetArg(args[0], XmNshadowThickness, 3);
    Widget second = CreatePulldownMenu(cascade, "Other", args, 1);
    EXPECT_EQ(second, first);
    Dimension shadow = 0;
    XtVaGetValues(first, XmNshadowThickness, &shadow, nullptr);
    EXPECT_EQ(shadow, 3) << "the second call applies its arguments";
}

TEST_F(ToolkitTest, LabelsKeepTheirLineBreaks)
{
    Widget label = XtVaCreateWidget("Text", xmLabelWidgetClass, form_, nullptr);
    helpfunc_set_label(label, "one\ntwo\n\nfour");
    EXPECT_EQ(helpfunc_label_text(label), "one\ntwo\n\nfour");
    helpfunc_set_label(label, "R\374ckmeldung");
    EXPECT_EQ(helpfunc_label_text(label), "R\374ckmeldung") << "ISO 8859-1 bytes pass unchanged";
}

// Callbacks are registered with a code in their client data and switch on it
// when called: every code comes back as it went in, whatever its type and
// sign, an enum also when read as the int a switch takes; a callback
// registered without client data reads code 0.
TEST(ActionCodeTest, CodesComeBackAsTheyWentIn)
{
    enum Plain { PLAIN_NEGATIVE = -3, PLAIN_ZERO = 0, PLAIN_BIG = 1 << 20 };
    enum class Scoped : uint8_t { FIRST = 0, LAST = 255 };

    for (int code : {0, 1, -1, 41, INT_MAX, INT_MIN})
        EXPECT_EQ(action_code(action_data(code)), code) << "int " << code;
    for (Plain code : {PLAIN_NEGATIVE, PLAIN_ZERO, PLAIN_BIG}) {
        EXPECT_EQ(action_code<Plain>(action_data(code)), code) << "enum " << code;
        EXPECT_EQ(action_code(action_data(code)), static_cast<int>(code)) << "enum as int " << code;
    }
    for (Scoped code : {Scoped::FIRST, Scoped::LAST})
        EXPECT_EQ(action_code<Scoped>(action_data(code)), code)
            << "scoped enum " << static_cast<int>(code);
    EXPECT_EQ(action_code<int>(action_data(Scoped::LAST)), 255) << "no sign is made up";
    EXPECT_EQ(action_code(nullptr), 0) << "no client data";
    EXPECT_NE(action_data(1), action_data(2)) << "two codes, two data";
}

}  // namespace
