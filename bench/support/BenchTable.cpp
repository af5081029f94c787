#include "BenchTable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

namespace bench {

namespace {

struct Rows {
  std::mutex lock;
  std::vector<std::pair<std::string, Row>> rows;  // in the order first recorded
};

Rows& TheRows() {
  static Rows rows;
  return rows;
}

// The value with `decimals` places, then the unit when there is one.
std::string Format(double value, int decimals, const char* unit = "") {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f%s%s", decimals, value, *unit != 0 ? " " : "", unit);
  return text;
}

// Tabs and newlines would break the table's lines.
std::string Clean(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\n') c = ' ';
  }
  return text;
}

}  // namespace

void Record(const Row& row) {
  Rows& all = TheRows();
  const std::string key = row.figure + '\t' + row.size;
  std::lock_guard lk(all.lock);
  for (auto& [k, r] : all.rows) {
    if (k == key) {
      r = row;
      return;
    }
  }
  all.rows.emplace_back(key, row);
}

std::string Duration(double seconds) {
  const double a = std::fabs(seconds);
  if (a >= 1.0) return Format(seconds, 3, "s");
  if (a >= 1e-3) return Format(seconds * 1e3, 2, "ms");
  if (a >= 1e-6) return Format(seconds * 1e6, 2, "us");
  return Format(seconds * 1e9, 1, "ns");
}

std::string DurationPerItem(double seconds, double items) {
  if (items <= 0) return Duration(seconds);
  return Duration(seconds) + " (" + Duration(seconds / items) + "/item)";
}

std::string Ratio(double measured, double floor) {
  if (floor <= 0) return "-";
  return Format(measured / floor, 2);
}

std::string Goal(const std::string& goal, bool met) { return goal + (met ? ": met" : ": MISSED"); }

std::string Count(long long n) {
  std::string digits = std::to_string(n);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string Mebibytes(long kibibytes) {
  return Format(static_cast<double>(kibibytes) / 1024.0, 1, "MiB");
}

bool Quick() {
  const char* text = std::getenv("QUENMORA_BENCH_QUICK");
  return text != nullptr && *text != 0 && std::strcmp(text, "0") != 0;
}

std::vector<long long> Sizes(const std::vector<long long>& all, size_t quickCount) {
  if (!Quick() || quickCount >= all.size()) return all;
  return std::vector<long long>(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(quickCount));
}

void ApplySizes(benchmark::internal::Benchmark* b, const std::vector<long long>& all,
                size_t quickCount) {
  for (long long n : Sizes(all, quickCount)) b->Arg(n);
}

double Median(std::vector<double> values) { return Percentile(std::move(values), 0.5); }

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const double rank = std::ceil(fraction * static_cast<double>(values.size()));
  const size_t at = rank < 1 ? 0 : static_cast<size_t>(rank) - 1;
  return values[std::min(at, values.size() - 1)];
}

int RunBenchmarksAndWriteTable(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const char* path = std::getenv("QUENMORA_BENCH_TABLE");
  if (path == nullptr || *path == 0) return 0;
  std::FILE* out = std::fopen(path, "a");
  if (out == nullptr) {
    std::perror(path);
    return 1;
  }
  Rows& all = TheRows();
  std::lock_guard lk(all.lock);
  for (const auto& [key, r] : all.rows) {
    std::fprintf(out, "%s\t%s\t%s\t%s\t%s\t%s\n", Clean(r.figure).c_str(), Clean(r.size).c_str(),
                 Clean(r.measured).c_str(), Clean(r.floor).c_str(), Clean(r.ratio).c_str(),
                 Clean(r.goal).c_str());
  }
  return std::fclose(out) == 0 ? 0 : 1;
}

}  // namespace bench
