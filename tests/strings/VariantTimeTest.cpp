// OLE automation dates: known values, a walk over every day of the range against a plain
// calendar, rounding to the second, and the fields and values that must be refused.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>
#include <oleauto.h>

namespace {

SYSTEMTIME MakeTime(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(mo);
  st.wDay = static_cast<WORD>(d);
  st.wHour = static_cast<WORD>(h);
  st.wMinute = static_cast<WORD>(mi);
  st.wSecond = static_cast<WORD>(s);
  return st;
}

// A one-second tolerance would hide a wrong second; a DATE near 3 million days still resolves
// a microsecond.
constexpr double kDateTolerance = 1e-9 * 4e6 / 86400;

struct KnownDate {
  int y, mo, d, h, mi, s;
  double date;
  int weekday;  // 0 = Sunday
};

const KnownDate kKnown[] = {
    {1899, 12, 30, 0, 0, 0, 0.0, 6},
    {1899, 12, 30, 6, 0, 0, 0.25, 6},
    {1899, 12, 31, 0, 0, 0, 1.0, 0},
    {1900, 1, 1, 0, 0, 0, 2.0, 1},
    {1900, 2, 28, 0, 0, 0, 60.0, 3},
    {1900, 3, 1, 0, 0, 0, 61.0, 4},  // 1900 has no 29 February
    {1899, 12, 29, 0, 0, 0, -1.0, 5},
    {1899, 12, 29, 6, 0, 0, -1.25, 5},  // the fraction counts forward
    {1899, 12, 28, 18, 0, 0, -2.75, 4},
    {1899, 12, 29, 23, 59, 59, -1.0 - 86399.0 / 86400, 5},
    {1969, 7, 20, 20, 17, 40, 25404.0 + 73060.0 / 86400, 0},
    {1999, 12, 31, 23, 59, 59, 36525.0 + 86399.0 / 86400, 5},
    {2000, 1, 1, 0, 0, 0, 36526.0, 6},
    {2000, 2, 29, 12, 0, 0, 36585.5, 2},
    {2000, 3, 1, 0, 0, 0, 36586.0, 3},
    {2024, 2, 29, 0, 0, 0, 45351.0, 4},
    {2026, 12, 7, 18, 0, 0, 46363.75, 1},
    {1600, 2, 29, 0, 0, 0, -109512.0, 2},
    {1582, 10, 15, 0, 0, 0, -115858.0, 5},
    {100, 1, 1, 0, 0, 0, -657434.0, 5},
    {9999, 12, 31, 23, 59, 59, 2958465.0 + 86399.0 / 86400, 5},
};

TEST(VariantTime, KnownDatesBothWays) {
  for (const KnownDate& k : kKnown) {
    SCOPED_TRACE(testing::Message()
                 << k.y << "-" << k.mo << "-" << k.d << " " << k.h << ":" << k.mi << ":" << k.s);
    SYSTEMTIME st = MakeTime(k.y, k.mo, k.d, k.h, k.mi, k.s);
    DATE date = 12345;
    ASSERT_TRUE(SystemTimeToVariantTime(&st, &date));
    EXPECT_NEAR(date, k.date, kDateTolerance);

    SYSTEMTIME back;
    back.wMilliseconds = 999;
    ASSERT_TRUE(VariantTimeToSystemTime(k.date, &back));
    EXPECT_EQ(back.wYear, k.y);
    EXPECT_EQ(back.wMonth, k.mo);
    EXPECT_EQ(back.wDay, k.d);
    EXPECT_EQ(back.wHour, k.h);
    EXPECT_EQ(back.wMinute, k.mi);
    EXPECT_EQ(back.wSecond, k.s);
    EXPECT_EQ(back.wDayOfWeek, k.weekday);
    EXPECT_EQ(back.wMilliseconds, 0);
  }
}

TEST(VariantTime, EveryDayOfTheRangeMatchesAPlainCalendar) {
  // Counted by hand, one day at a time, from 0100-01-01 (a Friday) to 9999-12-31.
  int y = 100, mo = 1, d = 1, weekday = 5;
  int failures = 0;
  for (long day = -657434; day <= 2958465 && failures < 5; ++day) {
    SYSTEMTIME st;
    // Noon, so that the fraction is tested on both sides of day 0 as well.
    const double date = day >= 0 ? day + 0.5 : day - 0.5;
    if (!VariantTimeToSystemTime(date, &st) || st.wYear != y || st.wMonth != mo || st.wDay != d ||
        st.wDayOfWeek != weekday || st.wHour != 12 || st.wMinute != 0 || st.wSecond != 0) {
      ADD_FAILURE() << "day " << day << ": expected " << y << "-" << mo << "-" << d << " (weekday "
                    << weekday << "), got " << st.wYear << "-" << st.wMonth << "-" << st.wDay << " "
                    << st.wHour << ":" << st.wMinute << " (weekday " << st.wDayOfWeek << ")";
      ++failures;
    }
    SYSTEMTIME forward = MakeTime(y, mo, d, 12);
    DATE back = 0;
    if (!SystemTimeToVariantTime(&forward, &back) || back != date) {
      ADD_FAILURE() << y << "-" << mo << "-" << d << " 12:00 gave " << back << ", not " << date;
      ++failures;
    }

    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    const int monthLength[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    weekday = (weekday + 1) % 7;
    if (++d > monthLength[mo - 1]) {
      d = 1;
      if (++mo > 12) {
        mo = 1;
        ++y;
      }
    }
  }
  EXPECT_EQ(failures, 0);
}

TEST(VariantTime, TimesOfDayRoundTripOnBothSidesOfDayZero) {
  const int days[][3] = {{1899, 12, 30}, {1899, 12, 29}, {1899, 12, 31}, {1800, 6, 15},
                         {2024, 2, 29},  {9999, 12, 31}, {100, 1, 1}};
  for (const auto& day : days) {
    for (int second = 0; second < 86400; second += 59) {
      SYSTEMTIME st =
          MakeTime(day[0], day[1], day[2], second / 3600, second / 60 % 60, second % 60);
      DATE date = 0;
      ASSERT_TRUE(SystemTimeToVariantTime(&st, &date));
      SYSTEMTIME back;
      ASSERT_TRUE(VariantTimeToSystemTime(date, &back));
      ASSERT_EQ(back.wYear * 10000 + back.wMonth * 100 + back.wDay,
                day[0] * 10000 + day[1] * 100 + day[2])
          << "second " << second;
      ASSERT_EQ(back.wHour * 3600 + back.wMinute * 60 + back.wSecond, second)
          << day[0] << "-" << day[1] << "-" << day[2];
    }
  }
}

TEST(VariantTime, RoundsToTheNearestSecond) {
  struct Case {
    double date;
    int y, mo, d, h, mi, s;
  };
  const double sec = 1.0 / 86400;
  const Case cases[] = {
      {36526.0 + 3600.4 * sec, 2000, 1, 1, 1, 0, 0},
      {36526.0 + 3600.6 * sec, 2000, 1, 1, 1, 0, 1},
      {36526.0 + 0.4 * sec, 2000, 1, 1, 0, 0, 0},
      {36526.0 - 0.4 * sec, 2000, 1, 1, 0, 0, 0},  // 23:59:59.6 the day before
      {36526.0 - 0.6 * sec, 1999, 12, 31, 23, 59, 59},
      {36526.0 + 59.5 * sec, 2000, 1, 1, 0, 1, 0},     // half a second goes up
      {36526.0 + 86399.6 * sec, 2000, 1, 2, 0, 0, 0},  // into the next day
      {36525.0 + 86399.6 * sec, 2000, 1, 1, 0, 0, 0},  // and into the next year
      {-1.0 - 3600.4 * sec, 1899, 12, 29, 1, 0, 0},    // negative: forward from midnight
      {-1.0 - 3600.6 * sec, 1899, 12, 29, 1, 0, 1},
      {-2.0 - 86399.6 * sec, 1899, 12, 29, 0, 0, 0},  // 1899-12-28 23:59:59.6
      {-1.0 - 86399.6 * sec, 1899, 12, 30, 0, 0, 0},  // over day 0
      {-0.25, 1899, 12, 30, 6, 0, 0},                 // day -0 is day 0
      {-657434.0 - 0.4 * sec, 100, 1, 1, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SYSTEMTIME st;
    ASSERT_TRUE(VariantTimeToSystemTime(c.date, &st)) << c.date;
    EXPECT_EQ(st.wYear, c.y) << c.date;
    EXPECT_EQ(st.wMonth, c.mo) << c.date;
    EXPECT_EQ(st.wDay, c.d) << c.date;
    EXPECT_EQ(st.wHour, c.h) << c.date;
    EXPECT_EQ(st.wMinute, c.mi) << c.date;
    EXPECT_EQ(st.wSecond, c.s) << c.date;
  }
}

TEST(VariantTime, RefusesDatesOutsideTheRange) {
  const double sec = 1.0 / 86400;
  const double refused[] = {
      -657435.0,  // 0099-12-31
      -657435.5,
      2958466.0,                  // 10000-01-01
      2958465.0 + 86399.6 * sec,  // rounds up into year 10000
      1e300,
      -1e300,
      std::numeric_limits<double>::quiet_NaN(),
      std::numeric_limits<double>::infinity(),
      -std::numeric_limits<double>::infinity(),
  };
  SYSTEMTIME st;
  for (double date : refused) EXPECT_FALSE(VariantTimeToSystemTime(date, &st)) << date;
  // The first day of the range to its last second, whose DATE is below -657434.
  ASSERT_TRUE(VariantTimeToSystemTime(-657434.0 - 86399.0 * sec, &st));
  EXPECT_EQ(st.wYear * 10000 + st.wMonth * 100 + st.wDay, 1000101);
  EXPECT_EQ(st.wHour * 3600 + st.wMinute * 60 + st.wSecond, 86399);
  EXPECT_FALSE(VariantTimeToSystemTime(0.0, nullptr));
}

TEST(VariantTime, RefusesFieldsOutOfRange) {
  const SYSTEMTIME refused[] = {
      MakeTime(2024, 0, 1),      MakeTime(2024, 13, 1),       MakeTime(2024, 1, 0),
      MakeTime(2024, 1, 32),     MakeTime(1900, 2, 29),       MakeTime(2023, 2, 29),
      MakeTime(2000, 2, 30),     MakeTime(2024, 4, 31),       MakeTime(2024, 6, 31),
      MakeTime(2024, 1, 1, 24),  MakeTime(2024, 1, 1, 0, 60), MakeTime(2024, 1, 1, 0, 0, 60),
      MakeTime(99, 12, 31),      MakeTime(10000, 1, 1),       MakeTime(0, 1, 1),
      MakeTime(2024, 0xFFFF, 1),
  };
  for (SYSTEMTIME st : refused) {
    DATE date = 777;
    EXPECT_FALSE(SystemTimeToVariantTime(&st, &date))
        << st.wYear << "-" << st.wMonth << "-" << st.wDay << " " << st.wHour << ":" << st.wMinute
        << ":" << st.wSecond;
    EXPECT_EQ(date, 777) << "the output is left alone";
  }
  SYSTEMTIME ok = MakeTime(2024, 2, 29, 23, 59, 59);
  EXPECT_FALSE(SystemTimeToVariantTime(&ok, nullptr));
  EXPECT_FALSE(SystemTimeToVariantTime(nullptr, nullptr));
}

TEST(VariantTime, MillisecondsAndWeekdayOfTheInputAreIgnored) {
  SYSTEMTIME plain = MakeTime(2024, 3, 1, 8, 30, 15);
  SYSTEMTIME noisy = plain;
  noisy.wMilliseconds = 999;
  noisy.wDayOfWeek = 3;  // 2024-03-01 was a Friday
  DATE a = 0, b = 1;
  ASSERT_TRUE(SystemTimeToVariantTime(&plain, &a));
  ASSERT_TRUE(SystemTimeToVariantTime(&noisy, &b));
  EXPECT_EQ(a, b);
  SYSTEMTIME back;
  ASSERT_TRUE(VariantTimeToSystemTime(b, &back));
  EXPECT_EQ(back.wDayOfWeek, 5);
  EXPECT_EQ(back.wSecond, 15);
}

}  // namespace
