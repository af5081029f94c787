// Runs a built executable as a child process and times it from just before the spawn: to its
// first byte on standard output (when captured) and to its exit, with its peak resident size
// from wait4. The child inherits this process's environment.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct ChildRun {
  int status = -1;  // exit status, or -1 when it did not start or was killed
  double secondsToExit = 0;
  double secondsToFirstOutput = -1;  // -1: no output, or not captured
  long maxRssKiB = 0;
  std::string out;  // standard output, when captured
};

enum class Output { Inherit, Capture, Discard };

ChildRun RunChild(const std::vector<std::string>& argv, Output output = Output::Discard);

// Runs it and returns what it printed; an empty result and a message on standard error when it
// fails.
std::string ToolOutput(const std::vector<std::string>& argv);

}  // namespace bench
