// The framework's application object and command-line parsing (part of afxwin.h).
#pragma once

#include "windows.h"
#include "afxstr.h"

class CWnd;

// Receives the command line one argument at a time. The framework strips a leading '-' or '/'
// from an argument and says so in bFlag.
class CCommandLineInfo {
 public:
  enum { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppUnregister, FileNothing = -1 };

  CCommandLineInfo() = default;
  virtual ~CCommandLineInfo() = default;
  CCommandLineInfo(const CCommandLineInfo&) = delete;
  CCommandLineInfo& operator=(const CCommandLineInfo&) = delete;

  // The framework's own handling: the first plain argument is a file name; flags are ignored.
  virtual void ParseParam(const TCHAR* pszParam, BOOL bFlag, BOOL bLast);

  int m_nShellCommand = FileNew;
  CString m_strFileName;
};

// The one application object. The framework's entry point calls InitInstance; a FALSE result
// ends the process without a message loop.
class CWinApp {
 public:
  explicit CWinApp(LPCTSTR lpszAppName = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual BOOL InitApplication();
  virtual BOOL InitInstance();
  // Programs on this device end from InitInstance; there is no main message loop to run.
  virtual int Run();
  virtual int ExitInstance();

  // Takes the module's name (the executable's file name without its extension) as
  // m_pszExeName and, when the application was given no name, as its name too.
  void SetCurrentHandles();

  // Splits m_lpCmdLine at blanks and tabs (a stretch in double quotes belongs to one argument)
  // and hands each argument to rCmdInfo.ParseParam.
  void ParseCommandLine(CCommandLineInfo& rCmdInfo);

  LPCTSTR m_pszAppName = nullptr;
  LPCTSTR m_pszExeName = nullptr;
  HINSTANCE m_hInstance = nullptr;
  LPTSTR m_lpCmdLine = nullptr;
  int m_nCmdShow = 1;
  CWnd* m_pMainWnd = nullptr;

 private:
  CString m_appName;
  CString m_exeName;
};

CWinApp* AfxGetApp();
LPCTSTR AfxGetAppName();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();

// The framework's part of the program's entry point: sets the application object up from the
// module and command line, runs it, and returns the process's exit code.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow);
