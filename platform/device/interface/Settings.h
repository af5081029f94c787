// The device settings, kept in ROOT/.device/settings as "KEY=VALUE" lines. Keys and defaults:
//   popup-choices  comma-separated texts of the volume popup's choices   On,Vibrate,Off
//   popup-closes   yes/no: the popup closes after a choice               no
//   taskbar        yes/no: whether the task bar window exists            yes
//   volume-icon    LEFT,TOP,RIGHT,BOTTOM in task-bar client pixels       190,0,212,26
//   trace          yes/no: OutputDebugString goes to the debug log       no
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "SettingValues.h"

namespace cedev {

// A key the device does not know, or a value the key does not take. The message says which
// and what would be taken.
class SettingError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// The five keys, in the order above.
const std::vector<std::string>& SettingKeys();

// Throws SettingError for a bad key or value; otherwise the value in its stored form.
std::string ValidateSetting(std::string_view key, std::string_view value);

// The stored value of a key, or its default (SettingError for a bad key).
std::string GetSetting(std::string_view key);
// Validates, then stores (atomically, under the device lock). Nothing changes on an error. A
// damaged line of the same key is written over, so a bad value can be mended; a damaged line
// that is not of this key is kept as it is.
void SetSetting(std::string_view key, std::string_view value);

// Mends a damaged settings file: keeps the settings that read, sets the damaged file aside as
// settings.damaged (-2, ...) and returns a report saying so; nothing when the file is whole or
// missing. Throws DeviceError when the file cannot be read, kept aside or written.
std::optional<std::string> RepairSettings();

// All settings, read now (defaults where none is stored). DeviceError for a settings file the
// device cannot read.
Settings LoadSettings();

}  // namespace cedev
