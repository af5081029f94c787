// The application object: one for the life of the process. Every run is one pass through
// StartUp: parse the command line, load the schedule, run the dialogs of the run mode, and end.
#pragma once

#include <afxwin.h>

#include "Schedule.h"

// Where the schedule lives. (Which executable the notifications relaunch is the scheduler's:
// kOwnApplication.)
constexpr LPCTSTR kScheduleFilePath = _T("\\My Documents\\Quenmora.dat");

class CMuteApp : public CWinApp {
 public:
  CMuteApp();
  ~CMuteApp() override;

  // The framework's start-up hook; it runs StartUp.
  BOOL InitInstance() override { return StartUp(); }

  // Runs the whole program. Returns FALSE: no message loop follows, the process ends.
  BOOL StartUp();

  // Saves the schedule; a failure is shown to the user and goes no further.
  void SaveScheduleReportingErrors();

  // Interactive: training when no tap point is known (saved at once on OK), then the main
  // dialog, then the save if it ended with OK.
  void RunInteractiveMode();
  // Launched by a wake-up: the status dialog switches the volume and registers what follows.
  void RunNotificationMode();

  Schedule schedule;
  // The number after the M of the launch argument: 0 = sound on, anything else = mute.
  LONG volumeMode = 0;
  // An argument beginning with "M" was given: the run is a notification run.
  bool notificationLaunch = false;
};
