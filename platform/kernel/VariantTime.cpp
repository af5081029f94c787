// OLE automation dates. Day 0 is 1899-12-30; the integer part counts days from it and the
// fraction is the time of day. Before day 0 the integer part counts days back but the fraction
// still counts forward: -1.25 is 1899-12-29 06:00, not 1899-12-28 18:00. Years run from 100 to
// 9999, as OLE's do (wider than SYSTEMTIME's usual 1601), so this keeps its own calendar.
#include <cfloat>
#include <cmath>
#include <cstdint>

#include <oleauto.h>

namespace {

constexpr int kMinYear = 100;
constexpr int kMaxYear = 9999;
constexpr std::int64_t kSecondsPerDay = 86400;
// Days from 1970-01-01 back to 1899-12-30.
constexpr std::int64_t kEpochShift = 25569;
// 0100-01-01 and 9999-12-31 as day numbers.
constexpr std::int64_t kFirstDay = -657434;
constexpr std::int64_t kLastDay = 2958465;

bool IsLeapYear(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(std::int64_t y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// The proleptic Gregorian calendar counted in 400-year eras from 0000-03-01, so that the leap
// day ends each year; day numbers are relative to 1970-01-01.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yearOfEra = y - era * 400;
  const std::int64_t dayOfYear = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t dayOfEra = z - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t mp = (5 * dayOfYear + 2) / 153;
  d = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = yearOfEra + era * 400 + (m <= 2 ? 1 : 0);
}

}  // namespace

INT SystemTimeToVariantTime(LPSYSTEMTIME lpSystemTime, DATE* pvtime) {
  if (lpSystemTime == nullptr || pvtime == nullptr) return FALSE;
  const SYSTEMTIME& st = *lpSystemTime;
  if (st.wYear < kMinYear || st.wYear > kMaxYear) return FALSE;
  if (st.wMonth < 1 || st.wMonth > 12) return FALSE;
  if (st.wDay < 1 || st.wDay > DaysInMonth(st.wYear, st.wMonth)) return FALSE;
  if (st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59) return FALSE;

  const std::int64_t day = DaysFromCivil(st.wYear, st.wMonth, st.wDay) + kEpochShift;
  const double fraction =
      static_cast<double>(st.wHour * 3600 + st.wMinute * 60 + st.wSecond) / kSecondsPerDay;
  *pvtime = day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
  return TRUE;
}

INT VariantTimeToSystemTime(DATE vtime, LPSYSTEMTIME lpSystemTime) {
  if (lpSystemTime == nullptr || !std::isfinite(vtime)) return FALSE;
  // Reject far-off values before they reach integer arithmetic; the exact bounds follow.
  if (vtime < static_cast<double>(kFirstDay - 1) || vtime > static_cast<double>(kLastDay + 1)) {
    return FALSE;
  }
  // Split into the day and the time of day counted forward from its midnight. Both steps are
  // exact in floating point.
  const double whole = std::trunc(vtime);
  std::int64_t day = static_cast<std::int64_t>(whole);
  const double fraction = vtime >= 0 ? vtime - whole : whole - vtime;
  // Nearest second; half a second goes up, and 23:59:59.5 is the next day's midnight. A DATE
  // meant as a half second may lie a few units of its last place below it; the allowance
  // (about 0.1 ms at the end of the range) keeps such a value a half.
  const double allowance = (std::fabs(vtime) + 1) * 4 * DBL_EPSILON * kSecondsPerDay;
  std::int64_t seconds =
      static_cast<std::int64_t>(std::floor(fraction * kSecondsPerDay + 0.5 + allowance));
  if (seconds >= kSecondsPerDay) {
    seconds -= kSecondsPerDay;
    // The fraction counts forward on either side of day 0, so the next day is day + 1.
    day += 1;
  }
  if (day < kFirstDay || day > kLastDay) return FALSE;

  std::int64_t year = 0;
  int month = 0;
  int dayOfMonth = 0;
  const std::int64_t unixDay = day - kEpochShift;
  CivilFromDays(unixDay, year, month, dayOfMonth);
  SYSTEMTIME& st = *lpSystemTime;
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(dayOfMonth);
  // 1970-01-01 was a Thursday.
  st.wDayOfWeek = static_cast<WORD>(((unixDay + 4) % 7 + 7) % 7);
  st.wHour = static_cast<WORD>(seconds / 3600);
  st.wMinute = static_cast<WORD>(seconds / 60 % 60);
  st.wSecond = static_cast<WORD>(seconds % 60);
  st.wMilliseconds = 0;
  return TRUE;
}
