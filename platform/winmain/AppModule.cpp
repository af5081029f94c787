// The process entry point of a device program: the command line is the program's arguments
// joined with blanks, as the device hands it over; then the framework runs the application.
#include <string>
#include <utility>

#include <afxwin.h>

#include "KernelControl.h"

int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPTSTR lpCmdLine, int nCmdShow) {
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return 1;
  app->m_hInstance = hInstance;
  app->m_lpCmdLine = lpCmdLine;
  app->m_nCmdShow = nCmdShow;
  if (!app->InitApplication() || !app->InitInstance()) return app->ExitInstance();
  return app->Run();
}

int main(int argc, char** argv) {
  std::wstring commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += L' ';
    for (const char* p = argv[i]; *p != 0; ++p) commandLine += static_cast<wchar_t>(static_cast<unsigned char>(*p));
  }
  cedev::SetCommandLine(std::move(commandLine));
  return AfxWinMain(nullptr, nullptr, GetCommandLineW(), 1);
}
