// Where windows are: showing and hiding, moving and sizing, z-order, coordinates and hit
// testing. Windows have no non-client area on this device: the client area is the window.
#include "UserState.h"

using namespace cedev::user;

namespace cedev::user {

namespace {

void LowerLocked(WindowManager& wm, Window& w) {
  if (w.parent) return;
  std::erase(wm.zorder, w.handle);
  wm.zorder.push_back(w.handle);
}

void PlaceAfterLocked(WindowManager& wm, Window& w, HWND after) {
  if (w.parent || after == w.handle) return;
  std::erase(wm.zorder, w.handle);
  auto at = std::find(wm.zorder.begin(), wm.zorder.end(), after);
  if (at != wm.zorder.end()) ++at;
  wm.zorder.insert(at, w.handle);
}

}  // namespace

void RaiseLocked(WindowManager& wm, Window& w, bool topmostBand) {
  if (w.parent) return;
  std::erase(wm.zorder, w.handle);
  auto at = wm.zorder.begin();
  if (!topmostBand) {
    while (at != wm.zorder.end()) {
      Window* other = FindLocked(wm, *at);
      if (!other || !(other->exStyle & WS_EX_TOPMOST)) break;
      ++at;
    }
  }
  wm.zorder.insert(at, w.handle);
}

void SetWindowPosLocked(WindowManager& wm, ThreadQueue& me, Window& w, HWND insertAfter, int x,
                        int y, int cx, int cy, UINT flags, Outbox& out) {
  const HWND hwnd = w.handle;
  const bool wasShown = IsVisibleLocked(wm, w);
  const RECT before = ScreenRectLocked(wm, w);
  RECT r = w.rect;
  bool moved = false;
  bool sized = false;
  if (!(flags & SWP_NOMOVE)) {
    moved = x != r.left || y != r.top;
    r.right += x - r.left;
    r.bottom += y - r.top;
    r.left = x;
    r.top = y;
  }
  if (!(flags & SWP_NOSIZE)) {
    const int width = std::max(0, cx);
    const int height = std::max(0, cy);
    sized = width != r.right - r.left || height != r.bottom - r.top;
    r.right = r.left + width;
    r.bottom = r.top + height;
  }
  w.rect = r;
  if (!(flags & SWP_NOZORDER) && !w.parent) {
    if (insertAfter == HWND_TOPMOST) {
      w.exStyle |= WS_EX_TOPMOST;
      RaiseLocked(wm, w, true);
    } else if (insertAfter == HWND_NOTOPMOST) {
      w.exStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);
      RaiseLocked(wm, w, false);
    } else if (insertAfter == HWND_TOP) {
      RaiseLocked(wm, w, (w.exStyle & WS_EX_TOPMOST) != 0);
    } else if (insertAfter == HWND_BOTTOM) {
      LowerLocked(wm, w);
    } else {
      PlaceAfterLocked(wm, w, insertAfter);
    }
  }
  if (flags & SWP_SHOWWINDOW) w.style |= WS_VISIBLE;
  if (flags & SWP_HIDEWINDOW) w.style &= ~static_cast<DWORD>(WS_VISIBLE);
  const bool shown = IsVisibleLocked(wm, w);
  if (wasShown && (moved || sized || !shown || !(flags & SWP_NOZORDER))) UncoverLocked(wm, before);
  if (shown && (moved || sized || !wasShown || !(flags & SWP_NOZORDER)))
    InvalidateTreeLocked(wm, w);
  TouchLocked(wm);
  if (wasShown && (flags & SWP_HIDEWINDOW)) {
    // A window leaving the screen is deactivated first; then a focus still inside it (the
    // activated window's procedure usually took it) goes to its parent.
    if (me.active == hwnd || wm.foreground == hwnd) ActivateOtherLocked(wm, me, hwnd, out);
    out.Then([&me, hwnd](WindowManager& m, Outbox& then) {
      if (FindLocked(m, hwnd)) MoveFocusAwayLocked(m, me, hwnd, then);
    });
  }
  if (moved) out.Send(hwnd, WM_MOVE, 0, MAKELONG(r.left, r.top));
  if (sized) out.Send(hwnd, WM_SIZE, 0, MAKELONG(r.right - r.left, r.bottom - r.top));
  if (shown && !w.parent && !(flags & SWP_NOACTIVATE)) {
    out.Then([&me, hwnd](WindowManager& m, Outbox& then) {
      ActivateLocked(m, me, hwnd, kForeground | kFocus, then);
    });
  }
}

}  // namespace cedev::user

namespace {

// Whether `hwnd` is a window of another thread, whose positioning then runs on that thread as
// a message sent to it runs, as on Windows: its focus and activation are that thread's.
template <typename Work>
bool OnItsOwnThread(HWND hwnd, Work work, BOOL& result) {
  LockedWindow w(hwnd);
  if (!w) {
    result = FALSE;
    return true;
  }
  auto me = w.me();
  if (w->queue == me) return false;
  std::shared_ptr<ThreadQueue> owner = w->queue;
  result = static_cast<BOOL>(RunOnThreadAndWaitLocked(w.wm(), *me, *owner, work, w.held().guard()));
  return true;
}

}  // namespace

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
  BOOL elsewhere = FALSE;
  if (OnItsOwnThread(
          hWnd, [=] { return static_cast<LRESULT>(ShowWindow(hWnd, nCmdShow)); }, elsewhere))
    return elsewhere;
  const bool show = nCmdShow != SW_HIDE && nCmdShow != SW_MINIMIZE;
  bool wasVisible = false;
  UINT flags = SWP_NOMOVE | SWP_NOSIZE;
  {
    LockedWindow w(hWnd);
    if (!w) return FALSE;
    wasVisible = (w->style & WS_VISIBLE) != 0;
    if (show) {
      flags |= SWP_SHOWWINDOW;
      if (nCmdShow == SW_SHOWNOACTIVATE || nCmdShow == SW_SHOWNA || w->parent)
        flags |= SWP_NOACTIVATE | SWP_NOZORDER;
    } else {
      flags |= SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER;
    }
  }
  // The window hears that it is to be shown or hidden before it is; what it does then is
  // looked at again below.
  if (show != wasVisible) SendMessageW(hWnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
  if (show != wasVisible || (show && !(flags & SWP_NOACTIVATE))) {
    Operate([&](Outbox& out) {
      LockedWindow w(hWnd, LockedWindow::Missing::quiet);
      if (w) SetWindowPosLocked(w.wm(), *w.me(), *w, HWND_TOP, 0, 0, 0, 0, flags, out);
      return 0;
    });
  }
  return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hWnd) {
  LockedWindow w(hWnd, LockedWindow::Missing::quiet);
  return (w && IsVisibleLocked(w.wm(), *w)) ? TRUE : FALSE;
}

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) {
  BOOL elsewhere = FALSE;
  if (OnItsOwnThread(
          hWnd,
          [=] {
            return static_cast<LRESULT>(SetWindowPos(hWnd, hWndInsertAfter, X, Y, cx, cy, uFlags));
          },
          elsewhere))
    return elsewhere;
  return Operate([&](Outbox& out) -> BOOL {
    LockedWindow w(hWnd);
    if (!w) return FALSE;
    SetWindowPosLocked(w.wm(), *w.me(), *w, hWndInsertAfter, X, Y, cx, cy, uFlags, out);
    return TRUE;
  });
}

BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL) {
  return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL BringWindowToTop(HWND hWnd) {
  return SetWindowPos(hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

namespace {

// The window's rectangle on the screen, or its client rectangle (the same size at 0, 0).
BOOL RectOf(HWND hwnd, LPRECT rect, bool client) {
  LockedWindow w(hwnd);
  if (!w) return FALSE;
  if (!rect) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const RECT r = ScreenRectLocked(w.wm(), *w);
  *rect = client ? RECT{0, 0, r.right - r.left, r.bottom - r.top} : r;
  return TRUE;
}

}  // namespace

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect) { return RectOf(hWnd, lpRect, false); }

BOOL GetClientRect(HWND hWnd, LPRECT lpRect) { return RectOf(hWnd, lpRect, true); }

namespace {

bool OriginOf(HWND hwnd, POINT& origin) {
  if (!hwnd) {
    origin = POINT{0, 0};
    return true;
  }
  LockedWindow w(hwnd);
  if (!w) return false;
  const RECT r = ScreenRectLocked(w.wm(), *w);
  origin = POINT{r.left, r.top};
  return true;
}

}  // namespace

BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint) {
  POINT o;
  if (!lpPoint || !OriginOf(hWnd, o)) return FALSE;
  lpPoint->x += o.x;
  lpPoint->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint) {
  POINT o;
  if (!lpPoint || !OriginOf(hWnd, o)) return FALSE;
  lpPoint->x -= o.x;
  lpPoint->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints) {
  POINT from;
  POINT to;
  if (!OriginOf(hWndFrom, from) || !OriginOf(hWndTo, to)) return 0;
  const LONG dx = from.x - to.x;
  const LONG dy = from.y - to.y;
  for (UINT i = 0; lpPoints && i < cPoints; ++i) {
    lpPoints[i].x += dx;
    lpPoints[i].y += dy;
  }
  return MAKELONG(static_cast<WORD>(static_cast<SHORT>(dx)),
                  static_cast<WORD>(static_cast<SHORT>(dy)));
}

HWND WindowFromPoint(POINT Point) {
  UserLock held;
  return HitTestLocked(held.wm(), Point, true);
}

HWND ChildWindowFromPoint(HWND hWndParent, POINT Point) {
  LockedWindow w(hWndParent, LockedWindow::Missing::quiet);
  if (!w) return nullptr;
  const LONG width = w->rect.right - w->rect.left;
  const LONG height = w->rect.bottom - w->rect.top;
  if (Point.x < 0 || Point.y < 0 || Point.x >= width || Point.y >= height) return nullptr;
  for (HWND h : w->children) {
    Window* c = FindLocked(w.wm(), h);
    if (c && Point.x >= c->rect.left && Point.x < c->rect.right && Point.y >= c->rect.top &&
        Point.y < c->rect.bottom) {
      return h;
    }
  }
  return hWndParent;
}

int GetSystemMetrics(int nIndex) {
  switch (nIndex) {
    case SM_CXSCREEN:
      return kScreenWidth;
    case SM_CYSCREEN:
      return kScreenHeight;
    default:
      return 0;
  }
}
