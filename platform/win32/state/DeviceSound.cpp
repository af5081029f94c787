#include "DeviceSound.h"

#include <cstdio>
#include <string>

#include "WinClock.h"
#include "DeviceFiles.h"
#include "WideText.h"

namespace cewin {

bool SetDeviceSound(const wchar_t* choice) {
  if (choice == nullptr || *choice == 0) return false;
  const std::wstring wide(choice);
  // A tab or a line break would break the files' lines.
  if (wide.find_first_of(L"\t\r\n") != std::wstring::npos) return false;
  const std::string text = cedev::Utf8FromWide(wide);
  try {
    DeviceLock lock;
    // The log line first: it can be taken back by cutting the log, while a replaced setting
    // could only be put back by another write that may fail the same way.
    const std::uint64_t logSize =
        AppendState("sound-log", cedev::FormatDeviceTime(DeviceNow()) + "\t" + text + "\n");
    try {
      WriteStateAtomic("sound", text + "\n");
    } catch (const StateError& e) {
      if (!CutState("sound-log", logSize)) {
        std::fprintf(
            stderr,
            "device: the sound setting was not changed, but its log line for %s stays: %s\n",
            text.c_str(), e.what());
        return false;
      }
      throw;
    }
    return true;
  } catch (const StateError& e) {
    std::fprintf(stderr, "device: the sound setting was not changed: %s\n", e.what());
    return false;
  }
}

}  // namespace cewin
