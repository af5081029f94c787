// One registered notification as the device keeps it: the trigger and the optional user
// notification with their strings owned by the record.
#pragma once

#include <optional>
#include <string>

#include <notify.h>

namespace cedev::notify {

struct UserAction {
  DWORD actionFlags = 0;
  std::optional<std::wstring> dialogTitle;
  std::optional<std::wstring> dialogText;
  std::optional<std::wstring> sound;
  DWORD maxSound = 0;
  DWORD reserved = 0;

  bool operator==(const UserAction&) const = default;
};

struct NotificationRecord {
  DWORD handle = 0;
  DWORD type = CNT_TIME;
  DWORD event = 0;
  // Absent and empty differ: a null pointer was registered, or an empty string.
  std::optional<std::wstring> application;
  std::optional<std::wstring> arguments;
  // Whole seconds, wDayOfWeek filled in, wMilliseconds 0.
  SYSTEMTIME start{};
  SYSTEMTIME end{};
  std::optional<UserAction> user;
};

bool SameTime(const SYSTEMTIME& a, const SYSTEMTIME& b);

inline bool operator==(const NotificationRecord& a, const NotificationRecord& b) {
  return a.handle == b.handle && a.type == b.type && a.event == b.event &&
         a.application == b.application && a.arguments == b.arguments &&
         SameTime(a.start, b.start) && SameTime(a.end, b.end) && a.user == b.user;
}

// "time", "event", "period", "classic"; an unknown type gives nullptr.
const char* TypeName(DWORD type);
// The inverse of TypeName; 0 for an unknown name.
DWORD TypeFromName(const std::string& name);

}  // namespace cedev::notify
