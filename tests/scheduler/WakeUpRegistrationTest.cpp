// The wake-up registration against the real notification service on a frozen clock: the change
// time, the two registrations, what the walk removes and keeps, and each failure path.
#include <algorithm>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <notify.h>

#include "ClockedDevice.h"
#include "DeviceRoot.h"
#include "KernelControl.h"
#include "NextChangeSearch.h"
#include "NotifyFaults.h"
#include "OwnNotificationWalk.h"
#include "Settings.h"
#include "WakeUpRegistration.h"

namespace {

using cedev::notify::Call;
using cedev::notify::FailCall;

// One registered notification as the service reports it.
struct Registered {
  DWORD handle;
  DWORD type;
  std::wstring application;
  std::wstring arguments;
  std::string start;  // "YYYY-MM-DD HH:MM:SS"
};

std::string Text(const SYSTEMTIME& st) {
  char text[64];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", st.wYear, st.wMonth, st.wDay,
                st.wHour, st.wMinute, st.wSecond);
  return text;
}

std::vector<Registered> Store() {
  std::vector<Registered> all;
  DWORD count = 0;
  EXPECT_TRUE(CeGetUserNotificationHandles(nullptr, 0, &count));
  std::vector<HANDLE> handles(count);
  EXPECT_TRUE(CeGetUserNotificationHandles(handles.data(), count, &count));
  for (HANDLE h : handles) {
    DWORD size = 0;
    CeGetUserNotification(h, 0, &size, nullptr);
    std::vector<BYTE> buffer(size);
    EXPECT_TRUE(CeGetUserNotification(h, size, &size, buffer.data()));
    const auto& info = *reinterpret_cast<const CE_NOTIFICATION_INFO_HEADER*>(buffer.data());
    const CE_NOTIFICATION_TRIGGER& t = *info.pcent;
    all.push_back({static_cast<DWORD>(reinterpret_cast<UINT_PTR>(h)), t.dwType,
                   t.lpszApplication != nullptr ? t.lpszApplication : L"",
                   t.lpszArguments != nullptr ? t.lpszArguments : L"", Text(t.stStartTime)});
  }
  return all;
}

DWORD Add(DWORD type, const WCHAR* application, const WCHAR* arguments) {
  CE_NOTIFICATION_TRIGGER trigger = {};
  trigger.dwSize = sizeof trigger;
  trigger.dwType = type;
  trigger.lpszApplication = const_cast<WCHAR*>(application);
  trigger.lpszArguments = const_cast<WCHAR*>(arguments);
  trigger.stStartTime = SYSTEMTIME{2026, 12, 0, 20, 6, 0, 0, 0};
  CE_USER_NOTIFICATION user = {};
  const HANDLE h = CeSetUserNotificationEx(nullptr, &trigger, &user);
  EXPECT_NE(h, nullptr);
  return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(h));
}

std::vector<Registered> Own() {
  std::vector<Registered> own;
  for (const Registered& r : Store()) {
    if (r.type == CNT_TIME && r.application == kOwnApplication) own.push_back(r);
  }
  return own;
}

struct ChangeCase {
  const char* name;
  const char* now;
  int nextDay;
  int hour, minute, second;
  LONG muteOn;
  const char* first;
  const char* second_;
  const WCHAR* argument;
};

class ChangeTime : public ClockedDeviceTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(ChangeTime, RegistersTheChangeAndTwoMinutesLater) {
  const ChangeCase& c = GetParam();
  FreezeAt(c.now);
  Schedule schedule;
  schedule.Append(Item(0x7F, c.hour, c.minute, c.second, c.muteOn));
  ScheduleItem& item = schedule.Item(0);
  item.nextDay = static_cast<BYTE>(c.nextDay);
  SetNotifcation(schedule, item);
  const std::vector<Registered> own = Own();
  ASSERT_EQ(own.size(), 2u);
  EXPECT_EQ(own[0].start, c.first);
  EXPECT_EQ(own[1].start, c.second_);
  EXPECT_EQ(own[0].arguments, c.argument);
  EXPECT_EQ(own[1].arguments, c.argument);
  EXPECT_EQ(schedule.EventHandle, own[1].handle) << "the latest handle is kept";
}

INSTANTIATE_TEST_SUITE_P(
    Items, ChangeTime,
    ::testing::Values(ChangeCase{"PassedTodayIsNextWeek", "2026-12-07 10:00:00", 1, 8, 0, 0, 1,
                                 "2026-12-14 08:00:00", "2026-12-14 08:02:00", L"M1"},
                      ChangeCase{"LaterToday", "2026-12-07 10:00:00", 1, 18, 30, 15, 0,
                                 "2026-12-07 18:30:15", "2026-12-07 18:32:15", L"M0"},
                      ChangeCase{"SaturdayToSundayAcrossTheYear", "2022-12-31 23:00:00", 0, 0, 5, 0,
                                 1, "2023-01-01 00:05:00", "2023-01-01 00:07:00", L"M1"},
                      ChangeCase{"AcrossTheMonth", "2026-11-30 10:00:00", 2, 7, 0, 0, 1,
                                 "2026-12-01 07:00:00", "2026-12-01 07:02:00", L"M1"},
                      ChangeCase{"EqualToNowIsNow", "2026-12-07 10:00:00", 1, 10, 0, 0, 1,
                                 "2026-12-07 10:00:00", "2026-12-07 10:02:00", L"M1"},
                      ChangeCase{"SecondOneOnTheNextDay", "2026-12-07 10:00:00", 1, 23, 59, 0, 0,
                                 "2026-12-07 23:59:00", "2026-12-08 00:01:00", L"M0"},
                      ChangeCase{"EarlierInTheWeekWraps", "2026-12-10 10:00:00", 1, 9, 0, 0, 1,
                                 "2026-12-14 09:00:00", "2026-12-14 09:02:00", L"M1"},
                      ChangeCase{"OtherMuteValuesPassThrough", "2026-12-07 10:00:00", 3, 9, 0, 0, 2,
                                 "2026-12-09 09:00:00", "2026-12-09 09:02:00", L"M2"}),
    [](const ::testing::TestParamInfo<ChangeCase>& p) { return std::string(p.param.name); });

using Registration = ClockedDeviceTest;

TEST_F(Registration, WalkRemovesOnlyOwnTimeNotificationsWhateverTheirArgument) {
  const DWORD foreign = Add(CNT_TIME, L"\\Windows\\Other.exe", L"M1");
  const DWORD event = Add(CNT_EVENT, kOwnApplication, L"M1");
  const DWORD cased = Add(CNT_TIME, L"\\windows\\quenmora.exe", L"M1");
  Add(CNT_TIME, kOwnApplication, L"M0");
  Add(CNT_TIME, kOwnApplication, L"anything");
  Add(CNT_TIME, kOwnApplication, nullptr);

  Schedule schedule;
  schedule.Append(Item(DayBit(2), 7, 0, 0, 1));
  ScheduleNextChange(schedule);

  std::vector<DWORD> others;
  for (const Registered& r : Store()) {
    if (!(r.type == CNT_TIME && r.application == kOwnApplication)) others.push_back(r.handle);
  }
  EXPECT_EQ(others, (std::vector<DWORD>{foreign, event, cased}));
  const std::vector<Registered> own = Own();
  ASSERT_EQ(own.size(), 2u);
  EXPECT_EQ(own[0].start, "2026-12-08 07:00:00");
  EXPECT_EQ(own[0].arguments, L"M1");
}

TEST_F(Registration, ARunAtTheChangeReplacesBothWithTheFollowingChange) {
  Schedule schedule;
  schedule.Append(Item(DayBit(1), 12, 0, 0, 1));
  schedule.Append(Item(DayBit(1), 13, 0, 0, 0));
  ScheduleNextChange(schedule);
  ASSERT_EQ(Own().size(), 2u);
  FreezeAt("2026-12-07 12:00:00");
  ScheduleNextChange(schedule);
  const std::vector<Registered> own = Own();
  ASSERT_EQ(own.size(), 2u);
  EXPECT_EQ(own[0].start, "2026-12-07 13:00:00");
  EXPECT_EQ(own[0].arguments, L"M0");
}

TEST_F(Registration, EmptySearchLeavesEarlierNotifications) {
  const DWORD earlier = Add(CNT_TIME, kOwnApplication, L"M1");
  Schedule schedule;
  schedule.EventHandle = 77;
  schedule.Append(Item(0, 12, 0, 0, 1));
  ScheduleNextChange(schedule);
  const std::vector<Registered> own = Own();
  ASSERT_EQ(own.size(), 1u);
  EXPECT_EQ(own[0].handle, earlier);
  EXPECT_EQ(schedule.EventHandle, 77u);
}

TEST_F(Registration, RecordsAreFilledAsTheServiceExpects) {
  Schedule schedule;
  schedule.Append(Item(DayBit(1), 18, 0, 0, 1));
  ScheduleNextChange(schedule);
  DWORD count = 0;
  CeGetUserNotificationHandles(nullptr, 0, &count);
  std::vector<HANDLE> handles(count);
  CeGetUserNotificationHandles(handles.data(), count, &count);
  ASSERT_EQ(count, 2u);
  DWORD size = 0;
  CeGetUserNotification(handles[0], 0, &size, nullptr);
  std::vector<BYTE> buffer(size);
  ASSERT_TRUE(CeGetUserNotification(handles[0], size, &size, buffer.data()));
  const auto& info = *reinterpret_cast<const CE_NOTIFICATION_INFO_HEADER*>(buffer.data());
  EXPECT_EQ(info.pcent->dwEvent, 0u);
  EXPECT_EQ(info.pcent->stStartTime.wDayOfWeek, 1);
  EXPECT_EQ(info.pcent->stEndTime.wYear, 0);
  ASSERT_NE(info.pceun, nullptr);
  EXPECT_EQ(info.pceun->ActionFlags, 0u);
  EXPECT_EQ(info.pceun->pwszSound, nullptr);
}

// The trace hook's lines, through the device's debug log.
class TracedRegistration : public ClockedDeviceTest {
 protected:
  void SetUp() override {
    ClockedDeviceTest::SetUp();
    KeepTrace(true);
  }
  void TearDown() override {
    KeepTrace(false);
    ClockedDeviceTest::TearDown();
  }
  static std::string Log() { return Joined(DebugLogLines()); }
};

struct FailureCase {
  const char* name;
  Call call;
  int skip;
  int times;
  size_t ownAfter;      // own notifications left after the registration
  bool eventHandleSet;  // EventHandle non-zero afterwards
  const char* trace;    // a line the trace must hold
};

class RegistrationFailure : public TracedRegistration,
                            public ::testing::WithParamInterface<FailureCase> {};

TEST_P(RegistrationFailure, IsOnlyTracedAndTheRestGoesOn) {
  const FailureCase& c = GetParam();
  Add(CNT_TIME, kOwnApplication, L"M0");
  Add(CNT_TIME, kOwnApplication, L"M0");
  Schedule schedule;
  schedule.Append(Item(DayBit(2), 7, 0, 0, 1));
  FailCall(c.call, ERROR_INVALID_PARAMETER, c.skip, c.times);
  ScheduleNextChange(schedule);
  cedev::notify::ClearFaults();
  EXPECT_EQ(Own().size(), c.ownAfter);
  EXPECT_EQ(schedule.EventHandle != 0, c.eventHandleSet);
  const std::string log = Log();
  EXPECT_NE(log.find(c.trace), std::string::npos)
      << "expected a line with: " << c.trace << "\nlog:\n"
      << log;
  EXPECT_NE(log.find("SetNotifcation: 10"), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RegistrationFailure,
    ::testing::Values(
        // The listing before the registration; the walk then passes over the new ones only.
        FailureCase{"CountBeforeFailsTheWalkStillRemoves", Call::Count, 0, 1, 2, true,
                    "SetNotifcation: 9"},
        FailureCase{"HandlesBeforeFailTheWalkStillRemoves", Call::FetchHandles, 0, 1, 2, true,
                    "SetNotifcation: 9"},
        // The walk's own listing.
        FailureCase{"CountFailsNothingRemoved", Call::Count, 1, 1, 4, true,
                    "Next Mute Change: 2026-12-8 - 2 - 7:2:0 - 1"},
        FailureCase{"HandlesFailNothingRemoved", Call::FetchHandles, 1, 1, 4, true,
                    "SetNotifcation: 1"},
        FailureCase{"OneSizeFailsThatOneStays", Call::Size, 0, 1, 3, true, "SetNotifcation: 3"},
        FailureCase{"OneFetchFailsThatOneStays", Call::FetchRecord, 1, 1, 3, true,
                    "SetNotifcation: 9"},
        FailureCase{"FirstRegistrationRefused", Call::Set, 0, 1, 1, true,
                    "EventHandle == 0, GetLastError() == 87, 57"},
        FailureCase{"SecondRegistrationRefused", Call::Set, 1, 1, 1, false,
                    "Second EventHandle == 0, GetLastError() == 87, 57"},
        FailureCase{"BothRefused", Call::Set, 0, 2, 0, false, "Second EventHandle == 0"}),
    [](const ::testing::TestParamInfo<FailureCase>& p) { return std::string(p.param.name); });

// The registration's trace from its first line on, one entry a line, without the log's times.
std::vector<std::string> RegistrationTrace() {
  std::vector<std::string> lines = DebugLogLines();
  const auto first = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.starts_with("SetNotifcation: item");
  });
  lines.erase(lines.begin(), first);
  return lines;
}

// The two new notifications are registered before the walk, so that a run ended at any moment
// leaves a wake-up of the program; the walk passes over them and removes the rest.
TEST_F(TracedRegistration, RegistersFirstThenWalksPassingOverTheNewOnes) {
  struct Case {
    const char* name;
    int refusals;  // registrations refused, from the second on (0 or 1)
    std::vector<std::string> trace;
  };
  const std::vector<std::string> foreign = {"SetNotifcation: 3", "SetNotifcation: 4",
                                            "SetNotifcation: 5", "SetNotifcation: 6",
                                            "SetNotifcation: 7", "SetNotifcation: 8"};
  auto trace = [&](const char* refused, int newOnes) {
    std::vector<std::string> t = {"SetNotifcation: item: D4 T07:00:00 M1"};
    if (refused != nullptr) t.push_back(refused);
    t.insert(t.end(), {"SetNotifcation: 1", "SetNotifcation: 2"});
    t.insert(t.end(), foreign.begin(), foreign.end());
    t.insert(t.end(), foreign.begin(), foreign.end());
    t.push_back("SetNotifcation: 9");
    for (int i = 0; i < newOnes; ++i) t.push_back("SetNotifcation: 3");
    t.insert(t.end(), {"SetNotifcation: 10", "Next Mute Change: 2026-12-8 - 2 - 7:2:0 - 1"});
    return t;
  };
  const Case cases[] = {
      {"both registered", 0, trace(nullptr, 2)},
      {"the second refused", 1, trace("Second EventHandle == 0, GetLastError() == 87, 57", 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    cedev::notify::ClearFaults();
    for (const Registered& r : Store())
      CeClearUserNotification(reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(r.handle)));
    std::filesystem::remove(cedev::DeviceStatePath("debug.log"));
    const DWORD other = Add(CNT_TIME, L"\\Windows\\Other.exe", L"");
    Add(CNT_TIME, kOwnApplication, L"M0");
    if (c.refusals > 0) FailCall(Call::Set, ERROR_INVALID_PARAMETER, 1, c.refusals);
    Schedule schedule;
    schedule.Append(Item(DayBit(2), 7, 0, 0, 1));
    ScheduleNextChange(schedule);
    cedev::notify::ClearFaults();
    const std::vector<std::string> actual = RegistrationTrace();
    EXPECT_EQ(actual, c.trace) << "expected:\n" << Joined(c.trace) << "actual:\n" << Joined(actual);
    std::vector<DWORD> handles;
    for (const Registered& r : Store()) handles.push_back(r.handle);
    const size_t own = Own().size();
    EXPECT_EQ(own, 2u - c.refusals);
    EXPECT_EQ(handles.size(), own + 1);
    EXPECT_EQ(handles.front(), other);
  }
  EXPECT_NE(Log().find("GetNextItem: now: 10:0:0"), std::string::npos) << Log();
}

TEST_F(Registration, ViewerWalkListsWithoutRemoving) {
  Add(CNT_TIME, kOwnApplication, L"M0");
  Add(CNT_TIME, L"\\Windows\\Other.exe", L"");
  Add(CNT_TIME, kOwnApplication, L"M1");
  std::vector<std::wstring> seen;
  WalkOwnNotifications(
      [&](const CE_NOTIFICATION_INFO_HEADER& info) { seen.push_back(info.pcent->lpszArguments); },
      WalkTrace::Quiet);
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"M0", L"M1"}));
  EXPECT_EQ(Store().size(), 3u);
}

}  // namespace
