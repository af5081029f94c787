// OutputDebugString into the device's debug log, kept only when the setting `trace` is `yes`.
// The setting is read once, at the first debug output: programs trace a lot and must not read
// the settings file for every line.
#include <atomic>
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

BOOL DebugOutputEnabled() { return TraceOn() ? TRUE : FALSE; }

void OutputDebugStringW(LPCWSTR lpOutputString) {
  if (lpOutputString == nullptr || !TraceOn()) return;
  cedev::AppendDebugLog(lpOutputString);
}
