// GetNextItem over 10 to 1,000,000 items beside one linear pass that only reads each item's
// fields, timed in the same iterations: the "ratio" counter is the search's time over the pass's
// and should stay under 3. The walk over 10 to 10,000 registered notifications (none of them the
// program's own, so nothing is removed) shows what the viewer and the registration pay, beside a
// plain read of the same store file split into its fields.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <notify.h>

#include "AppTrace.h"
#include "BenchTable.h"
#include "DeviceClock.h"
#include "DeviceRoot.h"
#include "NextChangeSearch.h"
#include "OwnNotificationWalk.h"
#include "Scratch.h"
#include "StateFiles.h"
#include "StoreText.h"

namespace fs = std::filesystem;

namespace {

const std::vector<long long> kItemCounts = {10, 1000, 100000, 1000000};
const std::vector<long long> kNotificationCounts = {10, 100, 1000, 10000};

Schedule MakeSchedule(int items) {
  Schedule s;
  s.Reserve(static_cast<size_t>(items));
  for (int i = 0; i < items; ++i) {
    s.Append(std::make_unique<ScheduleItem>(static_cast<BYTE>((i * 37) & 0x7F),
                                            TimeOfDay(i % 24, (i / 24) % 60, i % 60), i % 2));
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
  const testsupport::Scratch scratch("bench-search");
  testsupport::UseDeviceRoot(scratch.root);
  cedev::clock::FreezeForProcess(cedev::DeviceTime{2026, 12, 7, 10, 0, 30, 0});
  RegisterAppTrace();  // as the program's start-up does: a new device keeps no trace
  Schedule s = MakeSchedule(static_cast<int>(state.range(0)));
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
  const auto iterations = static_cast<double>(state.iterations());
  const auto items = static_cast<double>(state.range(0));
  bench::Record({"next-change search (floor: a pass reading each item's fields)",
                 bench::Count(state.range(0)),
                 bench::DurationPerItem(searchSeconds / iterations, items),
                 bench::DurationPerItem(passSeconds / iterations, items),
                 bench::Ratio(searchSeconds, passSeconds),
                 bench::Goal("< 3x", searchSeconds < 3 * passSeconds)});
}
BENCHMARK(BM_GetNextItem)->Unit(benchmark::kMillisecond)->Apply([](auto* b) {
  bench::ApplySizes(b, kItemCounts);
});

// The floor of the walk: the store file read whole with stdio and cut into lines and fields,
// each record's application compared with the program's own, as the walk's test does.
long ReadAndSplit(const fs::path& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return -1;
  std::string text;
  char chunk[65536];
  for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, f)) > 0;) text.append(chunk, got);
  std::fclose(f);
  long own = 0;
  std::vector<std::string_view> fields;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string_view line(text.data() + start, end - start);
    fields.clear();
    for (size_t a = 0;;) {
      const size_t b = line.find('\t', a);
      fields.push_back(
          line.substr(a, b == std::string_view::npos ? std::string_view::npos : b - a));
      if (b == std::string_view::npos) break;
      a = b + 1;
    }
    if (fields.size() > 5 && fields[1] == "time" && fields[5] == "\"\\\\Windows\\\\Quenmora.exe\"")
      ++own;
    start = end + 1;
  }
  return own;
}

void BM_WalkOwnNotifications(benchmark::State& state) {
  const auto notifications = static_cast<DWORD>(state.range(0));
  const testsupport::Scratch scratch("bench-walk", testsupport::Scratch::Place::Disk);
  const fs::path& root = scratch.root;
  testsupport::UseDeviceRoot(root);
  // Written as one store: ten thousand registrations, each replacing the file on disk, would
  // take minutes and measure the disk instead.
  cedev::notify::StoreContent store;
  for (DWORD i = 1; i <= notifications; ++i) {
    cedev::notify::NotificationRecord record;
    record.handle = i;
    record.application = L"\\Windows\\Other.exe";
    record.arguments = L"M1";
    record.start =
        cedev::ToSystemTime(cedev::DeviceTime{2026, 12, static_cast<int>(1 + i % 28), 10, 0, 0, 0});
    record.user = cedev::notify::UserAction{};
    store.Put(std::move(record));
  }
  store.nextHandle = notifications + 1;
  const std::string text = cedev::notify::FormatStore(store);
  const fs::path path = root / ".device" / "notifications";
  long seen = 0;
  double walkSeconds = 0, floorSeconds = 0;
  for (auto _ : state) {
    // A new file each time, as a fresh process meets it: the walk's first look parses the store.
    state.PauseTiming();
    cedev::WriteStateAtomic("notifications", text);
    state.ResumeTiming();
    const auto t0 = std::chrono::steady_clock::now();
    WalkOwnNotifications([&](const CE_NOTIFICATION_INFO_HEADER&) { ++seen; }, WalkTrace::Quiet);
    const auto t1 = std::chrono::steady_clock::now();
    if (ReadAndSplit(path) != 0) state.SkipWithError("the floor found own notifications");
    const auto t2 = std::chrono::steady_clock::now();
    walkSeconds += std::chrono::duration<double>(t1 - t0).count();
    floorSeconds += std::chrono::duration<double>(t2 - t1).count();
  }
  benchmark::DoNotOptimize(seen);
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["ratio"] = floorSeconds > 0 ? walkSeconds / floorSeconds : 0;
  bench::Record({"own-notification walk (floor: fread + split into fields)",
                 bench::Count(state.range(0)),
                 bench::DurationPerItem(walkSeconds / iterations, notifications),
                 bench::DurationPerItem(floorSeconds / iterations, notifications),
                 bench::Ratio(walkSeconds, floorSeconds),
                 bench::Goal("< 3x", walkSeconds < 3 * floorSeconds)});
}
BENCHMARK(BM_WalkOwnNotifications)->Unit(benchmark::kMillisecond)->Apply([](auto* b) {
  bench::ApplySizes(b, kNotificationCounts);
});

}  // namespace

QUENMORA_BENCH_MAIN();
