#include "Scratch.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <system_error>

#include <signal.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "DeviceClock.h"

namespace fs = std::filesystem;

namespace testsupport {

namespace {

// Memory where there is some that programs may be run from (the device runs its applications
// from its root), else the temporary folder.
fs::path Base(Scratch::Place place) {
  struct statvfs memory {};
  if (place == Scratch::Place::Memory && ::statvfs("/dev/shm", &memory) == 0 &&
      (memory.f_flag & ST_NOEXEC) == 0 && (memory.f_flag & ST_RDONLY) == 0)
    return "/dev/shm";
  return fs::temp_directory_path();
}

// Removes the folders of test processes that have ended without removing their own: a death
// test's child ends with _exit, and a hung test is killed. A folder whose process still runs is
// left alone, whoever's it is.
void SweepEnded(const fs::path& base) {
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(base, ec)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with("quenmora-")) continue;
    char* end = nullptr;
    const long pid = std::strtol(name.c_str() + 9, &end, 10);
    if (pid <= 0 || *end != '-' || pid == ::getpid()) continue;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) fs::remove_all(entry, ec);
  }
}

fs::path NewFolder(std::string_view tag, Scratch::Place place) {
  static std::atomic<int> serial{0};
  const fs::path base = Base(place);
  static std::once_flag swept[2];
  std::call_once(swept[place == Scratch::Place::Memory ? 0 : 1], [&] { SweepEnded(base); });
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  // Short enough that a socket's path in the device's state folder still fits (108 bytes).
  std::string name = (test != nullptr ? test->name() : std::string(tag)).substr(0, 40);
  for (char& c : name) {
    if (c == '/') c = '_';  // parameterised tests' names hold slashes
  }
  const fs::path dir = base / ("quenmora-" + std::to_string(::getpid()) + "-" +
                               std::to_string(++serial) + "-" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

}  // namespace

Scratch::Scratch(std::string_view tag, Place place)
    : dir(NewFolder(tag, place)), root(dir / "device") {}

Scratch::~Scratch() {
  std::error_code ignored;
  fs::remove_all(dir, ignored);
}

const fs::path& ProcessDeviceRoot() {
  static const Scratch scratch("process");
  static const bool used = (UseDeviceRoot(scratch.root), true);
  (void)used;
  return scratch.root;
}

const fs::path& ResetProcessDevice() {
  const fs::path& root = ProcessDeviceRoot();
  fs::remove_all(root);
  fs::create_directories(root / ".device");
  return root;
}

void UseDeviceRoot(const fs::path& root) {
  ::setenv("CEDEVICE_ROOT", root.c_str(), 1);
  cedev::clock::Reload();
}

void MakeDeviceFolders(const fs::path& root) {
  for (const char* folder : {"My Documents", "Windows", ".device"})
    fs::create_directories(root / folder);
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, std::string_view bytes) {
  std::error_code ignored;  // a folder that cannot be made shows as the file missing
  if (path.has_parent_path()) fs::create_directories(path.parent_path(), ignored);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace testsupport
