// Lets the Windows build's shell learn when the foreground window changes, over the public
// window-event hook, as the device's window manager tells its own shell.
#pragma once

#include <functional>

#include <windows.h>

namespace cedev {

// Installs `hook` (an empty function removes it) and returns the previous one. Call it on a
// thread that takes its messages: the events are delivered there. The hook receives the new
// foreground window.
std::function<void(HWND)> SetForegroundChangedHook(std::function<void(HWND)> hook);

}  // namespace cedev
