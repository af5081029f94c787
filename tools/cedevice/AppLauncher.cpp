#include "AppLauncher.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "DeviceError.h"
#include "DeviceRoot.h"
#include "WideText.h"
#include "WineBuild.h"

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

// The host executable of a CE path, or the reason it is not run. A Windows program (`wine` then
// holds the device's Wine) need not be executable on the host: Wine runs it.
std::string Resolve(const std::wstring& application, fs::path& executable,
                    std::optional<WineBuild>& wine) {
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
  executable = real;
  if (IsWindowsProgram(real)) {
    try {
      wine = ReadWineBuild();
    } catch (const cedev::DeviceError& e) {
      return e.what();
    }
    return wine ? "" : "a Windows program, and the device runs none (cedevice init --wine)";
  }
  if (::access(real.c_str(), X_OK) != 0) return "not executable";
  return {};
}

// The environment of a launched application: the device root, no display, no input script;
// under Wine the device's prefix, and Wine's own messages off unless asked for.
std::vector<std::string> ChildEnvironment(const std::optional<WineBuild>& wine) {
  std::vector<std::string> env;
  bool wineDebug = false;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string_view entry(*e);
    if (entry.starts_with("CEDEVICE_ROOT=") || entry.starts_with("CEDEVICE_DISPLAY=") ||
        entry.starts_with("CEDEVICE_INPUT=") || (wine && entry.starts_with("WINEPREFIX="))) {
      continue;
    }
    wineDebug = wineDebug || entry.starts_with("WINEDEBUG=");
    env.emplace_back(entry);
  }
  env.push_back("CEDEVICE_ROOT=" + fs::absolute(cedev::DeviceRootPath()).string());
  env.push_back("CEDEVICE_DISPLAY=none");
  if (wine && !wine->prefix.empty()) env.push_back("WINEPREFIX=" + wine->prefix);
  if (wine && !wineDebug) env.push_back("WINEDEBUG=-all");
  return env;
}

std::string OutcomeOf(int status) {
  if (WIFEXITED(status)) return "exit " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return "killed: signal " + std::to_string(WTERMSIG(status));
  return "exit ?";
}

// Why the kernel would not execute a file that passed Resolve.
std::string ExecWhy(int error) {
  switch (error) {
    case ENOEXEC:
      return "not a program the device can run";
    case E2BIG:
      return "the argument is too long to pass";
    case EACCES:
      return "not executable";
    case ENOENT:
      return "no such file, or its interpreter is missing";
    default:
      return std::string("cannot execute it: ") + std::strerror(error);
  }
}

// A descriptor that becomes readable when the child ends, where the kernel offers one: the next
// notification due is launched as soon as this one ends, not up to a poll's slice later.
int ExitDescriptor(pid_t child) {
#ifdef SYS_pidfd_open
  return static_cast<int>(::syscall(SYS_pidfd_open, child, 0));
#else
  (void)child;
  return -1;
#endif
}

void ReapAfterExit(pid_t child) {
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

void KillAndReap(pid_t child) {
  ::kill(-child, SIGKILL);  // its process group: what it started goes with it
  ::kill(child, SIGKILL);
  ReapAfterExit(child);
}

// What the child of StartProcess needs, all made before it starts.
struct ChildStart {
  const char* path;
  char* const* argv;
  char* const* envp;
  const char* folder;  // its working folder, or null for the runner's
  pid_t runner;
  sigset_t mask;  // the runner's signal mask, which the program starts with
  int report;     // why the program could not be executed is written here; closed by the exec
};

// The child until its exec. It runs on the runner's memory and stack (the runner waits
// meanwhile), so it makes system calls directly and nothing else: no library state, no
// sanitizer runtime, nothing that could change the runner's.
[[noreturn]] __attribute__((no_sanitize("address", "thread", "undefined"))) void ChildUntilExec(
    const ChildStart& start) {
  // A handler of the runner's would run on the runner's memory: until the exec, every caught
  // signal does what it does by default (the exec resets them all the same).
  struct KernelAction {
    void (*handler)(int);
    unsigned long flags;
    void (*restorer)();
    std::uint64_t mask;
  };
  for (int sig = 1; sig < 65; ++sig) {
    KernelAction action{};
    if (::syscall(SYS_rt_sigaction, sig, nullptr, &action, sizeof action.mask) != 0) continue;
    if (action.handler == SIG_DFL || action.handler == SIG_IGN) continue;
    const KernelAction byDefault{SIG_DFL, 0, nullptr, 0};
    ::syscall(SYS_rt_sigaction, sig, &byDefault, nullptr, sizeof action.mask);
  }
  ::syscall(SYS_prctl, PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0);
  // The runner may have ended before the line above took effect; the child is then another's.
  if (::syscall(SYS_getppid) != start.runner) ::syscall(SYS_exit, 127);
  ::syscall(SYS_setpgid, 0, 0);  // an interrupt of the runner is not the application's
  const long null = ::syscall(SYS_openat, AT_FDCWD, "/dev/null", O_RDONLY);
  if (null >= 0) {
    ::syscall(SYS_dup2, null, 0);
    if (null != 0) ::syscall(SYS_close, null);
  }
  ::syscall(SYS_dup2, 2, 1);  // the runner's standard output holds only its own lines
  if (start.folder == nullptr || ::syscall(SYS_chdir, start.folder) == 0) {
    ::syscall(SYS_rt_sigprocmask, SIG_SETMASK, &start.mask, nullptr, sizeof(std::uint64_t));
    ::syscall(SYS_execve, start.path, start.argv, start.envp);
  }
  const int error = errno;
  ::syscall(SYS_write, start.report, &error, sizeof error);
  for (;;) ::syscall(SYS_exit, 127);
}

// A function of its own, so that the child, which returns from vfork on the runner's stack,
// runs in a frame with nothing else live in it and never returns from it.
[[gnu::noinline]] pid_t Vfork(const ChildStart& start) {
  const pid_t child = ::vfork();
  if (child == 0) ChildUntilExec(start);
  return child;
}

// Starts `path` with `argv` and `envp` (in `folder`, unless null); returns its process id once it
// has executed the program (then `error` is 0) or failed to (then `error` says why and it has
// exited), or -1 and `error` when no process could be made. It is a vfork: the child shares the
// runner's memory until its exec and the runner waits for that. A fork would copy the runner's page
// tables and then fault on every page either side writes, which on a virtual machine was most of a
// launch's time. The library's posix_spawn does the same but cannot give the child its parent-death
// signal.
pid_t StartProcess(const char* path, char* const* argv, char* const* envp, const char* folder,
                   int& error) {
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    error = errno;
    return -1;
  }
  ChildStart start{path, argv, envp, folder, ::getpid(), {}, report[1]};
  sigset_t all;
  ::sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &start.mask);  // no handler runs in the child
  const pid_t child = Vfork(start);
  error = child < 0 ? errno : 0;
  ::pthread_sigmask(SIG_SETMASK, &start.mask, nullptr);
  ::close(report[1]);
  // The child has executed the program or written why not and exited. (Where a sanitizer makes
  // the vfork a fork, this waits for one or the other.)
  int told = 0;
  ssize_t got;
  do {
    got = ::read(report[0], &told, sizeof told);
  } while (got < 0 && errno == EINTR);
  if (child > 0 && got == static_cast<ssize_t>(sizeof told)) error = told;
  ::close(report[0]);
  return child;
}

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

Launch::Launch(const std::wstring& application, const std::wstring& arguments,
               std::chrono::milliseconds timeout) {
  fs::path executable;
  std::optional<WineBuild> wine;
  const std::string why = Resolve(application, executable, wine);
  if (!why.empty()) {
    outcome_ = "not run: " + why;
    return;
  }

  // Everything the child needs is made before it starts (StartProcess).
  // A Windows program runs as Wine's launcher's argument, with the argument text after it, in
  // the device root on its prefix's drive D:.
  std::string folder;
  if (wine) {
    std::error_code ec;
    folder = fs::canonical(cedev::DeviceRoot(), ec).string();
    const std::string cannot =
        ec ? "the device root cannot be read" : MapDeviceDrive(*wine, folder);
    if (!cannot.empty()) {
      outcome_ = "not run: " + cannot;
      return;
    }
  }
  // (Its path is the host one, which Wine finds on drive Z:.)
  const std::string program = executable.string();
  const std::string path = wine ? wine->wine : program;
  const std::string argument = cedev::Utf8FromWide(arguments);
  std::vector<char*> argv{const_cast<char*>(path.c_str())};
  if (wine) argv.push_back(const_cast<char*>(program.c_str()));
  if (!argument.empty()) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> env = ChildEnvironment(wine);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  std::fflush(stdout);
  std::fflush(stderr);
  int error = 0;
  const pid_t child = StartProcess(path.c_str(), argv.data(), envp.data(),
                                   folder.empty() ? nullptr : folder.c_str(), error);
  if (child < 0) {
    outcome_ = std::string("not run: cannot start a process: ") + std::strerror(error);
    return;
  }
  if (error != 0) {
    ReapAfterExit(child);
    outcome_ = "not run: " + ExecWhy(error);
    return;
  }
  pid_ = child;
  exitFd_ = ExitDescriptor(child);
  deadline_ = std::chrono::steady_clock::now() + timeout;
}

Launch::~Launch() {
  if (pid_ > 0) KillAndReap(pid_);
  if (exitFd_ >= 0) ::close(exitFd_);
}

bool Launch::Ended() {
  if (pid_ <= 0) return true;
  int status = 0;
  pid_t done;
  do {
    done = ::waitpid(pid_, &status, WNOHANG);
  } while (done < 0 && errno == EINTR);
  if (done == pid_) {
    outcome_ = OutcomeOf(status);
  } else if (done < 0) {
    outcome_ = std::string("exit ?: ") + std::strerror(errno);
  } else if (std::chrono::steady_clock::now() >= deadline_) {
    KillAndReap(pid_);
    outcome_ = "killed: timeout";
  } else {
    return false;
  }
  pid_ = -1;
  if (exitFd_ >= 0) ::close(exitFd_);
  exitFd_ = -1;
  return true;
}

void WaitForAny(const std::vector<Launch*>& launches, std::chrono::milliseconds bound,
                const std::vector<int>& alsoReadable) {
  const auto now = std::chrono::steady_clock::now();
  std::vector<pollfd> watched;
  for (const int fd : alsoReadable) watched.push_back(pollfd{fd, POLLIN, 0});
  for (const Launch* launch : launches) {
    if (launch->pid_ <= 0) return;
    bound = std::min(bound, std::chrono::ceil<std::chrono::milliseconds>(launch->deadline_ - now));
    if (launch->exitFd_ >= 0) {
      watched.push_back(pollfd{launch->exitFd_, POLLIN, 0});
    } else {
      bound = std::min(bound, std::chrono::milliseconds(5));  // no descriptor: look again soon
    }
  }
  bound = std::max(bound, std::chrono::milliseconds(1));
  ::poll(watched.data(), watched.size(),
         static_cast<int>(std::min<long long>(bound.count(), 1000 * 60 * 60)));
}

}  // namespace cedevice
