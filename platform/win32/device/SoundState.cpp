#include "SoundState.h"

#include "DeviceError.h"
#include "DeviceFiles.h"
#include "DeviceSound.h"
#include "WideText.h"

namespace cedev {

std::wstring GetSound() {
  std::optional<std::string> text;
  try {
    text = cewin::ReadState("sound");
  } catch (const cewin::StateError& e) {
    throw DeviceError(e.what());
  }
  if (!text) return L"On";
  while (!text->empty() && (text->back() == '\n' || text->back() == '\r')) text->pop_back();
  return text->empty() ? L"On" : WideFromUtf8(*text);
}

void SetSound(const std::wstring& choice, bool logIt) {
  if (!logIt) throw DeviceError("the sound setting was not changed: only logged changes are made here");
  if (!cewin::SetDeviceSound(choice.c_str())) {
    throw DeviceError("the sound setting was not changed: its files could not be written");
  }
}

}  // namespace cedev
