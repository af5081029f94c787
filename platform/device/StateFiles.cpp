#include "StateFiles.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "DeviceError.h"
#include "DeviceRoot.h"

namespace fs = std::filesystem;

namespace cedev {

namespace {

std::string Why(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// Writes all of `data` or fails with errno set.
bool WriteAll(int fd, std::string_view data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

const char* KindOf(mode_t mode) {
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device node";
  if (S_ISDIR(mode)) return "a folder";
  return "not a plain file";
}

[[noreturn]] void RefuseNotPlain(const fs::path& path, mode_t mode) {
  const std::string kind = KindOf(mode);
  throw DeviceError(path, kind == "not a plain file" ? kind : kind + ", not a plain file");
}

// Refuses what stands at `path` when it is there and not a plain file; nothing is opened.
void CheckPlainIfThere(const fs::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) RefuseNotPlain(path, st.st_mode);
}

// Opens a state file that must be plain. It is looked at before it is opened, so that opening
// has no effect on a device node; it is opened without blocking, so that a FIFO put there in
// between cannot hold the caller; and the open file is looked at again, so that only a plain
// file is ever read or written. (Not blocking changes nothing for a plain file's reads and
// writes, so the flag stays.) `info`, when given, gets what the open file was found to be.
// OpenLookedAt is its second half, for a file just looked at and found plain (or missing).
int OpenLookedAt(const fs::path& path, int flags, const char* doing, struct stat* info) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644);
  if (fd < 0) {
    if (errno == ENOENT && (flags & O_CREAT) == 0) return -1;
    const std::string why = Why(doing);
    CheckPlainIfThere(path);
    throw DeviceError(path, why);
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const mode_t mode = st.st_mode;
    ::close(fd);
    RefuseNotPlain(path, mode);
  }
  if (info != nullptr) *info = st;
  return fd;
}

int OpenPlain(const fs::path& path, int flags, const char* doing, struct stat* info = nullptr) {
  struct stat before {};
  if (::stat(path.c_str(), &before) == 0) {
    if (!S_ISREG(before.st_mode)) RefuseNotPlain(path, before.st_mode);
  } else if (errno == ENOENT && (flags & O_CREAT) == 0) {
    return -1;  // nothing there, and nothing to make
  }
  return OpenLookedAt(path, flags, doing, info);
}

// The process's side of the device lock: the mutex serialises threads, the byte lock processes.
// The lock file stays open from one lock to the next (the lock is taken and let go on it), so
// that taking the lock costs a stat and two fcntls; the stat makes sure that it is still the
// file at the lock's path (the device root moved, or the file was removed or replaced).
std::recursive_mutex g_lockMutex;
int g_lockFd = -1;       // guarded by g_lockMutex
fs::path g_lockPath;     // guarded by g_lockMutex
dev_t g_lockDevice = 0;  // guarded by g_lockMutex
ino_t g_lockInode = 0;   // guarded by g_lockMutex
thread_local int t_lockDepth = 0;

// The open lock file of the current device root. g_lockMutex held.
int LockFile() {
  const fs::path path = DeviceRootPath() / ".device" / "lock";
  struct stat st {};
  if (g_lockFd >= 0 && path == g_lockPath && ::stat(path.c_str(), &st) == 0 &&
      st.st_dev == g_lockDevice && st.st_ino == g_lockInode) {
    return g_lockFd;
  }
  if (g_lockFd >= 0) ::close(g_lockFd);
  g_lockFd = -1;
  const int fd =
      OpenPlain(DeviceStatePath("lock"), O_RDWR | O_CREAT, "cannot open the device lock", &st);
  g_lockFd = fd;
  g_lockPath = path;
  g_lockDevice = st.st_dev;
  g_lockInode = st.st_ino;
  return fd;
}

std::chrono::milliseconds LockBound() {
  const char* text = std::getenv("CEDEVICE_LOCK_TIMEOUT_MS");
  if (text != nullptr && *text != 0) {
    char* end = nullptr;
    const long long ms = std::strtoll(text, &end, 10);
    if (*end == 0 && ms > 0) return std::chrono::milliseconds(ms);
  }
  return std::chrono::seconds(30);
}

// The device lock is a write lock on the lock file's first byte, held by the open file (an
// open-file-description record lock): like a flock it belongs to the file this process keeps
// open, so a thread's unlock is the process's; unlike a flock it excludes the POSIX record
// locks that Wine takes for a Windows process's LockFileEx on the same byte, so the device and
// a Windows build of the program under Wine exclude each other.
bool SetLockByte(int fd, short type) {
  struct flock range {};
  range.l_type = type;
  range.l_whence = SEEK_SET;
  range.l_start = 0;
  range.l_len = 1;
  return ::fcntl(fd, F_OFD_SETLK, &range) == 0;
}

// Takes the lock on an open lock file, waiting for another process that holds it: polled with
// growing pauses (a lock is held for milliseconds), so that the wait can be said after a second
// and given up after the bound.
void TakeLock(int fd, const fs::path& path) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  const std::chrono::milliseconds bound = LockBound();
  std::chrono::milliseconds pause(1);
  bool said = false;
  for (;;) {
    if (SetLockByte(fd, F_WRLCK)) return;
    if (errno != EAGAIN && errno != EACCES && errno != EINTR)
      throw DeviceError(path, Why("cannot take the device lock"));
    const auto waited = Clock::now() - start;
    if (!said && waited >= std::chrono::seconds(1)) {
      std::fprintf(stderr, "device: waiting for the device lock %s, which another process holds\n",
                   path.c_str());
      std::fflush(stderr);
      said = true;
    }
    if (waited >= bound) {
      throw DeviceError(
          path,
          "gave up waiting for the device lock after " +
              std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(bound).count()) +
              " ms: another process holds it");
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
  }
}

}  // namespace

int OpenStateFile(std::string_view name, int flags) {
  return OpenPlain(DeviceStatePath(name), flags, "cannot open");
}

int OpenStateFileAt(const fs::path& path, int flags, struct stat* info) {
  return OpenPlain(path, flags, "cannot open", info);
}

int OpenStateFileLookedAt(const fs::path& path, int flags, mode_t looked, struct stat* info) {
  if (!S_ISREG(looked)) RefuseNotPlain(path, looked);
  return OpenLookedAt(path, flags, "cannot open", info);
}

std::optional<std::string> ReadState(std::string_view name) {
  const fs::path path = DeviceStatePath(name);
  const int fd = OpenPlain(path, O_RDONLY, "cannot open");
  if (fd < 0) return std::nullopt;
  std::string content;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const std::string why = Why("cannot read");
      ::close(fd);
      throw DeviceError(path, why);
    }
    if (n == 0) break;
    content.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return content;
}

void WriteStateAtomic(std::string_view name, std::string_view content) {
  const fs::path path = DeviceStatePath(name);
  // Renaming over a FIFO or a device node would hide it without a word.
  CheckPlainIfThere(path);
  // Unique per process and call, so two writers never share a temporary file. Made
  // exclusively: what stands at the name (a dead process's leftover of the same id) is removed
  // rather than opened.
  static std::atomic<unsigned> serial{0};
  const fs::path temp = path.string() + ".tmp." + std::to_string(::getpid()) + "." +
                        std::to_string(serial.fetch_add(1));
  constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW;
  int fd = ::open(temp.c_str(), kFlags, 0644);
  if (fd < 0 && errno == EEXIST && ::unlink(temp.c_str()) == 0)
    fd = ::open(temp.c_str(), kFlags, 0644);
  if (fd < 0) throw DeviceError(path, Why("cannot write"));
  if (!WriteAll(fd, content) || ::fsync(fd) != 0) {
    const std::string why = Why("cannot write");
    ::close(fd);
    ::unlink(temp.c_str());
    throw DeviceError(path, why);
  }
  if (::close(fd) != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
    const std::string why = Why("cannot replace");
    ::unlink(temp.c_str());
    throw DeviceError(path, why);
  }
  // The rename is durable only once the folder is.
  const int dir = ::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

std::uint64_t AppendState(std::string_view name, std::string_view text) {
  const fs::path path = DeviceStatePath(name);
  const int fd = OpenPlain(path, O_WRONLY | O_CREAT | O_APPEND, "cannot append");
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const std::string why = Why("cannot append");
    ::close(fd);
    throw DeviceError(path, why);
  }
  const auto before = static_cast<std::uint64_t>(st.st_size);
  if (!WriteAll(fd, text) || ::fsync(fd) != 0) {
    const std::string why = Why("cannot append");
    // A line written in part would read as another line.
    if (::ftruncate(fd, static_cast<off_t>(before)) == 0) ::fsync(fd);
    ::close(fd);
    throw DeviceError(path, why);
  }
  ::close(fd);
  return before;
}

bool CutState(std::string_view name, std::uint64_t size) {
  try {
    const int fd = OpenPlain(DeviceStatePath(name), O_WRONLY, "cannot open");
    if (fd < 0) return false;
    const bool cut = ::ftruncate(fd, static_cast<off_t>(size)) == 0 && ::fsync(fd) == 0;
    ::close(fd);
    return cut;
  } catch (const DeviceError&) {
    return false;
  }
}

fs::path KeepAside(std::string_view name) {
  const fs::path path = DeviceStatePath(name);
  fs::path aside = path;
  aside += ".damaged";
  std::error_code ec;
  for (int n = 2; fs::exists(fs::symlink_status(aside, ec)); ++n) {
    aside = path;
    aside += ".damaged-" + std::to_string(n);
  }
  const std::optional<std::string> content = ReadState(name);
  const int fd = ::open(aside.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) throw DeviceError(path, Why(("cannot keep it aside as " + aside.string()).c_str()));
  const bool written = WriteAll(fd, content.value_or("")) && ::fsync(fd) == 0;
  const std::string why =
      written ? std::string() : Why(("cannot keep it aside as " + aside.string()).c_str());
  ::close(fd);
  if (!written) {
    ::unlink(aside.c_str());
    throw DeviceError(path, why);
  }
  return aside;
}

DeviceLock::DeviceLock() {
  g_lockMutex.lock();
  if (t_lockDepth++ > 0) return;
  outermost_ = true;
  try {
    TakeLock(LockFile(), g_lockPath);
  } catch (...) {
    --t_lockDepth;
    g_lockMutex.unlock();
    throw;
  }
}

DeviceLock::~DeviceLock() {
  if (--t_lockDepth == 0 && outermost_) SetLockByte(g_lockFd, F_UNLCK);
  g_lockMutex.unlock();
}

}  // namespace cedev
