#include "StateFiles.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <sys/file.h>
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

// The process's side of the device lock: the mutex serialises threads, the flock processes.
std::recursive_mutex g_lockMutex;
int g_lockFd = -1;            // guarded by g_lockMutex
thread_local int t_lockDepth = 0;

}  // namespace

std::optional<std::string> ReadState(std::string_view name) {
  const fs::path path = DeviceStatePath(name);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return std::nullopt;
    throw DeviceError(path, Why("cannot open"));
  }
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
  // Unique per process and thread, so two writers never share a temporary file.
  static std::atomic<unsigned> serial{0};
  const fs::path temp = path.string() + ".tmp." + std::to_string(::getpid()) + "." +
                        std::to_string(serial.fetch_add(1));
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
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

void AppendState(std::string_view name, std::string_view text) {
  const fs::path path = DeviceStatePath(name);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) throw DeviceError(path, Why("cannot append"));
  if (!WriteAll(fd, text) || ::fsync(fd) != 0) {
    const std::string why = Why("cannot append");
    ::close(fd);
    throw DeviceError(path, why);
  }
  ::close(fd);
}

DeviceLock::DeviceLock() {
  g_lockMutex.lock();
  if (t_lockDepth++ > 0) return;
  outermost_ = true;
  try {
    const fs::path path = DeviceStatePath("lock");
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) throw DeviceError(path, Why("cannot open the device lock"));
    int rc;
    do { rc = ::flock(fd, LOCK_EX); } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
      const std::string why = Why("cannot take the device lock");
      ::close(fd);
      throw DeviceError(path, why);
    }
    g_lockFd = fd;
  } catch (...) {
    --t_lockDepth;
    g_lockMutex.unlock();
    throw;
  }
}

DeviceLock::~DeviceLock() {
  if (--t_lockDepth == 0 && outermost_) {
    ::close(g_lockFd);  // drops the flock
    g_lockFd = -1;
  }
  g_lockMutex.unlock();
}

}  // namespace cedev
