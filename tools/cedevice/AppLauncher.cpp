#include "AppLauncher.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "DeviceRoot.h"
#include "WideText.h"

extern char** environ;

namespace fs = std::filesystem;

namespace cedevice {

namespace {

bool Within(const fs::path& inner, const fs::path& outer) {
  auto i = inner.begin();
  for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
    if (o->empty()) continue;  // a trailing separator
    if (i == inner.end() || *i != *o) return false;
  }
  return true;
}

// The host executable of a CE path, or the reason it is not run.
std::string Resolve(const std::wstring& application, fs::path& executable) {
  if (application.empty()) return "no application";
  fs::path mapped;
  if (cedev::MapCePath(application, mapped) != 0) return "the path is outside the device";
  std::error_code ec;
  const fs::path root = fs::canonical(cedev::DeviceRoot(), ec);
  if (ec) return "the device root cannot be read";
  if (!fs::exists(mapped, ec)) return "no such file";
  const fs::path real = fs::canonical(mapped, ec);
  if (ec || !Within(real, root)) return "the path leads out of the device";
  if (Within(real, root / ".device")) return "the path is outside the device";
  if (!fs::is_regular_file(real, ec)) return "not a file";
  if (::access(real.c_str(), X_OK) != 0) return "not executable";
  executable = real;
  return {};
}

// The environment of a launched application: the device root, no display, no input script.
std::vector<std::string> ChildEnvironment() {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string_view entry(*e);
    if (entry.starts_with("CEDEVICE_ROOT=") || entry.starts_with("CEDEVICE_DISPLAY=") ||
        entry.starts_with("CEDEVICE_INPUT=")) {
      continue;
    }
    env.emplace_back(entry);
  }
  env.push_back("CEDEVICE_ROOT=" + fs::absolute(cedev::DeviceRootPath()).string());
  env.push_back("CEDEVICE_DISPLAY=none");
  return env;
}

std::string Outcome(int status) {
  if (WIFEXITED(status)) return "exit " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return "killed: signal " + std::to_string(WTERMSIG(status));
  return "exit ?";
}

// Waits for a child's end without polling where the kernel offers a descriptor for it: the next
// notification due is launched as soon as this one ends, not up to a poll's slice later.
class ExitWatch {
 public:
  explicit ExitWatch(pid_t child) {
#ifdef SYS_pidfd_open
    fd_ = static_cast<int>(::syscall(SYS_pidfd_open, child, 0));
#else
    (void)child;
#endif
  }
  ~ExitWatch() {
    if (fd_ >= 0) ::close(fd_);
  }
  ExitWatch(const ExitWatch&) = delete;
  ExitWatch& operator=(const ExitWatch&) = delete;

  // Returns when the child has ended, an interrupt came, or `bound` (at most a second) passed.
  void Wait(std::chrono::milliseconds bound) const {
    bound = std::clamp(bound, std::chrono::milliseconds(1), std::chrono::milliseconds(1000));
    if (fd_ < 0) {
      std::this_thread::sleep_for(std::min(bound, std::chrono::milliseconds(5)));
      return;
    }
    pollfd ready{fd_, POLLIN, 0};
    ::poll(&ready, 1, static_cast<int>(bound.count()));
  }

 private:
  int fd_ = -1;
};

}  // namespace

std::chrono::milliseconds LaunchTimeout() {
  const char* text = std::getenv("CEDEVICE_RUN_TIMEOUT_MS");
  if (text != nullptr && *text != 0) {
    char* end = nullptr;
    const long long ms = std::strtoll(text, &end, 10);
    if (*end == 0 && ms > 0) return std::chrono::milliseconds(ms);
  }
  return std::chrono::seconds(60);
}

std::string LaunchAndWait(const std::wstring& application, const std::wstring& arguments,
                          std::chrono::milliseconds timeout) {
  fs::path executable;
  const std::string why = Resolve(application, executable);
  if (!why.empty()) return "not run: " + why;

  // Everything the child needs is made before the fork.
  const std::string path = executable.string();
  const std::string argument = cedev::Utf8FromWide(arguments);
  std::vector<char*> argv{const_cast<char*>(path.c_str())};
  if (!argument.empty()) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> env = ChildEnvironment();
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t child = ::fork();
  if (child < 0) return std::string("not run: cannot start a process: ") + std::strerror(errno);
  if (child == 0) {
    ::setpgid(0, 0);  // an interrupt of the runner is not the application's
    const int null = ::open("/dev/null", O_RDONLY);
    if (null >= 0) {
      ::dup2(null, 0);
      if (null != 0) ::close(null);
    }
    ::dup2(2, 1);  // the runner's standard output holds only its own lines
    ::execve(path.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }

  const auto deadline = std::chrono::steady_clock::now() + timeout;
  const ExitWatch watch(child);
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done == child) return Outcome(status);
    if (done < 0 && errno != EINTR) return std::string("exit ?: ") + std::strerror(errno);
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) {
      ::kill(-child, SIGKILL);
      ::kill(child, SIGKILL);
      while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
      return "killed: timeout";
    }
    watch.Wait(std::chrono::ceil<std::chrono::milliseconds>(deadline - now));
  }
}

}  // namespace cedevice
