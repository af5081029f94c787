// Test programs that make a date-time picker read the device's clock, which lives in the
// device root. They run on a device root of their own for the whole program, made before the
// first test and removed when the program ends, so that no test makes or changes the default
// device.
#include <gtest/gtest.h>

#include "Scratch.h"

namespace {

class ProgramDevice : public ::testing::Environment {
 public:
  void SetUp() override { testsupport::ProcessDeviceRoot(); }
};

// GoogleTest owns the environments it is given.
[[maybe_unused]] ::testing::Environment* const kProgramDevice =
    ::testing::AddGlobalTestEnvironment(new ProgramDevice);

}  // namespace
