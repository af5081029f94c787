// cedevice sound [set CHOICE] / sound-log: the device's sound setting and the log of the
// changes made through the volume popup.
#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "Settings.h"
#include "SoundState.h"
#include "ToolCommand.h"
#include "WideText.h"

namespace cedevice {

int SoundCommand(int argc, char** argv) {
  if (argc == 2) {
    std::printf("%s\n", cedev::Utf8FromWide(cedev::GetSound()).c_str());
    return 0;
  }
  if (argc != 4 || std::string(argv[2]) != "set")
    return Fail("usage: cedevice sound | sound set CHOICE");
  // The sound setting is always one of the popup's choices.
  const std::wstring choice = cedev::WideFromUtf8(argv[3]);
  const cedev::Settings settings = cedev::LoadSettings();
  if (std::find(settings.popupChoices.begin(), settings.popupChoices.end(), choice) ==
      settings.popupChoices.end()) {
    return Fail("not a choice of the volume popup: '" + std::string(argv[3]) +
                "' (choices: " + cedev::GetSetting("popup-choices") + ")");
  }
  try {
    cedev::SetSound(choice, false);
  } catch (const std::invalid_argument& e) {
    return Fail(e.what());
  }
  return 0;
}

int SoundLogCommand(int argc, char** argv) {
  if (argc != 2) return Fail("usage: cedevice sound-log");
  (void)argv;
  for (const std::string& line : cedev::ReadSoundLog()) std::printf("%s\n", line.c_str());
  return 0;
}

}  // namespace cedevice
