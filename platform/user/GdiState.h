// The GDI part's own state: device contexts and GDI objects (fonts, brushes, pens). Guarded by
// the window manager's lock, since drawing writes the screen picture that it keeps.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "windows.h"

namespace cedev::user {

struct DeviceContext {
  HWND hwnd = nullptr;
  POINT origin{};            // screen point of the client area's (0,0)
  std::vector<bool> mask;    // the cells this context may draw into
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
// The pixel height of a font object: the absolute LOGFONT height, 8 when it is 0.
int FontPixelHeight(const GdiObject* font);

}  // namespace cedev::user
