// Windows: creation and destruction, the tree (parents, owners, siblings), texts, window longs,
// FindWindow, and the default window procedure.
#include <algorithm>
#include <cstring>
#include <cwchar>

#include "UserState.h"

using namespace cedev::user;

namespace {

// Pocket PC: a top-level window left to the default size fills the area between the task bar
// and the menu bar.
constexpr RECT kDefaultTopLevel{0, 26, 240, 294};

void InsertTopLevelLocked(WindowManager& wm, Window& w) {
  auto at = wm.zorder.begin();
  if (!(w.exStyle & WS_EX_TOPMOST)) {
    while (at != wm.zorder.end()) {
      Window* other = FindLocked(wm, *at);
      if (!other || !(other->exStyle & WS_EX_TOPMOST)) break;
      ++at;
    }
  }
  wm.zorder.insert(at, w.handle);
}

// Sends `message` to `hwnd` if it still exists.
void Tell(HWND hwnd, UINT message) {
  LockedWindow w(hwnd, LockedWindow::Missing::quiet);
  if (w) SendLocked(w, message, 0, 0);
}

// WM_DESTROY from the window down: a parent hears it before its children.
void SendDestroyTree(HWND hwnd) {
  Tell(hwnd, WM_DESTROY);
  std::vector<HWND> children;
  {
    LockedWindow w(hwnd, LockedWindow::Missing::quiet);
    if (w) children = w->children;
  }
  for (HWND c : children) SendDestroyTree(c);
}

// WM_NCDESTROY from the leaves up, each window freed as it has heard it.
void FreeTree(HWND hwnd) {
  std::vector<HWND> children;
  {
    LockedWindow w(hwnd, LockedWindow::Missing::quiet);
    if (!w) return;
    children = w->children;
  }
  for (HWND c : children) FreeTree(c);
  Tell(hwnd, WM_NCDESTROY);
  UserLock held;
  FreeWindowLocked(held.wm(), hwnd);
}

// How many of the window's extra bytes a window long at `index` has: a LONG_PTR where one fits,
// else a LONG; 0, with ERROR_INVALID_INDEX, where not even a LONG does.
std::size_t ExtraWidth(const Window& w, int index) {
  if (index < 0 || static_cast<std::size_t>(index) + sizeof(LONG) > w.extra.size()) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  return static_cast<std::size_t>(index) + sizeof(LONG_PTR) <= w.extra.size() ? sizeof(LONG_PTR)
                                                                              : sizeof(LONG);
}

int CopyText(const std::wstring& text, LPWSTR buffer, int count) {
  if (!buffer || count <= 0) return 0;
  const int n = std::min(static_cast<int>(text.size()), count - 1);
  std::wmemcpy(buffer, text.data(), static_cast<size_t>(n));
  buffer[n] = L'\0';
  return n;
}

}  // namespace

HWND CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle,
                     int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                     HINSTANCE hInstance, LPVOID lpParam) {
  LockedWindow parent(hWndParent, LockedWindow::Missing::errorUnlessNull);
  WindowManager& wm = parent.wm();
  auto cls = FindClassLocked(wm, lpClassName);
  if (!cls) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  const bool child = (dwStyle & WS_CHILD) != 0;
  if (hWndParent && !parent) return nullptr;
  if (child && !hWndParent) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto w = std::make_unique<Window>();
  w->handle = reinterpret_cast<HWND>(wm.nextHandle);
  wm.nextHandle += 4;  // never reused while the process lives
  w->cls = cls;
  w->text = lpWindowName ? lpWindowName : L"";
  w->style = dwStyle & ~static_cast<DWORD>(WS_VISIBLE);
  w->exStyle = dwExStyle;
  if (!child && X == CW_USEDEFAULT) {
    X = kDefaultTopLevel.left;
    Y = kDefaultTopLevel.top;
  } else if (X == CW_USEDEFAULT) {
    X = Y = 0;
  }
  if (nWidth == CW_USEDEFAULT) {
    nWidth = child ? 0 : kDefaultTopLevel.right - kDefaultTopLevel.left;
    nHeight = child ? 0 : kDefaultTopLevel.bottom - kDefaultTopLevel.top;
  }
  w->rect = RECT{X, Y, X + std::max(0, nWidth), Y + std::max(0, nHeight)};
  if (child) {
    w->parent = hWndParent;
    w->id = reinterpret_cast<LONG_PTR>(hMenu);
  } else if (hWndParent) {
    w->owner = TopLevelOfLocked(wm, hWndParent);
  }
  w->queue = parent.me();
  w->proc = cls->wc.lpfnWndProc;
  w->instance = hInstance;
  w->extra.assign(static_cast<size_t>(std::max(0, cls->wc.cbWndExtra)), 0);
  HWND hwnd = w->handle;
  Window& ref = *w;
  wm.windows.emplace(hwnd, std::move(w));
  if (child) {
    parent->children.push_back(hwnd);
  } else {
    InsertTopLevelLocked(wm, ref);
  }
  TouchLocked(wm);
  parent.Release();

  CREATESTRUCTW cs{lpParam,
                   hInstance,
                   hMenu,
                   hWndParent,
                   nHeight,
                   nWidth,
                   Y,
                   X,
                   static_cast<LONG>(dwStyle),
                   lpWindowName,
                   lpClassName,
                   dwExStyle};
  if (!SendMessageW(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    FreeTree(hwnd);
    return nullptr;
  }
  if (SendMessageW(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  if (!IsWindow(hwnd)) return nullptr;
  RECT r{};
  GetClientRect(hwnd, &r);
  SendMessageW(hwnd, WM_SIZE, 0, MAKELONG(r.right, r.bottom));
  SendMessageW(hwnd, WM_MOVE, 0, MAKELONG(X, Y));
  if (dwStyle & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
  return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hWnd) {
  std::vector<HWND> owned;
  {
    LockedWindow w(hWnd);
    if (!w) return FALSE;
    if (w->queue != w.me()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    if (w->destroying) return TRUE;
    w->destroying = true;
    for (HWND h : w.wm().zorder) {
      Window* o = FindLocked(w.wm(), h);
      if (o && o->owner == hWnd) owned.push_back(h);
    }
  }
  // Owned windows go first, then the window leaves the screen (activation and focus move on),
  // then WM_DESTROY from the window down, WM_NCDESTROY from the leaves up.
  for (HWND h : owned) {
    if (IsWindow(h)) DestroyWindow(h);
  }
  Operate([hWnd](Outbox& out) {
    LockedWindow w(hWnd, LockedWindow::Missing::quiet);
    if (!w) return 0;
    WindowManager& wm = w.wm();
    auto me = w.me();
    if (IsVisibleLocked(wm, *w)) {
      SetWindowPosLocked(wm, *me, *w, nullptr, 0, 0, 0, 0,
                         SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE,
                         out);
    } else {
      if (me->active == hWnd || wm.foreground == hWnd) ActivateOtherLocked(wm, *me, hWnd, out);
      out.Then([&me = *me, hWnd](WindowManager& m, Outbox& then) {
        MoveFocusAwayLocked(m, me, hWnd, then);
      });
    }
    return 0;
  });
  if (!IsWindow(hWnd)) return TRUE;
  SendDestroyTree(hWnd);
  FreeTree(hWnd);
  return TRUE;
}

BOOL IsWindow(HWND hWnd) {
  LockedWindow w(hWnd, LockedWindow::Missing::quiet);
  return w ? TRUE : FALSE;
}

BOOL IsChild(HWND hWndParent, HWND hWnd) {
  LockedWindow w(hWnd, LockedWindow::Missing::quiet);
  if (!w || !w->parent || hWndParent == hWnd) return FALSE;
  return IsInSubtreeLocked(w.wm(), hWndParent, w->parent) ? TRUE : FALSE;
}

HWND GetParent(HWND hWnd) {
  LockedWindow w(hWnd);
  if (!w) return nullptr;
  if (w->parent) return w->parent;
  return (w->style & WS_POPUP) ? w->owner : nullptr;
}

HWND SetParent(HWND hWndChild, HWND hWndNewParent) {
  LockedWindow w(hWndChild);
  if (!w) return nullptr;
  WindowManager& wm = w.wm();
  Window* np = hWndNewParent ? FindLocked(wm, hWndNewParent) : nullptr;
  if (hWndNewParent && (!np || IsInSubtreeLocked(wm, hWndChild, hWndNewParent))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HWND old = w->parent;
  if (w->parent) {
    if (Window* p = FindLocked(wm, w->parent)) std::erase(p->children, hWndChild);
  } else {
    std::erase(wm.zorder, hWndChild);
  }
  w->parent = hWndNewParent;
  if (np) {
    np->children.insert(np->children.begin(), hWndChild);
  } else {
    InsertTopLevelLocked(wm, *w);
  }
  InvalidateTreeLocked(wm, *w);
  TouchLocked(wm);
  return old;
}

HWND GetWindow(HWND hWnd, UINT uCmd) {
  LockedWindow w(hWnd);
  if (!w) return nullptr;
  WindowManager& wm = w.wm();
  if (uCmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
  if (uCmd == GW_OWNER) return w->owner;
  const std::vector<HWND>* siblings = &wm.zorder;
  if (w->parent) {
    Window* p = FindLocked(wm, w->parent);
    if (!p) return nullptr;
    siblings = &p->children;
  }
  if (siblings->empty()) return nullptr;
  auto at = std::find(siblings->begin(), siblings->end(), hWnd);
  switch (uCmd) {
    case GW_HWNDFIRST:
      return siblings->front();
    case GW_HWNDLAST:
      return siblings->back();
    case GW_HWNDNEXT:
      return (at == siblings->end() || at + 1 == siblings->end()) ? nullptr : *(at + 1);
    case GW_HWNDPREV:
      return (at == siblings->end() || at == siblings->begin()) ? nullptr : *(at - 1);
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
}

HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
  UserLock held;
  WindowManager& wm = held.wm();
  std::shared_ptr<WindowClass> cls;
  if (lpClassName) {
    cls = FindClassLocked(wm, lpClassName);
    if (!cls) return nullptr;
  }
  for (HWND h : wm.zorder) {
    Window* w = FindLocked(wm, h);
    if (!w || (cls && w->cls != cls)) continue;
    if (lpWindowName && w->text != lpWindowName) continue;
    return h;
  }
  return nullptr;
}

BOOL EnumWindows(WNDENUMPROC lpEnumFunc, LPARAM lParam) {
  std::vector<HWND> all;
  {
    UserLock held;
    all = held.wm().zorder;
  }
  for (HWND h : all) {
    if (IsWindow(h) && !lpEnumFunc(h, lParam)) return FALSE;
  }
  return TRUE;
}

int GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount) {
  LockedWindow w(hWnd);
  if (!w) return 0;
  if (w->queue == w.me()) {
    if (!lpString || nMaxCount <= 0) return 0;
    return static_cast<int>(SendLocked(w, WM_GETTEXT, static_cast<WPARAM>(nMaxCount),
                                       reinterpret_cast<LPARAM>(lpString)));
  }
  // Another thread's window: its stored text, so a caller never waits on a sleeping owner.
  return CopyText(w->text, lpString, nMaxCount);
}

int GetWindowTextLengthW(HWND hWnd) {
  LockedWindow w(hWnd);
  if (!w) return 0;
  if (w->queue == w.me()) return static_cast<int>(SendLocked(w, WM_GETTEXTLENGTH, 0, 0));
  return static_cast<int>(w->text.size());
}

BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString) {
  LockedWindow w(hWnd);
  if (!w) return FALSE;
  return SendLocked(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) ? TRUE : FALSE;
}

LONG_PTR GetWindowLongW(HWND hWnd, int nIndex) {
  LockedWindow w(hWnd);
  if (!w) return 0;
  switch (nIndex) {
    case GWL_WNDPROC:
      return reinterpret_cast<LONG_PTR>(w->proc);
    case GWL_HINSTANCE:
      return reinterpret_cast<LONG_PTR>(w->instance);
    case GWL_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>(w->parent ? w->parent : w->owner);
    case GWL_ID:
      return w->id;
    case GWL_STYLE:
      return static_cast<LONG_PTR>(static_cast<LONG>(w->style));
    case GWL_EXSTYLE:
      return static_cast<LONG_PTR>(static_cast<LONG>(w->exStyle));
    case GWL_USERDATA:
      return w->userData;
    default:
      break;
  }
  const std::size_t width = ExtraWidth(*w, nIndex);
  LONG_PTR v = 0;
  if (width == sizeof(LONG_PTR)) std::memcpy(&v, w->extra.data() + nIndex, width);
  if (width == sizeof(LONG)) {
    LONG narrow = 0;
    std::memcpy(&narrow, w->extra.data() + nIndex, width);
    v = narrow;
  }
  return v;
}

LONG_PTR SetWindowLongW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
  LockedWindow w(hWnd);
  if (!w) return 0;
  WindowManager& wm = w.wm();
  LONG_PTR old = 0;
  switch (nIndex) {
    case GWL_WNDPROC:
      // Whatever thread installs it, the procedure is called on the window's own thread: every
      // message reaches it through that thread's queue or a direct send there.
      old = reinterpret_cast<LONG_PTR>(w->proc);
      w->proc = reinterpret_cast<WNDPROC>(dwNewLong);
      return old;
    case GWL_ID:
      old = w->id;
      w->id = dwNewLong;
      return old;
    case GWL_STYLE:
      old = static_cast<LONG>(w->style);
      w->style = static_cast<DWORD>(dwNewLong);
      TouchLocked(wm);
      return old;
    case GWL_EXSTYLE:
      old = static_cast<LONG>(w->exStyle);
      w->exStyle = static_cast<DWORD>(dwNewLong);
      TouchLocked(wm);
      return old;
    case GWL_USERDATA:
      old = w->userData;
      w->userData = dwNewLong;
      return old;
    case GWL_HINSTANCE:
      old = reinterpret_cast<LONG_PTR>(w->instance);
      w->instance = reinterpret_cast<HINSTANCE>(dwNewLong);
      return old;
    default:
      break;
  }
  const std::size_t width = ExtraWidth(*w, nIndex);
  if (width == sizeof(LONG_PTR)) {
    std::memcpy(&old, w->extra.data() + nIndex, width);
    std::memcpy(w->extra.data() + nIndex, &dwNewLong, width);
  }
  if (width == sizeof(LONG)) {
    LONG narrow = 0;
    const LONG v = static_cast<LONG>(dwNewLong);
    std::memcpy(&narrow, w->extra.data() + nIndex, width);
    std::memcpy(w->extra.data() + nIndex, &v, width);
    old = narrow;
  }
  return old;
}

LRESULT CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}

DWORD GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
  LockedWindow w(hWnd);
  if (!w) return 0;
  if (lpdwProcessId) *lpdwProcessId = GetCurrentProcessId();
  return w->queue->threadId;
}

LRESULT DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
    case WM_NCCREATE:
      return TRUE;  // the text was stored as the window was made
    case WM_SETTEXT: {
      LockedWindow w(hWnd);
      if (!w) return FALSE;
      const auto* text = reinterpret_cast<LPCWSTR>(lParam);
      w->text = text ? text : L"";
      InvalidateLocked(w.wm(), *w, nullptr, true);
      TouchLocked(w.wm());
      return TRUE;
    }
    case WM_GETTEXT: {
      LockedWindow w(hWnd);
      if (!w) return 0;
      return CopyText(w->text, reinterpret_cast<LPWSTR>(lParam), static_cast<int>(wParam));
    }
    case WM_GETTEXTLENGTH: {
      LockedWindow w(hWnd);
      return w ? static_cast<LRESULT>(w->text.size()) : 0;
    }
    case WM_SETICON: {
      LockedWindow w(hWnd);
      if (!w) return 0;
      HICON& slot = wParam == ICON_BIG ? w->iconBig : w->iconSmall;
      HICON old = slot;
      slot = reinterpret_cast<HICON>(lParam);
      return reinterpret_cast<LRESULT>(old);
    }
    case WM_GETICON: {
      LockedWindow w(hWnd);
      if (!w) return 0;
      return reinterpret_cast<LRESULT>(wParam == ICON_BIG ? w->iconBig : w->iconSmall);
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hWnd, &ps);
      EndPaint(hWnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: {
      // The class's background brush, which may be a system colour index plus one; a class
      // without one is blanked in the window colour, so the text picture keeps no stale text.
      HBRUSH brush = nullptr;
      {
        LockedWindow w(hWnd);
        if (w) brush = w->cls->wc.hbrBackground;
      }
      const auto index = reinterpret_cast<std::uintptr_t>(brush);
      if (index != 0 && index <= COLOR_BTNHIGHLIGHT + 1)
        brush = GetSysColorBrush(static_cast<int>(index) - 1);
      RECT r;
      GetClientRect(hWnd, &r);
      FillRect(reinterpret_cast<HDC>(wParam), &r, brush);
      return 1;
    }
    case WM_CLOSE:
      DestroyWindow(hWnd);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) {
        HWND focus = GetFocus();
        if (!focus || !IsChild(hWnd, focus)) SetFocus(hWnd);
      }
      return 0;
    default:
      return 0;
  }
}
