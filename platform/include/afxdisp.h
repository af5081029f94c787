// The framework's OLE date and time: COleDateTime, a point in local time held as an OLE
// automation DATE (see oleauto.h), and COleDateTimeSpan, a length of time in days. Both carry
// a status: valid, invalid (an out-of-range field or result) or null (no value).
//
// Arithmetic follows OLE's rule for dates before 1899-12-30, whose fraction counts forward
// while the integer part counts back: a date is turned into a linear count of days, the span is
// added, and the result is turned back. Null wins over invalid in a result; a result outside
// 0100-01-01..9999-12-31 is invalid.
#pragma once

#include <compare>

#include "oleauto.h"
#include "windows.h"

// What the date's field accessors return when the date is not valid.
#define AFX_OLE_DATETIME_ERROR (-1)

class COleDateTimeSpan {
 public:
  enum DateTimeSpanStatus { valid = 0, invalid = 1, null = 2 };

  COleDateTimeSpan() = default;
  // A span beyond about 9900 years either way, or not a number, is invalid.
  COleDateTimeSpan(double dblSpanSrc);  // NOLINT(google-explicit-constructor): as the framework's
  COleDateTimeSpan(LONG lDays, int nHours, int nMins, int nSecs);

  // Any field may be negative or beyond its unit: the span is their sum.
  void SetDateTimeSpan(LONG lDays, int nHours, int nMins, int nSecs);

  DateTimeSpanStatus GetStatus() const { return m_status; }
  void SetStatus(DateTimeSpanStatus status) { m_status = status; }

  // The span rounded to the nearest second (halves away from zero), then counted in whole units
  // towards zero; a negative span gives negative values. 0 for a span that is not valid.
  double GetTotalDays() const;
  double GetTotalHours() const;
  double GetTotalMinutes() const;
  double GetTotalSeconds() const;
  // The parts of the rounded span: whole days, then hours 0..23, minutes and seconds 0..59
  // (each negative for a negative span).
  LONG GetDays() const;
  LONG GetHours() const;
  LONG GetMinutes() const;
  LONG GetSeconds() const;

  operator double() const { return m_span; }  // NOLINT(google-explicit-constructor)

  COleDateTimeSpan operator+(const COleDateTimeSpan& other) const;
  COleDateTimeSpan operator-(const COleDateTimeSpan& other) const;
  COleDateTimeSpan operator-() const;
  COleDateTimeSpan operator*(int factor) const;
  // Division by 0 gives an invalid span.
  COleDateTimeSpan operator/(int divisor) const;
  COleDateTimeSpan& operator+=(const COleDateTimeSpan& other) { return *this = *this + other; }
  COleDateTimeSpan& operator-=(const COleDateTimeSpan& other) { return *this = *this - other; }

  // Equal when the statuses are equal and, for valid spans, the lengths. Spans that are not
  // both valid have no order.
  bool operator==(const COleDateTimeSpan& other) const;
  std::partial_ordering operator<=>(const COleDateTimeSpan& other) const;

  double m_span = 0;
  DateTimeSpanStatus m_status = valid;

 private:
  long long RoundedSeconds() const;
  void CheckRange();
};

class COleDateTime {
 public:
  enum DateTimeStatus { valid = 0, invalid = 1, null = 2 };

  // The device's local time now, to the second.
  static COleDateTime GetCurrentTime();

  // 1899-12-30 00:00, valid.
  COleDateTime() = default;
  // Invalid outside 0100-01-01..9999-12-31 or for a value that is not a number.
  COleDateTime(DATE dtSrc);  // NOLINT(google-explicit-constructor): as the framework's
  COleDateTime(const SYSTEMTIME& systimeSrc);  // NOLINT(google-explicit-constructor)
  COleDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec);

  COleDateTime& operator=(DATE dtSrc);
  COleDateTime& operator=(const SYSTEMTIME& systimeSrc);

  DateTimeStatus GetStatus() const { return m_status; }
  void SetStatus(DateTimeStatus status) { m_status = status; }

  // Each field must be in range (day within its month, hour 0..23, minute and second 0..59,
  // year 100..9999), or the date becomes invalid and keeps its old value. 0 on success, 1 when
  // the date became invalid. SetTime puts the time on 1899-12-30; SetDate at midnight.
  int SetDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec);
  int SetDate(int nYear, int nMonth, int nDay);
  int SetTime(int nHour, int nMin, int nSec);

  // False for a date that is not valid.
  bool GetAsSystemTime(SYSTEMTIME& sysTime) const;

  // The fields of the date rounded to the nearest second; AFX_OLE_DATETIME_ERROR for a date that
  // is not valid. GetDayOfWeek is 1 = Sunday .. 7 = Saturday; GetDayOfYear 1 = 1 January.
  int GetYear() const;
  int GetMonth() const;
  int GetDay() const;
  int GetHour() const;
  int GetMinute() const;
  int GetSecond() const;
  int GetDayOfWeek() const;
  int GetDayOfYear() const;

  operator DATE() const { return m_dt; }  // NOLINT(google-explicit-constructor)

  COleDateTime operator+(const COleDateTimeSpan& dateSpan) const;
  COleDateTime operator-(const COleDateTimeSpan& dateSpan) const;
  COleDateTime& operator+=(const COleDateTimeSpan& dateSpan) { return *this = *this + dateSpan; }
  COleDateTime& operator-=(const COleDateTimeSpan& dateSpan) { return *this = *this - dateSpan; }
  // The time from date to this one.
  COleDateTimeSpan operator-(const COleDateTime& date) const;

  // Equal when the statuses are equal and, for valid dates, the moments. Dates that are not
  // both valid have no order.
  bool operator==(const COleDateTime& date) const;
  std::partial_ordering operator<=>(const COleDateTime& date) const;

  DATE m_dt = 0;
  DateTimeStatus m_status = valid;

 private:
  void CheckRange();
};

inline COleDateTime COleDateTime::GetCurrentTime() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return COleDateTime(now);
}
