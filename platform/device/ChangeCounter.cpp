#include "ChangeCounter.h"

#include <array>
#include <bit>
#include <atomic>
#include <csignal>
#include <cstring>
#include <mutex>
#include <random>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "DeviceError.h"
#include "StateFiles.h"

namespace cedev {

namespace {

constexpr std::size_t kFileSize = 64;
constexpr std::size_t kCountAt = ChangeCounter::kCountAt;
// The first line, padded with blanks to the count's place.
constexpr char kHeading[kCountAt + 1] = "cedevice change counter 1      \n";
static_assert(sizeof kHeading == kCountAt + 1);
// The count is kept little-endian (other processes of the device, and any other program that
// keeps to the store's format, read it as such); it is read and written in place as a native word.
static_assert(std::endian::native == std::endian::little);

// A file cut short under a mapping makes the next load of it fault (SIGBUS) instead of reading.
// The device catches that fault for its own mappings only and puts a page of zeros in their
// place, which reads as no count; every other fault goes on to what handled it before.
constexpr std::size_t kMostGuarded = 4;
std::array<std::atomic<unsigned char*>, kMostGuarded> g_guarded{};
struct sigaction g_previous {};
std::once_flag g_guardInstalled;

extern "C" void OnBusError(int signal, siginfo_t* info, void* context) {
  const auto* at = static_cast<unsigned char*>(info->si_addr);
  const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  for (auto& slot : g_guarded) {
    unsigned char* mapped = slot.load();
    if (mapped != nullptr && at >= mapped && at < mapped + page) {
      ::mmap(mapped, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
      return;  // the load runs again and reads zeros
    }
  }
  if ((g_previous.sa_flags & SA_SIGINFO) != 0 && g_previous.sa_sigaction != nullptr) {
    g_previous.sa_sigaction(signal, info, context);
  } else if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN) {
    g_previous.sa_handler(signal);
  } else {
    ::signal(SIGBUS, SIG_DFL);  // the faulting access runs again and ends the process
  }
}

void Guard(unsigned char* mapped) {
  std::call_once(g_guardInstalled, [] {
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    ::sigaction(SIGBUS, &action, &g_previous);
  });
  for (auto& slot : g_guarded) {
    unsigned char* empty = nullptr;
    if (slot.compare_exchange_strong(empty, mapped)) return;
  }
}

void Unguard(unsigned char* mapped) {
  for (auto& slot : g_guarded) {
    unsigned char* expected = mapped;
    if (slot.compare_exchange_strong(expected, nullptr)) return;
  }
}

// A count no process can have remembered: a file made again starts far from any it had.
std::uint64_t FreshCount() {
  std::random_device random;
  return (static_cast<std::uint64_t>(random()) << 32) ^ random();
}

}  // namespace

ChangeCounter::~ChangeCounter() { Detach(); }

bool ChangeCounter::Whole() const {
  return map_ != nullptr && std::memcmp(map_, kHeading, kCountAt) == 0;
}

void ChangeCounter::Attach(const std::filesystem::path& path, bool create) {
  struct stat st {};
  const bool there = ::stat(path.c_str(), &st) == 0;
  if (map_ != nullptr && there && path == path_ && st.st_dev == device_ && st.st_ino == inode_ &&
      S_ISREG(st.st_mode) && static_cast<std::size_t>(st.st_size) >= kFileSize) {
    return;
  }
  Detach();
  if (!there && !create) return;
  const int fd = OpenStateFileAt(path, O_RDWR | (create ? O_CREAT : 0));
  if (fd < 0) return;
  if (::fstat(fd, &st) != 0 || (static_cast<std::size_t>(st.st_size) < kFileSize &&
                                (!create || ::ftruncate(fd, static_cast<off_t>(kFileSize)) != 0))) {
    ::close(fd);  // too short to map, and not to be made: no count
    return;
  }
  void* mapped = ::mmap(nullptr, kFileSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  ::close(fd);
  if (mapped == MAP_FAILED) return;
  map_ = static_cast<unsigned char*>(mapped);
  Guard(map_);
  path_ = path;
  device_ = st.st_dev;
  inode_ = st.st_ino;
}

void ChangeCounter::MakeWhole() {
  if (map_ == nullptr || Whole()) return;
  std::atomic_ref<std::uint64_t>(*reinterpret_cast<std::uint64_t*>(map_ + kCountAt))
      .store(FreshCount() & ~std::uint64_t{1}, std::memory_order_release);
  std::memcpy(map_, kHeading, kCountAt);
}

void ChangeCounter::BeginChange() {
  if (map_ == nullptr) return;
  MakeWhole();
  std::atomic_ref<std::uint64_t> count(*reinterpret_cast<std::uint64_t*>(map_ + kCountAt));
  const std::uint64_t now = count.load(std::memory_order_relaxed);
  if ((now & 1) == 0) count.store(now + 1, std::memory_order_seq_cst);
}

std::optional<std::uint64_t> ChangeCounter::EndChange() {
  if (map_ == nullptr) return std::nullopt;
  MakeWhole();
  std::atomic_ref<std::uint64_t> count(*reinterpret_cast<std::uint64_t*>(map_ + kCountAt));
  std::uint64_t now = count.load(std::memory_order_relaxed);
  now += (now & 1) != 0 ? 1 : 2;
  count.store(now, std::memory_order_seq_cst);
  return now;
}

void ChangeCounter::Detach() {
  if (map_ == nullptr) return;
  Unguard(map_);
  ::munmap(map_, kFileSize);
  map_ = nullptr;
  path_.clear();
}

}  // namespace cedev
