// The Pocket PC shell inside a program's process: its own thread, which owns the task bar and
// the volume popup and runs their window procedures, as the real shell's process does.
#pragma once

namespace cedev {

// Reads the device's settings, starts the shell thread and returns once the task bar exists
// (at once when the setting `taskbar` is `no`: then no task bar window is made). A second call
// while the shell runs does nothing.
void StartShell();

// Ends the shell thread: its popup and task bar are destroyed on that thread. Nothing happens
// when the shell is not running.
void StopShell();

}  // namespace cedev
