// Records the messages that windows receive, in the order they arrive, so tests can compare
// them as sequences. Written against the SDK's windows.h alone: the same tests build for the
// real API too.
#pragma once

#include <windows.h>

#include <mutex>
#include <optional>
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

// What a test expects: a window's tag, a message, and optionally its wParam and lParam. An
// optional entry may be absent from what was recorded (Optional below).
struct Expected {
  Expected(std::string w, UINT m) : window(std::move(w)), message(m) {}
  Expected(std::string w, UINT m, WPARAM wp) : window(std::move(w)), message(m), wParam(wp) {}
  Expected(std::string w, UINT m, WPARAM wp, LPARAM lp)
      : window(std::move(w)), message(m), wParam(wp), lParam(lp) {}
  std::string window;
  UINT message = 0;
  std::optional<WPARAM> wParam;
  std::optional<LPARAM> lParam;
  bool optional = false;
};

// An entry that one system sends and another need not (each use says why), as Wine's message
// tests mark theirs.
Expected Optional(Expected entry);

class MessageRecorder {
 public:
  // Under Windows the desktop's own messages, which the device never sends, are not recorded.
  void Record(const std::string& window, UINT message, WPARAM wParam, LPARAM lParam);
  // Everything recorded since the last Take.
  std::vector<Recorded> Take();
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
// Passes when `seen` is `wanted` whole: every message in order, none more, none missing but the
// optional ones. Otherwise prints both side by side, each line marked where they part.
::testing::AssertionResult SequenceIs(const std::vector<Recorded>& seen,
                                      const std::vector<Expected>& wanted);

}  // namespace msgtest
