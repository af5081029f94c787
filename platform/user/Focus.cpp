// Focus, activation, the foreground window, capture and enabling. Focus and the active window
// belong to a thread; the foreground window is the device's. When a thread's window becomes the
// foreground from another thread, the activation runs on the window's own thread at its next
// message wait, as on the device.
#include "UserState.h"

using namespace cedev::user;

namespace cedev::user {

namespace {

// Activation of `hwnd` on the calling thread as one operation: its step, then its messages.
LRESULT ActivateOnThisThread(HWND hwnd) {
  return Operate([hwnd](Outbox& out) {
    UserLock held;
    ActivateLocked(held.wm(), *CurrentQueueLocked(held.wm()), hwnd, kFocus, out);
    return LRESULT{0};
  });
}

}  // namespace

HWND FocusLocked(WindowManager& wm, ThreadQueue& me, HWND hwnd, Outbox& out) {
  const HWND old = me.focus;
  if (old == hwnd) return old;
  me.focus = hwnd;
  TouchLocked(wm);
  if (old) out.Send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (hwnd) {
    // Only if the old focus, told first, left the focus where this put it.
    out.Then([&me, hwnd, old](WindowManager&, Outbox& then) {
      if (me.focus == hwnd) then.Send(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    });
  }
  return old;
}

void ActivateLocked(WindowManager& wm, ThreadQueue& me, HWND hwnd, unsigned activation,
                    Outbox& out) {
  const bool setForeground = (activation & kForeground) != 0;
  Window* w = hwnd ? FindLocked(wm, hwnd) : nullptr;
  if (hwnd && (!w || w->queue.get() != &me)) return;
  const HWND old = me.active;
  if (old == hwnd && (!setForeground || wm.foreground == hwnd)) return;
  me.active = hwnd;
  if (w && !w->parent) {
    RaiseLocked(wm, *w, (w->exStyle & WS_EX_TOPMOST) != 0);
    if (IsVisibleLocked(wm, *w)) InvalidateTreeLocked(wm, *w);
  }
  const bool foregroundChanged =
      setForeground && wm.foreground != hwnd && (hwnd || wm.foreground == old);
  if (foregroundChanged) wm.foreground = hwnd;
  TouchLocked(wm);
  if (old != hwnd) {
    if (old) out.Send(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
    if (hwnd) out.Send(hwnd, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
    // The new active window's default procedure has usually taken the focus by now; if the
    // window is still active and the focus is not inside it, the focus goes to it (or, with no
    // active window, nowhere).
    if (activation & kFocus)
      out.Then([&me, hwnd](WindowManager& m, Outbox& then) {
        if (me.active != hwnd) return;
        if (hwnd && me.focus && TopLevelOfLocked(m, me.focus) == hwnd) return;
        FocusLocked(m, me, hwnd, then);
      });
  }
  if (foregroundChanged) out.Foreground(hwnd);
}

void SetForegroundLocked(WindowManager& wm, ThreadQueue& me, Window& top, Outbox& out) {
  if (top.queue.get() == &me) {
    ActivateLocked(wm, me, top.handle, kForeground | kFocus, out);
    return;
  }
  const HWND hwnd = top.handle;
  const HWND previous = wm.foreground;
  wm.foreground = hwnd;
  RaiseLocked(wm, top, (top.exStyle & WS_EX_TOPMOST) != 0);
  if (IsVisibleLocked(wm, top)) InvalidateTreeLocked(wm, top);
  RunOnThreadLocked(*top.queue, [hwnd] { return ActivateOnThisThread(hwnd); });
  // The thread that had the foreground loses its activation at its next wait.
  if (Window* p = FindLocked(wm, previous); p && p->queue != top.queue) {
    RunOnThreadLocked(*p->queue, [previous] {
      {
        UserLock held;
        auto q = CurrentQueueLocked(held.wm());
        if (q->active != previous || held.wm().foreground == previous) return LRESULT{0};
      }
      return ActivateOnThisThread(nullptr);
    });
  }
  TouchLocked(wm);
  if (previous != hwnd) out.Foreground(hwnd);
}

void ActivateOtherLocked(WindowManager& wm, ThreadQueue& me, HWND leaving, Outbox& out) {
  Window* w = FindLocked(wm, leaving);
  auto usable = [&](HWND h) {
    Window* c = FindLocked(wm, h);
    return c && h != leaving && !c->destroying && !c->parent && (c->style & WS_VISIBLE) &&
           !(c->style & WS_DISABLED) && c->queue->alive;
  };
  HWND next = nullptr;
  if (w && w->owner && usable(w->owner)) next = w->owner;
  for (HWND h : wm.zorder) {
    if (next) break;
    if (usable(h) && !(FindLocked(wm, h)->exStyle & WS_EX_TOPMOST)) next = h;
  }
  Window* n = FindLocked(wm, next);
  if (n && n->queue.get() == &me) {
    ActivateLocked(wm, me, next, kForeground | kFocus, out);
    return;
  }
  // The next window is another thread's (or there is none): this thread gives up activation.
  ActivateLocked(wm, me, nullptr, kForeground | kFocus, out);
  if (n) SetForegroundLocked(wm, me, *n, out);
}

void MoveFocusAwayLocked(WindowManager& wm, ThreadQueue& me, HWND hidden, Outbox& out) {
  if (!me.focus || !IsInSubtreeLocked(wm, hidden, me.focus)) return;
  Window* w = FindLocked(wm, hidden);
  FocusLocked(wm, me, w ? w->parent : nullptr, out);
}

}  // namespace cedev::user

HWND SetFocus(HWND hWnd) {
  // Activating the window's top-level window is one operation, taking the focus the next: the
  // activated window's procedure may move the focus itself.
  const bool activated = Operate([&](Outbox& out) {
    LockedWindow w(hWnd, LockedWindow::Missing::errorUnlessNull);
    if (!w) return hWnd == nullptr;
    auto me = w.me();
    if (w->queue != me) return false;
    const HWND top = TopLevelOfLocked(w.wm(), hWnd);
    if (me->focus != hWnd && me->active != top) ActivateLocked(w.wm(), *me, top, kForeground, out);
    return true;
  });
  if (!activated) return nullptr;
  return Operate([&](Outbox& out) -> HWND {
    // Not if the window went, or its top-level window is no longer active.
    LockedWindow w(hWnd, LockedWindow::Missing::quiet);
    auto me = w.me();
    if (hWnd && (!w || me->active != TopLevelOfLocked(w.wm(), hWnd))) return nullptr;
    return FocusLocked(w.wm(), *me, hWnd, out);
  });
}

HWND GetFocus() {
  UserLock held;
  return CurrentQueueLocked(held.wm())->focus;
}

HWND SetActiveWindow(HWND hWnd) {
  return Operate([&](Outbox& out) -> HWND {
    LockedWindow w(hWnd, LockedWindow::Missing::errorUnlessNull);
    auto me = w.me();
    if (hWnd && (!w || w->queue != me)) return nullptr;
    const HWND old = me->active;
    ActivateLocked(w.wm(), *me, hWnd ? TopLevelOfLocked(w.wm(), hWnd) : nullptr,
                   kForeground | kFocus, out);
    return old;
  });
}

HWND GetActiveWindow() {
  UserLock held;
  return CurrentQueueLocked(held.wm())->active;
}

BOOL SetForegroundWindow(HWND hWnd) {
  return Operate([&](Outbox& out) -> BOOL {
    LockedWindow w(hWnd);
    if (!w) return FALSE;
    Window* top = FindLocked(w.wm(), TopLevelOfLocked(w.wm(), hWnd));
    SetForegroundLocked(w.wm(), *w.me(), *top, out);
    return TRUE;
  });
}

HWND GetForegroundWindow() {
  UserLock held;
  return held.wm().foreground;
}

HWND SetCapture(HWND hWnd) {
  return Operate([&](Outbox& out) -> HWND {
    LockedWindow w(hWnd, LockedWindow::Missing::quiet);
    if (hWnd && !w) return nullptr;
    const HWND old = w.wm().capture;
    w.wm().capture = hWnd;
    if (old && old != hWnd) out.Send(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hWnd));
    return old;
  });
}

BOOL ReleaseCapture() {
  return Operate([](Outbox& out) {
    UserLock held;
    const HWND old = held.wm().capture;
    held.wm().capture = nullptr;
    if (old) out.Send(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
  });
}

HWND GetCapture() {
  UserLock held;
  return held.wm().capture;
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
  return Operate([&](Outbox& out) -> BOOL {
    LockedWindow w(hWnd);
    if (!w) return FALSE;
    const bool wasDisabled = (w->style & WS_DISABLED) != 0;
    if (wasDisabled == !bEnable) return wasDisabled ? TRUE : FALSE;
    if (bEnable) {
      w->style &= ~static_cast<DWORD>(WS_DISABLED);
    } else {
      w->style |= WS_DISABLED;
      // A disabled window keeps no focus.
      auto me = w.me();
      if (me->focus && IsInSubtreeLocked(w.wm(), hWnd, me->focus))
        FocusLocked(w.wm(), *me, nullptr, out);
    }
    InvalidateLocked(w.wm(), *w, nullptr, true);
    TouchLocked(w.wm());
    out.Send(hWnd, WM_ENABLE, bEnable ? TRUE : FALSE, 0);
    return wasDisabled ? TRUE : FALSE;
  });
}

BOOL IsWindowEnabled(HWND hWnd) {
  LockedWindow w(hWnd, LockedWindow::Missing::quiet);
  return (w && !(w->style & WS_DISABLED)) ? TRUE : FALSE;
}
