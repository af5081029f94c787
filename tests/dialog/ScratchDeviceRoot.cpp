// Test programs that make a date-time picker read the device's clock, which lives in the
// device root. They run on a scratch root of their own, removed when they end, so that no test
// makes or changes the default device.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace {

class ScratchDeviceRoot : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "cedev-gui-tests-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    ASSERT_EQ(setenv("CEDEVICE_ROOT", (folder_ / "device").c_str(), 1), 0);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

 private:
  std::filesystem::path folder_;
};

// GoogleTest owns the environments it is given.
[[maybe_unused]] ::testing::Environment* const kScratchRoot =
    ::testing::AddGlobalTestEnvironment(new ScratchDeviceRoot);

}  // namespace
