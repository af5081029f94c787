// The programs that tests and benchmarks run: each a child process with an environment of the
// caller's own, its standard output in a pipe or a file, waited for with a bound and killed with
// its own children past it. The times of its first output and of its end, and its peak resident
// size, are kept for the benchmarks.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Scratch.h"

namespace testsupport {

class ChildProcess {
 public:
  // Starts argv[0] (a path, or a bare name looked for on PATH) with this process's environment
  // plus `env` (an empty value sets the variable empty), and /dev/null as standard input, in a
  // process group of its own. Standard output goes to a pipe this object reads, or to
  // `outputFile` when one is named ("/dev/null" drops it); standard error to `errorFile` when
  // named, else it is this process's.
  ChildProcess(const std::vector<std::string>& argv,
               const std::map<std::string, std::string>& env = {},
               const std::string& outputFile = {}, const std::string& errorFile = {});
  ~ChildProcess();  // kills the group of a child still running, and reaps it
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return pid_ > 0 || status_.has_value(); }
  // The child's process id while it has not been waited for (for /proc), else -1.
  pid_t Pid() const { return pid_; }
  // Reads the pipe until `bytes` bytes have come, it ends or `limit` has passed; what came.
  std::string ReadOutput(std::size_t bytes, std::chrono::milliseconds limit);
  // Everything still in the pipe now, without waiting.
  std::string DrainOutput();
  void Kill(int signal);
  // The exit status, or nothing when the child did not end within `limit` (it is then killed
  // with its group). A child ended by a signal gives 128 + the signal.
  std::optional<int> Wait(std::chrono::milliseconds limit);

  // From just before the start: to the first byte read from the pipe (-1: none yet), and to the
  // end that Wait saw (-1: not yet).
  double SecondsToFirstOutput() const { return firstOutput_; }
  double SecondsToExit() const { return exited_; }
  // The child's peak resident size once waited for.
  long MaxRssKiB() const { return maxRssKiB_; }

 private:
  double Since() const;

  pid_t pid_ = -1;
  int out_ = -1;
  std::chrono::steady_clock::time_point start_;
  std::optional<int> status_;
  double firstOutput_ = -1;
  double exited_ = -1;
  long maxRssKiB_ = 0;
};

// What a child that ran to its end said.
struct ChildResult {
  std::optional<int> status;  // nothing: it did not end within the bound and was killed
  std::string out;
  std::string err;
};

// Runs argv to its end (killed after `limit`), its standard output and error kept, through
// files in `scratchDir`, which must exist.
ChildResult RunChild(const std::vector<std::string>& argv,
                     const std::map<std::string, std::string>& env, const std::string& scratchDir,
                     std::chrono::milliseconds limit = std::chrono::seconds(60));

// RunChild of `program` with `args` on the scratch folder's device: CEDEVICE_ROOT names its root,
// `env` adds to that, and the output passes through its folder.
ChildResult RunOnDevice(const Scratch& scratch, const std::string& program,
                        const std::vector<std::string>& args,
                        const std::map<std::string, std::string>& env = {},
                        std::chrono::milliseconds limit = std::chrono::seconds(60));

}  // namespace testsupport
