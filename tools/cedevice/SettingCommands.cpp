// cedevice set KEY VALUE / get KEY: the device settings.
#include <cstdio>
#include <string>

#include "Settings.h"
#include "ToolCommand.h"

namespace cedevice {

int SetCommand(int argc, char** argv) {
  if (argc != 4) return Fail("usage: cedevice set KEY VALUE");
  try {
    cedev::SetSetting(argv[2], argv[3]);
  } catch (const cedev::SettingError& e) {
    return Fail(e.what());
  }
  return 0;
}

int GetCommand(int argc, char** argv) {
  if (argc != 3) return Fail("usage: cedevice get KEY");
  try {
    std::printf("%s\n", cedev::GetSetting(argv[2]).c_str());
  } catch (const cedev::SettingError& e) {
    return Fail(e.what());
  }
  return 0;
}

}  // namespace cedevice
