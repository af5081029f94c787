// The next-change search against a frozen clock: which item wins and on which weekday.
#include "ClockedDevice.h"
#include "NextChangeSearch.h"

namespace {

struct ItemSpec {
  BYTE days;
  int hour, minute, second;
  bool valid = true;
};

struct SearchCase {
  const char* name;
  const char* now;
  std::vector<ItemSpec> items;
  int expectedIndex;  // -1: none
  int expectedDay;
};

class NextChange : public ClockedDeviceTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(NextChange, PicksTheNearestOccurrenceAhead) {
  const SearchCase& c = GetParam();
  FreezeAt(c.now);
  Schedule schedule;
  for (const ItemSpec& spec : c.items) {
    if (spec.valid) {
      schedule.Append(Item(spec.days, spec.hour, spec.minute, spec.second));
    } else {
      schedule.Append(std::make_unique<ScheduleItem>(spec.days, TimeOfDay(99, 0, 0), 1));
    }
  }
  const ScheduleItem* chosen = GetNextItem(schedule);
  int index = -1;
  for (int i = 0; i < schedule.Count(); ++i) {
    if (&schedule.Item(i) == chosen) index = i;
  }
  ASSERT_EQ(index, c.expectedIndex);
  if (chosen != nullptr) {
    EXPECT_EQ(chosen->nextDay, c.expectedDay);
  }
}

const BYTE kSun = DayBit(0), kMon = DayBit(1), kTue = DayBit(2), kWed = DayBit(3), kSat = DayBit(6);
const BYTE kAll = 0x7F;

INSTANTIATE_TEST_SUITE_P(
    Schedules, NextChange,
    ::testing::Values(
        SearchCase{"Empty", "2026-12-07 10:00:00", {}, -1, 0},
        SearchCase{"NoDayBits", "2026-12-07 10:00:00", {{0, 12, 0, 0}, {0x80, 12, 0, 0}}, -1, 0},
        SearchCase{"OnlyBit7IsNoDay", "2026-12-07 10:00:00", {{0x80, 12, 0, 0}, {kWed, 12, 0, 0}}, 1, 3},
        SearchCase{"SameMinutePassedOverOnEveryDay", "2026-12-07 10:00:30", {{kTue, 10, 0, 0}, {kWed, 12, 0, 0}}, 1, 3},
        SearchCase{"OnlyItemAtNowsMinuteGivesNone", "2026-12-07 10:00:30", {{kAll, 10, 0, 59}}, -1, 0},
        SearchCase{"LaterTodayBeatsTomorrow", "2026-12-07 10:00:00", {{kTue, 8, 0, 0}, {kMon, 18, 0, 0}}, 1, 1},
        SearchCase{"EarlierInTheDayWinsListedSecond", "2026-12-07 10:00:00", {{kTue, 12, 0, 0}, {kTue, 8, 0, 0}}, 1, 2},
        SearchCase{"EarlierInTheDayWinsListedFirst", "2026-12-07 10:00:00", {{kTue, 8, 0, 0}, {kTue, 12, 0, 0}}, 0, 2},
        SearchCase{"EarliestOfTimesBeforeNow", "2026-12-07 10:00:00", {{kWed, 9, 0, 0}, {kWed, 7, 0, 0}}, 1, 3},
        SearchCase{"EarliestOfTimesAfterNow", "2026-12-07 10:00:00", {{kWed, 15, 0, 0}, {kWed, 11, 0, 0}, {kWed, 13, 0, 0}}, 1, 3},
        SearchCase{"PassedTodayIsOneWeekAhead", "2026-12-07 10:00:00", {{kMon, 8, 0, 0}}, 0, 1},
        SearchCase{"PassedTodayLosesToLaterInTheWeek", "2026-12-07 10:00:00", {{kMon, 8, 0, 0}, {kSun, 23, 0, 0}}, 1, 0},
        SearchCase{"DuplicatesGiveTheFirst", "2026-12-07 10:00:00", {{kWed, 9, 0, 0}, {kWed, 9, 0, 0}}, 0, 3},
        SearchCase{"DuplicatesAfterNowGiveTheFirst", "2026-12-07 10:00:00", {{kWed, 15, 0, 0}, {kWed, 15, 0, 0}}, 0, 3},
        SearchCase{"AllDaysLaterTodayIsToday", "2026-12-07 10:00:00", {{kAll, 10, 5, 0}}, 0, 1},
        SearchCase{"AllDaysEarlierTodayIsTomorrow", "2026-12-07 10:00:00", {{kAll, 9, 0, 0}}, 0, 2},
        SearchCase{"WeekWrapsFromSaturdayToSunday", "2026-12-12 23:00:00", {{kMon, 0, 5, 0}, {kSun, 0, 5, 0}}, 1, 0},
        SearchCase{"SaturdayLaterTodayBeatsSunday", "2026-12-12 22:00:00", {{kSun, 0, 5, 0}, {kSat, 23, 30, 0}}, 1, 6},
        SearchCase{"OneMinuteAheadIsToday", "2026-12-07 10:00:00", {{kMon, 10, 1, 0}}, 0, 1},
        SearchCase{"InvalidTimeIsSkipped", "2026-12-07 10:00:00", {{kAll, 0, 0, 0, false}, {kWed, 9, 0, 0}}, 1, 3},
        SearchCase{"OnlyInvalidTimesGiveNone", "2026-12-07 10:00:00", {{kAll, 0, 0, 0, false}}, -1, 0}),
    [](const ::testing::TestParamInfo<SearchCase>& p) { return std::string(p.param.name); });

TEST_F(ClockedDeviceTest, NextDayOfTheWinnerIsTheWinningWeekday) {
  FreezeAt("2026-12-09 10:00:00");  // Wednesday
  Schedule schedule;
  schedule.Append(Item(Days({1, 5}), 7, 0, 0));  // Monday and Friday
  ScheduleItem* chosen = GetNextItem(schedule);
  ASSERT_EQ(chosen, &schedule.Item(0));
  EXPECT_EQ(chosen->nextDay, 5);
}

}  // namespace
