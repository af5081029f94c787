// The device clock: its three modes, the state file that keeps them, and damage to that file.
#include <string>

#include "DeviceClock.h"
#include "DeviceError.h"
#include "DeviceRoot.h"
#include "DeviceTest.h"

namespace {

namespace clk = cedev::clock;
using cedev::DeviceTime;
using DeviceClockTest = testsupport::DeviceTest;

const DeviceTime kMonday{2026, 12, 7, 10, 0, 0, 0};

std::int64_t SecondsBetween(const DeviceTime& a, const DeviceTime& b) {
  return (cedev::ToMilliseconds(b) - cedev::ToMilliseconds(a)) / 1000;
}

TEST_F(DeviceClockTest, StateTextRoundTrips) {
  struct Case {
    clk::ClockState state;
    const char* text;
  };
  const Case cases[] = {
      {{clk::Mode::host, {}, 0}, "host\n"},
      {{clk::Mode::freeze, kMonday, 0}, "freeze 2026-12-07 10:00:00\n"},
      {{clk::Mode::set, kMonday, 1796000000}, "set 2026-12-07 10:00:00 1796000000\n"},
      {{clk::Mode::set, {1601, 1, 1, 0, 0, 0, 0}, -5}, "set 1601-01-01 00:00:00 -5\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(clk::FormatClockState(c.state), c.text);
    EXPECT_EQ(clk::ParseClockState(c.text, "clock"), c.state);
  }
}

TEST_F(DeviceClockTest, DamagedStateTextIsAnErrorNamingTheFile) {
  const char* damaged[] = {
      "",
      "sometimes\n",
      "host now\n",
      "freeze\n",
      "freeze 2026-12-07\n",
      "freeze 2026-02-30 10:00:00\n",
      "freeze 2026-12-07 10:00:00 12\n",
      "set 2026-12-07 10:00:00\n",
      "set 2026-12-07 10:00:00 +12\n",
      "set 2026-12-07 10:00:00 12x\n",
      "host\nhost\n",
  };
  for (const char* text : damaged) {
    SCOPED_TRACE(testing::Message() << "text '" << text << "'");
    try {
      clk::ParseClockState(text, "/some/root/.device/clock");
      ADD_FAILURE() << "accepted";
    } catch (const cedev::DeviceError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("/some/root/.device/clock: ", 0), 0u) << e.what();
    }
  }
}

TEST_F(DeviceClockTest, NewDeviceFollowsTheHost) {
  EXPECT_EQ(clk::ReadClockState().mode, clk::Mode::host);
  const DeviceTime host = clk::HostLocalNow();
  const DeviceTime now = clk::Now();
  EXPECT_LE(std::llabs(SecondsBetween(host, now)), 60);
}

TEST_F(DeviceClockTest, FreezeIsKeptInTheStateFileAndReadAtStart) {
  clk::ClockState frozen;
  frozen.mode = clk::Mode::freeze;
  frozen.time = kMonday;
  clk::WriteClockState(frozen);
  EXPECT_EQ(testsupport::ReadBytes(Host(".device/clock")), "freeze 2026-12-07 10:00:00\n");
  clk::Reload();
  EXPECT_EQ(clk::Now(), kMonday);
  EXPECT_EQ(clk::Now(), kMonday);
}

TEST_F(DeviceClockTest, WritingTheModeDoesNotChangeARunningProcess) {
  clk::FreezeForProcess(kMonday);
  clk::WriteClockState(clk::ClockState{});  // host, for processes that start later
  EXPECT_EQ(clk::Now(), kMonday);
}

TEST_F(DeviceClockTest, SetRunsOnFromTheSetTime) {
  // Set an hour ago (by the host's clock): the device is an hour past the set time.
  clk::ClockState state = clk::RunningFrom(kMonday);
  state.hostEpoch -= 3600;
  clk::WriteClockState(state);
  clk::Reload();
  const std::int64_t ran = SecondsBetween(kMonday, clk::Now());
  EXPECT_GE(ran, 3600);
  EXPECT_LE(ran, 3660);
}

TEST_F(DeviceClockTest, DamagedClockFileIsAnErrorNamingIt) {
  cedev::DeviceRoot();
  testsupport::WriteBytes(Host(".device/clock"), "freeze yesterday\n");
  try {
    clk::ReadClockState();
    FAIL() << "no DeviceError";
  } catch (const cedev::DeviceError& e) {
    EXPECT_EQ(e.file(), Host(".device/clock"));
    EXPECT_NE(std::string(e.what()).find(Host(".device/clock").string()), std::string::npos);
  }
}

}  // namespace
