// Force-included (-include) into every source of the Windows build of the conformance tests.
// The device is 32-bit Windows CE, where a window's LONG slots hold pointers and GWL_WNDPROC,
// GWL_USERDATA and DWL_DLGPROC name them. The Windows build is 64-bit, where those names are
// withdrawn in favour of the ...LongPtr functions and GWLP_/DWLP_ indices; the tests keep the
// device's names and this maps them.
#pragma once

#include <windows.h>
#include <commctrl.h>

#ifdef _WIN64
#ifndef GWL_WNDPROC
#define GWL_WNDPROC GWLP_WNDPROC
#endif
#ifndef GWL_HINSTANCE
#define GWL_HINSTANCE GWLP_HINSTANCE
#endif
#ifndef GWL_HWNDPARENT
#define GWL_HWNDPARENT GWLP_HWNDPARENT
#endif
#ifndef GWL_USERDATA
#define GWL_USERDATA GWLP_USERDATA
#endif
#ifndef DWL_DLGPROC
#define DWL_DLGPROC DWLP_DLGPROC
#endif
#ifndef DWL_USER
#define DWL_USER DWLP_USER
#endif
#undef GetWindowLongW
#undef SetWindowLongW
#define GetWindowLongW GetWindowLongPtrW
#define SetWindowLongW SetWindowLongPtrW
#endif
