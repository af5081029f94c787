// A test with a device of its own in this process: each test gets a fresh device root (not made:
// the device makes it factory-new on first use), CEDEVICE_ROOT names it and the device's clock is
// read again from it; it is removed when the test ends.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "Scratch.h"

namespace testsupport {

class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // ROOT/relative, the host path of a file of the device.
  std::filesystem::path Host(const std::string& relative) const { return root_ / relative; }

  std::filesystem::path root_;

 private:
  std::unique_ptr<Scratch> scratch_;
};

}  // namespace testsupport
