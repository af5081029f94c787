// Icons. The text screen draws none, so an icon is only a handle: the same name gives the same
// handle (icons from resources are shared, as LoadIcon's are on the device), and destroying
// one is harmless.
#include "UserState.h"

namespace {

struct IconTable {
  std::mutex lock;
  std::unordered_map<std::wstring, HICON> byName;
  std::uintptr_t next = 0x60000;
};

IconTable& Icons() {
  static IconTable table;
  return table;
}

}  // namespace

HICON LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName) {
  // A null instance names the system's own icons, the predefined IDI_ ids; any other name
  // belongs to a module's resources and is not among them.
  const bool predefined =
      IS_INTRESOURCE(lpIconName) &&
      reinterpret_cast<ULONG_PTR>(lpIconName) >= reinterpret_cast<ULONG_PTR>(IDI_APPLICATION) &&
      reinterpret_cast<ULONG_PTR>(lpIconName) <= reinterpret_cast<ULONG_PTR>(IDI_ASTERISK);
  if (!lpIconName || (hInstance == nullptr && !predefined)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  std::wstring key = IS_INTRESOURCE(lpIconName)
                         ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(lpIconName))
                         : cedev::user::FoldCase(lpIconName);
  key += L"@" + std::to_wstring(reinterpret_cast<std::uintptr_t>(hInstance));
  IconTable& t = Icons();
  std::lock_guard lk(t.lock);
  auto [it, added] = t.byName.try_emplace(key, nullptr);
  if (added) {
    it->second = reinterpret_cast<HICON>(t.next);
    t.next += 4;
  }
  return it->second;
}

BOOL DestroyIcon(HICON hIcon) { return hIcon ? TRUE : FALSE; }
