// Common controls: the date-time picker.
#pragma once

#ifndef RC_INVOKED
#include "windows.h"
#endif

#define DATETIMEPICK_CLASSW L"SysDateTimePick32"
#define DATETIMEPICK_CLASS DATETIMEPICK_CLASSW

#ifndef RC_INVOKED
typedef struct tagINITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;
#define ICC_DATE_CLASSES 0x00000100

void InitCommonControls();
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce);
#endif  // RC_INVOKED

// Date-time picker styles. The time format shows hour, minute and second fields.
#define DTS_UPDOWN 0x0001
#define DTS_SHOWNONE 0x0002
#define DTS_SHORTDATEFORMAT 0x0000
#define DTS_LONGDATEFORMAT 0x0004
#define DTS_TIMEFORMAT 0x0009
#define DTS_APPCANPARSE 0x0010
#define DTS_RIGHTALIGN 0x0020

#define DTM_FIRST 0x1000
#define DTM_GETSYSTEMTIME (DTM_FIRST + 1)
#define DTM_SETSYSTEMTIME (DTM_FIRST + 2)
#define DTM_GETRANGE (DTM_FIRST + 3)
#define DTM_SETRANGE (DTM_FIRST + 4)
#define DTM_SETFORMATW (DTM_FIRST + 50)
#define DTM_SETFORMAT DTM_SETFORMATW
#define DTM_SETMCFONT (DTM_FIRST + 9)
#define DTM_GETMCFONT (DTM_FIRST + 10)

// DTM_GETSYSTEMTIME results and DTM_SETSYSTEMTIME wParam.
#define GDT_ERROR (-1)
#define GDT_VALID 0
#define GDT_NONE 1

// Notifications (WM_NOTIFY codes).
#define DTN_FIRST (0U - 760U)
#define DTN_DATETIMECHANGE (DTN_FIRST + 1)
#define NM_FIRST (0U - 0U)
#define NM_SETFOCUS (NM_FIRST - 7)
#define NM_KILLFOCUS (NM_FIRST - 8)

#ifndef RC_INVOKED
typedef struct tagNMDATETIMECHANGE {
  NMHDR nmhdr;
  DWORD dwFlags;
  SYSTEMTIME st;
} NMDATETIMECHANGE, *LPNMDATETIMECHANGE;

#define DateTime_GetSystemtime(hdp, pst) \
  static_cast<DWORD>(SendMessage(hdp, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(pst)))
#define DateTime_SetSystemtime(hdp, gd, pst) \
  static_cast<BOOL>(                         \
      SendMessage(hdp, DTM_SETSYSTEMTIME, static_cast<WPARAM>(gd), reinterpret_cast<LPARAM>(pst)))
#endif  // RC_INVOKED
