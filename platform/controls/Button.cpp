// "Button": push buttons, check boxes (plain, automatic, three-state, push-like), radio buttons
// with automatic group behaviour, and group boxes.
#include <algorithm>

#include "ControlProcs.h"
#include "ControlSupport.h"

namespace cedev {
namespace {

struct ButtonState {
  UINT check = BST_UNCHECKED;
  bool pushed = false;    // drawn pressed: stylus or Space held on it
  bool tracking = false;  // stylus went down on it and is not up yet
  bool spaceDown = false;
  bool focused = false;
  FontSlot font;
};

WindowStates<ButtonState>& States() {
  static WindowStates<ButtonState> states;
  return states;
}

DWORD TypeOf(HWND hwnd) { return StyleOf(hwnd) & BS_TYPEMASK; }

bool IsCheckType(DWORD type) {
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
         type == BS_AUTO3STATE || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

bool IsRadioType(DWORD type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }

void Publish(HWND hwnd, const ButtonState& state) {
  PublishedState published;
  published.checked = IsCheckType(TypeOf(hwnd)) ? (state.check == BST_UNCHECKED ? 0 : 1) : -1;
  PublishWindowState(hwnd, published);
}

void Redraw(HWND hwnd) { InvalidateRect(hwnd, nullptr, TRUE); }

void SetCheck(HWND hwnd, ButtonState& state, UINT check) {
  if (state.check == check) return;
  state.check = check;
  Publish(hwnd, state);
  Redraw(hwnd);
}

// The other automatic radio buttons of hwnd's group (from the WS_GROUP window at or before it
// to the next WS_GROUP window) lose their check.
void UncheckGroupSiblings(HWND hwnd) {
  HWND first = hwnd;
  while (!(StyleOf(first) & WS_GROUP)) {
    HWND previous = GetWindow(first, GW_HWNDPREV);
    if (previous == nullptr) break;
    first = previous;
  }
  for (HWND sibling = first; sibling != nullptr; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
    if (sibling != first && (StyleOf(sibling) & WS_GROUP)) break;
    if (sibling == hwnd || !IsButtonWindow(sibling) || TypeOf(sibling) != BS_AUTORADIOBUTTON)
      continue;
    SendMessageW(sibling, BM_SETCHECK, BST_UNCHECKED, 0);
  }
}

// What a completed press does: automatic types change their check first, then the parent hears
// BN_CLICKED.
void Click(HWND hwnd, ButtonState& state) {
  switch (TypeOf(hwnd)) {
    case BS_AUTOCHECKBOX:
      SetCheck(hwnd, state, state.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
      break;
    case BS_AUTO3STATE:
      SetCheck(hwnd, state, (state.check + 1) % 3);
      break;
    case BS_AUTORADIOBUTTON:
      SetCheck(hwnd, state, BST_CHECKED);
      UncheckGroupSiblings(hwnd);
      break;
    default:
      break;
  }
  NotifyParent(hwnd, BN_CLICKED);
}

void SetPushed(HWND hwnd, ButtonState& state, bool pushed) {
  if (state.pushed == pushed) return;
  state.pushed = pushed;
  Redraw(hwnd);
}

bool Inside(HWND hwnd, LPARAM lParam) {
  RECT r{};
  GetClientRect(hwnd, &r);
  int x = static_cast<short>(LOWORD(lParam));
  int y = static_cast<short>(HIWORD(lParam));
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// The face is laid out in the button's cells: the label centred, a pressed button's label dark,
// and the focus rectangle around the label, as the device draws it inside the button.
void Paint(HWND hwnd, const ButtonState& state) {
  Painter paint(hwnd, COLOR_BTNFACE, COLOR_BTNTEXT);
  const RECT& client = paint.Client();
  std::wstring text = WindowTextOf(hwnd);
  DWORD type = TypeOf(hwnd);
  int columns = ColumnsOf(hwnd);
  int row = CentredRow(RowsOf(hwnd));
  if (type == BS_GROUPBOX) {
    paint.Frame(client);
    if (!text.empty()) paint.Text(kCellWidth, 0, text);
    return;
  }
  std::wstring label;
  int column = 0;
  bool pushLike =
      type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON && (StyleOf(hwnd) & BS_PUSHLIKE);
  if (!IsCheckType(type) || pushLike) {
    bool down = state.pushed || (pushLike && state.check != BST_UNCHECKED);
    label = (down ? L"[*" : L"[ ") + text + (down ? L"*]" : L" ]");
    // A narrow button drops its padding before its text is cut (judged by its pixels, so
    // buttons of one width look alike wherever they start in a cell).
    if (static_cast<int>(label.size()) > client.right / kCellWidth)
      label = down ? L"*" + text + L"*" : L"[" + text + L"]";
    column = std::max(0, (columns - static_cast<int>(label.size())) / 2);
    // The label of a pressed button is dark; only the label, so that pressed neighbours, which
    // may meet in one cell, stay apart.
    const int shown = std::min(columns - column, static_cast<int>(label.size()));
    if (down) paint.Fill(CellsRect(column, row, shown), COLOR_BTNSHADOW, COLOR_HIGHLIGHTTEXT);
  } else {
    std::wstring mark;
    if (IsRadioType(type)) {
      mark = state.check != BST_UNCHECKED ? L"(o) " : L"( ) ";
    } else {
      mark = state.check == BST_CHECKED         ? L"[x] "
             : state.check == BST_INDETERMINATE ? L"[-] "
                                                : L"[ ] ";
    }
    label = mark + text;
  }
  int shown = std::min(columns - column, static_cast<int>(label.size()));
  paint.Text(column * kCellWidth, row * kCellHeight, label);
  if (state.focused && shown > 0) paint.Focus(CellsRect(column, row, shown));
}

LRESULT DialogCode(HWND hwnd) {
  switch (TypeOf(hwnd)) {
    case BS_PUSHBUTTON:
      return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    case BS_DEFPUSHBUTTON:
      return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
      return DLGC_BUTTON | DLGC_RADIOBUTTON;
    case BS_GROUPBOX:
      return DLGC_STATIC;
    default:
      return DLGC_BUTTON;
  }
}

LRESULT ButtonMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, ButtonState& s) {
  LRESULT result = 0;
  DWORD type = TypeOf(hwnd);
  switch (msg) {
    case WM_CREATE:
      Publish(hwnd, s);
      return 0;
    case WM_PAINT:
      Paint(hwnd, s);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_GETDLGCODE:
      return DialogCode(hwnd);
    case WM_SETTEXT:
    case WM_ENABLE:
      result = DefWindowProcW(hwnd, msg, wParam, lParam);
      Redraw(hwnd);
      return result;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (type == BS_GROUPBOX) return 0;
      if (GetFocus() != hwnd) SetFocus(hwnd);
      s.tracking = true;
      SetCapture(hwnd);
      SetPushed(hwnd, s, true);
      return 0;
    case WM_MOUSEMOVE:
      if (s.tracking) SetPushed(hwnd, s, Inside(hwnd, lParam));
      return 0;
    case WM_LBUTTONUP:
      if (!s.tracking) return 0;
      s.tracking = false;
      if (GetCapture() == hwnd) ReleaseCapture();
      SetPushed(hwnd, s, false);
      if (Inside(hwnd, lParam)) Click(hwnd, s);
      return 0;
    case WM_CAPTURECHANGED:
      if (s.tracking && reinterpret_cast<HWND>(lParam) != hwnd) {
        s.tracking = false;
        SetPushed(hwnd, s, false);
      }
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE && type != BS_GROUPBOX) {
        s.spaceDown = true;
        SetPushed(hwnd, s, true);
        return 0;
      }
      break;
    case WM_KEYUP:
      if (wParam == VK_SPACE && s.spaceDown) {
        s.spaceDown = false;
        SetPushed(hwnd, s, false);
        Click(hwnd, s);
        return 0;
      }
      break;
    case WM_SETFOCUS:
      s.focused = true;
      Redraw(hwnd);
      if (StyleOf(hwnd) & BS_NOTIFY) NotifyParent(hwnd, BN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s.focused = false;
      s.spaceDown = false;
      if (!s.tracking) SetPushed(hwnd, s, false);
      Redraw(hwnd);
      if (StyleOf(hwnd) & BS_NOTIFY) NotifyParent(hwnd, BN_KILLFOCUS);
      return 0;
    case BM_GETCHECK:
      return IsCheckType(type) ? s.check : BST_UNCHECKED;
    case BM_SETCHECK:
      if (IsCheckType(type)) {
        UINT check = static_cast<UINT>(wParam);
        if (check > BST_INDETERMINATE ||
            (check == BST_INDETERMINATE && type != BS_3STATE && type != BS_AUTO3STATE)) {
          check = check == BST_INDETERMINATE ? BST_CHECKED : BST_UNCHECKED;
        }
        SetCheck(hwnd, s, check);
      }
      return 0;
    case BM_GETSTATE:
      return s.check | (s.pushed ? BST_PUSHED : 0) | (s.focused ? BST_FOCUS : 0);
    case BM_SETSTATE:
      SetPushed(hwnd, s, wParam != 0);
      return 0;
    case BM_SETSTYLE: {
      DWORD style = (StyleOf(hwnd) & ~static_cast<DWORD>(BS_TYPEMASK)) |
                    (static_cast<DWORD>(wParam) & BS_TYPEMASK);
      SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG_PTR>(style));
      Publish(hwnd, s);
      if (LOWORD(lParam) != 0) Redraw(hwnd);
      return 0;
    }
    case BM_CLICK:
      // As a tap on the button: it takes the focus, is pressed and released, and clicks.
      if (type != BS_GROUPBOX && IsWindowEnabled(hwnd)) {
        SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        SendMessageW(hwnd, WM_LBUTTONUP, 0, 0);
      }
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return ControlProc(States(), hwnd, msg, wParam, lParam, &ButtonMessage);
}

}  // namespace

bool IsButtonWindow(HWND hwnd) {
  wchar_t name[16] = {};
  GetClassNameW(hwnd, name, 16);
  return lstrcmpiW(name, kButtonClass) == 0;
}

WNDPROC ButtonWindowProc() { return ButtonProc; }

}  // namespace cedev
