// The program itself killed at many points of an interactive save (an item added, OK pressed):
// the schedule file is afterwards the old file or the new one byte for byte, never empty, cut
// or mixed; the notification store reads whole; and a save after the kills works.
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "DeviceRun.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kKills = 60;
// Kills go on past kKills, aimed at the temporary file's moment, until one has landed inside a
// save (its temporary file there), but no further than this.
constexpr int kMostKills = 120;

// Adds "Mute On at 18:30:00 Mo" and presses OK on the main dialog, which saves.
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

const std::vector<FileItem> kOldItems = {{0x3E, 7, 30, 0, 0}, {0x3E, 22, 0, 0, 1}};

struct FileState {
  bool exists = false;
  ino_t inode = 0;
  off_t size = 0;
  bool operator==(const FileState&) const = default;
};

FileState StateOf(const fs::path& path) {
  struct stat info{};
  if (::stat(path.c_str(), &info) != 0) return {};
  return {true, info.st_ino, info.st_size};
}

class KilledProgramSave : public ::testing::Test {
 protected:
  void SetUp() override {
    device_ = std::make_unique<TestDevice>(scratch_, "2026-12-07 10:00:00");
    old_ = ScheduleFileBytes(200, 10, 0, kOldItems);
    WriteBytes(device_->ScheduleFile(), old_);
    device_->ToolOut({"notify", "time", "2026-12-20 09:00:00", "\\Windows\\Foreign.exe", "keep"});
    store_ = ReadBytes(device_->StoreFile());
  }
  // The device as before each run: the old file and the store the run starts from, so that
  // a finished save always writes the same bytes (its event handle included).
  // A temporary file a kill left is counted and removed, so that the next run's save can be
  // seen beginning.
  void Reset() {
    if (fs::remove(NewFile())) ++leftovers_;
    WriteBytes(device_->ScheduleFile(), old_);
    WriteBytes(device_->StoreFile(), store_);
  }
  fs::path NewFile() const { return device_->ScheduleFile().string() + ".new"; }

  Scratch scratch_;
  std::unique_ptr<TestDevice> device_;
  std::string old_, store_;
  int leftovers_ = 0;
};

TEST_F(KilledProgramSave, EveryKillLeavesTheOldOrTheNewFileWhole) {
  // A run left alone gives the new file, and shows when its save happens: the OK first
  // changes the notification store (the program's own notifications replaced), then writes the
  // temporary file, then replaces the schedule file.
  Clock::duration toNew{}, toSave{}, wholeRun{};
  std::string fresh;
  {
    Reset();
    const FileState file = StateOf(device_->ScheduleFile()), store = StateOf(device_->StoreFile());
    const auto started = Clock::now();
    auto run = device_->Start("calibrate", {}, kAddItemAndSave);
    std::optional<Clock::time_point> registering;
    const auto deadline = Clock::now() + 30s;
    while (Clock::now() < deadline) {
      if (!registering && StateOf(device_->StoreFile()) != store) registering = Clock::now();
      if (registering && toNew == Clock::duration{} && fs::exists(NewFile())) toNew = Clock::now() - *registering;
      if (StateOf(device_->ScheduleFile()) != file) {
        if (registering) toSave = Clock::now() - *registering;
        break;
      }
    }
    ASSERT_EQ(run->Wait(30s), 0) << device_->Errors("calibrate");
    wholeRun = Clock::now() - started;
    fresh = ReadBytes(device_->ScheduleFile());
    ASSERT_TRUE(registering.has_value()) << "the run did not register before its save";
  }
  // The new file: the old items and the added one, with the handle the registration got.
  ASSERT_EQ(fresh.size(), 8u + 3 * 5) << "the save wrote " << fresh.size() << " bytes";
  EXPECT_EQ(fresh.substr(0, 4), old_.substr(0, 4)) << "the tap point changed";
  std::multiset<std::string> items, wanted;
  for (std::size_t at = 8; at < fresh.size(); at += 5) items.insert(fresh.substr(at, 5));
  for (const FileItem& i : {kOldItems[0], kOldItems[1], FileItem{0x02, 18, 30, 0, 1}}) {
    wanted.insert(ScheduleFileBytes(0, 0, 0, {i}).substr(8));
  }
  EXPECT_EQ(items, wanted);
  // The window the timed kills are spread over: from the first change of the store to well
  // after the file was replaced.
  const auto window = std::max<Clock::duration>(toSave * 3 / 2, 1ms);

  std::mt19937 random(20261208);
  int sawOld = 0, sawNew = 0, midSave = 0;
  int kills = 0;
  for (int i = 0; i < kKills || (midSave == 0 && i < kMostKills); ++i, ++kills) {
    SCOPED_TRACE("kill " + std::to_string(i));
    Reset();
    auto run = device_->Start("run", {}, kAddItemAndSave);
    ASSERT_TRUE(run->Started());
    const FileState store = StateOf(device_->StoreFile());
    // Three kills in four are timed from the OK's first change of the store, their delays spread
    // evenly over the window; the rest land anywhere in the run, its start-up included.
    const auto deadline = Clock::now() + 30s;
    if (i % 4 != 3) {
      while (Clock::now() < deadline && StateOf(device_->StoreFile()) == store) {
      }
      const int k = i - i / 4, n = kKills - kKills / 4;
      if (i < kKills) {
        std::this_thread::sleep_for(window * k / n);
      } else {
        // Around the moment the calibration saw the temporary file (or, if it saw none, the
        // last part of the window).
        const auto from = toNew != Clock::duration{} ? toNew - toNew / 4 : toSave / 2;
        std::this_thread::sleep_for(from + (toSave - from) * static_cast<long>(random() % 1000) / 1000);
      }
    } else {
      std::this_thread::sleep_for(wholeRun * (random() % 1000) / 1000);
    }
    if (fs::exists(NewFile())) ++midSave;
    run->Kill(SIGKILL);
    const std::optional<int> status = run->Wait(20s);
    ASSERT_TRUE(status.has_value());

    const std::string now = ReadBytes(device_->ScheduleFile());
    ASSERT_TRUE(now == old_ || now == fresh) << "the file holds " << now.size() << " bytes, neither the old ("
                                             << old_.size() << ") nor the new (" << fresh.size() << ")";
    (now == old_ ? sawOld : sawNew)++;
    // The store the run was changing reads whole: the foreign notification is there, and of the
    // program's own (registered one at a time) none, one or both.
    const Outcome listed = device_->Tool({"notifications"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    ASSERT_EQ(listed.err, "") << "the store was found damaged";
    std::size_t own = 0, foreign = 0;
    for (const std::string& line : LinesOf(listed.out)) {
      const auto row = ColumnsOf(line);
      ASSERT_EQ(row.size(), 5u) << line;
      (row[3] == "\\Windows\\Quenmora.exe" ? own : foreign)++;
    }
    EXPECT_EQ(foreign, 1u);
    EXPECT_LE(own, 2u) << own << " notifications of the program's own";
    if (now == fresh) {
      EXPECT_EQ(own, 2u) << "the new file names a handle the store lacks";
    }
  }
  std::printf("[ kills ] %d: old file %d, new file %d, killed with the temporary file there %d, "
              "temporary file left %d; store change to file replaced %lld us\n",
              kills, sawOld, sawNew, midSave, leftovers_,
              static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(toSave).count()));
  EXPECT_GT(sawOld, 0);
  EXPECT_GT(sawNew, 0);
  EXPECT_GT(midSave, 0) << "no kill fell inside a save";

  // What a kill leaves beside the file does not stand in the way of the next save.
  Reset();
  WriteBytes(NewFile(), fresh.substr(0, 11));
  auto last = device_->Start("last", {}, kAddItemAndSave);
  ASSERT_EQ(last->Wait(30s), 0) << device_->Errors("last");
  EXPECT_EQ(ReadBytes(device_->ScheduleFile()), fresh);
  EXPECT_FALSE(fs::exists(NewFile()));
}

}  // namespace
