// Runs a command under the kill-at-every-call tracer (kill_at_call, KillAtCall.cpp): the calls
// that change files under a folder are counted and reported, and the command is killed at the
// chosen one.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

// The command line: `command` traced for the calls under `folder` (of the processes running
// `exe` only, when one is named), killed at call `killAt` (0: counted only), the calls written
// to `report`.
std::vector<std::string> KilledAtCall(const std::filesystem::path& folder, long killAt,
                                      const std::filesystem::path& report,
                                      const std::vector<std::string>& command,
                                      const std::filesystem::path& exe = {});

// What the tracer reported: the calls it counted ("CALL<TAB>PATH", in order) and whether it
// made the kill.
struct CallReport {
  std::vector<std::string> calls;
  bool killed = false;
};
CallReport ReadCallReport(const std::filesystem::path& report);

// The environment a traced program needs besides the test's: the leak checker of
// AddressSanitizer stops the world with ptrace, which a traced process cannot, so it is off.
std::map<std::string, std::string> TracedEnvironment();
