// The window classes the system provides to every program: "Button", "Static", "Edit",
// "ListBox" and the date-time picker "SysDateTimePick32". Registered once a process, before
// the first dialog or message box, or by InitCommonControls(Ex); the device's boot of a
// program process registers them too.
#pragma once

namespace cedev {

// Idempotent and safe from any thread.
void RegisterControlClasses();

// The screen draws every font one character per cell: a cell is this many pixels.
constexpr int kCellWidth = 4;
constexpr int kCellHeight = 8;

}  // namespace cedev
