#include "TimedChild.h"

#include <chrono>

#include "ChildProcess.h"

namespace bench {

namespace {
// Far beyond any run a figure makes; a run that long is a fault, not a figure.
constexpr std::chrono::minutes kBound(10);
}  // namespace

ChildRun RunChild(const std::vector<std::string>& argv, Output output) {
  testsupport::ChildProcess child(argv, {}, output == Output::Capture ? "" : "/dev/null");
  ChildRun run;
  if (output == Output::Capture) run.out = child.ReadOutput(std::string::npos, kBound);
  run.status = child.Wait(kBound).value_or(-1);
  run.secondsToExit = child.SecondsToExit();
  run.secondsToFirstOutput = child.SecondsToFirstOutput();
  run.maxRssKiB = child.MaxRssKiB();
  return run;
}

}  // namespace bench
