// The device's state files under ROOT/.device/: plain text, replaced atomically, and the device
// lock that makes a read-modify-write safe between processes and between threads.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace cedev {

// The content of ROOT/.device/NAME, or nothing when the file does not exist. Throws DeviceError
// when it exists but cannot be read.
std::optional<std::string> ReadState(std::string_view name);

// Replaces ROOT/.device/NAME with `content` in one step: a temporary file beside it is
// written, flushed to disk and renamed over it, so a reader sees the old or the new content,
// never a mix. Throws DeviceError (naming the file) on failure; the old content then stays.
void WriteStateAtomic(std::string_view name, std::string_view content);

// Appends `text` to ROOT/.device/NAME (made if missing) in one write, flushed to disk. For
// logs. Throws DeviceError on failure.
void AppendState(std::string_view name, std::string_view text);

// Holds the device exclusively: an exclusive flock on ROOT/.device/lock, so other processes
// wait, plus a process-wide mutex, so threads of this process wait too. Re-entrant on one
// thread: a nested DeviceLock on a thread that holds it is free. Take it around every
// read-modify-write of state files.
class DeviceLock {
 public:
  DeviceLock();
  ~DeviceLock();
  DeviceLock(const DeviceLock&) = delete;
  DeviceLock& operator=(const DeviceLock&) = delete;

 private:
  bool outermost_ = false;
};

}  // namespace cedev
