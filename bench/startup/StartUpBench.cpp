// Interactive start-up: `quenmora` from exec to its first drawn main dialog, headless. The input
// script waits for the main dialog's "New" button, prints the screen (which first waits for the
// pending paints) and quits; the first byte of that screen on the pipe is the moment measured.
// Beside it, in the same iterations, the least program from exec to exit. At 100,000 items the
// same run gives the interactive peak resident size.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchTable.h"
#include "Scratch.h"
#include "TimedChild.h"
#include "TrainedDevice.h"

namespace fs = std::filesystem;

namespace {

const char kOpenAndQuit[] = R"(wait "New" 30
screen
key Escape
)";

constexpr double kGoalSeconds = 0.020;

void BM_InteractiveStartUp(benchmark::State& state) {
  const long long items = state.range(0);
  const testsupport::Scratch scratch("bench-start", testsupport::Scratch::Place::Disk);
  const fs::path& root = scratch.root;
  const std::string why = bench::MakeTrainedDevice({QUENMORA_BINARY, CEDEVICE_BINARY}, root, items);
  if (!why.empty()) {
    state.SkipWithError(why.c_str());
    return;
  }
  const std::string script = bench::WriteScript(root, "open-and-quit", kOpenAndQuit);
  std::vector<double> drawn, floors;
  long rss = 0, floorRss = 0;
  for (auto _ : state) {
    ::setenv("CEDEVICE_INPUT", script.c_str(), 1);
    const bench::ChildRun run = bench::RunChild({QUENMORA_BINARY}, bench::Output::Capture);
    ::unsetenv("CEDEVICE_INPUT");
    if (run.status != 0 || run.secondsToFirstOutput < 0 ||
        run.out.find("New") == std::string::npos) {
      state.SkipWithError("the main dialog was not drawn");
      break;
    }
    const bench::ChildRun floor = bench::RunChild({FLOOR_APP_BINARY});
    drawn.push_back(run.secondsToFirstOutput);
    floors.push_back(floor.secondsToExit);
    rss = std::max(rss, run.maxRssKiB);
    floorRss = std::max(floorRss, floor.maxRssKiB);
    state.SetIterationTime(run.secondsToFirstOutput);
  }
  if (drawn.empty()) return;
  const double median = bench::Median(drawn);
  const double floor = bench::Median(floors);
  state.counters["floor_ms"] = floor * 1e3;
  const std::string size = bench::Count(items) + (items == 1 ? " item" : " items");
  bench::Record(
      {"interactive start-up, exec to drawn main dialog (floor: exec to exit of a program that "
       "only exits)",
       size + ", median of " + std::to_string(drawn.size()), bench::Duration(median),
       bench::Duration(floor), bench::Ratio(median, floor),
       items == 1 ? bench::Goal("floor + 20 ms", median - floor < kGoalSeconds)
                  : std::string("recorded (the goal is for one item)")});
  if (items > 1) {
    bench::Record(
        {"peak RSS, interactive run that opens and quits (floor: a program that only exits)", size,
         bench::Mebibytes(rss), bench::Mebibytes(floorRss),
         bench::Ratio(static_cast<double>(rss), static_cast<double>(floorRss)), "recorded"});
  }
}
BENCHMARK(BM_InteractiveStartUp)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(bench::Quick() ? 2 : 15)
    ->Apply([](auto* b) {
      bench::ApplySizes(b, {1, 100000});
    });

}  // namespace

QUENMORA_BENCH_MAIN();
