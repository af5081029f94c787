// The shell as a program meets it: the task bar of class "HHTaskBar", the volume popup it opens
// on a button-up at the volume icon, the popup's choices and the device sound they set, the
// shell's dialog initialisation and the empty menu bar. Taps are sent as the program's own
// volume switch sends them: a press and a release, synchronously, from another thread.
#include <windows.h>
#include <aygshell.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DeviceClock.h"
#include "MessageRecorder.h"
#include "Settings.h"
#include "ShellTestSupport.h"
#include "ShellThread.h"
#include "SoundState.h"
#include "Scratch.h"
#include "Watchdog.h"

using namespace shelltest;

namespace {

// The volume icon's centre at the default setting, in task-bar client pixels.
const LPARAM kIcon = Point(200, 10);
const LPARAM kBesideIcon = Point(40, 10);
const LPARAM kOkButton = Point(226, 13);

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetProcessDevice();
    cedev::clock::FreezeForProcess(cedev::DeviceTime{2026, 12, 7, 10, 0, 0, 0});
  }
  void TearDown() override { cedev::StopShell(); }

  HWND Start() {
    cedev::StartShell();
    return FindWindowW(L"HHTaskBar", nullptr);
  }
  static HWND Popup() { return FindWindowW(L"Dialog", L"Volume"); }

  msgtest::Watchdog watchdog_;
};

TEST_F(ShellTest, TaskBarIsATopLevelWindowAcrossTheTopOfTheScreen) {
  HWND bar = Start();
  ASSERT_NE(bar, nullptr);
  RECT r{};
  ASSERT_TRUE(GetWindowRect(bar, &r));
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 240);
  EXPECT_EQ(r.bottom, 26);
  EXPECT_TRUE(IsWindowVisible(bar));
  EXPECT_NE(GetWindowThreadProcessId(bar, nullptr), GetCurrentThreadId())
      << "the task bar belongs to the shell's own thread";
}

TEST_F(ShellTest, NoTaskBarWhenTheSettingSaysSo) {
  cedev::SetSetting("taskbar", "no");
  EXPECT_EQ(Start(), nullptr);
}

TEST_F(ShellTest, StoppingTheShellRemovesItsWindows) {
  HWND bar = Start();
  ASSERT_NE(bar, nullptr);
  SendTap(bar, kIcon);
  ASSERT_NE(Popup(), nullptr);
  cedev::StopShell();
  EXPECT_FALSE(IsWindow(bar));
  EXPECT_EQ(Popup(), nullptr);
}

TEST_F(ShellTest, ButtonUpOnTheIconOpensThePopupAndASecondClosesIt) {
  HWND bar = Start();
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(Popup(), nullptr);
  SendTap(bar, kIcon);
  HWND popup = Popup();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(ClassOf(popup), L"Dialog");
  EXPECT_TRUE(IsWindowVisible(popup));
  EXPECT_EQ(GetWindowThreadProcessId(popup, nullptr), GetWindowThreadProcessId(bar, nullptr));
  SendTap(bar, kIcon);
  EXPECT_EQ(Popup(), nullptr);
  EXPECT_FALSE(IsWindow(popup));
}

TEST_F(ShellTest, ButtonDownAloneDoesNotOpenThePopup) {
  HWND bar = Start();
  ASSERT_NE(bar, nullptr);
  SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, kIcon);
  EXPECT_EQ(Popup(), nullptr);
}

TEST_F(ShellTest, ButtonUpBesideTheIconOpensNothingAndClosesAnOpenPopup) {
  HWND bar = Start();
  ASSERT_NE(bar, nullptr);
  SendTap(bar, kBesideIcon);
  EXPECT_EQ(Popup(), nullptr);
  SendTap(bar, kIcon);
  ASSERT_NE(Popup(), nullptr);
  SendTap(bar, kBesideIcon);
  EXPECT_EQ(Popup(), nullptr);
}

TEST_F(ShellTest, TheIconFollowsTheVolumeIconSetting) {
  cedev::SetSetting("volume-icon", "10,0,30,26");
  HWND bar = Start();
  ASSERT_NE(bar, nullptr);
  SendTap(bar, kIcon);
  EXPECT_EQ(Popup(), nullptr) << "the default place is no longer the icon";
  SendTap(bar, Point(15, 20));
  EXPECT_NE(Popup(), nullptr);
}

TEST_F(ShellTest, FindWindowWithTheClassInLowerCaseFindsThePopup) {
  HWND bar = Start();
  ASSERT_NE(bar, nullptr);
  SendTap(bar, kIcon);
  HWND popup = FindWindowW(L"dialog", L"Volume");
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup, FindWindowW(L"DIALOG", L"Volume"));
  EXPECT_EQ(FindWindowW(L"Dialog", L"volume"), nullptr) << "the title compares with case";
}

struct ChoicesCase {
  const char* setting;  // nullptr: the default
  std::vector<std::wstring> texts;
};

class PopupChoicesTest : public ShellTest, public ::testing::WithParamInterface<ChoicesCase> {};

TEST_P(PopupChoicesTest, ChoicesAreRadioButtonsInsideAGroupTwoLevelsDown) {
  if (GetParam().setting != nullptr) cedev::SetSetting("popup-choices", GetParam().setting);
  HWND bar = Start();
  ASSERT_NE(bar, nullptr);
  SendTap(bar, kIcon);
  HWND popup = Popup();
  ASSERT_NE(popup, nullptr);
  const std::vector<HWND> top = ChildrenOf(popup);
  ASSERT_EQ(top.size(), 1u) << "one group directly in the popup";
  HWND group = top[0];
  EXPECT_EQ(ClassOf(group), L"Button");
  EXPECT_EQ(GetWindowLongW(group, GWL_STYLE) & BS_TYPEMASK, BS_GROUPBOX);
  std::vector<std::wstring> texts;
  for (HWND choice : ChildrenOf(group)) {
    texts.push_back(TextOf(choice));
    EXPECT_EQ(ClassOf(choice), L"Button");
    EXPECT_EQ(GetWindowLongW(choice, GWL_STYLE) & BS_TYPEMASK, BS_AUTORADIOBUTTON);
    EXPECT_TRUE(IsWindowVisible(choice));
    EXPECT_TRUE(ChildrenOf(choice).empty());
  }
  EXPECT_EQ(texts, GetParam().texts);
}

INSTANTIATE_TEST_SUITE_P(Settings, PopupChoicesTest,
                         ::testing::Values(ChoicesCase{nullptr, {L"On", L"Vibrate", L"Off"}},
                                           ChoicesCase{"On,Off", {L"On", L"Off"}},
                                           ChoicesCase{"Loud,Soft,Silent,Off",
                                                       {L"Loud", L"Soft", L"Silent", L"Off"}}));

TEST_F(ShellTest, TheCurrentSoundIsTheCheckedChoice) {
  cedev::SetSound(L"Vibrate", false);
  HWND bar = Start();
  ASSERT_NE(bar, nullptr);
  SendTap(bar, kIcon);
  HWND popup = Popup();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(SendMessageW(FindDescendant(popup, L"Vibrate"), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(FindDescendant(popup, L"On"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(ShellTest, PressAndReleaseOnAChoiceSetsAndLogsTheSoundAndThePopupStays) {
  HWND bar = Start();
  ASSERT_NE(bar, nullptr);
  SendTap(bar, kIcon);
  HWND popup = Popup();
  ASSERT_NE(popup, nullptr);
  HWND vibrate = FindDescendant(popup, L"Vibrate");
  ASSERT_NE(vibrate, nullptr);
  SendTap(vibrate, 0);
  EXPECT_EQ(cedev::GetSound(), L"Vibrate");
  EXPECT_EQ(cedev::ReadSoundLog(), std::vector<std::string>{"2026-12-07 10:00:00\tVibrate"});
  EXPECT_EQ(Popup(), popup) << "popup-closes is no by default";
  HWND on = FindDescendant(popup, L"On");
  ASSERT_NE(on, nullptr);
  SendTap(on, 0);
  EXPECT_EQ(cedev::GetSound(), L"On");
  EXPECT_EQ(cedev::ReadSoundLog().size(), 2u);
}

TEST_F(ShellTest, PressAloneOnAChoiceChangesNothing) {
  HWND bar = Start();
  ASSERT_NE(bar, nullptr);
  SendTap(bar, kIcon);
  HWND off = FindDescendant(Popup(), L"Off");
  ASSERT_NE(off, nullptr);
  SendMessageW(off, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  EXPECT_EQ(cedev::GetSound(), L"On");
  EXPECT_TRUE(cedev::ReadSoundLog().empty());
}

TEST_F(ShellTest, ThePopupClosesAfterAChoiceWhenTheSettingSaysSo) {
  cedev::SetSetting("popup-closes", "yes");
  HWND bar = Start();
  ASSERT_NE(bar, nullptr);
  SendTap(bar, kIcon);
  HWND off = FindDescendant(Popup(), L"Off");
  ASSERT_NE(off, nullptr);
  SendTap(off, 0);
  EXPECT_EQ(cedev::GetSound(), L"Off");
  EXPECT_EQ(Popup(), nullptr);
}

TEST_F(ShellTest, WmCloseClosesThePopup) {
  HWND bar = Start();
  ASSERT_NE(bar, nullptr);
  SendTap(bar, kIcon);
  ASSERT_NE(Popup(), nullptr);
  SendMessageW(Popup(), WM_CLOSE, 0, 0);
  EXPECT_EQ(Popup(), nullptr);
  SendTap(bar, kIcon);
  EXPECT_NE(Popup(), nullptr) << "the icon opens it again";
}

// The training's way in: a procedure put in front of the task bar's from the program's thread.
msgtest::MessageRecorder* g_recorder = nullptr;
WNDPROC g_taskBarProc = nullptr;
std::atomic<bool> g_popupOpenAtButtonUp{false};

LRESULT CALLBACK TrainingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP) g_recorder->Record("bar", msg, wParam, lParam);
  LRESULT result = CallWindowProcW(g_taskBarProc, hwnd, msg, wParam, lParam);
  if (msg == WM_LBUTTONUP) g_popupOpenAtButtonUp = FindWindowW(L"dialog", L"Volume") != nullptr;
  return result;
}

TEST_F(ShellTest, AProcedureInstalledFromAnotherThreadRunsOnTheShellThreadAndPassesTapsOn) {
  HWND bar = Start();
  ASSERT_NE(bar, nullptr);
  msgtest::MessageRecorder recorder;
  g_recorder = &recorder;
  g_taskBarProc = reinterpret_cast<WNDPROC>(GetWindowLongW(bar, GWL_WNDPROC));
  ASSERT_NE(g_taskBarProc, nullptr);
  ASSERT_EQ(SetWindowLongW(bar, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&TrainingProc)),
            reinterpret_cast<LONG_PTR>(g_taskBarProc));

  SendTap(bar, kIcon);
  const std::vector<msgtest::Recorded> seen = recorder.Take();
  EXPECT_TRUE(msgtest::SequenceIs(
      seen, {{"bar", WM_LBUTTONDOWN, MK_LBUTTON, kIcon}, {"bar", WM_LBUTTONUP, 0, kIcon}}));
  for (const msgtest::Recorded& r : seen) {
    EXPECT_EQ(r.thread, GetWindowThreadProcessId(bar, nullptr));
    EXPECT_NE(r.thread, GetCurrentThreadId());
  }
  EXPECT_TRUE(g_popupOpenAtButtonUp) << "the task bar's own procedure opened the popup";
  EXPECT_NE(Popup(), nullptr);

  EXPECT_EQ(SetWindowLongW(bar, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(g_taskBarProc)),
            reinterpret_cast<LONG_PTR>(&TrainingProc));
  SendTap(bar, kIcon);
  EXPECT_TRUE(recorder.Take().empty()) << "the task bar's own procedure is back";
  EXPECT_EQ(Popup(), nullptr);
  g_recorder = nullptr;
}

// ---- The shell's dialog initialisation and the menu bar --------------------------------------

std::atomic<int> g_okCommands{0};

INT_PTR CALLBACK CountingDialogProc(HWND, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) ++g_okCommands;
  return msg == WM_INITDIALOG ? TRUE : FALSE;
}

class ShellDialogTest : public ShellTest {
 protected:
  HWND MakeDialog() {
    tmpl_ = EmptyDialogTemplate(WS_POPUP | WS_CAPTION | WS_VISIBLE, L"Shell Test");
    g_okCommands = 0;
    return CreateDialogIndirectParamW(nullptr, reinterpret_cast<LPCDLGTEMPLATE>(tmpl_.data()),
                                      nullptr, CountingDialogProc, 0);
  }
  std::vector<DWORD> tmpl_;
};

TEST_F(ShellDialogTest, SHInitDialogFillsTheScreenBetweenTheBarsAndAsksForOk) {
  ASSERT_NE(Start(), nullptr);
  HWND dlg = MakeDialog();
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(GetWindowLongW(dlg, GWL_EXSTYLE) & WS_EX_CAPTIONOKBTN, 0);
  SHINITDLGINFO info{SHIDIM_FLAGS, dlg,
                     SHIDIF_DONEBUTTON | SHIDIF_SIPDOWN | SHIDIF_SIZEDLGFULLSCREEN};
  ASSERT_TRUE(SHInitDialog(&info));
  RECT r{};
  GetWindowRect(dlg, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 26);
  EXPECT_EQ(r.right, 240);
  EXPECT_EQ(r.bottom, 294);
  EXPECT_NE(GetWindowLongW(dlg, GWL_EXSTYLE) & WS_EX_CAPTIONOKBTN, 0);
  DestroyWindow(dlg);
}

TEST_F(ShellDialogTest, SHInitDialogRefusesWhatIsNotADialogRequest) {
  SetLastError(0);
  EXPECT_FALSE(SHInitDialog(nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SHINITDLGINFO noWindow{SHIDIM_FLAGS, nullptr, SHIDIF_DONEBUTTON};
  EXPECT_FALSE(SHInitDialog(&noWindow));
}

TEST_F(ShellDialogTest, OkOnTheTaskBarGivesTheForegroundDialogIdok) {
  HWND bar = Start();
  ASSERT_NE(bar, nullptr);
  HWND dlg = MakeDialog();
  ASSERT_NE(dlg, nullptr);
  SHINITDLGINFO info{SHIDIM_FLAGS, dlg, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN};
  ASSERT_TRUE(SHInitDialog(&info));
  SetForegroundWindow(dlg);
  ASSERT_EQ(GetForegroundWindow(), dlg);
  SendTap(bar, kOkButton);
  EXPECT_TRUE(PumpUntil([] { return g_okCommands.load() == 1; }));
  DestroyWindow(dlg);
}

TEST_F(ShellDialogTest, OkOnTheTaskBarDoesNothingForAWindowThatDidNotAskForIt) {
  HWND bar = Start();
  ASSERT_NE(bar, nullptr);
  HWND dlg = MakeDialog();
  ASSERT_NE(dlg, nullptr);
  SetForegroundWindow(dlg);
  SendTap(bar, kOkButton);
  EXPECT_FALSE(PumpUntil([] { return g_okCommands.load() != 0; }, std::chrono::milliseconds(300)));
  DestroyWindow(dlg);
}

TEST_F(ShellDialogTest, TheEmptyMenuBarIsATopLevelWindowAtTheFootThatGoesWithItsDialog) {
  ASSERT_NE(Start(), nullptr);
  HWND dlg = MakeDialog();
  ASSERT_NE(dlg, nullptr);
  SHMENUBARINFO mbi{};
  mbi.cbSize = sizeof(mbi);
  mbi.hwndParent = dlg;
  mbi.dwFlags = SHCMBF_EMPTYBAR;
  ASSERT_TRUE(SHCreateMenuBar(&mbi));
  HWND mb = mbi.hwndMB;
  ASSERT_NE(mb, nullptr);
  EXPECT_EQ(FindWindowW(L"menu_worker", nullptr), mb) << "a top-level window";
  RECT r{};
  GetWindowRect(mb, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 294);
  EXPECT_EQ(r.right, 240);
  EXPECT_EQ(r.bottom, 320);
  EXPECT_TRUE(IsWindowVisible(mb));
  EXPECT_NE(GetActiveWindow(), mb) << "made without taking the activation";
  // Activated (as the next window in line when a message box goes), it hands on to its dialog.
  SetForegroundWindow(mb);
  EXPECT_TRUE(PumpUntil([dlg] { return GetForegroundWindow() == dlg; }));
  DestroyWindow(dlg);
  EXPECT_TRUE(PumpUntil([mb] { return !IsWindow(mb); }));
}

TEST_F(ShellDialogTest, SHCreateMenuBarRefusesAMissingWindow) {
  SHMENUBARINFO mbi{};
  mbi.cbSize = sizeof(mbi);
  mbi.dwFlags = SHCMBF_EMPTYBAR;
  EXPECT_FALSE(SHCreateMenuBar(&mbi));
  EXPECT_EQ(mbi.hwndMB, nullptr);
}

}  // namespace
