// CDialog: a dialog run by the dialog manager's modal loop. The object takes the window over
// at the first message the dialog procedure sees, so WM_INITDIALOG and everything after it
// passes through the message map; what the map leaves reaches the dialog manager's default
// handling.
#include <afxwin.h>

#include "WindowMap.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

namespace {

// The dialog that the calling thread is making now; its window is not known yet.
thread_local CDialog* t_dialogInit = nullptr;

// The owner of a modal dialog without a parent: the application's main window, while it has
// one (the main dialog itself has none when it starts).
HWND ModalOwner(CWnd* pParent) {
  if (pParent != nullptr) return pParent->m_hWnd;
  CWnd* main = AfxGetMainWnd();
  if (main != nullptr && main->m_hWnd != nullptr && ::IsWindow(main->m_hWnd)) return main->m_hWnd;
  return nullptr;
}

}  // namespace

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDHelp(nIDTemplate),
      m_lpszTemplateName(MAKEINTRESOURCE(nIDTemplate)),
      m_pParentWnd(pParentWnd) {}

CDialog::CDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd)
    : m_lpszTemplateName(lpszTemplateName), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() = default;

BOOL CDialog::InitModalIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd) {
  m_lpDialogTemplate = lpDialogTemplate;
  m_lpszTemplateName = nullptr;
  m_pParentWnd = pParentWnd;
  return lpDialogTemplate != nullptr;
}

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM) {
  CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
  if (pWnd == nullptr && t_dialogInit != nullptr) {
    CDialog* pDlg = t_dialogInit;
    t_dialogInit = nullptr;
    if (pDlg->SubclassWindow(hWnd)) pWnd = pDlg;
  }
  if (message == WM_INITDIALOG) {
    CDialog* pDlg = dynamic_cast<CDialog*>(pWnd);
    const BOOL focusFirst = pDlg != nullptr ? pDlg->OnInitDialog() : TRUE;
#ifdef _WIN32
    // Built for desktop Windows: Windows CE gives a dialog without a tab stop the focus itself,
    // where desktop Windows gives it to the first control; the program's status dialog starts
    // its work when it gets the focus, so the framework keeps CE's rule there.
    if (focusFirst && ::GetNextDlgTabItem(hWnd, nullptr, FALSE) == nullptr) {
      ::SetFocus(hWnd);
      return FALSE;
    }
#endif
    return focusFirst;
  }
  return FALSE;
}

INT_PTR CDialog::DoModal() {
  if (m_hWnd != nullptr) return -1;
  HWND owner = ModalOwner(m_pParentWnd);
  CDialog* outer = t_dialogInit;
  t_dialogInit = this;
  INT_PTR result;
  if (m_lpDialogTemplate != nullptr) {
    result = ::DialogBoxIndirectParamW(AfxGetResourceHandle(), m_lpDialogTemplate, owner,
                                       &AfxDlgProc, reinterpret_cast<LPARAM>(this));
  } else {
    result = ::DialogBoxParamW(AfxGetResourceHandle(), m_lpszTemplateName, owner, &AfxDlgProc,
                               reinterpret_cast<LPARAM>(this));
  }
  t_dialogInit = outer;
  // The window is gone; an object the dialog manager never handed a window stays unattached.
  if (m_hWnd != nullptr) Detach();
  m_hWndMenuBar = nullptr;
  return result;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  if (m_bFullScreen) {
    SHINITDLGINFO shidi{SHIDIM_FLAGS, m_hWnd,
                        SHIDIF_DONEBUTTON | SHIDIF_SIPDOWN | SHIDIF_SIZEDLGFULLSCREEN};
    ::SHInitDialog(&shidi);
    SHMENUBARINFO mbi{};
    mbi.cbSize = sizeof(mbi);
    mbi.hwndParent = m_hWnd;
    mbi.dwFlags = SHCMBF_EMPTYBAR;
    mbi.hInstRes = AfxGetResourceHandle();
    if (::SHCreateMenuBar(&mbi)) m_hWndMenuBar = mbi.hwndMB;
  }
  return TRUE;
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // The menu bar belongs to the dialog and goes with it.
  if (message == WM_DESTROY && m_hWndMenuBar != nullptr) {
    if (::IsWindow(m_hWndMenuBar)) ::DestroyWindow(m_hWndMenuBar);
    m_hWndMenuBar = nullptr;
  }
  return CWnd::WindowProc(message, wParam, lParam);
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::EndDialog(int nResult) { ::EndDialog(m_hWnd, nResult); }

void CDialog::NextDlgCtrl() const { ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, 0, 0); }
void CDialog::PrevDlgCtrl() const { ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, 1, 0); }

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl) {
  if (pWndCtrl != nullptr) {
    ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pWndCtrl->m_hWnd), 1);
  }
}
