#include "Scratch.h"

#include <unistd.h>

#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

Scratch::Scratch() {
  const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name =
      std::string("quenmora-rel-") + std::to_string(::getpid()) + "-" +
      (test != nullptr ? std::string(test->test_suite_name()) + "." + test->name() : "x");
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  dir = base / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  root = dir / "device";
}

Scratch::~Scratch() {
  std::error_code ec;
  fs::remove_all(dir, ec);
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
