#include "WakeUpRegistration.h"

#include <algorithm>
#include <optional>
#include <vector>

#include <windows.h>
#include <afxdisp.h>
#include <notify.h>

#include "AppTrace.h"
#include "NextChangeSearch.h"
#include "OwnNotificationWalk.h"

namespace {

// The item's time on the day of its next occurrence, counted from a fresh reading of the clock.
COleDateTime ChangeTime(const ScheduleItem& item) {
  SYSTEMTIME clock;
  GetLocalTime(&clock);
  clock.wMilliseconds = 0;
  const COleDateTime now(clock);
  int days = item.nextDay - clock.wDayOfWeek;
  const TimeOfDay nowTime(clock.wHour, clock.wMinute, clock.wSecond);
  if (days == 0 && item.time.SecondsAfter(nowTime) < 0) {
    days = 7;
  } else if (days < 0) {
    days += 7;
  }
  const COleDateTime date = now + COleDateTimeSpan(days, 0, 0, 0);
  return COleDateTime(date.GetYear(), date.GetMonth(), date.GetDay(), item.time.hour(),
                      item.time.minute(), item.time.second());
}

// The handles registered now, or nothing when the service cannot list them.
std::optional<std::vector<HANDLE>> RegisteredHandles() {
  DWORD count = 0;
  if (!CeGetUserNotificationHandles(nullptr, 0, &count)) return std::nullopt;
  std::vector<HANDLE> handles(count);
  if (!CeGetUserNotificationHandles(handles.data(), count, &count)) return std::nullopt;
  handles.resize(std::min<size_t>(count, handles.size()));
  return handles;
}

}  // namespace

void SetNotifcation(Schedule& schedule, ScheduleItem& item) {
  COleDateTime change = ChangeTime(item);
  AppTrace(L"SetNotifcation: item: D%d T%02d:%02d:%02d M%d\r\n", item.days, item.time.hour(),
           item.time.minute(), item.time.second(), item.muteOn);

  WCHAR argument[16];
  wsprintfW(argument, L"M%d", item.muteOn);

  CE_NOTIFICATION_TRIGGER trigger = {};
  trigger.dwSize = sizeof trigger;
  trigger.dwType = CNT_TIME;
  trigger.dwEvent = 0;
  trigger.lpszApplication = const_cast<WCHAR*>(kOwnApplication);
  trigger.lpszArguments = argument;
  change.GetAsSystemTime(trigger.stStartTime);
  trigger.stStartTime.wMilliseconds = 0;

  CE_USER_NOTIFICATION user = {};

  // The new wake-ups are registered before the old ones are removed: a run that ends at any
  // moment (killed, power gone) leaves at least one wake-up of the program, the old change's
  // spare or a new one, so the schedule goes on. The walk afterwards removes only what was
  // there before: a run of the program registering at the same moment keeps its new ones too,
  // so that two runs at once never remove each other's and leave none.
  const std::optional<std::vector<HANDLE>> before = RegisteredHandles();
  HANDLE registered[2] = {};
  registered[0] = CeSetUserNotificationEx(nullptr, &trigger, &user);
  schedule.EventHandle = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(registered[0]));
  if (schedule.EventHandle == 0) {
    const DWORD error = GetLastError();
    AppTrace(L"EventHandle == 0, GetLastError() == %d, %X\r\n", error, error);
  }

  change += COleDateTimeSpan(0, 0, 2, 0);
  change.GetAsSystemTime(trigger.stStartTime);
  trigger.stStartTime.wMilliseconds = 0;
  registered[1] = CeSetUserNotificationEx(nullptr, &trigger, &user);
  schedule.EventHandle = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(registered[1]));
  if (schedule.EventHandle == 0) {
    const DWORD error = GetLastError();
    AppTrace(L"Second EventHandle == 0, GetLastError() == %d, %X\r\n", error, error);
  }

  // Every earlier own notification goes, whatever its argument, the previous registration's
  // included. When the service could not list them beforehand, everything but the new ones.
  const auto passOver = [&before, &registered](HANDLE h) {
    if (before) return std::find(before->begin(), before->end(), h) == before->end();
    return h == registered[0] || h == registered[1];
  };
  WalkOwnNotifications(
      [](const CE_NOTIFICATION_INFO_HEADER& info) { CeClearUserNotification(info.hNotification); },
      WalkTrace::Registration, passOver);

  const SYSTEMTIME& second = trigger.stStartTime;
  AppTrace(L"Next Mute Change: %d-%d-%d - %d - %d:%d:%d - %d\r\n", second.wYear, second.wMonth,
           second.wDay, second.wDayOfWeek, second.wHour, second.wMinute, second.wSecond,
           item.muteOn);
}

void ScheduleNextChange(Schedule& schedule) {
  ScheduleItem* item = GetNextItem(schedule);
  if (item != nullptr) SetNotifcation(schedule, *item);
}
