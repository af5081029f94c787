#include "ChildWindowWalk.h"

int WalkChildWindows(HWND hWndParent, CHILDWINDOWVISITOR visitor, LPARAM lParam) {
  if (visitor == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  HWND hWndChild = GetWindow(hWndParent, GW_CHILD);
  if (hWndChild == nullptr) return 0;
  for (; hWndChild != nullptr; hWndChild = GetWindow(hWndChild, GW_HWNDNEXT)) {
    visitor(hWndChild, lParam);
    WalkChildWindows(hWndChild, visitor, lParam);
  }
  return 1;
}
