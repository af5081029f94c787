#include "TimeOfDay.h"

TimeOfDay::TimeOfDay(int hour, int minute, int second)
    : hour_(hour),
      minute_(minute),
      second_(second),
      valid_(hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 &&
             second <= 59) {}

TimeOfDay TimeOfDay::FromSystemTime(const SYSTEMTIME& st) {
  return TimeOfDay(st.wHour, st.wMinute, st.wSecond);
}
