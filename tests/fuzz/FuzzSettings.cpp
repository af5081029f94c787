// Any bytes as the device's settings file: reading it never crashes; it gives the settings or a
// DeviceError naming the file and the line; every value read is in its stored form (taking it
// again gives it back unchanged) and within what the device takes. Any KEY=VALUE as a value to
// set: refused with a SettingError, or taken in a form that is taken unchanged again.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "DeviceError.h"
#include "DeviceRoot.h"
#include "Settings.h"
#include "WideText.h"

namespace fs = std::filesystem;

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "settings fuzz: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (std::getenv("CEDEVICE_ROOT") == nullptr) {
    static std::string root = (fs::temp_directory_path() / "quenmora-fuzz-settings").string();
    setenv("CEDEVICE_ROOT", root.c_str(), 1);
  }
  cedev::DeviceRoot();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  // The first line as one value to set.
  const std::string_view first = text.substr(0, text.find('\n'));
  const std::size_t eq = first.find('=');
  if (eq != std::string_view::npos) {
    try {
      const std::string stored = cedev::ValidateSetting(first.substr(0, eq), first.substr(eq + 1));
      Check(cedev::ValidateSetting(first.substr(0, eq), stored) == stored,
            "a stored form is not taken unchanged");
      Check(cedev::Utf8FromWide(cedev::WideFromUtf8(stored)) == stored,
            "a setting taken that is not UTF-8 text");
    } catch (const cedev::SettingError& e) {
      Check(std::string_view(e.what()).size() > 0, "a refusal without a reason");
    }
  }

  // The whole text as the settings file.
  const fs::path file = cedev::DeviceStatePath("settings");
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  try {
    const cedev::Settings s = cedev::LoadSettings();
    Check(!s.popupChoices.empty() && s.popupChoices.size() <= 8, "popup choices out of range");
    for (const std::wstring& choice : s.popupChoices)
      Check(!choice.empty(), "an empty popup choice");
    Check(s.volumeIcon.left >= 0 && s.volumeIcon.left < s.volumeIcon.right &&
              s.volumeIcon.right <= 240 && s.volumeIcon.top >= 0 &&
              s.volumeIcon.top < s.volumeIcon.bottom && s.volumeIcon.bottom <= 26,
          "a volume icon outside the task bar");
    for (const std::string& key : cedev::SettingKeys()) {
      const std::string value = cedev::GetSetting(key);
      Check(cedev::ValidateSetting(key, value) == value,
            "a setting read is not in its stored form");
    }
  } catch (const cedev::DeviceError& e) {
    const std::string why = e.what();
    Check(why.find(file.string()) != std::string::npos,
          "a settings error that does not name the file");
    Check(why.find(": line ") != std::string::npos, "a settings error that does not name the line");
  }
  return 0;
}
