// The scheduled-events viewer: the start times of the program's own time notifications as the
// notification service holds them when the dialog opens. Read-only.
#pragma once

#include <vector>

#include <afxwin.h>

#include "resource.h"

class CEventsDlg : public CDialog {
 public:
  enum { IDD = IDD_EVENTS };

  explicit CEventsDlg(CWnd* pParent = nullptr);

  CListBox m_list;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  DECLARE_MESSAGE_MAP()
};

// "2008-6-2 - 8:0:0": year, month, day, hour, minute, second without leading zeros.
CString FormatEventStart(const SYSTEMTIME& start);

// The start times of the own notifications, in the order of the service's handles.
std::vector<CString> OwnNotificationStarts();
