// A built executable run as a child process by the tests' runner (tests/support/ChildProcess.h)
// and timed from just before the start: to its first byte on standard output (when captured) and
// to its exit, with its peak resident size. The child inherits this process's environment.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct ChildRun {
  int status = -1;  // exit status, or -1 when it did not start or did not end
  double secondsToExit = 0;
  double secondsToFirstOutput = -1;  // -1: no output, or not captured
  long maxRssKiB = 0;
  std::string out;  // standard output, when captured
};

enum class Output { Capture, Discard };

ChildRun RunChild(const std::vector<std::string>& argv, Output output = Output::Discard);

}  // namespace bench
