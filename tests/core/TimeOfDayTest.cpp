#include <gtest/gtest.h>

#include "TimeOfDay.h"
#include "TapPoint.h"

namespace {

struct TimeCase {
  int hour, minute, second;
  bool valid;
};

class TimeOfDayValidity : public ::testing::TestWithParam<TimeCase> {};

TEST_P(TimeOfDayValidity, ComponentsOrMinusOne) {
  const TimeCase& c = GetParam();
  const TimeOfDay t(c.hour, c.minute, c.second);
  EXPECT_EQ(t.valid(), c.valid);
  EXPECT_EQ(t.hour(), c.valid ? c.hour : -1);
  EXPECT_EQ(t.minute(), c.valid ? c.minute : -1);
  EXPECT_EQ(t.second(), c.valid ? c.second : -1);
}

INSTANTIATE_TEST_SUITE_P(Bounds, TimeOfDayValidity,
                         ::testing::Values(TimeCase{0, 0, 0, true}, TimeCase{23, 59, 59, true},
                                           TimeCase{7, 30, 0, true}, TimeCase{24, 0, 0, false},
                                           TimeCase{0, 60, 0, false}, TimeCase{0, 0, 60, false},
                                           TimeCase{255, 255, 255, false},
                                           TimeCase{-1, 0, 0, false}, TimeCase{12, -1, 5, false}));

TEST(TimeOfDay, DifferenceIsSignedSecondsWithinADay) {
  EXPECT_EQ(TimeOfDay(23, 59, 59).SecondsAfter(TimeOfDay(0, 0, 0)), 86399);
  EXPECT_EQ(TimeOfDay(0, 0, 0).SecondsAfter(TimeOfDay(23, 59, 59)), -86399);
  EXPECT_EQ(TimeOfDay(8, 0, 0).SecondsAfter(TimeOfDay(10, 0, 30)), -7230);
  EXPECT_EQ(TimeOfDay(10, 0, 30).SecondsAfter(TimeOfDay(10, 0, 30)), 0);
}

TEST(TimeOfDay, FromSystemTimeDropsTheDate) {
  SYSTEMTIME st{};
  st.wYear = 2008;
  st.wMonth = 6;
  st.wDay = 2;
  st.wHour = 18;
  st.wMinute = 30;
  st.wSecond = 15;
  st.wMilliseconds = 999;
  const TimeOfDay t = TimeOfDay::FromSystemTime(st);
  EXPECT_EQ(t.SecondsSinceMidnight(), (18 * 60 + 30) * 60 + 15);
}

TEST(TapPoint, TrainedAndUsableAreDifferentTests) {
  TapPoint p;
  EXPECT_TRUE(p.IsUntrained());
  EXPECT_FALSE(p.IsUsable());
  p.Set(0, 5);  // counts as trained for start-up, but the switch cannot use it
  EXPECT_FALSE(p.IsUntrained());
  EXPECT_FALSE(p.IsUsable());
  p.Set(200, 10);
  EXPECT_TRUE(p.IsUsable());
  EXPECT_EQ(p.Packed(), 0x000A00C8);
}

TEST(TapPoint, KeepsLowSixteenBits) {
  TapPoint p;
  p.Set(-1, 0x12345);
  EXPECT_EQ(p.x, 65535);
  EXPECT_EQ(p.y, 0x2345);
  EXPECT_EQ(p.Packed(), static_cast<LPARAM>(0x2345FFFF));
}

}  // namespace
