// The next-change search against a frozen clock: which item wins and on which weekday. Every
// case runs with the device's trace kept and without; the search is one and must not tell.
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <tuple>

#include "ClockedDevice.h"
#include "DeviceRoot.h"
#include "NextChangeSearch.h"

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

// Random schedules with many ties, searched with the trace kept and without: the same item is
// chosen and every item's nextDay is left the same (each item that became the choice on the way
// has the weekday it was taken for), so the trace changes nothing the search does.
TEST_F(ClockedDeviceTest, TheTraceChangesNothingTheSearchDoes) {
  std::mt19937 random(20261207);
  const char* const nows[] = {"2026-12-06 00:00:00", "2026-12-07 10:00:00", "2026-12-12 23:59:59",
                              "2026-12-09 12:30:30"};
  std::vector<Schedule> schedules(64);
  for (Schedule& schedule : schedules) {
    const int count = 1 + static_cast<int>(random() % 12);
    for (int i = 0; i < count; ++i) {
      // Few distinct times, so that ties and equal distances come up often.
      schedule.Append(Item(static_cast<BYTE>(random() & 0xFF),
                           static_cast<int>(random() % 4) * 6 + 4,
                           static_cast<int>(random() % 2) * 30, 0));
    }
  }
  // Per schedule: the chosen index, then every item's nextDay.
  auto searchAll = [&](bool traced) {
    KeepTrace(traced);
    std::vector<std::vector<int>> outcomes;
    for (size_t round = 0; round < schedules.size(); ++round) {
      Schedule& schedule = schedules[round];
      FreezeAt(nows[round % 4]);
      for (int i = 0; i < schedule.Count(); ++i) schedule.Item(i).nextDay = 9;
      const ScheduleItem* chosen = GetNextItem(schedule);
      std::vector<int> outcome = {-1};
      for (int i = 0; i < schedule.Count(); ++i) {
        if (&schedule.Item(i) == chosen) outcome[0] = i;
        outcome.push_back(schedule.Item(i).nextDay);
      }
      outcomes.push_back(outcome);
    }
    EXPECT_EQ(DebugLogLines().empty(), !traced);
    return outcomes;
  };
  const std::vector<std::vector<int>> untraced = searchAll(false);
  const std::vector<std::vector<int>> traced = searchAll(true);
  KeepTrace(false);
  for (size_t round = 0; round < schedules.size(); ++round)
    EXPECT_EQ(untraced[round], traced[round]) << "round " << round;
}

// The trace of a search: each item's offset, every day's bit test, each set day's distance, and
// the step's branch for each occurrence that the step looks at, in the order of the steps.
TEST_F(ClockedDeviceTest, TheTraceFollowsEveryStep) {
  KeepTrace(true);
  FreezeAt("2026-12-07 10:00:00");  // Monday
  Schedule schedule;
  schedule.Append(Item(DayBit(2) | DayBit(3), 12, 0, 0));  // Tuesday and Wednesday
  schedule.Append(Item(DayBit(2), 11, 0, 0));
  schedule.Append(Item(DayBit(2), 8, 0, 0));
  schedule.Append(Item(DayBit(2), 9, 0, 0));
  schedule.Append(Item(DayBit(1), 9, 0, 0));  // today, passed: a week ahead
  for (int i = 0; i < schedule.Count(); ++i) schedule.Item(i).nextDay = 9;
  ASSERT_EQ(GetNextItem(schedule), &schedule.Item(2));
  KeepTrace(false);

  std::vector<std::string> expected = {"GetNextItem: now: 10:0:0"};
  // One item's lines: its offset, then each day's, with `after[j]` following day j's.
  auto item = [&](int totalseconds, int days, std::map<int, std::vector<std::string>> after) {
    expected.push_back("GetNextItem: totalseconds: " + std::to_string(totalseconds));
    for (int j = 0; j < 7; ++j) {
      char line[80];
      std::snprintf(line, sizeof line, "GetNextItem: pow(2, j): %X, item-days:%X", 1 << j, days);
      expected.push_back(line);
      expected.insert(expected.end(), after[j].begin(), after[j].end());
    }
  };
  item(7200, 0x0C,
       {{2,
         {"GetNextItem: j, day, diff: 2, 1, 1",
          "GetNextItem: if1, diff, smallestdiff, totalseconds: 1, 7, 7200"}},
        {3, {"GetNextItem: j, day, diff: 3, 1, 2"}}});
  item(3600, 0x04,
       {{2,
         {"GetNextItem: j, day, diff: 2, 1, 1",
          "GetNextItem: elseif1, diff, smallestdiff, totalseconds: 1, 1, 3600",
          "GetNextItem: if2, totalseconds, smallestposseconds: 3600, 7200"}}});
  item(-7200, 0x04,
       {{2,
         {"GetNextItem: j, day, diff: 2, 1, 1",
          "GetNextItem: elseif2, diff, smallestdiff, totalseconds: 1, 1, -7200",
          "GetNextItem: if3, totalseconds, smallestnegseconds: -7200, -86400"}}});
  item(-3600, 0x04,
       {{2,
         {"GetNextItem: j, day, diff: 2, 1, 1",
          "GetNextItem: elseif2, diff, smallestdiff, totalseconds: 1, 1, -3600"}}});
  item(-3600, 0x02, {{1, {"GetNextItem: j, day, diff: 1, 1, 7"}}});
  const std::vector<std::string> actual = DebugLogLines();
  EXPECT_EQ(actual, expected) << "expected:\n" << Joined(expected) << "actual:\n" << Joined(actual);
  // Each item that became the choice has the weekday it was taken for; the others are untouched.
  const int nextDays[] = {2, 2, 2, 9, 9};
  for (int i = 0; i < schedule.Count(); ++i) EXPECT_EQ(schedule.Item(i).nextDay, nextDays[i]) << i;
}

}  // namespace
