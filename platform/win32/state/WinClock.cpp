#include "WinClock.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "DeviceError.h"
#include "DeviceFiles.h"

namespace cewin {

namespace {

using GetTimeFunction = void(WINAPI*)(LPSYSTEMTIME);

// kernel32's own function, found by name: a call through the import would come back here.
void HostLocalTime(SYSTEMTIME* st) {
  static const auto real = reinterpret_cast<GetTimeFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetLocalTime")));
  real(st);
}

std::int64_t HostUtcMilliseconds() {
  FILETIME ft{};
  GetSystemTimeAsFileTime(&ft);
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  constexpr std::uint64_t kTicksTo1970 = 116444736000000000ULL;  // 100 ns units, 1601 to 1970
  return static_cast<std::int64_t>((ticks - kTicksTo1970) / 10000);
}

enum class Mode { host, set, freeze };

// The mode read, guarded by g_mutex.
struct Clock {
  bool loaded = false;
  Mode mode = Mode::host;
  std::int64_t deviceMs = 0;  // set: the device time at hostMs; freeze: the time
  std::int64_t hostMs = 0;
};
std::mutex g_mutex;
Clock g_clock;

// The device's clock file, strictly as the device reads it; nothing for text it would refuse.
std::optional<Clock> Parse(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  Clock clock;
  clock.loaded = true;
  if (text == "host") return clock;
  const bool freeze = text.starts_with("freeze ");
  if (!freeze && !text.starts_with("set ")) return std::nullopt;
  const std::size_t at = freeze ? 7 : 4;
  if (text.size() < at + 19) return std::nullopt;
  const auto time = cedev::ParseDeviceTime(std::string_view(text).substr(at, 19));
  if (!time) return std::nullopt;
  clock.deviceMs = cedev::ToMilliseconds(*time);
  const std::string rest = text.substr(at + 19);
  if (freeze) {
    if (!rest.empty()) return std::nullopt;
    clock.mode = Mode::freeze;
    return clock;
  }
  if (rest.size() < 2 || rest[0] != ' ' || rest[1] == '+' || rest[1] == ' ') return std::nullopt;
  char* end = nullptr;
  const long long epoch = std::strtoll(rest.c_str() + 1, &end, 10);
  if (end == rest.c_str() + 1 || *end != 0) return std::nullopt;
  clock.mode = Mode::set;
  clock.hostMs = static_cast<std::int64_t>(epoch) * 1000;
  return clock;
}

// Reads the mode; a clock file that cannot be read or understood ends the process, as it ends a
// device process: a device whose clock cannot be read gives no time a program could rely on.
void Load() {
  std::string why;
  try {
    const std::optional<std::string> text = ReadState("clock");
    if (!text) {
      g_clock = Clock{true};
      return;
    }
    if (const std::optional<Clock> clock = Parse(*text)) {
      g_clock = *clock;
      return;
    }
    std::string line = *text;
    if (!line.empty() && line.back() == '\n') line.pop_back();
    why = Narrow(StatePath("clock")) + ": not a clock mode: " + cedev::QuoteForMessage(line);
  } catch (const StateError& e) {
    why = e.what();
  }
  std::fprintf(stderr, "device clock: %s\n", why.c_str());
  std::fflush(stderr);
  std::_Exit(2);
}

std::int64_t FirstMs() { return cedev::ToMilliseconds({cedev::kMinDeviceYear, 1, 1, 0, 0, 0, 0}); }
std::int64_t LastMs() {
  return cedev::ToMilliseconds({cedev::kMaxDeviceYear, 12, 31, 23, 59, 59, 999});
}

}  // namespace

void WINAPI DeviceLocalTime(SYSTEMTIME* st) {
  if (st != nullptr) *st = cedev::ToSystemTime(DeviceNow());
}

cedev::DeviceTime DeviceNow() {
  std::lock_guard lock(g_mutex);
  if (!g_clock.loaded) Load();
  switch (g_clock.mode) {
    case Mode::set:
      return cedev::FromMilliseconds(std::clamp(
          g_clock.deviceMs + (HostUtcMilliseconds() - g_clock.hostMs), FirstMs(), LastMs()));
    case Mode::freeze:
      return cedev::FromMilliseconds(g_clock.deviceMs);
    case Mode::host:
      break;
  }
  SYSTEMTIME st{};
  HostLocalTime(&st);
  return cedev::FromSystemTime(st);
}

void ReloadDeviceClock() {
  std::lock_guard lock(g_mutex);
  g_clock = Clock{};
}

}  // namespace cewin

// The import pointer the executable's calls of GetLocalTime go through (DeviceClock.h).
extern "C" {
extern void(WINAPI* __imp_GetLocalTime)(LPSYSTEMTIME);
void(WINAPI* __imp_GetLocalTime)(LPSYSTEMTIME) = cewin::DeviceLocalTime;
}
