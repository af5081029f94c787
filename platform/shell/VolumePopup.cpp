// The volume popup: a dialog made from a template in memory, below the task bar at its right
// end. Its choices are radio buttons inside a group box (so two levels below the popup); a
// press and release on one sets the device's sound setting and logs it.
#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "DeviceError.h"
#include "ShellWindows.h"
#include "SoundState.h"

namespace cedev::shell {
namespace {

constexpr int kGroupId = 99;
constexpr int kFirstChoiceId = 100;
constexpr int kPopupWidth = 112;
constexpr int kChoiceHeight = 16;
constexpr int kMargin = 4;
// The group starts on the first text row wholly below the task bar (rows are 8 pixels).
constexpr int kGroupTop = 6;  // screen y 32: row 4

struct PopupState {
  HWND popup = nullptr;
  bool closesAfterChoice = false;
  std::vector<std::wstring> choices;
  WNDPROC groupBoxProc = nullptr;
};

// Shell thread only.
PopupState g_popup;

// The radio buttons notify their parent, the group box; the group passes that on to the popup
// so the popup hears of a choice wherever the choice sits.
LRESULT CALLBACK GroupBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND) return SendMessageW(GetParent(hwnd), msg, wParam, lParam);
  return CallWindowProcW(g_popup.groupBoxProc, hwnd, msg, wParam, lParam);
}

void Choose(HWND choice) {
  wchar_t text[260] = {};
  GetWindowTextW(choice, text, 260);
  try {
    SetSound(text, true);
  } catch (const DeviceError& e) {  // the device lock: nothing was touched
    std::fprintf(stderr, "shell: the sound setting was not changed: %s\n", e.what());
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "shell: the sound setting was not changed: %s\n", e.what());
  } catch (const std::exception& e) {  // its message says what was changed and what was not
    std::fprintf(stderr, "shell: %s\n", e.what());
  }
}

void Layout(HWND popup) {
  const int n = static_cast<int>(g_popup.choices.size());
  const int groupHeight = 2 * kMargin + kChoiceHeight * (n + 1);
  // A whole text row below the group, so its lower frame is not cut.
  const int height = kGroupTop + groupHeight + 10;
  MoveWindow(popup, 240 - kPopupWidth, kTaskBarHeight, kPopupWidth, height, FALSE);
  HWND group =
      CreateWindowExW(0, L"Button", L"Sound", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, kMargin,
                      kGroupTop, kPopupWidth - 2 * kMargin, groupHeight, popup,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kGroupId)), nullptr, nullptr);
  if (group == nullptr) return;
  g_popup.groupBoxProc = reinterpret_cast<WNDPROC>(
      SetWindowLongW(group, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&GroupBoxProc)));
  std::wstring current;
  try {
    current = GetSound();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "shell: %s\n", e.what());
  }
  for (int i = 0; i < n; ++i) {
    const DWORD style = WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP : 0);
    HWND choice = CreateWindowExW(
        0, L"Button", g_popup.choices[static_cast<size_t>(i)].c_str(), style, kMargin,
        kChoiceHeight * (i + 1) - kMargin, kPopupWidth - 4 * kMargin, kChoiceHeight, group,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstChoiceId + i)), nullptr, nullptr);
    if (choice != nullptr && g_popup.choices[static_cast<size_t>(i)] == current) {
      SendMessageW(choice, BM_SETCHECK, BST_CHECKED, 0);
    }
  }
}

// The popup holds the capture while it is open, so every tap on the screen comes to it: a tap
// outside closes it (the tap goes no further, as with the shell's other popups); a tap inside
// goes on to the window under it. The capture is only taken from no one or from the shell's
// own windows: asking another thread's window to let go could wait on a sleeping thread.
void TakeCapture(HWND popup) {
  HWND holder = GetCapture();
  if (holder == popup) return;
  if (holder == nullptr ||
      GetWindowThreadProcessId(holder, nullptr) == GetWindowThreadProcessId(popup, nullptr)) {
    SetCapture(popup);
  }
}

bool Inside(HWND popup, POINT client) {
  RECT r;
  GetClientRect(popup, &r);
  return client.x >= r.left && client.x < r.right && client.y >= r.top && client.y < r.bottom;
}

// The deepest visible child under a point of the popup's client area, and the point in its
// client coordinates.
HWND DeepestChildAt(HWND popup, POINT& at) {
  HWND hit = popup;
  for (;;) {
    HWND child = ChildWindowFromPoint(hit, at);
    if (child == nullptr || child == hit || !IsWindowVisible(child)) return hit;
    MapWindowPoints(hit, child, &at, 1);
    hit = child;
  }
}

// A tap that reached the popup through its capture.
void CapturedButton(HWND popup, UINT msg, WPARAM wParam, LPARAM lParam) {
  POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  if (!Inside(popup, at)) {
    if (msg == WM_LBUTTONDOWN) DestroyWindow(popup);
    return;
  }
  HWND target = DeepestChildAt(popup, at);
  if (target != popup) SendMessageW(target, msg, wParam, MAKELONG(at.x, at.y));
  if (IsWindow(popup) && msg == WM_LBUTTONUP) TakeCapture(popup);
}

bool IsChoice(HWND popup, HWND hwnd) {
  HWND group = GetDlgItem(popup, kGroupId);
  return hwnd != nullptr && group != nullptr && GetParent(hwnd) == group;
}

INT_PTR CALLBACK PopupProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      Layout(hwnd);
      return FALSE;  // the popup does not take the focus from the program
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id == IDOK || id == IDCANCEL) {
        DestroyWindow(hwnd);
      } else if (HIWORD(wParam) == BN_CLICKED) {
        HWND choice = reinterpret_cast<HWND>(lParam);
        if (IsChoice(hwnd, choice)) {
          Choose(choice);
          if (g_popup.closesAfterChoice) {
            DestroyWindow(hwnd);
          } else {
            TakeCapture(hwnd);  // the choice had it while it was pressed
          }
        }
      }
      return TRUE;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      CapturedButton(hwnd, msg, wParam, lParam);
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return TRUE;
    case WM_DESTROY:
      if (g_popup.popup == hwnd) g_popup.popup = nullptr;
      if (GetCapture() == hwnd) ReleaseCapture();
      return TRUE;
    default:
      return FALSE;
  }
}

// A template with no items: the popup lays its children out itself, in pixels, once it knows
// how many choices there are.
std::vector<DWORD> PopupTemplate() {
  std::vector<WORD> words;
  auto put32 = [&words](DWORD v) {
    words.push_back(static_cast<WORD>(v & 0xffff));
    words.push_back(static_cast<WORD>(v >> 16));
  };
  put32(static_cast<DWORD>(WS_POPUP | WS_BORDER));  // style: shown later, without activation
  put32(static_cast<DWORD>(WS_EX_TOPMOST));
  words.push_back(0);  // no items
  words.push_back(0);  // x, y, cx, cy: set in pixels at WM_INITDIALOG
  words.push_back(0);
  words.push_back(0);
  words.push_back(0);
  words.push_back(0);  // no menu
  // The class by name: "Dialog" is the dialog manager's own on Windows CE, but not on every
  // Windows, and programs find the popup by it.
  for (const wchar_t* p = L"Dialog"; *p != 0; ++p) words.push_back(static_cast<WORD>(*p));
  words.push_back(0);
  for (const wchar_t* p = L"Volume"; *p != 0; ++p) words.push_back(static_cast<WORD>(*p));
  words.push_back(0);
  std::vector<DWORD> aligned((words.size() + 1) / 2, 0);
  std::memcpy(aligned.data(), words.data(), words.size() * sizeof(WORD));
  return aligned;
}

}  // namespace

bool IsVolumePopupOpen() { return g_popup.popup != nullptr && IsWindow(g_popup.popup); }

void OpenVolumePopup(const Settings& settings) {
  if (IsVolumePopupOpen()) return;
  g_popup.choices = settings.popupChoices;
  g_popup.closesAfterChoice = settings.popupCloses;
  const std::vector<DWORD> dlg = PopupTemplate();
  HWND popup = CreateDialogIndirectParamW(nullptr, reinterpret_cast<LPCDLGTEMPLATE>(dlg.data()),
                                          nullptr, PopupProc, 0);
  if (popup == nullptr) {
    std::fprintf(stderr, "shell: the volume popup could not be made\n");
    return;
  }
  g_popup.popup = popup;
  ShowWindow(popup, SW_SHOWNOACTIVATE);
  TakeCapture(popup);
}

void CloseVolumePopup() {
  if (IsVolumePopupOpen()) DestroyWindow(g_popup.popup);
  g_popup.popup = nullptr;
}

}  // namespace cedev::shell
