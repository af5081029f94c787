// A failure of the device itself (a state file that cannot be read or written, or that holds
// text the device does not understand). The message names the file.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace cedev {

class DeviceError : public std::runtime_error {
 public:
  // "FILE: WHY", e.g. "/root/.device/clock: not a clock mode: 'sometimes'".
  DeviceError(const std::filesystem::path& file, const std::string& why);

  const std::filesystem::path& file() const { return file_; }

 private:
  std::filesystem::path file_;
};

// A text as a message quotes it: in single quotes, and when longer than 80 bytes cut there (at
// a character's start) with "..." before the closing quote, so that a damaged line of a megabyte
// still gives a message a person can read.
std::string QuoteForMessage(std::string_view text);

}  // namespace cedev
