#include "OwnNotificationWalk.h"

#include <cwchar>
#include <vector>

#include "AppTrace.h"

const WCHAR kOwnApplication[] = L"\\Windows\\Quenmora.exe";

namespace {

bool IsTimeTrigger(const CE_NOTIFICATION_INFO_HEADER& info) {
  return info.pcent != nullptr && info.pcent->dwType == CNT_TIME;
}

bool NamesOwnApplication(const CE_NOTIFICATION_TRIGGER& trigger) {
  return trigger.lpszApplication != nullptr &&
         std::wcscmp(trigger.lpszApplication, kOwnApplication) == 0;
}

}  // namespace

bool IsOwnNotification(const CE_NOTIFICATION_INFO_HEADER& info) {
  return IsTimeTrigger(info) && NamesOwnApplication(*info.pcent);
}

void WalkOwnNotifications(const OwnNotificationVisitor& visit, WalkTrace trace,
                          const HandleFilter& passOver) {
  const bool traced = trace == WalkTrace::Registration;
  DWORD count = 0;
  if (CeGetUserNotificationHandles(nullptr, 0, &count)) {
    if (traced) AppTrace(L"SetNotifcation: 1\r\n");
    std::vector<HANDLE> handles(count);
    if (CeGetUserNotificationHandles(handles.data(), count, &count)) {
      if (traced) AppTrace(L"SetNotifcation: 2\r\n");
      for (DWORD i = 0; i < count && i < handles.size(); ++i) {
        if (traced) AppTrace(L"SetNotifcation: 3\r\n");
        if (passOver && passOver(handles[i])) continue;
        DWORD size = 0;
        CeGetUserNotification(handles[i], 0, &size, nullptr);
        if (size == 0) continue;
        if (traced) AppTrace(L"SetNotifcation: 4\r\n");
        std::vector<BYTE> buffer(size);
        if (!CeGetUserNotification(handles[i], size, &size, buffer.data())) continue;
        if (traced) AppTrace(L"SetNotifcation: 5\r\n");
        const auto& info = *reinterpret_cast<const CE_NOTIFICATION_INFO_HEADER*>(buffer.data());
        if (info.pcent == nullptr) continue;
        if (traced) AppTrace(L"SetNotifcation: 6\r\n");
        if (!IsTimeTrigger(info)) continue;
        if (traced) AppTrace(L"SetNotifcation: 7\r\n");
        if (info.pcent->lpszApplication == nullptr) continue;
        if (traced) AppTrace(L"SetNotifcation: 8\r\n");
        if (!NamesOwnApplication(*info.pcent)) continue;
        if (traced) AppTrace(L"SetNotifcation: 9\r\n");
        visit(info);
      }
    }
  }
  if (traced) AppTrace(L"SetNotifcation: 10\r\n");
}
