// What wakes the runner in real time: a timer on the host's real-time clock, set for the
// moment the device clock reaches the next start time (TFD_TIMER_ABSTIME: no drift however long
// it waits; a change of the host's clock wakes it too), and the device's state folder watched
// (inotify) so that a `cedevice clock` command or a registration by another process is seen at
// once. Where the kernel offers neither, the runner looks again every 200 ms, as it always does
// at least once a second.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace cedevice {

class RunnerWake {
 public:
  explicit RunnerWake(const std::filesystem::path& stateFolder);
  ~RunnerWake();
  RunnerWake(const RunnerWake&) = delete;
  RunnerWake& operator=(const RunnerWake&) = delete;

  // Sets the timer for `hostUtcMs` (host real-time milliseconds), or clears it.
  void ArmAt(std::optional<std::int64_t> hostUtcMs);

  // The descriptors to wait on for reading.
  std::vector<int> Descriptors() const;

  // Takes what woke the runner (the timer's expiry, the folder's events) so that the next wait
  // waits again.
  void Drain();

  // The longest the runner may wait before it looks again.
  std::chrono::milliseconds LongestWait() const;

 private:
  int timer_ = -1;
  int watch_ = -1;
};

}  // namespace cedevice
