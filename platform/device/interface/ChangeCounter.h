// A count of changes that every process of a device shares through a small file under
// ROOT/.device, mapped into each process: a writer of the state it stands for adds one under
// the device lock with each change, and a reader that remembers the count it last read sees
// with one atomic load, and no system call, whether anything has changed since. The count is
// odd while a change is being made, so that a reader can also read the state without the
// device lock: it reads the count before and after, and the state it read is whole when the
// count was even and did not move.
//
// The file is 64 bytes: a line of text that names it (32 bytes with its padding), the count as
// a 64-bit number in the host's byte order, then zeros. It is only ever changed in place (never
// replaced), so that every process that has it mapped sees each change. A missing file, or one
// cut short, is no count: Read gives nothing, which means "read the state again". A damaged
// file (another first line) is made whole by the next writer, from a count no process can have
// seen. What stands at its name must be a plain file: anything else is refused with a
// DeviceError naming it, as for every state file.
//
// Thread safety: none of its own. The owner guards it with one mutex.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include <sys/types.h>

namespace cedev {

class ChangeCounter {
 public:
  static constexpr std::size_t kCountAt = 32;  // where the count lies: after the first line

  ChangeCounter() = default;
  ~ChangeCounter();
  ChangeCounter(const ChangeCounter&) = delete;
  ChangeCounter& operator=(const ChangeCounter&) = delete;

  // The count now; nothing when there is no usable count. No system call. (The first line is
  // not looked at: a count damaged in place reads as another count, so the state is read again;
  // a first line damaged alone changes nothing of the state, and the next writer makes it whole
  // with a count that differs.)
  std::optional<std::uint64_t> Read() const {
    if (map_ == nullptr) return std::nullopt;
    return std::atomic_ref<std::uint64_t>(*reinterpret_cast<std::uint64_t*>(map_ + kCountAt))
        .load(std::memory_order_acquire);
  }

  // Maps the file at `path` (under ROOT/.device) when it is not mapped, or when the file there
  // is no longer the one mapped or has been cut short (one stat). With `create` (device lock
  // held) a missing file is made; without it a missing or short one is no count. Throws
  // DeviceError when something other than a plain file stands there.
  void Attach(const std::filesystem::path& path, bool create);

  // A change begins: the count is made odd, so that a reader that sees an odd count, or a count
  // that moved while it read, reads again under the device lock. A writer ended before EndChange
  // leaves it odd until the next change ends. Device lock held, after Attach.
  void BeginChange();
  // The change is over: the count is made even, one or two above where it was, and returned
  // (nothing when there is no count). Device lock held.
  std::optional<std::uint64_t> EndChange();
  // A damaged file is made whole, from an even count no process can have seen. Device lock held.
  void MakeWhole();

  // Forgets the mapping (another device root).
  void Detach();

 private:
  bool Whole() const;

  std::filesystem::path path_;
  unsigned char* map_ = nullptr;
  dev_t device_ = 0;
  ino_t inode_ = 0;
};

}  // namespace cedev
