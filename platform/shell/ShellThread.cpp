// The shell thread: makes the task bar from the device's settings, then runs its message loop
// until the process stops the shell.
#include "ShellThread.h"

#include <cstdio>
#include <future>
#include <mutex>
#include <thread>

#include <windows.h>

#include "ForegroundHook.h"
#include "Settings.h"
#include "ShellWindows.h"

namespace cedev {
namespace {

struct Shell {
  std::thread thread;
  DWORD threadId = 0;
};

std::mutex g_shellLock;
Shell g_shell;  // guarded by g_shellLock

Settings ReadSettings() {
  try {
    return LoadSettings();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "shell: %s; using the factory settings\n", e.what());
    return Settings{};
  }
}

void RunShell(Settings settings, std::promise<DWORD> ready) {
  MSG msg;
  // The thread's queue exists from here on, so StopShell can post to it.
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  HWND bar = settings.taskbar ? shell::CreateTaskBar(settings) : nullptr;
  if (bar != nullptr) {
    // The hook runs on whichever thread moved the foreground; the bar repaints on its own.
    SetForegroundChangedHook([bar](HWND) { PostMessageW(bar, shell::kForegroundChanged, 0, 0); });
  }
  ready.set_value(GetCurrentThreadId());
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (bar != nullptr) {
    SetForegroundChangedHook(nullptr);
    DestroyWindow(bar);
  }
  shell::CloseVolumePopup();
}

}  // namespace

void StartShell() {
  std::lock_guard<std::mutex> lock(g_shellLock);
  if (g_shell.thread.joinable()) return;
  std::promise<DWORD> ready;
  std::future<DWORD> started = ready.get_future();
  g_shell.thread = std::thread(RunShell, ReadSettings(), std::move(ready));
  g_shell.threadId = started.get();
}

void StopShell() {
  std::lock_guard<std::mutex> lock(g_shellLock);
  if (!g_shell.thread.joinable()) return;
  PostThreadMessageW(g_shell.threadId, WM_QUIT, 0, 0);
  g_shell.thread.join();
  g_shell.threadId = 0;
}

}  // namespace cedev
