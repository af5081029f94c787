#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace testsupport {

namespace {

// Owns the file actions and attributes of one spawn.
class Spawn {
 public:
  Spawn() {
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
  }
  ~Spawn() {
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
  }
  Spawn(const Spawn&) = delete;
  Spawn& operator=(const Spawn&) = delete;

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
};

// A descriptor that becomes readable when the child ends, or -1 where the kernel has none.
int EndOf(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::map<std::string, std::string>& env,
                           const std::string& outputFile, const std::string& errorFile) {
  std::map<std::string, std::string> all;
  for (char** e = environ; *e != nullptr; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (eq != nullptr) all[std::string(*e, static_cast<std::size_t>(eq - *e))] = eq + 1;
  }
  for (const auto& [key, value] : env) all[key] = value;
  std::vector<std::string> envText;
  for (const auto& [key, value] : all) envText.push_back(key + "=" + value);
  std::vector<char*> envp, args;
  for (std::string& e : envText) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> argText = argv;
  for (std::string& a : argText) args.push_back(a.data());
  args.push_back(nullptr);

  Spawn spawn;
  posix_spawn_file_actions_addopen(&spawn.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  int pipeFds[2] = {-1, -1};
  if (outputFile.empty()) {
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_adddup2(&spawn.actions, pipeFds[1], STDOUT_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&spawn.actions, STDOUT_FILENO, outputFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  if (!errorFile.empty()) {
    posix_spawn_file_actions_addopen(&spawn.actions, STDERR_FILENO, errorFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  // A process group of its own, so that a hung child's own children go with it.
  posix_spawnattr_setflags(&spawn.attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&spawn.attributes, 0);
  const bool onPath = argText.empty() || argText[0].find('/') == std::string::npos;
  start_ = std::chrono::steady_clock::now();
  pid_t pid = -1;
  const int spawned = onPath ? ::posix_spawnp(&pid, args[0], &spawn.actions, &spawn.attributes,
                                              args.data(), envp.data())
                             : ::posix_spawn(&pid, args[0], &spawn.actions, &spawn.attributes,
                                             args.data(), envp.data());
  if (spawned == 0) pid_ = pid;
  if (pipeFds[1] >= 0) ::close(pipeFds[1]);
  out_ = pipeFds[0];
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    ::kill(-pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (out_ >= 0) ::close(out_);
}

double ChildProcess::Since() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

std::string ChildProcess::ReadOutput(std::size_t bytes, std::chrono::milliseconds limit) {
  std::string got;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (out_ >= 0 && got.size() < bytes) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{out_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[65536];
    const ssize_t n = ::read(out_, buffer, std::min(sizeof buffer, bytes - got.size()));
    if (n <= 0) break;
    if (firstOutput_ < 0) firstOutput_ = Since();
    got.append(buffer, static_cast<std::size_t>(n));
  }
  return got;
}

std::string ChildProcess::DrainOutput() {
  std::string got;
  for (;;) {
    pollfd p{out_, POLLIN, 0};
    if (out_ < 0 || ::poll(&p, 1, 0) <= 0) return got;
    char buffer[4096];
    const ssize_t n = ::read(out_, buffer, sizeof buffer);
    if (n <= 0) return got;
    if (firstOutput_ < 0) firstOutput_ = Since();
    got.append(buffer, static_cast<std::size_t>(n));
  }
}

void ChildProcess::Kill(int signal) {
  if (pid_ > 0) ::kill(pid_, signal);
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds limit) {
  if (pid_ <= 0) return status_;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  // The end is seen the moment it comes where the kernel can say so, else within 2 ms.
  const int end = EndOf(pid_);
  for (;;) {
    int status = 0;
    struct rusage usage {};
    const pid_t done = ::wait4(pid_, &status, WNOHANG, &usage);
    if (done == pid_) {
      exited_ = Since();
      maxRssKiB_ = usage.ru_maxrss;
      pid_ = -1;
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      break;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      ::kill(-pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
      break;
    }
    if (end >= 0) {
      pollfd p{end, POLLIN, 0};
      ::poll(&p, 1, static_cast<int>(left.count()));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  if (end >= 0) ::close(end);
  return status_;
}

ChildResult RunChild(const std::vector<std::string>& argv,
                     const std::map<std::string, std::string>& env, const std::string& scratchDir,
                     std::chrono::milliseconds limit) {
  static std::atomic<int> serial{0};
  const std::string base = scratchDir + "/child-" + std::to_string(++serial);
  const std::string outFile = base + ".out", errFile = base + ".err";
  ChildResult result;
  {
    ChildProcess child(argv, env, outFile, errFile);
    result.status = child.Wait(limit);
  }
  for (auto [file, text] : {std::pair{&outFile, &result.out}, std::pair{&errFile, &result.err}}) {
    std::ifstream in(*file, std::ios::binary);
    text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::error_code ignored;
    std::filesystem::remove(*file, ignored);
  }
  return result;
}

ChildResult RunOnDevice(const Scratch& scratch, const std::string& program,
                        const std::vector<std::string>& args,
                        const std::map<std::string, std::string>& env,
                        std::chrono::milliseconds limit) {
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), args.begin(), args.end());
  std::map<std::string, std::string> all = env;
  all["CEDEVICE_ROOT"] = scratch.root.string();
  return RunChild(argv, all, scratch.dir.string(), limit);
}

}  // namespace testsupport
