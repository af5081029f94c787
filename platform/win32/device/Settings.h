// The device settings as the Windows build's shell reads them: the same file and the same keys
// as the device's (ROOT/.device/settings, "KEY=VALUE" lines). Only reading is offered here;
// `cedevice set` writes them.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include "SettingValues.h"

namespace cedev {

// All settings, read now; a missing file, or a line the device would not have written, leaves
// the defaults.
Settings LoadSettings();

}  // namespace cedev
