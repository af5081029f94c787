// The device's names of a window's pointer slots on 64-bit Windows, after the compiler's
// windows.h. The device is 32-bit Windows CE, where GWL_WNDPROC, GWL_USERDATA and DWL_DLGPROC name
// the LONG slots that hold pointers; 64-bit Windows withdraws those names in favour of the
// ...LongPtr functions and GWLP_/DWLP_ indices. Both Windows builds (the program's and the
// conformance tests') keep the device's names through this one map.
#pragma once

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
