// COleDateTime and COleDateTimeSpan: status rules, field access, calendar roll-over in
// arithmetic (also across 1899-12-30), span rounding and parts.
#include <cmath>
#include <limits>
#include <string>

#include <afxdisp.h>
#include <gtest/gtest.h>

namespace {

// The fields of a date as one comparable text, so that a failure shows all of them.
std::string Fields(const COleDateTime& t) {
  return std::to_string(t.GetYear()) + "-" + std::to_string(t.GetMonth()) + "-" +
         std::to_string(t.GetDay()) + " " + std::to_string(t.GetHour()) + ":" +
         std::to_string(t.GetMinute()) + ":" + std::to_string(t.GetSecond());
}

TEST(OleDateTime, ConstructionAndStatus) {
  struct Case {
    int y, mo, d, h, mi, s;
    bool valid;
  };
  const Case cases[] = {
      {2024, 2, 29, 12, 30, 45, true},
      {2023, 2, 29, 0, 0, 0, false},
      {1900, 2, 29, 0, 0, 0, false},
      {2024, 4, 31, 0, 0, 0, false},
      {2024, 1, 1, 24, 0, 0, false},
      {2024, 1, 1, 0, 60, 0, false},
      {2024, 1, 1, 0, 0, 60, false},
      {2024, 0, 1, 0, 0, 0, false},
      {2024, 1, 0, 0, 0, 0, false},
      {2024, -1, 1, 0, 0, 0, false},
      {2024, 1, 1, -1, 0, 0, false},
      {99, 12, 31, 0, 0, 0, false},
      {100, 1, 1, 0, 0, 0, true},
      {9999, 12, 31, 23, 59, 59, true},
      {10000, 1, 1, 0, 0, 0, false},
      {65536 + 2024, 1, 1, 0, 0, 0, false},  // would wrap to 2024 in a WORD
      {2024, 65536 + 1, 1, 0, 0, 0, false},
  };
  for (const Case& c : cases) {
    const COleDateTime t(c.y, c.mo, c.d, c.h, c.mi, c.s);
    EXPECT_EQ(t.GetStatus(), c.valid ? COleDateTime::valid : COleDateTime::invalid)
        << c.y << "-" << c.mo << "-" << c.d << " " << c.h << ":" << c.mi << ":" << c.s;
    if (c.valid) {
      EXPECT_EQ(Fields(t), std::to_string(c.y) + "-" + std::to_string(c.mo) + "-" +
                               std::to_string(c.d) + " " + std::to_string(c.h) + ":" +
                               std::to_string(c.mi) + ":" + std::to_string(c.s));
    }
  }
  EXPECT_EQ(COleDateTime().GetStatus(), COleDateTime::valid);
  EXPECT_EQ(Fields(COleDateTime()), "1899-12-30 0:0:0");
}

TEST(OleDateTime, FromDateAndSystemTime) {
  EXPECT_EQ(Fields(COleDateTime(36526.75)), "2000-1-1 18:0:0");
  EXPECT_EQ(Fields(COleDateTime(-1.25)), "1899-12-29 6:0:0");
  EXPECT_EQ(COleDateTime(2958466.0).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(COleDateTime(-657435.0).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(COleDateTime(std::numeric_limits<double>::quiet_NaN()).GetStatus(),
            COleDateTime::invalid);

  SYSTEMTIME st{};
  st.wYear = 2026;
  st.wMonth = 12;
  st.wDay = 7;
  st.wHour = 18;
  st.wMilliseconds = 500;  // not carried
  const COleDateTime t(st);
  EXPECT_EQ(t.GetStatus(), COleDateTime::valid);
  EXPECT_DOUBLE_EQ(static_cast<DATE>(t), 46363.75);
  EXPECT_DOUBLE_EQ(t.m_dt, 46363.75);

  st.wMonth = 13;
  EXPECT_EQ(COleDateTime(st).GetStatus(), COleDateTime::invalid);

  COleDateTime assigned;
  assigned = 2.5;
  EXPECT_EQ(Fields(assigned), "1900-1-1 12:0:0");
  assigned = 1e9;
  EXPECT_EQ(assigned.GetStatus(), COleDateTime::invalid);
}

TEST(OleDateTime, SettersMakeTheDateInvalidAndKeepItsValue) {
  COleDateTime t(2024, 5, 6, 7, 8, 9);
  const DATE before = t.m_dt;
  EXPECT_EQ(t.SetDateTime(2024, 2, 30, 0, 0, 0), 1);
  EXPECT_EQ(t.GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(t.m_dt, before);

  EXPECT_EQ(t.SetDate(2024, 2, 29), 0);
  EXPECT_EQ(t.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(Fields(t), "2024-2-29 0:0:0");

  EXPECT_EQ(t.SetTime(13, 14, 15), 0);
  EXPECT_EQ(Fields(t), "1899-12-30 13:14:15");
  EXPECT_EQ(t.SetTime(13, 61, 15), 1);
  EXPECT_EQ(t.GetStatus(), COleDateTime::invalid);
}

TEST(OleDateTime, AccessorsGiveMinusOneWhenNotValid) {
  COleDateTime invalid(2024, 13, 1, 0, 0, 0);
  COleDateTime null(2024, 1, 1, 0, 0, 0);
  null.SetStatus(COleDateTime::null);
  for (const COleDateTime& t : {invalid, null}) {
    EXPECT_EQ(t.GetYear(), AFX_OLE_DATETIME_ERROR);
    EXPECT_EQ(t.GetMonth(), AFX_OLE_DATETIME_ERROR);
    EXPECT_EQ(t.GetDay(), AFX_OLE_DATETIME_ERROR);
    EXPECT_EQ(t.GetHour(), AFX_OLE_DATETIME_ERROR);
    EXPECT_EQ(t.GetMinute(), AFX_OLE_DATETIME_ERROR);
    EXPECT_EQ(t.GetSecond(), AFX_OLE_DATETIME_ERROR);
    EXPECT_EQ(t.GetDayOfWeek(), AFX_OLE_DATETIME_ERROR);
    EXPECT_EQ(t.GetDayOfYear(), AFX_OLE_DATETIME_ERROR);
    SYSTEMTIME st;
    EXPECT_FALSE(t.GetAsSystemTime(st));
  }
}

TEST(OleDateTime, WeekdayAndDayOfYearOfKnownDates) {
  struct Case {
    int y, mo, d;
    int dayOfWeek;  // 1 = Sunday
    int dayOfYear;
  };
  const Case cases[] = {
      {1899, 12, 30, 7, 364}, {1899, 12, 29, 6, 363}, {1900, 1, 1, 2, 1},
      {1900, 3, 1, 5, 60},    {1969, 7, 20, 1, 201},  {2000, 1, 1, 7, 1},
      {2000, 12, 31, 1, 366}, {2023, 12, 31, 1, 365}, {2024, 2, 29, 5, 60},
      {2024, 3, 1, 6, 61},    {2026, 12, 7, 2, 341},  {100, 1, 1, 6, 1},
      {9999, 12, 31, 6, 365},
  };
  for (const Case& c : cases) {
    const COleDateTime t(c.y, c.mo, c.d, 12, 0, 0);
    EXPECT_EQ(t.GetDayOfWeek(), c.dayOfWeek) << c.y << "-" << c.mo << "-" << c.d;
    EXPECT_EQ(t.GetDayOfYear(), c.dayOfYear) << c.y << "-" << c.mo << "-" << c.d;
    SYSTEMTIME st;
    ASSERT_TRUE(t.GetAsSystemTime(st));
    EXPECT_EQ(st.wDayOfWeek + 1, c.dayOfWeek);
  }
}

TEST(OleDateTime, AddingRollsDaysMonthsAndYearsOver) {
  struct Case {
    COleDateTime start;
    COleDateTimeSpan span;
    const char* expected;
  };
  const Case cases[] = {
      {COleDateTime(2024, 1, 15, 23, 59, 0), COleDateTimeSpan(0, 0, 2, 0), "2024-1-16 0:1:0"},
      {COleDateTime(2023, 12, 31, 23, 59, 0), COleDateTimeSpan(0, 0, 2, 0), "2024-1-1 0:1:0"},
      {COleDateTime(2024, 2, 28, 8, 0, 0), COleDateTimeSpan(1, 0, 0, 0), "2024-2-29 8:0:0"},
      {COleDateTime(2024, 2, 28, 8, 0, 0), COleDateTimeSpan(2, 0, 0, 0), "2024-3-1 8:0:0"},
      {COleDateTime(2023, 2, 28, 8, 0, 0), COleDateTimeSpan(1, 0, 0, 0), "2023-3-1 8:0:0"},
      {COleDateTime(1900, 2, 28, 0, 0, 0), COleDateTimeSpan(1, 0, 0, 0), "1900-3-1 0:0:0"},
      {COleDateTime(2023, 1, 31, 0, 0, 0), COleDateTimeSpan(1, 0, 0, 0), "2023-2-1 0:0:0"},
      {COleDateTime(2026, 12, 5, 23, 0, 0), COleDateTimeSpan(1, 0, 0, 0), "2026-12-6 23:0:0"},
      {COleDateTime(2026, 12, 26, 12, 0, 0), COleDateTimeSpan(6, 0, 0, 0), "2027-1-1 12:0:0"},
      {COleDateTime(2024, 3, 1, 0, 0, 0), COleDateTimeSpan(-1, 0, 0, 0), "2024-2-29 0:0:0"},
      {COleDateTime(2024, 1, 1, 0, 0, 30), COleDateTimeSpan(0, 0, 0, -31), "2023-12-31 23:59:59"},
      {COleDateTime(2024, 1, 1, 0, 0, 0), COleDateTimeSpan(0, 0, 60 * 24 * 366, 0),
       "2025-1-1 0:0:0"},
      // Across 1899-12-30, where the fraction of a negative date counts forward.
      {COleDateTime(1899, 12, 30, 6, 0, 0), COleDateTimeSpan(0, -12, 0, 0), "1899-12-29 18:0:0"},
      {COleDateTime(1899, 12, 29, 18, 0, 0), COleDateTimeSpan(0, 12, 0, 0), "1899-12-30 6:0:0"},
      {COleDateTime(1899, 12, 28, 12, 0, 0), COleDateTimeSpan(0, 6, 0, 0), "1899-12-28 18:0:0"},
      {COleDateTime(1899, 12, 28, 18, 0, 0), COleDateTimeSpan(0, -6, 0, 0), "1899-12-28 12:0:0"},
      {COleDateTime(1899, 12, 29, 23, 59, 0), COleDateTimeSpan(0, 0, 2, 0), "1899-12-30 0:1:0"},
      {COleDateTime(1899, 12, 30, 0, 1, 0), COleDateTimeSpan(0, 0, -2, 0), "1899-12-29 23:59:0"},
      {COleDateTime(1800, 1, 1, 0, 0, 0), COleDateTimeSpan(36523, 0, 0, 0), "1899-12-31 0:0:0"},
  };
  for (const Case& c : cases) {
    const COleDateTime sum = c.start + c.span;
    EXPECT_EQ(sum.GetStatus(), COleDateTime::valid) << Fields(c.start);
    EXPECT_EQ(Fields(sum), c.expected) << Fields(c.start);
    // Subtracting the span again gives the start back.
    EXPECT_EQ(Fields(sum - c.span), Fields(c.start)) << c.expected;
    COleDateTime stepped = c.start;
    stepped += c.span;
    EXPECT_EQ(Fields(stepped), c.expected);
    stepped -= c.span;
    EXPECT_EQ(Fields(stepped), Fields(c.start));
  }
}

TEST(OleDateTime, ResultsOutsideTheRangeAreInvalid) {
  EXPECT_EQ((COleDateTime(9999, 12, 31, 23, 59, 59) + COleDateTimeSpan(0, 0, 0, 1)).GetStatus(),
            COleDateTime::invalid);
  EXPECT_EQ((COleDateTime(100, 1, 1, 0, 0, 0) - COleDateTimeSpan(0, 0, 0, 1)).GetStatus(),
            COleDateTime::invalid);
  EXPECT_EQ((COleDateTime(100, 1, 1, 0, 0, 0) + COleDateTimeSpan(0, 23, 59, 59)).GetStatus(),
            COleDateTime::valid);
}

TEST(OleDateTime, DifferenceOfTwoDates) {
  struct Case {
    COleDateTime later;
    COleDateTime earlier;
    double totalSeconds;
  };
  const Case cases[] = {
      {COleDateTime(2024, 3, 1, 0, 0, 0), COleDateTime(2024, 2, 28, 12, 0, 0), 1.5 * 86400},
      {COleDateTime(2024, 1, 1, 0, 1, 0), COleDateTime(2023, 12, 31, 23, 59, 0), 120},
      {COleDateTime(1899, 12, 30, 6, 0, 0), COleDateTime(1899, 12, 29, 18, 0, 0), 12 * 3600},
      {COleDateTime(1899, 12, 29, 6, 0, 0), COleDateTime(1899, 12, 28, 18, 0, 0), 12 * 3600},
      {COleDateTime(2000, 1, 1, 0, 0, 0), COleDateTime(1899, 12, 30, 0, 0, 0), 36526.0 * 86400},
      {COleDateTime(1899, 12, 29, 0, 0, 0), COleDateTime(1899, 12, 29, 23, 0, 0), -23 * 3600},
  };
  for (const Case& c : cases) {
    const COleDateTimeSpan span = c.later - c.earlier;
    EXPECT_EQ(span.GetStatus(), COleDateTimeSpan::valid);
    EXPECT_EQ(span.GetTotalSeconds(), c.totalSeconds)
        << Fields(c.later) << " - " << Fields(c.earlier);
  }
}

TEST(OleDateTime, NullWinsOverInvalidInResults) {
  const COleDateTime ok(2024, 1, 1, 0, 0, 0);
  COleDateTime bad(2024, 13, 1, 0, 0, 0);
  COleDateTime none = ok;
  none.SetStatus(COleDateTime::null);
  COleDateTimeSpan badSpan(1e12);
  COleDateTimeSpan noSpan(1.0);
  noSpan.SetStatus(COleDateTimeSpan::null);
  const COleDateTimeSpan day(1, 0, 0, 0);

  EXPECT_EQ((ok + day).GetStatus(), COleDateTime::valid);
  EXPECT_EQ((bad + day).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ((ok + badSpan).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ((none + day).GetStatus(), COleDateTime::null);
  EXPECT_EQ((ok + noSpan).GetStatus(), COleDateTime::null);
  EXPECT_EQ((bad + noSpan).GetStatus(), COleDateTime::null);
  EXPECT_EQ((none + badSpan).GetStatus(), COleDateTime::null);
  EXPECT_EQ((ok - bad).GetStatus(), COleDateTimeSpan::invalid);
  EXPECT_EQ((none - ok).GetStatus(), COleDateTimeSpan::null);
  EXPECT_EQ((bad - none).GetStatus(), COleDateTimeSpan::null);
}

TEST(OleDateTime, ComparisonsFollowTimeNotTheRawValue) {
  // -1.25 is 06:00 and -1.75 is 18:00 on the same day, so the smaller DATE is the later time.
  const COleDateTime morning(-1.25);
  const COleDateTime evening(-1.75);
  EXPECT_LT(morning, evening);
  EXPECT_GT(evening, morning);
  EXPECT_LT(evening, COleDateTime(0.0));
  EXPECT_EQ(COleDateTime(-0.25), COleDateTime(0.25));  // day -0 is day 0
  EXPECT_NE(morning, evening);
  EXPECT_LE(morning, COleDateTime(1899, 12, 29, 6, 0, 0));
  EXPECT_GE(COleDateTime(2024, 1, 1, 0, 0, 1), COleDateTime(2024, 1, 1, 0, 0, 0));

  const COleDateTime bad(2024, 13, 1, 0, 0, 0);
  const COleDateTime ok(2024, 1, 1, 0, 0, 0);
  EXPECT_FALSE(bad == ok);
  EXPECT_FALSE(bad < ok);
  EXPECT_FALSE(bad > ok);
  EXPECT_FALSE(bad <= ok);
  EXPECT_TRUE(bad == COleDateTime(1999, 2, 30, 0, 0, 0));  // both invalid
}

TEST(OleDateTimeSpan, PartsOfASpan) {
  struct Case {
    COleDateTimeSpan span;
    LONG days, hours, minutes, seconds;
    double totalDays, totalHours, totalMinutes, totalSeconds;
  };
  const Case cases[] = {
      {COleDateTimeSpan(1, 2, 3, 4), 1, 2, 3, 4, 1, 26, 1563, 93784},
      {COleDateTimeSpan(0, 25, 61, 61), 1, 2, 2, 1, 1, 26, 1562, 93721},
      {COleDateTimeSpan(0, -1, -30, 0), 0, -1, -30, 0, 0, -1, -90, -5400},
      {COleDateTimeSpan(-2, 0, 0, -1), -2, 0, 0, -1, -2, -48, -2880, -172801},
      {COleDateTimeSpan(1.75), 1, 18, 0, 0, 1, 42, 2520, 151200},
      {COleDateTimeSpan(0, 0, 0, 0), 0, 0, 0, 0, 0, 0, 0, 0},
      {COleDateTimeSpan(0, 23, 59, 59), 0, 23, 59, 59, 0, 23, 1439, 86399},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "span " << c.span.m_span);
    EXPECT_EQ(c.span.GetDays(), c.days);
    EXPECT_EQ(c.span.GetHours(), c.hours);
    EXPECT_EQ(c.span.GetMinutes(), c.minutes);
    EXPECT_EQ(c.span.GetSeconds(), c.seconds);
    EXPECT_EQ(c.span.GetTotalDays(), c.totalDays);
    EXPECT_EQ(c.span.GetTotalHours(), c.totalHours);
    EXPECT_EQ(c.span.GetTotalMinutes(), c.totalMinutes);
    EXPECT_EQ(c.span.GetTotalSeconds(), c.totalSeconds);
  }
}

TEST(OleDateTimeSpan, TotalSecondsRoundToTheNearestSecondHalvesAwayFromZero) {
  struct Case {
    double seconds;
    double expected;
  };
  const Case cases[] = {
      {1.4, 1},         {1.5, 2},         {1.6, 2},           {0.49, 0},  {0.5, 1},
      {-1.4, -1},       {-1.5, -2},       {-1.6, -2},         {-0.5, -1}, {59.5, 60},
      {86399.4, 86399}, {86399.5, 86400}, {-86399.5, -86400}, {2.5, 3},   {-2.5, -3},
  };
  for (const Case& c : cases) {
    const COleDateTimeSpan span(c.seconds / 86400);
    EXPECT_EQ(span.GetTotalSeconds(), c.expected) << c.seconds << " s";
  }
  // The parts come from the rounded span: 59.5 s is one whole minute.
  const COleDateTimeSpan almostMinute(59.5 / 86400);
  EXPECT_EQ(almostMinute.GetMinutes(), 1);
  EXPECT_EQ(almostMinute.GetSeconds(), 0);
  const COleDateTimeSpan almostDay(86399.5 / 86400);
  EXPECT_EQ(almostDay.GetDays(), 1);
  EXPECT_EQ(almostDay.GetHours(), 0);
}

TEST(OleDateTimeSpan, ArithmeticAndStatus) {
  const COleDateTimeSpan hour(0, 1, 0, 0);
  const COleDateTimeSpan minute(0, 0, 1, 0);
  EXPECT_EQ((hour + minute).GetTotalSeconds(), 3660);
  EXPECT_EQ((hour - minute).GetTotalSeconds(), 3540);
  EXPECT_EQ((-hour).GetTotalSeconds(), -3600);
  EXPECT_EQ((minute * 90).GetTotalSeconds(), 5400);
  EXPECT_EQ((hour / 4).GetTotalSeconds(), 900);
  EXPECT_EQ((hour / 0).GetStatus(), COleDateTimeSpan::invalid);
  COleDateTimeSpan s = hour;
  s += minute;
  s -= hour;
  EXPECT_EQ(s.GetTotalSeconds(), 60);
  EXPECT_DOUBLE_EQ(static_cast<double>(COleDateTimeSpan(1, 12, 0, 0)), 1.5);

  EXPECT_EQ(COleDateTimeSpan(1e7).GetStatus(), COleDateTimeSpan::invalid);
  EXPECT_EQ(COleDateTimeSpan(std::numeric_limits<double>::quiet_NaN()).GetStatus(),
            COleDateTimeSpan::invalid);
  EXPECT_EQ(COleDateTimeSpan(1e7).GetTotalSeconds(), 0);  // no value from an invalid span
  EXPECT_EQ((COleDateTimeSpan(3e6) + COleDateTimeSpan(3e6)).GetStatus(), COleDateTimeSpan::invalid);
  COleDateTimeSpan none(1.0);
  none.SetStatus(COleDateTimeSpan::null);
  const COleDateTimeSpan bad(1e7);
  EXPECT_EQ((none + bad).GetStatus(), COleDateTimeSpan::null);
  EXPECT_EQ((bad + hour).GetStatus(), COleDateTimeSpan::invalid);
  EXPECT_EQ((-none).GetStatus(), COleDateTimeSpan::null);
  EXPECT_EQ((none * 2).GetStatus(), COleDateTimeSpan::null);
}

TEST(OleDateTimeSpan, Comparisons) {
  const COleDateTimeSpan hour(0, 1, 0, 0);
  const COleDateTimeSpan minutes(0, 0, 60, 0);
  EXPECT_EQ(hour, minutes);
  EXPECT_LT(-hour, hour);
  EXPECT_GT(hour, COleDateTimeSpan(0, 0, 59, 59));
  EXPECT_NE(hour, COleDateTimeSpan(0, 0, 0, 3601));
  const COleDateTimeSpan bad(1e7);
  EXPECT_FALSE(bad < hour);
  EXPECT_FALSE(bad >= hour);
  EXPECT_FALSE(bad == hour);
}

}  // namespace
