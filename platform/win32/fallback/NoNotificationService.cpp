// Built only when the device-state library is missing from the Windows build: the notification
// service is not there, and every call says so (ERROR_NOT_SUPPORTED), so a run never takes a
// registration for done.
#include <notify.h>

HANDLE CeSetUserNotificationEx(HANDLE, CE_NOTIFICATION_TRIGGER*, CE_USER_NOTIFICATION*) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return nullptr;
}

BOOL CeGetUserNotificationHandles(HANDLE*, DWORD, LPDWORD) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

BOOL CeGetUserNotification(HANDLE, DWORD, LPDWORD, LPBYTE) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

BOOL CeClearUserNotification(HANDLE) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}
