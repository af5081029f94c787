#include "VolumeChoices.h"

#include <cwchar>

namespace {

// GetWindowText's buffer, terminator included.
constexpr int kChoiceTextSize = 260;

// The texts must match exactly: a word-sort comparison would take "O-n" for "On".
bool IsText(const WCHAR* text, const WCHAR* choice) { return std::wcscmp(text, choice) == 0; }

}  // namespace

VolumeChoices& TheVolumeChoices() {
  static VolumeChoices choices;
  return choices;
}

int NoteVolumeChoice(HWND hWnd, LPARAM /*lParam*/) {
  WCHAR text[kChoiceTextSize] = {};
  GetWindowText(hWnd, text, kChoiceTextSize);
  VolumeChoices& choices = TheVolumeChoices();
  if (IsText(text, L"On")) {
    choices.hWndOn = hWnd;
  } else if (IsText(text, L"Vibrate")) {
    choices.hWndMute = hWnd;
  } else if (IsText(text, L"Off") && choices.hWndMute == nullptr) {
    choices.hWndMute = hWnd;
  }
  return 1;
}
