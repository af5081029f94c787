// What the controls share: their per-window state, notifications to the parent, and drawing
// text into the screen's cells.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ControlClasses.h"
#include "WindowState.h"
#include "windows.h"

namespace cedev {

// Each window's state for one control class (or the dialog manager's for a dialog), made on
// WM_NCCREATE and dropped on WM_NCDESTROY. Windows of one class live on several threads, so the
// map is locked. A state is handed out as shared ownership, never as a pointer that outlives the
// lock: a procedure that runs caller code while it uses the state (a notification whose handler
// destroys the control) or another thread (EndDialog) keeps it alive for as long as it uses it.
// Only the window's own thread touches a state's fields, but for those it declares atomic.
template <class State>
class WindowStates {
 public:
  std::shared_ptr<State> Create(HWND hwnd) {
    auto state = std::make_shared<State>();
    std::lock_guard<std::mutex> hold(lock_);
    states_[hwnd] = state;
    return state;
  }
  std::shared_ptr<State> Find(HWND hwnd) {
    std::lock_guard<std::mutex> hold(lock_);
    auto it = states_.find(hwnd);
    return it == states_.end() ? nullptr : it->second;
  }
  // The window's share goes; the state itself goes with the last user's.
  void Destroy(HWND hwnd) {
    std::shared_ptr<State> gone;
    std::lock_guard<std::mutex> hold(lock_);
    auto it = states_.find(hwnd);
    if (it == states_.end()) return;
    gone = std::move(it->second);
    states_.erase(it);
  }

 private:
  std::mutex lock_;
  std::unordered_map<HWND, std::shared_ptr<State>> states_;
};

inline DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)); }
inline int IdOf(HWND hwnd) { return static_cast<int>(GetWindowLongW(hwnd, GWL_ID)); }

// WM_COMMAND with `code` to the parent, as every control notifies.
void NotifyParent(HWND control, WORD code);

std::wstring WindowTextOf(HWND hwnd);

// The cells the client area lies on: columns and rows of the window's own grid (CellGrid.h),
// which may be one more than its pixels divided by the cell size.
int ColumnsOf(HWND hwnd);
int RowsOf(HWND hwnd);

// A paint pass: BeginPaint, the client area filled with a system colour, text put into cells in
// another, EndPaint.
class Painter {
 public:
  explicit Painter(HWND hwnd, int background = COLOR_BTNFACE, int text = COLOR_BTNTEXT);
  ~Painter();
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;
  // Text at client pixel (x, y), cut at the right edge of the client area.
  void Text(int x, int y, std::wstring_view text);
  // Text as DrawText lays it out in the client area.
  void Draw(std::wstring_view text, UINT format);
  void Frame(const RECT& rect);
  // Part of the client area filled with a system colour; text drawn after it is in `text`.
  void Fill(const RECT& rect, int background, int text);
  void TextColour(int text);
  // The focus rectangle (drawn by inverting: twice is none).
  void Focus(const RECT& rect);
  const RECT& Client() const { return client_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC dc_;
  RECT client_{};
};

// The client rectangle of `count` cells from cell (column, row) of a window's grid.
RECT CellsRect(int column, int row, int count);
// The row of one line of text centred in a window `rows` cells tall.
int CentredRow(int rows);

// Breaks `text` into lines of at most `columns` characters at blanks (a word longer than a line
// is cut), honouring line breaks in the text.
std::vector<std::wstring> WrapWords(std::wstring_view text, int columns);

// Font a control was given by WM_SETFONT; null is the system font.
struct FontSlot {
  HFONT font = nullptr;
  // Handles WM_SETFONT/WM_GETFONT; returns true when `msg` was one of them.
  bool Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
};

// The prologue every control's window procedure shares: the window's state is made on
// WM_NCCREATE (then `init`, when given, fills it from the CREATESTRUCT), found for every later
// message and held while `handle` runs, and dropped on WM_NCDESTROY; WM_SETFONT and WM_GETFONT keep the state's `font`. Any
// other message goes to `handle` with the state. A window without state (its WM_NCCREATE came
// before the class's procedure was in place) gets DefWindowProc.
template <class State>
LRESULT ControlProc(WindowStates<State>& states, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                    LRESULT (*handle)(HWND, UINT, WPARAM, LPARAM, State&),
                    void (*init)(State&, const CREATESTRUCTW*) = nullptr) {
  if (msg == WM_NCCREATE) {
    std::shared_ptr<State> created = states.Create(hwnd);
    if (init != nullptr) init(*created, reinterpret_cast<const CREATESTRUCTW*>(lParam));
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  const std::shared_ptr<State> state = states.Find(hwnd);
  if (state == nullptr) return DefWindowProcW(hwnd, msg, wParam, lParam);
  LRESULT result = 0;
  if (state->font.Handle(hwnd, msg, wParam, lParam, result)) return result;
  if (msg == WM_NCDESTROY) {
    states.Destroy(hwnd);
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  return handle(hwnd, msg, wParam, lParam, *state);
}

}  // namespace cedev
