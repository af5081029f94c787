#include "RunnerWake.h"

#include <cerrno>
#include <cstdint>

#include <sys/inotify.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace cedevice {

RunnerWake::RunnerWake(const std::filesystem::path& stateFolder) {
  timer_ = ::timerfd_create(CLOCK_REALTIME, TFD_CLOEXEC | TFD_NONBLOCK);
  watch_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  // The clock and the store are replaced by rename (moved to) or written in place (modified,
  // closed after writing); a file removed counts too.
  if (watch_ >= 0 &&
      ::inotify_add_watch(watch_, stateFolder.c_str(),
                          IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE | IN_CREATE) < 0) {
    ::close(watch_);
    watch_ = -1;
  }
}

RunnerWake::~RunnerWake() {
  if (timer_ >= 0) ::close(timer_);
  if (watch_ >= 0) ::close(watch_);
}

void RunnerWake::ArmAt(std::optional<std::int64_t> hostUtcMs) {
  if (timer_ < 0) return;
  itimerspec when{};
  if (hostUtcMs) {
    // Zero would clear the timer: a moment at or before 1970 is as good as a millisecond after.
    const std::int64_t ms = *hostUtcMs > 0 ? *hostUtcMs : 1;
    when.it_value.tv_sec = static_cast<time_t>(ms / 1000);
    when.it_value.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
  }
  ::timerfd_settime(timer_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &when, nullptr);
}

std::vector<int> RunnerWake::Descriptors() const {
  std::vector<int> fds;
  if (timer_ >= 0) fds.push_back(timer_);
  if (watch_ >= 0) fds.push_back(watch_);
  return fds;
}

void RunnerWake::Drain() {
  std::uint64_t expiries = 0;
  // ECANCELED (the host's clock was set) is taken as an expiry: the runner looks again.
  if (timer_ >= 0) [[maybe_unused]]
    const ssize_t got = ::read(timer_, &expiries, sizeof expiries);
  alignas(inotify_event) char events[4096];
  while (watch_ >= 0 && ::read(watch_, events, sizeof events) > 0) {
  }
}

std::chrono::milliseconds RunnerWake::LongestWait() const {
  return std::chrono::milliseconds(timer_ >= 0 && watch_ >= 0 ? 1000 : 200);
}

}  // namespace cedevice
