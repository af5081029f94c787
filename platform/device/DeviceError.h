// A failure of the device itself (a state file that cannot be read or written, or that holds
// text the device does not understand). The message names the file.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace cedev {

class DeviceError : public std::runtime_error {
 public:
  // "FILE: WHY", e.g. "/root/.device/clock: not a clock mode: 'sometimes'".
  DeviceError(const std::filesystem::path& file, const std::string& why);

  const std::filesystem::path& file() const { return file_; }

 private:
  std::filesystem::path file_;
};

}  // namespace cedev
