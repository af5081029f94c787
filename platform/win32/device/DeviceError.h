// A failure of the device's state in the Windows build: the file could not be read or written.
// The shell's popup tells it apart from a choice the device refuses.
#pragma once

#include <stdexcept>

namespace cedev {

class DeviceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace cedev
