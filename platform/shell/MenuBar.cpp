// SHCreateMenuBar: the menu bar at the foot of the screen, (0,294)-(240,320). The program only
// asks for the empty bar, which has nothing to tap. The bar is a top-level window owned by the
// window it serves and goes when that window goes.
#include <mutex>

#include <aygshell.h>

namespace {

constexpr wchar_t kMenuBarClass[] = L"menu_worker";
constexpr int kTop = 294;
constexpr int kWidth = 240;
constexpr int kHeight = 26;
constexpr UINT_PTR kOwnerCheck = 1;
constexpr UINT kOwnerCheckMs = 200;

// GWL_USERDATA holds the window the bar serves.
HWND ServedWindow(HWND bar) { return reinterpret_cast<HWND>(GetWindowLongW(bar, GWL_USERDATA)); }

LRESULT CALLBACK MenuBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_TIMER:
      // A bar whose window has gone has nothing left to serve.
      if (wParam == kOwnerCheck && !IsWindow(ServedWindow(hwnd))) DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd, kOwnerCheck);
      return 0;
    case WM_ACTIVATE:
      // The bar is part of the window it serves and never the active window itself: a window
      // manager that activates it (the next window in line when a message box closes) hands
      // the activation on.
      if (LOWORD(wParam) != WA_INACTIVE && IsWindow(ServedWindow(hwnd))) {
        SetForegroundWindow(ServedWindow(hwnd));
        return 0;
      }
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

void RegisterMenuBarClass() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = MenuBarProc;
    // The bar is drawn in the task bar's colour.
    wc.hbrBackground =
        reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_ACTIVECAPTION + 1));
    wc.lpszClassName = kMenuBarClass;
    RegisterClassW(&wc);
  });
}

}  // namespace

BOOL SHCreateMenuBar(SHMENUBARINFO* pmbi) {
  if (pmbi == nullptr || pmbi->cbSize < sizeof(SHMENUBARINFO) || !IsWindow(pmbi->hwndParent)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  RegisterMenuBarClass();
  // Made hidden and shown without activation: the window it serves stays the active one.
  HWND bar = CreateWindowExW(0, kMenuBarClass, L"", WS_POPUP, 0, kTop, kWidth, kHeight,
                             pmbi->hwndParent, nullptr, pmbi->hInstRes, nullptr);
  if (bar == nullptr) return FALSE;
  SetWindowLongW(bar, GWL_USERDATA, reinterpret_cast<LONG_PTR>(pmbi->hwndParent));
  if (!(pmbi->dwFlags & SHCMBF_HIDDEN)) ShowWindow(bar, SW_SHOWNOACTIVATE);
  SetTimer(bar, kOwnerCheck, kOwnerCheckMs, nullptr);
  pmbi->hwndMB = bar;
  return TRUE;
}
