#include "DeviceRootFixture.h"

#include <algorithm>

namespace fs = std::filesystem;

void DeviceRootTest::SetUp() {
  testsupport::DeviceTest::SetUp();
  testsupport::MakeDeviceFolders(root_);
}

void DeviceRootTest::TearDown() {
  // A test may take the folder's permissions away; the folder must still be removable.
  std::error_code ignored;
  fs::permissions(HostPath(L"\\My Documents"), fs::perms::owner_all, fs::perm_options::add,
                  ignored);
  testsupport::DeviceTest::TearDown();
}

fs::path DeviceRootTest::HostPath(const std::wstring& cePath) const {
  std::string narrow;
  for (wchar_t c : cePath) narrow += c == L'\\' ? '/' : static_cast<char>(c);
  return root_ / fs::path(narrow).relative_path();
}

std::vector<unsigned char> DeviceRootTest::ReadBytes(const std::wstring& cePath) const {
  const std::string bytes = testsupport::ReadBytes(HostPath(cePath));
  return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

void DeviceRootTest::WriteBytes(const std::wstring& cePath,
                                const std::vector<unsigned char>& bytes) const {
  testsupport::WriteBytes(
      HostPath(cePath),
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<std::string> DeviceRootTest::DocumentNames() const {
  std::vector<std::string> names;
  for (const fs::directory_entry& e : fs::directory_iterator(root_ / "My Documents")) {
    names.push_back(e.path().filename().string() + (e.is_directory() ? "/" : ""));
  }
  std::sort(names.begin(), names.end());
  return names;
}
