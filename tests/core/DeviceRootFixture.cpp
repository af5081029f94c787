#include "DeviceRootFixture.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {
// One device root for the whole test process (the device resolves its root once); each test
// starts from a factory-new state of it.
const fs::path& ProcessRoot() {
  static const fs::path root = [] {
    fs::path r = fs::temp_directory_path() / ("quenmora-core-test-" + std::to_string(getpid()));
    fs::remove_all(r);
    setenv("CEDEVICE_ROOT", r.c_str(), 1);
    return r;
  }();
  return root;
}
}  // namespace

void DeviceRootTest::SetUp() {
  root_ = ProcessRoot();
  fs::remove_all(root_ / "My Documents");
  fs::create_directories(root_ / "My Documents");
  fs::create_directories(root_ / "Windows");
  fs::create_directories(root_ / ".device");
}

void DeviceRootTest::TearDown() {
  std::error_code ignored;
  fs::permissions(HostPath(L"\\My Documents"), fs::perms::owner_all, fs::perm_options::add,
                  ignored);
}

fs::path DeviceRootTest::HostPath(const std::wstring& cePath) const {
  std::string narrow;
  for (wchar_t c : cePath) narrow += c == L'\\' ? '/' : static_cast<char>(c);
  return root_ / fs::path(narrow).relative_path();
}

std::vector<unsigned char> DeviceRootTest::ReadBytes(const std::wstring& cePath) const {
  std::ifstream in(HostPath(cePath), std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

void DeviceRootTest::WriteBytes(const std::wstring& cePath,
                                const std::vector<unsigned char>& bytes) const {
  std::ofstream out(HostPath(cePath), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> DeviceRootTest::DocumentNames() const {
  std::vector<std::string> names;
  for (const fs::directory_entry& e : fs::directory_iterator(root_ / "My Documents")) {
    names.push_back(e.path().filename().string() + (e.is_directory() ? "/" : ""));
  }
  std::sort(names.begin(), names.end());
  return names;
}
