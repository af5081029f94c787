// A process killed at any moment of a save leaves the schedule file whole: the old schedule or
// the new one, byte for byte, never a mix, a stub or nothing; and the next save works.
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "Scratch.h"
#include "ScheduleBytes.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr int kKills = 150;

class KilledSave : public ::testing::Test {
 protected:
  std::optional<int> Saver(const std::vector<std::string>& args) {
    std::vector<std::string> argv{SAVER_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildProcess child(argv, {{"CEDEVICE_ROOT", scratch_.root.string()}}, (scratch_.dir / "out").string());
    return child.Wait(60s);
  }
  fs::path File() const { return scratch_.root / "My Documents" / "Quenmora.dat"; }

  Scratch scratch_;
};

TEST_F(KilledSave, EveryKillLeavesTheOldOrTheNewScheduleWhole) {
  ASSERT_EQ(Saver({"save", "small"}), 0);
  const std::string small = ExpectedFileBytes(ScheduleVersion::small);
  const std::string large = ExpectedFileBytes(ScheduleVersion::large);
  ASSERT_EQ(ReadBytes(File()), small) << "the saver's first save";

  std::mt19937 random(20261207);
  int seenSmall = 0, seenLarge = 0;
  std::size_t saves = 0;
  for (int i = 0; i < kKills; ++i) {
    ChildProcess child({SAVER_EXE, "loop"}, {{"CEDEVICE_ROOT", scratch_.root.string()}}, {},
                       (scratch_.dir / "err").string());
    ASSERT_TRUE(child.Started());
    // One kill in five lands while the process is still starting; the rest at a point of the
    // loop of saves, spread over a few saves' time.
    if (i % 5 != 0) {
      const std::string first = child.ReadOutput(1, 20s);
      ASSERT_EQ(first, "s") << "kill " << i << ": the saver made no save";
      std::this_thread::sleep_for(std::chrono::microseconds(random() % 4000));
    }
    child.Kill(SIGKILL);
    ASSERT_EQ(child.Wait(20s), 128 + SIGKILL) << "kill " << i;
    saves += child.DrainOutput().size() + (i % 5 != 0 ? 1 : 0);

    const std::string now = ReadBytes(File());
    ASSERT_TRUE(now == small || now == large)
        << "kill " << i << ": the file holds " << now.size() << " bytes, neither schedule (" << small.size()
        << " or " << large.size() << " bytes)";
    (now == small ? seenSmall : seenLarge)++;
  }
  EXPECT_GT(saves, static_cast<std::size_t>(kKills)) << "kills must fall among saves, not only before them";
  EXPECT_GT(seenSmall, 0);
  EXPECT_GT(seenLarge, 0);

  // What a kill left beside the file does not stand in the way of the next save.
  ASSERT_EQ(Saver({"save", "small"}), 0);
  EXPECT_EQ(ReadBytes(File()), small);
  EXPECT_FALSE(fs::exists(File().string() + ".new"));
}

}  // namespace
