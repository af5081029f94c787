// A picture of the device's screen: 240 x 320 pixels, each cell of the screen drawn from the
// device's 4 x 8 font in its colours, with the borders, the focus rectangle and the caret as the
// device draws them; written as a PNG through libpng.
#pragma once

#include <string>
#include <vector>

#include "DeviceScreen.h"

namespace cedev {

constexpr int kPictureWidth = 240;
constexpr int kPictureHeight = 320;

// The pixels of a screen (kScreenColumns x kScreenRows cells, row after row) as RGB, three bytes a
// pixel, row after row. Borders are one-pixel lines in the window-frame colour along the edges of
// their cells; the focus rectangle is dotted and the caret a line down the left of its cell,
// both drawn by inverting what is under them, as the device draws them.
std::vector<unsigned char> RenderScreen(const std::vector<ScreenCell>& cells);

// Writes the screen (once no window has a paint pending, waiting at most 2 s) to `path` as a PNG:
// whole or not at all, through a temporary file beside it. False, with the reason in `why`, when
// it cannot (a path that is there but not a plain file is refused: nothing blocks on a FIFO).
bool WriteScreenshot(const std::string& path, std::string& why);

}  // namespace cedev
