// The volume popup's choices as the walk over the popup finds them.
#pragma once

#include <windows.h>

struct VolumeChoices {
  // The window whose text is "On".
  HWND hWndOn = nullptr;
  // The window whose text is "Vibrate", or failing that the first one whose text is "Off".
  HWND hWndMute = nullptr;

  void Clear() {
    hWndOn = nullptr;
    hWndMute = nullptr;
  }
};

// The one set of choices of the process. Only the thread that switches the volume touches it,
// and each switch empties it again before it returns.
VolumeChoices& TheVolumeChoices();

// The walk's visitor: notes hWnd in TheVolumeChoices() when its text is one of the choices.
// "Vibrate" replaces an "Off" noted before; an "Off" never replaces a mute choice. The texts
// compare whole and with case. lParam is ignored; the result is always 1.
int NoteVolumeChoice(HWND hWnd, LPARAM lParam);
