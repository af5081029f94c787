// "Static": text, left-aligned, centred or right-aligned, drawn as DrawText draws it: wrapped at
// word boundaries to the control's width (SS_LEFTNOWORDWRAP cuts each line at the edge instead),
// the first line on the control's first row, clipped at its bottom edge.
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
  Painter paint(hwnd, COLOR_BTNFACE, COLOR_WINDOWTEXT);
  DWORD style = StyleOf(hwnd);
  DWORD kind = style & 0x1F;
  if (kind == SS_ICON) return;
  UINT format = kind == SS_LEFTNOWORDWRAP ? DT_LEFT : DT_WORDBREAK;
  if (kind == SS_CENTER) format |= DT_CENTER;
  if (kind == SS_RIGHT) format |= DT_RIGHT;
  if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
  paint.Draw(WindowTextOf(hwnd), format);
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
