// Any bytes as the device's clock file: the strict reader never crashes; it gives a state or a
// DeviceError naming the file; a state it reads is written as one line that reads back as the
// same state and is written the same again; and as the device's clock file it shows a time the
// device can hold.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "DeviceClock.h"
#include "DeviceError.h"
#include "DeviceRoot.h"
#include "DeviceTime.h"

namespace {

const char kFile[] = "/device/.device/clock";

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "clock state fuzz: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (std::getenv("CEDEVICE_ROOT") == nullptr) {
    static std::string root =
        (std::filesystem::temp_directory_path() / "quenmora-fuzz-clock").string();
    setenv("CEDEVICE_ROOT", root.c_str(), 1);
  }
  cedev::DeviceRoot();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  cedev::clock::ClockState state;
  try {
    state = cedev::clock::ParseClockState(text, kFile);
  } catch (const cedev::DeviceError& e) {
    Check(std::string(e.what()).rfind(std::string(kFile) + ": ", 0) == 0,
          "an error that does not name the file");
    return 0;
  }
  const std::string written = cedev::clock::FormatClockState(state);
  Check(!written.empty() && written.back() == '\n' && written.find('\n') == written.size() - 1,
        "a state not written as one line");
  try {
    const cedev::clock::ClockState again = cedev::clock::ParseClockState(written, kFile);
    Check(again == state, "a state written back reads as another");
    Check(cedev::clock::FormatClockState(again) == written,
          "a state written twice gives other text");
  } catch (const cedev::DeviceError&) {
    Check(false, "a state written back is refused");
  }
  // The same text as the device's clock file: the time it gives is one the device can hold.
  {
    std::ofstream out(cedev::DeviceStatePath("clock"), std::ios::binary | std::ios::trunc);
    out << written;
  }
  cedev::clock::Reload();
  Check(cedev::IsValid(cedev::clock::Now()), "a clock that shows a time the device cannot hold");
  if (state.mode != cedev::clock::Mode::host) {
    Check(cedev::IsValid(state.time) && state.time.millisecond == 0,
          "a time that is not a whole valid second");
  }
  return 0;
}
