// Device-side controls of the kernel services: what the device's boot hands a program (its
// command line and module path), and hooks for tests.
#pragma once

#include <functional>
#include <string>

#include <windef.h>

namespace cedev {

// The text that GetCommandLineW returns: the command line after the program name. Empty until
// the boot sets it.
void SetCommandLine(std::wstring text);

// The CE path that GetModuleFileNameW gives for the running program. By default the CE path of
// the executable when it lies in the device root, else "\Windows\NAME" with ".exe" added to a
// name without an extension.
void SetModuleFileName(std::wstring cePath);

// Called on the sleeping thread with the requested milliseconds before each Sleep, so a test
// can record the waits a caller makes. An empty function removes it. Returns the previous one.
using SleepObserver = std::function<void(DWORD ms)>;
SleepObserver SetSleepObserver(SleepObserver observer);

// Reads the `trace` setting again at the next debug output (it is read once otherwise).
void ReloadTraceSetting();

}  // namespace cedev
