// The kernel's clock, Sleep, debug output, command line and module name.
#include <atomic>
#include <cstring>
#include <thread>
#include <string>
#include <vector>

#include <windows.h>

#include "DeviceClock.h"
#include "KernelControl.h"
#include "Settings.h"
#include "DeviceTest.h"

namespace {

using KernelControlTest = testsupport::DeviceTest;

TEST_F(KernelControlTest, LocalAndSystemTimeAreTheDeviceClock) {
  cedev::clock::FreezeForProcess({2026, 12, 6, 23, 59, 58, 125});
  SYSTEMTIME local{}, system{};
  GetLocalTime(&local);
  GetSystemTime(&system);
  EXPECT_EQ(local.wYear, 2026);
  EXPECT_EQ(local.wMonth, 12);
  EXPECT_EQ(local.wDay, 6);
  EXPECT_EQ(local.wDayOfWeek, 0);  // Sunday
  EXPECT_EQ(local.wHour, 23);
  EXPECT_EQ(local.wMinute, 59);
  EXPECT_EQ(local.wSecond, 58);
  EXPECT_EQ(local.wMilliseconds, 125);
  EXPECT_EQ(std::memcmp(&local, &system, sizeof local), 0);
}

TEST_F(KernelControlTest, ClockModeIsReadFromTheDevice) {
  cedev::clock::ClockState frozen;
  frozen.mode = cedev::clock::Mode::freeze;
  frozen.time = {2030, 1, 2, 3, 4, 5, 0};
  cedev::clock::WriteClockState(frozen);
  cedev::clock::Reload();  // as a process that starts now
  SYSTEMTIME st{};
  GetLocalTime(&st);
  EXPECT_EQ(st.wYear, 2030);
  EXPECT_EQ(st.wSecond, 5);
}

TEST_F(KernelControlTest, DamagedClockFileStopsTheProgramNamingTheFile) {
  cedev::clock::WriteClockState(cedev::clock::ClockState{});
  testsupport::WriteBytes(Host(".device/clock"), "freeze someday\n");
  cedev::clock::Reload();
  SYSTEMTIME st{};
  EXPECT_EXIT(GetLocalTime(&st), testing::ExitedWithCode(2), "device clock: .*\\.device/clock");
}

TEST_F(KernelControlTest, SleepTellsTheObserverOnTheSleepingThreadFirst) {
  std::vector<DWORD> waits;
  const DWORD caller = GetCurrentThreadId();
  std::atomic<bool> sameThread{true};
  const DWORD before = GetTickCount();
  cedev::SetSleepObserver([&](DWORD ms) {
    waits.push_back(ms);
    sameThread = sameThread && GetCurrentThreadId() == caller;
  });
  Sleep(0);
  Sleep(20);
  const cedev::SleepObserver previous = cedev::SetSleepObserver({});
  EXPECT_TRUE(static_cast<bool>(previous));
  Sleep(1);
  EXPECT_EQ(waits, (std::vector<DWORD>{0, 20}));
  EXPECT_TRUE(sameThread);
  EXPECT_GE(GetTickCount() - before, 20u);  // it really slept
}

// A module's debug zones follow the setting too, as it was when the module registered them.
TEST_F(KernelControlTest, DebugOutputFollowsTheTraceSettingReadOnce) {
  cedev::clock::FreezeForProcess({2026, 12, 7, 10, 0, 0, 0});
  cedev::ReloadTraceSetting();
  DBGPARAM zones = {L"Test", {L"Zone"}, 0xFFFFFFFFUL};
  EXPECT_TRUE(RegisterDbgZones(nullptr, &zones));
  EXPECT_EQ(zones.ulZoneMask, 0u);
  OutputDebugStringW(L"not kept");
  NKDbgPrintfW(L"not kept %d", 1);
  cedev::SetSetting("trace", "yes");
  OutputDebugStringW(L"still not kept: the setting was read once");
  EXPECT_TRUE(RegisterDbgZones(nullptr, &zones));
  EXPECT_EQ(zones.ulZoneMask, 0u);
  cedev::ReloadTraceSetting();
  EXPECT_TRUE(RegisterDbgZones(nullptr, &zones));
  EXPECT_EQ(zones.ulZoneMask, 0xFFFFFFFFu);
  OutputDebugStringW(L"kept\r\n");
  OutputDebugStringW(nullptr);
  NKDbgPrintfW(L"formatted %d %s\r\n", 7, L"too");
  NKDbgPrintfW(nullptr);
  EXPECT_FALSE(RegisterDbgZones(nullptr, nullptr));
  EXPECT_EQ(testsupport::ReadBytes(Host(".device/debug.log")),
            "2026-12-07 10:00:00\tkept\n2026-12-07 10:00:00\tformatted 7 too\n");
  cedev::SetSetting("trace", "no");
  cedev::ReloadTraceSetting();
  EXPECT_TRUE(RegisterDbgZones(nullptr, &zones));
  EXPECT_EQ(zones.ulZoneMask, 0u);
}

TEST_F(KernelControlTest, CommandLineIsWhatTheBootSet) {
  cedev::SetCommandLine(L"M1");
  const LPWSTR first = GetCommandLineW();
  EXPECT_EQ(std::wstring(first), L"M1");
  cedev::SetCommandLine(L"M0 extra");
  EXPECT_EQ(std::wstring(GetCommandLineW()), L"M0 extra");
  EXPECT_EQ(std::wstring(first), L"M1");  // a pointer once handed out stays good
}

TEST_F(KernelControlTest, ModuleFileName) {
  wchar_t buffer[MAX_PATH];
  // Outside the device root the program is taken to be in \Windows.
  const DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  EXPECT_EQ(std::wstring(buffer, n), L"\\Windows\\kernel_tests.exe");
  cedev::SetModuleFileName(L"\\Windows\\Quenmora.exe");
  EXPECT_EQ(GetModuleFileNameW(GetModuleHandleW(nullptr), buffer, MAX_PATH), 21u);
  EXPECT_EQ(std::wstring(buffer), L"\\Windows\\Quenmora.exe");
  // Too small a buffer: cut, terminated, the buffer's size returned.
  wchar_t small[6];
  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameW(nullptr, small, 6), 6u);
  EXPECT_EQ(std::wstring(small), L"\\Wind");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(GetModuleHandleW(L"other.dll"), nullptr);
}

TEST_F(KernelControlTest, ThreadIdsDifferPerThreadAndStayPut) {
  const DWORD mine = GetCurrentThreadId();
  EXPECT_EQ(GetCurrentThreadId(), mine);
  DWORD other = mine;
  std::thread([&] { other = GetCurrentThreadId(); }).join();
  EXPECT_NE(other, mine);
  EXPECT_NE(mine, 0u);
}

}  // namespace
