#include "ChildProcess.h"

#include <chrono>
#include <cstdio>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Owns the file actions of one spawn.
class SpawnActions {
 public:
  SpawnActions() { posix_spawn_file_actions_init(&actions_); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

}  // namespace

ChildRun RunChild(const std::vector<std::string>& args, Output output) {
  ChildRun run;
  std::vector<std::string> copies(args);
  std::vector<char*> argv;
  for (std::string& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);

  int pipeFds[2] = {-1, -1};
  SpawnActions actions;
  posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDONLY, 0);
  if (output == Output::Capture) {
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return run;
    posix_spawn_file_actions_adddup2(actions.get(), pipeFds[1], 1);
  } else if (output == Output::Discard) {
    posix_spawn_file_actions_addopen(actions.get(), 1, "/dev/null", O_WRONLY, 0);
  }

  const auto start = Clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], actions.get(), nullptr, argv.data(), environ);
  if (pipeFds[1] >= 0) ::close(pipeFds[1]);
  if (spawned != 0) {
    if (pipeFds[0] >= 0) ::close(pipeFds[0]);
    return run;
  }
  if (pipeFds[0] >= 0) {
    char chunk[65536];
    for (;;) {
      const ssize_t got = ::read(pipeFds[0], chunk, sizeof chunk);
      if (got <= 0) break;
      if (run.secondsToFirstOutput < 0) run.secondsToFirstOutput = Since(start);
      run.out.append(chunk, static_cast<size_t>(got));
    }
    ::close(pipeFds[0]);
  }
  int status = 0;
  struct rusage usage {};
  if (::wait4(pid, &status, 0, &usage) != pid) return run;
  run.secondsToExit = Since(start);
  run.maxRssKiB = usage.ru_maxrss;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string ToolOutput(const std::vector<std::string>& argv) {
  const ChildRun run = RunChild(argv, Output::Capture);
  if (run.status != 0) {
    std::string line;
    for (const std::string& a : argv) line += a + ' ';
    std::fprintf(stderr, "bench: failed (status %d): %s\n", run.status, line.c_str());
    return {};
  }
  return run.out;
}

}  // namespace bench
