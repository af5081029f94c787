// Running an input script's commands, the same on the device and on desktop Windows: each
// command, its failure messages (stderr "input: line N: ...", exit status 3), the settling after
// a tap or a key, and the end of the script against the end of the program. What differs between
// the two (how a tap reaches a window, what "at rest" means, whether there is a picture) is a
// ScriptTarget; where the lines come from is the caller's.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "InputScript.h"

namespace cedev {

// What a script acts on and looks at.
class ScriptTarget {
 public:
  virtual ~ScriptTarget() = default;
  // A tap at a screen point, a key to the focus; false when nothing took it (nothing to settle).
  virtual bool Tap(POINT screen) = 0;
  virtual bool Press(const KeyStroke& key) = 0;
  // Waits a short slice for every thread of the program to rest; true once they do.
  virtual bool WaitIdle() = 0;
  virtual bool IsShowing(const std::wstring& text) = 0;
  virtual std::optional<POINT> FindShowing(const std::wstring& text) = 0;
  // Waits at most `slice` for `text` to show (or, `wanted` false, to go); false when this build
  // cannot watch for that, and the runner polls instead.
  virtual bool WaitForChange(const std::wstring& text, bool wanted,
                             std::chrono::milliseconds slice) = 0;
  virtual std::wstring TreeText() = 0;
  // The picture as text, and as a PNG file; false with the reason when there is none.
  virtual bool ScreenText(std::wstring& text, std::string& why) = 0;
  virtual bool WriteScreenshot(const std::string& path, std::string& why) = 0;
};

// Ends the run: "input: WHY" on stderr, exit status 3.
[[noreturn]] void FailInput(const std::string& why);

class ScriptRunner {
 public:
  // Gives the next line, or false at the end of the script or once `giveUp` says so while it
  // waits for more.
  using NextLine = std::function<bool(std::string& line, const std::function<bool()>& giveUp)>;

  explicit ScriptRunner(ScriptTarget& target) : target_(target) {}

  // Runs the script to its end; a command left when the program has ended fails the run, and so
  // does a program still running 2 s after the script's end.
  void RunScript(const NextLine& next);

  // Called when the program has ended; Restart readies the runner for another run.
  void Stop();
  void Restart();
  bool Stopping();
  // Sleeps, or returns false at once when the program has ended.
  bool Pause(std::chrono::milliseconds ms);

 private:
  void Run(long lineNumber, const InputCommand& c);
  void Settle();
  void TapAt(POINT p);
  void PressKey(const KeyStroke& key);
  bool WaitShowing(const std::wstring& text, bool wanted, std::chrono::milliseconds bound);

  ScriptTarget& target_;
  // lock_ guards stop_; the program's thread sets it, the script's thread waits on it.
  std::mutex lock_;
  std::condition_variable stopped_;
  bool stop_ = false;
};

}  // namespace cedev
