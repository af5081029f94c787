// The window manager's state and the ways to it (the lock, a window by its handle, the
// messages an operation sends once it has released the lock), the threads' queues and their
// end, and the tree walks that the other parts share.
#include <cwctype>

#include "ForegroundHook.h"
#include "UserState.h"

namespace cedev::user {

namespace {

WindowManager& Wm() {
  // Lives as long as the process: threads that are still ending (the shell's, the input's)
  // may touch it after main has returned.
  static WindowManager& wm = *std::make_unique<WindowManager>().release();
  return wm;
}

void ThreadEnded(const std::shared_ptr<ThreadQueue>& q);

// Ends the thread's queue when the thread ends: its windows go with it, as on the device.
struct QueueHolder {
  std::shared_ptr<ThreadQueue> queue;
  ~QueueHolder() {
    if (queue) ThreadEnded(queue);
  }
};
thread_local QueueHolder t_queue;

void RemoveSubtreeLocked(WindowManager& wm, HWND hwnd) {
  Window* w = FindLocked(wm, hwnd);
  if (!w) return;
  for (HWND child : std::vector<HWND>(w->children)) RemoveSubtreeLocked(wm, child);
  FreeWindowLocked(wm, hwnd);
}

void ThreadEnded(const std::shared_ptr<ThreadQueue>& q) {
  bool foregroundGone = false;
  {
    UserLock held;
    WindowManager& wm = held.wm();
    // Whoever waits for this thread is released: a send to it returns 0.
    q->alive = false;
    for (auto& sm : q->sent) {
      sm->done = true;
      if (sm->sender) sm->sender->wake.notify_one();
    }
    q->sent.clear();
    // Its windows disappear without messages: no procedure of a thread that has ended runs.
    std::vector<HWND> mine;
    for (auto& [h, w] : wm.windows) {
      if (w->queue == q) mine.push_back(h);
    }
    for (HWND h : mine) {
      Window* w = FindLocked(wm, h);
      if (!w) continue;
      if (wm.foreground && IsInSubtreeLocked(wm, h, wm.foreground)) foregroundGone = true;
      const bool shown = IsVisibleLocked(wm, *w);
      const RECT area = ScreenRectLocked(wm, *w);
      RemoveSubtreeLocked(wm, h);
      if (shown) UncoverLocked(wm, area);
    }
    wm.queues.erase(q->threadId);
    TouchLocked(wm);
  }
  if (foregroundGone) FireForegroundHook(nullptr);
}

}  // namespace

UserLock::UserLock() : wm_(Wm()), guard_(wm_.lock) {}

LockedWindow::LockedWindow(HWND hwnd, Missing missing) : window_(FindLocked(held_.wm(), hwnd)) {
  if (window_ == nullptr &&
      (missing == Missing::error || (missing == Missing::errorUnlessNull && hwnd != nullptr)))
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
}

std::shared_ptr<ThreadQueue> LockedWindow::me() { return CurrentQueueLocked(held_.wm()); }

void LockedWindow::Release() {
  window_ = nullptr;
  held_.guard().unlock();
}

void Outbox::Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  items_.push_back(Item{hwnd, message, wParam, lParam, {}, false});
}

void Outbox::Then(Step step) { items_.push_back(Item{nullptr, 0, 0, 0, std::move(step), false}); }

void Outbox::Foreground(HWND hwnd) { items_.push_back(Item{hwnd, 0, 0, 0, {}, true}); }

void Outbox::Deliver() {
  while (!items_.empty()) {
    Item item = std::move(items_.front());
    items_.pop_front();
    if (item.foreground) {
      FireForegroundHook(item.hwnd);
    } else if (item.step) {
      Outbox next;
      {
        UserLock held;
        item.step(held.wm(), next);
      }
      items_.insert(items_.begin(), std::make_move_iterator(next.items_.begin()),
                    std::make_move_iterator(next.items_.end()));
    } else {
      LockedWindow target(item.hwnd, LockedWindow::Missing::quiet);
      if (target) SendLocked(target, item.message, item.wParam, item.lParam);
    }
  }
}

std::shared_ptr<ThreadQueue> CurrentQueueLocked(WindowManager& wm) {
  if (!t_queue.queue) {
    auto q = std::make_shared<ThreadQueue>();
    q->threadId = GetCurrentThreadId();
    wm.queues[q->threadId] = q;
    t_queue.queue = q;
  }
  return t_queue.queue;
}

void FreeWindowLocked(WindowManager& wm, HWND hwnd) {
  Window* w = FindLocked(wm, hwnd);
  if (!w) return;
  if (w->parent) {
    if (Window* p = FindLocked(wm, w->parent)) std::erase(p->children, hwnd);
  } else {
    std::erase(wm.zorder, hwnd);
  }
  if (wm.capture == hwnd) wm.capture = nullptr;
  if (wm.foreground == hwnd) wm.foreground = nullptr;
  std::erase_if(w->queue->timers, [&](const Timer& t) { return t.hwnd == hwnd; });
  if (w->queue->focus == hwnd) w->queue->focus = nullptr;
  if (w->queue->active == hwnd) w->queue->active = nullptr;
  for (auto& [h, other] : wm.windows) {
    if (other->owner == hwnd) other->owner = nullptr;
  }
  wm.windows.erase(hwnd);
  TouchLocked(wm);
}

Window* FindLocked(WindowManager& wm, HWND hwnd) {
  auto it = wm.windows.find(hwnd);
  return it == wm.windows.end() ? nullptr : it->second.get();
}

std::wstring FoldCase(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return out;
}

int FloorDiv(int a, int b) {
  int q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

bool IsVisibleLocked(WindowManager& wm, const Window& w) {
  const Window* at = &w;
  while (at) {
    if (!(at->style & WS_VISIBLE)) return false;
    at = at->parent ? FindLocked(wm, at->parent) : nullptr;
  }
  return true;
}

RECT ScreenRectLocked(WindowManager& wm, const Window& w) {
  RECT r = w.rect;
  const Window* at = w.parent ? FindLocked(wm, w.parent) : nullptr;
  while (at) {
    r.left += at->rect.left;
    r.right += at->rect.left;
    r.top += at->rect.top;
    r.bottom += at->rect.top;
    at = at->parent ? FindLocked(wm, at->parent) : nullptr;
  }
  return r;
}

HWND TopLevelOfLocked(WindowManager& wm, HWND hwnd) {
  Window* w = FindLocked(wm, hwnd);
  while (w && w->parent) w = FindLocked(wm, w->parent);
  return w ? w->handle : nullptr;
}

bool IsInSubtreeLocked(WindowManager& wm, HWND root, HWND hwnd) {
  Window* w = FindLocked(wm, hwnd);
  while (w) {
    if (w->handle == root) return true;
    w = w->parent ? FindLocked(wm, w->parent) : nullptr;
  }
  return false;
}

namespace {

bool Contains(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

HWND DeepestLocked(WindowManager& wm, Window& w, POINT p, bool enabledOnly) {
  for (HWND h : w.children) {
    Window* c = FindLocked(wm, h);
    if (!c || !(c->style & WS_VISIBLE)) continue;
    if (!Contains(ScreenRectLocked(wm, *c), p)) continue;
    if (enabledOnly && (c->style & WS_DISABLED)) continue;
    return DeepestLocked(wm, *c, p, enabledOnly);
  }
  return w.handle;
}

}  // namespace

HWND HitTestLocked(WindowManager& wm, POINT screen, bool enabledOnly) {
  for (HWND h : wm.zorder) {
    Window* w = FindLocked(wm, h);
    if (!w || !(w->style & WS_VISIBLE) || !Contains(w->rect, screen)) continue;
    if (enabledOnly && (w->style & WS_DISABLED)) return nullptr;
    return DeepestLocked(wm, *w, screen, enabledOnly);
  }
  return nullptr;
}

void TouchLocked(WindowManager& wm) {
  ++wm.generation;
  wm.changed.notify_all();
}

void PostLocked(WindowManager& wm, ThreadQueue& q, const QueuedMessage& m) {
  q.posted.push_back(m);
  q.wake.notify_one();
  (void)wm;
}

void RunOnThreadLocked(ThreadQueue& queue, std::function<LRESULT()> work) {
  auto sm = std::make_shared<SentMessage>();
  sm->action = std::move(work);
  queue.sent.push_back(std::move(sm));
  queue.wake.notify_one();
}

namespace {
std::mutex g_hookLock;
std::function<void(HWND)> g_foregroundHook;
}  // namespace

void FireForegroundHook(HWND hwnd) {
  std::function<void(HWND)> hook;
  {
    std::lock_guard lk(g_hookLock);
    hook = g_foregroundHook;
  }
  if (hook) hook(hwnd);
}

}  // namespace cedev::user

namespace cedev {

std::function<void(HWND)> SetForegroundChangedHook(std::function<void(HWND)> hook) {
  std::lock_guard lk(user::g_hookLock);
  std::swap(hook, user::g_foregroundHook);
  return hook;
}

void PublishWindowState(HWND hwnd, const PublishedState& state) {
  user::LockedWindow w(hwnd, user::LockedWindow::Missing::quiet);
  if (!w) return;
  w->published = state;
  user::TouchLocked(w.wm());
}

bool PublishInsertedRow(HWND hwnd, const InsertedRow& row) {
  user::LockedWindow w(hwnd, user::LockedWindow::Missing::quiet);
  if (!w) return true;
  if (!w->published || w->published->rows.size() + 1 != row.rows || row.at >= row.rows)
    return false;
  PublishedState& published = *w->published;
  published.rows.insert(published.rows.begin() + static_cast<std::ptrdiff_t>(row.at), row.text);
  published.topRow = row.topRow;
  published.rowHeight = row.rowHeight;
  published.selectedRow = row.selectedRow;
  user::TouchLocked(w.wm());
  return true;
}

std::optional<PublishedState> PublishedWindowState(HWND hwnd) {
  user::LockedWindow w(hwnd, user::LockedWindow::Missing::quiet);
  if (!w) return std::nullopt;
  return w->published;
}

}  // namespace cedev
