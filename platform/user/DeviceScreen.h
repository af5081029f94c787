// What the device's own threads (the input thread, the displays, tests' automation) see of and
// do to the window system, without asking any window: the screen picture, the window tree,
// texts that are showing, and taps and keys queued to the thread of the window they hit.
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

// One window a line, indented two blanks a depth: CLASS "TEXT" (L,T)-(R,B) and the states
// hidden, disabled, focused, checked; a window showing other than its text adds shows "...";
// list rows under their list box as row "TEXT", the selected one with selected.
std::wstring WindowTreeText();

// The centre (screen pixels) of the topmost visible window whose text (as shown) is `text`,
// or of a visible list row with that text.
std::optional<POINT> FindShowingText(std::wstring_view text);
// The topmost visible window showing `text` (for a row, its list box).
HWND FindWindowShowingText(std::wstring_view text);

// A tap at a screen point: WM_LBUTTONDOWN then WM_LBUTTONUP, queued to the thread of the
// window with the capture, or else of the topmost visible enabled window under the point
// (deepest child), in its client coordinates. Returns that window, or null if none.
HWND InjectTap(POINT screen);

struct KeyStroke {
  UINT vk = 0;
  wchar_t character = 0;  // what TranslateMessage makes of it; 0 for none
  bool shift = false;
};
// A key: WM_KEYDOWN/WM_KEYUP (Shift around it when asked), queued to the focus window of the
// thread that owns the foreground window (the foreground window itself when that thread has no
// focus). Returns the window, or null if there is none.
HWND InjectKey(const KeyStroke& key);

// Waits until the thread owning `target` has taken the queued input and is waiting for more,
// so the next command sees what the input did. False when `bound` ran out first.
bool WaitInputHandled(HWND target, std::chrono::milliseconds bound);

}  // namespace cedev
