#include "RunnerLock.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "DeviceError.h"
#include "DeviceRoot.h"
#include "StateFiles.h"

namespace cedevice {

namespace {

constexpr const char* kRunnerFile = "runner";

flock WholeFile(short type) {
  flock lock{};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;
  return lock;
}

}  // namespace

std::string BecomeTheRunner() {
  // A record lock rather than a flock: the kernel tells who holds it, and it is never passed on
  // to a launched application (record locks are not inherited over fork). The descriptor stays
  // open for the life of the process; closing any descriptor of the file would drop the lock.
  const int fd = cedev::OpenStateFile(kRunnerFile, O_RDWR | O_CREAT);
  // A holder may end between the refused take and the question who holds it: then try again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    flock take = WholeFile(F_WRLCK);
    if (::fcntl(fd, F_SETLK, &take) == 0) return {};
    if (errno != EACCES && errno != EAGAIN) {
      const std::string why = std::strerror(errno);
      ::close(fd);
      throw cedev::DeviceError(cedev::DeviceStatePath(kRunnerFile),
                               "cannot take the runner's lock: " + why);
    }
    flock holder = WholeFile(F_WRLCK);
    if (::fcntl(fd, F_GETLK, &holder) == 0 && holder.l_type != F_UNLCK) {
      ::close(fd);
      return "another `cedevice run` is working on this device (process " +
             std::to_string(holder.l_pid) + "); one runner a device";
    }
  }
  ::close(fd);
  return "another `cedevice run` is working on this device; one runner a device";
}

}  // namespace cedevice
