// Volume-icon training: the user presses Train and taps the volume icon once; the dialog shows
// where the task bar received the tap.
#pragma once

#include <afxwin.h>

#include "TapPoint.h"
#include "resource.h"

class CSetupDlg : public CDialog {
 public:
  enum { IDD = IDD_SETUP };

  explicit CSetupDlg(CWnd* pParent = nullptr);

  // The tap point shown and trained, in task bar client coordinates.
  int m_nX = 0;
  int m_nY = 0;
  CString m_strInstructions;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;

  afx_msg void OnTrain();
  afx_msg void OnShowEvents();
  DECLARE_MESSAGE_MAP()

 private:
  void ShowProgress(LPCTSTR instructions);
};

// Runs the training dialog seeded with tapPoint; on OK the trained position replaces it (the
// low 16 bits of each coordinate). Returns whether the dialog ended with OK.
bool TrainTapPoint(TapPoint& tapPoint);
