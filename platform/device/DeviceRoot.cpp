#include "DeviceRoot.h"

#include <cstdlib>

namespace cedev {

std::filesystem::path DeviceRootPath() {
  if (const char* root = std::getenv("CEDEVICE_ROOT"); root != nullptr && *root != 0) return root;
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && *data != 0) return std::filesystem::path(data) / "cedevice";
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home != nullptr ? home : "/tmp") / ".local/share/cedevice";
}

}  // namespace cedev
