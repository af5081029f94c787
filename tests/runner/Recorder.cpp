// A device application for the runner's tests. Each run appends one line to ROOT/recorder.log:
//   DEVICE-TIME<TAB>ARGV1<TAB>argc=N<TAB>display=..<TAB>input=..<TAB>stdin=..<TAB>blocked=N
// and then acts on its argument:
//   chainN     registers itself again one day later with chain(N-1), down to chain0
//   back       registers itself one hour in the past with "late"
//   exitN      ends with status N
//   hang       never ends by itself
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include <signal.h>
#include <sys/stat.h>

#include <notify.h>

#include "DeviceClock.h"
#include "DeviceRoot.h"
#include "DeviceTime.h"

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? "(unset)" : value;
}

std::string StdinKind() {
  struct stat in {
  }, null{};
  if (fstat(0, &in) != 0 || stat("/dev/null", &null) != 0) return "?";
  return in.st_rdev == null.st_rdev && S_ISCHR(in.st_mode) ? "null" : "other";
}

// How many signals it started with blocked.
int BlockedSignals() {
  sigset_t blocked;
  if (sigprocmask(SIG_SETMASK, nullptr, &blocked) != 0) return -1;
  int count = 0;
  for (int sig = 1; sig < NSIG; ++sig) count += sigismember(&blocked, sig) == 1;
  return count;
}

bool RegisterSelf(const cedev::DeviceTime& at, const std::wstring& argument) {
  CE_NOTIFICATION_TRIGGER trigger = {};
  trigger.dwSize = sizeof trigger;
  trigger.dwType = CNT_TIME;
  trigger.lpszApplication = const_cast<WCHAR*>(L"\\Windows\\Recorder.exe");
  trigger.lpszArguments = const_cast<WCHAR*>(argument.c_str());
  trigger.stStartTime = cedev::ToSystemTime(at);
  return CeSetUserNotificationEx(nullptr, &trigger, nullptr) != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string argument = argc > 1 ? argv[1] : "";
  cedev::DeviceTime now = cedev::clock::Now();
  now.millisecond = 0;
  {
    std::ofstream log(cedev::DeviceRootPath() / "recorder.log", std::ios::app);
    log << cedev::FormatDeviceTime(now) << '\t' << argument << '\t' << "argc=" << argc << '\t'
        << "display=" << Env("CEDEVICE_DISPLAY") << '\t' << "input=" << Env("CEDEVICE_INPUT")
        << '\t' << "stdin=" << StdinKind() << '\t' << "blocked=" << BlockedSignals() << '\n';
  }
  if (argument.rfind("chain", 0) == 0) {
    const int n = std::atoi(argument.c_str() + 5);
    if (n > 0 && !RegisterSelf(cedev::AddSeconds(now, 86400), L"chain" + std::to_wstring(n - 1)))
      return 9;
  } else if (argument == "back") {
    if (!RegisterSelf(cedev::AddSeconds(now, -3600), L"late")) return 9;
  } else if (argument.rfind("exit", 0) == 0) {
    return std::atoi(argument.c_str() + 4);
  } else if (argument == "hang") {
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
  }
  return 0;
}
