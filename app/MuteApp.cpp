#include "MuteApp.h"

#include <aygshell.h>

#include "MuteCommandLineInfo.h"
#include "ScheduleFile.h"

CMuteApp::CMuteApp() : CWinApp(_T("Quenmora")) {}

CMuteApp::~CMuteApp() = default;

BOOL CMuteApp::StartUp() {
  SHInitExtraControls();

  CMuteCommandLineInfo commandLine(*this);
  ParseCommandLine(commandLine);

  // A first run has no file; a damaged or busy one gives whatever could be read. Neither is
  // worth a word to the user.
  try {
    LoadSchedule(schedule, kScheduleFilePath);
  } catch (const FileError&) {
  }

  return FALSE;
}

void CMuteApp::SaveScheduleReportingErrors() {
  try {
    SaveSchedule(schedule, kScheduleFilePath);
  } catch (const FileError&) {
  }
}
