// The device SDK's umbrella header for the Windows build: the compiler's own windows.h (the
// real Win32 declarations), then what the device's SDK adds beside it. The device is 32-bit
// Windows CE, where a window's LONG slots hold pointers and GWL_WNDPROC, GWL_USERDATA and
// DWL_DLGPROC name them; 64-bit Windows withdraws those names for the ...LongPtr functions, so
// DeviceWindowLongs.h maps the device's names onto them.
#pragma once
// The wrapper is part of the SDK: #include_next is its one use of the compiler's extensions.
#pragma GCC system_header

#include_next <windows.h>

#include "dbgapi.h"
// The device's SDK gives the text macros (_T) with windows.h.
#include <tchar.h>

// Windows CE's file call that desktop Windows lacks (platform/win32/kernel/CeFiles.cpp): deletes
// lpszOldFileName, which must exist, and gives lpszNewFileName its name in one step.
BOOL DeleteAndRenameFile(LPCWSTR lpszOldFileName, LPCWSTR lpszNewFileName);

#include "DeviceWindowLongs.h"
