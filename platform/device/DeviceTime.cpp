#include "DeviceTime.h"

#include <cstdio>

namespace cedev {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

// Floor division, so times before 1970 fall on the right day.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValid(const DeviceTime& t) {
  return t.year >= kMinDeviceYear && t.year <= kMaxDeviceYear && t.month >= 1 && t.month <= 12 &&
         t.day >= 1 && t.day <= DaysInMonth(t.year, t.month) && t.hour >= 0 && t.hour <= 23 &&
         t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 59 && t.millisecond >= 0 &&
         t.millisecond <= 999;
}

// Days from civil and back count in 400-year eras of 146097 days, March-based years so that
// the leap day ends the year.
std::int64_t DaysFromCivil(int year, int month, int day) {
  const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
  const std::int64_t era = FloorDiv(y, 400);
  const std::int64_t yoe = y - era * 400;
  const std::int64_t mp = (month + 9) % 12;  // March = 0
  const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
  const std::int64_t z = days + 719468;
  const std::int64_t era = FloorDiv(z, 146097);
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

int DayOfWeek(int year, int month, int day) {
  // 1970-01-01 was a Thursday (4).
  const std::int64_t d = DaysFromCivil(year, month, day);
  return static_cast<int>(((d % 7) + 7 + 4) % 7);
}

std::int64_t ToMilliseconds(const DeviceTime& t) {
  return DaysFromCivil(t.year, t.month, t.day) * kMsPerDay +
         ((static_cast<std::int64_t>(t.hour) * 60 + t.minute) * 60 + t.second) * 1000 +
         t.millisecond;
}

DeviceTime FromMilliseconds(std::int64_t ms) {
  const std::int64_t days = FloorDiv(ms, kMsPerDay);
  std::int64_t rest = ms - days * kMsPerDay;
  DeviceTime t;
  CivilFromDays(days, t.year, t.month, t.day);
  t.millisecond = static_cast<int>(rest % 1000);
  rest /= 1000;
  t.second = static_cast<int>(rest % 60);
  rest /= 60;
  t.minute = static_cast<int>(rest % 60);
  t.hour = static_cast<int>(rest / 60);
  return t;
}

DeviceTime AddSeconds(const DeviceTime& t, std::int64_t seconds) {
  return FromMilliseconds(ToMilliseconds(t) + seconds * 1000);
}

SYSTEMTIME ToSystemTime(const DeviceTime& t) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(t.year);
  st.wMonth = static_cast<WORD>(t.month);
  st.wDayOfWeek = static_cast<WORD>(DayOfWeek(t.year, t.month, t.day));
  st.wDay = static_cast<WORD>(t.day);
  st.wHour = static_cast<WORD>(t.hour);
  st.wMinute = static_cast<WORD>(t.minute);
  st.wSecond = static_cast<WORD>(t.second);
  st.wMilliseconds = static_cast<WORD>(t.millisecond);
  return st;
}

DeviceTime FromSystemTime(const SYSTEMTIME& st) {
  return DeviceTime{st.wYear,   st.wMonth,  st.wDay,         st.wHour,
                    st.wMinute, st.wSecond, st.wMilliseconds};
}

void AppendDeviceTime(std::string& out, const DeviceTime& t) {
  const bool fixedWidth = t.year >= 0 && t.year <= 9999 && t.month >= 0 && t.month <= 99 &&
                          t.day >= 0 && t.day <= 99 && t.hour >= 0 && t.hour <= 99 &&
                          t.minute >= 0 && t.minute <= 99 && t.second >= 0 && t.second <= 99;
  if (!fixedWidth) {  // only a time no clock keeps: printf's widening and signs
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    out += text;
    return;
  }
  char text[] = "0000-00-00 00:00:00";
  const auto put = [&text](int at, int value, int width) {
    for (int i = at + width - 1; i >= at; --i, value /= 10)
      text[i] = static_cast<char>('0' + value % 10);
  };
  put(0, t.year, 4);
  put(5, t.month, 2);
  put(8, t.day, 2);
  put(11, t.hour, 2);
  put(14, t.minute, 2);
  put(17, t.second, 2);
  out.append(text, sizeof text - 1);
}

std::string FormatDeviceTime(const DeviceTime& t) {
  std::string text;
  AppendDeviceTime(text, t);
  return text;
}

std::optional<DeviceTime> ParseDeviceTime(std::string_view text) {
  // Positions of the separators in "YYYY-MM-DD HH:MM:SS"; every other place is a digit.
  static constexpr std::string_view kPattern = "dddd-dd-dd dd:dd:dd";
  if (text.size() != kPattern.size()) return std::nullopt;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kPattern[i] == 'd' ? !digit : text[i] != kPattern[i]) return std::nullopt;
  }
  auto number = [&](std::size_t at, std::size_t width) {
    int n = 0;
    for (std::size_t i = at; i < at + width; ++i) n = n * 10 + (text[i] - '0');
    return n;
  };
  const DeviceTime t{
      number(0, 4), number(5, 2), number(8, 2), number(11, 2), number(14, 2), number(17, 2), 0};
  if (!IsValid(t)) return std::nullopt;
  return t;
}

}  // namespace cedev
