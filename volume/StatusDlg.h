// The dialog of a notification run: shown while the volume is switched and the following
// change registered, then it ends itself.
#pragma once

#include <afxwin.h>

#include "Schedule.h"
#include "resource.h"

class CStatusDlg : public CDialog {
 public:
  enum { IDD = IDD_STATUS };

  // The schedule gives the tap point and the items for the next registration; volumeMode is
  // the launch argument's number.
  CStatusDlg(Schedule& schedule, LONG volumeMode, CWnd* pParent = nullptr);

 protected:
  afx_msg void OnSetFocus(CWnd* pOldWnd);
  DECLARE_MESSAGE_MAP()

 private:
  Schedule& m_schedule;
  LONG m_nVolumeMode;
  // The run is made on the first focus only: a second one would tap the popup again and
  // register the same change once more.
  bool m_bRunDone = false;
};

// Switches the volume and registers the following change: the whole work of a notification
// run, whatever the switch found.
void RunNotification(Schedule& schedule, LONG volumeMode);
