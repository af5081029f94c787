// The device clock. Its mode lives in ROOT/.device/clock as one line of plain text:
//   host                              follow the host's local time
//   set YYYY-MM-DD HH:MM:SS EPOCH     run on from that time, set when the host clock read EPOCH
//                                     (seconds since 1970, UTC): device = set time + (host now -
//                                     EPOCH)
//   freeze YYYY-MM-DD HH:MM:SS        stay at that time
// A missing file means host. A process reads the mode once, when it first asks for the time
// (the runner follows it with UseForProcess).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "DeviceTime.h"

namespace cedev::clock {

enum class Mode { host, set, freeze };

struct ClockState {
  Mode mode = Mode::host;
  DeviceTime time;             // set, freeze
  std::int64_t hostEpoch = 0;  // set: host seconds since 1970 (UTC) when the time was set

  friend bool operator==(const ClockState&, const ClockState&) = default;
};

// The text of a state, one line with its newline, and its strict parse (DeviceError naming
// `file` on bad text).
std::string FormatClockState(const ClockState& state);
ClockState ParseClockState(const std::string& text, const std::string& file);

// The device's stored mode (host when there is none), read now.
ClockState ReadClockState();
// Stores a mode for processes that start from now on (atomically, under the device lock).
// Does not change this process's clock; call Reload for that.
void WriteClockState(const ClockState& state);
// The state that makes the device run on from `t`, as of the host's clock now.
ClockState RunningFrom(const DeviceTime& t);

// The device's time now, to the millisecond, by this process's clock.
DeviceTime Now();
std::int64_t NowMilliseconds();

// The host's real-time clock (UTC milliseconds since 1970) at which this process's device clock
// shows `deviceMs`, for a timer on the host's clock; nothing when the clock is frozen (it never
// gets there by itself). Following the host, a local time that the host skips or shows twice
// maps as the C library's mktime maps it.
std::optional<std::int64_t> HostMillisecondsAt(std::int64_t deviceMs);

// This process's clock only, for tests; the device root is not touched.
void FreezeForProcess(const DeviceTime& t);
void SetForProcess(const DeviceTime& t);  // runs on from t
void FollowHostForProcess();
// Forgets this process's clock: the next ask reads the device's stored mode again.
void Reload();
// Makes this process's clock follow a stored mode read with ReadClockState, as a process
// started now would: for a process that lives across clock changes (the runner).
void UseForProcess(const ClockState& state);

// The host's local time now, as a naive device time.
DeviceTime HostLocalNow();

}  // namespace cedev::clock
