// Every failure the device can give a save or a load of the schedule file, through the device's
// fault hooks (CEDEVICE_FAULTS) on a real process: the failure's own message, and the file on
// disk exactly as it was before.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "Scratch.h"
#include "ScheduleBytes.h"

namespace fs = std::filesystem;

namespace {

const std::string kFile = "\\My Documents\\Quenmora.dat";

using Outcome = testsupport::ChildResult;

class SaveFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Saver("", {"save", "small"}).status, 0);
    ASSERT_EQ(testsupport::ReadBytes(File()), ExpectedFileBytes(ScheduleVersion::small));
  }
  Outcome Saver(const std::string& faults, const std::vector<std::string>& args) {
    std::map<std::string, std::string> env;
    if (!faults.empty()) env["CEDEVICE_FAULTS"] = faults;
    return testsupport::RunOnDevice(scratch_, SAVER_EXE, args, env);
  }
  fs::path File() const { return scratch_.root / "My Documents" / "Quenmora.dat"; }

  testsupport::Scratch scratch_;
};

struct SaveCase {
  const char* faults;
  std::string message;
};

// Opens: the schedule file (held while the new content is written), then the save's own file
// beside it ("Quenmora.dat.~XXXXXXXX.tmp").
const SaveCase kSaveCases[] = {
    {"open:5@Quenmora.dat", "An unknown error occurred while accessing " + kFile + " Err: 5."},
    {"open:32@Quenmora.dat", "An unknown error occurred while accessing " + kFile + " Err: 32."},
    {"open/1:112", "An unknown error occurred while accessing " + kFile + " Err: 112."},
    {"open:5@Quenmora.dat.~", "An unknown error occurred while accessing " + kFile + " Err: 5."},
    {"write:112@Quenmora.dat", "Disk full while accessing " + kFile + "."},
    {"write:full0", "Disk full while accessing " + kFile + "."},
    {"write:full20", "Disk full while accessing " + kFile + "."},
    {"write:short3", "Disk full while accessing " + kFile + "."},
    {"write:5", "Access to " + kFile + " was denied."},
    {"write:1117", "A hardware I/O error was reported while accessing " + kFile + "."},
    {"flush:5", "Access to " + kFile + " was denied."},
    {"close:112", "Disk full while accessing " + kFile + "."},
    {"rename:32", "A sharing violation occurred while accessing " + kFile + "."},
    {"rename:5", "Access to " + kFile + " was denied."},
};

TEST_F(SaveFaults, EachFailureOfASaveGivesItsMessageAndKeepsTheFileByteForByte) {
  const std::string before = testsupport::ReadBytes(File());
  for (const SaveCase& c : kSaveCases) {
    SCOPED_TRACE(c.faults);
    const Outcome run = Saver(c.faults, {"save", "large"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, c.message + "\n") << "expected: " << c.message << "\n  actual: " << run.out;
    const std::string after = testsupport::ReadBytes(File());
    EXPECT_TRUE(after == before) << "the file changed: " << after.size() << " bytes, were "
                                 << before.size();
    EXPECT_EQ(std::distance(fs::directory_iterator(File().parent_path()), fs::directory_iterator()),
              1)
        << "the half-written new file is left behind";
  }
  // And with the faults gone the same save goes through.
  EXPECT_EQ(Saver("", {"save", "large"}).status, 0);
  EXPECT_EQ(testsupport::ReadBytes(File()), ExpectedFileBytes(ScheduleVersion::large));
}

TEST_F(SaveFaults, AFaultOnAnotherFileLeavesTheSaveAlone) {
  const Outcome run = Saver("open:5@Other.dat,write:112@Other.dat", {"save", "large"});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ(testsupport::ReadBytes(File()), ExpectedFileBytes(ScheduleVersion::large));
}

TEST_F(SaveFaults, AMissingFolderFailsTheSaveWithPathNotFound) {
  fs::remove_all(scratch_.root / "My Documents");
  const Outcome run = Saver("", {"save", "large"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "An unknown error occurred while accessing " + kFile + " Err: 3.\n");
  EXPECT_FALSE(fs::exists(scratch_.root / "My Documents"))
      << "the device must not make the folder again";
}

TEST_F(SaveFaults, AFileHeldOpenByAnotherProcessIsASharingViolation) {
  // This process holds the file as an exclusive open of the device does.
  const int fd = ::open(File().c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  const Outcome held = Saver("", {"save", "large"});
  ::close(fd);
  EXPECT_EQ(held.status, 1);
  EXPECT_EQ(held.out, "An unknown error occurred while accessing " + kFile + " Err: 32.\n");
  EXPECT_EQ(testsupport::ReadBytes(File()), ExpectedFileBytes(ScheduleVersion::small));
}

struct LoadCase {
  const char* faults;
  std::string message;
};

const LoadCase kLoadCases[] = {
    {"open:5", kFile + " was not found."},
    {"open:32@Quenmora.dat", kFile + " was not found."},
    {"read:5", "Access to " + kFile + " was denied."},
    {"read:1117", "A hardware I/O error was reported while accessing " + kFile + "."},
};

TEST_F(SaveFaults, EachFailureOfALoadGivesItsMessageAndLeavesTheFile) {
  const std::string before = testsupport::ReadBytes(File());
  for (const LoadCase& c : kLoadCases) {
    SCOPED_TRACE(c.faults);
    const Outcome run = Saver(c.faults, {"load"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, c.message + "\n") << "expected: " << c.message << "\n  actual: " << run.out;
    EXPECT_EQ(testsupport::ReadBytes(File()), before);
  }
  EXPECT_EQ(Saver("", {"load"}).out, "items 1\n");
}

TEST_F(SaveFaults, AMalformedFaultListStopsTheRunBeforeAnyFileIsTouched) {
  for (const char* faults : {"write:lots", "open:", "paint:5", "write:short", "open/x:5"}) {
    SCOPED_TRACE(faults);
    const Outcome run = Saver(faults, {"save", "large"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("CEDEVICE_FAULTS"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(testsupport::ReadBytes(File()), ExpectedFileBytes(ScheduleVersion::small));
  }
}

}  // namespace

namespace {

// The device tool reads the schedule file through the same file services, so its status shows
// the failure's text in the schedule line and goes on.
class ToolFaults : public SaveFaults {
 protected:
  Outcome Tool(const std::string& faults, const std::vector<std::string>& args) {
    std::map<std::string, std::string> env;
    if (!faults.empty()) env["CEDEVICE_FAULTS"] = faults;
    return testsupport::RunOnDevice(scratch_, CEDEVICE_EXE, args, env);
  }
  static std::string ScheduleLine(const std::string& out) {
    const std::size_t at = out.find("schedule: ");
    return at == std::string::npos ? "" : out.substr(at, out.find('\n', at) - at);
  }
};

TEST_F(ToolFaults, StatusShowsTheScheduleFileFailureAndTheRest) {
  struct Case {
    const char* faults;
    std::string line;
  };
  const Case cases[] = {
      {"", "schedule: " + kFile + ": 1 items, tap point 200,13, EventHandle 7"},
      {"read:5@Quenmora.dat", "schedule: " + kFile + ": Access to " + kFile + " was denied."},
      {"read:1117",
       "schedule: " + kFile + ": A hardware I/O error was reported while accessing " + kFile + "."},
      {"open:2@Quenmora.dat", "schedule: " + kFile + ": none"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.faults);
    const Outcome run = Tool(c.faults, {"status"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ScheduleLine(run.out), c.line) << run.out;
    EXPECT_NE(run.out.find("notifications: 0"), std::string::npos) << run.out;
    EXPECT_EQ(testsupport::ReadBytes(File()), ExpectedFileBytes(ScheduleVersion::small));
  }
}

TEST_F(ToolFaults, AMalformedFaultListEndsTheToolWithStatusTwo) {
  const Outcome run = Tool("read:often", {"status"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("CEDEVICE_FAULTS"), std::string::npos) << run.err;
  EXPECT_EQ(ScheduleLine(run.out), "");
}

}  // namespace
