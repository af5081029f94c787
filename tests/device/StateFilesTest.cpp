// The device's state files: atomic replacement, appending, the device lock, and unreadable
// files reported by name.
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "DeviceError.h"
#include "DeviceRoot.h"
#include "StateFiles.h"
#include "TempDeviceRoot.h"

namespace fs = std::filesystem;

namespace {

using StateFilesTest = TempDeviceRootTest;

TEST_F(StateFilesTest, MissingFileReadsAsNothing) { EXPECT_FALSE(cedev::ReadState("nothing").has_value()); }

TEST_F(StateFilesTest, AtomicWriteReplacesWholeAndLeavesNoTemporaryFile) {
  cedev::WriteStateAtomic("sample", "first version, rather long\n");
  cedev::WriteStateAtomic("sample", "second\n");
  EXPECT_EQ(cedev::ReadState("sample"), "second\n");
  int files = 0;
  for (const auto& entry : fs::directory_iterator(root_ / ".device")) {
    ++files;
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }
  EXPECT_EQ(files, 1);
}

TEST_F(StateFilesTest, FailedWriteKeepsTheOldContentAndNamesTheFile) {
  cedev::WriteStateAtomic("sample", "kept\n");
  fs::permissions(root_ / ".device", fs::perms::owner_write, fs::perm_options::remove);
  if (::access((root_ / ".device").c_str(), W_OK) == 0) GTEST_SKIP() << "running with rights that ignore modes";
  try {
    cedev::WriteStateAtomic("sample", "lost\n");
    ADD_FAILURE() << "no DeviceError";
  } catch (const cedev::DeviceError& e) {
    EXPECT_EQ(e.file(), root_ / ".device" / "sample");
  }
  fs::permissions(root_ / ".device", fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(cedev::ReadState("sample"), "kept\n");
}

TEST_F(StateFilesTest, UnreadableStateIsAnErrorNamingTheFile) {
  cedev::DeviceRoot();
  fs::create_directories(root_ / ".device" / "sound");  // a folder where a file should be
  try {
    cedev::ReadState("sound");
    FAIL() << "no DeviceError";
  } catch (const cedev::DeviceError& e) {
    EXPECT_EQ(e.file(), root_ / ".device" / "sound");
  }
}

TEST_F(StateFilesTest, AppendAddsToTheEnd) {
  cedev::AppendState("log", "one\n");
  cedev::AppendState("log", "two\n");
  EXPECT_EQ(cedev::ReadState("log"), "one\ntwo\n");
}

// Whether another process could take the device lock now.
bool OtherProcessGetsTheLock(const fs::path& lockFile) {
  const pid_t child = ::fork();
  if (child == 0) {
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT, 0644);
    ::_exit(fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(StateFilesTest, DeviceLockExcludesOtherProcessesAndNestsOnOneThread) {
  const fs::path lockFile = cedev::DeviceStatePath("lock");
  {
    cedev::DeviceLock outer;
    EXPECT_FALSE(OtherProcessGetsTheLock(lockFile));
    {
      cedev::DeviceLock inner;  // would deadlock if it were not re-entrant
      EXPECT_FALSE(OtherProcessGetsTheLock(lockFile));
    }
    EXPECT_FALSE(OtherProcessGetsTheLock(lockFile));  // the inner one did not let it go
  }
  EXPECT_TRUE(OtherProcessGetsTheLock(lockFile));
}

}  // namespace
