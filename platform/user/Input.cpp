// Hardware input: every thread has an input queue of its own beside its posted messages, as on
// the device. A tap is hit-tested when it happens and queued to the thread of the window it
// hit. A key is queued to the thread of the foreground window with no window at all: it gets
// one when that thread takes it (GetMessage, PeekMessage), the thread's focus at that moment.
// Keys typed while the focus moves (Tab then Space in one burst) thus reach the control that
// has the focus by the time each is read, not the one that had it when it was typed.
#include "UserState.h"

namespace cedev::user {

namespace {

LPARAM KeyLParam(UINT scan, bool up) {
  // Repeat count 1 and the scan code; a release also has its previous-state and transition bits.
  const DWORD bits = 1u | ((scan & 0xFFu) << 16) | (up ? 0xC0000000u : 0u);
  return static_cast<LPARAM>(bits);
}

}  // namespace

void QueueInputLocked(WindowManager& wm, ThreadQueue& q, const QueuedMessage& m) {
  q.input.push_back(m);
  q.wake.notify_one();
  (void)wm;
}

ThreadQueue* ForegroundQueueLocked(WindowManager& wm) {
  Window* fg = FindLocked(wm, wm.foreground);
  return fg && fg->queue->alive ? fg->queue.get() : nullptr;
}

ThreadQueue* QueueKeyLocked(WindowManager& wm, UINT vk, bool up, wchar_t character, UINT scan) {
  ThreadQueue* q = ForegroundQueueLocked(wm);
  if (!q) return nullptr;
  QueuedMessage m;
  m.msg = MSG{nullptr,
              up ? static_cast<UINT>(WM_KEYUP) : static_cast<UINT>(WM_KEYDOWN),
              vk,
              KeyLParam(scan, up),
              GetTickCount(),
              {}};
  m.character = up ? 0 : character;
  QueueInputLocked(wm, *q, m);
  return q;
}

HWND InputWindowLocked(WindowManager& wm, const ThreadQueue& me, const QueuedMessage& m) {
  HWND hwnd = m.msg.hwnd ? m.msg.hwnd : me.focus ? me.focus : me.active;
  return FindLocked(wm, hwnd) ? hwnd : nullptr;
}

void NoteKeyTakenLocked(ThreadQueue& me, const QueuedMessage& m) {
  const UINT vk = static_cast<UINT>(m.msg.wParam) & 0xFF;
  if (m.msg.message == WM_KEYDOWN) {
    me.keyDown[vk] = true;
    me.lastKey = m.msg;
    me.lastKeyCharacter = m.character;
  } else if (m.msg.message == WM_KEYUP) {
    me.keyDown[vk] = false;
  }
}

}  // namespace cedev::user

using namespace cedev::user;

void keybd_event(BYTE bVk, BYTE bScan, DWORD dwFlags, DWORD dwExtraInfo) {
  (void)dwExtraInfo;
  UserLock held;
  WindowManager& wm = held.wm();
  QueueKeyLocked(wm, bVk, (dwFlags & KEYEVENTF_KEYUP) != 0, 0, bScan);
}
