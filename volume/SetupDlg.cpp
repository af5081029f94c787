#include "SetupDlg.h"

#include "EventsDlg.h"
#include "PendingMessages.h"
#include "TaskBarTraining.h"

namespace {

const TCHAR kFirstInstructions[] =
    _T("In order to use Quenmora (Q.V.R.) you have to train Q.V.R. where the volume icon is on ")
    _T("your task bar.\r\n\r\nStart by pressing the train button below and watching here for ")
    _T("what to do next...");
const TCHAR kTapInstructions[] =
    _T("Now find the volume icon on the task bar. It is usually towards the right side of the ")
    _T("screen.\r\n\r\nOnce you have found it tap on it ONCE.");
const TCHAR kTrainingComplete[] = _T("Training is complete!");

}  // namespace

CSetupDlg::CSetupDlg(CWnd* pParent)
    : CDialog(IDD, pParent), m_strInstructions(kFirstInstructions) {}

void CSetupDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_X, m_nX);
  DDX_Text(pDX, IDC_Y, m_nY);
  DDX_Text(pDX, IDC_INSTRUCTIONS, m_strInstructions);
}

BEGIN_MESSAGE_MAP(CSetupDlg, CDialog)
ON_BN_CLICKED(IDC_TRAIN, &CSetupDlg::OnTrain)
ON_BN_CLICKED(IDC_SHOWEVENTS, &CSetupDlg::OnShowEvents)
END_MESSAGE_MAP()

void CSetupDlg::ShowProgress(LPCTSTR instructions) {
  m_strInstructions = instructions;
  UpdateData(FALSE);
  // The wait that follows handles no messages; paint the new text first.
  PumpPendingMessages();
}

void CSetupDlg::OnTrain() {
  // A Train press dispatched while a training waits for its tap would put the training
  // procedure in front of itself.
  if (TrainingInProgress()) return;

  HWND hWndTaskBar = nullptr;
  switch (InstallTrainProc(hWndTaskBar)) {
    case TrainInstallResult::NoTaskBar:
      MessageBox(_T("Cannot find task bar window handle"), _T("Error"), MB_OK | MB_TOPMOST);
      return;
    case TrainInstallResult::CannotSetProc:
      MessageBox(_T("Cannot set window procedure"), _T("Error"), MB_OK | MB_TOPMOST);
      return;
    case TrainInstallResult::Installed:
      break;
  }

  ShowProgress(kTapInstructions);
  WaitForTrainedTap();
  const POINT tap = RemoveTrainProc(hWndTaskBar);
  m_nX = tap.x;
  m_nY = tap.y;
  ShowProgress(kTrainingComplete);
}

void CSetupDlg::OnShowEvents() {
  CEventsDlg events;
  events.DoModal();
}

bool TrainTapPoint(TapPoint& tapPoint) {
  CSetupDlg setup;
  setup.m_nX = tapPoint.x;
  setup.m_nY = tapPoint.y;
  if (setup.DoModal() != IDOK) return false;
  tapPoint.Set(setup.m_nX, setup.m_nY);
  return true;
}
