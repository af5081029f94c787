// Window classes: one table for the process, names compared without regard to case.
#include <cwchar>

#include "UserState.h"

using namespace cedev::user;

namespace cedev::user {

std::shared_ptr<WindowClass> FindClassLocked(WindowManager& wm, LPCWSTR name) {
  if (!name) return nullptr;
  if (IS_INTRESOURCE(name)) {
    const auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name));
    for (auto& [key, cls] : wm.classes) {
      if (cls->atom == atom) return cls;
    }
    return nullptr;
  }
  auto it = wm.classes.find(FoldCase(name));
  return it == wm.classes.end() ? nullptr : it->second;
}

}  // namespace cedev::user

ATOM RegisterClassW(const WNDCLASSW* lpWndClass) {
  if (!lpWndClass || !lpWndClass->lpszClassName || IS_INTRESOURCE(lpWndClass->lpszClassName) ||
      !*lpWndClass->lpszClassName || lpWndClass->cbWndExtra < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  UserLock held;
  WindowManager& wm = held.wm();
  std::wstring key = FoldCase(lpWndClass->lpszClassName);
  if (wm.classes.count(key)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto cls = std::make_shared<WindowClass>();
  cls->name = lpWndClass->lpszClassName;
  cls->wc = *lpWndClass;
  cls->wc.lpszClassName = nullptr;
  cls->wc.lpszMenuName = nullptr;
  cls->atom = wm.nextAtom++;
  wm.classes.emplace(std::move(key), cls);
  return cls->atom;
}

namespace {

// A registered class by name, or null with ERROR_CLASS_DOES_NOT_EXIST.
std::shared_ptr<WindowClass> ExistingClassLocked(WindowManager& wm, LPCWSTR name) {
  auto cls = FindClassLocked(wm, name);
  if (!cls) SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
  return cls;
}

}  // namespace

BOOL UnregisterClassW(LPCWSTR lpClassName, HINSTANCE) {
  UserLock held;
  WindowManager& wm = held.wm();
  auto cls = ExistingClassLocked(wm, lpClassName);
  if (!cls) return FALSE;
  for (auto& [h, w] : wm.windows) {
    if (w->cls == cls) {
      SetLastError(ERROR_ACCESS_DENIED);  // the device refuses while windows of it exist
      return FALSE;
    }
  }
  wm.classes.erase(FoldCase(cls->name));
  return TRUE;
}

BOOL GetClassInfoW(HINSTANCE, LPCWSTR lpClassName, LPWNDCLASSW lpWndClass) {
  UserLock held;
  auto cls = ExistingClassLocked(held.wm(), lpClassName);
  if (!cls) return FALSE;
  if (lpWndClass) {
    *lpWndClass = cls->wc;
    lpWndClass->lpszClassName = lpClassName;
  }
  return TRUE;
}

int GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount) {
  LockedWindow w(hWnd);
  if (!w) return 0;
  if (!lpClassName || nMaxCount <= 0) return 0;
  const std::wstring& name = w->cls->name;
  const int n = std::min(static_cast<int>(name.size()), nMaxCount - 1);
  std::wmemcpy(lpClassName, name.data(), static_cast<size_t>(n));
  lpClassName[n] = L'\0';
  return n;
}
