#include "Settings.h"

#include <map>
#include <optional>

#include "DeviceError.h"
#include "DeviceRoot.h"
#include "StateFiles.h"
#include "WideText.h"

namespace cedev {

namespace {

constexpr const char* kSettingsFile = "settings";
// The task bar's client area, which the volume icon must lie in.
constexpr long kTaskBarWidth = 240;
constexpr long kTaskBarHeight = 26;
constexpr std::size_t kMaxChoices = 8;

const std::map<std::string, std::string, std::less<>>& Defaults() {
  static const std::map<std::string, std::string, std::less<>> defaults = {
      {"popup-choices", "On,Vibrate,Off"}, {"popup-closes", "no"}, {"taskbar", "yes"},
      {"volume-icon", "190,0,212,26"},     {"trace", "no"},
  };
  return defaults;
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    parts.emplace_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

std::optional<long> SmallNumber(std::string_view text) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  long n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

bool ParseYesNo(const std::string& value) { return value == "yes"; }

// The stored settings file as key -> value; DeviceError for a line the device did not write.
std::map<std::string, std::string, std::less<>> ReadStored() {
  std::map<std::string, std::string, std::less<>> stored;
  const auto text = ReadState(kSettingsFile);
  if (!text) return stored;
  const std::string file = DeviceStatePath(kSettingsFile).string();
  int number = 0;
  for (const std::string& line : Split(*text, '\n')) {
    ++number;
    if (line.empty()) continue;
    const std::size_t eq = line.find('=');
    const std::string key = line.substr(0, eq);
    if (eq == std::string::npos || Defaults().count(key) == 0) {
      throw DeviceError(file, "line " + std::to_string(number) + ": not a setting: '" + line + "'");
    }
    try {
      stored[key] = ValidateSetting(key, std::string_view(line).substr(eq + 1));
    } catch (const SettingError& e) {
      throw DeviceError(file, "line " + std::to_string(number) + ": " + e.what());
    }
  }
  return stored;
}

}  // namespace

const std::vector<std::string>& SettingKeys() {
  static const std::vector<std::string> keys = {"popup-choices", "popup-closes", "taskbar",
                                                "volume-icon", "trace"};
  return keys;
}

std::string ValidateSetting(std::string_view key, std::string_view value) {
  const std::string k(key);
  const std::string v(value);
  if (Defaults().count(key) == 0) {
    throw SettingError("unknown setting '" + k +
                       "' (settings: popup-choices, popup-closes, taskbar, volume-icon, trace)");
  }
  if (key == "popup-closes" || key == "taskbar" || key == "trace") {
    if (v != "yes" && v != "no") throw SettingError(k + " takes yes or no, not '" + v + "'");
    return v;
  }
  if (key == "popup-choices") {
    // The popup shows the texts as they are; bytes that are not UTF-8 would show as U+FFFD.
    if (Utf8FromWide(WideFromUtf8(v)) != v) throw SettingError("popup-choices takes UTF-8 text");
    const std::vector<std::string> choices = Split(v, ',');
    if (choices.size() > kMaxChoices) {
      throw SettingError("popup-choices takes at most " + std::to_string(kMaxChoices) + " texts, not " +
                         std::to_string(choices.size()));
    }
    for (const std::string& choice : choices) {
      if (choice.empty()) {
        throw SettingError("popup-choices takes comma-separated texts, none empty (e.g. On,Vibrate,Off), not '" +
                           v + "'");
      }
      for (char c : choice) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          throw SettingError("popup-choices texts cannot hold control characters");
        }
      }
    }
    return v;
  }
  // volume-icon
  const std::vector<std::string> parts = Split(v, ',');
  std::optional<long> n[4];
  bool numbers = parts.size() == 4;
  for (std::size_t i = 0; numbers && i < 4; ++i) {
    n[i] = SmallNumber(parts[i]);
    numbers = n[i].has_value();
  }
  if (!numbers) {
    throw SettingError("volume-icon takes LEFT,TOP,RIGHT,BOTTOM in task-bar pixels (e.g. 190,0,212,26), not '" +
                       v + "'");
  }
  const long left = *n[0], top = *n[1], right = *n[2], bottom = *n[3];
  if (left >= right || top >= bottom || right > kTaskBarWidth || bottom > kTaskBarHeight) {
    throw SettingError("volume-icon must be a non-empty rectangle inside the task bar (0,0,240,26), not '" +
                       v + "'");
  }
  return std::to_string(left) + "," + std::to_string(top) + "," + std::to_string(right) + "," +
         std::to_string(bottom);
}

std::string GetSetting(std::string_view key) {
  if (Defaults().find(key) == Defaults().end()) ValidateSetting(key, "");  // throws: not a key
  const auto stored = ReadStored();
  const auto it = stored.find(key);
  return it != stored.end() ? it->second : Defaults().find(key)->second;
}

void SetSetting(std::string_view key, std::string_view value) {
  const std::string canonical = ValidateSetting(key, value);
  DeviceLock lock;
  auto stored = ReadStored();
  stored[std::string(key)] = canonical;
  std::string text;
  for (const std::string& k : SettingKeys()) {
    if (const auto it = stored.find(k); it != stored.end()) text += k + "=" + it->second + "\n";
  }
  WriteStateAtomic(kSettingsFile, text);
}

Settings LoadSettings() {
  auto stored = ReadStored();
  auto value = [&](const std::string& key) {
    const auto it = stored.find(key);
    return it != stored.end() ? it->second : Defaults().find(key)->second;
  };
  Settings s;
  s.popupChoices.clear();
  for (const std::string& choice : Split(value("popup-choices"), ',')) s.popupChoices.push_back(WideFromUtf8(choice));
  s.popupCloses = ParseYesNo(value("popup-closes"));
  s.taskbar = ParseYesNo(value("taskbar"));
  s.trace = ParseYesNo(value("trace"));
  const std::vector<std::string> icon = Split(value("volume-icon"), ',');
  s.volumeIcon = RECT{static_cast<LONG>(*SmallNumber(icon[0])), static_cast<LONG>(*SmallNumber(icon[1])),
                      static_cast<LONG>(*SmallNumber(icon[2])), static_cast<LONG>(*SmallNumber(icon[3]))};
  return s;
}

}  // namespace cedev
