// The window manager's own state: the window tree, the classes, every thread's queue and the
// screen picture, all under one lock. Only the window manager's files include this.
//
// Lock discipline: `WindowManager::lock` guards everything here. No window procedure, hook or
// other outside code is ever called while it is held; functions named ...Locked expect it held.
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
// (activation); the sender waits for `done` unless nobody waits.
struct SentMessage {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  std::function<void()> action;   // internal work instead of a message
  ThreadQueue* sender = nullptr;  // null: nobody waits for the result
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
  void* proc = nullptr;
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

WindowManager& Wm();

// The calling thread's queue, made on first use.
std::shared_ptr<ThreadQueue> CurrentQueueLocked(WindowManager& wm);

Window* FindLocked(WindowManager& wm, HWND hwnd);
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

// Internal hide/show and destroy steps shared by the tree and geometry files.
void MoveFocusAwayFrom(HWND hidden);
void ActivateOtherThan(HWND leaving);
void FireForegroundHook(HWND hwnd);

// Sent-message handling inside the message loop functions.
void HandleOneSentLocked(WindowManager& wm, ThreadQueue& me, std::unique_lock<std::mutex>& lk);
// Runs `work` on the thread of `queue` at its next message wait; nobody waits for it.
void RunOnThreadLocked(ThreadQueue& queue, std::function<void()> work);
// Makes `hwnd` (a top-level window of the calling thread, or null) the thread's active window.
void ActivateOnThisThread(HWND hwnd, bool setForeground);

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
