// One cell of the device's screen picture (a 4 x 8 pixel cell of the 240 x 320 screen): the
// character drawn in it, the colours it was drawn in, and what the device shows over it that is
// not a character: the focus rectangle, the caret, and a window's border along its edges.
#pragma once

#include <cstdint>

#include "windef.h"
#include "wingdi.h"

namespace cedev {

enum CellMark : std::uint8_t {
  kMarkFocus = 1 << 0,      // inside a focus rectangle
  kMarkCaret = 1 << 1,      // the caret stands in this cell
  kMarkBorderTop = 1 << 2,  // a window's border runs along this edge of the cell
  kMarkBorderBottom = 1 << 3,
  kMarkBorderLeft = 1 << 4,
  kMarkBorderRight = 1 << 5,
};
constexpr std::uint8_t kMarkBorders =
    kMarkBorderTop | kMarkBorderBottom | kMarkBorderLeft | kMarkBorderRight;

// The screen where no window is: the desktop's colour, nothing drawn.
constexpr COLORREF kDesktopColour = RGB(0, 0, 0);

struct ScreenCell {
  wchar_t ch = 0;  // 0: nothing drawn since the cell was last filled; shows as a blank
  COLORREF text = RGB(255, 255, 255);
  COLORREF back = kDesktopColour;
  std::uint8_t marks = 0;
  bool operator==(const ScreenCell&) const = default;
};

}  // namespace cedev
