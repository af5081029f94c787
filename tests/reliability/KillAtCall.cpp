// kill_at_call: runs a command under ptrace, following its threads and the processes it starts,
// and counts the system calls that change files under a folder (FileChangingCalls.h). With
// --kill-at N it kills the process making the Nth such call, at that call's entry: the call
// never runs, as if the power had gone or the process had been killed right then. The
// reliability tests run a program once to count its calls, then once for each call, killed there.
//
// Why not strace's inject=CALL:signal=SIGKILL:when=N: strace counts each system call per
// thread, so its N cannot name "the Nth call that changes a file" of a program with several
// threads (the loader's opens on the main thread take the low numbers of every thread's count,
// and the shell thread's writes of the sound setting would never be reached). This tracer counts
// the calls of all threads of the watched processes in the order they enter the kernel, and
// only those that change files under the folder.
//
// Usage: kill_at_call --under DIR [--exe PATH] [--kill-at N] [--report FILE] -- COMMAND ARGS...
//   --under    the folder whose files count (a device root)
//   --exe      count only the calls of processes running this executable (default: all)
//   --kill-at  the call to kill at, from 1; without it nothing is killed
//   --report   where to write one line a counted call, "N<TAB>CALL<TAB>PATH", and "killed N"
//              when the kill was made
// Exit status: the command's own (128 + the signal that ended it); 125 when the tracer itself
// cannot run (a bad command line, ptrace not permitted).
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "FileChangingCalls.h"

namespace fs = std::filesystem;

namespace {

constexpr int kCannotRun = 125;

struct Options {
  fs::path under;
  std::optional<fs::path> exe;
  long killAt = 0;  // 0: none
  std::string report;
  std::vector<char*> command;
};

[[noreturn]] void Refuse(const std::string& why) {
  std::fprintf(stderr, "kill_at_call: %s\n", why.c_str());
  std::fprintf(stderr,
               "usage: kill_at_call --under DIR [--exe PATH] [--kill-at N] [--report FILE] -- "
               "COMMAND ARGS...\n");
  std::exit(kCannotRun);
}

Options Parse(int argc, char** argv) {
  Options o;
  int i = 1;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    const std::string flag = argv[i];
    if (i + 1 >= argc) Refuse(flag + " needs a value");
    const std::string value = argv[++i];
    if (flag == "--under") {
      o.under = value;
    } else if (flag == "--exe") {
      o.exe = fs::weakly_canonical(value);
    } else if (flag == "--kill-at") {
      char* end = nullptr;
      o.killAt = std::strtol(value.c_str(), &end, 10);
      if (*end != '\0' || o.killAt < 1) Refuse("--kill-at takes a number from 1");
    } else if (flag == "--report") {
      o.report = value;
    } else {
      Refuse("unknown option " + flag);
    }
  }
  if (o.under.empty()) Refuse("--under is needed");
  for (++i; i < argc; ++i) o.command.push_back(argv[i]);
  if (o.command.empty()) Refuse("no command after --");
  o.command.push_back(nullptr);
  return o;
}

// The process (thread group) a thread belongs to, from /proc.
pid_t ProcessOf(pid_t thread) {
  std::ifstream status("/proc/" + std::to_string(thread) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("Tgid:")) return static_cast<pid_t>(std::atol(line.c_str() + 5));
  }
  return thread;
}

bool RunsExe(pid_t thread, const fs::path& exe) {
  std::error_code ec;
  return fs::read_symlink("/proc/" + std::to_string(thread) + "/exe", ec) == exe && !ec;
}

class Tracer {
 public:
  explicit Tracer(Options options) : o_(std::move(options)), calls_(o_.under) {
    if (!o_.report.empty()) {
      report_.open(o_.report, std::ios::trunc);
      if (!report_) Refuse("cannot write " + o_.report);
    }
  }

  int Run() {
    const pid_t child = ::fork();
    if (child < 0) Refuse(std::string("fork: ") + std::strerror(errno));
    if (child == 0) {
      if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) {
        std::fprintf(stderr, "kill_at_call: ptrace is not permitted here: %s\n",
                     std::strerror(errno));
        ::_exit(kCannotRun);
      }
      ::raise(SIGSTOP);
      ::execvp(o_.command[0], o_.command.data());
      std::fprintf(stderr, "kill_at_call: cannot run %s: %s\n", o_.command[0],
                   std::strerror(errno));
      ::_exit(127);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFSTOPPED(status)) {
      return WIFEXITED(status) ? WEXITSTATUS(status) : kCannotRun;
    }
    const long options = PTRACE_O_TRACESYSGOOD | PTRACE_O_TRACECLONE | PTRACE_O_TRACEFORK |
                         PTRACE_O_TRACEVFORK | PTRACE_O_TRACEEXEC | PTRACE_O_EXITKILL;
    if (::ptrace(PTRACE_SETOPTIONS, child, nullptr, reinterpret_cast<void*>(options)) != 0) {
      std::fprintf(stderr, "kill_at_call: cannot set the trace options: %s\n",
                   std::strerror(errno));
      ::kill(child, SIGKILL);
      return kCannotRun;
    }
    started_.insert(child);
    Resume(child, 0);
    return Loop(child);
  }

 private:
  static void Resume(pid_t thread, int signal) {
    ::ptrace(PTRACE_SYSCALL, thread, nullptr, reinterpret_cast<void*>(static_cast<long>(signal)));
  }

  int Loop(pid_t root) {
    int rootStatus = kCannotRun;
    for (;;) {
      int status = 0;
      const pid_t thread = ::waitpid(-1, &status, __WALL);
      if (thread < 0) {
        if (errno == EINTR) continue;
        break;  // no tracee left
      }
      if (WIFEXITED(status) || WIFSIGNALED(status)) {
        if (thread == root)
          rootStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        continue;
      }
      if (!WIFSTOPPED(status)) continue;
      const int signal = WSTOPSIG(status);
      if (signal == (SIGTRAP | 0x80)) {
        if (!AtSystemCall(thread)) continue;  // killed: it does not run on
        Resume(thread, 0);
      } else if (status >> 16 != 0) {
        Resume(thread, 0);  // a clone, fork or exec event: the new tracee stops on its own
      } else if (signal == SIGSTOP && started_.insert(thread).second) {
        Resume(thread, 0);  // a new thread or process's first stop
      } else {
        Resume(thread, signal);  // a signal of the program's own
      }
    }
    if (report_.is_open() && killed_) report_ << "killed " << o_.killAt << "\n";
    report_.flush();
    return rootStatus;
  }

  // Counts a call that changes a file, and kills its process when it is the chosen one. False
  // when it killed.
  bool AtSystemCall(pid_t thread) {
    __ptrace_syscall_info info{};
    if (::ptrace(PTRACE_GET_SYSCALL_INFO, thread, reinterpret_cast<void*>(sizeof info), &info) <=
            0 ||
        info.op != PTRACE_SYSCALL_INFO_ENTRY || killed_) {
      return true;
    }
    SystemCall call{thread, info.entry.nr, {}};
    std::copy(std::begin(info.entry.args), std::end(info.entry.args), call.args.begin());
    const std::optional<std::string> described = calls_.Describe(call);
    if (!described || (o_.exe && !RunsExe(thread, *o_.exe))) return true;
    ++count_;
    if (report_.is_open()) report_ << count_ << "\t" << *described << "\n";
    if (count_ != o_.killAt) return true;
    killed_ = true;
    ::kill(ProcessOf(thread), SIGKILL);
    return false;
  }

  Options o_;
  FileChangingCalls calls_;
  std::ofstream report_;
  std::set<pid_t> started_;  // threads whose first stop has been seen
  long count_ = 0;
  bool killed_ = false;
};

}  // namespace

int main(int argc, char** argv) { return Tracer(Parse(argc, argv)).Run(); }
