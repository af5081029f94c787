// The GDI part's own state: device contexts and GDI objects (fonts, brushes, pens). Guarded by
// the window manager's lock, since drawing writes the screen picture that it keeps.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "CellGrid.h"
#include "windows.h"

namespace cedev::user {

struct DeviceContext {
  HWND hwnd = nullptr;
  CellPlace place;         // where the client area lies on the cell grid
  bool bordered = false;   // the window has WS_BORDER: its edges are drawn when it is done
  std::vector<bool> mask;  // the cells this context may draw into
  HGDIOBJ font = nullptr;
  HGDIOBJ brush = nullptr;
  HGDIOBJ pen = nullptr;
  COLORREF textColor = 0;
  COLORREF bkColor = RGB(255, 255, 255);
  int bkMode = OPAQUE;
};

enum class GdiKind { Font, Brush, Pen };

struct GdiObject {
  GdiKind kind = GdiKind::Font;
  LOGFONTW font{};
  COLORREF color = 0;
  bool stock = false;
  bool hollow = false;  // the null brush: nothing is filled
};

struct GdiState {
  std::unordered_map<HDC, std::unique_ptr<DeviceContext>> dcs;
  std::unordered_map<HGDIOBJ, GdiObject> objects;
  std::uintptr_t nextDc = 0x40000;
  std::uintptr_t nextObject = 0x80000;
};

// Only with the window manager's lock held.
GdiState& Gdi();
// The colour of a brush; a null or unknown brush fills in the window colour.
COLORREF BrushColourLocked(HGDIOBJ brush);
// The border of a window with WS_BORDER along the edges of its cells that `dc` may draw into;
// done as the context is released, after the client area has painted over the cells.
void DrawBorderLocked(WindowManager& wm, const DeviceContext& dc);
// The pixel height of a font object: the absolute LOGFONT height, 8 when it is 0.
int FontPixelHeight(const GdiObject* font);

}  // namespace cedev::user
