// The window manager's header for the Windows build: the compiler's own winuser.h and the
// Windows CE names that desktop Windows lacks. The resource compiler reads it too.
#pragma once
#pragma GCC system_header

// The compiler's winuser.h needs the base types of windows.h before it, which the resource
// compiler's preprocessor does without.
#ifndef RC_INVOKED
#include <windows.h>
#endif
#include_next <winuser.h>

// A window that wants the task bar's "ok" button (SHInitDialog sets it; desktop Windows leaves
// the bit to the window as it stands).
#ifndef WS_EX_CAPTIONOKBTN
#define WS_EX_CAPTIONOKBTN 0x80000000L
#endif
#ifndef WS_EX_NODRAG
#define WS_EX_NODRAG 0x40000000L
#endif
