#include "InputIdle.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace cewin {
namespace {

using Clock = std::chrono::steady_clock;

// A message no window of the program knows: posted to a thread (no window), it is taken and
// dropped by any message loop, and only the hook looks at it.
UINT MarkerMessage() {
  static const UINT marker = RegisterWindowMessageW(L"cewin.input-idle.marker");
  return marker;
}

struct Watched {
  HHOOK hook = nullptr;
  HHOOK sentHook = nullptr;  // WH_CALLWNDPROC: the texts windows are given
  unsigned long long taken = 0;        // messages taken that were not markers
  unsigned long long markerSeen = 0;   // the last marker's number
  unsigned long long takenAtMarker = 0;
};

// g_lock guards g_watched: the hooks update a thread's entry on that thread, the waiting
// thread reads them. No hook is called, and nothing posted, while it is held.
std::mutex g_lock;
std::map<DWORD, Watched> g_watched;
unsigned long long g_nextMarker = 0;  // under g_lock
std::map<HWND, std::wstring> g_textsGiven;  // under g_lock

LRESULT CALLBACK SentMessageHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    const wchar_t* text = nullptr;
    if (m->message == WM_SETTEXT) {
      text = reinterpret_cast<const wchar_t*>(m->lParam);
    } else if (m->message == WM_NCCREATE) {
      text = reinterpret_cast<const CREATESTRUCTW*>(m->lParam)->lpszName;
      if (text != nullptr && IS_INTRESOURCE(text)) text = nullptr;
    }
    std::lock_guard lk(g_lock);
    if (m->message == WM_NCDESTROY) {
      g_textsGiven.erase(m->hwnd);
    } else if (m->message == WM_SETTEXT || m->message == WM_NCCREATE) {
      g_textsGiven[m->hwnd] = text != nullptr ? text : L"";
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    std::lock_guard lk(g_lock);
    auto it = g_watched.find(GetCurrentThreadId());
    if (it != g_watched.end()) {
      if (msg->hwnd == nullptr && msg->message == MarkerMessage()) {
        it->second.markerSeen = static_cast<unsigned long long>(msg->wParam);
        it->second.takenAtMarker = it->second.taken;
      } else {
        ++it->second.taken;
      }
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool Watch(DWORD thread) {
  {
    std::lock_guard lk(g_lock);
    if (g_watched.count(thread) != 0) return true;
  }
  HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, GetMessageHook, nullptr, thread);
  if (hook == nullptr) return false;
  HHOOK sentHook = SetWindowsHookExW(WH_CALLWNDPROC, SentMessageHook, nullptr, thread);
  std::lock_guard lk(g_lock);
  g_watched[thread].hook = hook;
  g_watched[thread].sentHook = sentHook;
  return true;
}

// Posts a marker; its number, or 0 when the thread takes no messages (ended, or no queue).
unsigned long long PostMarker(DWORD thread) {
  unsigned long long n;
  {
    std::lock_guard lk(g_lock);
    n = ++g_nextMarker;
  }
  return PostThreadMessageW(thread, MarkerMessage(), static_cast<WPARAM>(n), 0) ? n : 0;
}

// Waits for marker n to reach the thread; the count of messages it had taken by then.
bool MarkerReached(DWORD thread, unsigned long long n, Clock::time_point deadline,
                   unsigned long long& takenAt) {
  for (;;) {
    {
      std::lock_guard lk(g_lock);
      const Watched& w = g_watched[thread];
      if (w.markerSeen >= n) {
        takenAt = w.takenAtMarker;
        return true;
      }
    }
    if (Clock::now() >= deadline) return false;
    Sleep(1);
  }
}

// One thread: true when two markers in a row reached it with nothing taken between them.
bool ThreadIdle(DWORD thread, Clock::time_point deadline) {
  if (!Watch(thread)) return true;  // no such thread any more, or one without input
  unsigned long long previous = 0;
  bool havePrevious = false;
  for (;;) {
    const unsigned long long n = PostMarker(thread);
    if (n == 0) return true;
    unsigned long long takenAt = 0;
    if (!MarkerReached(thread, n, deadline, takenAt)) return false;
    if (havePrevious && takenAt == previous) return true;
    previous = takenAt;
    havePrevious = true;
  }
}

}  // namespace

std::vector<DWORD> WindowThreads(std::vector<DWORD> also) {
  struct Search {
    DWORD process;
    std::vector<DWORD>* threads;
  } search{GetCurrentProcessId(), &also};
  EnumWindows(
      [](HWND hwnd, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        DWORD process = 0;
        const DWORD thread = GetWindowThreadProcessId(hwnd, &process);
        if (process == s->process) s->threads->push_back(thread);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  std::sort(also.begin(), also.end());
  also.erase(std::unique(also.begin(), also.end()), also.end());
  also.erase(std::remove(also.begin(), also.end(), GetCurrentThreadId()), also.end());
  return also;
}

bool WaitThreadsIdle(const std::vector<DWORD>& threads, std::chrono::milliseconds bound) {
  const auto deadline = Clock::now() + bound;
  // One thread's work may queue work for another: all must be found idle in one round.
  for (;;) {
    bool all = true;
    unsigned long long takenBefore = 0;
    {
      std::lock_guard lk(g_lock);
      for (const auto& [id, w] : g_watched) takenBefore += w.taken;
    }
    for (DWORD t : threads) {
      if (!ThreadIdle(t, deadline)) return false;
    }
    {
      std::lock_guard lk(g_lock);
      unsigned long long takenAfter = 0;
      for (const auto& [id, w] : g_watched) takenAfter += w.taken;
      // Markers aside, nothing was taken during the round by a thread seen idle before.
      all = takenAfter == takenBefore;
    }
    if (all) return true;
    if (Clock::now() >= deadline) return false;
  }
}

void WatchThread(DWORD thread) { Watch(thread); }

std::optional<std::wstring> LastTextGiven(HWND hwnd) {
  std::lock_guard lk(g_lock);
  auto it = g_textsGiven.find(hwnd);
  if (it == g_textsGiven.end()) return std::nullopt;
  return it->second;
}

void StopWatchingThreads() {
  std::map<DWORD, Watched> watched;
  {
    std::lock_guard lk(g_lock);
    watched.swap(g_watched);
  }
  for (const auto& [id, w] : watched) {
    UnhookWindowsHookEx(w.hook);
    if (w.sentHook != nullptr) UnhookWindowsHookEx(w.sentHook);
  }
}

}  // namespace cewin
