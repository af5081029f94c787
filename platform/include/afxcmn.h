// The framework's common controls: the date-time picker and its data exchange.
#pragma once

#include "afxwin.h"
#include "afxdisp.h"
#include "commctrl.h"

class CDateTimeCtrl : public CWnd {
  DECLARE_DYNAMIC(CDateTimeCtrl)

 public:
  // GDT_VALID with the picker's time, GDT_NONE, or GDT_ERROR.
  DWORD GetTime(LPSYSTEMTIME pTimeDest) const;
  BOOL GetTime(COleDateTime& timeDest) const;
  BOOL SetTime(const SYSTEMTIME* pTimeNew = nullptr);
  BOOL SetTime(const COleDateTime& timeNew);
  BOOL SetFormat(LPCTSTR pstrFormat);
};

// The picker's time and a COleDateTime: towards the control the date-time is set (an invalid
// one fails the exchange); from it, the date-time the picker holds.
void AFXAPI DDX_DateTimeCtrl(CDataExchange* pDX, int nIDC, COleDateTime& value);
