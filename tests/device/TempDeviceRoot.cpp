#include "TempDeviceRoot.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include <unistd.h>

#include "DeviceClock.h"

namespace fs = std::filesystem;

void TempDeviceRootTest::SetUp() {
  static int serial = 0;
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  root_ = fs::temp_directory_path() / ("cedev-" + std::to_string(::getpid()) + "-" +
                                       std::to_string(++serial) + "-" + test->name());
  fs::remove_all(root_);
  ::setenv("CEDEVICE_ROOT", root_.c_str(), 1);
  cedev::clock::Reload();
}

void TempDeviceRootTest::TearDown() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
  cedev::clock::Reload();
}

std::string TempDeviceRootTest::ReadHostFile(const fs::path& path) const {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void TempDeviceRootTest::WriteHostFile(const fs::path& path, const std::string& content) const {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}
