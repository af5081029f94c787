// The next-change search against a frozen clock: which item wins and on which weekday. Every
// case runs twice: with the trace kept (the search steps through each day and reports it) and
// without (it goes straight to each item's nearest day); both must choose alike.
#include <random>
#include <tuple>

#include "ClockedDevice.h"
#include "KernelControl.h"
#include "NextChangeSearch.h"
#include "Settings.h"

namespace {

struct ItemRow {
  BYTE days;
  int hour, minute, second;
  bool valid = true;
};

struct SearchCase {
  const char* name;
  const char* now;
  std::vector<ItemRow> items;
  int expectedIndex;  // -1: none
  int expectedDay;
};

void KeepTrace(bool keep) {
  cedev::SetSetting("trace", keep ? "yes" : "no");
  cedev::ReloadTraceSetting();
}

class NextChange : public ClockedDeviceTest,
                   public ::testing::WithParamInterface<std::tuple<SearchCase, bool>> {
 protected:
  void TearDown() override {
    KeepTrace(false);
    ClockedDeviceTest::TearDown();
  }
};

TEST_P(NextChange, PicksTheNearestOccurrenceAhead) {
  const SearchCase& c = std::get<0>(GetParam());
  KeepTrace(std::get<1>(GetParam()));
  FreezeAt(c.now);
  Schedule schedule;
  for (const ItemRow& row : c.items) {
    if (row.valid) {
      schedule.Append(Item(row.days, row.hour, row.minute, row.second));
    } else {
      schedule.Append(std::make_unique<ScheduleItem>(row.days, TimeOfDay(99, 0, 0), 1));
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
    ::testing::Combine(
        ::testing::Values(
            SearchCase{"Empty", "2026-12-07 10:00:00", {}, -1, 0},
            SearchCase{
                "NoDayBits", "2026-12-07 10:00:00", {{0, 12, 0, 0}, {0x80, 12, 0, 0}}, -1, 0},
            SearchCase{"OnlyBit7IsNoDay",
                       "2026-12-07 10:00:00",
                       {{0x80, 12, 0, 0}, {kWed, 12, 0, 0}},
                       1,
                       3},
            SearchCase{"SameMinutePassedOverOnEveryDay",
                       "2026-12-07 10:00:30",
                       {{kTue, 10, 0, 0}, {kWed, 12, 0, 0}},
                       1,
                       3},
            SearchCase{
                "OnlyItemAtNowsMinuteGivesNone", "2026-12-07 10:00:30", {{kAll, 10, 0, 59}}, -1, 0},
            SearchCase{"LaterTodayBeatsTomorrow",
                       "2026-12-07 10:00:00",
                       {{kTue, 8, 0, 0}, {kMon, 18, 0, 0}},
                       1,
                       1},
            SearchCase{"EarlierInTheDayWinsListedSecond",
                       "2026-12-07 10:00:00",
                       {{kTue, 12, 0, 0}, {kTue, 8, 0, 0}},
                       1,
                       2},
            SearchCase{"EarlierInTheDayWinsListedFirst",
                       "2026-12-07 10:00:00",
                       {{kTue, 8, 0, 0}, {kTue, 12, 0, 0}},
                       0,
                       2},
            SearchCase{"EarliestOfTimesBeforeNow",
                       "2026-12-07 10:00:00",
                       {{kWed, 9, 0, 0}, {kWed, 7, 0, 0}},
                       1,
                       3},
            SearchCase{"EarliestOfTimesAfterNow",
                       "2026-12-07 10:00:00",
                       {{kWed, 15, 0, 0}, {kWed, 11, 0, 0}, {kWed, 13, 0, 0}},
                       1,
                       3},
            SearchCase{"PassedTodayIsOneWeekAhead", "2026-12-07 10:00:00", {{kMon, 8, 0, 0}}, 0, 1},
            SearchCase{"PassedTodayLosesToLaterInTheWeek",
                       "2026-12-07 10:00:00",
                       {{kMon, 8, 0, 0}, {kSun, 23, 0, 0}},
                       1,
                       0},
            SearchCase{"DuplicatesGiveTheFirst",
                       "2026-12-07 10:00:00",
                       {{kWed, 9, 0, 0}, {kWed, 9, 0, 0}},
                       0,
                       3},
            SearchCase{"DuplicatesAfterNowGiveTheFirst",
                       "2026-12-07 10:00:00",
                       {{kWed, 15, 0, 0}, {kWed, 15, 0, 0}},
                       0,
                       3},
            SearchCase{"AllDaysLaterTodayIsToday", "2026-12-07 10:00:00", {{kAll, 10, 5, 0}}, 0, 1},
            SearchCase{
                "AllDaysEarlierTodayIsTomorrow", "2026-12-07 10:00:00", {{kAll, 9, 0, 0}}, 0, 2},
            SearchCase{"WeekWrapsFromSaturdayToSunday",
                       "2026-12-12 23:00:00",
                       {{kMon, 0, 5, 0}, {kSun, 0, 5, 0}},
                       1,
                       0},
            SearchCase{"SaturdayLaterTodayBeatsSunday",
                       "2026-12-12 22:00:00",
                       {{kSun, 0, 5, 0}, {kSat, 23, 30, 0}},
                       1,
                       6},
            SearchCase{"OneMinuteAheadIsToday", "2026-12-07 10:00:00", {{kMon, 10, 1, 0}}, 0, 1},
            SearchCase{"InvalidTimeIsSkipped",
                       "2026-12-07 10:00:00",
                       {{kAll, 0, 0, 0, false}, {kWed, 9, 0, 0}},
                       1,
                       3},
            SearchCase{"OnlyInvalidTimesGiveNone",
                       "2026-12-07 10:00:00",
                       {{kAll, 0, 0, 0, false}},
                       -1,
                       0}),
        ::testing::Bool()),
    [](const ::testing::TestParamInfo<std::tuple<SearchCase, bool>>& p) {
      return std::string(std::get<0>(p.param).name) + (std::get<1>(p.param) ? "_Traced" : "");
    });

TEST_F(ClockedDeviceTest, NextDayOfTheWinnerIsTheWinningWeekday) {
  FreezeAt("2026-12-09 10:00:00");  // Wednesday
  Schedule schedule;
  schedule.Append(Item(Days({1, 5}), 7, 0, 0));  // Monday and Friday
  ScheduleItem* chosen = GetNextItem(schedule);
  ASSERT_EQ(chosen, &schedule.Item(0));
  EXPECT_EQ(chosen->nextDay, 5);
}

// Random schedules: the day-by-day search and the nearest-day search choose the same item and
// weekday.
TEST_F(ClockedDeviceTest, DayByDayAndNearestDayChooseAlike) {
  std::mt19937 random(20261207);
  const char* const nows[] = {"2026-12-06 00:00:00", "2026-12-07 10:00:00", "2026-12-12 23:59:59",
                              "2026-12-09 12:30:30"};
  for (int round = 0; round < 64; ++round) {
    FreezeAt(nows[round % 4]);
    Schedule schedule;
    const int count = 1 + static_cast<int>(random() % 12);
    for (int i = 0; i < count; ++i) {
      // Few distinct times, so that ties and equal distances come up often.
      schedule.Append(Item(static_cast<BYTE>(random() & 0xFF),
                           static_cast<int>(random() % 4) * 6 + 4,
                           static_cast<int>(random() % 2) * 30, 0));
    }
    KeepTrace(false);
    const ScheduleItem* fast = GetNextItem(schedule);
    const int fastDay = fast != nullptr ? fast->nextDay : -1;
    KeepTrace(true);
    const ScheduleItem* stepped = GetNextItem(schedule);
    const int steppedDay = stepped != nullptr ? stepped->nextDay : -1;
    KeepTrace(false);
    ASSERT_EQ(fast, stepped) << "round " << round;
    ASSERT_EQ(fastDay, steppedDay) << "round " << round;
  }
}

}  // namespace
