// Invalidation and painting: what each window must repaint, WM_PAINT's device context, and the
// area a window leaves. The screen keeps what was last painted, a grid of text cells; a window
// draws only into the cells it has (CellGrid.h), so its children and the windows above it are
// never painted over.
#include "GdiState.h"
#include "UserState.h"

using namespace cedev::user;

namespace cedev::user {

namespace {

bool Intersect(const RECT& a, const RECT& b, RECT& out) {
  out = RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
             std::min(a.bottom, b.bottom)};
  return out.left < out.right && out.top < out.bottom;
}

RECT Union(const RECT& a, const RECT& b) {
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

void InvalidateOverlapsLocked(WindowManager& wm, Window& w, const RECT& screen) {
  if (!(w.style & WS_VISIBLE)) return;
  const RECT r = ScreenRectLocked(wm, w);
  RECT hit;
  if (!Intersect(r, screen, hit)) return;
  RECT client{hit.left - r.left, hit.top - r.top, hit.right - r.left, hit.bottom - r.top};
  InvalidateLocked(wm, w, &client, true);
  for (HWND h : w.children) {
    if (Window* c = FindLocked(wm, h)) InvalidateOverlapsLocked(wm, *c, screen);
  }
}

}  // namespace

void InvalidateLocked(WindowManager& wm, Window& w, const RECT* client, bool erase) {
  if (!IsVisibleLocked(wm, w)) return;
  const RECT whole{0, 0, w.rect.right - w.rect.left, w.rect.bottom - w.rect.top};
  RECT r = whole;
  if (client && !Intersect(*client, whole, r)) return;
  if (r.left >= r.right || r.top >= r.bottom) return;
  w.update = w.paintPending ? Union(w.update, r) : r;
  w.paintPending = true;
  w.erase = w.erase || erase;
  w.queue->wake.notify_one();
  TouchLocked(wm);
}

void InvalidateTreeLocked(WindowManager& wm, Window& w) {
  InvalidateLocked(wm, w, nullptr, true);
  for (HWND h : w.children) {
    if (Window* c = FindLocked(wm, h)) InvalidateTreeLocked(wm, *c);
  }
}

void UncoverLocked(WindowManager& wm, const RECT& screen) {
  // Every cell the area touches goes back to the desktop, and every window the widened area
  // meets repaints: a window has each cell it touches that nobody else claims (CellGrid.h).
  const RECT cells{FloorDiv(screen.left, kCellWidth), FloorDiv(screen.top, kCellHeight),
                   -FloorDiv(-screen.right, kCellWidth), -FloorDiv(-screen.bottom, kCellHeight)};
  for (int row = std::max(0, static_cast<int>(cells.top));
       row < std::min(kRows, static_cast<int>(cells.bottom)); ++row) {
    for (int col = std::max(0, static_cast<int>(cells.left));
         col < std::min(kColumns, static_cast<int>(cells.right)); ++col) {
      wm.screen[static_cast<size_t>(row * kColumns + col)] = ScreenCell{};
    }
  }
  const RECT widened{cells.left * kCellWidth, cells.top * kCellHeight, cells.right * kCellWidth,
                     cells.bottom * kCellHeight};
  for (HWND h : wm.zorder) {
    if (Window* w = FindLocked(wm, h)) InvalidateOverlapsLocked(wm, *w, widened);
  }
  TouchLocked(wm);
}

HDC NewDcLocked(WindowManager& wm, GdiState& gdi, HWND hwnd, const RECT* clipClient) {
  auto dc = std::make_unique<DeviceContext>();
  dc->hwnd = hwnd;
  dc->font = GetStockObject(SYSTEM_FONT);
  dc->brush = GetStockObject(WHITE_BRUSH);
  dc->mask.assign(static_cast<size_t>(kColumns * kRows), !hwnd);
  if (Window* w = FindLocked(wm, hwnd)) {
    dc->place = CellPlaceLocked(wm, *w);
    dc->bordered = (w->style & WS_BORDER) != 0;
    const RECT client{0, 0, dc->place.width, dc->place.height};
    const RECT cells = CellsOfClient(dc->place, clipClient ? *clipClient : client);
    const RECT whole = CellsOfClient(dc->place, client);
    // The context draws into the cells of the clip that the window has.
    for (int row = std::max<int>(0, std::max(cells.top, whole.top));
         row < std::min<int>(kRows, std::min(cells.bottom, whole.bottom)); ++row) {
      for (int col = std::max<int>(0, std::max(cells.left, whole.left));
           col < std::min<int>(kColumns, std::min(cells.right, whole.right)); ++col) {
        if (CellOwnerLocked(wm, col, row) == hwnd)
          dc->mask[static_cast<size_t>(row * kColumns + col)] = true;
      }
    }
  }
  HDC handle = reinterpret_cast<HDC>(gdi.nextDc);
  gdi.nextDc += 4;
  gdi.dcs.emplace(handle, std::move(dc));
  return handle;
}

// A window's context is done: its border goes over what it painted, and the context goes.
bool ReleaseDcLocked(WindowManager& wm, GdiState& gdi, HDC hdc) {
  auto it = gdi.dcs.find(hdc);
  if (it == gdi.dcs.end()) return false;
  DrawBorderLocked(wm, *it->second);
  gdi.dcs.erase(it);
  return true;
}

}  // namespace cedev::user

BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
  LockedWindow w(hWnd, LockedWindow::Missing::errorUnlessNull);
  if (!hWnd) {
    for (auto& [h, each] : w.wm().windows)
      InvalidateLocked(w.wm(), *each, nullptr, bErase != FALSE);
    return TRUE;
  }
  if (!w) return FALSE;
  InvalidateLocked(w.wm(), *w, lpRect, bErase != FALSE);
  return TRUE;
}

BOOL ValidateRect(HWND hWnd, const RECT*) {
  LockedWindow w(hWnd, LockedWindow::Missing::quiet);
  if (!w) return FALSE;
  w->paintPending = false;
  w->erase = false;
  TouchLocked(w.wm());
  return TRUE;
}

BOOL UpdateWindow(HWND hWnd) {
  std::vector<HWND> order;
  {
    LockedWindow w(hWnd, LockedWindow::Missing::quiet);
    if (!w) return FALSE;
    auto me = w.me();
    std::vector<Window*> stack{&*w};
    while (!stack.empty()) {
      Window* at = stack.back();
      stack.pop_back();
      if (at->paintPending && at->queue == me) order.push_back(at->handle);
      for (auto it = at->children.rbegin(); it != at->children.rend(); ++it) {
        if (Window* c = FindLocked(w.wm(), *it)) stack.push_back(c);
      }
    }
  }
  for (HWND h : order) SendMessageW(h, WM_PAINT, 0, 0);
  return TRUE;
}

HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
  HDC hdc = nullptr;
  bool erase = false;
  RECT paint{};
  {
    LockedWindow w(hWnd);
    if (!w) return nullptr;
    if (!lpPaint) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    if (w->paintPending) paint = w->update;
    erase = w->erase && w->paintPending;
    w->paintPending = false;
    w->erase = false;
    w->update = RECT{};
    hdc = NewDcLocked(w.wm(), Gdi(), hWnd, &paint);
    ++w.wm().openPaints;
    TouchLocked(w.wm());
  }
  *lpPaint = PAINTSTRUCT{};
  lpPaint->hdc = hdc;
  lpPaint->rcPaint = paint;
  if (erase)
    lpPaint->fErase =
        SendMessageW(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) ? FALSE : TRUE;
  return hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* lpPaint) {
  if (!lpPaint) return FALSE;
  UserLock held;
  WindowManager& wm = held.wm();
  if (ReleaseDcLocked(wm, Gdi(), lpPaint->hdc) && wm.openPaints > 0) --wm.openPaints;
  TouchLocked(wm);
  return TRUE;
}

HDC GetDC(HWND hWnd) {
  LockedWindow w(hWnd, LockedWindow::Missing::errorUnlessNull);
  if (hWnd && !w) return nullptr;
  return NewDcLocked(w.wm(), Gdi(), hWnd, nullptr);
}

int ReleaseDC(HWND, HDC hDC) {
  UserLock held;
  WindowManager& wm = held.wm();
  const bool had = ReleaseDcLocked(wm, Gdi(), hDC);
  TouchLocked(wm);
  return had ? 1 : 0;
}
