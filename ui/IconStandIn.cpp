// The device's user library offers no LoadIcon yet. Until it does, an icon loaded by the program
// is its group-icon resource itself: a handle that windows only keep and hand back. This one is
// weak, so the library's own LoadIconW replaces it as soon as it is linked.
#include <windows.h>

__attribute__((weak)) HICON LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName) {
  HRSRC found = FindResource(hInstance, lpIconName, RT_GROUP_ICON);
  if (found == nullptr) return nullptr;
  return static_cast<HICON>(LockResource(LoadResource(hInstance, found)));
}
