// The device's sound setting, changed from a Windows build of the program as the device's own
// volume popup changes it: the choice is stored in ROOT/.device/sound and one line
// "YYYY-MM-DD HH:MM:SS<TAB>CHOICE" (device time) is appended to ROOT/.device/sound-log, both
// under the device lock and as one change.
#pragma once

namespace cewin {

// `choice` is the popup's text: L"On", L"Vibrate" or L"Off" (any text without a tab or a line
// break is kept as it stands). False when the setting could not be stored; the log line is then
// taken back, so that no change is logged that was not made.
bool SetDeviceSound(const wchar_t* choice);

}  // namespace cewin
