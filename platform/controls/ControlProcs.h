// The window procedures of the system's control classes, registered by ControlClasses.cpp.
#pragma once

#include "windows.h"

namespace cedev {

inline constexpr const wchar_t* kButtonClass = L"Button";
inline constexpr const wchar_t* kStaticClass = L"Static";
inline constexpr const wchar_t* kEditClass = L"Edit";
inline constexpr const wchar_t* kListBoxClass = L"ListBox";
inline constexpr const wchar_t* kDateTimePickerClass = L"SysDateTimePick32";

WNDPROC ButtonWindowProc();
WNDPROC StaticWindowProc();
WNDPROC EditWindowProc();
WNDPROC ListBoxWindowProc();
WNDPROC DateTimePickerWindowProc();

bool IsButtonWindow(HWND hwnd);

}  // namespace cedev
