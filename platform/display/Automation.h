// Driving the device as a person would, for tests and the input scripts: each call queues the
// input to the input queue of the thread it goes to (a tap's window's, a key's foreground
// window's) and waits (bounded) until that thread has handled it, so the next call sees its
// effects.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "DeviceScreen.h"

namespace cedev::automation {

using std::chrono::milliseconds;

// The task bar's "ok" button, in task-bar client pixels.
constexpr POINT kOkButton{226, 13};

// A tap at a screen point. False when no window is there.
bool Tap(int x, int y);
// A tap at the centre of the topmost visible window (or list row) showing `text`.
bool TapText(std::wstring_view text);
// A tap on the task bar's "ok" button. False when there is no task bar.
bool TapOk();
// One key by its script name (see KeyFromName). False for an unknown name or no foreground
// window.
bool Key(std::wstring_view name);
bool Press(const KeyStroke& key);
// One key a character.
void Type(std::wstring_view text);

HWND FindByText(std::wstring_view text);
bool IsShowing(std::wstring_view text);
bool WaitForText(std::wstring_view text, milliseconds bound);
bool WaitGone(std::wstring_view text, milliseconds bound);

// The picture once no window has a paint pending (waiting at most 2 s): 40 lines of 60 cells,
// each ending in a newline.
std::wstring ScreenText();
std::wstring TreeText();

}  // namespace cedev::automation
