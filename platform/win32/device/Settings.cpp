#include "Settings.h"

#include <string_view>

#include "DeviceFiles.h"
#include "WideText.h"

namespace cedev {
namespace {

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  for (;;) {
    const std::size_t end = text.find(separator);
    parts.emplace_back(text.substr(0, end));
    if (end == std::string_view::npos) return parts;
    text.remove_prefix(end + 1);
  }
}

// Four numbers within the task bar, or false.
bool ParseIcon(const std::string& value, RECT& icon) {
  const std::vector<std::string> parts = Split(value, ',');
  if (parts.size() != 4) return false;
  long v[4];
  for (int i = 0; i < 4; ++i) {
    const std::string& p = parts[static_cast<std::size_t>(i)];
    if (p.empty() || p.size() > 4) return false;
    v[i] = 0;
    for (char c : p) {
      if (c < '0' || c > '9') return false;
      v[i] = v[i] * 10 + (c - '0');
    }
  }
  if (v[0] >= v[2] || v[1] >= v[3] || v[2] > 240 || v[3] > 26) return false;
  icon = RECT{v[0], v[1], v[2], v[3]};
  return true;
}

void Apply(Settings& s, const std::string& key, const std::string& value) {
  if (key == "popup-choices") {
    std::vector<std::wstring> choices;
    for (const std::string& c : Split(value, ',')) {
      if (c.empty()) return;
      choices.push_back(WideFromUtf8(c));
    }
    s.popupChoices = choices;
  } else if (value != "yes" && value != "no") {
    if (key == "volume-icon") ParseIcon(value, s.volumeIcon);
  } else if (key == "popup-closes") {
    s.popupCloses = value == "yes";
  } else if (key == "taskbar") {
    s.taskbar = value == "yes";
  } else if (key == "trace") {
    s.trace = value == "yes";
  }
}

}  // namespace

Settings LoadSettings() {
  Settings s;
  std::optional<std::string> text;
  try {
    text = cewin::ReadState("settings");
  } catch (const cewin::StateError&) {
    // A settings file that cannot be read leaves the factory settings, as a missing one does.
  }
  if (!text) return s;
  for (const std::string& line : Split(*text, '\n')) {
    const std::size_t eq = line.find('=');
    if (eq != std::string::npos) Apply(s, line.substr(0, eq), line.substr(eq + 1));
  }
  return s;
}

}  // namespace cedev
