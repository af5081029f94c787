#include "NextChangeSearch.h"

#include <bit>

#include <windows.h>

#include "AppTrace.h"

namespace {

// The search's running choice; Consider is one occurrence's step of the search.
struct Choice {
  int smallestdiff = 7;
  int smallestposseconds = TimeOfDay::kSecondsPerDay;
  int smallestnegseconds = -TimeOfDay::kSecondsPerDay;
  ScheduleItem* result = nullptr;
  bool traced = false;

  void Consider(ScheduleItem& item, int j, int diff, int totalseconds) {
    bool take = false;
    if (diff < smallestdiff) {
      if (traced) {
        AppTrace(L"GetNextItem: if1, diff, smallestdiff, totalseconds: %d, %d, %d\r\n", diff, smallestdiff,
                 totalseconds);
      }
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
        if (traced) {
          AppTrace(L"GetNextItem: elseif1, diff, smallestdiff, totalseconds: %d, %d, %d\r\n", diff, smallestdiff,
                   totalseconds);
        }
        if (totalseconds < smallestposseconds && smallestnegseconds == -TimeOfDay::kSecondsPerDay) {
          if (traced) {
            AppTrace(L"GetNextItem: if2, totalseconds, smallestposseconds: %d, %d\r\n", totalseconds,
                     smallestposseconds);
          }
          take = true;
          smallestposseconds = totalseconds;
        }
      } else if (totalseconds < 0) {
        if (traced) {
          AppTrace(L"GetNextItem: elseif2, diff, smallestdiff, totalseconds: %d, %d, %d\r\n", diff, smallestdiff,
                   totalseconds);
        }
        if (smallestnegseconds == -TimeOfDay::kSecondsPerDay || totalseconds < smallestnegseconds) {
          if (traced) {
            AppTrace(L"GetNextItem: if3, totalseconds, smallestnegseconds: %d, %d\r\n", totalseconds,
                     smallestnegseconds);
          }
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
};

int DistanceTo(int j, int today, int totalseconds) {
  int diff = j - today;
  if (diff < 0) diff += 7;
  if (diff == 0 && totalseconds < 0) diff = 7;
  return diff;
}

// Every occurrence of the item, Sunday to Saturday, with the trace points of each.
void ConsiderEachDay(Choice& choice, ScheduleItem& item, int today, int totalseconds) {
  for (int j = 0; j < 7; ++j) {
    const int mask = 1 << j;
    AppTrace(L"GetNextItem: pow(2, j): %X, item-days:%X\r\n", mask, item.days);
    if ((item.days & mask) == 0) continue;
    const int diff = DistanceTo(j, today, totalseconds);
    AppTrace(L"GetNextItem: j, day, diff: %d, %d, %d\r\n", j, today, diff);
    choice.Consider(item, j, diff, totalseconds);
  }
}

// The item's nearest occurrence only. Its other occurrences lie further away and share its
// offset, so after the nearest one they change nothing, and before it whatever they took is
// replaced by it: the outcome is that of ConsiderEachDay, without a pass over seven days.
void ConsiderNearestDay(Choice& choice, ScheduleItem& item, int today, int totalseconds) {
  const unsigned days = item.days & 0x7Fu;
  // Bit k of ahead: the weekday k days after today.
  unsigned ahead = ((days >> today) | (days << (7 - today))) & 0x7Fu;
  if (totalseconds < 0) ahead &= ~1u;  // today's time has passed: today counts as a week ahead
  if (ahead != 0) {
    const int k = std::countr_zero(ahead);
    choice.Consider(item, (today + k) % 7, k, totalseconds);
  } else if ((days >> today) & 1u) {
    choice.Consider(item, today, 7, totalseconds);
  }
}

}  // namespace

ScheduleItem* GetNextItem(Schedule& schedule) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  const int today = now.wDayOfWeek;
  const TimeOfDay nowTime(now.wHour, now.wMinute, now.wSecond);
  Choice choice;
  // Read once: a long schedule must not pay for trace points whose output is not kept.
  choice.traced = DebugOutputEnabled() != FALSE;
  if (choice.traced) AppTrace(L"GetNextItem: now: %d:%d:%d\r\n", now.wHour, now.wMinute, now.wSecond);

  for (int i = 0; i < schedule.Count(); ++i) {
    ScheduleItem& item = schedule.Item(i);
    if (!item.time.valid()) continue;
    if (item.time.hour() == now.wHour && item.time.minute() == now.wMinute) continue;
    const int totalseconds = item.time.SecondsAfter(nowTime);
    if (choice.traced) {
      AppTrace(L"GetNextItem: totalseconds: %d\r\n", totalseconds);
      ConsiderEachDay(choice, item, today, totalseconds);
    } else {
      ConsiderNearestDay(choice, item, today, totalseconds);
    }
  }
  return choice.result;
}
