// The notification store's change count (ROOT/.device/notifications.changes) from a Windows
// process: 64 bytes, a first line naming the file padded to 32 bytes, then the count as a
// 64-bit little-endian number; odd while a change is being made. Every device process keeps it
// mapped and reads the store again only when the count has moved, so a change made from Windows
// must move it exactly as the device's writers do. Mapped here with CreateFileMapping, which
// Wine maps as a shared mapping of the same file.
#pragma once

#include <cstdint>

namespace cewin {

// One change of the store, from its beginning (the count made odd) to its end (made even, one or
// two above). Device lock held. A missing or damaged file is made whole first, from a count no
// process can have seen. Throws StateError when the file cannot be made or mapped.
class StoreChange {
 public:
  StoreChange();
  ~StoreChange();  // ends the change
  StoreChange(const StoreChange&) = delete;
  StoreChange& operator=(const StoreChange&) = delete;

  // The count as it is now.
  std::uint64_t Count() const;

 private:
  void* file_ = nullptr;
  void* mapping_ = nullptr;
  unsigned char* view_ = nullptr;
};

}  // namespace cewin
