#include "StatusDlg.h"

#include "VolumeSwitch.h"
#include "WakeUpRegistration.h"

void RunNotification(Schedule& schedule, LONG volumeMode) {
  SwitchVolume(schedule.tapPoint, volumeMode);
  ScheduleNextChange(schedule);
}

CStatusDlg::CStatusDlg(Schedule& schedule, LONG volumeMode, CWnd* pParent)
    : CDialog(IDD, pParent), m_schedule(schedule), m_nVolumeMode(volumeMode) {}

BEGIN_MESSAGE_MAP(CStatusDlg, CDialog)
ON_WM_SETFOCUS()
END_MESSAGE_MAP()

void CStatusDlg::OnSetFocus(CWnd* pOldWnd) {
  CDialog::OnSetFocus(pOldWnd);
  if (m_bRunDone) return;
  m_bRunDone = true;
  RunNotification(m_schedule, m_nVolumeMode);
  EndDialog(IDOK);
}
