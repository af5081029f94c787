#include "Scratch.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

#include <unistd.h>

#include <gtest/gtest.h>

#include "DeviceClock.h"

namespace fs = std::filesystem;

namespace testsupport {

namespace {

fs::path NewFolder(std::string_view tag) {
  static int serial = 0;
  const fs::path base =
      fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
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

Scratch::Scratch(std::string_view tag) : dir(NewFolder(tag)), root(dir / "device") {}

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
