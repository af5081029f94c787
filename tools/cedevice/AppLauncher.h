// Starts a device application the way the notification service does: the CE path mapped into
// the device root (nothing outside it is ever run), the argument text as its command line, no
// display and no input.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace cedevice {

// One launched application, from its start to its end. A launch never outlives the runner: the
// kernel kills the application when the runner's process ends, however it ends (its parent-death
// signal, set before the program is executed), and a Launch destroyed while the application
// runs kills it.
class Launch {
 public:
  // Starts the application, and returns once the kernel has executed it. One that cannot be
  // started (refused, or the kernel would not execute it) has ended, its outcome "not run: WHY".
  Launch(const std::wstring& application, const std::wstring& arguments,
         std::chrono::milliseconds timeout);
  ~Launch();
  Launch(const Launch&) = delete;
  Launch& operator=(const Launch&) = delete;

  // Looks whether the application has ended, without waiting, and kills it (with its process
  // group) once its time is up. True once it has ended.
  bool Ended();
  // "exit N", "killed: timeout", "killed: signal N" or "not run: WHY"; empty until Ended().
  const std::string& Outcome() const { return outcome_; }

 private:
  friend void WaitForAny(const std::vector<Launch*>& launches, std::chrono::milliseconds bound,
                         const std::vector<int>& alsoReadable);

  pid_t pid_ = -1;
  int exitFd_ = -1;  // readable once the application has ended (a pidfd); -1 where there is none
  std::chrono::steady_clock::time_point deadline_;
  std::string outcome_;
};

// Returns when one of `launches` has ended or reached its time, one of `alsoReadable` can be
// read, a signal came, or `bound` (at least a millisecond) passed; at once when a launch has
// already ended.
void WaitForAny(const std::vector<Launch*>& launches, std::chrono::milliseconds bound,
                const std::vector<int>& alsoReadable = {});

// How long an application may run before it is killed: 60 s, or CEDEVICE_RUN_TIMEOUT_MS.
std::chrono::milliseconds LaunchTimeout();

}  // namespace cedevice
