// Messages and the threads' queues: sent messages (direct on the window's own thread, handed
// to the owner thread otherwise), posted messages, WM_QUIT, input, WM_PAINT, timers, key state.
//
// A thread handles messages sent to it only while it waits here (GetMessage, PeekMessage,
// WaitMessage, its own cross-thread SendMessage); Sleep never looks at the queue.
#include "UserState.h"

namespace cedev::user {

void HandleOneSentLocked(WindowManager& wm, ThreadQueue& me, std::unique_lock<std::mutex>& lk) {
  std::shared_ptr<SentMessage> sm = std::move(me.sent.front());
  me.sent.pop_front();
  LRESULT result = 0;
  if (sm->action) {
    ++me.inSend;
    lk.unlock();
    result = sm->action();
    lk.lock();
    --me.inSend;
  } else {
    Window* w = FindLocked(wm, sm->hwnd);
    WNDPROC proc = w ? w->proc : nullptr;
    if (proc) {
      ++me.inSend;
      lk.unlock();
      result = proc(sm->hwnd, sm->message, sm->wParam, sm->lParam);
      lk.lock();
      --me.inSend;
    }
  }
  sm->result = result;
  sm->done = true;
  if (sm->sender) sm->sender->wake.notify_one();
}

namespace {

bool InRange(UINT message, UINT min, UINT max) {
  if (min == 0 && max == 0) return true;
  return message >= min && message <= max;
}

bool WindowMatchesLocked(WindowManager& wm, HWND filter, HWND hwnd) {
  if (!filter) return true;
  return hwnd && IsInSubtreeLocked(wm, filter, hwnd);
}

bool TakePostedLocked(WindowManager& wm, ThreadQueue& me, LPMSG out, HWND filter, UINT min,
                      UINT max, bool remove) {
  for (auto it = me.posted.begin(); it != me.posted.end(); ++it) {
    if (!InRange(it->msg.message, min, max) && it->msg.message != WM_QUIT) continue;
    if (!WindowMatchesLocked(wm, filter, it->msg.hwnd)) continue;
    *out = it->msg;
    if (remove) {
      QueuedMessage m = *it;
      me.posted.erase(it);
      NoteKeyTakenLocked(me, m);  // the device's keys once came posted; GetKeyState still sees them
      TouchLocked(wm);
    }
    return true;
  }
  return false;
}

// Input comes after posted messages, in the order it happened; a key's window is chosen here.
bool TakeInputLocked(WindowManager& wm, ThreadQueue& me, LPMSG out, HWND filter, UINT min, UINT max,
                     bool remove) {
  for (auto it = me.input.begin(); it != me.input.end();) {
    const HWND hwnd = InputWindowLocked(wm, me, *it);
    if (!hwnd) {  // nowhere to go: lost, as on the device
      it = me.input.erase(it);
      TouchLocked(wm);
      continue;
    }
    if (!InRange(it->msg.message, min, max) || !WindowMatchesLocked(wm, filter, hwnd)) {
      ++it;
      continue;
    }
    QueuedMessage m = *it;
    m.msg.hwnd = hwnd;
    *out = m.msg;
    if (remove) {
      me.input.erase(it);
      NoteKeyTakenLocked(me, m);
      TouchLocked(wm);
    }
    return true;
  }
  return false;
}

// Parents before children, top-level windows in z-order: the order the device repaints in.
HWND FindPaintLocked(WindowManager& wm, Window& w, ThreadQueue& me, HWND filter) {
  if (!(w.style & WS_VISIBLE)) return nullptr;
  if (w.paintPending && w.queue.get() == &me && WindowMatchesLocked(wm, filter, w.handle)) {
    return w.handle;
  }
  for (HWND h : w.children) {
    if (Window* c = FindLocked(wm, h)) {
      if (HWND found = FindPaintLocked(wm, *c, me, filter)) return found;
    }
  }
  return nullptr;
}

bool TakePaintLocked(WindowManager& wm, ThreadQueue& me, LPMSG out, HWND filter, UINT min,
                     UINT max) {
  if (!InRange(WM_PAINT, min, max)) return false;
  for (HWND h : wm.zorder) {
    Window* w = FindLocked(wm, h);
    if (!w) continue;
    if (HWND found = FindPaintLocked(wm, *w, me, filter)) {
      *out = MSG{found, WM_PAINT, 0, 0, GetTickCount(), {}};
      return true;
    }
  }
  return false;
}

bool TakeTimerLocked(WindowManager& wm, ThreadQueue& me, LPMSG out, HWND filter, UINT min, UINT max,
                     bool remove, Clock::time_point now) {
  if (!InRange(WM_TIMER, min, max)) return false;
  for (Timer& t : me.timers) {
    if (t.due > now || !WindowMatchesLocked(wm, filter, t.hwnd)) continue;
    *out = MSG{t.hwnd, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc), GetTickCount(), {}};
    if (remove) t.due = now + std::chrono::milliseconds(t.elapse);
    return true;
  }
  return false;
}

std::optional<Clock::time_point> NextTimerLocked(const ThreadQueue& me) {
  std::optional<Clock::time_point> next;
  for (const Timer& t : me.timers) {
    if (!next || t.due < *next) next = t.due;
  }
  return next;
}

// One look at the queue in the device's order: sent messages (handled here), posted ones,
// WM_QUIT, input (taps and keys), WM_PAINT, WM_TIMER.
bool LookLocked(WindowManager& wm, ThreadQueue& me, std::unique_lock<std::mutex>& lk, LPMSG out,
                HWND filter, UINT min, UINT max, bool remove) {
  while (!me.sent.empty()) HandleOneSentLocked(wm, me, lk);
  if (TakePostedLocked(wm, me, out, filter, min, max, remove)) return true;
  if (me.quit) {
    *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(me.quitCode), 0, GetTickCount(), {}};
    if (remove) me.quit = false;
    return true;
  }
  if (TakeInputLocked(wm, me, out, filter, min, max, remove)) return true;
  if (TakePaintLocked(wm, me, out, filter, min, max)) return true;
  return TakeTimerLocked(wm, me, out, filter, min, max, remove, Clock::now());
}

void WaitLocked(WindowManager& wm, ThreadQueue& me, std::unique_lock<std::mutex>& lk) {
  me.idle = true;
  TouchLocked(wm);
  if (auto next = NextTimerLocked(me)) {
    me.wake.wait_until(lk, *next);
  } else {
    me.wake.wait(lk);
  }
  me.idle = false;
}

bool AnythingLocked(WindowManager& wm, ThreadQueue& me) {
  MSG ignored;
  if (!me.sent.empty() || !me.posted.empty() || me.quit) return true;
  if (TakeInputLocked(wm, me, &ignored, nullptr, 0, 0, false)) return true;
  if (TakePaintLocked(wm, me, &ignored, nullptr, 0, 0)) return true;
  return TakeTimerLocked(wm, me, &ignored, nullptr, 0, 0, false, Clock::now());
}

}  // namespace

bool WaitsForInputLocked(WindowManager& wm, ThreadQueue& q) {
  MSG ignored;
  return q.alive && q.idle && q.sent.empty() && q.posted.empty() && q.input.empty() && !q.quit &&
         !TakePaintLocked(wm, q, &ignored, nullptr, 0, 0);
}

namespace {

// Hands `sm` to the thread of `target` and waits for its answer. While waiting, this thread
// handles what is sent to it: two threads sending to each other both get their answers. A
// thread that has ended, or ends first, answers 0.
LRESULT WaitForAnswerLocked(ThreadQueue& me, ThreadQueue& target, std::shared_ptr<SentMessage> sm,
                            WindowManager& wm, std::unique_lock<std::mutex>& lk) {
  if (!target.alive) return 0;
  sm->sender = &me;
  target.sent.push_back(sm);
  target.wake.notify_one();
  while (!sm->done) {
    if (!me.sent.empty()) {
      HandleOneSentLocked(wm, me, lk);
      continue;
    }
    me.wake.wait(lk);
  }
  return sm->result;
}

}  // namespace

LRESULT RunOnThreadAndWaitLocked(WindowManager& wm, ThreadQueue& me, ThreadQueue& queue,
                                 std::function<LRESULT()> work, std::unique_lock<std::mutex>& lk) {
  auto sm = std::make_shared<SentMessage>();
  sm->action = std::move(work);
  return WaitForAnswerLocked(me, queue, std::move(sm), wm, lk);
}

LRESULT SendLocked(LockedWindow& target, UINT message, WPARAM wParam, LPARAM lParam) {
  auto me = target.me();
  if (target->queue == me) {
    WNDPROC proc = target->proc;
    HWND hwnd = target->handle;
    target.Release();
    return proc ? proc(hwnd, message, wParam, lParam) : 0;
  }
  auto sm = std::make_shared<SentMessage>();
  sm->hwnd = target->handle;
  sm->message = message;
  sm->wParam = wParam;
  sm->lParam = lParam;
  std::shared_ptr<ThreadQueue> queue = target->queue;
  return WaitForAnswerLocked(*me, *queue, std::move(sm), target.wm(), target.held().guard());
}

}  // namespace cedev::user

using namespace cedev::user;

LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  LockedWindow w(hWnd);
  return w ? SendLocked(w, Msg, wParam, lParam) : 0;
}

BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (!hWnd) return PostThreadMessageW(GetCurrentThreadId(), Msg, wParam, lParam);
  LockedWindow w(hWnd);  // a thread that has ended has taken its windows with it
  if (!w) return FALSE;
  QueuedMessage m;
  m.msg = MSG{hWnd, Msg, wParam, lParam, GetTickCount(), {}};
  PostLocked(w.wm(), *w->queue, m);
  return TRUE;
}

BOOL PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
  UserLock held;
  WindowManager& wm = held.wm();
  std::shared_ptr<ThreadQueue> q;
  if (idThread == GetCurrentThreadId()) {
    q = CurrentQueueLocked(wm);
  } else if (auto it = wm.queues.find(idThread); it != wm.queues.end()) {
    q = it->second.lock();
  }
  if (!q || !q->alive) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  QueuedMessage m;
  m.msg = MSG{nullptr, Msg, wParam, lParam, GetTickCount(), {}};
  PostLocked(wm, *q, m);
  return TRUE;
}

void PostQuitMessage(int nExitCode) {
  UserLock held;
  auto me = CurrentQueueLocked(held.wm());
  me->quit = true;
  me->quitCode = nExitCode;
}

BOOL GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
  UserLock held;
  WindowManager& wm = held.wm();
  std::unique_lock<std::mutex>& lk = held.guard();
  auto me = CurrentQueueLocked(wm);
  for (;;) {
    if (LookLocked(wm, *me, lk, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true)) {
      return lpMsg->message == WM_QUIT ? FALSE : TRUE;
    }
    WaitLocked(wm, *me, lk);
  }
}

BOOL PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
  UserLock held;
  WindowManager& wm = held.wm();
  auto me = CurrentQueueLocked(wm);
  return LookLocked(wm, *me, held.guard(), lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax,
                    (wRemoveMsg & PM_REMOVE) != 0)
             ? TRUE
             : FALSE;
}

BOOL WaitMessage() {
  UserLock held;
  WindowManager& wm = held.wm();
  std::unique_lock<std::mutex>& lk = held.guard();
  auto me = CurrentQueueLocked(wm);
  for (;;) {
    while (!me->sent.empty()) HandleOneSentLocked(wm, *me, lk);
    if (AnythingLocked(wm, *me)) return TRUE;
    WaitLocked(wm, *me, lk);
  }
}

BOOL InSendMessage() {
  UserLock held;
  return CurrentQueueLocked(held.wm())->inSend > 0 ? TRUE : FALSE;
}

LRESULT DispatchMessageW(const MSG* lpMsg) {
  if (!lpMsg) return 0;
  if (lpMsg->message == WM_TIMER && lpMsg->lParam != 0) {
    using TimerProc = void(CALLBACK*)(HWND, UINT, UINT_PTR, DWORD);
    auto proc = reinterpret_cast<TimerProc>(lpMsg->lParam);
    proc(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, GetTickCount());
    return 0;
  }
  if (!lpMsg->hwnd) return 0;
  LockedWindow w(lpMsg->hwnd);
  if (!w) return 0;
  if (w->queue != w.me()) {
    SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
    return 0;
  }
  WNDPROC proc = w->proc;
  w.Release();
  return proc ? proc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam) : 0;
}

BOOL TranslateMessage(const MSG* lpMsg) {
  if (!lpMsg || lpMsg->message != WM_KEYDOWN) return FALSE;
  UserLock held;
  WindowManager& wm = held.wm();
  auto me = CurrentQueueLocked(wm);
  const UINT vk = static_cast<UINT>(lpMsg->wParam);
  wchar_t ch = 0;
  if (me->lastKey.hwnd == lpMsg->hwnd && me->lastKey.wParam == lpMsg->wParam &&
      me->lastKey.time == lpMsg->time && me->lastKeyCharacter) {
    ch = me->lastKeyCharacter;
  } else if (vk >= 'A' && vk <= 'Z') {
    ch = static_cast<wchar_t>(me->keyDown[VK_SHIFT] ? vk : vk - 'A' + 'a');
  } else if (vk >= '0' && vk <= '9') {
    ch = static_cast<wchar_t>(vk);
  } else {
    switch (vk) {
      case VK_SPACE:
        ch = L' ';
        break;
      case VK_RETURN:
        ch = L'\r';
        break;
      case VK_TAB:
        ch = L'\t';
        break;
      case VK_BACK:
        ch = L'\b';
        break;
      case VK_ESCAPE:
        ch = 0x1B;
        break;
      default:
        break;
    }
  }
  if (!ch) return FALSE;
  // Posted: it comes before the key's release, which waits in the input queue, and behind
  // whatever was posted before it (a key that was itself posted is released first).
  QueuedMessage m;
  m.msg = MSG{lpMsg->hwnd, WM_CHAR, static_cast<WPARAM>(ch), lpMsg->lParam, lpMsg->time, lpMsg->pt};
  PostLocked(wm, *me, m);
  return TRUE;
}

SHORT GetKeyState(int nVirtKey) {
  UserLock held;
  auto me = CurrentQueueLocked(held.wm());
  return me->keyDown[static_cast<unsigned>(nVirtKey) & 0xFF] ? static_cast<SHORT>(0x8000 - 65536)
                                                             : SHORT{0};
}

UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
  LockedWindow w(hWnd, LockedWindow::Missing::errorUnlessNull);
  WindowManager& wm = w.wm();
  auto me = w.me();
  std::shared_ptr<ThreadQueue> q = me;
  if (hWnd) {
    if (!w) return 0;
    if (w->queue != me) {
      SetLastError(ERROR_ACCESS_DENIED);
      return 0;
    }
  } else {
    nIDEvent = wm.nextThreadTimer++;
  }
  const UINT elapse = uElapse == 0 ? 1 : uElapse;
  for (Timer& t : q->timers) {
    if (t.hwnd == hWnd && t.id == nIDEvent) {
      t.elapse = elapse;
      t.due = Clock::now() + std::chrono::milliseconds(elapse);
      t.proc = lpTimerFunc;
      return nIDEvent;
    }
  }
  q->timers.push_back(
      Timer{hWnd, nIDEvent, elapse, Clock::now() + std::chrono::milliseconds(elapse), lpTimerFunc});
  return hWnd ? nIDEvent : nIDEvent;
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
  LockedWindow w(hWnd, LockedWindow::Missing::quiet);
  std::shared_ptr<ThreadQueue> q = w.me();
  if (hWnd) {
    if (!w) return FALSE;
    q = w->queue;
  }
  const auto before = q->timers.size();
  std::erase_if(q->timers, [&](const Timer& t) { return t.hwnd == hWnd && t.id == uIDEvent; });
  return q->timers.size() != before ? TRUE : FALSE;
}
