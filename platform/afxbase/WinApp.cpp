#include <afxapp.h>

#include "AfxExtensions.h"

namespace {
// The framework allows one application object; its constructor registers it here.
CWinApp* g_app = nullptr;

bool IsBlank(TCHAR c) { return c == L' ' || c == L'\t'; }
}  // namespace

void CCommandLineInfo::ParseParam(const TCHAR* pszParam, BOOL bFlag, BOOL /*bLast*/) {
  if (!bFlag && m_strFileName.IsEmpty()) {
    m_strFileName = pszParam;
    m_nShellCommand = FileOpen;
  }
}

CWinApp::CWinApp(LPCTSTR lpszAppName) {
  if (lpszAppName != nullptr) {
    m_appName = lpszAppName;
    m_pszAppName = m_appName;
  }
  g_app = this;
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

void CWinApp::SetCurrentHandles() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(m_hInstance, path, MAX_PATH);
  CString name = path;
  name = name.Mid(name.ReverseFind(L'\\') + 1);
  const int dot = name.ReverseFind(L'.');
  if (dot > 0) name = name.Left(dot);
  m_exeName = name;
  m_pszExeName = m_exeName;
  if (m_pszAppName == nullptr && !m_exeName.IsEmpty()) {
    m_appName = m_exeName;
    m_pszAppName = m_appName;
  }
}

BOOL CWinApp::InitApplication() { return TRUE; }
BOOL CWinApp::InitInstance() { return TRUE; }
int CWinApp::Run() { return ExitInstance(); }
int CWinApp::ExitInstance() { return 0; }

std::vector<CString> AfxSplitCommandLine(LPCTSTR lpCmdLine) {
  std::vector<CString> args;
  if (lpCmdLine == nullptr) return args;
  const TCHAR* p = lpCmdLine;
  for (;;) {
    while (IsBlank(*p)) ++p;
    if (*p == 0) break;
    CString arg;
    bool quoted = false;
    for (; *p != 0 && (quoted || !IsBlank(*p)); ++p) {
      if (*p == L'"') {
        quoted = !quoted;  // the quotes themselves are not part of the argument
      } else {
        arg += *p;
      }
    }
    args.push_back(arg);
  }
  return args;
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo) {
  const std::vector<CString> args = AfxSplitCommandLine(m_lpCmdLine);
  for (size_t i = 0; i < args.size(); ++i) {
    LPCTSTR param = args[i];
    BOOL flag = FALSE;
    if (param[0] == L'-' || param[0] == L'/') {
      flag = TRUE;
      ++param;
    }
    rCmdInfo.ParseParam(param, flag, i + 1 == args.size());
  }
}

CWinApp* AfxGetApp() { return g_app; }

LPCTSTR AfxGetAppName() { return g_app != nullptr ? g_app->m_pszAppName : nullptr; }

HINSTANCE AfxGetInstanceHandle() { return g_app != nullptr ? g_app->m_hInstance : nullptr; }

HINSTANCE AfxGetResourceHandle() { return AfxGetInstanceHandle(); }
