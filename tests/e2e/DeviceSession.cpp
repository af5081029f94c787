#include "DeviceSession.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

fs::path NewRoot() {
  static int serial = 0;
  const fs::path root = fs::temp_directory_path() / ("quenmora-e2e-" + std::to_string(::getpid()) +
                                                     "-" + std::to_string(++serial));
  fs::remove_all(root);
  return root;
}

}  // namespace

DeviceSession::DeviceSession(const std::string& clock) : root_(NewRoot()) {
  if (Tool({"init"}).status != 0) throw std::runtime_error("cedevice init failed");
  if (Tool({"clock", "freeze", clock}).status != 0) throw std::runtime_error("clock freeze failed");
}

DeviceSession::~DeviceSession() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
  fs::remove(root_.string() + ".in", ignored);
}

RunResult DeviceSession::Program(const std::vector<std::string>& args, const std::string& script,
                                 const Env& env, int timeoutSeconds) const {
  return Run(QUENMORA_BINARY, args, script, env, timeoutSeconds);
}

RunResult DeviceSession::Tool(const std::vector<std::string>& args) const {
  return Run(CEDEVICE_BINARY, args, "", {}, 60);
}

std::string DeviceSession::ToolOut(const std::vector<std::string>& args) const {
  const RunResult r = Tool(args);
  if (r.status != 0) throw std::runtime_error("cedevice failed: " + r.err);
  return r.out;
}

RunResult DeviceSession::Run(const std::string& binary, const std::vector<std::string>& args,
                             const std::string& script, const Env& env, int timeoutSeconds) const {
  const fs::path out = root_.string() + ".out";
  const fs::path err = root_.string() + ".err";
  const fs::path in = root_.string() + ".in";
  if (!script.empty()) std::ofstream(in, std::ios::binary) << script;
  const pid_t child = ::fork();
  if (child == 0) {
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int n = ::open("/dev/null", O_RDONLY);
    if (o < 0 || e < 0 || n < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0 || ::dup2(n, 0) < 0)
      ::_exit(127);
    ::setenv("CEDEVICE_ROOT", root_.c_str(), 1);
    ::setenv("CEDEVICE_DISPLAY", "none", 1);
    if (script.empty()) {
      ::unsetenv("CEDEVICE_INPUT");
    } else {
      ::setenv("CEDEVICE_INPUT", in.c_str(), 1);
    }
    for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
    std::vector<std::string> copies(args);
    std::string program = binary;
    std::vector<char*> argv{program.data()};
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  RunResult result;
  if (child < 0) return result;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done == child) {
      if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  result.out = Slurp(out);
  result.err = Slurp(err);
  std::error_code ignored;
  fs::remove(out, ignored);
  fs::remove(err, ignored);
  return result;
}

std::vector<uint8_t> DeviceSession::ReadSchedule() const {
  std::ifstream file(ScheduleFile(), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

void DeviceSession::WriteSchedule(const std::vector<uint8_t>& bytes) const {
  std::ofstream file(ScheduleFile(), std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ScheduleBytes(uint16_t x, uint16_t y, uint32_t eventHandle,
                                   const std::vector<ItemRecord>& items) {
  std::vector<uint8_t> bytes = {static_cast<uint8_t>(x), static_cast<uint8_t>(x >> 8),
                                static_cast<uint8_t>(y), static_cast<uint8_t>(y >> 8)};
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(eventHandle >> (8 * i)));
  for (const ItemRecord& r : items)
    bytes.insert(bytes.end(), {r.days, r.hour, r.minute, r.second, r.mute});
  return bytes;
}
