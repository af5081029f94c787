// The window manager's own state: the window tree, the classes, every thread's queue and the
// screen picture, all under one lock. Only the window manager's files include this.
//
// The lock. `WindowManager::lock` guards everything here, and the state is reached only with it
// held: through a UserLock, or a LockedWindow for one window found by its handle (in the manner
// of Wine's get_win_ptr and its release). Functions named ...Locked expect it held. No window
// procedure, hook or other caller code is ever called while it is held: an operation (destroy,
// move, show, activate, focus) takes its steps under one hold of the lock, collecting in an
// Outbox the messages they call for, and sends them once it is released; a step that depends on
// what those messages' procedures did is taken under the lock again after them.
//
// Ownership of per-window state. A window's record (Window) belongs to the window manager and
// is freed with the window: a Window& or Window* is used only while the lock that found it is
// held, never across a release. State kept for a window outside the window manager (the
// controls', the dialog manager's) is held by std::shared_ptr, so a call that releases the lock
// or runs caller code (a procedure that may destroy the window) keeps what it uses alive
// (ControlSupport.h's WindowStates).
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ScreenCell.h"
#include "WindowState.h"
#include "windows.h"

namespace cedev::user {

using Clock = std::chrono::steady_clock;

constexpr int kScreenWidth = 240;
constexpr int kScreenHeight = 320;
constexpr int kCellWidth = 4;
constexpr int kCellHeight = 8;
constexpr int kColumns = kScreenWidth / kCellWidth;
constexpr int kRows = kScreenHeight / kCellHeight;

struct ThreadQueue;

// A message sent to another thread's window, or work that must run on a window's own thread
// (activation, positioning); the sender waits for `done` unless nobody waits.
struct SentMessage {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  std::function<LRESULT()> action;  // internal work instead of a message
  ThreadQueue* sender = nullptr;    // null: nobody waits for the result
  LRESULT result = 0;
  bool done = false;
};

struct QueuedMessage {
  MSG msg{};
  wchar_t character = 0;  // the character of a key press from the device's input
};

struct Timer {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT elapse = 0;
  Clock::time_point due;
  TIMERPROC proc = nullptr;
};

struct ThreadQueue {
  DWORD threadId = 0;
  bool alive = true;
  std::condition_variable wake;  // only this thread waits on it
  std::deque<std::shared_ptr<SentMessage>> sent;
  std::deque<QueuedMessage> posted;
  // Hardware input (Input.cpp), taken after posted messages: taps carry the window they hit;
  // keys carry none, as the window is the thread's focus when the thread takes them.
  std::deque<QueuedMessage> input;
  std::vector<Timer> timers;
  bool quit = false;
  int quitCode = 0;
  HWND focus = nullptr;
  HWND active = nullptr;
  int inSend = 0;     // depth of sent messages being handled
  bool idle = false;  // blocked waiting for a message with nothing to do
  std::array<bool, 256> keyDown{};
  MSG lastKey{};
  wchar_t lastKeyCharacter = 0;
};

struct WindowClass {
  std::wstring name;
  WNDCLASSW wc{};
  ATOM atom = 0;
};

struct Window {
  HWND handle = nullptr;
  std::shared_ptr<WindowClass> cls;
  std::wstring text;
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT rect{};  // in the parent's client coordinates (the screen for a top-level window)
  HWND parent = nullptr;
  HWND owner = nullptr;
  std::vector<HWND> children;  // creation order; the first is on top
  std::shared_ptr<ThreadQueue> queue;
  WNDPROC proc = nullptr;
  LONG_PTR userData = 0;
  LONG_PTR id = 0;
  HINSTANCE instance = nullptr;
  std::vector<BYTE> extra;
  bool paintPending = false;
  bool erase = false;
  RECT update{};  // client coordinates
  bool destroying = false;
  HICON iconSmall = nullptr;
  HICON iconBig = nullptr;
  std::optional<PublishedState> published;
};

struct WindowManager {
  std::mutex lock;
  std::condition_variable changed;  // the picture, the tree or a queue's idleness changed
  std::unordered_map<HWND, std::unique_ptr<Window>> windows;
  std::vector<HWND> zorder;  // top-level windows, the topmost first
  std::unordered_map<DWORD, std::weak_ptr<ThreadQueue>> queues;
  std::unordered_map<std::wstring, std::shared_ptr<WindowClass>> classes;  // by lower-case name
  std::uintptr_t nextHandle = 0x10000;
  ATOM nextAtom = 0xC000;
  UINT_PTR nextThreadTimer = 1;
  HWND foreground = nullptr;
  HWND capture = nullptr;
  std::array<ScreenCell, kColumns * kRows> screen{};
  std::uint64_t generation = 0;
  int openPaints = 0;  // BeginPaint without its EndPaint yet: the picture is still changing
};

// The window manager's lock, held for as long as this lives: the one way to its state.
class UserLock {
 public:
  UserLock();
  UserLock(const UserLock&) = delete;
  UserLock& operator=(const UserLock&) = delete;
  WindowManager& wm() const { return wm_; }
  // For condition waits and for the steps that release the lock around a procedure's call.
  std::unique_lock<std::mutex>& guard() { return guard_; }

 private:
  WindowManager& wm_;
  std::unique_lock<std::mutex> guard_;
};

// One window found by its handle, with the lock held for as long as this lives. Not found (or
// a null handle), it is false and has set ERROR_INVALID_WINDOW_HANDLE, unless asked to be quiet
// (or to be quiet for a null handle, where an API takes null for "none"). The window may be
// used only until the lock is first released.
class LockedWindow {
 public:
  enum class Missing { error, quiet, errorUnlessNull };
  explicit LockedWindow(HWND hwnd, Missing missing = Missing::error);
  explicit operator bool() const { return window_ != nullptr; }
  Window& operator*() const { return *window_; }
  Window* operator->() const { return window_; }
  WindowManager& wm() const { return held_.wm(); }
  UserLock& held() { return held_; }
  // The calling thread's queue, made on first use.
  std::shared_ptr<ThreadQueue> me();
  // Ends the hold before the end of the scope; the window is not used after.
  void Release();

 private:
  UserLock held_;
  Window* window_;
};

// What an operation decided under the lock and must tell once it has released it, in order:
// messages to windows, steps to take under the lock again once the messages before them have
// been handled (what their procedures did may change what the step does), and the foreground
// hook. A message to a window that has gone by its turn is dropped.
class Outbox {
 public:
  using Step = std::function<void(WindowManager&, Outbox&)>;
  void Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void Then(Step step);
  void Foreground(HWND hwnd);
  // Without the lock held. What a step adds comes next, before what followed it.
  void Deliver();

 private:
  struct Item {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    Step step;
    bool foreground = false;
  };
  std::deque<Item> items_;
};

// One operation: `step` takes the lock and its steps under it, collecting what they must tell;
// once it has returned (and released the lock) that is delivered. Returns what `step` does.
template <typename Step>
auto Operate(Step step) {
  Outbox out;
  auto result = step(out);
  out.Deliver();
  return result;
}

// The calling thread's queue, made on first use.
std::shared_ptr<ThreadQueue> CurrentQueueLocked(WindowManager& wm);

Window* FindLocked(WindowManager& wm, HWND hwnd);
// Takes a window (not its children) out of the tree, its thread's focus and activation, the
// capture and the foreground, and frees its record.
void FreeWindowLocked(WindowManager& wm, HWND hwnd);
std::shared_ptr<WindowClass> FindClassLocked(WindowManager& wm, LPCWSTR name);
// Brings a top-level window to the top of its band (the topmost band when asked).
void RaiseLocked(WindowManager& wm, Window& w, bool topmostBand);
std::wstring FoldCase(std::wstring_view text);
bool IsVisibleLocked(WindowManager& wm, const Window& w);  // it and every ancestor
RECT ScreenRectLocked(WindowManager& wm, const Window& w);
HWND TopLevelOfLocked(WindowManager& wm, HWND hwnd);
bool IsInSubtreeLocked(WindowManager& wm, HWND root, HWND hwnd);
// The deepest visible window at a screen point (enabled ones only when asked); null if none.
HWND HitTestLocked(WindowManager& wm, POINT screen, bool enabledOnly);

// Painting: marks what needs painting and wakes the owners.
void InvalidateLocked(WindowManager& wm, Window& w, const RECT* client, bool erase);
void InvalidateTreeLocked(WindowManager& wm, Window& w);
// The area a window left: blanks it and has every window beneath repaint it.
void UncoverLocked(WindowManager& wm, const RECT& screen);
void TouchLocked(WindowManager& wm);  // something the display shows changed

// The steps of focus and activation (Focus.cpp), each for the calling thread `me` and taken
// under one hold of the lock; what they must tell goes to `out`.
//
// Gives the focus to `hwnd` (a window of `me`, or null) without activating anything: the old
// focus hears WM_KILLFOCUS, then `hwnd` WM_SETFOCUS unless the first changed the focus again.
// Returns the old focus.
HWND FocusLocked(WindowManager& wm, ThreadQueue& me, HWND hwnd, Outbox& out);
// Makes `hwnd` (a top-level window of `me`, or null) the thread's active window, and the
// foreground window when asked: WM_ACTIVATE to the old and the new. With `kFocus`, if `hwnd` is
// then still active and the focus is not inside it, the focus goes to it (none for null), as on
// Windows; SetFocus, which moves the focus itself, activates without.
enum Activation : unsigned { kForeground = 1, kFocus = 2 };
void ActivateLocked(WindowManager& wm, ThreadQueue& me, HWND hwnd, unsigned activation,
                    Outbox& out);
// Makes `hwnd` (a top-level window of any thread) the foreground window: activated at once on
// this thread, or on its own thread at its next message wait.
void SetForegroundLocked(WindowManager& wm, ThreadQueue& me, Window& top, Outbox& out);
// `leaving` (being hidden or destroyed) was active or the foreground: its owner or the topmost
// other window that can be is activated, or none.
void ActivateOtherLocked(WindowManager& wm, ThreadQueue& me, HWND leaving, Outbox& out);
// Once `hidden` is hidden, and after the activation that may have moved the focus: a focus still
// inside it goes to its parent (none for a top-level window).
void MoveFocusAwayLocked(WindowManager& wm, ThreadQueue& me, HWND hidden, Outbox& out);
void FireForegroundHook(HWND hwnd);

// Where a window is (Geometry.cpp): SetWindowPos's step for a window of the calling thread.
void SetWindowPosLocked(WindowManager& wm, ThreadQueue& me, Window& w, HWND insertAfter, int x,
                        int y, int cx, int cy, UINT flags, Outbox& out);

// Sent-message handling inside the message loop functions.
void HandleOneSentLocked(WindowManager& wm, ThreadQueue& me, std::unique_lock<std::mutex>& lk);
// Runs `work` on the thread of `queue` at its next message wait; nobody waits for it.
void RunOnThreadLocked(ThreadQueue& queue, std::function<LRESULT()> work);
// Runs `work` on the thread of `queue` as a message sent to it runs, and waits for its result
// (0 when that thread ends first), handling what is sent to this thread meanwhile.
LRESULT RunOnThreadAndWaitLocked(WindowManager& wm, ThreadQueue& me, ThreadQueue& queue,
                                 std::function<LRESULT()> work, std::unique_lock<std::mutex>& lk);
// SendMessage's work for a window found under the lock: its procedure called on this thread,
// or the message handed to its own thread and waited for. Releases the lock to do either.
LRESULT SendLocked(LockedWindow& target, UINT message, WPARAM wParam, LPARAM lParam);

void PostLocked(WindowManager& wm, ThreadQueue& q, const QueuedMessage& m);

// Hardware input (Input.cpp). Queues one message to a thread's input queue.
void QueueInputLocked(WindowManager& wm, ThreadQueue& q, const QueuedMessage& m);
// The input queue of the foreground window's thread, which keys go to; null when there is no
// foreground window.
ThreadQueue* ForegroundQueueLocked(WindowManager& wm);
// A key press or release queued, with no window yet, to the foreground thread's input queue;
// that queue, or null when there is no foreground window (the key is lost, as on the device).
ThreadQueue* QueueKeyLocked(WindowManager& wm, UINT vk, bool up, wchar_t character, UINT scan);
// The window an input message goes to as the thread takes it: a tap's own, a key's the thread's
// focus, or its active window when nothing has the focus. Null when that window is gone.
HWND InputWindowLocked(WindowManager& wm, const ThreadQueue& me, const QueuedMessage& m);
// Key state and the last key, for GetKeyState and TranslateMessage, as a key message is taken.
void NoteKeyTakenLocked(ThreadQueue& me, const QueuedMessage& m);
// True when the thread waits for a message and nothing is queued for it (sent, posted, input,
// quit, paint): only new input or a timer can wake it.
bool WaitsForInputLocked(WindowManager& wm, ThreadQueue& q);

int FloorDiv(int a, int b);

}  // namespace cedev::user
