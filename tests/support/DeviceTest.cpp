#include "DeviceTest.h"

#include "DeviceClock.h"

namespace testsupport {

void DeviceTest::SetUp() {
  scratch_ = std::make_unique<Scratch>();
  root_ = scratch_->root;
  UseDeviceRoot(root_);
}

void DeviceTest::TearDown() {
  scratch_.reset();
  cedev::clock::Reload();
}

}  // namespace testsupport
