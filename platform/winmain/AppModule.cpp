// The process entry point of a device program, as the device boots it: the command line is
// the program's arguments joined with blanks, then the framework runs the application.
#include <string>
#include <utility>

#include <afxwin.h>

#include "KernelControl.h"

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
  const int result = AfxWinMain(nullptr, nullptr, GetCommandLineW(), SW_SHOWNORMAL);
  return result;
}
