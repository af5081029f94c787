// The program killed at each system call that changes a file of the device, in turn (opens for
// writing or creating, writes, syncs, renames, removals, locks; the kill_at_call tracer of
// KillAtCall.cpp): a notification run as the service launches it (`cedevice run` starting
// `quenmora M1`), and an interactive run whose OK adds an item and saves. After each kill the
// schedule file is the old or the new one byte for byte, the store reads whole, and the service
// over the following day makes every change of the schedule: the one the kill fell in at its
// time, through its 2-minute spare, or both; the others once, at their time. No kill may end the
// chain of wake-ups.
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CallKiller.h"
#include "DeviceRun.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr auto kLimit = 120s;
constexpr char kOwn[] = "\\Windows\\Quenmora.exe";

// Every call is a kill point in the release build; the sanitizer builds, several times slower,
// take every KILL_DEFAULT_STRIDE-th from the first. QUENMORA_KILL_STRIDE overrides both.
std::size_t Stride() {
  const char* text = std::getenv("QUENMORA_KILL_STRIDE");
  const int stride = text != nullptr ? std::atoi(text) : 0;
  return static_cast<std::size_t>(stride >= 1 && stride <= 100 ? stride : KILL_DEFAULT_STRIDE);
}

// Weekday mornings sound on at 07:30, weekday nights mute at 22:00.
const std::vector<FileItem> kOldItems = {{0x3E, 7, 30, 0, 0}, {0x3E, 22, 0, 0, 1}};

// Adds "Mute On at 18:30:00 Mo" and presses OK on the main dialog, which registers its change
// and saves.
const char kAddItemAndSave[] = R"(
wait "Mute Off at 07:30:00 Mo Tu We Th Fr "
tap "New"
wait "Quenmora Item"
tap "Mo"
tap 50 40
type "183000"
tap "Mute On"
ok
wait "Mute On at 18:30:00 Mo "
ok
)";

// A change the service must make: at its time, at its spare's 2 minutes later, or at both;
// an optional one may also not come at all.
struct Change {
  std::string at, spare, choice;
  bool optional = false;
};

// What is wrong with the sound log, given the changes it must hold and nothing else; empty when
// it is right.
std::string WrongChanges(const std::string& log, const std::vector<Change>& changes) {
  std::string wrong;
  std::vector<int> seen(changes.size(), 0);  // bit 1: at its time, bit 2: at its spare's
  for (const std::string& line : LinesOf(log)) {
    const std::vector<std::string> row = ColumnsOf(line);
    bool matched = false;
    for (std::size_t i = 0; i < changes.size() && !matched && row.size() == 2; ++i) {
      const int bit = row[0] == changes[i].at ? 1 : row[0] == changes[i].spare ? 2 : 0;
      if (bit == 0 || row[1] != changes[i].choice || (seen[i] & bit) != 0) continue;
      seen[i] |= bit;
      matched = true;
    }
    if (!matched) wrong += "  a change not in the schedule, or twice: " + line + "\n";
  }
  for (std::size_t i = 0; i < changes.size(); ++i) {
    if (seen[i] == 0 && !changes[i].optional)
      wrong += "  missing: " + changes[i].at + " " + changes[i].choice + "\n";
  }
  return wrong;
}

class KilledAtEveryCall : public ::testing::Test {
 protected:
  // The device as a kill finds it: the old schedule file, its change at 22:00 and the spare
  // registered as a run of the program leaves them, another application's notification, and
  // `moreOwn` of the program's own far ahead (left by runs ended before their walk), which the
  // next run removes. `bytesToFold`: the store's journal filled with changes that change nothing
  // up to that many bytes short of being folded into a new snapshot.
  void Prepare(const std::string& clock, int moreOwn = 0, std::size_t bytesToFold = 0) {
    device_ = std::make_unique<TestDevice>(scratch_, clock);
    old_ = ScheduleFileBytes(200, 10, 0, kOldItems);
    testsupport::WriteBytes(device_->ScheduleFile(), old_);
    for (const char* time : {"2026-12-07 22:00:00", "2026-12-07 22:02:00"}) {
      device_->ToolOut({"notify", "time", time, kOwn, "M1"});
    }
    device_->ToolOut({"notify", "time", "2026-12-20 09:00:00", "\\Windows\\Foreign.exe", "keep"});
    for (int i = 0; i < moreOwn; ++i) {
      device_->ToolOut(
          {"notify", "time", "2026-12-25 09:0" + std::to_string(i) + ":00", kOwn, "M0"});
    }
    if (bytesToFold > 0) {
      const fs::path journal = device_->Root() / ".device" / "notifications.journal";
      std::string filler = testsupport::ReadBytes(journal);
      while (filler.size() + bytesToFold < 16 * 1024) filler += "clear 4000000000\n";
      testsupport::WriteBytes(journal, filler);
    }
    fs::create_directories(scratch_.dir / "before");
    for (const char* folder : {"My Documents", ".device"}) {
      fs::copy(device_->Root() / folder, scratch_.dir / "before" / folder,
               fs::copy_options::recursive);
    }
  }
  // Puts the device back as Prepare left it.
  void Restore() const {
    for (const char* folder : {"My Documents", ".device"}) {
      fs::remove_all(device_->Root() / folder);
      fs::copy(scratch_.dir / "before" / folder, device_->Root() / folder,
               fs::copy_options::recursive);
    }
  }
  // Runs `command` on the device, killed at call `killAt` of the processes running `exe` (any
  // process when none is named; 0: counted only); its exit status.
  std::optional<int> RunKilledAt(long killAt, const std::vector<std::string>& command,
                                 const std::string& script = {}, const fs::path& exe = {}) {
    std::map<std::string, std::string> env = device_->ProgramEnvironment(script);
    if (script.empty()) env["CEDEVICE_INPUT"] = "";
    for (const auto& [key, value] : TracedEnvironment()) env[key] = value;
    testsupport::ChildProcess run(KilledAtCall(device_->Root(), killAt, Report(), command, exe),
                                  env, (scratch_.dir / "run.out").string(),
                                  (scratch_.dir / "run.err").string());
    return run.Wait(kLimit);
  }
  std::string RunErrors() const { return testsupport::ReadBytes(scratch_.dir / "run.err"); }
  fs::path Report() const { return scratch_.dir / "calls"; }
  fs::path InstalledProgram() const { return device_->Root() / "Windows" / "Quenmora.exe"; }
  // Files beside the schedule file: what a killed save left.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const fs::directory_entry& e :
         fs::directory_iterator(device_->ScheduleFile().parent_path())) {
      if (e.path() != device_->ScheduleFile()) names.push_back(e.path().filename().string());
    }
    return names;
  }

  // After a kill: the store reads whole, and the service until `until` makes `changes`, every
  // launch ending well, and leaves the program's two notifications for the change after them.
  // What went wrong; empty when the chain was kept.
  std::string ChainProblems(const std::string& until, const std::vector<Change>& changes,
                            const std::vector<std::string>& nextOwn) const {
    std::string problems;
    const Outcome listed = device_->Tool({"notifications"});
    if (listed.status != 0 || !listed.err.empty())
      problems += "the store does not read whole: " + listed.err + "\n";
    const Outcome service = device_->Tool({"run", "--fast", "--until", until}, kLimit);
    if (service.status != 0 || !service.err.empty())
      problems += "the service failed: " + service.err + "\n";
    for (const std::string& line : LinesOf(service.out)) {
      if (!line.ends_with("\texit 0")) problems += "a launch failed: " + line + "\n";
    }
    const std::string log = device_->ToolOut({"sound-log"});
    if (const std::string wrong = WrongChanges(log, changes); !wrong.empty()) {
      problems += "the changes made are not the schedule's:\n" + wrong + "sound log:\n" + log +
                  "fired:\n" + service.out;
    }
    std::vector<std::string> own, foreign;
    for (const std::vector<std::string>& row : device_->Notifications()) {
      if (row.size() == 5) (row[3] == kOwn ? own : foreign).push_back(row[2] + " " + row[4]);
    }
    std::sort(own.begin(), own.end());
    std::string shown;
    for (const std::string& o : own) shown += "  " + o + "\n";
    if (own != nextOwn)
      problems +=
          "the program's notifications after the service are not the next change's:\n" + shown;
    if (foreign != std::vector<std::string>{"2026-12-20 09:00:00 keep"})
      problems += "the foreign notification is gone\n";
    return problems;
  }

  testsupport::Scratch scratch_;
  std::unique_ptr<TestDevice> device_;
  std::string old_;
};

// The devices a notification run is killed on: as a run leaves it; with three more of the
// program's own notifications for its walk to remove; and with those and a journal so near its
// fold that the run's changes fold it into a new snapshot.
struct RunDevice {
  const char* name;
  int moreOwn;
  std::size_t bytesToFold;
};

class KilledNotificationRun : public KilledAtEveryCall,
                              public ::testing::WithParamInterface<RunDevice> {};

TEST_P(KilledNotificationRun, LosesNoChange) {
  Prepare("2026-12-07 21:59:00", GetParam().moreOwn, GetParam().bytesToFold);
  // The service fires the 22:00 change; the program switches the sound, registers Tuesday
  // 07:30 and its spare, and removes the 22:02 spare (and the others of its own).
  const std::vector<std::string> service = {CEDEVICE_EXE, "run", "--fast", "--until",
                                            "2026-12-07 22:01:00"};
  ASSERT_EQ(RunKilledAt(0, service, {}, InstalledProgram()), 0) << RunErrors();
  const std::vector<std::string> calls = ReadCallReport(Report()).calls;
  ASSERT_GE(calls.size(), 10u) << "the run changes the sound, its log and the store";
  EXPECT_EQ(device_->ToolOut({"sound-log"}), "2026-12-07 22:00:00\tVibrate\n");
  if (GetParam().bytesToFold > 0) {  // folded: a snapshot now, and a journal begun again
    EXPECT_LT(fs::file_size(device_->Root() / ".device" / "notifications.journal"), 1024u)
        << "the run did not fold the journal";
  }

  const std::vector<Change> changes = {{"2026-12-07 22:00:00", "2026-12-07 22:02:00", "Vibrate"},
                                       {"2026-12-08 07:30:00", "2026-12-08 07:32:00", "On"}};
  const std::vector<std::string> nextOwn = {"2026-12-08 22:00:00 M1", "2026-12-08 22:02:00 M1"};
  int lost = 0;
  int tried = 0;
  for (std::size_t n = 1; n <= calls.size(); n += Stride(), ++tried) {
    SCOPED_TRACE("the notification run killed at call " + std::to_string(n) + ": " + calls[n - 1]);
    Restore();
    ASSERT_EQ(RunKilledAt(static_cast<long>(n), service, {}, InstalledProgram()), 0) << RunErrors();
    ASSERT_TRUE(ReadCallReport(Report()).killed);
    EXPECT_EQ(testsupport::ReadBytes(device_->ScheduleFile()), old_)
        << "a notification run wrote the file";
    const std::string problems = ChainProblems("2026-12-08 07:31:00", changes, nextOwn);
    EXPECT_EQ(problems, "");
    lost += problems.empty() ? 0 : 1;
  }
  std::printf("[ kills ] a notification run (%s) killed at %d of its %zu calls: chains lost %d\n",
              GetParam().name, tried, calls.size(), lost);
}

INSTANTIATE_TEST_SUITE_P(Devices, KilledNotificationRun,
                         ::testing::Values(RunDevice{"AsARunLeavesIt", 0, 0},
                                           RunDevice{"MoreOwnAndAJournalNearItsFold", 3, 150}),
                         [](const ::testing::TestParamInfo<RunDevice>& p) {
                           return std::string(p.param.name);
                         });

TEST_F(KilledAtEveryCall, AnInteractiveOkKilledAtEachCallKeepsTheFileWholeAndTheChain) {
  Prepare("2026-12-07 10:00:00");
  ASSERT_EQ(RunKilledAt(0, {QUENMORA_EXE}, kAddItemAndSave), 0) << RunErrors();
  const std::vector<std::string> calls = ReadCallReport(Report()).calls;
  ASSERT_GE(calls.size(), 10u) << "the OK changes the store and saves";
  // The new file: the old items and the added one, with the handle its registration got.
  // (A kill at a call falls before it runs: the rename is the save's last call, so only the run
  // left alone makes it.)
  const std::string fresh = testsupport::ReadBytes(device_->ScheduleFile());
  ASSERT_EQ(fresh.size(), 8u + 3 * 5);
  EXPECT_EQ(fresh.substr(0, 4), old_.substr(0, 4)) << "the tap point changed";
  EXPECT_EQ(fresh.substr(8),
            old_.substr(8) + ScheduleFileBytes(0, 0, 0, {{0x02, 18, 30, 0, 1}}).substr(8));

  // The OK registers before it saves: a kill between the two leaves the old file and the new
  // item's change registered, which then comes once (the file's schedule goes on from it). The
  // service runs to the night's change, whose run registers Tuesday morning's.
  const Change added = {"2026-12-07 18:30:00", "2026-12-07 18:32:00", "Vibrate"};
  const Change night = {"2026-12-07 22:00:00", "2026-12-07 22:02:00", "Vibrate"};
  const std::vector<std::string> nextOwn = {"2026-12-08 07:30:00 M0", "2026-12-08 07:32:00 M0"};
  int lost = 0, sawOld = 0, sawNew = 0, leftovers = 0;
  bool cleared = false;
  int tried = 0;
  for (std::size_t n = 1; n <= calls.size(); n += Stride(), ++tried) {
    SCOPED_TRACE("the interactive run killed at call " + std::to_string(n) + ": " + calls[n - 1]);
    Restore();
    ASSERT_EQ(RunKilledAt(static_cast<long>(n), {QUENMORA_EXE}, kAddItemAndSave), 128 + SIGKILL)
        << RunErrors();
    ASSERT_TRUE(ReadCallReport(Report()).killed);
    const std::string now = testsupport::ReadBytes(device_->ScheduleFile());
    ASSERT_TRUE(now == old_ || now == fresh)
        << "the file holds " << now.size() << " bytes, neither the old (" << old_.size()
        << ") nor the new (" << fresh.size() << ")";
    (now == old_ ? sawOld : sawNew)++;
    const std::vector<Change> changes = {{added.at, added.spare, added.choice, now == old_}, night};
    const std::string problems = ChainProblems("2026-12-07 22:01:00", changes, nextOwn);
    EXPECT_EQ(problems, "");
    lost += problems.empty() ? 0 : 1;
    // The first time a kill leaves the save's own file, the next save clears it away.
    if (!Leftovers().empty()) {
      ++leftovers;
      if (!cleared) {
        ASSERT_EQ(RunKilledAt(0, {QUENMORA_EXE}, kAddItemAndSave), 0) << RunErrors();
        EXPECT_EQ(Leftovers(), std::vector<std::string>{})
            << "the next save left what the killed one had left";
        cleared = true;
      }
    }
  }
  std::printf(
      "[ kills ] an interactive OK killed at %d of its %zu calls: old file %d, new file %d, "
      "the save's own file left %d, chains lost %d\n",
      tried, calls.size(), sawOld, sawNew, leftovers, lost);
  EXPECT_TRUE(cleared) << "no kill fell between the save's own file and its rename";
}

}  // namespace
