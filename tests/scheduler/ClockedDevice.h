// A fresh device root for each scheduler test, with the device clock frozen where the test says.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <windows.h>

#include "DeviceTest.h"
#include "Schedule.h"

class ClockedDeviceTest : public testsupport::DeviceTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Freezes the device clock at that moment ("YYYY-MM-DD HH:MM:SS").
  static void FreezeAt(const char* when);
};

// Whether the device keeps debug output (its `trace` setting), and the program's trace zone
// registered again, as start-up does, so that it follows.
void KeepTrace(bool keep);
// The debug log's lines without their times; empty when there is none.
std::vector<std::string> DebugLogLines();
// Lines one to a row, indented, for a failure message that shows two sequences.
std::string Joined(const std::vector<std::string>& lines);

// Days as a mask from a list of weekdays (0 = Sunday).
BYTE Days(std::initializer_list<int> weekdays);
std::unique_ptr<ScheduleItem> Item(BYTE days, int hour, int minute, int second, LONG muteOn = 1);
