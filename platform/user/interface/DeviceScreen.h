// What the device's own threads (the input thread, the displays, tests' automation) see of and
// do to the window system, without asking any window: the screen picture, the window tree,
// texts that are showing, and taps and keys queued to the threads' input queues.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ScreenCell.h"
#include "windows.h"

namespace cedev {

constexpr int kScreenColumns = 60;
constexpr int kScreenRows = 40;

// The picture: kScreenRows lines of exactly kScreenColumns cells.
std::vector<std::wstring> ScreenLines();
// The picture cell by cell, row after row (kScreenColumns x kScreenRows), with the carets shown.
std::vector<ScreenCell> ScreenCells();
// The screen pixel a tap on a cell reaches: inside the window that has the cell, at the middle
// of what the cell shows of it (CellGrid.h).
POINT CellTapPoint(int column, int row);
// The columns and rows of cells a window's client area lies on; 0 x 0 for no window.
SIZE WindowCells(HWND hwnd);
// Waits until no visible window has a paint pending; false when `bound` ran out first.
bool WaitForPaints(std::chrono::milliseconds bound);
// Counts changes to the picture and the tree; WaitForChange returns when it moves past `seen`.
unsigned long long DisplayGeneration();
void WaitForChange(unsigned long long seen, std::chrono::milliseconds bound);
// Wakes every WaitForChange at once, for a waiter that also watches something outside the window
// system (the end of the program).
void WakeChangeWaiters();

// One window a line, indented two blanks a depth: CLASS "TEXT" (L,T)-(R,B) and the states
// hidden, disabled, focused, checked; a window showing other than its text adds shows "...";
// list rows under their list box as row "TEXT", the selected one with selected.
std::wstring WindowTreeText();

// The centre (screen pixels) of the topmost visible window whose text (as shown) is `text`,
// or of a visible list row with that text.
std::optional<POINT> FindShowingText(std::wstring_view text);
// The topmost visible window showing `text` (for a row, its list box).
HWND FindWindowShowingText(std::wstring_view text);

// A tap at a screen point: WM_LBUTTONDOWN then WM_LBUTTONUP, queued to the input queue of the
// thread of the window with the capture, or else of the topmost visible enabled window under
// the point (deepest child), in its client coordinates: a tap is hit-tested when it happens.
// Returns that window, or null if none.
HWND InjectTap(POINT screen);

struct KeyStroke {
  UINT vk = 0;
  wchar_t character = 0;  // what TranslateMessage makes of it; 0 for none
  bool shift = false;
};
// A key: WM_KEYDOWN/WM_KEYUP (Shift around it when asked), queued to the input queue of the
// foreground window's thread. The window is chosen when that thread takes each message: its
// focus then, or its active window when nothing has the focus. Returns the thread, or 0 when
// there is no foreground window (the key is lost).
DWORD InjectKey(const KeyStroke& key);

// Waits until the thread owning `target` (WaitThreadIdle: `thread`) has taken its input and
// waits for more with nothing queued for it, so the next step sees what the input did. True at
// once for a window or thread that does not exist; false when `bound` ran out first.
bool WaitInputHandled(HWND target, std::chrono::milliseconds bound);
bool WaitThreadIdle(DWORD thread, std::chrono::milliseconds bound);
// The same, now, without waiting.
bool ThreadWaitsForInput(DWORD thread);
// Waits until every thread of the window system but the caller waits for input with nothing
// queued for it: the device is at rest, and only new input or a timer can change what it shows.
// False when `bound` ran out first (a thread is busy, or asleep in Sleep).
bool WaitDeviceIdle(std::chrono::milliseconds bound);

}  // namespace cedev
