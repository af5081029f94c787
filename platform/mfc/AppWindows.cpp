// The application's main window and the framework's message box.
#include <afxwin.h>

CWnd* AfxGetMainWnd() {
  CWinApp* app = AfxGetApp();
  return app != nullptr ? app->m_pMainWnd : nullptr;
}

int AFXAPI AfxMessageBox(LPCTSTR lpszText, UINT nType, UINT) {
  // Owned by what the user is looking at: the thread's active window (a nested dialog while one
  // runs), else the main window.
  HWND owner = ::GetActiveWindow();
  if (owner == nullptr) {
    CWnd* main = AfxGetMainWnd();
    if (main != nullptr && ::IsWindow(main->m_hWnd)) owner = main->m_hWnd;
  }
  LPCTSTR caption = AfxGetAppName();
  return ::MessageBoxW(owner, lpszText, caption != nullptr ? caption : L"", nType);
}
