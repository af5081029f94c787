#include "ScriptRunner.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "WideText.h"

namespace cedev {

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr milliseconds kScriptEndGrace{2000};
constexpr milliseconds kSettleBound{2000};
constexpr milliseconds kWaitSlice{100};
constexpr milliseconds kPoll{20};
// The task bar's "ok" button, in task-bar pixels.
constexpr POINT kOkButton{226, 13};

[[noreturn]] void FailLine(long line, const std::string& why) {
  FailInput("line " + std::to_string(line) + ": " + why);
}

void Print(const std::wstring& text) {
  const std::string bytes = Utf8FromWide(text);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

std::string Quote(const std::wstring& text) {
  std::wstring q = L"\"";
  for (wchar_t c : text) {
    if (c == L'"' || c == L'\\') q += L'\\';
    q += c;
  }
  return Utf8FromWide(q + L"\"");
}

std::string SecondsText(milliseconds ms) {
  const long long v = ms.count();
  std::string s = std::to_string(v / 1000);
  if (v % 1000) {
    char frac[8];
    std::snprintf(frac, sizeof frac, ".%03lld", v % 1000);
    s += frac;
    while (s.back() == '0') s.pop_back();
  }
  return s;
}

}  // namespace

void FailInput(const std::string& why) {
  std::fflush(stdout);
  std::fprintf(stderr, "input: %s\n", why.c_str());
  std::fflush(stderr);
  std::_Exit(3);
}

void ScriptRunner::Stop() {
  {
    std::lock_guard lk(lock_);
    stop_ = true;
  }
  stopped_.notify_all();
}

void ScriptRunner::Restart() {
  std::lock_guard lk(lock_);
  stop_ = false;
}

bool ScriptRunner::Stopping() {
  std::lock_guard lk(lock_);
  return stop_;
}

bool ScriptRunner::Pause(milliseconds ms) {
  std::unique_lock lk(lock_);
  return !stopped_.wait_for(lk, ms, [this] { return stop_; });
}

// Waits until the device is at rest (every thread but this one waits for input with nothing
// queued for it), so that the next command acts on what this one left, not on a window that is
// still going or a focus still moving. At most 2 s (a thread asleep in Sleep never rests), and
// no longer once the program has ended.
void ScriptRunner::Settle() {
  const auto deadline = Clock::now() + kSettleBound;
  while (!target_.WaitIdle()) {
    if (Stopping() || Clock::now() >= deadline) return;
  }
}

void ScriptRunner::TapAt(POINT p) {
  if (target_.Tap(p)) Settle();
}

void ScriptRunner::PressKey(const KeyStroke& key) {
  if (target_.Press(key)) Settle();
}

// Waits for a text to show (or go), looking at the end of the program between slices.
bool ScriptRunner::WaitShowing(const std::wstring& text, bool wanted, milliseconds bound) {
  const auto deadline = Clock::now() + bound;
  for (;;) {
    if (target_.IsShowing(text) == wanted) return true;
    const auto now = Clock::now();
    if (now >= deadline || Stopping()) return target_.IsShowing(text) == wanted;
    const auto slice =
        std::min(kWaitSlice, std::chrono::duration_cast<milliseconds>(deadline - now));
    if (!target_.WaitForChange(text, wanted, slice)) Pause(kPoll);
  }
}

void ScriptRunner::Run(long lineNumber, const InputCommand& c) {
  using Kind = InputCommand::Kind;
  switch (c.kind) {
    case Kind::Nothing:
      return;
    case Kind::Tap:
      TapAt(POINT{c.x, c.y});
      return;
    case Kind::TapText: {
      auto at = target_.FindShowing(c.text);
      if (!at) FailLine(lineNumber, "no window or list row shows " + Quote(c.text));
      TapAt(*at);
      return;
    }
    case Kind::Ok: {
      HWND bar = FindWindowW(L"HHTaskBar", nullptr);
      RECT r;
      if (!bar || !GetWindowRect(bar, &r))
        FailLine(lineNumber, "there is no task bar to tap \"ok\" on");
      TapAt(POINT{r.left + kOkButton.x, r.top + kOkButton.y});
      return;
    }
    case Kind::Key:
      PressKey(c.key);
      return;
    case Kind::Type:
      for (wchar_t ch : c.text) {
        if (Stopping()) return;
        PressKey(KeyFromCharacter(ch));
      }
      return;
    case Kind::Wait:
    case Kind::Gone: {
      const bool wanted = c.kind == Kind::Wait;
      if (WaitShowing(c.text, wanted, c.duration)) {
        Settle();
        return;
      }
      // A wait that the program's end cut short failed, whatever the timing: had the end come a
      // moment sooner, the command would never have run.
      if (Stopping())
        FailLine(lineNumber, std::string("the program ended while waiting for ") + Quote(c.text) +
                                 (wanted ? "" : " to go"));
      if (wanted)
        FailLine(lineNumber,
                 "timed out after " + SecondsText(c.duration) + " s waiting for " + Quote(c.text));
      FailLine(lineNumber,
               Quote(c.text) + " still showing after " + SecondsText(c.duration) + " s");
    }
    case Kind::Expect:
      if (!target_.IsShowing(c.text)) FailLine(lineNumber, Quote(c.text) + " is not showing");
      return;
    case Kind::Sleep:
      Pause(c.duration);
      return;
    case Kind::Screen: {
      std::wstring text;
      std::string why;
      if (!target_.ScreenText(text, why)) FailLine(lineNumber, why);
      Print(text);
      return;
    }
    case Kind::Tree:
      Print(target_.TreeText());
      return;
    case Kind::Screenshot: {
      std::string why;
      if (!target_.WriteScreenshot(Utf8FromWide(c.text), why)) FailLine(lineNumber, why);
      return;
    }
  }
}

void ScriptRunner::RunScript(const NextLine& next) {
  std::string line;
  long number = 0;
  const std::function<bool()> stopping = [this] { return Stopping(); };
  while (!Stopping() && next(line, stopping)) {
    ++number;
    const ParsedInputLine parsed = ParseInputLine(line);
    if (!parsed.error.empty()) FailLine(number, parsed.error);
    Run(number, parsed.command);
  }
  if (Stopping()) {
    // The program has ended: a command left in the script never ran, and the script fails on
    // it. The rest of a script still coming is waited for as long as the end's grace.
    const auto deadline = Clock::now() + kScriptEndGrace;
    const std::function<bool()> late = [&] { return Clock::now() >= deadline; };
    while (next(line, late)) {
      ++number;
      const ParsedInputLine parsed = ParseInputLine(line);
      if (!parsed.error.empty() || parsed.command.kind != InputCommand::Kind::Nothing)
        FailLine(number, "the program ended before this command");
    }
    return;
  }
  if (Pause(kScriptEndGrace)) FailInput("script ended while the program was still running");
}

}  // namespace cedev
