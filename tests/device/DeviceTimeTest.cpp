// Civil time on the device: the strict text form, weekdays and leap years.
#include <optional>
#include <string>

#include "DeviceTime.h"
#include "DeviceTest.h"

namespace {

TEST(DeviceTimeTest, ParsesOnlyTheStrictForm) {
  struct Case {
    const char* text;
    bool valid;
  };
  const Case cases[] = {
      {"2026-12-07 10:00:00", true},   {"2024-02-29 23:59:59", true},
      {"1601-01-01 00:00:00", true},   {"9999-12-31 23:59:59", true},
      {"2026-02-29 10:00:00", false},  {"1900-02-29 00:00:00", false},
      {"2026-12-7 10:00:00", false},   {"2026-12-07 10:00", false},
      {" 2026-12-07 10:00:00", false}, {"2026-12-07 10:00:00 ", false},
      {"2026-12-07T10:00:00", false},  {"2026-12-07 24:00:00", false},
      {"2026-12-07 10:60:00", false},  {"2026-13-07 10:00:00", false},
      {"1600-12-31 23:59:59", false},  {"", false},
      {"2026-12-07 10:00:0x", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::optional<cedev::DeviceTime> t = cedev::ParseDeviceTime(c.text);
    EXPECT_EQ(t.has_value(), c.valid);
    if (t) {
      EXPECT_EQ(cedev::FormatDeviceTime(*t), c.text);
    }
  }
}

// Raw fields (a registration's SYSTEMTIME as given) are shown as they are, however wide.
TEST(DeviceTimeTest, FormatsAnyFieldsZeroPaddedAndAppendsAfterWhatIsThere) {
  struct Case {
    cedev::DeviceTime time;
    const char* text;
  };
  const Case cases[] = {
      {{5, 1, 2, 3, 4, 5, 0}, "0005-01-02 03:04:05"},
      {{2026, 13, 0, 24, 60, 61, 0}, "2026-13-00 24:60:61"},
      {{65535, 99, 99, 99, 99, 99, 0}, "65535-99-99 99:99:99"},
      {{2026, 100, 7, 10, 0, 0, 0}, "2026-100-07 10:00:00"},
      {{-1, 1, 1, 0, 0, 0, 0}, "-001-01-01 00:00:00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(cedev::FormatDeviceTime(c.time), c.text);
    std::string out = "at\t";
    cedev::AppendDeviceTime(out, c.time);
    EXPECT_EQ(out, std::string("at\t") + c.text);
  }
}

TEST(DeviceTimeTest, WeekdaysCountFromSunday) {
  EXPECT_EQ(cedev::DayOfWeek(2026, 12, 6), 0);  // a Sunday
  EXPECT_EQ(cedev::DayOfWeek(2026, 12, 7), 1);
  EXPECT_EQ(cedev::DayOfWeek(1970, 1, 1), 4);    // a Thursday
  EXPECT_EQ(cedev::DayOfWeek(1899, 12, 30), 6);  // a Saturday
  EXPECT_EQ(cedev::DayOfWeek(2000, 2, 29), 2);
}

TEST(DeviceTimeTest, MillisecondsRoundTripAcrossLeapDaysAndBefore1970) {
  const cedev::DeviceTime times[] = {
      {2024, 2, 29, 12, 30, 15, 250}, {1969, 12, 31, 23, 59, 59, 999}, {1601, 1, 1, 0, 0, 0, 0}};
  for (const cedev::DeviceTime& t : times) {
    EXPECT_EQ(cedev::FromMilliseconds(cedev::ToMilliseconds(t)), t) << cedev::FormatDeviceTime(t);
  }
  EXPECT_EQ(cedev::AddSeconds({2024, 2, 28, 23, 59, 59, 0}, 1),
            (cedev::DeviceTime{2024, 2, 29, 0, 0, 0, 0}));
  const SYSTEMTIME st = cedev::ToSystemTime({2026, 12, 7, 10, 1, 2, 3});
  EXPECT_EQ(st.wDayOfWeek, 1);
  EXPECT_EQ(st.wMilliseconds, 3);
}

}  // namespace
