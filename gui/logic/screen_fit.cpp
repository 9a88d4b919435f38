#include "screen_fit.h"

namespace {

// One axis: a window of `outer` pixels, frame included, wanted at `at` on a
// screen `screen` long.
int fit_axis(int at, int outer, int screen)
{
    const int last = screen - outer;  // the last place where it lies wholly inside
    if (at <= last)
        return at;
    return last > 0 ? last : 0;
}

}  // namespace

ScreenPoint screen_fit(int x, int y, int width, int height, int screen_width, int screen_height,
                       FrameExtents frame)
{
    ScreenPoint at;
    at.x = fit_axis(x, frame.left + width + frame.right, screen_width);
    at.y = fit_axis(y, frame.top + height + frame.bottom, screen_height);
    // A position left of or above the screen is the table's own; keep it.
    if (x < at.x)
        at.x = x;
    if (y < at.y)
        at.y = y;
    return at;
}
