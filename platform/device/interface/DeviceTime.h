// Civil date-time arithmetic on the device's naive local times (the device has no time zones).
// Weekday 0 = Sunday. The text form is "YYYY-MM-DD HH:MM:SS".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <windef.h>

namespace cedev {

struct DeviceTime {
  int year = 1970;
  int month = 1;   // 1..12
  int day = 1;     // 1..31
  int hour = 0;    // 0..23
  int minute = 0;  // 0..59
  int second = 0;  // 0..59
  int millisecond = 0;

  friend bool operator==(const DeviceTime&, const DeviceTime&) = default;
};

// The range the text form and SYSTEMTIME both hold.
constexpr int kMinDeviceYear = 1601;
constexpr int kMaxDeviceYear = 9999;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
// Every field in range, the day within its month, the year within the device's range.
bool IsValid(const DeviceTime& t);

// Days since 1970-01-01 of a civil date (negative before it), and back.
std::int64_t DaysFromCivil(int year, int month, int day);
void CivilFromDays(std::int64_t days, int& year, int& month, int& day);
// 0 = Sunday .. 6 = Saturday.
int DayOfWeek(int year, int month, int day);

// Milliseconds since 1970-01-01 00:00:00 of a naive time, and back.
std::int64_t ToMilliseconds(const DeviceTime& t);
DeviceTime FromMilliseconds(std::int64_t ms);
DeviceTime AddSeconds(const DeviceTime& t, std::int64_t seconds);

SYSTEMTIME ToSystemTime(const DeviceTime& t);
DeviceTime FromSystemTime(const SYSTEMTIME& st);

// "YYYY-MM-DD HH:MM:SS" (milliseconds are not shown).
std::string FormatDeviceTime(const DeviceTime& t);
// The same text appended to `out`: listings of thousands of times build no string for each.
void AppendDeviceTime(std::string& out, const DeviceTime& t);
// Strict: exactly that form, two-digit fields zero-padded, no blanks around it, a valid date
// and time. Anything else gives nothing.
std::optional<DeviceTime> ParseDeviceTime(std::string_view text);

}  // namespace cedev
