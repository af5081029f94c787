// A whole wake-up launch, `quenmora M1` from exec to exit on a trained device with one item,
// beside the 400 ms of waits that the volume switch itself must make; the median of the runs
// counts. The ratio says how much the rest (start-up, shell, dialog, registration, exit) adds.
// The launch's peak resident size stands beside that of the least program.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchTable.h"
#include "Scratch.h"
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

}  // namespace

QUENMORA_BENCH_MAIN();
