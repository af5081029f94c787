// The bytes a schedule file must hold, written out from the file's layout (little-endian tap
// point x and y and event handle, then days, hour, minute, second, mute per item) rather than
// by the code under test.
#pragma once

#include <string>

#include "ScheduleVersions.h"

inline std::string ExpectedFileBytes(ScheduleVersion version) {
  const Schedule s = MakeSchedule(version);
  std::string bytes;
  auto put = [&](unsigned value, int count) {
    for (int i = 0; i < count; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  };
  put(s.tapPoint.x, 2);
  put(s.tapPoint.y, 2);
  put(s.EventHandle, 4);
  for (int i = 0; i < s.Count(); ++i) {
    const ScheduleItem& item = s.Item(i);
    put(item.days, 1);
    put(static_cast<unsigned>(item.time.hour()), 1);
    put(static_cast<unsigned>(item.time.minute()), 1);
    put(static_cast<unsigned>(item.time.second()), 1);
    put(static_cast<unsigned>(item.muteOn), 1);
  }
  return bytes;
}
