// Gives every test of the program's file code a fresh device root of its own, factory-new.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "DeviceTest.h"

class DeviceRootTest : public testsupport::DeviceTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The host path of a CE path under the test's device root.
  std::filesystem::path HostPath(const std::wstring& cePath) const;
  std::vector<unsigned char> ReadBytes(const std::wstring& cePath) const;
  void WriteBytes(const std::wstring& cePath, const std::vector<unsigned char>& bytes) const;
  // The names in \My Documents, in name order, folders with a trailing "/".
  std::vector<std::string> DocumentNames() const;
};
