// The input thread: reads the script a line at a time (without blocking its own stopping) and
// runs each command; and the choice of display.
#include "InputAndDisplay.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "Automation.h"
#include "InputScript.h"
#include "Screenshot.h"
#include "TerminalDisplay.h"
#include "WideText.h"

namespace cedev {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kScriptEndGrace{2000};
constexpr milliseconds kPaintBound{2000};
constexpr milliseconds kSettleBound{2000};

std::mutex g_lock;
std::condition_variable g_stopped;
bool g_stop = false;
std::thread g_thread;

[[noreturn]] void Fail(const std::string& why) {
  std::fflush(stdout);
  std::fprintf(stderr, "input: %s\n", why.c_str());
  std::fflush(stderr);
  std::_Exit(3);
}

[[noreturn]] void FailLine(long line, const std::string& why) {
  Fail("line " + std::to_string(line) + ": " + why);
}

// Sleeps, or returns false at once when the program has ended.
bool Pause(milliseconds ms) {
  std::unique_lock lk(g_lock);
  return !g_stopped.wait_for(lk, ms, [] { return g_stop; });
}

bool Stopping() {
  std::lock_guard lk(g_lock);
  return g_stop;
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

// Waits for a text to show (or go), polling the stop flag between slices.
bool WaitShowing(const std::wstring& text, bool wanted, milliseconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  for (;;) {
    if (automation::IsShowing(text) == wanted) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline || Stopping()) return automation::IsShowing(text) == wanted;
    const auto slice =
        std::min(milliseconds(100), std::chrono::duration_cast<milliseconds>(deadline - now));
    if (wanted) {
      automation::WaitForText(text, slice);
    } else {
      automation::WaitGone(text, slice);
    }
  }
}

// Waits until the device is at rest (every thread but this one waits for input with nothing
// queued for it), so that the next command acts on what this one left, not on a window that is
// still going or a focus still moving. At most 2 s (a thread asleep in Sleep never rests), and
// no longer once the program has ended.
void Settle() {
  const auto deadline = std::chrono::steady_clock::now() + kSettleBound;
  while (!WaitDeviceIdle(milliseconds(50))) {
    if (Stopping() || std::chrono::steady_clock::now() >= deadline) return;
  }
}

void TapAt(POINT p) {
  if (InjectTap(p)) Settle();
}

void Press(const KeyStroke& key) {
  if (InjectKey(key)) Settle();
}

// A wait that the program's end cut short failed, whatever the timing: had the end come a
// moment sooner, the command would never have run.
void FailWaitCutShort(long lineNumber, const std::wstring& text, bool wanted) {
  FailLine(lineNumber, std::string("the program ended while waiting for ") + Quote(text) +
                           (wanted ? "" : " to go"));
}

void Run(long lineNumber, const InputCommand& c) {
  using Kind = InputCommand::Kind;
  switch (c.kind) {
    case Kind::Nothing:
      return;
    case Kind::Tap:
      TapAt(POINT{c.x, c.y});
      return;
    case Kind::TapText: {
      auto at = FindShowingText(c.text);
      if (!at) FailLine(lineNumber, "no window or list row shows " + Quote(c.text));
      TapAt(*at);
      return;
    }
    case Kind::Ok: {
      HWND bar = FindWindowW(L"HHTaskBar", nullptr);
      RECT r;
      if (!bar || !GetWindowRect(bar, &r))
        FailLine(lineNumber, "there is no task bar to tap \"ok\" on");
      TapAt(POINT{r.left + automation::kOkButton.x, r.top + automation::kOkButton.y});
      return;
    }
    case Kind::Key:
      Press(c.key);
      return;
    case Kind::Type:
      for (wchar_t ch : c.text) {
        if (Stopping()) return;
        Press(KeyFromCharacter(ch));
      }
      return;
    case Kind::Wait:
    case Kind::Gone: {
      const bool wanted = c.kind == Kind::Wait;
      if (WaitShowing(c.text, wanted, c.duration)) {
        Settle();
        return;
      }
      if (Stopping()) FailWaitCutShort(lineNumber, c.text, wanted);
      if (wanted)
        FailLine(lineNumber,
                 "timed out after " + SecondsText(c.duration) + " s waiting for " + Quote(c.text));
      FailLine(lineNumber,
               Quote(c.text) + " still showing after " + SecondsText(c.duration) + " s");
    }
    case Kind::Expect:
      if (!automation::IsShowing(c.text)) FailLine(lineNumber, Quote(c.text) + " is not showing");
      return;
    case Kind::Sleep:
      Pause(c.duration);
      return;
    case Kind::Screen:
      Print(automation::ScreenText());
      return;
    case Kind::Tree:
      WaitForPaints(kPaintBound);
      Print(automation::TreeText());
      return;
    case Kind::Screenshot: {
      std::string why;
      if (!WriteScreenshot(Utf8FromWide(c.text), why)) FailLine(lineNumber, why);
      return;
    }
  }
}

// Reads one line from `fd`; false at the end of the input, or once `giveUp` says so while it
// waits for more.
template <typename GiveUp>
bool ReadLine(int fd, std::string& pending, std::string& line, bool& atEnd, GiveUp giveUp) {
  for (;;) {
    if (auto nl = pending.find('\n'); nl != std::string::npos) {
      line = pending.substr(0, nl);
      pending.erase(0, nl + 1);
      return true;
    }
    if (atEnd) {
      if (pending.empty()) return false;
      line = std::move(pending);
      pending.clear();
      return true;
    }
    if (giveUp()) return false;
    pollfd p{fd, POLLIN, 0};
    const int ready = poll(&p, 1, 100);
    if (ready < 0 && errno != EINTR) {
      atEnd = true;
      continue;
    }
    if (ready <= 0) continue;
    char buffer[4096];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) {
      atEnd = true;
      continue;
    }
    pending.append(buffer, static_cast<size_t>(n));
  }
}

void InputThread(int fd, bool closeAfter) {
  std::string pending;
  std::string line;
  bool atEnd = false;
  long number = 0;
  while (!Stopping() && ReadLine(fd, pending, line, atEnd, Stopping)) {
    ++number;
    ParsedInputLine parsed = ParseInputLine(line);
    if (!parsed.error.empty()) FailLine(number, parsed.error);
    Run(number, parsed.command);
  }
  if (Stopping()) {
    // The program has ended: a command left in the script never ran, and the script fails on
    // it. The rest of a script on a pipe is waited for as long as the end's grace.
    const auto deadline = std::chrono::steady_clock::now() + kScriptEndGrace;
    auto late = [&] { return std::chrono::steady_clock::now() >= deadline; };
    while (ReadLine(fd, pending, line, atEnd, late)) {
      ++number;
      const ParsedInputLine parsed = ParseInputLine(line);
      if (!parsed.error.empty() || parsed.command.kind != InputCommand::Kind::Nothing) {
        FailLine(number, "the program ended before this command");
      }
    }
    if (closeAfter) close(fd);
    return;
  }
  if (closeAfter) close(fd);
  if (Pause(kScriptEndGrace)) Fail("script ended while the program was still running");
}

bool IsTerminal(int fd) { return isatty(fd) == 1; }

// With neither a display nor a script, nothing can give the program input. A run that needs
// none (the notification service's launches) never waits for a message and is left alone; a
// run that waits for one (an interactive run's dialog) would wait for ever in silence, so the
// first such wait of the program's thread is said and ends the run.
void WatchForAWaitNothingCanEnd(DWORD program) {
  while (!Stopping()) {
    const auto seen = DisplayGeneration();
    if (ThreadWaitsForInput(program)) {
      std::fprintf(stderr,
                   "cedevice: nothing can use this run: it has no display and no input script, and "
                   "the program is "
                   "waiting for input.\n"
                   "cedevice: run it in a terminal (CEDEVICE_DISPLAY unset or terminal), or give "
                   "it input commands "
                   "with CEDEVICE_INPUT=FILE (- for standard input).\n");
      std::fflush(stderr);
      std::_Exit(3);
    }
    WaitForChange(seen, milliseconds(100));
  }
}

}  // namespace

void StartInputAndDisplay() {
  const char* input = std::getenv("CEDEVICE_INPUT");
  const char* display = std::getenv("CEDEVICE_DISPLAY");
  std::string chosen = display ? display : "";
  if (chosen.empty()) chosen = (!input && IsTerminal(0) && IsTerminal(1)) ? "terminal" : "none";
  bool displayed = false;
  if (chosen == "terminal") {
    std::string why;
    displayed = StartTerminalDisplay(why);
    if (!displayed)
      std::fprintf(stderr, "cedevice: no terminal display (%s); running with no display\n",
                   why.c_str());
  } else if (chosen != "none") {
    std::fprintf(
        stderr,
        "cedevice: unknown CEDEVICE_DISPLAY \"%s\" (none or terminal); running with no display\n",
        chosen.c_str());
  }
  {
    std::lock_guard lk(g_lock);
    g_stop = false;
  }
  if (!input || !*input) {
    if (!displayed) g_thread = std::thread(WatchForAWaitNothingCanEnd, GetCurrentThreadId());
    return;
  }
  int fd = 0;
  bool closeAfter = false;
  if (std::strcmp(input, "-") != 0) {
    fd = open(input, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
      Fail("cannot open the script \"" + std::string(input) + "\": " + std::strerror(errno));
    closeAfter = true;
  }
  g_thread = std::thread(InputThread, fd, closeAfter);
}

void StopInputAndDisplay() {
  {
    std::lock_guard lk(g_lock);
    g_stop = true;
  }
  g_stopped.notify_all();
  WakeChangeWaiters();  // the threads that wait for the screen to change see the end at once
  if (g_thread.joinable()) g_thread.join();
  StopTerminalDisplay();
}

}  // namespace cedev
