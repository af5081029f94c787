// The four calls of notify.h over the device's notification store.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <vector>

#include <notify.h>

#include "DeviceError.h"
#include "DeviceTime.h"
#include "NotificationStore.h"
#include "NotifyFaults.h"

using namespace cedev::notify;

namespace {

// Handles are the store's numbers; anything beyond a DWORD was never handed out.
DWORD HandleNumber(HANDLE handle) {
  const auto value = reinterpret_cast<UINT_PTR>(handle);
  return value > 0xFFFFFFFFu ? 0 : static_cast<DWORD>(value);
}

HANDLE HandleOf(DWORD number) { return reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(number)); }

bool Failed(DWORD error) {
  SetLastError(error);
  return false;
}

bool FaultFor(Call call) {
  const std::optional<DWORD> error = TakeFault(call);
  if (!error) return false;
  SetLastError(*error);
  return true;
}

// A store that cannot be read or written: the device says why, the caller gets a failure.
void StoreFailed(const std::exception& e) {
  std::fprintf(stderr, "notifications: %s\n", e.what());
  SetLastError(ERROR_GEN_FAILURE);
}

bool IsCivilTime(const SYSTEMTIME& st) {
  return st.wMilliseconds <= 999 && cedev::IsValid(cedev::FromSystemTime(st));
}

// The time as kept: whole seconds, its weekday worked out from the date.
SYSTEMTIME Normalised(const SYSTEMTIME& st) {
  cedev::DeviceTime t = cedev::FromSystemTime(st);
  t.millisecond = 0;
  return cedev::ToSystemTime(t);
}

std::optional<std::wstring> TextOf(const WCHAR* text) {
  if (text == nullptr) return std::nullopt;
  return std::wstring(text);
}

// The record a trigger describes, or nothing when the service refuses it.
std::optional<NotificationRecord> RecordOf(const CE_NOTIFICATION_TRIGGER* trigger,
                                           const CE_USER_NOTIFICATION* user) {
  if (trigger == nullptr || trigger->dwSize != sizeof(CE_NOTIFICATION_TRIGGER)) return std::nullopt;
  NotificationRecord record;
  record.type = trigger->dwType;
  record.event = trigger->dwEvent;
  record.application = TextOf(trigger->lpszApplication);
  record.arguments = TextOf(trigger->lpszArguments);
  record.start = trigger->stStartTime;
  record.end = trigger->stEndTime;
  switch (trigger->dwType) {
    case CNT_EVENT:
    case CNT_TIME:
      if (!record.application || record.application->empty()) return std::nullopt;
      break;
    case CNT_PERIOD:
    case CNT_CLASSICTIME:
      if (user == nullptr) return std::nullopt;
      break;
    default:
      return std::nullopt;
  }
  if (trigger->dwType != CNT_EVENT) {
    if (!IsCivilTime(record.start)) return std::nullopt;
    record.start = Normalised(record.start);
  }
  if (trigger->dwType == CNT_PERIOD) {
    if (!IsCivilTime(record.end)) return std::nullopt;
    record.end = Normalised(record.end);
    if (cedev::ToMilliseconds(cedev::FromSystemTime(record.end)) <
        cedev::ToMilliseconds(cedev::FromSystemTime(record.start))) {
      return std::nullopt;
    }
  }
  if (user != nullptr) {
    record.user = UserAction{user->ActionFlags,
                             TextOf(user->pwszDialogTitle),
                             TextOf(user->pwszDialogText),
                             TextOf(user->pwszSound),
                             user->nMaxSound,
                             user->dwReserved};
  }
  return record;
}

}  // namespace

HANDLE CeSetUserNotificationEx(HANDLE hNotification, CE_NOTIFICATION_TRIGGER* pcnt,
                               CE_USER_NOTIFICATION* pceun) {
  if (FaultFor(Call::Set)) return nullptr;
  std::optional<NotificationRecord> record = RecordOf(pcnt, pceun);
  if (!record) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const DWORD replacing = HandleNumber(hNotification);
  if (hNotification != nullptr && replacing == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  DWORD handle = 0;
  try {
    if (replacing != 0) {
      record->handle = replacing;
      handle = ReplaceRecord(std::move(*record)) ? replacing : 0;
    } else {
      handle = AddRecord(std::move(*record));
    }
  } catch (const std::exception& e) {
    StoreFailed(e);
    return nullptr;
  }
  if (handle == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return HandleOf(handle);
}

BOOL CeGetUserNotificationHandles(HANDLE* rghNotifications, DWORD cHandles,
                                  LPDWORD pcHandlesNeeded) {
  if (FaultFor(rghNotifications == nullptr ? Call::Count : Call::FetchHandles)) return FALSE;
  if (pcHandlesNeeded == nullptr || (rghNotifications == nullptr && cHandles != 0)) {
    return Failed(ERROR_INVALID_PARAMETER);
  }
  // The count starts a walk: it looks at the store's files too, so that a store changed
  // behind the device's back is seen; the calls after it go by the change count.
  std::vector<DWORD> handles;
  try {
    handles = StoreHandles(rghNotifications == nullptr ? Look::full : Look::counted);
  } catch (const std::exception& e) {
    StoreFailed(e);
    return FALSE;
  }
  const auto count = static_cast<DWORD>(handles.size());
  *pcHandlesNeeded = count;
  if (rghNotifications == nullptr) return TRUE;
  if (cHandles < count) return Failed(ERROR_INSUFFICIENT_BUFFER);
  for (DWORD i = 0; i < count; ++i) rghNotifications[i] = HandleOf(handles[i]);
  return TRUE;
}

BOOL CeGetUserNotification(HANDLE hNotification, DWORD cBufferSize, LPDWORD pcBytesNeeded,
                           LPBYTE pBuffer) {
  if (pBuffer == nullptr && FaultFor(Call::Size)) {
    if (pcBytesNeeded != nullptr) *pcBytesNeeded = 0;
    return FALSE;
  }
  if (pBuffer != nullptr && FaultFor(Call::FetchRecord)) return FALSE;
  if (pcBytesNeeded == nullptr) return Failed(ERROR_INVALID_PARAMETER);
  DWORD needed = 0;
  try {
    needed =
        FetchRecord(HandleNumber(hNotification), pBuffer, pBuffer != nullptr ? cBufferSize : 0);
  } catch (const std::exception& e) {
    StoreFailed(e);
    return FALSE;
  }
  *pcBytesNeeded = needed;
  if (needed == 0) return Failed(ERROR_INVALID_PARAMETER);
  if (pBuffer == nullptr || cBufferSize < needed) return Failed(ERROR_INSUFFICIENT_BUFFER);
  return TRUE;
}

BOOL CeClearUserNotification(HANDLE hNotification) {
  if (FaultFor(Call::Clear)) return FALSE;
  const DWORD number = HandleNumber(hNotification);
  bool found = false;
  try {
    // In the store for every process at once; flushed to disk with the process's next
    // registration or at its end (NotificationStore.h): a walk removes one at a time.
    found = number != 0 && !ClearRecords({number}, Flush::later).empty();
  } catch (const std::exception& e) {
    StoreFailed(e);
    return FALSE;
  }
  return found ? TRUE : Failed(ERROR_INVALID_PARAMETER);
}
