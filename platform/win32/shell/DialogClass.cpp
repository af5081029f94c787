#include "DialogClass.h"

#include <windows.h>

namespace cewin {

bool RegisterDialogClass() {
  WNDCLASSW wc{};
  HINSTANCE module = GetModuleHandleW(nullptr);
  if (GetClassInfoW(module, L"Dialog", &wc)) return true;
  // Global: the shell makes its popups with no module of its own.
  wc.style = CS_GLOBALCLASS | CS_DBLCLKS | CS_SAVEBITS;
  wc.lpfnWndProc = DefDlgProcW;
  wc.cbWndExtra = DLGWINDOWEXTRA;
  wc.hInstance = module;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = L"Dialog";
  return RegisterClassW(&wc) != 0;
}

}  // namespace cewin
