// Weeks of a realistic schedule through the notification service (a year on request): weekday
// and weekend changes and a few other programs' notifications, fired by `cedevice run --fast`.
// Every change fires once at its time (checked against the schedule worked out here, not by the
// program), the sound log follows it, the store never holds more than the program's two own
// notifications and the others not yet due, and the runner's memory stays flat.
#include <chrono>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "DeviceRun.h"
#include "NotificationStore.h"

using namespace std::chrono_literals;
namespace chr = std::chrono;

namespace {

// Each change launches the program, which spends about 400 ms in its taps' pauses: a year (728
// launches) takes about five minutes. The release build runs the whole year; the sanitizer
// builds, several times slower, run SOAK_DEFAULT_WEEKS (16). QUENMORA_SOAK_WEEKS overrides both.
int Weeks() {
  const char* text = std::getenv("QUENMORA_SOAK_WEEKS");
  const int weeks = text != nullptr ? std::atoi(text) : 0;
  return weeks >= 5 && weeks <= 520 ? weeks : SOAK_DEFAULT_WEEKS;
}
constexpr char kStart[] = "2026-12-07 10:00:00";  // a Monday
const chr::sys_days kFirstDay = chr::sys_days{chr::year{2026} / 12 / 7};

// Weekdays: sound at 07:00, mute at 22:00; Saturday and Sunday: sound at 09:30, mute at 23:30.
const std::vector<FileItem> kItems = {
    {0x3E, 7, 0, 0, 0}, {0x3E, 22, 0, 0, 1}, {0x41, 9, 30, 0, 0}, {0x41, 23, 30, 0, 1}};

std::string Format(chr::sys_days day, unsigned hour, unsigned minute, unsigned second) {
  const chr::year_month_day d{day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u %02u:%02u:%02u", static_cast<int>(d.year()),
                static_cast<unsigned>(d.month()), static_cast<unsigned>(d.day()), hour, minute,
                second);
  return text;
}

struct Foreign {
  std::string time, tag;
};
// Other programs' notifications: four fall in the run (their application is missing: "not
// run"), two after it stay.
constexpr std::size_t kForeignInRun = 4;
std::vector<Foreign> ForeignNotifications(int weeks) {
  return {{Format(kFirstDay + chr::days{2}, 12, 0, 0), "F1"},
          {Format(kFirstDay + chr::days{7 * weeks / 2 + 1}, 8, 15, 0), "F2"},
          {Format(kFirstDay + chr::days{7 * weeks - 10}, 18, 45, 0), "F3"},
          {Format(kFirstDay + chr::days{7 * weeks - 1}, 0, 0, 10), "F4"},
          {Format(kFirstDay + chr::days{7 * weeks + 30}, 9, 0, 0), "F5"},
          {Format(kFirstDay + chr::days{7 * weeks + 60}, 9, 0, 0), "F6"}};
}

// "TIME ARGUMENT" of every change after the start up to the end, in time order.
std::vector<std::pair<std::string, unsigned>> Changes(int weeks, const std::string& until) {
  std::vector<std::pair<std::string, unsigned>> changes;
  for (int d = 0; d <= 7 * weeks; ++d) {
    const chr::sys_days day = kFirstDay + chr::days{d};
    const unsigned weekday = chr::weekday{day}.c_encoding();  // 0 Sunday
    std::vector<std::pair<std::string, unsigned>> today;
    for (const FileItem& item : kItems) {
      if ((item.days >> weekday & 1) == 0) continue;
      const std::string when = Format(day, item.hour, item.minute, item.second);
      if (when > kStart && when <= until) today.emplace_back(when, item.mute);
    }
    std::sort(today.begin(), today.end());
    changes.insert(changes.end(), today.begin(), today.end());
  }
  return changes;
}

long RssKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

TEST(Soak, WeeksOfChangesFireEachOnceOnTimeWithAFlatRunner) {
  const int weeks = Weeks();
  const std::string until = Format(kFirstDay + chr::days{7 * weeks}, 10, 0, 0);
  const std::vector<Foreign> foreign = ForeignNotifications(weeks);
  testsupport::Scratch scratch;
  TestDevice device(scratch, kStart);
  testsupport::WriteBytes(device.ScheduleFile(), ScheduleFileBytes(200, 10, 0, kItems));
  for (const Foreign& f : foreign)
    device.ToolOut({"notify", "time", f.time, "\\Windows\\Foreign.exe", f.tag});
  // The chain starts as the interactive run's OK would start it: at Monday 10:00 the sound is on.
  {
    auto first = device.Start("first", {"M0"});
    ASSERT_EQ(first->Wait(60s), 0) << device.Errors("first");
  }

  // What the year must bring: the runner's lines and the sound log.
  const auto changes = Changes(weeks, until);
  std::vector<std::pair<std::string, std::string>> want;  // time, "APPLICATION ARGUMENTS OUTCOME"
  for (const auto& [when, mute] : changes)
    want.emplace_back(when,
                      std::string("\\Windows\\Quenmora.exe M") + (mute ? "1" : "0") + " exit 0");
  for (std::size_t i = 0; i < kForeignInRun; ++i) {
    want.emplace_back(foreign[i].time,
                      "\\Windows\\Foreign.exe " + foreign[i].tag + " not run: no such file");
  }
  std::stable_sort(want.begin(), want.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> wantLog{std::string(kStart) + "\tOn"};
  for (const auto& [when, mute] : changes) wantLog.push_back(when + (mute ? "\tVibrate" : "\tOn"));
  ASSERT_GT(changes.size(), 14u * static_cast<unsigned>(weeks) - 2);

  const auto began = chr::steady_clock::now();
  // Under AddressSanitizer freed blocks wait in a quarantine of up to 256 MB, which would read as
  // growth; the runner is measured without it (the option means nothing to other builds).
  const char* asan = std::getenv("ASAN_OPTIONS");
  const std::string asanOptions =
      std::string(asan != nullptr && *asan != 0 ? std::string(asan) + ":" : "") +
      "quarantine_size_mb=0:thread_local_quarantine_size_kb=0";
  auto runner = device.Start("runner", {"run", "--fast", "--until", until}, {}, true,
                             {{"ASAN_OPTIONS", asanOptions}});
  ASSERT_TRUE(runner->Started());
  const pid_t pid = runner->Pid();
  // Samples while it runs: the runner's resident memory against how far it has come, and the
  // store's size, read through the service as the device's processes read it (each read one
  // whole version, under the device lock when it has changed).
  ::setenv("CEDEVICE_ROOT", device.Root().c_str(), 1);
  struct Sample {
    std::size_t fired;
    long rssKb;
  };
  std::vector<Sample> samples;
  std::size_t mostOwn = 0, mostRecords = 0;
  const auto deadline = chr::steady_clock::now() + 300s;
  while (chr::steady_clock::now() < deadline) {
    const long rss = RssKb(pid);
    const std::string out = device.Output("runner");
    const std::size_t fired = static_cast<std::size_t>(std::count(out.begin(), out.end(), '\n'));
    std::size_t own = 0, records = 0;
    for (const cedev::notify::NotificationRecord& record : cedev::notify::ReadStore()->records) {
      ++records;
      if (record.application == L"\\Windows\\Quenmora.exe") ++own;
    }
    mostOwn = std::max(mostOwn, own);
    mostRecords = std::max(mostRecords, records);
    if (rss < 0) break;  // the runner has ended
    samples.push_back({fired, rss});
    std::this_thread::sleep_for(20ms);
  }
  ::unsetenv("CEDEVICE_ROOT");
  ASSERT_EQ(runner->Wait(60s), 0) << device.Errors("runner");
  const auto took = chr::steady_clock::now() - began;
  EXPECT_EQ(device.Errors("runner"), "");

  std::vector<std::string> fired, expected;
  for (const std::string& line : LinesOf(device.Output("runner"))) {
    const auto c = ColumnsOf(line);
    fired.push_back(c.size() == 4 ? c[0] + " " + c[2] + " " + c[3] : "malformed: " + line);
  }
  for (const auto& [when, what] : want) expected.push_back(when + " " + what);
  if (fired != expected) {
    // The first difference, with the sequences around it.
    std::size_t at = 0;
    while (at < fired.size() && at < expected.size() && fired[at] == expected[at]) ++at;
    std::string around;
    for (std::size_t i = at; i < at + 5; ++i) {
      around += "  expected: " + (i < expected.size() ? expected[i] : "(none)") +
                "\n  actual:   " + (i < fired.size() ? fired[i] : "(none)") + "\n";
    }
    ADD_FAILURE() << "the runner's lines differ from line " << at << " (" << fired.size()
                  << " fired, " << expected.size() << " expected):\n"
                  << around;
  }
  const auto log = LinesOf(device.ToolOut({"sound-log"}));
  EXPECT_EQ(log.size(), wantLog.size());
  for (std::size_t i = 0; i < std::min(log.size(), wantLog.size()); ++i) {
    ASSERT_EQ(log[i], wantLog[i]) << "sound log line " << i;
  }

  // The store never grew: three of the program's own at most (a launch registers the next pair
  // before it removes the spare of the change it runs for), and the others not yet fired.
  EXPECT_LE(mostOwn, 3u);
  EXPECT_LE(mostRecords, 3u + foreign.size());
  std::vector<std::string> left;
  for (const auto& row : device.Notifications())
    left.push_back(row[2] + " " + row[3] + " " + row[4]);
  // Monday 10:00 again at the end: the night's change and its spare, and the two not yet due.
  const std::string lastDay = until.substr(0, 10);
  const std::vector<std::string> wantLeft = {foreign[4].time + " \\Windows\\Foreign.exe F5",
                                             foreign[5].time + " \\Windows\\Foreign.exe F6",
                                             lastDay + " 22:00:00 \\Windows\\Quenmora.exe M1",
                                             lastDay + " 22:02:00 \\Windows\\Quenmora.exe M1"};
  EXPECT_EQ(left, wantLeft);

  // The runner's memory: the last sample against the first taken after four weeks' changes.
  ASSERT_GE(samples.size(), 10u) << "too few samples of the runner";
  const auto settled = std::find_if(samples.begin(), samples.end(),
                                    [](const Sample& s) { return s.fired >= 4 * 14; });
  ASSERT_NE(settled, samples.end());
  // The last sample taken while it still fired: once its last line is out it only ends, and an
  // AddressSanitizer build's leak check at the end maps what it scans, megabytes that are not
  // the runner's own.
  const auto lastFiring = std::find_if(samples.rbegin(), samples.rend(),
                                       [&](const Sample& s) { return s.fired < fired.size(); });
  ASSERT_NE(lastFiring, samples.rend());
  const long base = settled->rssKb, last = lastFiring->rssKb;
  std::printf(
      "[ soak ] %d weeks, %zu lines in %lld ms; runner RSS %ld kB after four weeks, %ld kB at the "
      "end (%zu samples)\n",
      weeks, fired.size(),
      static_cast<long long>(chr::duration_cast<chr::milliseconds>(took).count()), base, last,
      samples.size());
  EXPECT_LE(last, base + std::max(256L, base / 20))
      << "the runner's memory grew from " << base << " kB to " << last << " kB over the run";
}

}  // namespace
