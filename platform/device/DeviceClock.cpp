#include "DeviceClock.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <mutex>

#include "DeviceError.h"
#include "DeviceRoot.h"
#include "StateFiles.h"

namespace cedev::clock {

namespace {

constexpr const char* kClockFile = "clock";

std::int64_t HostUtcMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

DeviceTime HostLocalAt(std::int64_t utcMs) {
  const std::time_t seconds =
      static_cast<std::time_t>(utcMs >= 0 ? utcMs / 1000 : (utcMs - 999) / 1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  DeviceTime t{local.tm_year + 1900,
               local.tm_mon + 1,
               local.tm_mday,
               local.tm_hour,
               local.tm_min,
               local.tm_sec > 59 ? 59 : local.tm_sec,
               static_cast<int>(utcMs - static_cast<std::int64_t>(seconds) * 1000)};
  return t;
}

// This process's clock: the mode and, for a running clock, which device instant matches which
// host instant.
struct ProcessClock {
  bool loaded = false;
  Mode mode = Mode::host;
  std::int64_t deviceMs = 0;  // freeze: the time; set: the device time at hostMs
  std::int64_t hostMs = 0;    // set: host UTC milliseconds
};

std::mutex g_clockLock;
ProcessClock g_clock;  // guarded by g_clockLock

void Adopt(const ClockState& state) {
  g_clock.loaded = true;
  g_clock.mode = state.mode;
  g_clock.deviceMs = ToMilliseconds(state.time);
  g_clock.hostMs = state.hostEpoch * 1000;
}

// The device's range (DeviceTime.h) in milliseconds: a running clock stops at its ends rather
// than showing a time that a SYSTEMTIME cannot hold.
std::int64_t FirstDeviceMs() {
  return ToMilliseconds(DeviceTime{kMinDeviceYear, 1, 1, 0, 0, 0, 0});
}
std::int64_t LastDeviceMs() {
  return ToMilliseconds(DeviceTime{kMaxDeviceYear, 12, 31, 23, 59, 59, 999});
}

// Host seconds (UTC) the device's years can stand for; a host time outside them is damage.
constexpr std::int64_t kSecondsPerDay = 86400;
std::int64_t FirstHostSecond() { return DaysFromCivil(kMinDeviceYear, 1, 1) * kSecondsPerDay; }
std::int64_t LastHostSecond() {
  return DaysFromCivil(kMaxDeviceYear + 1, 1, 1) * kSecondsPerDay - 1;
}

std::string_view NextWord(std::string_view& rest) {
  const std::size_t end = rest.find(' ');
  const std::string_view word = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  return word;
}

}  // namespace

std::string FormatClockState(const ClockState& state) {
  switch (state.mode) {
    case Mode::host:
      return "host\n";
    case Mode::set:
      return "set " + FormatDeviceTime(state.time) + " " + std::to_string(state.hostEpoch) + "\n";
    case Mode::freeze:
      return "freeze " + FormatDeviceTime(state.time) + "\n";
  }
  return "host\n";
}

ClockState ParseClockState(const std::string& text, const std::string& file) {
  std::string_view line(text);
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (line.find('\n') != std::string_view::npos) throw DeviceError(file, "more than one line");
  std::string_view rest = line;
  const std::string_view mode = NextWord(rest);
  ClockState state;
  if (mode == "host" && rest.empty() && line == "host") return state;
  if (mode != "set" && mode != "freeze") {
    throw DeviceError(file, "not a clock mode: " + QuoteForMessage(line));
  }
  const std::string_view time = rest.substr(0, rest.size() < 19 ? rest.size() : 19);
  const auto parsed = ParseDeviceTime(time);
  if (!parsed) throw DeviceError(file, "not a device time: " + QuoteForMessage(line));
  state.time = *parsed;
  rest.remove_prefix(time.size());
  if (mode == "freeze") {
    if (!rest.empty())
      throw DeviceError(file, "text after the frozen time: " + QuoteForMessage(line));
    state.mode = Mode::freeze;
    return state;
  }
  // set: a blank, then the host's epoch seconds, optionally negative.
  if (rest.size() < 2 || rest.front() != ' ') {
    throw DeviceError(file, "no host time after the set time: " + QuoteForMessage(line));
  }
  rest.remove_prefix(1);
  const std::string number(rest);
  char* end = nullptr;
  errno = 0;
  const long long epoch = std::strtoll(number.c_str(), &end, 10);
  if (errno != 0 || end == number.c_str() || *end != 0 || number.front() == '+' ||
      number.front() == ' ') {
    throw DeviceError(file, "not a host time in seconds: " + QuoteForMessage(number));
  }
  if (epoch < FirstHostSecond() || epoch > LastHostSecond()) {
    throw DeviceError(file, "host time in seconds out of range (years " +
                                std::to_string(kMinDeviceYear) + "-" +
                                std::to_string(kMaxDeviceYear) + "): " + QuoteForMessage(number));
  }
  state.mode = Mode::set;
  state.hostEpoch = epoch;
  return state;
}

ClockState ReadClockState() {
  const auto text = ReadState(kClockFile);
  if (!text) return ClockState{};
  return ParseClockState(*text, DeviceStatePath(kClockFile).string());
}

void WriteClockState(const ClockState& state) {
  DeviceLock lock;
  WriteStateAtomic(kClockFile, FormatClockState(state));
}

ClockState RunningFrom(const DeviceTime& t) {
  ClockState state;
  state.mode = Mode::set;
  state.time = t;
  state.time.millisecond = 0;
  state.hostEpoch = HostUtcMilliseconds() / 1000;
  return state;
}

std::int64_t NowMilliseconds() {
  std::lock_guard<std::mutex> lock(g_clockLock);
  if (!g_clock.loaded) Adopt(ReadClockState());
  switch (g_clock.mode) {
    case Mode::host:
      return ToMilliseconds(HostLocalAt(HostUtcMilliseconds()));
    case Mode::set:
      return std::clamp(g_clock.deviceMs + (HostUtcMilliseconds() - g_clock.hostMs),
                        FirstDeviceMs(), LastDeviceMs());
    case Mode::freeze:
      return g_clock.deviceMs;
  }
  return 0;
}

DeviceTime Now() { return FromMilliseconds(NowMilliseconds()); }

std::optional<std::int64_t> HostMillisecondsAt(std::int64_t deviceMs) {
  std::lock_guard<std::mutex> lock(g_clockLock);
  if (!g_clock.loaded) Adopt(ReadClockState());
  switch (g_clock.mode) {
    case Mode::host: {
      const DeviceTime t = FromMilliseconds(deviceMs);
      std::tm local{};
      local.tm_year = t.year - 1900;
      local.tm_mon = t.month - 1;
      local.tm_mday = t.day;
      local.tm_hour = t.hour;
      local.tm_min = t.minute;
      local.tm_sec = t.second;
      local.tm_isdst = -1;
      const std::time_t seconds = std::mktime(&local);
      if (seconds == static_cast<std::time_t>(-1)) return std::nullopt;
      return static_cast<std::int64_t>(seconds) * 1000 + t.millisecond;
    }
    case Mode::set:
      return g_clock.hostMs + (deviceMs - g_clock.deviceMs);
    case Mode::freeze:
      return std::nullopt;
  }
  return std::nullopt;
}

void FreezeForProcess(const DeviceTime& t) {
  std::lock_guard<std::mutex> lock(g_clockLock);
  g_clock.loaded = true;
  g_clock.mode = Mode::freeze;
  g_clock.deviceMs = ToMilliseconds(t);
}

void SetForProcess(const DeviceTime& t) {
  std::lock_guard<std::mutex> lock(g_clockLock);
  g_clock.loaded = true;
  g_clock.mode = Mode::set;
  g_clock.deviceMs = ToMilliseconds(t);
  g_clock.hostMs = HostUtcMilliseconds();
}

void FollowHostForProcess() {
  std::lock_guard<std::mutex> lock(g_clockLock);
  g_clock.loaded = true;
  g_clock.mode = Mode::host;
}

void UseForProcess(const ClockState& state) {
  std::lock_guard<std::mutex> lock(g_clockLock);
  Adopt(state);
}

void Reload() {
  std::lock_guard<std::mutex> lock(g_clockLock);
  g_clock.loaded = false;
}

DeviceTime HostLocalNow() { return HostLocalAt(HostUtcMilliseconds()); }

}  // namespace cedev::clock
