// The framework's part of the program's entry: set the application object up from the module
// and the command line, run its start-up, and give back its exit code.
#include <afxwin.h>

int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPTSTR lpCmdLine, int nCmdShow) {
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return 1;
  app->m_hInstance = hInstance;
  app->m_lpCmdLine = lpCmdLine;
  app->m_nCmdShow = nCmdShow;
  app->SetCurrentHandles();
  if (!app->InitApplication() || !app->InitInstance()) return app->ExitInstance();
  return app->Run();
}
