// A fresh device root for each test: CEDEVICE_ROOT points at a new, not yet existing folder,
// this process's clock reads the device again, and the folder is removed afterwards.
#pragma once

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

class TempDeviceRootTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // ROOT/relative, the host path of a file of the device.
  std::filesystem::path Host(const std::string& relative) const { return root_ / relative; }
  std::string ReadHostFile(const std::filesystem::path& path) const;
  void WriteHostFile(const std::filesystem::path& path, const std::string& content) const;

  std::filesystem::path root_;
};
