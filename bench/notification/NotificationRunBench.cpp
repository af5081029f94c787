// A whole wake-up launch, `quenmora M1` from exec to exit on a trained device with one item,
// beside the 400 ms of waits that the volume switch itself must make; the median of the runs
// counts. The ratio says how much the rest (start-up, shell, dialog, registration, exit) adds.
// The launch's peak resident size stands beside that of the least program.
//
// The same launch on a device that holds n of the program's own notifications (left by runs
// ended before their walk, or registered by hand): its walk removes each with one
// CeClearUserNotification. Beside the launch over none, run in turn with it; the difference per
// notification, at n and at four times n, shows whether a removal costs the same at any size.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "BenchTable.h"
#include "ChildProcess.h"
#include "DeviceTime.h"
#include "Scratch.h"
#include "StateFiles.h"
#include "StoreText.h"
#include "TimedChild.h"
#include "TrainedDevice.h"

namespace fs = std::filesystem;

namespace {

constexpr double kSwitchWaitSeconds = 0.4;

void BM_NotificationRun(benchmark::State& state) {
  const testsupport::Scratch scratch("bench-run", testsupport::Scratch::Place::Disk);
  const fs::path& root = scratch.root;
  const std::string why = bench::MakeTrainedDevice({QUENMORA_BINARY, CEDEVICE_BINARY}, root, 1);
  if (!why.empty()) {
    state.SkipWithError(why.c_str());
    return;
  }
  std::vector<double> seconds;
  long rss = 0;
  for (auto _ : state) {
    const bench::ChildRun run = bench::RunChild({QUENMORA_BINARY, "M1"});
    if (run.status != 0) state.SkipWithError("quenmora M1 failed");
    seconds.push_back(run.secondsToExit);
    rss = std::max(rss, run.maxRssKiB);
    state.SetIterationTime(run.secondsToExit);
  }
  const bench::ChildRun floor = bench::RunChild({FLOOR_APP_BINARY});
  const double median = bench::Median(seconds);
  state.counters["waits_s"] = kSwitchWaitSeconds;
  state.counters["ratio"] = median / kSwitchWaitSeconds;
  const std::string runs = std::to_string(seconds.size()) + " runs, median";
  bench::Record({"notification run quenmora M1, exec to exit (floor: the switch's mandated waits)",
                 runs, bench::Duration(median), bench::Duration(kSwitchWaitSeconds),
                 bench::Ratio(median, kSwitchWaitSeconds),
                 bench::Goal("< 1.05", median < 1.05 * kSwitchWaitSeconds)});
  bench::Record({"peak RSS, notification run (floor: a program that only exits)", "1 item",
                 bench::Mebibytes(rss), bench::Mebibytes(floor.maxRssKiB),
                 bench::Ratio(static_cast<double>(rss), static_cast<double>(floor.maxRssKiB)),
                 "recorded"});
  fs::remove_all(root);
}
BENCHMARK(BM_NotificationRun)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(bench::Quick() ? 3 : 15);

// n and four times n (each removal costs little beside a run's waits: n is large enough for the
// difference to stand out of the runs' spread); a tenth of each in quick mode.
std::vector<long long> OwnCounts() {
  return bench::Quick() ? std::vector<long long>{250, 1000} : std::vector<long long>{2500, 10000};
}
constexpr double kOwnGoalSeconds = 1.0;

// The store of the device as such a launch finds it: `own` of the program's notifications, all
// still to come. Written whole, in place of the store and its journal.
void PutOwnNotifications(const fs::path& root, long long own) {
  cedev::notify::StoreContent store;
  for (long long i = 1; i <= own; ++i) {
    cedev::notify::NotificationRecord record;
    record.handle = static_cast<DWORD>(i);
    record.application = L"\\Windows\\Quenmora.exe";
    record.arguments = i % 2 == 0 ? L"M0" : L"M1";
    record.start = cedev::ToSystemTime(cedev::AddSeconds(
        cedev::DeviceTime{2026, 12, 20, 0, 0, 0, 0}, static_cast<std::int64_t>(i) * 60));
    store.Put(std::move(record));
  }
  store.nextHandle = static_cast<DWORD>(own + 1);
  std::error_code ec;
  fs::remove(root / ".device" / "notifications.journal", ec);
  cedev::WriteStateAtomic("notifications", cedev::notify::FormatStore(store));
}

// How many of the program's own notifications `cedevice notifications` lists.
long long OwnListed(const testsupport::Scratch& scratch) {
  const std::string listed =
      testsupport::RunOnDevice(scratch, CEDEVICE_BINARY, {"notifications"}).out;
  long long own = 0;
  for (size_t at = listed.find("\\Windows\\Quenmora.exe\t"); at != std::string::npos;
       at = listed.find("\\Windows\\Quenmora.exe\t", at + 1)) {
    ++own;
  }
  return own;
}

void BM_NotificationRunOverOwn(benchmark::State& state) {
  static std::map<long long, double> perNotification;  // by size, for the next size's row
  const long long own = state.range(0);
  const testsupport::Scratch scratch("bench-own", testsupport::Scratch::Place::Disk);
  const fs::path& root = scratch.root;
  const std::string why = bench::MakeTrainedDevice({QUENMORA_BINARY, CEDEVICE_BINARY}, root, 1);
  if (!why.empty()) {
    state.SkipWithError(why.c_str());
    return;
  }
  std::vector<double> loaded, bare;
  for (auto _ : state) {
    PutOwnNotifications(root, own);
    const bench::ChildRun run = bench::RunChild({QUENMORA_BINARY, "M1"});
    if (run.status != 0) state.SkipWithError("quenmora M1 failed");
    if (loaded.empty() && OwnListed(scratch) != 2)
      state.SkipWithError("the run did not leave exactly its own pair");
    PutOwnNotifications(root, 0);
    const bench::ChildRun none = bench::RunChild({QUENMORA_BINARY, "M1"});
    if (none.status != 0) state.SkipWithError("quenmora M1 failed");
    loaded.push_back(run.secondsToExit);
    bare.push_back(none.secondsToExit);
    state.SetIterationTime(run.secondsToExit);
  }
  fs::remove_all(root);
  const double median = bench::Median(loaded), floor = bench::Median(bare);
  const double each = (median - floor) / static_cast<double>(own);
  const bool largest = own == OwnCounts().back();
  bench::Record(
      {"notification run quenmora M1 over own notifications, exec to exit (floor: the same run "
       "over none)",
       bench::Count(own), bench::Duration(median), bench::Duration(floor),
       bench::Ratio(median, floor),
       largest ? bench::Goal("< 1 s", median < kOwnGoalSeconds) : std::string("-")});
  if (const auto smaller = perNotification.find(own / 4); smaller != perNotification.end()) {
    bench::Record(
        {"removing the own notifications in that run, per notification (floor: the same "
         "at a quarter of the size)",
         bench::Count(own), bench::Duration(each), bench::Duration(smaller->second),
         bench::Ratio(each, smaller->second),
         bench::Goal("< 1.5: linear", each < 1.5 * smaller->second)});
  }
  perNotification[own] = each;
}
BENCHMARK(BM_NotificationRunOverOwn)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(bench::Quick() ? 1 : 5)
    ->Apply([](auto* b) {
      for (long long n : OwnCounts()) b->Arg(n);
    });

}  // namespace

QUENMORA_BENCH_MAIN();
