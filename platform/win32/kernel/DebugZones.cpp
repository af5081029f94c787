// The debug zones of dbgapi.h on desktop Windows: a module's zones follow the device's `trace`
// setting, and its messages go to the debug output (OutputDebugString), which Wine shows on its
// debug channel when asked.
#include <cstdarg>
#include <string>

#include <windows.h>

#include "FormatEngine.h"
#include "Settings.h"

BOOL RegisterDbgZones(HMODULE, LPDBGPARAM lpdbgparam) {
  if (lpdbgparam == nullptr) return FALSE;
  lpdbgparam->ulZoneMask = cedev::LoadSettings().trace ? 0xFFFFFFFFUL : 0;
  return TRUE;
}

void NKDbgPrintfW(LPCWSTR lpszFmt, ...) {
  std::wstring text;
  va_list args;
  va_start(args, lpszFmt);
  cekernel::AppendFormatted(text, lpszFmt, args);
  va_end(args);
  OutputDebugStringW(text.c_str());
}
