// The rows a benchmark program contributes to bench/run's one table: each figure beside its floor
// measured in the same run. A row is kept under its figure and size, so the last (the measured)
// run of a benchmark is the one written; RunBenchmarksAndWriteTable appends the rows to the file
// named by QUENMORA_BENCH_TABLE, one tab-separated line each, when that is set.
#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace bench {

struct Row {
  std::string figure;
  std::string size;
  std::string measured;
  std::string floor;
  std::string ratio;
  std::string goal;  // the goal and whether this run met it
};

void Record(const Row& row);

// Text for a duration in seconds, in the unit that suits it ("412.3 ms", "85.2 ns").
std::string Duration(double seconds);
// A duration with its cost per item beside it: "12.3 ms (123.4 ns/item)".
std::string DurationPerItem(double seconds, double items);
std::string Ratio(double measured, double floor);
// "< 3x: met" or "< 3x: MISSED".
std::string Goal(const std::string& goal, bool met);
std::string Count(long long n);  // 1,000,000
std::string Mebibytes(long kibibytes);

// QUENMORA_BENCH_QUICK set and not "0": the smallest sizes and fewest runs, for the smoke tests
// and bench/run --quick.
bool Quick();
// The sizes to run: all of them, or in quick mode the first `quickCount`.
std::vector<long long> Sizes(const std::vector<long long>& all, size_t quickCount = 1);
// Adds each size as an argument of the benchmark.
void ApplySizes(benchmark::internal::Benchmark* b, const std::vector<long long>& all,
                size_t quickCount = 1);

double Median(std::vector<double> values);
// The value below which the given fraction of values lie (nearest rank).
double Percentile(std::vector<double> values, double fraction);

int RunBenchmarksAndWriteTable(int argc, char** argv);

}  // namespace bench

#define QUENMORA_BENCH_MAIN() \
  int main(int argc, char** argv) { return bench::RunBenchmarksAndWriteTable(argc, argv); }
