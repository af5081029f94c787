// The device's sound setting as the Windows build's volume popup uses it: the same file as the
// device's (ROOT/.device/sound), changed and logged by the device-state library.
#pragma once

#include <string>

namespace cedev {

// The choice text; "On" when none was ever set.
std::wstring GetSound();
// Stores the choice and logs it with the device time (logIt must be true: the popup's is the
// only change made here). Throws DeviceError when the setting was not changed.
void SetSound(const std::wstring& choice, bool logIt);

}  // namespace cedev
