// A save killed at each system call that changes a file of the device, in turn (the
// kill_at_call tracer): the schedule file is afterwards the old schedule or the new one, byte
// for byte, never a mix, a stub or nothing; what the kill left beside it is removed by the next
// save, which works.
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "CallKiller.h"
#include "ChildProcess.h"
#include "Scratch.h"
#include "ScheduleBytes.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class KilledSave : public ::testing::Test {
 protected:
  // The saver's `args`, killed at call `killAt` (0: left alone); its exit status.
  std::optional<int> Saver(const std::vector<std::string>& args, long killAt = 0) {
    std::vector<std::string> argv{SAVER_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    std::map<std::string, std::string> env = TracedEnvironment();
    env["CEDEVICE_ROOT"] = scratch_.root.string();
    testsupport::ChildProcess child(KilledAtCall(scratch_.root, killAt, Report(), argv), env,
                                    (scratch_.dir / "out").string(),
                                    (scratch_.dir / "err").string());
    return child.Wait(60s);
  }
  fs::path File() const { return scratch_.root / "My Documents" / "Quenmora.dat"; }
  fs::path Report() const { return scratch_.dir / "calls"; }
  // What a killed save left beside the file.
  int Leftovers() const {
    int found = 0;
    for (const fs::directory_entry& e : fs::directory_iterator(File().parent_path()))
      found += e.path() != File();
    return found;
  }
  // Removes it; how many there were.
  int RemoveLeftovers() const {
    int removed = 0;
    for (const fs::directory_entry& e : fs::directory_iterator(File().parent_path())) {
      if (e.path() != File()) removed += fs::remove(e.path()) ? 1 : 0;
    }
    return removed;
  }

  testsupport::Scratch scratch_;
};

TEST_F(KilledSave, AKillAtEachCallLeavesTheOldOrTheNewScheduleWhole) {
  ASSERT_EQ(Saver({"save", "small"}), 0);
  const std::string small = ExpectedFileBytes(ScheduleVersion::small);
  const std::string large = ExpectedFileBytes(ScheduleVersion::large);
  ASSERT_EQ(testsupport::ReadBytes(File()), small) << "the saver's first save";
  ASSERT_EQ(Saver({"save", "large"}), 0);
  // A kill at a call falls before it runs: only the save left alone makes its last call, the
  // rename, and so the new file.
  ASSERT_EQ(testsupport::ReadBytes(File()), large) << "the save left alone";
  const std::vector<std::string> calls = ReadCallReport(Report()).calls;
  ASSERT_GE(calls.size(), 4u) << "a save opens, writes, syncs and renames";

  int seenSmall = 0, seenLarge = 0, leftovers = 0;
  bool cleared = false;
  for (std::size_t n = 1; n <= calls.size(); ++n) {
    SCOPED_TRACE("killed at call " + std::to_string(n) + ": " + calls[n - 1]);
    testsupport::WriteBytes(File(), small);
    ASSERT_EQ(Saver({"save", "large"}, static_cast<long>(n)), 128 + SIGKILL);
    ASSERT_TRUE(ReadCallReport(Report()).killed);
    const std::string now = testsupport::ReadBytes(File());
    ASSERT_TRUE(now == small || now == large)
        << "the file holds " << now.size() << " bytes, neither schedule (" << small.size() << " or "
        << large.size() << " bytes)";
    (now == small ? seenSmall : seenLarge)++;
    // The first time a kill leaves the save's own file, the next save must clear it away.
    if (Leftovers() > 0 && !cleared) {
      ++leftovers;
      ASSERT_EQ(Saver({"save", "small"}), 0);
      EXPECT_EQ(testsupport::ReadBytes(File()), small);
      EXPECT_EQ(Leftovers(), 0) << "the next save left what the killed one had left";
      cleared = true;
    }
    // The kills after it are counted from a clean folder.
    leftovers += RemoveLeftovers();
  }
  std::printf(
      "[ kills ] a save killed at each of its %zu calls: old file %d, new file %d, its own file "
      "left %d\n",
      calls.size(), seenSmall, seenLarge, leftovers);
  EXPECT_TRUE(cleared) << "no kill fell between the save's own file and its rename";
}

}  // namespace
