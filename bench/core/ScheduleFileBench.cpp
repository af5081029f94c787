// LoadSchedule and SaveSchedule at 100,000 items beside the same records read and written with
// stdio, one 5-byte record a call, timed in the same iterations. The "ratio" counter is the
// schedule file's time over stdio's; it should stay under 3.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "ScheduleFile.h"

namespace fs = std::filesystem;

namespace {

constexpr int kItems = 100000;
const wchar_t kCePath[] = L"\\My Documents\\Quenmora.dat";

fs::path g_root;

fs::path StdioPath() { return g_root / "My Documents" / "stdio.dat"; }

Schedule MakeSchedule() {
  Schedule s;
  s.tapPoint.Set(200, 10);
  s.Reserve(kItems);
  for (int i = 0; i < kItems; ++i) {
    s.Append(std::make_unique<ScheduleItem>(static_cast<BYTE>(1 << (i % 7)), TimeOfDay(i % 24, i % 60, i % 60), i % 2));
  }
  return s;
}

// What SaveSchedule does, with stdio: header, one fwrite a record, and the file on disk before
// it counts as saved (SaveSchedule flushes to disk too).
bool StdioSave(const Schedule& s) {
  std::FILE* f = std::fopen(StdioPath().c_str(), "wb");
  if (f == nullptr) return false;
  const BYTE header[8] = {LOBYTE(s.tapPoint.x), HIBYTE(s.tapPoint.x), LOBYTE(s.tapPoint.y), HIBYTE(s.tapPoint.y), 0, 0, 0, 0};
  bool ok = std::fwrite(header, sizeof header, 1, f) == 1;
  for (int i = 0; ok && i < s.Count(); ++i) {
    const ScheduleItem& item = s.Item(i);
    const BYTE record[5] = {item.days, static_cast<BYTE>(item.time.hour() & 0xFF),
                            static_cast<BYTE>(item.time.minute() & 0xFF),
                            static_cast<BYTE>(item.time.second() & 0xFF), static_cast<BYTE>(item.muteOn & 0xFF)};
    ok = std::fwrite(record, sizeof record, 1, f) == 1;
  }
  ok = ok && std::fflush(f) == 0 && ::fsync(::fileno(f)) == 0;
  return std::fclose(f) == 0 && ok;
}

bool StdioLoad(Schedule& s) {
  std::FILE* f = std::fopen(StdioPath().c_str(), "rb");
  if (f == nullptr) return false;
  BYTE header[8];
  if (std::fread(header, sizeof header, 1, f) == 1) {
    s.tapPoint.Set(static_cast<WORD>(header[0] | header[1] << 8), static_cast<WORD>(header[2] | header[3] << 8));
  }
  BYTE record[5];
  while (std::fread(record, sizeof record, 1, f) == 1) {
    s.Append(std::make_unique<ScheduleItem>(record[0], TimeOfDay(record[1], record[2], record[3]), record[4]));
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

void Report(benchmark::State& state, double ours, double stdio) {
  state.counters["items"] = kItems;
  state.counters["stdio_ms"] = benchmark::Counter(stdio * 1e3 / static_cast<double>(state.iterations()));
  state.counters["ratio"] = stdio > 0 ? ours / stdio : 0;
}

void BM_SaveSchedule(benchmark::State& state) {
  const Schedule s = MakeSchedule();
  double ours = 0, stdio = 0;
  for (auto _ : state) {
    const double t = Seconds([&] { SaveSchedule(s, kCePath); });
    ours += t;
    stdio += Seconds([&] {
      if (!StdioSave(s)) state.SkipWithError("stdio save failed");
    });
    state.SetIterationTime(t);
  }
  Report(state, ours, stdio);
}

void BM_LoadSchedule(benchmark::State& state) {
  const Schedule s = MakeSchedule();
  SaveSchedule(s, kCePath);
  if (!StdioSave(s)) state.SkipWithError("stdio save failed");
  double ours = 0, stdio = 0;
  for (auto _ : state) {
    Schedule a, b;
    const double t = Seconds([&] { LoadSchedule(a, kCePath); });
    ours += t;
    stdio += Seconds([&] { StdioLoad(b); });
    if (a.Count() != kItems || b.Count() != kItems) state.SkipWithError("a load lost items");
    state.SetIterationTime(t);
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
  }
  Report(state, ours, stdio);
}

BENCHMARK(BM_SaveSchedule)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadSchedule)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  g_root = fs::temp_directory_path() / ("quenmora-bench-" + std::to_string(::getpid()));
  fs::remove_all(g_root);
  ::setenv("CEDEVICE_ROOT", g_root.c_str(), 1);
  fs::create_directories(g_root / "My Documents");
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fs::remove_all(g_root);
  return 0;
}
