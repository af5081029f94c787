// A wake-up launch of the built program on a fresh device: the sound switched through the
// shell's popup, the next change registered in place of the program's earlier notifications,
// and the schedule file left exactly as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DeviceSession.h"

namespace {

// Mornings on and nights mute on weekdays: Monday 2026-12-07 10:00 lies between them.
const std::vector<ItemRecord> kWeekdays = {{0x3E, 7, 30, 0, 0}, {0x3E, 22, 0, 0, 1}};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

// The registered notifications without their handles: TYPE, time, application, arguments.
std::vector<std::string> Registered(const DeviceSession& device) {
  std::vector<std::string> out;
  for (const std::string& line : Lines(device.ToolOut({"notifications"}))) {
    out.push_back(line.substr(line.find('\t') + 1));
  }
  return out;
}

TEST(NotificationRun, MuteLaunchSwitchesToVibrateAndRegistersTheNextChange) {
  DeviceSession device;
  const std::vector<uint8_t> file = ScheduleBytes(200, 10, 7, kWeekdays);
  device.WriteSchedule(file);
  // Another program's notification, and the program's own spare one for this change.
  device.ToolOut({"notify", "time", "2026-12-08 09:00:00", "\\Windows\\Other.exe", "x"});
  device.ToolOut({"notify", "time", "2026-12-07 10:02:00", "\\Windows\\Quenmora.exe", "M1"});

  // Launched as the service launches it, with no display and no input: it needs none, and says
  // nothing.
  const RunResult run = device.Program({"M1"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(device.ToolOut({"sound"}), "Vibrate\n");
  EXPECT_EQ(device.ToolOut({"sound-log"}), "2026-12-07 10:00:00\tVibrate\n");
  const std::vector<std::string> want = {"time\t2026-12-08 09:00:00\t\\Windows\\Other.exe\tx",
                                         "time\t2026-12-07 22:00:00\t\\Windows\\Quenmora.exe\tM1",
                                         "time\t2026-12-07 22:02:00\t\\Windows\\Quenmora.exe\tM1"};
  EXPECT_EQ(Registered(device), want);
  EXPECT_EQ(device.ReadSchedule(), file);
}

// One launch under a shell set up one way: what the sound becomes and what the log gains.
struct SwitchCase {
  const char* name;
  std::vector<std::vector<std::string>> setup;  // cedevice commands before the launch
  uint16_t x, y;
  const char* argument;
  const char* wantSound;
  const char* wantLog;  // the sound-log after the run
};

class NotificationSwitch : public testing::TestWithParam<SwitchCase> {};

TEST_P(NotificationSwitch, SoundAndRegistration) {
  const SwitchCase& c = GetParam();
  DeviceSession device;
  for (const auto& command : c.setup) device.ToolOut(command);
  const std::vector<uint8_t> file = ScheduleBytes(c.x, c.y, 0, kWeekdays);
  device.WriteSchedule(file);

  const RunResult run = device.Program({c.argument});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(device.ToolOut({"sound"}), std::string(c.wantSound) + "\n");
  EXPECT_EQ(device.ToolOut({"sound-log"}), c.wantLog);
  // Whatever the switch found, the chain of wake-ups goes on.
  EXPECT_EQ(Registered(device).size(), 2u);
  EXPECT_EQ(device.ReadSchedule(), file);
}

INSTANTIATE_TEST_SUITE_P(
    Shells, NotificationSwitch,
    testing::Values(
        SwitchCase{"SoundOnFromVibrate",
                   {{"sound", "set", "Vibrate"}},
                   200,
                   10,
                   "M0",
                   "On",
                   "2026-12-07 10:00:00\tOn\n"},
        SwitchCase{"OffWithoutVibrate",
                   {{"set", "popup-choices", "On,Off"}},
                   200,
                   10,
                   "M1",
                   "Off",
                   "2026-12-07 10:00:00\tOff\n"},
        SwitchCase{"VibrateWhateverTheOrder",
                   {{"set", "popup-choices", "Off,Vibrate,On"}},
                   200,
                   10,
                   "M1",
                   "Vibrate",
                   "2026-12-07 10:00:00\tVibrate\n"},
        SwitchCase{
            "AnyNonZeroModeMutes", {}, 200, 10, "M-1", "Vibrate", "2026-12-07 10:00:00\tVibrate\n"},
        SwitchCase{"OnAloneIsNotEnough", {{"set", "popup-choices", "On"}}, 200, 10, "M0", "On", ""},
        SwitchCase{"TextsDifferingInCase",
                   {{"set", "popup-choices", "on,vibrate,off"}},
                   200,
                   10,
                   "M1",
                   "On",
                   ""},
        SwitchCase{"PopupClosingItself",
                   {{"set", "popup-closes", "yes"}},
                   200,
                   10,
                   "M1",
                   "Vibrate",
                   "2026-12-07 10:00:00\tVibrate\n"},
        SwitchCase{"NoTaskBar", {{"set", "taskbar", "no"}}, 200, 10, "M1", "On", ""},
        SwitchCase{"UntrainedX", {}, 0, 10, "M1", "On", ""},
        SwitchCase{"UntrainedY", {}, 200, 0, "M1", "On", ""},
        SwitchCase{"TapBesideTheIcon", {}, 100, 10, "M1", "On", ""}),
    [](const testing::TestParamInfo<SwitchCase>& param) { return param.param.name; });

TEST(NotificationRun, WithoutAFileNothingIsSwitchedRegisteredOrWritten) {
  DeviceSession device;
  const RunResult run = device.Program({"M1"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(device.ToolOut({"sound"}), "On\n");
  EXPECT_EQ(device.ToolOut({"notifications"}), "");
  EXPECT_FALSE(std::filesystem::exists(device.ScheduleFile()));
}

TEST(NotificationRun, AWeekOfChangesFiresEachOnceAtItsTime) {
  // Monday 2026-12-07 10:00: weekday mornings on, weekday nights mute, the weekend muted from
  // Saturday noon to Sunday 09:15.
  DeviceSession device("2026-12-07 10:00:00");
  const std::vector<ItemRecord> items = {
      {0x3E, 7, 0, 0, 0}, {0x3E, 22, 30, 0, 1}, {0x40, 12, 0, 0, 1}, {0x01, 9, 15, 0, 0}};
  device.WriteSchedule(ScheduleBytes(200, 10, 0, items));
  // The interactive run's OK would have registered the first change; a launch does the same.
  ASSERT_EQ(device.Program({"M1"}).status, 0);
  device.ToolOut({"sound", "set", "On"});

  const RunResult week = device.Tool({"run", "--fast", "--until", "2026-12-14 10:00:00"});
  ASSERT_EQ(week.status, 0) << week.err;
  std::vector<std::string> fired;
  for (const std::string& line : Lines(week.out)) {
    EXPECT_NE(line.find("exit 0"), std::string::npos) << line;
    fired.push_back(line.substr(0, 19));
  }
  const std::vector<std::string> wantFired = {
      "2026-12-07 22:30:00", "2026-12-08 07:00:00", "2026-12-08 22:30:00", "2026-12-09 07:00:00",
      "2026-12-09 22:30:00", "2026-12-10 07:00:00", "2026-12-10 22:30:00", "2026-12-11 07:00:00",
      "2026-12-11 22:30:00", "2026-12-12 12:00:00", "2026-12-13 09:15:00", "2026-12-14 07:00:00"};
  // Every change once, and never the spare 2 minutes later while the runs succeed.
  EXPECT_EQ(fired, wantFired) << week.out;
  const std::string log = device.ToolOut({"sound-log"});
  EXPECT_EQ(log,
            "2026-12-07 10:00:00\tVibrate\n"
            "2026-12-07 22:30:00\tVibrate\n2026-12-08 07:00:00\tOn\n"
            "2026-12-08 22:30:00\tVibrate\n2026-12-09 07:00:00\tOn\n"
            "2026-12-09 22:30:00\tVibrate\n2026-12-10 07:00:00\tOn\n"
            "2026-12-10 22:30:00\tVibrate\n2026-12-11 07:00:00\tOn\n"
            "2026-12-11 22:30:00\tVibrate\n2026-12-12 12:00:00\tVibrate\n"
            "2026-12-13 09:15:00\tOn\n2026-12-14 07:00:00\tOn\n");
}

TEST(NotificationRun, TheSpareNotificationRecoversAChainWhoseRunDied) {
  DeviceSession device("2026-12-07 10:00:00");
  device.WriteSchedule(ScheduleBytes(200, 10, 0, kWeekdays));
  ASSERT_EQ(device.Program({"M1"}).status, 0);  // registers 22:00 and 22:02
  // The 22:00 run never happened (killed before it registered): only its record goes.
  const std::vector<std::string> before = Lines(device.ToolOut({"notifications"}));
  ASSERT_EQ(before.size(), 2u);
  device.ToolOut({"clear", before[0].substr(0, before[0].find('\t'))});

  const RunResult run = device.Tool({"run", "--fast", "--until", "2026-12-08 08:00:00"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 2u) << run.out;
  EXPECT_EQ(lines[0].substr(0, 19), "2026-12-07 22:02:00");
  EXPECT_EQ(lines[1].substr(0, 19), "2026-12-08 07:30:00");
  EXPECT_NE(device.ToolOut({"sound-log"}).find("2026-12-07 22:02:00\tVibrate\n"),
            std::string::npos);
}

}  // namespace
