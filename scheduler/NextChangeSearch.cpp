#include "NextChangeSearch.h"

#include <algorithm>
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
        AppTrace(L"GetNextItem: if1, diff, smallestdiff, totalseconds: %d, %d, %d\r\n", diff,
                 smallestdiff, totalseconds);
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
          AppTrace(L"GetNextItem: elseif1, diff, smallestdiff, totalseconds: %d, %d, %d\r\n", diff,
                   smallestdiff, totalseconds);
        }
        if (totalseconds < smallestposseconds && smallestnegseconds == -TimeOfDay::kSecondsPerDay) {
          if (traced) {
            AppTrace(L"GetNextItem: if2, totalseconds, smallestposseconds: %d, %d\r\n",
                     totalseconds, smallestposseconds);
          }
          take = true;
          smallestposseconds = totalseconds;
        }
      } else if (totalseconds < 0) {
        if (traced) {
          AppTrace(L"GetNextItem: elseif2, diff, smallestdiff, totalseconds: %d, %d, %d\r\n", diff,
                   smallestdiff, totalseconds);
        }
        if (smallestnegseconds == -TimeOfDay::kSecondsPerDay || totalseconds < smallestnegseconds) {
          if (traced) {
            AppTrace(L"GetNextItem: if3, totalseconds, smallestnegseconds: %d, %d\r\n",
                     totalseconds, smallestnegseconds);
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

// The nearest occurrence's distance from now in seconds: whole days ahead (0 to 7) and the
// item's offset from now within the day. For one `now` every offset lies in one span of a day's
// length, so ordering by this number is ordering by days ahead, then by offset: the order in
// which Choice::Consider takes occurrences (its ties keep the first). -1 for an item with no day.
long long SecondsToNearest(const ScheduleItem& item, int today, int totalseconds, int& day) {
  const unsigned days = item.days & 0x7Fu;
  if (days == 0) return -1;
  // Bit k of ahead: the weekday k days after today.
  unsigned ahead = ((days >> today) | (days << (7 - today))) & 0x7Fu;
  if (totalseconds < 0) ahead &= ~1u;  // today's time has passed: today counts as a week ahead
  // No bit left: the only day is today, a week ahead (countr_zero of 0 is 32).
  const int k = std::min(std::countr_zero(ahead), 7);
  day = (today + k) % 7;
  return static_cast<long long>(k) * TimeOfDay::kSecondsPerDay + totalseconds;
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
  if (choice.traced)
    AppTrace(L"GetNextItem: now: %d:%d:%d\r\n", now.wHour, now.wMinute, now.wSecond);

  if (choice.traced) {
    for (int i = 0; i < schedule.Count(); ++i) {
      ScheduleItem& item = schedule.Item(i);
      if (!item.time.valid()) continue;
      if (item.time.hour() == now.wHour && item.time.minute() == now.wMinute) continue;
      const int totalseconds = item.time.SecondsAfter(nowTime);
      AppTrace(L"GetNextItem: totalseconds: %d\r\n", totalseconds);
      ConsiderEachDay(choice, item, today, totalseconds);
    }
    return choice.result;
  }

  // Untraced, each item counts by its nearest occurrence alone: its other occurrences lie
  // further away at the same offset, so they would change nothing; and the earliest wins.
  ScheduleItem* result = nullptr;
  long long nearest = 0;
  int resultDay = 0;
  for (int i = 0; i < schedule.Count(); ++i) {
    ScheduleItem& item = schedule.Item(i);
    if (!item.time.valid()) continue;
    if (item.time.hour() == now.wHour && item.time.minute() == now.wMinute) continue;
    int day = 0;
    const long long ahead = SecondsToNearest(item, today, item.time.SecondsAfter(nowTime), day);
    if (ahead >= 0 && (result == nullptr || ahead < nearest)) {
      result = &item;
      nearest = ahead;
      resultDay = day;
    }
  }
  if (result != nullptr) result->nextDay = static_cast<BYTE>(resultDay);
  return result;
}
