// Focus, activation, the foreground window, capture and enabling. Focus and the active window
// belong to a thread; the foreground window is the device's. When a thread's window becomes the
// foreground from another thread, the activation runs on the window's own thread at its next
// message wait, as on the device.
#include "UserState.h"

using namespace cedev::user;

namespace cedev::user {

void ActivateOnThisThread(HWND hwnd, bool setForeground) {
  WindowManager& wm = Wm();
  HWND old = nullptr;
  bool foregroundChanged = false;
  {
    std::lock_guard lk(wm.lock);
    auto me = CurrentQueueLocked(wm);
    Window* w = hwnd ? FindLocked(wm, hwnd) : nullptr;
    if (hwnd && (!w || w->queue != me)) return;
    old = me->active;
    if (old == hwnd && (!setForeground || wm.foreground == hwnd)) return;
    me->active = hwnd;
    if (w && !w->parent) {
      RaiseLocked(wm, *w, (w->exStyle & WS_EX_TOPMOST) != 0);
      if (IsVisibleLocked(wm, *w)) InvalidateTreeLocked(wm, *w);
    }
    if (setForeground && wm.foreground != hwnd && (hwnd || wm.foreground == old)) {
      wm.foreground = hwnd;
      foregroundChanged = true;
    }
    TouchLocked(wm);
  }
  if (old != hwnd) {
    if (old && IsWindow(old))
      SendMessageW(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
    if (hwnd && IsWindow(hwnd))
      SendMessageW(hwnd, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
  }
  if (foregroundChanged) FireForegroundHook(hwnd);
}

void MoveFocusAwayFrom(HWND hidden) {
  WindowManager& wm = Wm();
  HWND to = nullptr;
  {
    std::lock_guard lk(wm.lock);
    auto me = CurrentQueueLocked(wm);
    if (!me->focus || !IsInSubtreeLocked(wm, hidden, me->focus)) return;
    Window* w = FindLocked(wm, hidden);
    to = w ? w->parent : nullptr;
  }
  SetFocus(to);
}

void ActivateOtherThan(HWND leaving) {
  WindowManager& wm = Wm();
  HWND next = nullptr;
  bool sameThread = false;
  {
    std::lock_guard lk(wm.lock);
    Window* w = FindLocked(wm, leaving);
    auto usable = [&](HWND h) {
      Window* c = FindLocked(wm, h);
      return c && h != leaving && !c->destroying && !c->parent && (c->style & WS_VISIBLE) &&
             !(c->style & WS_DISABLED) && c->queue->alive;
    };
    if (w && w->owner && usable(w->owner)) next = w->owner;
    for (HWND h : wm.zorder) {
      if (next) break;
      if (usable(h) && !(FindLocked(wm, h)->exStyle & WS_EX_TOPMOST)) next = h;
    }
    if (next) sameThread = FindLocked(wm, next)->queue == CurrentQueueLocked(wm);
  }
  if (sameThread) {
    ActivateOnThisThread(next, true);
    return;
  }
  // The next window is another thread's (or there is none): this thread gives up activation.
  ActivateOnThisThread(nullptr, true);
  if (next) SetForegroundWindow(next);
}

}  // namespace cedev::user

HWND SetFocus(HWND hWnd) {
  WindowManager& wm = Wm();
  HWND old = nullptr;
  HWND top = nullptr;
  {
    std::unique_lock lk(wm.lock);
    auto me = CurrentQueueLocked(wm);
    if (hWnd) {
      Window* w = FindLocked(wm, hWnd);
      if (!w) {
        lk.unlock();
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
      }
      if (w->queue != me) return nullptr;
      if (me->focus == hWnd) return hWnd;
      top = TopLevelOfLocked(wm, hWnd);
      if (me->active == top) top = nullptr;
    }
  }
  if (top) {
    ActivateOnThisThread(top, true);
    if (!IsWindow(hWnd)) return nullptr;
  }
  {
    std::lock_guard lk(wm.lock);
    auto me = CurrentQueueLocked(wm);
    old = me->focus;
    if (old == hWnd) return old;
    me->focus = hWnd;
    TouchLocked(wm);
  }
  if (old && IsWindow(old)) {
    SendMessageW(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
    if (GetFocus() != hWnd) return old;
  }
  if (hWnd && IsWindow(hWnd)) SendMessageW(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND GetFocus() {
  WindowManager& wm = Wm();
  std::lock_guard lk(wm.lock);
  return CurrentQueueLocked(wm)->focus;
}

HWND SetActiveWindow(HWND hWnd) {
  WindowManager& wm = Wm();
  HWND old = nullptr;
  {
    std::unique_lock lk(wm.lock);
    auto me = CurrentQueueLocked(wm);
    old = me->active;
    if (hWnd) {
      Window* w = FindLocked(wm, hWnd);
      if (!w) {
        lk.unlock();
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
      }
      if (w->queue != me) return nullptr;
      hWnd = TopLevelOfLocked(wm, hWnd);
    }
  }
  ActivateOnThisThread(hWnd, true);
  return old;
}

HWND GetActiveWindow() {
  WindowManager& wm = Wm();
  std::lock_guard lk(wm.lock);
  return CurrentQueueLocked(wm)->active;
}

BOOL SetForegroundWindow(HWND hWnd) {
  WindowManager& wm = Wm();
  bool changed = false;
  HWND top = nullptr;
  {
    std::unique_lock lk(wm.lock);
    Window* w = FindLocked(wm, hWnd);
    if (!w) {
      lk.unlock();
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    top = TopLevelOfLocked(wm, hWnd);
    Window* t = FindLocked(wm, top);
    auto me = CurrentQueueLocked(wm);
    if (t->queue == me) {
      lk.unlock();
      ActivateOnThisThread(top, true);
      return TRUE;
    }
    HWND previous = wm.foreground;
    changed = previous != top;
    wm.foreground = top;
    RaiseLocked(wm, *t, (t->exStyle & WS_EX_TOPMOST) != 0);
    if (IsVisibleLocked(wm, *t)) InvalidateTreeLocked(wm, *t);
    RunOnThreadLocked(*t->queue, [top] { ActivateOnThisThread(top, false); });
    // The thread that had the foreground loses its activation at its next wait.
    if (Window* p = FindLocked(wm, previous); p && p->queue != t->queue) {
      RunOnThreadLocked(*p->queue, [previous] {
        WindowManager& m = Wm();
        {
          std::lock_guard inner(m.lock);
          auto q = CurrentQueueLocked(m);
          if (q->active != previous || m.foreground == previous) return;
        }
        ActivateOnThisThread(nullptr, false);
      });
    }
    TouchLocked(wm);
  }
  if (changed) FireForegroundHook(top);
  return TRUE;
}

HWND GetForegroundWindow() {
  WindowManager& wm = Wm();
  std::lock_guard lk(wm.lock);
  return wm.foreground;
}

HWND SetCapture(HWND hWnd) {
  WindowManager& wm = Wm();
  HWND old = nullptr;
  {
    std::lock_guard lk(wm.lock);
    if (hWnd && !FindLocked(wm, hWnd)) return nullptr;
    old = wm.capture;
    wm.capture = hWnd;
  }
  if (old && old != hWnd && IsWindow(old)) {
    SendMessageW(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hWnd));
  }
  return old;
}

BOOL ReleaseCapture() {
  WindowManager& wm = Wm();
  HWND old = nullptr;
  {
    std::lock_guard lk(wm.lock);
    old = wm.capture;
    wm.capture = nullptr;
  }
  if (old && IsWindow(old)) SendMessageW(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() {
  WindowManager& wm = Wm();
  std::lock_guard lk(wm.lock);
  return wm.capture;
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
  WindowManager& wm = Wm();
  bool wasDisabled = false;
  {
    std::unique_lock lk(wm.lock);
    Window* w = FindLocked(wm, hWnd);
    if (!w) {
      lk.unlock();
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    wasDisabled = (w->style & WS_DISABLED) != 0;
    if (wasDisabled == !bEnable) return wasDisabled ? TRUE : FALSE;
    if (bEnable) {
      w->style &= ~static_cast<DWORD>(WS_DISABLED);
    } else {
      w->style |= WS_DISABLED;
    }
    InvalidateLocked(wm, *w, nullptr, true);
    TouchLocked(wm);
  }
  if (!bEnable) {
    // A disabled window keeps no focus.
    HWND focus = GetFocus();
    if (focus && (focus == hWnd || IsChild(hWnd, focus))) SetFocus(nullptr);
  }
  SendMessageW(hWnd, WM_ENABLE, bEnable ? TRUE : FALSE, 0);
  return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hWnd) {
  WindowManager& wm = Wm();
  std::lock_guard lk(wm.lock);
  Window* w = FindLocked(wm, hWnd);
  return (w && !(w->style & WS_DISABLED)) ? TRUE : FALSE;
}
