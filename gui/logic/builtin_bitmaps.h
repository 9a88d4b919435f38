// The one-bit images compiled into the graphical program, in the X bitmap
// layout: rows top to bottom, each padded to whole bytes, the least
// significant bit of a byte the leftmost pixel. A set bit is drawn in the
// foreground colour.
#pragma once

struct BuiltinBitmap {
    const char* name;  // looked up exactly, case included
    int width;         // pixels
    int height;
    const unsigned char* bits;  // ((width + 7) / 8) * height bytes
};

// "error32x32", "question32x32", "hglass32x32" (32 x 32) or "quarn" (the
// product logo, 106 x 81); null for any other name.
const BuiltinBitmap* builtin_bitmap(const char* name);

// The main window's icon, 45 x 36, drawn white on black.
const BuiltinBitmap& builtin_window_icon();
