// The device root: the one host folder that is the whole simulated device.
#pragma once

#include <filesystem>

namespace cedev {

// CEDEVICE_ROOT, or ${XDG_DATA_HOME:-$HOME/.local/share}/cedevice.
std::filesystem::path DeviceRootPath();

}  // namespace cedev
