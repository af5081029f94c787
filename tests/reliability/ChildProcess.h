// Child processes of the reliability tests: started with an environment of the test's own,
// their standard output in a pipe or a file, and waited for with a bound.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

class ChildProcess {
 public:
  // Starts argv[0] (a path) with the test's environment plus `env`. Standard output goes to a
  // pipe this object reads, or to `outputFile` when one is named; standard error to `errorFile`
  // when named, else it is kept.
  ChildProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
               const std::string& outputFile = {}, const std::string& errorFile = {});
  ~ChildProcess();  // kills and reaps a child still running
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  // The child's process id while it has not been waited for (for /proc), else -1.
  pid_t Pid() const { return pid_; }
  // Reads the pipe until `bytes` bytes have come or `limit` has passed; what came.
  std::string ReadOutput(std::size_t bytes, std::chrono::milliseconds limit);
  // Everything still in the pipe now, without waiting.
  std::string DrainOutput();
  void Kill(int signal);
  // The exit status, or nothing when the child did not end within `limit` (it is then killed).
  // A child ended by a signal gives 128 + the signal.
  std::optional<int> Wait(std::chrono::milliseconds limit);

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};
