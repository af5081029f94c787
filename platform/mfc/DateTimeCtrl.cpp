// The date-time picker's wrapper and its data exchange.
#include <afxcmn.h>

IMPLEMENT_DYNAMIC(CDateTimeCtrl, CWnd)

DWORD CDateTimeCtrl::GetTime(LPSYSTEMTIME pTimeDest) const {
  return static_cast<DWORD>(SendMessage(DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(pTimeDest)));
}

BOOL CDateTimeCtrl::GetTime(COleDateTime& timeDest) const {
  SYSTEMTIME st{};
  if (GetTime(&st) != GDT_VALID) {
    timeDest.SetStatus(COleDateTime::null);
    return FALSE;
  }
  timeDest = COleDateTime(st);
  return timeDest.GetStatus() == COleDateTime::valid;
}

BOOL CDateTimeCtrl::SetTime(const SYSTEMTIME* pTimeNew) {
  const WPARAM flag = pTimeNew == nullptr ? GDT_NONE : GDT_VALID;
  return static_cast<BOOL>(
      SendMessage(DTM_SETSYSTEMTIME, flag, reinterpret_cast<LPARAM>(pTimeNew)));
}

BOOL CDateTimeCtrl::SetTime(const COleDateTime& timeNew) {
  SYSTEMTIME st{};
  if (!timeNew.GetAsSystemTime(st)) return FALSE;
  return SetTime(&st);
}

BOOL CDateTimeCtrl::SetFormat(LPCTSTR pstrFormat) {
  return static_cast<BOOL>(SendMessage(DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(pstrFormat)));
}

void AFXAPI DDX_DateTimeCtrl(CDataExchange* pDX, int nIDC, COleDateTime& value) {
  HWND control = pDX->PrepareCtrl(nIDC);
  SYSTEMTIME st{};
  if (pDX->m_bSaveAndValidate) {
    if (::SendMessageW(control, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)) == GDT_VALID) {
      value = COleDateTime(st);
    } else {
      value.SetStatus(COleDateTime::null);
    }
  } else {
    if (!value.GetAsSystemTime(st)) pDX->Fail();
    ::SendMessageW(control, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
  }
}
