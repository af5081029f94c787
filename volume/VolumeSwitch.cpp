#include "VolumeSwitch.h"

#include "ChildWindowWalk.h"
#include "ShellWindowNames.h"
#include "VolumeChoices.h"

namespace {

// How long the shell is given between the halves of a tap and before the next one.
constexpr DWORD kPressHoldMs = 100;
constexpr DWORD kAfterIconReleaseMs = 50;
constexpr DWORD kBeforeClosingTapMs = 50;

// Both halves of a tap are sent, so each returns only when the shell has handled it.
void PressAndRelease(HWND hWnd, LPARAM lParamPoint) {
  SendMessage(hWnd, WM_LBUTTONDOWN, MK_LBUTTON, lParamPoint);
  Sleep(kPressHoldMs);
  SendMessage(hWnd, WM_LBUTTONUP, 0, lParamPoint);
}

}  // namespace

void SwitchVolume(const TapPoint& tapPoint, LONG volumeMode) {
  HWND hWndTaskBar = FindTaskBar();
  if (!tapPoint.IsUsable() || hWndTaskBar == nullptr) return;
  const LPARAM lParamIcon = tapPoint.Packed();

  if (FindVolumePopup() == nullptr) {
    PressAndRelease(hWndTaskBar, lParamIcon);
    Sleep(kAfterIconReleaseMs);
  }

  VolumeChoices& choices = TheVolumeChoices();
  if (HWND hWndPopup = FindVolumePopup(); hWndPopup != nullptr) {
    // The walk's context is the process's one set of choices; the visitor reaches it itself.
    WalkChildWindows(hWndPopup, NoteVolumeChoice, reinterpret_cast<LPARAM>(&choices));
    // Both choices are needed whichever is wanted: a popup offering only one of them is not
    // the popup this switch knows.
    if (choices.hWndOn != nullptr && choices.hWndMute != nullptr) {
      PressAndRelease(volumeMode != 0 ? choices.hWndMute : choices.hWndOn, 0);
    }
  }
  choices.Clear();

  if (FindVolumePopup() != nullptr) {
    Sleep(kBeforeClosingTapMs);
    PressAndRelease(hWndTaskBar, lParamIcon);
  }
}
