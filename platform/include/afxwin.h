// The dialog framework (MFC for Windows CE), the subset the program uses: runtime classes,
// message maps, windows, dialogs and their data exchange, the controls' wrappers, fonts and
// the framework's message box.
//
// Message-map entries name their handler as a pointer to member, ON_BN_CLICKED(IDC_X,
// &CMyDlg::OnX), as current MFC requires; each entry keeps a small thunk that calls the handler
// with the message's arguments unpacked, so no handler is called through a cast signature.
#pragma once

#include <cstddef>
#include <exception>

#include "windows.h"
#include "aygshell.h"
#include "afxstr.h"
#include "afxapp.h"

#define afx_msg
#define AFX_MSG_CALL
#define AFXAPI
#define PASCAL

class CCmdTarget;
class CWnd;
class CDialog;
class CDataExchange;
class CFont;
class CDC;

// ---- Simple types ----------------------------------------------------------------------------

class CPoint : public tagPOINT {
 public:
  CPoint() : tagPOINT{0, 0} {}
  CPoint(int initX, int initY) : tagPOINT{initX, initY} {}
  explicit CPoint(LPARAM dwPoint)
      : tagPOINT{static_cast<short>(LOWORD(dwPoint)), static_cast<short>(HIWORD(dwPoint))} {}
  bool operator==(const CPoint& o) const { return x == o.x && y == o.y; }
};

class CSize : public tagSIZE {
 public:
  CSize() : tagSIZE{0, 0} {}
  CSize(int initCX, int initCY) : tagSIZE{initCX, initCY} {}
};

class CRect : public tagRECT {
 public:
  CRect() : tagRECT{0, 0, 0, 0} {}
  CRect(int l, int t, int r, int b) : tagRECT{l, t, r, b} {}
  CRect(const RECT& r) : tagRECT(r) {}  // NOLINT(google-explicit-constructor): as the framework's
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  operator LPRECT() { return this; }         // NOLINT(google-explicit-constructor)
  operator LPCRECT() const { return this; }  // NOLINT(google-explicit-constructor)
  bool operator==(const CRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

// ---- Exceptions --------------------------------------------------------------------------------

class CException : public std::exception {
 public:
  const char* what() const noexcept override { return "framework exception"; }
  void Delete() {}
};
// Thrown by a failed data exchange after the user has been told why; UpdateData catches it.
class CUserException : public CException {
 public:
  const char* what() const noexcept override { return "the data exchange failed"; }
};
[[noreturn]] void AfxThrowUserException();

// ---- Runtime classes ---------------------------------------------------------------------------

struct CRuntimeClass {
  LPCSTR m_lpszClassName;
  int m_nObjectSize;
  const CRuntimeClass* m_pBaseClass;

  BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
};

#define RUNTIME_CLASS(class_name) (const_cast<CRuntimeClass*>(&class_name::class##class_name))

#define DECLARE_DYNAMIC(class_name)             \
 public:                                        \
  static const CRuntimeClass class##class_name; \
  CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                    \
  const CRuntimeClass class_name::class##class_name = {                                   \
      #class_name, static_cast<int>(sizeof(class_name)), RUNTIME_CLASS(base_class_name)}; \
  CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

// Dynamic creation is not offered; the class keeps its runtime name.
#define DECLARE_DYNCREATE(class_name) DECLARE_DYNAMIC(class_name)
#define IMPLEMENT_DYNCREATE(class_name, base_class_name) \
  IMPLEMENT_DYNAMIC(class_name, base_class_name)

class CObject {
 public:
  virtual ~CObject() = default;
  CObject(const CObject&) = delete;
  CObject& operator=(const CObject&) = delete;

  virtual CRuntimeClass* GetRuntimeClass() const;
  BOOL IsKindOf(const CRuntimeClass* pClass) const;

  static const CRuntimeClass classCObject;

 protected:
  CObject() = default;
};

// ---- Message maps ------------------------------------------------------------------------------

// Calls one handler with the message's arguments unpacked; returns the message's result.
typedef LRESULT (*AFX_PMSGTHUNK)(CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // the window message; 0 ends the map
  UINT nCode;     // WM_COMMAND: the notification code; WM_NOTIFY: NMHDR::code
  UINT nID;       // control id, or the first of a range
  UINT nLastID;   // the last id of the range
  AFX_PMSGTHUNK pfn;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                   \
 protected:                                     \
  static const AFX_MSGMAP* GetThisMessageMap(); \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                      \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
    typedef theClass ThisClass;                                                     \
    typedef baseClass TheBaseClass;                                                 \
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                       \
  { 0, 0, 0, 0, nullptr }                                                                       \
  }                                                                                             \
  ;                                                                                             \
  static_assert(sizeof(ThisClass) > 0, "the map's class is complete");                          \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
  return &messageMap;                                                                           \
  }

class CCmdTarget : public CObject {
 public:
  CCmdTarget() = default;
  ~CCmdTarget() override = default;

  static const CRuntimeClass classCCmdTarget;
  CRuntimeClass* GetRuntimeClass() const override;

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;

  friend class CWnd;
};

// ---- Windows -----------------------------------------------------------------------------------

class CWnd : public CCmdTarget {
  DECLARE_DYNAMIC(CWnd)

 public:
  CWnd() = default;
  // A window still attached is detached (and its procedure given back), not destroyed.
  ~CWnd() override;

  HWND m_hWnd = nullptr;

  operator HWND() const { return m_hWnd; }  // NOLINT(google-explicit-constructor)
  HWND GetSafeHwnd() const { return m_hWnd; }

  // The object attached to the window, or a temporary one kept for the calling thread.
  static CWnd* FromHandle(HWND hWnd);
  static CWnd* FromHandlePermanent(HWND hWnd);
  BOOL Attach(HWND hWndNew);
  HWND Detach();
  // Attaches and routes the window's messages through this object's message map; what the map
  // does not handle goes to the window's previous procedure.
  BOOL SubclassWindow(HWND hWnd);
  BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
  HWND UnsubclassWindow();

  // Messages.
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

  // Text, geometry, state.
  void SetWindowText(LPCTSTR lpszString);
  int GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const;
  void GetWindowText(CString& rString) const;
  int GetWindowTextLength() const;
  BOOL ShowWindow(int nCmdShow);
  BOOL IsWindowVisible() const;
  BOOL EnableWindow(BOOL bEnable = TRUE);
  BOOL IsWindowEnabled() const;
  void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
  void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
  void GetWindowRect(LPRECT lpRect) const;
  void GetClientRect(LPRECT lpRect) const;
  void ScreenToClient(LPPOINT lpPoint) const;
  void ClientToScreen(LPPOINT lpPoint) const;
  void Invalidate(BOOL bErase = TRUE);
  void UpdateWindow();
  DWORD GetStyle() const;
  DWORD GetExStyle() const;
  int GetDlgCtrlID() const;
  CWnd* GetParent() const;
  BOOL DestroyWindow();
  BOOL SetForegroundWindow();
  CWnd* SetFocus();
  static CWnd* GetFocus();
  static CWnd* GetActiveWindow();
  UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse,
                    void(CALLBACK* lpfnTimer)(HWND, UINT, UINT_PTR, DWORD));
  BOOL KillTimer(UINT_PTR nIDEvent);

  // Icons and fonts.
  HICON SetIcon(HICON hIcon, BOOL bBigIcon);
  HICON GetIcon(BOOL bBigIcon) const;
  void SetFont(CFont* pFont, BOOL bRedraw = TRUE);
  CFont* GetFont() const;

  // Dialog items.
  CWnd* GetDlgItem(int nID) const;
  void SetDlgItemText(int nID, LPCTSTR lpszString);
  int GetDlgItemText(int nID, LPTSTR lpStr, int nMaxCount) const;
  int GetDlgItemText(int nID, CString& rString) const;
  void SetDlgItemInt(int nID, UINT nValue, BOOL bSigned = TRUE);
  UINT GetDlgItemInt(int nID, BOOL* lpTrans = nullptr, BOOL bSigned = TRUE) const;
  void CheckDlgButton(int nIDButton, UINT nCheck);
  UINT IsDlgButtonChecked(int nIDButton) const;

  // A message box owned by this window; without a caption it is titled with the application's
  // name.
  int MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption = nullptr, UINT nType = MB_OK);

  // Data exchange between the members and the controls: FALSE towards the controls, TRUE from
  // them. FALSE when the exchange failed (the user has been told why).
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

  // The message's way through the object: the message map first, then Default().
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual void DoDataExchange(CDataExchange* pDX);
  // Called after the window's last message (WM_NCDESTROY); the object is detached by then.
  virtual void PostNcDestroy();

  // The default handling of the message being handled now.
  LRESULT Default();

  // The framework's default handlers, reached from message-map entries.
  afx_msg void OnSetFocus(CWnd* pOldWnd);
  afx_msg void OnKillFocus(CWnd* pNewWnd);
  afx_msg void OnDestroy();
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg void OnPaint();
  afx_msg void OnClose();
  afx_msg void OnTimer(UINT_PTR nIDEvent);
  afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
  afx_msg void OnLButtonUp(UINT nFlags, CPoint point);

  WNDPROC m_pfnSuper = nullptr;  // the window's procedure before SubclassWindow

  DECLARE_MESSAGE_MAP()

 private:
  friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
};

// The framework's window procedure: finds the window's object and calls its WindowProc.
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Message-map entry macros ------------------------------------------------------------------

namespace afx {

template <class T>
struct MemberOf;
template <class C, class R, class... A>
struct MemberOf<R (C::*)(A...)> {
  using Class = C;
};

template <auto Pmf>
typename MemberOf<decltype(Pmf)>::Class* Target(CCmdTarget* t) {
  return static_cast<typename MemberOf<decltype(Pmf)>::Class*>(t);
}

template <auto Pmf>
LRESULT Command(CCmdTarget* t, WPARAM, LPARAM) {
  (Target<Pmf>(t)->*Pmf)();
  return 0;
}
template <auto Pmf>
LRESULT CommandRange(CCmdTarget* t, WPARAM w, LPARAM) {
  (Target<Pmf>(t)->*Pmf)(static_cast<UINT>(LOWORD(w)));
  return 0;
}
template <auto Pmf>
LRESULT Notify(CCmdTarget* t, WPARAM, LPARAM l) {
  LRESULT result = 0;
  (Target<Pmf>(t)->*Pmf)(reinterpret_cast<NMHDR*>(l), &result);
  return result;
}
template <auto Pmf>
LRESULT Void(CCmdTarget* t, WPARAM, LPARAM) {
  (Target<Pmf>(t)->*Pmf)();
  return 0;
}
template <auto Pmf>
LRESULT Focus(CCmdTarget* t, WPARAM w, LPARAM) {
  (Target<Pmf>(t)->*Pmf)(CWnd::FromHandle(reinterpret_cast<HWND>(w)));
  return 0;
}
template <auto Pmf>
LRESULT Size(CCmdTarget* t, WPARAM w, LPARAM l) {
  (Target<Pmf>(t)->*Pmf)(static_cast<UINT>(w), static_cast<short>(LOWORD(l)),
                         static_cast<short>(HIWORD(l)));
  return 0;
}
template <auto Pmf>
LRESULT Timer(CCmdTarget* t, WPARAM w, LPARAM) {
  (Target<Pmf>(t)->*Pmf)(static_cast<UINT_PTR>(w));
  return 0;
}
template <auto Pmf>
LRESULT Mouse(CCmdTarget* t, WPARAM w, LPARAM l) {
  (Target<Pmf>(t)->*Pmf)(static_cast<UINT>(w), CPoint(l));
  return 0;
}
template <auto Pmf>
LRESULT Message(CCmdTarget* t, WPARAM w, LPARAM l) {
  return (Target<Pmf>(t)->*Pmf)(w, l);
}

}  // namespace afx

#define ON_COMMAND(id, memberFxn) \
  {WM_COMMAND, 0, static_cast<UINT>(id), static_cast<UINT>(id), &afx::Command<memberFxn>},
#define ON_COMMAND_RANGE(id, idLast, memberFxn) \
  {WM_COMMAND, 0, static_cast<UINT>(id), static_cast<UINT>(idLast), &afx::CommandRange<memberFxn>},
#define ON_CONTROL(wNotifyCode, id, memberFxn)                                               \
  {WM_COMMAND, static_cast<UINT>(wNotifyCode), static_cast<UINT>(id), static_cast<UINT>(id), \
   &afx::Command<memberFxn>},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_SETFOCUS(id, memberFxn) ON_CONTROL(BN_SETFOCUS, id, memberFxn)
#define ON_BN_KILLFOCUS(id, memberFxn) ON_CONTROL(BN_KILLFOCUS, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)
#define ON_LBN_SETFOCUS(id, memberFxn) ON_CONTROL(LBN_SETFOCUS, id, memberFxn)
#define ON_LBN_KILLFOCUS(id, memberFxn) ON_CONTROL(LBN_KILLFOCUS, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_NOTIFY(wNotifyCode, id, memberFxn)                                               \
  {WM_NOTIFY, static_cast<UINT>(wNotifyCode), static_cast<UINT>(id), static_cast<UINT>(id), \
   &afx::Notify<memberFxn>},
#define ON_MESSAGE(message, memberFxn) \
  {static_cast<UINT>(message), 0, 0, 0, &afx::Message<memberFxn>},

#define ON_WM_SETFOCUS() {WM_SETFOCUS, 0, 0, 0, &afx::Focus<&ThisClass::OnSetFocus>},
#define ON_WM_KILLFOCUS() {WM_KILLFOCUS, 0, 0, 0, &afx::Focus<&ThisClass::OnKillFocus>},
#define ON_WM_DESTROY() {WM_DESTROY, 0, 0, 0, &afx::Void<&ThisClass::OnDestroy>},
#define ON_WM_SIZE() {WM_SIZE, 0, 0, 0, &afx::Size<&ThisClass::OnSize>},
#define ON_WM_PAINT() {WM_PAINT, 0, 0, 0, &afx::Void<&ThisClass::OnPaint>},
#define ON_WM_CLOSE() {WM_CLOSE, 0, 0, 0, &afx::Void<&ThisClass::OnClose>},
#define ON_WM_TIMER() {WM_TIMER, 0, 0, 0, &afx::Timer<&ThisClass::OnTimer>},
#define ON_WM_LBUTTONDOWN() {WM_LBUTTONDOWN, 0, 0, 0, &afx::Mouse<&ThisClass::OnLButtonDown>},
#define ON_WM_LBUTTONUP() {WM_LBUTTONUP, 0, 0, 0, &afx::Mouse<&ThisClass::OnLButtonUp>},

// ---- Dialogs -----------------------------------------------------------------------------------

class CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)

 public:
  CDialog() = default;
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  explicit CDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
  ~CDialog() override;

  // A template in memory instead of a resource.
  BOOL InitModalIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd = nullptr);

  // Runs the dialog with the dialog manager's modal loop; the result given to EndDialog, or
  // -1 when the dialog could not be made. Without a parent the owner is the application's main
  // window.
  virtual INT_PTR DoModal();
  // Exchanges the members towards the controls and, on the Pocket PC, makes the dialog
  // full-screen with the shell's "ok" button and an empty menu bar. TRUE: the dialog manager
  // sets the focus.
  virtual BOOL OnInitDialog();
  void EndDialog(int nResult);

  void NextDlgCtrl() const;
  void PrevDlgCtrl() const;
  void GotoDlgCtrl(CWnd* pWndCtrl);

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  // Windows CE: the dialog fills the screen between the task bar and the menu bar.
  BOOL m_bFullScreen = TRUE;
  UINT m_nIDHelp = 0;
  LPCTSTR m_lpszTemplateName = nullptr;
  LPCDLGTEMPLATE m_lpDialogTemplate = nullptr;
  CWnd* m_pParentWnd = nullptr;
  HWND m_hWndMenuBar = nullptr;

 protected:
  // Exchanges from the controls; on success ends the dialog with IDOK, else it stays open.
  virtual void OnOK();
  virtual void OnCancel();

  DECLARE_MESSAGE_MAP()

 private:
  friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);
};

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Data exchange -----------------------------------------------------------------------------

class CDataExchange {
 public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

  BOOL m_bSaveAndValidate;  // TRUE: from the controls to the members
  CWnd* m_pDlgWnd;

  // The control's window; a missing control fails the exchange.
  HWND PrepareCtrl(int nIDC);
  HWND PrepareEditCtrl(int nIDC);
  // Puts the focus back on the last prepared control and throws CUserException.
  [[noreturn]] void Fail();

  int m_idLastControl = 0;
  BOOL m_bEditLastControl = FALSE;
};

void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// Integers (UINT also serves DWORD): "%d" (signed) or "%u" towards the control; from it, an
// optional sign and decimal digits between optional blanks, or the message "Please enter an
// integer." (unsigned: "Please enter a positive integer.") and a failed exchange.
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, long& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, BYTE& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
// Check state; towards the control a value outside 0..2 is taken as 0.
void AFXAPI DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// The list box's selection index (-1 none).
void AFXAPI DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index);

// ---- Controls ----------------------------------------------------------------------------------

class CStatic : public CWnd {
  DECLARE_DYNAMIC(CStatic)

 public:
  HICON SetIcon(HICON hIcon);
  HICON GetIcon() const;
};

class CButton : public CWnd {
  DECLARE_DYNAMIC(CButton)

 public:
  int GetCheck() const;
  void SetCheck(int nCheck);
  UINT GetState() const;
  void SetState(BOOL bHighlight);
  UINT GetButtonStyle() const;
  void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE);
};

class CEdit : public CWnd {
  DECLARE_DYNAMIC(CEdit)

 public:
  void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE);
  DWORD GetSel() const;
  BOOL SetReadOnly(BOOL bReadOnly = TRUE);
  void LimitText(int nChars = 0);
};

class CListBox : public CWnd {
  DECLARE_DYNAMIC(CListBox)

 public:
  int GetCount() const;
  int GetCurSel() const;
  int SetCurSel(int nSelect);
  int GetTopIndex() const;
  int SetTopIndex(int nIndex);
  int AddString(LPCTSTR lpszItem);
  int InsertString(int nIndex, LPCTSTR lpszItem);
  int DeleteString(UINT nIndex);
  void ResetContent();
  int GetText(int nIndex, LPTSTR lpszBuffer) const;
  void GetText(int nIndex, CString& rString) const;
  int GetTextLen(int nIndex) const;
  DWORD_PTR GetItemData(int nIndex) const;
  int SetItemData(int nIndex, DWORD_PTR dwItemData);
  int FindStringExact(int nIndexStart, LPCTSTR lpszFind) const;
  int SelectString(int nStartAfter, LPCTSTR lpszItem);
};

// ---- Fonts -------------------------------------------------------------------------------------

class CGdiObject : public CObject {
  DECLARE_DYNAMIC(CGdiObject)

 public:
  CGdiObject() = default;
  // Deletes the object it holds.
  ~CGdiObject() override;

  HGDIOBJ m_hObject = nullptr;

  operator HGDIOBJ() const { return m_hObject; }  // NOLINT(google-explicit-constructor)
  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  BOOL Attach(HGDIOBJ hObject);
  HGDIOBJ Detach();
  BOOL DeleteObject();
  int GetObject(int nCount, LPVOID lpObject) const;
};

class CFont : public CGdiObject {
  DECLARE_DYNAMIC(CFont)

 public:
  // The object holding hFont: a temporary one kept for the calling thread, which never deletes
  // the font.
  static CFont* FromHandle(HFONT hFont);

  BOOL CreateFontIndirect(const LOGFONT* lpLogFont);
  // nPointSize in tenths of a point, turned into a pixel height at the screen's resolution
  // (96 dots per inch on this device: 120 gives a height of 16 pixels).
  BOOL CreatePointFont(int nPointSize, LPCTSTR lpszFaceName, CDC* pDC = nullptr);
  BOOL CreatePointFontIndirect(const LOGFONT* lpLogFont, CDC* pDC = nullptr);
  int GetLogFont(LOGFONT* pLogFont) const;

  operator HFONT() const { return static_cast<HFONT>(m_hObject); }  // NOLINT
};

// ---- Application-wide --------------------------------------------------------------------------

CWnd* AfxGetMainWnd();
// A message box owned by the thread's active window (else the main window), titled with the
// application's name.
int AFXAPI AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
