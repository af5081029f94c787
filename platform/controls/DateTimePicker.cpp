// "SysDateTimePick32" in time format: "HH:MM:SS" in 24 hours, with hour, minute and second
// fields. A tap or the focus makes the hour current; when focused the current field is shown in
// brackets. Two typed digits set the current field and move to the next (a first digit shows
// at once; a pair too large for the field starts over from its second digit); Left/Right change
// field, wrapping; Up/Down step the current field, wrapping within it. Every change the user
// makes tells the parent DTN_DATETIMECHANGE through WM_NOTIFY. The date part is kept as set.
#include "ControlProcs.h"
#include "ControlSupport.h"
#include "commctrl.h"

namespace cedev {
namespace {

constexpr int kFields = 3;
constexpr int kFieldMax[kFields] = {23, 59, 59};

struct PickerState {
  SYSTEMTIME time{};
  int field = 0;
  int firstDigit = -1;  // a digit typed into the current field, waiting for its pair
  bool focused = false;
  bool none = false;  // DTS_SHOWNONE and no time
  FontSlot font;
};

WindowStates<PickerState>& States() {
  static WindowStates<PickerState> states;
  return states;
}

WORD& FieldOf(SYSTEMTIME& t, int field) {
  return field == 0 ? t.wHour : field == 1 ? t.wMinute : t.wSecond;
}

std::wstring TwoDigits(int v) {
  wchar_t text[3] = {static_cast<wchar_t>(L'0' + v / 10 % 10), static_cast<wchar_t>(L'0' + v % 10),
                     0};
  return text;
}

std::wstring Shown(const PickerState& state, bool marked) {
  std::wstring out;
  SYSTEMTIME t = state.time;
  for (int f = 0; f < kFields; ++f) {
    if (f > 0) out += L':';
    std::wstring digits = TwoDigits(FieldOf(t, f));
    if (marked && f == state.field) digits = L"[" + digits + L"]";
    out += digits;
  }
  return out;
}

void Publish(HWND hwnd, const PickerState& state) {
  PublishedState published;
  published.shown = Shown(state, false);
  PublishWindowState(hwnd, published);
}

void Changed(HWND hwnd, const PickerState& state) {
  Publish(hwnd, state);
  InvalidateRect(hwnd, nullptr, TRUE);
}

void NotifyChange(HWND hwnd, const PickerState& state) {
  HWND parent = GetParent(hwnd);
  if (parent == nullptr) return;
  NMDATETIMECHANGE change{};
  change.nmhdr.hwndFrom = hwnd;
  change.nmhdr.idFrom = static_cast<UINT_PTR>(IdOf(hwnd));
  change.nmhdr.code = DTN_DATETIMECHANGE;
  change.dwFlags = state.none ? GDT_NONE : GDT_VALID;
  change.st = state.time;
  SendMessageW(parent, WM_NOTIFY, static_cast<WPARAM>(IdOf(hwnd)),
               reinterpret_cast<LPARAM>(&change));
}

void SetField(HWND hwnd, PickerState& state, int value) {
  WORD& slot = FieldOf(state.time, state.field);
  bool differs = slot != value;
  slot = static_cast<WORD>(value);
  Changed(hwnd, state);
  if (differs) NotifyChange(hwnd, state);
}

void SelectField(HWND hwnd, PickerState& state, int field) {
  state.field = (field % kFields + kFields) % kFields;
  state.firstDigit = -1;
  Changed(hwnd, state);
}

void TypeDigit(HWND hwnd, PickerState& state, int digit) {
  int max = kFieldMax[state.field];
  if (state.firstDigit < 0) {
    state.firstDigit = digit;
    SetField(hwnd, state, digit);
    return;
  }
  int value = state.firstDigit * 10 + digit;
  if (value > max) {
    state.firstDigit = digit;
    SetField(hwnd, state, digit);
    return;
  }
  state.firstDigit = -1;
  SetField(hwnd, state, value);
  if (state.field < kFields - 1) SelectField(hwnd, state, state.field + 1);
}

void Step(HWND hwnd, PickerState& state, int by) {
  int range = kFieldMax[state.field] + 1;
  int value = (FieldOf(state.time, state.field) + by % range + range) % range;
  state.firstDigit = -1;
  SetField(hwnd, state, value);
}

bool Valid(const SYSTEMTIME& t) {
  // The date must be a date even in time format, as the system's picker requires; the day of
  // the week is not checked.
  return t.wHour <= 23 && t.wMinute <= 59 && t.wSecond <= 59 && t.wMonth >= 1 && t.wMonth <= 12 &&
         t.wDay >= 1 && t.wDay <= 31;
}

// Focused, the current field is highlighted (and bracketed, for the picture as text).
void Paint(HWND hwnd, const PickerState& state) {
  Painter paint(hwnd, COLOR_WINDOW, COLOR_WINDOWTEXT);
  std::wstring text = state.none ? std::wstring(L"--:--:--") : Shown(state, state.focused);
  const int row = CentredRow(RowsOf(hwnd));
  paint.Text(0, row * kCellHeight, text);
  if (state.focused && !state.none) {
    const int column = state.field * 3;  // "HH:" a field
    SYSTEMTIME t = state.time;
    const std::wstring field = L"[" + TwoDigits(FieldOf(t, state.field)) + L"]";
    paint.Fill(CellsRect(column, row, 4), COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT);
    paint.Text(column * kCellWidth, row * kCellHeight, field);
  }
}

// A new picker shows the time of day it was made.
void InitPicker(PickerState& s, const CREATESTRUCTW*) {
  GetLocalTime(&s.time);
  s.time.wMilliseconds = 0;
}

LRESULT PickerMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, PickerState& s) {
  switch (msg) {
    case WM_CREATE:
      // The field has a frame of its own, as the system's picker draws one round its text.
      SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG_PTR>(StyleOf(hwnd) | WS_BORDER));
      Publish(hwnd, s);
      return 0;
    case WM_PAINT:
      Paint(hwnd, s);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_LBUTTONDOWN:
      if (GetFocus() != hwnd) SetFocus(hwnd);
      SelectField(hwnd, s, 0);
      return 0;
    case WM_SETFOCUS:
      s.focused = true;
      SelectField(hwnd, s, 0);
      return 0;
    case WM_KILLFOCUS:
      s.focused = false;
      s.firstDigit = -1;
      Changed(hwnd, s);
      return 0;
    case WM_CHAR:
      if (wParam >= L'0' && wParam <= L'9' && !s.none)
        TypeDigit(hwnd, s, static_cast<int>(wParam - L'0'));
      return 0;
    case WM_KEYDOWN:
      switch (wParam) {
        case VK_LEFT:
          SelectField(hwnd, s, s.field - 1);
          return 0;
        case VK_RIGHT:
          SelectField(hwnd, s, s.field + 1);
          return 0;
        case VK_UP:
          if (!s.none) Step(hwnd, s, 1);
          return 0;
        case VK_DOWN:
          if (!s.none) Step(hwnd, s, -1);
          return 0;
        case VK_HOME:
          SelectField(hwnd, s, 0);
          return 0;
        case VK_END:
          SelectField(hwnd, s, kFields - 1);
          return 0;
        default:
          break;
      }
      break;
    case DTM_GETSYSTEMTIME:
      if (lParam == 0) return GDT_ERROR;
      if (s.none) return GDT_NONE;
      *reinterpret_cast<SYSTEMTIME*>(lParam) = s.time;
      return GDT_VALID;
    case DTM_SETSYSTEMTIME:
      if (wParam == GDT_NONE) {
        if (!(StyleOf(hwnd) & DTS_SHOWNONE)) return FALSE;
        s.none = true;
        Changed(hwnd, s);
        return TRUE;
      }
      if (wParam != GDT_VALID || lParam == 0) return FALSE;
      if (!Valid(*reinterpret_cast<const SYSTEMTIME*>(lParam))) return FALSE;
      s.time = *reinterpret_cast<const SYSTEMTIME*>(lParam);
      s.time.wMilliseconds = 0;
      s.none = false;
      s.firstDigit = -1;
      Changed(hwnd, s);
      return TRUE;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK PickerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return ControlProc(States(), hwnd, msg, wParam, lParam, &PickerMessage, &InitPicker);
}

}  // namespace

WNDPROC DateTimePickerWindowProc() { return PickerProc; }

}  // namespace cedev
