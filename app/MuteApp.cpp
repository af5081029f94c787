#include "MuteApp.h"

#include <aygshell.h>

#include "AppTrace.h"
#include "MuteCommandLineInfo.h"
#include "ScheduleDlg.h"
#include "ScheduleFile.h"
#include "SetupDlg.h"
#include "StatusDlg.h"

CMuteApp::CMuteApp() : CWinApp(_T("Quenmora")) {}

CMuteApp::~CMuteApp() = default;

BOOL CMuteApp::StartUp() {
  RegisterAppTrace();
  SHInitExtraControls();

  CMuteCommandLineInfo commandLine(*this);
  ParseCommandLine(commandLine);

  // A first run has no file; a damaged or busy one gives whatever could be read. Neither is
  // worth a word to the user.
  try {
    LoadSchedule(schedule, kScheduleFilePath);
  } catch (const FileError&) {
  }

  if (notificationLaunch) {
    RunNotificationMode();
  } else {
    RunInteractiveMode();
  }
  return FALSE;
}

void CMuteApp::RunNotificationMode() {
  // Switches, registers the following change and ends itself. The file is never written
  // here: the interactive run's save is the one that counts.
  CStatusDlg status(schedule, volumeMode);
  status.DoModal();
}

void CMuteApp::RunInteractiveMode() {
  if (schedule.tapPoint.IsUntrained() && TrainTapPoint(schedule.tapPoint)) {
    // The trained position is kept at once, whatever becomes of the main dialog.
    SaveScheduleReportingErrors();
  }

  CScheduleDlg dialog(schedule);
  m_pMainWnd = &dialog;
  const INT_PTR result = dialog.DoModal();
  m_pMainWnd = nullptr;
  // The dialog's OK has registered the next change already.
  if (result == IDOK) SaveScheduleReportingErrors();
}

void CMuteApp::SaveScheduleReportingErrors() {
  try {
    SaveSchedule(schedule, kScheduleFilePath);
  } catch (const FileError& error) {
    ::MessageBox(nullptr, error.GetErrorMessage(), AfxGetAppName(),
                 MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
  }
}
