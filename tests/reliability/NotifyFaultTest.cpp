// The notification service's faults (CEDEVICE_NOTIFY_FAULTS) driving the device tool: each
// refused call says which error, and the store keeps what it had.
#include <chrono>
#include <filesystem>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "Scratch.h"

namespace fs = std::filesystem;

namespace {

using ToolRun = testsupport::ChildResult;

class NotifyFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Tool("", {"clock", "freeze", "2026-12-07 10:00:00"}).status, 0);
    ASSERT_EQ(
        Tool("", {"notify", "time", "2026-12-10 09:00:00", "\\Windows\\Foreign.exe", "A"}).out,
        "1\n");
    store_ = testsupport::ReadBytes(scratch_.root / ".device" / "notifications");
  }
  ToolRun Tool(const std::string& faults, const std::vector<std::string>& args) {
    std::map<std::string, std::string> env;
    if (!faults.empty()) env["CEDEVICE_NOTIFY_FAULTS"] = faults;
    return testsupport::RunOnDevice(scratch_, CEDEVICE_EXE, args, env);
  }
  std::string Store() const {
    return testsupport::ReadBytes(scratch_.root / ".device" / "notifications");
  }

  testsupport::Scratch scratch_;
  std::string store_;
};

TEST_F(NotifyFaults, ARefusedRegistrationOrClearSaysTheErrorAndChangesNothing) {
  struct Case {
    const char* faults;
    std::vector<std::string> args;
    std::string err;
  };
  const Case cases[] = {
      {"set:14",
       {"notify", "time", "2026-12-11 09:00:00", "\\Windows\\Foreign.exe", "B"},
       "cedevice: the service refused the notification: error 14\n"},
      {"set:87",
       {"notify", "classic", "2026-12-11 09:00:00", "\\Windows\\Foreign.exe"},
       "cedevice: the service refused the notification: an invalid trigger (error 87)\n"},
      {"clear:5", {"clear", "1"}, "cedevice: cannot clear 1: error 5\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.faults);
    const ToolRun run = Tool(c.faults, c.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(Store(), store_);
  }
  // A fault that lets the first call through leaves this one alone.
  EXPECT_EQ(
      Tool("set:14@1", {"notify", "time", "2026-12-11 09:00:00", "\\Windows\\Foreign.exe", "B"})
          .out,
      "2\n");
}

TEST_F(NotifyFaults, AMalformedFaultListStopsTheToolBeforeTheStoreIsTouched) {
  // A code is decimal digits that fit a DWORD: a sign, a blank or an overflow is no code.
  for (const char* faults :
       {"bogus", "set:", "set:14@", "set:14x", "set:14,wipe:5", "set:14@1y", "set:-5", "set:+5",
        "set: 5", "set:4294967296", "set:99999999999999999999"}) {
    SCOPED_TRACE(faults);
    const ToolRun run =
        Tool(faults, {"notify", "time", "2026-12-11 09:00:00", "\\Windows\\Foreign.exe", "B"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "") << "the registration went through without its fault";
    EXPECT_EQ(run.err.rfind("CEDEVICE_NOTIFY_FAULTS: malformed fault \"", 0), 0u) << run.err;
    EXPECT_EQ(Store(), store_);
  }
}

}  // namespace
