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
    parts.emplace_back(
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
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

// The settings file read line by line: the lines that read, and each one that does not with
// its key (empty when the line names no setting) and the reason.
struct StoredSettings {
  struct Problem {
    std::string key;
    std::string why;  // "line N: ..."
    std::string line;
  };
  std::map<std::string, std::string, std::less<>> values;
  std::vector<Problem> problems;
};

StoredSettings ParseStored(const std::string& text) {
  StoredSettings stored;
  int number = 0;
  for (const std::string& line : Split(text, '\n')) {
    ++number;
    if (line.empty()) continue;
    const std::string where = "line " + std::to_string(number) + ": ";
    const std::size_t eq = line.find('=');
    const std::string key = line.substr(0, eq);
    if (eq == std::string::npos || Defaults().count(key) == 0) {
      stored.problems.push_back({"", where + "not a setting: " + QuoteForMessage(line), line});
      continue;
    }
    try {
      stored.values[key] = ValidateSetting(key, std::string_view(line).substr(eq + 1));
    } catch (const SettingError& e) {
      stored.problems.push_back({key, where + e.what(), line});
    }
  }
  return stored;
}

std::string RepairHint() {
  return " (`cedevice set KEY VALUE` writes a good value over a bad one; `cedevice init` keeps the "
         "good settings "
         "and sets the damaged file aside)";
}

// The stored settings file as key -> value; DeviceError for a line the device did not write.
std::map<std::string, std::string, std::less<>> ReadStored() {
  const auto text = ReadState(kSettingsFile);
  if (!text) return {};
  StoredSettings stored = ParseStored(*text);
  if (!stored.problems.empty()) {
    throw DeviceError(DeviceStatePath(kSettingsFile), stored.problems.front().why + RepairHint());
  }
  return std::move(stored.values);
}

std::string FormatStored(const std::map<std::string, std::string, std::less<>>& stored) {
  std::string text;
  for (const std::string& k : SettingKeys()) {
    if (const auto it = stored.find(k); it != stored.end()) text += k + "=" + it->second + "\n";
  }
  return text;
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
    throw SettingError("unknown setting " + QuoteForMessage(k) +
                       " (settings: popup-choices, popup-closes, taskbar, volume-icon, trace)");
  }
  if (key == "popup-closes" || key == "taskbar" || key == "trace") {
    if (v != "yes" && v != "no")
      throw SettingError(k + " takes yes or no, not " + QuoteForMessage(v));
    return v;
  }
  if (key == "popup-choices") {
    // The popup shows the texts as they are; bytes that are not UTF-8 would show as U+FFFD.
    if (Utf8FromWide(WideFromUtf8(v)) != v) throw SettingError("popup-choices takes UTF-8 text");
    const std::vector<std::string> choices = Split(v, ',');
    if (choices.size() > kMaxChoices) {
      throw SettingError("popup-choices takes at most " + std::to_string(kMaxChoices) +
                         " texts, not " + std::to_string(choices.size()));
    }
    for (const std::string& choice : choices) {
      if (choice.empty()) {
        throw SettingError(
            "popup-choices takes comma-separated texts, none empty (e.g. On,Vibrate,Off), not " +
            QuoteForMessage(v));
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
    throw SettingError(
        "volume-icon takes LEFT,TOP,RIGHT,BOTTOM in task-bar pixels (e.g. 190,0,212,26), not " +
        QuoteForMessage(v));
  }
  const long left = *n[0], top = *n[1], right = *n[2], bottom = *n[3];
  if (left >= right || top >= bottom || right > kTaskBarWidth || bottom > kTaskBarHeight) {
    throw SettingError(
        "volume-icon must be a non-empty rectangle inside the task bar (0,0,240,26), not " +
        QuoteForMessage(v));
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
  const auto text = ReadState(kSettingsFile);
  StoredSettings stored = text ? ParseStored(*text) : StoredSettings{};
  stored.values[std::string(key)] = canonical;
  // A damaged line of this key is written over; one of another key is kept as it was, for its
  // own set (or init) to mend, so that no setting is lost and each can be mended in turn.
  std::string written = FormatStored(stored.values);
  for (const StoredSettings::Problem& problem : stored.problems) {
    if (problem.key != key) written += problem.line + "\n";
  }
  WriteStateAtomic(kSettingsFile, written);
}

std::optional<std::string> RepairSettings() {
  DeviceLock lock;
  const auto text = ReadState(kSettingsFile);
  if (!text) return std::nullopt;
  const StoredSettings stored = ParseStored(*text);
  if (stored.problems.empty()) return std::nullopt;
  const std::filesystem::path aside = KeepAside(kSettingsFile);
  WriteStateAtomic(kSettingsFile, FormatStored(stored.values));
  std::string report =
      DeviceStatePath(kSettingsFile).string() + ": damaged (" + stored.problems.front().why;
  if (stored.problems.size() > 1)
    report += ", and " + std::to_string(stored.problems.size() - 1) + " more";
  return report + "); kept the " + std::to_string(stored.values.size()) +
         " good settings, the others are at their defaults; the damaged file is kept as " +
         aside.string();
}

Settings LoadSettings() {
  auto stored = ReadStored();
  auto value = [&](const std::string& key) {
    const auto it = stored.find(key);
    return it != stored.end() ? it->second : Defaults().find(key)->second;
  };
  Settings s;
  s.popupChoices.clear();
  for (const std::string& choice : Split(value("popup-choices"), ','))
    s.popupChoices.push_back(WideFromUtf8(choice));
  s.popupCloses = ParseYesNo(value("popup-closes"));
  s.taskbar = ParseYesNo(value("taskbar"));
  s.trace = ParseYesNo(value("trace"));
  const std::vector<std::string> icon = Split(value("volume-icon"), ',');
  s.volumeIcon =
      RECT{static_cast<LONG>(*SmallNumber(icon[0])), static_cast<LONG>(*SmallNumber(icon[1])),
           static_cast<LONG>(*SmallNumber(icon[2])), static_cast<LONG>(*SmallNumber(icon[3]))};
  return s;
}

}  // namespace cedev
