// One runner a device: `cedevice run` holds ROOT/.device/runner for as long as its process
// lives, so that a second runner on the same device is refused instead of firing the same
// notifications again.
#pragma once

#include <string>

namespace cedevice {

// Makes this process the device's runner until it ends. Returns an empty text, or why it
// cannot: another runner's process id ("another `cedevice run` is working on this device
// (process 1234)"). Throws DeviceError when the file cannot be used.
std::string BecomeTheRunner();

}  // namespace cedevice
