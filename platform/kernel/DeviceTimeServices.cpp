// The kernel's clock calls on the device clock, and Sleep.
#include <chrono>
#include <memory>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <utility>

#include <windows.h>

#include "DeviceClock.h"
#include "DeviceError.h"
#include "KernelControl.h"

namespace {

struct Observer {
  std::mutex lock;
  std::shared_ptr<cedev::SleepObserver>
      current;  // guarded by lock; shared so a call outlives a swap
};

Observer& SleepWatch() {
  static Observer observer;
  return observer;
}

SYSTEMTIME DeviceNow() {
  try {
    return cedev::ToSystemTime(cedev::clock::Now());
  } catch (const cedev::DeviceError& e) {
    // A device whose clock cannot be read gives no time a program could rely on.
    std::fprintf(stderr, "device clock: %s\n", e.what());
    std::fflush(stderr);
    std::_Exit(2);
  }
}

const std::chrono::steady_clock::time_point g_boot = std::chrono::steady_clock::now();

}  // namespace

namespace cedev {

SleepObserver SetSleepObserver(SleepObserver observer) {
  Observer& watch = SleepWatch();
  std::shared_ptr<SleepObserver> next =
      observer ? std::make_shared<SleepObserver>(std::move(observer)) : nullptr;
  std::lock_guard<std::mutex> guard(watch.lock);
  std::shared_ptr<SleepObserver> previous = std::exchange(watch.current, std::move(next));
  return previous ? *previous : SleepObserver();
}

}  // namespace cedev

void GetLocalTime(LPSYSTEMTIME lpSystemTime) {
  if (lpSystemTime != nullptr) *lpSystemTime = DeviceNow();
}

// The device keeps local time only; its "system time" is the same clock.
void GetSystemTime(LPSYSTEMTIME lpSystemTime) { GetLocalTime(lpSystemTime); }

DWORD GetTickCount() {
  const auto elapsed = std::chrono::steady_clock::now() - g_boot;
  return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void Sleep(DWORD dwMilliseconds) {
  std::shared_ptr<cedev::SleepObserver> observer;
  {
    Observer& watch = SleepWatch();
    std::lock_guard<std::mutex> guard(watch.lock);
    observer = watch.current;
  }
  if (observer) (*observer)(dwMilliseconds);
  // A plain wait: the thread's queue is not looked at, so nothing sent to it is handled.
  if (dwMilliseconds == 0) {
    std::this_thread::yield();
  } else if (dwMilliseconds == INFINITE) {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
  }
}
