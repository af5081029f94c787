// cedevice run [--fast] [--until TIME]: the notification service's runner. It fires due time
// notifications in start-time order (equal times in handle order), each once: the notification
// leaves the store before its application starts.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>

#include "AppLauncher.h"
#include "DeviceClock.h"
#include "DeviceTime.h"
#include "NotificationStore.h"
#include "NotifyCommands.h"
#include "ToolCommand.h"
#include "WideText.h"

namespace cedevice {

namespace {

constexpr const char* kUsage = "usage: cedevice run [--fast] [--until \"YYYY-MM-DD HH:MM:SS\"]";

std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) { g_interrupted.store(true); }

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: a sleep ends at once
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

std::int64_t Ms(const cedev::DeviceTime& t) { return cedev::ToMilliseconds(t); }

// The due order: start time, then handle.
std::optional<cedev::notify::NotificationRecord> Earliest(const cedev::notify::StoreContent& store) {
  const cedev::notify::NotificationRecord* best = nullptr;
  std::int64_t bestMs = 0;
  for (const cedev::notify::NotificationRecord& r : store.records) {
    if (r.type != CNT_TIME) continue;
    const std::int64_t ms = Ms(cedev::FromSystemTime(r.start));
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
                                 [&](const cedev::notify::NotificationRecord& r) { return r.handle == handle; });
    if (at == store.records.end()) return false;
    store.records.erase(at);
    taken = true;
    return true;
  });
  return taken;
}

void Fire(const cedev::notify::NotificationRecord& record) {
  if (!Take(record.handle)) return;
  const std::wstring application = record.application.value_or(L"");
  const std::wstring arguments = record.arguments.value_or(L"");
  const std::string outcome = LaunchAndWait(application, arguments, LaunchTimeout());
  std::string shown = ListedText(application);
  if (!arguments.empty()) {
    shown += ' ';
    shown += ListedText(arguments);
  }
  std::printf("%s\t%lu\t%s\t%s\n", TimeText(record.start).c_str(), static_cast<unsigned long>(record.handle),
              shown.c_str(), outcome.c_str());
  std::fflush(stdout);
}

void FreezeDeviceAt(const cedev::DeviceTime& t) {
  cedev::clock::ClockState state;
  state.mode = cedev::clock::Mode::freeze;
  state.time = t;
  state.time.millisecond = 0;
  cedev::clock::WriteClockState(state);
  cedev::clock::FreezeForProcess(state.time);
}

cedev::DeviceTime WholeSecond(cedev::DeviceTime t) {
  t.millisecond = 0;
  return t;
}

// Jumps the frozen clock from one start time to the next until `until`.
void RunFast(const cedev::DeviceTime& until) {
  cedev::DeviceTime now = WholeSecond(cedev::clock::Now());
  FreezeDeviceAt(now);
  while (!g_interrupted.load()) {
    const std::optional<cedev::notify::NotificationRecord> next = Earliest(*cedev::notify::ReadStore());
    if (!next) break;
    const cedev::DeviceTime start = cedev::FromSystemTime(next->start);
    if (Ms(start) > Ms(until)) break;
    if (Ms(start) > Ms(now)) {
      now = start;
      FreezeDeviceAt(now);
    }
    Fire(*next);
  }
  if (!g_interrupted.load()) FreezeDeviceAt(until);
}

// Waits on the device clock, looking at the store again at least every 200 ms so that
// registrations by other processes are seen.
void RunRealTime(const std::optional<cedev::DeviceTime>& until) {
  constexpr std::int64_t kLookMs = 200;
  while (!g_interrupted.load()) {
    const std::int64_t nowMs = cedev::clock::NowMilliseconds();
    if (until && nowMs >= Ms(*until)) break;
    const std::optional<cedev::notify::NotificationRecord> next = Earliest(*cedev::notify::ReadStore());
    std::int64_t waitMs = kLookMs;
    if (next) {
      const std::int64_t startMs = Ms(cedev::FromSystemTime(next->start));
      if (startMs <= nowMs) {
        Fire(*next);
        continue;
      }
      waitMs = std::min(waitMs, startMs - nowMs);
    }
    if (until) waitMs = std::min(waitMs, Ms(*until) - nowMs);
    std::this_thread::sleep_for(std::chrono::milliseconds(std::max<std::int64_t>(waitMs, 1)));
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
      if (!until) return Fail("not a device time: '" + std::string(argv[i]) + "' (YYYY-MM-DD HH:MM:SS, a real date)");
    } else {
      return Fail("unknown option '" + option + "'; " + kUsage);
    }
  }
  if (fast && !until) return Fail("run --fast needs --until: " + std::string(kUsage));
  ReportStoreDamageAsTool();
  g_interrupted.store(false);
  CatchInterrupts();
  if (fast) {
    RunFast(*until);
  } else {
    RunRealTime(until);
  }
  return 0;
}

}  // namespace cedevice
