// Texts of the display services, the window names and the built-in images.
#include <gtest/gtest.h>

#include <cstring>

#include "builtin_bitmaps.h"
#include "dialog_names.h"
#include "display_texts.h"
#include "message_tables.h"

namespace {

struct LanguageGuard {
    ~LanguageGuard() { messages_choose_language(nullptr); }
};

TEST(DisplayTextsTest, ErrorBoxTitles)
{
    LanguageGuard guard;
    EXPECT_STREQ(error_box_title(0), "Warning");
    EXPECT_STREQ(error_box_title(1), "Error");
    EXPECT_STREQ(error_box_title(2), "Message");
    EXPECT_EQ(error_box_title(3), nullptr);
    EXPECT_EQ(error_box_title(-1), nullptr);
    messages_choose_language("Anmelden");
    EXPECT_STREQ(error_box_title(0), "Warnung");
    EXPECT_STREQ(error_box_title(1), "Fehler");
    EXPECT_STREQ(error_box_title(2), "Nachricht");
}

TEST(DisplayTextsTest, ValidationCodes)
{
    const struct {
        Dialog dialog;
        int code;
        int message;
    } cases[] = {
        {Dialog::Config2Dialog, 1, 17}, {Dialog::Config2Dialog, 2, 18},
        {Dialog::Config2Dialog, 3, 20}, {Dialog::Config2Dialog, 4, 21},
        {Dialog::Config2Dialog, 5, 19}, {Dialog::Config2Dialog, 6, -1},
        {Dialog::Route2Dialog, 1, 22},  {Dialog::Route2Dialog, 2, 23},
        {Dialog::Route2Dialog, 3, 24},  {Dialog::Route2Dialog, 4, 25},
        {Dialog::Route2Dialog, 5, 26},  {Dialog::Route2Dialog, 6, -1},
        {Dialog::Filter2Dialog, 1, 24}, {Dialog::Filter2Dialog, 2, 27},
        {Dialog::Filter2Dialog, 3, 23}, {Dialog::Filter2Dialog, 4, 28},
        {Dialog::Filter2Dialog, 5, 23}, {Dialog::Filter2Dialog, 6, 29},
        {Dialog::Filter2Dialog, 7, 26}, {Dialog::Filter2Dialog, 8, -1},
        {Dialog::Filter2Dialog, 0, -1}, {Dialog::ConfigDialog, 1, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(input_error_message(c.dialog, c.code), c.message)
            << dialog_name(c.dialog) << " code " << c.code;
}

TEST(DialogNamesTest, NamesRoundTripInTableOrder)
{
    EXPECT_STREQ(dialog_name(Dialog::MainWindow), "MainForm");
    EXPECT_STREQ(dialog_name(static_cast<Dialog>(WINDOW_COUNT)), "");
    const Dialog* order = dialogs_in_table_order();
    for (int i = 0; i < DIALOG_COUNT; ++i) {
        Dialog back = Dialog::MainWindow;
        ASSERT_TRUE(dialog_by_name(dialog_name(order[i]), &back)) << i;
        EXPECT_EQ(back, order[i]);
        EXPECT_NE(order[i], Dialog::MainWindow);
    }
    EXPECT_EQ(order[0], Dialog::ScanDialog);
    EXPECT_EQ(order[DIALOG_COUNT - 1], Dialog::Question2Dialog);
    Dialog unused;
    EXPECT_FALSE(dialog_by_name("configdialog", &unused));
    EXPECT_FALSE(dialog_by_name(nullptr, &unused));
}

TEST(BuiltinBitmapsTest, FourImagesByExactName)
{
    const struct {
        const char* name;
        int width, height;
    } cases[] = {
        {"error32x32", 32, 32},
        {"question32x32", 32, 32},
        {"hglass32x32", 32, 32},
        {"quarn", 106, 81},
    };
    for (const auto& c : cases) {
        const BuiltinBitmap* b = builtin_bitmap(c.name);
        ASSERT_NE(b, nullptr) << c.name;
        EXPECT_EQ(b->width, c.width);
        EXPECT_EQ(b->height, c.height);
    }
    EXPECT_EQ(builtin_bitmap("Error32x32"), nullptr);
    EXPECT_EQ(builtin_bitmap("error32x32 "), nullptr);
    EXPECT_EQ(builtin_bitmap(nullptr), nullptr);
    EXPECT_EQ(builtin_window_icon().width, 45);
    EXPECT_EQ(builtin_window_icon().height, 36);
}

// Pixel (x, y) of a bitmap in the X layout.
bool pixel(const BuiltinBitmap& b, int x, int y)
{
    int row = (b.width + 7) / 8;
    return (b.bits[y * row + x / 8] >> (x % 8)) & 1;
}

bool row_has_pixels(const BuiltinBitmap& b, int y)
{
    for (int x = 0; x < b.width; ++x)
        if (pixel(b, x, y))
            return true;
    return false;
}

TEST(BuiltinBitmapsTest, PicturesStandWhereTheyShould)
{
    // The exclamation mark: a bar over rows 2-22, a gap, a dot over rows 24-30.
    const BuiltinBitmap& error = *builtin_bitmap("error32x32");
    EXPECT_FALSE(row_has_pixels(error, 1));
    EXPECT_TRUE(row_has_pixels(error, 2));
    EXPECT_TRUE(row_has_pixels(error, 22));
    EXPECT_FALSE(row_has_pixels(error, 23));
    EXPECT_TRUE(row_has_pixels(error, 24));
    EXPECT_TRUE(row_has_pixels(error, 30));
    EXPECT_FALSE(row_has_pixels(error, 31));
    // Drawn in outline: the middle of the bar is clear.
    EXPECT_FALSE(pixel(error, 15, 12));

    // The hourglass: solid bars on rows 1-2 and 29-30, posts two pixels wide.
    const BuiltinBitmap& glass = *builtin_bitmap("hglass32x32");
    for (int y : {1, 2, 29, 30})
        EXPECT_TRUE(pixel(glass, 16, y)) << y;
    EXPECT_FALSE(row_has_pixels(glass, 0));
    EXPECT_TRUE(pixel(glass, 4, 15) && pixel(glass, 5, 15));
    EXPECT_TRUE(pixel(glass, 26, 15) && pixel(glass, 27, 15));

    // The question mark ends at row 21, then the same dot.
    const BuiltinBitmap& question = *builtin_bitmap("question32x32");
    EXPECT_FALSE(row_has_pixels(question, 23));
    for (int y = 24; y <= 30; ++y)
        for (int x = 0; x < 32; ++x)
            EXPECT_EQ(pixel(question, x, y), pixel(error, x, y)) << x << "," << y;
}

}  // namespace
