// A count of changes that every process of a device shares through a small file under
// ROOT/.device, mapped into each process: a writer of the state it stands for adds one under
// the device lock with each change, and a reader that remembers the count it last read sees
// with one atomic load, and no system call, whether anything has changed since.
//
// The file is 64 bytes: a line of text that names it (32 bytes with its padding), the count as
// a 64-bit number in the host's byte order, then zeros. It is only ever changed in place (never
// replaced), so that every process that has it mapped sees each change. A missing or damaged
// file (another size, another first line) is no count: Read gives nothing, which means "read
// the state again", and the next Bump makes the file whole again, from a count no process can
// have seen. What stands at its name must be a plain file: anything else is refused with a
// DeviceError naming it, as for every state file.
//
// Thread safety: none of its own. The owner guards it with one mutex.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include <sys/types.h>

namespace cedev {

class ChangeCounter {
 public:
  ChangeCounter() = default;
  ~ChangeCounter();
  ChangeCounter(const ChangeCounter&) = delete;
  ChangeCounter& operator=(const ChangeCounter&) = delete;

  // The count now; nothing when there is no usable count. No system call.
  std::optional<std::uint64_t> Read() const;

  // Maps the file at `path` (under ROOT/.device) when it is not mapped, or when the file there
  // is no longer the one mapped or has been cut short (one stat); with `create`, makes a missing
  // file. Call with the device lock held. Throws DeviceError when something other than a plain
  // file stands there.
  void Attach(const std::filesystem::path& path, bool create);

  // Adds one; a missing or damaged file is made whole first. Call with the device lock held,
  // after Attach. Returns the new count, or nothing when the file cannot be made whole.
  std::optional<std::uint64_t> Bump();

  // Forgets the mapping (another device root).
  void Detach();

 private:
  bool Whole() const;

  std::filesystem::path path_;
  int fd_ = -1;
  unsigned char* map_ = nullptr;
  dev_t device_ = 0;
  ino_t inode_ = 0;
};

}  // namespace cedev
