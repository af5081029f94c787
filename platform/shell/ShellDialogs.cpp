// SHInitDialog and the input panel: the shell's rules for a program's dialogs.
#include <aygshell.h>

#include "ShellWindows.h"

namespace {

constexpr int kScreenWidth = 240;
constexpr int kScreenHeight = 320;
constexpr int kMenuBarHeight = 26;

// The task bar learns that a window asked for "ok" from its extended style; tell it to look.
void NotifyTaskBar() {
  HWND bar = FindWindowW(L"HHTaskBar", nullptr);
  if (bar != nullptr) PostMessageW(bar, cedev::shell::kForegroundChanged, 0, 0);
}

}  // namespace

BOOL SHInitDialog(PSHINITDLGINFO pshidi) {
  if (pshidi == nullptr || (pshidi->dwMask & SHIDIM_FLAGS) == 0 || !IsWindow(pshidi->hDlg)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  HWND dlg = pshidi->hDlg;
  const DWORD flags = pshidi->dwFlags;
  if (flags & SHIDIF_DONEBUTTON) {
    SetWindowLongW(dlg, GWL_EXSTYLE, GetWindowLongW(dlg, GWL_EXSTYLE) | WS_EX_CAPTIONOKBTN);
    NotifyTaskBar();
  }
  if (flags & SHIDIF_FULLSCREENNOMENUBAR) {
    MoveWindow(dlg, 0, cedev::shell::kTaskBarHeight, kScreenWidth,
               kScreenHeight - cedev::shell::kTaskBarHeight, TRUE);
  } else if (flags & (SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIZEDLG)) {
    // The input panel is down, so both fill the space between the task bar and the menu bar.
    MoveWindow(dlg, 0, cedev::shell::kTaskBarHeight, kScreenWidth,
               kScreenHeight - cedev::shell::kTaskBarHeight - kMenuBarHeight, TRUE);
  }
  if (flags & SHIDIF_SIPDOWN) SHSipPreference(dlg, SIP_DOWN);
  return TRUE;
}

// The device has no input panel to raise: the preference is taken and the panel stays down.
BOOL SHSipPreference(HWND hwnd, int st) {
  if (!IsWindow(hwnd) || st < SIP_UP || st > SIP_DOWN) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}
