// The time of a schedule item: hour, minute and second, no date.
#pragma once

#include <windows.h>

class TimeOfDay {
 public:
  static constexpr int kSecondsPerDay = 86400;

  // 00:00:00.
  TimeOfDay() = default;
  // Valid exactly when hour is 0..23, minute 0..59 and second 0..59.
  TimeOfDay(int hour, int minute, int second);
  // Keeps only the time of day of a date-time.
  static TimeOfDay FromSystemTime(const SYSTEMTIME& st);

  bool valid() const { return valid_; }
  // The components of a valid time; -1 for an invalid one (the file stores its low byte, 255).
  int hour() const { return valid_ ? hour_ : -1; }
  int minute() const { return valid_ ? minute_ : -1; }
  int second() const { return valid_ ? second_ : -1; }

  // Seconds since midnight, 0..86399. Only meaningful for a valid time.
  int SecondsSinceMidnight() const { return (hour_ * 60 + minute_) * 60 + second_; }

  // this - other in whole seconds, -86399..86399, for two valid times.
  int SecondsAfter(const TimeOfDay& other) const {
    return SecondsSinceMidnight() - other.SecondsSinceMidnight();
  }

 private:
  int hour_ = 0;
  int minute_ = 0;
  int second_ = 0;
  bool valid_ = true;
};
