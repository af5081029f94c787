// The device's own 4 x 8 pixel font, one glyph a screen cell, for pictures of the screen.
#pragma once

namespace cedev {

constexpr int kGlyphWidth = 4;
constexpr int kGlyphHeight = 8;

// Whether pixel (x, y) of the glyph of `ch` is lit (x 0..3 from the left, y 0..7 from the top).
// A character outside printable ASCII is drawn as a hollow box.
bool GlyphPixel(wchar_t ch, int x, int y);

}  // namespace cedev
