// The two schedules the saver helper writes, one over the other, so that a file on disk can be
// told to be one of them whole.
#pragma once

#include <memory>

#include "Schedule.h"

enum class ScheduleVersion { small, large };

inline Schedule MakeSchedule(ScheduleVersion version) {
  Schedule s;
  const bool large = version == ScheduleVersion::large;
  s.tapPoint.x = large ? 5 : 200;
  s.tapPoint.y = large ? 6 : 13;
  s.EventHandle = large ? 0x01020304u : 7u;
  const int count = large ? 60 : 1;
  for (int i = 0; i < count; ++i) {
    auto item = std::make_unique<ScheduleItem>();
    item->days = static_cast<BYTE>(1 + i % 127);
    item->time = TimeOfDay(i % 24, (i * 7) % 60, (i * 13) % 60);
    item->muteOn = i % 2;
    s.Append(std::move(item));
  }
  return s;
}
