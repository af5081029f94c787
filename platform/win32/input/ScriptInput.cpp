#include "ScriptInput.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>

#include "InputIdle.h"
#include "InputScript.h"
#include "WideText.h"
#include "WindowAutomation.h"

namespace cewin {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr milliseconds kScriptEndGrace{2000};
constexpr milliseconds kSettleBound{2000};
constexpr milliseconds kPoll{20};
// The task bar's "ok" button, in task-bar client pixels.
constexpr POINT kOkButton{226, 13};

// g_lock guards g_stop; the program's thread sets it, the script's thread waits on it.
std::mutex g_lock;
std::condition_variable g_stopped;
bool g_stop = false;
std::thread g_thread;
DWORD g_programThread = 0;

[[noreturn]] void Fail(const std::string& why) {
  std::fflush(stdout);
  std::fprintf(stderr, "input: %s\n", why.c_str());
  std::fflush(stderr);
  std::_Exit(3);
}

[[noreturn]] void FailLine(long line, const std::string& why) {
  Fail("line " + std::to_string(line) + ": " + why);
}

bool Pause(milliseconds ms) {
  std::unique_lock lk(g_lock);
  return !g_stopped.wait_for(lk, ms, [] { return g_stop; });
}

bool Stopping() {
  std::lock_guard lk(g_lock);
  return g_stop;
}

void Print(const std::wstring& text) {
  const std::string bytes = cedev::Utf8FromWide(text);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

std::string Quote(const std::wstring& text) {
  std::wstring q = L"\"";
  for (wchar_t c : text) {
    if (c == L'"' || c == L'\\') q += L'\\';
    q += c;
  }
  return cedev::Utf8FromWide(q + L"\"");
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

// Until every thread of the program waits for input with nothing queued for it, so that the
// next command acts on what this one left. At most 2 s (a thread asleep in Sleep never rests).
void Settle() {
  const auto deadline = Clock::now() + kSettleBound;
  while (!WaitThreadsIdle(WindowThreads({g_programThread}), milliseconds(100))) {
    if (Stopping() || Clock::now() >= deadline) return;
  }
}

bool IsShowing(const std::wstring& text) { return FindShowingText(text).has_value(); }

bool WaitShowing(const std::wstring& text, bool wanted, milliseconds bound) {
  const auto deadline = Clock::now() + bound;
  for (;;) {
    if (IsShowing(text) == wanted) return true;
    if (Clock::now() >= deadline || Stopping()) return IsShowing(text) == wanted;
    Pause(kPoll);
  }
}

void Run(long lineNumber, const cedev::InputCommand& c) {
  using Kind = cedev::InputCommand::Kind;
  switch (c.kind) {
    case Kind::Nothing:
      return;
    case Kind::Tap:
      if (PostTap(POINT{c.x, c.y})) Settle();
      return;
    case Kind::TapText: {
      auto at = FindShowingText(c.text);
      if (!at) FailLine(lineNumber, "no window or list row shows " + Quote(c.text));
      if (PostTap(*at)) Settle();
      return;
    }
    case Kind::Ok: {
      HWND bar = FindWindowW(L"HHTaskBar", nullptr);
      RECT r;
      if (!bar || !GetWindowRect(bar, &r))
        FailLine(lineNumber, "there is no task bar to tap \"ok\" on");
      if (PostTap(POINT{r.left + kOkButton.x, r.top + kOkButton.y})) Settle();
      return;
    }
    case Kind::Key:
      if (PostKey(c.key)) Settle();
      return;
    case Kind::Type:
      for (wchar_t ch : c.text) {
        if (Stopping()) return;
        if (PostKey(cedev::KeyFromCharacter(ch))) Settle();
      }
      return;
    case Kind::Wait:
    case Kind::Gone: {
      const bool wanted = c.kind == Kind::Wait;
      if (WaitShowing(c.text, wanted, c.duration)) {
        Settle();
        return;
      }
      if (Stopping())
        FailLine(lineNumber, std::string("the program ended while waiting for ") + Quote(c.text) +
                                 (wanted ? "" : " to go"));
      if (wanted)
        FailLine(lineNumber,
                 "timed out after " + SecondsText(c.duration) + " s waiting for " + Quote(c.text));
      FailLine(lineNumber, Quote(c.text) + " still showing after " + SecondsText(c.duration) + " s");
    }
    case Kind::Expect:
      if (!IsShowing(c.text)) FailLine(lineNumber, Quote(c.text) + " is not showing");
      return;
    case Kind::Sleep:
      Pause(c.duration);
      return;
    case Kind::Tree:
      Print(WindowTreeText());
      return;
    case Kind::Screen:
    case Kind::Screenshot:
      // Windows draws with its own fonts, not the device's cells: there is no picture to give.
      FailLine(lineNumber, "the screen's picture is the device's own; this build has none");
  }
}

// The script's lines; a file that cannot be read ends the run as on the device.
std::vector<std::string> ReadScript(const char* input) {
  FILE* in = stdin;
  if (std::string(input) != "-") {
    std::wstring path = cedev::WideFromUtf8(input);
    // A host path is reached through Wine's Z: drive.
    if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
    for (wchar_t& ch : path) {
      if (ch == L'/') ch = L'\\';
    }
    in = _wfopen(path.c_str(), L"rb");
    if (in == nullptr) Fail("cannot open the script \"" + std::string(input) + "\"");
  }
  std::string all;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) all.append(buffer, n);
  if (in != stdin) std::fclose(in);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t nl = all.find('\n', start);
    if (nl == std::string::npos) nl = all.size();
    std::string line = all.substr(start, nl - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = nl + 1;
  }
  return lines;
}

void ScriptThread(std::vector<std::string> lines) {
  long number = 0;
  for (const std::string& line : lines) {
    ++number;
    const cedev::ParsedInputLine parsed = cedev::ParseInputLine(line);
    if (Stopping()) {
      // The program has ended: a command left in the script never ran, and fails it.
      if (!parsed.error.empty() || parsed.command.kind != cedev::InputCommand::Kind::Nothing)
        FailLine(number, "the program ended before this command");
      continue;
    }
    if (!parsed.error.empty()) FailLine(number, parsed.error);
    Run(number, parsed.command);
  }
  if (Pause(kScriptEndGrace)) Fail("script ended while the program was still running");
}

}  // namespace

void StartScriptInput() {
  const char* input = std::getenv("CEDEVICE_INPUT");
  if (input == nullptr || *input == 0) return;
  g_programThread = GetCurrentThreadId();
  WatchThread(g_programThread);
  g_thread = std::thread(ScriptThread, ReadScript(input));
}

void StopScriptInput() {
  {
    std::lock_guard lk(g_lock);
    g_stop = true;
  }
  g_stopped.notify_all();
  if (g_thread.joinable()) g_thread.join();
  StopWatchingThreads();
}

}  // namespace cewin
