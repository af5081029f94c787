// GDI on the device's text-cell screen: fonts and brushes as objects, and text, frames and
// fills drawn through a device context into the cells its window has (CellGrid.h). A character
// is one cell, 4 px wide, in the context's text colour (on its background colour unless the mode
// is transparent); a fill takes its brush's colour; a focus rectangle is a mark on the cells. A
// font keeps its pixel height (the default font is 8 px, one cell row), and a line of text
// advances by it.
#include <algorithm>
#include <cstring>
#include <cwchar>

#include "GdiState.h"
#include "UserState.h"

using namespace cedev::user;

namespace cedev::user {

namespace {

constexpr int kStockCount = 18;

HGDIOBJ StockHandle(int index) {
  return reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(0x100 + index * 4));
}

}  // namespace

GdiState& Gdi() {
  static GdiState& state = []() -> GdiState& {
    // Lives as long as the process, like the window manager whose lock guards it.
    GdiState& s = *std::make_unique<GdiState>().release();
    for (int i = 0; i < kStockCount; ++i) {
      GdiObject o;
      o.stock = true;
      if (i == SYSTEM_FONT || i == DEFAULT_GUI_FONT) {
        o.kind = GdiKind::Font;
        o.font.lfHeight = -8;
        o.font.lfWeight = FW_NORMAL;
        std::wcscpy(o.font.lfFaceName, L"Tahoma");
      } else if (i == WHITE_PEN || i == BLACK_PEN) {
        o.kind = GdiKind::Pen;
      } else {
        o.kind = GdiKind::Brush;
        o.hollow = i == NULL_BRUSH;
        o.color = RGB(255, 255, 255);
        if (i == LTGRAY_BRUSH) o.color = RGB(192, 192, 192);
        if (i == GRAY_BRUSH) o.color = RGB(128, 128, 128);
        if (i == BLACK_BRUSH) o.color = RGB(0, 0, 0);
      }
      s.objects.emplace(StockHandle(i), o);
    }
    return s;
  }();
  return state;
}

COLORREF BrushColourLocked(HGDIOBJ brush) {
  auto& objects = Gdi().objects;
  auto it = objects.find(brush);
  if (it == objects.end() || it->second.kind != GdiKind::Brush) return GetSysColor(COLOR_WINDOW);
  return it->second.color;
}

void DrawBorderLocked(WindowManager& wm, const DeviceContext& dc) {
  if (!dc.bordered) return;
  const CellPlace& p = dc.place;
  for (int row = std::max(0, p.row); row <= std::min(kRows - 1, p.lastRow); ++row) {
    for (int col = std::max(0, p.column); col <= std::min(kColumns - 1, p.lastColumn); ++col) {
      const auto at = static_cast<size_t>(row * kColumns + col);
      if (!dc.mask[at]) continue;
      std::uint8_t marks = 0;
      if (row == p.row) marks |= cedev::kMarkBorderTop;
      if (row == p.lastRow) marks |= cedev::kMarkBorderBottom;
      if (col == p.column) marks |= cedev::kMarkBorderLeft;
      if (col == p.lastColumn) marks |= cedev::kMarkBorderRight;
      wm.screen[at].marks |= marks;
    }
  }
}

int FontPixelHeight(const GdiObject* font) {
  if (!font || font->font.lfHeight == 0) return kCellHeight;
  return std::abs(static_cast<int>(font->font.lfHeight));
}

namespace {

DeviceContext* DcLocked(HDC hdc) {
  auto& dcs = Gdi().dcs;
  auto it = dcs.find(hdc);
  return it == dcs.end() ? nullptr : it->second.get();
}

const GdiObject* ObjectLocked(HGDIOBJ h) {
  auto& objects = Gdi().objects;
  auto it = objects.find(h);
  return it == objects.end() ? nullptr : &it->second;
}

int LineHeightLocked(const DeviceContext& dc) { return FontPixelHeight(ObjectLocked(dc.font)); }

// The screen cell at (column, row) when `dc` may draw into it.
cedev::ScreenCell* CellLocked(WindowManager& wm, const DeviceContext& dc, int col, int row) {
  if (col < 0 || row < 0 || col >= kColumns || row >= kRows) return nullptr;
  const auto at = static_cast<size_t>(row * kColumns + col);
  return dc.mask[at] ? &wm.screen[at] : nullptr;
}

bool InCells(int col, int row, const RECT& cells) {
  return col >= cells.left && col < cells.right && row >= cells.top && row < cells.bottom;
}

// One character a cell from the cell (col, row) rightwards, inside `clip` (cells) when given,
// in the text colour, on the background colour unless the background mode is transparent.
void TextAtLocked(WindowManager& wm, const DeviceContext& dc, int col, int row,
                  std::wstring_view text, const RECT* clip) {
  for (size_t i = 0; i < text.size(); ++i) {
    const int c = col + static_cast<int>(i);
    if (clip && !InCells(c, row, *clip)) continue;
    cedev::ScreenCell* cell = CellLocked(wm, dc, c, row);
    if (!cell) continue;
    const wchar_t ch = text[i];
    cell->ch = (ch < L' ' || ch == 0x7F) ? L' ' : ch;
    cell->text = dc.textColor;
    if (dc.bkMode != TRANSPARENT) cell->back = dc.bkColor;
  }
}

// Text at a client point: the cell holding the point on the window's grid.
void TextLocked(WindowManager& wm, const DeviceContext& dc, int x, int y, std::wstring_view text,
                const RECT* clip) {
  const RECT cells = clip ? CellsOfClient(dc.place, *clip) : RECT{};
  TextAtLocked(wm, dc, dc.place.column + FloorDiv(x, kCellWidth),
               dc.place.row + FloorDiv(y, kCellHeight), text, clip ? &cells : nullptr);
}

// Fills the cells a client rectangle covers: blank, in `colour`, the focus rectangle gone.
void FillLocked(WindowManager& wm, const DeviceContext& dc, const RECT& r, COLORREF colour) {
  const RECT cells = CellsOfClient(dc.place, r);
  for (int row = cells.top; row < cells.bottom; ++row) {
    for (int col = cells.left; col < cells.right; ++col) {
      if (cedev::ScreenCell* cell = CellLocked(wm, dc, col, row)) {
        cell->ch = 0;
        cell->back = colour;
        cell->marks = 0;
      }
    }
  }
}

// A frame of characters around the cells a client rectangle covers, in the text colour.
void FrameLocked(WindowManager& wm, const DeviceContext& dc, const RECT& r, bool fill,
                 COLORREF fillColour) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  const RECT cells = CellsOfClient(dc.place, r);
  const int c0 = cells.left;
  const int c1 = cells.right - 1;
  const int r0 = cells.top;
  const int r1 = cells.bottom - 1;
  for (int row = r0; row <= r1; ++row) {
    for (int col = c0; col <= c1; ++col) {
      const bool edgeRow = row == r0 || row == r1;
      const bool edgeCol = col == c0 || col == c1;
      wchar_t ch = 0;
      if (edgeRow && edgeCol) {
        ch = (r0 == r1) ? L'-' : (c0 == c1 ? L'|' : L'+');
      } else if (edgeRow) {
        ch = L'-';
      } else if (edgeCol) {
        ch = L'|';
      } else if (!fill) {
        continue;
      }
      cedev::ScreenCell* cell = CellLocked(wm, dc, col, row);
      if (!cell) continue;
      if (ch == 0) {
        cell->ch = 0;
        cell->back = fillColour;
        cell->marks = 0;
      } else {
        cell->ch = ch;
        cell->text = dc.textColor;
      }
    }
  }
}

std::wstring StripPrefixes(std::wstring_view text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && i + 1 < text.size()) {
      ++i;
    } else if (text[i] == L'&') {
      continue;
    }
    out += text[i];
  }
  return out;
}

// Breaks a paragraph at blanks so each line fits `width` cells; a word longer than a line
// stands alone (and is clipped), as on the device.
void WrapInto(std::wstring_view para, size_t width, std::vector<std::wstring>& lines) {
  std::wstring line;
  size_t i = 0;
  if (para.empty()) {
    lines.emplace_back();
    return;
  }
  while (i < para.size()) {
    size_t wordEnd = i;
    while (wordEnd < para.size() && para[wordEnd] != L' ') ++wordEnd;
    std::wstring_view word = para.substr(i, wordEnd - i);
    if (line.empty()) {
      line = word;
    } else if (line.size() + 1 + word.size() <= width) {
      line += L' ';
      line += word;
    } else {
      lines.push_back(line);
      line = word;
    }
    i = wordEnd;
    while (i < para.size() && para[i] == L' ') ++i;
  }
  lines.push_back(line);
}

}  // namespace

}  // namespace cedev::user

HFONT CreateFontIndirectW(const LOGFONTW* lplf) {
  if (!lplf) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  UserLock held;
  GdiState& gdi = Gdi();
  auto handle = reinterpret_cast<HGDIOBJ>(gdi.nextObject);
  gdi.nextObject += 4;
  GdiObject o;
  o.kind = GdiKind::Font;
  o.font = *lplf;
  gdi.objects.emplace(handle, o);
  return static_cast<HFONT>(handle);
}

HBRUSH CreateSolidBrush(COLORREF crColor) {
  UserLock held;
  GdiState& gdi = Gdi();
  auto handle = reinterpret_cast<HGDIOBJ>(gdi.nextObject);
  gdi.nextObject += 4;
  GdiObject o;
  o.kind = GdiKind::Brush;
  o.color = crColor;
  gdi.objects.emplace(handle, o);
  return static_cast<HBRUSH>(handle);
}

BOOL DeleteObject(HGDIOBJ hObject) {
  UserLock held;
  auto& objects = Gdi().objects;
  auto it = objects.find(hObject);
  if (it == objects.end()) return FALSE;
  if (!it->second.stock) objects.erase(it);
  return TRUE;
}

HGDIOBJ GetStockObject(int fnObject) {
  if (fnObject < 0 || fnObject >= kStockCount || fnObject == 3) return nullptr;
  return StockHandle(fnObject);
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ hgdiobj) {
  UserLock held;
  DeviceContext* dc = DcLocked(hdc);
  const GdiObject* o = ObjectLocked(hgdiobj);
  if (!dc || !o) return nullptr;
  HGDIOBJ* slot = o->kind == GdiKind::Font    ? &dc->font
                  : o->kind == GdiKind::Brush ? &dc->brush
                                              : &dc->pen;
  HGDIOBJ old = *slot;
  *slot = hgdiobj;
  return old;
}

int GetObjectW(HGDIOBJ hgdiobj, int cbBuffer, LPVOID lpvObject) {
  UserLock held;
  const GdiObject* o = ObjectLocked(hgdiobj);
  if (!o) return 0;
  if (o->kind != GdiKind::Font) return 0;
  if (!lpvObject) return static_cast<int>(sizeof(LOGFONTW));
  const int n = std::min(cbBuffer, static_cast<int>(sizeof(LOGFONTW)));
  if (n <= 0) return 0;
  std::memcpy(lpvObject, &o->font, static_cast<size_t>(n));
  return n;
}

int GetDeviceCaps(HDC, int nIndex) {
  switch (nIndex) {
    case LOGPIXELSX:
    case LOGPIXELSY:
      return 96;
    default:
      return 0;
  }
}

BOOL GetTextMetricsW(HDC hdc, LPTEXTMETRICW lptm) {
  UserLock held;
  DeviceContext* dc = DcLocked(hdc);
  if (!dc || !lptm) return FALSE;
  const GdiObject* font = ObjectLocked(dc->font);
  const LONG h = FontPixelHeight(font);
  *lptm = TEXTMETRICW{
      h, h - h / 4,  h / 4,      0,
      0, kCellWidth, kCellWidth, font && font->font.lfWeight ? font->font.lfWeight : FW_NORMAL};
  return TRUE;
}

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, LPSIZE lpSize) {
  UserLock held;
  DeviceContext* dc = DcLocked(hdc);
  if (!dc || !lpSize || c < 0 || (c > 0 && !lpString)) return FALSE;
  lpSize->cx = c * kCellWidth;
  lpSize->cy = LineHeightLocked(*dc);
  return TRUE;
}

BOOL ExtTextOutW(HDC hdc, int X, int Y, UINT fuOptions, const RECT* lprc, LPCWSTR lpString,
                 UINT cbCount, const int*) {
  UserLock held;
  WindowManager& wm = held.wm();
  DeviceContext* dc = DcLocked(hdc);
  if (!dc) return FALSE;
  if (lprc && (fuOptions & ETO_OPAQUE)) FillLocked(wm, *dc, *lprc, dc->bkColor);
  if (lpString && cbCount > 0) {
    TextLocked(wm, *dc, X, Y, std::wstring_view(lpString, cbCount),
               (lprc && (fuOptions & ETO_CLIPPED)) ? lprc : nullptr);
  }
  TouchLocked(wm);
  return TRUE;
}

BOOL Rectangle(HDC hdc, int nLeftRect, int nTopRect, int nRightRect, int nBottomRect) {
  UserLock held;
  WindowManager& wm = held.wm();
  DeviceContext* dc = DcLocked(hdc);
  if (!dc) return FALSE;
  const GdiObject* brush = ObjectLocked(dc->brush);
  FrameLocked(wm, *dc, RECT{nLeftRect, nTopRect, nRightRect, nBottomRect},
              !(brush && brush->hollow), BrushColourLocked(dc->brush));
  TouchLocked(wm);
  return TRUE;
}

int FrameRect(HDC hDC, const RECT* lprc, HBRUSH) {
  UserLock held;
  WindowManager& wm = held.wm();
  DeviceContext* dc = DcLocked(hDC);
  if (!dc || !lprc) return 0;
  FrameLocked(wm, *dc, *lprc, false, 0);
  TouchLocked(wm);
  return 1;
}

int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
  UserLock held;
  WindowManager& wm = held.wm();
  DeviceContext* dc = DcLocked(hDC);
  if (!dc || !lprc) return 0;
  const GdiObject* brush = ObjectLocked(hbr);
  if (brush && brush->hollow) return 1;
  FillLocked(wm, *dc, *lprc, BrushColourLocked(hbr));
  TouchLocked(wm);
  return 1;
}

BOOL DrawFocusRect(HDC hDC, const RECT* lprc) {
  // Drawn by inverting, as on the device: the same rectangle drawn twice is gone again.
  UserLock held;
  WindowManager& wm = held.wm();
  DeviceContext* dc = DcLocked(hDC);
  if (!dc || !lprc) return FALSE;
  const RECT cells = CellsOfClient(dc->place, *lprc);
  for (int row = cells.top; row < cells.bottom; ++row) {
    for (int col = cells.left; col < cells.right; ++col) {
      if (cedev::ScreenCell* cell = CellLocked(wm, *dc, col, row)) cell->marks ^= cedev::kMarkFocus;
    }
  }
  TouchLocked(wm);
  return TRUE;
}

// The three drawing-state setters: put the new value into the device context and hand back
// the old one, or `invalid` for a device context that does not exist.
template <typename Value>
Value SwapDcSetting(HDC hdc, Value DeviceContext::*field, Value value, Value invalid) {
  UserLock held;
  DeviceContext* dc = DcLocked(hdc);
  if (!dc) return invalid;
  std::swap(dc->*field, value);
  return value;
}

COLORREF SetTextColor(HDC hdc, COLORREF crColor) {
  return SwapDcSetting(hdc, &DeviceContext::textColor, crColor, COLORREF{0xFFFFFFFF});
}

COLORREF SetBkColor(HDC hdc, COLORREF crColor) {
  return SwapDcSetting(hdc, &DeviceContext::bkColor, crColor, COLORREF{0xFFFFFFFF});
}

int SetBkMode(HDC hdc, int iBkMode) {
  return SwapDcSetting(hdc, &DeviceContext::bkMode, iBkMode, 0);
}

int DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format) {
  if (!lprc || !lpchText) return 0;
  std::wstring_view raw(lpchText,
                        cchText < 0 ? std::wcslen(lpchText) : static_cast<size_t>(cchText));
  const std::wstring text = (format & DT_NOPREFIX) ? std::wstring(raw) : StripPrefixes(raw);
  UserLock held;
  WindowManager& wm = held.wm();
  DeviceContext* dc = DcLocked(hdc);
  if (!dc) return 0;
  const int lineHeight = LineHeightLocked(*dc);
  const int width = lprc->right - lprc->left;
  std::vector<std::wstring> lines;
  if (format & DT_SINGLELINE) {
    std::wstring one = text;
    for (wchar_t& c : one) {
      if (c == L'\r' || c == L'\n') c = L' ';
    }
    lines.push_back(one);
  } else {
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find_first_of(L"\r\n", start);
      std::wstring_view para = std::wstring_view(text).substr(
          start, end == std::wstring::npos ? std::wstring::npos : end - start);
      if (format & DT_WORDBREAK) {
        WrapInto(para, static_cast<size_t>(std::max(1, width / kCellWidth)), lines);
      } else {
        lines.emplace_back(para);
      }
      if (end == std::wstring::npos) break;
      start =
          end + ((text[end] == L'\r' && end + 1 < text.size() && text[end + 1] == L'\n') ? 2 : 1);
    }
  }
  const int total = static_cast<int>(lines.size()) * lineHeight;
  if (format & DT_CALCRECT) {
    size_t widest = 0;
    for (const auto& l : lines) widest = std::max(widest, l.size());
    lprc->right = lprc->left + static_cast<LONG>(widest) * kCellWidth;
    lprc->bottom = lprc->top + total;
    return total;
  }
  // Lines are placed on the cells the rectangle covers: the first on its top row, a centred
  // one in the middle of its rows and columns, so a window that starts inside a cell loses no
  // line, and text is clipped at the rectangle's cells alone.
  const RECT cells = CellsOfClient(dc->place, *lprc);
  const int lineRows = std::max(1, (lineHeight + kCellHeight - 1) / kCellHeight);
  int y = lprc->top;
  int row = cells.top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) {
      y = lprc->top + (lprc->bottom - lprc->top - lineHeight) / 2;
      row = cells.top + FloorDiv(cells.bottom - cells.top - lineRows, 2);
    } else if (format & DT_BOTTOM) {
      y = lprc->bottom - lineHeight;
      row = cells.bottom - lineRows;
    }
  }
  const RECT* clip = (format & DT_NOCLIP) ? nullptr : &cells;
  int advanced = 0;
  for (const auto& l : lines) {
    const int length = static_cast<int>(l.size());
    int col = cells.left;
    if (format & DT_CENTER) {
      col = cells.left + FloorDiv(cells.right - cells.left - length, 2);
    } else if (format & DT_RIGHT) {
      col = cells.right - length;
    }
    TextAtLocked(wm, *dc, col, row + FloorDiv(advanced, kCellHeight), l, clip);
    advanced += lineHeight;
  }
  TouchLocked(wm);
  return y - lprc->top + advanced;
}
