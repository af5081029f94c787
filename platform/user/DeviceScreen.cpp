// The device's view of the window system: the picture, the tree dump, texts that show, and
// input queued to the threads' input queues.
#include "DeviceScreen.h"

#include "Caret.h"
#include "CellGrid.h"
#include "UserState.h"

namespace cedev {

using namespace user;

namespace {

std::wstring Quoted(std::wstring_view text) {
  std::wstring out = L"\"";
  for (wchar_t c : text) {
    if (c == L'"' || c == L'\\') out += L'\\';
    out += c;
  }
  out += L'"';
  return out;
}

std::wstring WithoutPrefixes(std::wstring_view text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&') {
      if (i + 1 < text.size()) out += text[++i];
      continue;
    }
    out += text[i];
  }
  return out;
}

bool ShowsLocked(const Window& w, std::wstring_view text) {
  if (w.published && !w.published->shown.empty()) return w.published->shown == text;
  return w.text == text || WithoutPrefixes(w.text) == text;
}

// The rows of a list box that are inside its client area, with their client rectangles.
template <typename F>
void ForVisibleRows(const Window& w, F&& each) {
  if (!w.published || w.published->rowHeight <= 0) return;
  const PublishedState& p = *w.published;
  const LONG height = w.rect.bottom - w.rect.top;
  const LONG width = w.rect.right - w.rect.left;
  for (int i = std::max(0, p.topRow); i < static_cast<int>(p.rows.size()); ++i) {
    const LONG top = static_cast<LONG>(i - p.topRow) * p.rowHeight;
    if (top >= height) break;
    each(i, RECT{0, top, width, std::min(height, top + p.rowHeight)});
  }
}

struct Found {
  HWND hwnd = nullptr;
  POINT centre{};
};

// Topmost first: children above their parent, earlier siblings above later ones.
bool FindInLocked(WindowManager& wm, Window& w, std::wstring_view text, Found& out) {
  if (!(w.style & WS_VISIBLE)) return false;
  for (HWND h : w.children) {
    if (Window* c = FindLocked(wm, h); c && FindInLocked(wm, *c, text, out)) return true;
  }
  const RECT r = ScreenRectLocked(wm, w);
  bool hit = false;
  ForVisibleRows(w, [&](int i, const RECT& row) {
    if (hit || w.published->rows[static_cast<size_t>(i)] != text) return;
    hit = true;
    out = Found{w.handle,
                POINT{r.left + (row.left + row.right) / 2, r.top + (row.top + row.bottom) / 2}};
  });
  if (hit) return true;
  if (ShowsLocked(w, text)) {
    out = Found{w.handle, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}};
    return true;
  }
  return false;
}

std::optional<Found> FindShowingLocked(WindowManager& wm, std::wstring_view text) {
  Found found;
  for (HWND h : wm.zorder) {
    if (Window* w = FindLocked(wm, h); w && FindInLocked(wm, *w, text, found)) return found;
  }
  return std::nullopt;
}

bool IsFocusLocked(WindowManager& wm, HWND hwnd) {
  for (auto& [id, weak] : wm.queues) {
    if (auto q = weak.lock(); q && q->focus == hwnd) return true;
  }
  return false;
}

void TreeLineLocked(WindowManager& wm, const Window& w, int depth, std::wstring& out) {
  const RECT r = ScreenRectLocked(wm, w);
  out.append(static_cast<size_t>(depth) * 2, L' ');
  out += w.cls->name + L' ' + Quoted(w.text) + L" (" + std::to_wstring(r.left) + L',' +
         std::to_wstring(r.top) + L")-(" + std::to_wstring(r.right) + L',' +
         std::to_wstring(r.bottom) + L')';
  if (!(w.style & WS_VISIBLE)) out += L" hidden";
  if (w.style & WS_DISABLED) out += L" disabled";
  if (IsFocusLocked(wm, w.handle)) out += L" focused";
  if (w.published && w.published->checked == 1) out += L" checked";
  if (w.published && !w.published->shown.empty()) out += L" shows " + Quoted(w.published->shown);
  out += L'\n';
  if (w.published) {
    for (size_t i = 0; i < w.published->rows.size(); ++i) {
      out.append(static_cast<size_t>(depth + 1) * 2, L' ');
      out += L"row " + Quoted(w.published->rows[i]);
      if (static_cast<int>(i) == w.published->selectedRow) out += L" selected";
      out += L'\n';
    }
  }
  for (HWND h : w.children) {
    if (Window* c = FindLocked(wm, h)) TreeLineLocked(wm, *c, depth + 1, out);
  }
}

bool PaintPendingLocked(WindowManager& wm) {
  if (wm.openPaints > 0) return true;
  for (auto& [h, w] : wm.windows) {
    if (w->paintPending && w->queue->alive && IsVisibleLocked(wm, *w)) return true;
  }
  return false;
}

}  // namespace

std::vector<std::wstring> ScreenLines() {
  UserLock held;
  WindowManager& wm = held.wm();
  std::vector<std::wstring> lines;
  for (int row = 0; row < kRows; ++row) {
    std::wstring line(static_cast<size_t>(kColumns), L' ');
    for (int col = 0; col < kColumns; ++col) {
      const wchar_t c = wm.screen[static_cast<size_t>(row * kColumns + col)].ch;
      if (c != 0) line[static_cast<size_t>(col)] = c;
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

std::vector<ScreenCell> ScreenCells() {
  UserLock held;
  WindowManager& wm = held.wm();
  std::vector<ScreenCell> cells(wm.screen.begin(), wm.screen.end());
  MarkCaretsLocked(wm, cells);
  return cells;
}

SIZE WindowCells(HWND hwnd) {
  LockedWindow w(hwnd, LockedWindow::Missing::quiet);
  if (!w) return SIZE{0, 0};
  const CellPlace p = CellPlaceLocked(w.wm(), *w);
  return SIZE{std::max(0, p.lastColumn - p.column + 1), std::max(0, p.lastRow - p.row + 1)};
}

POINT CellTapPoint(int column, int row) {
  UserLock held;
  WindowManager& wm = held.wm();
  return CellTapPointLocked(wm, column, row);
}

bool WaitForPaints(std::chrono::milliseconds bound) {
  UserLock held;
  WindowManager& wm = held.wm();
  return wm.changed.wait_for(held.guard(), bound, [&] { return !PaintPendingLocked(wm); });
}

unsigned long long DisplayGeneration() {
  UserLock held;
  WindowManager& wm = held.wm();
  return wm.generation;
}

void WaitForChange(unsigned long long seen, std::chrono::milliseconds bound) {
  UserLock held;
  WindowManager& wm = held.wm();
  wm.changed.wait_for(held.guard(), bound, [&] { return wm.generation != seen; });
}

void WakeChangeWaiters() {
  UserLock held;
  WindowManager& wm = held.wm();
  TouchLocked(wm);
}

std::wstring WindowTreeText() {
  UserLock held;
  WindowManager& wm = held.wm();
  std::wstring out;
  for (HWND h : wm.zorder) {
    if (Window* w = FindLocked(wm, h)) TreeLineLocked(wm, *w, 0, out);
  }
  return out;
}

std::optional<POINT> FindShowingText(std::wstring_view text) {
  UserLock held;
  WindowManager& wm = held.wm();
  auto found = FindShowingLocked(wm, text);
  if (!found) return std::nullopt;
  return found->centre;
}

HWND FindWindowShowingText(std::wstring_view text) {
  UserLock held;
  WindowManager& wm = held.wm();
  auto found = FindShowingLocked(wm, text);
  return found ? found->hwnd : nullptr;
}

HWND InjectTap(POINT screen) {
  UserLock held;
  WindowManager& wm = held.wm();
  HWND target = wm.capture ? wm.capture : HitTestLocked(wm, screen, true);
  Window* w = FindLocked(wm, target);
  if (!w || !w->queue->alive) return nullptr;
  const RECT r = ScreenRectLocked(wm, *w);
  const LPARAM at = MAKELONG(static_cast<WORD>(static_cast<SHORT>(screen.x - r.left)),
                             static_cast<WORD>(static_cast<SHORT>(screen.y - r.top)));
  const DWORD now = GetTickCount();
  QueuedMessage down;
  down.msg = MSG{target, WM_LBUTTONDOWN, MK_LBUTTON, static_cast<LPARAM>(static_cast<DWORD>(at)),
                 now,    screen};
  QueuedMessage up = down;
  up.msg.message = WM_LBUTTONUP;
  up.msg.wParam = 0;
  QueueInputLocked(wm, *w->queue, down);
  QueueInputLocked(wm, *w->queue, up);
  return target;
}

DWORD InjectKey(const KeyStroke& key) {
  UserLock held;
  WindowManager& wm = held.wm();
  // One foreground queue takes the whole stroke: the lock is held from the first to the last.
  auto queue = [&](UINT vk, bool up, wchar_t ch) { return QueueKeyLocked(wm, vk, up, ch, 0); };
  if (key.shift && !queue(VK_SHIFT, false, 0)) return 0;
  ThreadQueue* q = queue(key.vk, false, key.character);
  if (!q) return 0;
  queue(key.vk, true, 0);
  if (key.shift) queue(VK_SHIFT, true, 0);
  return q->threadId;
}

namespace {

std::shared_ptr<ThreadQueue> QueueOfThreadLocked(WindowManager& wm, DWORD thread) {
  auto it = wm.queues.find(thread);
  return it == wm.queues.end() ? nullptr : it->second.lock();
}

}  // namespace

bool WaitInputHandled(HWND target, std::chrono::milliseconds bound) {
  DWORD thread = 0;
  {
    LockedWindow w(target, LockedWindow::Missing::quiet);
    if (!w) return true;
    thread = w->queue->threadId;
  }
  return WaitThreadIdle(thread, bound);
}

bool WaitThreadIdle(DWORD thread, std::chrono::milliseconds bound) {
  UserLock held;
  WindowManager& wm = held.wm();
  std::shared_ptr<ThreadQueue> q = QueueOfThreadLocked(wm, thread);
  if (!q) return true;
  return wm.changed.wait_for(held.guard(), bound,
                             [&] { return !q->alive || WaitsForInputLocked(wm, *q); });
}

bool ThreadWaitsForInput(DWORD thread) {
  UserLock held;
  WindowManager& wm = held.wm();
  std::shared_ptr<ThreadQueue> q = QueueOfThreadLocked(wm, thread);
  return q && WaitsForInputLocked(wm, *q);
}

bool WaitDeviceIdle(std::chrono::milliseconds bound) {
  const DWORD caller = GetCurrentThreadId();
  UserLock held;
  WindowManager& wm = held.wm();
  // Every thread of the window system counts, those whose windows are all gone too: a program
  // that has closed its last dialog is still busy until it ends.
  return wm.changed.wait_for(held.guard(), bound, [&] {
    for (auto& [id, weak] : wm.queues) {
      auto q = weak.lock();
      if (id != caller && q && q->alive && !WaitsForInputLocked(wm, *q)) return false;
    }
    return true;
  });
}

}  // namespace cedev
