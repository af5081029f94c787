// "Edit": a single-line text field. Typing replaces the selection, Backspace and Delete remove,
// arrows, Home and End move the caret; ES_READONLY refuses changes, ES_AUTOHSCROLL lets the text
// run past the right edge (scrolled to keep the caret in view), without it the text is limited
// to what fits. Each change by the user or by WM_SETTEXT tells the parent EN_UPDATE and EN_CHANGE.
#include <algorithm>
#include <cwctype>

#include "ControlProcs.h"
#include "ControlSupport.h"

namespace cedev {
namespace {

constexpr std::size_t kDefaultLimit = 0x7FFFFFFE;

struct EditState {
  std::wstring text;
  std::size_t anchor = 0;  // selection is [min(anchor, caret), max(anchor, caret))
  std::size_t caret = 0;
  std::size_t scroll = 0;  // first character shown
  std::size_t limit = kDefaultLimit;
  bool focused = false;
  FontSlot font;
  std::size_t SelStart() const { return std::min(anchor, caret); }
  std::size_t SelEnd() const { return std::max(anchor, caret); }
};

WindowStates<EditState>& States() {
  static WindowStates<EditState> states;
  return states;
}

void Redraw(HWND hwnd) { InvalidateRect(hwnd, nullptr, TRUE); }

// The characters that fit the edit's pixels: its capacity and what it shows do not depend on
// where it starts inside a cell.
std::size_t Columns(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  return static_cast<std::size_t>(std::max<LONG>(0, (r.right - r.left) / kCellWidth));
}

void KeepCaretInView(HWND hwnd, EditState& state) {
  std::size_t columns = std::max<std::size_t>(Columns(hwnd), 1);
  if (state.caret < state.scroll) state.scroll = state.caret;
  if (state.caret >= state.scroll + columns) state.scroll = state.caret - columns + 1;
  if (state.scroll > state.text.size()) state.scroll = state.text.size();
}

// The window's own text follows the contents, so that readers of the window see them.
void TextChanged(HWND hwnd, EditState& state) {
  DefWindowProcW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(state.text.c_str()));
  KeepCaretInView(hwnd, state);
  Redraw(hwnd);
  NotifyParent(hwnd, EN_UPDATE);
  NotifyParent(hwnd, EN_CHANGE);
}

std::size_t Capacity(HWND hwnd, const EditState& state) {
  if (StyleOf(hwnd) & ES_AUTOHSCROLL) return state.limit;
  return std::min(state.limit, Columns(hwnd));
}

void ReplaceSelection(HWND hwnd, EditState& state, std::wstring_view with) {
  std::size_t start = state.SelStart();
  std::size_t end = state.SelEnd();
  std::size_t kept = state.text.size() - (end - start);
  std::size_t room = Capacity(hwnd, state) > kept ? Capacity(hwnd, state) - kept : 0;
  if (with.size() > room) with = with.substr(0, room);
  if (with.empty() && start == end) return;
  state.text.replace(start, end - start, with);
  state.caret = state.anchor = start + with.size();
  TextChanged(hwnd, state);
}

void TypeCharacter(HWND hwnd, EditState& state, wchar_t c) {
  DWORD style = StyleOf(hwnd);
  if (style & ES_READONLY) return;
  if (c == VK_BACK) {
    if (state.SelStart() == state.SelEnd()) {
      if (state.caret == 0) return;
      state.anchor = state.caret - 1;
    }
    ReplaceSelection(hwnd, state, L"");
    return;
  }
  if (c < L' ' || c == 0x7F) return;
  if ((style & ES_NUMBER) && !(c >= L'0' && c <= L'9')) return;
  if (style & ES_UPPERCASE) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
  if (style & ES_LOWERCASE) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  ReplaceSelection(hwnd, state, std::wstring_view(&c, 1));
}

void MoveCaret(HWND hwnd, EditState& state, std::size_t to) {
  state.caret = state.anchor = std::min(to, state.text.size());
  KeepCaretInView(hwnd, state);
  Redraw(hwnd);
}

bool Key(HWND hwnd, EditState& state, WPARAM key) {
  switch (key) {
    case VK_LEFT:
      MoveCaret(hwnd, state,
                state.SelStart() != state.SelEnd() ? state.SelStart()
                                                   : (state.caret > 0 ? state.caret - 1 : 0));
      return true;
    case VK_RIGHT:
      MoveCaret(hwnd, state, state.SelStart() != state.SelEnd() ? state.SelEnd() : state.caret + 1);
      return true;
    case VK_HOME:
      MoveCaret(hwnd, state, 0);
      return true;
    case VK_END:
      MoveCaret(hwnd, state, state.text.size());
      return true;
    case VK_DELETE:
      if (StyleOf(hwnd) & ES_READONLY) return true;
      if (state.SelStart() == state.SelEnd()) {
        if (state.caret >= state.text.size()) return true;
        state.anchor = state.caret + 1;
      }
      ReplaceSelection(hwnd, state, L"");
      return true;
    default:
      return false;
  }
}

void SetSelection(HWND hwnd, EditState& state, WPARAM wParam, LPARAM lParam) {
  auto clamp = [&](LONG_PTR v) {
    return v < 0 ? state.text.size() : std::min(static_cast<std::size_t>(v), state.text.size());
  };
  LONG_PTR start = static_cast<LONG_PTR>(static_cast<int>(wParam));
  if (start == -1) {
    state.anchor = state.caret;  // deselect, the caret stays
  } else {
    state.anchor = clamp(start);
    state.caret = clamp(static_cast<int>(lParam));
  }
  KeepCaretInView(hwnd, state);
  Redraw(hwnd);
}

void Paint(HWND hwnd, const EditState& state) {
  Painter paint(hwnd, COLOR_WINDOW, COLOR_WINDOWTEXT);
  DWORD style = StyleOf(hwnd);
  std::size_t columns = Columns(hwnd);
  std::wstring shown =
      state.scroll < state.text.size() ? state.text.substr(state.scroll, columns) : L"";
  if (style & ES_PASSWORD) shown.assign(shown.size(), L'*');
  // An editable field shows its extent, so an empty one can be seen and tapped.
  if (!(style & ES_READONLY) && shown.size() < columns) shown.append(columns - shown.size(), L'_');
  const int y = CentredRow(RowsOf(hwnd)) * kCellHeight;
  paint.Text(0, y, shown);
  // The caret stands before the character it would type over.
  if (state.focused) SetCaretPos(static_cast<int>(state.caret - state.scroll) * kCellWidth, y);
}

// The window's text at creation is the edit's first text.
void InitEdit(EditState& s, const CREATESTRUCTW* cs) {
  if (cs != nullptr && cs->lpszName != nullptr && !IS_INTRESOURCE(cs->lpszName))
    s.text = cs->lpszName;
}

LRESULT EditMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, EditState& s) {
  switch (msg) {
    case WM_PAINT:
      Paint(hwnd, s);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_SETTEXT: {
      const auto* text = reinterpret_cast<LPCWSTR>(lParam);
      s.text = text != nullptr ? text : L"";
      s.anchor = s.caret = s.scroll = 0;
      TextChanged(hwnd, s);
      return TRUE;
    }
    case WM_CHAR:
      TypeCharacter(hwnd, s, static_cast<wchar_t>(wParam));
      return 0;
    case WM_KEYDOWN:
      if (Key(hwnd, s, wParam)) return 0;
      break;
    case WM_LBUTTONDOWN: {
      if (GetFocus() != hwnd) SetFocus(hwnd);
      int x = static_cast<short>(LOWORD(lParam));
      MoveCaret(hwnd, s, s.scroll + static_cast<std::size_t>(std::max(0, x / kCellWidth)));
      return 0;
    }
    case WM_SETFOCUS:
      s.focused = true;
      CreateCaret(hwnd, nullptr, 1, kCellHeight);
      ShowCaret(hwnd);
      Redraw(hwnd);
      NotifyParent(hwnd, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s.focused = false;
      DestroyCaret();
      Redraw(hwnd);
      NotifyParent(hwnd, EN_KILLFOCUS);
      return 0;
    case EM_GETSEL: {
      DWORD start = static_cast<DWORD>(s.SelStart());
      DWORD end = static_cast<DWORD>(s.SelEnd());
      if (wParam != 0) *reinterpret_cast<DWORD*>(wParam) = start;
      if (lParam != 0) *reinterpret_cast<DWORD*>(lParam) = end;
      return (start > 0xFFFF || end > 0xFFFF) ? -1 : MAKELRESULT(start, end);
    }
    case EM_SETSEL:
      SetSelection(hwnd, s, wParam, lParam);
      return 0;
    case EM_LIMITTEXT:
      s.limit = wParam == 0 ? kDefaultLimit : static_cast<std::size_t>(wParam);
      return 0;
    case EM_SETREADONLY: {
      DWORD style = StyleOf(hwnd);
      style = wParam ? (style | ES_READONLY) : (style & ~static_cast<DWORD>(ES_READONLY));
      SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG_PTR>(style));
      Redraw(hwnd);
      return TRUE;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return ControlProc(States(), hwnd, msg, wParam, lParam, &EditMessage, &InitEdit);
}

}  // namespace

WNDPROC EditWindowProc() { return EditProc; }

}  // namespace cedev
