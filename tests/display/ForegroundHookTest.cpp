// The shell learns of foreground changes through the hook, with the new foreground window.
#include <windows.h>

#include <mutex>
#include <vector>

#include <gtest/gtest.h>

#include "ForegroundHook.h"

namespace {

TEST(ForegroundHook, ToldOfEachNewForegroundWindow) {
  std::mutex lock;
  std::vector<HWND> told;
  cedev::SetForegroundChangedHook([&](HWND h) {
    std::lock_guard lk(lock);
    told.push_back(h);
  });
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = L"HookTestClass";
  RegisterClassW(&wc);
  HWND first = CreateWindowExW(0, L"HookTestClass", L"first", WS_VISIBLE, 0, 26, 240, 268, nullptr,
                               nullptr, nullptr, nullptr);
  HWND second = CreateWindowExW(0, L"HookTestClass", L"second", WS_VISIBLE | WS_POPUP, 20, 60, 100,
                                100, first, nullptr, nullptr, nullptr);
  DestroyWindow(second);
  DestroyWindow(first);
  cedev::SetForegroundChangedHook({});
  std::lock_guard lk(lock);
  EXPECT_EQ(told, (std::vector<HWND>{first, second, first, nullptr}));
  EXPECT_EQ(GetForegroundWindow(), nullptr);
}

}  // namespace
