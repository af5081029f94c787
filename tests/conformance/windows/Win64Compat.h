// Force-included (-include) into every source of the Windows build of the conformance tests.
// The tests keep the device's names of a window's pointer slots (GWL_WNDPROC, DWL_DLGPROC...);
// the Windows build is 64-bit, and the program's own build's map gives them.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "../../../platform/win32/sdk/DeviceWindowLongs.h"
