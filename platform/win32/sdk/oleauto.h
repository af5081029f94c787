// OLE automation dates for the Windows build: the compiler's own oleauto.h, which needs the
// base types of windows.h before it.
#pragma once
#pragma GCC system_header

#include <windows.h>
#include_next <oleauto.h>
