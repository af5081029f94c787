// Where windows are: showing and hiding, moving and sizing, z-order, coordinates and hit
// testing. Windows have no non-client area on this device: the client area is the window.
#include "UserState.h"

using namespace cedev::user;

namespace cedev::user {

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

}  // namespace cedev::user

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

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
  WindowManager& wm = Wm();
  bool wasVisible = false;
  bool topLevel = false;
  {
    std::unique_lock lk(wm.lock);
    Window* w = FindLocked(wm, hWnd);
    if (!w) {
      lk.unlock();
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    wasVisible = (w->style & WS_VISIBLE) != 0;
    topLevel = !w->parent;
  }
  const bool show = nCmdShow != SW_HIDE && nCmdShow != SW_MINIMIZE;
  if (show != wasVisible) SendMessageW(hWnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
  UINT flags = SWP_NOMOVE | SWP_NOSIZE;
  if (show) {
    flags |= SWP_SHOWWINDOW;
    if (nCmdShow == SW_SHOWNOACTIVATE || nCmdShow == SW_SHOWNA || !topLevel) {
      flags |= SWP_NOACTIVATE | SWP_NOZORDER;
    }
  } else {
    flags |= SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER;
  }
  if (show != wasVisible || (show && !(flags & SWP_NOACTIVATE))) {
    SetWindowPos(hWnd, HWND_TOP, 0, 0, 0, 0, flags);
  }
  return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hWnd) {
  WindowManager& wm = Wm();
  std::lock_guard lk(wm.lock);
  Window* w = FindLocked(wm, hWnd);
  return (w && IsVisibleLocked(wm, *w)) ? TRUE : FALSE;
}

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) {
  WindowManager& wm = Wm();
  bool moved = false;
  bool sized = false;
  bool hidden = false;
  bool activate = false;
  RECT client{};
  POINT origin{};
  {
    std::unique_lock lk(wm.lock);
    Window* w = FindLocked(wm, hWnd);
    if (!w) {
      lk.unlock();
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    const bool wasShown = IsVisibleLocked(wm, *w);
    const RECT before = ScreenRectLocked(wm, *w);
    RECT r = w->rect;
    if (!(uFlags & SWP_NOMOVE)) {
      moved = X != r.left || Y != r.top;
      r.right += X - r.left;
      r.bottom += Y - r.top;
      r.left = X;
      r.top = Y;
    }
    if (!(uFlags & SWP_NOSIZE)) {
      const int width = std::max(0, cx);
      const int height = std::max(0, cy);
      sized = width != r.right - r.left || height != r.bottom - r.top;
      r.right = r.left + width;
      r.bottom = r.top + height;
    }
    w->rect = r;
    if (!(uFlags & SWP_NOZORDER) && !w->parent) {
      if (hWndInsertAfter == HWND_TOPMOST) {
        w->exStyle |= WS_EX_TOPMOST;
        RaiseLocked(wm, *w, true);
      } else if (hWndInsertAfter == HWND_NOTOPMOST) {
        w->exStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);
        RaiseLocked(wm, *w, false);
      } else if (hWndInsertAfter == HWND_TOP) {
        RaiseLocked(wm, *w, (w->exStyle & WS_EX_TOPMOST) != 0);
      } else if (hWndInsertAfter == HWND_BOTTOM) {
        LowerLocked(wm, *w);
      } else {
        PlaceAfterLocked(wm, *w, hWndInsertAfter);
      }
    }
    if (uFlags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
    if (uFlags & SWP_HIDEWINDOW) {
      w->style &= ~static_cast<DWORD>(WS_VISIBLE);
      hidden = wasShown;
    }
    const bool shown = IsVisibleLocked(wm, *w);
    if (wasShown && (moved || sized || !shown || !(uFlags & SWP_NOZORDER)))
      UncoverLocked(wm, before);
    if (shown && (moved || sized || !wasShown || !(uFlags & SWP_NOZORDER))) {
      InvalidateTreeLocked(wm, *w);
    }
    activate = shown && !w->parent && !(uFlags & SWP_NOACTIVATE);
    client = RECT{0, 0, r.right - r.left, r.bottom - r.top};
    origin = POINT{r.left, r.top};
    TouchLocked(wm);
  }
  if (hidden) {
    MoveFocusAwayFrom(hWnd);
    bool wasActive = false;
    {
      std::lock_guard lk(wm.lock);
      wasActive = CurrentQueueLocked(wm)->active == hWnd || wm.foreground == hWnd;
    }
    if (wasActive) ActivateOtherThan(hWnd);
  }
  if (moved) SendMessageW(hWnd, WM_MOVE, 0, MAKELONG(origin.x, origin.y));
  if (sized) SendMessageW(hWnd, WM_SIZE, 0, MAKELONG(client.right, client.bottom));
  if (activate) {
    bool mine = false;
    {
      std::lock_guard lk(wm.lock);
      Window* w = FindLocked(wm, hWnd);
      mine = w && w->queue == CurrentQueueLocked(wm);
    }
    if (mine) ActivateOnThisThread(hWnd, true);
  }
  return TRUE;
}

BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL) {
  return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL BringWindowToTop(HWND hWnd) {
  return SetWindowPos(hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect) {
  WindowManager& wm = Wm();
  std::unique_lock lk(wm.lock);
  Window* w = FindLocked(wm, hWnd);
  if (!w || !lpRect) {
    lk.unlock();
    SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  *lpRect = ScreenRectLocked(wm, *w);
  return TRUE;
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect) {
  WindowManager& wm = Wm();
  std::unique_lock lk(wm.lock);
  Window* w = FindLocked(wm, hWnd);
  if (!w || !lpRect) {
    lk.unlock();
    SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  *lpRect = RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
  return TRUE;
}

namespace {

bool OriginOf(HWND hwnd, POINT& origin) {
  if (!hwnd) {
    origin = POINT{0, 0};
    return true;
  }
  WindowManager& wm = Wm();
  std::unique_lock lk(wm.lock);
  Window* w = FindLocked(wm, hwnd);
  if (!w) {
    lk.unlock();
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  const RECT r = ScreenRectLocked(wm, *w);
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
  WindowManager& wm = Wm();
  std::lock_guard lk(wm.lock);
  return HitTestLocked(wm, Point, true);
}

HWND ChildWindowFromPoint(HWND hWndParent, POINT Point) {
  WindowManager& wm = Wm();
  std::lock_guard lk(wm.lock);
  Window* w = FindLocked(wm, hWndParent);
  if (!w) return nullptr;
  const LONG width = w->rect.right - w->rect.left;
  const LONG height = w->rect.bottom - w->rect.top;
  if (Point.x < 0 || Point.y < 0 || Point.x >= width || Point.y >= height) return nullptr;
  for (HWND h : w->children) {
    Window* c = FindLocked(wm, h);
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
