// The task bar: the foreground window's title, the volume icon and, for a window that asks for
// one, the "ok" button. A button-up on the icon opens or closes the volume popup; a button-up
// on "ok" gives the foreground window its IDOK command.
#include <cwchar>
#include <memory>
#include <string>

#include "ShellWindows.h"

namespace cedev::shell {
namespace {

constexpr wchar_t kTaskBarClass[] = L"HHTaskBar";
constexpr wchar_t kIconText[] = L"<))";
constexpr wchar_t kOkText[] = L"[ok]";
// The "ok" button's place in client pixels: the bar's right end.
constexpr RECT kOkButton{214, 0, 240, kTaskBarHeight};
// Cells are 4 pixels wide; text starts one cell in.
constexpr int kCellWidth = 4;
constexpr int kTextY = 8;

struct TaskBarState {
  Settings settings;
  HWND shown = nullptr;  // the foreground window the bar last painted
  std::wstring title;
  bool okButton = false;
};

// Only the shell thread touches it: the bar is made, painted and tapped there.
std::unique_ptr<TaskBarState> g_state;

bool Contains(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

bool WantsOkButton(HWND hwnd) {
  return hwnd != nullptr && (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_CAPTIONOKBTN) != 0;
}

std::wstring TitleOf(HWND hwnd) {
  if (hwnd == nullptr) return {};
  wchar_t text[256] = {};
  GetWindowTextW(hwnd, text, 256);
  return text;
}

// The window the bar speaks for: the foreground window, unless that is one of the shell's own.
HWND ForegroundForBar(HWND bar) {
  HWND fg = GetForegroundWindow();
  if (fg == bar) return nullptr;
  return fg;
}

void Refresh(HWND bar) {
  HWND fg = ForegroundForBar(bar);
  std::wstring title = TitleOf(fg);
  bool ok = WantsOkButton(fg);
  if (fg != g_state->shown || title != g_state->title || ok != g_state->okButton) {
    g_state->shown = fg;
    g_state->title = std::move(title);
    g_state->okButton = ok;
    InvalidateRect(bar, nullptr, TRUE);
  }
}

void Paint(HWND bar) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(bar, &ps);
  RECT client;
  GetClientRect(bar, &client);
  // The bar in its own colour, the title in the caption's, the icon and "ok" in a paler one.
  FillRect(dc, &client, GetSysColorBrush(COLOR_ACTIVECAPTION));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_CAPTIONTEXT));
  const RECT& icon = g_state->settings.volumeIcon;
  // The title stops one cell short of the icon.
  int room = static_cast<int>(icon.left) / kCellWidth - 2;
  std::wstring title = g_state->title;
  if (room < 0) room = 0;
  if (static_cast<int>(title.size()) > room) title.resize(static_cast<size_t>(room));
  ExtTextOutW(dc, kCellWidth, kTextY, 0, nullptr, title.c_str(), static_cast<UINT>(title.size()),
              nullptr);
  SetTextColor(dc, GetSysColor(COLOR_INACTIVECAPTIONTEXT));
  ExtTextOutW(dc, static_cast<int>(icon.left) + kCellWidth, kTextY, 0, nullptr, kIconText,
              static_cast<UINT>(wcslen(kIconText)), nullptr);
  if (g_state->okButton) {
    ExtTextOutW(dc, kOkButton.left + kCellWidth, kTextY, 0, nullptr, kOkText,
                static_cast<UINT>(wcslen(kOkText)), nullptr);
  }
  EndPaint(bar, &ps);
}

void ButtonUp(HWND bar, POINT p) {
  if (Contains(g_state->settings.volumeIcon, p)) {
    if (IsVolumePopupOpen()) {
      CloseVolumePopup();
    } else {
      OpenVolumePopup(g_state->settings);
    }
    return;
  }
  // Any other tap on the bar closes the popup, as a tap anywhere else does.
  if (IsVolumePopupOpen()) CloseVolumePopup();
  if (Contains(kOkButton, p)) {
    HWND fg = ForegroundForBar(bar);
    // Posted, not sent: the window's OK may open a message box, and the bar must stay live.
    if (WantsOkButton(fg)) PostMessageW(fg, WM_COMMAND, IDOK, 0);
  }
}

LRESULT CALLBACK TaskBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!g_state) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case kForegroundChanged:
      Refresh(hwnd);
      return 0;
    case WM_LBUTTONDOWN:
      return 0;
    case WM_LBUTTONUP:
      ButtonUp(hwnd, POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      return 0;
    case WM_DESTROY:
      if (IsVolumePopupOpen()) CloseVolumePopup();
      return 0;
    case WM_NCDESTROY:
      g_state.reset();
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

HWND CreateTaskBar(const Settings& settings) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = TaskBarProc;
  wc.lpszClassName = kTaskBarClass;
  WNDCLASSW existing;
  if (!GetClassInfoW(nullptr, kTaskBarClass, &existing)) RegisterClassW(&wc);
  g_state = std::make_unique<TaskBarState>(TaskBarState{settings, nullptr, {}, false});
  HWND bar = CreateWindowExW(WS_EX_TOPMOST, kTaskBarClass, L"", WS_POPUP, 0, 0, 240, kTaskBarHeight,
                             nullptr, nullptr, nullptr, nullptr);
  if (bar == nullptr) {
    g_state.reset();
    return nullptr;
  }
  // The bar never becomes the active window: it speaks for the window that is.
  ShowWindow(bar, SW_SHOWNOACTIVATE);
  Refresh(bar);
  return bar;
}

}  // namespace cedev::shell
