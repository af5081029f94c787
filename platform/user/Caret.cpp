// CreateCaret, SetCaretPos, ShowCaret, HideCaret, DestroyCaret.
#include "Caret.h"

#include "CellGrid.h"

using namespace cedev::user;

namespace {

struct Caret {
  HWND hwnd = nullptr;
  POINT at{};      // client pixels
  int hidden = 1;  // a new caret is hidden until shown
};

// Only with the window manager's lock held. Lives as long as the process, as the lock does.
std::unordered_map<DWORD, Caret>& Carets() {
  static auto& carets = *std::make_unique<std::unordered_map<DWORD, Caret>>().release();
  return carets;
}

Caret* MineLocked() {
  auto& carets = Carets();
  auto it = carets.find(GetCurrentThreadId());
  return it == carets.end() ? nullptr : &it->second;
}

// Changes the calling thread's caret; false when it has none (or `hwnd`, when given, is not its).
template <typename Change>
BOOL WithMine(HWND hwnd, Change change) {
  UserLock held;
  WindowManager& wm = held.wm();
  Caret* caret = MineLocked();
  if (!caret || (hwnd && hwnd != caret->hwnd)) return FALSE;
  change(*caret);
  TouchLocked(wm);
  return TRUE;
}

}  // namespace

namespace cedev::user {

void MarkCaretsLocked(WindowManager& wm, std::vector<ScreenCell>& cells) {
  for (const auto& [thread, caret] : Carets()) {
    Window* w = FindLocked(wm, caret.hwnd);
    if (caret.hidden > 0 || !w || !IsVisibleLocked(wm, *w)) continue;
    const CellPlace place = CellPlaceLocked(wm, *w);
    const int col = place.column + FloorDiv(caret.at.x, kCellWidth);
    const int row = place.row + FloorDiv(caret.at.y, kCellHeight);
    if (col < 0 || row < 0 || col >= kColumns || row >= kRows) continue;
    if (CellOwnerLocked(wm, col, row) != caret.hwnd) continue;
    cells[static_cast<size_t>(row * kColumns + col)].marks |= kMarkCaret;
  }
}

}  // namespace cedev::user

BOOL CreateCaret(HWND hWnd, HBITMAP, int, int) {
  LockedWindow w(hWnd);
  if (!w) return FALSE;
  Carets()[GetCurrentThreadId()] = Caret{hWnd, POINT{}, 1};
  TouchLocked(w.wm());
  return TRUE;
}

BOOL DestroyCaret() {
  UserLock held;
  WindowManager& wm = held.wm();
  const bool had = Carets().erase(GetCurrentThreadId()) != 0;
  TouchLocked(wm);
  return had ? TRUE : FALSE;
}

BOOL SetCaretPos(int X, int Y) {
  return WithMine(nullptr, [&](Caret& c) { c.at = POINT{X, Y}; });
}

BOOL ShowCaret(HWND hWnd) {
  return WithMine(hWnd, [](Caret& c) { c.hidden = std::max(0, c.hidden - 1); });
}

BOOL HideCaret(HWND hWnd) {
  return WithMine(hWnd, [](Caret& c) { ++c.hidden; });
}
