#include "ToolRun.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

ToolResult RunTool(const fs::path& root, const std::vector<std::string>& args) {
  const fs::path out = root.string() + ".out";
  const fs::path err = root.string() + ".err";
  const pid_t child = ::fork();
  if (child == 0) {
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (o < 0 || e < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0) ::_exit(127);
    ::setenv("CEDEVICE_ROOT", root.c_str(), 1);
    std::vector<char*> argv;
    std::string binary = CEDEVICE_BINARY;
    argv.push_back(binary.data());
    std::vector<std::string> copies(args);
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(binary.c_str(), argv.data());
    ::_exit(127);
  }
  ToolResult result;
  int status = 0;
  if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status))
    result.status = WEXITSTATUS(status);
  result.out = Slurp(out);
  result.err = Slurp(err);
  std::error_code ignored;
  fs::remove(out, ignored);
  fs::remove(err, ignored);
  return result;
}
