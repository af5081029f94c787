// Volume-icon training run in this process as a person would do it, on the device's shell:
// the dialog on this thread, the training procedure on the shell's, the taps from a driver
// thread through the device's automation.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include <afxwin.h>

#include "Automation.h"
#include "DeviceClock.h"
#include "Settings.h"
#include "SetupDlg.h"
#include "ShellThread.h"
#include "TaskBarTraining.h"
#include "Scratch.h"
#include "Watchdog.h"
#include "resource.h"

using namespace cedev::automation;
using std::chrono::milliseconds;

CWinApp theApp(L"Quenmora");

namespace {

const wchar_t kTapInstructions[] =
    L"Now find the volume icon on the task bar. It is usually towards the right side of the "
    L"screen.\r\n\r\nOnce you have found it tap on it ONCE.";

class Training : public testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetProcessDevice();
    cedev::clock::FreezeForProcess(cedev::DeviceTime{2026, 12, 7, 10, 0, 0, 0});
  }
  void TearDown() override { cedev::StopShell(); }

  // Runs the training dialog here while `drive` acts from another thread.
  bool Train(TapPoint& tapPoint, const std::function<void()>& drive) {
    cedev::StartShell();
    taskBar_ = FindWindow(L"HHTaskBar", nullptr);
    ownProc_ = GetWindowLong(taskBar_, GWL_WNDPROC);
    std::thread driver([&] {
      ASSERT_TRUE(WaitForText(L"Setup", milliseconds(3000)));
      drive();
    });
    const bool ok = TrainTapPoint(tapPoint);
    driver.join();
    return ok;
  }

  static void PressTrainAndTap(int x, int y) {
    ASSERT_TRUE(TapText(L"Train"));
    ASSERT_TRUE(WaitForText(kTapInstructions, milliseconds(3000)));
    ASSERT_TRUE(Tap(x, y));
  }

  HWND taskBar_ = nullptr;
  LONG_PTR ownProc_ = 0;
  msgtest::Watchdog watchdog_{"Training", std::chrono::seconds(30)};
};

TEST_F(Training, ATapOnTheIconIsShownAndKeptOnOk) {
  TapPoint tapPoint;
  const bool ok = Train(tapPoint, [] {
    PressTrainAndTap(200, 10);
    ASSERT_TRUE(WaitForText(L"Training is complete!", milliseconds(5000)));
    EXPECT_TRUE(IsShowing(L"200"));
    EXPECT_TRUE(IsShowing(L"10"));
    // The popup the tap opened has been closed again.
    EXPECT_EQ(FindWindow(L"Dialog", L"Volume"), nullptr);
    ASSERT_TRUE(TapOk());
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(tapPoint.x, 200);
  EXPECT_EQ(tapPoint.y, 10);
  EXPECT_EQ(GetWindowLong(taskBar_, GWL_WNDPROC), ownProc_);
  EXPECT_FALSE(TrainingInProgress());
}

TEST_F(Training, ATapBesideTheIconAsksAgainAndKeepsWaiting) {
  TapPoint tapPoint;
  const bool ok = Train(tapPoint, [] {
    PressTrainAndTap(100, 10);
    ASSERT_TRUE(WaitForText(L"Please Try again", milliseconds(5000)));
    EXPECT_TRUE(IsShowing(kTapInstructions));
    ASSERT_TRUE(TapText(L"OK"));
    ASSERT_TRUE(WaitGone(L"Please Try again", milliseconds(3000)));
    ASSERT_TRUE(Tap(195, 20));
    ASSERT_TRUE(WaitForText(L"Training is complete!", milliseconds(5000)));
    ASSERT_TRUE(TapOk());
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(tapPoint.x, 195);
  EXPECT_EQ(tapPoint.y, 20);
}

TEST_F(Training, CancelLeavesTheTapPointAsItWas) {
  TapPoint tapPoint{0, 7};
  const bool ok = Train(tapPoint, [] {
    PressTrainAndTap(200, 10);
    ASSERT_TRUE(WaitForText(L"Training is complete!", milliseconds(5000)));
    // A key that arrives while the training still pumps its last paint goes to the focused
    // button, past the dialog's keyboard handling, as on the device; press again until the
    // dialog has gone.
    for (int i = 0; i < 20 && FindWindow(L"Dialog", L"Setup") != nullptr; ++i) {
      Key(L"Escape");
      WaitGone(L"Setup", milliseconds(250));
    }
  });
  EXPECT_FALSE(ok);
  EXPECT_EQ(tapPoint.x, 0);
  EXPECT_EQ(tapPoint.y, 7);
}

TEST_F(Training, OkWithoutTrainingGivesBackTheSeededPoint) {
  TapPoint tapPoint{31, 4};
  const bool ok = Train(tapPoint, [] {
    ASSERT_TRUE(WaitForText(L"31", milliseconds(3000)));
    ASSERT_TRUE(TapOk());
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(tapPoint.x, 31);
  EXPECT_EQ(tapPoint.y, 4);
}

TEST_F(Training, ATrainPressArrivingDuringATrainingIsIgnored) {
  TapPoint tapPoint;
  const bool ok = Train(tapPoint, [] {
    // Two presses queued at once: the second is dispatched while the first training paints
    // its instructions, with the training procedure already on the task bar.
    HWND dialog = FindWindow(L"Dialog", L"Setup");
    HWND train = GetDlgItem(dialog, IDC_TRAIN);
    PostMessage(dialog, WM_COMMAND, MAKELONG(IDC_TRAIN, BN_CLICKED),
                reinterpret_cast<LPARAM>(train));
    PostMessage(dialog, WM_COMMAND, MAKELONG(IDC_TRAIN, BN_CLICKED),
                reinterpret_cast<LPARAM>(train));
    ASSERT_TRUE(WaitForText(kTapInstructions, milliseconds(3000)));
    ASSERT_TRUE(Tap(200, 10));
    // One tap ends the one training: nothing is left waiting for another.
    ASSERT_TRUE(WaitForText(L"Training is complete!", milliseconds(5000)));
    ASSERT_TRUE(TapOk());
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(tapPoint.x, 200);
  // A nested training would have saved the training procedure as the task bar's own.
  EXPECT_EQ(GetWindowLong(taskBar_, GWL_WNDPROC), ownProc_);
}

TEST_F(Training, WithoutATaskBarTheTrainingSaysSoAndChangesNothing) {
  cedev::SetSetting("taskbar", "no");
  TapPoint tapPoint;
  std::atomic<bool> told{false};
  const bool ok = Train(tapPoint, [&told] {
    ASSERT_TRUE(TapText(L"Train"));
    told = WaitForText(L"Cannot find task bar window handle", milliseconds(3000));
    ASSERT_TRUE(TapText(L"OK"));
    ASSERT_TRUE(WaitGone(L"Cannot find task bar window handle", milliseconds(3000)));
    ASSERT_TRUE(Key(L"Escape"));
  });
  EXPECT_TRUE(told);
  EXPECT_FALSE(ok);
  EXPECT_EQ(tapPoint.x, 0);
  EXPECT_EQ(tapPoint.y, 0);
  EXPECT_FALSE(TrainingInProgress());
}

}  // namespace
