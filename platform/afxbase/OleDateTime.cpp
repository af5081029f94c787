#include <afxdisp.h>

#include <cfloat>
#include <cmath>

namespace {

constexpr double kSecondsPerDay = 86400.0;
// About 9900 years; beyond that no two dates of the OLE range are apart.
constexpr double kMaxSpanDays = 3615897.0;

// An OLE date as a count of days that grows steadily with time (-1.25, which is 1899-12-29
// 06:00, becomes -0.75), and back.
double LinearFromDate(DATE dt) {
  if (dt >= 0) return dt;
  const double day = std::trunc(dt);
  return day + (day - dt);
}

DATE DateFromLinear(double linear) {
  if (linear >= 0) return linear;
  const double day = std::floor(linear);
  return day + (day - linear);
}

bool InRange(int value, int low, int high) { return value >= low && value <= high; }

// Null wins over invalid; both operands must be valid for a value to be computed.
template <typename Result, typename A, typename B>
bool PropagateStatus(const A& a, const B& b, Result& result) {
  if (a.m_status == A::null || b.m_status == B::null) {
    result.m_status = Result::null;
    return false;
  }
  if (a.m_status != A::valid || b.m_status != B::valid) {
    result.m_status = Result::invalid;
    return false;
  }
  return true;
}

}  // namespace

// ---- COleDateTimeSpan --------------------------------------------------------------------

COleDateTimeSpan::COleDateTimeSpan(double dblSpanSrc) : m_span(dblSpanSrc) { CheckRange(); }

COleDateTimeSpan::COleDateTimeSpan(LONG lDays, int nHours, int nMins, int nSecs) {
  SetDateTimeSpan(lDays, nHours, nMins, nSecs);
}

void COleDateTimeSpan::SetDateTimeSpan(LONG lDays, int nHours, int nMins, int nSecs) {
  // Summed in whole seconds so that the span is as close to them as a double allows.
  const double seconds = static_cast<double>(lDays) * kSecondsPerDay +
                         static_cast<double>(nHours) * 3600.0 + static_cast<double>(nMins) * 60.0 +
                         static_cast<double>(nSecs);
  m_span = seconds / kSecondsPerDay;
  m_status = valid;
  CheckRange();
}

void COleDateTimeSpan::CheckRange() {
  if (!std::isfinite(m_span) || std::fabs(m_span) > kMaxSpanDays) m_status = invalid;
}

long long COleDateTimeSpan::RoundedSeconds() const {
  if (m_status != valid || !std::isfinite(m_span) || std::fabs(m_span) > kMaxSpanDays) return 0;
  // Halves away from zero. A span meant as a half second (59.5 s) is a few units of its last
  // place below it once held in days; a small allowance keeps it a half.
  const double seconds = std::fabs(m_span) * kSecondsPerDay;
  const double allowance = (std::fabs(m_span) + 1) * 4 * DBL_EPSILON * kSecondsPerDay;
  const long long whole = static_cast<long long>(std::floor(seconds + 0.5 + allowance));
  return m_span < 0 ? -whole : whole;
}

double COleDateTimeSpan::GetTotalDays() const {
  return static_cast<double>(RoundedSeconds() / 86400);
}
double COleDateTimeSpan::GetTotalHours() const {
  return static_cast<double>(RoundedSeconds() / 3600);
}
double COleDateTimeSpan::GetTotalMinutes() const {
  return static_cast<double>(RoundedSeconds() / 60);
}
double COleDateTimeSpan::GetTotalSeconds() const { return static_cast<double>(RoundedSeconds()); }

LONG COleDateTimeSpan::GetDays() const { return static_cast<LONG>(RoundedSeconds() / 86400); }
LONG COleDateTimeSpan::GetHours() const { return static_cast<LONG>(RoundedSeconds() / 3600 % 24); }
LONG COleDateTimeSpan::GetMinutes() const { return static_cast<LONG>(RoundedSeconds() / 60 % 60); }
LONG COleDateTimeSpan::GetSeconds() const { return static_cast<LONG>(RoundedSeconds() % 60); }

COleDateTimeSpan COleDateTimeSpan::operator+(const COleDateTimeSpan& other) const {
  COleDateTimeSpan result;
  if (PropagateStatus(*this, other, result)) {
    result.m_span = m_span + other.m_span;
    result.CheckRange();
  }
  return result;
}

COleDateTimeSpan COleDateTimeSpan::operator-(const COleDateTimeSpan& other) const {
  COleDateTimeSpan result;
  if (PropagateStatus(*this, other, result)) {
    result.m_span = m_span - other.m_span;
    result.CheckRange();
  }
  return result;
}

COleDateTimeSpan COleDateTimeSpan::operator-() const {
  COleDateTimeSpan result;
  result.m_span = -m_span;
  result.m_status = m_status;
  return result;
}

COleDateTimeSpan COleDateTimeSpan::operator*(int factor) const {
  COleDateTimeSpan result;
  if (PropagateStatus(*this, *this, result)) {
    result.m_span = m_span * factor;
    result.CheckRange();
  }
  return result;
}

COleDateTimeSpan COleDateTimeSpan::operator/(int divisor) const {
  COleDateTimeSpan result;
  if (PropagateStatus(*this, *this, result)) {
    if (divisor == 0) {
      result.m_status = invalid;
    } else {
      result.m_span = m_span / divisor;
    }
  }
  return result;
}

bool COleDateTimeSpan::operator==(const COleDateTimeSpan& other) const {
  if (m_status != other.m_status) return false;
  return m_status != valid || m_span == other.m_span;
}

std::partial_ordering COleDateTimeSpan::operator<=>(const COleDateTimeSpan& other) const {
  if (m_status != valid || other.m_status != valid) return std::partial_ordering::unordered;
  return m_span <=> other.m_span;
}

// ---- COleDateTime ------------------------------------------------------------------------

COleDateTime::COleDateTime(DATE dtSrc) : m_dt(dtSrc) { CheckRange(); }

COleDateTime::COleDateTime(const SYSTEMTIME& systimeSrc) { *this = systimeSrc; }

COleDateTime::COleDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec) {
  SetDateTime(nYear, nMonth, nDay, nHour, nMin, nSec);
}

COleDateTime& COleDateTime::operator=(DATE dtSrc) {
  m_dt = dtSrc;
  m_status = valid;
  CheckRange();
  return *this;
}

COleDateTime& COleDateTime::operator=(const SYSTEMTIME& systimeSrc) {
  SYSTEMTIME st = systimeSrc;
  DATE dt = 0;
  if (SystemTimeToVariantTime(&st, &dt)) {
    m_dt = dt;
    m_status = valid;
  } else {
    m_status = invalid;
  }
  return *this;
}

void COleDateTime::CheckRange() {
  SYSTEMTIME st;
  if (!VariantTimeToSystemTime(m_dt, &st)) m_status = invalid;
}

int COleDateTime::SetDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec) {
  // Checked as ints first, so that nothing wraps into range on the way to a WORD.
  if (!InRange(nYear, 100, 9999) || !InRange(nMonth, 1, 12) || !InRange(nDay, 1, 31) ||
      !InRange(nHour, 0, 23) || !InRange(nMin, 0, 59) || !InRange(nSec, 0, 59)) {
    m_status = invalid;
    return 1;
  }
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(nYear);
  st.wMonth = static_cast<WORD>(nMonth);
  st.wDay = static_cast<WORD>(nDay);
  st.wHour = static_cast<WORD>(nHour);
  st.wMinute = static_cast<WORD>(nMin);
  st.wSecond = static_cast<WORD>(nSec);
  *this = st;
  return m_status == valid ? 0 : 1;
}

int COleDateTime::SetDate(int nYear, int nMonth, int nDay) {
  return SetDateTime(nYear, nMonth, nDay, 0, 0, 0);
}

int COleDateTime::SetTime(int nHour, int nMin, int nSec) {
  return SetDateTime(1899, 12, 30, nHour, nMin, nSec);
}

bool COleDateTime::GetAsSystemTime(SYSTEMTIME& sysTime) const {
  return m_status == valid && VariantTimeToSystemTime(m_dt, &sysTime) != FALSE;
}

int COleDateTime::GetYear() const {
  SYSTEMTIME st;
  return GetAsSystemTime(st) ? st.wYear : AFX_OLE_DATETIME_ERROR;
}

int COleDateTime::GetMonth() const {
  SYSTEMTIME st;
  return GetAsSystemTime(st) ? st.wMonth : AFX_OLE_DATETIME_ERROR;
}

int COleDateTime::GetDay() const {
  SYSTEMTIME st;
  return GetAsSystemTime(st) ? st.wDay : AFX_OLE_DATETIME_ERROR;
}

int COleDateTime::GetHour() const {
  SYSTEMTIME st;
  return GetAsSystemTime(st) ? st.wHour : AFX_OLE_DATETIME_ERROR;
}

int COleDateTime::GetMinute() const {
  SYSTEMTIME st;
  return GetAsSystemTime(st) ? st.wMinute : AFX_OLE_DATETIME_ERROR;
}

int COleDateTime::GetSecond() const {
  SYSTEMTIME st;
  return GetAsSystemTime(st) ? st.wSecond : AFX_OLE_DATETIME_ERROR;
}

int COleDateTime::GetDayOfWeek() const {
  SYSTEMTIME st;
  return GetAsSystemTime(st) ? st.wDayOfWeek + 1 : AFX_OLE_DATETIME_ERROR;
}

int COleDateTime::GetDayOfYear() const {
  SYSTEMTIME st;
  if (!GetAsSystemTime(st)) return AFX_OLE_DATETIME_ERROR;
  // The day count of the date less that of the 1st of January before it.
  SYSTEMTIME newYear{};
  newYear.wYear = st.wYear;
  newYear.wMonth = 1;
  newYear.wDay = 1;
  st.wHour = st.wMinute = st.wSecond = 0;
  DATE day = 0;
  DATE first = 0;
  SystemTimeToVariantTime(&st, &day);
  SystemTimeToVariantTime(&newYear, &first);
  return static_cast<int>(std::lround(LinearFromDate(day) - LinearFromDate(first))) + 1;
}

COleDateTime COleDateTime::operator+(const COleDateTimeSpan& dateSpan) const {
  COleDateTime result;
  if (PropagateStatus(*this, dateSpan, result)) {
    result.m_dt = DateFromLinear(LinearFromDate(m_dt) + dateSpan.m_span);
    result.CheckRange();
  }
  return result;
}

COleDateTime COleDateTime::operator-(const COleDateTimeSpan& dateSpan) const {
  return *this + (-dateSpan);
}

COleDateTimeSpan COleDateTime::operator-(const COleDateTime& date) const {
  COleDateTimeSpan result;
  if (PropagateStatus(*this, date, result)) {
    result.m_span = LinearFromDate(m_dt) - LinearFromDate(date.m_dt);
  }
  return result;
}

bool COleDateTime::operator==(const COleDateTime& date) const {
  if (m_status != date.m_status) return false;
  return m_status != valid || LinearFromDate(m_dt) == LinearFromDate(date.m_dt);
}

std::partial_ordering COleDateTime::operator<=>(const COleDateTime& date) const {
  if (m_status != valid || date.m_status != valid) return std::partial_ordering::unordered;
  return LinearFromDate(m_dt) <=> LinearFromDate(date.m_dt);
}
