// The device's own state files cut short at every byte, read by the device tool: a whole value
// or a failure with status 2 naming the file, never a crash and never a guess.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "ChildProcess.h"
#include "DeviceRun.h"
#include "Scratch.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

using ToolRun = testsupport::ChildResult;

class StateFileDamage : public ::testing::Test {
 protected:
  ToolRun Tool(const std::vector<std::string>& args) {
    return testsupport::RunOnDevice(scratch_, CEDEVICE_EXE, args);
  }
  fs::path State(const std::string& name) const { return scratch_.root / ".device" / name; }

  testsupport::Scratch scratch_;
};

TEST_F(StateFileDamage, AClockFileCutAnywhereIsReadWholeOrRefusedNamingTheFile) {
  for (const char* mode : {"freeze", "set"}) {
    SCOPED_TRACE(mode);
    ASSERT_EQ(Tool({"clock", mode, "2026-12-07 10:00:00"}).status, 0);
    const std::string whole = testsupport::ReadBytes(State("clock"));
    ASSERT_FALSE(whole.empty());
    for (std::size_t n = 0; n < whole.size(); ++n) {
      testsupport::WriteBytes(State("clock"), whole.substr(0, n));
      const ToolRun run = Tool({"clock"});
      // Only the newline may go; a set clock's host seconds cut short are still a number, so
      // only a frozen clock must refuse every shorter text.
      const bool allButNewline = n + 1 == whole.size();
      if (allButNewline || std::string(mode) == "set") {
        ASSERT_TRUE(run.status == 0 || run.status == 2)
            << "cut at " << n << ": status " << run.status.value_or(-1);
      } else {
        ASSERT_EQ(run.status, 2) << "cut at " << n << ": " << run.out;
      }
      if (run.status == 2) {
        EXPECT_NE(run.err.find(State("clock").string()), std::string::npos)
            << "cut at " << n << ": " << run.err;
        EXPECT_EQ(run.out, "") << "cut at " << n;
      } else if (std::string(mode) == "freeze") {
        EXPECT_EQ(run.out, "2026-12-07 10:00:00\n") << "cut at " << n;
      }
    }
  }
}

TEST_F(StateFileDamage, ASettingsFileCutInsideAKeyIsRefusedNamingTheFileAndLine) {
  ASSERT_EQ(Tool({"set", "popup-choices", "Loud,Quiet"}).status, 0);
  ASSERT_EQ(Tool({"set", "volume-icon", "10,0,40,26"}).status, 0);
  ASSERT_EQ(Tool({"set", "trace", "yes"}).status, 0);
  const std::string whole = testsupport::ReadBytes(State("settings"));
  ASSERT_FALSE(whole.empty());
  for (std::size_t n = 0; n < whole.size(); ++n) {
    testsupport::WriteBytes(State("settings"), whole.substr(0, n));
    const ToolRun run = Tool({"get", "trace"});
    ASSERT_TRUE(run.status == 0 || run.status == 2)
        << "cut at " << n << ": status " << run.status.value_or(-1);
    // Where the cut falls: inside the key (or at its "=") of the last line begun.
    const std::size_t lineBegin = n == 0 ? 0 : whole.rfind('\n', n - 1) + 1;
    const std::size_t eq = whole.find('=', lineBegin);
    const bool insideKey = n > lineBegin && n <= eq;
    if (insideKey) {
      ASSERT_EQ(run.status, 2) << "cut at " << n << ": " << run.out;
      const std::string line =
          "line " +
          std::to_string(std::count(whole.begin(), whole.begin() + static_cast<long>(n), '\n') + 1);
      EXPECT_NE(run.err.find(State("settings").string() + ": " + line), std::string::npos)
          << run.err;
    }
    if (run.status == 0) {
      // The trace line is the last one: before it is reached the default holds.
      EXPECT_TRUE(run.out == "no\n" || (run.out == "yes\n" && n + 1 >= whole.size()))
          << "cut at " << n << ": " << run.out;
    }
  }
}

TEST_F(StateFileDamage, AClockRunningFromAHostTimeOutsideTheDeviceYearsIsRefused) {
  ASSERT_EQ(Tool({"clock"}).status, 0);
  for (const char* epoch :
       {"-9223372036854775808", "9223372036854775807", "-11644473601", "253402300800"}) {
    SCOPED_TRACE(epoch);
    testsupport::WriteBytes(State("clock"), std::string("set 2026-12-07 10:00:00 ") + epoch + "\n");
    const ToolRun run = Tool({"clock"});
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_NE(run.err.find(State("clock").string() + ": host time in seconds out of range"),
              std::string::npos)
        << run.err;
  }
}

TEST_F(StateFileDamage, ARunningClockStopsAtTheEndsOfTheDeviceYears) {
  struct Case {
    const char* text;
    const char* shown;
  };
  const Case cases[] = {
      // Set far ahead of the host's now: run back past the first device year.
      {"set 2026-12-07 10:00:00 253402300799\n", "1601-01-01 00:00:00\n"},
      {"set 1601-01-01 00:00:00 4102444800\n", "1601-01-01 00:00:00\n"},
      // Set long ago at the last device second: run on past it.
      {"set 9999-12-31 23:59:59 0\n", "9999-12-31 23:59:59\n"},
  };
  ASSERT_EQ(Tool({"clock"}).status, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    testsupport::WriteBytes(State("clock"), c.text);
    const ToolRun run = Tool({"clock"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.shown);
  }
}

TEST_F(StateFileDamage, PopupChoicesThatAreNotUtf8AreRefusedAndNothingChanges) {
  const ToolRun set = Tool({"set", "popup-choices", "On,Vibr\xe9,Off"});
  EXPECT_EQ(set.status, 2);
  EXPECT_NE(set.err.find("popup-choices takes UTF-8 text"), std::string::npos) << set.err;
  EXPECT_EQ(Tool({"get", "popup-choices"}).out, "On,Vibrate,Off\n");
  EXPECT_EQ(Tool({"set", "popup-choices", "Ein,Vibrieren,Aus\xc3\xa9"}).status, 0)
      << "UTF-8 text is taken";

  // The same bytes written into the file by hand: refused naming the file and the line.
  testsupport::WriteBytes(State("settings"), "trace=yes\npopup-choices=On,\xff\n");
  const ToolRun get = Tool({"get", "trace"});
  EXPECT_EQ(get.status, 2);
  EXPECT_NE(get.err.find(State("settings").string() + ": line 2: popup-choices takes UTF-8 text"),
            std::string::npos)
      << get.err;
}

TEST_F(StateFileDamage, ALongDamagedLineIsQuotedCutShort) {
  ASSERT_EQ(Tool({"clock"}).status, 0);
  const std::string line(1 << 20, 'x');
  for (const char* file : {"clock", "settings"}) {
    SCOPED_TRACE(file);
    testsupport::WriteBytes(State(file), line + "\n");
    const ToolRun run =
        Tool(std::string(file) == "clock" ? std::vector<std::string>{"clock"}
                                          : std::vector<std::string>{"get", "trace"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("'" + std::string(80, 'x') + "...'"), std::string::npos)
        << run.err.substr(0, 300);
    EXPECT_LT(run.err.size(), 1000u);
    fs::remove(State(file));
  }
}

// Every state file, and the schedule file as the status reads it, replaced by a FIFO: nothing
// blocks on it. The status and the runner end, and say which file when they need it; the
// program's start-up ends; the FIFO is never replaced or read as a file.
TEST_F(StateFileDamage, AFifoInPlaceOfAnyDeviceFileBlocksNothing) {
  TestDevice device(scratch_, "2026-12-07 10:00:00");
  testsupport::WriteBytes(
      device.ScheduleFile(),
      ScheduleFileBytes(200, 10, 0, {{0x3E, 7, 30, 0, 0}, {0x3E, 22, 0, 0, 1}}));
  device.ToolOut({"set", "trace", "yes"});  // the program writes the debug log
  const std::set<std::string> store = {"notifications", "notifications.journal",
                                       "notifications.changes"};
  // The status reads the store without the device lock (a read needs none).
  std::set<std::string> statusReads = {"clock", "settings", "sound"};
  statusReads.insert(store.begin(), store.end());
  for (const std::string name :
       {"clock", "settings", "sound", "sound-log", "notifications", "notifications.journal",
        "notifications.changes", "lock", "runner", "debug.log", "schedule"}) {
    SCOPED_TRACE(name);
    // A wake-up of the program for the runner to launch.
    device.ToolOut({"notify", "time", "2026-12-07 10:00:00", "\\Windows\\Quenmora.exe", "M1"});
    const fs::path fifo = name == "schedule" ? device.ScheduleFile() : State(name);
    const std::string kept = fs::exists(fifo) ? testsupport::ReadBytes(fifo) : std::string();
    fs::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const Outcome status = device.Tool({"status"}, 60s);
    ASSERT_TRUE(status.status.has_value()) << "the status blocked";
    if (statusReads.count(name) > 0) {
      EXPECT_EQ(status.status, 2);
      EXPECT_NE(status.err.find(fifo.string() + ": a FIFO, not a plain file"), std::string::npos)
          << status.err;
    } else if (name == "schedule") {
      EXPECT_NE(status.out.find("Quenmora.dat: a FIFO, not a plain file"), std::string::npos)
          << status.out;
    }
    // The runner does not read the schedule file; the program launched for it does, and must
    // end as when there is no file.
    const Outcome run = device.Tool({"run", "--fast", "--until", "2026-12-07 10:00:00"}, 60s);
    ASSERT_TRUE(run.status.has_value()) << "the runner blocked";
    if (name == "clock" || store.count(name) > 0 || name == "lock" || name == "runner") {
      EXPECT_EQ(run.status, 2) << run.out;
      EXPECT_NE(run.err.find(fifo.string() + ": a FIFO, not a plain file"), std::string::npos)
          << run.err;
    } else if (name == "schedule") {
      EXPECT_EQ(run.status, 0) << run.err;
      EXPECT_NE(run.out.find("exit 0"), std::string::npos) << run.out;
    }
    auto program = device.Start("program-" + name, {"M1"});
    ASSERT_TRUE(program->Wait(60s).has_value()) << "the program blocked";
    EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo) << "replaced";
    fs::remove(fifo);
    if (!kept.empty()) testsupport::WriteBytes(fifo, kept);
  }
}

TEST_F(StateFileDamage, ASoundLogThatCannotBeWrittenLeavesTheSoundAsItWasAndSaysSo) {
  TestDevice device(scratch_, "2026-12-07 22:00:00");
  testsupport::WriteBytes(
      device.ScheduleFile(),
      ScheduleFileBytes(200, 10, 0, {{0x3E, 7, 30, 0, 0}, {0x3E, 22, 0, 0, 1}}));
  fs::create_directories(State("sound-log"));
  auto program = device.Start("program", {"M1"});
  ASSERT_EQ(program->Wait(60s), 0) << device.Errors("program");
  EXPECT_NE(device.Errors("program").find("the sound setting was not changed: "), std::string::npos)
      << device.Errors("program");
  EXPECT_EQ(device.ToolOut({"sound"}), "On\n");
}

}  // namespace
