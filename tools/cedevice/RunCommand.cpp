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

#include <sys/prctl.h>

#include "AppLauncher.h"
#include "DeviceClock.h"
#include "DeviceError.h"
#include "DeviceRoot.h"
#include "DeviceTime.h"
#include "NotificationStore.h"
#include "NotifyCommands.h"
#include "RunnerLock.h"
#include "RunnerWake.h"
#include "StateFiles.h"
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

// Takes the notifications out of the store, as one change, before their applications start:
// those another process removed first are not taken. The removal is flushed to disk once the
// applications have started (FlushStore), so that a launch does not wait for the disk.
std::vector<Record> Take(const std::vector<Record>& due) {
  std::vector<DWORD> handles;
  for (const Record& r : due) handles.push_back(r.handle);
  const std::vector<DWORD> removed =
      cedev::notify::ClearRecords(handles, cedev::notify::Flush::later);
  std::vector<Record> taken;
  for (const Record& r : due) {
    if (std::find(removed.begin(), removed.end(), r.handle) != removed.end()) taken.push_back(r);
  }
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
    const cedev::notify::DueRecords next = cedev::notify::TimeRecordsDue(Ms(until), 1);
    if (next.due.empty()) break;
    const Record& record = next.due.front();
    if (StartMs(record) > Ms(now)) {
      now = cedev::FromSystemTime(record.start);
      FreezeDeviceAt(now);
    }
    if (Take(next.due).empty()) continue;
    Launch launch(record.application.value_or(L""), record.arguments.value_or(L""),
                  LaunchTimeout());
    cedev::notify::FlushStore();
    while (!launch.Ended()) WaitForAny({&launch}, std::chrono::seconds(1));
    lines.Print(record, launch.Outcome());
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

void WaitForRunning(const std::vector<Running>& running, std::chrono::milliseconds bound,
                    const std::vector<int>& alsoReadable = {}) {
  std::vector<Launch*> launches;
  for (const Running& r : running) launches.push_back(r.launch.get());
  WaitForAny(launches, bound, alsoReadable);
}

// Waits on the device clock until the next start time by a timer on the host's clock, woken
// early by a change of the clock or the store (RunnerWake), and looks at both again at least
// once a second, so that clock commands and registrations by other processes are seen.
void RunRealTime(const std::optional<cedev::DeviceTime>& until, FiredLines& lines,
                 FollowedClock& clock) {
  // At most this many are taken and started at once; the next ones follow at the next look.
  constexpr std::size_t kMostAtOnce = 64;
  // The kernel may otherwise end a timer's wait up to 50 us late, to batch wake-ups: a runner
  // wants its moment.
  ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  RunnerWake wake(cedev::DeviceStatePath("clock").parent_path());
  std::vector<Running> running;
  while (!g_interrupted.load()) {
    ReportEnded(running, lines);
    const std::int64_t nowMs = clock.NowMs();
    const std::int64_t byMs = until ? std::min(nowMs, Ms(*until)) : nowMs;
    const cedev::notify::DueRecords due = cedev::notify::TimeRecordsDue(byMs, kMostAtOnce);
    if (!due.due.empty()) {
      for (const Record& record : Take(due.due)) {
        running.push_back(Running{
            record, std::make_unique<Launch>(record.application.value_or(L""),
                                             record.arguments.value_or(L""), LaunchTimeout())});
      }
      cedev::notify::FlushStore();
      continue;
    }
    if (until && nowMs >= Ms(*until)) break;
    // The next moment anything can be due: the next start time, or the end.
    std::optional<std::int64_t> nextMs = due.nextStartMs;
    if (until && (!nextMs || *nextMs > Ms(*until))) nextMs = Ms(*until);
    // A frozen clock never gets there by itself: only a change, or the next look, moves it.
    std::chrono::milliseconds bound = wake.LongestWait();
    const std::optional<std::int64_t> hostMs =
        nextMs ? cedev::clock::HostMillisecondsAt(*nextMs) : std::nullopt;
    const std::int64_t hostNow = std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count();
    if (hostMs && *hostMs > hostNow) {
      wake.ArmAt(hostMs);
    } else {
      // A moment the host's clock has passed with nothing due yet (the clock changed between
      // the look and now): no timer, which would wake the runner again at once; a look soon.
      wake.ArmAt(std::nullopt);
      if (hostMs)
        bound =
            std::min(bound, std::chrono::milliseconds(std::max<std::int64_t>(*nextMs - nowMs, 1)));
    }
    WaitForRunning(running, bound, wake.Descriptors());
    wake.Drain();
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
  // A store or a device lock that cannot be used is refused before anything is changed (a read
  // of the store needs no lock; every removal does).
  { const cedev::DeviceLock usable; }
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
