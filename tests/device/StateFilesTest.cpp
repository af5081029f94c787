// The device's state files: atomic replacement, appending, the device lock, and unreadable
// files reported by name.
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "DeviceError.h"
#include "DeviceRoot.h"
#include "StateFiles.h"
#include "DeviceTest.h"

namespace fs = std::filesystem;

namespace {

using StateFilesTest = testsupport::DeviceTest;

TEST_F(StateFilesTest, MissingFileReadsAsNothing) {
  EXPECT_FALSE(cedev::ReadState("nothing").has_value());
}

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
  if (::access((root_ / ".device").c_str(), W_OK) == 0)
    GTEST_SKIP() << "running with rights that ignore modes";
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

// A POSIX record lock on the lock file's first byte, as Wine takes a Windows process's
// LockFileEx of it; false when another holds it.
bool LockFirstByte(int fd) {
  struct flock range {};
  range.l_type = F_WRLCK;
  range.l_whence = SEEK_SET;
  range.l_len = 1;
  return ::fcntl(fd, F_SETLK, &range) == 0;
}

// Whether another process (a Windows one under Wine among them) could take the device lock now.
bool OtherProcessGetsTheLock(const fs::path& lockFile) {
  const pid_t child = ::fork();
  if (child == 0) {
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT, 0644);
    ::_exit(fd >= 0 && LockFirstByte(fd) ? 0 : 1);
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

// Runs `act` in a child process with its standard error in `errFile`: the child's exit status,
// or -1 when it did not end within 20 s (it is then killed), so that a call that blocks is a
// failure rather than a hung test.
int InChild(const std::function<int()>& act, const fs::path& errFile = "/dev/null") {
  const pid_t child = ::fork();
  if (child == 0) {
    const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (err >= 0) ::dup2(err, 2);
    ::_exit(act());
  }
  for (int i = 0; i < 2000; ++i) {
    int status = 0;
    if (::waitpid(child, &status, WNOHANG) == child)
      return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    ::usleep(10000);
  }
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  return -1;
}

// 0 when `act` throws a DeviceError naming `file` and saying `why`.
int RefusedNaming(const std::function<void()>& act, const fs::path& file, const std::string& why) {
  try {
    act();
    return 1;
  } catch (const cedev::DeviceError& e) {
    return e.file() == file && std::string(e.what()).find(why) != std::string::npos ? 0 : 2;
  }
}

TEST_F(StateFilesTest, WhatIsNotAPlainFileIsRefusedAtOnceNamingItAndLeftAlone) {
  cedev::DeviceRoot();
  const fs::path sample = root_ / ".device" / "sample";
  struct Kind {
    const char* name;
    std::function<bool()> make;
  };
  const Kind kinds[] = {
      {"a FIFO", [&] { return ::mkfifo(sample.c_str(), 0644) == 0; }},
      {"a socket",
       [&] {
         const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
         sockaddr_un address{};
         address.sun_family = AF_UNIX;
         std::snprintf(address.sun_path, sizeof address.sun_path, "%s", sample.c_str());
         const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
         ::close(fd);
         return bound;
       }},
      {"a device node", [&] { return ::symlink("/dev/null", sample.c_str()) == 0; }},
      {"a folder", [&] { return fs::create_directory(sample); }},
  };
  const std::pair<const char*, std::function<void()>> calls[] = {
      {"read", [] { cedev::ReadState("sample"); }},
      {"append", [] { cedev::AppendState("sample", "line\n"); }},
      {"write", [] { cedev::WriteStateAtomic("sample", "text\n"); }},
  };
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    ASSERT_TRUE(kind.make());
    const auto type = fs::status(sample).type();
    for (const auto& [call, act] : calls) {
      EXPECT_EQ(InChild([&] {
                  return RefusedNaming(act, sample, std::string(kind.name) + ", not a plain file");
                }),
                0)
          << call;
    }
    EXPECT_EQ(fs::status(sample).type(), type) << "replaced";
    fs::remove(sample);
  }
  ASSERT_EQ(::mkfifo((root_ / ".device" / "lock").c_str(), 0644), 0);
  EXPECT_EQ(InChild([&] {
              return RefusedNaming([] { cedev::DeviceLock lock; }, root_ / ".device" / "lock",
                                   "a FIFO");
            }),
            0);
}

TEST_F(StateFilesTest, ALockHeldElsewhereIsWaitedForSaidAfterASecondAndGivenUpAtTheBound) {
  const fs::path lockFile = cedev::DeviceStatePath("lock");
  const int held = ::open(lockFile.c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_TRUE(LockFirstByte(held));
  ::setenv("CEDEVICE_LOCK_TIMEOUT_MS", "1500", 1);
  const fs::path err = root_ / "err";
  EXPECT_EQ(InChild(
                [&] {
                  return RefusedNaming([] { cedev::DeviceLock lock; }, lockFile, "gave up waiting");
                },
                err),
            0);
  EXPECT_EQ(testsupport::ReadBytes(err), "device: waiting for the device lock " +
                                             lockFile.string() + ", which another process holds\n");
  ::close(held);
  EXPECT_EQ(InChild([] {
              cedev::DeviceLock lock;
              return 0;
            }),
            0);
  ::unsetenv("CEDEVICE_LOCK_TIMEOUT_MS");
}

}  // namespace
