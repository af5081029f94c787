// A fresh device root for the process figures: made by `cedevice init`, its clock frozen on a
// Monday morning, trained the way a user does it (an input script taps "Train" and then the
// volume icon at (200, 10)), and then given items appended to the file the training saved.
#pragma once

#include <filesystem>
#include <string>

namespace bench {

struct Binaries {
  std::string quenmora;
  std::string cedevice;
};

// Makes the device at `root` (removing what was there; a scratch root of tests/support, on the
// disk) and points CEDEVICE_ROOT at it, with no display and no input script. Returns an empty
// text on success, else what went wrong.
std::string MakeTrainedDevice(const Binaries& bin, const std::filesystem::path& root,
                              long long items);

// Writes the input script `script` beside the device root; returns its path.
std::string WriteScript(const std::filesystem::path& root, const std::string& name,
                        const std::string& script);

}  // namespace bench
