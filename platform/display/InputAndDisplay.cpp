// The input thread: reads the script a line at a time (without blocking its own stopping) and
// runs it on the device (ScriptRunner.h); and the choice of display.
#include "InputAndDisplay.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "Automation.h"
#include "InputScript.h"
#include "ScriptRunner.h"
#include "Screenshot.h"
#include "TerminalDisplay.h"
#include "WideText.h"

namespace cedev {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kPaintBound{2000};

// The device's own window system: taps and keys queued to the threads' input queues, the
// picture and the tree read from the cells.
class DeviceTarget final : public ScriptTarget {
 public:
  bool Tap(POINT screen) override { return InjectTap(screen); }
  bool Press(const KeyStroke& key) override { return InjectKey(key); }
  bool WaitIdle() override { return WaitDeviceIdle(milliseconds(50)); }
  bool IsShowing(const std::wstring& text) override { return automation::IsShowing(text); }
  std::optional<POINT> FindShowing(const std::wstring& text) override {
    return FindShowingText(text);
  }
  bool WaitForChange(const std::wstring& text, bool wanted, milliseconds slice) override {
    if (wanted) {
      automation::WaitForText(text, slice);
    } else {
      automation::WaitGone(text, slice);
    }
    return true;
  }
  std::wstring TreeText() override {
    WaitForPaints(kPaintBound);
    return automation::TreeText();
  }
  bool ScreenText(std::wstring& text, std::string&) override {
    text = automation::ScreenText();
    return true;
  }
  bool WriteScreenshot(const std::string& path, std::string& why) override {
    return cedev::WriteScreenshot(path, why);
  }
};

DeviceTarget g_target;
ScriptRunner g_runner(g_target);
std::thread g_thread;

bool Stopping() { return g_runner.Stopping(); }

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
  bool atEnd = false;
  g_runner.RunScript([&](std::string& line, const std::function<bool()>& giveUp) {
    return ReadLine(fd, pending, line, atEnd, giveUp);
  });
  if (closeAfter) close(fd);
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
  g_runner.Restart();
  if (!input || !*input) {
    if (!displayed) g_thread = std::thread(WatchForAWaitNothingCanEnd, GetCurrentThreadId());
    return;
  }
  int fd = 0;
  bool closeAfter = false;
  if (std::strcmp(input, "-") != 0) {
    fd = open(input, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
      FailInput("cannot open the script \"" + std::string(input) + "\": " + std::strerror(errno));
    closeAfter = true;
  }
  g_thread = std::thread(InputThread, fd, closeAfter);
}

void StopInputAndDisplay() {
  g_runner.Stop();
  WakeChangeWaiters();  // the threads that wait for the screen to change see the end at once
  if (g_thread.joinable()) g_thread.join();
  StopTerminalDisplay();
}

}  // namespace cedev
