// The device settings' values, with their defaults: what the device's settings file gives
// (Settings.h) and what the Windows build's shell reads from the same file, so both start from
// the same defaults.
#pragma once

#include <string>
#include <vector>

#include <windef.h>

namespace cedev {

struct Settings {
  std::vector<std::wstring> popupChoices{L"On", L"Vibrate", L"Off"};
  bool popupCloses = false;
  bool taskbar = true;
  RECT volumeIcon{190, 0, 212, 26};
  bool trace = false;
};

}  // namespace cedev
