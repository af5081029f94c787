#include "EventsDlg.h"

#include "OwnNotificationWalk.h"

CString FormatEventStart(const SYSTEMTIME& start) {
  CString text;
  text.Format(_T("%d-%d-%d - %d:%d:%d"), start.wYear, start.wMonth, start.wDay, start.wHour,
              start.wMinute, start.wSecond);
  return text;
}

std::vector<CString> OwnNotificationStarts() {
  std::vector<CString> starts;
  WalkOwnNotifications(
      [&starts](const CE_NOTIFICATION_INFO_HEADER& info) {
        starts.push_back(FormatEventStart(info.pcent->stStartTime));
      },
      WalkTrace::Quiet);
  return starts;
}

CEventsDlg::CEventsDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CEventsDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_EVENTLIST, m_list);
}

BEGIN_MESSAGE_MAP(CEventsDlg, CDialog)
END_MESSAGE_MAP()

BOOL CEventsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  // The list box sorts: the rows come in text order, not time order.
  for (const CString& start : OwnNotificationStarts()) m_list.AddString(start);
  return TRUE;
}
