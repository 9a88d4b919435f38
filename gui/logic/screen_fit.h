// Where a dialog placed by the position table stands on a screen smaller
// than the one the table was made for: moved up and left as far as it must
// to lie wholly on the screen, its frame from the window manager included,
// and left where it is when it fits.
//
//     FrameExtents frame = {4, 4, 24, 4};  // what the window manager adds
//     ScreenPoint at = screen_fit(10, 525, 500, 450, 1024, 768, frame);
//     // at = {10, 290}: the help window's Close stays on the screen
#pragma once

// Pixels the window manager adds on each side of a window (all 0 without one).
struct FrameExtents {
    int left, right, top, bottom;
};

struct ScreenPoint {
    int x, y;
};

// The position of a window of `width` x `height` wanted at (x, y), the
// position of its frame's top-left corner, on a screen of screen_width x
// screen_height: moved left (up) until its right (bottom) edge is on the
// screen, but never beyond the screen's left (top) edge, so a window larger
// than the screen shows its top-left part. Never moved right or down.
ScreenPoint screen_fit(int x, int y, int width, int height, int screen_width, int screen_height,
                       FrameExtents frame);
