// OutputDebugString into the device's debug log, kept only when the setting `trace` is `yes`,
// and the debug zones that let a module skip formatting what would not be kept. The setting is
// read once, at the first debug output or registration: programs trace a lot and must not read
// the settings file for every line.
#include <atomic>
#include <cstdarg>
#include <exception>

#include <windows.h>

#include "DebugLog.h"
#include "KernelControl.h"
#include "Settings.h"

namespace {

enum TraceState : int { unknown, off, on };
std::atomic<int> g_trace{unknown};

bool TraceOn() {
  int state = g_trace.load();
  if (state == unknown) {
    try {
      state = cedev::GetSetting("trace") == "yes" ? on : off;
    } catch (const std::exception&) {
      state = off;  // a device whose settings cannot be read keeps no debug output
    }
    g_trace.store(state);
  }
  return state == on;
}

}  // namespace

namespace cedev {
void ReloadTraceSetting() { g_trace.store(unknown); }
}  // namespace cedev

BOOL RegisterDbgZones(HMODULE, LPDBGPARAM lpdbgparam) {
  if (lpdbgparam == nullptr) return FALSE;
  lpdbgparam->ulZoneMask = TraceOn() ? 0xFFFFFFFFUL : 0;
  return TRUE;
}

void NKDbgPrintfW(LPCWSTR lpszFmt, ...) {
  if (lpszFmt == nullptr || !TraceOn()) return;
  WCHAR text[1024];
  va_list args;
  va_start(args, lpszFmt);
  wvsprintfW(text, lpszFmt, args);
  va_end(args);
  cedev::AppendDebugLog(text);
}

void OutputDebugStringW(LPCWSTR lpOutputString) {
  if (lpOutputString == nullptr || !TraceOn()) return;
  cedev::AppendDebugLog(lpOutputString);
}
