// A depth-first walk over every descendant of a window, each window before its own children.
#pragma once

#include <windows.h>

// Called once for each window of the walk; its result is ignored.
typedef int (*CHILDWINDOWVISITOR)(HWND hWnd, LPARAM lParam);

// Calls visitor(window, lParam) for every descendant of hWndParent, at any depth, in sibling
// order. Returns 1 when the parent has at least one child; 0 when it has none, or when no
// visitor is given (the thread's last error is then ERROR_INVALID_PARAMETER).
int WalkChildWindows(HWND hWndParent, CHILDWINDOWVISITOR visitor, LPARAM lParam);
