// Driving the program as a person would, over the public Win32 API, for the input scripts of
// the Windows build: taps and keys posted to the thread of the window they reach, and the texts
// that show, read from the windows themselves.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "DeviceScreen.h"

namespace cewin {

// A window's text as it shows: a single '&' marks the next letter as the mnemonic and does not
// show; "&&" shows one '&'.
std::wstring ShownText(std::wstring_view text);

// A tap at a screen point: WM_LBUTTONDOWN (MK_LBUTTON) then WM_LBUTTONUP, posted to the window
// that holds the capture in this process, or else the window under the point, with the point
// in its client coordinates. The window, or null when none is there.
HWND PostTap(POINT screen);
// A key, posted to the focus (or else the active window) of the foreground window's thread.
// The thread, or 0 when there is no foreground window of this process.
DWORD PostKey(const cedev::KeyStroke& key);

// The centre (screen pixels) of the topmost visible window of this process whose shown text is
// `text`, or of a visible list-box row with that text.
std::optional<POINT> FindShowingText(std::wstring_view text);

// The window tree of this process, one window a line, indented two blanks a depth:
// CLASS "TEXT" (L,T)-(R,B) and the states hidden, disabled, focused, checked; list rows under
// their list box as row "TEXT", the selected one with selected.
std::wstring WindowTreeText();

}  // namespace cewin
