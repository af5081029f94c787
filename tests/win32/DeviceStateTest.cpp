// The device's state from a Windows process under Wine, on device roots of the tests' own: the
// files it writes must be the device's own, byte for byte, and what it reads must be what the
// device writes. (scripts/wine-state runs the device's tool on the same roots beside it.)
#include <windows.h>

#include <gtest/gtest.h>
#include <notify.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "WinClock.h"
#include "DeviceFiles.h"
#include "DeviceSound.h"
#include "TestRoot.h"

namespace {

// A device root of this test's own (TestRoot.h).
class WinDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    unix_ = UseTestRoot();
    ASSERT_FALSE(unix_.empty());
    root_ = cewin::DeviceRootPath();
    cewin::ReloadDeviceClock();
  }

  std::string Read(const char* name) { return cewin::ReadState(name).value_or("<none>"); }
  void Freeze(const char* time) {
    cewin::WriteStateAtomic("clock", std::string("freeze ") + time + "\n");
  }

  std::wstring unix_, root_;
};

DWORD Register(const wchar_t* application, const wchar_t* arguments, WORD day, WORD hour) {
  CE_NOTIFICATION_TRIGGER trigger{};
  trigger.dwSize = sizeof trigger;
  trigger.dwType = CNT_TIME;
  trigger.lpszApplication = const_cast<WCHAR*>(application);
  trigger.lpszArguments = const_cast<WCHAR*>(arguments);
  trigger.stStartTime = SYSTEMTIME{2026, 12, 0, day, hour, 0, 0, 0};
  CE_USER_NOTIFICATION user{};
  return static_cast<DWORD>(
      reinterpret_cast<UINT_PTR>(CeSetUserNotificationEx(nullptr, &trigger, &user)));
}

std::vector<DWORD> Handles() {
  DWORD count = 0;
  EXPECT_TRUE(CeGetUserNotificationHandles(nullptr, 0, &count));
  std::vector<HANDLE> handles(count);
  if (count > 0) {
    EXPECT_TRUE(CeGetUserNotificationHandles(handles.data(), count, &count));
  }
  std::vector<DWORD> numbers;
  for (HANDLE h : handles) numbers.push_back(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(h)));
  return numbers;
}

TEST_F(WinDevice, RootIsTheUnixFolderThroughDriveZAndIsMadeFactoryNew) {
  std::wstring expected = L"Z:" + unix_;
  for (wchar_t& c : expected) c = c == L'/' ? L'\\' : c;
  EXPECT_EQ(root_, expected);
  for (const wchar_t* folder : {L"\\My Documents", L"\\Windows"}) {
    EXPECT_NE(GetFileAttributesW((root_ + folder).c_str()), INVALID_FILE_ATTRIBUTES) << folder;
  }
}

TEST_F(WinDevice, SoundChoiceIsStoredAndLoggedWithTheDeviceTime) {
  Freeze("2026-12-07 07:00:00");
  ASSERT_TRUE(cewin::SetDeviceSound(L"Vibrate"));
  ASSERT_TRUE(cewin::SetDeviceSound(L"Off"));
  EXPECT_EQ(Read("sound"), "Off\n");
  EXPECT_EQ(Read("sound-log"), "2026-12-07 07:00:00\tVibrate\n2026-12-07 07:00:00\tOff\n");
  // Text that would break the files' lines changes nothing.
  EXPECT_FALSE(cewin::SetDeviceSound(L"O\tn"));
  EXPECT_FALSE(cewin::SetDeviceSound(L""));
  EXPECT_EQ(Read("sound"), "Off\n");
}

TEST_F(WinDevice, SoundThatCannotBeStoredLeavesNoLogLine) {
  ASSERT_TRUE(cewin::SetDeviceSound(L"On"));
  const std::string log = Read("sound-log");
  // A folder where the setting's file is: it cannot be replaced.
  ASSERT_TRUE(DeleteFileW(cewin::StatePath("sound").c_str()));
  ASSERT_TRUE(CreateDirectoryW(cewin::StatePath("sound").c_str(), nullptr));
  EXPECT_FALSE(cewin::SetDeviceSound(L"Off"));
  EXPECT_EQ(Read("sound-log"), log);
  RemoveDirectoryW(cewin::StatePath("sound").c_str());
}

TEST_F(WinDevice, ProgramsGetLocalTimeIsTheDeviceClockInEachMode) {
  struct Case {
    const char* file;
    WORD year, month, weekday, day, hour;
  };
  // Set a day back, the clock runs on from there: still on that day (a test's run is short).
  for (const Case& c : {Case{"freeze 2026-12-07 07:00:00\n", 2026, 12, 1, 7, 7},
                        Case{"set 2030-01-05 10:00:00 ", 2030, 1, 6, 5, 10}}) {
    std::string text = c.file;
    if (text.starts_with("set")) {
      FILETIME ft{};
      GetSystemTimeAsFileTime(&ft);
      const ULONGLONG ticks = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
      text += std::to_string((ticks - 116444736000000000ULL) / 10000000ULL) + "\n";
    }
    cewin::WriteStateAtomic("clock", text);
    cewin::ReloadDeviceClock();
    SYSTEMTIME st{};
    GetLocalTime(&st);  // through the executable's import, as the program calls it
    EXPECT_EQ(st.wYear, c.year) << c.file;
    EXPECT_EQ(st.wMonth, c.month) << c.file;
    EXPECT_EQ(st.wDay, c.day) << c.file;
    EXPECT_EQ(st.wDayOfWeek, c.weekday) << c.file;
    EXPECT_EQ(st.wHour, c.hour) << c.file;
  }
}

TEST_F(WinDevice, RegistrationsGoToTheDevicesJournalAndMoveTheChangeCount) {
  const DWORD a = Register(L"\\Windows\\Quenmora.exe", L"M1", 8, 22);
  const DWORD b = Register(L"\\Windows\\Quenmora.exe", L"M0", 9, 7);
  EXPECT_EQ(a, 1u);
  EXPECT_EQ(b, 2u);
  const std::string journal = Read("notifications.journal");
  EXPECT_TRUE(journal.starts_with("# changes")) << journal;
  EXPECT_NE(journal.find("add 2\t1\ttime\t0\t2026-12-08 22:00:00\t"), std::string::npos) << journal;
  EXPECT_NE(journal.find("\"\\\\Windows\\\\Quenmora.exe\"\t\"M0\"\tuser"), std::string::npos)
      << journal;
  // Two changes, each from even to odd to even.
  const std::string count = Read("notifications.changes");
  ASSERT_EQ(count.size(), 64u);
  EXPECT_TRUE(count.starts_with("cedevice change counter 1")) << count;
  EXPECT_EQ(count[32] % 2, 0);

  EXPECT_EQ(Handles(), (std::vector<DWORD>{1, 2}));
  DWORD size = 0;
  EXPECT_FALSE(CeGetUserNotification(reinterpret_cast<HANDLE>(UINT_PTR{2}), 0, &size, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  std::vector<ULONGLONG> buffer(size / sizeof(ULONGLONG) + 1);
  auto* bytes = reinterpret_cast<LPBYTE>(buffer.data());
  ASSERT_TRUE(CeGetUserNotification(reinterpret_cast<HANDLE>(UINT_PTR{2}), size, &size, bytes));
  const auto* info = reinterpret_cast<const CE_NOTIFICATION_INFO_HEADER*>(bytes);
  EXPECT_STREQ(info->pcent->lpszArguments, L"M0");
  EXPECT_EQ(info->pcent->stStartTime.wHour, 7);

  EXPECT_TRUE(CeClearUserNotification(reinterpret_cast<HANDLE>(UINT_PTR{1})));
  EXPECT_FALSE(CeClearUserNotification(reinterpret_cast<HANDLE>(UINT_PTR{1})));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(Handles(), (std::vector<DWORD>{2}));
  EXPECT_EQ(Register(L"\\Windows\\A.exe", L"", 9, 8), 3u) << "a cleared number is not given again";
}

TEST_F(WinDevice, TextBeyondSixteenBitsIsKeptAsTheDeviceKeepsIt) {
  // A surrogate pair on Windows, one character in the store's UTF-8 as on the device.
  const DWORD handle = Register(L"\\Windows\\A.exe", L"x\U0001F600", 8, 9);
  EXPECT_NE(Read("notifications.journal").find("\"x\xF0\x9F\x98\x80\""), std::string::npos);
  DWORD size = 0;
  CeGetUserNotification(reinterpret_cast<HANDLE>(UINT_PTR{handle}), 0, &size, nullptr);
  std::vector<ULONGLONG> buffer(size / sizeof(ULONGLONG) + 1);
  auto* bytes = reinterpret_cast<LPBYTE>(buffer.data());
  ASSERT_TRUE(
      CeGetUserNotification(reinterpret_cast<HANDLE>(UINT_PTR{handle}), size, &size, bytes));
  EXPECT_EQ(
      std::wstring(reinterpret_cast<CE_NOTIFICATION_INFO_HEADER*>(bytes)->pcent->lpszArguments),
      L"x\U0001F600");
}

TEST_F(WinDevice, StoreWrittenByTheDeviceIsReadAndDamageIsKeptAside) {
  // A snapshot with a damaged line and a journal with a torn last line, as a killed writer
  // leaves it.
  cewin::WriteStateAtomic("notifications",
                          "next-handle 8 records 2\n"
                          "5\ttime\t0\t2026-12-08 22:00:00\traw "
                          "0,0,0,0,0,0,0,0\t\"\\\\Windows\\\\Quenmora.exe\"\t\"M1\"\t-\n"
                          "6\tnonsense\n");
  cewin::WriteStateAtomic("notifications.journal", "clear 5\nclear 6");
  EXPECT_EQ(Handles(), (std::vector<DWORD>{}));
  EXPECT_NE(cewin::ReadState("notifications.damaged"), std::nullopt);
  EXPECT_EQ(Register(L"\\Windows\\A.exe", L"", 9, 8), 8u);
  EXPECT_EQ(Handles(), (std::vector<DWORD>{8}));
}

TEST_F(WinDevice, LockIsReentrantOnOneThread) {
  cewin::DeviceLock outer;
  cewin::DeviceLock inner;  // would wait for itself for 30 s and fail if it were not
  EXPECT_TRUE(cewin::SetDeviceSound(L"On"));
}

}  // namespace
