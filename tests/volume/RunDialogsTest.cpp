// The notification run's status dialog and the scheduled-events viewer, run modally in this
// process on the device's shell and notification store.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <afxwin.h>
#include <notify.h>

#include "Automation.h"
#include "DeviceClock.h"
#include "EventsDlg.h"
#include "KernelControl.h"
#include "ShellThread.h"
#include "SoundState.h"
#include "StatusDlg.h"
#include "Scratch.h"
#include "Watchdog.h"
#include "resource.h"

using std::chrono::milliseconds;

CWinApp theApp(L"Quenmora");

namespace {

void Register(DWORD type, const WCHAR* application, const SYSTEMTIME& start) {
  CE_NOTIFICATION_TRIGGER trigger = {};
  trigger.dwSize = sizeof trigger;
  trigger.dwType = type;
  trigger.lpszApplication = const_cast<WCHAR*>(application);
  trigger.lpszArguments = const_cast<WCHAR*>(L"M1");
  trigger.stStartTime = start;
  trigger.stEndTime = start;
  CE_USER_NOTIFICATION user = {};
  ASSERT_NE(CeSetUserNotificationEx(nullptr, &trigger, &user), nullptr);
}

SYSTEMTIME At(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
  return SYSTEMTIME{year, month, 0, day, hour, minute, second, 0};
}

int OwnNotificationCount() { return static_cast<int>(OwnNotificationStarts().size()); }

class RunDialogs : public testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetProcessDevice();
    cedev::clock::FreezeForProcess(cedev::DeviceTime{2026, 12, 7, 10, 0, 0, 0});
  }
  void TearDown() override {
    cedev::SetSleepObserver({});
    cedev::StopShell();
  }
  msgtest::Watchdog watchdog_{"RunDialogs", std::chrono::seconds(30)};
};

TEST_F(RunDialogs, StatusDialogSwitchesRegistersAndEndsItselfWithOk) {
  cedev::StartShell();
  Schedule schedule;
  schedule.tapPoint.Set(200, 10);
  schedule.Append(std::make_unique<ScheduleItem>(0x3E, TimeOfDay(22, 0, 0), 1));
  schedule.Append(std::make_unique<ScheduleItem>(0x3E, TimeOfDay(7, 30, 0), 0));
  CStatusDlg status(schedule, 1);
  EXPECT_EQ(status.DoModal(), IDOK);
  EXPECT_EQ(cedev::GetSound(), L"Vibrate");
  const std::vector<CString> want = {CString(L"2026-12-7 - 22:0:0"),
                                     CString(L"2026-12-7 - 22:2:0")};
  EXPECT_EQ(OwnNotificationStarts(), want);
}

TEST_F(RunDialogs, AFocusArrivingDuringTheSwitchDoesNotRunItAgain) {
  cedev::StartShell();
  Schedule schedule;
  schedule.tapPoint.Set(200, 10);
  schedule.Append(std::make_unique<ScheduleItem>(0x3E, TimeOfDay(22, 0, 0), 1));
  schedule.Append(std::make_unique<ScheduleItem>(0x3E, TimeOfDay(7, 30, 0), 0));
  CStatusDlg status(schedule, 1);
  int waits = 0;
  bool refocused = false;
  cedev::SetSleepObserver([&](DWORD) {
    ++waits;
    // The dialog gets the focus again in the middle of its own switch.
    if (!refocused) {
      refocused = true;
      SendMessage(status.GetSafeHwnd(), WM_SETFOCUS, 0, 0);
    }
  });
  EXPECT_EQ(status.DoModal(), IDOK);
  EXPECT_TRUE(refocused);
  // One switch's waits: icon press, release, choice press, before and in the closing tap.
  EXPECT_EQ(waits, 5);
  EXPECT_EQ(OwnNotificationCount(), 2);
}

TEST_F(RunDialogs, StatusDialogWithoutItemsOrTapPointStillEndsWithOk) {
  cedev::StartShell();
  Register(CNT_TIME, L"\\Windows\\Quenmora.exe", At(2026, 12, 7, 22, 0, 0));
  Schedule schedule;
  CStatusDlg status(schedule, 0);
  EXPECT_EQ(status.DoModal(), IDOK);
  EXPECT_EQ(cedev::GetSound(), L"On");
  // Nothing was found to register, so the earlier registration stays.
  EXPECT_EQ(OwnNotificationCount(), 1);
}

TEST(EventStartText, PlainDecimalWithoutLeadingZeros) {
  EXPECT_EQ(FormatEventStart(At(2008, 6, 2, 8, 0, 0)), CString(L"2008-6-2 - 8:0:0"));
  EXPECT_EQ(FormatEventStart(At(2026, 12, 31, 23, 59, 58)), CString(L"2026-12-31 - 23:59:58"));
}

TEST_F(RunDialogs, ViewerListsOnlyOwnTimeNotificationsInTextOrder) {
  cedev::StartShell();
  Register(CNT_TIME, L"\\Windows\\Quenmora.exe", At(2008, 9, 30, 8, 0, 0));
  Register(CNT_TIME, L"\\Windows\\Other.exe", At(2008, 6, 1, 8, 0, 0));
  Register(CNT_TIME, L"\\windows\\quenmora.exe", At(2008, 6, 3, 8, 0, 0));
  Register(CNT_CLASSICTIME, L"\\Windows\\Quenmora.exe", At(2008, 6, 4, 8, 0, 0));
  Register(CNT_TIME, L"\\Windows\\Quenmora.exe", At(2008, 10, 1, 8, 2, 0));

  std::vector<std::wstring> rows;
  std::thread driver([&rows] {
    ASSERT_TRUE(cedev::automation::WaitForText(L"2008-9-30 - 8:0:0", milliseconds(3000)));
    HWND viewer = FindWindow(L"Dialog", L"Dialog");
    HWND list = GetDlgItem(viewer, IDC_EVENTLIST);
    const int count = static_cast<int>(SendMessage(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      wchar_t text[64] = {};
      SendMessage(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      rows.emplace_back(text);
    }
    ASSERT_TRUE(cedev::automation::TapOk());
  });
  CEventsDlg viewer;
  viewer.DoModal();
  driver.join();
  // Sorted as text: October's line comes before September's.
  const std::vector<std::wstring> want = {L"2008-10-1 - 8:2:0", L"2008-9-30 - 8:0:0"};
  EXPECT_EQ(rows, want);
}

TEST_F(RunDialogs, ViewerOfAnEmptyStoreOpensEmpty) {
  cedev::StartShell();
  int count = -1;
  std::thread driver([&count] {
    ASSERT_TRUE(cedev::automation::WaitForText(L"Dialog", milliseconds(3000)));
    HWND viewer = FindWindow(L"Dialog", L"Dialog");
    count = static_cast<int>(SendDlgItemMessage(viewer, IDC_EVENTLIST, LB_GETCOUNT, 0, 0));
    ASSERT_TRUE(cedev::automation::TapOk());
  });
  CEventsDlg viewer;
  viewer.DoModal();
  driver.join();
  EXPECT_EQ(count, 0);
}

}  // namespace
