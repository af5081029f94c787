// The process entry point of the program on desktop Windows, as the device boots it: the shell
// starts inside the process on its own thread, then the input script, then the framework runs
// the application; both stop when it is done.
#include <afxwin.h>

#include "DialogClass.h"
#include "ScriptInput.h"
#include "ShellThread.h"

namespace {

// The arguments of the command line: what follows the program's own name (quoted or not).
LPWSTR ArgumentsOf(LPWSTR commandLine) {
  LPWSTR p = commandLine;
  if (*p == L'"') {
    ++p;
    while (*p != 0 && *p != L'"') ++p;
    if (*p == L'"') ++p;
  } else {
    while (*p != 0 && *p != L' ' && *p != L'\t') ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

}  // namespace

int wmain() {
  cewin::RegisterDialogClass();
  cedev::StartShell();
  cewin::StartScriptInput();
  const int result =
      AfxWinMain(GetModuleHandleW(nullptr), nullptr, ArgumentsOf(GetCommandLineW()), SW_SHOWNORMAL);
  cewin::StopScriptInput();
  cedev::StopShell();
  return result;
}
