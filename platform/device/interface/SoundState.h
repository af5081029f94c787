// The device's sound setting (ROOT/.device/sound: the choice text, "On" on a new device) and
// the log of changes made through the volume popup (ROOT/.device/sound-log: one line a change,
// "YYYY-MM-DD HH:MM:SS<TAB>CHOICE", in device time).
#pragma once

#include <string>
#include <vector>

namespace cedev {

std::wstring GetSound();
// Stores the choice and, when logIt, appends it to the log with the device time now, both
// under the device lock and as one change: both are written or neither. Throws
// std::invalid_argument for an empty choice or one with a tab or line break (it would break the
// files), and std::runtime_error when the files cannot be written, with a message that says
// what was changed: "the sound setting was not changed: ...", or, when a log line already written
// cannot be taken back, "the sound setting was not changed, but its log line ... stays".
void SetSound(const std::wstring& choice, bool logIt);

// The log's lines, oldest first, without their line breaks.
std::vector<std::string> ReadSoundLog();

}  // namespace cedev
