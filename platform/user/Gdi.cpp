// GDI on the device's text-cell screen: fonts and brushes as objects, and text, frames and
// fills drawn through a device context. A character is one cell, 4 px wide; a font keeps its
// pixel height (the default font is 8 px, one cell row), and a line of text advances by it.
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
      }
      s.objects.emplace(StockHandle(i), o);
    }
    return s;
  }();
  return state;
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

void PutLocked(WindowManager& wm, const DeviceContext& dc, int col, int row, wchar_t ch) {
  if (col < 0 || row < 0 || col >= kColumns || row >= kRows) return;
  const auto at = static_cast<size_t>(row * kColumns + col);
  if (!dc.mask[at]) return;
  wm.screen[at] = (ch < L' ' || ch == 0x7F) ? L' ' : ch;
}

bool CellInside(int col, int row, const RECT& screen) {
  // A cell belongs to a clip rectangle when any of its pixels does.
  return col * kCellWidth < screen.right && (col + 1) * kCellWidth > screen.left &&
         row * kCellHeight < screen.bottom && (row + 1) * kCellHeight > screen.top;
}

RECT ToScreen(const DeviceContext& dc, const RECT& r) {
  return RECT{r.left + dc.origin.x, r.top + dc.origin.y, r.right + dc.origin.x, r.bottom + dc.origin.y};
}

// Text at a client point: one character a cell, from the first column whose centre is at or
// past the point, in the row holding it. A window owns the cells whose centres it covers, so
// text that starts at a window's left edge never begins in a column the window does not own.
void TextLocked(WindowManager& wm, const DeviceContext& dc, int x, int y, std::wstring_view text,
                const RECT* clip) {
  const int col0 = FloorDiv(x + dc.origin.x + kCellWidth / 2 - 1, kCellWidth);
  const int row = FloorDiv(y + dc.origin.y, kCellHeight);
  const RECT sclip = clip ? ToScreen(dc, *clip) : RECT{};
  for (size_t i = 0; i < text.size(); ++i) {
    const int col = col0 + static_cast<int>(i);
    if (clip && !CellInside(col, row, sclip)) continue;
    PutLocked(wm, dc, col, row, text[i]);
  }
}

// Blanks the cells whose centres lie in a client rectangle.
void FillLocked(WindowManager& wm, const DeviceContext& dc, const RECT& r) {
  const RECT s = ToScreen(dc, r);
  for (int row = 0; row < kRows; ++row) {
    const int cy = row * kCellHeight + kCellHeight / 2;
    if (cy < s.top || cy >= s.bottom) continue;
    for (int col = 0; col < kColumns; ++col) {
      const int cx = col * kCellWidth + kCellWidth / 2;
      if (cx >= s.left && cx < s.right) PutLocked(wm, dc, col, row, L' ');
    }
  }
}

void FrameLocked(WindowManager& wm, const DeviceContext& dc, const RECT& r, bool fill) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  const int c0 = FloorDiv(r.left + dc.origin.x, kCellWidth);
  const int c1 = FloorDiv(r.right - 1 + dc.origin.x, kCellWidth);
  const int r0 = FloorDiv(r.top + dc.origin.y, kCellHeight);
  const int r1 = FloorDiv(r.bottom - 1 + dc.origin.y, kCellHeight);
  for (int row = r0; row <= r1; ++row) {
    for (int col = c0; col <= c1; ++col) {
      const bool edgeRow = row == r0 || row == r1;
      const bool edgeCol = col == c0 || col == c1;
      if (edgeRow && edgeCol) {
        PutLocked(wm, dc, col, row, (r0 == r1) ? L'-' : (c0 == c1 ? L'|' : L'+'));
      } else if (edgeRow) {
        PutLocked(wm, dc, col, row, L'-');
      } else if (edgeCol) {
        PutLocked(wm, dc, col, row, L'|');
      } else if (fill) {
        PutLocked(wm, dc, col, row, L' ');
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
  WindowManager& wm = Wm();
  std::lock_guard lk(wm.lock);
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
  WindowManager& wm = Wm();
  std::lock_guard lk(wm.lock);
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
  WindowManager& wm = Wm();
  std::lock_guard lk(wm.lock);
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
  WindowManager& wm = Wm();
  std::lock_guard lk(wm.lock);
  DeviceContext* dc = DcLocked(hdc);
  const GdiObject* o = ObjectLocked(hgdiobj);
  if (!dc || !o) return nullptr;
  HGDIOBJ* slot = o->kind == GdiKind::Font ? &dc->font : o->kind == GdiKind::Brush ? &dc->brush : &dc->pen;
  HGDIOBJ old = *slot;
  *slot = hgdiobj;
  return old;
}

int GetObjectW(HGDIOBJ hgdiobj, int cbBuffer, LPVOID lpvObject) {
  WindowManager& wm = Wm();
  std::lock_guard lk(wm.lock);
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
    case LOGPIXELSY: return 96;
    default: return 0;
  }
}

BOOL GetTextMetricsW(HDC hdc, LPTEXTMETRICW lptm) {
  WindowManager& wm = Wm();
  std::lock_guard lk(wm.lock);
  DeviceContext* dc = DcLocked(hdc);
  if (!dc || !lptm) return FALSE;
  const GdiObject* font = ObjectLocked(dc->font);
  const LONG h = FontPixelHeight(font);
  *lptm = TEXTMETRICW{h, h - h / 4, h / 4, 0, 0, kCellWidth, kCellWidth,
                      font && font->font.lfWeight ? font->font.lfWeight : FW_NORMAL};
  return TRUE;
}

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, LPSIZE lpSize) {
  WindowManager& wm = Wm();
  std::lock_guard lk(wm.lock);
  DeviceContext* dc = DcLocked(hdc);
  if (!dc || !lpSize || c < 0 || (c > 0 && !lpString)) return FALSE;
  lpSize->cx = c * kCellWidth;
  lpSize->cy = LineHeightLocked(*dc);
  return TRUE;
}

BOOL ExtTextOutW(HDC hdc, int X, int Y, UINT fuOptions, const RECT* lprc, LPCWSTR lpString,
                 UINT cbCount, const int*) {
  WindowManager& wm = Wm();
  std::lock_guard lk(wm.lock);
  DeviceContext* dc = DcLocked(hdc);
  if (!dc) return FALSE;
  if (lprc && (fuOptions & ETO_OPAQUE)) FillLocked(wm, *dc, *lprc);
  if (lpString && cbCount > 0) {
    TextLocked(wm, *dc, X, Y, std::wstring_view(lpString, cbCount),
               (lprc && (fuOptions & ETO_CLIPPED)) ? lprc : nullptr);
  }
  TouchLocked(wm);
  return TRUE;
}

BOOL Rectangle(HDC hdc, int nLeftRect, int nTopRect, int nRightRect, int nBottomRect) {
  WindowManager& wm = Wm();
  std::lock_guard lk(wm.lock);
  DeviceContext* dc = DcLocked(hdc);
  if (!dc) return FALSE;
  const GdiObject* brush = ObjectLocked(dc->brush);
  FrameLocked(wm, *dc, RECT{nLeftRect, nTopRect, nRightRect, nBottomRect}, !(brush && brush->hollow));
  TouchLocked(wm);
  return TRUE;
}

int FrameRect(HDC hDC, const RECT* lprc, HBRUSH) {
  WindowManager& wm = Wm();
  std::lock_guard lk(wm.lock);
  DeviceContext* dc = DcLocked(hDC);
  if (!dc || !lprc) return 0;
  FrameLocked(wm, *dc, *lprc, false);
  TouchLocked(wm);
  return 1;
}

int FillRect(HDC hDC, const RECT* lprc, HBRUSH) {
  WindowManager& wm = Wm();
  std::lock_guard lk(wm.lock);
  DeviceContext* dc = DcLocked(hDC);
  if (!dc || !lprc) return 0;
  FillLocked(wm, *dc, *lprc);
  TouchLocked(wm);
  return 1;
}

BOOL DrawFocusRect(HDC hDC, const RECT* lprc) {
  // The text screen shows focus through the controls' own looks; nothing is drawn.
  return (hDC && lprc) ? TRUE : FALSE;
}

// The three drawing-state setters: put the new value into the device context and hand back
// the old one, or `invalid` for a device context that does not exist.
template <typename Value>
Value SwapDcSetting(HDC hdc, Value DeviceContext::*field, Value value, Value invalid) {
  WindowManager& wm = Wm();
  std::lock_guard lk(wm.lock);
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

int SetBkMode(HDC hdc, int iBkMode) { return SwapDcSetting(hdc, &DeviceContext::bkMode, iBkMode, 0); }

int DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format) {
  if (!lprc || !lpchText) return 0;
  std::wstring_view raw(lpchText, cchText < 0 ? std::wcslen(lpchText) : static_cast<size_t>(cchText));
  const std::wstring text = (format & DT_NOPREFIX) ? std::wstring(raw) : StripPrefixes(raw);
  WindowManager& wm = Wm();
  std::lock_guard lk(wm.lock);
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
      std::wstring_view para = std::wstring_view(text).substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
      if (format & DT_WORDBREAK) {
        WrapInto(para, static_cast<size_t>(std::max(1, width / kCellWidth)), lines);
      } else {
        lines.emplace_back(para);
      }
      if (end == std::wstring::npos) break;
      start = end + ((text[end] == L'\r' && end + 1 < text.size() && text[end + 1] == L'\n') ? 2 : 1);
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
  int y = lprc->top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) {
      y = lprc->top + (lprc->bottom - lprc->top - lineHeight) / 2;
    } else if (format & DT_BOTTOM) {
      y = lprc->bottom - lineHeight;
    }
  }
  const RECT* clip = (format & DT_NOCLIP) ? nullptr : lprc;
  for (const auto& l : lines) {
    const int w = static_cast<int>(l.size()) * kCellWidth;
    int x = lprc->left;
    if (format & DT_CENTER) {
      x = lprc->left + (width - w) / 2;
    } else if (format & DT_RIGHT) {
      x = lprc->right - w;
    }
    TextLocked(wm, *dc, x, y, l, clip);
    y += lineHeight;
  }
  TouchLocked(wm);
  return y - lprc->top;
}
