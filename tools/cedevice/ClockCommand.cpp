// cedevice clock [set TIME | freeze TIME | host]: shows or changes the device clock's mode.
#include <cstdio>
#include <optional>
#include <string>

#include "DeviceClock.h"
#include "ToolCommand.h"

namespace cedevice {

namespace {

constexpr const char* kUsage =
    "usage: cedevice clock | clock set \"YYYY-MM-DD HH:MM:SS\" | clock freeze \"YYYY-MM-DD "
    "HH:MM:SS\" | "
    "clock host";

}  // namespace

int ClockCommand(int argc, char** argv) {
  namespace clock = cedev::clock;
  if (argc == 2) {
    std::printf("%s\n", cedev::FormatDeviceTime(clock::Now()).c_str());
    return 0;
  }
  const std::string mode = argv[2];
  if (mode == "host") {
    if (argc != 3) return Fail(kUsage);
    clock::WriteClockState(clock::ClockState{});
    return 0;
  }
  if (mode != "set" && mode != "freeze")
    return Fail("unknown clock mode '" + mode + "'; " + kUsage);
  if (argc != 4) return Fail(kUsage);
  const std::optional<cedev::DeviceTime> time = cedev::ParseDeviceTime(argv[3]);
  if (!time) {
    return Fail("not a device time: '" + std::string(argv[3]) +
                "' (YYYY-MM-DD HH:MM:SS, a real date, years 1601-9999)");
  }
  if (mode == "set") {
    clock::WriteClockState(clock::RunningFrom(*time));
  } else {
    clock::ClockState state;
    state.mode = clock::Mode::freeze;
    state.time = *time;
    clock::WriteClockState(state);
  }
  return 0;
}

}  // namespace cedevice
