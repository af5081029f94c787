// Processes of the program and the device tool at once on one device: an interactive run held
// open while the notification service fires the chain of wake-ups, two wake-up launches at the
// same moment, and registrations and clears hammered while the service works. Every process
// ends (bounded: a deadlock is a failure), the store reads whole, and it holds what the
// processes left in it, no more and no less.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "DeviceRun.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kLimit = 120s;

// Weekday mornings sound on at 07:30, weekday nights mute at 22:00; Monday 2026-12-07 10:00 lies
// between them.
const std::vector<FileItem> kWeekdays = {{0x3E, 7, 30, 0, 0}, {0x3E, 22, 0, 0, 1}};
constexpr char kOwn[] = "\\Windows\\Quenmora.exe";

std::string Shown(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += "  " + l + "\n";
  return text;
}

class ConcurrentRuns : public ::testing::Test {
 protected:
  void SetUp() override {
    device_ = std::make_unique<TestDevice>(scratch_, "2026-12-07 10:00:00");
    file_ = ScheduleFileBytes(200, 10, 0, kWeekdays);
    testsupport::WriteBytes(device_->ScheduleFile(), file_);
  }
  // The program's own notifications as "TIME ARGUMENTS", and how many others there are.
  std::vector<std::string> Own(std::size_t* others = nullptr) const {
    std::vector<std::string> own;
    std::size_t foreign = 0;
    for (const auto& row : device_->Notifications()) {
      if (row.size() != 5) continue;
      if (row[3] == kOwn) {
        own.push_back(row[2] + " " + row[4]);
      } else {
        ++foreign;
      }
    }
    if (others != nullptr) *others = foreign;
    return own;
  }
  // Starts the chain as the interactive run's OK would: a wake-up launch at 10:00 (Vibrate).
  void StartChain() {
    auto first = device_->Start("first", {"M1"});
    ASSERT_EQ(first->Wait(kLimit), 0) << device_->Errors("first");
    ASSERT_EQ(Own(),
              (std::vector<std::string>{"2026-12-07 22:00:00 M1", "2026-12-07 22:02:00 M1"}));
  }
  // The runner's lines as "TIME ARGUMENTS OUTCOME" (handles left out).
  static std::vector<std::string> Fired(const std::string& out) {
    std::vector<std::string> fired;
    for (const std::string& line : LinesOf(out)) {
      const auto c = ColumnsOf(line);
      fired.push_back(c.size() == 4 ? c[0] + " " + c[2] + " " + c[3] : "malformed: " + line);
    }
    return fired;
  }

  testsupport::Scratch scratch_;
  std::unique_ptr<TestDevice> device_;
  std::string file_;
};

TEST_F(ConcurrentRuns, AnInteractiveRunHeldOpenWhileTheServiceFiresTheChain) {
  StartChain();
  // The person's run waits on the main dialog (printing the screen once it shows) while the
  // service works through three days, then leaves with Escape, which changes nothing.
  auto person = device_->Start("person", {}, R"(
wait "Mute Off at 07:30:00 Mo Tu We Th Fr "
screen
sleep 3000
expect "Mute On at 22:00:00 Mo Tu We Th Fr "
key Escape
)");
  const auto shown = Clock::now() + 30s;
  while (device_->Output("person").empty() && Clock::now() < shown)
    std::this_thread::sleep_for(5ms);
  ASSERT_FALSE(device_->Output("person").empty())
      << "the main dialog never showed: " << device_->Errors("person");
  auto service =
      device_->Start("service", {"run", "--fast", "--until", "2026-12-10 10:00:00"}, {}, true);

  ASSERT_EQ(service->Wait(kLimit), 0) << device_->Errors("service");
  ASSERT_EQ(person->Wait(kLimit), 0) << device_->Errors("person");
  EXPECT_EQ(device_->Errors("service") + device_->Errors("person"), "");
  const std::vector<std::string> wantFired = {
      "2026-12-07 22:00:00 \\Windows\\Quenmora.exe M1 exit 0",
      "2026-12-08 07:30:00 \\Windows\\Quenmora.exe M0 exit 0",
      "2026-12-08 22:00:00 \\Windows\\Quenmora.exe M1 exit 0",
      "2026-12-09 07:30:00 \\Windows\\Quenmora.exe M0 exit 0",
      "2026-12-09 22:00:00 \\Windows\\Quenmora.exe M1 exit 0",
      "2026-12-10 07:30:00 \\Windows\\Quenmora.exe M0 exit 0"};
  const auto fired = Fired(device_->Output("service"));
  EXPECT_EQ(fired, wantFired) << "expected:\n" << Shown(wantFired) << "actual:\n" << Shown(fired);
  const std::vector<std::string> wantLog = {
      "2026-12-07 10:00:00\tVibrate", "2026-12-07 22:00:00\tVibrate",
      "2026-12-08 07:30:00\tOn",      "2026-12-08 22:00:00\tVibrate",
      "2026-12-09 07:30:00\tOn",      "2026-12-09 22:00:00\tVibrate",
      "2026-12-10 07:30:00\tOn"};
  const auto log = LinesOf(device_->ToolOut({"sound-log"}));
  EXPECT_EQ(log, wantLog) << "expected:\n" << Shown(wantLog) << "actual:\n" << Shown(log);
  EXPECT_EQ(Own(), (std::vector<std::string>{"2026-12-10 22:00:00 M1", "2026-12-10 22:02:00 M1"}));
  EXPECT_EQ(testsupport::ReadBytes(device_->ScheduleFile()), file_) << "Escape wrote the file";
}

TEST_F(ConcurrentRuns, AnInteractiveSaveWhileTheServiceFiresLeavesOneChain) {
  StartChain();
  auto person = device_->Start("person", {}, R"(
wait "Mute Off at 07:30:00 Mo Tu We Th Fr "
screen
sleep 300
ok
)");
  const auto shown = Clock::now() + 30s;
  while (device_->Output("person").empty() && Clock::now() < shown)
    std::this_thread::sleep_for(5ms);
  auto service =
      device_->Start("service", {"run", "--fast", "--until", "2026-12-10 10:00:00"}, {}, true);
  ASSERT_EQ(service->Wait(kLimit), 0) << device_->Errors("service");
  ASSERT_EQ(person->Wait(kLimit), 0) << device_->Errors("person");
  EXPECT_EQ(device_->Errors("service") + device_->Errors("person"), "");
  for (const std::string& line : Fired(device_->Output("service"))) {
    EXPECT_NE(line.find("Quenmora.exe M"), std::string::npos) << line;
    EXPECT_NE(line.find(" exit 0"), std::string::npos) << line;
  }
  // Whichever registered last, the program has its two notifications (a change and its spare),
  // or up to both pairs when the OK's registration and a launch's ran at the same moment (see
  // below);
  // a launch alone then leaves one pair.
  const auto own = Own();
  EXPECT_GE(own.size(), 2u) << Shown(own);
  EXPECT_LE(own.size(), 4u) << Shown(own);
  auto alone = device_->Start("alone", {"M1"});
  ASSERT_EQ(alone->Wait(kLimit), 0) << device_->Errors("alone");
  EXPECT_EQ(Own().size(), 2u) << Shown(Own());
  const std::string saved = testsupport::ReadBytes(device_->ScheduleFile());
  ASSERT_EQ(saved.size(), file_.size());
  EXPECT_EQ(saved.substr(8), file_.substr(8)) << "the items changed";
}

// Each launch lists the notifications, registers two and then removes the program's that were
// listed, without a lock across processes: two launches at the same moment keep each other's
// new pair when each listed before the other registered, and leave three or four. They never
// remove each other's and leave none (which removing everything but one's own new pair did, in
// about one round in eight). The store stays whole, every registration is one a launch made,
// and the next launch alone puts it right.
TEST_F(ConcurrentRuns, TwoWakeUpLaunchesAtOnceLeaveOnlyTheirOwnRegistrations) {
  device_->ToolOut({"notify", "time", "2026-12-20 09:00:00", "\\Windows\\Foreign.exe", "keep"});
  constexpr int kRounds = 8;
  const std::vector<std::string> pair = {"2026-12-07 22:00:00 M1", "2026-12-07 22:02:00 M1"};
  int doubled = 0;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    device_->ToolOut({"sound", "set", "On"});
    auto a = device_->Start("a", {"M1"});
    auto b = device_->Start("b", {"M1"});
    ASSERT_EQ(a->Wait(kLimit), 0) << device_->Errors("a");
    ASSERT_EQ(b->Wait(kLimit), 0) << device_->Errors("b");
    EXPECT_EQ(device_->Errors("a") + device_->Errors("b"), "");
    EXPECT_EQ(device_->ToolOut({"sound"}), "Vibrate\n");
    std::size_t foreign = 0;
    std::vector<std::string> own = Own(&foreign);
    EXPECT_EQ(foreign, 1u);
    std::sort(own.begin(), own.end());
    // The change and its spare, each once, or once from each launch.
    const auto times = [&](const std::string& n) { return std::count(own.begin(), own.end(), n); };
    const bool fromTheLaunches =
        own.size() == static_cast<std::size_t>(times(pair[0]) + times(pair[1])) &&
        times(pair[0]) >= 1 && times(pair[0]) <= 2 && times(pair[1]) >= 1 && times(pair[1]) <= 2;
    EXPECT_TRUE(fromTheLaunches)
        << "expected the change and its spare, once each or once from each launch; "
        << "actual:\n"
        << Shown(own);
    doubled += own.size() > 2 ? 1 : 0;
    EXPECT_EQ(testsupport::ReadBytes(device_->ScheduleFile()), file_)
        << "a wake-up launch wrote the file";

    auto alone = device_->Start("alone", {"M1"});
    ASSERT_EQ(alone->Wait(kLimit), 0) << device_->Errors("alone");
    EXPECT_EQ(Own(), pair) << "one launch alone leaves the change and its spare once each";
  }
  std::printf("[ launches ] %d rounds of two at once; more than one pair left in %d\n", kRounds,
              doubled);
}

TEST_F(ConcurrentRuns, RegistrationsAndClearsHammeredWhileTheServiceFires) {
  StartChain();
  // Three loops of registrations: foreign notifications beyond the service's end (kept) and one
  // in its range (fired when the service sees it, or left when it has finished); each loop
  // clears every second one of its own.
  constexpr int kEach = 16;
  std::vector<std::unique_ptr<testsupport::ChildProcess>> loops;
  for (int p = 0; p < 3; ++p) {
    std::string body = "set -e\nC=\"$1\"\n";
    for (int i = 1; i <= kEach; ++i) {
      const std::string tag = "P" + std::to_string(p) + "-" + std::to_string(i);
      const char* when = i % 4 == 0 ? "2026-12-09 12:00:00" : "2026-12-20 09:00:00";
      body += "h=$(\"$C\" notify time \"" + std::string(when) + "\" '\\Windows\\Foreign.exe' " +
              tag + ")\n";
      body += "echo \"$h " + tag + "\"\n";
      if (i % 2 == 1 && i % 4 != 0) body += "\"$C\" clear \"$h\"\necho \"cleared $h\"\n";
    }
    loops.push_back(std::make_unique<testsupport::ChildProcess>(
        std::vector<std::string>{"/bin/sh", "-c", body, "sh", CEDEVICE_EXE},
        std::map<std::string, std::string>{{"CEDEVICE_ROOT", device_->Root().string()}},
        (scratch_.dir / ("loop" + std::to_string(p) + ".out")).string(),
        (scratch_.dir / ("loop" + std::to_string(p) + ".err")).string()));
  }
  auto service =
      device_->Start("service", {"run", "--fast", "--until", "2026-12-10 10:00:00"}, {}, true);
  for (int p = 0; p < 3; ++p) {
    ASSERT_EQ(loops[static_cast<std::size_t>(p)]->Wait(kLimit), 0)
        << testsupport::ReadBytes(scratch_.dir / ("loop" + std::to_string(p) + ".err"));
  }
  ASSERT_EQ(service->Wait(kLimit), 0) << device_->Errors("service");
  EXPECT_EQ(device_->Errors("service"), "");

  // What each loop registered and cleared, by tag.
  std::map<std::string, std::string> handleOf;  // tag -> handle
  std::set<std::string> cleared, handles;
  for (int p = 0; p < 3; ++p) {
    EXPECT_EQ(testsupport::ReadBytes(scratch_.dir / ("loop" + std::to_string(p) + ".err")), "");
    for (const std::string& line :
         LinesOf(testsupport::ReadBytes(scratch_.dir / ("loop" + std::to_string(p) + ".out")))) {
      const auto words = ColumnsOf(line, ' ');
      ASSERT_EQ(words.size(), 2u) << line;
      if (words[0] == "cleared") {
        cleared.insert(words[1]);
      } else {
        handleOf[words[1]] = words[0];
        EXPECT_TRUE(handles.insert(words[0]).second) << "handle " << words[0] << " given twice";
      }
    }
  }
  ASSERT_EQ(handleOf.size(), 3u * kEach);

  std::map<std::string, std::string> listed;  // handle -> arguments
  for (const auto& row : device_->Notifications()) {
    if (row.size() == 5 && row[3] != kOwn) {
      EXPECT_TRUE(listed.emplace(row[0], row[4]).second) << row[0];
    }
  }
  std::map<std::string, int> firedTimes;  // tag -> times the service fired it
  std::vector<std::string> ownFired;
  for (const std::string& line : LinesOf(device_->Output("service"))) {
    const auto c = ColumnsOf(line);
    ASSERT_EQ(c.size(), 4u) << line;
    if (c[2].starts_with("\\Windows\\Foreign.exe ")) {
      ++firedTimes[c[2].substr(21)];
      EXPECT_EQ(c[3], "not run: no such file") << line;
    } else {
      ownFired.push_back(c[0] + " " + c[2] + " " + c[3]);
    }
  }
  for (const auto& [tag, handle] : handleOf) {
    const int i = std::stoi(tag.substr(3));
    const bool isCleared = cleared.count(handle) > 0;
    EXPECT_EQ(isCleared, i % 2 == 1 && i % 4 != 0) << tag;
    const bool inStore = listed.count(handle) > 0;
    if (inStore) {
      EXPECT_EQ(listed[handle], tag) << "handle " << handle;
    }
    if (i % 4 == 0) {
      // In the service's range: fired exactly once, or registered after the service ended.
      EXPECT_EQ(firedTimes[tag] + (inStore ? 1 : 0), 1)
          << tag << " fired " << firedTimes[tag] << " times, stored " << inStore;
    } else {
      EXPECT_EQ(firedTimes[tag], 0) << tag;
      EXPECT_EQ(inStore, !isCleared)
          << tag << (isCleared ? " was cleared but is listed" : " was lost");
    }
  }
  // The chain went on as if alone.
  const std::vector<std::string> wantFired = {
      "2026-12-07 22:00:00 \\Windows\\Quenmora.exe M1 exit 0",
      "2026-12-08 07:30:00 \\Windows\\Quenmora.exe M0 exit 0",
      "2026-12-08 22:00:00 \\Windows\\Quenmora.exe M1 exit 0",
      "2026-12-09 07:30:00 \\Windows\\Quenmora.exe M0 exit 0",
      "2026-12-09 22:00:00 \\Windows\\Quenmora.exe M1 exit 0",
      "2026-12-10 07:30:00 \\Windows\\Quenmora.exe M0 exit 0"};
  EXPECT_EQ(ownFired, wantFired) << "expected:\n"
                                 << Shown(wantFired) << "actual:\n"
                                 << Shown(ownFired);
  EXPECT_EQ(Own(), (std::vector<std::string>{"2026-12-10 22:00:00 M1", "2026-12-10 22:02:00 M1"}));
}

// The clock set back while the service waits for the next change: the change waits for its
// time on the clock as it is now. (A service on the clock as it was fired it, the launch saw
// the earlier time and registered the same change again, and so on, dozens of times.)
TEST_F(ConcurrentRuns, AClockSetBackWhileTheServiceWaitsFiresNothingTwice) {
  device_->ToolOut({"clock", "set", "2026-12-07 21:59:57"});
  auto first = device_->Start("first", {"M1"});
  ASSERT_EQ(first->Wait(kLimit), 0) << device_->Errors("first");
  const std::vector<std::string> pair = {"2026-12-07 22:00:00 M1", "2026-12-07 22:02:00 M1"};
  ASSERT_EQ(Own(), pair);
  // Fired at once: the sign that the service has read the clock.
  device_->ToolOut({"notify", "time", "2026-12-07 21:00:00", "\\Windows\\Foreign.exe", "seen"});
  auto service = device_->Start("service", {"run"}, {}, true);
  const auto started = Clock::now() + 60s;
  while (device_->Output("service").empty() && Clock::now() < started)
    std::this_thread::sleep_for(5ms);
  ASSERT_FALSE(device_->Output("service").empty()) << device_->Errors("service");
  device_->ToolOut({"clock", "set", "2026-12-07 21:00:00"});
  std::this_thread::sleep_for(5s);  // the change was 3 s ahead of the clock as it was
  service->Kill(SIGINT);
  ASSERT_EQ(service->Wait(kLimit), 0) << device_->Errors("service");
  std::vector<std::string> own;
  for (const std::string& line : Fired(device_->Output("service"))) {
    if (line.find("Quenmora.exe") != std::string::npos) own.push_back(line);
  }
  // Only a machine so slow that the clock passed 22:00 before it was set back fires it, once.
  ASSERT_LE(own.size(), 1u) << Shown(own);
  if (own.empty()) {
    EXPECT_EQ(Own(), pair) << "the change waits for its time";
  }
}

}  // namespace
