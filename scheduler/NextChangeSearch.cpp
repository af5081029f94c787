#include "NextChangeSearch.h"

#include <windows.h>

#include "AppTrace.h"

ScheduleItem* GetNextItem(Schedule& schedule) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  const int today = now.wDayOfWeek;
  const TimeOfDay nowTime(now.wHour, now.wMinute, now.wSecond);
  AppTrace(L"GetNextItem: now: %d:%d:%d\r\n", now.wHour, now.wMinute, now.wSecond);

  int smallestdiff = 7;
  int smallestposseconds = TimeOfDay::kSecondsPerDay;
  int smallestnegseconds = -TimeOfDay::kSecondsPerDay;
  ScheduleItem* result = nullptr;

  for (int i = 0; i < schedule.Count(); ++i) {
    ScheduleItem& item = schedule.Item(i);
    if (!item.time.valid()) continue;
    if (item.time.hour() == now.wHour && item.time.minute() == now.wMinute) continue;
    const int totalseconds = item.time.SecondsAfter(nowTime);
    AppTrace(L"GetNextItem: totalseconds: %d\r\n", totalseconds);
    for (int j = 0; j < 7; ++j) {
      const int mask = 1 << j;
      AppTrace(L"GetNextItem: pow(2, j): %X, item-days:%X\r\n", mask, item.days);
      if ((item.days & mask) == 0) continue;
      int diff = j - today;
      if (diff < 0) diff += 7;
      if (diff == 0 && totalseconds < 0) diff = 7;
      AppTrace(L"GetNextItem: j, day, diff: %d, %d, %d\r\n", j, today, diff);
      bool take = false;
      if (diff < smallestdiff) {
        AppTrace(L"GetNextItem: if1, diff, smallestdiff, totalseconds: %d, %d, %d\r\n", diff, smallestdiff,
                 totalseconds);
        take = true;
        smallestdiff = diff;
        smallestposseconds = TimeOfDay::kSecondsPerDay;
        smallestnegseconds = -TimeOfDay::kSecondsPerDay;
        if (totalseconds < 0) {
          smallestnegseconds = totalseconds;
        } else {
          smallestposseconds = totalseconds;
        }
      } else if (diff == smallestdiff) {
        if (totalseconds > 0) {
          AppTrace(L"GetNextItem: elseif1, diff, smallestdiff, totalseconds: %d, %d, %d\r\n", diff, smallestdiff,
                   totalseconds);
          if (totalseconds < smallestposseconds && smallestnegseconds == -TimeOfDay::kSecondsPerDay) {
            AppTrace(L"GetNextItem: if2, totalseconds, smallestposseconds: %d, %d\r\n", totalseconds,
                     smallestposseconds);
            take = true;
            smallestposseconds = totalseconds;
          }
        } else if (totalseconds < 0) {
          AppTrace(L"GetNextItem: elseif2, diff, smallestdiff, totalseconds: %d, %d, %d\r\n", diff, smallestdiff,
                   totalseconds);
          if (smallestnegseconds == -TimeOfDay::kSecondsPerDay || totalseconds < smallestnegseconds) {
            AppTrace(L"GetNextItem: if3, totalseconds, smallestnegseconds: %d, %d\r\n", totalseconds,
                     smallestnegseconds);
            take = true;
            smallestnegseconds = totalseconds;
          }
        }
      }
      if (take) {
        result = &item;
        item.nextDay = static_cast<BYTE>(j);
      }
    }
  }
  return result;
}
