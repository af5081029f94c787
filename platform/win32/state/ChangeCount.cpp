#include "ChangeCount.h"

#include <windows.h>

#include <cstring>
#include <random>
#include <string>

#include "DeviceFiles.h"

namespace cewin {

namespace {

constexpr DWORD kFileSize = 64;
constexpr std::size_t kCountAt = 32;
constexpr char kHeading[kCountAt + 1] = "cedevice change counter 1      \n";
static_assert(sizeof kHeading == kCountAt + 1);

volatile LONG64* CountIn(unsigned char* view) {
  return reinterpret_cast<volatile LONG64*>(view + kCountAt);
}

}  // namespace

StoreChange::StoreChange() {
  const std::wstring path = StatePath("notifications.changes");
  file_ = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) {
    file_ = nullptr;
    throw StateError(path, "cannot open the change count", GetLastError());
  }
  // The mapping makes a short file 64 bytes long, zeros after its end: a damaged file.
  mapping_ = CreateFileMappingW(file_, nullptr, PAGE_READWRITE, 0, kFileSize, nullptr);
  if (mapping_ != nullptr)
    view_ = static_cast<unsigned char*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, kFileSize));
  if (view_ == nullptr) {
    const DWORD code = GetLastError();
    if (mapping_ != nullptr) CloseHandle(mapping_);
    CloseHandle(file_);
    throw StateError(path, "cannot map the change count", code);
  }
  if (std::memcmp(view_, kHeading, kCountAt) != 0) {
    std::random_device random;
    const std::uint64_t fresh = ((static_cast<std::uint64_t>(random()) << 32) ^ random()) & ~1ULL;
    InterlockedExchange64(CountIn(view_), static_cast<LONG64>(fresh));
    std::memcpy(view_, kHeading, kCountAt);
  }
  const LONG64 now = *CountIn(view_);
  if ((now & 1) == 0) InterlockedExchange64(CountIn(view_), now + 1);
}

StoreChange::~StoreChange() {
  const LONG64 now = *CountIn(view_);
  InterlockedExchange64(CountIn(view_), now + ((now & 1) != 0 ? 1 : 2));
  UnmapViewOfFile(view_);
  CloseHandle(mapping_);
  CloseHandle(file_);
}

std::uint64_t StoreChange::Count() const { return static_cast<std::uint64_t>(*CountIn(view_)); }

}  // namespace cewin
