#include "CallKiller.h"

#include <cstdlib>
#include <fstream>

namespace fs = std::filesystem;

std::vector<std::string> KilledAtCall(const fs::path& folder, long killAt, const fs::path& report,
                                      const std::vector<std::string>& command,
                                      const fs::path& exe) {
  std::vector<std::string> argv{KILLER_EXE, "--under", folder.string(), "--report",
                                report.string()};
  if (!exe.empty()) argv.insert(argv.end(), {"--exe", exe.string()});
  if (killAt > 0) argv.insert(argv.end(), {"--kill-at", std::to_string(killAt)});
  argv.push_back("--");
  argv.insert(argv.end(), command.begin(), command.end());
  return argv;
}

CallReport ReadCallReport(const fs::path& report) {
  CallReport out;
  std::ifstream in(report);
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("killed ")) {
      out.killed = true;
    } else if (const std::size_t tab = line.find('\t'); tab != std::string::npos) {
      out.calls.push_back(line.substr(tab + 1));
    }
  }
  return out;
}

std::map<std::string, std::string> TracedEnvironment() {
  const char* asan = std::getenv("ASAN_OPTIONS");
  return {{"ASAN_OPTIONS", std::string(asan != nullptr ? asan : "") + ":detect_leaks=0"}};
}
