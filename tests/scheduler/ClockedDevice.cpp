#include "ClockedDevice.h"

#include <cstdlib>
#include <fstream>

#include <unistd.h>

#include "AppTrace.h"
#include "DeviceClock.h"
#include "DeviceRoot.h"
#include "DeviceTime.h"
#include "NotificationStore.h"
#include "NotifyFaults.h"
#include "KernelControl.h"
#include "Settings.h"

namespace fs = std::filesystem;

void ClockedDeviceTest::SetUp() {
  testsupport::DeviceTest::SetUp();
  fs::create_directories(root_ / ".device");
  fs::create_directories(root_ / "Windows");
  cedev::notify::ClearFaults();
  cedev::notify::SetDamageReporter([](const std::string&) {});
  FreezeAt("2026-12-07 10:00:00");  // a Monday
}

void ClockedDeviceTest::TearDown() {
  cedev::notify::ClearFaults();
  cedev::notify::SetDamageReporter(nullptr);
  testsupport::DeviceTest::TearDown();
}

void ClockedDeviceTest::FreezeAt(const char* when) {
  const std::optional<cedev::DeviceTime> t = cedev::ParseDeviceTime(when);
  ASSERT_TRUE(t.has_value()) << when;
  cedev::clock::FreezeForProcess(*t);
}

BYTE Days(std::initializer_list<int> weekdays) {
  BYTE mask = 0;
  for (int d : weekdays) mask = static_cast<BYTE>(mask | DayBit(d));
  return mask;
}

std::unique_ptr<ScheduleItem> Item(BYTE days, int hour, int minute, int second, LONG muteOn) {
  return std::make_unique<ScheduleItem>(days, TimeOfDay(hour, minute, second), muteOn);
}

void KeepTrace(bool keep) {
  cedev::SetSetting("trace", keep ? "yes" : "no");
  cedev::ReloadTraceSetting();
  RegisterAppTrace();
}

std::vector<std::string> DebugLogLines() {
  std::vector<std::string> lines;
  std::ifstream in(cedev::DeviceStatePath("debug.log"));
  for (std::string line; std::getline(in, line);) lines.push_back(line.substr(line.find('\t') + 1));
  return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "  " + line + "\n";
  return text;
}
