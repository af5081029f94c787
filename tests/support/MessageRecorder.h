// Records the messages that windows receive, in the order they arrive, so tests can compare
// them as sequences. Written against the SDK's windows.h alone: the same tests build for the
// real API too.
#pragma once

#include <windows.h>

#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace msgtest {

struct Recorded {
  std::string window;  // the tag the test gave the window
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD thread = 0;  // the thread the procedure ran on
};

// What a test expects: a window's tag, a message, and optionally its wParam and lParam.
struct Expected {
  Expected(std::string w, UINT m) : window(std::move(w)), message(m) {}
  Expected(std::string w, UINT m, WPARAM wp) : window(std::move(w)), message(m), wParam(wp) {}
  Expected(std::string w, UINT m, WPARAM wp, LPARAM lp)
      : window(std::move(w)), message(m), wParam(wp), lParam(lp) {}
  std::string window;
  UINT message = 0;
  std::optional<WPARAM> wParam;
  std::optional<LPARAM> lParam;
};

class MessageRecorder {
 public:
  void Record(const std::string& window, UINT message, WPARAM wParam, LPARAM lParam);
  // What was recorded since the last Take, keeping only the listed messages (all when empty).
  std::vector<Recorded> Take(const std::set<UINT>& only = {});
  size_t Count(const std::string& window, UINT message);

 private:
  std::mutex lock_;
  std::vector<Recorded> seen_;
};

// The recorder and tag of a window made with CreateRecordedWindow.
struct RecordedWindow {
  MessageRecorder* recorder = nullptr;
  std::string tag;
  WNDPROC next = nullptr;  // where messages go on; DefWindowProc when null
};

// Registers (once) the class "MsgTestRecorder", whose procedure records every message and
// passes it to DefWindowProc.
const wchar_t* RecordingClass();
// A window of that class. `info` must outlive the window.
HWND CreateRecordedWindow(RecordedWindow& info, DWORD exStyle, DWORD style, int x, int y, int w,
                          int h, HWND parent, int id = 0);

std::string MessageName(UINT message);
std::string Describe(const std::vector<Recorded>& seen);
std::string Describe(const std::vector<Expected>& wanted);
// Passes when `seen` is `wanted` exactly; otherwise says both, side by side.
::testing::AssertionResult SequenceIs(const std::vector<Recorded>& seen,
                                      const std::vector<Expected>& wanted);

}  // namespace msgtest
