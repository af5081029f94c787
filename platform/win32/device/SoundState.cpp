#include "SoundState.h"

#include "DeviceError.h"
#include "DeviceRootFiles.h"
#include "WideText.h"

#if __has_include("DeviceSound.h")
#include "DeviceSound.h"
#define CEWIN_HAS_DEVICE_SOUND 1
#endif

namespace cedev {

std::wstring GetSound() {
  auto text = cewin::ReadDeviceFile(cewin::DeviceStatePath(L"sound"));
  if (!text) return L"On";
  while (!text->empty() && (text->back() == '\n' || text->back() == '\r')) text->pop_back();
  return text->empty() ? L"On" : WideFromUtf8(*text);
}

void SetSound(const std::wstring& choice, bool logIt) {
  if (!logIt) throw DeviceError("the sound setting was not changed: only logged changes are made here");
#ifdef CEWIN_HAS_DEVICE_SOUND
  if (!cewin::SetDeviceSound(choice.c_str())) {
    throw DeviceError("the sound setting was not changed: its files could not be written");
  }
#else
  (void)choice;
  throw DeviceError("the sound setting was not changed: this build has no device-state library");
#endif
}

}  // namespace cedev
