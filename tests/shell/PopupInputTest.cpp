// The popup under the device's own input: taps queued by the input thread, as a person taps.
// While the popup is open every tap comes to it: inside, it reaches the choice under it;
// anywhere else it closes the popup and goes no further.
#include <windows.h>

#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "DeviceClock.h"
#include "DeviceScreen.h"
#include "MessageRecorder.h"
#include "Settings.h"
#include "ShellTestSupport.h"
#include "ShellThread.h"
#include "SoundState.h"
#include "Scratch.h"
#include "Watchdog.h"

using namespace shelltest;
using std::chrono::milliseconds;

namespace {

class PopupInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetProcessDevice();
    cedev::clock::FreezeForProcess(cedev::DeviceTime{2026, 12, 7, 10, 0, 0, 0});
    cedev::StartShell();
    bar_ = FindWindowW(L"HHTaskBar", nullptr);
    ASSERT_NE(bar_, nullptr);
  }
  void TearDown() override { cedev::StopShell(); }

  // A tap, and the wait until the window it went to has handled it.
  HWND Tap(int x, int y) {
    HWND target = cedev::InjectTap(POINT{x, y});
    if (target != nullptr) cedev::WaitInputHandled(target, milliseconds(2000));
    return target;
  }
  static HWND Popup() { return FindWindowW(L"Dialog", L"Volume"); }
  static POINT CentreOf(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }

  HWND bar_ = nullptr;
  msgtest::Watchdog watchdog_;
};

TEST_F(PopupInputTest, ATapOnTheIconOpensThePopupAndATapOnAChoiceSelectsIt) {
  EXPECT_EQ(Tap(200, 10), bar_);
  HWND popup = Popup();
  ASSERT_NE(popup, nullptr);
  HWND vibrate = FindDescendant(popup, L"Vibrate");
  ASSERT_NE(vibrate, nullptr);
  const POINT at = CentreOf(vibrate);
  Tap(at.x, at.y);
  EXPECT_EQ(cedev::GetSound(), L"Vibrate");
  EXPECT_EQ(cedev::ReadSoundLog(), std::vector<std::string>{"2026-12-07 10:00:00\tVibrate"});
  ASSERT_EQ(Popup(), popup);
  const POINT off = CentreOf(FindDescendant(popup, L"Off"));
  Tap(off.x, off.y);
  EXPECT_EQ(cedev::GetSound(), L"Off") << "the popup still hears taps after a choice";
  Tap(200, 10);
  EXPECT_EQ(Popup(), nullptr) << "the icon closes it again";
}

TEST_F(PopupInputTest, ATapElsewhereClosesThePopupAndGoesNoFurther) {
  msgtest::MessageRecorder recorder;
  msgtest::RecordedWindow info{&recorder, "below", nullptr};
  HWND below =
      msgtest::CreateRecordedWindow(info, 0, WS_POPUP | WS_VISIBLE, 0, 100, 240, 100, nullptr);
  ASSERT_NE(below, nullptr);
  Tap(200, 10);
  ASSERT_NE(Popup(), nullptr);
  recorder.Take();
  Tap(50, 150);
  EXPECT_EQ(Popup(), nullptr);
  EXPECT_TRUE(PumpUntil([] { return true; }));
  // It paints, as it was made and as the popup left it uncovered, and hears nothing of the tap.
  EXPECT_TRUE(
      msgtest::SequenceIs(recorder.Take(), {{"below", WM_PAINT}, {"below", WM_ERASEBKGND}}));
  EXPECT_EQ(cedev::GetSound(), L"On");
  EXPECT_EQ(cedev::InjectTap(POINT{50, 150}), below);  // this thread handles it below
  EXPECT_TRUE(PumpUntil([&] { return recorder.Count("below", WM_LBUTTONUP) == 1; }))
      << "with the popup gone, taps reach the window again";
  DestroyWindow(below);
}

TEST_F(PopupInputTest, ATapOnTheGroupsCaptionSelectsNothingAndKeepsThePopup) {
  Tap(200, 10);
  HWND popup = Popup();
  ASSERT_NE(popup, nullptr);
  RECT r{};
  GetWindowRect(GetWindow(popup, GW_CHILD), &r);
  Tap(r.left + 2, r.top + 1);
  EXPECT_EQ(Popup(), popup);
  EXPECT_EQ(cedev::GetSound(), L"On");
  EXPECT_TRUE(cedev::ReadSoundLog().empty());
}

}  // namespace
