// GetNextItem over 100,000 items beside one linear pass that only reads each item's fields,
// timed in the same iterations: the "ratio" counter is the search's time over the pass's and
// should stay under 5. The walk over 10,000 registered notifications (none of them the
// program's own, so nothing is removed) shows what the viewer and the registration pay.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include <notify.h>

#include "DeviceClock.h"
#include "DeviceRoot.h"
#include "NextChangeSearch.h"
#include "OwnNotificationWalk.h"
#include "StateFiles.h"
#include "StoreText.h"

namespace fs = std::filesystem;

namespace {

constexpr int kItems = 100000;
constexpr DWORD kNotifications = 10000;

Schedule MakeSchedule() {
  Schedule s;
  s.Reserve(kItems);
  for (int i = 0; i < kItems; ++i) {
    s.Append(std::make_unique<ScheduleItem>(static_cast<BYTE>((i * 37) & 0x7F), TimeOfDay(i % 24, (i / 24) % 60, i % 60),
                                            i % 2));
  }
  return s;
}

// The floor: every field the search reads, read once.
long ReadFields(const Schedule& s) {
  long sum = 0;
  for (int i = 0; i < s.Count(); ++i) {
    const ScheduleItem& item = s.Item(i);
    sum += item.days + item.time.hour() + item.time.minute() + item.time.second();
  }
  return sum;
}

void BM_GetNextItem(benchmark::State& state) {
  cedev::clock::FreezeForProcess(cedev::DeviceTime{2026, 12, 7, 10, 0, 30, 0});
  Schedule s = MakeSchedule();
  double searchSeconds = 0, passSeconds = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(GetNextItem(s));
    auto t1 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(ReadFields(s));
    auto t2 = std::chrono::steady_clock::now();
    searchSeconds += std::chrono::duration<double>(t1 - t0).count();
    passSeconds += std::chrono::duration<double>(t2 - t1).count();
  }
  state.counters["ratio"] = passSeconds > 0 ? searchSeconds / passSeconds : 0;
}
BENCHMARK(BM_GetNextItem)->Unit(benchmark::kMillisecond);

void BM_WalkOwnNotifications(benchmark::State& state) {
  const fs::path root = fs::temp_directory_path() / ("quenmora-bench-walk-" + std::to_string(getpid()));
  fs::remove_all(root);
  setenv("CEDEVICE_ROOT", root.c_str(), 1);
  // Written as one store: ten thousand registrations, each replacing the file on disk, would
  // take minutes and measure the disk instead.
  cedev::notify::StoreContent store;
  for (DWORD i = 1; i <= kNotifications; ++i) {
    cedev::notify::NotificationRecord record;
    record.handle = i;
    record.application = L"\\Windows\\Other.exe";
    record.arguments = L"M1";
    record.start = cedev::ToSystemTime(cedev::DeviceTime{2026, 12, static_cast<int>(1 + i % 28), 10, 0, 0, 0});
    record.user = cedev::notify::UserAction{};
    store.records.push_back(std::move(record));
  }
  store.nextHandle = kNotifications + 1;
  cedev::WriteStateAtomic("notifications", cedev::notify::FormatStore(store));
  long seen = 0;
  for (auto _ : state) {
    WalkOwnNotifications([&](const CE_NOTIFICATION_INFO_HEADER&) { ++seen; }, WalkTrace::Quiet);
  }
  benchmark::DoNotOptimize(seen);
  fs::remove_all(root);
}
BENCHMARK(BM_WalkOwnNotifications)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
