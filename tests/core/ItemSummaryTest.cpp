#include <gtest/gtest.h>

#include "ItemSummary.h"

namespace {

TEST(ItemSummary, Texts) {
  const struct {
    BYTE days;
    TimeOfDay time;
    LONG mute;
    const wchar_t* text;
  } cases[] = {
      {0x3E, TimeOfDay(7, 30, 0), 1, L"Mute On at 07:30:00 Mo Tu We Th Fr "},
      {0x41, TimeOfDay(22, 5, 9), 0, L"Mute Off at 22:05:09 Su Sa "},
      {0x00, TimeOfDay(0, 0, 0), 0, L"Mute Off at 00:00:00 "},
      {0x7F, TimeOfDay(12, 0, 0), 0, L"Mute Off at 12:00:00 Su Mo Tu We Th Fr Sa "},
      {0x01, TimeOfDay(255, 255, 255), 1, L"Mute On at -1:-1:-1 Su "},
      {0x02, TimeOfDay(1, 2, 3), 2, L"Mute On at 01:02:03 Mo "},
      {0x80, TimeOfDay(1, 2, 3), 0, L"Mute Off at 01:02:03 "},
      {0xFF, TimeOfDay(1, 2, 3), -1, L"Mute On at 01:02:03 Su Mo Tu We Th Fr Sa "},
  };
  for (const auto& c : cases) {
    const ScheduleItem item(c.days, c.time, c.mute);
    EXPECT_EQ(FormatItemSummary(item), CString(c.text)) << c.text;
  }
}

TEST(ItemSummary, LongestTextIs42Characters) {
  const ScheduleItem item(0x7F, TimeOfDay(23, 59, 59), 0);
  EXPECT_EQ(FormatItemSummary(item).GetLength(), 42);
}

}  // namespace
