// The device's state folder (ROOT/.device) seen from a Windows process under Wine: the one seam
// between the device's state and the Win32 file API. The device root is the Unix path in
// CEDEVICE_ROOT (or ${XDG_DATA_HOME:-$HOME/.local/share}/cedevice), reached through Wine's Z:
// drive, which maps the whole Unix file system: "/srv/dev" is "Z:\srv\dev". A relative root
// stays relative, from the current folder, which Wine maps the same way.
//
// The files and their meaning are the device's own (docs/architecture.md): each state file is
// written whole to a temporary file beside it and moved over the old one; logs and journals are
// appended to; every read-modify-write runs under the device lock.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace cewin {

// A state file that could not be read or written: "PATH: WHY", with the Win32 error code.
class StateError : public std::runtime_error {
 public:
  StateError(const std::wstring& path, const std::string& why, unsigned long code);
  unsigned long code() const { return code_; }

 private:
  unsigned long code_;
};

// A host (Unix) path as a Windows process under Wine names it: an absolute one on the Z: drive,
// a relative one from the current folder, "/" as "\\".
std::wstring WindowsPathOfHost(std::wstring path);

// The Windows path of the device root, and of ROOT\.device\NAME. A missing root is made
// factory-new ("My Documents", "Windows" and ".device"), as the device makes it on first use.
std::wstring DeviceRootPath();
std::wstring StatePath(std::string_view name);

// The content of a state file, nothing when it does not exist. Throws StateError.
std::optional<std::string> ReadState(std::string_view name);
// Replaces a state file whole: a temporary file beside it (NAME.tmp.PID.N, made exclusively),
// flushed and moved over it in one step. Throws StateError, the old content then kept.
void WriteStateAtomic(std::string_view name, std::string_view content);
// Appends `text` in one write, flushed; returns the size before it. Throws StateError, the file
// then as it was.
std::uint64_t AppendState(std::string_view name, std::string_view text);
// Cuts a state file back to `size` bytes; false when it cannot.
bool CutState(std::string_view name, std::uint64_t size);
// Removes a state file; a missing one is no failure.
void RemoveState(std::string_view name);
// Copies a state file aside as NAME.damaged (or .damaged-2, ...), and returns the copy's path.
std::wstring KeepAside(std::string_view name);

// Holds the device: a lock on the first byte of ROOT\.device\lock (LockFileEx, which Wine takes
// as a record lock of the host, the same byte the device locks), so other processes wait, and a
// mutex of this process, so its threads wait too. Re-entrant on one thread. A lock another
// process keeps is waited for: said on standard error after a second, given up after
// CEDEVICE_LOCK_TIMEOUT_MS (30 s when unset) with a StateError.
class DeviceLock {
 public:
  DeviceLock();
  ~DeviceLock();
  DeviceLock(const DeviceLock&) = delete;
  DeviceLock& operator=(const DeviceLock&) = delete;

 private:
  bool outermost_ = false;
};

// UTF-8 of a wide text for messages.
std::string Narrow(std::wstring_view text);

}  // namespace cewin
