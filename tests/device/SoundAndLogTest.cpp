// The sound setting and its log, and the debug log: what lands in the device root.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "DebugLog.h"
#include "DeviceClock.h"
#include "SoundState.h"
#include "DeviceTest.h"

namespace {

using SoundAndLogTest = testsupport::DeviceTest;

TEST_F(SoundAndLogTest, NewDeviceSoundIsOn) { EXPECT_EQ(cedev::GetSound(), L"On"); }

TEST_F(SoundAndLogTest, OnlyLoggedChangesAreInTheLog) {
  cedev::clock::FreezeForProcess({2026, 12, 7, 10, 0, 0, 0});
  cedev::SetSound(L"Vibrate", false);
  EXPECT_EQ(cedev::GetSound(), L"Vibrate");
  EXPECT_TRUE(cedev::ReadSoundLog().empty());
  cedev::SetSound(L"Off", true);
  cedev::clock::FreezeForProcess({2026, 12, 7, 10, 0, 5, 0});
  cedev::SetSound(L"On", true);
  EXPECT_EQ(cedev::GetSound(), L"On");
  EXPECT_EQ(cedev::ReadSoundLog(),
            (std::vector<std::string>{"2026-12-07 10:00:00\tOff", "2026-12-07 10:00:05\tOn"}));
}

TEST_F(SoundAndLogTest, ChoicesThatWouldBreakTheFilesAreRefused) {
  cedev::SetSound(L"Off", false);
  for (const wchar_t* bad : {L"", L"O\tn", L"On\n", L"\rOn"}) {
    EXPECT_THROW(cedev::SetSound(bad, true), std::invalid_argument);
  }
  EXPECT_EQ(cedev::GetSound(), L"Off");
  EXPECT_TRUE(cedev::ReadSoundLog().empty());
}

TEST_F(SoundAndLogTest, ASoundChangeAndItsLogLineAreWrittenBothOrNeither) {
  cedev::clock::FreezeForProcess({2026, 12, 7, 22, 0, 0, 0});
  std::filesystem::create_directories(Host(".device/sound-log"));  // the log cannot be written
  try {
    cedev::SetSound(L"Vibrate", true);
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("the sound setting was not changed: ", 0), 0u)
        << e.what();
  }
  EXPECT_EQ(cedev::GetSound(), L"On");
  std::filesystem::remove(Host(".device/sound-log"));
  cedev::SetSound(L"Off", true);
  std::filesystem::remove(Host(".device/sound"));
  std::filesystem::create_directories(Host(".device/sound"));  // the setting cannot be written
  EXPECT_THROW(cedev::SetSound(L"Vibrate", true), std::runtime_error);
  EXPECT_EQ(cedev::ReadSoundLog(), (std::vector<std::string>{"2026-12-07 22:00:00\tOff"}))
      << "the line was taken back";
}

TEST_F(SoundAndLogTest, DebugLogLinesCarryTheDeviceTime) {
  cedev::clock::FreezeForProcess({2026, 12, 7, 23, 59, 59, 0});
  cedev::AppendDebugLog(L"first\r\n");
  cedev::AppendDebugLog(L"two\r\nlines\n\n");
  EXPECT_EQ(testsupport::ReadBytes(Host(".device/debug.log")),
            "2026-12-07 23:59:59\tfirst\n2026-12-07 23:59:59\ttwo\nlines\n");
}

}  // namespace
