// SwitchVolume against the device's own shell, on its own thread: the exact taps the task bar
// and the chosen popup button receive, with the waits between them as the sleep observer sees
// them, for each way the shell can be set up.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include <windows.h>

#include "DeviceClock.h"
#include "KernelControl.h"
#include "MessageRecorder.h"
#include "Settings.h"
#include "ShellThread.h"
#include "SoundState.h"
#include "VolumeChoices.h"
#include "VolumeSwitch.h"
#include "Scratch.h"
#include "Watchdog.h"

using msgtest::Expected;

namespace {

// Windows whose messages are recorded: each keeps its own procedure behind RecordingProc.
struct Watched {
  std::string tag;
  WNDPROC next = nullptr;
};
std::mutex g_lock;
std::map<HWND, Watched> g_watched;
msgtest::MessageRecorder g_recorder;

// What the program's taps make the shell do is what it does inside the program's sends; what it
// does in its own time (painting, the notes it posts itself) falls between the program's sleeps
// as the machine's load has it, and is not recorded.
LRESULT CALLBACK RecordingProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Watched watched;
  {
    std::lock_guard lock(g_lock);
    watched = g_watched[hWnd];
  }
  if (InSendMessage()) g_recorder.Record(watched.tag, message, wParam, lParam);
  return CallWindowProc(watched.next, hWnd, message, wParam, lParam);
}

void Watch(HWND hWnd, const std::string& tag) {
  std::lock_guard lock(g_lock);
  if (g_watched.count(hWnd) != 0) return;
  // Stored before the procedure goes in: the shell thread may call it at once.
  g_watched[hWnd].tag = tag;
  g_watched[hWnd].next = reinterpret_cast<WNDPROC>(GetWindowLong(hWnd, GWL_WNDPROC));
  SetWindowLong(hWnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc));
}

void WatchDescendants(HWND parent) {
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t text[64] = {};
    GetWindowText(child, text, 64);
    Watch(child, std::string(text, text + wcslen(text)));
    WatchDescendants(child);
  }
}

HWND Popup() { return FindWindow(L"Dialog", L"Volume"); }

struct SwitchCase {
  const char* name;
  const char* choices;
  const char* closes;
  WORD x, y;
  LONG mode;
  bool popupOpenFirst;
  std::vector<Expected> want;
  const char* wantSound;
};

constexpr LPARAM kIcon = 0x000A00C8;  // (200, 10)

std::vector<Expected> IconTap() {
  return {{"taskbar", WM_LBUTTONDOWN, MK_LBUTTON, kIcon},
          {"sleep", WM_NULL, 100},
          {"taskbar", WM_LBUTTONUP, 0, kIcon}};
}
std::vector<Expected> Then(std::vector<Expected> a, const std::vector<Expected>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
const std::vector<Expected> kWait50 = {{"sleep", WM_NULL, 50}};

// The popup's choices as the setting names them, in order: the popup's group "Sound" holds them.
std::vector<std::string> Choices(const std::string& setting) {
  std::vector<std::string> choices;
  std::size_t start = 0;
  for (std::size_t comma; (comma = setting.find(',', start)) != std::string::npos;
       start = comma + 1)
    choices.push_back(setting.substr(start, comma - start));
  choices.push_back(setting.substr(start));
  return choices;
}

// A choice pressed (it takes the focus), held and released: it checks itself and unchecks the
// others, tells its group, and the popup reads which it was.
std::vector<Expected> ChoiceTap(const std::string& setting, const std::string& choice) {
  std::vector<Expected> tap = {{choice, WM_LBUTTONDOWN, MK_LBUTTON, 0},
                               {choice, WM_SETFOCUS, 0},
                               {"sleep", WM_NULL, 100},
                               {choice, WM_LBUTTONUP, 0, 0},
                               {choice, WM_CAPTURECHANGED}};
  for (const std::string& other : Choices(setting)) {
    if (other != choice) tap.push_back({other, BM_SETCHECK, BST_UNCHECKED});
  }
  return Then(tap, {{"Sound", WM_COMMAND}, {choice, WM_GETTEXT}});
}

// The popup closing: the choice with the focus loses it, then the group and its choices go.
std::vector<Expected> PopupGoes(const std::string& setting, const std::string& focused) {
  std::vector<Expected> goes;
  if (!focused.empty()) goes.push_back({focused, WM_KILLFOCUS, 0});
  goes.push_back({"Sound", WM_DESTROY});
  for (const std::string& c : Choices(setting)) goes.push_back({c, WM_DESTROY});
  for (const std::string& c : Choices(setting)) goes.push_back({c, WM_NCDESTROY});
  goes.push_back({"Sound", WM_NCDESTROY});
  return goes;
}

std::vector<Expected> Switch(const std::string& setting, const std::string& choice) {
  return Then(
      Then(Then(Then(Then(IconTap(), kWait50), ChoiceTap(setting, choice)), kWait50), IconTap()),
      PopupGoes(setting, choice));
}
std::vector<Expected> SwitchNoChoice(const std::string& setting) {
  return Then(Then(Then(Then(IconTap(), kWait50), kWait50), IconTap()), PopupGoes(setting, ""));
}

class VolumeSwitchOnTheShell : public testing::TestWithParam<SwitchCase> {
 protected:
  void SetUp() override {
    testsupport::ResetProcessDevice();
    cedev::clock::FreezeForProcess(cedev::DeviceTime{2026, 12, 7, 10, 0, 0, 0});
    {
      std::lock_guard lock(g_lock);
      g_watched.clear();
    }
    g_recorder.Take();
  }
  void TearDown() override {
    cedev::SetSleepObserver({});
    cedev::StopShell();
  }

  msgtest::Watchdog watchdog_{"VolumeSwitchOnTheShell", std::chrono::seconds(20)};
};

TEST_P(VolumeSwitchOnTheShell, TapsAndWaits) {
  const SwitchCase& c = GetParam();
  cedev::SetSetting("popup-choices", c.choices);
  cedev::SetSetting("popup-closes", c.closes);
  cedev::StartShell();
  HWND taskBar = FindWindow(L"HHTaskBar", nullptr);
  ASSERT_NE(taskBar, nullptr);
  if (c.popupOpenFirst) {
    SendMessage(taskBar, WM_LBUTTONDOWN, MK_LBUTTON, kIcon);
    SendMessage(taskBar, WM_LBUTTONUP, 0, kIcon);
    ASSERT_NE(Popup(), nullptr);
    WatchDescendants(Popup());
  }
  Watch(taskBar, "taskbar");
  cedev::SetSleepObserver([](DWORD ms) {
    g_recorder.Record("sleep", WM_NULL, ms, 0);
    // The popup's buttons exist from the icon's release on; watch them before they are tapped.
    if (HWND popup = Popup()) WatchDescendants(popup);
  });

  SwitchVolume(TapPoint{c.x, c.y}, c.mode);

  EXPECT_TRUE(msgtest::SequenceIs(g_recorder.Take(), c.want));
  EXPECT_EQ(TheVolumeChoices().hWndOn, nullptr);
  EXPECT_EQ(TheVolumeChoices().hWndMute, nullptr);
  EXPECT_EQ(cedev::GetSound(), std::wstring(c.wantSound, c.wantSound + strlen(c.wantSound)));
}

INSTANTIATE_TEST_SUITE_P(
    Shells, VolumeSwitchOnTheShell,
    testing::Values(
        SwitchCase{"MuteTapsVibrate", "On,Vibrate,Off", "no", 200, 10, 1, false,
                   Switch("On,Vibrate,Off", "Vibrate"), "Vibrate"},
        SwitchCase{"SoundOnTapsOn", "Off,Vibrate,On", "no", 200, 10, 0, false,
                   Switch("Off,Vibrate,On", "On"), "On"},
        SwitchCase{"VibrateBeforeOffInAnyOrder", "Vibrate,Off,On", "no", 200, 10, 1, false,
                   Switch("Vibrate,Off,On", "Vibrate"), "Vibrate"},
        SwitchCase{"OffWithoutVibrate", "On,Off", "no", 200, 10, 1, false, Switch("On,Off", "Off"),
                   "Off"},
        SwitchCase{"ModeTwoMutes", "On,Vibrate,Off", "no", 200, 10, 2, false,
                   Switch("On,Vibrate,Off", "Vibrate"), "Vibrate"},
        SwitchCase{"ModeMinusOneMutes", "On,Vibrate,Off", "no", 200, 10, -1, false,
                   Switch("On,Vibrate,Off", "Vibrate"), "Vibrate"},
        SwitchCase{"OnAloneTapsNothing", "On", "no", 200, 10, 0, false, SwitchNoChoice("On"), "On"},
        SwitchCase{"MuteAloneTapsNothing", "Vibrate,Off", "no", 200, 10, 1, false,
                   SwitchNoChoice("Vibrate,Off"), "On"},
        SwitchCase{"CaseDifferingTextsTapNothing", "on,vibrate,off", "no", 200, 10, 1, false,
                   SwitchNoChoice("on,vibrate,off"), "On"},
        SwitchCase{"PopupThatClosesItself", "On,Vibrate,Off", "yes", 200, 10, 1, false,
                   Then(Then(Then(IconTap(), kWait50), ChoiceTap("On,Vibrate,Off", "Vibrate")),
                        PopupGoes("On,Vibrate,Off", "Vibrate")),
                   "Vibrate"},
        SwitchCase{"PopupAlreadyOpen", "On,Vibrate,Off", "no", 200, 10, 1, true,
                   Then(Then(Then(ChoiceTap("On,Vibrate,Off", "Vibrate"), kWait50), IconTap()),
                        PopupGoes("On,Vibrate,Off", "Vibrate")),
                   "Vibrate"},
        SwitchCase{"UntrainedX", "On,Vibrate,Off", "no", 0, 25, 1, false, {}, "On"},
        SwitchCase{"UntrainedY", "On,Vibrate,Off", "no", 25, 0, 1, false, {}, "On"}),
    [](const testing::TestParamInfo<SwitchCase>& param) { return param.param.name; });

TEST(VolumeSwitchWithoutTaskBar, SendsAndWaitsForNothing) {
  msgtest::Watchdog watchdog("VolumeSwitchWithoutTaskBar", std::chrono::seconds(20));
  testsupport::ResetProcessDevice();
  cedev::SetSetting("taskbar", "no");
  cedev::StartShell();
  std::vector<DWORD> sleeps;
  cedev::SetSleepObserver([&sleeps](DWORD ms) { sleeps.push_back(ms); });
  SwitchVolume(TapPoint{200, 10}, 1);
  cedev::SetSleepObserver({});
  cedev::StopShell();
  EXPECT_TRUE(sleeps.empty());
  EXPECT_EQ(cedev::GetSound(), L"On");
}

}  // namespace
