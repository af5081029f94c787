#include "ForegroundHook.h"

#include <utility>

namespace cedev {
namespace {

// Reached only on the thread that installed it: out-of-context events come to that thread.
std::function<void(HWND)> g_hook;
HWINEVENTHOOK g_handle = nullptr;

void CALLBACK OnForeground(HWINEVENTHOOK, DWORD, HWND hwnd, LONG, LONG, DWORD, DWORD) {
  if (g_hook) g_hook(hwnd);
}

}  // namespace

std::function<void(HWND)> SetForegroundChangedHook(std::function<void(HWND)> hook) {
  std::function<void(HWND)> previous = std::exchange(g_hook, std::move(hook));
  if (g_hook && g_handle == nullptr) {
    g_handle = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                               OnForeground, GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  } else if (!g_hook && g_handle != nullptr) {
    UnhookWinEvent(g_handle);
    g_handle = nullptr;
  }
  return previous;
}

}  // namespace cedev
