// cedevice run [--fast] [--until TIME]: the notification service's runner. It fires due time
// notifications in start-time order (equal times in handle order), each once: the notification
// leaves the store before its application starts. One runner a device.
//
// In real time the runner follows the device clock as it is at each moment (a clock command
// made while it waits is seen within a second) and does not wait for a launch before it fires
// the next notification due: the applications run side by side, each ended at its timeout.
// With --fast it owns the clock, jumping it from one start time to the next, and runs one
// application at a time.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AppLauncher.h"
#include "DeviceClock.h"
#include "DeviceError.h"
#include "DeviceTime.h"
#include "NotificationStore.h"
#include "NotifyCommands.h"
#include "RunnerLock.h"
#include "ToolCommand.h"
#include "WideText.h"

namespace cedevice {

namespace {

constexpr const char* kUsage =
    "usage: cedevice run [--fast] [--until \"YYYY-MM-DD HH:MM:SS\"] (--fast needs --until; a "
    "notification due "
    "at the --until time itself fires)";

std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) { g_interrupted.store(true); }

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: a wait ends at once
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

using Record = cedev::notify::NotificationRecord;

std::int64_t Ms(const cedev::DeviceTime& t) { return cedev::ToMilliseconds(t); }
std::int64_t StartMs(const Record& r) { return Ms(cedev::FromSystemTime(r.start)); }

cedev::DeviceTime WholeSecond(cedev::DeviceTime t) {
  t.millisecond = 0;
  return t;
}

// The due order: start time, then handle.
std::optional<Record> Earliest(const cedev::notify::StoreContent& store) {
  const Record* best = nullptr;
  std::int64_t bestMs = 0;
  for (const Record& r : store.records) {
    if (r.type != CNT_TIME) continue;
    const std::int64_t ms = StartMs(r);
    if (best == nullptr || ms < bestMs) {  // records are in handle order: the first stays on ties
      best = &r;
      bestMs = ms;
    }
  }
  if (best == nullptr) return std::nullopt;
  return *best;
}

// Takes the notification out of the store; false when another process removed it first.
bool Take(DWORD handle) {
  bool taken = false;
  cedev::notify::UpdateStore([&](cedev::notify::StoreContent& store) {
    const auto at = std::find_if(store.records.begin(), store.records.end(),
                                 [&](const Record& r) { return r.handle == handle; });
    if (at == store.records.end()) return false;
    store.records.erase(at);
    taken = true;
    return true;
  });
  return taken;
}

// The runner's lines on standard output, one a fired notification. A line that cannot be
// written there is not lost: it goes to standard error with the reason, and the run ends with
// status 1 (its notifications were fired all the same).
class FiredLines {
 public:
  void Print(const Record& record, const std::string& outcome) {
    std::string shown = ListedText(record.application.value_or(L""));
    if (record.arguments && !record.arguments->empty()) {
      shown += ' ';
      shown += ListedText(*record.arguments);
    }
    const std::string line = TimeText(record.start) + "\t" + std::to_string(record.handle) + "\t" +
                             shown + "\t" + outcome + "\n";
    std::fputs(line.c_str(), stdout);
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return;
    const int error = errno;
    std::clearerr(stdout);
    failed_ = true;
    std::fprintf(stderr, "cedevice: run: cannot write the output (%s); the line was: %s",
                 std::strerror(error), line.c_str());
    std::fflush(stderr);
  }
  bool Failed() const { return failed_; }

 private:
  bool failed_ = false;
};

// The device clock as it is now. The stored mode is read again at each look, so that a clock
// command made while the runner waits is seen; a stored mode that cannot be read is said once,
// and the runner goes on with the last one it read.
class FollowedClock {
 public:
  std::int64_t NowMs() {
    try {
      const cedev::clock::ClockState state = cedev::clock::ReadClockState();
      if (!known_ || !(state == *known_)) {
        cedev::clock::UseForProcess(state);
        known_ = state;
      }
      said_ = false;
    } catch (const cedev::DeviceError& e) {
      if (!known_) throw;  // no clock to go on with
      if (!said_)
        std::fprintf(stderr, "cedevice: run: %s; going on with the clock as it was\n", e.what());
      said_ = true;
    }
    return cedev::clock::NowMilliseconds();
  }

 private:
  std::optional<cedev::clock::ClockState> known_;
  bool said_ = false;
};

void FreezeDeviceAt(const cedev::DeviceTime& t) {
  cedev::clock::ClockState state;
  state.mode = cedev::clock::Mode::freeze;
  state.time = WholeSecond(t);
  cedev::clock::WriteClockState(state);
  cedev::clock::FreezeForProcess(state.time);
}

// Jumps the frozen clock from one start time to the next until `until`, one launch at a time.
void RunFast(const cedev::DeviceTime& until, FiredLines& lines) {
  cedev::DeviceTime now = WholeSecond(cedev::clock::Now());
  FreezeDeviceAt(now);
  while (!g_interrupted.load()) {
    const std::optional<Record> next = Earliest(*cedev::notify::ReadStore());
    if (!next || StartMs(*next) > Ms(until)) break;
    if (StartMs(*next) > Ms(now)) {
      now = cedev::FromSystemTime(next->start);
      FreezeDeviceAt(now);
    }
    if (!Take(next->handle)) continue;
    lines.Print(*next, LaunchAndWait(next->application.value_or(L""), next->arguments.value_or(L""),
                                     LaunchTimeout()));
  }
  if (!g_interrupted.load()) FreezeDeviceAt(until);
}

struct Running {
  Record record;
  std::unique_ptr<Launch> launch;
};

// Prints and forgets the launches that have ended.
void ReportEnded(std::vector<Running>& running, FiredLines& lines) {
  for (auto it = running.begin(); it != running.end();) {
    if (it->launch->Ended()) {
      lines.Print(it->record, it->launch->Outcome());
      it = running.erase(it);
    } else {
      ++it;
    }
  }
}

void WaitForRunning(const std::vector<Running>& running, std::chrono::milliseconds bound) {
  std::vector<Launch*> launches;
  for (const Running& r : running) launches.push_back(r.launch.get());
  WaitForAny(launches, bound);
}

// Waits on the device clock, looking at the clock and the store again at least every 200 ms,
// so that clock commands and registrations by other processes are seen.
void RunRealTime(const std::optional<cedev::DeviceTime>& until, FiredLines& lines,
                 FollowedClock& clock) {
  constexpr std::int64_t kLookMs = 200;
  std::vector<Running> running;
  while (!g_interrupted.load()) {
    ReportEnded(running, lines);
    const std::int64_t nowMs = clock.NowMs();
    const std::optional<Record> next = Earliest(*cedev::notify::ReadStore());
    if (next && StartMs(*next) <= nowMs && (!until || StartMs(*next) <= Ms(*until))) {
      if (Take(next->handle)) {
        running.push_back(Running{
            *next, std::make_unique<Launch>(next->application.value_or(L""),
                                            next->arguments.value_or(L""), LaunchTimeout())});
      }
      continue;
    }
    if (until && nowMs >= Ms(*until)) break;
    std::int64_t waitMs = kLookMs;
    if (next) waitMs = std::min(waitMs, StartMs(*next) - nowMs);
    if (until) waitMs = std::min(waitMs, Ms(*until) - nowMs);
    WaitForRunning(running, std::chrono::milliseconds(std::max<std::int64_t>(waitMs, 1)));
  }
  // The end, or an interrupt: what still runs is waited for (each within its timeout), so that
  // every launch is reported and none outlives the runner.
  while (!running.empty()) {
    WaitForRunning(running, std::chrono::seconds(1));
    ReportEnded(running, lines);
  }
}

}  // namespace

int RunCommand(int argc, char** argv) {
  bool fast = false;
  std::optional<cedev::DeviceTime> until;
  for (int i = 2; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--fast") {
      fast = true;
    } else if (option == "--until" && i + 1 < argc) {
      until = cedev::ParseDeviceTime(argv[++i]);
      if (!until) {
        return Fail("not a device time: " + cedev::QuoteForMessage(argv[i]) +
                    " (YYYY-MM-DD HH:MM:SS, a real date)");
      }
    } else {
      return Fail("unknown option " + cedev::QuoteForMessage(option) + "; " + kUsage);
    }
  }
  if (fast && !until) return Fail("run --fast needs --until: " + std::string(kUsage));
  ReportStoreDamageAsTool();
  if (const std::string busy = BecomeTheRunner(); !busy.empty()) return Fail(busy);
  FollowedClock clock;
  const cedev::DeviceTime now = WholeSecond(cedev::FromMilliseconds(clock.NowMs()));
  if (until && Ms(*until) < Ms(now)) {
    return Fail("--until " + cedev::FormatDeviceTime(*until) + " is before the device clock (" +
                cedev::FormatDeviceTime(now) +
                "); nothing was fired and the clock is left as it is");
  }
  // A store (or device lock) that cannot be used is refused before anything is changed.
  cedev::notify::ReadStore();
  g_interrupted.store(false);
  CatchInterrupts();
  FiredLines lines;
  try {
    if (fast) {
      RunFast(*until, lines);
    } else {
      RunRealTime(until, lines, clock);
    }
  } catch (const std::exception& e) {
    // What was fired stays fired (and with --fast the clock stays where it was moved).
    std::fprintf(stderr, "cedevice: run: %s; the runner stopped\n", e.what());
    return 1;
  }
  return lines.Failed() ? 1 : 0;
}

}  // namespace cedevice
