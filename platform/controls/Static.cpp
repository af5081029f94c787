// "Static": text, left-aligned or centred, wrapped at word boundaries to the control's width
// (SS_LEFTNOWORDWRAP keeps one line, cut at the edge).
#include <algorithm>

#include "ControlProcs.h"
#include "ControlSupport.h"

namespace cedev {
namespace {

struct StaticState {
  FontSlot font;
};

WindowStates<StaticState>& States() {
  static WindowStates<StaticState> states;
  return states;
}

void Paint(HWND hwnd) {
  Painter paint(hwnd);
  const RECT& client = paint.Client();
  DWORD kind = StyleOf(hwnd) & 0x1F;
  if (kind == SS_ICON) return;
  std::wstring text = WindowTextOf(hwnd);
  int columns = (client.right - client.left) / kCellWidth;
  std::vector<std::wstring> lines;
  if (kind == SS_LEFTNOWORDWRAP) {
    lines.push_back(text.substr(0, text.find(L'\n')));
  } else {
    lines = WrapWords(text, columns);
  }
  int y = 0;
  for (const std::wstring& line : lines) {
    if (y + kCellHeight > client.bottom && y > 0) break;
    int x = 0;
    int length = static_cast<int>(line.size());
    if (kind == SS_CENTER) x = std::max(0, (columns - length) / 2) * kCellWidth;
    if (kind == SS_RIGHT) x = std::max(0, columns - length) * kCellWidth;
    paint.Text(x, y, line);
    y += kCellHeight;
  }
}

LRESULT StaticMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, StaticState&) {
  LRESULT result = 0;
  switch (msg) {
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    case WM_SETTEXT:
      result = DefWindowProcW(hwnd, msg, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return result;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      if (StyleOf(hwnd) & SS_NOTIFY) {
        if (msg == WM_LBUTTONUP) NotifyParent(hwnd, 0);  // STN_CLICKED
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return ControlProc(States(), hwnd, msg, wParam, lParam, &StaticMessage);
}

}  // namespace

WNDPROC StaticWindowProc() { return StaticProc; }

}  // namespace cedev
