#include "NextChangeSearch.h"

#include <bit>

#include <windows.h>

#include "AppTrace.h"

namespace {

constexpr int kNoNegative = -TimeOfDay::kSecondsPerDay;

// The search's running choice. Consider is one occurrence's step: the occurrence with the smaller
// distance in days wins, and at equal distance the one earlier in the day, any time before now's
// time of day coming before any after it; the first of equals stays.
struct Choice {
  int smallestdiff = 7;
  int smallestposseconds = TimeOfDay::kSecondsPerDay;
  int smallestnegseconds = kNoNegative;
  ScheduleItem* result = nullptr;

  // What an occurrence must come before to be taken, as days ahead times a day plus the offset:
  // that of the occurrence taken at smallestdiff (its negative offset if it took one, else its
  // positive one). Every offset of one search is an item's time minus the same now, so all lie
  // within one day's span and the number orders by days first: this one comparison is the step's
  // rules. (An offset of exactly 0 never comes: an item at now's minute is passed over.)
  int toBeat = 8 * TimeOfDay::kSecondsPerDay;

  bool WouldTake(int diff, int totalseconds) const {
    return diff * TimeOfDay::kSecondsPerDay + totalseconds < toBeat;
  }

  void Consider(ScheduleItem& item, int j, int diff, int totalseconds) {
    const bool take = WouldTake(diff, totalseconds);
    if (diff < smallestdiff) {
      AppTrace(L"GetNextItem: if1, diff, smallestdiff, totalseconds: %d, %d, %d\r\n", diff,
               smallestdiff, totalseconds);
    } else if (diff == smallestdiff && totalseconds > 0) {
      AppTrace(L"GetNextItem: elseif1, diff, smallestdiff, totalseconds: %d, %d, %d\r\n", diff,
               smallestdiff, totalseconds);
      if (take) {
        AppTrace(L"GetNextItem: if2, totalseconds, smallestposseconds: %d, %d\r\n", totalseconds,
                 smallestposseconds);
      }
    } else if (diff == smallestdiff && totalseconds < 0) {
      AppTrace(L"GetNextItem: elseif2, diff, smallestdiff, totalseconds: %d, %d, %d\r\n", diff,
               smallestdiff, totalseconds);
      if (take) {
        AppTrace(L"GetNextItem: if3, totalseconds, smallestnegseconds: %d, %d\r\n", totalseconds,
                 smallestnegseconds);
      }
    }
    if (!take) return;
    if (diff < smallestdiff) {
      smallestdiff = diff;
      smallestposseconds = TimeOfDay::kSecondsPerDay;
      smallestnegseconds = kNoNegative;
    }
    if (totalseconds < 0) {
      smallestnegseconds = totalseconds;
    } else {
      smallestposseconds = totalseconds;
    }
    toBeat = smallestdiff * TimeOfDay::kSecondsPerDay +
             (smallestnegseconds != kNoNegative ? smallestnegseconds : smallestposseconds);
    result = &item;
    item.nextDay = static_cast<BYTE>(j);
  }
};

int DistanceTo(int j, int today, int totalseconds) {
  int diff = j - today;
  if (diff < 0) diff += 7;
  if (diff == 0 && totalseconds < 0) diff = 7;
  return diff;
}

// Bit k: the item has an occurrence k days ahead, 0 to 7 (today's, once its time has passed, is
// a week ahead).
unsigned DistancesAhead(BYTE days, int today, int totalseconds) {
  const unsigned week = days & 0x7Fu;
  unsigned ahead = ((week >> today) | (week << (7 - today))) & 0x7Fu;
  if (totalseconds < 0) ahead = (ahead & ~1u) | ((ahead & 1u) << 7);
  return ahead;
}

// The weekdays (bit j: weekday j) of a set of distances ahead.
unsigned WeekdaysAt(unsigned distances, int today) {
  const unsigned week = (distances | (distances >> 7)) & 0x7Fu;
  return ((week << today) | (week >> (7 - today))) & 0x7Fu;
}

// One item's days, Sunday to Saturday, each occurrence considered in turn. Its occurrences farther
// than the smallest distance taken can change nothing and leave no trace in Consider, so they are
// not handed to it; and when its nearest occurrence would not be taken, none would, so its days
// are walked only for their trace points, while the trace zone is on. The choice changes the same
// way traced or not.
void ConsiderEachDay(Choice& choice, ScheduleItem& item, int today, int totalseconds) {
  const unsigned ahead = DistancesAhead(item.days, today, totalseconds);
  // An item with no day has its nearest 32 days ahead, which nothing takes.
  const bool taken = choice.WouldTake(std::countr_zero(ahead), totalseconds);
  unsigned walk = 0x7Fu;
  if (!ZONE_TRACE) {
    walk = taken ? WeekdaysAt(ahead & ((2u << choice.smallestdiff) - 1), today) : 0;
  }
  for (; walk != 0; walk &= walk - 1) {
    const int j = std::countr_zero(walk);
    const int mask = 1 << j;
    AppTrace(L"GetNextItem: pow(2, j): %X, item-days:%X\r\n", mask, item.days);
    if ((item.days & mask) == 0) continue;
    const int diff = DistanceTo(j, today, totalseconds);
    AppTrace(L"GetNextItem: j, day, diff: %d, %d, %d\r\n", j, today, diff);
    if (diff <= choice.smallestdiff) choice.Consider(item, j, diff, totalseconds);
  }
}

}  // namespace

ScheduleItem* GetNextItem(Schedule& schedule) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  const int today = now.wDayOfWeek;
  const TimeOfDay nowTime(now.wHour, now.wMinute, now.wSecond);
  AppTrace(L"GetNextItem: now: %d:%d:%d\r\n", now.wHour, now.wMinute, now.wSecond);
  Choice choice;
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
