#include "ScriptInput.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>

#include "DeviceFiles.h"
#include "InputIdle.h"
#include "InputScript.h"
#include "ScriptRunner.h"
#include "WideText.h"
#include "WindowAutomation.h"

namespace cewin {
namespace {

using std::chrono::milliseconds;

DWORD g_programThread = 0;

// The program's windows on desktop Windows: taps and keys posted to them, the tree read from the
// windows themselves. Windows draws with its own fonts, not the device's cells: there is no
// picture to give.
class WindowsTarget final : public cedev::ScriptTarget {
 public:
  bool Tap(POINT screen) override { return PostTap(screen) != nullptr; }
  bool Press(const cedev::KeyStroke& key) override { return PostKey(key) != 0; }
  bool WaitIdle() override {
    return WaitThreadsIdle(WindowThreads({g_programThread}), milliseconds(100));
  }
  bool IsShowing(const std::wstring& text) override { return FindShowingText(text).has_value(); }
  std::optional<POINT> FindShowing(const std::wstring& text) override {
    return FindShowingText(text);
  }
  bool WaitForChange(const std::wstring&, bool, milliseconds) override { return false; }
  std::wstring TreeText() override { return WindowTreeText(); }
  bool ScreenText(std::wstring&, std::string& why) override {
    why = kNoPicture;
    return false;
  }
  bool WriteScreenshot(const std::string&, std::string& why) override {
    why = kNoPicture;
    return false;
  }

 private:
  static constexpr const char* kNoPicture =
      "the screen's picture is the device's own; this build has none";
};

WindowsTarget g_target;
cedev::ScriptRunner g_runner(g_target);
std::thread g_thread;

// The script's lines; a file that cannot be read ends the run as on the device.
std::vector<std::string> ReadScript(const char* input) {
  FILE* in = stdin;
  if (std::string(input) != "-") {
    const std::wstring path = WindowsPathOfHost(cedev::WideFromUtf8(input));
    in = _wfopen(path.c_str(), L"rb");
    if (in == nullptr) cedev::FailInput("cannot open the script \"" + std::string(input) + "\"");
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
  std::size_t next = 0;
  // The whole script is already read: nothing is waited for.
  g_runner.RunScript([&](std::string& line, const std::function<bool()>&) {
    if (next == lines.size()) return false;
    line = lines[next++];
    return true;
  });
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
  g_runner.Stop();
  if (g_thread.joinable()) g_thread.join();
  StopWatchingThreads();
}

}  // namespace cewin
