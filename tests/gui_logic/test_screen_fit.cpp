#include "screen_fit.h"

#include <gtest/gtest.h>

namespace {

TEST(ScreenFitTest, MovedUpOrLeftAsFarAsItMustAndNoFurther)
{
    constexpr FrameExtents NONE = {0, 0, 0, 0};
    constexpr FrameExtents WM = {4, 4, 24, 4};  // a title bar and thin borders
    const struct {
        const char* what;
        int x, y, width, height, screen_width, screen_height;
        FrameExtents frame;
        ScreenPoint want;
    } cases[] = {
        {"help window on 1280x1024: fits", 10, 525, 500, 450, 1280, 1024, NONE, {10, 525}},
        {"help window on 1024x768", 10, 525, 500, 450, 1024, 768, NONE, {10, 318}},
        {"help window on 1024x768, framed", 10, 525, 500, 450, 1024, 768, WM, {10, 290}},
        {"bottom edge on the screen's last line", 10, 318, 500, 450, 1024, 768, NONE, {10, 318}},
        {"one pixel over", 10, 319, 500, 450, 1024, 768, NONE, {10, 318}},
        {"editor at the right of 800x600", 525, 35, 450, 610, 800, 600, NONE, {350, 0}},
        {"framed right edge", 525, 35, 490, 420, 1024, 768, WM, {525, 35}},
        {"framed, one pixel too wide", 527, 35, 490, 420, 1024, 768, WM, {526, 35}},
        {"larger than the screen", 625, 180, 900, 700, 640, 480, WM, {0, 0}},
        {"left of the screen is kept", -20, -5, 100, 100, 1024, 768, NONE, {-20, -5}},
        {"line monitor on 1024x768", 525, 35, 490, 680, 1024, 768, WM, {525, 35}},
        {"line monitor on 1024x700, framed", 525, 35, 490, 680, 1024, 700, WM, {525, 0}},
    };
    for (const auto& c : cases) {
        const ScreenPoint at =
            screen_fit(c.x, c.y, c.width, c.height, c.screen_width, c.screen_height, c.frame);
        EXPECT_EQ(at.x, c.want.x) << c.what;
        EXPECT_EQ(at.y, c.want.y) << c.what;
    }
}

}  // namespace
