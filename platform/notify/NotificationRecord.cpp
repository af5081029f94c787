#include "NotificationRecord.h"

#include <array>

namespace cedev::notify {
namespace {

constexpr std::array<const char*, 4> kTypeNames = {"event", "time", "period", "classic"};

}  // namespace

bool SameTime(const SYSTEMTIME& a, const SYSTEMTIME& b) {
  return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDayOfWeek == b.wDayOfWeek &&
         a.wDay == b.wDay && a.wHour == b.wHour && a.wMinute == b.wMinute &&
         a.wSecond == b.wSecond && a.wMilliseconds == b.wMilliseconds;
}

const char* TypeName(DWORD type) {
  if (type < CNT_EVENT || type > CNT_CLASSICTIME) return nullptr;
  return kTypeNames[type - CNT_EVENT];
}

DWORD TypeFromName(const std::string& name) {
  for (DWORD type = CNT_EVENT; type <= CNT_CLASSICTIME; ++type) {
    if (name == kTypeNames[type - CNT_EVENT]) return type;
  }
  return 0;
}

}  // namespace cedev::notify
