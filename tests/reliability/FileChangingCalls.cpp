#include "FileChangingCalls.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A call of interest and where its arguments are: -1 where it has none of that kind. A path
// without a folder argument is taken from the thread's current folder.
struct Entry {
  long number;
  const char* name;
  int fd = -1;    // the descriptor written, synced or locked
  int dirA = -1;  // the folder descriptor of pathA (the *at calls)
  int pathA = -1;
  int dirB = -1;
  int pathB = -1;  // the second path of a rename or link
  int flags = -1;  // an open's flags: counts only when it writes, creates, truncates or appends
  int cmd = -1;    // fcntl's command: counts only for a lock
};

const std::vector<Entry>& Entries() {
  static const std::vector<Entry> entries = {
#ifdef SYS_open
      {.number = SYS_open, .name = "open", .pathA = 0, .flags = 1},
#endif
#ifdef SYS_creat
      {.number = SYS_creat, .name = "creat", .pathA = 0},
#endif
      {.number = SYS_openat, .name = "openat", .dirA = 0, .pathA = 1, .flags = 2},
      {.number = SYS_write, .name = "write", .fd = 0},
      {.number = SYS_writev, .name = "writev", .fd = 0},
      {.number = SYS_pwrite64, .name = "pwrite64", .fd = 0},
      {.number = SYS_pwritev, .name = "pwritev", .fd = 0},
#ifdef SYS_pwritev2
      {.number = SYS_pwritev2, .name = "pwritev2", .fd = 0},
#endif
      {.number = SYS_ftruncate, .name = "ftruncate", .fd = 0},
      {.number = SYS_truncate, .name = "truncate", .pathA = 0},
      {.number = SYS_fallocate, .name = "fallocate", .fd = 0},
      {.number = SYS_fsync, .name = "fsync", .fd = 0},
      {.number = SYS_fdatasync, .name = "fdatasync", .fd = 0},
      {.number = SYS_sync_file_range, .name = "sync_file_range", .fd = 0},
      {.number = SYS_flock, .name = "flock", .fd = 0},
      {.number = SYS_fcntl, .name = "fcntl", .fd = 0, .cmd = 1},
      {.number = SYS_copy_file_range, .name = "copy_file_range", .fd = 2},
      {.number = SYS_sendfile, .name = "sendfile", .fd = 0},
#ifdef SYS_rename
      {.number = SYS_rename, .name = "rename", .pathA = 0, .pathB = 1},
#endif
      {.number = SYS_renameat, .name = "renameat", .dirA = 0, .pathA = 1, .dirB = 2, .pathB = 3},
#ifdef SYS_renameat2
      {.number = SYS_renameat2, .name = "renameat2", .dirA = 0, .pathA = 1, .dirB = 2, .pathB = 3},
#endif
#ifdef SYS_unlink
      {.number = SYS_unlink, .name = "unlink", .pathA = 0},
#endif
      {.number = SYS_unlinkat, .name = "unlinkat", .dirA = 0, .pathA = 1},
#ifdef SYS_rmdir
      {.number = SYS_rmdir, .name = "rmdir", .pathA = 0},
#endif
#ifdef SYS_mkdir
      {.number = SYS_mkdir, .name = "mkdir", .pathA = 0},
#endif
      {.number = SYS_mkdirat, .name = "mkdirat", .dirA = 0, .pathA = 1},
#ifdef SYS_mknod
      {.number = SYS_mknod, .name = "mknod", .pathA = 0},
#endif
      {.number = SYS_mknodat, .name = "mknodat", .dirA = 0, .pathA = 1},
#ifdef SYS_link
      {.number = SYS_link, .name = "link", .pathA = 0, .pathB = 1},
#endif
      {.number = SYS_linkat, .name = "linkat", .dirA = 0, .pathA = 1, .dirB = 2, .pathB = 3},
#ifdef SYS_symlink
      {.number = SYS_symlink, .name = "symlink", .pathA = 1},
#endif
      {.number = SYS_symlinkat, .name = "symlinkat", .dirA = 1, .pathA = 2},
  };
  return entries;
}

bool IsLockCommand(std::uint64_t cmd) {
  switch (static_cast<int>(cmd)) {
    case F_SETLK:
    case F_SETLKW:
    case F_OFD_SETLK:
    case F_OFD_SETLKW:
      return true;
    default:
      return false;
  }
}

std::optional<std::string> ReadLink(const std::string& link) {
  char target[PATH_MAX];
  const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
  if (n < 0) return std::nullopt;
  std::string text(target, static_cast<std::size_t>(n));
  // A descriptor of a removed file still names it.
  constexpr std::string_view kDeleted = " (deleted)";
  if (text.ends_with(kDeleted)) text.erase(text.size() - kDeleted.size());
  return text;
}

// A text the thread holds at `address`, up to its terminating zero.
std::optional<std::string> ReadString(pid_t thread, std::uint64_t address) {
  if (address == 0) return std::nullopt;
  const std::string memory = "/proc/" + std::to_string(thread) + "/mem";
  const int fd = ::open(memory.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string text;
  char chunk[256];
  while (text.size() < PATH_MAX) {
    const ssize_t n = ::pread(fd, chunk, sizeof chunk, static_cast<off_t>(address + text.size()));
    if (n <= 0) break;
    const std::string_view got(chunk, static_cast<std::size_t>(n));
    const std::size_t end = got.find('\0');
    text.append(got.substr(0, end));
    if (end != std::string_view::npos) {
      ::close(fd);
      return text;
    }
  }
  ::close(fd);
  return std::nullopt;
}

}  // namespace

FileChangingCalls::FileChangingCalls(const fs::path& folder)
    : folder_(fs::weakly_canonical(folder).string()) {
  while (folder_.size() > 1 && folder_.ends_with('/')) folder_.pop_back();
}

std::optional<std::string> FileChangingCalls::Inside(const std::string& path) const {
  std::error_code ec;
  const std::string full = fs::weakly_canonical(path, ec).string();
  if (ec) return std::nullopt;
  if (full == folder_) return std::string(".");
  if (full.size() > folder_.size() && full.starts_with(folder_) && full[folder_.size()] == '/') {
    return full.substr(folder_.size() + 1);
  }
  return std::nullopt;
}

std::optional<std::string> FileChangingCalls::PathArgument(const SystemCall& call, int pathArg,
                                                           std::optional<int> dirArg) const {
  const std::optional<std::string> path = ReadString(call.thread, call.args[pathArg]);
  if (!path || path->empty()) return std::nullopt;
  if (path->front() == '/') return Inside(*path);
  const std::string proc = "/proc/" + std::to_string(call.thread);
  const int dir = dirArg ? static_cast<int>(call.args[*dirArg]) : AT_FDCWD;
  const std::optional<std::string> base =
      ReadLink(dir == AT_FDCWD ? proc + "/cwd" : proc + "/fd/" + std::to_string(dir));
  if (!base) return std::nullopt;
  return Inside(*base + "/" + *path);
}

std::optional<std::string> FileChangingCalls::Descriptor(const SystemCall& call, int fdArg) const {
  const std::optional<std::string> target =
      ReadLink("/proc/" + std::to_string(call.thread) + "/fd/" +
               std::to_string(static_cast<int>(call.args[fdArg])));
  if (!target || target->empty() || target->front() != '/')
    return std::nullopt;  // a pipe, a socket
  return Inside(*target);
}

std::optional<std::string> FileChangingCalls::Describe(const SystemCall& call) const {
  const auto& entries = Entries();
  const auto entry = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) {
    return static_cast<std::uint64_t>(e.number) == call.number;
  });
  if (entry == entries.end()) return std::nullopt;
  if (entry->flags >= 0 &&
      (call.args[entry->flags] & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC | O_APPEND)) == 0) {
    return std::nullopt;
  }
  if (entry->cmd >= 0 && !IsLockCommand(call.args[entry->cmd])) return std::nullopt;
  const auto dir = [](int arg) { return arg >= 0 ? std::optional<int>(arg) : std::nullopt; };
  std::optional<std::string> inside;
  if (entry->fd >= 0) inside = Descriptor(call, entry->fd);
  if (!inside && entry->pathA >= 0) inside = PathArgument(call, entry->pathA, dir(entry->dirA));
  if (!inside && entry->pathB >= 0) inside = PathArgument(call, entry->pathB, dir(entry->dirB));
  if (!inside) return std::nullopt;
  return std::string(entry->name) + "\t" + *inside;
}
