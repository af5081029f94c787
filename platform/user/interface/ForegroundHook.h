// Lets the shell learn when the foreground window changes, so the task bar can show the new
// window's title and its "ok" button without polling.
#pragma once

#include <functional>

#include "windef.h"

namespace cedev {

// Installs `hook` (an empty function removes it) and returns the previous one. The hook runs on
// the thread that changed the foreground (SetForegroundWindow, activation, a foreground window
// destroyed or hidden), after the window manager has released its lock, with the new foreground
// window or null. Keep it short: post a message to the task bar rather than paint from it.
std::function<void(HWND)> SetForegroundChangedHook(std::function<void(HWND)> hook);

}  // namespace cedev
