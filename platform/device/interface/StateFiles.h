// The device's state files under ROOT/.device/: plain text, replaced atomically, and the device
// lock that makes a read-modify-write safe between processes and between threads.
//
// Every state file is a plain file or is refused at once: a FIFO, socket, device node or folder
// in its place gives a DeviceError naming it, and nothing ever blocks on one or reads it as a
// file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <sys/stat.h>

namespace cedev {

// The content of ROOT/.device/NAME, or nothing when the file does not exist. Throws DeviceError
// when it exists but cannot be read or is not a plain file.
std::optional<std::string> ReadState(std::string_view name);

// Replaces ROOT/.device/NAME with `content` in one step: a temporary file beside it (made
// exclusively) is written, flushed to disk and renamed over it, so a reader sees the old or the
// new content, never a mix. Throws DeviceError (naming the file) on failure, and when something
// other than a plain file stands at NAME; the old content then stays.
void WriteStateAtomic(std::string_view name, std::string_view content);

// Appends `text` to ROOT/.device/NAME (made if missing) in one write, flushed to disk, and
// returns the file's size before it, for CutState. For logs. Throws DeviceError on failure, the
// file then as it was.
std::uint64_t AppendState(std::string_view name, std::string_view text);

// Cuts ROOT/.device/NAME back to `size` bytes: takes back an append. False when it cannot.
bool CutState(std::string_view name, std::uint64_t size);

// Opens ROOT/.device/NAME (flags as for open(2); O_CLOEXEC is added) without blocking whatever
// stands there, and only when it is a plain file. Returns the descriptor, or -1 when the file
// does not exist and `flags` do not make it. Throws DeviceError otherwise.
int OpenStateFile(std::string_view name, int flags);

// OpenStateFile for a state file's full path, for callers that keep its path: nothing on the
// way to it is made. `info`, when given, gets what the open file was found to be.
int OpenStateFileAt(const std::filesystem::path& path, int flags, struct stat* info = nullptr);
// The same for a file the caller has just looked at (`looked`, the st_mode its stat gave):
// refused unless that found a plain file, then opened and looked at again as always.
int OpenStateFileLookedAt(const std::filesystem::path& path, int flags, mode_t looked,
                          struct stat* info);

// Copies ROOT/.device/NAME aside as NAME.damaged (or NAME.damaged-2, ...), for a person to look
// at before it is repaired; returns the copy's path. Throws DeviceError when it cannot.
std::filesystem::path KeepAside(std::string_view name);

// Holds the device exclusively: a write lock on the first byte of ROOT/.device/lock (a record
// lock of the open file, which Wine's LockFileEx of that byte also excludes), so other processes
// wait, plus a process-wide mutex, so threads of this process wait too. Re-entrant on one
// thread: a nested DeviceLock on a thread that holds it is free. Take it around every
// read-modify-write of state files.
//
// A lock another process keeps is waited for: after a second the wait is said on standard
// error; after CEDEVICE_LOCK_TIMEOUT_MS (30 s when unset) it gives up with a DeviceError.
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
