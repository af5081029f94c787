// The notification service as a user meets it. Lateness: `cedevice run` in real time fires
// notifications one a second, or a few to the second, each starting the least program, which
// notes when it started; lateness is that start minus the notification's start time, both on the
// host's clock (the device follows it, in UTC here). Overdue: `cedevice run --fast` over n and four
// times n notifications all due, each starting the least program and waiting for it, per fire
// beside starting that program alone. Listing: `cedevice notifications` over stores of 10 to 10,000
// records beside a program that reads the same file and prints the same fields. The lateness
// stands beside the least launcher's, firing the same schedule on the same machine just after.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <deque>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "BenchTable.h"
#include "Scratch.h"
#include "TimedChild.h"
#include "DeviceTime.h"
#include "StateFiles.h"
#include "StoreText.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

const std::vector<long long> kStoreSizes = {10, 100, 1000, 10000};
// Lateness goals (p99): a notification due alone starts its program within 5 ms; several due in
// the same second start theirs within 1.5 x what the least launcher can do, since on two cores
// the programs' own starts queue behind each other whoever starts them.
constexpr double kLatenessGoalSeconds = 0.005;
constexpr double kTogetherGoalRatio = 1.5;

cedev::DeviceTime FromEpoch(std::time_t seconds) {
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  return cedev::DeviceTime{
      utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, 0};
}

std::string Text(std::time_t seconds) {
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc);
  return text;
}

// A device root of its own on the disk, as the runner's syncs are part of its figures; each stays
// until the program ends.
fs::path FreshRoot(const char* name) {
  static std::deque<testsupport::Scratch> scratches;
  const fs::path& root = scratches.emplace_back(name, testsupport::Scratch::Place::Disk).root;
  testsupport::UseDeviceRoot(root);
  ::setenv("CEDEVICE_DISPLAY", "none", 1);
  ::unsetenv("CEDEVICE_INPUT");
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  return root;
}

cedev::notify::NotificationRecord TimeRecord(DWORD handle, std::time_t start,
                                             const std::wstring& application,
                                             const std::wstring& arguments) {
  cedev::notify::NotificationRecord record;
  record.handle = handle;
  record.application = application;
  record.arguments = arguments;
  record.start = cedev::ToSystemTime(FromEpoch(start));
  return record;
}

// `count` notifications over `spanSeconds` from `base`, at whole seconds (the store keeps no
// finer time): count / spanSeconds of them due in the same second.
std::vector<std::time_t> DueTimes(std::time_t base, long long count, long long spanSeconds) {
  std::vector<std::time_t> due;
  for (long long i = 0; i < count; ++i)
    due.push_back(base + static_cast<std::time_t>(i * spanSeconds / count));
  return due;
}

// Each stamp's lateness, its start minus its due second (the argument it was given); the file is
// removed.
std::vector<double> TakeLateness(const fs::path& stamps) {
  std::vector<double> lateness;
  std::ifstream in(stamps);
  long long due = 0, us = 0;
  while (in >> due >> us) lateness.push_back(static_cast<double>(us - due * 1000000) / 1e6);
  fs::remove(stamps);
  return lateness;
}

// The floor: the least launcher, this process, firing the same schedule. At each due second it
// appends the removal as a line to a file kept open (as the runner does to the store's journal)
// and starts the least program by posix_spawn (which shares this process's memory until the
// exec, as the runner's start does); nothing else. The programs are waited for at the end.
bool LeastLauncher(const std::vector<std::time_t>& due, const fs::path& journal) {
  const int fd = ::open(journal.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = true;
  std::vector<pid_t> started;
  for (std::size_t i = 0; i < due.size(); ++i) {
    const timespec at{due[i], 0};
    while (::clock_nanosleep(CLOCK_REALTIME, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
    const std::string line = "clear " + std::to_string(i + 1) + "\n";
    std::string argument = std::to_string(due[i]);
    char* argv[] = {const_cast<char*>(STAMP_APP_BINARY), argument.data(), nullptr};
    pid_t pid = -1;
    ok = ok && ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size()) &&
         ::posix_spawn(&pid, STAMP_APP_BINARY, nullptr, nullptr, argv, environ) == 0;
    if (pid > 0) started.push_back(pid);
  }
  for (const pid_t pid : started) {
    int status = 0;
    ok = ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0 && ok;
  }
  ::close(fd);
  fs::remove(journal);
  return ok;
}

// Lateness: `cedevice run` in real time over `count` notifications in `spanSeconds`, each
// starting the least program, which notes when it started; then the same schedule fired by the
// least launcher.
void BM_RunnerLateness(benchmark::State& state, long long count, long long spanSeconds) {
  if (bench::Quick()) {
    count = count > spanSeconds ? 10 : 2;
    spanSeconds = 2;
  }
  const fs::path root = FreshRoot("runner");
  if (bench::RunChild({CEDEVICE_BINARY, "init"}).status != 0 ||
      bench::RunChild({CEDEVICE_BINARY, "clock", "host"}).status != 0) {
    state.SkipWithError("cedevice init failed");
    return;
  }
  const fs::path app = root / "Windows" / "Stamp.exe";
  fs::copy_file(STAMP_APP_BINARY, app, fs::copy_options::overwrite_existing);
  fs::permissions(app, fs::perms::owner_all);
  const fs::path stamps = root.string() + "-stamps";
  fs::remove(stamps);
  ::setenv("QUENMORA_BENCH_STAMPS", stamps.c_str(), 1);

  std::vector<double> lateness;
  for (auto _ : state) {
    const std::vector<std::time_t> due = DueTimes(std::time(nullptr) + 2, count, spanSeconds);
    cedev::notify::StoreContent store;
    for (std::size_t i = 0; i < due.size(); ++i) {
      store.Put(TimeRecord(static_cast<DWORD>(i + 1), due[i], L"\\Windows\\Stamp.exe",
                           std::to_wstring(due[i])));
    }
    store.nextHandle = static_cast<DWORD>(count + 1);
    cedev::WriteStateAtomic("notifications", cedev::notify::FormatStore(store));
    const std::string until = Text(due.back() + 1);
    const bench::ChildRun run =
        bench::RunChild({CEDEVICE_BINARY, "run", "--until", until}, bench::Output::Capture);
    if (run.status != 0) state.SkipWithError("cedevice run failed");
    lateness = TakeLateness(stamps);
    state.SetIterationTime(run.secondsToExit);
  }
  const bool launched =
      LeastLauncher(DueTimes(std::time(nullptr) + 2, count, spanSeconds), root.string() + "-floor");
  const std::vector<double> floor = TakeLateness(stamps);
  ::unsetenv("QUENMORA_BENCH_STAMPS");
  fs::remove_all(root);
  if (static_cast<long long>(lateness.size()) != count ||
      static_cast<long long>(floor.size()) != count || !launched) {
    state.SkipWithError("not every notification started its program");
    return;
  }
  for (double l : lateness) {
    if (l < 0) state.SkipWithError("a program started before its notification's time");
  }
  const std::string size = std::to_string(count) + " over " + std::to_string(spanSeconds) + " s";
  // Three or four due in the same second are judged beside the least launcher, one due alone
  // against 5 ms (kTogetherGoalRatio, kLatenessGoalSeconds).
  const bool together = count > spanSeconds;
  const long long fewest = count / spanSeconds, most = (count + spanSeconds - 1) / spanSeconds;
  std::string schedule = "each due alone";
  if (together) {
    schedule = fewest == most ? std::to_string(most)
                              : std::to_string(fewest) + " or " + std::to_string(most);
    schedule += " due in the same second";
  }
  for (const auto& [which, fraction] :
       std::vector<std::pair<std::string, double>>{{"p50", 0.5}, {"p99", 0.99}, {"max", 1.0}}) {
    const double got = bench::Percentile(lateness, fraction);
    const double least = bench::Percentile(floor, fraction);
    state.counters[which + "_ms"] = got * 1e3;
    const std::string name = "runner lateness " + which + ", " + schedule +
                             " (floor: the least launcher at the same moments)";
    std::string goal = "-";
    if (which == "p99") {
      goal = together ? bench::Goal("< 1.5x", got < kTogetherGoalRatio * least)
                      : bench::Goal("< 5 ms", got < kLatenessGoalSeconds);
    }
    bench::Record(
        {name, size, bench::Duration(got), bench::Duration(least), bench::Ratio(got, least), goal});
  }
}
BENCHMARK_CAPTURE(BM_RunnerLateness, alone, 100, 100)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(BM_RunnerLateness, together, 100, 30)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

size_t Lines(const std::string& text);

// n and four times n overdue notifications.
std::vector<long long> OverdueCounts() {
  return bench::Quick() ? std::vector<long long>{10, 40} : std::vector<long long>{500, 2000};
}

void BM_FireOverdue(benchmark::State& state) {
  static std::map<long long, double> perFire;  // by size, for the next size's row
  const long long count = state.range(0);
  const fs::path root = FreshRoot("overdue");
  if (bench::RunChild({CEDEVICE_BINARY, "init"}).status != 0 ||
      bench::RunChild({CEDEVICE_BINARY, "clock", "freeze", "2026-12-07 10:00:00"}).status != 0) {
    state.SkipWithError("cedevice init failed");
    return;
  }
  const fs::path app = root / "Windows" / "Stamp.exe";
  fs::copy_file(FLOOR_APP_BINARY, app, fs::copy_options::overwrite_existing);
  fs::permissions(app, fs::perms::owner_all);
  ::unsetenv("QUENMORA_BENCH_STAMPS");
  const std::time_t due = 1796637600 - 3600;  // an hour before the clock: all overdue
  std::vector<double> runs, spawns;
  for (auto _ : state) {
    cedev::notify::StoreContent store;
    for (long long i = 1; i <= count; ++i) {
      store.Put(TimeRecord(static_cast<DWORD>(i), due + i % 3000, L"\\Windows\\Stamp.exe", L"x"));
    }
    store.nextHandle = static_cast<DWORD>(count + 1);
    std::error_code ec;
    fs::remove(root / ".device" / "notifications.journal", ec);
    cedev::WriteStateAtomic("notifications", cedev::notify::FormatStore(store));
    const bench::ChildRun run =
        bench::RunChild({CEDEVICE_BINARY, "run", "--fast", "--until", "2026-12-07 10:00:00"},
                        bench::Output::Capture);
    if (run.status != 0 || Lines(run.out) != static_cast<size_t>(count))
      state.SkipWithError("the runner did not fire every notification");
    runs.push_back(run.secondsToExit);
    // The floor, as often in the same iteration: the least program started and waited for.
    const auto t0 = std::chrono::steady_clock::now();
    for (long long i = 0; i < count; ++i) bench::RunChild({FLOOR_APP_BINARY});
    spawns.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    state.SetIterationTime(run.secondsToExit);
  }
  fs::remove_all(root);
  const double n = static_cast<double>(count);
  const double each = bench::Median(runs) / n, floor = bench::Median(spawns) / n;
  bench::Record(
      {"cedevice run --fast over overdue notifications, per fire (floor: starting the "
       "least program and waiting for it)",
       bench::Count(count), bench::Duration(each), bench::Duration(floor),
       bench::Ratio(each, floor), "-"});
  if (const auto smaller = perFire.find(count / 4); smaller != perFire.end()) {
    bench::Record({"the same per fire beside a quarter of the size (floor: per fire at a quarter)",
                   bench::Count(count), bench::Duration(each), bench::Duration(smaller->second),
                   bench::Ratio(each, smaller->second),
                   bench::Goal("< 1.5: linear", each < 1.5 * smaller->second)});
  }
  perFire[count] = each;
}

size_t Lines(const std::string& text) {
  size_t n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

BENCHMARK(BM_FireOverdue)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(bench::Quick() ? 1 : 3)
    ->Apply([](auto* b) {
      for (long long n : OverdueCounts()) b->Arg(n);
    });

void BM_ListNotifications(benchmark::State& state) {
  const auto count = static_cast<DWORD>(state.range(0));
  const fs::path root = FreshRoot("list");
  if (bench::RunChild({CEDEVICE_BINARY, "init"}).status != 0) {
    state.SkipWithError("cedevice init failed");
    return;
  }
  cedev::notify::StoreContent store;
  const std::time_t base = 1796637600;  // 2026-12-07 10:00:00 UTC
  for (DWORD i = 1; i <= count; ++i) {
    store.Put(
        TimeRecord(i, base + 60 * static_cast<std::time_t>(i), L"\\Windows\\Other.exe", L"M1"));
  }
  store.nextHandle = count + 1;
  cedev::WriteStateAtomic("notifications", cedev::notify::FormatStore(store));
  const std::string file = (root / ".device" / "notifications").string();
  std::vector<double> listing, floors;
  for (auto _ : state) {
    const bench::ChildRun run =
        bench::RunChild({CEDEVICE_BINARY, "notifications"}, bench::Output::Capture);
    const bench::ChildRun floor =
        bench::RunChild({FLOOR_APP_BINARY, "list", file}, bench::Output::Capture);
    if (run.status != 0 || Lines(run.out) != count || floor.status != 0 ||
        Lines(floor.out) != count) {
      state.SkipWithError("a listing missed records");
      break;
    }
    listing.push_back(run.secondsToExit);
    floors.push_back(floor.secondsToExit);
    state.SetIterationTime(run.secondsToExit);
  }
  fs::remove_all(root);
  if (listing.empty()) return;
  const double median = bench::Median(listing), floor = bench::Median(floors);
  bench::Record(
      {"cedevice notifications, exec to exit (floor: a program that reads the store and prints its "
       "fields)",
       bench::Count(count), bench::DurationPerItem(median, count),
       bench::DurationPerItem(floor, count), bench::Ratio(median, floor),
       bench::Goal("< 2x", median < 2 * floor)});
}
BENCHMARK(BM_ListNotifications)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(bench::Quick() ? 2 : 15)
    ->Apply([](auto* b) { bench::ApplySizes(b, kStoreSizes); });

}  // namespace

QUENMORA_BENCH_MAIN();
