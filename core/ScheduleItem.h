// One scheduled change: on which weekdays, at what time, and whether it mutes.
#pragma once

#include <windows.h>

#include "TimeOfDay.h"

// Weekday d (0 = Sunday .. 6 = Saturday) is bit (1 << d) of ScheduleItem::days. Bit 7 means
// nothing and passes through the file unchanged.
constexpr BYTE DayBit(int weekday) { return static_cast<BYTE>(1u << weekday); }

struct ScheduleItem {
  // An empty item, filled at once from a file record.
  ScheduleItem() = default;
  ScheduleItem(BYTE itemDays, const TimeOfDay& itemTime, LONG itemMuteOn)
      : days(itemDays), time(itemTime), muteOn(itemMuteOn) {}

  BYTE days = 0;
  TimeOfDay time;
  // Non-zero: the change mutes the device. Sent as the number of the launch argument "M%d".
  LONG muteOn = 0;
  // The weekday the last next-change search chose for this item; not stored in the file.
  BYTE nextDay = 0;
};
