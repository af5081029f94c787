#include <gtest/gtest.h>

#include <memory>

#include "Schedule.h"

namespace {

std::unique_ptr<ScheduleItem> Item(BYTE days, int hour) {
  return std::make_unique<ScheduleItem>(days, TimeOfDay(hour, 0, 0), 0);
}

TEST(Schedule, NewScheduleIsEmptyAndUntrained) {
  const Schedule s;
  EXPECT_EQ(s.Count(), 0);
  EXPECT_EQ(s.EventHandle, 0u);
  EXPECT_TRUE(s.tapPoint.IsUntrained());
}

TEST(Schedule, AppendReplaceRemoveKeepPositions) {
  Schedule s;
  s.Append(Item(0x01, 1));
  s.Append(Item(0x02, 2));
  s.Append(Item(0x04, 3));
  s.Remove(0);
  ASSERT_EQ(s.Count(), 2);
  EXPECT_EQ(s.Item(0).time.hour(), 2);
  EXPECT_EQ(s.Item(1).time.hour(), 3);

  s.Replace(1, Item(0x40, 22));
  ASSERT_EQ(s.Count(), 2);
  EXPECT_EQ(s.Item(0).time.hour(), 2);
  EXPECT_EQ(s.Item(1).time.hour(), 22);
  EXPECT_EQ(s.Item(1).days, 0x40);

  s.Remove(1);
  s.Remove(0);
  EXPECT_EQ(s.Count(), 0);
}

TEST(Schedule, DuplicatesAndDaylessItemsAreKept) {
  Schedule s;
  s.Append(Item(0, 7));
  s.Append(Item(0, 7));
  EXPECT_EQ(s.Count(), 2);
}

}  // namespace
