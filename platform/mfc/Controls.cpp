// The controls' wrappers: each member is the control's own message.
#include <afxwin.h>

IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CListBox, CWnd)

HICON CStatic::SetIcon(HICON hIcon) {
  return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(hIcon), 0));
}
HICON CStatic::GetIcon() const { return reinterpret_cast<HICON>(SendMessage(STM_GETICON, 0, 0)); }

int CButton::GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK, 0, 0)); }
void CButton::SetCheck(int nCheck) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck), 0); }
UINT CButton::GetState() const { return static_cast<UINT>(SendMessage(BM_GETSTATE, 0, 0)); }
void CButton::SetState(BOOL bHighlight) {
  SendMessage(BM_SETSTATE, static_cast<WPARAM>(bHighlight), 0);
}
UINT CButton::GetButtonStyle() const { return static_cast<UINT>(GetStyle() & 0xff); }
void CButton::SetButtonStyle(UINT nStyle, BOOL bRedraw) {
  SendMessage(BM_SETSTYLE, nStyle, bRedraw);
}

void CEdit::SetSel(int nStartChar, int nEndChar, BOOL) {
  SendMessage(EM_SETSEL, static_cast<WPARAM>(nStartChar), nEndChar);
}
DWORD CEdit::GetSel() const { return static_cast<DWORD>(SendMessage(EM_GETSEL, 0, 0)); }
BOOL CEdit::SetReadOnly(BOOL bReadOnly) {
  return static_cast<BOOL>(SendMessage(EM_SETREADONLY, static_cast<WPARAM>(bReadOnly), 0));
}
void CEdit::LimitText(int nChars) { SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(nChars), 0); }

int CListBox::GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT, 0, 0)); }
int CListBox::GetCurSel() const { return static_cast<int>(SendMessage(LB_GETCURSEL, 0, 0)); }
int CListBox::SetCurSel(int nSelect) {
  return static_cast<int>(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(nSelect), 0));
}
int CListBox::GetTopIndex() const { return static_cast<int>(SendMessage(LB_GETTOPINDEX, 0, 0)); }
int CListBox::SetTopIndex(int nIndex) {
  return static_cast<int>(SendMessage(LB_SETTOPINDEX, static_cast<WPARAM>(nIndex), 0));
}
int CListBox::AddString(LPCTSTR lpszItem) {
  return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszItem)));
}
int CListBox::InsertString(int nIndex, LPCTSTR lpszItem) {
  return static_cast<int>(SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(nIndex),
                                      reinterpret_cast<LPARAM>(lpszItem)));
}
int CListBox::DeleteString(UINT nIndex) {
  return static_cast<int>(SendMessage(LB_DELETESTRING, nIndex, 0));
}
void CListBox::ResetContent() { SendMessage(LB_RESETCONTENT, 0, 0); }
int CListBox::GetText(int nIndex, LPTSTR lpszBuffer) const {
  return static_cast<int>(
      SendMessage(LB_GETTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszBuffer)));
}
void CListBox::GetText(int nIndex, CString& rString) const {
  const int length = GetTextLen(nIndex);
  if (length < 0) {
    rString.Empty();
    return;
  }
  GetText(nIndex, rString.GetBuffer(length));
  rString.ReleaseBuffer();
}
int CListBox::GetTextLen(int nIndex) const {
  return static_cast<int>(SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(nIndex), 0));
}
DWORD_PTR CListBox::GetItemData(int nIndex) const {
  return static_cast<DWORD_PTR>(SendMessage(LB_GETITEMDATA, static_cast<WPARAM>(nIndex), 0));
}
int CListBox::SetItemData(int nIndex, DWORD_PTR dwItemData) {
  return static_cast<int>(
      SendMessage(LB_SETITEMDATA, static_cast<WPARAM>(nIndex), static_cast<LPARAM>(dwItemData)));
}
int CListBox::FindStringExact(int nIndexStart, LPCTSTR lpszFind) const {
  return static_cast<int>(SendMessage(LB_FINDSTRINGEXACT, static_cast<WPARAM>(nIndexStart),
                                      reinterpret_cast<LPARAM>(lpszFind)));
}
int CListBox::SelectString(int nStartAfter, LPCTSTR lpszItem) {
  return static_cast<int>(SendMessage(LB_SELECTSTRING, static_cast<WPARAM>(nStartAfter),
                                      reinterpret_cast<LPARAM>(lpszItem)));
}
