// The process entry point of a device program, as the device boots it: the command line is
// the program's arguments joined with blanks; the shell starts inside the process, then the
// input and display, then the framework runs the application; both stop when it is done.
#include <string>
#include <utility>

#include <afxwin.h>

#include "InputAndDisplay.h"
#include "KernelControl.h"
#include "ShellThread.h"

namespace {

std::wstring JoinArguments(int argc, char** argv) {
  std::wstring commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += L' ';
    for (const char* p = argv[i]; *p != 0; ++p) {
      commandLine += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    }
  }
  return commandLine;
}

}  // namespace

int main(int argc, char** argv) {
  cedev::SetCommandLine(JoinArguments(argc, argv));
  cedev::StartShell();
  cedev::StartInputAndDisplay();
  const int result = AfxWinMain(nullptr, nullptr, GetCommandLineW(), SW_SHOWNORMAL);
  cedev::StopInputAndDisplay();
  cedev::StopShell();
  return result;
}
