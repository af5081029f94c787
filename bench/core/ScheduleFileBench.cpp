// LoadSchedule and SaveSchedule at 10 to 1,000,000 items beside the same records read and written
// with stdio, one 5-byte record a call, timed in the same iterations. The "ratio" counter is the
// schedule file's time over stdio's; it should stay under 3 at every size.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "BenchTable.h"
#include "Scratch.h"
#include "ScheduleFile.h"

namespace fs = std::filesystem;

namespace {

const std::vector<long long> kSizes = {10, 1000, 100000, 1000000};
const wchar_t kCePath[] = L"\\My Documents\\Quenmora.dat";

fs::path g_root;

fs::path StdioPath() { return g_root / "My Documents" / "stdio.dat"; }
fs::path StdioNewPath() { return g_root / "My Documents" / "stdio.dat.new"; }

Schedule MakeSchedule(int items) {
  Schedule s;
  s.tapPoint.Set(200, 10);
  s.Reserve(static_cast<size_t>(items));
  for (int i = 0; i < items; ++i) {
    s.Append(std::make_unique<ScheduleItem>(static_cast<BYTE>(1 << (i % 7)),
                                            TimeOfDay(i % 24, i % 60, i % 60), i % 2));
  }
  return s;
}

// What SaveSchedule does, with stdio: header, one fwrite a record, the file on disk before it
// counts as saved (SaveSchedule flushes to disk too), and the new file renamed over the old.
bool StdioSave(const Schedule& s) {
  std::FILE* f = std::fopen(StdioNewPath().c_str(), "wb");
  if (f == nullptr) return false;
  const BYTE header[8] = {LOBYTE(s.tapPoint.x),
                          HIBYTE(s.tapPoint.x),
                          LOBYTE(s.tapPoint.y),
                          HIBYTE(s.tapPoint.y),
                          0,
                          0,
                          0,
                          0};
  bool ok = std::fwrite(header, sizeof header, 1, f) == 1;
  for (int i = 0; ok && i < s.Count(); ++i) {
    const ScheduleItem& item = s.Item(i);
    const BYTE record[5] = {item.days, static_cast<BYTE>(item.time.hour() & 0xFF),
                            static_cast<BYTE>(item.time.minute() & 0xFF),
                            static_cast<BYTE>(item.time.second() & 0xFF),
                            static_cast<BYTE>(item.muteOn & 0xFF)};
    ok = std::fwrite(record, sizeof record, 1, f) == 1;
  }
  ok = ok && std::fflush(f) == 0 && ::fsync(::fileno(f)) == 0;
  ok = std::fclose(f) == 0 && ok;
  return ok && std::rename(StdioNewPath().c_str(), StdioPath().c_str()) == 0;
}

bool StdioLoad(Schedule& s) {
  std::FILE* f = std::fopen(StdioPath().c_str(), "rb");
  if (f == nullptr) return false;
  BYTE header[8];
  if (std::fread(header, sizeof header, 1, f) == 1) {
    s.tapPoint.Set(static_cast<WORD>(header[0] | header[1] << 8),
                   static_cast<WORD>(header[2] | header[3] << 8));
  }
  // Room for every record at once, as LoadSchedule makes from the file's size.
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  std::fseek(f, sizeof header, SEEK_SET);
  if (size > static_cast<long>(sizeof header))
    s.Reserve(static_cast<size_t>(size - static_cast<long>(sizeof header)) / 5);
  BYTE record[5];
  while (std::fread(record, sizeof record, 1, f) == 1) {
    s.Append(std::make_unique<ScheduleItem>(record[0], TimeOfDay(record[1], record[2], record[3]),
                                            record[4]));
  }
  std::fclose(f);
  return true;
}

template <typename F>
double Seconds(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Report(benchmark::State& state, const char* figure, double ours, double stdio) {
  const auto items = static_cast<double>(state.range(0));
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["items"] = items;
  state.counters["stdio_ms"] = benchmark::Counter(stdio * 1e3 / iterations);
  state.counters["ratio"] = stdio > 0 ? ours / stdio : 0;
  bench::Record({figure, bench::Count(state.range(0)),
                 bench::DurationPerItem(ours / iterations, items),
                 bench::DurationPerItem(stdio / iterations, items), bench::Ratio(ours, stdio),
                 bench::Goal("< 3x", ours < 3 * stdio)});
}

void BM_SaveSchedule(benchmark::State& state) {
  const Schedule s = MakeSchedule(static_cast<int>(state.range(0)));
  double ours = 0, stdio = 0;
  for (auto _ : state) {
    const double t = Seconds([&] { SaveSchedule(s, kCePath); });
    ours += t;
    stdio += Seconds([&] {
      if (!StdioSave(s)) state.SkipWithError("stdio save failed");
    });
    state.SetIterationTime(t);
  }
  Report(state, "schedule save (floor: stdio + fsync + rename)", ours, stdio);
}

void BM_LoadSchedule(benchmark::State& state) {
  const int items = static_cast<int>(state.range(0));
  const Schedule s = MakeSchedule(items);
  SaveSchedule(s, kCePath);
  if (!StdioSave(s)) state.SkipWithError("stdio save failed");
  double ours = 0, stdio = 0;
  for (auto _ : state) {
    Schedule a, b;
    const double t = Seconds([&] { LoadSchedule(a, kCePath); });
    ours += t;
    stdio += Seconds([&] { StdioLoad(b); });
    if (a.Count() != items || b.Count() != items) state.SkipWithError("a load lost items");
    state.SetIterationTime(t);
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
  }
  Report(state, "schedule load (floor: stdio fread)", ours, stdio);
}

BENCHMARK(BM_LoadSchedule)->UseManualTime()->Unit(benchmark::kMillisecond)->Apply([](auto* b) {
  bench::ApplySizes(b, kSizes);
});
BENCHMARK(BM_SaveSchedule)->UseManualTime()->Unit(benchmark::kMillisecond)->Apply([](auto* b) {
  bench::ApplySizes(b, kSizes);
});

}  // namespace

int main(int argc, char** argv) {
  const testsupport::Scratch scratch("bench-file", testsupport::Scratch::Place::Disk);
  g_root = scratch.root;
  testsupport::UseDeviceRoot(g_root);
  fs::create_directories(g_root / "My Documents");
  return bench::RunBenchmarksAndWriteTable(argc, argv);
}
