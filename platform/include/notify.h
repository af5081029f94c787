// The user-notification service of Windows CE: notifications that run an application at a
// time or on a system event, or show a dialog to the user. Registered notifications are kept
// by the device and outlive the process that registered them.
#pragma once

#include "windows.h"

// Trigger types.
#define CNT_EVENT 1        // run an application on a system event (dwEvent)
#define CNT_TIME 2         // run an application at stStartTime
#define CNT_PERIOD 3       // show the user notification from stStartTime to stEndTime
#define CNT_CLASSICTIME 4  // show the user notification at stStartTime

// System events of a CNT_EVENT trigger.
#define NOTIFICATION_EVENT_NONE 0
#define NOTIFICATION_EVENT_TIME_CHANGE 1
#define NOTIFICATION_EVENT_SYNC_END 2
#define NOTIFICATION_EVENT_ON_AC_POWER 3
#define NOTIFICATION_EVENT_OFF_AC_POWER 4
#define NOTIFICATION_EVENT_NET_CONNECT 5
#define NOTIFICATION_EVENT_NET_DISCONNECT 6
#define NOTIFICATION_EVENT_DEVICE_CHANGE 7
#define NOTIFICATION_EVENT_IR_DISCOVERED 8
#define NOTIFICATION_EVENT_RS232_DETECTED 9
#define NOTIFICATION_EVENT_RESTORE_END 10
#define NOTIFICATION_EVENT_WAKEUP 11
#define NOTIFICATION_EVENT_TZ_CHANGE 12

// Actions of a user notification (CE_USER_NOTIFICATION::ActionFlags).
#define PUN_LED 1
#define PUN_VIBRATE 2
#define PUN_DIALOG 4
#define PUN_SOUND 8
#define PUN_REPEAT 16

// CE_NOTIFICATION_INFO_HEADER::dwStatus.
#define CNS_SIGNALLED 1

typedef struct UserNotificationTrigger {
  DWORD dwSize;   // sizeof(CE_NOTIFICATION_TRIGGER); 52 on 32-bit CE, larger on this host
  DWORD dwType;   // CNT_*
  DWORD dwEvent;  // NOTIFICATION_EVENT_* for CNT_EVENT
  WCHAR* lpszApplication;
  WCHAR* lpszArguments;
  SYSTEMTIME stStartTime;  // local time
  SYSTEMTIME stEndTime;    // CNT_PERIOD only
} CE_NOTIFICATION_TRIGGER, *PCE_NOTIFICATION_TRIGGER;

typedef struct UserNotificationType {
  DWORD ActionFlags;  // PUN_*
  TCHAR* pwszDialogTitle;
  TCHAR* pwszDialogText;
  TCHAR* pwszSound;
  DWORD nMaxSound;
  DWORD dwReserved;
} CE_USER_NOTIFICATION, *PCE_USER_NOTIFICATION;

// What CeGetUserNotification puts at the start of its buffer. The trigger, the user
// notification and every string follow in the same buffer; the pointers point there.
typedef struct UserNotificationInfoHeader {
  HANDLE hNotification;
  DWORD dwStatus;                  // CNS_SIGNALLED once it has fired and is still kept
  CE_NOTIFICATION_TRIGGER* pcent;  // never null in a filled buffer
  CE_USER_NOTIFICATION* pceun;     // null when the notification was registered without one
} CE_NOTIFICATION_INFO_HEADER, *PCE_NOTIFICATION_INFO_HEADER;

// Registers a new notification (hNotification null) or replaces the one with that handle.
// Returns its handle, or null with the reason in GetLastError: ERROR_INVALID_PARAMETER for a
// missing trigger, a dwSize other than sizeof(CE_NOTIFICATION_TRIGGER), an unknown type, a
// trigger that runs an application but names none, an impossible SYSTEMTIME, a period that
// ends before it starts, a dialog type without a user notification, or an unknown handle.
HANDLE CeSetUserNotificationEx(HANDLE hNotification, CE_NOTIFICATION_TRIGGER* pcnt,
                               CE_USER_NOTIFICATION* pceun);

// *pcHandlesNeeded is always set to the number of registered notifications. With no array
// and cHandles 0 that is all it does (success). With an array of at least that capacity the
// handles are filled in, in handle order. A smaller capacity fails with
// ERROR_INSUFFICIENT_BUFFER; no array with a capacity, or no count pointer, with
// ERROR_INVALID_PARAMETER.
BOOL CeGetUserNotificationHandles(HANDLE* rghNotifications, DWORD cHandles,
                                  LPDWORD pcHandlesNeeded);

// *pcBytesNeeded is set to the size of the whole record (0 for an unknown handle, which fails
// with ERROR_INVALID_PARAMETER). A buffer smaller than that, including the size query with
// cBufferSize 0 and no buffer, fails with ERROR_INSUFFICIENT_BUFFER; a big enough one is
// filled: a CE_NOTIFICATION_INFO_HEADER first, then the records and strings it points to.
BOOL CeGetUserNotification(HANDLE hNotification, DWORD cBufferSize, LPDWORD pcBytesNeeded,
                           LPBYTE pBuffer);

// Removes the notification; an unknown handle fails with ERROR_INVALID_PARAMETER.
BOOL CeClearUserNotification(HANDLE hNotification);
