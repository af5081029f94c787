// Input scripts run against a small program: commands act in order, a failing command ends
// the process with status 3 and "input: line N: WHY", and so do a script that runs out while
// the program goes on and one that still holds a command when the program ends.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "InputAndDisplay.h"

namespace {

// Tapped, the program ends at once; sent a key, a moment later by itself.
LRESULT CALLBACK QuitButtonProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_LBUTTONUP || m == WM_TIMER) {
    PostQuitMessage(0);
    return 0;
  }
  if (m == WM_KEYDOWN) {
    SetTimer(h, 1, 300, nullptr);
    return 0;
  }
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT r;
    GetClientRect(h, &r);
    wchar_t text[32];
    GetWindowTextW(h, text, 32);
    DrawTextW(dc, text, -1, &r, DT_CENTER | DT_SINGLELINE);
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

// The same in the test and in its death-test child (a fresh run of this program), which
// inherits the environment.
std::string TempPath(const std::string& name) {
  if (!std::getenv("CEDEVICE_SCRIPT_TEST_ID")) {
    setenv("CEDEVICE_SCRIPT_TEST_ID", std::to_string(getpid()).c_str(), 1);
  }
  return ::testing::TempDir() + "cedev-script-" + std::getenv("CEDEVICE_SCRIPT_TEST_ID") + "-" +
         name;
}

// The program: one window "Quit" that ends the message loop when tapped.
[[noreturn]] void RunProgram(const std::string& script, const std::string& output) {
  std::ofstream(TempPath("script")) << script;
  setenv("CEDEVICE_INPUT", TempPath("script").c_str(), 1);
  setenv("CEDEVICE_DISPLAY", "none", 1);
  if (!output.empty() && !std::freopen(output.c_str(), "w", stdout)) std::_Exit(90);
  WNDCLASSW wc{};
  wc.lpfnWndProc = QuitButtonProc;
  wc.lpszClassName = L"ScriptQuit";
  RegisterClassW(&wc);
  CreateWindowExW(0, L"ScriptQuit", L"Quit", WS_VISIBLE, 0, 26, 40, 8, nullptr, nullptr, nullptr,
                  nullptr);
  cedev::StartInputAndDisplay();
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
  cedev::StopInputAndDisplay();
  std::fflush(stdout);
  std::_Exit(0);
}

class ScriptRun : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(ScriptRun, ScriptThatEndsTheProgramExitsNormallyAndPrintsTheScreen) {
  const std::string out = TempPath("out");
  EXPECT_EXIT(
      RunProgram(
          "# a comment\n\nwait \"Quit\" 2\nexpect \"Quit\"\nscreen\ntap \"Quit\"\n\n# done\n", out),
      ::testing::ExitedWithCode(0), "");
  std::ifstream in(out);
  std::stringstream text;
  text << in.rdbuf();
  std::string expected(60 * 40 + 40, ' ');
  for (int row = 0; row < 40; ++row) expected[static_cast<size_t>(row * 61 + 60)] = '\n';
  expected.replace(3 * 61 + 3, 4, "Quit");
  EXPECT_EQ(text.str(), expected);
}

struct Failing {
  const char* script;
  const char* stderrPattern;
};

class FailingScripts : public ScriptRun, public ::testing::WithParamInterface<Failing> {};

TEST_P(FailingScripts, EndTheProgramWithStatus3) {
  EXPECT_EXIT(RunProgram(GetParam().script, ""), ::testing::ExitedWithCode(3),
              GetParam().stderrPattern);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailingScripts,
    ::testing::Values(
        Failing{"expect \"Quit\"\nbogus\n", "input: line 2: unknown command \"bogus\""},
        Failing{"wait \"Never\" 0.2\n",
                "input: line 1: timed out after 0.2 s waiting for \"Never\""},
        Failing{"gone \"Quit\" 0.1\n", "input: line 1: \"Quit\" still showing after 0.1 s"},
        Failing{"\n\nexpect \"quit\"\n", "input: line 3: \"quit\" is not showing"},
        Failing{"tap \"Nothing\"\n", "input: line 1: no window or list row shows \"Nothing\""},
        Failing{"ok\n", "input: line 1: there is no task bar to tap \"ok\" on"},
        Failing{"tap 300 1\n", "input: line 1: point 300,1 is off the 240x320 screen"},
        Failing{"screenshot \"/\"\n",
                "input: line 1: cannot write the screenshot to \"/\": it is not a plain file"},
        Failing{"screenshot \"/no-such-folder/s.png\"\n",
                "input: line 1: cannot write the screenshot to \"/no-such-folder/s.png\": No such "
                "file"},
        Failing{"sleep 10\n", "input: script ended while the program was still running"},
        Failing{"tap \"Quit\"\n\n# then\nexpect \"Quit\"\n",
                "input: line 4: the program ended before this command"},
        Failing{"tap \"Quit\"\nbogus\n", "input: line 2: the program ended before this command"},
        Failing{"key Space\nwait \"Never\" 30\n",
                "input: line 2: the program ended (while waiting for \"Never\"|before)"}));

}  // namespace
