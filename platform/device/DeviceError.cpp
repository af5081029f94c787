#include "DeviceError.h"

namespace cedev {

DeviceError::DeviceError(const std::filesystem::path& file, const std::string& why)
    : std::runtime_error(file.string() + ": " + why), file_(file) {}

}  // namespace cedev
