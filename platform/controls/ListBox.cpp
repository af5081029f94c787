// "ListBox": a single-selection list of text rows, one cell row each. LBS_SORT keeps rows in
// text order without regard to case, as the system's comparison does; a tap selects the row
// under it; Up/Down/Home/End move the selection; rows that do not fit scroll by the top index,
// which follows the selection. LBS_NOTIFY tells the parent LBN_SELCHANGE and LBN_DBLCLK.
#include <algorithm>
#include <cwctype>

#include "ControlProcs.h"
#include "ControlSupport.h"

namespace cedev {
namespace {

struct Row {
  std::wstring text;
  LPARAM data = 0;
};

struct ListBoxState {
  std::vector<Row> rows;
  int selected = -1;
  int top = 0;
  int rowHeight = kCellHeight;
  bool tracking = false;
  bool focused = false;
  FontSlot font;
  int Count() const { return static_cast<int>(rows.size()); }
};

WindowStates<ListBoxState>& States() {
  static WindowStates<ListBoxState> states;
  return states;
}

int CompareBlind(const std::wstring& a, const std::wstring& b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    wint_t x = std::towlower(static_cast<wint_t>(a[i]));
    wint_t y = std::towlower(static_cast<wint_t>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool StartsWithBlind(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() && CompareBlind(text.substr(0, prefix.size()), prefix) == 0;
}

int VisibleRows(HWND hwnd, const ListBoxState& state) {
  RECT r{};
  GetClientRect(hwnd, &r);
  return std::max<int>(1, (r.bottom - r.top) / std::max(state.rowHeight, 1));
}

void Publish(HWND hwnd, const ListBoxState& state) {
  PublishedState published;
  for (const Row& row : state.rows) published.rows.push_back(row.text);
  published.topRow = state.top;
  published.rowHeight = state.rowHeight;
  published.selectedRow = state.selected;
  PublishWindowState(hwnd, published);
}

void Changed(HWND hwnd, const ListBoxState& state) {
  Publish(hwnd, state);
  InvalidateRect(hwnd, nullptr, TRUE);
}

void ClampTop(HWND hwnd, ListBoxState& state) {
  int most = std::max(0, state.Count() - VisibleRows(hwnd, state));
  state.top = std::clamp(state.top, 0, most);
}

void ShowRow(HWND hwnd, ListBoxState& state, int row) {
  if (row < 0) return;
  int visible = VisibleRows(hwnd, state);
  if (row < state.top) state.top = row;
  if (row >= state.top + visible) state.top = row - visible + 1;
  ClampTop(hwnd, state);
}

void Notify(HWND hwnd, WORD code) {
  if (StyleOf(hwnd) & LBS_NOTIFY) NotifyParent(hwnd, code);
}

int Insert(HWND hwnd, ListBoxState& state, int at, std::wstring text, LPARAM data) {
  if (at < 0 || at > state.Count()) at = state.Count();
  state.rows.insert(state.rows.begin() + at, Row{std::move(text), data});
  if (state.selected >= at) ++state.selected;
  ClampTop(hwnd, state);
  // The published rows gain the one row: a copy of them all on each insert made filling a long
  // list cost the square of its length.
  const auto row = static_cast<std::size_t>(at);
  if (!PublishInsertedRow(hwnd, InsertedRow{row, state.rows[row].text, state.rows.size(), state.top,
                                            state.rowHeight, state.selected}))
    Publish(hwnd, state);
  InvalidateRect(hwnd, nullptr, TRUE);
  return at;
}

int SortedPlace(const ListBoxState& state, const std::wstring& text) {
  auto it = std::upper_bound(
      state.rows.begin(), state.rows.end(), text,
      [](const std::wstring& t, const Row& row) { return CompareBlind(t, row.text) < 0; });
  return static_cast<int>(it - state.rows.begin());
}

int Find(const ListBoxState& state, int after, LPCWSTR text, bool exact) {
  if (text == nullptr || state.rows.empty()) return LB_ERR;
  std::wstring wanted = text;
  int count = state.Count();
  int start = (after < -1 || after >= count) ? 0 : after + 1;
  for (int k = 0; k < count; ++k) {
    int i = (start + k) % count;
    const std::wstring& row = state.rows[static_cast<std::size_t>(i)].text;
    if (exact ? CompareBlind(row, wanted) == 0 : StartsWithBlind(row, wanted)) return i;
  }
  return LB_ERR;
}

// A row chosen by the user: selected, scrolled into view, and the parent told.
void Choose(HWND hwnd, ListBoxState& state, int row) {
  if (row < 0 || row >= state.Count()) return;
  state.selected = row;
  ShowRow(hwnd, state, row);
  Changed(hwnd, state);
  Notify(hwnd, LBN_SELCHANGE);
}

int RowAt(HWND hwnd, const ListBoxState& state, LPARAM lParam) {
  int y = static_cast<short>(HIWORD(lParam));
  RECT r{};
  GetClientRect(hwnd, &r);
  if (y < 0 || y >= r.bottom) return -1;
  int row = state.top + y / std::max(state.rowHeight, 1);
  return row < state.Count() ? row : -1;
}

// The selected row is highlighted; with the focus, the focus rectangle is on the selected row,
// or on the first row shown when none is selected (so an empty list shows it has the focus).
void Paint(HWND hwnd, const ListBoxState& state) {
  Painter paint(hwnd, COLOR_WINDOW, COLOR_WINDOWTEXT);
  int visible = VisibleRows(hwnd, state);
  int columns = ColumnsOf(hwnd);
  RECT client = paint.Client();
  for (int k = 0; k < visible && state.top + k < state.Count(); ++k) {
    int i = state.top + k;
    std::wstring line =
        (i == state.selected ? L">" : L" ") + state.rows[static_cast<std::size_t>(i)].text;
    // More rows above or below than are shown: a mark in the last column says so.
    bool moreAbove = k == 0 && state.top > 0;
    bool moreBelow = k == visible - 1 && state.top + visible < state.Count();
    if ((moreAbove || moreBelow) && columns > 1) {
      line.resize(static_cast<std::size_t>(columns), L' ');
      line.back() = moreAbove ? L'^' : L'v';
    }
    RECT row{0, k * state.rowHeight, client.right, (k + 1) * state.rowHeight};
    if (i == state.selected) paint.Fill(row, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT);
    paint.Text(0, k * state.rowHeight, line);
    if (i == state.selected) paint.TextColour(COLOR_WINDOWTEXT);
  }
  if (state.focused) {
    int k = state.selected >= state.top && state.selected < state.top + visible
                ? state.selected - state.top
                : 0;
    paint.Focus(RECT{0, k * state.rowHeight, client.right, (k + 1) * state.rowHeight});
  }
}

LRESULT TextOfRow(const ListBoxState& state, WPARAM index, LPARAM buffer) {
  if (index >= state.rows.size() || buffer == 0) return LB_ERR;
  const std::wstring& text = state.rows[index].text;
  std::copy(text.begin(), text.end(), reinterpret_cast<LPWSTR>(buffer));
  reinterpret_cast<LPWSTR>(buffer)[text.size()] = L'\0';
  return static_cast<LRESULT>(text.size());
}

bool Key(HWND hwnd, ListBoxState& state, WPARAM key) {
  if (state.rows.empty()) return key == VK_UP || key == VK_DOWN || key == VK_HOME || key == VK_END;
  int last = state.Count() - 1;
  int page = VisibleRows(hwnd, state);
  int from = state.selected;
  int to = from;
  switch (key) {
    case VK_UP:
      to = from < 0 ? 0 : std::max(0, from - 1);
      break;
    case VK_DOWN:
      to = from < 0 ? 0 : std::min(last, from + 1);
      break;
    case VK_PRIOR:
      to = std::max(0, (from < 0 ? 0 : from) - page + 1);
      break;
    case VK_NEXT:
      to = std::min(last, (from < 0 ? 0 : from) + page - 1);
      break;
    case VK_HOME:
      to = 0;
      break;
    case VK_END:
      to = last;
      break;
    default:
      return false;
  }
  if (to != from) Choose(hwnd, state, to);
  return true;
}

LRESULT ListBoxMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, ListBoxState& s) {
  switch (msg) {
    case WM_CREATE:
      Publish(hwnd, s);
      return 0;
    case WM_SIZE:
      ClampTop(hwnd, s);
      ShowRow(hwnd, s, s.selected);
      Changed(hwnd, s);
      return 0;
    case WM_PAINT:
      Paint(hwnd, s);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_LBUTTONDOWN: {
      if (GetFocus() != hwnd) SetFocus(hwnd);
      int row = RowAt(hwnd, s, lParam);
      if (row >= 0) {
        s.selected = row;
        ShowRow(hwnd, s, row);
        Changed(hwnd, s);
      }
      s.tracking = row >= 0;
      return 0;
    }
    case WM_LBUTTONUP:
      // The selection is told when the stylus comes up, as the system's list does.
      if (s.tracking) {
        s.tracking = false;
        Notify(hwnd, LBN_SELCHANGE);
      }
      return 0;
    case WM_LBUTTONDBLCLK:
      if (RowAt(hwnd, s, lParam) >= 0) Notify(hwnd, LBN_DBLCLK);
      return 0;
    case WM_KEYDOWN:
      if (Key(hwnd, s, wParam)) return 0;
      break;
    case WM_CHAR: {
      wchar_t c = static_cast<wchar_t>(wParam);
      if (c <= L' ') break;
      int row = Find(s, s.selected, std::wstring(1, c).c_str(), false);
      if (row != LB_ERR && row != s.selected) Choose(hwnd, s, row);
      return 0;
    }
    case WM_SETFOCUS:  // told with or without LBS_NOTIFY, as the system's list does
      s.focused = true;
      InvalidateRect(hwnd, nullptr, TRUE);
      NotifyParent(hwnd, LBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s.focused = false;
      InvalidateRect(hwnd, nullptr, TRUE);
      NotifyParent(hwnd, LBN_KILLFOCUS);
      return 0;
    case LB_ADDSTRING: {
      std::wstring text = lParam != 0 ? reinterpret_cast<LPCWSTR>(lParam) : L"";
      int at = (StyleOf(hwnd) & LBS_SORT) ? SortedPlace(s, text) : s.Count();
      return Insert(hwnd, s, at, std::move(text), 0);
    }
    case LB_INSERTSTRING: {
      int at = static_cast<int>(wParam);
      if (at < -1 || at > s.Count()) return LB_ERR;
      return Insert(hwnd, s, at, lParam != 0 ? reinterpret_cast<LPCWSTR>(lParam) : L"", 0);
    }
    case LB_DELETESTRING: {
      if (wParam >= s.rows.size()) return LB_ERR;
      int at = static_cast<int>(wParam);
      s.rows.erase(s.rows.begin() + at);
      if (s.selected == at)
        s.selected = -1;
      else if (s.selected > at)
        --s.selected;
      ClampTop(hwnd, s);
      Changed(hwnd, s);
      return s.Count();
    }
    case LB_RESETCONTENT:
      s.rows.clear();
      s.selected = -1;
      s.top = 0;
      Changed(hwnd, s);
      return 0;
    case LB_GETCOUNT:
      return s.Count();
    case LB_GETCURSEL:
      return s.selected;
    case LB_SETCURSEL: {
      // -1 clears the selection (and still answers LB_ERR); any other index out of range is an
      // error that leaves the selection alone.
      int row = static_cast<int>(wParam);
      if (row == -1) {
        s.selected = -1;
        Changed(hwnd, s);
        return LB_ERR;
      }
      if (row < 0 || row >= s.Count()) return LB_ERR;
      s.selected = row;
      ShowRow(hwnd, s, row);
      Changed(hwnd, s);
      return row;
    }
    case LB_GETSEL:
      if (wParam >= s.rows.size()) return LB_ERR;
      return static_cast<int>(wParam) == s.selected ? 1 : 0;
    case LB_GETSELCOUNT:
    case LB_SETSEL:
      return LB_ERR;  // multiple selection only
    case LB_GETTEXT:
      return TextOfRow(s, wParam, lParam);
    case LB_GETTEXTLEN:
      if (wParam >= s.rows.size()) return LB_ERR;
      return static_cast<LRESULT>(s.rows[wParam].text.size());
    case LB_GETITEMDATA:
      if (wParam >= s.rows.size()) return LB_ERR;
      return s.rows[wParam].data;
    case LB_SETITEMDATA:
      if (wParam >= s.rows.size()) return LB_ERR;
      s.rows[wParam].data = lParam;
      return TRUE;
    case LB_FINDSTRING:
      return Find(s, static_cast<int>(wParam), reinterpret_cast<LPCWSTR>(lParam), false);
    case LB_FINDSTRINGEXACT:
      return Find(s, static_cast<int>(wParam), reinterpret_cast<LPCWSTR>(lParam), true);
    case LB_SELECTSTRING: {
      int row = Find(s, static_cast<int>(wParam), reinterpret_cast<LPCWSTR>(lParam), false);
      if (row == LB_ERR) return LB_ERR;
      s.selected = row;
      ShowRow(hwnd, s, row);
      Changed(hwnd, s);
      return row;
    }
    case LB_GETTOPINDEX:
      return s.top;
    case LB_SETTOPINDEX:
      if (wParam >= s.rows.size() && !s.rows.empty()) return LB_ERR;
      s.top = static_cast<int>(wParam);
      ClampTop(hwnd, s);
      Changed(hwnd, s);
      return 0;
    case LB_GETITEMHEIGHT:
      return s.rowHeight;
    case LB_SETITEMHEIGHT:
      if (LOWORD(lParam) == 0 || LOWORD(lParam) > 255) return LB_ERR;
      s.rowHeight = LOWORD(lParam);
      ClampTop(hwnd, s);
      Changed(hwnd, s);
      return 0;
    case LB_GETITEMRECT: {
      if (wParam >= s.rows.size() || lParam == 0) return LB_ERR;
      RECT client{};
      GetClientRect(hwnd, &client);
      auto* rect = reinterpret_cast<RECT*>(lParam);
      int top = (static_cast<int>(wParam) - s.top) * s.rowHeight;
      *rect = RECT{0, top, client.right, top + s.rowHeight};
      return 1;
    }
    case LB_ITEMFROMPOINT: {
      int row = RowAt(hwnd, s, lParam);
      // HIWORD 1: the point is outside every row (the nearest row is given).
      return row >= 0 ? MAKELRESULT(row, 0) : MAKELRESULT(std::max(0, s.Count() - 1), 1);
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return ControlProc(States(), hwnd, msg, wParam, lParam, &ListBoxMessage);
}

}  // namespace

WNDPROC ListBoxWindowProc() { return ListBoxProc; }

}  // namespace cedev
