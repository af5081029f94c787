// The device's system colours: the grey dialog face with white fields, the blue task bar with
// its white title, the highlight of a selected row, the dark face of a pressed button. The
// displays draw these colours (the terminal as near as it can, a screenshot exactly).
#include <array>

#include "GdiState.h"
#include "ScreenCell.h"

using namespace cedev::user;

namespace {

constexpr int kColourCount = 21;

COLORREF ColourOf(int index) {
  switch (index) {
    case COLOR_BACKGROUND:
      return cedev::kDesktopColour;
    case COLOR_ACTIVECAPTION:
      return RGB(16, 52, 132);
    case COLOR_WINDOW:
      return RGB(255, 255, 255);
    case COLOR_WINDOWFRAME:
      return RGB(0, 0, 0);
    case COLOR_WINDOWTEXT:
      return RGB(0, 0, 0);
    case COLOR_CAPTIONTEXT:
      return RGB(255, 255, 255);
    case COLOR_HIGHLIGHT:
      return RGB(0, 84, 166);
    case COLOR_HIGHLIGHTTEXT:
      return RGB(255, 255, 255);
    case COLOR_BTNFACE:
      return RGB(212, 208, 200);
    case COLOR_BTNSHADOW:
      return RGB(128, 128, 128);
    case COLOR_GRAYTEXT:
      return RGB(128, 128, 128);
    case COLOR_BTNTEXT:
      return RGB(0, 0, 0);
    case COLOR_INACTIVECAPTIONTEXT:
      return RGB(176, 200, 240);
    case COLOR_BTNHIGHLIGHT:
      return RGB(255, 255, 255);
    default:
      return RGB(255, 255, 255);
  }
}

int IndexOf(int nIndex) { return nIndex & ~SYS_COLOR_INDEX_FLAG; }

}  // namespace

DWORD GetSysColor(int nIndex) { return ColourOf(IndexOf(nIndex)); }

HBRUSH GetSysColorBrush(int nIndex) {
  const int index = IndexOf(nIndex);
  if (index < 0 || index >= kColourCount) return nullptr;
  UserLock held;
  // Made once a colour and never deleted, as the system's own brushes are.
  static std::array<HGDIOBJ, kColourCount> brushes{};
  HGDIOBJ& slot = brushes[static_cast<size_t>(index)];
  if (!slot) {
    GdiState& gdi = Gdi();
    slot = reinterpret_cast<HGDIOBJ>(gdi.nextObject);
    gdi.nextObject += 4;
    GdiObject o;
    o.kind = GdiKind::Brush;
    o.color = ColourOf(index);
    o.stock = true;
    gdi.objects.emplace(slot, o);
  }
  return static_cast<HBRUSH>(slot);
}
